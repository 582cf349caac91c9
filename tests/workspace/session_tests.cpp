// The session's figures, as the window shows them and as the shell prints them: for the same
// slots and choices both faces give the same numbers in the same units.
#include "cli/Commands.h"
#include "support/TestSupport.h"
#include "window/Readouts.h"
#include "workspace/Session.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace wtb {
namespace {

// A playing time as either face writes it ("0.125 s", "1:00.000" or "0.125"), in milliseconds.
std::int64_t millisecondsOf(QString text) {
    text.remove(QStringLiteral(" s"));
    const QStringList minutes = text.split(u':');
    const QStringList seconds = minutes.last().split(u'.');
    const std::int64_t whole =
        (minutes.size() == 2 ? minutes[0].toLongLong() * 60 : 0) + seconds[0].toLongLong();
    return whole * 1000 + seconds[1].toLongLong();
}

struct Listed {
    std::vector<QStringList> slots; // the fields of the lines of slots 1..16
    QStringList total;
    QStringList budget;
};

Listed listed(const SlotBank& bank, Board board, SampleFormat format) {
    const test::TempFolder folder;
    saveWorkingFolder(bank, folder.path());
    Listed lines;
    for (const QString& line :
         QString::fromStdString(cli::listCommand(folder.path(), board, format))
             .split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        if (fields[0] == QStringLiteral("total")) {
            lines.total = fields;
        } else if (fields[0] == QStringLiteral("Budget")) {
            lines.budget = fields;
        } else if (fields[0] != QStringLiteral("Rates")) {
            lines.slots.push_back(fields);
        }
    }
    return lines;
}

// Each slot `samples` long at `rates[slot - 1]`, ending at its last sample less `shorter`.
SlotBank bankAt(const std::vector<std::int32_t>& rates, std::int32_t samples,
                std::int32_t shorter) {
    SlotBank bank;
    for (const std::int16_t number : allSlotNumbers()) {
        bank[number] = test::makeSlot(test::sine(static_cast<std::size_t>(samples), 37.0, 90.0),
                                      samples - 1 - shorter, "s.wav", rates[number - 1]);
    }
    return bank;
}

TEST(Session, TheWindowAndTheShellShowTheSameBudgetAndPlayingTimes) {
    const std::vector<std::int32_t> eightKilohertz(16, 8000);
    std::vector<std::int32_t> mixed;
    for (std::int32_t i = 0; i < 16; ++i) {
        mixed.push_back(i % 2 == 0 ? 11025 : 22050 + i);
    }
    struct Case {
        std::vector<std::int32_t> rates;
        std::int32_t samples;
        std::int32_t shorter;
        Board board;
        SampleFormat format;
        std::int64_t tableMs; // the table played once, rounded once
    };
    for (const Case& c : {
             Case{eightKilohertz, 1000, 0, Board::Uno, SampleFormat::Pcm8, 2000},
             Case{eightKilohertz, 4000, 0, Board::Mega2560, SampleFormat::Adpcm4, 8000},
             // A third of a millisecond a slot: sixteen thirds add up, they are not dropped.
             Case{std::vector<std::int32_t>(16, 3000), 1000, 999, Board::Leonardo,
                  SampleFormat::Pcm8, 5},
             // Half a millisecond a slot: both faces round it alike.
             Case{std::vector<std::int32_t>(16, 32000), 16, 0, Board::Uno, SampleFormat::Adpcm4, 8},
             Case{mixed, 30'000, 7, Board::Mega2560, SampleFormat::Pcm8, -1},
         }) {
        const SlotBank bank = bankAt(c.rates, c.samples, c.shorter);
        Session session;
        session.setBoard(c.board);
        session.setFormat(c.format);
        const Listed shell = listed(bank, c.board, c.format);

        const FlashBudget budget = session.budget(bank); // what the window's meter shows
        ASSERT_EQ(shell.budget.size(), 5);
        EXPECT_EQ(shell.budget[2].toInt(), budget.bytes);
        EXPECT_EQ(shell.budget[3].toInt(), budget.room);
        EXPECT_EQ(shell.budget[4] == QStringLiteral("fits"), budget.fits);

        const PlayingTimes times = playingTimes(bank);
        if (c.tableMs >= 0) {
            EXPECT_EQ(times.tableMs, c.tableMs) << c.samples << " samples";
        }
        ASSERT_EQ(shell.total.size(), 8);
        EXPECT_EQ(millisecondsOf(shell.total[6]), times.soundMs);
        EXPECT_EQ(millisecondsOf(shell.total[7]), millisecondsOf(durationText(times.tableMs)));
        ASSERT_EQ(shell.slots.size(), 16u);
        for (const std::int16_t number : allSlotNumbers()) {
            const Slot& slot = bank[number];
            const QStringList& line = shell.slots[number - 1];
            EXPECT_EQ(millisecondsOf(line[6]),
                      millisecondsOf(durationText(slot.sampleCount(), slot.sampleRate)));
            EXPECT_EQ(millisecondsOf(line[7]),
                      millisecondsOf(durationText(slot.keptSamples(), slot.sampleRate)));
        }
    }
}

TEST(Session, KeepsAMeasuredSnrOnlyWhileTheSlotStaysAsMeasured) {
    const SlotBank bank = bankAt(std::vector<std::int32_t>(16, 8000), 500, 0);
    Session session;
    const std::optional<double> measured = Session::measureSnr(bank[3], 3);
    ASSERT_TRUE(measured);
    EXPECT_EQ(session.knownSnr(3, bank[3]), std::nullopt);
    session.keepSnr(3, bank[3], *measured);
    EXPECT_EQ(session.knownSnr(3, bank[3]), measured);
    EXPECT_EQ(session.knownSnr(4, bank[3]), std::nullopt) << "kept for another slot";
    Slot trimmed = bank[3];
    trimmed.endIndex -= 10;
    EXPECT_EQ(session.knownSnr(3, trimmed), std::nullopt) << "kept for a changed slot";
    Slot unplayable = bank[3];
    unplayable.endIndex = unplayable.lastIndex() + 5; // the export refuses it
    EXPECT_EQ(Session::measureSnr(unplayable, 3), std::nullopt);
}

} // namespace
} // namespace wtb
