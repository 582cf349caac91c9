#include "export/PcmTableSketch.h"

#include "common/CheckedInt.h"
#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "export/BangGuard.h"
#include "export/Boards.h"
#include "export/ExportedSamples.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/SketchNumbers.h"
#include "slots/SlotName.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace wtb {

namespace {

constexpr std::string_view kCommentOpen = "//";
constexpr std::string_view kStoreOpen = "const char wave_store[";
constexpr std::string_view kPartOpen = "const char wave_store_"; // + part + "[" + size
constexpr std::string_view kPartSize = "[";
constexpr std::string_view kStoreClose = "] PROGMEM = {";
constexpr std::string_view kStartName = "wave_start";
// The longest opening of the start table: guarded, as unsigned long.
constexpr std::string_view kStartOpenBound = "const unsigned long wave_start[17] PROGMEM = {";
constexpr std::string_view kTableEnd = "};";
constexpr std::string_view kZeroSample = "0,";
constexpr std::string_view kSampleAccessorOpen = "char Zozedovad_Get_Sample(unsigned int index){";
constexpr std::string_view kSampleRead = "return pgm_read_byte(&wave_store[index]);";
constexpr std::string_view kStartAccessor[] = {
    "}",
    "unsigned int Zozedovad_Get_Start(byte index){",
    "return pgm_read_word_near(&wave_start[index]);",
    "}",
};
// A split table's sample accessor, one line per array:
//   if(index<32767u)return pgm_read_byte(&wave_store_1[index]);
//   return pgm_read_byte(&wave_store_2[index-32767u]);
constexpr std::string_view kPartTest = "if(index<";
constexpr std::string_view kPartTestEnd = "u)";
constexpr std::string_view kPartRead = "return pgm_read_byte(&wave_store_";
constexpr std::string_view kPartIndex = "[index";
constexpr std::string_view kPartOffset = "-";
constexpr std::string_view kPartOffsetEnd = "u";
constexpr std::string_view kPartReadEnd = "]);";

constexpr std::int64_t kLongestNumber = 11; // "-2147483648"
constexpr std::int64_t kLongestSample = 5;  // "-128,"
constexpr std::size_t kStartCount = kSlotCount + 1;

// One sample as it stands in the table, "-128," .. "127,", padded so that it is always copied
// as one 8-byte block.
struct SampleText {
    char text[8];
    std::size_t size;
};
constexpr std::size_t kSampleBlock = sizeof(SampleText::text);

// Every byte's sample text, rendered once: the table is written by copying these, not by
// formatting each sample.
const std::array<SampleText, 256>& sampleTexts() {
    static const std::array<SampleText, 256> texts = [] {
        std::array<SampleText, 256> all{};
        for (int byte = 0; byte < 256; ++byte) {
            SampleText& entry = all[static_cast<std::size_t>(byte)];
            char* end = std::to_chars(entry.text, entry.text + kSampleBlock, byte - 128).ptr;
            *end++ = ',';
            entry.size = static_cast<std::size_t>(end - entry.text);
        }
        return all;
    }();
    return texts;
}

std::int64_t lengthOf(std::initializer_list<std::string_view> parts) {
    std::int64_t length = 0;
    for (std::string_view part : parts) {
        length = checkedAdd(length, static_cast<std::int64_t>(part.size()));
    }
    return length;
}

// Every slot's samples, checked against the slot before any text is built.
struct TableSource {
    std::int32_t total = 0;
    std::array<std::span<const std::uint8_t>, kLastSlot + 1> samples{};
};

// The sample count first (an overflow is reported before any slot), then every slot.
TableSource checkedTableSource(const SlotBank& bank) {
    TableSource source;
    source.total = tableBytes(bank);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        source.samples[slot] = exportableSamples(bank[slot], slot);
    }
    return source;
}

// How the samples are cut into arrays: one array `wave_store`, or for the sizes only a split
// makes compile, `wave_store_1` .. `wave_store_<parts>` of kSamplesPerArray samples, the last
// one holding the rest.
struct TableLayout {
    std::int32_t total = 0;
    std::int32_t parts = 1;

    explicit TableLayout(std::int32_t sampleCount) : total(sampleCount) {
        if (total > kSamplesPerArray && total <= kAccessorSampleLimit) {
            parts = (total + kSamplesPerArray - 1) / kSamplesPerArray;
        }
    }
    bool split() const { return parts > 1; }
    // The sample number at which `part` (1-based) ends.
    std::int32_t partEnd(std::int32_t part) const {
        return split() ? std::min(total, part * kSamplesPerArray) : total;
    }
    std::int32_t partSize(std::int32_t part) const {
        return partEnd(part) - (part - 1) * kSamplesPerArray;
    }
};

