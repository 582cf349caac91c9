#include "export/SketchText.h"
#include "export/SketchWriter.h"

#include "common/AtomicFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <limits>

namespace wtb {
namespace {

using test::SlotContent;

class SketchWriter : public testing::Test {
protected:
    SketchWriter() : path_(folder_.file("Zozedovad.ino")) {}

    void fill(const std::vector<SlotContent>& slots) { test::fillBank(bank_, slots); }

    // Exporting must fail with `kind` and a message holding every one of `parts`, and leave
    // the folder exactly as it was: the old sketch intact and no stray temporary file.
    void expectRefusal(ErrorKind kind, std::initializer_list<std::string> parts) {
        test::writeText(path_, "previous sketch\r\n");
        const auto before = test::folderChecksums(folder_.path());
        try {
            writeSketch(bank_, path_);
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

    test::TempFolder folder_;
    QString path_;
    SlotBank bank_;
};

TEST_F(SketchWriter, WritesTheTextByteForByteAndReplacesAnOldFile) {
    fill(test::patternedSlots(300));
    test::writeText(path_, std::string(100000, 'x'));
    writeSketch(bank_, path_);
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

TEST_F(SketchWriter, RefusesASlotThatWasNeverLoaded) {
    fill(test::patternedSlots(10));
    bank_.WaveBuffer[12].reset();
    expectRefusal(ErrorKind::Sound, {"Slot 12"});
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
    EXPECT_THROW(writeSketch(bank_, path_), RuntimeError);
    EXPECT_FALSE(QFile::exists(path_));
    EXPECT_TRUE(test::folderChecksums(folder_.path()).empty());
}

TEST_F(SketchWriter, FailureToCreateTheFileNamesThePathAndTheReason) {
    fill(test::patternedSlots(10));
    const QString missing = folder_.file("no such folder/Zozedovad.ino");
    try {
        writeSketch(bank_, missing);
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
