#include "export/SketchNumbers.h"

#include <charconv>

namespace wtb {

void appendNumber(std::string& text, std::int64_t number) {
    char digits[20];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void appendNumberList(std::string& text, std::span<const std::int32_t> values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k > 0) {
            text.push_back(',');
        }
        appendNumber(text, values[k]);
    }
}

} // namespace wtb
