// The window's Upload to Board (Ctrl+U) into a simulated Uno holding Debian's optiboot on a
// pseudo-terminal, with the window's event loop running throughout, then Play on Board.
#include "WindowTestSupport.h"

#include "export/ExportedSamples.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QProcess>
#include <QProgressDialog>

#include <sstream>

namespace wtb {
namespace {

const QString kOptiboot =
    QStringLiteral("/usr/share/arduino/hardware/arduino/avr/bootloaders/optiboot/"
                   "optiboot_atmega328.hex");

QAction* actionWithKeys(MainWindow& window, const QKeySequence& keys) {
    for (QAction* action : window.actions()) {
        if (action->shortcuts().contains(keys)) {
            return action;
        }
    }
    return nullptr;
}

QAction* actionNamed(MainWindow& window, const QString& name) {
    for (QAction* action : window.actions()) {
        if (action->text() == name) {
            return action;
        }
    }
    return nullptr;
}

TEST(WindowBoard, UploadsWithCtrlUWhileTheWindowRunsAndPlaysTheCurrentSlotOnTheBoard) {
    const QString harness = QStringLiteral(WTB_UNO_HARNESS);
    ASSERT_FALSE(harness.isEmpty()) << "libsimavr-dev is missing (scripts/install-deps.sh)";
    test::LoadedWindow loaded(test::randomSlots(200, 41));
    MainWindow& window = *loaded.window;
    window.setBoard(Board::Uno);
    const QString port = loaded.folder.file("board port $(x)");
    QProcess board;
    board.start(harness, {kOptiboot, port, loaded.folder.file("flash.bin"), "3000"});
    QByteArray said;
    ASSERT_TRUE(test::pollUntil(
        [&] {
            board.waitForReadyRead(10);
            said += board.readAllStandardOutput();
            return said.contains("ready\n") || board.state() == QProcess::NotRunning;
        },
        30'000, 1));
    ASSERT_TRUE(said.contains("ready\n")) << board.readAllStandardError().toStdString();

    QAction* playOnBoard = actionNamed(window, "Play on board");
    ASSERT_NE(playOnBoard, nullptr);
    EXPECT_FALSE(playOnBoard->isEnabled()) << "before any upload";
    *loaded.uploadPort = port;
    QAction* upload = actionWithKeys(window, QKeySequence(Qt::CTRL | Qt::Key_U));
    ASSERT_NE(upload, nullptr);
    upload->trigger();
    // The upload runs beside the event loop: its dialog is there while the loop turns.
    EXPECT_TRUE(window.uploading());
    bool dialogSeen = false;
    ASSERT_TRUE(test::spinEventLoopUntil(
        [&] {
            dialogSeen = dialogSeen || window.findChild<QProgressDialog*>("uploadProgress");
            return !window.uploading();
        },
        170'000));
    EXPECT_TRUE(dialogSeen);
    ASSERT_TRUE(loaded.errors->isEmpty()) << loaded.errors->join('\n').toStdString();
    EXPECT_TRUE(window.boardHoldsSlots());
    EXPECT_TRUE(playOnBoard->isEnabled());

    window.chooseSlot(6);
    playOnBoard->trigger();
    ASSERT_TRUE(
        test::spinEventLoopUntil([&] { return board.state() == QProcess::NotRunning; }, 60'000));
    EXPECT_TRUE(loaded.errors->isEmpty()) << loaded.errors->join('\n').toStdString();
    std::vector<std::uint64_t> commands;
    std::vector<std::pair<std::uint64_t, int>> writes;
    std::istringstream lines((said + board.readAllStandardOutput()).toStdString());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "command") {
            commands.emplace_back();
            fields >> commands.back();
        } else if (kind == "write") {
            writes.emplace_back();
            fields >> writes.back().first >> writes.back().second;
        }
    }
    ASSERT_EQ(commands.size(), 1u);
    const std::vector<std::uint8_t> expected = exportedSamples(window.workspace().bank()[6], 6);
    std::vector<int> played;
    for (const auto& [cycle, level] : writes) {
        if (cycle >= commands[0] && played.size() < expected.size()) {
            played.push_back(level);
        }
    }
    EXPECT_EQ(played, std::vector<int>(expected.begin(), expected.end()));

    // A changed slot is not on the board.
    ASSERT_TRUE(window.workspace().resample(std::int16_t{6}, 4'000));
    EXPECT_FALSE(window.boardHoldsSlots());
    EXPECT_FALSE(playOnBoard->isEnabled());
}

} // namespace
} // namespace wtb
