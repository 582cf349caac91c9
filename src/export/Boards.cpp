#include "export/Boards.h"

#include "common/RuntimeError.h"
#include "export/ExportFault.h"

#include <algorithm>
#include <array>
#include <string>

namespace wtb {

namespace {

// playerCode: the player sketch an export writes for a kit, built by arduino-builder as the
// Arduino IDE builds it (avr-gcc 5.4.0, Debian's arduino-core-avr 1.8.7): "Sketch uses N bytes"
// less the table's own bytes. It holds the core, Serial, the player, the start, length, rate
// and loop tables and the accessors, none of which grow with the sounds. The builder tests
// build every board and format again and fail when the figure drifts by 1 %.
//
// mixerWorstCycles: the mixing player's interrupt on simavr (the mixer cycle tests), from its
// vector's first instruction to the end of its RETI plus the hardware's entry and the vector's
// jump, every voice two samples a period through a loop that turns back; ADPCM decodes two
// samples a voice. Each further voice costs about 146 cycles in PCM and 505 in ADPCM.
//
// The Mega's sampleLimit: pgm_read_byte reads the first 64 KB of flash only, and the table
// shares them with everything else the sketch keeps in program memory: the vectors, the start
// table, the core's pin tables (digitalWrite), its switch tables, the linker's trampolines and
// the player's own F() strings. Anything pushed past 0xFFFF reads back wrong without a warning.
// The export's test program (Serial, digitalWrite, four F() strings) keeps 686 such bytes:
// measured in simavr, it reads everything back up to 64,850 samples and prints garbage at 64,851.
// The limit keeps the table within the first 63 KB and leaves the last KB to the rest, so a
// player may keep about 300 bytes more there than the test program does.
constexpr std::int32_t kMegaSampleLimit = 64'512;

constexpr std::array<BoardInfo, 3> kBoards = {{
    {Board::Uno,
     "uno",
     "Uno/Nano (ATmega328P)",
     "arduino:avr:uno",
     32'256,
     kAccessorSampleLimit,
     {2'504, 2'752, 3'025, 3'609},
     {{{178, 384, 530, 679, 825, 971, 1'117, 1'263},
       {594, 1'146, 1'651, 2'156, 2'664, 3'169, 3'583, 3'997}}},
     {4'252, 4'480, 4'777, 5'195},
     3,
     19,
     false},
    {Board::Leonardo,
     "leonardo",
     "Leonardo/Micro (ATmega32U4)",
     "arduino:avr:leonardo",
     28'672,
     kAccessorSampleLimit,
     {4'750, 5'002, 5'273, 5'857},
     {{{181, 387, 533, 682, 828, 974, 1'120, 1'266},
       {597, 1'149, 1'654, 2'159, 2'667, 3'172, 3'586, 4'000}}},
     {7'290, 7'518, 7'815, 8'233},
     5,
     23,
     false},
    {Board::Mega2560,
     "mega2560",
     "Mega 2560",
     "arduino:avr:mega:cpu=atmega2560",
     253'952,
     kMegaSampleLimit,
     {2'954, 3'202, 3'473, 4'053},
     {{{186, 392, 538, 687, 833, 979, 1'125, 1'271},
       {604, 1'158, 1'665, 2'172, 2'682, 3'189, 3'605, 4'021}}},
     {4'868, 5'098, 5'387, 5'803},
     9,
     69,
     true},
}};

} // namespace

std::span<const BoardInfo> boards() {
    return kBoards;
}

const BoardInfo& boardInfo(Board board) {
    const auto info = std::find_if(kBoards.begin(), kBoards.end(),
                                   [board](const BoardInfo& each) { return each.board == board; });
    if (info == kBoards.end()) {
        raise(ErrorKind::Internal, ExportFault::BoardUnknown, {{"board", static_cast<int>(board)}});
    }
    return *info;
}

std::optional<Board> boardFromId(std::string_view id) {
    for (const BoardInfo& info : kBoards) {
        if (info.id == id) {
            return info.board;
        }
    }
    return std::nullopt;
}

} // namespace wtb
