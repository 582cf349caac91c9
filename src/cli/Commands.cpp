#include "cli/Commands.h"

#include "cli/SlotListing.h"
#include "common/AtomicFile.h"
#include "editing/ZeroCrossingTrim.h"
#include "export/SketchWriter.h"
#include "slots/DefaultKit.h"
#include "slots/WorkingFolder.h"
#include "slots/WorkingFolderLock.h"

#include <QFileInfo>

#include <type_traits>

namespace wtb::cli {

namespace {

// Loading a folder that is not there would first write a default kit into nowhere; say so
// plainly instead, and create nothing.
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

// The bank the window would load from a new folder, made without writing the kit first: a
// command that fails, or only reads, leaves a new folder empty. The kit's 8-bit sounds and its
// names and end indices come back from its files unchanged, so this is the same bank.
void loadDefaultKit(SlotBank& bank) {
    bank.CurWave = 1;
    bank.SoundDevice = std::make_unique<SoundDevice>();
    std::int16_t slot = kFirstSlot;
    for (KitSound& kit : defaultKit()) {
        const auto last = static_cast<std::int32_t>(kit.sound.bytes.size()) - 1;
        setSlot(bank, slot++,
                std::make_unique<SoundBuffer>(std::move(kit.sound.bytes), kit.sound.sampleRate),
                last, std::move(kit.name));
    }
}

// Loads the folder into a bank and gives what `use` makes of it; `use` may change the bank.
template <class Use> auto withLoadedFolder(const QString& folder, Use&& use) {
    requireFolder(folder);
    SlotBank bank;
    if (isNewWorkingFolder(folder)) {
        loadDefaultKit(bank);
    } else {
        LoadWorkingFolder(bank, folder);
    }
    return use(bank);
}

// Loads the folder, lets `change` edit the bank, and saves the folder whole; gives what
// `change` gave.
template <class Change> auto changingFolder(const QString& folder, Change&& change) {
    requireFolder(folder);
    // A window saving the same folder at its close would undo the change.
    const WorkingFolderLock lock(folder);
    return withLoadedFolder(folder, [&](SlotBank& bank) {
        if constexpr (std::is_void_v<std::invoke_result_t<Change, SlotBank&>>) {
            change(bank);
            SaveWorkingFolder(bank, folder);
        } else {
            auto result = change(bank);
            SaveWorkingFolder(bank, folder);
            return result;
        }
    });
}

std::string slotName(std::int16_t slot) {
    return "slot " + std::to_string(slot);
}

// What the window does before its slider can be clicked: the slot becomes current and its
// redraw copies the slot's bytes into WaveData, which the trim then searches.
void selectAndCopy(SlotBank& bank, std::int16_t slot) {
    const SoundBuffer& sound = bufferOf(bank, slot);
    bank.CurWave = slot;
    bank.WaveData.assign(sound.bytes().size(), 0);
    bank.WaveDataSlot = 0;
    sound.ReadBuffer(bank.WaveData);
    bank.WaveDataSlot = slot;
}

// The slider offers exactly the slot's indices 0..last; a value it could not show is refused.
void requireEndWithinSlot(const SlotBank& bank, std::int16_t slot, std::int32_t end) {
    const std::int32_t samples = bank.WaveDesc[slot].bufferBytes;
    if (samples <= 0) {
        raise(ErrorKind::Bounds, "Slot " + std::to_string(slot) + " holds no samples to trim.");
    }
    if (end < 0 || end >= samples) {
        raise(ErrorKind::Bounds, "End index " + std::to_string(end) + " is outside " +
                                     slotName(slot) + ", whose samples are 0.." +
                                     std::to_string(samples - 1) + ".");
    }
}

} // namespace

std::string listCommand(const QString& folder, const std::optional<QString>& board) {
    return withLoadedFolder(folder, [&](const SlotBank& bank) {
        // Every check comes before any line is given, so a failure prints no half listing.
        const std::string budget = budgetLine(bank, board);
        return formatSlotList(bank) + budget + "\n";
    });
}

void importCommand(const QString& folder, const ImportRequest& request) {
    changingFolder(folder, [&](SlotBank& bank) {
        importSound(bank, request.slot, request.file, request.rate, request.normalise);
    });
}

std::int32_t trimCommand(const QString& folder, std::int16_t slot, std::int32_t end) {
    return changingFolder(folder, [&](SlotBank& bank) {
        requireEndWithinSlot(bank, slot, end);
        selectAndCopy(bank, slot);
        if (!trimCurrentSlot(bank, end)) {
            raise(ErrorKind::Bounds, "The end index of " + slotName(slot) + " could not be set.");
        }
        return bank.OutBufLen[slot];
    });
}

void resampleCommand(const QString& folder, SlotChoice slots, std::int32_t rate) {
    changingFolder(folder, [&](SlotBank& bank) { resampleSlots(bank, slots, rate); });
}

void normaliseCommand(const QString& folder, SlotChoice slots) {
    changingFolder(folder, [&](SlotBank& bank) { normaliseSlots(bank, slots); });
}

std::string exportCommand(const QString& folder, const ExportRequest& request) {
    return withLoadedFolder(folder, [&](const SlotBank& bank) {
        std::string warning = checkSketchFits(bank, request.board, request.force);
        writeSketch(bank, request.output);
        return warning;
    });
}

} // namespace wtb::cli
