#include "common/AtomicFile.h"
#include "common/CheckedInt.h"
#include "common/RoundHalfEven.h"
#include "common/TextLines.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace wtb {
namespace {

// The kind of error the action raised; nothing when it raised none.
std::optional<ErrorKind> kindOf(auto&& action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.kind();
    }
    return std::nullopt;
}

TEST(CheckedArithmetic, TrapsOverflowOfEachWidth) {
    EXPECT_EQ(checkedAdd<std::int32_t>(2147483646, 1), 2147483647);
    EXPECT_EQ(kindOf([] { checkedAdd<std::int32_t>(2147483647, 1); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { checkedSub<std::int32_t>(-2147483647 - 1, 1); }), ErrorKind::Overflow);
    EXPECT_EQ(checkedAdd<std::int16_t>(32766, 1), 32767);
    EXPECT_EQ(kindOf([] { checkedAdd<std::int16_t>(32767, 1); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { toInt32Checked(std::int64_t{1} << 31, "A size"); }), ErrorKind::Overflow);
}

TEST(RoundHalfEven, RoundsToNearestAndHalvesToEven) {
    EXPECT_EQ(toInt32HalfEven(2.5), 2);
    EXPECT_EQ(toInt32HalfEven(3.5), 4);
    EXPECT_EQ(toInt32HalfEven(7.5), 8);
    EXPECT_EQ(toInt32HalfEven(-2.5), -2);
    EXPECT_EQ(toInt32HalfEven(-3.5), -4);
    EXPECT_EQ(toInt32HalfEven(12.6), 13);
    EXPECT_EQ(toInt32HalfEven(-0.4), 0);
    EXPECT_EQ(toInt32HalfEven(2147483647.4), 2147483647);
    EXPECT_EQ(toInt32HalfEven(-2147483648.5), -2147483647 - 1);
}

TEST(RoundHalfEven, RaisesOverflowOutsideTheRange) {
    EXPECT_EQ(kindOf([] { toInt32HalfEven(2147483647.5); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { toInt32HalfEven(-2147483649.0); }), ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { toInt32HalfEven(std::numeric_limits<double>::infinity()); }),
              ErrorKind::Overflow);
    EXPECT_EQ(kindOf([] { toInt32HalfEven(std::numeric_limits<double>::quiet_NaN()); }),
              ErrorKind::Overflow);
}

TEST(TextLines, EndAtCrCrLfOrLoneLf) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitTextLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitTextLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitTextLines("\n\r"), (Lines{"", ""}));
    EXPECT_TRUE(splitTextLines("").empty());
}

TEST(TextLines, FieldsSplitAtEveryTab) {
    using Fields = std::vector<std::string_view>;
    EXPECT_EQ(splitFields("kick.wav\t999\textra"), (Fields{"kick.wav", "999", "extra"}));
    EXPECT_EQ(splitFields("\t"), (Fields{"", ""}));
    EXPECT_EQ(splitFields("no tab"), (Fields{"no tab"}));
}

TEST(AtomicFile, ReplacesTheWholeFileAndNamesThePathOnFailure) {
    test::TempFolder folder;
    const QString path = folder.file("out.txt");
    writeFileAtomically(path, "first version, rather long");
    writeFileAtomically(path, "second");
    EXPECT_EQ(readWholeFile(path), "second");

    const QString missingFolder = folder.file("no/such/folder/out.txt");
    try {
        writeFileAtomically(missingFolder, "x");
        FAIL() << "writing into a missing folder succeeded";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::File);
        EXPECT_NE(std::string(error.what()).find("no/such/folder/out.txt"), std::string::npos);
    }
    EXPECT_EQ(kindOf([&] { readWholeFile(folder.file("absent.txt")); }), ErrorKind::File);
}

TEST(AtomicFile, WritesThroughALinkAndKeepsThePermissions) {
    test::TempFolder folder;
    const QString target = folder.file("sketches/real.ino");
    QDir(folder.path()).mkdir("sketches");
    writeFileAtomically(target, "old");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::link(target, folder.file("link.ino")));

    writeFileAtomically(folder.file("link.ino"), "new");
    EXPECT_EQ(readWholeFile(target), "new");
    EXPECT_TRUE(QFileInfo(folder.file("link.ino")).isSymLink());
    EXPECT_EQ(QFile::permissions(target), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser);
}

TEST(AtomicFile, ABatchReplacesItsFilesOnlyWhenAllWereWritten) {
    test::TempFolder folder;
    const QString first = folder.file("first.txt");
    const QString second = folder.file("second.txt");
    const QString journal = folder.file(".journal");
    writeFileAtomically(first, "old first");
    writeFileAtomically(second, "old second");
    QDir(folder.path()).mkdir("third.txt");
    const auto entries = [&] {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    {
        AtomicFileBatch batch(journal);
        batch.write("first.txt", "new first");
        EXPECT_EQ(kindOf([&] { batch.write("third.txt", "x"); }), ErrorKind::File);
    } // abandoned: nothing is committed
    EXPECT_EQ(readWholeFile(first), "old first");
    EXPECT_EQ(entries().size(), 3); // no temporary left over

    AtomicFileBatch batch(journal);
    batch.write("first.txt", "new first");
    batch.write("second.txt", "new second");
    EXPECT_EQ(readWholeFile(second), "old second"); // not before commit
    batch.commit();
    EXPECT_EQ(readWholeFile(first), "new first");
    EXPECT_EQ(readWholeFile(second), "new second");
    EXPECT_EQ(entries().size(), 3); // nor a journal
}

} // namespace
} // namespace wtb
