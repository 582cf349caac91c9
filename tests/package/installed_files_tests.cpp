// The files `cmake --install` puts under a prefix: each passes its validator, and the desktop
// entry names the installed program and icon.
#include "PackageSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

namespace wtb {
namespace {

using namespace test;

TEST_F(InstalledProgram, InstalledFilesPassTheirValidatorsAndNameEachOther) {
    const QString desktop = install_.file("share/applications/" + kId + ".desktop");
    const Outcome entry = run("desktop-file-validate", {desktop});
    EXPECT_TRUE(entry.finished && entry.exitCode == 0 && entry.out.isEmpty()) << describe(entry);
    const Outcome metainfo =
        run("appstreamcli", {"validate", "--no-net", "--no-color",
                             install_.file("share/metainfo/" + kId + ".metainfo.xml")});
    EXPECT_TRUE(metainfo.finished && metainfo.exitCode == 0) << describe(metainfo);
    const Outcome man = run("man", {"--warnings=w", "-l", "-Tutf8",
                                    install_.file("share/man/man1/wavetable-builder.1.gz")});
    EXPECT_TRUE(man.finished && man.exitCode == 0 && man.err.isEmpty()) << describe(man);
    EXPECT_TRUE(man.out.contains("--folder")) << describe(man);

    // The entry starts the installed program and shows the installed icon.
    const QString text = QString::fromStdString(test::readText(desktop));
    const auto exec =
        QRegularExpression("^Exec=(\\S+)$", QRegularExpression::MultilineOption).match(text);
    const auto icon =
        QRegularExpression("^Icon=(\\S+)$", QRegularExpression::MultilineOption).match(text);
    EXPECT_TRUE(QFileInfo(install_.file("bin/" + exec.captured(1))).isExecutable())
        << text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(
        install_.file("share/icons/hicolor/scalable/apps/" + icon.captured(1) + ".svg")));
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage png(install_.file(QStringLiteral("share/icons/hicolor/%1x%1/apps/").arg(size) +
                                       icon.captured(1) + ".png"));
        EXPECT_EQ(png.size(), QSize(size, size)) << size;
    }
}

} // namespace
} // namespace wtb
