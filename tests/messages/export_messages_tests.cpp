#include "export/ExportFault.h"
#include "messages/ExportNotes.h"
#include "messages/Messages.h"

#include <gtest/gtest.h>

#include <string>

namespace wtb {
namespace {

std::string worded(ExportFault fault, Facts facts) {
    return RuntimeError(ErrorKind::Bounds, faultCode(fault), std::move(facts)).what();
}

// The sentences whose parts come and go with their facts: the ADPCM advice, what else would
// fit a mix, what avrdude said, a slot's "slot"/"slots".
TEST(ExportMessages, OptionalFactsAddTheirPartsOfTheSentence) {
    const struct {
        ExportFault fault;
        Facts facts;
        const char* sentence;
    } cases[] = {
        {ExportFault::OverBudget,
         {{"bytes", 32257}, {"table", 30000}, {"board", "Uno"}, {"room", 32256}, {"over", 1}},
         "With the player, the sketch takes 32257 bytes of flash (30000 of them the table), but "
         "the Uno has 32256: 1 bytes too many, so the sketch will not fit on that board."},
        {ExportFault::TableBeyondAccessors,
         {{"samples", 70000}, {"limit", 65535}, {"adpcm", 40000}},
         "The wavetable cannot be saved: it holds 70000 samples, more than the 65535 the "
         "sketch's accessors can reach (their unsigned int has 16 bits). In 4-bit ADPCM (the "
         "format choice, --format adpcm4) the sketch would take 40000 bytes and fit."},
        {ExportFault::MixTooSlow,
         {{"voices", 1},
          {"format", "4-bit ADPCM"},
          {"board", "Uno"},
          {"worst", 900},
          {"rate", 22050},
          {"budget", 580},
          {"period", 725},
          {"fitting", 17000},
          {"pcm", 1}},
         "1 mixed voice in 4-bit ADPCM on the Uno take up to 900 clock cycles a sample, more "
         "than 80 % of a period at 22050 Hz (580 of its 725 cycles). What would fit: 1 voice up "
         "to 17000 Hz, or 1 voice at 22050 Hz in 8-bit PCM."},
        {ExportFault::MixTooSlow,
         {{"voices", 4},
          {"format", "8-bit PCM"},
          {"board", "Uno"},
          {"worst", 900},
          {"rate", 22050},
          {"budget", 580},
          {"period", 725},
          {"fitting", 17000},
          {"fewer", 2}},
         "4 mixed voices in 8-bit PCM on the Uno take up to 900 clock cycles a sample, more than "
         "80 % of a period at 22050 Hz (580 of its 725 cycles). What would fit: 4 voices up to "
         "17000 Hz, or 2 voices at 22050 Hz."},
        {ExportFault::UploadStoppedByUser,
         {{"board", "Uno"}, {"port", "/dev/ttyACM0"}, {"written", 0}},
         "The upload to the Uno on \"/dev/ttyACM0\" was cancelled before anything was written."},
        {ExportFault::UploadFailed,
         {{"board", "Uno"}, {"port", "/dev/ttyACM0"}, {"written", 1}, {"said", "oops"}},
         "avrdude could not upload to the Uno on \"/dev/ttyACM0\". The board may hold part of "
         "the old program until an upload succeeds.\navrdude said:\noops"},
        {ExportFault::DestinationFolderNotFolder,
         {{"folder", "a"}, {"kind", "a file"}, {"file", "a/b.h"}},
         "Cannot write \"a/b.h\": \"a\" is a file, not a folder."},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.sentence);
        EXPECT_EQ(worded(each.fault, each.facts), each.sentence);
    }
}

TEST(ExportMessages, FaultsOfBothWordingFilesAreWordedAndAnUnknownOneIsTheProgramsOwn) {
    EXPECT_EQ(worded(ExportFault::LoopPassesTooFew, {{"passes", 0}}),
              "A loop plays at least once, not 0 times.");
    EXPECT_EQ(worded(ExportFault::AvrdudeMissing, {}),
              "The sketch cannot be uploaded: avrdude is not installed (Debian package avrdude).");
    // A code past the last entry is no fault the wording knows: the program's own.
    try {
        worded(static_cast<ExportFault>(static_cast<std::uint16_t>(ExportFault::UploadFailed) + 1),
               {});
        ADD_FAILURE() << "an unknown fault was worded";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Internal);
    }
}

TEST(ExportNotes, TheFlashFigureGroupsItsThousands) {
    FlashBudget budget;
    budget.bytes = 28410;
    budget.room = 32256;
    EXPECT_EQ(flashFigureText(budget), "Player sketch: 28,410 of 32,256 bytes of flash");
}

} // namespace
} // namespace wtb
