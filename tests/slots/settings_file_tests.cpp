#include "messages/Messages.h"
#include "slots/SettingsFile.h"
#include "slots/Slot.h"

#include <gtest/gtest.h>

#include <climits>
#include <string_view>
#include <tuple>

namespace wtb {
namespace {

std::string sixteenLines(const std::string& lineForSlot5 = "five\t5") {
    std::string text;
    for (int n = 1; n <= 16; ++n) {
        text += n == 5 ? lineForSlot5 : "s" + std::to_string(n) + "\t" + std::to_string(n);
        text += "\r\n";
    }
    return text;
}

TEST(EndIndexField, ReadsTheLeadingNumberRoundedHalfToEven) {
    EXPECT_EQ(parseEndIndex("12.6"), 13);
    EXPECT_EQ(parseEndIndex("12.5"), 12);
    EXPECT_EQ(parseEndIndex("13.5"), 14);
    EXPECT_EQ(parseEndIndex("-1"), -1);
    EXPECT_EQ(parseEndIndex("  +7"), 7);
    EXPECT_EQ(parseEndIndex("1.5e1"), 15);
    EXPECT_EQ(parseEndIndex("2E+2"), 200);
    EXPECT_EQ(parseEndIndex(".5"), 0);
    EXPECT_EQ(parseEndIndex("1.5"), 2);
    EXPECT_EQ(parseEndIndex("999 samples"), 999);
    EXPECT_EQ(parseEndIndex("3e"), 3);
    EXPECT_EQ(parseEndIndex("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseEndIndex("1e-999"), 0);
}

TEST(EndIndexField, AnythingButALeadingNumberGivesZero) {
    EXPECT_EQ(parseEndIndex("abc"), 0);
    EXPECT_EQ(parseEndIndex(""), 0);
    EXPECT_EQ(parseEndIndex("   "), 0);
    EXPECT_EQ(parseEndIndex("-"), 0);
    EXPECT_EQ(parseEndIndex("e5"), 0);
    EXPECT_EQ(parseEndIndex("0x10"), 0);
    EXPECT_EQ(parseEndIndex("inf"), 0);
    EXPECT_EQ(parseEndIndex("nan"), 0);
    EXPECT_EQ(parseEndIndex("."), 0);
}

TEST(EndIndexField, ValuesBeyondThe32BitRangeOverflow) {
    for (const char* field : {"2147483648", "-2147483649", "1e999", "3e10"}) {
        try {
            parseEndIndex(field);
            ADD_FAILURE() << field << " was accepted";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Overflow) << field;
        }
    }
}

TEST(SettingsText, UsesTheFirstSixteenLines) {
    std::string text = sixteenLines("five\t12.5");
    text += "seventeenth\t17\r\n";
    const SettingsLines lines = parseSettings(text, "Settings.txt");
    EXPECT_EQ(lines[4], (SettingsLine{"five", 12}));
    EXPECT_EQ(lines[15], (SettingsLine{"s16", 16}));
}

TEST(SettingsText, AcceptsLinuxLineEndsAndEmptyNames) {
    std::string text = sixteenLines("\t-1");
    for (std::size_t pos; (pos = text.find("\r\n")) != std::string::npos;) {
        text.replace(pos, 2, "\n");
    }
    const SettingsLines lines = parseSettings(text, "Settings.txt");
    EXPECT_EQ(lines[4], (SettingsLine{"", -1}));
    EXPECT_EQ(lines[0], (SettingsLine{"s1", 1}));
}

TEST(SettingsText, DamageIsReportedWithTheFileAndTheLine) {
    auto messageFor = [](const std::string& text) -> std::string {
        try {
            parseSettings(text, "/kit/Settings.txt");
        } catch (const RuntimeError& error) {
            return error.what();
        }
        return "accepted";
    };
    std::string fifteen = sixteenLines();
    fifteen.resize(fifteen.rfind("s16"));
    EXPECT_NE(messageFor(fifteen).find("ends after 15 lines"), std::string::npos);
    EXPECT_NE(messageFor(sixteenLines("no tab here")).find("line 5 of \"/kit/Settings.txt\""),
              std::string::npos);
    EXPECT_NE(messageFor(sixteenLines("big\t9999999999")).find("9999999999"), std::string::npos);
}

TEST(SettingsText, WritesSixteenCrLfLinesThatReadBack) {
    SettingsLines lines;
    for (int n = 0; n < 16; ++n) {
        lines[n] = {"name " + std::to_string(n), n * 100 - 1};
    }
    lines[3].name = "";
    const std::string text = formatSettings(lines);
    EXPECT_EQ(text.substr(0, 14), "name 0\t-1\r\nnam");
    EXPECT_EQ(parseSettings(text, "Settings.txt"), lines);

    lines[2].name = "tab\there\r\nand line";
    EXPECT_EQ(parseSettings(formatSettings(lines), "Settings.txt")[2].name, "tab here  and line");
}

TEST(SettingsText, ALoopIsTwoWholeNumbersAfterTheEndIndex) {
    for (const auto& [line, loop] :
         {std::pair{"five\t90\t10\t80", Loop{10, 80}}, std::pair{"five\t90\t0\t0", Loop{0, 0}}}) {
        const SettingsLines lines = parseSettings(sixteenLines(line), "Settings.txt");
        EXPECT_EQ(lines[4].loop, loop) << line;
        EXPECT_EQ(lines[4].endIndex, 90) << line;
        EXPECT_FALSE(lines[4].unusable) << line;
    }
}

// Fields a hand edit broke: the line says what is wrong, takes no loop, and is written back
// exactly as it was read.
TEST(SettingsText, UnusableFieldsAreNamedAndWrittenBackAsRead) {
    struct Case {
        const char* line;
        SlotFault fault;
        const char* problem;
    };
    using enum SlotFault;
    for (const Case& each : {
             Case{"five\tabc", EndIndexNotNumber,
                  "end index \"abc\" in line 5 of \"S\" is not a number"},
             Case{"five\t", EndIndexNotNumber, "end index \"\" in line 5"},
             Case{"five\t90\t10", LoopFieldCount, "loop in line 5 of \"S\" has 1 field, \"10\","},
             Case{"five\t90\t1\t2\t3", LoopFieldCount, "has 3 fields, \"1\", \"2\", \"3\", where"},
             Case{"five\t90\t10\t80.5", LoopEndNotWhole,
                  "loop end \"80.5\" in line 5 of \"S\" is not a whole"},
             Case{"five\t90\tnote\t80", LoopStartNotWhole, "loop start \"note\""},
             Case{"five\t90\t+1\t80", LoopStartNotWhole, "loop start \"+1\""},
             Case{"five\t90\t-5\t80", LoopStartNegative,
                  "\"-5\" in line 5 of \"S\" lies before the first sample"},
             Case{"five\t90\t10\t99999999999", LoopEndNotWhole, "loop end \"99999999999\""},
             Case{"five\t90\t10\t80 ", LoopEndNotWhole, "loop end \"80 \""},
             Case{"five\t90\t80\t10", LoopStartsAfterEnd,
                  "loop 80..10 in line 5 of \"S\" starts after it ends"},
         }) {
        SCOPED_TRACE(each.line);
        const std::string text = sixteenLines(each.line);
        const SettingsLines lines = parseSettings(text, "S");
        ASSERT_TRUE(lines[4].unusable);
        EXPECT_EQ(lines[4].unusable->problem.fault, each.fault);
        EXPECT_EQ(lines[4].unusable->problem.facts.number("line"), 5);
        EXPECT_EQ(lines[4].unusable->problem.facts.text("file"), "S");
        const std::string said = slotProblemText(lines[4].unusable->problem);
        EXPECT_NE(said.find(each.problem), std::string::npos) << said;
        EXPECT_EQ(lines[4].unusable->field, std::string_view(each.problem).starts_with("end")
                                                ? UnusableFields::Field::EndIndex
                                                : UnusableFields::Field::Loop);
        EXPECT_FALSE(lines[4].loop);
        EXPECT_EQ(formatSettings(lines), text);
        EXPECT_EQ(storedFields(text, 4), lines[4].unusable->stored);
    }
}

TEST(SettingsText, OnlyLoopedSlotsGainFieldsSoLooplessTextIsUnchanged) {
    const std::string loopless = sixteenLines("five\t5");
    SettingsLines lines = parseSettings(loopless, "Settings.txt");
    EXPECT_EQ(formatSettings(lines), loopless);

    lines[4].loop = Loop{1, 4};
    const std::string line = "five\t5\r\n";
    std::string looped = loopless;
    looped.replace(looped.find(line), line.size(), "five\t5\t1\t4\r\n");
    EXPECT_EQ(formatSettings(lines), looped);
    EXPECT_EQ(parseSettings(looped, "Settings.txt"), lines);
}

TEST(SettingsText, AKeyMapFollowsTheLoopAndReadsBack) {
    for (const auto& [line, loop, keys] : {
             std::tuple{"five\t90\tkeys 60 36 72 -12", std::optional<Loop>(),
                        KeyRange{60, 36, 72, -12}},
             std::tuple{"five\t90\t10\t80\tkeys 0 0 127 50", std::optional(Loop{10, 80}),
                        KeyRange{0, 0, 127, 50}},
             std::tuple{"five\t90\tkeys 100 40 40 0", std::optional<Loop>(),
                        KeyRange{100, 40, 40, 0}}, // the root outside the range
         }) {
        SCOPED_TRACE(line);
        const std::string text = sixteenLines(line);
        const SettingsLines lines = parseSettings(text, "S");
        EXPECT_FALSE(lines[4].unusable);
        EXPECT_EQ(lines[4].loop, loop);
        EXPECT_EQ(lines[4].keys, keys);
        EXPECT_EQ(lines[4].endIndex, 90);
        EXPECT_EQ(formatSettings(lines), text);
    }
}

// A broken key map is named, takes no key map (a sound loop beside it stays), and the line is
// written back as it was read.
TEST(SettingsText, UnusableKeyMapsAreNamedAndWrittenBackAsRead) {
    struct Case {
        const char* line;
        SlotFault fault;
        const char* problem;
    };
    using enum SlotFault;
    for (const Case& each : {
             Case{"five\t90\tkeys 60 36 72", KeyMapMalformed,
                  "key map \"keys 60 36 72\" in line 5 of \"S\" is not"},
             Case{"five\t90\tkeys", KeyMapMalformed, "is not \"keys\" and four numbers"},
             Case{"five\t90\tkeys60 36 72 0 0", KeyMapMalformed,
                  "is not \"keys\" and four numbers"},
             Case{"five\t90\tkeys 60  36 72 0", KeyMapMalformed,
                  "is not \"keys\" and four numbers"},
             Case{"five\t90\tkeys C4 36 72 0", KeyMapNumberNotWhole, "holds \"C4\""},
             Case{"five\t90\tkeys 60 36 72 +5", KeyMapNumberNotWhole, "holds \"+5\""},
             Case{"five\t90\tkeys 128 36 72 0", KeyMapUnusable,
                  "cannot be used: the root 128 is outside the notes 0..127"},
             Case{"five\t90\tkeys 60 -1 72 0", KeyMapUnusable, "the lowest note -1 is outside"},
             Case{"five\t90\tkeys 60 36 200 0", KeyMapUnusable, "the highest note 200 is outside"},
             Case{"five\t90\tkeys 60 72 36 0", KeyMapUnusable,
                  "the lowest note 72 lies above the highest, 36"},
             Case{"five\t90\t1\t8\tkeys 60 36 72 51", KeyMapUnusable,
                  "the fine tune 51 is outside -50..50"},
         }) {
        SCOPED_TRACE(each.line);
        const std::string text = sixteenLines(each.line);
        const SettingsLines lines = parseSettings(text, "S");
        ASSERT_TRUE(lines[4].unusable);
        EXPECT_EQ(lines[4].unusable->problem.fault, each.fault);
        EXPECT_EQ(lines[4].unusable->problem.facts.number("line"), 5);
        EXPECT_EQ(lines[4].unusable->problem.facts.text("file"), "S");
        const std::string said = slotProblemText(lines[4].unusable->problem);
        EXPECT_NE(said.find(each.problem), std::string::npos) << said;
        EXPECT_EQ(lines[4].unusable->field, UnusableFields::Field::KeyMap);
        EXPECT_FALSE(lines[4].keys);
        EXPECT_EQ(lines[4].endIndex, 90);
        EXPECT_EQ(formatSettings(lines), text);
    }
    // the broken field is known as a fact, even where the text it quotes reads "loop"
    const SettingsLines beside = parseSettings(sixteenLines("five\t90\t1\t8\tkeys3 loop"), "S");
    EXPECT_EQ(beside[4].loop, (Loop{1, 8}));
    EXPECT_EQ(beside[4].unusable->field, UnusableFields::Field::KeyMap);
}

TEST(SettingsText, OnlySlotsWithKeyMapsGainTheField) {
    const std::string plain = sixteenLines("five\t5");
    SettingsLines lines = parseSettings(plain, "S");
    lines[4].keys = KeyRange{40, 30, 50, 0};
    std::string mapped = plain;
    mapped.replace(mapped.find("five\t5\r\n"), 8, "five\t5\tkeys 40 30 50 0\r\n");
    EXPECT_EQ(formatSettings(lines), mapped);
    lines[4].keys.reset();
    EXPECT_EQ(formatSettings(lines), plain);
}

TEST(SlotBank, EveryAccessIsBoundsTested) {
    SlotBank bank;
    bank[16].endIndex = 5;
    EXPECT_EQ(bank[16].endIndex, 5);
    for (const int stray : {0, 17, -1}) {
        EXPECT_THROW(bank[stray], RuntimeError) << stray;
    }
}

// What a change may leave in a slot: a slot the program can still save and export, and a table
// whose count fits 32 bits; a folder already past that (by hand) may still be mended.
TEST(SlotBank, AChangeMustLeaveASlotThatCanBeSavedAndExported) {
    const auto slotOf = [](std::size_t samples, std::int32_t rate, std::int32_t endIndex) {
        return Slot{Samples(std::vector<std::uint8_t>(samples, 128)), rate, endIndex, "s"};
    };
    SlotBank bank;
    for (const std::int16_t number : allSlotNumbers()) {
        bank[number] = slotOf(20, 8000, 19);
    }
    SlotBank nearlyFull = bank;
    nearlyFull[1].endIndex = INT32_MAX - 1000; // by a hand edit of the settings file
    SlotBank beyond = bank;
    beyond[1].endIndex = INT32_MAX - 1;
    SlotBank withEmpty = bank;
    withEmpty[4] = slotOf(0, 8000, -1);
    struct Case {
        const char* what;
        const SlotBank& bank;
        std::int16_t number;
        Slot slot;
        const char* refusal; // nullptr: allowed
    };
    for (const Case& each : {
             Case{"a sound", bank, 2, slotOf(300, 8000, 299), nullptr},
             Case{"no samples", bank, 2, slotOf(0, 8000, -1), "Slot 2 would be left without"},
             Case{"no rate", bank, 2, slotOf(20, 0, 19), "at a rate of 0 Hz"},
             Case{"past the count", nearlyFull, 2, slotOf(1000, 8000, 999),
                  "with the other slots' 2147482928 that passes the 2147483647 a wavetable can "
                  "count. At most 719 fit in slot 2."},
             Case{"within the count", nearlyFull, 2, slotOf(1000, 8000, 718), nullptr},
             Case{"mending a table past the count", beyond, 2, slotOf(20, 8000, 5), nullptr},
             Case{"an empty slot left empty", withEmpty, 4, slotOf(0, 16000, -1), nullptr},
         }) {
        SCOPED_TRACE(each.what);
        try {
            requireSavableSlot(each.slot, each.number, each.bank);
            EXPECT_EQ(each.refusal, nullptr) << "allowed";
        } catch (const RuntimeError& error) {
            ASSERT_NE(each.refusal, nullptr) << error.what();
            EXPECT_NE(std::string(error.what()).find(each.refusal), std::string::npos)
                << error.what();
            EXPECT_NE(std::string(error.what()).find("Nothing was changed."), std::string::npos);
        }
    }
}

} // namespace
} // namespace wtb
