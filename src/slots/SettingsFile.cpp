#include "slots/SettingsFile.h"

#include "common/RoundHalfEven.h"
#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "slots/SlotName.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace wtb {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// The length of the longest prefix of `text` of the form digits[.digits][e[sign]digits]
// (or .digits[...]); 0 when `text` does not begin with a number.
std::size_t numberPrefixLength(std::string_view text) {
    std::size_t pos = skipDigits(text, 0);
    const bool intDigits = pos > 0;
    bool fracDigits = false;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t afterPoint = skipDigits(text, pos + 1);
        fracDigits = afterPoint > pos + 1;
        if (intDigits || fracDigits) {
            pos = afterPoint;
        }
    }
    if (!intDigits && !fracDigits) {
        return 0;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t exponent = pos + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t afterExponent = skipDigits(text, exponent);
        if (afterExponent > exponent) {
            pos = afterExponent;
        }
    }
    return pos;
}

std::optional<std::int32_t> wholeNumber(std::string_view field) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Loop> loopFields(const std::vector<std::string_view>& fields) {
    if (fields.size() < 4) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> start = wholeNumber(fields[2]);
    const std::optional<std::int32_t> end = wholeNumber(fields[3]);
    if (!start || !end) {
        return std::nullopt;
    }
    return Loop{*start, *end};
}

} // namespace

std::int32_t parseEndIndex(std::string_view field) {
    std::size_t pos = field.find_first_not_of(' ');
    if (pos == std::string_view::npos) {
        return 0;
    }
    bool negative = false;
    if (field[pos] == '+' || field[pos] == '-') {
        negative = field[pos] == '-';
        ++pos;
    }
    const std::string_view number = field.substr(pos, numberPrefixLength(field.substr(pos)));
    if (number.empty()) {
        return 0;
    }
    // The prefix holds only digits, point, exponent and sign, so the C locale's strtod reads it
    // exactly, giving HUGE_VAL past the double range and 0 below it.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string digits(number);
    const double value = strtod_l(digits.c_str(), nullptr, cLocale);
    return toInt32HalfEven(negative ? -value : value);
}

SettingsLines parseSettings(std::string_view text, const std::string& fileName) {
    const std::vector<std::string_view> lines = splitTextLines(text);
    SettingsLines result;
    for (std::size_t n = 0; n < result.size(); ++n) {
        const std::string lineName = "line " + std::to_string(n + 1) + " of \"" + fileName + "\"";
        if (n >= lines.size()) {
            raise(ErrorKind::File, "\"" + fileName + "\" ends after " +
                                       std::to_string(lines.size()) +
                                       " lines; it needs one line for each of the 16 slots.");
        }
        const std::vector<std::string_view> fields = splitFields(lines[n]);
        if (fields.size() < 2) {
            raise(ErrorKind::File,
                  "The " + lineName + " has no TAB between the slot's name and its end index.");
        }
        result[n].name = std::string(fields[0]);
        try {
            result[n].endIndex = parseEndIndex(fields[1]);
        } catch (const RuntimeError& error) {
            if (error.kind() != ErrorKind::Overflow) {
                throw;
            }
            raise(ErrorKind::Overflow, "The end index \"" + std::string(fields[1]) + "\" in " +
                                           lineName + " is outside the 32-bit range.");
        }
        result[n].loop = loopFields(fields);
    }
    return result;
}

std::string formatSettings(const SettingsLines& lines) {
    std::string text;
    for (const SettingsLine& line : lines) {
        // a TAB or line end inside a name would shift every later slot's line
        text += oneFieldName(line.name);
        text += '\t';
        text += std::to_string(line.endIndex);
        if (line.loop) {
            text += '\t' + std::to_string(line.loop->start) + '\t' + std::to_string(line.loop->end);
        }
        text += kCrLf;
    }
    return text;
}

} // namespace wtb
