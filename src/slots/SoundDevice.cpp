#include "slots/SoundDevice.h"

#include "common/RuntimeError.h"
#include "slots/SoundBuffer.h"
#include "slots/SoundFile.h"

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

void SoundDevice::play(std::span<const std::uint8_t>, std::int32_t) {
    raise(ErrorKind::Sound, "Playback is not available in this version of the program.");
}

} // namespace wtb
