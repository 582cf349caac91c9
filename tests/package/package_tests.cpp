// The program as people get it: installed under a prefix by `cmake --install`, and as a
// Debian package. The installed program runs as a user would run it, with a home of its own.
#include "support/PrivateDisplay.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wtb {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString kId = QStringLiteral("com.brimtock.WavetableBuilder");
const QString kCaption = QStringLiteral("Brimtock - Wavetable builder 1.1");
const QString kPerUserFolder = QStringLiteral("/Brimtock/Wavetable Builder");

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome finish(QProcess& process, int timeoutMs = 120000) {
    Outcome outcome;
    outcome.finished =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

Outcome run(const QString& program, const QStringList& arguments,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    return finish(process);
}

std::string describe(const Outcome& outcome) {
    return (QStringLiteral("exit %1\n%2%3").arg(outcome.exitCode).arg(outcome.out, outcome.err))
        .toStdString();
}

// Relative path -> checksum of every file and folder under `root`.
std::map<QString, QByteArray> treeChecksums(const QString& root) {
    std::map<QString, QByteArray> sums;
    QDirIterator entries(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        QFile file(path);
        sums[path.mid(root.size())] =
            file.open(QIODevice::ReadOnly)
                ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                : QByteArray("folder");
    }
    return sums;
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// The program installed under a prefix that is then made read-only: a tmpfs remounted
// read-only where mounting is allowed, else taking write permission away, which does not bind
// root.
class ReadOnlyInstall {
public:
    ReadOnlyInstall() {
        QDir().mkpath(prefix());
        mounted_ =
            ::mount("tmpfs", QFile::encodeName(prefix()).constData(), "tmpfs", 0, "size=64m") == 0;
        const Outcome install =
            run(QStringLiteral(WTB_CMAKE), {"--install", WTB_BUILD_DIR, "--prefix", prefix()});
        installed_ = install.finished && install.exitCode == 0;
        if (mounted_) {
            readOnly_ = ::mount("tmpfs", QFile::encodeName(prefix()).constData(), nullptr,
                                MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        } else {
            run("chmod", {"-R", "a-w", prefix()});
            readOnly_ = ::geteuid() != 0;
        }
    }
    ~ReadOnlyInstall() {
        if (mounted_) {
            ::umount2(QFile::encodeName(prefix()).constData(), MNT_DETACH);
        } else {
            run("chmod", {"-R", "u+w", prefix()});
        }
    }

    bool installed() const { return installed_; }
    bool readOnly() const { return readOnly_; }
    QString prefix() const { return root_.file("prefix"); }
    QString file(const QString& relative) const { return prefix() + "/" + relative; }
    QString program() const { return file("bin/wavetable-builder"); }

private:
    test::TempFolder root_;
    bool mounted_ = false;
    bool installed_ = false;
    bool readOnly_ = false;
};

// A user of their own: home, data, configuration and runtime folders, all empty at first.
class TemporaryUser {
public:
    TemporaryUser() {
        for (const char* folder : {"home", "data", "config", "cache", "runtime"}) {
            QDir().mkpath(root_.file(folder));
        }
        QFile::setPermissions(root_.file("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", root_.file("home"));
        env.insert("XDG_DATA_HOME", root_.file("data"));
        env.insert("XDG_CONFIG_HOME", root_.file("config"));
        env.insert("XDG_CACHE_HOME", root_.file("cache"));
        env.insert("XDG_RUNTIME_DIR", root_.file("runtime"));
        return env;
    }
    QString slotsFolder() const { return root_.file("data") + kPerUserFolder; }
    QString root() const { return root_.path(); }

private:
    test::TempFolder root_;
};

class InstalledProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(install_.installed()) << "cmake --install failed"; }

    ReadOnlyInstall install_;
    TemporaryUser user_;
};

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

// Starts the program on `display`; the id of its window once it is shown (which is after the
// slots were loaded), or empty when it never was.
QString startWindow(QProcess& program, const QString& path, const test::PrivateDisplay& display,
                    QProcessEnvironment env) {
    env.insert("DISPLAY", display.name());
    env.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(env);
    program.start(path, {});
    QString window;
    for (auto end = Clock::now() + 60s;
         window.isEmpty() && Clock::now() < end && program.state() != QProcess::NotRunning;
         QThread::msleep(100)) {
        window = display.tool("xdotool", {"search", "--name", "^" + kCaption + "$"});
    }
    return window.section('\n', 0, 0);
}

TEST_F(InstalledProgram, KeepsTheSlotsInThePerUserFolderAndNeverWritesUnderThePrefix) {
    const auto prefixBefore = treeChecksums(install_.prefix());
    test::PrivateDisplay display;
    ASSERT_FALSE(display.name().isEmpty()) << "no X server";
    const QString settings = user_.slotsFolder() + "/Settings.txt";

    // First start: the default kit is made in the per-user folder; a close saves it again.
    QProcess first;
    const QString window = startWindow(first, install_.program(), display, user_.environment());
    ASSERT_FALSE(window.isEmpty()) << describe(finish(first, 1000));
    for (int slot = 1; slot <= 16; ++slot) {
        EXPECT_TRUE(QFileInfo::exists(user_.slotsFolder() + QStringLiteral("/%1.wav").arg(slot)));
    }
    const ino_t kitSettings = inodeOf(settings);
    ASSERT_NE(kitSettings, 0u);
    // The window wears the program's icon, in the sizes it was drawn in.
    const QString icon = display.tool("xprop", {"-id", window, "_NET_WM_ICON"});
    EXPECT_TRUE(icon.contains("Icon (16 x 16)") && icon.contains("Icon (128 x 128)"))
        << icon.left(200).toStdString();
    first.terminate(); // closes the window the usual way
    const Outcome firstEnd = finish(first);
    EXPECT_TRUE(firstEnd.finished && firstEnd.exitCode == 0) << describe(firstEnd);
    EXPECT_NE(inodeOf(settings), kitSettings) << "the close did not save the slots";

    // Second start: the user's slots are loaded from there, and saved there again.
    std::string text = test::readText(settings);
    text.replace(0, text.find('\t'), "my kick");
    test::writeText(settings, text);
    const ino_t editedSettings = inodeOf(settings);
    QProcess second;
    ASSERT_FALSE(startWindow(second, install_.program(), display, user_.environment()).isEmpty())
        << describe(finish(second, 1000));
    second.terminate();
    const Outcome secondEnd = finish(second);
    EXPECT_TRUE(secondEnd.finished && secondEnd.exitCode == 0) << describe(secondEnd);
    EXPECT_NE(inodeOf(settings), editedSettings) << "the close did not save the slots";
    EXPECT_EQ(test::readText(settings), text);

    EXPECT_EQ(treeChecksums(install_.prefix()), prefixBefore);
}

TEST_F(InstalledProgram, SaysWhichWorkingFolderCannotBeWrittenAndHowToChooseAnother) {
    if (!install_.readOnly()) {
        GTEST_SKIP() << "no read-only folder: mounting is not permitted and root writes "
                        "through permissions";
    }
    const auto prefixBefore = treeChecksums(install_.prefix());
    QProcessEnvironment readOnlyData = user_.environment();
    readOnlyData.insert("XDG_DATA_HOME", install_.file("share"));
    struct Case {
        const char* what;
        QProcessEnvironment env;
        QStringList arguments;
        QString folder;
    } cases[] = {
        {"a per-user folder that cannot be made",
         readOnlyData,
         {},
         install_.file("share") + kPerUserFolder},
        {"a --folder that cannot be written",
         user_.environment(),
         {"--folder", install_.file("bin")},
         install_.file("bin")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QProcess program;
        QProcessEnvironment env = c.env;
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(install_.program(), c.arguments);
        QString message;
        for (auto end = Clock::now() + 60s; !message.contains("--folder") && Clock::now() < end &&
                                            program.state() != QProcess::NotRunning;) {
            program.waitForReadyRead(200);
            message += QString::fromLocal8Bit(program.readAllStandardError());
        }
        program.terminate(); // answers the message box
        const Outcome end = finish(program);
        EXPECT_TRUE(end.finished && end.exitCode == 1) << describe(end);
        EXPECT_TRUE(message.contains("\"" + c.folder + "\" cannot be written") &&
                    message.contains("--folder DIR"))
            << message.toStdString();
    }
    EXPECT_EQ(treeChecksums(install_.prefix()), prefixBefore);
}

TEST_F(InstalledProgram, HelpAndVersionNeedNoDisplayAndWriteNothing) {
    QProcessEnvironment env = user_.environment();
    env.remove("DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb"); // a window would fail here: there is no display
    const QString folder = user_.root() + "/would-be-folder";
    struct Case {
        QStringList arguments;
        int exitCode;
        QString says;
    } cases[] = {
        {{"--version"}, 0, QStringLiteral("Brimtock Wavetable Builder " WTB_VERSION "\n")},
        {{"--folder", folder, "--help"}, 0, "--folder <DIR>"},
        {{"-h"}, 0, "--version"},
        {{"--folder", folder, "--bogus"}, 2, "Unknown option 'bogus'"},
        {{"--folder"}, 2, "Missing value after '--folder'"},
        {{"--folder="}, 2, "The folder given with --folder is empty."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(install_.program(), c.arguments);
        const Outcome outcome = finish(program);
        EXPECT_TRUE(outcome.finished && outcome.exitCode == c.exitCode) << describe(outcome);
        const QString& said = c.exitCode == 0 ? outcome.out : outcome.err;
        EXPECT_TRUE(c.says.endsWith('\n') ? said == c.says : said.contains(c.says))
            << describe(outcome);
        EXPECT_EQ(treeChecksums(user_.root()).size(), 5u) << "only the five empty folders";
    }
}

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
