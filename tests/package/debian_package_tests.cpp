// The Debian package built from this build tree: its fields and files, and its install and
// removal with apt.
#include "PackageSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <unistd.h>

namespace wtb {
namespace {

using namespace test;

// The Debian package built from this build tree.
class DebianPackage : public ::testing::Test {
protected:
    void SetUp() override {
        const Outcome cpack = run(
            QStringLiteral(WTB_CPACK),
            {"-G", "DEB", "--config", WTB_BUILD_DIR "/CPackConfig.cmake", "-B", output_.path()});
        ASSERT_TRUE(cpack.finished && cpack.exitCode == 0) << describe(cpack);
        const QStringList debs = QDir(output_.path()).entryList({"*.deb"}, QDir::Files);
        ASSERT_EQ(debs.size(), 1) << debs.join(' ').toStdString();
        deb_ = output_.file(debs.first());
    }

    QString field(const QString& name) const {
        return run("dpkg-deb", {"--field", deb_, name}).out.trimmed();
    }

    test::TempFolder output_;
    QString deb_;
};

const QStringList kPackagedFiles = {
    "./usr/bin/wavetable-builder",
    "./usr/share/applications/com.brimtock.WavetableBuilder.desktop",
    "./usr/share/metainfo/com.brimtock.WavetableBuilder.metainfo.xml",
    "./usr/share/icons/hicolor/scalable/apps/com.brimtock.WavetableBuilder.svg",
    "./usr/share/icons/hicolor/48x48/apps/com.brimtock.WavetableBuilder.png",
    "./usr/share/icons/hicolor/256x256/apps/com.brimtock.WavetableBuilder.png",
    "./usr/share/man/man1/wavetable-builder.1.gz",
    "./usr/share/wavetable-builder/installed",
    "./usr/share/doc/brimtock-wavetable-builder/copyright",
};

TEST_F(DebianPackage, HoldsTheProgramItsDesktopFilesAndTheLibrariesItNeeds) {
    EXPECT_EQ(field("Package"), "brimtock-wavetable-builder");
    EXPECT_EQ(field("Version"), WTB_VERSION);
    // Found by dpkg-shlibdeps from what the program links, with versions.
    const QString depends = field("Depends");
    for (const char* library :
         {"libc6 (>=", "libqt6widgets6 (>=", "libqt6multimedia6 (>=", "libsndfile1 (>="}) {
        EXPECT_TRUE(depends.contains(library)) << library << " in " << depends.toStdString();
    }
    const QString contents = run("dpkg-deb", {"--contents", deb_}).out;
    for (const QString& file : kPackagedFiles) {
        const QRegularExpression ownedByRoot("^-rw\\S+ root/root .* " +
                                                 QRegularExpression::escape(file) + "$",
                                             QRegularExpression::MultilineOption);
        EXPECT_TRUE(contents.contains(ownedByRoot)) << file.toStdString() << "\n"
                                                    << contents.toStdString();
    }
}

TEST_F(DebianPackage, InstallsWithAptAndRemovesCleanly) {
    if (::geteuid() != 0 || !QFileInfo::exists("/etc/debian_version")) {
        GTEST_SKIP() << "installing a package needs root on Debian";
    }
    const QString name = "brimtock-wavetable-builder";
    if (run("dpkg-query", {"-W", "-f=${Status}", name}).out.contains("ok installed")) {
        GTEST_SKIP() << name.toStdString() << " is installed on this system: left as it is";
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DEBIAN_FRONTEND", "noninteractive");
    const QStringList apt = {"-y", "-q", "-o", "DPkg::Lock::Timeout=600"};
    const Outcome install = run("apt-get", apt + QStringList{"install", deb_}, env);
    ASSERT_TRUE(install.finished && install.exitCode == 0) << describe(install);
    const QStringList files = run("dpkg", {"-L", name}).out.split('\n', Qt::SkipEmptyParts);
    const Outcome version = run("/usr/bin/wavetable-builder", {"--version"});

    const Outcome remove = run("apt-get", apt + QStringList{"purge", name}, env);
    ASSERT_TRUE(remove.finished && remove.exitCode == 0) << describe(remove);
    EXPECT_EQ(version.out, QStringLiteral("Brimtock Wavetable Builder " WTB_VERSION "\n"));
    for (const QString& file : kPackagedFiles) {
        EXPECT_TRUE(files.contains(file.mid(1))) << file.toStdString();
    }
    for (const QString& file : files) {
        EXPECT_FALSE(QFileInfo(file).isFile()) << file.toStdString() << " left behind";
    }
    EXPECT_FALSE(run("dpkg-query", {"-W", "-f=${Status}", name}).out.contains("ok installed"));
}

} // namespace
} // namespace wtb
