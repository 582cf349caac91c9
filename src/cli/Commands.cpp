#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "cli/SlotListing.h"
#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "common/SystemPath.h"
#include "messages/ExportNotes.h"
#include "messages/ImportNoteText.h"
#include "messages/Messages.h"
#include "slots/DefaultKit.h"
#include "slots/WorkingFolderLock.h"
#include "workspace/Choices.h"
#include "workspace/Operations.h"
#include "workspace/Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace wtb::cli {

namespace {

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

// A missing working folder made for a command that changes a slot, as the window makes it,
// with the folders above it that are missing too. Unless kept, what was made goes again (the
// lock file, then each folder made, when empty), so a command that fails leaves nothing behind.
class MadeFolders {
public:
    explicit MadeFolders(const QString& folder) : folder_(folder) {
        QStringList missing; // the working folder first, then the ones above it
        for (QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
             !entryExists(path) && QFileInfo(path).absolutePath() != path;
             path = QFileInfo(path).absolutePath()) {
            missing << path;
        }
        for (qsizetype i = missing.size() - 1; i >= 0; --i) {
            if (::mkdir(systemPath(missing[i]).constData(), 0777) != 0) {
                const int error = errno;
                removeMade();
                raise(ErrorKind::File, "The working folder \"" + displayPath(folder) +
                                           "\" cannot be created: \"" + displayPath(missing[i]) +
                                           "\": " + std::strerror(error) + ".");
            }
            made_.prepend(missing[i]);
        }
    }
    ~MadeFolders() { removeMade(); }
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    void keep() { made_.clear(); }

private:
    void removeMade() {
        if (made_.isEmpty()) {
            return;
        }
        QFile::remove(WorkingFolderLock::lockFilePath(folder_));
        for (const QString& path : made_) { // the deepest first
            ::rmdir(systemPath(path).constData());
        }
        made_.clear();
    }

    QString folder_;
    QStringList made_;
};

enum class Access { Read, Change };

Workspace openFolder(const QString& folder, Access access) {
    if (access == Access::Read && !entryExists(folder)) {
        return Workspace(folder, defaultKitBank()); // a new folder, shown and never made
    }
    requireFolder(folder);
    if (access == Access::Change) {
        // A window saving the same folder would undo a change made beside it.
        return {folder, std::make_unique<WorkingFolderLock>(folder, LockRole::Command),
                NewFolder::KeepEmpty};
    }
    if (isNewWorkingFolder(folder)) {
        return Workspace(folder, defaultKitBank()); // shown, never written, by a reading command
    }
    std::unique_ptr<WorkingFolderLock> lock;
    try {
        lock = std::make_unique<WorkingFolderLock>(folder, LockRole::Command);
    } catch (const RuntimeError&) {
        // Open in a window (or not ours to lock): read what its last save left, touching nothing.
        return Workspace(folder, readOpenWorkingFolder(folder));
    }
    return {folder, std::move(lock), NewFolder::KeepEmpty};
}

// What the user must hear about the slots as read goes to stderr at once, so a command that
// then fails still says it.
void tellAboutFolder(const Workspace& workspace) {
    std::vector<std::string> notes;
    for (const UnusableSlot& unusable : workspace.unusableSlots()) {
        notes.push_back(unusableFieldsNote(unusable));
    }
    printWarnings(notes);
}

// Applies `change` to the folder's slots and saves them; gives what `change` gave.
template <class Change> auto changingFolder(const QString& folder, Change&& change) {
    MadeFolders made(folder); // released after the workspace and its lock
    Workspace workspace(openFolder(folder, Access::Change));
    tellAboutFolder(workspace);
    if constexpr (std::is_void_v<std::invoke_result_t<Change, Workspace&>>) {
        change(workspace);
        workspace.save();
        made.keep();
    } else {
        auto result = change(workspace);
        workspace.save();
        made.keep();
        return result;
    }
}

Board chosenBoard(std::optional<Board> board) {
    return board.value_or(rememberedBoard());
}

SampleFormat chosenFormat(std::optional<SampleFormat> format) {
    return format.value_or(rememberedSampleFormat());
}

// The remembered choices, with the board and the format the command line gives instead.
Session chosenSession(std::optional<Board> board, std::optional<SampleFormat> format) {
    Session session;
    session.setBoard(chosenBoard(board));
    session.setFormat(chosenFormat(format));
    return session;
}

std::string budgetLine(const SlotBank& bank, const Session& session) {
    const FlashBudget budget = session.budget(bank);
    return "Budget\t" + boardId(session.board()).toStdString() + "\t" +
           std::to_string(budget.bytes) + "\t" + std::to_string(budget.room) + "\t" +
           (budget.fits ? "fits" : "does not fit");
}

} // namespace

