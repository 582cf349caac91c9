#include "slots/KeyRange.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

TEST(NoteNames, NameAndReadBackEveryNote) {
    for (std::int32_t note = kLowestNote; note <= kHighestNote; ++note) {
        EXPECT_EQ(noteFromText(noteName(note)), note) << noteName(note);
        EXPECT_EQ(noteFromText(std::to_string(note)), note);
    }
    for (const auto& [note, name] :
         {std::pair{60, "C4"}, std::pair{0, "C-1"}, std::pair{127, "G9"}, std::pair{54, "F#3"},
          std::pair{69, "A4"}, std::pair{35, "B1"}}) {
        EXPECT_EQ(noteName(note), name);
    }
}

TEST(NoteNames, ReadFlatsEitherCaseAndRefuseWhatIsNoNote) {
    for (const auto& [text, note] :
         {std::pair{"Bb3", 58}, std::pair{"c4", 60}, std::pair{"Cb4", 59}, std::pair{"B#3", 60},
          std::pair{"f#-1", 6}}) {
        EXPECT_EQ(noteFromText(text), note) << text;
    }
    for (const char* text :
         {"", "H4", "C", "C10", "G#9", "Cb-1", "C+4", "128", "-1", "C 4", "60.0", "C#b4", "#4"}) {
        EXPECT_EQ(noteFromText(text), std::nullopt) << text;
    }
}

TEST(KeyRangeOfPitch, RootsAtTheNearestNoteWithTheRestAsFineTune) {
    struct Case {
        double hertz;
        KeyRange keys;
    };
    for (const Case& each : {
             Case{440.0, {69, 0, 127, 0}}, Case{261.6256, {60, 0, 127, 0}},
             Case{440.0 * std::pow(2.0, 0.3 / 12), {69, 0, 127, 30}},
             Case{440.0 * std::pow(2.0, 0.7 / 12), {70, 0, 127, -30}},
             Case{4.0, {0, 0, 127, 0}},       // below C-1: the lowest root
             Case{20000.0, {127, 0, 127, 0}}, // above G9: the highest
         }) {
        EXPECT_EQ(keyRangeOfPitch(each.hertz), each.keys) << each.hertz;
        EXPECT_FALSE(keyRangeProblem(keyRangeOfPitch(each.hertz))) << each.hertz;
    }
}

} // namespace
} // namespace wtb
