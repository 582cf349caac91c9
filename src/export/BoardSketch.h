#pragma once

#include "export/Boards.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <cstdint>
#include <string>

namespace wtb {

// The table sketch as written for one board in one format, and how many bytes the 0x21 guard
// changed (0 unless the board is the Mega 2560). PCM keeps buildSketchText's text otherwise.
struct BoardSketchText {
    std::string text;
    std::int32_t changedBytes = 0;
};
BoardSketchText buildSketchText(const SlotBank& bank, Board board, SampleFormat format);

} // namespace wtb
