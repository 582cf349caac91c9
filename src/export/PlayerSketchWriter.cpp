#include "export/PlayerSketchWriter.h"

#include "common/AtomicFile.h"
#include "export/AdpcmSketch.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/MixBudget.h"
#include "export/PlayerSketch.h"
#include "export/SketchText.h"
#include "slots/Resampler.h"

#include <QDir>
#include <QFile>
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

std::array<std::int32_t, kSlotCount> playerRates(const SlotBank& bank) {
    std::array<std::int32_t, kSlotCount> rates{};
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
        if (slot.endIndex >= 0 && slot.sampleRate > highestRate && isSingleCycle(slot)) {
            // Resampling would change its cells; a shorter table plays the same pitch slower.
            raise(ErrorKind::Bounds,
                  "Slot " + std::to_string(number) + " is a single cycle at " +
                      std::to_string(slot.sampleRate) +
                      " Hz, which the player cannot play: it "
                      "plays up to " +
                      std::to_string(highestRate) + " Hz. Make slot " + std::to_string(number) +
                      " a single cycle again with this format chosen: it then takes the longest "
                      "table whose rate the player plays.");
        }
        if (slot.endIndex >= 0 && (slot.sampleRate <= 0 || slot.sampleRate > highestRate)) {
            const std::string n = std::to_string(number);
            raise(ErrorKind::Bounds,
                  "Slot " + n + " is at " + std::to_string(slot.sampleRate) +
                      " Hz, which the player cannot play: it plays 1 to " +
                      std::to_string(highestRate) + " Hz. Resample slot " + n + " to a rate from " +
                      std::to_string(kLowestTargetRate) + " to " +
                      std::to_string(std::min(highestRate, kHighestTargetRate)) + " Hz first.");
        }
    }
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

// The user's NAME.ino, kept when it is there; one that does not include the header builds
// without the sounds just written.
bool userSketchNeeded(const QString& file) {
    if (!QFileInfo::exists(file)) {
        return true;
    }
    QFile existing(file);
    if (!existing.open(QIODevice::ReadOnly)) {
        raise(ErrorKind::File, "The player sketch \"" + displayPath(file) +
                                   "\" cannot be read: " + existing.errorString().toStdString());
    }
    const QByteArray include =
        QByteArrayLiteral("#include \"") + QByteArray(kPlayerHeaderName.data()) + '"';
    if (!existing.readAll().contains(include)) {
        raise(ErrorKind::File,
              "\"" + displayPath(file) + "\" does not include " + std::string(kPlayerHeaderName) +
                  ", where the sounds and the player now go: it is a player sketch of one file "
                  "from an earlier version, or a sketch of your own. Move it out of the folder "
                  "(copy your own lines back into the new one) and export again.");
    }
    return false;
}

} // namespace

QString playerHeaderFile(const QString& folder) {
    return QDir::cleanPath(folder) + QLatin1Char('/') +
           QString::fromLatin1(kPlayerHeaderName.data(),
                               static_cast<qsizetype>(kPlayerHeaderName.size()));
}

ExportCheck checkPlayerExport(const SlotBank& bank, Board board, SampleFormat format,
                              const PlayerOptions& options) {
    ExportCheck check = checkExport(bank, board, format); // the table's own limits and budget
    refuseUnplayableRates(bank, playerHighestRate(format));
    if (!playerMixes(options) && options.mixRate != 0) {
        raise(ErrorKind::Bounds, "A mixing rate is for the mixing player: choose 2 or more voices, "
                                 "MIDI or trigger pins with it. The one-voice player plays each "
                                 "slot at its own rate.");
    }
    if (playerMixes(options)) {
        checkMixerOptions(bank, format, options, board);
        check.budget = flashBudget(bank, board, format, options);
        check.warning = check.budget.fits ? std::string() : overBudgetWarning(check.budget, board);
    }
    return check;
}

WrittenPlayerSketch writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                                      SampleFormat format, OverBudget overBudget,
                                      const PlayerOptions& options) {
    const ExportCheck check = checkPlayerExport(bank, board, format, options);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, check.warning);
    }
    WrittenPlayerSketch written{playerHeaderFile(folder), playerSketchFile(folder), false, 0};
    const bool userSketch = userSketchNeeded(written.sketch);
    const BoardSketchText table = buildSketchText(bank, board, format);
    PlayerParts parts{format, anySlotLoops(bank), std::nullopt};
    if (playerMixes(options)) {
        parts.mixer = mixerSetup(bank, format, options, board);
    }
    const std::string header = buildPlayerHeaderText(table.text, playerRates(bank), parts);
    makePlayerFolder(folder);
    writeFileAtomically(written.header, header);
    if (userSketch) {
        writeFileAtomically(written.sketch, playerUserSketchText());
        written.sketchWritten = true;
    }
    written.changedBytes = table.changedBytes;
    return written;
}

} // namespace wtb
