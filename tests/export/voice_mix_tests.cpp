// The mixing player's reference: its steps and pitch, what one voice plays against the
// one-sound player, octaves, velocity, clipping, voice stealing and loops held and released.
#include "export/LoopedOutput.h"
#include "export/MixBudget.h"
#include "export/MixSteps.h"
#include "export/VoiceMix.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wtb {
namespace {

using test::Bytes;

// A ramp of `length` samples around the zero line, distinct enough to see which is played.
Bytes ramp(std::int32_t length, std::int32_t from, std::int32_t by) {
    Bytes bytes;
    for (std::int32_t k = 0; k < length; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(std::clamp(from + k * by, 0, 255)));
    }
    return bytes;
}

SlotBank bankWith(std::vector<Slot> slots) {
    SlotBank bank;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        bank[static_cast<std::int32_t>(k) + 1] = std::move(slots[k]);
    }
    return bank;
}

PlayerOptions voices(std::int32_t count, std::int32_t mixRate = 0) {
    PlayerOptions options;
    options.voices = count;
    options.mixRate = mixRate;
    options.midi = true;
    return options;
}

Bytes take(VoiceMix& mix, std::size_t count) {
    Bytes out;
    for (std::size_t k = 0; k < count; ++k) {
        out.push_back(mix.next());
    }
    return out;
}

TEST(MixStepsTest, NotesAreWithinATenthOfAPercentOfTheirPitch) {
    for (const std::int32_t fine : {0, -50, 37}) {
        const std::uint32_t root = rootStep(11'025, 8'000, fine);
        for (std::int32_t semitones = -36; semitones <= 3; ++semitones) {
            const std::optional<std::uint32_t> step = noteStep(root, semitones);
            ASSERT_TRUE(step.has_value()) << semitones;
            const double wanted = 11'025.0 / 8'000.0 * std::exp2((semitones - fine / 100.0) / 12.0);
            EXPECT_NEAR(*step / 65536.0 / wanted, 1.0, 0.001) << semitones << " fine " << fine;
        }
    }
}

TEST(MixStepsTest, OctavesDoubleAndHalveTheStepAndTooHighANoteDoesNotPlay) {
    EXPECT_EQ(noteStep(1u << 16, 0), 1u << 16);
    EXPECT_EQ(noteStep(1u << 16, 12), 2u << 16);
    EXPECT_EQ(noteStep(1u << 16, -12), 1u << 15);
    EXPECT_EQ(noteStep(1u << 16, 13), std::nullopt);
    EXPECT_EQ(noteStep(3u << 15, 12), std::nullopt);
    EXPECT_EQ(noteStep(3, -24), std::nullopt); // no step left at all
}

