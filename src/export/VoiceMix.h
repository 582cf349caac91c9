#pragma once

#include "export/Boards.h"
#include "export/LoopedOutput.h"
#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <array>
#include <cstdint>
#include <vector>

namespace wtb {

// What the mixing player sketch writes to its PWM register, sample by sample: the same voices,
// steps, loops and clipping as the board, so the window can play the slots as the board will and
// the tests can hold the board to it. Each output is 128 plus the sum of the sounding voices'
// signed samples, each scaled by its velocity's gain, clipped to 0..255. A copy goes on exactly
// as the original would.
class VoiceMix {
public:
    // Raises what the player's export raises for a slot it cannot write, and a bounds error for
    // a mixing rate outside kLowestMixRate..kPlayerHighestRate. The board's cycles are the
    // export's to refuse (checkMixerOptions): this mixes whatever voices it is given, 1..8. On
    // the Mega the ADPCM table's 0x21 guard may choose a few codes otherwise than loopedOutput.
    VoiceMix(const SlotBank& bank, SampleFormat format, const PlayerOptions& options, Board board);

    std::int32_t mixRate() const { return mixRate_; } // Hz
    std::int32_t voices() const { return static_cast<std::int32_t>(voices_.size()); }

    // A note 0..127 at a velocity 1..127 (0 is a note-off) starts the slot whose key range holds
    // it on a free voice, else on the oldest released one, else on the oldest. A note no slot
    // plays, or too high for the player (kLargestStep), does nothing. Other numbers are a bounds
    // error.
    void noteOn(std::int32_t note, std::int32_t velocity);
    // Starts slot 1..16 at its root note, velocity 127, as a trigger pin or the serial line's
    // slot number does; a slot not in the table does nothing.
    void playSlot(std::int16_t slot);
    // Releases the voices playing the note: a loop plays its pass to its end, then the tail.
    void noteOff(std::int32_t note);
    void allNotesOff();
    // The number of voices sounding.
    std::int32_t sounding() const;

    std::uint8_t next(); // the next output sample

private:
    struct Voice {
        bool active = false;
        bool held = false;
        std::int32_t note = 0;
        std::int16_t slot = 0;
        std::int32_t part = 0; // 0 the attack, 1 the loop, 2 the tail
        std::int32_t index = 0;
        std::uint32_t fraction = 0; // of a sample, in 65536ths
        std::uint32_t step = 0;     // 16.16
        std::int32_t gain = 128;
        std::uint16_t stamp = 0; // when it started, counting notes
    };

    const std::vector<std::uint8_t>& partOf(const Voice& voice) const;
    void settle(Voice& voice) const;
    void advance(Voice& voice) const;
    Voice& voiceForNewNote();
    void start(std::int16_t slot, std::int32_t note, std::uint32_t step, std::int32_t velocity);

    std::int32_t mixRate_ = 0;
    std::array<LoopedOutput, kSlotCount> sounds_;
    std::array<std::uint32_t, kSlotCount> rootSteps_{};
    std::array<std::int32_t, kSlotCount> roots_{};
    std::array<std::int16_t, 128> slotOfNote_{}; // 0: no slot
    std::vector<Voice> voices_;
    std::uint16_t stamps_ = 0;
};

} // namespace wtb
