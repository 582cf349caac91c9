#include "export/PcmTableSketch.h"
#include "export/SketchWriter.h"

#include "common/AtomicFile.h"
#include "export/ExportFault.h"
#include "messages/ExportNotes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>
#include <limits>

namespace wtb {
namespace {

using test::SlotContent;

class SketchWriter : public testing::Test {
protected:
    SketchWriter() : path_(folder_.file("Zozedovad.ino")) {}

    void fill(const std::vector<SlotContent>& slots) { test::fillBank(bank_, slots); }

    // Exporting (by default for no board in particular) must fail with `kind` and a message
    // holding every one of `parts`, and leave the folder exactly as it was: the old sketch
    // intact and no stray temporary file.
    void expectRefusal(ErrorKind kind, std::initializer_list<std::string> parts,
                       const std::function<void()>& write = {}) {
        test::writeText(path_, "previous sketch\r\n");
        const auto before = test::folderChecksums(folder_.path());
        try {
            if (write) {
                write();
            } else {
                writeSketch(bank_, path_, Board::Uno, SampleFormat::Pcm8, OverBudget::Allow);
            }
            ADD_FAILURE() << "the export was not refused";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), kind) << error.what();
            for (const std::string& part : parts) {
                EXPECT_NE(std::string(error.what()).find(part), std::string::npos)
                    << "\"" << part << "\" missing from: " << error.what();
            }
        }
        EXPECT_EQ(test::folderChecksums(folder_.path()), before);
        EXPECT_EQ(test::readText(path_), "previous sketch\r\n");
    }

    // A bank of `total` samples spread over the sixteen slots.
    void fillWithTotal(std::int32_t total) {
        std::vector<SlotContent> slots;
        for (std::int32_t slot = 0; slot < 16; ++slot) {
            const std::int32_t count = total / 16 + (slot < total % 16 ? 1 : 0);
            slots.push_back({std::vector<std::uint8_t>(static_cast<std::size_t>(count) + 1, 90),
                             "s" + std::to_string(slot + 1), count - 1});
        }
        fill(slots);
    }

    test::TempFolder folder_;
    QString path_;
    SlotBank bank_;
};

TEST_F(SketchWriter, WritesTheTextByteForByteAndReplacesAnOldFile) {
    fill(test::patternedSlots(300));
    test::writeText(path_, std::string(100000, 'x'));
    writeSketch(bank_, path_, Board::Uno, SampleFormat::Pcm8, OverBudget::Allow);
    const std::string written = test::readText(path_);
    EXPECT_EQ(written, buildSketchText(bank_));
    EXPECT_TRUE(written.ends_with("}\r\n"));
    EXPECT_EQ(written.find('\n'), written.find("\r\n") + 1) << "line ends must stay CR LF";
    EXPECT_EQ(test::folderChecksums(folder_.path()).size(), 1u);
}

TEST_F(SketchWriter, RefusesAnEndIndexBelowMinusOne) {
    std::vector<SlotContent> slots = test::patternedSlots(10);
    slots[6].endIndex = -2;
    fill(slots);
    expectRefusal(ErrorKind::Bounds, {"Slot 7", "-2", "-1..9"});
}

TEST_F(SketchWriter, RefusesAnEndIndexPastTheLastSample) {
    std::vector<SlotContent> slots = test::patternedSlots(10);
    slots[15] = {{1, 2, 3, 4, 5}, "short", 5};
    fill(slots);
    expectRefusal(ErrorKind::Bounds, {"Slot 16", "end index 5", "-1..4", "5 samples"});
}

TEST_F(SketchWriter, RefusesASlotWithoutSamples) {
    std::vector<SlotContent> slots = test::patternedSlots(10);
    slots[2] = {{}, "silent", -1};
    fill(slots);
    expectRefusal(ErrorKind::Bounds, {"Slot 3", "size 0"});
}

TEST_F(SketchWriter, RefusesATotalSampleCountBeyond32Bits) {
    // The count is checked before any slot's samples: these end indices lie far past the
    // single byte each slot holds, yet the overflow is what is reported.
    std::vector<SlotContent> slots = test::patternedSlots(1);
    for (SlotContent& slot : slots) {
        slot.endIndex = 200'000'000;
    }
    fill(slots);
    expectRefusal(ErrorKind::Overflow, {"slot 11", "2147483647"});

    slots = test::patternedSlots(1);
    slots[3].endIndex = std::numeric_limits<std::int32_t>::max();
    fill(slots);
    expectRefusal(ErrorKind::Overflow, {"slot 4", "end index 2147483647"});
}

TEST_F(SketchWriter, RefusalCreatesNoFileWhereThereWasNone) {
    std::vector<SlotContent> slots = test::patternedSlots(10);
    slots[0].endIndex = 10;
    fill(slots);
    EXPECT_THROW(writeSketch(bank_, path_, Board::Uno, SampleFormat::Pcm8, OverBudget::Allow),
                 RuntimeError);
    EXPECT_FALSE(QFile::exists(path_));
    EXPECT_TRUE(test::folderChecksums(folder_.path()).empty());
}