std::string listCommand(const QString& folder, std::optional<Board> board,
                        std::optional<SampleFormat> format) {
    const Workspace workspace(openFolder(folder, Access::Read));
    tellAboutFolder(workspace);
    // Every check comes before any line is given, so a failure prints no half listing.
    const std::string budget = budgetLine(workspace.bank(), chosenSession(board, format));
    return formatSlotList(workspace.bank()) + budget + "\n" + ratesLine(workspace.rates()) + "\n";
}

std::vector<std::string> importCommand(const QString& folder, const ImportRequest& request) {
    return changingFolder(folder, [&](Workspace& workspace) {
        std::vector<std::string> warnings;
        for (const ImportNote& note : workspace.importFiles(request.slot, request.files,
                                                            {request.rate, request.normalise})) {
            warnings.push_back(importNoteText(note));
        }
        const Session session;
        for (const OversizedSlot& oversized : session.oversizedSlots(
                 workspace.bank(), request.slot, static_cast<std::int32_t>(request.files.size()))) {
            warnings.push_back(oversizedSlotNote(oversized, session.board()));
        }
        return warnings;
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

StartCut cutStartCommand(const QString& folder, std::int16_t slot, std::int32_t index) {
    return changingFolder(folder, [&](Workspace& workspace) {
        std::optional<StartCut> cut = workspace.cutStart(slot, index);
        if (!cut) {
            raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) + " holds no samples to cut.");
        }
        return std::move(*cut);
    });
}

std::vector<Workspace::SlotSilenceTrim> trimSilenceCommand(const QString& folder, SlotChoice slots,
                                                           std::int32_t threshold) {
    return changingFolder(
        folder, [&](Workspace& workspace) { return workspace.trimSilence(slots, threshold); });
}

std::vector<std::string> missingFolderWarnings(const QString& folder) {
    if (entryExists(folder)) {
        return {};
    }
    return {"The working folder \"" + displayPath(folder) +
            "\" does not exist: its slots are the default kit a new folder starts with. Nothing "
            "was created; a command that changes a slot creates the folder."};
}

void resampleCommand(const QString& folder, SlotChoice slots, std::int32_t rate) {
    changingFolder(folder, [&](Workspace& workspace) { workspace.resample(slots, rate); });
}

void normaliseCommand(const QString& folder, SlotChoice slots) {
    changingFolder(folder, [&](Workspace& workspace) { workspace.normalise(slots); });
}

std::string loopCommand(const QString& folder, std::int16_t slot, const std::optional<Loop>& loop) {
    const std::string which = "Slot " + std::to_string(slot);
    return changingFolder(folder, [&](Workspace& workspace) {
        if (!loop) {
            workspace.removeLoop(slot);
            return which + " has no loop.\n";
        }
        const SettledLoop settled = workspace.setLoop(slot, loop->start, loop->end);
        return which + " loops from index " + std::to_string(settled.loop.start) + " to " +
               std::to_string(settled.loop.end) + ", seam jump " + std::to_string(settled.jump) +
               ".\n";
    });
}

SingleCycleReport singleCycleCommand(const QString& folder, const SingleCycleRequest& request) {
    return changingFolder(folder, [&](Workspace& workspace) {
        return workspace.makeSingleCycle(request.slot, request.length, request.at,
                                         chosenFormat(request.format));
    });
}

std::string keysCommand(const QString& folder, const KeysRequest& request) {
    return changingFolder(folder, [&](Workspace& workspace) {
        workspace.setKeys(request.slot, requestedKeys(request, workspace.slot(request.slot)));
        return keysLine(request.slot, workspace.slot(request.slot));
    });
}

ExportOutcome exportCommand(const QString& folder, const ExportRequest& request) {
    if (!request.player && request.playerOptions != PlayerOptions{}) {
        usageError(QStringLiteral("--voices, --mix-rate, --midi, --midi-baud and --pins choose "
                                  "how the player sketch plays: give --player too."));
    }
    const Workspace workspace(openFolder(folder, Access::Read));
    tellAboutFolder(workspace);
    Session session = chosenSession(request.board, request.format);
    session.setPlayerOptions(request.playerOptions);
    const Board board = session.board();
    const SampleFormat format = session.format();
    // A path that cannot be written is reported before the budget, which --force overrides.
    if (request.player) {
        workspace.checkPlayerSketchFolder(playerSketchFolder(request.output));
    } else {
        workspace.checkSketchPath(request.output);
    }
    const ExportCheck check =
        request.player ? session.checkPlayerSketch(workspace) : session.checkSketch(workspace);
    if (check.needsConfirmation() && !request.force) {
        raise(ErrorKind::Size, overBudgetWarning(check) + " Use --force to write it anyway.");
    }
    ExportOutcome outcome;
    std::int32_t guarded = 0;
    if (request.player) {
        const WrittenPlayerSketch written =
            workspace.exportPlayerSketch(playerSketchFolder(request.output), board, format,
                                         OverBudget::Allow, request.playerOptions);
        guarded = written.changedBytes;
        outcome.notes.push_back("Wrote " + displayPath(written.header) + ".");
        outcome.notes.push_back((written.sketchWritten ? "Wrote " : "Kept your ") +
                                displayPath(written.sketch) + ".");
    } else {
        guarded = workspace.exportSketch(request.output, board, format, OverBudget::Allow);
        outcome.notes.push_back("Wrote " + displayPath(request.output) + ".");
    }
    outcome.notes.push_back(flashFigureText(check.budget) + " on the " +
                            boardDisplayName(board).toStdString() + ".");
    std::vector<std::string>& warnings = outcome.warnings;
    if (guarded > 0) {
        warnings.push_back(guardedBytesNote(guarded));
    }
    // The player plays each slot at its own rate; only a table played at one rate is at risk.
    const SlotRates rates = workspace.rates();
    if (const std::string mixed = mixedRatesWarning(rates); !mixed.empty() && !request.player) {
        std::string cycles;
        for (const std::int16_t number : allSlotNumbers()) {
            if (isSingleCycle(workspace.slot(number))) {
                cycles += (cycles.empty() ? "" : ", ") + std::to_string(number);
            }
        }
        // A resample keeps a single cycle's cells, and so its rate: the advice says so.
        warnings.push_back(
            mixed + " To put every slot at one rate: \"" + commandText(Operation::Resample) +
            " all " + std::to_string(rates.mostCommonRate()) + "\"" +
            (cycles.empty() ? std::string(".")
                            : std::string(" (single cycles keep their rates: ") +
                                  (cycles.find(',') == std::string::npos ? "slot " : "slots ") +
                                  cycles + "; the player sketch plays each at its own)."));
    }
    if (check.needsConfirmation()) {
        warnings.push_back(overBudgetWarning(check));
    }
    return outcome;
}

namespace {

QString portOrRemembered(const std::optional<QString>& port, Board board) {
    if (port) {
        return *port;
    }
    const QString remembered = rememberedUploadPort(board);
    if (remembered.isEmpty()) {
        usageError(QStringLiteral("No port given, and none was used for the %1 before: name it "
                                  "with --port (\"%2\" shows them).")
                       .arg(boardDisplayName(board), commandName(Operation::ListPorts)));
    }
    return remembered;
}

std::string stepLine(UploadStep step, int percent) {
    switch (step) {
    case UploadStep::Building:
        return "Building the sketch with arduino-builder...";
    case UploadStep::Resetting:
        return "Starting the board's bootloader...";
    case UploadStep::Writing:
        return "Writing the flash: " + std::to_string(percent) + " %";
    case UploadStep::Verifying:
        return "Verifying the flash: " + std::to_string(percent) + " %";
    }
    return {};
}

} // namespace

std::string uploadCommand(const QString& folder, const UploadRequest& request,
                          const std::function<void(const std::string&)>& step) {
    const Workspace workspace(openFolder(folder, Access::Read));
    const Board board = chosenBoard(request.board);
    const SampleFormat format = chosenFormat(request.format);
    const QString port = portOrRemembered(request.port, board);
    int lastShown = -1;
    UploadStep lastStep = UploadStep::Building;
    const UploadedSketch uploaded = workspace.uploadToBoard(
        board, format, port, request.force ? OverBudget::Allow : OverBudget::Refuse,
        [&](UploadStep now, int percent) {
            // Every step, and the percentage in steps of ten.
            if (now != lastStep || lastShown < 0 || percent / 10 != lastShown / 10) {
                step(stepLine(now, percent));
                lastShown = percent;
                lastStep = now;
            }
        },
        {}, request.playerOptions);
    return "Uploaded and verified: the " + boardDisplayName(board).toStdString() + " on " +
           displayPath(uploaded.port) + " holds the kit (" + std::to_string(uploaded.flashBytes) +
           " bytes of flash); \"" + commandText(Operation::PlayOnBoard) +
           " SLOT\" plays a slot on it.\n";
}

std::string listPortsCommand() {
    std::string lines;
    for (const QString& line : serialPortLines()) {
        lines += line.toStdString() + "\n";
    }
    return lines;
}

void playOnBoardCommand(std::int16_t slot, const std::optional<QString>& port) {
    playSlotOnBoard(portOrRemembered(port, rememberedBoard()), slot);
}

} // namespace wtb::cli
