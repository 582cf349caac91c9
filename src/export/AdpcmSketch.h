#pragma once

#include "export/AdpcmReader.h"
#include "export/Boards.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wtb {

// A bank's table in 4-bit ADPCM: every slot's exported samples (0..end index, first and last
// on the zero line) encoded on their own, slot after slot.
struct AdpcmTable {
    std::vector<std::uint8_t> bytes;
    // Where each slot starts, in bytes of the table (always at a block's first byte); the
    // 17th is the table's size.
    std::array<std::int32_t, kSlotCount + 1> starts{};
    // Each slot's sample count: its end index + 1.
    std::array<std::int32_t, kSlotCount> lengths{};
    // Bytes the 0x21 guard made the encoder choose otherwise.
    std::int32_t constrainedBytes = 0;
    // Encoded for a board that refuses 0x21 runs: the sketch's other tables are guarded too.
    bool bangGuarded = false;
};

// Refuses, with a size error naming the slot and its count, a slot of more samples than the
// ADPCM sketch's unsigned int counts (its length, its reader's count, its loop positions):
// kAccessorSampleLimit. Only the Mega's room holds such a slot; its sketch would not compile.
void refuseAdpcmSlotsBeyondAccessors(const SlotBank& bank);

// Encodes every slot. With `avoidBangRuns` no three 0x21 bytes follow each other anywhere in
// the table, across slots too. Raises what buildSketchText raises for a slot it cannot export,
// and what refuseAdpcmSlotsBeyondAccessors raises.
AdpcmTable encodeAdpcmTable(const SlotBank& bank, AdpcmSearch search, bool avoidBangRuns);

// Each slot's samples as the board's decoder gives them, slots 1..16 (index 0 is slot 1).
std::array<std::vector<std::uint8_t>, kSlotCount> decodeAdpcmTable(const AdpcmTable& table);

// The table sketch's text in ADPCM: the compressed table `wave_adpcm` (split into
// `wave_adpcm_1`, ... of at most 32,767 bytes when larger), `wave_start` (each slot's first
// byte, and the size), `wave_length` (each slot's samples), the byte accessor, the decoder's
// tables and the reader: Zozedovad_Open(slot, &reader) and Zozedovad_Next(&reader, &sample).
// When any slot has a loop, then loopAccessorText, the loop starts' reader states and
// Zozedovad_Open_Loop(slot, &reader). Lines end in CR LF. Raises a size error when the table passes
// what the accessors address (65,535 bytes).
std::string buildAdpcmSketchText(const SlotBank& bank, const AdpcmTable& table);

// The reader's state at each slot's loop start (index 0 is slot 1), its position counted in
// bytes of the whole table: what the board's Zozedovad_Open_Loop restores, so the loop's
// samples come out on every pass as they did the first time. All zeros for a slot without a
// loop. Raises what the export raises for a slot it cannot write.
std::array<AdpcmReaderState, kSlotCount> adpcmLoopStates(const SlotBank& bank,
                                                         const AdpcmTable& table);

// What the window plays and shows for a slot in ADPCM before anything is saved: the slot's
// exported samples encoded on their own with the look-ahead and decoded as the board decodes
// them, and their SNR against the 8-bit samples (+infinity when equal). On the Mega the 0x21
// guard may choose a few codes otherwise in the written table. Raises what the export raises
// for the slot.
struct AdpcmPreview {
    std::vector<std::uint8_t> samples;
    double snrDb = 0;
};
AdpcmPreview previewAdpcm(const Slot& slot, std::int16_t slotNumber);

} // namespace wtb
