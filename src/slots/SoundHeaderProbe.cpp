#include "slots/SoundHeaderProbe.h"

#include "common/AtomicFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "slots/SlotFault.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace wtb {

namespace {

// The status a probe ends with once libsndfile has returned: a program whose main forgot to
// answer (see answerHeaderProbeIfAsked) ends otherwise, and no file is taken for sound then.
constexpr int kProbeAnswered = 79;
constexpr int kProbeMisused = 80;

using Clock = std::chrono::steady_clock;

// Waits on a pidfd, which becomes readable when the child ends.
bool exitNoticed(int exitNotice, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd watch{exitNotice, POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(std::max<std::int64_t>(left, 0)));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

// For a kernel or sandbox without pidfds: looks, without reaping, at growing intervals.
bool exitSeen(pid_t child, Clock::time_point deadline) {
    auto pause = std::chrono::microseconds(100);
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == child) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

} // namespace

void answerHeaderProbeIfAsked(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], kHeaderProbeArgument) != 0) {
        return;
    }
    if (argc != 3) {
        ::_exit(kProbeMisused);
    }
    SF_INFO info{};
    if (SNDFILE* file = sf_open(argv[2], SFM_READ, &info)) {
        sf_close(file);
    }
    // _exit: no static destructor, leak check or buffered output of the program runs.
    ::_exit(kProbeAnswered);
}

namespace {

// The program this process runs, started again; /proc/self/exe still names it after an
// upgrade has replaced the file on disk.
constexpr char kSelf[] = "/proc/self/exe";

// Starts the probe with nothing of this process but its environment: standard input and
// output on /dev/null (the command line's output stays its own), standard error shared for a
// crash report, every other descriptor closed, every signal at its default and none blocked.
pid_t startProbe(const QString& path) {
    std::string self = kSelf;
    std::string argument = kHeaderProbeArgument;
    QByteArray file = systemPath(path);
    char* const arguments[] = {self.data(), argument.data(), file.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = -1;
    const int error = ::posix_spawn(&child, kSelf, &actions, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        raise(ErrorKind::Sound, SlotFault::HeaderCheckNotStarted,
              {{"file", displayPath(path)}, {"reason", std::strerror(error)}});
    }
    return child;
}

} // namespace

HeaderProbe probeSoundHeader(const QString& path, std::chrono::milliseconds limit) {
    const pid_t child = startProbe(path);
    // Waited for rather than timed by a signal: the parent's signal mask and handlers stay its own.
    const auto deadline = Clock::now() + limit;
    const int exitNotice = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    const bool ended =
        exitNotice >= 0 ? exitNoticed(exitNotice, deadline) : exitSeen(child, deadline);
    if (exitNotice >= 0) {
        ::close(exitNotice);
    }
    if (!ended) {
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ended) {
        return HeaderProbe::TimedOut;
    }
    // A crash under the sanitizers ends with a status rather than a signal.
    return WIFEXITED(status) && WEXITSTATUS(status) == kProbeAnswered ? HeaderProbe::Opened
                                                                      : HeaderProbe::Crashed;
}

namespace {

std::uint32_t littleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
           std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

bool hasTag(std::span<const std::uint8_t> bytes, std::size_t at, const char (&tag)[5]) {
    return std::memcmp(bytes.data() + at, tag, 4) == 0;
}

constexpr std::size_t kPlainHeaderBytes = 44;
constexpr std::uint16_t kPcmFormat = 1;

} // namespace

bool isPlainPcmWavHeader(std::span<const std::uint8_t> head, std::int64_t fileSize) {
    if (head.size() < kPlainHeaderBytes || !hasTag(head, 0, "RIFF") || !hasTag(head, 8, "WAVE") ||
        !hasTag(head, 12, "fmt ") || littleEndian32(head, 16) != 16 ||
        (head[20] | head[21] << 8) != kPcmFormat || !hasTag(head, 36, "data")) {
        return false;
    }
    // Past the data the reader looks for more chunks unless fewer than 4 bytes are left.
    const std::int64_t dataSize = littleEndian32(head, 40);
    return std::int64_t(kPlainHeaderBytes) + dataSize + 4 >= fileSize;
}

HeaderProbe probeUnlessPlain(const QString& path, std::chrono::milliseconds limit) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(kPlainHeaderBytes);
        const std::span<const std::uint8_t> bytes(
            reinterpret_cast<const std::uint8_t*>(head.constData()), std::size_t(head.size()));
        if (isPlainPcmWavHeader(bytes, file.size())) {
            return HeaderProbe::Opened;
        }
    }
    return probeSoundHeader(path, limit);
}

} // namespace wtb
