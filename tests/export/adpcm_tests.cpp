// The ADPCM encoder and decoder, the table's size per format and the 0x21 guard, as pure
// functions. The board's own decoder is held to these in adpcm_avr_tests.cpp.
#include "export/Adpcm.h"
#include "export/AdpcmReader.h"
#include "export/AdpcmSketch.h"
#include "export/BangGuard.h"
#include "export/BoardSketch.h"
#include "export/ExportedSamples.h"
#include "export/FlashBudget.h"
#include "export/PlayerSketchWriter.h"
#include "export/SampleFormat.h"
#include "export/PcmTableSketch.h"
#include "export/SketchWriter.h"
#include "messages/ExportNotes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace wtb {
namespace {

using test::SlotContent;

// Sounds that stress an ADPCM encoder differently: tones, a chirp, noise, steps, silence and
// clipping, each with the exported sound's first and last sample on the zero line.
std::vector<std::vector<std::uint8_t>> testSounds() {
    std::vector<std::vector<std::uint8_t>> sounds;
    std::mt19937 random(7);
    auto finish = [&](std::vector<std::uint8_t> sound) {
        sound.front() = sound.back() = 128;
        sounds.push_back(std::move(sound));
    };
    for (int length : {2, 3, 124, 125, 126, 251, 1000, 4001}) {
        std::vector<std::uint8_t> tone(static_cast<std::size_t>(length));
        for (std::size_t k = 0; k < tone.size(); ++k) {
            tone[k] = static_cast<std::uint8_t>(128 + std::lround(100 * std::sin(0.05 * k)));
        }
        finish(tone);
    }
    std::vector<std::uint8_t> chirp(3000), noise(2000), steps(1500), silent(300), clipped(900);
    for (std::size_t k = 0; k < chirp.size(); ++k) {
        chirp[k] = static_cast<std::uint8_t>(128 + std::lround(120 * std::sin(1e-4 * k * k)));
    }
    for (auto& byte : noise) {
        byte = static_cast<std::uint8_t>(random());
    }
    for (std::size_t k = 0; k < steps.size(); ++k) {
        steps[k] = (k / 97) % 2 ? 250 : 6;
    }
    std::fill(silent.begin(), silent.end(), 128);
    for (std::size_t k = 0; k < clipped.size(); ++k) {
        clipped[k] = static_cast<std::uint8_t>(
            std::clamp<long>(128 + std::lround(400 * std::sin(0.03 * k)), 0, 255));
    }
    for (auto* sound : {&chirp, &noise, &steps, &silent, &clipped}) {
        finish(*sound);
    }
    return sounds;
}

std::int64_t squaredError(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::int64_t sum = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        sum += (a[k] - b[k]) * (a[k] - b[k]);
    }
    return sum;
}

bool hasBangRun(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t k = 2; k < bytes.size(); ++k) {
        if (bytes[k] == 0x21 && bytes[k - 1] == 0x21 && bytes[k - 2] == 0x21) {
            return true;
        }
    }
    return false;
}

TEST(Adpcm, EveryBlockStartsOnItsOwnAndTheSizeIsWhatTheBudgetCounts) {
    for (const auto& sound : testSounds()) {
        for (AdpcmSearch search : {AdpcmSearch::Plain, AdpcmSearch::LookAhead}) {
            const auto count = static_cast<std::int32_t>(sound.size());
            const AdpcmEncoding encoding = encodeAdpcm(sound, search);
            ASSERT_EQ(static_cast<std::int32_t>(encoding.bytes.size()), adpcmBytesFor(count));
            const std::vector<std::uint8_t> whole = decodeAdpcm(encoding.bytes, count);
            ASSERT_EQ(whole.size(), sound.size());
            // Each block decoded alone, from its own bytes only, gives the same samples, and its
            // first sample exactly.
            for (std::int32_t block = 0; block * kAdpcmBlockSamples < count; ++block) {
                const std::int32_t from = block * kAdpcmBlockSamples;
                const std::int32_t samples = std::min(kAdpcmBlockSamples, count - from);
                const auto alone =
                    decodeAdpcm(std::span(encoding.bytes)
                                    .subspan(static_cast<std::size_t>(block * kAdpcmBlockBytes),
                                             static_cast<std::size_t>(adpcmBytesFor(samples))),
                                samples);
                ASSERT_TRUE(std::equal(alone.begin(), alone.end(), whole.begin() + from));
                EXPECT_EQ(alone[0], sound[static_cast<std::size_t>(from)]);
            }
        }
    }
}

