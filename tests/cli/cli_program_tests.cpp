// The program as a shell meets it: help and version, each operation by its command name, its
// own working folder, no display, and the folder option that opens the window.
#include "CliTestSupport.h"

#include "cli/CommandTable.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"
#include "support/TestSupport.h"
#include "workspace/Operations.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using test::Bytes;
using test::runProgram;
const auto entries = test::folderEntries;

using test::loaded;
using test::ShellKit;

TEST(HelpAndVersion, AnswerOnStandardOutputAndWriteNothingAnywhere) {
    // The program's usual folder is its own: give it an empty one to see that stays empty.
    test::TempFolder programFolder;
    const QString program = programFolder.file("wavetable-builder");
    ASSERT_TRUE(QFile::copy(test::builtProgram(), program));
    test::TempFolder here;
    test::TempFolder named;
    const QList<QStringList> requests = {
        {"--help"},    {"-h"}, {"list", "--help"},
        {"--version"}, {"-v"}, {"--folder", named.path(), "--version"}};
    for (const QStringList& request : requests) {
        const test::ProgramRun run = runProgram(request, here.path(), program);
        EXPECT_EQ(run.exitCode, 0) << request.join(' ').toStdString();
        EXPECT_EQ(run.err, "");
        if (request.contains("--version") || request.contains("-v")) {
            EXPECT_TRUE(run.out.contains(
                QRegularExpression("^Brimtock Wavetable Builder [0-9]+\\.[0-9]+\\.[0-9]+\n$")))
                << run.out.toStdString();
        } else {
            for (const char* word :
                 {"Usage:", " list", " import", " trim", " resample", " normalise", " export",
                  "--folder", "--board", "--force", " cut-start", " trim-silence", "--threshold"}) {
                EXPECT_TRUE(run.out.contains(word)) << word;
            }
        }
    }
    EXPECT_EQ(entries(programFolder.path()), QStringList{"wavetable-builder"});
    EXPECT_EQ(entries(here.path()), QStringList());
    EXPECT_EQ(entries(named.path()), QStringList());
}

// Every operation is reachable from the shell by its one name: the command it is named by
// answers a wrong number of arguments by saying what that command takes.
TEST(CommandNames, EveryOperationIsTheShellCommandOfItsName) {
    test::TempFolder folder;
    QStringList names;
    for (const OperationEntry& operation : operationTable()) {
        const cli::CommandEntry& command = cli::commandFor(operation.operation);
        const QString name = commandName(operation.operation);
        names << name;
        QStringList call = {name};
        if (command.works == cli::Works::OnAFolder) {
            call = QStringList{"--folder", folder.path()} + call;
        }
        if (command.leastArguments == 0) {
            call << "surplus";
        }
        const test::ProgramRun run = runProgram(call);
        EXPECT_EQ(run.exitCode, 2) << name.toStdString();
        EXPECT_TRUE(run.err.startsWith("wavetable-builder: " + name + " takes "))
            << run.err.toStdString();
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), static_cast<qsizetype>(operationTable().size()));
}

TEST(DefaultWorkingFolder, IsTheProgramsOwnFolderWhenNoneIsGiven) {
    test::TempFolder programFolder;
    const QString program = programFolder.file("wavetable-builder");
    ASSERT_TRUE(QFile::copy(test::builtProgram(), program));
    test::TempFolder source;
    test::writeWav8(source.file("beside.wav"), Bytes(20, 100));
    test::TempFolder here;
    ASSERT_EQ(runProgram({"import", "9", source.file("beside.wav")}, here.path(), program).exitCode,
              0);
    EXPECT_EQ(loaded(programFolder.path())[9].name, "beside.wav");
    EXPECT_EQ(entries(here.path()), QStringList());
}

// Qt would abort in its constructor, with a core dump; the program says why and what else
// there is, and touches nothing.
TEST(NoDisplay, TheWindowIsRefusedInOneSentenceWithStatusOne) {
    test::TempFolder fresh;
    test::TempFolder here;
    const QString sentence = "Cannot open the window: no display was found (DISPLAY is not set); "
                             "without a display, use the command line (see wavetable-builder "
                             "--help).\n";
    for (const QStringList& request : {QStringList{}, QStringList{"--folder", fresh.path()}}) {
        SCOPED_TRACE(request.join(' ').toStdString());
        const test::ProgramRun run = runProgram(request, here.path()); // fails if killed
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, sentence);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(entries(fresh.path()), QStringList());
    EXPECT_EQ(entries(here.path()), QStringList()); // no core file either
}

TEST(FolderOption, AloneOpensTheWindowOnThatFolder) {
    test::TempFolder fresh;
    QProcess window;
    QProcessEnvironment environment = test::programEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    window.setProcessEnvironment(environment);
    window.start(test::builtProgram(), {"--folder", fresh.path()});
    ASSERT_TRUE(window.waitForStarted(10000));
    // The window's first start in an empty folder gives it the default kit; the command line
    // would have written nothing.
    const bool kitWritten = test::pollUntil(
        [&] { return QFileInfo::exists(settingsFilePath(fresh.path())); }, 20000, 20);
    const bool stillRunning = !window.waitForFinished(300); // the window stays open
    window.kill();
    window.waitForFinished(5000);
    EXPECT_TRUE(kitWritten);
    EXPECT_TRUE(stillRunning) << window.readAllStandardError().toStdString();
}

} // namespace
} // namespace wtb
