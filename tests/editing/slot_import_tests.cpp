#include "editing/SlotImport.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SlotImport : public testing::Test {
protected:
    void SetUp() override { test::fillBank(bank, test::patternedSlots(300)); }

    Bytes bytesOf(std::int16_t slot) { return test::slotBytes(bank, slot); }
    std::vector<test::SlotState> allSlots() { return test::allSlotStates(bank); }

    test::TempFolder folder;
    SlotBank bank;
};

TEST_F(SlotImport, AFileOfNSamplesSelectsItsWholeSound) {
    for (std::int32_t n : {1000, 1}) {
        SCOPED_TRACE(n);
        Bytes bytes(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const QString path = folder.file(QString("take %1.wav").arg(n));
        test::writeWav8(path, bytes, 11025);
        const auto otherSlots = [&] {
            auto states = allSlots();
            states.erase(states.begin() + 4);
            return states;
        };
        const auto othersBefore = otherSlots();

        importIntoSlot(bank, 5, path);

        EXPECT_EQ(bytesOf(5), bytes);
        EXPECT_EQ(bank.WaveDesc[5], (BufferDesc{n, 11025, 8}));
        EXPECT_EQ(bank.OutBufLen[5], n - 1);
        EXPECT_EQ(bank.WaveName[5], "take " + std::to_string(n) + ".wav");
        EXPECT_TRUE(otherSlots() == othersBefore);
    }
}

TEST_F(SlotImport, SixteenBitStereoArrivesAsItsEightBitMonoMix) {
    // left-justified 16-bit: s * 65536; each pair averages to the expected byte
    const std::vector<std::pair<int, int>> frames{{0, 0},     {32767, 32767},  {-32768, -32768},
                                                  {25600, 0}, {12800, -12800}, {-6400, -19200}};
    const Bytes mixed{128, 255, 0, 178, 128, 78};
    std::vector<int> interleaved;
    for (auto [left, right] : frames) {
        interleaved.push_back(left * 65536);
        interleaved.push_back(right * 65536);
    }
    test::writeSoundFile(folder.file("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                         interleaved);

    importIntoSlot(bank, 2, folder.file("stereo.wav"));

    EXPECT_EQ(bytesOf(2), mixed);
    EXPECT_EQ(bank.WaveDesc[2], (BufferDesc{6, 44100, 8}));
    EXPECT_EQ(bank.OutBufLen[2], 5);
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

TEST_F(SlotImport, ANameWithLineEndsKeepsSettingsToOneLinePerSlot) {
    const QString path = folder.file("snare\tbright\r\nroom\n.wav");
    test::writeWav8(path, Bytes(40, 200));
    importIntoSlot(bank, 7, path);
    EXPECT_EQ(bank.WaveName[7], "snare bright  room .wav");

    test::TempFolder saved;
    SaveWorkingFolder(bank, saved.path());
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

TEST_F(SlotImport, ASoundWithNoSamplesIsRefusedAndTheSlotKept) {
    test::writeWav8(folder.file("silence.wav"), {});
    const auto before = allSlots();
    try {
        importIntoSlot(bank, 5, folder.file("silence.wav"));
        ADD_FAILURE() << "an empty sound replaced the slot";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("silence.wav\" into slot 5: the file holds no"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(allSlots() == before);
}

TEST_F(SlotImport, AFailedImportLeavesTheSlotAsItWas) {
    test::writeText(folder.file("notes.wav"), "Not a sound at all.\n");
    test::writeText(folder.file("empty.wav"), "");
    const auto before = allSlots();
    for (const char* name : {"notes.wav", "empty.wav", "absent.wav"}) {
        SCOPED_TRACE(name);
        try {
            importIntoSlot(bank, 4, folder.file(name));
            ADD_FAILURE() << "the import succeeded";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Sound);
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
        EXPECT_TRUE(allSlots() == before);
    }

    test::writeWav8(folder.file("good.wav"), Bytes(10, 99));
    EXPECT_THROW(importIntoSlot(bank, 17, folder.file("good.wav")), RuntimeError);
    bank.SoundDevice.reset();
    EXPECT_THROW(importIntoSlot(bank, 4, folder.file("good.wav")), RuntimeError);
    EXPECT_TRUE(allSlots() == before);
}

} // namespace
} // namespace wtb