// The search never loses to the standard encoder, on any sound, with or without the guard, and
// wins on tones.
TEST(Adpcm, LookAheadIsNeverWorseThanPlainEncoding) {
    for (const auto& sound : testSounds()) {
        for (bool guard : {false, true}) {
            AdpcmContext context;
            context.avoidBangRuns = guard;
            const auto count = static_cast<std::int32_t>(sound.size());
            const auto plain =
                decodeAdpcm(encodeAdpcm(sound, AdpcmSearch::Plain, context).bytes, count);
            const auto searched =
                decodeAdpcm(encodeAdpcm(sound, AdpcmSearch::LookAhead, context).bytes, count);
            EXPECT_LE(squaredError(searched, sound), squaredError(plain, sound))
                << "sound of " << count << " samples";
        }
    }
    const auto tone = testSounds()[6];
    const auto count = static_cast<std::int32_t>(tone.size());
    EXPECT_GT(snrDb(tone, decodeAdpcm(encodeAdpcm(tone, AdpcmSearch::LookAhead).bytes, count)),
              snrDb(tone, decodeAdpcm(encodeAdpcm(tone, AdpcmSearch::Plain).bytes, count)));
}

TEST(Adpcm, DecoderRefusesDataTooShortOrAStepIndexPastTheTable) {
    const std::vector<std::uint8_t> sound(300, 128);
    std::vector<std::uint8_t> bytes = encodeAdpcm(sound, AdpcmSearch::Plain).bytes;
    EXPECT_THROW(decodeAdpcm(std::span(bytes).first(bytes.size() - 1), 300), RuntimeError);
    bytes[kAdpcmBlockBytes + 1] = 89;
    EXPECT_THROW(decodeAdpcm(bytes, 300), RuntimeError);
    // Reading past the samples encoded is a fault of the caller inside the program.
    try {
        adpcmReaderStateAt(encodeAdpcm(sound, AdpcmSearch::Plain).bytes, 300, 301);
        ADD_FAILURE() << "sample 301 of 300 was read";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Internal);
    }
}

TEST(Adpcm, SnrIsSignalOverErrorPower) {
    const std::vector<std::uint8_t> reference{128, 138, 118, 128};
    EXPECT_NEAR(snrDb(reference, std::vector<std::uint8_t>{128, 137, 119, 128}),
                10 * std::log10(200.0 / 2), 1e-9);
    EXPECT_TRUE(std::isinf(snrDb(reference, reference)));
}

// Runs of 2, 3 and 7 bytes of 0x21: the third of each three becomes the neighbour nearer the
// sound around the run; nothing else changes.
TEST(BangGuard, BreaksEveryRunOfThreeTowardsTheSound) {
    const struct {
        std::vector<std::uint8_t> in;
        std::vector<std::uint8_t> out;
        std::int32_t changed;
    } cases[] = {
        {{0x30, 0x21, 0x21, 0x30}, {0x30, 0x21, 0x21, 0x30}, 0},
        {{0x30, 0x21, 0x21, 0x21, 0x30}, {0x30, 0x21, 0x21, 0x22, 0x30}, 1},
        {{0x10, 0x21, 0x21, 0x21, 0x10}, {0x10, 0x21, 0x21, 0x20, 0x10}, 1},
        {{0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x7f},
         {0x21, 0x21, 0x22, 0x21, 0x21, 0x22, 0x21, 0x7f},
         2},
        // 0xe0 is -32: below the run, as is the run's missing neighbour at the end.
        {{0xe0, 0x21, 0x21, 0x21}, {0xe0, 0x21, 0x21, 0x20}, 1},
    };
    for (const auto& each : cases) {
        std::vector<std::uint8_t> table = each.in;
        EXPECT_EQ(avoidBangRuns(table), each.changed);
        EXPECT_EQ(table, each.out);
    }
}

