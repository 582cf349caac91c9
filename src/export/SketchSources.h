#pragma once

#include <string_view>

// The AVR C++ of the sketches the tool writes, as it stands in src/export/sketch/ (embedded at
// build time), lines ending LF: what the board runs is ordinary source, and only the tables
// are generated.
namespace wtb::sketch_source {

// Both players' output pin: its PWM and its rest at the zero line.
extern const std::string_view output_h;
// Both players' serial line commands: N plays slot N, r releases.
extern const std::string_view serial_lines_h;
// The player: rate accessor, interrupt, Play/Stop/Release and the serial line's demo,
// its parts chosen by ZOZEDOVAD_ADPCM and ZOZEDOVAD_LOOPS.
extern const std::string_view player_h;
// The mixing player: voices, steps, the interrupt and the notes' calls.
extern const std::string_view mixer_h;
// The mixing player's MIDI input.
extern const std::string_view midi_input_h;
// The mixing player's trigger pins.
extern const std::string_view trigger_pins_h;
// The mixing player's serial calls, reading MIDI or the serial lines, and the pins.
extern const std::string_view mixer_input_h;
// The user's own sketch of a player sketch folder, written once: setup() and loop().
extern const std::string_view player_sketch_ino;
// The ADPCM reader's type, declared before any function of a table sketch so that the
// Arduino IDE's prototypes of its functions can name it.
extern const std::string_view adpcm_reader_type_h;
// The ADPCM table's accessors and its reader, Zozedovad_Open and Zozedovad_Next.
extern const std::string_view adpcm_reader_h;
// Zozedovad_Open_Loop: a reader restarted at its slot's loop.
extern const std::string_view adpcm_loop_reader_h;
// Zozedovad_Get_Loop_Start and Zozedovad_Get_Loop_End.
extern const std::string_view loop_accessors_h;

} // namespace wtb::sketch_source
