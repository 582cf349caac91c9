#include "export/LoopTables.h"

#include "common/TextLines.h"
#include "export/BangGuard.h"
#include "export/ExportedSamples.h"
#include "export/SketchNumbers.h"
#include "export/SketchSources.h"

namespace wtb {

namespace {

constexpr std::string_view kPcmLoopComment =
    R"sketch(// Sustain loops: slot N (1..16) repeats its samples Zozedovad_Get_Loop_Start(N) to
// Zozedovad_Get_Loop_End(N), both played, for as long as the sound is held, then plays on to its
// end. Both count samples from the slot's first: sample k of slot N is
// Zozedovad_Get_Sample(Zozedovad_Get_Start(N - 1) + k). A slot without a loop (and a number
// outside 1..16) gives 65535 for both.
)sketch";

constexpr std::string_view kAdpcmLoopComment =
    R"sketch(// Sustain loops: slot N (1..16) repeats its samples Zozedovad_Get_Loop_Start(N) to
// Zozedovad_Get_Loop_End(N), both played, for as long as the sound is held, then plays on to its
// end. Both count samples from the slot's first. A slot without a loop (and a number outside
// 1..16) gives 65535 for both. The decoder's state at each loop start is kept below, so a loop
// may start anywhere in a block and sounds the same on every pass:
//   const unsigned int turn = Zozedovad_Get_Length(N) - 1 - Zozedovad_Get_Loop_End(N);
//   while (Zozedovad_Next(&reader, &sample)) {
//     /* one sample */
//     if (held && reader.left == turn) Zozedovad_Open_Loop(N, &reader); // back to its start
//   }
// Zozedovad_Open_Loop(N, &reader) sets the reader so its next sample is slot N's loop start; for
// a slot without a loop it returns false and leaves the reader as it was.
)sketch";

void appendTable(std::string& text, std::string_view name,
                 const std::array<Loop, kSlotCount>& loops, std::int32_t Loop::*field, bool guard) {
    std::array<std::int32_t, kSlotCount> values{};
    for (std::size_t k = 0; k < loops.size(); ++k) {
        values[k] = loops[k].*field;
    }
    text.append(progmemTableOpen(name, values, 2, guard));
    appendNumberList(text, values);
    text.append("};");
    text.append(kCrLf);
}

} // namespace

bool anySlotLoops(const SlotBank& bank) {
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        if (bank[slot].loop) {
            return true;
        }
    }
    return false;
}

std::array<Loop, kSlotCount> exportedLoops(const SlotBank& bank) {
    std::array<Loop, kSlotCount> loops{};
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        exportableSamples(bank[slot], slot); // refuses a loop the table does not keep
        const std::optional<Loop>& loop = bank[slot].loop;
        loops[static_cast<std::size_t>(slot - kFirstSlot)] =
            loop ? *loop : Loop{kNoLoopPosition, kNoLoopPosition};
    }
    return loops;
}

std::string loopAccessorText(const SlotBank& bank, SampleFormat format, bool guardTables) {
    std::string text;
    if (!anySlotLoops(bank)) {
        return text;
    }
    const std::array<Loop, kSlotCount> loops = exportedLoops(bank);
    appendCrLfLines(text, format == SampleFormat::Adpcm4 ? kAdpcmLoopComment : kPcmLoopComment);
    appendTable(text, "wave_loop_start", loops, &Loop::start, guardTables);
    appendTable(text, "wave_loop_end", loops, &Loop::end, guardTables);
    appendCrLfLines(text, sketch_source::loop_accessors_h);
    return text;
}

} // namespace wtb
