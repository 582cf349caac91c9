#pragma once

#include "common/RuntimeError.h"
#include "slots/BufferDesc.h"
#include "slots/SoundBuffer.h"
#include "slots/SoundDevice.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wtb {

inline constexpr std::int16_t kFirstSlot = 1;
inline constexpr std::int16_t kLastSlot = 16;

// One entry per slot number 0..16; entry 0 exists but no operation uses it. Every access is
// bounds-tested, so a stray slot number is an error instead of a read of another slot.
template <class T> class SlotArray {
public:
    T& operator[](std::int32_t slot) { return items_[checkedIndex(slot)]; }
    const T& operator[](std::int32_t slot) const { return items_[checkedIndex(slot)]; }

private:
    static std::size_t checkedIndex(std::int32_t slot) {
        if (slot < 0 || slot > kLastSlot) {
            raise(ErrorKind::Bounds,
                  "Slot number " + std::to_string(slot) + " is outside the slot range 0..16.");
        }
        return static_cast<std::size_t>(slot);
    }

    std::array<T, kLastSlot + 1> items_{};
};

// The whole working state of the program: sixteen slots held as parallel arrays, the current
// slot, and the byte copy of the slot the view drew last.
struct SlotBank {
    SlotArray<std::unique_ptr<SoundBuffer>> WaveBuffer;
    SlotArray<BufferDesc> WaveDesc;
    SlotArray<std::int32_t> OutBufLen;
    SlotArray<std::string> WaveName; // UTF-8, kept byte for byte as read

    std::int16_t CurWave = 0;

    // The bytes of the slot drawn last, refilled by every redraw of a slot with samples.
    std::vector<std::uint8_t> WaveData;
    // Which slot WaveData holds (0 before any slot with samples was drawn): the trim must
    // not search another slot's bytes.
    std::int16_t WaveDataSlot = 0;

    std::unique_ptr<wtb::SoundDevice> SoundDevice;
};

// The slot numbers 1..16, in order.
std::vector<std::int16_t> allSlotNumbers();

// Raises a bounds error unless `slot` is one of the slots 1..16.
void checkSlotNumber(std::int32_t slot);

// The one way a slot is set: its sound, the description of that sound, its end index and its
// name, all together, so WaveDesc always describes WaveBuffer. Raises a bounds error for a
// slot outside 1..16 (slot 0 is never used) or a missing sound, before anything changes.
void setSlot(SlotBank& bank, std::int32_t slot, std::unique_ptr<SoundBuffer> sound,
             std::int32_t endIndex, std::string name);

// The slot's sound buffer; raises when the slot has none (it was never loaded).
SoundBuffer& bufferOf(SlotBank& bank, std::int32_t slot);
const SoundBuffer& bufferOf(const SlotBank& bank, std::int32_t slot);

} // namespace wtb
