#include "export/SketchText.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string_view>

namespace wtb {
namespace {

using test::SlotContent;

// Each line followed by CR LF, as the sketch file holds it.
std::string crlfLines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line).append("\r\n");
    }
    return text;
}

const std::string kAccessorText = crlfLines({
    "char Zozedovad_Get_Sample(unsigned int index){",
    "return pgm_read_byte(&wave_store[index]);",
    "}",
    "unsigned int Zozedovad_Get_Start(byte index){",
    "return pgm_read_word_near(&wave_start[index]);",
    "}",
});

// Sixteen slots "n1".."n16" of three bytes whose end index 0 makes each contribute one "0,".
std::vector<SlotContent> singleSampleSlots() {
    std::vector<SlotContent> slots;
    for (int slot = 1; slot <= 16; ++slot) {
        slots.push_back({{90, 200, 30}, "n" + std::to_string(slot), 0});
    }
    return slots;
}

std::string textOf(const std::vector<SlotContent>& slots) {
    SlotBank bank;
    test::fillBank(bank, slots);
    return buildSketchText(bank);
}

// The line at `index` (0 = the wave_store declaration), split at CR LF.
std::string lineOf(const std::string& text, std::size_t index) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = text.find("\r\n", start);
        if (start == std::string::npos) {
            return "<no line " + std::to_string(index) + ">";
        }
        start += 2;
    }
    return text.substr(start, text.find("\r\n", start) - start);
}

TEST(SketchText, WholeTextOfAMixedBank) {
    std::vector<SlotContent> slots = {
        {{10, 130, 0, 255, 77}, "kick.wav", 4},
        {{1, 2, 3}, "", 0},
        {{255, 0}, "hat", 1},
        {{9, 9, 9}, "gap", -1},
    };
    for (int slot = 5; slot <= 16; ++slot) {
        slots.push_back({{128, 140, 100, 128}, "s" + std::to_string(slot), 2});
    }
    std::string expected = crlfLines({
        "const char wave_store[44] PROGMEM = {",
        "//kick.wav",
        "0,2,-128,127,0,",
        "//",
        "0,",
        "//hat",
        "0,0,",
        "//gap",
        "",
    });
    for (int slot = 5; slot <= 15; ++slot) {
        expected += crlfLines({"//s" + std::to_string(slot), "0,12,0,"});
    }
    expected += crlfLines({
        "//s16",
        "0,12,0};",
        "const unsigned int wave_start[17] PROGMEM = "
        "{0,5,6,8,8,11,14,17,20,23,26,29,32,35,38,41,44};",
    });
    expected += kAccessorText;
    EXPECT_EQ(textOf(slots), expected);
}

TEST(SketchText, EmptyLastSlotPutsTheTableEndRightAfterItsCommentsCarriageReturn) {
    std::vector<SlotContent> slots = singleSampleSlots();
    slots[15].endIndex = -1;
    std::string expected = "const char wave_store[15] PROGMEM = {\r\n";
    for (int slot = 1; slot <= 15; ++slot) {
        expected += crlfLines({"//n" + std::to_string(slot), "0,"});
    }
    expected += "//n16\r};\r\n";
    expected += crlfLines({"const unsigned int wave_start[17] PROGMEM = "
                           "{0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,15};"});
    expected += kAccessorText;
    EXPECT_EQ(textOf(slots), expected);
}

TEST(SketchText, EmptySlotInTheMiddleHasAnEmptyLineAndSharesItsStart) {
    std::vector<SlotContent> slots = singleSampleSlots();
    slots[7].endIndex = -1;
    const std::string text = textOf(slots);
    EXPECT_EQ(lineOf(text, 0), "const char wave_store[15] PROGMEM = {");
    EXPECT_NE(text.find("//n8\r\n\r\n//n9\r\n0,\r\n"), std::string::npos) << text;
    EXPECT_EQ(lineOf(text, 33), "const unsigned int wave_start[17] PROGMEM = "
                                "{0,1,2,3,4,5,6,7,7,8,9,10,11,12,13,14,15};");
    EXPECT_EQ(lineOf(text, 32), "0};");
}

