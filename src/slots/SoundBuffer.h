#pragma once

#include "slots/BufferDesc.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wtb {

// One slot's sound: unsigned 8-bit mono samples at a sample rate. Made from a file by the
// sound device, copied out byte for byte, and encoded as a file that loads back to the same
// bytes. It holds nothing but its samples, so it can outlive whatever made it.
class SoundBuffer {
public:
    SoundBuffer(std::vector<std::uint8_t> bytes, std::int32_t sampleRate);

    BufferDesc description() const;

    // Every byte of the buffer, in order, into `destination`, which must hold exactly
    // the buffer's size.
    void ReadBuffer(std::span<std::uint8_t> destination) const;

    // Read-only view of the samples, for readers that need no copy of their own.
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::int32_t sampleRate() const { return sampleRate_; }

    // The complete bytes of an 8-bit unsigned mono WAV file holding the buffer.
    std::string wavFileBytes() const;

private:
    std::vector<std::uint8_t> bytes_;
    std::int32_t sampleRate_;
};

} // namespace wtb
