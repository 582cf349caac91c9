#include "common/RegularFile.h"

#include "common/AtomicFile.h"
#include "common/SystemPath.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace wtb {

PathKind pathKind(const QString& path) {
    const QByteArray native = systemPath(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        const int error = errno;
        if (error == ELOOP) {
            return PathKind::LinkLoop;
        }
        if (error == ENOENT) {
            return entryExists(path) ? PathKind::DanglingLink : PathKind::Missing;
        }
        raise(ErrorKind::File,
              "Cannot examine \"" + displayPath(path) + "\": " + std::strerror(error) + ".");
    }
    return pathKindOfMode(info.st_mode);
}

PathKind pathKindOfMode(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return PathKind::Regular;
    case S_IFDIR:
        return PathKind::Folder;
    case S_IFIFO:
        return PathKind::Fifo;
    case S_IFSOCK:
        return PathKind::Socket;
    case S_IFCHR:
        return PathKind::CharacterDevice;
    case S_IFBLK:
        return PathKind::BlockDevice;
    default:
        return PathKind::Other;
    }
}

std::string describePathKind(PathKind kind) {
    switch (kind) {
    case PathKind::Missing:
        return "missing";
    case PathKind::Regular:
        return "a regular file";
    case PathKind::Folder:
        return "a folder";
    case PathKind::Fifo:
        return "a FIFO (named pipe)";
    case PathKind::Socket:
        return "a socket";
    case PathKind::CharacterDevice:
        return "a character device";
    case PathKind::BlockDevice:
        return "a block device";
    case PathKind::DanglingLink:
        return "a symbolic link to a file that does not exist";
    case PathKind::LinkLoop:
        return "a symbolic link that loops back on itself";
    case PathKind::Other:
        break;
    }
    return "a special file";
}

bool entryExists(const QString& path) {
    struct stat info {};
    return ::lstat(systemPath(path).constData(), &info) == 0;
}

void requireRegularFile(const QString& path, const std::string& what, ErrorKind kind) {
    const PathKind found = pathKind(path);
    if (found == PathKind::Regular) {
        return;
    }
    const std::string named = what + " \"" + displayPath(path) + "\"";
    raise(kind, found == PathKind::Missing
                    ? named + " does not exist."
                    : named + " is " + describePathKind(found) + ", not a regular file.");
}

} // namespace wtb
