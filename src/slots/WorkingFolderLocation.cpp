#include "slots/WorkingFolderLocation.h"

#include "common/AtomicFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "slots/WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace wtb {

namespace {

QString absoluteFolder(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

[[noreturn]] void raiseCannotBeWritten(const QString& folder, const std::string& reason) {
    raise(ErrorKind::File, "The working folder \"" + displayPath(folder) +
                               "\" cannot be written.\n\n" + reason +
                               "\n\nTo keep the slots in a folder you can write, start the "
                               "program with --folder DIR.");
}

void createFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(systemPathText(folder), error);
    if (error) {
        raise(ErrorKind::File, "Cannot create the folder: " + error.message() + ".");
    }
}

// The slots are saved through temporary files beside them; a folder that refuses one now
// would lose every change at close.
void checkWritable(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.wavetable-builder-write-check-XXXXXX"));
    if (!probe.open()) {
        raise(ErrorKind::File,
              "Cannot create a file in it: " + probe.errorString().toStdString() + ".");
    }
}

} // namespace

QString chooseWorkingFolder(const ProgramPlaces& places) {
    if (!places.folderOption.isEmpty()) {
        return absoluteFolder(places.folderOption);
    }
    if (!places.installed) {
        return absoluteFolder(places.programFolder);
    }
    if (places.perUserFolder.isEmpty()) {
        raise(ErrorKind::File, "There is no per-user data folder to keep the slots in. Start the "
                               "program with --folder DIR to keep them in DIR.");
    }
    return absoluteFolder(places.perUserFolder);
}

bool isInstalledProgram(const QString& programFolder, const QString& markerFromProgramFolder) {
    return QFileInfo(QDir(programFolder).filePath(markerFromProgramFolder)).isFile();
}

void prepareWorkingFolder(const QString& folder) {
    try {
        createFolder(folder);
        checkWritable(folder);
        if (isNewWorkingFolder(folder)) {
            createDefaultKit(folder);
        }
    } catch (const RuntimeError& error) {
        raiseCannotBeWritten(folder, error.what());
    }
}

} // namespace wtb
