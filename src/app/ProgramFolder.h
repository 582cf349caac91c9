#pragma once

#include <QString>

namespace wtb {

// The working folder of this run of the program: the folder given with --folder
// (`folderOption`, empty when none), else the per-user data folder when the program is
// installed, else the executable's folder. Needs the application object; raises when the
// per-user folder is needed and unknown.
QString workingFolderOfProgram(const QString& folderOption);

} // namespace wtb
