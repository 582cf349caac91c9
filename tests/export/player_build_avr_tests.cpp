// The player sketch built by the Arduino IDE's builder for every board, and its flash against
// the budget's figure.
#include "PlayerKit.h"

#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/Boards.h"
#include "export/FlashBudget.h"
#include "export/PlayerSketchWriter.h"
#include "export/PcmTableSketch.h"

namespace wtb {
namespace {

using namespace test;

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

// Every sketch the tool writes builds warning-free in the Arduino IDE's builder on every board,
// in both formats, with and without loops: the table pasted above a sketch's own setup() and
// loop(), and the player sketch folder, whose flash the budget gives within 1 % of the
// builder's count.
TEST_F(PlayerSketch, FlashFigureIsTheBuildersOnEveryBoardAndFormat) {
    SlotBank plain = bankOf(kitSlots(100));
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
                } catch (const ToolFailure& failure) {
                    ADD_FAILURE() << failure.what();
                }
            }
        }
    }
}

} // namespace
} // namespace wtb
