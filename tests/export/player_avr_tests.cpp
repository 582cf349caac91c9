// The player sketch compiled with the Arduino core for every board, and run on a simulated
// ATmega328P and ATmega2560 by a harness that records every write to the PWM compare register
// with its cycle: the samples must come out exactly, one per sample period, at each slot's own
// rate, and the output must rest at 128 before and after.
#include "ArduinoBoard.h"
#include "CliTestSupport.h"

#include "export/AdpcmSketch.h"
#include "export/Boards.h"
#include "export/ExportedSamples.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/LoopedOutput.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "export/SketchText.h"
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <sstream>

namespace wtb {
namespace {

using test::ArduinoBoard;
using test::SlotContent;

constexpr double kCpuHz = 16'000'000.0;
// From a command's first byte to its sound's first sample: the harness types the digits and the
// line feed two byte times apart, then loop() reads the line and sets the clock. A millisecond.
constexpr std::uint64_t kCommandLatency = 16'000;

// A slot the tests play: its number, length and rate.
struct PlayedSlot {
    std::int16_t slot;
    std::int32_t samples;
    std::int32_t rate;
};

// Tens of milliseconds of sound each; 96,000 Hz is the highest rate the player takes, 150 Hz
// needs the timer's prescaler.
constexpr PlayedSlot kPlayed[] = {
    {3, 240, 8'000},
    {5, 400, 16'384},
    {7, 960, kPlayerHighestRate},
    {9, 12, 150},
};
constexpr std::int32_t kOtherRate = 8'000;

// What each board's player writes to, and the interrupt that clocks the samples.
struct SimulatedBoard {
    Board board;
    unsigned levelRegister; // OCR2B's data address
    const char* sampleVector;
    // The hardware's interrupt entry and the vector table's jump, before the first instruction
    // the harness times.
    int entryCycles;
};
constexpr SimulatedBoard kUno{Board::Uno, 0xB4, "__vector_11", 4 + 3};
constexpr SimulatedBoard kMega{Board::Mega2560, 0xB4, "__vector_17", 5 + 3};

// Sixteen slots of noise, `counts` samples each.
std::vector<SlotContent> noiseSlots(const std::vector<std::int32_t>& counts) {
    std::mt19937 random(19);
    std::vector<SlotContent> slots;
    for (std::int32_t count : counts) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        slots.push_back({bytes, "slot " + std::to_string(slots.size() + 1), count - 1});
    }
    return slots;
}

// The played slots at their lengths, slots 1 and 2 `leading` samples long each (to put slot 3
// into the second array of a split table), the others short.
std::vector<SlotContent> kitSlots(std::int32_t leading) {
    std::vector<std::int32_t> counts(16, 30);
    counts[0] = counts[1] = leading;
    for (const PlayedSlot& played : kPlayed) {
        counts[static_cast<std::size_t>(played.slot - 1)] = played.samples;
    }
    return noiseSlots(counts);
}

// The levels the player must write for a slot: its exported samples + 128.
std::vector<int> expectedLevels(const SlotContent& slot) {
    std::vector<int> levels;
    for (std::int32_t h = 0; h <= slot.endIndex; ++h) {
        const bool edge = h == 0 || h == slot.endIndex;
        levels.push_back(edge ? 128 : slot.bytes[static_cast<std::size_t>(h)]);
    }
    return levels;
}

// The table text of the kit: the same whatever rate its sounds are at, so slots at two rates
// share one table.
std::string tableText(const std::vector<SlotContent>& slots) {
    SlotBank atOneRate;
    test::fillBank(atOneRate, slots, kOtherRate);
    SlotBank atAnother;
    test::fillBank(atAnother, slots, 16'384);
    const std::string text = buildSketchText(atOneRate);
    EXPECT_EQ(text, buildSketchText(atAnother)) << "the table text depends on the rates";
    return text;
}

std::array<std::int32_t, 16> kitRates() {
    std::array<std::int32_t, 16> rates{};
    rates.fill(kOtherRate);
    for (const PlayedSlot& played : kPlayed) {
        rates[static_cast<std::size_t>(played.slot - 1)] = played.rate;
    }
    return rates;
}

struct Write {
    std::uint64_t cycle;
    int level;
};

// What one run of the harness recorded.
struct Recording {
    std::vector<std::uint64_t> commands;
    std::vector<Write> writes;
    long isrCount = 0;
    double isrMean = 0;
    long isrWorst = 0;
    int endLevel = -1;

    // The writes from the first one at or after `cycle`.
    std::vector<Write> writesFrom(std::uint64_t cycle) const {
        std::vector<Write> after;
        for (const Write& write : writes) {
            if (write.cycle >= cycle) {
                after.push_back(write);
            }
        }
        return after;
    }
};

Recording parseRecording(const QString& output) {
    Recording recording;
    std::istringstream lines(output.toStdString());
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "write") {
            Write write{};
            fields >> write.cycle >> write.level;
            recording.writes.push_back(write);
        } else if (kind == "command") {
            std::uint64_t cycle = 0;
            fields >> cycle;
            recording.commands.push_back(cycle);
        } else if (kind == "isr") {
            fields >> recording.isrCount >> recording.isrMean >> recording.isrWorst;
        } else if (kind == "end") {
            std::uint64_t cycle = 0;
            fields >> cycle >> recording.endLevel;
        }
    }
    return recording;
}

// Runs the ELF on the simulated board for `runMs`, typing each command at its time.
Recording runPlayer(const SimulatedBoard& board, const QString& elf, int runMs,
                    const std::vector<std::pair<int, std::string>>& commands) {
    const QString harness = QStringLiteral(WTB_PLAYER_HARNESS);
    if (harness.isEmpty()) {
        ADD_FAILURE() << "the player harness was not built: libsimavr-dev and libelf-dev are "
                         "missing (scripts/install-deps.sh installs them)";
        return {};
    }
    QStringList arguments{elf, ArduinoBoard::get(board.board).mcu(),
                          QString::number(board.levelRegister), QString::number(runMs),
                          board.sampleVector};
    for (const auto& [atMs, text] : commands) {
        arguments << QString::number(atMs) << QString::fromStdString(text);
    }
    QProcess process;
    process.start(harness, arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << "the harness failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return parseRecording(QString::fromUtf8(process.readAllStandardOutput()));
}

// `writes` must begin with `levels`, the first within a millisecond and a period of the command
// typed at `commandCycle`, one per period of `rate`, and then hold the rest, 128, from the next
// period on: the mean period within 0.5 % of F_CPU / rate, and each write inside its own period
// of that clock, so none is dropped, repeated or held over.
void expectPlayedAtRate(std::uint64_t commandCycle, const std::vector<Write>& writes,
                        const std::vector<int>& levels, std::int32_t rate) {
    ASSERT_GE(levels.size(), 2u);
    ASSERT_EQ(writes.size(), levels.size() + 1) << "writes: the samples and then the rest";
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (writes[k].level != levels[k] && ++wrong <= 5) {
            ADD_FAILURE() << "sample " << k << " written as " << writes[k].level << ", expected "
                          << levels[k];
        }
    }
    EXPECT_EQ(wrong, 0u) << "samples written wrong";
    EXPECT_EQ(writes.back().level, 128) << "the rest after the sound";

    const std::size_t last = levels.size() - 1;
    const double period =
        static_cast<double>(writes[last].cycle - writes[0].cycle) / static_cast<double>(last);
    const double expectedPeriod = kCpuHz / rate;
    EXPECT_NEAR(period / expectedPeriod, 1.0, 0.005)
        << "mean period " << period << " cycles, F_CPU / rate " << expectedPeriod;
    EXPECT_GT(writes[0].cycle, commandCycle);
    EXPECT_LT(static_cast<double>(writes[0].cycle - commandCycle),
              static_cast<double>(kCommandLatency) + expectedPeriod)
        << "the sound's first sample comes late";
    // Other interrupts (Timer 0's for millis()) may delay a write; the period a write belongs to
    // starts where the least delayed write falls on the clock.
    std::vector<double> offsets;
    for (std::size_t k = 0; k < writes.size(); ++k) {
        const double due = static_cast<double>(writes[0].cycle) + static_cast<double>(k) * period;
        offsets.push_back(static_cast<double>(writes[k].cycle) - due);
    }
    const double earliest = *std::min_element(offsets.begin(), offsets.end());
    std::size_t late = 0;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        if (offsets[k] - earliest >= period && ++late <= 5) {
            ADD_FAILURE() << "write " << k << " comes " << offsets[k] - earliest
                          << " cycles into its period of " << period;
        }
    }
    EXPECT_EQ(late, 0u) << "writes outside their own period";
}

class PlayerSketch : public testing::Test {
protected:
    const ArduinoBoard* toolchain(Board board) {
        const ArduinoBoard& arduino = ArduinoBoard::get(board);
        if (!arduino.unavailable().empty()) {
            ADD_FAILURE() << arduino.unavailable();
            return nullptr;
        }
        return &arduino;
    }