// An upper bound of the text's length, found from the end indices and names alone, so the
// samples are walked once. The text is appended to a string reserved to this size: a bound
// too small would cost a reallocation, never a write past the end.
std::size_t textBound(const SlotBank& bank, const TableLayout& layout,
                      const std::array<std::string, kLastSlot + 1>& comments) {
    const std::int64_t declaration =
        lengthOf({kPartOpen, kPartSize, kStoreClose, kTableEnd, kCrLf, kCrLf}) + 2 * kLongestNumber;
    const std::int64_t partAccessor = lengthOf({kPartTest, kPartTestEnd, kPartRead, kPartIndex,
                                                kPartOffset, kPartOffsetEnd, kPartReadEnd, kCrLf}) +
                                      3 * kLongestNumber;
    std::int64_t bound = checkedMul(std::int64_t{layout.parts}, declaration + partAccessor);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::int64_t samples = bank[slot].keptSamples();
        bound = checkedAdd(bound, lengthOf({kCommentOpen, comments[slot], kCrLf, kCrLf}));
        bound = checkedAdd(bound, checkedMul(samples, kLongestSample));
    }
    bound = checkedAdd(bound, lengthOf({kTableEnd, kCrLf, kStartOpenBound, kTableEnd, kCrLf}) +
                                  static_cast<std::int64_t>(kStartCount) * (kLongestNumber + 1));
    bound = checkedAdd(bound, lengthOf({kSampleAccessorOpen, kSampleRead, kCrLf, kCrLf}));
    for (std::string_view line : kStartAccessor) {
        bound = checkedAdd(bound, lengthOf({line, kCrLf}));
    }
    return static_cast<std::size_t>(checkedAdd(bound, std::int64_t{kSampleBlock}));
}

// Writes the sample table: the declaration of each array, each slot's comment line and sample
// line, and an array's end wherever the samples reach the size of one.
class SampleTableWriter {
public:
    SampleTableWriter(std::string& text, const TableLayout& layout)
        : text_(text), layout_(layout), partEnd_(layout.partEnd(1)) {}

    void openTable() {
        if (layout_.split()) {
            appendDeclaration();
        } else {
            text_.append(kStoreOpen);
            appendNumber(text_, layout_.total);
            text_.append(kStoreClose);
        }
        text_.append(kCrLf);
    }

    void appendSlot(std::string_view comment, std::span<const std::uint8_t> bytes,
                    std::int32_t endIndex, const std::optional<Loop>& loop) {
        keepFirst_ = loop && loop->start == 0;
        keepLast_ = loop && loop->end == endIndex;
        text_.append(kCommentOpen);
        text_.append(comment);
        text_.append(kCrLf);
        for (std::int32_t h = 0; h <= endIndex;) {
            const std::int32_t to = std::min(endIndex + 1, h + (partEnd_ - written_));
            appendSamples(bytes, endIndex, h, to);
            written_ += to - h;
            h = to;
            if (written_ == partEnd_ && written_ < layout_.total) {
                startNextPart();
                if (h <= endIndex) {
                    text_.append(kCrLf);
                }
            }
        }
        text_.append(kCrLf);
    }

    // The last sample line loses its final "," and line end; after an empty last slot the
    // three characters are the comment's LF and the empty line's CR LF.
    void closeTable() {
        text_.resize(text_.size() - std::min<std::size_t>(3, text_.size()));
        text_.append(kTableEnd);
        text_.append(kCrLf);
    }

private:
    // "const char wave_store_<part>[<size>] PROGMEM = {", without its line end.
    void appendDeclaration() {
        text_.append(kPartOpen);
        appendNumber(text_, part_);
        text_.append(kPartSize);
        appendNumber(text_, layout_.partSize(part_));
        text_.append(kStoreClose);
    }

    // The full array ends after its last sample, in place of that sample's ",". The next
    // declaration's line end is the slot line's own when the slot has no samples left.
    void startNextPart() {
        text_.pop_back();
        text_.append(kTableEnd);
        text_.append(kCrLf);
        ++part_;
        partEnd_ = layout_.partEnd(part_);
        appendDeclaration();
    }

