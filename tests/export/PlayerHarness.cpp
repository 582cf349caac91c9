#include "PlayerHarness.h"

#include "ArduinoBoard.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace wtb::test {

Recording runPlayerHarness(const SimulatedBoard& board, const QString& elf, int runMs,
                           const std::vector<std::pair<int, std::string>>& commands) {
    const QString harness = QStringLiteral(WTB_PLAYER_HARNESS);
    if (harness.isEmpty()) {
        ADD_FAILURE() << "the player harness was not built: libsimavr-dev and libelf-dev are "
                         "missing (scripts/install-deps.sh installs them)";
        return {};
    }
    QStringList arguments{elf, ArduinoBoard::get(board.board).mcu(),
                          QString::number(board.levelRegister), QString::number(runMs),
                          board.timerVector};
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
    return parseRecording(process.readAllStandardOutput().toStdString());
}

} // namespace wtb::test