    // The player sketch folder of `slots` (the user's NAME.ino and the generated header),
    // built as the Arduino IDE builds it, warning-free. The ELF's path, or empty after a
    // failure.
    QString buildPlayer(Board board, const std::vector<SlotContent>& slots, const QString& name) {
        return buildSketch(board, buildPlayerHeaderText(tableText(slots), kitRates(), {}), name);
    }

    // The same for a header's text, beside the user's sketch as the export writes it first
    // (or `userSketch` in its place).
    QString buildSketch(Board board, const std::string& header, const QString& name,
                        const std::string& userSketch = playerUserSketchText()) {
        const ArduinoBoard* arduino = toolchain(board);
        if (arduino == nullptr) {
            return {};
        }
        try {
            return arduino->buildText(folder_.path(), name, userSketch, header).elf;
        } catch (const test::ToolFailure& failure) {
            ADD_FAILURE() << failure.what();
            return {};
        }
    }

    // Every played slot, each in a run of its own. The interrupt's cost at 16,384 Hz is printed
    // for the README.
    void expectEverySlotPlays(const SimulatedBoard& board, std::int32_t leading) {
        const std::vector<SlotContent> slots = kitSlots(leading);
        const QString elf = buildPlayer(board.board, slots, "player");
        if (elf.isEmpty()) {
            return;
        }
        for (const PlayedSlot& played : kPlayed) {
            SCOPED_TRACE("slot " + std::to_string(played.slot) + " at " +
                         std::to_string(played.rate) + " Hz");
            const Recording recording = expectSlotPlays(board, elf, slots, played);
            if (played.rate == 16'384) {
                reportCost(board, recording, played.rate);
            }
        }
    }

