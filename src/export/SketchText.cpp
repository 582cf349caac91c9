#include "export/SketchText.h"

#include "common/RuntimeError.h"
#include "common/TextLines.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace wtb {

namespace {

constexpr std::string_view kCommentOpen = "//";
constexpr std::string_view kStoreOpen = "const char wave_store[";
constexpr std::string_view kStoreClose = "] PROGMEM = {";
constexpr std::string_view kStartOpen = "const unsigned int wave_start[17] PROGMEM = {";
constexpr std::string_view kTableEnd = "};";
constexpr std::string_view kZeroSample = "0,";
constexpr std::string_view kAccessors[] = {
    "char Zozedovad_Get_Sample(unsigned int index){",
    "return pgm_read_byte(&wave_store[index]);",
    "}",
    "unsigned int Zozedovad_Get_Start(byte index){",
    "return pgm_read_word_near(&wave_start[index]);",
    "}",
};
constexpr std::size_t kLongestNumber = 11; // "-2147483648"
constexpr std::size_t kStartCount = 17;

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

// Appends into a buffer sized exactly up front (plus one block of slack for the padded sample
// copies), so the text is built without reallocation or bounds tests in the inner loop.
class TextBuffer {
public:
    explicit TextBuffer(std::size_t size)
        : text_(size + kSampleBlock, '\0'), begin_(text_.data()), end_(begin_) {}

    void append(std::string_view part) {
        std::memcpy(end_, part.data(), part.size());
        end_ += part.size();
    }
    void append(std::int32_t number) {
        end_ = std::to_chars(end_, end_ + kLongestNumber, number).ptr;
    }
    void append(const SampleText& sample) {
        std::memcpy(end_, sample.text, kSampleBlock);
        end_ += sample.size;
    }
    void dropLast(std::size_t count) { end_ -= std::min(count, size()); }
    std::size_t size() const { return static_cast<std::size_t>(end_ - begin_); }
    std::string take() {
        text_.resize(size());
        return std::move(text_);
    }

private:
    std::string text_;
    char* begin_;
    char* end_;
};

std::size_t numberLength(std::int32_t number) {
    char digits[kLongestNumber];
    return static_cast<std::size_t>(std::to_chars(digits, digits + kLongestNumber, number).ptr -
                                    digits);
}

// T, the length of the sample table: the sum over the slots of end index + 1, in 32 bits.
std::int32_t totalSamples(const SlotBank& bank) {
    std::int32_t total = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::int32_t endIndex = bank.OutBufLen[slot];
        std::int32_t count = 0;
        if (__builtin_add_overflow(endIndex, 1, &count) ||
            __builtin_add_overflow(total, count, &total)) {
            raise(ErrorKind::Overflow,
                  "The wavetable cannot be saved: with slot " + std::to_string(slot) +
                      " (end index " + std::to_string(endIndex) + ") its sample count exceeds " +
                      std::to_string(std::numeric_limits<std::int32_t>::max()) + ".");
        }
    }
    return total;
}

// The slot's samples; refuses what would read outside them, before any text is built.
std::span<const std::uint8_t> checkedSamples(const SlotBank& bank, std::int16_t slot) {
    const std::span<const std::uint8_t> bytes = bufferOf(bank, slot).bytes();
    const auto size = static_cast<std::int32_t>(bytes.size());
    const std::int32_t endIndex = bank.OutBufLen[slot];
    if (size == 0) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) +
                                     " holds no samples (size 0); import a sound into it "
                                     "before saving the wavetable.");
    }
    if (endIndex < -1 || endIndex > size - 1) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) +
                                     " cannot be saved: its end index " + std::to_string(endIndex) +
                                     " lies outside -1.." + std::to_string(size - 1) +
                                     " (the slot holds " + std::to_string(size) + " samples).");
    }
    return bytes;
}

