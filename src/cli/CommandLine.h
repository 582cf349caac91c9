#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace wtb::cli {

// The exit statuses of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;     // the operation failed; the reason is on stderr
inline constexpr int kExitUsageError = 2; // not understood; the reason and the usage on stderr

// The program's arguments, argv[0] first, each as pathFromSystem decodes it, so a file name in
// any encoding comes through whole.
QStringList argumentsOf(int argc, char* argv[]);

// When the arguments ask for the window (none at all, or only --folder DIR): the folder to open
// it on, empty for the usual one. Nothing when they name a command, ask for the help or the
// version, or are not understood: those are the command line's to answer.
std::optional<QString> windowFolderRequested(const QStringList& arguments);

// Answers the arguments (argv[0] first) and gives the exit status. Needs a QCoreApplication;
// never a display or a sound server.
int runCommandLine(const QStringList& arguments);

} // namespace wtb::cli
