#pragma once

#include "editing/LoopSeam.h"
#include "editing/SlotImport.h"
#include "editing/StartTrim.h"
#include "export/BoardUpload.h"
#include "export/PlayerSketchWriter.h"
#include "export/SketchWriter.h"
#include "export/SlotRates.h"
#include "slots/Slot.h"
#include "slots/SoundFile.h"
#include "slots/WorkingFolder.h"
#include "workspace/EditHistory.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wtb {

class WorkingFolderLock;

// One slot, or every slot when empty.
using SlotChoice = std::optional<std::int16_t>;

// What a single cycle was made of, to tell the user.
struct SingleCycleReport {
    std::int32_t length = 0;   // the table's cells: the length asked, or shorter to play
    std::int32_t at = 0;       // the index of the old sound the cycle was taken around
    double frequency = 0.0;    // the fundamental found there, Hz
    std::int32_t rate = 0;     // the slot's new rate: length x frequency, rounded
    std::int32_t seamJump = 0; // of the loop over the whole table (seamJump), 8-bit steps
};

// The lengths a single cycle's table can have, shortest first, and the one it has unless asked.
std::vector<std::int32_t> singleCycleLengths();
std::int32_t defaultSingleCycleLength();

// One open working folder: its sixteen slots and every operation on them, with undo. The
// window and the command line both work through it, so a slot imported or trimmed in either is
// byte for byte the same. Each operation either changes what it says or raises before anything
// changed; each change is one step of the history.
class Workspace : public QObject {
    Q_OBJECT

public:
    // Loads the folder's slots (loadWorkingFolder). A workspace that will save holds the
    // folder's lock, taken by the caller first, as long as it lives; one without only reads.
    // Raises on failure.
    Workspace(const QString& folder, std::unique_ptr<WorkingFolderLock> lock, NewFolder newFolder);
    // Slots already read (readOpenWorkingFolder), for reading only: a save would need the lock.
    Workspace(const QString& folder, SlotBank bank);
    ~Workspace() override;

    const QString& folder() const { return folder_; }
    const SlotBank& bank() const { return bank_; }
    const Slot& slot(std::int32_t number) const { return bank_[number]; }

    // Sets the slot's end index from `index` (0..last sample), stepped back to a zero crossing;
    // gives where it settled, or nothing for a slot without samples (nothing changes). A loop the
    // new end cuts into is pulled in and snapped again, or dropped (slotEndingAt).
    std::optional<std::int32_t> trim(std::int16_t slot, std::int32_t index);

    // Converts the slot (or every slot at another rate) to `rate`; false when none changed. A
    // single cycle keeps its cells and its rate: alone it is refused (raiseSingleCycleKeepsRate),
    // among all slots it is left as it is.
    bool resample(SlotChoice slots, std::int32_t rate);

    // Scales the slot (or every slot) to full level; false when none changed.
    bool normalise(SlotChoice slots);

    // Loops. setLoop moves both ends to the nearest seamless join (snapLoop) and gives the loop
    // as it settled with its seam's jump; one undoable step. Raises a bounds error, changing
    // nothing, for a slot that keeps no samples or ends that are not 0 <= start <= end <= the
    // slot's end index. removeLoop gives false when the slot had no loop.
    SettledLoop setLoop(std::int16_t slot, std::int32_t start, std::int32_t end);
    bool removeLoop(std::int16_t slot);

    // Sets the slot's key map, or removes it when `keys` is empty (the slot then plays by
    // defaultKeyRange); false when the slot had that map already. Raises a bounds error naming
    // the slot, changing nothing, for a map that keyRangeProblem refuses.
    bool setKeys(std::int16_t slot, const std::optional<KeyRange>& keys);

    // Sound editing beyond the end point: several files at once, the start, the silence.

    // Replaces `firstSlot` and the slots after it with the sound files, in order, as one step:
    // each slot is named after its file and ends at its last sample, with the file's first
    // forward loop (slotFromFile). Raises before anything changes when the files need more
    // slots than there are from `firstSlot` to 16, or when a file cannot be imported (the
    // message names it). Gives what the user must be told: notes about a loop that was left
    // out or does not join seamlessly; empty when all went plainly.
    ImportNotes importFiles(std::int16_t firstSlot, const QStringList& paths,
                            const DecodeOptions& options);

    // Removes the slot's samples before `index` (0..end index), moved forward to the next zero
    // crossing; the end index and the loop move with the sound (cutStart). Gives the cut, or
    // nothing for a slot without samples (nothing changes).
    std::optional<StartCut> cutStart(std::int16_t slot, std::int32_t index);

    // Trims the quiet head and tail of the slot, or of every slot, as one step (trimSilence);
    // gives each chosen slot's trim, in slot order.
    struct SlotSilenceTrim {
        std::int16_t slot = 0;
        SilenceTrim trim;
    };
    std::vector<SlotSilenceTrim> trimSilence(SlotChoice slots, std::int32_t threshold);

