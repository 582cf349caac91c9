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

SoundBuffer& bufferOf(SlotBank& bank, std::int32_t slot) {
    return bufferOfImpl(bank, slot);
}

const SoundBuffer& bufferOf(const SlotBank& bank, std::int32_t slot) {
    return bufferOfImpl(bank, slot);
}

} // namespace wtb
