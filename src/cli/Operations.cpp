#include "cli/Operations.h"

#include "editing/SlotImport.h"

#include <QCoreApplication>

namespace wtb::cli {

namespace {

// What this build of the program cannot do yet fails as an operation, never silently.
[[noreturn]] void raiseNotInThisBuild(ErrorKind kind, const std::string& what) {
    raise(kind, what + " is not available in this build.");
}

} // namespace

QString defaultWorkingFolder() {
    return QCoreApplication::applicationDirPath();
}

std::string versionText() {
    const std::string version = WTB_VERSION;
    return version.empty() ? "wavetable-builder (unversioned build)"
                           : "wavetable-builder " + version;
}

QStringList boardNames() {
    return {QStringLiteral("uno"), QStringLiteral("leonardo"), QStringLiteral("mega2560")};
}

WorkingFolderHold holdWorkingFolder(const QString&) {
    // The folder's lock is taken here once the slots layer has one; until then a command does
    // not notice a window that has the same folder open.
    return {};
}

void importSound(SlotBank& bank, std::int16_t slot, const QString& file,
                 std::optional<std::int32_t> rate, bool normalise) {
    if (rate) {
        raiseNotInThisBuild(ErrorKind::Sound, "Importing at a chosen rate (--rate)");
    }
    if (normalise) {
        raiseNotInThisBuild(ErrorKind::Sound, "Normalising on import (--normalise)");
    }
    importIntoSlot(bank, slot, file);
}

void resampleSlots(SlotBank&, SlotChoice, std::int32_t) {
    raiseNotInThisBuild(ErrorKind::Sound, "Resampling a slot");
}

void normaliseSlots(SlotBank&, SlotChoice) {
    raiseNotInThisBuild(ErrorKind::Sound, "Normalising a slot");
}

std::optional<std::string> budgetLine(const SlotBank&, const std::optional<QString>& board) {
    if (board) {
        raiseNotInThisBuild(ErrorKind::File, "The flash budget of a board (--board)");
    }
    // The budget of the remembered board is the line given here once the export layer knows
    // the boards; until then `list` ends with the total.
    return std::nullopt;
}

void checkSketchFits(const SlotBank&, const std::optional<QString>& board, bool force) {
    if (board) {
        raiseNotInThisBuild(ErrorKind::File, "Checking the sketch against a board (--board)");
    }
    if (force) {
        raiseNotInThisBuild(ErrorKind::File, "Writing a sketch too large for its board (--force)");
    }
    // The export layer's checks (too large for the accessors; too large for the board) are
    // called here once it has them.
}

} // namespace wtb::cli
