#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <span>

namespace wtb {

// How libsndfile fared opening a file in a throwaway process.
enum class HeaderProbe {
    Opened, // it returned, with the file or with its own error
    TimedOut,
    Crashed
};

// libsndfile 1.2 can loop forever on a damaged WAV header (a metadata sub-chunk whose size
// wraps its 32-bit count jumps the parser back over the same bytes), and a parser that loops
// or crashes would take the window with it. So the file is opened once in a fresh process,
// the program itself started again with kHeaderProbeArgument (posix_spawn, never a bare fork
// of a process whose other threads may hold locks), which is killed when it outlives
// `limit`; only a file that opens there is opened for real. Raises a sound error when the
// process cannot be started.
HeaderProbe probeSoundHeader(const QString& path, std::chrono::milliseconds limit);

// The first argument that makes a program of this project a header probe:
//   <program> --sound-header-probe <file>
// It is not one of the command line's options and is never shown to the user.
inline constexpr char kHeaderProbeArgument[] = "--sound-header-probe";

// Called first thing in the main of every program that can reach probeSoundHeader (the
// program, the tests, the benchmarks, the fuzz targets): when the arguments ask for a probe,
// opens the file with libsndfile and ends the process at once with _exit, before anything of
// the program runs; otherwise returns and the program goes on.
void answerHeaderProbeIfAsked(int argc, char** argv);

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