// The ADPCM encoder avoids the third 0x21 itself, in a header and in the codes, so the board's
// decoder gives exactly what the encoder tracked.
TEST(BangGuard, AdpcmEncodingNeverWritesThreeBangsAndStaysExact) {
    // A header after two 0x21 bytes: the first sample 33 (byte 161) must move.
    AdpcmContext context;
    context.avoidBangRuns = true;
    context.before[0] = context.before[1] = 0x21;
    const std::vector<std::uint8_t> starts33{161, 170, 128};
    const AdpcmEncoding header = encodeAdpcm(starts33, AdpcmSearch::LookAhead, context);
    EXPECT_EQ(header.bytes[0], 0x22);
    EXPECT_EQ(header.constrainedBytes, 1);
    EXPECT_EQ(decodeAdpcm(header.bytes, 3)[0], 162);

    // Codes 1 then 2 (byte 0x21) come where the predictor closes in on a level with a falling
    // step: jumps that decay back to the zero line make runs of them now and then.
    std::mt19937 random(3);
    int withRuns = 0;
    for (int attempt = 0; attempt < 2000 && withRuns < 5; ++attempt) {
        std::vector<std::uint8_t> sound(600);
        double level = 128;
        for (auto& byte : sound) {
            if (random() % 30 == 0) {
                level += static_cast<double>(random() % 200) - 100;
            }
            level = std::clamp(level + (128 - level) * 0.02, 0.0, 255.0);
            byte = static_cast<std::uint8_t>(level);
        }
        const AdpcmEncoding free = encodeAdpcm(sound, AdpcmSearch::Plain);
        if (!hasBangRun(free.bytes)) {
            continue;
        }
        ++withRuns;
        for (AdpcmSearch search : {AdpcmSearch::Plain, AdpcmSearch::LookAhead}) {
            AdpcmContext guard;
            guard.avoidBangRuns = true;
            const AdpcmEncoding guarded = encodeAdpcm(sound, search, guard);
            EXPECT_FALSE(hasBangRun(guarded.bytes));
            if (search == AdpcmSearch::Plain) { // the search may pass by the run on its own
                EXPECT_GT(guarded.constrainedBytes, 0);
            }
            const auto decoded = decodeAdpcm(guarded.bytes, 600);
            EXPECT_GT(snrDb(sound, decoded), snrDb(sound, decodeAdpcm(free.bytes, 600)) - 1.0);
        }
    }
    EXPECT_EQ(withRuns, 5) << "no test sound made a run of three 0x21 bytes";
}

// A kit whose PCM table holds runs of 2, 3 and 7 bytes of 0x21 (sample 161): the Mega's text
// breaks them, the Uno's is the export's text unchanged.
TEST(BangGuard, OnlyTheMegaTableChanges) {
    std::vector<std::uint8_t> sound{128, 161, 161, 100, 161, 161, 161, 100};
    sound.insert(sound.end(), 7, 161);
    sound.insert(sound.end(), {100, 128});
    std::vector<SlotContent> slots(16, SlotContent{{128, 140, 128}, "short", 2});
    slots[4] = {sound, "runs", static_cast<std::int32_t>(sound.size()) - 1};
    const SlotBank bank = test::bankOf(slots);

    const BoardSketchText uno = buildSketchText(bank, Board::Uno, SampleFormat::Pcm8);
    EXPECT_EQ(uno.text, buildSketchText(bank));
    EXPECT_EQ(uno.changedBytes, 0);
    const BoardSketchText mega = buildSketchText(bank, Board::Mega2560, SampleFormat::Pcm8);
    EXPECT_EQ(mega.changedBytes, 3);
    EXPECT_NE(mega.text.find("\r\n0,33,33,-28,33,33,32,-28,33,33,32,33,33,32,33,-28,0,"),
              std::string::npos)
        << mega.text;

    EXPECT_EQ(buildSketchText(bank, Board::Uno, SampleFormat::Adpcm4).changedBytes, 0);
}

