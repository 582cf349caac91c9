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

// The problem `fault` with its own facts and those of the place where its field was read.
SlotProblem problemAt(SlotFault fault, const Facts& place, Facts facts = {}) {
    for (const auto& [name, value] : place.all()) {
        facts.add(name, value);
    }
    return {fault, std::move(facts)};
}

UnusableFields unusable(std::string_view stored, SlotProblem problem, UnusableFields::Field field) {
    return {std::string(stored), std::move(problem), field};
}

// Why a stored loop index cannot be used (a whole number from 0, no sign, no space); none
// when it can.
std::optional<SlotProblem> loopIndexProblem(std::string_view field, bool start,
                                            const Facts& place) {
    const std::optional<std::int32_t> value =
        field.starts_with('+') ? std::nullopt : wholeNumber(field);
    if (!value) {
        return problemAt(start ? SlotFault::LoopStartNotWhole : SlotFault::LoopEndNotWhole, place,
                         {{"field", field}});
    }
    if (*value < 0) {
        return problemAt(start ? SlotFault::LoopStartNegative : SlotFault::LoopEndNegative, place,
                         {{"field", field}});
    }
    return std::nullopt;
}

// The fields after the end index: none, or a loop's start and end.
void readLoopFields(const std::vector<std::string_view>& fields, std::string_view stored,
                    const Facts& place, SettingsLine& line) {
    if (fields.size() == 2) {
        return;
    }
    const auto unusableLoop = [&](SlotProblem problem) {
        line.unusable = unusable(stored, std::move(problem), UnusableFields::Field::Loop);
    };
    if (fields.size() != 4) {
        std::string held; // as read: a TAB cannot be inside a field
        for (std::size_t i = 2; i < fields.size(); ++i) {
            held += (i > 2 ? "\t" : "") + std::string(fields[i]);
        }
        unusableLoop(problemAt(SlotFault::LoopFieldCount, place,
                               {{"count", fields.size() - 2}, {"fields", held}}));
        return;
    }
    std::optional<SlotProblem> problem = loopIndexProblem(fields[2], true, place);
    if (!problem) {
        problem = loopIndexProblem(fields[3], false, place);
    }
    const Loop loop{wholeNumber(fields[2]).value_or(0), wholeNumber(fields[3]).value_or(0)};
    if (!problem && loop.start > loop.end) {
        problem = problemAt(SlotFault::LoopStartsAfterEnd, place,
                            {{"start", loop.start}, {"end", loop.end}});
    }
    if (problem) {
        unusableLoop(std::move(*problem));
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

// The key map field: "keys", then root, lowest note, highest note and fine tune in cents,
// each after one space.
void readKeyField(std::string_view field, std::string_view stored, const Facts& place,
                  SettingsLine& line) {
    const auto unusableKeys = [&](SlotFault fault, Facts facts) {
        facts.add("field", field);
        line.unusable = unusable(stored, problemAt(fault, place, std::move(facts)),
                                 UnusableFields::Field::KeyMap);
    };
    const std::vector<std::string_view> parts = splitOnSpaces(field);
    if (parts.front() != kKeysTag || parts.size() != 5) {
        unusableKeys(SlotFault::KeyMapMalformed, {});
        return;
    }
    std::array<std::int32_t, 4> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::optional<std::int32_t> number =
            parts[i + 1].starts_with('+') ? std::nullopt : wholeNumber(parts[i + 1]);
        if (!number) {
            unusableKeys(SlotFault::KeyMapNumberNotWhole, {{"number", parts[i + 1]}});
            return;
        }
        numbers[i] = *number;
    }
    const KeyRange keys{numbers[0], numbers[1], numbers[2], numbers[3]};
    if (std::optional<SlotProblem> problem = keyRangeProblem(keys)) {
        problem->facts.add("keyProblem", static_cast<std::int64_t>(problem->fault));
        unusableKeys(SlotFault::KeyMapUnusable, std::move(problem->facts));
        return;
    }
    line.keys = keys;
}

} // namespace

Facts settingsPlace(std::size_t lineNumber, const std::string& fileName) {
    return {{"line", lineNumber}, {"file", fileName}};
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
        const Facts place = settingsPlace(n + 1, fileName);
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
            line.unusable = unusable(
                stored, problemAt(SlotFault::EndIndexNotNumber, place, {{"field", fields[1]}}),
                UnusableFields::Field::EndIndex);
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
