#include "slots/WorkingFolderLock.h"

#include "common/AtomicFile.h"
#include "common/RuntimeError.h"

#include <QDir>
#include <QLockFile>
#include <QStorageInfo>

namespace wtb {

QString WorkingFolderLock::lockFilePath(const QString& folder) {
    return folder + QDir::separator() + QStringLiteral(".wavetable-builder.lock");
}

WorkingFolderLock::WorkingFolderLock(const QString& folder)
    : lock_(std::make_unique<QLockFile>(lockFilePath(folder))) {
    // A lock is never stale by age: a window may stay open for days. It is stale only when
    // the process that wrote it is gone.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        return;
    }
    const std::string named = "The working folder \"" + displayPath(folder) + "\"";
    switch (lock_->error()) {
    case QLockFile::LockFailedError:
        raise(ErrorKind::File, named + " is already open in another window.");
    case QLockFile::PermissionError:
        raise(ErrorKind::File, named +
                                   " cannot be opened: there is no permission to create the "
                                   "lock file \"" +
                                   displayPath(lockFilePath(folder)) + "\" in it.");
    default: {
        // QLockFile keeps the reason to itself; a full disk is the usual one.
        const QStorageInfo storage(folder);
        const bool full = storage.isValid() && storage.bytesAvailable() < 4096;
        raise(ErrorKind::File, named + " cannot be opened: its lock file \"" +
                                   displayPath(lockFilePath(folder)) + "\" cannot be written" +
                                   (full ? " because the disk is full." : "."));
    }
    }
}

WorkingFolderLock::~WorkingFolderLock() = default; // QLockFile removes the file it holds

} // namespace wtb
