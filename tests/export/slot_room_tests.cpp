#include "editing/Resample.h"
#include "export/Adpcm.h"
#include "export/FlashBudget.h"
#include "export/SketchDestination.h"
#include "export/SlotRoom.h"
#include "messages/ExportNotes.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace wtb {
namespace {

using test::Bytes;

Bytes tone(std::int32_t length) {
    Bytes bytes(static_cast<std::size_t>(length));
    for (std::int32_t i = 0; i < length; ++i) {
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(128 + std::lround(90 * std::sin(i * 0.05)));
    }
    return bytes;
}

struct RoomCase {
    Board board;
    SampleFormat format;
    std::int32_t rate;
    std::int32_t length;
    std::int32_t endIndex; // -1: the last sample
};

std::string describe(const RoomCase& each) {
    return std::string(boardInfo(each.board).id) + " " + std::string(sampleFormatId(each.format)) +
           " " + std::to_string(each.length) + " at " + std::to_string(each.rate) + ", end " +
           std::to_string(each.endIndex);
}

// A slot too large for the board alone fits once resampled to the rate the note gives, and
// once ended at the index it gives, and not one sample later.
TEST(OversizedSlot, WhatTheNoteProposesMakesTheSlotFit) {
    const std::vector<RoomCase> cases{
        {Board::Uno, SampleFormat::Pcm8, 44100, 48022, -1},
        {Board::Uno, SampleFormat::Pcm8, 16000, 40000, 35000},
        {Board::Leonardo, SampleFormat::Pcm8, 8000, 30000, -1},
        {Board::Uno, SampleFormat::Adpcm4, 22050, 70000, -1},
        {Board::Mega2560, SampleFormat::Pcm8, 44100, 300000, -1},
        {Board::Mega2560, SampleFormat::Adpcm4, 32000, 600000, 550000},
    };
    for (const RoomCase& each : cases) {
        SCOPED_TRACE(describe(each));
        Slot slot =
            test::makeSlot(tone(each.length), each.endIndex < 0 ? each.length - 1 : each.endIndex,
                           "big.wav", each.rate);
        const auto oversized = oversizedSlot(slot, 5, each.board, each.format);
        ASSERT_TRUE(oversized);
        EXPECT_EQ(oversized->room, tableRoom(each.board, each.format, false));
        EXPECT_GT(oversized->bytes, oversized->room);
        const double times = static_cast<double>(oversized->bytes) / oversized->room;
        EXPECT_NEAR(oversized->timesOver(), std::max(times, 1.1), 0.05);

        ASSERT_TRUE(oversized->fittingRate);
        EXPECT_EQ(*oversized->fittingRate % 100, 0);
        EXPECT_FALSE(
            oversizedSlot(resampledSlot(slot, *oversized->fittingRate), 5, each.board, each.format))
            << "still too large at " << *oversized->fittingRate << " Hz";

        slot.endIndex = oversized->fittingSamples - 1;
        EXPECT_FALSE(oversizedSlot(slot, 5, each.board, each.format));
        slot.endIndex = oversized->fittingSamples;
        EXPECT_TRUE(oversizedSlot(slot, 5, each.board, each.format));
    }
}

TEST(OversizedSlot, ASlotThatFitsAloneOrKeepsNothingIsNotNamed) {
    const std::int32_t room = tableRoom(Board::Uno, SampleFormat::Pcm8, false);
    EXPECT_FALSE(
        oversizedSlot(test::makeSlot(tone(room), room - 1), 1, Board::Uno, SampleFormat::Pcm8));
    EXPECT_FALSE(
        oversizedSlot(test::makeSlot(tone(room + 5000), -1), 1, Board::Uno, SampleFormat::Pcm8));
    // A hand-edited end index far past the sound weighs the sound itself.
    EXPECT_FALSE(
        oversizedSlot(test::makeSlot(tone(100), INT32_MAX), 1, Board::Uno, SampleFormat::Pcm8));
    // Too large as PCM, fits as ADPCM: the note says so.
    const auto pcm =
        oversizedSlot(test::makeSlot(tone(room + 1), room), 1, Board::Uno, SampleFormat::Pcm8);
    ASSERT_TRUE(pcm);
    EXPECT_TRUE(pcm->fitsAsAdpcm);
    EXPECT_DOUBLE_EQ(pcm->timesOver(), 1.1); // only just over never reads as 1.0
    EXPECT_FALSE(
        oversizedSlot(test::makeSlot(tone(room + 1), room), 1, Board::Uno, SampleFormat::Adpcm4));
}

// The 10-minute import: no rate a slot can take makes it fit, only a trim does.
TEST(OversizedSlot, ATenMinuteSoundIsToldToBeTrimmed) {
    const Slot slot = test::makeSlot(Bytes(9'872'375, 128), 9'872'374, "long.wav", 16000);
    const auto oversized = oversizedSlot(slot, 4, Board::Uno, SampleFormat::Pcm8);
    ASSERT_TRUE(oversized);
    EXPECT_FALSE(oversized->fittingRate);
    EXPECT_EQ(oversizedSlotNote(*oversized, Board::Uno),
              "Slot 4 alone takes 9872375 bytes of the table, 331.8 times the 29752 bytes the "
              "Uno/Nano (ATmega328P) has room for. Even resampled to 1000 Hz it would not fit; it "
              "would fit when ended at index 29751 or earlier (its first 1.859 s).");
}

struct Destination {
    const char* name;
    QString path; // relative to a temporary folder
    bool player;
    bool accepted;
    const char* reason;
};

TEST(SketchDestination, RefusesWhatCannotBeWrittenBeforeAnythingIs) {
    test::TempFolder folder;
    test::writeText(folder.file("file"), "x");
    QDir(folder.path()).mkdir("dir");
    QDir(folder.path()).mkdir("Sketch");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("fifo.ino")).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("Sketch/Sketch.ino")).constData(), 0600), 0);
    QDir(folder.path()).mkpath("Kit/Zozedovad.h");
    const std::vector<Destination> cases{
        {"a new file", "new.ino", false, true, ""},
        {"a file to replace", "file", false, true, ""},
        {"a missing folder", "missing/x.ino", false, false, "does not exist"},
        {"a file for a folder", "file/x.ino", false, false, "not a folder"},
        {"a folder for the file", "dir", false, false, "a folder, not a regular file"},
        {"a FIFO", "fifo.ino", false, false, "FIFO"},
        {"a player folder made with its parents", "a/b/Drums", true, true, ""},
        {"a player folder there", "dir", true, true, ""},
        {"a player folder under a file", "file/Drums", true, false, "not a folder"},
        {"a player folder that is a file", "file", true, false, "not a folder"},
        {"a player sketch that is a FIFO", "Sketch", true, false, "FIFO"},
        {"a player header that is a folder", "Kit", true, false, "a folder, not a regular file"},
    };
    const auto entries = [&] {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList before = entries();
    for (const Destination& each : cases) {
        SCOPED_TRACE(each.name);
        const QString path = folder.file(each.path);
        try {
            each.player ? checkPlayerSketchDestination(path) : checkSketchDestination(path);
            EXPECT_TRUE(each.accepted);
        } catch (const RuntimeError& error) {
            EXPECT_FALSE(each.accepted) << error.what();
            EXPECT_NE(std::string(error.what()).find(each.reason), std::string::npos)
                << error.what();
            EXPECT_NE(std::string(error.what()).find(each.path.toStdString()), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(entries(), before); // nothing made, not even the player's folders
    EXPECT_EQ(test::readText(folder.file("file")), "x");
}

} // namespace
} // namespace wtb
