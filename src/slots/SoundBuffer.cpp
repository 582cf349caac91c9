#include "slots/SoundBuffer.h"

#include "common/CheckedInt.h"
#include "slots/SoundFile.h"

#include <algorithm>

namespace wtb {

SoundBuffer::SoundBuffer(std::vector<std::uint8_t> bytes, std::int32_t sampleRate)
    : bytes_(std::move(bytes)), sampleRate_(sampleRate) {
    toInt32Checked(bytes_.size(), "A sound buffer size");
}

BufferDesc SoundBuffer::description() const {
    return BufferDesc{static_cast<std::int32_t>(bytes_.size()), sampleRate_, 8};
}

void SoundBuffer::ReadBuffer(std::span<std::uint8_t> destination) const {
    if (destination.size() != bytes_.size()) {
        raise(ErrorKind::Bounds, "A copy of a sound buffer of " + std::to_string(bytes_.size()) +
                                     " bytes was asked into an array of " +
                                     std::to_string(destination.size()) + " bytes.");
    }
    std::copy(bytes_.begin(), bytes_.end(), destination.begin());
}

std::string SoundBuffer::wavFileBytes() const {
    return encodeWav8(Sound8{bytes_, sampleRate_});
}

} // namespace wtb
