#include "cli/CommandLine.h"
#include "cli/Operations.h"
#include "window/frmMain.h"

#include <QApplication>

namespace {

int runWindow(int argc, char* argv[], const QString& folderOption) {
    QApplication app(argc, argv);
    wtb::frmMain window(folderOption.isEmpty() ? wtb::cli::defaultWorkingFolder() : folderOption);
    if (!window.Form_Load()) {
        return 1;
    }
    window.show();
    return app.exec();
}

} // namespace

// No arguments, or only --folder DIR: the window. Anything else is the command line's, which
// needs no display.
int main(int argc, char* argv[]) {
    if (const auto folder = wtb::cli::windowFolderRequested(wtb::cli::argumentsOf(argc, argv))) {
        return runWindow(argc, argv, *folder);
    }
    QCoreApplication app(argc, argv);
    return wtb::cli::runCommandLine(QCoreApplication::arguments());
}
