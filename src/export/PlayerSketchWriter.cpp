#include "export/BoardSketch.h"
#include "export/PlayerSketchWriter.h"

#include "common/AtomicFile.h"
#include "export/AdpcmSketch.h"
#include "export/ExportFault.h"
#include "export/FlashBudget.h"
#include "export/LoopTables.h"
#include "export/MixBudget.h"
#include "export/PlayerSketch.h"
#include "export/PcmTableSketch.h"
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
        raise(ErrorKind::File, ExportFault::PlayerFolderUnnamed, {{"folder", displayPath(folder)}});
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
            raise(ErrorKind::Bounds, ExportFault::SingleCycleTooFast,
                  {{"slot", number}, {"rate", slot.sampleRate}, {"highest", highestRate}});
        }
        if (slot.endIndex >= 0 && (slot.sampleRate <= 0 || slot.sampleRate > highestRate)) {
            raise(ErrorKind::Bounds, ExportFault::SlotRateUnplayable,
                  {{"slot", number},
                   {"rate", slot.sampleRate},
                   {"highest", highestRate},
                   {"lowest", kLowestTargetRate},
                   {"top", std::min(highestRate, kHighestTargetRate)}});
        }
    }
}

void makePlayerFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        raise(ErrorKind::File, ExportFault::PlayerFolderIsFile, {{"folder", displayPath(folder)}});
    }
    if (!QDir().mkpath(folder)) {
        raise(ErrorKind::File, ExportFault::PlayerFolderUncreatable,
              {{"folder", displayPath(folder)}});
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
        raise(ErrorKind::File, ExportFault::UserSketchUnreadable,
              {{"file", displayPath(file)}, {"reason", existing.errorString().toStdString()}});
    }
    const QByteArray include =
        QByteArrayLiteral("#include \"") + QByteArray(kPlayerHeaderName.data()) + '"';
    if (!existing.readAll().contains(include)) {
        raise(ErrorKind::File, ExportFault::UserSketchOutdated,
              {{"file", displayPath(file)}, {"header", kPlayerHeaderName}});
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
        raise(ErrorKind::Bounds, ExportFault::MixRateWithoutMixer);
    }
    if (playerMixes(options)) {
        checkMixerOptions(bank, format, options, board);
        check.budget = flashBudget(bank, board, format, options);
        check.adpcmBytes = std::nullopt; // the advice weighs the one-voice player
    }
    return check;
}

WrittenPlayerSketch writePlayerSketch(const SlotBank& bank, const QString& folder, Board board,
                                      SampleFormat format, OverBudget overBudget,
                                      const PlayerOptions& options) {
    const ExportCheck check = checkPlayerExport(bank, board, format, options);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, ExportFault::OverBudget, overBudgetFacts(check));
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
