// Sustain loops in the exports: the loop tables and accessors of the table sketches, the samples
// a loop starts and ends on, the ADPCM reader's state kept at a loop start, what the board plays
// for a looped slot, the players' loop pieces and the flash the loops take.
#include "export/AdpcmReader.h"
#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/ExportedSamples.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/LoopedOutput.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"
#include "export/SketchWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <string_view>

namespace wtb {
namespace {

using test::Bytes;

// The numbers of the line that starts with `open` ("const ... = {"), up to its "};".
std::vector<long> tableValues(const std::string& text, std::string_view open) {
    const std::size_t at = text.find(open);
    if (at == std::string::npos) {
        ADD_FAILURE() << "no line " << open;
        return {};
    }
    std::vector<long> values;
    const char* p = text.data() + at + open.size();
    const char* end = text.data() + text.find("};", at);
    while (p < end) {
        long value = 0;
        p = std::from_chars(p, end, value).ptr + 1;
        values.push_back(value);
    }
    return values;
}

// The sample line of slot `slot` in a PCM table text: the line after its comment "//name".
std::vector<long> sampleLine(const std::string& text, const std::string& name) {
    const std::size_t comment = text.find("//" + name + "\r\n");
    if (comment == std::string::npos) {
        ADD_FAILURE() << "no slot " << name;
        return {};
    }
    const std::size_t from = comment + name.size() + 4;
    const std::string line = text.substr(from, text.find("\r\n", from) - from);
    std::vector<long> values;
    for (const char* p = line.data(); p < line.data() + line.size();) {
        long value = 0;
        p = std::from_chars(p, line.data() + line.size(), value).ptr;
        values.push_back(value);
        p += *p == '}' ? 2 : 1;
    }
    return values;
}

std::vector<long> signedSamples(const std::vector<std::uint8_t>& samples) {
    std::vector<long> values;
    for (std::uint8_t sample : samples) {
        values.push_back(long{sample} - 128);
    }
    return values;
}

// Sixteen slots of a slow random walk, `length` samples each, all kept.
SlotBank walkBank(std::int32_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<test::SlotContent> slots;
    for (int slot = 1; slot <= 16; ++slot) {
        Bytes bytes(static_cast<std::size_t>(length));
        double level = 128;
        for (auto& byte : bytes) {
            level = std::clamp(level + static_cast<double>(random() % 31) - 15, 10.0, 245.0);
            byte = static_cast<std::uint8_t>(level);
        }
        slots.push_back({bytes, "walk" + std::to_string(slot), length - 1});
    }
    return test::bankOf(slots);
}

TEST(LoopTables, ABankWithoutLoopsWritesNothingOfLoops) {
    const SlotBank bank = walkBank(300, 1);
    SlotBank looped = bank;
    looped[4].loop = Loop{10, 200};
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        SCOPED_TRACE(static_cast<int>(format));
        EXPECT_EQ(loopAccessorText(bank, format), "");
        const std::string text = buildSketchText(bank, Board::Uno, format).text;
        EXPECT_EQ(text.find("Loop"), std::string::npos);
        EXPECT_EQ(text.find("loop"), std::string::npos);
        const std::string player = buildPlayerHeaderText(text, playerRates(bank), {format});
        EXPECT_NE(player.find("#define ZOZEDOVAD_LOOPS 0"), std::string::npos);
        // With a loop the table text grows by the loop text, and the player by its loop.
        const std::string withLoop = buildSketchText(looped, Board::Uno, format).text;
        EXPECT_NE(withLoop.find(kLoopStartAccessorOpen), std::string::npos);
        EXPECT_NE(buildPlayerHeaderText(withLoop, playerRates(looped), {format, true})
                      .find("#define ZOZEDOVAD_LOOPS 1"),
                  std::string::npos);
    }
    EXPECT_FALSE(anySlotLoops(bank));
    EXPECT_TRUE(anySlotLoops(looped));
}

// Each slot's loop in samples from its own first sample; 65535 for the slots without one.
TEST(LoopTables, HoldEachSlotsLoopOr65535InBothFormats) {
    const struct {
        std::vector<std::pair<std::int16_t, Loop>> loops;
    } cases[] = {
        {{{1, Loop{0, 299}}}},
        {{{16, Loop{7, 7}}}},
        {{{2, Loop{5, 120}}, {9, Loop{0, 0}}, {15, Loop{250, 299}}}},
    };
    for (const auto& each : cases) {
        SlotBank bank = walkBank(300, 2);
        std::vector<long> starts(16, 65535);
        std::vector<long> ends(16, 65535);
        for (const auto& [slot, loop] : each.loops) {
            bank[slot].loop = loop;
            starts[static_cast<std::size_t>(slot - 1)] = loop.start;
            ends[static_cast<std::size_t>(slot - 1)] = loop.end;
        }
        for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
            SCOPED_TRACE(static_cast<int>(format));
            const std::string text = buildSketchText(bank, Board::Uno, format).text;
            EXPECT_EQ(tableValues(text, "const unsigned int wave_loop_start[16] PROGMEM = {"),
                      starts);
            EXPECT_EQ(tableValues(text, "const unsigned int wave_loop_end[16] PROGMEM = {"), ends);
            // The accessors in the style of the others, after everything they read.
            const std::string accessors = "unsigned int Zozedovad_Get_Loop_Start(byte slot){\r\n"
                                          "if(slot==0||slot>16)return 65535u;\r\n"
                                          "return pgm_read_word_near(&wave_loop_start[slot-1]);\r\n"
                                          "}\r\n"
                                          "unsigned int Zozedovad_Get_Loop_End(byte slot){\r\n"
                                          "if(slot==0||slot>16)return 65535u;\r\n"
                                          "return pgm_read_word_near(&wave_loop_end[slot-1]);\r\n"
                                          "}\r\n";
            const std::size_t at = text.find(accessors);
            ASSERT_NE(at, std::string::npos);
            EXPECT_GT(at, text.find("wave_loop_end[16]"));
            // The comment before the tables says what no loop reads as.
            const std::size_t comment = text.rfind("// Sustain loops:", at);
            ASSERT_NE(comment, std::string::npos);
            EXPECT_NE(text.substr(comment, at - comment).find("65535"), std::string::npos);
        }
    }
}

