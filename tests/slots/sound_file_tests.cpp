#include "slots/SoundFile.h"
#include "slots/SoundHeaderProbe.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <sndfile.h>
#include <thread>
#include <unistd.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

class SoundFileTest : public testing::Test {
protected:
    Bytes load(const QString& name, std::int32_t expectedRate = 8000) {
        const Sound8 sound = decodeSoundFile(folder.file(name));
        EXPECT_EQ(sound.sampleRate, expectedRate);
        return sound.bytes;
    }

    std::string loadError(const QString& name) {
        try {
            decodeSoundFile(folder.file(name));
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Sound);
            return error.what();
        }
        return "loaded";
    }

    test::TempFolder folder;
};

TEST_F(SoundFileTest, SixteenBitStereoIsMixedToEightBitMono) {
    // libsndfile's int interface is left-justified: a 16-bit sample s is passed as s << 16
    const std::vector<std::pair<int, int>> frames{
        {0, 0},          {32767, 32767}, {-32768, -32768}, {256, 0},
        {12800, -12800}, {25600, 0},     {-25600, -25600}};
    std::vector<int> interleaved;
    for (auto [left, right] : frames) {
        interleaved.push_back(left * 65536);
        interleaved.push_back(right * 65536);
    }
    test::writeSoundFile(folder.file("s16.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                         interleaved);
    EXPECT_EQ(load("s16.wav", 44100), (Bytes{128, 255, 0, 129, 128, 178, 28}));
}

TEST_F(SoundFileTest, TwentyFourBitAndFloatAreScaledAndClamped) {
    test::writeSoundFile(folder.file("s24.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 22050,
                         {0x7FFFFF * 256, -0x800000 * 256, 0x10000 * 256, -3 * 0x10000 * 256});
    EXPECT_EQ(load("s24.wav", 22050), (Bytes{255, 0, 129, 125}));

    test::writeFloatSoundFile(folder.file("f32.wav"), 2, 8000,
                              {0.5f, 0.5f, 1.5f, 1.5f, -2.0f, -2.0f, 0.25f, -0.25f, -0.5f, 0.0f});
    EXPECT_EQ(load("f32.wav"), (Bytes{192, 255, 0, 128, 96}));

    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    test::writeFloatSoundFile(folder.file("odd.wav"), 2, 8000,
                              {nan, nan, inf, inf, -inf, -inf, inf, -inf, nan, 0.5f});
    EXPECT_EQ(load("odd.wav"), (Bytes{128, 255, 0, 128, 128}));
}

TEST_F(SoundFileTest, EightBitStereoAveragesTheTwoBytes) {
    const std::vector<std::pair<int, int>> frames{
        {100, 200}, {10, 20}, {255, 255}, {0, 0}, {0, 255}};
    std::vector<int> interleaved;
    for (auto [left, right] : frames) {
        interleaved.push_back((left - 128) * (1 << 24));
        interleaved.push_back((right - 128) * (1 << 24));
    }
    test::writeSoundFile(folder.file("u8s.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, 8000,
                         interleaved);
    // 0 and 255 lie -128 and +127 from the zero line: their mean, -0.5, rounds away from zero
    EXPECT_EQ(load("u8s.wav"), (Bytes{150, 15, 255, 0, 127}));
}

TEST_F(SoundFileTest, ExtensibleHeaderIsRead) {
    test::writeSoundFile(folder.file("ext.wav"), SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1, 16000,
                         {0, 100 * 256 * 65536, -50 * 256 * 65536});
    EXPECT_EQ(load("ext.wav", 16000), (Bytes{128, 228, 78}));
}

TEST_F(SoundFileTest, EightBitMonoKeepsEveryByteAndSavesBackIdentically) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<std::uint8_t>(255 - i);
    }
    test::writeSoundFile(folder.file("u8.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 11025, [&] {
        std::vector<int> ints;
        for (std::uint8_t b : all) {
            ints.push_back((b - 128) * (1 << 24));
        }
        return ints;
    }());
    EXPECT_EQ(load("u8.wav", 11025), all);

    const Sound8 sound = decodeSoundFile(folder.file("u8.wav"));
    EXPECT_EQ(sound.sampleRate, 11025);
    test::writeText(folder.file("saved.wav"), encodeWav8(sound.bytes, sound.sampleRate));

    SF_INFO info{};
    SNDFILE* file =
        sf_open(QFile::encodeName(folder.file("saved.wav")).constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    EXPECT_EQ(info.channels, 1);

    const Sound8 reloaded = decodeSoundFile(folder.file("saved.wav"));
    EXPECT_EQ(reloaded.sampleRate, 11025);
    EXPECT_EQ(reloaded.bytes, all);
}

TEST_F(SoundFileTest, EmptySoundSavesAndLoadsAsZeroBytes) {
    test::writeWav8(folder.file("empty.wav"), {});
    EXPECT_TRUE(load("empty.wav").empty());
}

TEST_F(SoundFileTest, BadFilesAreRefusedWithTheirName) {
    test::writeText(folder.file("zero.wav"), "");
    test::writeText(folder.file("text.wav"), "This is a shopping list, not a sound.\n");
    const std::string wav = encodeWav8(Bytes(100, 128), 8000);
    test::writeText(folder.file("cut.wav"), wav.substr(0, 20));

    for (const char* name : {"zero.wav", "text.wav", "cut.wav", "missing.wav"}) {
        const std::string message = loadError(name);
        EXPECT_NE(message.find(folder.file(name).toStdString()), std::string::npos) << message;
    }
    EXPECT_NE(loadError("missing.wav").find("does not exist"), std::string::npos);
}

TEST_F(SoundFileTest, DataCutShortLoadsTheSamplesThatAreThere) {
    Bytes bytes(100);
    for (int i = 0; i < 100; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i);
    }
    const std::string wav = encodeWav8(bytes, 8000);
    test::writeText(folder.file("short.wav"), wav.substr(0, wav.size() - 40));
    EXPECT_EQ(load("short.wav"), Bytes(bytes.begin(), bytes.begin() + 60));
}

// An 8-bit mono WAV file of four samples whose LIST chunk holds one sub-chunk of `size` bytes.
std::string wavWithListSubChunk(std::uint32_t size) {
    const auto le32 = [](std::uint32_t value) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<char>(value >> (8 * i));
        }
        return bytes;
    };
    const std::string fmt = "fmt " + le32(16) + std::string("\1\0\1\0", 4) + le32(8000) +
                            le32(8000) + std::string("\1\0\x08\0", 4);
    const std::string list = "LIST" + le32(16) + "abcd" + le32(size) + std::string(8, '\x80');
    const std::string data = "data" + le32(4) + "\x80\x90\x70\x80";
    const std::string body = "WAVE" + fmt + list + data;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

// A sub-chunk size that wraps the reader's 32-bit count jumps it back to the sub-chunk's own
// start, for ever; the same file with a sane size loads.
TEST_F(SoundFileTest, AHeaderThatLoopsTheReaderIsRefusedInsteadOfHanging) {
    test::writeText(folder.file("sane.wav"), wavWithListSubChunk(8));
    test::writeText(folder.file("loops.wav"), wavWithListSubChunk(0xfffffff8));

    EXPECT_EQ(load("sane.wav"), (Bytes{0x80, 0x90, 0x70, 0x80}));
    EXPECT_EQ(probeSoundHeader(folder.file("sane.wav"), kHeaderTimeLimit), HeaderProbe::Opened);
    EXPECT_EQ(probeSoundHeader(folder.file("loops.wav"), std::chrono::milliseconds(200)),
              HeaderProbe::TimedOut);
    EXPECT_NE(loadError("loops.wav").find("its header is damaged"), std::string::npos);
}

std::vector<std::string> commandLineOf(const QString& process) {
    std::vector<std::string> arguments;
    QFile commandLine("/proc/" + process + "/cmdline");
    if (commandLine.open(QIODevice::ReadOnly)) {
        for (const QByteArray& argument : commandLine.readAll().split('\0')) {
            arguments.push_back(argument.toStdString());
        }
    }
    return arguments;
}

// The command lines of this process's children, read from /proc. A child still showing this
// process's own command line has been forked but has not started its program yet: left out.
std::vector<std::vector<std::string>> childCommandLines() {
    const std::vector<std::string> own = commandLineOf(QStringLiteral("self"));
    std::vector<std::vector<std::string>> lines;
    const QString parent = QString::number(::getpid());
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile status("/proc/" + entry + "/stat");
        if (!status.open(QIODevice::ReadOnly)) {
            continue;
        }
        // "pid (name) state ppid ...": the name may hold spaces, so count from its end.
        const QByteArray stat = status.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1] != parent.toLatin1()) {
            continue;
        }
        const std::vector<std::string> arguments = commandLineOf(entry);
        if (!arguments.empty() && arguments != own) {
            lines.push_back(arguments);
        }
    }
    return lines;
}

