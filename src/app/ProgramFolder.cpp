#include "app/ProgramFolder.h"

#include "app/BuildInfo.h"
#include "slots/WorkingFolderLocation.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace wtb {

QString workingFolderOfProgram(const QString& folderOption) {
    const QString programFolder = QCoreApplication::applicationDirPath();
    return chooseWorkingFolder({
        .folderOption = folderOption,
        .programFolder = programFolder,
        .installed = isInstalledProgram(programFolder, QString::fromUtf8(build::kInstalledMarker)),
        .perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
    });
}

} // namespace wtb
