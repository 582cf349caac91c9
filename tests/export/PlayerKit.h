#pragma once

// The one-voice player sketch on simulated boards: the kit its tests play, how it must come out
// of the PWM register, and the fixture that builds and runs it.
#include "ArduinoBoard.h"
#include "PlayerHarness.h"

#include "export/PlayerSketch.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wtb::test {

// From a command's first byte to its sound's first sample: the harness types the digits and the
// line feed two byte times apart, then loop() reads the line and sets the clock. A millisecond.
inline constexpr std::uint64_t kCommandLatency = 16'000;

// A slot the tests play: its number, length and rate.
struct PlayedSlot {
    std::int16_t slot;
    std::int32_t samples;
    std::int32_t rate;
};

// Tens of milliseconds of sound each; 96,000 Hz is the highest rate the player takes, 150 Hz
// needs the timer's prescaler.
inline constexpr PlayedSlot kPlayed[] = {
    {3, 240, 8'000},
    {5, 400, 16'384},
    {7, 960, kPlayerHighestRate},
    {9, 12, 150},
};
// The rate of every slot the tests do not play.
inline constexpr std::int32_t kOtherRate = 8'000;

// Sixteen slots of noise, `counts` samples each.
std::vector<SlotContent> noiseSlots(const std::vector<std::int32_t>& counts);

// The played slots at their lengths, slots 1 and 2 `leading` samples long each (to put slot 3
// into the second array of a split table), the others short.
std::vector<SlotContent> kitSlots(std::int32_t leading);

// The levels the player must write for a slot: its exported samples + 128.
std::vector<int> expectedLevels(const SlotContent& slot);

// The table text of the kit: the same whatever rate its sounds are at, so slots at two rates
// share one table.
std::string tableText(const std::vector<SlotContent>& slots);

// The played slots at their rates, the others at kOtherRate.
std::array<std::int32_t, 16> kitRates();

// `writes` must begin with `levels`, the first within a millisecond and a period of the command
// typed at `commandCycle`, one per period of `rate`, and then hold the rest, 128, from the next
// period on: the mean period within 0.5 % of F_CPU / rate, and each write inside its own period
// of that clock, so none is dropped, repeated or held over.
void expectPlayedAtRate(std::uint64_t commandCycle, const std::vector<Write>& writes,
                        const std::vector<int>& levels, std::int32_t rate);

class PlayerSketch : public testing::Test {
protected:
    // The board's builder, or null (a failure added) when its tools are missing.
    const ArduinoBoard* toolchain(Board board);

    // The player sketch folder of `slots` (the user's NAME.ino and the generated header),
    // built as the Arduino IDE builds it, warning-free. The ELF's path, or empty after a
    // failure.
    QString buildPlayer(Board board, const std::vector<SlotContent>& slots, const QString& name);

    // The same for a header's text, beside the user's sketch as the export writes it first
    // (or `userSketch` in its place).
    QString buildSketch(Board board, const std::string& header, const QString& name,
                        const std::string& userSketch = playerUserSketchText());

    // Every played slot, each in a run of its own. The interrupt's cost at 16,384 Hz is printed
    // for the README.
    void expectEverySlotPlays(const SimulatedBoard& board, std::int32_t leading);

    // One run: nothing but the rest before the command, then the slot's samples at its rate,
    // then the rest.
    Recording expectSlotPlays(const SimulatedBoard& board, const QString& elf,
                              const std::vector<SlotContent>& slots, const PlayedSlot& played);
    Recording expectSlotPlays(const SimulatedBoard& board, const QString& elf,
                              const PlayedSlot& played, const std::vector<int>& levels,
                              std::int32_t highestRate = kPlayerHighestRate);

    // The slowest interrupt, with its entry, must fit in one period of the highest rate the
    // player takes, or that rate would drop samples.
    static void expectInterruptKeepsUp(const SimulatedBoard& board, const Recording& recording,
                                       std::int32_t highestRate);

    // The part of the CPU the sample interrupt leaves at `rate`, in percent.
    static double cpuLeft(const SimulatedBoard& board, const Recording& recording,
                          std::int32_t rate);

    static void reportCost(const SimulatedBoard& board, const Recording& recording,
                           std::int32_t rate);

    TempFolder folder_;
};

} // namespace wtb::test