    // One run: nothing but the rest before the command, then the slot's samples at its rate,
    // then the rest.
    Recording expectSlotPlays(const SimulatedBoard& board, const QString& elf,
                              const std::vector<SlotContent>& slots, const PlayedSlot& played) {
        return expectSlotPlays(board, elf, played,
                               expectedLevels(slots[static_cast<std::size_t>(played.slot - 1)]));
    }

    Recording expectSlotPlays(const SimulatedBoard& board, const QString& elf,
                              const PlayedSlot& played, const std::vector<int>& levels,
                              std::int32_t highestRate = kPlayerHighestRate) {
        const int commandMs = 5;
        const int soundMs = played.samples * 1000 / played.rate + 1;
        const int restMs = std::max(10, 3 * 1000 / played.rate);
        const Recording recording = runPlayer(board, elf, commandMs + soundMs + restMs + 2,
                                              {{commandMs, std::to_string(played.slot)}});
        if (recording.commands.size() != 1) {
            ADD_FAILURE() << "the command was not typed";
            return recording;
        }
        std::size_t before = 0;
        for (const Write& write : recording.writes) {
            if (write.cycle < recording.commands[0]) {
                ++before;
                EXPECT_EQ(write.level, 128) << "a write before the command";
            }
        }
        EXPECT_GE(before, 1u) << "the output must be set to rest before the command";
        expectPlayedAtRate(recording.commands[0], recording.writesFrom(recording.commands[0]),
                           levels, played.rate);
        EXPECT_EQ(recording.endLevel, 128);
        expectInterruptKeepsUp(board, recording, highestRate);
        return recording;
    }

    // The slowest interrupt, with its entry, must fit in one period of the highest rate the
    // player takes, or that rate would drop samples.
    static void expectInterruptKeepsUp(const SimulatedBoard& board, const Recording& recording,
                                       std::int32_t highestRate) {
        EXPECT_GT(recording.isrCount, 0);
        EXPECT_LT(recording.isrWorst + board.entryCycles, kCpuHz / highestRate)
            << "the sample interrupt takes too long for " << highestRate << " Hz";
    }

    // The part of the CPU the sample interrupt leaves at `rate`, in percent.
    static double cpuLeft(const SimulatedBoard& board, const Recording& recording,
                          std::int32_t rate) {
        return 100.0 * (1.0 - (recording.isrMean + board.entryCycles) * rate / kCpuHz);
    }

