#include "export/SketchDestination.h"

#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "common/SystemPath.h"
#include "export/ExportFault.h"
#include "export/PlayerSketchWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace wtb {

namespace {

[[noreturn]] void refuse(const QString& path, ExportFault fault, Facts facts) {
    facts.add("file", displayPath(path));
    raise(ErrorKind::File, fault, std::move(facts));
}

// A folder the export adds an entry to: it must be there, be a folder and take new entries.
void requireWritableFolder(const QString& path, const QString& folder) {
    const PathKind kind = pathKind(folder);
    if (kind == PathKind::Missing) {
        refuse(path, ExportFault::DestinationFolderMissing, {{"folder", displayPath(folder)}});
    }
    if (kind != PathKind::Folder) {
        refuse(path, ExportFault::DestinationFolderNotFolder,
               {{"folder", displayPath(folder)}, {"kind", describePathKind(kind)}});
    }
    if (::access(systemPath(folder).constData(), W_OK | X_OK) != 0) {
        refuse(path, ExportFault::DestinationFolderClosed, {{"reason", std::strerror(errno)}});
    }
}

// A file the export replaces: nothing there, or a regular file (a link to one is written
// through, into the folder of the file it names).
void requireReplaceableFile(const QString& path) {
    const PathKind kind = pathKind(path);
    if (kind != PathKind::Missing && kind != PathKind::Regular) {
        refuse(path, ExportFault::DestinationNotFile, {{"kind", describePathKind(kind)}});
    }
}

QString folderOf(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? QFileInfo(info.canonicalFilePath()).absolutePath()
                            : info.absolutePath();
}

} // namespace

void checkSketchDestination(const QString& path) {
    requireWritableFolder(path, QFileInfo(path).absolutePath());
    requireReplaceableFile(path);
    requireWritableFolder(path, folderOf(path));
}

void checkPlayerSketchDestination(const QString& folder) {
    const QString file = playerSketchFile(folder);
    QString existing = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    while (!entryExists(existing) && QFileInfo(existing).absolutePath() != existing) {
        existing = QFileInfo(existing).absolutePath();
    }
    requireWritableFolder(file, existing);
    requireReplaceableFile(file);
    requireReplaceableFile(playerHeaderFile(folder));
}

} // namespace wtb
