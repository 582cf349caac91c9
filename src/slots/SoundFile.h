#pragma once

#include <QString>

#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace wtb {

// How a loop of a file's instrument record repeats.
enum class FileLoopMode { Forward, Backward, Alternating, Other };

// A loop as a sound file declares it, in the file's own frames: first and last frame played.
struct FileLoop {
    FileLoopMode mode = FileLoopMode::Forward;
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool operator==(const FileLoop&) const = default;
};

// A sound as the program holds it: unsigned 8-bit mono samples, zero line at 128.
struct Sound8 {
    std::vector<std::uint8_t> bytes;
    std::int32_t sampleRate = 0;
    // What the file itself declared, for carrying its loops over to `bytes`: its rate, its
    // length in frames, and the loops of its instrument record (a WAV's smpl chunk, an AIFF's
    // sustain loop) in the file's order; a loop whose end comes before its start, or of a kind
    // no player knows (Other), is kept as declared, for the caller to refuse. `declaredLoops`
    // is how many loops the file says it holds, more than `loops` when the reader keeps only
    // the first sixteen.
    std::int32_t fileRate = 0;
    std::int64_t fileFrames = 0;
    std::vector<FileLoop> loops;
    std::int64_t declaredLoops = 0;
};

// How a sample in -1..1 becomes a byte: times numerator / denominator, rounded to nearest
// (halves away from zero), moved to the zero line at 128 and clamped to 0..255. The plain
// conversion is 128 / 1; a normalised one is 127 / peak, so the peak lands exactly on 127.
struct SampleScale {
    double numerator = 128.0;
    double denominator = 1.0;
};
std::uint8_t toUnsigned8(double sample, const SampleScale& scale = {});

// How a file is brought in besides the conversion to 8-bit mono.
struct DecodeOptions {
    // The rate to convert to (kLowestTargetRate..kHighestTargetRate); none keeps the file's.
    std::optional<std::int32_t> targetRate;
    // Scale so the largest distance from the zero line becomes 127, judged on the file's
    // full-resolution samples; a silent file stays silent.
    bool normalise = false;
    // The most samples the sound may come out as: the room left in the table beside the other
    // slots. A longer sound is refused from its header, before it is read.
    std::int64_t mostSamples = INT32_MAX;
};

// Reads any sound file libsndfile understands and converts it to 8-bit unsigned mono at the
// file's own rate, or at the target rate: channels averaged, resampled (anti-aliased) when the
// rates differ, rounded to nearest once, clamped. An 8-bit mono file at the rate asked for
// keeps its bytes exactly unless it is normalised. Raises a sound error naming the file when it
// cannot be read or comes out without samples (with a rate that would keep one), a bounds
// error for a target rate outside the range, and a size error, before reading, for a sound
// longer than `mostSamples` or larger than the memory the program can have.
Sound8 decodeSoundFile(const QString& path, const DecodeOptions& options = {});

// The complete bytes of an 8-bit unsigned mono WAV file holding the samples.
std::string encodeWav8(std::span<const std::uint8_t> bytes, std::int32_t sampleRate);

} // namespace wtb
