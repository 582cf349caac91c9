#include "common/AtomicFile.h"
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
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace wtb {

using namespace file_steps;

std::string displayPath(const QString& path) {
    return systemPathText(QDir::toNativeSeparators(path));
}

void writeFileAtomically(const QString& path, std::string_view bytes) {
    const QString target = writeTarget(path);
    struct stat old {};
    const bool replacing = ::stat(native(target).constData(), &old) == 0;

    QString temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = besideInFolder(
            target, QStringLiteral(".%1.%2.tmp")
                        .arg(QFileInfo(target).fileName())
                        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        fd = createExclusive(temporary);
        if (fd < 0 && (errno != EEXIST || attempt == 16)) {
            raiseWriteError(path, errno);
        }
    }
    FileDescriptor file(fd);
    try {
        // The new file keeps the permissions the old one had.
        if (replacing && ::fchmod(file.get(), old.st_mode & 07777) != 0) {
            raiseWriteError(path, errno);
        }
        writeSynced(file, bytes, path);
        renameEntry(temporary, target);
    } catch (...) {
        removeEntry(temporary);
        throw;
    }
    syncFolder(folderOf(target));
}

std::string listOfNames(const std::vector<QString>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            list += i + 1 == names.size() ? " and " : ", ";
        }
        list += names[i].toStdString();
    }
    return list;
}

std::string readWholeFile(const QString& path) {
    // O_NONBLOCK: a FIFO put in the file's place must not hold the program at open().
    FileDescriptor file(::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        const PathKind kind = pathKind(path);
        raiseReadError(path, kind == PathKind::Regular || kind == PathKind::Missing
                                 ? std::string(std::strerror(error))
                                 : "it is " + describePathKind(kind) + ", not a regular file");
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        raiseReadError(path, std::strerror(errno));
    }
    if (const PathKind kind = pathKindOfMode(info.st_mode); kind != PathKind::Regular) {
        raiseReadError(path, "it is " + describePathKind(kind) + ", not a regular file");
    }
    std::string content;
    char block[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.get(), block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            raiseReadError(path, std::strerror(errno));
        }
        if (got == 0) {
            return content;
        }
        content.append(block, static_cast<std::size_t>(got));
    }
}

} // namespace wtb
