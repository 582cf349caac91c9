#pragma once

#include <cstdint>

namespace wtb {

// What a loaded sound buffer tells about itself. The program reads these fields and never
// writes them; they are filled when a buffer is created from a file.
struct BufferDesc {
    std::int32_t bufferBytes = 0; // one byte per sample
    std::int32_t sampleRate = 0;  // in Hz
    std::int16_t bitsPerSample = 0;

    bool operator==(const BufferDesc&) const = default;
};

} // namespace wtb
