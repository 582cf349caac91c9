#include "editing/SlotImport.h"
#include "editing/SlotLoop.h"
#include "slots/SlotName.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const Slot& slot) {
    return Bytes(slot.samples.bytes().begin(), slot.samples.bytes().end());
}

TEST(SlotFromFile, AFileOfNSamplesSelectsItsWholeSound) {
    test::TempFolder folder;
    for (std::int32_t n : {1000, 1}) {
        SCOPED_TRACE(n);
        Bytes bytes(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const QString path = folder.file(QString("take %1.wav").arg(n));
        test::writeWav8(path, bytes, 11025);

        EXPECT_EQ(slotFromFile(path),
                  test::makeSlot(bytes, n - 1, "take " + std::to_string(n) + ".wav", 11025));
    }
}

TEST(SlotFromFile, SixteenBitStereoArrivesAsItsEightBitMonoMix) {
    // left-justified 16-bit: s * 65536; each pair averages to the expected byte
    const std::vector<std::pair<int, int>> frames{{0, 0},     {32767, 32767},  {-32768, -32768},
                                                  {25600, 0}, {12800, -12800}, {-6400, -19200}};
    std::vector<int> interleaved;
    for (auto [left, right] : frames) {
        interleaved.push_back(left * 65536);
        interleaved.push_back(right * 65536);
    }
    test::TempFolder folder;
    test::writeSoundFile(folder.file("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                         interleaved);

    const Slot slot = slotFromFile(folder.file("stereo.wav"));
    EXPECT_EQ(bytesOf(slot), (Bytes{128, 255, 0, 178, 128, 78}));
    EXPECT_EQ(slot.sampleRate, 44100);
    EXPECT_EQ(slot.endIndex, 5);
}

TEST(SlotNameFromFileTitle, ReplacesControlAndLineSeparatorCharacters) {
    EXPECT_EQ(slotNameFromFileTitle("kick\tdrum\r\n.wav"), "kick drum  .wav");
    EXPECT_EQ(slotNameFromFileTitle(QString::fromUtf8("a\x7f"
                                                      "b\u0085c\u2028d\u2029e\x01.wav")),
              "a b c d e .wav");
    // everything else is kept, as UTF-8
    EXPECT_EQ(slotNameFromFileTitle(QString::fromUtf8("Größe ♪ \\ 𝄞.wav")), "Größe ♪ \\ 𝄞.wav");
    EXPECT_EQ(slotNameFromFileTitle(""), "");
}

TEST(SlotFromFile, ANameWithLineEndsKeepsSettingsToOneLinePerSlot) {
    test::TempFolder folder;
    const QString path = folder.file("snare\tbright\r\nroom\n.wav");
    test::writeWav8(path, Bytes(40, 200));
    SlotBank bank = test::bankOf(test::patternedSlots(300));
    bank[7] = slotFromFile(path);
    EXPECT_EQ(bank[7].name, "snare bright  room .wav");

    test::TempFolder saved;
    saveWorkingFolder(bank, saved.path());
    const std::string settings = test::readText(saved.file("Settings.txt"));
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < settings.size();) {
        const std::size_t end = settings.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "unterminated last line";
        lines.push_back(settings.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 16u);
    for (const std::string& line : lines) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 1) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
    EXPECT_EQ(lines[6], "snare bright  room .wav\t39");
}

TEST(SlotFromFile, AnUnreadableOrEmptySoundIsASoundErrorNamingTheFile) {
    test::TempFolder folder;
    test::writeText(folder.file("notes.wav"), "Not a sound at all.\n");
    test::writeText(folder.file("empty.wav"), "");
    test::writeWav8(folder.file("silence.wav"), {});
    for (const char* name : {"notes.wav", "empty.wav", "absent.wav", "silence.wav"}) {
        SCOPED_TRACE(name);
        try {
            slotFromFile(folder.file(name));
            ADD_FAILURE() << "the file made a slot";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Sound);
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace wtb

namespace wtb {
namespace {

std::vector<std::int16_t> sine16(std::size_t length, double period) {
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        samples[i] =
            static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * i / period)));
    }
    return samples;
}

// A note the import gives, and the one fact that tells it apart (none when `fact` is null).
struct SaidNote {
    ImportNoteKind kind;
    const char* fact = nullptr;
    std::int64_t value = 0;
};

struct LoopImport {
    const char* name;
    std::vector<test::SmplLoop> loops; // in a second of a 160 Hz sine at 8000 Hz (period 50)
    std::optional<std::int32_t> rate;
    std::optional<Loop> loop;    // exactly, when known
    std::optional<Loop> near;    // else within two samples of this, seamless
    std::vector<SaidNote> notes; // one entry per note
};

void PrintTo(const LoopImport& each, std::ostream* out) {
    *out << each.name;
}

class ImportedLoop : public testing::TestWithParam<LoopImport> {};

TEST_P(ImportedLoop, IsTheFirstForwardLoopAtTheSameTimeOrNoneWithANote) {
    const LoopImport& each = GetParam();
    test::TempFolder folder;
    const QString path = folder.file("motor.wav");
    test::writeWav16WithLoops(path, sine16(8000, 50), 8000, each.loops);

    const ImportNote before{ImportNoteKind::SeamJumps, {{"file", "before.wav"}, {"jump", 9}}};
    ImportNotes notes{before};
    const Slot slot = slotFromFile(path, {each.rate, false}, &notes);
    ASSERT_EQ(notes.size(), each.notes.size() + 1);
    EXPECT_EQ(notes[0], before);
    for (std::size_t n = 0; n < each.notes.size(); ++n) {
        const ImportNote& note = notes[n + 1];
        EXPECT_EQ(note.kind, each.notes[n].kind) << n;
        if (each.notes[n].fact) {
            EXPECT_EQ(note.facts.number(each.notes[n].fact), each.notes[n].value) << n;
        }
        EXPECT_EQ(note.facts.text("file"), "motor.wav");
    }
    if (each.loop) {
        EXPECT_EQ(slot.loop, each.loop);
    } else if (each.near) {
        ASSERT_TRUE(slot.loop);
        EXPECT_NEAR(slot.loop->start, each.near->start, 2);
        EXPECT_NEAR(slot.loop->end, each.near->end, 2);
        EXPECT_LE(seamJump(slot.samples.bytes(), *slot.loop), kSeamlessJump);
    } else {
        EXPECT_EQ(slot.loop, std::nullopt);
    }
    if (slot.loop) {
        EXPECT_TRUE(slot.holdsLoop(*slot.loop));
    }
    // Without a place for notes the same slot comes in.
    EXPECT_EQ(slotFromFile(path, {each.rate, false}), slot);
}

using enum ImportNoteKind;

INSTANTIATE_TEST_SUITE_P(
    Loops, ImportedLoop,
    testing::Values(
        LoopImport{"Forward", {{0, 100, 399}}, {}, Loop{100, 399}, {}, {}},
        // 50 samples a period become 100: six periods still, exactly twice the samples
        LoopImport{"ForwardAtTwiceTheRate", {{0, 100, 399}}, 16000, Loop{200, 799}, {}, {}},
        LoopImport{"ForwardAtAnotherRate", {{0, 100, 399}}, 11025, {}, Loop{138, 550}, {}},
        LoopImport{"ForwardAtALowerRate", {{0, 1000, 2999}}, 5000, {}, Loop{625, 1874}, {}},
        LoopImport{"EndOnePastTheLastFrame", {{0, 4000, 8000}}, {}, Loop{4000, 7999}, {}, {}},
        LoopImport{
            "PingPong",
            {{1, 100, 399}},
            {},
            {},
            {},
            {{LoopNotForward, "mode", static_cast<std::int64_t>(FileLoopMode::Alternating)}}},
        LoopImport{"Backward",
                   {{2, 100, 399}, {1, 5, 9}},
                   {},
                   {},
                   {},
                   {{LoopNotForward, "mode", static_cast<std::int64_t>(FileLoopMode::Backward)}}},
        LoopImport{"FirstForwardOfSeveral",
                   {{1, 5, 9}, {0, 100, 399}, {0, 1000, 1099}},
                   {},
                   Loop{100, 399},
                   {},
                   {{SeveralLoops, "loops", 3}}},
        LoopImport{
            "PastTheSound", {{0, 9000, 9100}}, {}, {}, {}, {{LoopOutsideFrames, "frames", 8000}}},
        LoopImport{
            "EndBeforeStart", {{0, 300, 200}}, {}, {}, {}, {{LoopEndsBeforeStart, "end", 200}}},
        LoopImport{
            "EndFarPastTheSound", {{0, 100, 9000}}, {}, {}, {}, {{LoopOutsideFrames, "end", 9000}}},
        LoopImport{"NoLoops", {}, 11025, {}, {}, {}},
        LoopImport{"OfAKindNoPlayerKnows",
                   {{77, 100, 399}},
                   {},
                   {},
                   {},
                   {{LoopNotForward, "mode", static_cast<std::int64_t>(FileLoopMode::Other)}}},
        LoopImport{"OneFrameLostAtTheLowestRate",
                   {{0, 101, 101}},
                   1000,
                   {},
                   {},
                   {{LoopLostAtRate, "rate", 1000}}},
        LoopImport{"MoreLoopsThanTheReaderKeeps",
                   std::vector<test::SmplLoop>(17, {0, 100, 399}),
                   {},
                   Loop{100, 399},
                   {},
                   {{SeveralLoops, "loops", 17}}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ImportedLoop, ASeamThatJumpsIsKeptWithinACoupleOfSamplesAndSaidToJump) {
    // from a crest back to the zero line: no seamless join within a couple of samples
    test::TempFolder folder;
    const QString path = folder.file("motor.wav");
    test::writeWav16WithLoops(path, sine16(8000, 50), 8000, {{0, 112, 399}});
    ImportNotes notes;
    const Slot slot = slotFromFile(path, {}, &notes);
    ASSERT_TRUE(slot.loop);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].kind, ImportNoteKind::SeamJumps);
    EXPECT_EQ(notes[0].facts.number("jump"), seamJump(slot.samples.bytes(), *slot.loop));
    EXPECT_NEAR(slot.loop->start, 112, kCarriedLoopReach);
    EXPECT_NEAR(slot.loop->end, 399, kCarriedLoopReach);
    EXPECT_GT(seamJump(slot.samples.bytes(), *slot.loop), kSeamlessJump);
}

} // namespace
} // namespace wtb
