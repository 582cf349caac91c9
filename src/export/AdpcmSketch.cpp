#include "export/AdpcmSketch.h"

#include "common/CheckedInt.h"
#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "export/BangGuard.h"
#include "export/ExportedSamples.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/SketchText.h"
#include "slots/SlotName.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

namespace wtb {

namespace {

void appendNumber(std::string& text, std::int64_t number) {
    char digits[20];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

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

constexpr std::string_view kReader = R"sketch(const unsigned int Zozedovad_Steps[89] PROGMEM = {
7,8,9,10,11,12,13,14,16,17,19,21,23,25,28,31,34,37,41,45,50,55,60,66,73,80,88,97,107,118,130,
143,157,173,190,209,230,253,279,307,337,371,408,449,494,544,598,658,724,796,876,963,1060,1166,
1282,1411,1552,1707,1878,2066,2272,2499,2749,3024,3327,3660,4026,4428,4871,5358,5894,6484,7132,
7845,8630,9493,10442,11487,12635,13899,15289,16818,18500,20350,22385,24623,27086,29794,32767};
unsigned int Zozedovad_Get_Start(byte index){
return pgm_read_word_near(&wave_start[index]);
}
unsigned int Zozedovad_Get_Length(byte slot){
if(slot==0||slot>16)return 0;
return pgm_read_word_near(&wave_length[slot-1]);
}
struct Zozedovad_Reader {
  unsigned int position; // the table byte read next
  unsigned int left;     // samples still to come
  unsigned int level;    // the decoder's 16-bit predictor + 32768; the sample is its high byte
  byte index;            // the step index
  byte blockLeft;        // codes left in the block; odd: the next is the high half of `codes`
  byte codes;            // the table byte holding the next code
};
void Zozedovad_Open(byte slot, Zozedovad_Reader* reader){
  reader->left = Zozedovad_Get_Length(slot);
  reader->position = reader->left != 0 ? Zozedovad_Get_Start(slot - 1) : 0;
  reader->level = 0x8000;
  reader->index = 0;
  reader->blockLeft = 0;
  reader->codes = 0;
}
// Unsigned 16-bit arithmetic throughout (the predictor offset by 32768): about half the cycles
// of the same steps on a signed predictor in 32 bits.
inline bool Zozedovad_Next(Zozedovad_Reader* reader, char* sample){
  if (reader->left == 0) return false;
  --reader->left;
  unsigned int level;
  byte index;
  byte blockLeft = reader->blockLeft;
  if (blockLeft == 0) {
    const unsigned int position = reader->position;
    level = ((unsigned int)(byte)(Zozedovad_Get_Byte(position) ^ 0x80) << 8) | 0x80;
    index = Zozedovad_Get_Byte(position + 1);
    reader->position = position + 2;
    reader->blockLeft = 124;
  } else {
    byte code;
    if (blockLeft & 1) {
      code = reader->codes >> 4;
    } else {
      const byte codes = Zozedovad_Get_Byte(reader->position++);
      reader->codes = codes;
      code = codes & 15;
    }
    reader->blockLeft = blockLeft - 1;
    index = reader->index;
    const unsigned int step = pgm_read_word_near(&Zozedovad_Steps[index]);
    const unsigned int half = step >> 1;
    const unsigned int quarter = half >> 1;
    unsigned int diff = quarter >> 1;
    if (code & 4) diff += step;
    if (code & 2) diff += half;
    if (code & 1) diff += quarter;
    level = reader->level;
    if (code & 8) {
      level = diff > level ? 0 : level - diff;
    } else {
      level = diff > (unsigned int)~level ? 0xFFFF : level + diff;
    }
    if (code & 4) {
      index += 2 * ((code & 3) + 1);
      if (index > 88) index = 88;
    } else if (index != 0) {
      --index;
    }
  }
  reader->level = level;
  reader->index = index;
  *sample = (char)((level >> 8) ^ 0x80);
  return true;
}
)sketch";

// Restarts a reader at its slot's loop from the decoder's state kept for it: the byte it reads
// next, its level, step index and codes left in the block; the table byte whose high half comes
// next is read again.
constexpr std::string_view kOpenLoop =
    R"sketch(bool Zozedovad_Open_Loop(byte slot, Zozedovad_Reader* reader){
  const unsigned int start = Zozedovad_Get_Loop_Start(slot);
  if (start == 65535u) return false;
  const unsigned int position = pgm_read_word_near(&wave_loop_position[slot-1]);
  const byte blockLeft = pgm_read_byte(&wave_loop_block[slot-1]);
  reader->position = position;
  reader->left = Zozedovad_Get_Length(slot) - start;
  reader->level = pgm_read_word_near(&wave_loop_level[slot-1]);
  reader->index = pgm_read_byte(&wave_loop_index[slot-1]);
  reader->blockLeft = blockLeft;
  reader->codes = (blockLeft & 1) ? Zozedovad_Get_Byte(position - 1) : 0;
  return true;
}
)sketch";

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

template <std::size_t N>
void appendWordTable(std::string& text, std::string_view open,
                     const std::array<std::int32_t, N>& values) {
    text.append(open);
    for (std::size_t k = 0; k < N; ++k) {
        appendNumber(text, values[k]);
        text.append(k + 1 < N ? "," : "};");
    }
    text.append(kCrLf);
}

