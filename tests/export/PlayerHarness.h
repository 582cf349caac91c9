#pragma once

#include "export/Boards.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wtb::test {

inline constexpr double kCpuHz = 16'000'000.0;

// What a player sketch writes to on a simulated board, the interrupt that clocks its samples or
// its mix, and Arduino pin 4's port and bit, where a test presses a button.
struct SimulatedBoard {
    Board board;
    unsigned levelRegister;  // OCR2B's data address (OCR3A's on the Leonardo)
    const char* timerVector; // TIMER1_COMPA
    int entryCycles;         // the hardware's entry and the vector's jump, before the harness times
    char buttonPort;
    int buttonBit;
};
inline constexpr SimulatedBoard kSimulatedUno{Board::Uno, 0xB4, "__vector_11", 4 + 3, 'D', 4};
inline constexpr SimulatedBoard kSimulatedMega{Board::Mega2560, 0xB4, "__vector_17", 5 + 3, 'G', 5};
inline constexpr SimulatedBoard kSimulatedLeonardo{Board::Leonardo, 0x98, "__vector_17",
                                                   4 + 3,           'D',  4};

// One write to the PWM register.
struct Write {
    std::uint64_t cycle;
    int level;
};

// What one run of the player harness recorded: each command's first cycle, each write to the
// PWM register, the timed interrupt's cycles and the register's level when the run ended.
struct Recording {
    std::vector<std::uint64_t> commands;
    std::vector<Write> writes;
    long isrCount = 0;
    double isrMean = 0;
    long isrWorst = 0;
    int endLevel = -1;

    // The writes from the first one at or after `cycle`.
    std::vector<Write> writesFrom(std::uint64_t cycle) const;
    // The level of every write, in order.
    std::vector<std::uint8_t> levels() const;
};

// The harness's output, one record a line (command, write, isr, end); other lines are skipped.
Recording parseRecording(std::string_view output);

// Runs the ELF on the simulated board for `runMs` under the harness, each command (as the
// harness takes them: a serial line, raw:BAUD:HEX... or pin:PORT:BIT:LEVEL) at its
// millisecond, timing the board's timer interrupt. Empty, with a failure added, when the
// harness is missing or fails.
Recording runPlayerHarness(const SimulatedBoard& board, const QString& elf, int runMs,
                           const std::vector<std::pair<int, std::string>>& commands);

} // namespace wtb::test
