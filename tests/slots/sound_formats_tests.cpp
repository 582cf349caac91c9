// The formats the Import dialog offers are the ones the library reads: each one listed that a
// file can be written in here is written, named with each of its extensions, and read back.
#include "slots/SoundFile.h"
#include "slots/SoundFormats.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sndfile.h>

namespace wtb {
namespace {

const SoundFormat* formatWith(const std::vector<SoundFormat>& formats, const std::string& ext) {
    for (const SoundFormat& format : formats) {
        if (std::find(format.extensions.begin(), format.extensions.end(), ext) !=
            format.extensions.end()) {
            return &format;
        }
    }
    return nullptr;
}

TEST(ReadableSoundFormats, ListsTheCommonFormatsOnceEachAndNoHeaderlessRaw) {
    const std::vector<SoundFormat> formats = readableSoundFormats();
    for (const char* ext : {"wav", "flac", "ogg", "oga", "opus", "aiff", "aif", "au", "caf"}) {
        EXPECT_NE(formatWith(formats, ext), nullptr) << ext;
    }
    EXPECT_EQ(formatWith(formats, "raw"), nullptr); // cannot be opened without its layout
    std::set<std::string> seen;
    for (const SoundFormat& format : formats) {
        EXPECT_FALSE(format.name.empty());
        for (const std::string& ext : format.extensions) {
            EXPECT_TRUE(seen.insert(ext).second) << ext << " listed twice";
            EXPECT_EQ(ext.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ. *"), std::string::npos);
        }
    }
}

struct Written {
    const char* extension;
    int format;
    int tolerance; // lossy formats come back near, not exact
};

class ListedFormat : public testing::TestWithParam<Written> {};

TEST_P(ListedFormat, IsListedAndReadsBackUnderEachOfItsNames) {
    const std::vector<SoundFormat> formats = readableSoundFormats();
    const SoundFormat* format = formatWith(formats, GetParam().extension);
    ASSERT_NE(format, nullptr);
    // A slow 16-bit sine, quiet enough for any codec.
    std::vector<int> samples(4800);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int>(std::lround(0.5 * std::sin(i * 0.02) * 2147483647.0));
    }
    test::TempFolder folder;
    for (const std::string& extension : format->extensions) {
        const QString path = folder.file(QString::fromStdString("tone." + extension));
        test::writeSoundFile(path, GetParam().format, 1, 48000, samples);
        const Sound8 sound = decodeSoundFile(path);
        EXPECT_EQ(sound.sampleRate, 48000) << extension;
        ASSERT_GE(sound.bytes.size(), samples.size() / 2) << extension;
        for (std::size_t i = 100; i < sound.bytes.size() && i < 4000; i += 97) {
            const double expected = 128 + 64 * std::sin(i * 0.02);
            EXPECT_NEAR(sound.bytes[i], expected, GetParam().tolerance) << extension << " " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ListedFormat,
                         testing::Values(Written{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1},
                                         Written{"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1},
                                         Written{"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 6},
                                         Written{"opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 6},
                                         Written{"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1},
                                         Written{"caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 1}),
                         [](const auto& param) { return std::string(param.param.extension); });

} // namespace
} // namespace wtb
