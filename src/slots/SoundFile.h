#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace wtb {

// A sound as the program holds it: unsigned 8-bit mono samples, zero line at 128.
struct Sound8 {
    std::vector<std::uint8_t> bytes;
    std::int32_t sampleRate = 0;
};

// Reads any sound file libsndfile understands and converts it to 8-bit unsigned mono at the
// file's own rate: channels averaged, rounded to nearest, clamped. An 8-bit mono file keeps
// its bytes exactly. Raises a sound error naming the file when it cannot be read.
Sound8 decodeSoundFile(const QString& path);

// The complete bytes of an 8-bit unsigned mono WAV file holding `sound`.
std::string encodeWav8(const Sound8& sound);

} // namespace wtb
