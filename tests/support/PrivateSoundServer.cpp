#include "support/PrivateSoundServer.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <algorithm>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace wtb::test {

PrivateSoundServer::~PrivateSoundServer() {
    stop();
}

std::optional<std::string> PrivateSoundServer::start() {
    if (!runtimeDir_.isValid() || !homeDir_.isValid()) {
        return "cannot create the server's temporary folders";
    }
    const QString runtime = runtimeDir_.path();
    const QString fifo = runtime + "/sink.fifo";
    // The sound clients of this process find the server through these.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("HOME", QFile::encodeName(homeDir_.path()));
    qputenv("PULSE_SERVER", QFile::encodeName("unix:" + runtime + "/pulse/native"));

    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start("pulseaudio", {"-n", "--daemonize=yes", "--exit-idle-time=-1", "-L",
                                "module-native-protocol-unix", "-L",
                                "module-pipe-sink file=" + fifo +
                                    " sink_name=pipesink format=u8 rate=8000 channels=1"
                                    " use_system_clock_for_timing=yes"});
    if (!server.waitForStarted(5000)) {
        return "pulseaudio could not be run: " + server.errorString().toStdString();
    }
    if (!server.waitForFinished(10000) || server.exitCode() != 0) {
        return "pulseaudio did not start: " + server.readAll().toStdString();
    }
    QFile pidFile(runtime + "/pulse/pid");
    if (!pidFile.open(QIODevice::ReadOnly)) {
        return "pulseaudio left no pid file";
    }
    pid_ = pidFile.readAll().trimmed().toLong();
    if (pid_ <= 0) {
        return "pulseaudio's pid file is unreadable";
    }
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        stop();
        return "the sink's FIFO cannot be opened";
    }
    stopReading_ = false;
    reader_ = std::thread([this, fd] { readFifo(fd); });
    return std::nullopt;
}

void PrivateSoundServer::readFifo(int fd) {
    std::uint8_t block[4096];
    while (!stopReading_) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0) {
            continue;
        }
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got > 0) {
            const std::lock_guard lock(captureMutex_);
            capture_.insert(capture_.end(), block, block + got);
        }
    }
    ::close(fd);
}

std::vector<std::uint8_t> PrivateSoundServer::capture() const {
    const std::lock_guard lock(captureMutex_);
    return capture_;
}

void PrivateSoundServer::stop() {
    if (reader_.joinable()) {
        stopReading_ = true;
        reader_.join();
    }
    if (pid_ > 0) {
        ::kill(static_cast<pid_t>(pid_), SIGTERM);
        // The daemon is not our child: watch for it to go away.
        const QString proc = "/proc/" + QString::number(pid_) + "/stat";
        const auto gone = [&] {
            QFile stat(proc);
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        };
        if (!pollUntil(gone, 3000, 10)) {
            ::kill(static_cast<pid_t>(pid_), SIGKILL);
        }
        pid_ = 0;
    }
}

std::optional<std::size_t> findBytes(std::span<const std::uint8_t> haystack,
                                     std::span<const std::uint8_t> needle, std::size_t from) {
    if (from > haystack.size()) {
        return std::nullopt;
    }
    const auto found = std::search(haystack.begin() + static_cast<std::ptrdiff_t>(from),
                                   haystack.end(), needle.begin(), needle.end());
    if (found == haystack.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - haystack.begin());
}

} // namespace wtb::test
