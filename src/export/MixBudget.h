#pragma once

#include "export/Boards.h"
#include "export/PlayerOptions.h"
#include "export/PlayerSketch.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>

namespace wtb {

// The mixing player's clock: 16 MHz on every board.
inline constexpr std::int32_t kBoardClock = 16'000'000;

// Whether the player mixes (voices, MIDI or trigger pins chosen) rather than being the
// one-sound player of the serial lines.
bool playerMixes(const PlayerOptions& options);

// The mixing interrupt's measured worst for the board, format and voices (1..8), in cycles.
std::int32_t mixerWorstCycles(Board board, SampleFormat format, std::int32_t voices);

// The highest mixing rate at which that worst stays within 80 % of a sample period.
std::int32_t highestMixRate(Board board, SampleFormat format, std::int32_t voices);

// The mixing rate the player runs at: the one chosen, else the rate all slots in the table
// share, else the highest slot rate the board's cycles allow for the voices.
std::int32_t playerMixRate(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                           Board board);

// Refuses, with a bounds error that says what is wrong and what would fit, options the mixing
// player cannot play: voices outside 1..8, a mixing rate outside kLowestMixRate up to the
// player's highest, a worst interrupt above 80 % of the mixing period, a MIDI baud other than
// 31,250 or 115,200, and a trigger pin on a slot outside 1..16, on a pin the board lacks, on the
// output or the serial pins, or used twice.
// Also refuses a slot in the table whose root note would step more than kLargestStep.
void checkMixerOptions(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                       Board board);

// What the mixing player's header holds for the bank, after checkMixerOptions.
MixerSetup mixerSetup(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                      Board board);

} // namespace wtb
