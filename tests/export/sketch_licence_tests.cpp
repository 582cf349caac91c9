// The sketches hold the user's own sounds: the program's licence stays out of them.
#include "export/AdpcmSketch.h"
#include "export/BoardSketch.h"
#include "export/PlayerSketch.h"
#include "export/PlayerSketchWriter.h"
#include "slots/DefaultKit.h"

#include <QString>

#include <gtest/gtest.h>

namespace wtb {
namespace {

TEST(ExportedSketch, CarriesNoLicenceOfTheProgram) {
    const SlotBank kit = defaultKitBank();
    for (const Board board : {Board::Uno, Board::Leonardo, Board::Mega2560}) {
        for (const SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
            const std::string table = buildSketchText(kit, board, format).text;
            const std::string player = buildPlayerHeaderText(table, playerRates(kit), {format});
            for (const std::string& text : {table, player}) {
                const QString sketch = QString::fromStdString(text);
                for (const char* word : {"licen", "copyright", "MIT", "(c)", "permission is"}) {
                    EXPECT_FALSE(sketch.contains(
                        QLatin1String(word),
                        std::string_view(word) == "MIT" ? Qt::CaseSensitive : Qt::CaseInsensitive))
                        << word << " in the sketch for " << boardInfo(board).id;
                }
            }
        }
    }
}

} // namespace
} // namespace wtb
