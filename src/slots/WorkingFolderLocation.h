#pragma once

#include <QString>

namespace wtb {

// What the choice of working folder depends on.
struct ProgramPlaces {
    QString folderOption;  // the folder given with --folder; empty when none was given
    QString programFolder; // the folder of the program's executable
    bool installed = false;
    QString perUserFolder; // the per-user data folder of the program
};

// The folder that holds the slots. A folder given with --folder always wins. An installed
// program keeps them in the per-user folder and never writes beside its executable, which may
// be shared and read-only; run from its build tree or copied somewhere as a single file, it
// keeps them beside itself, as it always has. The result is absolute; raises when the
// per-user folder is needed and unknown.
QString chooseWorkingFolder(const ProgramPlaces& places);

// True when the program's installation put its marker at `markerFromProgramFolder`, a path
// relative to the program's folder. The marker moves with the prefix, so any prefix works.
bool isInstalledProgram(const QString& programFolder, const QString& markerFromProgramFolder);

// Readies the working folder before the slots are loaded: creates it when missing, makes sure
// a file can be written in it, and gives a new folder the default kit. Raises, saying that the
// folder cannot be written, naming it and --folder, when any of this fails.
void prepareWorkingFolder(const QString& folder);

} // namespace wtb