    static void reportCost(const SimulatedBoard& board, const Recording& recording,
                           std::int32_t rate) {
        const double mean = recording.isrMean + board.entryCycles;
        const long worst = recording.isrWorst + board.entryCycles;
        const double left = 100.0 * (1.0 - mean * rate / kCpuHz);
        std::cout << ArduinoBoard::get(board.board).mcu().toStdString() << ": sample interrupt "
                  << mean << " cycles mean, " << worst << " worst (with entry); " << left
                  << " % of the CPU left at " << rate << " Hz\n";
        testing::Test::RecordProperty("isr_mean_cycles", std::to_string(mean));
        testing::Test::RecordProperty("isr_worst_cycles", std::to_string(worst));
    }

    test::TempFolder folder_;
};

// One text for every board: the Uno and Leonardo with a small table, the Mega with a table
// split in two arrays.
TEST_F(PlayerSketch, CompilesAndLinksWithoutWarningsForEveryBoard) {
    const struct {
        Board board;
        std::int32_t leading;
    } cases[] = {{Board::Uno, 100}, {Board::Leonardo, 100}, {Board::Mega2560, 20'000}};
    for (const auto& each : cases) {
        SCOPED_TRACE(static_cast<int>(each.board));
        const QString name = "board" + QString::number(static_cast<int>(each.board));
        const QString elf = buildPlayer(each.board, kitSlots(each.leading), name);
        EXPECT_FALSE(elf.isEmpty());
    }
}

// From a working folder with slots at 8,000 and 16,384 Hz to the board: the file the shell's
// `export --player` writes is the player sketch of the folder's slots, and each slot comes out
// of the PWM register at its own rate.
TEST_F(PlayerSketch, TheShellsPlayerSketchPlaysEachSlotAtItsOwnRate) {
    const std::vector<SlotContent> slots = kitSlots(100);
    SlotBank bank = test::bankOf(slots, kOtherRate);
    bank[5].sampleRate = 16'384;
    ASSERT_TRUE(QDir().mkpath(folder_.file("kit")));
    saveWorkingFolder(bank, folder_.file("kit"));
    const test::ProgramRun run = test::runProgram(
        {"--folder", folder_.file("kit"), "export", "--player", "-o", folder_.file("out/Kit")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(test::readText(folder_.file("out/Kit/Kit.ino")), playerUserSketchText());
    const std::string header = test::readText(folder_.file("out/Kit/Zozedovad.h"));
    ASSERT_EQ(header, buildPlayerHeaderText(buildSketchText(bank), playerRates(bank), {}));
    const QString elf = buildSketch(Board::Uno, header, "Shell");
    if (elf.isEmpty()) {
        return;
    }
    for (const PlayedSlot& played : {PlayedSlot{3, 240, kOtherRate}, PlayedSlot{5, 400, 16'384}}) {
        SCOPED_TRACE("slot " + std::to_string(played.slot));
        expectSlotPlays(kUno, elf, slots, played);
        // "Play output" plays exportedSamples at the slot's rate: the levels the board wrote.
        const std::vector<std::uint8_t> output = exportedSamples(bank[played.slot], played.slot);
        EXPECT_EQ(std::vector<int>(output.begin(), output.end()),
                  expectedLevels(slots[static_cast<std::size_t>(played.slot - 1)]));
        EXPECT_EQ(bank[played.slot].sampleRate, played.rate);
    }
}

TEST_F(PlayerSketch, PlaysEachSlotAtItsOwnRateOnTheUno) {
    expectEverySlotPlays(kUno, 100);
}

// Slots 1 and 2 fill the first array, so slot 3 plays from the second.
TEST_F(PlayerSketch, PlaysEachSlotAtItsOwnRateFromASplitTableOnTheMega) {
    expectEverySlotPlays(kMega, 20'000);
}

// Slot 5 asked for while another slot plays: that one stops where it is and slot 5 plays whole,
// at its own rate, starting at once even where the slower sound's timer had counted past slot
// 5's period.
TEST_F(PlayerSketch, ANewCommandReplacesTheSoundPlaying) {
    const std::vector<SlotContent> slots = kitSlots(100);
    const QString elf = buildPlayer(Board::Uno, slots, "replace");
    if (elf.isEmpty()) {
        return;
    }
    const std::vector<int> slot5 = expectedLevels(slots[4]);
    for (std::int16_t first : {3, 9}) {
        SCOPED_TRACE("slot " + std::to_string(first) + ", then slot 5");
        const Recording recording =
            runPlayer(kUno, elf, 60, {{5, std::to_string(first)}, {20, "5"}});
        ASSERT_EQ(recording.commands.size(), 2u);
        const std::vector<int> replaced =
            expectedLevels(slots[static_cast<std::size_t>(first - 1)]);
        const std::vector<Write> after = recording.writesFrom(recording.commands[0]);
        ASSERT_GT(after.size(), slot5.size() + 1);
        const std::size_t cut = after.size() - slot5.size() - 1;
        EXPECT_GT(cut, 0u);
        EXPECT_LT(cut, replaced.size()) << "the first sound must not have finished";
        for (std::size_t k = 0; k < cut && k < replaced.size(); ++k) {
            EXPECT_EQ(after[k].level, replaced[k]) << "the first sound's sample " << k;
        }
        const std::vector<Write> second(after.begin() + static_cast<std::ptrdiff_t>(cut),
                                        after.end());
        expectPlayedAtRate(recording.commands[1], second, slot5, 16'384);
    }
}

// Only a line holding a slot number plays; after lines that do not, the next good one still does.
TEST_F(PlayerSketch, LinesThatAreNoSlotNumberPlayNothing) {
    const std::vector<SlotContent> slots = kitSlots(100);
    const QString elf = buildPlayer(Board::Uno, slots, "lines");
    if (elf.isEmpty()) {
        return;
    }
    const Recording recording = runPlayer(
        kUno, elf, 60, {{5, "0"}, {7, "17"}, {9, "x3"}, {11, "3 "}, {13, "1000"}, {15, "3"}});
    ASSERT_EQ(recording.commands.size(), 6u);
    for (const Write& write : recording.writes) {
        if (write.cycle < recording.commands.back()) {
            EXPECT_EQ(write.level, 128) << "a write at cycle " << write.cycle;
        }
    }
    expectPlayedAtRate(recording.commands.back(), recording.writesFrom(recording.commands.back()),
                       expectedLevels(slots[2]), 8'000);
}

// The player keeps its rates and strings in the first 64 KB of flash beside the largest table
// the Mega takes, whose last slot still plays right.
TEST_F(PlayerSketch, PlaysTheLastSlotOfTheLargestTableTheMegaTakes) {
    const PlayedSlot last{16, 240, kOtherRate};
    std::vector<std::int32_t> counts(15,
                                     (boardInfo(Board::Mega2560).sampleLimit - last.samples) / 15);
    counts.push_back(boardInfo(Board::Mega2560).sampleLimit - counts[0] * 15);
    const std::vector<SlotContent> slots = noiseSlots(counts);
    const QString elf = buildPlayer(Board::Mega2560, slots, "largest");
    if (!elf.isEmpty()) {
        expectSlotPlays(kMega, elf, slots, last);
    }
}

// The user's own setup() and loop() in place of the demo: the header gives them the player.
TEST_F(PlayerSketch, PlaysFromTheUsersOwnSketch) {
    const std::vector<SlotContent> slots = kitSlots(100);
    const std::string own = "#include \"Zozedovad.h\"\n"
                            "void setup() {\n  Zozedovad_Begin();\n  Serial.begin(115200);\n}\n"
                            "void loop() {\n  if (Serial.read() == 'x') Zozedovad_Play(3);\n}\n";
    const QString elf = buildSketch(
        Board::Uno, buildPlayerHeaderText(tableText(slots), kitRates(), {}), "Own", own);
    if (elf.isEmpty()) {
        return;
    }
    const Recording recording = runPlayer(kUno, elf, 400, {{100, "x"}});
    ASSERT_EQ(recording.commands.size(), 1u);
    std::vector<int> levels;
    for (const std::uint8_t sample : exportedSamples(test::bankOf(slots, kOtherRate)[3], 3)) {
        levels.push_back(sample);
    }
    expectPlayedAtRate(recording.commands[0], recording.writesFrom(recording.commands[0]), levels,
                       kitRates()[2]);
}

// The ADPCM player decodes in its interrupt: every played slot comes out as the C++ decoder
// gives it, at its rate, and at 16,384 Hz the interrupt leaves at least 80 % of the CPU. The
// Mega's table is split in two arrays, slot 3 in the second; the Leonardo's only compiles.
TEST_F(PlayerSketch, AdpcmPlaysTheDecodedSamplesOnEveryBoard) {
    const struct {
        const SimulatedBoard* board;
        Board compiled;
        std::int32_t leading;
    } cases[] = {{&kUno, Board::Uno, 100},
                 {nullptr, Board::Leonardo, 100},
                 {&kMega, Board::Mega2560, 34'000}};
    for (const auto& each : cases) {
        SCOPED_TRACE(static_cast<int>(each.compiled));
        const SlotBank bank = test::bankOf(kitSlots(each.leading));
        const AdpcmTable table =
            encodeAdpcmTable(bank, AdpcmSearch::LookAhead, each.compiled == Board::Mega2560);
        if (each.leading > 100) {
            EXPECT_GT(table.bytes.size(), 32'767u) << "the Mega's table must be split";
        }
        std::array<std::int32_t, 16> rates = kitRates();
        for (auto& rate : rates) {
            rate = std::min(rate, kAdpcmPlayerHighestRate);
        }
        EXPECT_THROW(buildPlayerHeaderText("", kitRates(), {SampleFormat::Adpcm4}), RuntimeError);
        const std::string text =
            buildPlayerHeaderText(buildAdpcmSketchText(bank, table), rates, {SampleFormat::Adpcm4});
        const QString name = "adpcm" + QString::number(static_cast<int>(each.compiled));
        const QString elf = buildSketch(each.compiled, text, name);
        if (elf.isEmpty() || each.board == nullptr) {
            continue;
        }
        const auto decoded = decodeAdpcmTable(table);
        for (PlayedSlot played : kPlayed) {
            played.rate = std::min(played.rate, kAdpcmPlayerHighestRate);
            SCOPED_TRACE("slot " + std::to_string(played.slot));
            const auto& samples = decoded[static_cast<std::size_t>(played.slot - 1)];
            const Recording recording = expectSlotPlays(
                *each.board, elf, played, std::vector<int>(samples.begin(), samples.end()),
                kAdpcmPlayerHighestRate);
            if (played.rate == 16'384) {
                reportCost(*each.board, recording, played.rate);
                if (each.compiled == Board::Uno) { // the Mega's split table costs it more
                    EXPECT_GE(cpuLeft(*each.board, recording, played.rate), 80.0);
                }
            }
        }
    }
}

// Sustain loops. A kit whose slot 3 loops from the middle of an ADPCM block over the next block
// boundary, slot 5 loops over the whole slot (its first and last sample kept, as a single cycle
// is) and slot 7 has no loop. Each format's player must play the attack, the loop pass after
// pass, sample for sample as loopedOutput says, and on the letter r finish the pass, play the
// tail and rest.
struct LoopedSlot {
    std::int16_t slot;
    std::int32_t samples;
    std::int32_t rate;
    std::optional<Loop> loop;
    int releaseMs; // after the command; 0: no release sent
};

constexpr std::int32_t kBlock = kAdpcmBlockSamples;
const LoopedSlot kLooped[] = {
    {3, 420, 8'000, Loop{kBlock + 38, 2 * kBlock + 52}, 80},
    {5, 256, 16'384, Loop{0, 255}, 40},
    {7, 300, 8'000, std::nullopt, 0},
};

SlotBank loopedKit() {
    std::vector<std::int32_t> counts(16, 30);
    for (const LoopedSlot& looped : kLooped) {
        counts[static_cast<std::size_t>(looped.slot - 1)] = looped.samples;
    }
    std::vector<SlotContent> slots = noiseSlots(counts);
    // The whole-slot loop's ends well off the zero line, so a table that put them there shows.
    slots[4].bytes.front() = 30;
    slots[4].bytes.back() = 220;
    SlotBank bank = test::bankOf(slots, kOtherRate);
    for (const LoopedSlot& looped : kLooped) {
        bank[looped.slot].sampleRate = looped.rate;
        bank[looped.slot].loop = looped.loop;
    }
    return bank;
}

class LoopingPlayer : public PlayerSketch {
protected:
    // The player sketch of the bank in `format` for `board` as the export writes it (the Mega's
    // table guarded against "!!!"), built warning-free. The guard must have changed nothing, so
    // the board plays what loopedOutput gives.
    QString buildLoopingPlayer(Board board, const SlotBank& bank, SampleFormat format,
                               const QString& name) {
        const BoardSketchText table = buildSketchText(bank, board, format);
        EXPECT_EQ(table.changedBytes, 0);
        return buildSketch(
            board,
            buildPlayerHeaderText(table.text, playerRates(bank), {format, anySlotLoops(bank)}),
            name);
    }

    static AdpcmTable adpcmTableOf(const SlotBank& bank) {
        return encodeAdpcmTable(bank, AdpcmSearch::LookAhead, false);
    }

    // Plays the slot, sends r `releaseMs` later (if any), and holds the writes to the preview
    // played with as many passes as the release allowed: at least three, the release taking
    // effect at the first turn after it.
    Recording expectLoopPlays(const SimulatedBoard& board, const QString& elf,
                              const LoopedSlot& looped, const LoopedOutput& preview) {
        const int commandMs = 5;
        std::vector<std::pair<int, std::string>> commands{{commandMs, std::to_string(looped.slot)}};
        if (looped.releaseMs > 0) {
            commands.push_back({commandMs + looped.releaseMs, "r"});
        }
        const int soundMs =
            looped.releaseMs + static_cast<int>(1000 * preview.played(1).size() /
                                                static_cast<std::size_t>(looped.rate));
        const Recording recording = runPlayer(board, elf, commandMs + soundMs + 20, commands);
        if (recording.commands.size() != commands.size()) {
            ADD_FAILURE() << "the commands were not typed";
            return recording;
        }
        const std::vector<Write> writes = recording.writesFrom(recording.commands[0]);
        std::int32_t passes = 1;
        if (looped.loop) {
            const auto straight = preview.attack.size() + preview.tail.size() + 1;
            EXPECT_GT(writes.size(), straight);
            const auto looping = writes.size() - std::min(writes.size(), straight);
            EXPECT_EQ(looping % preview.loop.size(), 0u) << "a pass cut short";
            passes = static_cast<std::int32_t>(looping / preview.loop.size());
            EXPECT_GE(passes, 3) << "the loop must repeat before the release";
            const std::size_t lastPass = preview.attack.size() + (passes - 1) * preview.loop.size();
            const std::size_t tail = lastPass + preview.loop.size();
            if (passes >= 1 && tail < writes.size()) {
                EXPECT_LT(writes[lastPass].cycle, recording.commands[1] + kCommandLatency)
                    << "the loop turned back once more after the release";
                EXPECT_GT(writes[tail].cycle, recording.commands[1])
                    << "the sound left its loop before the release";
            }
        }
        std::vector<int> levels;
        for (std::uint8_t sample : preview.played(std::max(passes, 1))) {
            levels.push_back(sample);
        }
        expectPlayedAtRate(recording.commands[0], writes, levels, looped.rate);
        EXPECT_EQ(recording.endLevel, 128);
        return recording;
    }

    // Every looped slot of the kit in the format's player on the simulated Uno; the interrupt's
    // cost while slot 5 loops at 16,384 Hz is printed for the README.
    void expectEveryLoopPlays(SampleFormat format) {
        const SlotBank bank = loopedKit();
        const QString elf = buildLoopingPlayer(Board::Uno, bank, format, "looping");
        if (elf.isEmpty()) {
            return;
        }
        std::optional<std::array<std::vector<std::uint8_t>, 16>> decoded;
        if (format == SampleFormat::Adpcm4) {
            decoded = decodeAdpcmTable(adpcmTableOf(bank));
        }
        for (const LoopedSlot& looped : kLooped) {
            SCOPED_TRACE("slot " + std::to_string(looped.slot));
            const LoopedOutput preview = loopedOutput(bank[looped.slot], looped.slot, format);
            if (decoded) { // the preview is what this table decodes to
                EXPECT_EQ(preview.played(1), (*decoded)[static_cast<std::size_t>(looped.slot - 1)]);
            }
            if (looped.slot == 5) {
                EXPECT_NE(preview.loop.front(), 128);
                EXPECT_NE(preview.loop.back(), 128);
            }
            const Recording recording = expectLoopPlays(kUno, elf, looped, preview);
            const std::int32_t highest =
                format == SampleFormat::Adpcm4 ? kAdpcmPlayerHighestRate : kPlayerHighestRate;
            expectInterruptKeepsUp(kUno, recording, highest);
            if (looped.rate == 16'384) {
                reportCost(kUno, recording, looped.rate);
            }
        }
    }
};

TEST_F(LoopingPlayer, PcmPlaysTheAttackLoopsUntilReleaseThenTheTail) {
    expectEveryLoopPlays(SampleFormat::Pcm8);
}

TEST_F(LoopingPlayer, AdpcmPlaysTheAttackLoopsUntilReleaseThenTheTail) {
    expectEveryLoopPlays(SampleFormat::Adpcm4);
}

// The largest table the Mega takes, its last slot (in the second array) looped from mid-block:
// the loop tables and the reader's states stay readable in the first 64 KB beside it, and the
// slot plays as on the Uno.
TEST_F(LoopingPlayer, MegaLoopsTheLastSlotOfItsLargestTable) {
    const LoopedSlot last = kLooped[0];
    const std::int32_t limit = boardInfo(Board::Mega2560).sampleLimit;
    for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        const bool adpcm = format == SampleFormat::Adpcm4;
        SCOPED_TRACE(adpcm ? "adpcm" : "pcm");
        // ADPCM: each leading slot whole blocks, as many as the limit leaves beside the last.
        const std::int32_t rest = limit - (adpcm ? adpcmBytesFor(last.samples) : last.samples);
        const std::int32_t each =
            adpcm ? rest / 15 / kAdpcmBlockBytes * kAdpcmBlockSamples : rest / 15;
        std::vector<std::int32_t> counts(15, each);
        counts.push_back(last.samples);
        SlotBank bank = test::bankOf(noiseSlots(counts), last.rate);
        bank[16].loop = last.loop;
        EXPECT_GT(tableBytes(bank, format), limit - (adpcm ? 1'100 : 16));
        EXPECT_LE(tableBytes(bank, format), limit);
        const QString elf =
            buildLoopingPlayer(Board::Mega2560, bank, format, adpcm ? "mega-adpcm" : "mega-pcm");
        if (elf.isEmpty()) {
            continue;
        }
        expectLoopPlays(kMega, elf, LoopedSlot{16, last.samples, last.rate, last.loop, 80},
                        loopedOutput(bank[16], 16, format));
    }
}

// Every sketch the tool writes builds warning-free in the Arduino IDE's builder on every board,
// in both formats, with and without loops: the table pasted above a sketch's own setup() and
// loop(), and the player sketch folder, whose flash the budget gives within 1 % of the
// builder's count.
TEST_F(PlayerSketch, FlashFigureIsTheBuildersOnEveryBoardAndFormat) {
    SlotBank plain = test::bankOf(kitSlots(100));
    SlotBank looped = plain;
    looped[2].loop = Loop{20, 60};
    for (const BoardInfo& info : boards()) {
        const ArduinoBoard* arduino = toolchain(info.board);
        if (arduino == nullptr) {
            continue;
        }
        for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
            for (const SlotBank* bank : {&plain, &looped}) {
                const bool loops = bank == &looped;
                const QString name = QStringLiteral("Flash_%1_%2_%3")
                                         .arg(QString(info.id.data()))
                                         .arg(static_cast<int>(format))
                                         .arg(loops);
                SCOPED_TRACE(name.toStdString());
                SlotBank playable = *bank;
                for (const std::int16_t number : allSlotNumbers()) {
                    playable[number].sampleRate = 8'000;
                }
                const QString folder = folder_.file(name);
                writePlayerSketch(playable, folder, info.board, format, OverBudget::Allow);
                try {
                    // The table export too, pasted above a sketch's own setup() and loop().
                    arduino->buildText(folder_.path(), name + "Table",
                                       buildSketchText(playable, info.board, format).text +
                                           "void setup() {}\nvoid loop() {}\n");
                    const BuiltSketch built = arduino->build(playerSketchFile(folder));
                    const FlashBudget budget = flashBudget(playable, info.board, format);
                    EXPECT_NEAR(budget.bytes, built.flashBytes, built.flashBytes / 100.0)
                        << "the player's code measures " << built.flashBytes - budget.tableBytes
                        << " bytes, recorded " << budget.playerBytes;
                } catch (const test::ToolFailure& failure) {
                    ADD_FAILURE() << failure.what();
                }
            }
        }
    }
}

} // namespace
} // namespace wtb