    const EditHistory& history() const { return history_; }
    // Makes `step`, computed on a copy of the slots of `basedOn` (another workspace holding
    // snapshotForSave's bank, on another thread), one step of this history. False, changing
    // nothing, when the slots changed since that revision: the step would undo that change.
    bool adopt(const EditHistory::Step& step, std::uint64_t basedOn);
    bool undo();
    bool redo();

    // What the user must hear about the folder as read: each slot whose stored fields cannot be
    // used; empty when there is none.
    std::vector<UnusableSlot> unusableSlots() const;

    // Where a sketch goes, checked before anything is written: never over the working folder's
    // own files (requireOutsideWorkingFolder), then checkSketchDestination. The player's folder
    // likewise, and checkPlayerSketchDestination.
    void checkSketchPath(const QString& path) const;
    void checkPlayerSketchFolder(const QString& folder) const;

    // Both exports refuse a slot whose stored fields cannot be used (requireUsableFields) and a
    // path the checks above refuse, before anything is written.
    // Checks the sketch for the board before anything is written (checkExport).
    ExportCheck checkSketch(Board board, SampleFormat format) const;
    // Writes the sketch file of all sixteen slots (writeSketch); returns how many bytes the
    // Mega's 0x21 guard changed.
    std::int32_t exportSketch(const QString& path, Board board, SampleFormat format,
                              OverBudget overBudget) const;

    // The rates of the slots in the table, for the mixed-rate warning (slotRates).
    SlotRates rates() const;
    // Checks the player sketch for the board before anything is written (checkPlayerExport).
    ExportCheck checkPlayerSketch(Board board, SampleFormat format,
                                  const PlayerOptions& options = {}) const;
    // Writes the player sketch to `folder`/NAME.ino, creating the folder (writePlayerSketch);
    // returns how many bytes the Mega's 0x21 guard changed.
    WrittenPlayerSketch exportPlayerSketch(const QString& folder, Board board, SampleFormat format,
                                           OverBudget overBudget,
                                           const PlayerOptions& options = {}) const;

    // Builds the player sketch of the slots outside the working folder and uploads it to the
    // board on `port` (uploadPlayer); after a verified upload, the port is the one remembered
    // for the board.
    UploadedSketch uploadToBoard(Board board, SampleFormat format, const QString& port,
                                 OverBudget overBudget, const UploadProgress& progress,
                                 const UploadCancelled& cancelled,
                                 const PlayerOptions& options = {}) const;
    // The same for slots copied from a workspace, for an upload on a thread of its own while
    // the window goes on changing the slots.
    static UploadedSketch uploadSlots(const SlotBank& bank, Board board, SampleFormat format,
                                      const QString& port, OverBudget overBudget,
                                      const UploadProgress& progress,
                                      const UploadCancelled& cancelled,
                                      const PlayerOptions& options = {});
    // Counts every change of the slots: the board holds the slots of the revision uploaded.
    std::uint64_t revision() const { return revision_; }

    // The flash the player sketch would take on the board in the format, the figure every
    // export weighs (flashBudget).
    FlashBudget flashBudget(Board board, SampleFormat format) const;

    // Replaces the slot's sound by one cycle of it (singleCycle), looped whole at the rate that
    // plays the pitch found, taken around `at`, by default the middle of the kept samples
    // (defaultCycleIndex). Its cells are the most, up to `length`, whose rate the player of
    // `format` plays (playerHighestRate): a higher pitch takes a shorter table. One step;
    // raises, naming the slot, before anything changed.
    SingleCycleReport makeSingleCycle(std::int16_t slot, std::int32_t length,
                                      std::optional<std::int32_t> at,
                                      SampleFormat format = SampleFormat::Pcm8);

    // Writes the whole folder through its journaled save. Raises without the folder's lock.
    void save();

    // What a save made elsewhere (another thread) writes: the slots as they are now.
    struct SaveSnapshot {
        SlotBank bank;
        QString folder;
        std::uint64_t revision = 0;
    };
    SaveSnapshot snapshotForSave() const { return {bank_, folder_, revision_}; }
    // A save of the snapshot of `revision` reached the disk.
    void markSaved(std::uint64_t revision);
    // Whether anything changed since the folder was loaded or last saved.
    bool hasUnsavedChanges() const { return savedRevision_ != revision_; }

Q_SIGNALS:
    // After every change of the slots: an operation, an undo or a redo.
    void slotsChanged();

private:
    // Makes `changed` the new slots of the listed slot numbers as one step named `text`; slots
    // that stay as they were are left out, and nothing is recorded when none changed.
    bool apply(const QString& text, std::vector<std::pair<std::int16_t, Slot>> changed);
    void changed();

    QString folder_;
    std::unique_ptr<WorkingFolderLock> lock_;
    SlotBank bank_;
    EditHistory history_;
    std::uint64_t revision_ = 0;
    std::uint64_t savedRevision_ = 0;
};

} // namespace wtb
