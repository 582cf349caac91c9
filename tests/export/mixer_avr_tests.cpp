// The mixing player built by the IDE's builder and run on a simulated ATmega328P, ATmega2560 and
// ATmega32U4 (the Leonardo's MIDI on Serial1): a MIDI stream at the MIDI byte rate (running status,
// velocity-0 note-offs, a real-time byte inside a message, system exclusive and a program change to
// skip) and a trigger button must put on the PWM register exactly what the reference mix (VoiceMix)
// computes, sample for sample: one, two and four voices sounding, notes at the root, an octave
// above and below and a fifth above, a loop held then released, a slot at another rate than the
// mixing rate, voice stealing and all-notes-off, in PCM and ADPCM.
#include "MixerRun.h"

#include "export/MixSteps.h"
#include "export/VoiceMix.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>

namespace wtb {
namespace {

using test::emptyBank;
using test::Recording;
using test::SimulatedBoard;

constexpr int kMidiBaud = 31'250;

// Noise that avoids the zero line, so that every sample shows which voice played it.
std::vector<std::uint8_t> noise(std::int32_t length, unsigned seed, int low, int high) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(low, high);
    std::vector<std::uint8_t> bytes;
    for (std::int32_t k = 0; k < length; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(level(random)));
    }
    return bytes;
}

// At the mixing rate: slot 1 a looped sound on notes 48..72 (root 60); slot 2 a drum without a
// loop (note 37); slot 3 looped, on the keys 80..90 (root 84), a loop ending on the sound's last
// sample. Slot 4 (note 39) at 11,025 Hz for a mixing rate of 8,000, so a voice steps by a
// fraction.
SlotBank mixerKit(std::int32_t mixRate) {
    SlotBank bank = emptyBank();
    bank[1] = test::makeSlot(noise(900, 1, 40, 215), 899, "loop.wav", mixRate);
    bank[1].loop = Loop{150, 649};
    bank[1].keys = KeyRange{60, 48, 72, 0};
    bank[2] = test::makeSlot(noise(700, 2, 60, 200), 699, "drum.wav", mixRate);
    bank[3] = test::makeSlot(noise(400, 3, 90, 170), 399, "pad.wav", mixRate);
    bank[3].loop = Loop{100, 399};
    bank[3].keys = KeyRange{84, 80, 90, 0};
    bank[4] = test::makeSlot(noise(1200, 4, 30, 225), 1199, "fast.wav", mixRate * 11'025 / 8'000);
    return bank;
}

// A MIDI message, a button or a serial line, at its millisecond, and what the reference mix
// does for it.
struct Event {
    int atMs;
    std::string command; // as the harness takes it
    std::function<void(VoiceMix&)> apply;
};

std::string midi(const char* hex) {
    return "raw:" + std::to_string(kMidiBaud) + ":" + hex;
}

std::vector<Event> scenario(const SimulatedBoard& board) {
    const std::string pin =
        std::string("pin:") + board.buttonPort + ":" + std::to_string(board.buttonBit) + ":";
    return {
        {1, pin + "1", [](VoiceMix&) {}},
        {20, midi("90 3C 7F"), [](VoiceMix& m) { m.noteOn(60, 127); }}, // root, loop held
        {50, midi("48 50"), [](VoiceMix& m) { m.noteOn(72, 80); }},     // running status, octave up
        {80, midi("30 F8 7F"),
         [](VoiceMix& m) { m.noteOn(48, 127); }}, // octave down, real-time inside
        {110, midi("43 64"), [](VoiceMix& m) { m.noteOn(67, 100); }}, // a fifth up: four voices
        {140, midi("25 7F"), [](VoiceMix& m) { m.noteOn(37, 127); }}, // steals the oldest (60)
        {170, midi("48 00"), [](VoiceMix& m) { m.noteOff(72); }},     // velocity-0 note-off
        {200, midi("80 30 40"), [](VoiceMix& m) { m.noteOff(48); }},
        {230, midi("B0 7B 00"), [](VoiceMix& m) { m.allNotesOff(); }},
        {330, midi("F0 7D 01 02 F7"), [](VoiceMix&) {}},                 // system exclusive
        {340, midi("C0 05"), [](VoiceMix&) {}},                          // a program change
        {350, midi("91 27 7F"), [](VoiceMix& m) { m.noteOn(39, 127); }}, // slot 4, another rate
        {380, midi("54 7F"), [](VoiceMix& m) { m.noteOn(84, 127); }},    // two voices
        {420, midi("81 54 00"), [](VoiceMix& m) { m.noteOff(84); }},
        {520, pin + "0", [](VoiceMix& m) { m.playSlot(2); }}, // the button
        {560, pin + "1", [](VoiceMix& m) { m.noteOff(37); }},
    };
}
// Without MIDI: the serial lines, a slot number playing the slot at its root, r releasing all.
std::vector<Event> lineScenario() {
    return {
        {20, "1", [](VoiceMix& m) { m.playSlot(1); }},
        {60, "3", [](VoiceMix& m) { m.playSlot(3); }},
        {100, "2", [](VoiceMix& m) { m.playSlot(2); }}, // steals slot 1's voice
        {140, "r", [](VoiceMix& m) { m.allNotesOff(); }},
        {300, "x4", [](VoiceMix&) {}}, // no slot number
        {320, "4", [](VoiceMix& m) { m.playSlot(4); }},
    };
}

constexpr int kRunMs = 800;

