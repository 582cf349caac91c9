#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <span>

namespace wtb {

// How libsndfile fared opening a file in a throwaway child process.
enum class HeaderProbe {
    Opened, // it returned, with the file or with its own error
    TimedOut,
    Crashed
};

// libsndfile 1.2 can loop forever on a damaged WAV header (a metadata sub-chunk whose size
// wraps its 32-bit count jumps the parser back over the same bytes), and a parser that loops
// or crashes would take the window with it. So the file is opened once in a forked child that
// is killed when it outlives `limit`; only a file that opens there is opened for real.
HeaderProbe probeSoundHeader(const QString& path, std::chrono::milliseconds limit);

// True when `head` (a file's first 44 bytes or fewer) starts a plain PCM WAV file of
// `fileSize` bytes: a 16-byte "fmt " chunk, then a "data" chunk that runs to the end of the
// file. libsndfile reads such a header straight through, so it needs no probe; the program's
// own slot files are all like this, which keeps the start free of child processes.
bool isPlainPcmWavHeader(std::span<const std::uint8_t> head, std::int64_t fileSize);

// Probes the file unless its header is plain; `isPlainPcmWavHeader` above.
HeaderProbe probeUnlessPlain(const QString& path, std::chrono::milliseconds limit);

// How long a header may take: far above the few milliseconds a real one needs, even under
// the sanitizers, and short enough that a damaged file costs the user a moment.
inline constexpr std::chrono::milliseconds kHeaderTimeLimit{3000};

} // namespace wtb
