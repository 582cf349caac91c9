#pragma once

#include "export/Boards.h"

#include <cstdint>
#include <span>

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

} // namespace wtb
