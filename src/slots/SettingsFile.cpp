#include "slots/SettingsFile.h"

#include "common/RoundHalfEven.h"
#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "slots/SlotFault.h"
#include "slots/SlotName.h"

#include <array>
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

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

UnusableFields unusableLoop(std::string_view stored, const std::string& problem) {
    return {std::string(stored), problem, "Set its loop again, or remove it.",
            UnusableFields::Field::Loop};
}

// Why a stored loop index cannot be used (a whole number from 0, no sign, no space); empty
// when it can.
std::string loopIndexProblem(std::string_view field, const std::string& what,
                             const std::string& place) {
    const std::optional<std::int32_t> value =
        field.starts_with('+') ? std::nullopt : wholeNumber(field);
    if (!value) {
        return what + " " + quoted(field) + " " + place + " is not a whole number";
    }
    if (*value < 0) {
        return what + " " + quoted(field) + " " + place + " lies before the first sample, index 0";
    }
    return {};
}

// The fields after the end index: none, or a loop's start and end.
void readLoopFields(const std::vector<std::string_view>& fields, std::string_view stored,
                    const std::string& place, SettingsLine& line) {
    if (fields.size() == 2) {
        return;
    }
    if (fields.size() != 4) {
        std::string held;
        for (std::size_t i = 2; i < fields.size(); ++i) {
            held += (i > 2 ? ", " : "") + quoted(fields[i]);
        }
        const std::size_t count = fields.size() - 2;
        line.unusable = unusableLoop(stored, "loop " + place + " has " + std::to_string(count) +
                                                 (count == 1 ? " field, " : " fields, ") + held +
                                                 ", where a loop has two: its start and its end");
        return;
    }
    std::string problem = loopIndexProblem(fields[2], "loop start", place);
    if (problem.empty()) {
        problem = loopIndexProblem(fields[3], "loop end", place);
    }
    const Loop loop{wholeNumber(fields[2]).value_or(0), wholeNumber(fields[3]).value_or(0)};
    if (problem.empty() && loop.start > loop.end) {
        problem = "loop " + std::to_string(loop.start) + ".." + std::to_string(loop.end) + " " +
                  place + " starts after it ends";
    }
    if (!problem.empty()) {
        line.unusable = unusableLoop(stored, problem);
        return;
    }
    line.loop = loop;
}

constexpr std::string_view kKeysTag = "keys";

bool isKeyField(std::string_view field) {
    return field.starts_with(kKeysTag);
}

std::vector<std::string_view> splitOnSpaces(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t space = text.find(' ', start);
        parts.push_back(text.substr(start, space - start));
        if (space == std::string_view::npos) {
            return parts;
        }
        start = space + 1;
    }
}

UnusableFields unusableKeys(std::string_view stored, const std::string& problem) {
    return {std::string(stored), problem, "Set its keys again, or remove its key map.",
            UnusableFields::Field::KeyMap};
}

// The key map field: "keys", then root, lowest note, highest note and fine tune in cents,
// each after one space.
void readKeyField(std::string_view field, std::string_view stored, const std::string& place,
                  SettingsLine& line) {
    const std::vector<std::string_view> parts = splitOnSpaces(field);
    const std::string held = "key map " + quoted(field) + " " + place;
    if (parts.front() != kKeysTag || parts.size() != 5) {
        line.unusable = unusableKeys(stored, held + " is not \"keys\" and four numbers: the "
                                                    "root, lowest and highest note and fine tune");
        return;
    }
    std::array<std::int32_t, 4> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::optional<std::int32_t> number =
            parts[i + 1].starts_with('+') ? std::nullopt : wholeNumber(parts[i + 1]);
        if (!number) {
            line.unusable = unusableKeys(stored, held + " holds " + quoted(parts[i + 1]) +
                                                     ", which is not a whole number");
            return;
        }
        numbers[i] = *number;
    }
    const KeyRange keys{numbers[0], numbers[1], numbers[2], numbers[3]};
    if (const std::string problem = keyRangeProblem(keys); !problem.empty()) {
        line.unusable = unusableKeys(stored, held + " cannot be used: " + problem);
        return;
    }
    line.keys = keys;
}

} // namespace