// When any slot has a loop: the loop accessors, the reader's state at each loop start (zeros for
// a slot without a loop) and Zozedovad_Open_Loop.
void appendLoops(std::string& text, const SlotBank& bank, const AdpcmTable& table) {
    const std::string accessors = loopAccessorText(bank, SampleFormat::Adpcm4);
    if (accessors.empty()) {
        return;
    }
    const std::array<AdpcmReaderState, 16> states = adpcmLoopStates(bank, table);
    std::array<std::int32_t, 16> positions{};
    std::array<std::int32_t, 16> levels{};
    std::array<std::int32_t, 16> indices{};
    std::array<std::int32_t, 16> blocks{};
    for (std::size_t k = 0; k < states.size(); ++k) {
        positions[k] = states[k].position;
        levels[k] = states[k].level;
        indices[k] = states[k].index;
        blocks[k] = states[k].blockLeft;
    }
    text.append(accessors);
    appendWordTable(text, "const unsigned int wave_loop_position[16] PROGMEM = {", positions);
    appendWordTable(text, "const unsigned int wave_loop_level[16] PROGMEM = {", levels);
    appendWordTable(text, "const byte wave_loop_index[16] PROGMEM = {", indices);
    appendWordTable(text, "const byte wave_loop_block[16] PROGMEM = {", blocks);
    appendCrLfLines(text, kOpenLoop);
}

} // namespace

void refuseAdpcmSlotsBeyondAccessors(const SlotBank& bank) {
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::int64_t samples = std::int64_t{bank[slot].endIndex} + 1;
        if (samples > kAccessorSampleLimit) {
            raise(ErrorKind::Size, "Slot " + std::to_string(slot) + " holds " +
                                       std::to_string(samples) +
                                       " samples; in 4-bit ADPCM a slot holds at most " +
                                       std::to_string(kAccessorSampleLimit) +
                                       ", the most the sketch's accessors count. Shorten it or "
                                       "split it over two slots.");
        }
    }
}

AdpcmTable encodeAdpcmTable(const SlotBank& bank, AdpcmSearch search, bool avoidBangRuns) {
    exportableSampleCount(bank); // the export's own refusals, in its order
    refuseAdpcmSlotsBeyondAccessors(bank);
    AdpcmTable table;
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
    table.starts[16] = static_cast<std::int32_t>(table.bytes.size());
    return table;
}

std::array<std::vector<std::uint8_t>, 16> decodeAdpcmTable(const AdpcmTable& table) {
    std::array<std::vector<std::uint8_t>, 16> slots;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const auto from = static_cast<std::size_t>(table.starts[k]);
        const auto to = static_cast<std::size_t>(table.starts[k + 1]);
        slots[k] = decodeAdpcm(std::span(table.bytes).subspan(from, to - from), table.lengths[k]);
    }
    return slots;
}

std::array<AdpcmReaderState, 16> adpcmLoopStates(const SlotBank& bank, const AdpcmTable& table) {
    const std::array<Loop, 16> loops = exportedLoops(bank);
    std::array<AdpcmReaderState, 16> states{};
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
        raise(ErrorKind::Size, "The ADPCM wavetable takes " + std::to_string(total) +
                                   " bytes; a sketch's accessors address at most " +
                                   std::to_string(kAccessorSampleLimit) +
                                   ". Shorten or remove sounds.");
    }
    const std::int32_t parts = partsOf(total);
    std::string text;
    text.reserve(static_cast<std::size_t>(total) * 4 + 8192);
    appendCrLfLines(text, kAdpcmHeader);
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
    appendWordTable(text, "const unsigned int wave_start[17] PROGMEM = {", table.starts);
    appendWordTable(text, "const unsigned int wave_length[16] PROGMEM = {", table.lengths);
    appendByteAccessor(text, total, parts);
    appendCrLfLines(text, kReader);
    appendLoops(text, bank, table);
    return text;
}

BoardSketchText buildSketchText(const SlotBank& bank, Board board, SampleFormat format) {
    const bool guard = boardRefusesBangRuns(board);
    BoardSketchText result;
    if (format == SampleFormat::Adpcm4) {
        const AdpcmTable table = encodeAdpcmTable(bank, AdpcmSearch::LookAhead, guard);
        result.text = buildAdpcmSketchText(bank, table);
        result.changedBytes = table.constrainedBytes;
        return result;
    }
    if (!guard) {
        result.text = buildSketchText(bank);
        return result;
    }
    // The table's bytes as stored (sample - 128), guarded as one run across the slots, then
    // written through the same text builder from slots holding the guarded samples.
    exportableSampleCount(bank);
    std::vector<std::uint8_t> stored;
    std::array<std::int32_t, 17> starts{};
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        starts[slot - 1] = static_cast<std::int32_t>(stored.size());
        for (std::uint8_t sample : exportedSamples(bank[slot], slot)) {
            stored.push_back(static_cast<std::uint8_t>(sample ^ 0x80));
        }
    }
    starts[16] = static_cast<std::int32_t>(stored.size());
    result.changedBytes = avoidBangRuns(stored);
    if (result.changedBytes == 0) {
        result.text = buildSketchText(bank);
        return result;
    }
    SlotBank guarded = bank;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        Slot& target = guarded[slot];
        if (target.endIndex < 0) {
            continue;
        }
        std::vector<std::uint8_t> bytes(target.samples.bytes().begin(),
                                        target.samples.bytes().end());
        for (std::int32_t k = starts[slot - 1]; k < starts[slot]; ++k) {
            bytes[static_cast<std::size_t>(k - starts[slot - 1])] =
                static_cast<std::uint8_t>(stored[static_cast<std::size_t>(k)] ^ 0x80);
        }
        target.samples = Samples(std::move(bytes));
    }
    result.text = buildSketchText(guarded);
    return result;
}

} // namespace wtb
