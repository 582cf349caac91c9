#include "export/SketchText.h"

#include "common/CheckedInt.h"
#include "common/TextLines.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace wtb {

namespace {

constexpr std::string_view kStoreOpen = "const char wave_store[";
constexpr std::string_view kStoreClose = "] PROGMEM = {";
constexpr std::string_view kStartOpen = "const unsigned int wave_start[17] PROGMEM = {";
constexpr std::string_view kTableEnd = "};";
constexpr std::string_view kAccessors[] = {
    "char Zozedovad_Get_Sample(unsigned int index){",
    "return pgm_read_byte(&wave_store[index]);",
    "}",
    "unsigned int Zozedovad_Get_Start(byte index){",
    "return pgm_read_word_near(&wave_start[index]);",
    "}",
};
constexpr std::size_t kLongestNumber = 11; // "-2147483648"
constexpr std::size_t kLongestSample = 5;  // "-128,"

// Appends into a buffer sized up front, so the text is built without reallocation.
class TextBuffer {
public:
    explicit TextBuffer(std::size_t capacity) : text_(capacity, '\0'), end_(text_.data()) {}

    void append(std::string_view part) {
        std::memcpy(end_, part.data(), part.size());
        end_ += part.size();
    }
    void append(std::int32_t number) {
        end_ = std::to_chars(end_, end_ + kLongestNumber, number).ptr;
    }
    void dropLast(std::size_t count) { end_ -= std::min(count, size()); }
    std::size_t size() const { return static_cast<std::size_t>(end_ - text_.data()); }
    std::string take() {
        text_.resize(size());
        return std::move(text_);
    }

private:
    std::string text_;
    char* end_;
};

// Refuses what would index outside a slot's samples, before any text is built.
void checkSlot(const SlotBank& bank, std::int16_t slot) {
    const std::int32_t size = bufferOf(bank, slot).description().bufferBytes;
    const std::int32_t endIndex = bank.OutBufLen[slot];
    const std::string name = "Slot " + std::to_string(slot);
    if (size == 0) {
        raise(ErrorKind::Bounds, name + " holds no samples; import a sound into it or choose "
                                        "another before saving the wavetable.");
    }
    if (endIndex < -1 || endIndex > size - 1) {
        raise(ErrorKind::Bounds, name + " cannot be exported: its end index " +
                                     std::to_string(endIndex) + " lies outside its samples (-1.." +
                                     std::to_string(size - 1) + "; last sample " +
                                     std::to_string(size - 1) + ").");
    }
}

std::int32_t totalSamples(const SlotBank& bank) {
    std::int32_t total = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        total = checkedAdd(total, checkedAdd(bank.OutBufLen[slot], std::int32_t{1}));
    }
    return total;
}

std::size_t capacityFor(const SlotBank& bank, std::int32_t total) {
    std::size_t capacity =
        kStoreOpen.size() + kLongestNumber + kStoreClose.size() + 2 * kTableEnd.size();
    capacity += kStartOpen.size() + 17 * (kLongestNumber + 1);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        capacity += 2 + bank.WaveName[slot].size() + 2 * kCrLf.size();
    }
    capacity += static_cast<std::size_t>(total) * kLongestSample;
    for (std::string_view line : kAccessors) {
        capacity += line.size() + kCrLf.size();
    }
    return capacity + 2 * kCrLf.size();
}

void appendSamples(TextBuffer& text, std::span<const std::uint8_t> bytes, std::int32_t endIndex) {
    for (std::int32_t h = 0; h <= endIndex; ++h) {
        if (h == 0 || h == endIndex) {
            text.append("0,");
        } else {
            text.append(std::int32_t{bytes[static_cast<std::size_t>(h)]} - 128);
            text.append(",");
        }
    }
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
    for (;;) {
        const std::size_t last = safe.find_last_not_of(' ');
        if (last == std::string::npos || safe[last] != '\\') {
            return safe;
        }
        safe.erase(last, 1);
    }
}

std::string buildSketchText(const SlotBank& bank) {
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        checkSlot(bank, slot);
    }
    const std::int32_t total = totalSamples(bank);
    TextBuffer text(capacityFor(bank, total));

    text.append(kStoreOpen);
    text.append(total);
    text.append(kStoreClose);
    text.append(kCrLf);
    std::int32_t starts[17];
    std::int32_t written = 0;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        starts[slot - 1] = written;
        text.append("//");
        text.append(commentSafeName(bank.WaveName[slot]));
        text.append(kCrLf);
        const std::int32_t endIndex = bank.OutBufLen[slot];
        appendSamples(text, bufferOf(bank, slot).bytes(), endIndex);
        written = checkedAdd(written, checkedAdd(endIndex, std::int32_t{1}));
        text.append(kCrLf);
    }
    starts[16] = written;
    // The last sample line loses its final "," and line end; with an empty last slot the
    // three characters are the comment's LF and the empty line's CR LF.
    text.dropLast(3);
    text.append(kTableEnd);
    text.append(kCrLf);

    text.append(kStartOpen);
    for (std::size_t k = 0; k < 17; ++k) {
        text.append(starts[k]);
        text.append(k < 16 ? "," : "");
    }
    text.append(kTableEnd);
    text.append(kCrLf);
    for (std::string_view line : kAccessors) {
        text.append(line);
        text.append(kCrLf);
    }
    return text.take();
}

} // namespace wtb
