#include "editing/LoopSeam.h"
#include "editing/SingleCycle.h"
#include "editing/SlotImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <sndfile.h>

#include <cmath>
#include <complex>
#include <random>

namespace wtb {
namespace {

using test::Bytes;

const char* const kPluck = "/usr/lib/python3.11/test/audiodata/pluck-pcm16.wav";

double cents(double measured, double truth) {
    return 1200.0 * std::log2(measured / truth);
}

// One second of a sawtooth rising from -0.7 to 0.7, as 16-bit samples (left-justified for
// libsndfile's int): band-limited (every partial below half the rate, as a recording of a
// synthesiser holds it) or naive (the sharp ramp, its partials above half the rate folded back).
std::vector<int> sawtooth16(double frequency, int rate, bool bandLimited) {
    std::vector<int> samples(static_cast<std::size_t>(rate));
    const int partials = static_cast<int>(rate / 2 / frequency);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double cycles = frequency * double(n) / rate;
        double value = 0;
        if (bandLimited) {
            for (int k = 1; k <= partials; ++k) {
                value += std::sin(2 * M_PI * k * cycles) / k;
            }
            value *= -2 / M_PI;
        } else {
            value = 2 * (cycles - std::floor(cycles)) - 1;
        }
        samples[n] = static_cast<int>(std::lround(0.7 * value * 32767)) * 65536;
    }
    return samples;
}

// The k-th partial of one period of `cells`, from its discrete Fourier transform.
std::complex<double> partial(const std::vector<double>& cells, int k) {
    std::complex<double> sum;
    for (std::size_t n = 0; n < cells.size(); ++n) {
        sum += cells[n] * std::polar(1.0, -2 * M_PI * k * double(n) / double(cells.size()));
    }
    return sum;
}

// How far the table's partials 1..`partials` (each a size and a phase) stray from those of one
// period of a rising sawtooth cut at its upward zero crossing, at most, as a fraction of the
// first: a cut a little too long or short turns the phases, a shifted cut turns them all, and
// partials folded back from above the table's half rate change their sizes.
double sawtoothMismatch(const Bytes& table, int partials) {
    std::vector<double> cells(table.size());
    std::vector<double> ideal(table.size());
    for (std::size_t n = 0; n < table.size(); ++n) {
        cells[n] = table[n] - 128.0;
        const double cycles = 0.5 + double(n) / double(table.size());
        for (int k = 1; k <= partials; ++k) {
            ideal[n] -= std::sin(2 * M_PI * k * cycles) / k;
        }
    }
    // the table is normalised: compare it with the ideal at the scale that fits best
    double product = 0;
    double energy = 0;
    for (int k = 1; k <= partials; ++k) {
        product += (partial(cells, k) * std::conj(partial(ideal, k))).real();
        energy += std::norm(partial(ideal, k));
    }
    const double scale = product / energy;
    double mismatch = 0;
    for (int k = 1; k <= partials; ++k) {
        mismatch = std::max(mismatch, std::abs(partial(cells, k) - scale * partial(ideal, k)));
    }
    return mismatch / std::abs(scale * partial(ideal, 1));
}

Bytes bytesOf(const Slot& slot) {
    return Bytes(slot.samples.bytes().begin(), slot.samples.bytes().end());
}

// What every single cycle must be: `length` cells looped whole, ending at the last, at the
// rate that plays `frequency`, at full level, joining itself within two steps.
void expectLoopedCycle(const SingleCycle& cycle, const Slot& from, std::int32_t length) {
    const Bytes table = bytesOf(cycle.slot);
    ASSERT_EQ(cycle.slot.sampleCount(), length);
    EXPECT_EQ(cycle.slot.endIndex, length - 1);
    EXPECT_EQ(cycle.slot.loop, (Loop{0, length - 1}));
    EXPECT_EQ(cycle.slot.name, from.name);
    EXPECT_EQ(cycle.slot.sampleRate, std::lround(length * cycle.frequency));
    EXPECT_EQ(cycle.seamJump, seamJump(table, {0, length - 1}));
    EXPECT_LE(cycle.seamJump, 2);
    int peak = 0;
    for (const std::uint8_t cell : table) {
        peak = std::max(peak, std::abs(cell - 128));
    }
    EXPECT_EQ(peak, 127);
    // every note plays it, and its root and fine tune name the pitch it plays within half a cent
    ASSERT_TRUE(cycle.slot.keys);
    const KeyRange keys = *cycle.slot.keys;
    EXPECT_EQ(keys.low, 0);
    EXPECT_EQ(keys.high, 127);
    const double played = double(cycle.slot.sampleRate) / length;
    EXPECT_NEAR(cents(played, 440 * std::pow(2.0, (keys.root + keys.fineCents / 100.0 - 69) / 12)),
                0.0, 0.5);
}

TEST(SingleCycle, FromASawtoothRecordingFindsItsPitchWithinACentAndLoopsSeamlessly) {
    struct Case {
        bool bandLimited;
        double frequency;
        std::int32_t importRate;
        std::int32_t length;
        std::int32_t root; // the nearest note: A3 for 220 Hz; 40 Hz lies 49 cents above D#1
    };
    const std::vector<Case> cases{
        {true, 220, 16384, 256, 57}, {true, 220, 22050, 32, 57},   {false, 220, 22050, 256, 57},
        {true, 40, 22050, 2048, 27}, {false, 40, 16384, 2048, 27}, {true, 220, 22050, 128, 57},
    };
    test::TempFolder folder;
    for (const Case& each : cases) {
        SCOPED_TRACE(testing::Message()
                     << (each.bandLimited ? "band-limited " : "naive ") << each.frequency
                     << " Hz at " << each.importRate << " Hz into " << each.length);
        const QString path = folder.file("saw.wav");
        test::writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100,
                             sawtooth16(each.frequency, 44100, each.bandLimited));
        const Slot slot = slotFromFile(path, {each.importRate, false});

        for (const std::int32_t at : {defaultCycleIndex(slot), 200, slot.endIndex - 100}) {
            SCOPED_TRACE(at);
            const SingleCycle cycle = singleCycle(slot, each.length, at);
            EXPECT_NEAR(cents(cycle.frequency, each.frequency), 0.0, 1.0) << cycle.frequency;
            expectLoopedCycle(cycle, slot, each.length);
            EXPECT_EQ(cycle.slot.keys.value_or(KeyRange{}).root, each.root);
            // exactly one period of the sawtooth from its upward zero crossing, partial for
            // partial up to 70% of the table's half rate or the import's highest partial
            const int partials =
                std::min(int(0.7 * each.length / 2), int(0.45 * each.importRate / each.frequency));
            const double mismatch = sawtoothMismatch(bytesOf(cycle.slot), partials);
            // the naive sawtooth's folded partials reach the table through the import
            EXPECT_LT(mismatch, each.bandLimited ? 0.025 : 0.035);
        }
    }
}