TEST(SampleFormats, NamesAndTableBytes) {
    for (SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        EXPECT_EQ(sampleFormatFromId(sampleFormatId(format)), format);
    }
    EXPECT_EQ(sampleFormatFromId("adpcm"), std::nullopt);
    std::vector<SlotContent> slots;
    for (std::int32_t k = 0; k < 16; ++k) {
        const std::int32_t count = k * 1000 + (k % 3); // 0 .. 15,002 samples
        slots.push_back(
            {std::vector<std::uint8_t>(static_cast<std::size_t>(count + 1), 130), "s", count - 1});
    }
    const SlotBank bank = test::bankOf(slots);
    const AdpcmTable table = encodeAdpcmTable(bank, AdpcmSearch::Plain, false);
    EXPECT_EQ(tableBytes(bank, SampleFormat::Adpcm4),
              static_cast<std::int32_t>(table.bytes.size()));
    EXPECT_EQ(tableBytes(bank, SampleFormat::Pcm8), tableBytes(bank));
    // The promise to the user: 1.95 times the sound in the same bytes, after the headers.
    EXPECT_GE(static_cast<double>(tableBytes(bank)) / tableBytes(bank, SampleFormat::Adpcm4), 1.95);
}

// The preview is what the board plays: the written table's slot, decoded.
TEST(SampleFormats, PreviewIsTheDecodedSlotOfTheTable) {
    std::vector<SlotContent> slots(16, SlotContent{{128, 140, 128}, "short", 2});
    std::vector<std::uint8_t> tone(900);
    for (std::size_t h = 0; h < tone.size(); ++h) {
        tone[h] = static_cast<std::uint8_t>(128 + std::lround(90 * std::sin(0.07 * h)));
    }
    slots[6] = {tone, "tone", 700};
    const SlotBank bank = test::bankOf(slots);
    const AdpcmPreview preview = previewAdpcm(bank[7], 7);
    const auto decoded = decodeAdpcmTable(encodeAdpcmTable(bank, AdpcmSearch::LookAhead, false));
    EXPECT_EQ(preview.samples, decoded[6]);
    EXPECT_EQ(preview.snrDb, snrDb(exportedSamples(bank[7], 7), decoded[6]));
    EXPECT_GT(preview.snrDb, 20.0);
}

