// The slots' rates as the warnings and `list` see them, and where and when the player sketch is
// written.
#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"
#include "export/SlotRates.h"

#include "common/RuntimeError.h"
#include "messages/ExportNotes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <map>

namespace wtb {
namespace {

// Slots 1..16 of 50 samples at the given rates (8,000 Hz where none is given); the slots in
// `outOfTable` end at -1.
SlotBank bankAt(const std::map<std::int16_t, std::int32_t>& rates,
                const std::vector<std::int16_t>& outOfTable = {}) {
    SlotBank bank = test::bankOf(test::patternedSlots(50));
    for (const auto& [slot, rate] : rates) {
        bank[slot].sampleRate = rate;
    }
    for (const std::int16_t slot : outOfTable) {
        bank[slot].endIndex = -1;
    }
    return bank;
}

struct RatesCase {
    const char* name;
    SlotBank bank;
    std::string line;
    std::int32_t mostCommon;
    std::vector<std::int16_t> notAt8000;
};

TEST(SlotRates, GroupTheSlotsInTheTableByRate) {
    const RatesCase cases[] = {
        {"one rate", bankAt({}), "Rates\tall\t8000", 8000, {}},
        {"one slot apart",
         bankAt({{16, 16384}}),
         "Rates\tmixed\t8000: 1-15\t16384: 16",
         8000,
         {16}},
        {"ranges",
         bankAt({{1, 22050}, {2, 22050}, {3, 22050}, {5, 22050}, {9, 11025}}),
         "Rates\tmixed\t8000: 4, 6-8, 10-16\t11025: 9\t22050: 1-3, 5",
         8000,
         {1, 2, 3, 5, 9}},
        {"a slot out of the table does not count",
         bankAt({{7, 44100}}, {7}),
         "Rates\tall\t8000",
         8000,
         {}},
        {"a tie goes to the lower rate",
         bankAt({{1, 16384},
                 {2, 16384},
                 {3, 16384},
                 {4, 16384},
                 {5, 16384},
                 {6, 16384},
                 {7, 16384},
                 {8, 16384}}),
         "Rates\tmixed\t8000: 9-16\t16384: 1-8",
         8000,
         {1, 2, 3, 4, 5, 6, 7, 8}},
        {"most slots elsewhere",
         bankAt({{1, 16384},
                 {2, 16384},
                 {3, 16384},
                 {4, 16384},
                 {5, 16384},
                 {6, 16384},
                 {7, 16384},
                 {8, 16384},
                 {9, 16384}}),
         "Rates\tmixed\t8000: 10-16\t16384: 1-9",
         16384,
         {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"none in the table", bankAt({}, allSlotNumbers()), "Rates\tnone", 0, {}},
    };
    for (const RatesCase& each : cases) {
        SCOPED_TRACE(each.name);
        const SlotRates rates = slotRates(each.bank);
        EXPECT_EQ(ratesLine(rates), each.line);
        EXPECT_EQ(rates.mostCommonRate(), each.mostCommon);
        EXPECT_EQ(rates.slotsNotAt(8000), each.notAt8000);
        EXPECT_EQ(mixedRatesWarning(rates).empty(), !rates.mixed());
        EXPECT_EQ(resampleRateFor(rates, std::nullopt), each.mostCommon);
        EXPECT_EQ(resampleRateFor(rates, 11025), 11025);
    }
}

TEST(PlayerSketchWriter, WritesNameSlashNameInoWithEachSlotsRate) {
    const SlotBank bank = bankAt({{3, 16384}, {9, 44100}}, {9});
    test::TempFolder here;
    const struct {
        QString given;
        QString written;
    } cases[] = {
        {here.file("Zozedovad"), here.file("Zozedovad/Zozedovad.ino")},
        {here.file("kits/Drums/"), here.file("kits/Drums/Drums.ino")},
        {here.file("Bells.ino"), here.file("Bells/Bells.ino")},
        {here.file("Bells/Bells.ino"), here.file("Bells/Bells.ino")}, // written again
    };
    std::array<std::int32_t, 16> rates{};
    rates.fill(8000);
    rates[2] = 16384;
    rates[8] = 0; // out of the table: never plays, whatever its file's rate
    EXPECT_EQ(playerRates(bank), rates);
    for (const auto& each : cases) {
        const QString folder = playerSketchFolder(each.given);
        EXPECT_EQ(playerSketchFile(folder), each.written);
        writePlayerSketch(bank, folder, Board::Uno, SampleFormat::Pcm8, OverBudget::Refuse);
        EXPECT_EQ(test::readText(each.written), playerUserSketchText());
        EXPECT_EQ(test::readText(playerHeaderFile(folder)),
                  buildPlayerHeaderText(buildSketchText(bank), rates, {}));
    }
}

// Exported again after a sound changed, the folder keeps the user's edited NAME.ino and gets
// the new header; a NAME.ino that does not include the header (a one-file player sketch of an
// earlier version) is refused with both files as they were.
TEST(PlayerSketchWriter, KeepsTheUsersSketchAndReplacesTheHeader) {
    test::TempFolder here;
    const QString folder = here.file("Kit");
    SlotBank bank = bankAt({});
    const WrittenPlayerSketch first =
        writePlayerSketch(bank, folder, Board::Uno, SampleFormat::Pcm8, OverBudget::Refuse);
    EXPECT_TRUE(first.sketchWritten);
    const std::string edited = playerUserSketchText() + "// my own line\r\n";
    test::writeText(first.sketch, edited);
    bank[4].endIndex = 0;
    const WrittenPlayerSketch second =
        writePlayerSketch(bank, folder, Board::Uno, SampleFormat::Adpcm4, OverBudget::Refuse);
    EXPECT_FALSE(second.sketchWritten);
    EXPECT_EQ(test::readText(second.sketch), edited);
    const BoardSketchText table = buildSketchText(bank, Board::Uno, SampleFormat::Adpcm4);
    EXPECT_EQ(test::readText(second.header),
              buildPlayerHeaderText(table.text, playerRates(bank), {SampleFormat::Adpcm4}));

    test::writeText(first.sketch, "void setup() {}\nvoid loop() {}\n");
    const auto before = test::folderChecksums(folder);
    EXPECT_THROW(
        writePlayerSketch(bank, folder, Board::Uno, SampleFormat::Pcm8, OverBudget::Refuse),
        RuntimeError);
    EXPECT_EQ(test::folderChecksums(folder), before);
}

TEST(PlayerSketchWriter, RefusesBeforeMakingAFolderOrWritingAnything) {
    test::TempFolder here;
    test::writeText(here.file("taken"), "a file");
    const struct {
        const char* name;
        SlotBank bank;
        QString folder;
        Board board;
        std::string says;
    } cases[] = {
        {"a rate too high", bankAt({{6, 192000}}), here.file("Fast"), Board::Uno,
         "Resample slot 6"},
        {"a slot in the table without a rate", bankAt({{2, 0}}), here.file("Zero"), Board::Uno,
         "Slot 2 is at 0 Hz"},
        {"a file in the folder's place", bankAt({}), here.file("taken"), Board::Uno,
         "is a file, not a folder"},
        {"no folder name", bankAt({}), QStringLiteral("/"), Board::Uno, "a folder of its own"},
        {"too large for the board's flash", test::bankOf(test::patternedSlots(1900)),
         here.file("Big"), Board::Uno, "bytes too many"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        const auto before = test::folderChecksums(here.path());
        const QStringList entries =
            QDir(here.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        try {
            writePlayerSketch(each.bank, each.folder, each.board, SampleFormat::Pcm8,
                              OverBudget::Refuse);
            ADD_FAILURE() << "not refused";
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find(each.says), std::string::npos) << error.what();
        }
        EXPECT_EQ(test::folderChecksums(here.path()), before);
        EXPECT_EQ(QDir(here.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
    }
}

} // namespace
} // namespace wtb