TEST(SketchText, StartTableOfEndIndicesThreeZeroNineThenZeros) {
    std::vector<SlotContent> slots = singleSampleSlots();
    slots[0] = {std::vector<std::uint8_t>(4, 128), "a", 3};
    slots[2] = {std::vector<std::uint8_t>(12, 128), "c", 9};
    const std::string text = textOf(slots);
    EXPECT_EQ(lineOf(text, 0), "const char wave_store[28] PROGMEM = {");
    EXPECT_EQ(lineOf(text, 33), "const unsigned int wave_start[17] PROGMEM = "
                                "{0,4,5,15,16,17,18,19,20,21,22,23,24,25,26,27,28};");
}

TEST(SketchText, FirstAndLastSamplesSitOnTheZeroLineWhateverTheirBytes) {
    std::vector<SlotContent> slots = singleSampleSlots();
    slots[0] = {{0, 255}, "zero", 0};
    slots[1] = {{255, 0, 17}, "one", 1};
    slots[2] = {{0, 0, 255, 128, 127, 1, 255, 3}, "extremes", 6};
    const std::string text = textOf(slots);
    EXPECT_EQ(lineOf(text, 2), "0,");
    EXPECT_EQ(lineOf(text, 4), "0,0,");
    EXPECT_EQ(lineOf(text, 6), "0,-128,127,0,-1,-127,0,");
}

TEST(SketchText, EveryByteValueIsWrittenAsByteMinus128) {
    std::vector<SlotContent> slots = singleSampleSlots();
    std::vector<std::uint8_t> bytes = {7};
    std::string expected = "0,";
    for (int byte = 0; byte < 256; ++byte) {
        bytes.push_back(static_cast<std::uint8_t>(byte));
        expected += std::to_string(byte - 128) + ",";
    }
    bytes.push_back(7);
    expected += "0,";
    slots[4] = {bytes, "ramp", 257};
    EXPECT_EQ(lineOf(textOf(slots), 10), expected);
}

TEST(SketchText, NamesStandOnlyInTheirCommentLinesAndCannotBreakOutOfThem) {
    std::vector<SlotContent> slots = singleSampleSlots();
    slots[0].name = "two\r\nlines\tand\\";
    slots[1].name = "dir\\ ";
    slots[2].name = "wave_store[";
    const std::string text = textOf(slots);
    EXPECT_EQ(lineOf(text, 1), "//two  lines and");
    EXPECT_EQ(lineOf(text, 3), "//dir ");
    EXPECT_EQ(lineOf(text, 5), "//wave_store[");
    EXPECT_EQ(lineOf(text, 6), "0,");
}

TEST(CommentSafeName, ControlCharactersBecomeSpaces) {
    EXPECT_EQ(commentSafeName("a\rb\nc\td\x01"
                              "e\x7f"),
              "a b c d e ");
    EXPECT_EQ(commentSafeName(std::string("nul\0here", 8)), "nul here");
    EXPECT_EQ(commentSafeName("caf\xc3\xa9 \\ mid"), "caf\xc3\xa9 \\ mid");
    EXPECT_EQ(commentSafeName(""), "");
}

TEST(CommentSafeName, NothingAtTheEndCanSpliceTheNextLine) {
    EXPECT_EQ(commentSafeName("hat\\"), "hat");
    EXPECT_EQ(commentSafeName("hat\\\\\\"), "hat");
    EXPECT_EQ(commentSafeName("hat\\  "), "hat  ");
    EXPECT_EQ(commentSafeName("hat\\ \\ "), "hat  ");
    EXPECT_EQ(commentSafeName("dir\\\n"), "dir ");
    EXPECT_EQ(commentSafeName("\\"), "");
    // "??/" is a backslash where trigraphs are on
    EXPECT_EQ(commentSafeName("what?\?/"), "what??");
    EXPECT_EQ(commentSafeName("what?\?/ \\"), "what?? ");
    EXPECT_EQ(commentSafeName("a?/"), "a?/");
    EXPECT_EQ(commentSafeName("??"), "??");
}

} // namespace
} // namespace wtb
