#include "editing/EditFault.h"
#include "messages/Messages.h"
#include "slots/SlotFault.h"
#include "workspace/WorkspaceFault.h"

#include <gtest/gtest.h>

#include <string>

namespace wtb {
namespace {

struct Worded {
    FaultCode code;
    Facts facts;
    const char* sentence;
};

std::string wordingOf(const Worded& worded, const char* cause = nullptr) {
    const auto because =
        cause ? std::make_shared<const RuntimeError>(ErrorKind::File, cause) : nullptr;
    return RuntimeError(ErrorKind::File, worded.code, worded.facts, because).what();
}

// The sentences whose shape depends on their facts: a count of one, a fact that is there or not,
// a real number, a list. Each reads exactly as the user has always read it.
TEST(LayerWording, EachFaultReadsAsItsSentence) {
    using enum SlotFault;
    const Worded cases[] = {
        {faultCode(SoundKeepsNoSample),
         {{"file", "a.wav"}, {"frames", 1}, {"fileRate", 8000}, {"rate", 1000}, {"lowest", 4000}},
         "The sound file \"a.wav\" holds 1 frame at 8000 Hz: at 1000 Hz that is no sample at all; "
         "at 4000 Hz or more one is kept."},
        {faultCode(SoundKeepsNoSample),
         {{"file", "a.wav"}, {"frames", 2}, {"fileRate", 8000}, {"rate", 1000}},
         "The sound file \"a.wav\" holds 2 frames at 8000 Hz: at 1000 Hz that is no sample at all; "
         "import it at its own rate."},
        {faultCode(SoundTooLongForSlots),
         {{"file", "b.aif"},
          {"frames", 10},
          {"fileRate", 100},
          {"samples", 10},
          {"rate", 100},
          {"most", 5},
          {"limit", 2147483647}},
         "The sound file \"b.aif\" holds 10 frames at 100 Hz: more than the 5 that fit beside the "
         "other slots (a wavetable counts at most 2147483647 samples). Import a shorter part of "
         "it, or at a lower rate."},
        {faultCode(SoundTooLongForSlots),
         {{"file", "b.aif"},
          {"frames", 10},
          {"fileRate", 100},
          {"samples", 20},
          {"rate", 200},
          {"most", 5},
          {"limit", 2147483647}},
         "The sound file \"b.aif\" holds 10 frames at 100 Hz, 20 samples at 200 Hz: more than the "
         "5 that fit beside the other slots (a wavetable counts at most 2147483647 samples). "
         "Import a shorter part of it, or at a lower rate."},
        {faultCode(AiffRateUnplayable),
         {{"file", "c.aiff"}, {"rate", 0.5}},
         "Cannot load the sound file \"c.aiff\": it declares a sample rate of 0.5 Hz, at which no "
         "sound plays."},
        {faultCode(FolderOpenElsewhere),
         {{"folder", "kit"}, {"process", 42}, {"host", "other"}},
         "The working folder \"kit\" is already open in another window (process 42 on host "
         "\"other\")."},
        {faultCode(FolderBusyWithCommand),
         {{"folder", "kit"}},
         "The working folder \"kit\" is being changed by another command; try again when it has "
         "finished."},
        {faultCode(LockNotWritable),
         {{"folder", "kit"}, {"file", "kit/.lock"}, {"reason", "Input/output error"}},
         "The working folder \"kit\" cannot be opened: its lock file \"kit/.lock\" cannot be "
         "written: Input/output error."},
        {faultCode(SettingsLineWithoutTab),
         {{"line", 3}, {"file", "Settings.txt"}},
         "The line 3 of \"Settings.txt\" has no TAB between the slot's name and its end index."},
        {faultCode(TableTooLarge),
         {{"slot", 2},
          {"samples", 10},
          {"others", 2147483640},
          {"most", 2147483647},
          {"fitting", 7}},
         "Slot 2 would put 10 samples in the table; with the other slots' 2147483640 that passes "
         "the 2147483647 a wavetable can count. At most 7 fit in slot 2. Nothing was changed."},
        {faultCode(FieldsUnusable),
         {{"slot", 5},
          {"fieldKind", static_cast<std::int64_t>(UnusableFields::Field::Loop)},
          {"problem", static_cast<std::int64_t>(LoopFieldCount)},
          {"line", 5},
          {"file", "S"},
          {"count", 3},
          {"fields", "1\t2\t3"}},
         "Slot 5 cannot be exported: its loop in line 5 of \"S\" has 3 fields, \"1\", \"2\", "
         "\"3\", where a loop has two: its start and its end. Set its loop again, or remove it."},
        {faultCode(WorkspaceFault::KeyMapRefused),
         {{"slot", 4},
          {"problem", static_cast<std::int64_t>(LowestAboveHighest)},
          {"low", 72},
          {"high", 36}},
         "Slot 4 cannot take that key map: the lowest note 72 lies above the highest, 36. "
         "Nothing was changed."},
        {faultCode(EditFault::CycleLengthNotAllowed),
         {{"length", 100}, {"shortest", 32}, {"longest", 2048}},
         "A single cycle is 32, 64, 128, 256, 512, 1024 or 2048 cells long, not 100."},
        {faultCode(EditFault::PitchTooHighForCells),
         {{"pitch", 261.6256},
          {"cells", 2048},
          {"rate", 535808},
          {"limit", 384000},
          {"fitting", 1024}},
         "A pitch of 261.63 Hz in 2048 cells plays at 535808 Hz, above the highest rate, 384000 "
         "Hz; use 1024 cells or fewer."},
        {faultCode(EditFault::PitchTooLowForCells),
         {{"pitch", 1.0},
          {"cells", 32},
          {"rate", 32},
          {"limit", 1000},
          {"shortest", 32},
          {"longest", 2048}},
         "A pitch of 1.00 Hz in 32 cells plays at 32 Hz, below the lowest rate, 1000 Hz; no table "
         "length from 32 to 2048 cells plays it."},
        {faultCode(EditFault::ResultTooLong),
         {{"samples", 1},
          {"fromRate", 1},
          {"length", 3000000000},
          {"toRate", 9},
          {"limit", 5},
          {"fitting", 2}},
         "its 1 sample at 1 Hz would become 3000000000 samples at 9 Hz, more than the 5 a slot "
         "holds; 2 Hz or less would fit."},
        {faultCode(EditFault::RateKeepsNoSample),
         {{"samples", 2}, {"fromRate", 8000}, {"rate", 1000}, {"highest", 384000}},
         "its 2 samples at 8000 Hz are no sample at all at 1000 Hz; no rate up to 384000 Hz keeps "
         "one, so it can only stay at its own rate."},
    };
    for (const Worded& each : cases) {
        EXPECT_EQ(wordingOf(each), each.sentence);
    }
}

// A fault that reports an earlier failure says the cause where its sentence always had it.
TEST(LayerWording, ACauseStandsWhereItsTextStood) {
    using enum SlotFault;
    const struct {
        Worded worded;
        const char* cause;
    } cases[] = {
        {{faultCode(InterruptedSaveUnfinished),
          {},
          "An interrupted save of the working folder could not be finished. Disk gone."},
         "Disk gone."},
        {{faultCode(LoadFailedAfterFinishedSave),
          {{"names", "\"1.wav\""}, {"count", 1}},
          "Broken. An interrupted save had been finished first: \"1.wav\" was put in place."},
         "Broken."},
        {{faultCode(FolderUnwritable),
          {{"folder", "/x"}},
          "The working folder \"/x\" cannot be written.\n\nNo room.\n\nTo keep the slots in a "
          "folder you can write, start the program with --folder DIR."},
         "No room."},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(wordingOf(each.worded, each.cause), each.worded.sentence);
    }
}

TEST(LayerWording, TheNoteOfAnUnusableSlotNamesItTwice) {
    const UnusableSlot unusable{
        12, UnusableFields{"x",
                           {SlotFault::LoopPastSound,
                            {{"start", 1}, {"end", 9}, {"line", 12}, {"file", "S"}, {"limit", 4}}},
                           UnusableFields::Field::Loop}};
    EXPECT_EQ(unusableFieldsNote(unusable),
              "Slot 12's loop 1..9 in line 12 of \"S\" ends past its last sample, index 4. The "
              "line stays as it is in the file until slot 12 is changed; no sketch can be "
              "exported until then.");
}

} // namespace
} // namespace wtb
