#pragma once

#include "slots/BufferDesc.h"

#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wtb {

class SoundDevice;

// One slot's sound: unsigned 8-bit mono samples at a sample rate. Made by the sound device
// from a file, copied out byte for byte, played once, and saved to a file that loads back to
// the same bytes.
class SoundBuffer {
public:
    SoundBuffer(SoundDevice& device, std::vector<std::uint8_t> bytes, std::int32_t sampleRate);

    BufferDesc description() const;

    // Every byte of the buffer, in order, into `destination`, which must hold exactly
    // the buffer's size.
    void ReadBuffer(std::span<std::uint8_t> destination) const;

    // Read-only view of the samples, for readers that need no copy of their own.
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    // Starts playing the whole buffer once and returns at once.
    void Play() const;

    // Writes an 8-bit unsigned mono WAV file atomically.
    void SaveToFile(const QString& path) const;

    // The complete bytes of that WAV file, for saving it together with others.
    std::string wavFileBytes() const;

private:
    SoundDevice* device_;
    std::vector<std::uint8_t> bytes_;
    std::int32_t sampleRate_;
};

} // namespace wtb
