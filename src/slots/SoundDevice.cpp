#include "slots/SoundDevice.h"

#include "slots/SoundBuffer.h"
#include "slots/SoundFile.h"

namespace wtb {

std::unique_ptr<SoundBuffer>
SoundDevice::CreateSoundBufferFromFile(const QString& path, const DecodeOptions& options) const {
    Sound8 sound = decodeSoundFile(path, options);
    return std::make_unique<SoundBuffer>(std::move(sound.bytes), sound.sampleRate);
}

} // namespace wtb
