#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace wtb {

// The boards a wavetable sketch is made for.
enum class Board { Uno, Leonardo, Mega2560 };

// The accessors take and return `unsigned int`, 16 bits on AVR: the start table's last value,
// the sample count, must stay within 65,535 on every board.
inline constexpr std::int32_t kAccessorSampleLimit = 65'535;

struct BoardInfo {
    Board board;
    std::string_view id;          // as the command line and the preferences spell it
    std::string_view displayName; // as the window shows it
    std::string_view fqbn;        // the Arduino core's name of the board, for its builder
    std::int32_t sketchFlash;     // flash bytes a sketch may take (the IDE's maximum size)
    std::int32_t sampleLimit;     // the largest table the board reads back correctly
    // Flash the player sketch takes besides its table's own bytes, as the Arduino IDE's builder
    // counts it: 8-bit PCM, PCM with loops, 4-bit ADPCM, ADPCM with loops.
    std::array<std::int32_t, 4> playerCode;
    // The mixing player's worst interrupt in clock cycles, 8-bit PCM then 4-bit ADPCM, for 1..8
    // voices, every voice sounding at the largest step: measured on simavr by the player tests,
    // which fail when a figure no longer matches the build.
    std::array<std::array<std::int32_t, 8>, 2> mixerWorstCycles;
    // The mixing player's flash besides its table, as playerCode: its largest build (8 voices,
    // MIDI and two trigger pins), so the budget never counts short.
    std::array<std::int32_t, 4> mixerCode;
    std::int32_t outputPin;  // the player's PWM output
    std::int32_t highestPin; // the highest Arduino pin number a trigger button may use
    // Whether the board's bootloader (older Mega 2560 ones, still on many clones) enters its
    // monitor on three 0x21 bytes in a row, so its tables must hold no such run.
    bool refusesBangRuns;
};

// Every board, in the order a list shows them.
std::span<const BoardInfo> boards();

const BoardInfo& boardInfo(Board board);

// The board with this id ("uno", "leonardo", "mega2560"); nothing for any other text.
std::optional<Board> boardFromId(std::string_view id);

} // namespace wtb