// The probe is a fresh process of this program (a test binary here, whose main answers it),
// not a fork that would run libsndfile beside copies of other threads' locks.
TEST_F(SoundFileTest, TheHeaderIsProbedByTheProgramStartedAfreshWithThePrivateArgument) {
    test::writeText(folder.file("loops.wav"), wavWithListSubChunk(0xfffffff8));
    std::atomic<bool> probing = true;
    std::thread probe([&] {
        EXPECT_EQ(probeSoundHeader(folder.file("loops.wav"), std::chrono::milliseconds(1500)),
                  HeaderProbe::TimedOut);
        probing = false;
    });
    std::vector<std::vector<std::string>> seen;
    const bool found = test::pollUntil(
        [&] {
            seen = childCommandLines();
            return !seen.empty() || !probing;
        },
        1500, 5);
    probe.join();
    ASSERT_TRUE(found && !seen.empty()) << "no probe process was seen";
    const std::vector<std::string> expected = {"/proc/self/exe", kHeaderProbeArgument,
                                               folder.file("loops.wav").toStdString(), ""};
    EXPECT_EQ(seen.front(), expected);
}

// Only a header the reader goes straight through skips the probe: anything after the data, a
// longer "fmt " chunk or a compressed format is probed.
TEST(PlainWavHeader, IsOnlyAPcmHeaderWhoseDataRunsToTheEnd) {
    const std::string plain = encodeWav8(Bytes(10, 128), 8000);
    const auto isPlain = [](const std::string& file) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.data());
        return isPlainPcmWavHeader(std::span(bytes, std::min<std::size_t>(file.size(), 44)),
                                   std::int64_t(file.size()));
    };
    std::string longerFmt = plain;
    longerFmt[16] = 18;
    std::string alaw = plain;
    alaw[20] = 6;
    EXPECT_TRUE(isPlain(plain));
    EXPECT_TRUE(isPlain(plain + "LIST")); // the reader stops with four bytes or fewer left
    EXPECT_FALSE(isPlain(plain + std::string("LIST\0\0\0\0", 8)));
    EXPECT_FALSE(isPlain(longerFmt));
    EXPECT_FALSE(isPlain(alaw));
    EXPECT_FALSE(isPlain(plain.substr(0, 40)));
    EXPECT_FALSE(isPlain(wavWithListSubChunk(8)));
}

} // namespace
} // namespace wtb
