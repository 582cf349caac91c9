// The program installed under a read-only prefix, run as a user would run it, with a home of its
// own: its window, its per-user folder, its messages and its command line.
#include "PackageSupport.h"
#include "support/PrivateDisplay.h"

#include <QFileInfo>
#include <QThread>

#include <chrono>

namespace wtb {
namespace {

using namespace test;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString kCaption = QStringLiteral("Brimtock - Wavetable builder 1.1");

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

} // namespace
} // namespace wtb
