#include "editing/SlotImport.h"
#include "slots/SlotName.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

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
