#include "editing/Resample.h"
#include "editing/SlotImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes tone(double frequency, int rate, int length, double amplitude = 100.0) {
    Bytes bytes(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(
            std::lround(128 + amplitude * std::sin(2 * M_PI * frequency * i / rate)));
    }
    return bytes;
}

// The strength of one frequency in bytes[first, first + count), by a DFT at that bin.
double lineStrength(const Bytes& bytes, std::size_t first, std::size_t count, double frequency,
                    int rate) {
    std::complex<double> sum;
    for (std::size_t i = 0; i < count; ++i) {
        const double phase = -2 * M_PI * frequency * double(i) / rate;
        sum += (bytes.at(first + i) - 128.0) * std::polar(1.0, phase);
    }
    return std::abs(sum);
}

// How far the 2 kHz alias lies below the 1 kHz line, over a middle stretch of half a second
// at 8000 Hz (a whole number of cycles of both, so neither leaks into the other's bin).
double aliasBelowToneDb(const Bytes& at8000) {
    const double oneK = lineStrength(at8000, 2000, 4000, 1000, 8000);
    const double twoK = lineStrength(at8000, 2000, 4000, 2000, 8000);
    return 20 * std::log10(twoK / oneK);
}

TEST(ImportAtTargetRate, ATonePastTheNewNyquistDoesNotFoldDown) {
    // One second of 44.1 kHz 16-bit stereo: 1 kHz left, 6 kHz right, mixed to equal levels.
    // At 8000 Hz, 6 kHz lies past the 4 kHz limit and would fold onto 2 kHz.
    std::vector<int> interleaved;
    for (int i = 0; i < 44100; ++i) {
        for (double frequency : {1000.0, 6000.0}) {
            const double sample = 0.8 * std::sin(2 * M_PI * frequency * i / 44100);
            interleaved.push_back(static_cast<int>(std::lround(sample * 32767)) * 65536);
        }
    }
    test::TempFolder folder;
    const QString path = folder.file("tones.wav");
    test::writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, interleaved);
    const Slot imported = slotFromFile(path, DecodeOptions{8000, false});

    const auto view = imported.samples.bytes();
    const Bytes resampled(view.begin(), view.end());
    EXPECT_NEAR(double(resampled.size()), 8000.0, 1.0);
    EXPECT_EQ(imported.sampleRate, 8000);
    EXPECT_EQ(imported.endIndex, std::int32_t(resampled.size()) - 1);
    EXPECT_LT(aliasBelowToneDb(resampled), -40.0);

    // The same measurement on plain decimation of the file's own 8-bit conversion finds the
    // alias at about the tone's level: the test can tell the two apart.
    const Bytes full = decodeSoundFile(path).bytes;
    Bytes decimated(8000);
    for (std::size_t i = 0; i < decimated.size(); ++i) {
        decimated[i] = full.at(static_cast<std::size_t>(std::lround(i * 44100.0 / 8000)));
    }
    EXPECT_GT(aliasBelowToneDb(decimated), -6.0);
}

TEST(ImportAtTargetRate, AnEightBitMonoFileAtTheTargetRateKeepsItsBytes) {
    std::mt19937 random(7);
    Bytes bytes(5000);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    test::TempFolder folder;
    test::writeWav8(folder.file("board.wav"), bytes, 16384);
    const Sound8 sound = decodeSoundFile(folder.file("board.wav"), DecodeOptions{16384, false});
    EXPECT_EQ(sound.bytes, bytes);
    EXPECT_EQ(sound.sampleRate, 16384);
}

TEST(ImportAtTargetRate, RefusesARateOutsideTheRange) {
    test::TempFolder folder;
    test::writeWav8(folder.file("short.wav"), Bytes(100, 128), 8000);
    for (std::int32_t rate : {999, 1000, 96000, 96001}) {
        const bool inRange = rate == 1000 || rate == 96000;
        try {
            const Sound8 sound = decodeSoundFile(folder.file("short.wav"), {rate, false});
            EXPECT_TRUE(inRange) << rate;
            EXPECT_EQ(sound.bytes.size(), std::size_t(std::lround(100.0 * rate / 8000)));
        } catch (const RuntimeError& error) {
            EXPECT_FALSE(inRange) << error.what();
            EXPECT_EQ(error.kind(), ErrorKind::Bounds);
        }
    }
}

