#include "common/FileSteps.h"

#include "common/RegularFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "common/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// Written on the system calls rather than QSaveFile: QSaveFile keeps the last bytes in a buffer
// whose failed flush at commit() still reports success (a full disk leaves an empty file), it
// ignores a failed sync, and its temporary names cannot be listed in a journal.

namespace wtb {

namespace file_steps {

FileFaultHook& faultHook() {
    static FileFaultHook hook;
    return hook;
}

int injectedFault(FileStep step, std::size_t& bytes) {
    return faultHook() ? faultHook()(step, bytes) : 0;
}

int injectedFault(FileStep step) {
    std::size_t none = 0;
    return injectedFault(step, none);
}

QByteArray native(const QString& path) {
    return systemPath(path);
}

[[noreturn]] void raiseWriteError(const QString& path, int error) {
    raise(ErrorKind::File,
          "Cannot write \"" + displayPath(path) + "\": " + std::strerror(error) + ".");
}

[[noreturn]] void raiseReadError(const QString& path, const std::string& reason) {
    raise(ErrorKind::File, "Cannot read \"" + displayPath(path) + "\": " + reason + ".");
}

// 0 or the errno of a failed (or injected) step.
int removeEntry(const QString& path) {
    if (const int fault = injectedFault(FileStep::Remove)) {
        return fault;
    }
    return ::unlink(native(path).constData()) == 0 || errno == ENOENT ? 0 : errno;
}

void removeIfPresent(const QString& path) {
    if (entryExists(path)) {
        removeEntry(path);
    }
}

void renameEntry(const QString& from, const QString& to) {
    int error = injectedFault(FileStep::Rename);
    if (error == 0 && ::rename(native(from).constData(), native(to).constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        raise(ErrorKind::File,
              "Cannot put \"" + displayPath(to) + "\" in place: " + std::strerror(error) + ".");
    }
}

// Makes the folder's entries (new names, renames) durable, as fsync does for a file's data.
void syncFolder(const QString& folder) {
    int error = injectedFault(FileStep::Sync);
    if (error == 0) {
        FileDescriptor dir(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0 || (::fsync(dir.get()) != 0 && errno != EINVAL)) {
            error = errno; // EINVAL: a file system that cannot sync folders, nothing to do
        }
    }
    if (error != 0) {
        raise(ErrorKind::File, "Cannot sync the folder \"" + displayPath(folder) +
                                   "\" to disk: " + std::strerror(error) + ".");
    }
}

int createExclusive(const QString& path) {
    if (const int fault = injectedFault(FileStep::Create)) {
        errno = fault;
        return -1;
    }
    return ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                  0666);
}

// Writes every byte, syncs the data to disk and closes, each step checked. `shown` is the
// file the user knows, named in a failure.
void writeSynced(FileDescriptor& file, std::string_view bytes, const QString& shown) {
    constexpr std::size_t kChunk = 64 * 1024;
    while (!bytes.empty()) {
        std::size_t chunk = std::min(bytes.size(), kChunk);
        if (const int fault = injectedFault(FileStep::Write, chunk)) {
            raiseWriteError(shown, fault);
        }
        const ssize_t written = ::write(file.get(), bytes.data(), chunk);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            raiseWriteError(shown, written < 0 ? errno : EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (const int fault = injectedFault(FileStep::Sync)) {
        raiseWriteError(shown, fault);
    }
    if (::fsync(file.get()) != 0) {
        raiseWriteError(shown, errno);
    }
    if (::close(file.release()) != 0 && errno != EINTR) {
        raiseWriteError(shown, errno);
    }
}

// A file the batch may replace: nothing, or a regular file (a link to one is replaced by the
// new file, the file it named stays as it was).
void requireReplaceable(const QString& path) {
    const PathKind kind = pathKind(path);
    if (kind != PathKind::Missing && kind != PathKind::Regular) {
        raise(ErrorKind::File, "Cannot write \"" + displayPath(path) + "\": it is " +
                                   describePathKind(kind) + ", not a regular file.");
    }
}

// A file that a rename cannot replace although the folder takes new names: one marked
// immutable or append-only (chattr +i, +a). Found before a batch's journal, such a file fails
// the save with every file as it was, instead of in the middle of the renames.
void requireRenameableOver(const QString& path) {
    FileDescriptor file(
        ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    int flags = 0;
    if (file.get() < 0 || ::ioctl(file.get(), FS_IOC_GETFLAGS, &flags) != 0) {
        return; // missing, a link, or a file system without such flags: nothing stands in the way
    }
    if ((flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0) {
        raise(ErrorKind::File, "Cannot replace \"" + displayPath(path) + "\": it is marked " +
                                   ((flags & FS_IMMUTABLE_FL) != 0 ? "immutable" : "append-only") +
                                   " (chattr), so it cannot be changed.");
    }
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

QString besideInFolder(const QString& path, const QString& name) {
    return folderOf(path) + QLatin1Char('/') + name;
}

// The file a write to `path` lands in: the path itself, or the file a link names.
QString writeTarget(const QString& path) {
    requireReplaceable(path);
    const QFileInfo info(path);
    return info.isSymLink() ? info.canonicalFilePath() : path;
}

} // namespace file_steps

void setFileFaultHook(FileFaultHook hook) {
    file_steps::faultHook() = std::move(hook);
}

} // namespace wtb
