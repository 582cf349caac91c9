#include "slots/KeyRange.h"

#include <array>
#include <charconv>
#include <cmath>

namespace wtb {

namespace {

constexpr std::array<const char*, 12> kPitchClassNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};

// The semitones of the white keys above C, for the letters A..G.
constexpr std::array<std::int32_t, 7> kLetterSemitones = {9, 11, 0, 2, 4, 5, 7};

bool isNote(std::int32_t note) {
    return note >= kLowestNote && note <= kHighestNote;
}

std::optional<std::int32_t> wholeNumber(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

SlotProblem noteProblem(SlotFault fault, std::int32_t note) {
    return {fault, {{"note", note}}};
}

} // namespace

std::optional<SlotProblem> keyRangeProblem(const KeyRange& keys) {
    if (!isNote(keys.root)) {
        return noteProblem(SlotFault::RootOutside, keys.root);
    }
    if (!isNote(keys.low)) {
        return noteProblem(SlotFault::LowestOutside, keys.low);
    }
    if (!isNote(keys.high)) {
        return noteProblem(SlotFault::HighestOutside, keys.high);
    }
    if (keys.low > keys.high) {
        return SlotProblem{SlotFault::LowestAboveHighest, {{"low", keys.low}, {"high", keys.high}}};
    }
    if (keys.fineCents < -kMostFineCents || keys.fineCents > kMostFineCents) {
        return SlotProblem{SlotFault::FineTuneOutside, {{"cents", keys.fineCents}}};
    }
    return std::nullopt;
}

KeyRange keyRangeOfPitch(double hertz) {
    const double note = 69.0 + 12.0 * std::log2(hertz / 440.0);
    const double root = std::round(note);
    if (!std::isfinite(note) || root < kLowestNote || root > kHighestNote) {
        const std::int32_t nearest =
            std::isfinite(note) && note > kHighestNote ? kHighestNote : kLowestNote;
        return KeyRange{nearest, kLowestNote, kHighestNote, 0};
    }
    const auto cents = static_cast<std::int32_t>(std::lround((note - root) * 100.0));
    return KeyRange{static_cast<std::int32_t>(root), kLowestNote, kHighestNote, cents};
}

std::string noteName(std::int32_t note) {
    const std::int32_t octave = (note >= 0 ? note / 12 : (note - 11) / 12) - 1;
    const std::int32_t pitchClass = note - (octave + 1) * 12;
    return kPitchClassNames[static_cast<std::size_t>(pitchClass)] + std::to_string(octave);
}

std::optional<std::int32_t> noteFromText(std::string_view text) {
    if (const std::optional<std::int32_t> number = wholeNumber(text)) {
        return isNote(*number) ? number : std::nullopt;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const char letter = static_cast<char>(text[0] | 0x20); // either case
    if (letter < 'a' || letter > 'g') {
        return std::nullopt;
    }
    std::int32_t semitone = kLetterSemitones[static_cast<std::size_t>(letter - 'a')];
    std::string_view rest = text.substr(1);
    if (!rest.empty() && (rest[0] == '#' || rest[0] == 'b')) {
        semitone += rest[0] == '#' ? 1 : -1;
        rest.remove_prefix(1);
    }
    if (rest.starts_with('+')) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> octave = wholeNumber(rest);
    if (!octave || *octave < -1 || *octave > 9) {
        return std::nullopt;
    }
    const std::int32_t note = (*octave + 1) * 12 + semitone;
    return isNote(note) ? std::optional(note) : std::nullopt;
}

} // namespace wtb
