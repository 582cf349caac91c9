// ADPCM quality on real recordings nobody here made: Debian's ALSA voice samples and CPython's
// plucked string, resampled to 16 kHz by the program's own resampler. The SNR against the 8-bit
// samples, plain and with the look-ahead, is printed for the README; the look-ahead never loses.
#include "editing/Resample.h"
#include "export/Adpcm.h"
#include "slots/SoundFile.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <cstdio>

namespace wtb {
namespace {

constexpr const char* kRecordings[] = {
    "/usr/share/sounds/alsa/Front_Center.wav",
    "/usr/share/sounds/alsa/Rear_Right.wav",
    "/usr/share/sounds/alsa/Noise.wav",
    "/usr/lib/python3.11/test/audiodata/pluck-pcm16.wav",
};

TEST(AdpcmQuality, LookAheadNeverLosesOnRealRecordings) {
    for (const char* path : kRecordings) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(QFileInfo::exists(path))
            << "missing: scripts/install-deps.sh installs alsa-utils and libpython3.11-testsuite";
        const Sound8 sound = decodeSoundFile(path);
        std::vector<std::uint8_t> samples = resampleBytes(sound.bytes, sound.sampleRate, 16'000);
        ASSERT_GE(samples.size(), 2u);
        samples.front() = samples.back() = 128; // as the table exports a slot
        const auto count = static_cast<std::int32_t>(samples.size());
        const double plain =
            snrDb(samples, decodeAdpcm(encodeAdpcm(samples, AdpcmSearch::Plain).bytes, count));
        const double searched =
            snrDb(samples, decodeAdpcm(encodeAdpcm(samples, AdpcmSearch::LookAhead).bytes, count));
        EXPECT_GE(searched, plain);
        std::printf("| %s | %d | %.2f dB | %.2f dB | %+.2f dB |\n",
                    QFileInfo(path).fileName().toUtf8().constData(), count, plain, searched,
                    searched - plain);
    }
}

} // namespace
} // namespace wtb