std::string settingsPlace(std::size_t lineNumber, const std::string& fileName) {
    return "in line " + std::to_string(lineNumber) + " of \"" + fileName + "\"";
}

std::optional<std::int32_t> readEndIndex(std::string_view field) {
    std::size_t pos = field.find_first_not_of(' ');
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    bool negative = false;
    if (field[pos] == '+' || field[pos] == '-') {
        negative = field[pos] == '-';
        ++pos;
    }
    const std::string_view number = field.substr(pos, numberPrefixLength(field.substr(pos)));
    if (number.empty()) {
        return std::nullopt;
    }
    // The prefix holds only digits, point, exponent and sign, so the C locale's strtod reads it
    // exactly, giving HUGE_VAL past the double range and 0 below it.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string digits(number);
    const double value = strtod_l(digits.c_str(), nullptr, cLocale);
    return toInt32HalfEven(negative ? -value : value);
}

std::int32_t parseEndIndex(std::string_view field) {
    return readEndIndex(field).value_or(0);
}

SettingsLines parseSettings(std::string_view text, const std::string& fileName) {
    const std::vector<std::string_view> lines = splitTextLines(text);
    SettingsLines result;
    for (std::size_t n = 0; n < result.size(); ++n) {
        if (n >= lines.size()) {
            raise(ErrorKind::File, SlotFault::SettingsTooShort,
                  {{"file", fileName}, {"lines", lines.size()}, {"slots", kSlotCount}});
        }
        const std::vector<std::string_view> fields = splitFields(lines[n]);
        if (fields.size() < 2) {
            raise(ErrorKind::File, SlotFault::SettingsLineWithoutTab,
                  {{"line", n + 1}, {"file", fileName}});
        }
        SettingsLine& line = result[n];
        line.name = std::string(fields[0]);
        const std::string_view stored = lines[n].substr(fields[0].size() + 1);
        const std::string place = settingsPlace(n + 1, fileName);
        std::optional<std::int32_t> endIndex;
        try {
            endIndex = readEndIndex(fields[1]);
        } catch (const RuntimeError& error) {
            if (error.kind() != ErrorKind::Overflow) {
                throw;
            }
            raise(ErrorKind::Overflow, SlotFault::EndIndexOutOfRange,
                  {{"field", fields[1]}, {"line", n + 1}, {"file", fileName}});
        }
        if (!endIndex) {
            line.unusable = UnusableFields{
                std::string(stored),
                "end index " + quoted(fields[1]) + " " + place + " is not a number (it reads as 0)",
                "Set its end point again.", UnusableFields::Field::EndIndex};
            continue;
        }
        line.endIndex = *endIndex;
        std::vector<std::string_view> loopFields = fields;
        if (fields.size() > 2 && isKeyField(fields.back())) {
            loopFields.pop_back();
        }
        readLoopFields(loopFields, stored, place, line);
        if (!line.unusable && loopFields.size() < fields.size()) {
            readKeyField(fields.back(), stored, place, line);
        }
    }
    return result;
}

std::string storedFields(std::string_view text, std::size_t lineIndex) {
    const std::string_view line = splitTextLines(text).at(lineIndex);
    return std::string(line.substr(line.find('\t') + 1));
}

std::string formatSettings(const SettingsLines& lines) {
    std::string text;
    for (const SettingsLine& line : lines) {
        // a TAB or line end inside a name would shift every later slot's line
        text += oneFieldName(line.name);
        text += '\t';
        if (line.unusable) {
            text += line.unusable->stored + std::string(kCrLf);
            continue;
        }
        text += std::to_string(line.endIndex);
        if (line.loop) {
            text += '\t' + std::to_string(line.loop->start) + '\t' + std::to_string(line.loop->end);
        }
        if (line.keys) {
            text += '\t' + std::string(kKeysTag) + ' ' + std::to_string(line.keys->root) + ' ' +
                    std::to_string(line.keys->low) + ' ' + std::to_string(line.keys->high) + ' ' +
                    std::to_string(line.keys->fineCents);
        }
        text += kCrLf;
    }
    return text;
}

} // namespace wtb
