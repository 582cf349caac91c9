#include "workspace/Workspace.h"

#include "workspace/Choices.h"
#include "workspace/CycleFit.h"
#include "workspace/Operations.h"
#include "workspace/WorkspaceFault.h"

#include "editing/Normalise.h"
#include "editing/Resample.h"
#include "editing/SingleCycle.h"
#include "editing/SlotImport.h"
#include "editing/SlotLoop.h"
#include "editing/StartTrim.h"
#include "editing/ZeroCrossingTrim.h"
#include "export/SketchDestination.h"
#include "slots/Resampler.h"
#include "slots/WorkingFolderLock.h"

#include <algorithm>

namespace wtb {

namespace {

std::vector<std::int16_t> chosenSlots(SlotChoice slots) {
    if (slots) {
        checkSlotNumber(*slots);
        return {*slots};
    }
    return allSlotNumbers();
}

} // namespace

std::vector<std::int32_t> singleCycleLengths() {
    std::vector<std::int32_t> lengths;
    for (std::int32_t length = kShortestCycle; length <= kLongestCycle; length *= 2) {
        lengths.push_back(length);
    }
    return lengths;
}

std::int32_t defaultSingleCycleLength() {
    return kDefaultCycleLength;
}

Workspace::Workspace(const QString& folder, std::unique_ptr<WorkingFolderLock> lock,
                     NewFolder newFolder)
    : folder_(folder), lock_(std::move(lock)) {
    try {
        bank_ = loadWorkingFolder(folder_, newFolder);
    } catch (...) {
        if (lock_) {
            lock_->removeFileOnRelease(); // the folder refused is left as it was found
        }
        throw;
    }
    if (newFolder == NewFolder::KeepEmpty && isNewWorkingFolder(folder_)) {
        ++revision_; // the default kit is not on disk yet: the first save writes it
    }
}

Workspace::Workspace(const QString& folder, SlotBank bank)
    : folder_(folder), bank_(std::move(bank)) {}

Workspace::~Workspace() = default;

bool Workspace::apply(const QString& text, std::vector<std::pair<std::int16_t, Slot>> changed) {
    std::vector<EditHistory::Change> changes;
    SlotBank candidate = bank_; // shares the samples; checked slot by slot as it would become
    for (auto& [number, after] : changed) {
        if (!(after == bank_[number])) {
            requireSavableSlot(after, number, candidate);
            candidate[number] = after;
            after.unusable.reset(); // the user changed the slot: its line is written anew
            changes.push_back({number, bank_[number], std::move(after)});
        }
    }
    if (changes.empty()) {
        return false;
    }
    for (const EditHistory::Change& change : changes) {
        bank_[change.slot] = change.after;
    }
    history_.record(text, std::move(changes));
    this->changed();
    return true;
}

void Workspace::changed() {
    ++revision_;
    Q_EMIT slotsChanged();
}

std::optional<std::int32_t> Workspace::trim(std::int16_t slot, std::int32_t index) {
    const Slot& current = bank_[slot];
    if (current.samples.empty()) {
        return std::nullopt;
    }
    if (index < 0 || index > current.lastIndex()) {
        raise(ErrorKind::Bounds, WorkspaceFault::TrimOutside,
              {{"index", index}, {"slot", slot}, {"last", current.lastIndex()}});
    }
    Slot trimmed = slotEndingAt(current, *zeroCrossingEnd(current.samples.bytes(), index));
    const std::int32_t end = trimmed.endIndex;
    apply(changeText(Operation::Trim, slot), {{slot, std::move(trimmed)}});
    return end;
}

bool Workspace::resample(SlotChoice slots, std::int32_t rate) {
    checkTargetRate(rate);
    std::vector<std::pair<std::int16_t, Slot>> changed;
    for (const std::int16_t number : chosenSlots(slots)) {
        const Slot& slot = bank_[number];
        if (isSingleCycle(slot) && slot.sampleRate != rate) {
            if (!slots) {
                continue; // its rate plays its pitch; the other slots are converted
            }
            raiseSingleCycleKeepsRate(number, slot, rate);
        }
        try {
            changed.emplace_back(number, resampledSlot(slot, rate));
        } catch (const RuntimeError& error) {
            raiseBecause(error, error.kind(), WorkspaceFault::ResampleRefused,
                         {{"slot", number}, {"rate", rate}});
        }
    }
    return apply(changeText(Operation::Resample, slots), std::move(changed));
}

bool Workspace::normalise(SlotChoice slots) {
    std::vector<std::pair<std::int16_t, Slot>> changed;
    for (const std::int16_t number : chosenSlots(slots)) {
        changed.emplace_back(number, normalisedSlot(bank_[number]));
    }
    return apply(changeText(Operation::Normalise, slots), std::move(changed));
}

SettledLoop Workspace::setLoop(std::int16_t slot, std::int32_t start, std::int32_t end) {
    const Slot& current = bank_[slot];
    const std::int32_t kept = std::min(current.endIndex, current.lastIndex());
    if (current.samples.empty()) {
        raise(ErrorKind::Bounds, WorkspaceFault::NoSamplesToLoop, {{"slot", slot}});
    }
    if (kept < 0) {
        raise(ErrorKind::Bounds, WorkspaceFault::NothingKeptToLoop,
              {{"slot", slot}, {"end", current.endIndex}});
    }
    const Facts loop{{"slot", slot}, {"start", start}, {"end", end}};
    if (start < 0) {
        raise(ErrorKind::Bounds, WorkspaceFault::LoopStartsBeforeZero, loop);
    }
    if (start > end) {
        raise(ErrorKind::Bounds, WorkspaceFault::LoopStartsAfterEnd, loop);
    }
    if (end > kept) {
        Facts past = loop;
        past.add("kept", kept);
        raise(ErrorKind::Bounds, WorkspaceFault::LoopEndsPastKept, std::move(past));
    }
    const SettledLoop settled = snapLoop(current.samples.bytes(), {start, end}, current.endIndex);
    Slot looped = current;
    looped.loop = settled.loop;
    apply(changeText(Operation::Loop, slot), {{slot, std::move(looped)}});
    return settled;
}

bool Workspace::removeLoop(std::int16_t slot) {
    Slot unlooped = bank_[slot];
    unlooped.loop.reset();
    unlooped.unusable.reset(); // whatever its line held for a loop, the slot now has none
    return apply(removalText(Operation::Loop, slot), {{slot, std::move(unlooped)}});
}

ImportNotes Workspace::importFiles(std::int16_t firstSlot, const QStringList& paths,
                                   const DecodeOptions& options) {
    checkSlotNumber(firstSlot);
    const auto count = static_cast<std::int32_t>(paths.size());
    const std::int32_t slotsLeft = kLastSlot - firstSlot + 1;
    if (count > slotsLeft) {
        raise(ErrorKind::Bounds, WorkspaceFault::TooManyFiles,
              {{"files", count}, {"first", firstSlot}, {"lastSlot", kLastSlot}});
    }
    std::vector<std::pair<std::int16_t, Slot>> changed;
    ImportNotes notes;
    SlotBank imported = bank_; // with the files before this one in place, for the room left
    for (std::int32_t i = 0; i < count; ++i) {
        const auto slot = static_cast<std::int16_t>(firstSlot + i);
        DecodeOptions fitting = options;
        fitting.mostSamples = std::max<std::int64_t>(
            0, kMostTableSamples - tableSampleCount(imported) + imported[slot].endIndex + 1);
        try {
            imported[slot] = slotFromFile(paths[i], fitting, &notes);
            changed.emplace_back(slot, imported[slot]);
        } catch (const RuntimeError& error) {
            if (count == 1) {
                throw;
            }
            raiseBecause(error, error.kind(), WorkspaceFault::ImportedTogether,
                         {{"slot", slot}, {"files", count}});
        }
    }
    if (count == 0) {
        return {};
    }
    apply(changeText(Operation::Import, firstSlot, count), std::move(changed));
    return notes;
}

std::optional<StartCut> Workspace::cutStart(std::int16_t slot, std::int32_t index) {
    const Slot& current = bank_[slot];
    if (current.samples.empty()) {
        return std::nullopt;
    }
    const std::int32_t last = lastStartCut(current);
    if (index < 0 || index > last) {
        Facts outside{{"index", index}, {"slot", slot}, {"last", last}};
        if (last == current.endIndex && last < current.lastIndex()) {
            outside.add("byEndIndex", 1); // the table keeps at least the sample at its end
        }
        raise(ErrorKind::Bounds, WorkspaceFault::StartCutOutside, std::move(outside));
    }
    StartCut cut = wtb::cutStart(current, index);
    apply(changeText(Operation::CutStart, slot), {{slot, cut.slot}});
    return cut;
}

std::vector<Workspace::SlotSilenceTrim> Workspace::trimSilence(SlotChoice slots,
                                                               std::int32_t threshold) {
    std::vector<SlotSilenceTrim> trims;
    std::vector<std::pair<std::int16_t, Slot>> changed;
    for (const std::int16_t number : chosenSlots(slots)) {
        SilenceTrim trim = wtb::trimSilence(bank_[number], threshold);
        changed.emplace_back(number, trim.slot);
        trims.push_back({number, std::move(trim)});
    }
    apply(changeText(Operation::TrimSilence, slots), std::move(changed));
    return trims;
}

bool Workspace::adopt(const EditHistory::Step& step, std::uint64_t basedOn) {
    if (basedOn != revision_) {
        return false;
    }
    for (const EditHistory::Change& change : step.changes) {
        bank_[change.slot] = change.after;
    }
    history_.record(step.text, step.changes);
    changed();
    return true;
}

bool Workspace::undo() {
    if (!history_.undo(bank_)) {
        return false;
    }
    changed();
    return true;
}

bool Workspace::redo() {
    if (!history_.redo(bank_)) {
        return false;
    }
    changed();
    return true;
}

std::vector<UnusableSlot> Workspace::unusableSlots() const {
    return wtb::unusableSlots(bank_);
}

void Workspace::checkSketchPath(const QString& path) const {
    requireOutsideWorkingFolder(folder_, path, "The sketch");
    checkSketchDestination(path);
}

void Workspace::checkPlayerSketchFolder(const QString& folder) const {
    requireOutsideWorkingFolder(folder_, folder, "The player sketch");
    requireOutsideWorkingFolder(folder_, playerSketchFile(folder), "The player sketch");
    requireOutsideWorkingFolder(folder_, playerHeaderFile(folder), "The player sketch");
    checkPlayerSketchDestination(folder);
}

ExportCheck Workspace::checkSketch(Board board, SampleFormat format) const {
    requireUsableFields(bank_);
    return checkExport(bank_, board, format);
}

std::int32_t Workspace::exportSketch(const QString& path, Board board, SampleFormat format,
                                     OverBudget overBudget) const {
    requireUsableFields(bank_);
    checkSketchPath(path);
    return writeSketch(bank_, path, board, format, overBudget);
}

SlotRates Workspace::rates() const {
    return slotRates(bank_);
}

ExportCheck Workspace::checkPlayerSketch(Board board, SampleFormat format,
                                         const PlayerOptions& options) const {
    requireUsableFields(bank_);
    return checkPlayerExport(bank_, board, format, options);
}

UploadedSketch Workspace::uploadToBoard(Board board, SampleFormat format, const QString& port,
                                        OverBudget overBudget, const UploadProgress& progress,
                                        const UploadCancelled& cancelled,
                                        const PlayerOptions& options) const {
    return uploadSlots(bank_, board, format, port, overBudget, progress, cancelled, options);
}

UploadedSketch Workspace::uploadSlots(const SlotBank& bank, Board board, SampleFormat format,
                                      const QString& port, OverBudget overBudget,
                                      const UploadProgress& progress,
                                      const UploadCancelled& cancelled,
                                      const PlayerOptions& options) {
    const UploadedSketch uploaded =
        uploadPlayer(bank, board, format, port, overBudget, progress, cancelled, options);
    rememberUploadPort(board, port);
    return uploaded;
}

WrittenPlayerSketch Workspace::exportPlayerSketch(const QString& folder, Board board,
                                                  SampleFormat format, OverBudget overBudget,
                                                  const PlayerOptions& options) const {
    requireUsableFields(bank_);
    checkPlayerSketchFolder(folder);
    return writePlayerSketch(bank_, folder, board, format, overBudget, options);
}

FlashBudget Workspace::flashBudget(Board board, SampleFormat format) const {
    return wtb::flashBudget(bank_, board, format);
}

SingleCycleReport Workspace::makeSingleCycle(std::int16_t slot, std::int32_t length,
                                             std::optional<std::int32_t> at, SampleFormat format) {
    FittedCycle fitted = fitSingleCycle(bank_[slot], slot, length, at, format);
    const SingleCycleReport report{fitted.cycle.slot.sampleCount(), fitted.at,
                                   fitted.cycle.frequency, fitted.cycle.slot.sampleRate,
                                   fitted.cycle.seamJump};
    apply(changeText(Operation::SingleCycle, slot), {{slot, std::move(fitted.cycle.slot)}});
    return report;
}

void Workspace::save() {
    if (!lock_) {
        raise(ErrorKind::File, WorkspaceFault::FolderReadOnly, {{"folder", folder_.toStdString()}});
    }
    const std::uint64_t saving = revision_;
    saveWorkingFolder(bank_, folder_);
    markSaved(saving);
}

void Workspace::markSaved(std::uint64_t revision) {
    savedRevision_ = std::max(savedRevision_, revision);
}

} // namespace wtb