    // Samples from..to-1 of a slot: the first and the last on the zero line unless the slot's
    // loop starts or ends there (as exportedSamples), the others as byte - 128.
    void appendSamples(std::span<const std::uint8_t> bytes, std::int32_t endIndex,
                       std::int32_t from, std::int32_t to) {
        if (from == 0) {
            appendEdge(bytes, 0, keepFirst_);
            ++from;
        }
        const std::int32_t inner = std::min(to, endIndex);
        if (from < inner) {
            appendByteSamples(bytes.subspan(static_cast<std::size_t>(from),
                                            static_cast<std::size_t>(inner - from)));
        }
        if (to == endIndex + 1 && endIndex > 0) {
            appendEdge(bytes, endIndex, keepLast_);
        }
    }

    void appendEdge(std::span<const std::uint8_t> bytes, std::int32_t index, bool keep) {
        if (keep) {
            appendByteSamples(bytes.subspan(static_cast<std::size_t>(index), 1));
        } else {
            text_.append(kZeroSample);
        }
    }

    // The inner loop: each sample is one 8-byte copy of its prepared text. The string is first
    // grown by the most these samples can take (plus the padding of the last copy), so every
    // copy lands inside it; then cut back to what was written.
    void appendByteSamples(std::span<const std::uint8_t> run) {
        const std::size_t start = text_.size();
        const auto most = checkedMul(static_cast<std::int64_t>(run.size()), kLongestSample);
        text_.resize(start + static_cast<std::size_t>(most) + kSampleBlock - kLongestSample);
        const auto& texts = sampleTexts();
        char* out = text_.data() + start;
        for (std::uint8_t byte : run) {
            std::memcpy(out, texts[byte].text, kSampleBlock);
            out += texts[byte].size;
        }
        text_.resize(static_cast<std::size_t>(out - text_.data()));
    }

    std::string& text_;
    const TableLayout& layout_;
    std::int32_t part_ = 1;
    std::int32_t partEnd_;
    std::int32_t written_ = 0;
    bool keepFirst_ = false;
    bool keepLast_ = false;
};

void appendStartTable(std::string& text, const std::array<std::int32_t, kStartCount>& starts,
                      bool guard) {
    text.append(progmemTableOpen(kStartName, starts, 2, guard));
    appendNumberList(text, starts);
    text.append(kTableEnd);
    text.append(kCrLf);
}

void appendAccessors(std::string& text, const TableLayout& layout) {
    text.append(kSampleAccessorOpen);
    text.append(kCrLf);
    if (!layout.split()) {
        text.append(kSampleRead);
        text.append(kCrLf);
    }
    for (std::int32_t part = 1; layout.split() && part <= layout.parts; ++part) {
        if (part < layout.parts) {
            text.append(kPartTest);
            appendNumber(text, layout.partEnd(part));
            text.append(kPartTestEnd);
        }
        text.append(kPartRead);
        appendNumber(text, part);
        text.append(kPartIndex);
        if (part > 1) {
            text.append(kPartOffset);
            appendNumber(text, layout.partEnd(part - 1));
            text.append(kPartOffsetEnd);
        }
        text.append(kPartReadEnd);
        text.append(kCrLf);
    }
    for (std::string_view line : kStartAccessor) {
        text.append(line);
        text.append(kCrLf);
    }
}

} // namespace

std::int32_t exportableSampleCount(const SlotBank& bank) {
    return checkedTableSource(bank).total;
}

std::string buildSketchText(const SlotBank& bank, bool guardTables) {
    const TableSource source = checkedTableSource(bank);
    const TableLayout layout(source.total);
    std::array<std::string, kLastSlot + 1> comments{};
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        comments[slot] = commentSafeName(bank[slot].name);
    }

    const std::string loops = loopAccessorText(bank, SampleFormat::Pcm8, guardTables);
    std::string text;
    text.reserve(textBound(bank, layout, comments) + loops.size());
    SampleTableWriter table(text, layout);
    table.openTable();
    std::array<std::int32_t, kStartCount> starts{};
    std::int32_t written = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        starts[slot - 1] = written;
        written += bank[slot].keptSamples(); // bounded by the checked total
        table.appendSlot(comments[slot], source.samples[slot], bank[slot].endIndex,
                         bank[slot].loop);
    }
    starts[kStartCount - 1] = written;
    table.closeTable();
    appendStartTable(text, starts, guardTables);
    appendAccessors(text, layout);
    text.append(loops);
    return text;
}

} // namespace wtb
