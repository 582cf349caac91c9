#include "slots/WorkingFolderLock.h"

#include "common/AtomicFile.h"
#include "common/FileDescriptor.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "common/TextLines.h"
#include "slots/SlotFault.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace wtb {

namespace {

constexpr std::string_view kProcessKey = "process ";
constexpr std::string_view kHostKey = "host ";
constexpr std::string_view kBootKey = "boot ";
constexpr std::string_view kRoleKey = "holder ";
constexpr std::string_view kWindowRole = "window";
constexpr std::string_view kCommandRole = "command";

std::string trimmedLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::string bootId() {
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return trimmedLine(file.readAll().toStdString());
}

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

// The file as the holder left it; what a holder writes is a few dozen bytes.
std::string readHolderText(int fd) {
    char text[1024];
    const ssize_t got = ::pread(fd, text, sizeof text, 0);
    return got > 0 ? std::string(text, static_cast<std::size_t>(got)) : std::string();
}

// A holder writes its name right after it takes the lock; a moment's patience lets the
// message name it instead of showing a file it had not written yet.
std::optional<LockHolder> holderOf(int fd) {
    for (int attempt = 0;; ++attempt) {
        std::optional<LockHolder> holder = parseLockHolder(readHolderText(fd));
        if ((holder && holder->processId > 0) || attempt == 10) {
            return holder;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Whether the open file is still the one the path names: a holder that removed a file it
// could not write leaves a file that no longer locks anything.
bool stillNamedBy(int fd, const QByteArray& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Writes the holder's name over whatever an earlier holder left; 0 or the errno.
int writeHolder(int fd, LockRole role) {
    const std::string text = lockHolderText(thisProcessAsHolder(role));
    if (::ftruncate(fd, 0) != 0) {
        return errno;
    }
    const ssize_t written = ::pwrite(fd, text.data(), text.size(), 0);
    if (written < 0) {
        return errno;
    }
    return static_cast<std::size_t>(written) == text.size() ? 0 : ENOSPC;
}

} // namespace

std::optional<LockHolder> parseLockHolder(std::string_view content) {
    LockHolder holder;
    bool any = false;
    for (const std::string_view line : splitTextLines(content)) {
        if (line.starts_with(kProcessKey)) {
            const std::string_view digits = line.substr(kProcessKey.size());
            long long id = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), id);
            if (error == std::errc() && end == digits.data() + digits.size() && id > 0) {
                holder.processId = id;
                any = true;
            }
        } else if (line.starts_with(kHostKey) && line.size() > kHostKey.size()) {
            holder.host = std::string(line.substr(kHostKey.size()));
            any = true;
        } else if (line.starts_with(kBootKey) && line.size() > kBootKey.size()) {
            holder.bootId = std::string(line.substr(kBootKey.size()));
            any = true;
        } else if (line.starts_with(kRoleKey)) {
            const std::string_view role = line.substr(kRoleKey.size());
            if (role == kWindowRole || role == kCommandRole) {
                holder.role = role == kWindowRole ? LockRole::Window : LockRole::Command;
            }
        }
    }
    return any ? std::optional<LockHolder>(holder) : std::nullopt;
}

std::string lockHolderText(const LockHolder& holder) {
    std::string text = std::string(kProcessKey) + std::to_string(holder.processId) + '\n';
    if (!holder.host.empty()) {
        text += std::string(kHostKey) + holder.host + '\n';
    }
    if (!holder.bootId.empty()) {
        text += std::string(kBootKey) + holder.bootId + '\n';
    }
    if (holder.role) {
        text += std::string(kRoleKey) +
                std::string(*holder.role == LockRole::Window ? kWindowRole : kCommandRole) + '\n';
    }
    return text;
}

LockHolder thisProcessAsHolder(LockRole role) {
    return {static_cast<long long>(::getpid()), hostName(), bootId(), role};
}

Facts lockHolderFacts(const std::optional<LockHolder>& holder, const LockHolder& self) {
    if (!holder || holder->processId <= 0) {
        return {};
    }
    if (!holder->host.empty() && !self.host.empty() && holder->host != self.host) {
        return {{"process", holder->processId}, {"host", holder->host}};
    }
    // The same machine in another boot: the file is older than the lock, its id is not the
    // holder's.
    if (!holder->bootId.empty() && !self.bootId.empty() && holder->bootId != self.bootId) {
        return {};
    }
    return {{"process", holder->processId}};
}

QString WorkingFolderLock::lockFilePath(const QString& folder) {
    return folder + QDir::separator() + QStringLiteral(".wavetable-builder.lock");
}

WorkingFolderLock::WorkingFolderLock(const QString& folder, LockRole role) {
    const QString path = lockFilePath(folder);
    const QByteArray native = systemPath(path);
    const Facts named{{"folder", displayPath(folder)}, {"file", displayPath(path)}};
    const auto refuse = [&](int error) {
        if (error == EACCES || error == EPERM) {
            raise(ErrorKind::File, SlotFault::LockNotPermitted, named);
        }
        if (error == ENOSPC || error == EDQUOT) {
            raise(ErrorKind::File, SlotFault::LockDiskFull, named);
        }
        Facts facts = named;
        facts.add("reason", std::strerror(error));
        raise(ErrorKind::File, SlotFault::LockNotWritable, std::move(facts));
    };
    for (;;) {
        // Created if missing, never truncated: an existing file may be another holder's.
        // O_NONBLOCK: a FIFO in its place must not hold the start.
        bool created = true;
        bool writable = true;
        int fd = ::open(native.constData(),
                        O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd < 0 && errno == EEXIST) {
            created = false;
            fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (fd < 0 && errno == EACCES) {
                // Left by another user: it can still be locked, only not written.
                writable = false;
                fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            }
            if (fd < 0 && errno == ENOENT) {
                continue; // removed between the two opens
            }
        }
        if (fd < 0) {
            refuse(errno);
        }
        FileDescriptor file(fd);
        struct stat info {};
        if (::fstat(file.get(), &info) != 0) {
            refuse(errno);
        }
        if (!S_ISREG(info.st_mode)) {
            raise(ErrorKind::File, SlotFault::LockNotRegular, named);
        }
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                const std::optional<LockHolder> holder = holderOf(file.get());
                Facts facts = lockHolderFacts(holder, thisProcessAsHolder());
                facts.add("folder", displayPath(folder));
                raise(ErrorKind::File,
                      holder && holder->role == LockRole::Command ? SlotFault::FolderBusyWithCommand
                                                                  : SlotFault::FolderOpenElsewhere,
                      std::move(facts));
            }
            refuse(errno);
        }
        if (!stillNamedBy(file.get(), native)) {
            continue; // locked a file its holder had just removed: the lock is the new file's
        }
        if (const int error = writable ? writeHolder(file.get(), role) : 0; error != 0) {
            // A full disk: the window could save nothing either. The lock is still held, so
            // removing the file it made is safe (see stillNamedBy).
            if (created) {
                ::unlink(native.constData());
            }
            refuse(error);
        }
        fd_ = file.release();
        path_ = path;
        created_ = created;
        break;
    }
    // Left by a lock of an earlier version of the program that was cut short; it means nothing.
    ::unlink(systemPath(path + QStringLiteral(".rmlock")).constData());
}

WorkingFolderLock::~WorkingFolderLock() {
    // Closing the file drops the lock. The file stays unless this lock made it for a folder
    // then refused: removed only while held (see stillNamedBy), it cannot be locked unseen.
    if (removeOnRelease_ && created_) {
        ::unlink(systemPath(path_).constData());
    }
    ::close(fd_);
}

} // namespace wtb
