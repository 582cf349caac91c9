#include "slots/SlotBank.h"

namespace wtb {

namespace {

template <class Bank> auto& bufferOfImpl(Bank& bank, std::int32_t slot) {
    const auto& handle = bank.WaveBuffer[slot];
    if (!handle) {
        raise(ErrorKind::Sound, "Slot " + std::to_string(slot) + " holds no sound.");
    }
    return *handle;
}

} // namespace

std::vector<std::int16_t> allSlotNumbers() {
    std::vector<std::int16_t> slots;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        slots.push_back(slot);
    }
    return slots;
}

void checkSlotNumber(std::int32_t slot) {
    if (slot < kFirstSlot || slot > kLastSlot) {
        raise(ErrorKind::Bounds,
              "Slot number " + std::to_string(slot) + " is outside the slots 1..16.");
    }
}

void setSlot(SlotBank& bank, std::int32_t slot, std::unique_ptr<SoundBuffer> sound,
             std::int32_t endIndex, std::string name) {
    checkSlotNumber(slot);
    if (!sound) {
        raise(ErrorKind::Sound, "Slot " + std::to_string(slot) + " cannot be set to no sound.");
    }
    bank.WaveDesc[slot] = sound->description();
    bank.WaveBuffer[slot] = std::move(sound);
    bank.OutBufLen[slot] = endIndex;
    bank.WaveName[slot] = std::move(name);
}

SoundBuffer& bufferOf(SlotBank& bank, std::int32_t slot) {
    return bufferOfImpl(bank, slot);
}

const SoundBuffer& bufferOf(const SlotBank& bank, std::int32_t slot) {
    return bufferOfImpl(bank, slot);
}

} // namespace wtb
