#include "common/AtomicFile.h"
#include "common/FileDescriptor.h"

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

std::string displayPath(const QString& path) {
    return systemPathText(QDir::toNativeSeparators(path));
}

namespace {

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

} // namespace

void setFileFaultHook(FileFaultHook hook) {
    faultHook() = std::move(hook);
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

QString batchTemporaryName(const QString& fileName) {
    return QLatin1Char('.') + fileName + QStringLiteral(".new");
}

namespace {

constexpr std::string_view kJournalHeader = "Brimtock Wavetable Builder save journal";
constexpr std::string_view kJournalEnd = "end of journal, files: ";

QString journalTemporary(const QString& journal) {
    return journal + QStringLiteral(".new");
}

std::string journalText(const std::vector<QString>& names) {
    std::string text(kJournalHeader);
    text += '\n';
    for (const QString& name : names) {
        text += name.toStdString() + '\n';
    }
    text += std::string(kJournalEnd) + std::to_string(names.size()) + '\n';
    return text;
}

// The names a journal lists, or nothing when it is incomplete or names a file that is not
// one of `allowed`.
std::optional<std::vector<QString>> journalNames(std::string_view text,
                                                 const std::vector<QString>& allowed) {
    const std::vector<std::string_view> lines = splitTextLines(text);
    if (lines.size() < 2 || lines.front() != kJournalHeader ||
        lines.back() != std::string(kJournalEnd) + std::to_string(lines.size() - 2)) {
        return std::nullopt;
    }
    std::vector<QString> names;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const QString name = QString::fromStdString(std::string(lines[i]));
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            return std::nullopt;
        }
        names.push_back(name);
    }
    return names;
}

} // namespace

AtomicFileBatch::AtomicFileBatch(const QString& journalPath)
    : folder_(folderOf(journalPath)), journal_(journalPath) {}

AtomicFileBatch::~AtomicFileBatch() {
    if (!renaming_) {
        discard();
    }
}

void AtomicFileBatch::discard() {
    // The journal goes first: once it is gone no start takes the temporaries for a save.
    if (journalPlaced_) {
        removeEntry(journal_);
    }
    removeIfPresent(journalTemporary(journal_));
    for (const QString& name : names_) {
        removeIfPresent(folder_ + QLatin1Char('/') + batchTemporaryName(name));
    }
}

void AtomicFileBatch::write(const QString& fileName, std::string_view bytes) {
    const QString path = folder_ + QLatin1Char('/') + fileName;
    requireReplaceable(path);
    const QString temporary = folder_ + QLatin1Char('/') + batchTemporaryName(fileName);
    if (const int error = entryExists(temporary) ? removeEntry(temporary) : 0) {
        raiseWriteError(temporary, error);
    }
    names_.push_back(fileName);
    FileDescriptor file(createExclusive(temporary));
    if (file.get() < 0) {
        raiseWriteError(path, errno);
    }
    writeSynced(file, bytes, path);
}

void AtomicFileBatch::commit() {
    for (const QString& name : names_) {
        requireRenameableOver(folder_ + QLatin1Char('/') + name);
    }
    syncFolder(folder_); // the temporaries' names are on disk before the journal lists them
    const QString journalNew = journalTemporary(journal_);
    FileDescriptor journal(createExclusive(journalNew));
    if (journal.get() < 0) {
        raiseWriteError(journal_, errno);
    }
    writeSynced(journal, journalText(names_), journal_);
    renameEntry(journalNew, journal_);
    journalPlaced_ = true;
    syncFolder(folder_);

    renaming_ = true; // from here on the batch is finished forwards, never rolled back
    for (const QString& name : names_) {
        renameEntry(folder_ + QLatin1Char('/') + batchTemporaryName(name),
                    folder_ + QLatin1Char('/') + name);
    }
    syncFolder(folder_);
    // Every file is in place; a journal left behind only names temporaries that are gone.
    if (removeEntry(journal_) == 0) {
        try {
            syncFolder(folder_);
        } catch (const RuntimeError&) {
        }
    }
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

namespace {

// A journal that could not be finished: what stands where, for the user. `placedNow` counts
// the files this start put in place (the others in `inPlace` were placed by the cut-off save).
[[noreturn]] void raiseUnfinished(const RuntimeError& cause, const std::vector<QString>& inPlace,
                                  const std::vector<QString>& notInPlace, std::size_t placedNow) {
    std::string message = std::string(cause.what()) + " ";
    if (notInPlace.empty()) {
        message += "Every file of the interrupted save is in place (" + listOfNames(inPlace) +
                   "); the next start completes it.";
    } else if (inPlace.empty()) {
        message += "No file of the interrupted save is in place yet: " + listOfNames(notInPlace) +
                   " still hold what they held before it; the next start tries again.";
    } else {
        message += "Of the interrupted save, " + listOfNames(inPlace) +
                   (inPlace.size() == 1 ? " is" : " are") + " in place; " +
                   listOfNames(notInPlace) +
                   (notInPlace.size() == 1 ? " still holds" : " still hold") +
                   " what it held before it; the next start tries again.";
    }
    if (placedNow > 0) {
        throw FilesChangedError(cause.kind(), message);
    }
    raise(cause.kind(), message);
}

} // namespace

std::vector<QString> finishOrDiscardBatch(const QString& journalPath,
                                          const std::vector<QString>& fileNames) {
    const QString folder = folderOf(journalPath);
    const auto inFolder = [&](const QString& name) { return folder + QLatin1Char('/') + name; };
    std::vector<QString> placedNow;
    if (entryExists(journalPath)) {
        const auto names = journalNames(readWholeFile(journalPath), fileNames);
        if (names) {
            std::vector<QString> inPlace; // a missing temporary was renamed before the cut
            for (std::size_t i = 0; i < names->size(); ++i) {
                const QString& name = (*names)[i];
                const QString temporary = inFolder(batchTemporaryName(name));
                if (!entryExists(temporary)) {
                    inPlace.push_back(name);
                    continue;
                }
                try {
                    renameEntry(temporary, inFolder(name));
                } catch (const RuntimeError& error) {
                    std::vector<QString> notInPlace;
                    for (std::size_t j = i; j < names->size(); ++j) {
                        (entryExists(inFolder(batchTemporaryName((*names)[j]))) ? notInPlace
                                                                                : inPlace)
                            .push_back((*names)[j]);
                    }
                    raiseUnfinished(error, inPlace, notInPlace, placedNow.size());
                }
                placedNow.push_back(name);
                inPlace.push_back(name);
            }
            try {
                syncFolder(folder);
            } catch (const RuntimeError& error) {
                raiseUnfinished(error, inPlace, {}, placedNow.size());
            }
        }
        if (const int error = removeEntry(journalPath)) {
            try {
                raiseWriteError(journalPath, error);
            } catch (const RuntimeError& cause) {
                if (!names) {
                    throw;
                }
                raiseUnfinished(cause, *names, {}, placedNow.size());
            }
        }
    }
    removeIfPresent(journalTemporary(journalPath));
    for (const QString& name : fileNames) {
        removeIfPresent(inFolder(batchTemporaryName(name)));
    }
    return placedNow;
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
