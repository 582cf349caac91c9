#include "slots/SoundDevice.h"

#include "slots/SoundBuffer.h"
#include "slots/SoundFile.h"
#include "slots/SoundOutput.h"

namespace wtb {

SoundDevice::SoundDevice() = default;
SoundDevice::~SoundDevice() = default;

std::unique_ptr<SoundBuffer> SoundDevice::CreateSoundBufferFromFile(const QString& path,
                                                                    BufferDesc& desc) {
    Sound8 sound = decodeSoundFile(path);
    auto buffer = std::make_unique<SoundBuffer>(*this, std::move(sound.bytes), sound.sampleRate);
    desc = buffer->description();
    return buffer;
}

void SoundDevice::play(std::span<const std::uint8_t> samples, std::int32_t sampleRate) {
    if (!output_) {
        output_ = std::make_unique<SoundOutput>();
    }
    output_->play(samples, sampleRate);
}

bool SoundDevice::isPlaying() const {
    return output_ && output_->isPlaying();
}

} // namespace wtb
