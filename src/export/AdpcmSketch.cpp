#include "export/AdpcmSketch.h"

#include "common/CheckedInt.h"
#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "export/BangGuard.h"
#include "export/ExportFault.h"
#include "export/ExportedSamples.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/PcmTableSketch.h"
#include "export/SketchNumbers.h"
#include "export/SketchSources.h"
#include "slots/SlotName.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace wtb {

namespace {

void appendLine(std::string& text, std::string_view line) {
    text.append(line);
    text.append(kCrLf);
}

constexpr std::string_view kAdpcmHeader =
    R"sketch(// 4-bit IMA ADPCM wavetable: slot N's samples are decoded in order by a reader.
//   Zozedovad_Reader reader;
//   Zozedovad_Open(N, &reader);                // N = 1..16; another number reads nothing
//   char sample;                               // -128..127
//   while (Zozedovad_Next(&reader, &sample)) { /* one sample */ }
// Zozedovad_Get_Length(N) is slot N's sample count. The table is in blocks of 64 bytes (125
// samples): a block's first byte is its first sample, its second the decoder's step index,
// then one 4-bit code a sample, low half first. Zozedovad_Get_Start(N - 1) is slot N's first
// byte in the table (always a block's first), Zozedovad_Get_Start(16) the table's size.
)sketch";

// The decoder's step sizes, from the encoder's own table.
void appendStepTable(std::string& text) {
    text.append("const unsigned int Zozedovad_Steps[");
    appendNumber(text, kAdpcmStepCount);
    text.append("] PROGMEM = {");
    appendNumberList(text, kAdpcmSteps);
    text.append("};");
    text.append(kCrLf);
}

constexpr std::int32_t kBytesPerArray = kSamplesPerArray;

// The arrays the table is cut into: one `wave_adpcm`, or `wave_adpcm_1` .. of at most
// kBytesPerArray bytes each.
std::int32_t partsOf(std::int32_t total) {
    return total > kBytesPerArray ? (total + kBytesPerArray - 1) / kBytesPerArray : 1;
}

void appendDeclaration(std::string& text, std::int32_t parts, std::int32_t part,
                       std::int32_t size) {
    text.append(parts > 1 ? "const byte wave_adpcm_" : "const byte wave_adpcm");
    if (parts > 1) {
        appendNumber(text, part);
    }
    text.append("[");
    appendNumber(text, size);
    text.append("] PROGMEM = {");
    text.append(kCrLf);
}

void appendByteAccessor(std::string& text, std::int32_t total, std::int32_t parts) {
    appendLine(text, "byte Zozedovad_Get_Byte(unsigned int index){");
    if (parts == 1) {
        appendLine(text, "return pgm_read_byte(&wave_adpcm[index]);");
    }
    for (std::int32_t part = 1; parts > 1 && part <= parts; ++part) {
        const std::int32_t end = std::min(total, part * kBytesPerArray);
        if (part < parts) {
            text.append("if(index<");
            appendNumber(text, end);
            text.append("u)");
        }
        text.append("return pgm_read_byte(&wave_adpcm_");
        appendNumber(text, part);
        text.append("[index");
        if (part > 1) {
            text.append("-");
            appendNumber(text, (part - 1) * kBytesPerArray);
            text.append("u");
        }
        appendLine(text, "]);");
    }
    appendLine(text, "}");
}

// A table of `width`-byte values, guarded against 0x21 runs when the table's encoding was.
template <std::size_t N>
void appendWordTable(std::string& text, std::string_view name, int width,
                     const std::array<std::int32_t, N>& values, bool guard) {
    text.append(progmemTableOpen(name, values, width, guard));
    appendNumberList(text, values);
    text.append("};");
    text.append(kCrLf);
}

// When any slot has a loop: the loop accessors, the reader's state at each loop start (zeros for
// a slot without a loop) and Zozedovad_Open_Loop.
void appendLoops(std::string& text, const SlotBank& bank, const AdpcmTable& table) {
    const std::string accessors = loopAccessorText(bank, SampleFormat::Adpcm4, table.bangGuarded);
    if (accessors.empty()) {
        return;
    }
    const std::array<AdpcmReaderState, kSlotCount> states = adpcmLoopStates(bank, table);
    std::array<std::int32_t, kSlotCount> positions{};
    std::array<std::int32_t, kSlotCount> levels{};
    std::array<std::int32_t, kSlotCount> indices{};
    std::array<std::int32_t, kSlotCount> blocks{};
    for (std::size_t k = 0; k < states.size(); ++k) {
        positions[k] = states[k].position;
        levels[k] = states[k].level;
        indices[k] = states[k].index;
        blocks[k] = states[k].blockLeft;
    }
    text.append(accessors);
    const bool guard = table.bangGuarded;
    appendWordTable(text, "wave_loop_position", 2, positions, guard);
    appendWordTable(text, "wave_loop_level", 2, levels, guard);
    appendWordTable(text, "wave_loop_index", 1, indices, guard);
    appendWordTable(text, "wave_loop_block", 1, blocks, guard);
    appendCrLfLines(text, sketch_source::adpcm_loop_reader_h);
}

} // namespace

void refuseAdpcmSlotsBeyondAccessors(const SlotBank& bank) {
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::int64_t samples = std::int64_t{bank[slot].endIndex} + 1;
        if (samples > kAccessorSampleLimit) {
            raise(ErrorKind::Size, ExportFault::AdpcmSlotTooLong,
                  {{"slot", slot}, {"samples", samples}, {"limit", kAccessorSampleLimit}});
        }
    }
}

