#include "MixerRun.h"

#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/LoopTables.h"
#include "export/MixBudget.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

} // namespace wtb::test