// The slot's sample line without its line end: the first and last sample on the zero line,
// the others as byte - 128.
void appendSamples(TextBuffer& text, std::span<const std::uint8_t> bytes, std::int32_t endIndex) {
    if (endIndex < 0) {
        return;
    }
    text.append(kZeroSample);
    const auto& texts = sampleTexts();
    for (std::size_t h = 1; h < static_cast<std::size_t>(endIndex); ++h) {
        text.append(texts[bytes[h]]);
    }
    if (endIndex > 0) {
        text.append(kZeroSample);
    }
}

std::size_t sampleLineLength(std::span<const std::uint8_t> bytes, std::int32_t endIndex) {
    if (endIndex < 0) {
        return 0;
    }
    const auto& texts = sampleTexts();
    std::size_t length = endIndex > 0 ? 2 * kZeroSample.size() : kZeroSample.size();
    for (std::size_t h = 1; h < static_cast<std::size_t>(endIndex); ++h) {
        length += texts[bytes[h]].size;
    }
    return length;
}

} // namespace

std::string commentSafeName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = ' ';
        }
    }
    // A backslash at the end of a line, even with spaces after it, continues the comment onto
    // the next line; so does the trigraph "??/" where trigraphs are on (and it draws a warning
    // where they are off).
    for (;;) {
        const std::size_t last = safe.find_last_not_of(' ');
        if (last == std::string::npos) {
            return safe;
        }
        const bool backslash = safe[last] == '\\';
        const bool trigraph =
            safe[last] == '/' && last >= 2 && safe.compare(last - 2, 2, "??") == 0;
        if (!backslash && !trigraph) {
            return safe;
        }
        safe.erase(last, 1);
    }
}

std::string buildSketchText(const SlotBank& bank) {
    const std::int32_t total = totalSamples(bank);
    std::array<std::span<const std::uint8_t>, kLastSlot + 1> samples{};
    std::array<std::string, kLastSlot + 1> comments{};
    std::array<std::int32_t, kStartCount> starts{};
    std::size_t size = kStoreOpen.size() + numberLength(total) + kStoreClose.size() + kCrLf.size() +
                       kStartOpen.size();
    std::int32_t written = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        samples[slot] = checkedSamples(bank, slot);
        comments[slot] = commentSafeName(bank.WaveName[slot]);
        starts[slot - 1] = written;
        written += bank.OutBufLen[slot] + 1; // bounded by the checked total
        size += kCommentOpen.size() + comments[slot].size() + kCrLf.size() +
                sampleLineLength(samples[slot], bank.OutBufLen[slot]) + kCrLf.size();
    }
    starts[kStartCount - 1] = written;
    for (std::int32_t start : starts) {
        size += numberLength(start) + 1;
    }
    // both tables' ends, less the three characters dropped and the comma after the last start
    size += 2 * (kTableEnd.size() + kCrLf.size()) - 3 - 1;
    for (std::string_view line : kAccessors) {
        size += line.size() + kCrLf.size();
    }

    TextBuffer text(size);
    text.append(kStoreOpen);
    text.append(total);
    text.append(kStoreClose);
    text.append(kCrLf);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        text.append(kCommentOpen);
        text.append(comments[slot]);
        text.append(kCrLf);
        appendSamples(text, samples[slot], bank.OutBufLen[slot]);
        text.append(kCrLf);
    }
    // The last sample line loses its final "," and line end; after an empty last slot the
    // three characters are the comment's LF and the empty line's CR LF.
    text.dropLast(3);
    text.append(kTableEnd);
    text.append(kCrLf);

    text.append(kStartOpen);
    for (std::size_t k = 0; k < kStartCount; ++k) {
        text.append(starts[k]);
        if (k + 1 < kStartCount) {
            text.append(",");
        }
    }
    text.append(kTableEnd);
    text.append(kCrLf);
    for (std::string_view line : kAccessors) {
        text.append(line);
        text.append(kCrLf);
    }
    assert(text.size() == size);
    return text.take();
}

} // namespace wtb