AdpcmTable encodeAdpcmTable(const SlotBank& bank, AdpcmSearch search, bool avoidBangRuns) {
    exportableSampleCount(bank); // the export's own refusals, in its order
    refuseAdpcmSlotsBeyondAccessors(bank);
    AdpcmTable table;
    table.bangGuarded = avoidBangRuns;
    AdpcmContext context;
    context.avoidBangRuns = avoidBangRuns;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::vector<std::uint8_t> samples = exportedSamples(bank[slot], slot);
        table.starts[slot - 1] = static_cast<std::int32_t>(table.bytes.size());
        table.lengths[slot - 1] = static_cast<std::int32_t>(samples.size());
        const AdpcmEncoding encoding = encodeAdpcm(samples, search, context);
        table.bytes.insert(table.bytes.end(), encoding.bytes.begin(), encoding.bytes.end());
        table.constrainedBytes += encoding.constrainedBytes;
        const std::size_t size = table.bytes.size();
        context.before[0] = size >= 2 ? table.bytes[size - 2] : 0;
        context.before[1] = size >= 1 ? table.bytes[size - 1] : 0;
    }
    table.starts[kSlotCount] = static_cast<std::int32_t>(table.bytes.size());
    return table;
}

std::array<std::vector<std::uint8_t>, kSlotCount> decodeAdpcmTable(const AdpcmTable& table) {
    std::array<std::vector<std::uint8_t>, kSlotCount> slots;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const auto from = static_cast<std::size_t>(table.starts[k]);
        const auto to = static_cast<std::size_t>(table.starts[k + 1]);
        slots[k] = decodeAdpcm(std::span(table.bytes).subspan(from, to - from), table.lengths[k]);
    }
    return slots;
}

std::array<AdpcmReaderState, kSlotCount> adpcmLoopStates(const SlotBank& bank,
                                                         const AdpcmTable& table) {
    const std::array<Loop, kSlotCount> loops = exportedLoops(bank);
    std::array<AdpcmReaderState, kSlotCount> states{};
    for (std::size_t k = 0; k < states.size(); ++k) {
        if (loops[k].start == kNoLoopPosition) {
            states[k] = AdpcmReaderState{0, 0, 0, 0, 0};
            continue;
        }
        const auto from = static_cast<std::size_t>(table.starts[k]);
        const auto to = static_cast<std::size_t>(table.starts[k + 1]);
        states[k] = adpcmReaderStateAt(std::span(table.bytes).subspan(from, to - from),
                                       table.lengths[k], loops[k].start);
        states[k].position += table.starts[k];
    }
    return states;
}

AdpcmPreview previewAdpcm(const Slot& slot, std::int16_t slotNumber) {
    const std::vector<std::uint8_t> samples = exportedSamples(slot, slotNumber);
    AdpcmPreview preview;
    preview.samples = decodeAdpcm(encodeAdpcm(samples, AdpcmSearch::LookAhead).bytes,
                                  static_cast<std::int32_t>(samples.size()));
    preview.snrDb = snrDb(samples, preview.samples);
    return preview;
}

std::string buildAdpcmSketchText(const SlotBank& bank, const AdpcmTable& table) {
    const auto total = static_cast<std::int32_t>(table.bytes.size());
    if (total > kAccessorSampleLimit) {
        raise(ErrorKind::Size, ExportFault::AdpcmTableTooLarge,
              {{"bytes", total}, {"limit", kAccessorSampleLimit}});
    }
    const std::int32_t parts = partsOf(total);
    std::string text;
    text.reserve(static_cast<std::size_t>(total) * 4 + 8192);
    appendCrLfLines(text, kAdpcmHeader);
    // The reader's type comes before every function: the Arduino IDE declares a sketch's
    // functions above its first one, and some of those take a reader.
    appendCrLfLines(text, sketch_source::adpcm_reader_type_h);
    appendDeclaration(text, parts, 1, parts > 1 ? kBytesPerArray : std::max(total, 1));
    std::int32_t written = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        text.append("//");
        text.append(commentSafeName(bank[slot].name));
        text.append(kCrLf);
        bool lineOpen = false;
        for (std::int32_t k = table.starts[slot - 1]; k < table.starts[slot]; ++k) {
            if (written > 0 && written % kBytesPerArray == 0 && parts > 1) {
                // The array is full: close it and declare the next one.
                if (lineOpen) {
                    text.append(kCrLf);
                }
                appendLine(text, "};");
                const std::int32_t part = written / kBytesPerArray + 1;
                appendDeclaration(text, parts, part, std::min(kBytesPerArray, total - written));
                lineOpen = false;
            }
            appendNumber(text, table.bytes[static_cast<std::size_t>(k)]);
            text.append(",");
            lineOpen = true;
            ++written;
        }
        if (lineOpen) {
            text.append(kCrLf);
        }
    }
    if (total == 0) {
        appendLine(text, "0");
    }
    appendLine(text, "};");
    appendWordTable(text, "wave_start", 2, table.starts, table.bangGuarded);
    appendWordTable(text, "wave_length", 2, table.lengths, table.bangGuarded);
    appendByteAccessor(text, total, parts);
    appendStepTable(text);
    appendCrLfLines(text, sketch_source::adpcm_reader_h);
    appendLoops(text, bank, table);
    return text;
}

} // namespace wtb
