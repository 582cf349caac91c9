#include "app/BuildInfo.h"
#include "app/DisplayCheck.h"
#include "app/ProgramFolder.h"
#include "app/TerminationSignals.h"
#include "cli/CommandLine.h"
#include "messages/Messages.h"
#include "slots/SoundHeaderProbe.h"
#include "slots/WorkingFolderLocation.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>

namespace {

void setProgramIdentity() {
    // The per-user data folder and the preferences are found under these names.
    QCoreApplication::setOrganizationName(QStringLiteral("Brimtock"));
    QCoreApplication::setApplicationName(QStringLiteral("Wavetable Builder"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(wtb::build::kVersion));
}

// The desktop entry's icon, built into the program in every size it was rendered in.
QIcon programIcon() {
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), {QStringLiteral("*.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (sizes.hasNext()) {
        icon.addFile(sizes.next());
    }
    return icon;
}

// Reported on the terminal as well, for a start from a shell or a script.
void showStartFailure(const QString& message) {
    std::fputs((message + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    QMessageBox::critical(nullptr, QString::fromUtf8(wtb::build::kProgramName), message);
}

int runWindow(int argc, char* argv[], const QString& folderOption) {
    if (const auto missing = wtb::missingDisplayMessage()) {
        std::fputs((*missing + '\n').c_str(), stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromUtf8(wtb::build::kDesktopId));
    QApplication::setWindowIcon(programIcon());
    wtb::TerminationSignals closeOnSignal([] { QApplication::closeAllWindows(); });
    QString folder;
    try {
        folder = wtb::workingFolderOfProgram(folderOption);
        wtb::prepareWorkingFolder(folder);
    } catch (const std::exception& error) {
        showStartFailure(QString::fromUtf8(error.what()));
        return 1;
    }
    wtb::MainWindow window(folder);
    if (!window.open()) {
        return 1;
    }
    window.show();
    return app.exec();
}

} // namespace

// No arguments, or only --folder DIR: the window. Anything else is the command line's, which
// needs no display and writes nothing unless asked to.
int main(int argc, char* argv[]) {
    wtb::installMessages(); // before anything can fail
    wtb::answerHeaderProbeIfAsked(argc, argv); // the sound file reader's header check
    setProgramIdentity();
    // The arguments as bytes, not as Qt decodes them, so a file name in any encoding comes in.
    const QStringList arguments = wtb::cli::argumentsOf(argc, argv);
    if (const auto folder = wtb::cli::windowFolderRequested(arguments)) {
        return runWindow(argc, argv, *folder);
    }
    QCoreApplication app(argc, argv);
    return wtb::cli::runCommandLine(arguments);
}