// Finds the period at which each event took effect on the board, the first from which the
// reference mix with it matches the writes up to the next event's earliest period, and holds
// every write to the reference. Writes are a period late: each interrupt writes the sum the last
// one made.
void expectReferenceMix(const Recording& recording, const std::vector<Event>& events,
                        VoiceMix mix) {
    const std::int32_t mixRate = mix.mixRate();
    ASSERT_EQ(recording.commands.size(), events.size()) << "every command sent";
    ASSERT_GT(recording.writes.size(), 1000u);
    const std::uint64_t first = recording.writes.front().cycle;
    const double period = 16'000'000.0 / mixRate;
    const double measured = static_cast<double>(recording.writes.back().cycle - first) /
                            static_cast<double>(recording.writes.size() - 1);
    EXPECT_NEAR(measured / period, 1.0, 0.001) << "the mixing rate";
    const auto periodOf = [&](std::uint64_t cycle) {
        return cycle <= first
                   ? std::size_t{0}
                   : static_cast<std::size_t>(static_cast<double>(cycle - first) / period);
    };
    const std::vector<std::uint8_t> writes = recording.levels();
    std::size_t at = 1; // the write the mix's next sample goes to
    const auto follow = [&](VoiceMix& copy, std::size_t from, std::size_t until) {
        for (std::size_t k = from; k < until && k < writes.size(); ++k) {
            if (copy.next() != writes[k]) {
                return k;
            }
        }
        return until;
    };
    for (std::size_t e = 0; e < events.size(); ++e) {
        SCOPED_TRACE("event at " + std::to_string(events[e].atMs) + " ms: " + events[e].command);
        const std::size_t earliest = periodOf(recording.commands[e]);
        const std::size_t until =
            e + 1 < events.size() ? periodOf(recording.commands[e + 1]) : writes.size();
        ASSERT_EQ(follow(mix, at, earliest), earliest) << "the mix before the event differs";
        std::optional<std::size_t> taken;
        std::size_t bestReach = 0;
        for (std::size_t t = earliest; t < until && !taken; ++t) {
            VoiceMix trial = mix;
            follow(trial, earliest, t);
            events[e].apply(trial);
            const std::size_t reach = follow(trial, t, until);
            bestReach = std::max(bestReach, reach);
            if (reach == until) {
                taken = t;
                mix = trial;
            }
        }
        ASSERT_TRUE(taken.has_value())
            << "no period for the event gives the board's writes: they differ from the "
               "reference at write "
            << bestReach << " (" << static_cast<int>(writes[bestReach]) << ")";
        EXPECT_LT(*taken - earliest, 160u) << "the event took effect late";
        at = until;
    }
    EXPECT_EQ(writes.back(), 128) << "silence after all notes are over";
}

struct MixerCase {
    SimulatedBoard board;
    SampleFormat format;
    std::int32_t voices;
    std::int32_t mixRate; // four ADPCM voices fit 80 % of a period up to 5,936 Hz
    bool midi = true;     // else the serial lines, without a button
};

class MixingPlayer : public testing::TestWithParam<MixerCase> {
protected:
    test::TempFolder folder_;
};

TEST_P(MixingPlayer, MidiAndAButtonGiveTheReferenceMixSampleForSample) {
    const MixerCase c = GetParam();
    const SlotBank bank = mixerKit(c.mixRate);
    PlayerOptions options;
    options.voices = c.voices;
    options.mixRate = c.mixRate;
    options.midi = c.midi;
    options.midiBaud = kMidiBaud;
    if (c.midi) {
        options.pins = {{2, 4}};
    }
    const QString elf =
        test::buildMixer(folder_.path(), "mixer", bank, c.format, options, c.board.board).elf;
    if (elf.isEmpty()) {
        return;
    }
    const std::vector<Event> events = c.midi ? scenario(c.board) : lineScenario();
    std::vector<std::pair<int, std::string>> commands;
    for (const Event& event : events) {
        commands.emplace_back(event.atMs, event.command);
    }
    const Recording recording = test::runPlayerHarness(c.board, elf, kRunMs, commands);
    expectReferenceMix(recording, events, VoiceMix(bank, c.format, options, c.board.board));
    EXPECT_LE((recording.isrWorst + c.board.entryCycles) * 5, 16'000'000 / c.mixRate * 4)
        << "the mixing interrupt's worst passes 80 % of a period";
}

INSTANTIATE_TEST_SUITE_P(
    Boards, MixingPlayer,
    testing::Values(MixerCase{test::kSimulatedUno, SampleFormat::Pcm8, 4, 8'000},
                    MixerCase{test::kSimulatedUno, SampleFormat::Adpcm4, 4, 5'000},
                    MixerCase{test::kSimulatedMega, SampleFormat::Pcm8, 4, 8'000},
                    MixerCase{test::kSimulatedMega, SampleFormat::Adpcm4, 4, 5'000},
                    MixerCase{test::kSimulatedUno, SampleFormat::Pcm8, 1, 16'000},
                    MixerCase{test::kSimulatedMega, SampleFormat::Adpcm4, 2, 8'000},
                    MixerCase{test::kSimulatedUno, SampleFormat::Pcm8, 2, 8'000, false},
                    MixerCase{test::kSimulatedLeonardo, SampleFormat::Pcm8, 4, 8'000}),
    [](const testing::TestParamInfo<MixerCase>& param) {
        return std::string(boardInfo(param.param.board.board).id) + "_" +
               std::string(sampleFormatId(param.param.format)) + "_" +
               std::to_string(param.param.voices) + "voices" + (param.param.midi ? "" : "_lines");
    });

} // namespace
} // namespace wtb
