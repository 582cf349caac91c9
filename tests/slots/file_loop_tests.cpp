// The loops a sound file declares, as decodeSoundFile reads them: a WAV's smpl chunk and an
// AIFF's sustain loop, written byte by byte from the formats' layouts.
#include "slots/AiffSustainLoop.h"
#include "slots/SoundFile.h"
#include "support/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace wtb {
namespace {

std::vector<std::int16_t> sine(std::size_t length, double period) {
    std::vector<std::int16_t> samples(length);
    for (std::size_t i = 0; i < length; ++i) {
        samples[i] =
            static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * i / period)));
    }
    return samples;
}

struct FileCase {
    const char* name;
    std::function<void(const QString&)> write;
    std::vector<FileLoop> loops;
};

void PrintTo(const FileCase& each, std::ostream* out) {
    *out << each.name;
}

class FileLoops : public testing::TestWithParam<FileCase> {};

TEST_P(FileLoops, AreReadInTheFilesOrderWithInclusiveEnds) {
    test::TempFolder folder;
    const QString path = folder.file("looped");
    GetParam().write(path);
    const Sound8 sound = decodeSoundFile(path);
    EXPECT_EQ(sound.loops, GetParam().loops);
    EXPECT_EQ(sound.fileRate, 8000);
    EXPECT_EQ(sound.fileFrames, 1000);
    EXPECT_EQ(sound.bytes.size(), 1000u);
}

constexpr auto kForward = FileLoopMode::Forward;
const auto kSound = sine(1000, 50);

INSTANTIATE_TEST_SUITE_P(
    Formats, FileLoops,
    testing::Values(
        FileCase{"WavForward",
                 [](const QString& path) {
                     test::writeWav16WithLoops(path, kSound, 8000, {{0, 100, 399}});
                 },
                 {{kForward, 100, 399}}},
        FileCase{"WavEveryKindInOrder",
                 [](const QString& path) {
                     test::writeWav16WithLoops(path, kSound, 8000,
                                               {{1, 10, 20}, {2, 30, 40}, {0, 50, 60}, {77, 1, 2}});
                 },
                 // a maker's own type (77) is kept, for the import to say why it is left out
                 {{FileLoopMode::Alternating, 10, 20},
                  {FileLoopMode::Backward, 30, 40},
                  {kForward, 50, 60},
                  {FileLoopMode::Other, 1, 2}}},
        FileCase{"WavWithoutLoops",
                 [](const QString& path) { test::writeWav16WithLoops(path, kSound, 8000, {}); },
                 {}},
        FileCase{"AiffForward",
                 [](const QString& path) {
                     test::writeAiff16WithSustainLoop(path, kSound, 8000, 1, 100, 400);
                 },
                 {{kForward, 100, 399}}},
        // libsndfile calls this one forward; it is not
        FileCase{"AiffPingPong",
                 [](const QString& path) {
                     test::writeAiff16WithSustainLoop(path, kSound, 8000, 2, 100, 400);
                 },
                 {{FileLoopMode::Alternating, 100, 399}}},
        FileCase{"AiffLoopOff",
                 [](const QString& path) {
                     test::writeAiff16WithSustainLoop(path, kSound, 8000, 0, 100, 400);
                 },
                 {}},
        FileCase{"AiffModeNoPlayerKnows",
                 [](const QString& path) {
                     test::writeAiff16WithSustainLoop(path, kSound, 8000, 5, 100, 400);
                 },
                 {{FileLoopMode::Other, 100, 399}}},
        // libsndfile would give the marker numbers 1 and 2 as the loop's frames; the loop is
        // kept without a place, for the import to say why it is left out
        FileCase{"AiffWithoutMarkers",
                 [](const QString& path) {
                     test::writeAiff16WithSustainLoop(path, kSound, 8000, 1, 100, 400, false);
                 },
                 {{kForward, kMissingMarker, kMissingMarker}}}),
    [](const auto& test) { return std::string(test.param.name); });

// What the reader keeps of a file is not all it declares: the count of its loops is the file's
// own, and an AIFF rate of 0, which libsndfile reads as 1 Hz, is refused.
TEST(FileDeclarations, GiveTheFilesLoopCountAndRefuseAnAiffWithoutARate) {
    test::TempFolder folder;
    std::vector<test::SmplLoop> forty;
    for (std::uint32_t n = 0; n < 40; ++n) {
        forty.push_back({0, 100 + n, 399 + n});
    }
    test::writeWav16WithLoops(folder.file("forty.wav"), kSound, 8000, forty);
    const Sound8 sound = decodeSoundFile(folder.file("forty.wav"));
    EXPECT_EQ(sound.loops.size(), 16u);
    EXPECT_EQ(sound.declaredLoops, 40);

    test::writeAiff16WithSustainLoop(folder.file("still.aiff"), kSound, 8000, 1, 100, 400);
    std::string bytes = test::readText(folder.file("still.aiff"));
    bytes.replace(bytes.find("COMM") + 16, 10, std::string(10, '\0'));
    test::writeText(folder.file("still.aiff"), bytes);
    try {
        decodeSoundFile(folder.file("still.aiff"));
        ADD_FAILURE() << "an AIFF without a rate was read";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("declares a sample rate of 0 Hz"),
                  std::string::npos)
            << error.what();
    }
}

TEST(AiffSustainLoop, ADamagedFileIsReadNoFurtherThanItsEndAndLoopsOnlyOnMarkersFound) {
    test::TempFolder folder;
    test::writeAiff16WithSustainLoop(folder.file("a.aiff"), kSound, 8000, 1, 100, 400);
    const std::string whole = test::readText(folder.file("a.aiff"));
    const std::size_t markAt = whole.find("MARK");
    ASSERT_NE(markAt, std::string::npos);
    const std::optional<FileLoop> loop = FileLoop{kForward, 100, 399};
    struct Damage {
        const char* what;
        std::function<void(std::string&)> apply;
        std::optional<FileLoop> loop;
    };
    for (const Damage& damage : {
             Damage{"none", [](std::string&) {}, loop},
             Damage{"cut in the marks", [&](std::string& b) { b.resize(markAt + 14); }, {}},
             // names not padded to an even length, as some writers leave them
             Damage{"unpadded marker names",
                    [&](std::string& b) {
                        b.replace(markAt, 8 + 22,
                                  std::string("MARK\0\0\0\x14\0\x02"
                                              "\0\x01\0\0\0\x64\x02"
                                              "be"
                                              "\0\x02\0\0\x01\x90\x02"
                                              "en",
                                              28));
                    },
                    loop},
             Damage{"a huge chunk size",
                    [&](std::string& b) { b.replace(markAt + 4, 4, "\xff\xff\xff\xf0", 4); },
                    {}},
             // the two markers there are still read
             Damage{"a marker count past the chunk",
                    [&](std::string& b) { b.replace(markAt + 8, 2, "\x7f\xff", 2); }, loop},
             Damage{"the end marker renumbered",
                    [&](std::string& b) { b.replace(markAt + 20, 2, "\x00\x09", 2); },
                    FileLoop{kForward, kMissingMarker, kMissingMarker}},
             Damage{"not a FORM", [](std::string& b) { b.replace(0, 4, "RIFF"); }, {}},
         }) {
        SCOPED_TRACE(damage.what);
        std::string bytes = whole;
        damage.apply(bytes);
        QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        EXPECT_EQ(readAiffSustainLoop(buffer), damage.loop);
    }
}

} // namespace
} // namespace wtb
