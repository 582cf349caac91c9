#include "cli/Commands.h"

#include "cli/SlotListing.h"
#include "common/AtomicFile.h"
#include "slots/DefaultKit.h"
#include "slots/WorkingFolderLock.h"
#include "workspace/Choices.h"

#include <QFileInfo>

namespace wtb::cli {

namespace {

// A command never creates its working folder: a mistyped --folder would otherwise receive a
// default kit.
void requireFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.exists()) {
        raise(ErrorKind::File,
              "The working folder \"" + displayPath(folder) + "\" does not exist.");
    }
    if (!info.isDir()) {
        raise(ErrorKind::File,
              "The working folder \"" + displayPath(folder) + "\" is not a folder.");
    }
}

enum class Access { Read, Change };

Workspace openFolder(const QString& folder, Access access) {
    requireFolder(folder);
    if (access == Access::Change) {
        // A window saving the same folder would undo a change made beside it.
        return {folder, std::make_unique<WorkingFolderLock>(folder), NewFolder::KeepEmpty};
    }
    if (isNewWorkingFolder(folder)) {
        return Workspace(folder, defaultKitBank()); // shown, never written, by a reading command
    }
    std::unique_ptr<WorkingFolderLock> lock;
    try {
        lock = std::make_unique<WorkingFolderLock>(folder);
    } catch (const RuntimeError&) {
        // Open in a window (or not ours to lock): read what its last save left, touching nothing.
        return Workspace(folder, readOpenWorkingFolder(folder));
    }
    return {folder, std::move(lock), NewFolder::KeepEmpty};
}

// Applies `change` to the folder's slots and saves them; gives what `change` gave.
template <class Change> auto changingFolder(const QString& folder, Change&& change) {
    Workspace workspace(openFolder(folder, Access::Change));
    if constexpr (std::is_void_v<std::invoke_result_t<Change, Workspace&>>) {
        change(workspace);
        workspace.save();
    } else {
        auto result = change(workspace);
        workspace.save();
        return result;
    }
}

Board chosenBoard(const std::optional<QString>& board) {
    if (!board) {
        return rememberedBoard();
    }
    const std::optional<Board> named = boardFromId(board->toStdString());
    if (!named) {
        raise(ErrorKind::Usage, "Unknown board \"" + board->toStdString() + "\"; the boards are " +
                                    boardIds().join(", ").toStdString() + ".");
    }
    return *named;
}

SampleFormat chosenFormat(const std::optional<QString>& format) {
    if (!format) {
        return rememberedSampleFormat();
    }
    const std::optional<SampleFormat> named = sampleFormatFromId(format->toStdString());
    if (!named) {
        raise(ErrorKind::Usage, "Unknown sample format \"" + format->toStdString() +
                                    "\"; the formats are " +
                                    sampleFormatIds().join(", ").toStdString() + ".");
    }
    return *named;
}

std::string budgetLine(const SlotBank& bank, Board board, SampleFormat format) {
    const FlashBudget budget = flashBudget(bank, board, format);
    return "Budget\t" + boardId(board).toStdString() + "\t" + std::to_string(budget.bytes) + "\t" +
           std::to_string(budget.room) + "\t" + (budget.fits ? "fits" : "does not fit");
}

} // namespace

std::string listCommand(const QString& folder, const std::optional<QString>& board,
                        const std::optional<QString>& format) {
    const Workspace workspace(openFolder(folder, Access::Read));
    // Every check comes before any line is given, so a failure prints no half listing.
    const std::string budget =
        budgetLine(workspace.bank(), chosenBoard(board), chosenFormat(format));
    return formatSlotList(workspace.bank()) + budget + "\n" + ratesLine(workspace.rates()) + "\n";
}

void importCommand(const QString& folder, const ImportRequest& request) {
    changingFolder(folder, [&](Workspace& workspace) {
        workspace.importFile(request.slot, request.file, {request.rate, request.normalise});
    });
}

std::int32_t trimCommand(const QString& folder, std::int16_t slot, std::int32_t end) {
    return changingFolder(folder, [&](Workspace& workspace) {
        const std::optional<std::int32_t> settled = workspace.trim(slot, end);
        if (!settled) {
            raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) + " holds no samples to trim.");
        }
        return *settled;
    });
}

void resampleCommand(const QString& folder, SlotChoice slots, std::int32_t rate) {
    changingFolder(folder, [&](Workspace& workspace) { workspace.resample(slots, rate); });
}

void normaliseCommand(const QString& folder, SlotChoice slots) {
    changingFolder(folder, [&](Workspace& workspace) { workspace.normalise(slots); });
}

SingleCycleReport singleCycleCommand(const QString& folder, const SingleCycleRequest& request) {
    return changingFolder(folder, [&](Workspace& workspace) {
        return workspace.makeSingleCycle(request.slot, request.length, request.at);
    });
}

std::vector<std::string> exportCommand(const QString& folder, const ExportRequest& request) {
    const Workspace workspace(openFolder(folder, Access::Read));
    const Board board = chosenBoard(request.board);
    const SampleFormat format = chosenFormat(request.format);
    const ExportCheck check = request.player ? workspace.checkPlayerSketch(board, format)
                                             : workspace.checkSketch(board, format);
    if (check.needsConfirmation() && !request.force) {
        raise(ErrorKind::Size, check.warning + " Use --force to write it anyway.");
    }
    const std::int32_t guarded =
        request.player ? workspace.exportPlayerSketch(playerSketchFolder(request.output), board,
                                                      format, OverBudget::Allow)
                       : workspace.exportSketch(request.output, board, format, OverBudget::Allow);
    std::vector<std::string> warnings;
    if (guarded > 0) {
        warnings.push_back(guardedBytesNote(guarded));
    }
    const SlotRates rates = workspace.rates();
    if (const std::string mixed = mixedRatesWarning(rates); !mixed.empty()) {
        warnings.push_back(mixed + " To put every slot at one rate: \"resample all " +
                           std::to_string(rates.mostCommonRate()) + "\".");
    }
    if (!check.warning.empty()) {
        warnings.push_back(check.warning);
    }
    return warnings;
}

} // namespace wtb::cli
