// The workspace's refusals, raised by the real edits: each carries its fault, its kind and its
// facts, and reads as the sentence the user has always read.
#include "editing/EditFault.h"
#include "messages/Messages.h"
#include "support/TestSupport.h"
#include "workspace/Workspace.h"
#include "workspace/WorkspaceFault.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace wtb {
namespace {

using test::Bytes;

struct Refused {
    const char* name;
    std::function<void(Workspace&, const test::TempFolder&)> edit;
    WorkspaceFault fault;
    ErrorKind kind;
    Facts facts; // each of them among the error's facts
    std::optional<FaultCode> cause = std::nullopt;
    const char* sentence = nullptr; // the whole message, where it is given
};

// Slot 4 holds 300 samples; the others what each case needs.
SlotBank refusingBank() {
    SlotBank bank = test::bankOf(test::patternedSlots(300));
    bank[2] = test::makeSlot(Bytes(300, 140), 199, "short end");
    bank[3] = test::makeSlot(Bytes(2, 140), 1, "two", 44100);
    bank[5] = test::makeSlot({}, -1, "empty");
    bank[6] = test::makeSlot(Bytes(50, 140), -1, "kept none");
    bank[7] = test::makeSlot(Bytes(256, 140), 255, "cycle");
    bank[7].loop = Loop{0, 255};
    bank[8] = test::makeSlot(Bytes(4000, 128), 3999, "quiet");
    bank[9] = test::makeSlot(test::sine(16384, 8, 100), 16383, "whistle", 16384);
    return bank;
}

void expectAmongFacts(const Facts& facts, const Facts& expected) {
    for (const auto& [name, value] : expected.all()) {
        const auto found = std::find_if(facts.all().begin(), facts.all().end(),
                                        [&](const auto& fact) { return fact.first == name; });
        ASSERT_NE(found, facts.all().end()) << name;
        EXPECT_EQ(found->second, value) << name;
    }
}

TEST(WorkspaceFaults, EachRefusedEditRaisesItsFaultWithItsFacts) {
    const auto call = [](auto edit) { return edit; };
    const std::vector<Refused> cases{
        {"TrimPastTheSamples",
         call([](Workspace& w, auto&) { w.trim(4, 300); }),
         WorkspaceFault::TrimOutside,
         ErrorKind::Bounds,
         {{"index", 300}, {"slot", 4}, {"last", 299}},
         std::nullopt,
         "End index 300 is outside slot 4, whose samples are 0..299."},
        {"ResampleOfASingleCycle",
         call([](Workspace& w, auto&) { w.resample(7, 16000); }),
         WorkspaceFault::SingleCycleKeepsRate,
         ErrorKind::Bounds,
         {{"slot", 7}, {"cells", 256}, {"rate", 8000}, {"to", 16000}, {"toCells", 512}}},
        {"ResampleThatKeepsNoSample",
         call([](Workspace& w, auto&) { w.resample(3, 1000); }),
         WorkspaceFault::ResampleRefused,
         ErrorKind::Bounds,
         {{"slot", 3}, {"rate", 1000}},
         faultCode(EditFault::RateKeepsNoSample),
         "Slot 3 cannot be resampled to 1000 Hz: its 2 samples at 44100 Hz are no sample at all "
         "at 1000 Hz; 11025 Hz or more keeps one. Nothing was changed."},
        {"LoopWithoutSamples",
         call([](Workspace& w, auto&) { w.setLoop(5, 0, 0); }),
         WorkspaceFault::NoSamplesToLoop,
         ErrorKind::Bounds,
         {{"slot", 5}}},
        {"LoopOfNothingKept",
         call([](Workspace& w, auto&) { w.setLoop(6, 0, 10); }),
         WorkspaceFault::NothingKeptToLoop,
         ErrorKind::Bounds,
         {{"slot", 6}, {"end", -1}}},
        {"LoopBeforeZero",
         call([](Workspace& w, auto&) { w.setLoop(4, -1, 10); }),
         WorkspaceFault::LoopStartsBeforeZero,
         ErrorKind::Bounds,
         {{"slot", 4}, {"start", -1}, {"end", 10}}},
        {"LoopBackwards",
         call([](Workspace& w, auto&) { w.setLoop(4, 50, 40); }),
         WorkspaceFault::LoopStartsAfterEnd,
         ErrorKind::Bounds,
         {{"slot", 4}, {"start", 50}, {"end", 40}}},
        {"LoopPastTheEnd",
         call([](Workspace& w, auto&) { w.setLoop(4, 10, 300); }),
         WorkspaceFault::LoopEndsPastKept,
         ErrorKind::Bounds,
         {{"slot", 4}, {"start", 10}, {"end", 300}, {"kept", 299}}},
        {"MoreFilesThanSlots",
         call([](Workspace& w, auto&) {
             w.importFiles(14, QStringList(4, QStringLiteral("a.wav")), {});
         }),
         WorkspaceFault::TooManyFiles,
         ErrorKind::Bounds,
         {{"files", 4}, {"first", 14}, {"lastSlot", 16}},
         std::nullopt,
         "4 files from slot 14 would need the slots up to 17, but the slots end at 16: from "
         "slot 14, 3 files fit. Nothing was imported."},
        {"ImportWithAMissingFile",
         call([](Workspace& w, const test::TempFolder& source) {
             test::writeWav8(source.file("good.wav"), Bytes(40, 150));
             w.importFiles(3, {source.file("good.wav"), source.file("missing.wav")}, {});
         }),
         WorkspaceFault::ImportedTogether,
         ErrorKind::Sound,
         {{"slot", 4}, {"files", 2}},
         FaultCode{}}, // the missing file's own sentence, which names it
        {"CutPastTheEndIndex",
         call([](Workspace& w, auto&) { w.cutStart(2, 250); }),
         WorkspaceFault::StartCutOutside,
         ErrorKind::Bounds,
         {{"index", 250}, {"slot", 2}, {"last", 199}, {"byEndIndex", 1}},
         std::nullopt,
         "Index 250 is outside slot 2, whose start can be cut at 0..199 (its end index: the "
         "table keeps at least that sample)."},
        {"CutBeforeZero",
         call([](Workspace& w, auto&) { w.cutStart(4, -1); }),
         WorkspaceFault::StartCutOutside,
         ErrorKind::Bounds,
         {{"index", -1}, {"slot", 4}, {"last", 299}},
         std::nullopt,
         "Index -1 is outside slot 4, whose start can be cut at 0..299."},
        {"SaveOfAFolderOpenedToRead",
         call([](Workspace& w, auto&) { w.save(); }),
         WorkspaceFault::FolderReadOnly,
         ErrorKind::File,
         {{"folder", "kit"}},
         std::nullopt,
         "The working folder \"kit\" was opened for reading only and cannot be saved."},
        {"CycleOfSilence",
         call([](Workspace& w, auto&) { w.makeSingleCycle(8, 256, std::nullopt); }),
         WorkspaceFault::NoSingleCycle,
         ErrorKind::Sound,
         {{"slot", 8}},
         faultCode(EditFault::PitchSilent)},
        {"CycleTooHighForTheAdpcmPlayer",
         call([](Workspace& w, auto&) {
             w.makeSingleCycle(9, 32, std::nullopt, SampleFormat::Adpcm4);
         }),
         WorkspaceFault::CycleTooHigh,
         ErrorKind::Bounds,
         {{"slot", 9}, {"cells", 32}, {"format", "4-bit ADPCM"}, {"highest", 48000}},
         std::nullopt,
         "Slot 9 gives no single cycle. Its pitch is too high: even a table of 32 cells would "
         "play faster than the 4-bit ADPCM player's highest rate, 48000 Hz."},
    };
    for (const Refused& each : cases) {
        SCOPED_TRACE(each.name);
        test::TempFolder source;
        Workspace workspace(QStringLiteral("kit"),
                            refusingBank()); // without a lock: opened to read
        try {
            each.edit(workspace, source);
            ADD_FAILURE() << "not refused";
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.is(each.fault)) << error.what();
            EXPECT_EQ(error.kind(), each.kind) << error.what();
            expectAmongFacts(error.facts(), each.facts);
            ASSERT_EQ(error.cause() != nullptr, each.cause.has_value()) << error.what();
            if (each.cause) {
                EXPECT_EQ(error.cause()->code(), *each.cause) << error.cause()->what();
                EXPECT_EQ(error.cause()->kind(), each.kind); // the cause's kind is kept
            }
            if (each.sentence) {
                EXPECT_EQ(faultMessage(error), each.sentence);
            }
        }
        EXPECT_EQ(workspace.bank(), refusingBank()); // nothing changed
    }
}

} // namespace
} // namespace wtb
