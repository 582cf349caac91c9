#pragma once

#include "export/Boards.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wtb {

// Older Mega 2560 bootloaders, still on many clone boards, drop into a monitor when three "!"
// (0x21) bytes arrive in a row, and the upload then times out. Whether a board's tables must
// never hold such a run.
bool boardRefusesBangRuns(Board board);

// Changes every third consecutive 0x21 of the table's bytes (8-bit PCM, as stored: the sample
// minus 128) to 0x20 or 0x22, whichever is nearer the sound around the run (the bytes before
// and after it; 0x20 when they are even). A changed byte ends the run. The number of bytes
// changed. ADPCM tables are kept free of such runs by their encoder instead (AdpcmContext), as a
// changed data byte would change every sample after it.
std::int32_t avoidBangRuns(std::span<std::uint8_t> table);

// The opening of a program-memory table of `values`, "const TYPE NAME[N] PROGMEM = {", its
// TYPE `width` bytes wide (1: byte, 2: unsigned int). With `guard`, a table whose little-endian
// bytes hold two 0x21 in a row, or begin or end with 0x21, is declared twice as wide instead:
// each value's upper bytes are then zero, so no run of three forms in it or across its ends
// with whatever the linker puts beside it. Its accessors read the low bytes either way
// (pgm_read_byte, pgm_read_word_near at the element's address).
std::string progmemTableOpen(std::string_view name, std::span<const std::int32_t> values, int width,
                             bool guard);

} // namespace wtb