TEST(ImportAtTargetRate, ANotANumberSampleSilencesOnlyItself) {
    std::vector<float> samples(4000, 0.5f);
    samples[2000] = std::numeric_limits<float>::quiet_NaN();
    test::TempFolder folder;
    test::writeFloatSoundFile(folder.file("nan.wav"), 1, 44100, samples);
    const Bytes bytes = decodeSoundFile(folder.file("nan.wav"), DecodeOptions{8000, false}).bytes;
    // Fed to the resampler as it is, one NaN turns a filter's length of output into NaN,
    // that is into silence.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 128), 0);
}

// Rising zero-line crossings, each placed between its two samples by linear interpolation.
std::vector<double> risingCrossings(const Bytes& bytes, std::size_t first, std::size_t last) {
    std::vector<double> crossings;
    for (std::size_t i = first + 1; i < last; ++i) {
        const double before = bytes[i - 1] - 128.0;
        const double here = bytes[i] - 128.0;
        if (before < 0 && here >= 0) {
            crossings.push_back(double(i - 1) + before / (before - here));
        }
    }
    return crossings;
}

TEST(ResampleBytes, KeepsTheDurationAndThePitch) {
    const int length = 30000;
    const Bytes resampled = resampleBytes(tone(440, 44100, length), 44100, 16384);
    EXPECT_NEAR(double(resampled.size()), std::round(length * 16384.0 / 44100), 1.0);

    const auto crossings = risingCrossings(resampled, 500, resampled.size() - 500);
    ASSERT_GT(crossings.size(), 200u);
    const double period = (crossings.back() - crossings.front()) / double(crossings.size() - 1);
    EXPECT_NEAR(period, 16384.0 / 440, 0.01);
}

struct EndCase {
    const char* what;
    Bytes bytes;
    std::int32_t endIndex;
    std::int32_t toRate; // from 8000 Hz
    std::int32_t expectedEnd;
};

Bytes squareDown(int length) {
    Bytes bytes(length, 200);
    std::fill(bytes.begin() + length / 2, bytes.end(), 50);
    return bytes;
}

TEST(ResampledSlot, MovesTheEndIndexWithTheSound) {
    const std::vector<EndCase> cases{
        {"the last sample stays the last", tone(300, 8000, 1000), 999, 16000, 1999},
        {"the last sample, rate down", tone(300, 8000, 1000), 999, 5000, 624},
        {"nothing exported stays so", tone(300, 8000, 1000), -1, 16000, -1},
        {"a hand-edited end below -1 is left to the export", tone(300, 8000, 1000), -7, 16000, -7},
        // silence: 900 maps to 1800, and the trim's walk may take 2000 - 1800 steps
        {"walked back as the slider's trim", Bytes(1000, 128), 900, 16000, 1600},
        {"walked back no further than 127", Bytes(1000, 128), 300, 16000, 127},
        // past the sound: mapped, rounded half to even, and not walked (no sample to walk)
        {"past the end, rounds half down to even", Bytes(1000, 128), 1401, 12000, 2102},
        {"past the end, rounds half up to even", Bytes(1000, 128), 1403, 12000, 2104},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Slot result = resampledSlot(test::makeSlot(c.bytes, c.endIndex), c.toRate);
        EXPECT_EQ(result.sampleRate, c.toRate);
        EXPECT_EQ(result.sampleCount(), std::lround(1000.0 * c.toRate / 8000));
        EXPECT_EQ(result.endIndex, c.expectedEnd);
    }
}

TEST(ResampledSlot, TheEndSettlesJustPastTheSameCrossing) {
    // Falls through the zero line between 499 and 500 at 8000 Hz, that is at 1000 at 16000 Hz.
    const Slot result = resampledSlot(test::makeSlot(squareDown(1000), 700), 16000);
    const std::int32_t end = result.endIndex;
    ASSERT_GT(end, 0);
    EXPECT_NEAR(end, 1000, 2);
    EXPECT_GE(result.samples[end - 1], 128);
    EXPECT_LT(result.samples[end], 128);
}

TEST(ResampledSlot, AtTheTargetRateNothingChanges) {
    const Slot slot = test::makeSlot(tone(300, 16384, 777), 500, "tone.wav", 16384);
    EXPECT_EQ(resampledSlot(slot, 16384), slot);
    EXPECT_THROW(resampledSlot(slot, 500), RuntimeError);
}

} // namespace
} // namespace wtb
