#include "workspace/Workspace.h"

#include "editing/Normalise.h"
#include "editing/Resample.h"
#include "editing/SingleCycle.h"
#include "editing/SlotImport.h"
#include "editing/ZeroCrossingTrim.h"
#include "slots/Resampler.h"
#include "slots/WorkingFolderLock.h"

#include <algorithm>

namespace wtb {

namespace {

QString slotsText(SlotChoice slots) {
    return slots ? QStringLiteral("slot %1").arg(*slots) : QStringLiteral("all slots");
}

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
    bank_ = loadWorkingFolder(folder_, newFolder);
    if (newFolder == NewFolder::KeepEmpty && isNewWorkingFolder(folder_)) {
        ++revision_; // the default kit is not on disk yet: the first save writes it
    }
}

Workspace::Workspace(const QString& folder, SlotBank bank)
    : folder_(folder), bank_(std::move(bank)) {}

Workspace::~Workspace() = default;

bool Workspace::apply(const QString& text, std::vector<std::pair<std::int16_t, Slot>> changed) {
    std::vector<EditHistory::Change> changes;
    for (auto& [number, after] : changed) {
        if (!(after == bank_[number])) {
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

void Workspace::importFile(std::int16_t slot, const QString& path, const DecodeOptions& options) {
    checkSlotNumber(slot);
    apply(QStringLiteral("import into slot %1").arg(slot), {{slot, slotFromFile(path, options)}});
}

std::optional<std::int32_t> Workspace::trim(std::int16_t slot, std::int32_t index) {
    const Slot& current = bank_[slot];
    if (current.samples.empty()) {
        return std::nullopt;
    }
    if (index < 0 || index > current.lastIndex()) {
        raise(ErrorKind::Bounds, "End index " + std::to_string(index) + " is outside slot " +
                                     std::to_string(slot) + ", whose samples are 0.." +
                                     std::to_string(current.lastIndex()) + ".");
    }
    Slot trimmed = current;
    trimmed.endIndex = *zeroCrossingEnd(current.samples.bytes(), index);
    const std::int32_t end = trimmed.endIndex;
    apply(QStringLiteral("trim slot %1").arg(slot), {{slot, std::move(trimmed)}});
    return end;
}

bool Workspace::resample(SlotChoice slots, std::int32_t rate) {
    checkTargetRate(rate);
    std::vector<std::pair<std::int16_t, Slot>> changed;
    for (const std::int16_t number : chosenSlots(slots)) {
        changed.emplace_back(number, resampledSlot(bank_[number], rate));
    }
    return apply(QStringLiteral("resample ") + slotsText(slots), std::move(changed));
}

bool Workspace::normalise(SlotChoice slots) {
    std::vector<std::pair<std::int16_t, Slot>> changed;
    for (const std::int16_t number : chosenSlots(slots)) {
        changed.emplace_back(number, normalisedSlot(bank_[number]));
    }
    return apply(QStringLiteral("normalise ") + slotsText(slots), std::move(changed));
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

ExportCheck Workspace::checkSketch(Board board, SampleFormat format) const {
    return checkExport(bank_, board, format);
}

std::int32_t Workspace::exportSketch(const QString& path, Board board, SampleFormat format,
                                     OverBudget overBudget) const {
    return writeSketch(bank_, path, board, format, overBudget);
}

SlotRates Workspace::rates() const {
    return slotRates(bank_);
}

ExportCheck Workspace::checkPlayerSketch(Board board, SampleFormat format) const {
    return checkPlayerExport(bank_, board, format);
}

std::int32_t Workspace::exportPlayerSketch(const QString& folder, Board board, SampleFormat format,
                                           OverBudget overBudget) const {
    return writePlayerSketch(bank_, folder, board, format, overBudget);
}

SingleCycleReport Workspace::makeSingleCycle(std::int16_t slot, std::int32_t length,
                                             std::optional<std::int32_t> at) {
    const Slot& current = bank_[slot];
    const std::int32_t index = at.value_or(defaultCycleIndex(current));
    SingleCycle cycle;
    try {
        cycle = singleCycle(current, length, index);
    } catch (const RuntimeError& error) {
        raise(error.kind(),
              "Slot " + std::to_string(slot) + " gives no single cycle. " + error.what());
    }
    const SingleCycleReport report{index, cycle.frequency, cycle.slot.sampleRate, cycle.seamJump};
    apply(QStringLiteral("make single cycle of slot %1").arg(slot),
          {{slot, std::move(cycle.slot)}});
    return report;
}

void Workspace::save() {
    if (!lock_) {
        raise(ErrorKind::File, "The working folder \"" + folder_.toStdString() +
                                   "\" was opened for reading only and cannot be saved.");
    }
    const std::uint64_t saving = revision_;
    saveWorkingFolder(bank_, folder_);
    markSaved(saving);
}

void Workspace::markSaved(std::uint64_t revision) {
    savedRevision_ = std::max(savedRevision_, revision);
}

} // namespace wtb
