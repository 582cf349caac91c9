#include "MixerRun.h"

#include "export/AdpcmSketch.h"
#include "export/LoopTables.h"
#include "export/MixBudget.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <sstream>

namespace wtb::test {

SlotBank emptyBank() {
    SlotBank bank;
    for (const std::int16_t number : allSlotNumbers()) {
        bank[number] = makeSlot({128}, -1, "none.wav");
    }
    return bank;
}

BuiltSketch buildMixer(const QString& folder, const QString& name, const SlotBank& bank,
                       SampleFormat format, const PlayerOptions& options, Board board,
                       const std::string& userSketch) {
    const ArduinoBoard& arduino = ArduinoBoard::get(board);
    if (!arduino.unavailable().empty()) {
        ADD_FAILURE() << arduino.unavailable();
        return BuiltSketch{};
    }
    const BoardSketchText table = buildSketchText(bank, board, format);
    EXPECT_EQ(table.changedBytes, 0) << "the reference mix would not hold for a guarded table";
    PlayerParts parts{format, anySlotLoops(bank), mixerSetup(bank, format, options, board)};
    const std::string header = buildPlayerHeaderText(table.text, playerRates(bank), parts);
    try {
        return arduino.buildText(folder, name,
                                 userSketch.empty() ? playerUserSketchText() : userSketch, header);
    } catch (const ToolFailure& failure) {
        ADD_FAILURE() << failure.what();
        return BuiltSketch{};
    }
}

MixerRecording runMixer(const MixerBoard& board, const QString& elf, int runMs,
                        const std::vector<std::pair<int, std::string>>& commands) {
    const QString harness = QStringLiteral(WTB_PLAYER_HARNESS);
    if (harness.isEmpty()) {
        ADD_FAILURE() << "the player harness was not built: libsimavr-dev and libelf-dev are "
                         "missing (scripts/install-deps.sh installs them)";
        return {};
    }
    QStringList arguments{elf, ArduinoBoard::get(board.board).mcu(),
                          QString::number(board.levelRegister), QString::number(runMs),
                          board.mixVector};
    for (const auto& [atMs, text] : commands) {
        arguments << QString::number(atMs) << QString::fromStdString(text);
    }
    QProcess process;
    process.start(harness, arguments);
    if (!process.waitForFinished(300'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << "the harness failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    MixerRecording recording;
    std::istringstream lines(process.readAllStandardOutput().toStdString());
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        std::uint64_t cycle = 0;
        if (kind == "write") {
            unsigned value = 0;
            fields >> cycle >> value;
            recording.writeCycles.push_back(cycle);
            recording.writes.push_back(static_cast<std::uint8_t>(value));
        } else if (kind == "command") {
            fields >> cycle;
            recording.commands.push_back(cycle);
        } else if (kind == "isr") {
            fields >> recording.isrCount >> recording.isrMean >> recording.isrWorst;
        }
    }
    return recording;
}

} // namespace wtb::test