TEST(SingleCycle, JoinsItselfWhereTheSoundDriftsFromOnePeriodToTheNext) {
    // 55 Hz on an offset moving from -80 to +80 steps within the second: one period ends about
    // 3 steps (9 once normalised) above where it began
    Bytes bytes(16384);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double seconds = double(n) / 16384;
        bytes[n] = static_cast<std::uint8_t>(
            128 + std::lround(40 * std::sin(2 * M_PI * 55 * seconds) + 160 * seconds - 80));
    }
    const Slot slot = test::makeSlot(bytes, 16383, "drifting", 16384);
    for (const std::int32_t at : {4000, 8192, 12000}) {
        SCOPED_TRACE(at);
        const SingleCycle cycle = singleCycle(slot, 1024, at);
        EXPECT_NEAR(cents(cycle.frequency, 55), 0.0, 1.0) << cycle.frequency;
        expectLoopedCycle(cycle, slot, 1024);
    }
}

// A mono 16-bit file of one channel of a stereo file.
void writeChannel(const QString& stereo, int channel, const QString& mono) {
    SF_INFO info{};
    SNDFILE* file = sf_open(stereo.toLocal8Bit().constData(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    ASSERT_EQ(info.channels, 2);
    std::vector<int> frames(static_cast<std::size_t>(info.frames) * 2);
    ASSERT_EQ(sf_readf_int(file, frames.data(), info.frames), info.frames);
    sf_close(file);
    std::vector<int> samples;
    for (std::size_t i = static_cast<std::size_t>(channel); i < frames.size(); i += 2) {
        samples.push_back(frames[i]);
    }
    test::writeSoundFile(mono, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, info.samplerate, samples);
}

// CPython's test pluck: 3,307 frames at 11,025 Hz of two plucked strings, one a channel. Their
// reference pitches were measured outside this program from the 16-bit samples, as the peaks of
// a Hann-windowed discrete Fourier transform found by golden-section search:
// - the right channel settles after its attack: over frames 1600-3307 its partials 1 to 6 lie
//   at 261.63-261.65 Hz per partial number, so its fundamental there is 261.63 Hz (C4);
// - the two channels differ by a few cents and wander, so the stereo mix the import makes has no
//   one fundamental to a cent: over frames 976-2330 (16 periods either side of the default
//   index, where the cycle is measured) its lowest partial lies at 261.47 Hz and the pitch that
//   fits its partials, weighted by their power, at 262.02 Hz. The cycle's pitch must lie
//   between those two.
TEST(SingleCycle, FromARealPluckedStringFindsItsPitchAndLoopsSeamlessly) {
    test::TempFolder folder;
    writeChannel(kPluck, 1, folder.file("right.wav"));
    for (const bool normalise : {false, true}) {
        SCOPED_TRACE(normalise ? "normalised" : "as recorded");
        const Slot right = slotFromFile(folder.file("right.wav"), {std::nullopt, normalise});
        for (const std::int32_t at : {2700, 2900, 3100}) {
            SCOPED_TRACE(at);
            const SingleCycle cycle = singleCycle(right, 256, at);
            EXPECT_NEAR(cents(cycle.frequency, 261.63), 0.0, 1.0) << cycle.frequency;
            expectLoopedCycle(cycle, right, 256);
        }

        const Slot mix = slotFromFile(kPluck, {std::nullopt, normalise});
        for (const std::int32_t length : {32, 256}) {
            const SingleCycle cycle = singleCycle(mix, length, defaultCycleIndex(mix));
            EXPECT_GT(cents(cycle.frequency, 261.47), -1.0) << cycle.frequency;
            EXPECT_LT(cents(cycle.frequency, 262.02), 1.0) << cycle.frequency;
            expectLoopedCycle(cycle, mix, length);
        }
    }
}

// An 8-bit sawtooth slot of a second at `rate`.
Slot sawtoothSlot(double frequency, std::int32_t rate) {
    Bytes bytes(static_cast<std::size_t>(rate));
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const double cycles = frequency * double(n) / rate;
        bytes[n] = static_cast<std::uint8_t>(28 + std::lround(200 * (cycles - std::floor(cycles))));
    }
    return test::makeSlot(bytes, rate - 1, "saw", rate);
}

Slot sineSlot(double frequency, std::int32_t rate) {
    Bytes bytes(static_cast<std::size_t>(rate));
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        bytes[n] = static_cast<std::uint8_t>(
            128 + std::lround(100 * std::sin(2 * M_PI * frequency * double(n) / rate)));
    }
    return test::makeSlot(bytes, rate - 1, "sine", rate);
}

