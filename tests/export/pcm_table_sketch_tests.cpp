#include "export/PcmTableSketch.h"
#include "slots/SlotName.h"

#include "common/TextLines.h"
#include "export/Boards.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>
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

// The text as the writer's steps describe it, built line by line: text A (the table) and text
// B (the starts), the last three characters of A dropped.
std::string lineByLineText(const std::vector<SlotContent>& slots) {
    std::int32_t total = 0;
    for (const SlotContent& slot : slots) {
        total += slot.endIndex + 1;
    }
    std::string a = "const char wave_store[" + std::to_string(total) + "] PROGMEM = {\r\n";
    std::string b = "const unsigned int wave_start[17] PROGMEM = {";
    std::int32_t k = 0;
    for (const SlotContent& slot : slots) {
        b += std::to_string(k) + ",";
        a += "//" + commentSafeName(slot.name) + "\r\n";
        for (std::int32_t h = 0; h <= slot.endIndex; ++h) {
            const bool edge = h == 0 || h == slot.endIndex;
            a += std::to_string(edge ? 0 : slot.bytes[static_cast<std::size_t>(h)] - 128) + ",";
            ++k;
        }
        a += "\r\n";
    }
    a.resize(a.size() - 3);
    b += std::to_string(k);
    return a + "};\r\n" + b + "};\r\n" + kAccessorText;
}

// Random banks whose totals stay in one array (up to 32,767 samples) or are too large for any
// board (the writer refuses those, but the text stays the single array).
TEST(SketchText, EveryTableOfOneArrayIsTheLineByLineText) {
    std::mt19937 random(2024);
    for (int round = 0; round < 60; ++round) {
        const std::int32_t largest = round % 5 == 4 ? 9'000 : (round % 2 ? 2'000 : 12);
        std::vector<SlotContent> slots;
        std::int32_t total = 0;
        for (int slot = 1; slot <= 16; ++slot) {
            std::vector<std::uint8_t> bytes(1 + random() % static_cast<unsigned>(largest));
            for (auto& byte : bytes) {
                byte = static_cast<std::uint8_t>(random());
            }
            const auto endIndex = static_cast<std::int32_t>(random() % (bytes.size() + 1)) - 1;
            total += endIndex + 1;
            slots.push_back({bytes, random() % 3 ? "s\\" + std::to_string(slot) : "", endIndex});
        }
        if (total > kSamplesPerArray && total <= kAccessorSampleLimit) {
            continue;
        }
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(total) + " samples");
        EXPECT_EQ(textOf(slots), lineByLineText(slots));
    }
}

// The sample arrays of a split table as the compiler would read them.
struct SampleArray {
    int part = 0;
    int declared = 0;
    std::vector<int> samples;
    bool closed = false;
};

std::vector<SampleArray> sampleArraysOf(const std::string& text) {
    std::vector<SampleArray> arrays;
    constexpr std::string_view kOpen = "const char wave_store_";
    for (std::string_view line : splitTextLines(text)) {
        if (line.starts_with("const unsigned int wave_start")) {
            break;
        }
        if (line.starts_with("//")) {
            continue;
        }
        if (line.starts_with(kOpen)) {
            SampleArray array;
            const char* at = line.data() + kOpen.size();
            at = std::from_chars(at, line.data() + line.size(), array.part).ptr + 1; // "["
            std::from_chars(at, line.data() + line.size(), array.declared);
            EXPECT_TRUE(line.ends_with("] PROGMEM = {")) << line;
            arrays.push_back(array);
            continue;
        }
        if (arrays.empty() || arrays.back().closed) {
            ADD_FAILURE() << "samples outside an array: " << line;
            continue;
        }
        if (line.ends_with("};")) {
            arrays.back().closed = true;
            line.remove_suffix(2);
        }
        while (!line.empty()) {
            int sample = 0;
            const auto [end, error] =
                std::from_chars(line.data(), line.data() + line.size(), sample);
            EXPECT_EQ(error, std::errc()) << line;
            arrays.back().samples.push_back(sample);
            line.remove_prefix(static_cast<std::size_t>(end - line.data()));
            if (!line.empty() && line.front() == ',') {
                line.remove_prefix(1);
            }
        }
    }
    return arrays;
}