TEST_F(SketchWriter, RefusesATableBeyondTheAccessorsOnEveryBoardBeforeAnyWarning) {
    fillWithTotal(kAccessorSampleLimit + 1);
    expectRefusal(ErrorKind::Size, {"65536 samples", "65535"});
    for (const BoardInfo& info : boards()) {
        SCOPED_TRACE(std::string(info.id));
        EXPECT_THROW(checkExport(bank_, info.board, SampleFormat::Pcm8), RuntimeError);
        expectRefusal(ErrorKind::Size, {"65536 samples", "65535"}, [&] {
            writeSketch(bank_, path_, info.board, SampleFormat::Pcm8, OverBudget::Allow);
        });
    }
}

TEST_F(SketchWriter, RefusesOnTheMegaATableThatWouldPushTheCoresTablesOutOfReach) {
    const std::int32_t limit = boardInfo(Board::Mega2560).sampleLimit;
    ASSERT_LT(limit, kAccessorSampleLimit);
    fillWithTotal(limit);
    const ExportCheck atLimit = checkExport(bank_, Board::Mega2560, SampleFormat::Pcm8);
    EXPECT_FALSE(atLimit.needsConfirmation());
    EXPECT_EQ(atLimit.budget.tableBytes, limit);

    fillWithTotal(limit + 1);
    expectRefusal(
        ErrorKind::Size,
        {"Mega 2560", std::to_string(limit + 1) + " samples", std::to_string(limit)},
        [&] { writeSketch(bank_, path_, Board::Mega2560, SampleFormat::Pcm8, OverBudget::Allow); });
    // the other boards' accessors read it
    EXPECT_NO_THROW(writeSketch(bank_, path_, Board::Uno, SampleFormat::Pcm8, OverBudget::Allow));
}

TEST_F(SketchWriter, WarnsOfATableTheBoardHasNoRoomForAndWritesItOnlyWhenAllowed) {
    for (const BoardInfo& info : boards()) {
        const std::int32_t room = tableRoom(info.board, SampleFormat::Pcm8, false);
        if (room >= info.sampleLimit) {
            continue; // every table the board reads fits its flash
        }
        SCOPED_TRACE(std::string(info.id));
        fillWithTotal(room);
        const ExportCheck fits = checkExport(bank_, info.board, SampleFormat::Pcm8);
        EXPECT_TRUE(fits.budget.fits);
        EXPECT_FALSE(fits.needsConfirmation());

        fillWithTotal(room + 1);
        const ExportCheck tooLarge = checkExport(bank_, info.board, SampleFormat::Pcm8);
        EXPECT_EQ(tooLarge.budget.bytes, info.sketchFlash + 1);
        EXPECT_EQ(tooLarge.budget.room, info.sketchFlash);
        EXPECT_TRUE(tooLarge.needsConfirmation());
        const Facts facts = overBudgetFacts(tooLarge);
        EXPECT_EQ(facts.number("bytes"), info.sketchFlash + 1);
        EXPECT_EQ(facts.number("room"), info.sketchFlash);
        EXPECT_EQ(facts.number("table"), room + 1);
        EXPECT_EQ(facts.text("board"), info.displayName);
        EXPECT_EQ(facts.number("over"), 1);
        try {
            writeSketch(bank_, path_, info.board, SampleFormat::Pcm8, OverBudget::Refuse);
            ADD_FAILURE() << "an over-budget table was written";
        } catch (const RuntimeError& error) {
            EXPECT_TRUE(error.is(ExportFault::OverBudget));
            EXPECT_EQ(error.kind(), ErrorKind::Size);
            EXPECT_EQ(error.facts(), facts);
            EXPECT_EQ(error.what(), overBudgetWarning(tooLarge)); // the window's question
        }
        writeSketch(bank_, path_, info.board, SampleFormat::Pcm8, OverBudget::Allow);
        EXPECT_EQ(test::readText(path_), buildSketchText(bank_));
    }
}

TEST_F(SketchWriter, ASlotErrorIsReportedBeforeTheTablesSize) {
    fillWithTotal(80'000);
    bank_[5].endIndex = 5001; // one past the slot's last sample
    for (const BoardInfo& info : boards()) {
        expectRefusal(ErrorKind::Bounds, {"Slot 5", "end index 5001", "-1..5000"},
                      [&] { checkExport(bank_, info.board, SampleFormat::Pcm8); });
    }
}

TEST(Boards, EveryBoardIsFoundByItsIdAndNothingElseIs) {
    for (const BoardInfo& info : boards()) {
        EXPECT_EQ(boardFromId(info.id), info.board);
        EXPECT_EQ(boardInfo(info.board).id, info.id);
        EXPECT_LE(info.sampleLimit, kAccessorSampleLimit);
    }
    for (std::string_view unknown : {"", "Uno", "mega", "uno ", "leonardo2"}) {
        EXPECT_EQ(boardFromId(unknown), std::nullopt) << unknown;
    }
}

TEST_F(SketchWriter, FailureToCreateTheFileNamesThePathAndTheReason) {
    fill(test::patternedSlots(10));
    const QString missing = folder_.file("no such folder/Zozedovad.ino");
    try {
        writeSketch(bank_, missing, Board::Uno, SampleFormat::Pcm8, OverBudget::Allow);
        ADD_FAILURE() << "writing into a missing folder succeeded";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::File);
        const std::string message = error.what();
        EXPECT_NE(message.find(displayPath(missing)), std::string::npos) << message;
        EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
    }
    EXPECT_TRUE(test::folderChecksums(folder_.path()).empty());
}

} // namespace
} // namespace wtb
