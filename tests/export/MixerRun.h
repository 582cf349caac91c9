#pragma once

#include "ArduinoBoard.h"

#include "export/Boards.h"
#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace wtb::test {

// Every slot holding a sample and keeping none, out of the table: a kit a test fills in.
SlotBank emptyBank();

// What the mixing player's board writes to, the interrupt that mixes, and its input pins.
struct MixerBoard {
    Board board;
    unsigned levelRegister; // OCR2B's data address
    const char* mixVector;  // TIMER1_COMPA
    int entryCycles;        // the hardware's entry and the vector's jump, before the harness times
    char buttonPort;        // Arduino pin 4's port and bit
    int buttonBit;
};
inline constexpr MixerBoard kMixerUno{Board::Uno, 0xB4, "__vector_11", 4 + 3, 'D', 4};
inline constexpr MixerBoard kMixerMega{Board::Mega2560, 0xB4, "__vector_17", 5 + 3, 'G', 5};
// OCR3A; pin 4 is PD4.
inline constexpr MixerBoard kMixerLeonardo{Board::Leonardo, 0x98, "__vector_17", 4 + 3, 'D', 4};

// One run of the player harness: each write to the PWM register, each command's first cycle,
// and the mixing interrupt's cycles.
struct MixerRecording {
    std::vector<std::uint64_t> commands;
    std::vector<std::uint64_t> writeCycles;
    std::vector<std::uint8_t> writes;
    long isrCount = 0;
    double isrMean = 0;
    long isrWorst = 0;
};

// The mixing player sketch of the bank as the export writes it (the user's first NAME.ino and
// the generated header), built by the IDE's builder. Its ELF is empty after a failure (added).
BuiltSketch buildMixer(const QString& folder, const QString& name, const SlotBank& bank,
                       SampleFormat format, const PlayerOptions& options, Board board,
                       const std::string& userSketch = {});

// Runs the ELF on the simulated board for `runMs`, each command (as the harness takes them) at
// its millisecond.
MixerRecording runMixer(const MixerBoard& board, const QString& elf, int runMs,
                        const std::vector<std::pair<int, std::string>>& commands);

} // namespace wtb::test