TEST(VoiceMixTest, OneVoiceAtItsRootPlaysWhatTheOneSoundPlayerPlays) {
    Slot slot = test::makeSlot(ramp(40, 100, 3), 39, "r.wav", 8'000);
    slot.loop = Loop{10, 19};
    const SlotBank bank = bankWith({slot});
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        const LoopedOutput sound = loopedOutput(slot, 1, format);
        VoiceMix mix(bank, format, voices(2), Board::Uno);
        ASSERT_EQ(mix.mixRate(), 8'000);
        mix.noteOn(36, 127);
        Bytes played = take(mix, 10 + 10 * 2 + 5); // attack, two passes, half a third
        mix.noteOff(36);
        const Bytes rest = take(mix, 40);
        played.insert(played.end(), rest.begin(), rest.end());
        Bytes wanted = sound.played(3);
        wanted.resize(played.size(), 128);
        EXPECT_EQ(played, wanted) << sampleFormatId(format);
        EXPECT_EQ(mix.sounding(), 0);
    }
}

TEST(VoiceMixTest, AnOctaveUpPlaysEverySecondSampleAndDownEachTwice) {
    Slot slot = test::makeSlot(ramp(20, 90, 4), 19, "r.wav", 8'000);
    slot.keys = KeyRange{60, 40, 80, 0};
    const Bytes samples = loopedOutput(slot, 1, SampleFormat::Pcm8).attack;
    struct Case {
        std::int32_t note;
        std::function<std::uint8_t(std::size_t)> wanted;
    };
    const std::vector<Case> cases = {
        {72, [&](std::size_t k) { return k * 2 < samples.size() ? samples[k * 2] : 128; }},
        {48, [&](std::size_t k) { return k / 2 < samples.size() ? samples[k / 2] : 128; }},
    };
    for (const Case& c : cases) {
        VoiceMix mix(bankWith({slot}), SampleFormat::Pcm8, voices(1), Board::Uno);
        mix.noteOn(c.note, 127);
        for (std::size_t k = 0; k < 50; ++k) {
            ASSERT_EQ(mix.next(), c.wanted(k)) << "note " << c.note << " sample " << k;
        }
    }
}

TEST(VoiceMixTest, VoicesAddScaledByVelocityAndClip) {
    const Slot loud = test::makeSlot(Bytes(30, 250), 29, "l.wav", 8'000);
    const Slot low = test::makeSlot(Bytes(30, 10), 29, "q.wav", 8'000);
    VoiceMix mix(bankWith({loud, loud, low}), SampleFormat::Pcm8, voices(3), Board::Uno);
    mix.noteOn(36, 64);
    EXPECT_EQ(mix.next(), 128); // the first sample of a slot is on the zero line
    EXPECT_EQ(mix.next(), 128 + (122 * 65 >> 7));
    mix.noteOn(37, 127);
    mix.next();
    EXPECT_EQ(mix.next(), 255); // 61 + 122 clipped
    mix.noteOn(38, 127);
    mix.next();
    EXPECT_EQ(mix.next(), 128 + 61 + 122 - 118);
}

TEST(VoiceMixTest, ANewNoteTakesAFreeVoiceElseTheOldestReleasedElseTheOldest) {
    std::vector<Slot> slots;
    for (std::int32_t k = 0; k < 4; ++k) {
        Slot slot = test::makeSlot(Bytes(50, static_cast<std::uint8_t>(129 + k)), 49, "s.wav");
        slot.loop = Loop{1, 48};
        slots.push_back(slot);
    }
    const SlotBank bank = bankWith(slots);
    VoiceMix mix(bank, SampleFormat::Pcm8, voices(2), Board::Uno);
    mix.noteOn(36, 127); // +1
    mix.noteOn(37, 127); // +2
    mix.next();
    EXPECT_EQ(mix.next(), 128 + 1 + 2);
    mix.noteOn(38, 127); // steals the oldest, 36
    mix.next();
    EXPECT_EQ(mix.next(), 128 + 2 + 3);
    mix.noteOff(38);
    mix.noteOn(39, 127); // steals the released 38, though 37 is older
    mix.next();
    EXPECT_EQ(mix.next(), 128 + 2 + 4);
    mix.allNotesOff();
    take(mix, 200);
    EXPECT_EQ(mix.sounding(), 0);
}

TEST(VoiceMixTest, ASlotWithoutALoopPlaysToItsEndWhateverTheNoteOff) {
    const Slot drum = test::makeSlot(ramp(30, 60, 5), 29, "d.wav");
    VoiceMix mix(bankWith({drum}), SampleFormat::Pcm8, voices(1), Board::Uno);
    mix.noteOn(36, 127);
    Bytes played = take(mix, 3);
    mix.noteOn(36, 0); // a note-off
    const Bytes rest = take(mix, 27);
    played.insert(played.end(), rest.begin(), rest.end());
    EXPECT_EQ(played, loopedOutput(drum, 1, SampleFormat::Pcm8).attack);
}

TEST(VoiceMixTest, MixingRatesOutsideThePlayersAreRefused) {
    const SlotBank bank = bankWith({test::makeSlot(ramp(20, 90, 4), 19, "r.wav", 8'000)});
    EXPECT_THROW(VoiceMix(bank, SampleFormat::Pcm8, voices(2, 999), Board::Uno), RuntimeError);
    EXPECT_THROW(VoiceMix(bank, SampleFormat::Pcm8, voices(2, 96'001), Board::Uno), RuntimeError);
    EXPECT_EQ(VoiceMix(bank, SampleFormat::Pcm8, voices(2, 1'000), Board::Uno).mixRate(), 1'000);
}

TEST(VoiceMixTest, NotesOutsideMidiAreRefused) {
    VoiceMix mix(SlotBank{}, SampleFormat::Pcm8, voices(1, 8'000), Board::Uno);
    EXPECT_THROW(mix.noteOn(128, 1), RuntimeError);
    EXPECT_THROW(mix.noteOn(60, 128), RuntimeError);
    EXPECT_THROW(mix.noteOff(-1), RuntimeError);
    mix.noteOn(60, 100); // no slot plays it
    EXPECT_EQ(mix.next(), 128);
}

} // namespace
} // namespace wtb
