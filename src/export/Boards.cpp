#include "export/Boards.h"

#include "common/RuntimeError.h"

#include <algorithm>
#include <array>
#include <string>

namespace wtb {

namespace {

// playerBytes: tests/export/minimal_player.cpp (Timer 1 PWM, its overflow interrupt reading
// samples through both accessors) linked with an exported sketch, measured with avr-gcc 5.4.0
// and Debian's arduino-core-avr 1.8.7. The sketch of a table of T samples takes
// playerBytes + T bytes, rounded up to an even count, so a table fits exactly when
// T <= tableRoom(). The export's AVR tests measure it again and fail when it drifts. Measured
// with these commands (MCU, BOARD, VARIANT and EXTRA per board below):
//
//   A=/usr/share/arduino/hardware/arduino/avr
//   F="-mmcu=MCU -DF_CPU=16000000L -DARDUINO=10807 -DARDUINO_BOARD -DARDUINO_ARCH_AVR
//      -DDECIMAL_DIG=__DECIMAL_DIG__ EXTRA -Os -ffunction-sections -fdata-sections -flto
//      -I$A/cores/arduino -I$A/variants/VARIANT"
//   X="-std=gnu++11 -fpermissive -fno-exceptions -fno-threadsafe-statics"
//   for f in $A/cores/arduino/*.c; do avr-gcc $F -std=gnu11 -c $f -o ${f##*/}.o; done
//   for f in $A/cores/arduino/*.cpp; do avr-g++ $F $X -c $f -o ${f##*/}.o; done
//   for f in $A/cores/arduino/*.S; do avr-gcc $F -x assembler-with-cpp -c $f -o ${f##*/}.o; done
//   avr-gcc-ar rcs core.a *.o
//   avr-g++ $F $X -c minimal_player.cpp -o player.o
//   avr-g++ $F $X -c Zozedovad.ino.cpp -o sketch.o    (the export after #include <Arduino.h>)
//   L="-mmcu=MCU -Os -flto -fuse-linker-plugin -Wl,--gc-sections"
//   avr-gcc $L -o player.elf player.o sketch.o core.a -lm
//   avr-size -A player.elf    (.text + .data - T; the smaller of T = 16 and T = 17)
//
//   Uno:      MCU=atmega328p BOARD=AVR_UNO VARIANT=standard EXTRA=
//   Leonardo: MCU=atmega32u4 BOARD=AVR_LEONARDO VARIANT=leonardo
//             EXTRA=-DUSB_VID=0x2341 -DUSB_PID=0x8036 '-DUSB_MANUFACTURER="Unknown"'
//                   '-DUSB_PRODUCT="Arduino Leonardo"'
//   Mega:     MCU=atmega2560 BOARD=AVR_MEGA2560 VARIANT=mega EXTRA=
//
// playerSketchBytes: the same measure for the player sketch (buildPlayerSketchText after
// #include <Arduino.h>, linked alone with the core): its rates, its player, its setup() and
// loop() with Serial. The player tests measure it again and fail when it drifts.
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
    {Board::Uno, "uno", "Uno/Nano (ATmega328P)", 32'256, 806, kAccessorSampleLimit, 2'503},
    {Board::Leonardo, "leonardo", "Leonardo/Micro (ATmega32U4)", 28'672, 4'011,
     kAccessorSampleLimit, 4'750},
    {Board::Mega2560, "mega2560", "Mega 2560", 253'952, 1'164, kMegaSampleLimit, 3'021},
}};

} // namespace

std::span<const BoardInfo> boards() {
    return kBoards;
}

const BoardInfo& boardInfo(Board board) {
    const auto info = std::find_if(kBoards.begin(), kBoards.end(),
                                   [board](const BoardInfo& each) { return each.board == board; });
    if (info == kBoards.end()) {
        raise(ErrorKind::Bounds,
              "Board number " + std::to_string(static_cast<int>(board)) + " is not known.");
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
