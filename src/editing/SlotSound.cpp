#include "editing/SlotSound.h"

#include <memory>

namespace wtb {

SlotSound slotSoundOf(const SlotBank& bank, std::int16_t slot) {
    const SoundBuffer& buffer = bufferOf(bank, slot);
    const auto bytes = buffer.bytes();
    return SlotSound{std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                     buffer.description().sampleRate, bank.OutBufLen[slot]};
}

void storeSlotSounds(SlotBank& bank, std::vector<std::pair<std::int16_t, SlotSound>> changes) {
    if (!bank.SoundDevice) {
        raise(ErrorKind::Sound, "Cannot change a slot's sound: the sound device is not open.");
    }
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (auto& [slot, sound] : changes) {
        bank.WaveBuffer[slot]; // a stray slot number raises before anything changes
        buffers.push_back(
            std::make_unique<SoundBuffer>(*bank.SoundDevice, std::move(sound.bytes), sound.rate));
    }
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto& [slot, sound] = changes[i];
        bank.WaveDesc[slot] = buffers[i]->description();
        bank.WaveBuffer[slot] = std::move(buffers[i]);
        bank.OutBufLen[slot] = sound.endIndex;
    }
}

} // namespace wtb