TEST(SingleCycle, RefusesWhatGivesNoCycleSayingWhyAndWhatFits) {
    std::mt19937 random(3);
    Bytes noise(8000);
    for (std::uint8_t& sample : noise) {
        sample = static_cast<std::uint8_t>(random());
    }
    Slot trimmed = sawtoothSlot(220, 8000);
    trimmed.endIndex = 3999;
    Slot empty = trimmed;
    empty.endIndex = -1;
    Bytes periodic(8000); // a period of 20 samples
    for (std::size_t n = 0; n < periodic.size(); ++n) {
        periodic[n] = static_cast<std::uint8_t>(128 + std::lround(90 * std::sin(n * M_PI / 10)));
    }
    const auto atRate = [](const Bytes& bytes, std::int32_t rate) {
        Slot slot = test::makeSlot(bytes, static_cast<std::int32_t>(bytes.size()) - 1);
        slot.sampleRate = rate;
        return slot;
    };
    struct Case {
        const char* name;
        Slot slot;
        std::int32_t length;
        std::int32_t at;
        ErrorKind kind;
        std::string message;
    };
    const std::vector<Case> cases{
        {"silence", test::makeSlot(Bytes(8000, 128), 7999), 256, 4000, ErrorKind::Sound,
         "The sound is silent around index 4000"},
        {"noise", test::makeSlot(noise, 7999), 256, 4000, ErrorKind::Sound,
         "No steady pitch around index 4000"},
        {"too short", test::makeSlot({128, 200, 128, 56, 128, 200, 128, 56, 128, 200}, 9), 32, 5,
         ErrorKind::Sound, "too short to measure a pitch"},
        {"rate above the highest", sawtoothSlot(220, 16384), 2048, 8000, ErrorKind::Bounds,
         "Hz, above the highest rate, 96000 Hz; use 256 cells or fewer."},
        {"rate below the lowest", sawtoothSlot(25, 8000), 32, 4000, ErrorKind::Bounds,
         "A pitch of 25.00 Hz in 32 cells plays at 800 Hz, below the lowest rate, 1000 Hz; use "
         "64 cells or more."},
        {"no length plays it", sineSlot(3100, 16384), 32, 8000, ErrorKind::Bounds,
         "no table length from 32 to 2048 cells plays it."},
        {"length not a power of two", trimmed, 300, 100, ErrorKind::Bounds,
         "A single cycle is 32, 64, 128, 256, 512, 1024 or 2048 cells long, not 300."},
        {"length below 32", trimmed, 16, 100, ErrorKind::Bounds, "not 16."},
        {"length above 2048", trimmed, 4096, 100, ErrorKind::Bounds, "not 4096."},
        {"index past the end index", trimmed, 256, 4000, ErrorKind::Bounds,
         "Index 4000 is outside the kept samples, 0..3999."},
        {"index below 0", trimmed, 256, -1, ErrorKind::Bounds, "Index -1 is outside"},
        {"nothing kept", empty, 256, 0, ErrorKind::Bounds, "keeps no samples"},
        // a rate too low for any pitch, and a table rate far past 32 bits
        {"one hertz", atRate(periodic, 1), 256, 4000, ErrorKind::Bounds,
         "The slot's rate, 1 Hz, is too low to hold a pitch: pitches from 20.00 Hz up need a "
         "rate of at least 160 Hz."},
        {"the highest rate", atRate(periodic, INT32_MAX), 256, 4000, ErrorKind::Bounds,
         "Hz, above the highest rate, 96000 Hz; no table length from 32 to 2048 cells plays it."},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        try {
            singleCycle(each.slot, each.length, each.at);
            ADD_FAILURE() << "made a cycle";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), each.kind);
            EXPECT_NE(std::string(error.what()).find(each.message), std::string::npos)
                << error.what();
        }
    }
}

TEST(SingleCycle, TakesTheDefaultIndexFromTheMiddleOfTheKeptSamples) {
    Slot slot = sawtoothSlot(220, 8000);
    EXPECT_EQ(defaultCycleIndex(slot), 3999);
    slot.endIndex = 1000;
    EXPECT_EQ(defaultCycleIndex(slot), 500);
    slot.endIndex = 20000; // a hand-edited end past the sound keeps only what there is
    EXPECT_EQ(defaultCycleIndex(slot), 3999);
    slot.endIndex = -1;
    EXPECT_EQ(defaultCycleIndex(slot), -1);
}

} // namespace
} // namespace wtb