// ADPCM about doubles what a board takes: the limits and the room count the bytes it writes.
TEST(SampleFormats, TheChecksCountTheBytesTheFormatWrites) {
    auto bankOfSamples = [](std::int32_t total) {
        std::vector<SlotContent> slots;
        for (std::int32_t k = 0; k < 16; ++k) {
            const std::int32_t count = total / 16;
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
            for (std::size_t h = 0; h < bytes.size(); ++h) {
                bytes[h] = static_cast<std::uint8_t>(128 + std::lround(60 * std::sin(0.1 * h)));
            }
            slots.push_back({bytes, "tone", count - 1});
        }
        return test::bankOf(slots);
    };
    // 56,000 samples: too large for the Uno in PCM, within its room in ADPCM, which the PCM
    // warning says, with the ADPCM sketch's own figure.
    const SlotBank uno = bankOfSamples(56'000);
    const ExportCheck unoPcm = checkExport(uno, Board::Uno, SampleFormat::Pcm8);
    EXPECT_TRUE(unoPcm.needsConfirmation());
    const ExportCheck unoAdpcm = checkExport(uno, Board::Uno, SampleFormat::Adpcm4);
    EXPECT_FALSE(unoAdpcm.needsConfirmation());
    EXPECT_EQ(unoAdpcm.budget.playerBytes,
              playerCodeBytes(Board::Uno, SampleFormat::Adpcm4, false));
    EXPECT_EQ(unoPcm.adpcmBytes, unoAdpcm.budget.bytes);
    EXPECT_EQ(overBudgetFacts(unoPcm).number("adpcm"), unoAdpcm.budget.bytes);
    const std::string warning = overBudgetWarning(unoPcm);
    EXPECT_NE(warning.find("In 4-bit ADPCM (the format choice, --format adpcm4) the sketch would "
                           "take " +
                           std::to_string(unoAdpcm.budget.bytes) + " bytes and fit."),
              std::string::npos)
        << warning;
    // Too large in either format: no word of ADPCM.
    const ExportCheck neither = checkExport(bankOfSamples(62'000), Board::Uno, SampleFormat::Pcm8);
    EXPECT_TRUE(neither.needsConfirmation());
    EXPECT_FALSE(neither.adpcmBytes);
    EXPECT_FALSE(overBudgetFacts(neither).has("adpcm"));
    EXPECT_EQ(overBudgetWarning(neither).find("ADPCM"), std::string::npos);
    // 120,000 samples: past what PCM's accessors reach, readable on the Mega in ADPCM (the PCM
    // refusal says so); 140,000 samples pass the Mega's limit in ADPCM too.
    const SlotBank mega = bankOfSamples(120'000);
    try {
        checkExport(mega, Board::Mega2560, SampleFormat::Pcm8);
        ADD_FAILURE() << "a table past the accessors was taken";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("In 4-bit ADPCM"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(checkExport(mega, Board::Mega2560, SampleFormat::Adpcm4).needsConfirmation());
    EXPECT_THROW(checkExport(bankOfSamples(140'000), Board::Mega2560, SampleFormat::Adpcm4),
                 RuntimeError);

    // What is written is the board's text, and the count of guarded bytes comes back.
    test::TempFolder folder;
    const QString path = folder.file("Zozedovad.ino");
    const std::int32_t changed =
        writeSketch(mega, path, Board::Mega2560, SampleFormat::Adpcm4, OverBudget::Refuse);
    const BoardSketchText expected = buildSketchText(mega, Board::Mega2560, SampleFormat::Adpcm4);
    EXPECT_EQ(changed, expected.changedBytes);
    EXPECT_EQ(test::readText(path), expected.text);
}

// A slot longer than the sketch's unsigned int counts would write `wave_length` entries the
// compiler refuses; only the Mega has the room for one. It is refused before anything is built,
// by the check and by the encoder, naming the slot; 65,535 samples still export.
TEST(SampleFormats, AdpcmRefusesASlotLongerThanItsAccessorsCount) {
    const struct {
        std::int32_t samples;
        bool taken;
    } cases[] = {{kAccessorSampleLimit, true}, {kAccessorSampleLimit + 1, false}, {100'000, false}};
    for (const auto& each : cases) {
        SCOPED_TRACE(each.samples);
        std::vector<SlotContent> slots(16, SlotContent{{128, 140, 128}, "short", 2});
        slots[4] = {std::vector<std::uint8_t>(static_cast<std::size_t>(each.samples), 131), "long",
                    each.samples - 1};
        const SlotBank bank = test::bankOf(slots);
        if (each.taken) {
            EXPECT_NO_THROW(checkExport(bank, Board::Mega2560, SampleFormat::Adpcm4));
            const std::string text =
                buildSketchText(bank, Board::Mega2560, SampleFormat::Adpcm4).text;
            EXPECT_NE(text.find("wave_length[16] PROGMEM = {3,3,3,3,65535,"), std::string::npos);
            continue;
        }
        const std::function<void()> exports[] = {
            [&] { checkExport(bank, Board::Mega2560, SampleFormat::Adpcm4); },
            [&] { checkPlayerExport(bank, Board::Mega2560, SampleFormat::Adpcm4); },
            [&] { buildSketchText(bank, Board::Mega2560, SampleFormat::Adpcm4); },
        };
        for (const auto& attempt : exports) {
            try {
                attempt();
                ADD_FAILURE() << "the slot was taken";
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.kind(), ErrorKind::Size);
                EXPECT_NE(
                    std::string(error.what()).find("Slot 5 holds " + std::to_string(each.samples)),
                    std::string::npos)
                    << error.what();
            }
        }
    }
}

} // namespace
} // namespace wtb