// Slots of "ramp" samples with the given counts (0 for an empty slot).
std::vector<SlotContent> rampSlots(const std::vector<std::int32_t>& counts) {
    std::vector<SlotContent> slots;
    for (std::int32_t count : counts) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) + 1);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + slots.size());
        }
        slots.push_back({bytes, "r" + std::to_string(slots.size() + 1), count - 1});
    }
    return slots;
}

TEST(SketchText, TablesOf32768To65535SamplesAreSplitIntoArraysTheAccessorChoosesFrom) {
    const std::string twoArrays = "char Zozedovad_Get_Sample(unsigned int index){\r\n"
                                  "if(index<32767u)return pgm_read_byte(&wave_store_1[index]);\r\n"
                                  "return pgm_read_byte(&wave_store_2[index-32767u]);\r\n}\r\n";
    const std::string threeArrays =
        "char Zozedovad_Get_Sample(unsigned int index){\r\n"
        "if(index<32767u)return pgm_read_byte(&wave_store_1[index]);\r\n"
        "if(index<65534u)return pgm_read_byte(&wave_store_2[index-32767u]);\r\n"
        "return pgm_read_byte(&wave_store_3[index-65534u]);\r\n}\r\n";
    struct Case {
        const char* what;
        std::vector<std::int32_t> counts;
        std::string seam; // the text where the first array ends
        const std::string& accessor;
    };
    std::vector<std::int32_t> atSlotEnd(16, 1);
    atSlotEnd[7] = kSamplesPerArray - 7;
    std::vector<std::int32_t> largest(16, 4'096);
    largest[15] = kAccessorSampleLimit - 15 * 4'096;
    const std::vector<Case> cases = {
        {"one sample over, then empty slots",
         {32'000, 768, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "};\r\nconst char wave_store_2[1] PROGMEM = {\r\n0,\r\n//r3\r\n",
         twoArrays},
        {"inside a slot", std::vector<std::int32_t>(16, 2'500),
         "};\r\nconst char wave_store_2[7233] PROGMEM = {\r\n", twoArrays},
        {"at a slot end", atSlotEnd,
         "0};\r\nconst char wave_store_2[8] PROGMEM = {\r\n//r9\r\n0,\r\n", twoArrays},
        {"the accessor limit", largest, "const char wave_store_3[1] PROGMEM = {\r\n", threeArrays},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<SlotContent> slots = rampSlots(c.counts);
        const std::string text = textOf(slots);
        EXPECT_NE(text.find(c.seam), std::string::npos) << "seam missing";
        EXPECT_NE(text.find(c.accessor), std::string::npos) << "accessor missing";

        std::vector<int> expected;
        std::vector<std::int32_t> starts;
        for (const SlotContent& slot : slots) {
            starts.push_back(static_cast<std::int32_t>(expected.size()));
            for (std::int32_t h = 0; h <= slot.endIndex; ++h) {
                const bool edge = h == 0 || h == slot.endIndex;
                expected.push_back(edge ? 0 : slot.bytes[static_cast<std::size_t>(h)] - 128);
            }
        }
        std::string startLine = "const unsigned int wave_start[17] PROGMEM = {";
        for (std::int32_t start : starts) {
            startLine += std::to_string(start) + ",";
        }
        EXPECT_NE(text.find(startLine + std::to_string(expected.size()) + "};\r\n"),
                  std::string::npos);

        std::vector<int> joined;
        const std::vector<SampleArray> arrays = sampleArraysOf(text);
        for (std::size_t i = 0; i < arrays.size(); ++i) {
            EXPECT_EQ(arrays[i].part, static_cast<int>(i + 1));
            EXPECT_LE(arrays[i].declared, kSamplesPerArray);
            EXPECT_EQ(static_cast<int>(arrays[i].samples.size()), arrays[i].declared);
            EXPECT_TRUE(arrays[i].closed) << "array " << i + 1 << " never ends";
            joined.insert(joined.end(), arrays[i].samples.begin(), arrays[i].samples.end());
        }
        EXPECT_EQ(joined, expected);
    }
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
