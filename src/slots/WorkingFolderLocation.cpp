#include "slots/WorkingFolderLocation.h"

#include "common/AtomicFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "slots/SlotFault.h"
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

void createFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(systemPathText(folder), error);
    if (error) {
        raise(ErrorKind::File, SlotFault::FolderNotCreated, {{"reason", error.message()}});
    }
}

// The slots are saved through temporary files beside them; a folder that refuses one now
// would lose every change at close.
void checkWritable(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.wavetable-builder-write-check-XXXXXX"));
    if (!probe.open()) {
        raise(ErrorKind::File, SlotFault::FolderRefusesFile,
              {{"reason", probe.errorString().toStdString()}});
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
        raise(ErrorKind::File, SlotFault::NoPerUserFolder);
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
        raiseBecause(error, ErrorKind::File, SlotFault::FolderUnwritable,
                     {{"folder", displayPath(folder)}});
    }
}

} // namespace wtb
