#include "export/PlayerSketchWriter.h"

#include "common/AtomicFile.h"
#include "export/AdpcmSketch.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/PlayerSketch.h"
#include "export/SketchText.h"
#include "slots/Resampler.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace wtb {

QString playerSketchFolder(const QString& chosen) {
    QString folder = QDir::cleanPath(chosen);
    if (!folder.endsWith(QLatin1String(".ino"), Qt::CaseInsensitive) || folder.size() <= 4) {
        return folder;
    }
    folder.chop(4);
    // The sketch itself, chosen to be replaced: its folder is the one it lies in.
    const QFileInfo sketch(folder);
    if (QFileInfo(sketch.path()).fileName() == sketch.fileName()) {
        return sketch.path();
    }
    return folder;
}

QString playerSketchFile(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    // "." and ".." name the folder they stand for.
    const QString name = QFileInfo(QDir(clean).absolutePath()).fileName();
    if (name.isEmpty()) {
        raise(ErrorKind::File, "The player sketch needs a folder of its own, named after the "
                               "sketch, not \"" +
                                   displayPath(folder) + "\".");
    }
    return clean + QLatin1Char('/') + name + QStringLiteral(".ino");
}

std::array<std::int32_t, 16> playerRates(const SlotBank& bank) {
    std::array<std::int32_t, 16> rates{};
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        rates[static_cast<std::size_t>(number - kFirstSlot)] =
            slot.endIndex >= 0 ? slot.sampleRate : 0;
    }
    return rates;
}

namespace {

void refuseUnplayableRates(const SlotBank& bank, std::int32_t highestRate) {
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        if (slot.endIndex >= 0 && (slot.sampleRate <= 0 || slot.sampleRate > highestRate)) {
            const std::string n = std::to_string(number);
            raise(ErrorKind::Bounds, "Slot " + n + " is at " + std::to_string(slot.sampleRate) +
                                         " Hz, which the player cannot play: it plays 1 to " +
                                         std::to_string(highestRate) + " Hz. Resample slot " + n +
                                         " to a rate from " + std::to_string(kLowestTargetRate) +
                                         " to " + std::to_string(kHighestTargetRate) +
                                         " Hz first.");
        }
    }
}

ExportCheck playerCheck(Board board, std::int32_t bytes, std::int32_t room) {
    const BoardInfo& info = boardInfo(board);
    ExportCheck check{board, {bytes, room, bytes <= room}, {}};
    if (!check.budget.fits) {
        check.warning =
            "The player sketch's table takes " + std::to_string(check.budget.bytes) +
            " bytes of flash, but the " + std::string(info.displayName) + " has room for " +
            std::to_string(check.budget.room) +
            " beside the player: " + std::to_string(check.budget.bytes - check.budget.room) +
            " bytes too many, so the sketch will not fit on that board.";
    }
    return check;
}

void makePlayerFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        raise(ErrorKind::File, "The player sketch cannot be written: \"" + displayPath(folder) +
                                   "\" is a file, not a folder.");
    }
    if (!QDir().mkpath(folder)) {
        raise(ErrorKind::File,
              "The player sketch's folder \"" + displayPath(folder) + "\" could not be created.");
    }
}

// The flash a bank's loops add to the player sketch, the same for every bank with a loop.
std::int32_t playerLoopBytes(const SlotBank& bank, Board board, SampleFormat format) {
    return anySlotLoops(bank) ? loopPlayerSketchBytes(board, format) : 0;
}

} // namespace

ExportCheck checkPlayerExport(const SlotBank& bank, Board board) {
    checkExport(bank, board); // what no sketch could use, refused the same way
    refuseUnplayableRates(bank, kPlayerHighestRate);
    return playerCheck(board, tableBytes(bank),
                       boardInfo(board).playerSketchTableRoom() -
                           playerLoopBytes(bank, board, SampleFormat::Pcm8));
}

void writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                       OverBudget overBudget) {
    const ExportCheck check = checkPlayerExport(bank, board);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, check.warning);
    }
    const QString file = playerSketchFile(folder);
    const std::array<std::int32_t, 16> rates = playerRates(bank);
    const std::string text = buildPlayerSketchText(buildSketchText(bank), rates);
    makePlayerFolder(folder);
    writeFileAtomically(file, text);
}

ExportCheck checkPlayerExport(const SlotBank& bank, Board board, SampleFormat format) {
    if (format == SampleFormat::Pcm8) {
        return checkPlayerExport(bank, board);
    }
    checkExport(bank, board, format); // the table's own limits, refused the same way
    refuseUnplayableRates(bank, std::min(kPlayerHighestRate, kAdpcmPlayerHighestRate));
    return playerCheck(board, tableBytes(bank, format),
                       boardInfo(board).playerSketchTableRoom() - adpcmReaderBytes(board) -
                           playerLoopBytes(bank, board, format));
}

std::int32_t writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                               SampleFormat format, OverBudget overBudget) {
    const ExportCheck check = checkPlayerExport(bank, board, format);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, check.warning);
    }
    const QString file = playerSketchFile(folder);
    const BoardSketchText table = buildSketchText(bank, board, format);
    const std::string text = buildPlayerSketchText(table.text, playerRates(bank), format);
    makePlayerFolder(folder);
    writeFileAtomically(file, text);
    return table.changedBytes;
}

} // namespace wtb
