#include "export/FlashBudget.h"

#include "common/CheckedInt.h"
#include "export/Adpcm.h"
#include "export/LoopTables.h"

#include <limits>
#include <string>

namespace wtb {

std::int32_t tableBytes(const SlotBank& bank) {
    std::int32_t total = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::int32_t endIndex = bank[slot].endIndex;
        try {
            total = checkedAdd(total, checkedAdd(endIndex, std::int32_t{1}));
        } catch (const RuntimeError&) {
            raise(ErrorKind::Overflow,
                  "The wavetable cannot be saved: with slot " + std::to_string(slot) +
                      " (end index " + std::to_string(endIndex) + ") its sample count exceeds " +
                      std::to_string(std::numeric_limits<std::int32_t>::max()) + ".");
        }
    }
    return total;
}

SlotTotals slotTotals(const SlotBank& bank) {
    SlotTotals totals;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        totals.samples += bank[slot].sampleCount();
        totals.endIndices += bank[slot].endIndex;
        totals.tableBytes += std::int64_t{bank[slot].endIndex} + 1;
    }
    return totals;
}

namespace {

// The room a bank's loops take, the same for every bank with a loop.
std::int32_t loopRoom(const SlotBank& bank, Board board, SampleFormat format) {
    return anySlotLoops(bank) ? loopTableBytes(board, format) : 0;
}

} // namespace

FlashBudget flashBudget(const SlotBank& bank, Board board) {
    const std::int32_t bytes = tableBytes(bank);
    const std::int32_t room =
        boardInfo(board).tableRoom() - loopRoom(bank, board, SampleFormat::Pcm8);
    return {bytes, room, bytes <= room};
}

std::int32_t tableBytes(const SlotBank& bank, SampleFormat format) {
    const std::int32_t pcm = tableBytes(bank); // the overflow check, as before
    if (format == SampleFormat::Pcm8) {
        return pcm;
    }
    std::int32_t total = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        total += adpcmBytesFor(bank[slot].endIndex + 1); // at most pcm + 2 a block
    }
    return total;
}

// Measured as the board's playerBytes are (Boards.cpp), with tests/export/minimal_adpcm_player.cpp
// appended to an exported ADPCM table in place of minimal_player.cpp: the flash it takes beside
// its table, less playerBytes. The ADPCM AVR tests measure it again and fail when it drifts.
std::int32_t adpcmReaderBytes(Board board) {
    switch (board) {
    case Board::Uno:
        return 668;
    case Board::Leonardo:
        return 645;
    case Board::Mega2560:
        return 672;
    }
    return 672;
}

// Measured as adpcmReaderBytes is: an exported table with loops, with
// tests/export/minimal_loop_player.cpp (PCM) or minimal_adpcm_loop_player.cpp (ADPCM) appended,
// its flash less the table's bytes, playerBytes and, for ADPCM, adpcmReaderBytes. The loop AVR
// tests measure it again and fail when it drifts.
std::int32_t loopTableBytes(Board board, SampleFormat format) {
    const bool adpcm = format == SampleFormat::Adpcm4;
    switch (board) {
    case Board::Uno:
        return adpcm ? 392 : 230;
    case Board::Leonardo:
        return adpcm ? 394 : 231;
    case Board::Mega2560:
        return adpcm ? 392 : 230;
    }
    return adpcm ? 394 : 231;
}

// The player sketch of a kit with a loop less the player sketch of the same kit without one,
// measured by the same loop AVR tests.
std::int32_t loopPlayerSketchBytes(Board board, SampleFormat format) {
    const bool adpcm = format == SampleFormat::Adpcm4;
    switch (board) {
    case Board::Uno:
        return adpcm ? 582 : 248;
    case Board::Leonardo:
        return adpcm ? 586 : 252;
    case Board::Mega2560:
        return adpcm ? 584 : 248;
    }
    return adpcm ? 586 : 252;
}

FlashBudget flashBudget(const SlotBank& bank, Board board, SampleFormat format) {
    const std::int32_t bytes = tableBytes(bank, format);
    const std::int32_t room = tableRoom(board, format) - loopRoom(bank, board, format);
    return {bytes, room, bytes <= room};
}

std::int32_t tableRoom(Board board, SampleFormat format) {
    std::int32_t room = boardInfo(board).tableRoom();
    if (format == SampleFormat::Adpcm4) {
        room -= adpcmReaderBytes(board);
    }
    return room;
}

} // namespace wtb