// The first and last kept samples sit on the zero line, unless the loop starts or ends there:
// the table and the exported samples (what "Play output" plays) agree.
TEST(LoopTables, ALoopKeepsTheLevelOfTheEdgeSampleItStartsOrEndsOn) {
    const Bytes bytes = {200, 30, 90, 250, 10, 60};
    const struct {
        std::optional<Loop> loop;
        std::vector<long> line;
    } cases[] = {
        {std::nullopt, {0, -98, -38, 122, 0}},   {Loop{1, 3}, {0, -98, -38, 122, 0}},
        {Loop{0, 2}, {72, -98, -38, 122, 0}},    {Loop{2, 4}, {0, -98, -38, 122, -118}},
        {Loop{0, 4}, {72, -98, -38, 122, -118}}, {Loop{4, 4}, {0, -98, -38, 122, -118}},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.loop
                         ? std::to_string(each.loop->start) + ".." + std::to_string(each.loop->end)
                         : "no loop");
        SlotBank bank = test::bankOf(std::vector<test::SlotContent>(16, {{128, 1}, "one", 0}));
        bank[3] = test::makeSlot(bytes, 4, "edge");
        bank[3].loop = each.loop;
        EXPECT_EQ(sampleLine(buildSketchText(bank), "edge"), each.line);
        EXPECT_EQ(signedSamples(exportedSamples(bank[3], 3)), each.line);
    }
    // A one-sample slot looping on its only sample keeps it.
    SlotBank bank = test::bankOf(std::vector<test::SlotContent>(16, {{128, 1}, "one", 0}));
    bank[7] = test::makeSlot({{40, 50}}, 0, "single");
    bank[7].loop = Loop{0, 0};
    EXPECT_EQ(sampleLine(buildSketchText(bank), "single"), (std::vector<long>{-88}));
}

// A loop outside the samples the table keeps is refused in every export, naming the slot.
TEST(LoopTables, ALoopOutsideTheKeptSamplesIsRefusedNamingTheSlot) {
    const Loop outside[] = {{-1, 3}, {5, 4}, {2, 10}, {0, 11}, {12, 12}};
    for (const Loop& loop : outside) {
        SCOPED_TRACE(std::to_string(loop.start) + ".." + std::to_string(loop.end));
        SlotBank bank = walkBank(12, 3);
        bank[6].endIndex = 9;
        bank[6].loop = loop;
        const std::function<void()> exports[] = {
            [&] { buildSketchText(bank); },
            [&] { buildSketchText(bank, Board::Mega2560, SampleFormat::Pcm8); },
            [&] { buildSketchText(bank, Board::Uno, SampleFormat::Adpcm4); },
            [&] { checkExport(bank, Board::Uno, SampleFormat::Adpcm4); },
            [&] { checkPlayerExport(bank, Board::Uno, SampleFormat::Pcm8); },
            [&] { loopedOutput(bank[6], 6, SampleFormat::Pcm8); },
        };
        for (const auto& attempt : exports) {
            try {
                attempt();
                ADD_FAILURE() << "the loop was taken";
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.kind(), ErrorKind::Bounds);
                EXPECT_NE(std::string(error.what()).find("Slot 6 "), std::string::npos)
                    << error.what();
            }
        }
    }
}

