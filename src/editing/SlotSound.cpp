#include "editing/SlotSound.h"

#include <memory>

namespace wtb {

SlotSound slotSoundOf(const SlotBank& bank, std::int16_t slot) {
    const SoundBuffer& buffer = bufferOf(bank, slot);
    const auto bytes = buffer.bytes();
    return SlotSound{std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                     buffer.description().sampleRate, bank.OutBufLen[slot]};
}

SlotSnapshot takeSlotSnapshot(const SlotBank& bank, std::int16_t slot) {
    return SlotSnapshot{slotSoundOf(bank, slot), bank.WaveName[slot]};
}

void restoreSlotSnapshot(SlotBank& bank, std::int16_t slot, const SlotSnapshot& snapshot) {
    setSlot(bank, slot, std::make_unique<SoundBuffer>(snapshot.sound.bytes, snapshot.sound.rate),
            snapshot.sound.endIndex, snapshot.name);
}

void storeSlotSounds(SlotBank& bank, std::vector<std::pair<std::int16_t, SlotSound>> changes) {
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (auto& [slot, sound] : changes) {
        checkSlotNumber(slot); // a stray slot number raises before anything changes
        buffers.push_back(std::make_unique<SoundBuffer>(std::move(sound.bytes), sound.rate));
    }
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto& [slot, sound] = changes[i];
        setSlot(bank, slot, std::move(buffers[i]), sound.endIndex, bank.WaveName[slot]);
    }
}

} // namespace wtb
