#pragma once

#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace wtb::test {

// A PulseAudio server of this process's own, whose only sink writes what it plays to a FIFO as
// unsigned 8-bit mono at 8000 Hz. Starting it points this process's sound clients at it, so
// it must start before anything in the process has touched the sound system.
class PrivateSoundServer {
public:
    static constexpr int kRate = 8000;

    PrivateSoundServer() = default;
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the server and the FIFO reader; nothing when it started, otherwise why not.
    std::optional<std::string> start();

    // Everything the sink has played since start(), silence included.
    std::vector<std::uint8_t> capture() const;

    // Stops the reader and kills the server.
    void stop();

private:
    void readFifo(int fd);

    QTemporaryDir runtimeDir_;
    QTemporaryDir homeDir_;
    long pid_ = 0;
    std::thread reader_;
    std::atomic<bool> stopReading_{false};
    mutable std::mutex captureMutex_;
    std::vector<std::uint8_t> capture_;
};

// Where `needle` first starts inside `haystack` at or after `from`, if it does.
std::optional<std::size_t> findBytes(std::span<const std::uint8_t> haystack,
                                     std::span<const std::uint8_t> needle, std::size_t from = 0);

} // namespace wtb::test