// The reader's state before any sample, put back into a reader, decodes the rest exactly as the
// whole decode does: at the start of a block, in its middle at either half of a byte, at the
// last sample and past it.
TEST(AdpcmReaderState, RestartsTheDecodeExactlyAtEverySample) {
    const SlotBank bank = walkBank(4 * kAdpcmBlockSamples + 17, 4);
    const std::vector<std::uint8_t> samples = exportedSamples(bank[1], 1);
    const auto count = static_cast<std::int32_t>(samples.size());
    for (const AdpcmSearch search : {AdpcmSearch::Plain, AdpcmSearch::LookAhead}) {
        const std::vector<std::uint8_t> bytes = encodeAdpcm(samples, search).bytes;
        const std::vector<std::uint8_t> whole = decodeAdpcm(bytes, count);
        const AdpcmReaderState opened = adpcmReaderStateAt(bytes, count, 0);
        EXPECT_EQ(opened, (AdpcmReaderState{0, count, 0x8000, 0, 0}));
        EXPECT_EQ(decodeAdpcmFrom(bytes, opened), whole) << "the two decoders differ";
        std::int32_t wrong = 0;
        for (std::int32_t k = 0; k <= count; ++k) {
            const AdpcmReaderState state = adpcmReaderStateAt(bytes, count, k);
            const std::vector<std::uint8_t> rest = decodeAdpcmFrom(bytes, state);
            if (state.left != count - k || rest != std::vector(whole.begin() + k, whole.end())) {
                if (++wrong <= 3) {
                    ADD_FAILURE() << "restarted at sample " << k;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
        // Where the block lies: its header read at sample 0 of each block, a byte every two codes.
        const AdpcmReaderState third = adpcmReaderStateAt(bytes, count, 2 * kAdpcmBlockSamples + 4);
        EXPECT_EQ(third.position, 2 * kAdpcmBlockBytes + kAdpcmHeaderBytes + 2);
        EXPECT_EQ(third.blockLeft, kAdpcmBlockSamples - 4); // odd: the high half of a byte next
        EXPECT_EQ(adpcmReaderStateAt(bytes, count, kAdpcmBlockSamples).blockLeft, 0);
    }
}

TEST(AdpcmReaderState, RefusesSamplesOutsideTheEncodingAndBytesThatEndEarly) {
    const std::vector<std::uint8_t> samples(300, 140);
    const std::vector<std::uint8_t> bytes = encodeAdpcm(samples, AdpcmSearch::Plain).bytes;
    EXPECT_THROW(adpcmReaderStateAt(bytes, 300, -1), RuntimeError);
    EXPECT_THROW(adpcmReaderStateAt(bytes, 300, 301), RuntimeError);
    EXPECT_THROW(adpcmReaderStateAt(std::span(bytes).first(100), 300, 10), RuntimeError);
    AdpcmReaderState beyond = adpcmReaderStateAt(bytes, 300, 250);
    beyond.left = 60; // ten more than the bytes hold
    EXPECT_THROW(decodeAdpcmFrom(bytes, beyond), RuntimeError);
    std::vector<std::uint8_t> badIndex = bytes;
    badIndex[kAdpcmBlockBytes + 1] = 89;
    EXPECT_THROW(decodeAdpcmFrom(badIndex, adpcmReaderStateAt(badIndex, 300, 100)), RuntimeError);
}

// The sketch keeps, per looped slot, the reader's state at the loop start, its position counted
// in the whole table; a slot without a loop keeps zeros.
TEST(AdpcmReaderState, TheSketchHoldsEachLoopStartsStateInTheWholeTable) {
    SlotBank bank = walkBank(400, 5);
    bank[2].loop = Loop{0, 399};
    bank[5].loop = Loop{kAdpcmBlockSamples + 38, 2 * kAdpcmBlockSamples + 52};
    bank[16].loop = Loop{399, 399};
    const AdpcmTable table = encodeAdpcmTable(bank, AdpcmSearch::LookAhead, false);
    const std::array<AdpcmReaderState, 16> states = adpcmLoopStates(bank, table);
    const std::string text = buildAdpcmSketchText(bank, table);
    const auto positions =
        tableValues(text, "const unsigned int wave_loop_position[16] PROGMEM = {");
    const auto levels = tableValues(text, "const unsigned int wave_loop_level[16] PROGMEM = {");
    const auto indices = tableValues(text, "const byte wave_loop_index[16] PROGMEM = {");
    const auto blocks = tableValues(text, "const byte wave_loop_block[16] PROGMEM = {");
    ASSERT_EQ(positions.size(), 16u);
    for (std::int16_t slot = 1; slot <= 16; ++slot) {
        SCOPED_TRACE(slot);
        const auto k = static_cast<std::size_t>(slot - 1);
        AdpcmReaderState expected{0, 0, 0, 0, 0};
        if (bank[slot].loop) {
            const auto from = static_cast<std::size_t>(table.starts[k]);
            const auto size = static_cast<std::size_t>(table.starts[k + 1]) - from;
            expected = adpcmReaderStateAt(std::span(table.bytes).subspan(from, size), 400,
                                          bank[slot].loop->start);
            expected.position += table.starts[k];
            // From there the whole table decodes the slot's loop and tail.
            const auto decoded = decodeAdpcmTable(table)[k];
            EXPECT_EQ(decodeAdpcmFrom(table.bytes, expected),
                      std::vector(decoded.begin() + bank[slot].loop->start, decoded.end()));
        }
        EXPECT_EQ(states[k], expected);
        EXPECT_EQ(positions[k], states[k].position);
        EXPECT_EQ(levels[k], states[k].level);
        EXPECT_EQ(indices[k], states[k].index);
        EXPECT_EQ(blocks[k], states[k].blockLeft);
    }
}

// What the board plays: the attack, the loop as many times as it was held, the tail; every part
// cut from the samples the format gives the board.
TEST(LoopedOutput, AttackLoopPassesAndTail) {
    const SlotBank bank = walkBank(400, 6);
    const struct {
        std::optional<Loop> loop;
        std::size_t attack, repeated, tail;
    } cases[] = {
        {std::nullopt, 400, 0, 0},   {Loop{0, 399}, 0, 400, 0}, {Loop{163, 302}, 163, 140, 97},
        {Loop{399, 399}, 399, 1, 0}, {Loop{0, 0}, 0, 1, 399},
    };
    for (const auto& each : cases) {
        for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
            SCOPED_TRACE((each.loop ? std::to_string(each.loop->start) : "none") + " format " +
                         std::to_string(static_cast<int>(format)));
            Slot slot = bank[3];
            slot.loop = each.loop;
            const LoopedOutput output = loopedOutput(slot, 3, format);
            EXPECT_EQ(output.attack.size(), each.attack);
            EXPECT_EQ(output.loop.size(), each.repeated);
            EXPECT_EQ(output.tail.size(), each.tail);
            const std::vector<std::uint8_t> straight = format == SampleFormat::Pcm8
                                                           ? exportedSamples(slot, 3)
                                                           : previewAdpcm(slot, 3).samples;
            EXPECT_EQ(output.played(1), straight);
            for (std::int32_t passes : {2, 5}) {
                std::vector<std::uint8_t> expected = output.attack;
                for (std::int32_t pass = 0; pass < passes; ++pass) {
                    expected.insert(expected.end(), output.loop.begin(), output.loop.end());
                }
                expected.insert(expected.end(), output.tail.begin(), output.tail.end());
                EXPECT_EQ(output.played(passes), expected);
            }
            EXPECT_THROW(output.played(0), RuntimeError);
        }
    }
}

// A bank with a loop takes the player's code with loops, the same in both exports' checks
// and both formats; a bank without one keeps the plain player's.
TEST(LoopBudget, ALoopTakesThePlayersCodeWithLoops) {
    const SlotBank plain = walkBank(200, 8);
    SlotBank looped = plain;
    looped[12].loop = Loop{20, 150};
    for (const BoardInfo& info : boards()) {
        for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
            SCOPED_TRACE(std::string(info.id) + " " + std::to_string(static_cast<int>(format)));
            const FlashBudget without = flashBudget(plain, info.board, format);
            const FlashBudget with = flashBudget(looped, info.board, format);
            EXPECT_EQ(with.tableBytes, without.tableBytes);
            EXPECT_GT(with.playerBytes, without.playerBytes + 64); // the two tables at the least
            EXPECT_EQ(with.bytes - without.bytes, playerCodeBytes(info.board, format, true) -
                                                      playerCodeBytes(info.board, format, false));
            EXPECT_EQ(checkPlayerExport(looped, info.board, format).budget.bytes, with.bytes);
            EXPECT_EQ(checkExport(looped, info.board, format).budget.bytes, with.bytes);
        }
    }
    // A table that just fits without its loop no longer fits with it.
    SlotBank full = walkBank(1, 9);
    const std::int32_t room = tableRoom(Board::Uno, SampleFormat::Pcm8, false);
    full[1] = test::makeSlot(Bytes(static_cast<std::size_t>(room - 15), 140), room - 16);
    EXPECT_TRUE(flashBudget(full, Board::Uno).fits);
    full[1].loop = Loop{10, 20};
    EXPECT_FALSE(flashBudget(full, Board::Uno).fits);
}

} // namespace
} // namespace wtb
