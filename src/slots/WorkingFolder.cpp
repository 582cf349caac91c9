#include "slots/WorkingFolder.h"

#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "common/SystemPath.h"
#include "slots/DefaultKit.h"
#include "slots/SettingsFile.h"
#include "slots/SlotFault.h"
#include "slots/WorkingFolderLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace wtb {

namespace {

QString slotFileName(std::int32_t slot) {
    return QString::number(slot) + QStringLiteral(".wav");
}

QString inFolder(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

} // namespace

QString slotFilePath(const QString& folder, std::int32_t slot) {
    return inFolder(folder, slotFileName(slot));
}

QString settingsFilePath(const QString& folder) {
    return inFolder(folder, QString::fromLatin1(kSettingsFileName));
}

std::vector<QString> workingFolderFileNames() {
    std::vector<QString> names;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        names.push_back(slotFileName(slot));
    }
    names.push_back(QString::fromLatin1(kSettingsFileName));
    return names;
}

QString saveJournalPath(const QString& folder) {
    return inFolder(folder, QStringLiteral(".wavetable-builder.journal"));
}

namespace {

std::optional<std::pair<dev_t, ino_t>> fileIdentity(const QString& path) {
    struct stat info {};
    if (::stat(systemPath(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return std::pair{info.st_dev, info.st_ino};
}

// Every name the program keeps in a working folder, the files and what their save and lock add.
std::vector<QString> ownEntryPaths(const QString& folder) {
    std::vector<QString> paths{saveJournalPath(folder), saveJournalPath(folder) + ".new",
                               WorkingFolderLock::lockFilePath(folder)};
    for (const QString& name : workingFolderFileNames()) {
        paths.push_back(inFolder(folder, name));
        paths.push_back(inFolder(folder, batchTemporaryName(name)));
    }
    return paths;
}

} // namespace

void requireOutsideWorkingFolder(const QString& folder, const QString& path,
                                 const std::string& what) {
    const QFileInfo target(path);
    const QString targetFolder = QFileInfo(target.absolutePath()).canonicalFilePath();
    const bool inWorkingFolder =
        !targetFolder.isEmpty() && targetFolder == QFileInfo(folder).canonicalFilePath();
    const auto identity = fileIdentity(path);
    const auto sameEntry = [&](const QString& own) {
        return (inWorkingFolder && QFileInfo(own).fileName() == target.fileName()) ||
               (identity && identity == fileIdentity(own));
    };
    if (identity && identity == fileIdentity(folder)) {
        raise(ErrorKind::File, SlotFault::WriteOntoWorkingFolder,
              {{"what", what}, {"file", displayPath(path)}});
    }
    for (const QString& own : ownEntryPaths(folder)) {
        if (sameEntry(own)) {
            raise(ErrorKind::File, SlotFault::WriteOntoOwnFile,
                  {{"what", what},
                   {"file", displayPath(path)},
                   {"own", QFileInfo(own).fileName().toStdString()}});
        }
    }
}

bool isNewWorkingFolder(const QString& folder) {
    if (entryExists(saveJournalPath(folder))) {
        return false;
    }
    for (const QString& name : workingFolderFileNames()) {
        if (entryExists(inFolder(folder, name))) {
            return false;
        }
    }
    return true;
}

namespace {

void writeBank(const SlotBank& bank, const QString& folder) {
    AtomicFileBatch batch(saveJournalPath(folder));
    SettingsLines lines;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const Slot& each = bank[slot];
        batch.write(slotFileName(slot), encodeWav8(each.samples.bytes(), each.sampleRate));
        lines[static_cast<std::size_t>(slot - 1)] = {each.name, each.endIndex, each.loop, each.keys,
                                                     each.unusable};
    }
    batch.write(QString::fromLatin1(kSettingsFileName), formatSettings(lines));
    batch.commit();
}

// Whatever a failed kit left: its journal first, so no start finishes it, then its files.
void removeKitLeftovers(const QString& folder) {
    QFile::remove(saveJournalPath(folder));
    try {
        finishOrDiscardBatch(saveJournalPath(folder), workingFolderFileNames());
    } catch (const RuntimeError&) {
    }
    for (const QString& name : workingFolderFileNames()) {
        QFile::remove(inFolder(folder, name));
    }
}

} // namespace

void createDefaultKit(const QString& folder) {
    if (!isNewWorkingFolder(folder)) {
        raise(ErrorKind::File, SlotFault::KitIntoUsedFolder, {{"folder", displayPath(folder)}});
    }
    try {
        writeBank(defaultKitBank(), folder);
    } catch (...) {
        // A kit that is only partly there would make the folder look damaged at every start.
        removeKitLeftovers(folder);
        throw;
    }
}

std::vector<QString> finishInterruptedSave(const QString& folder) {
    try {
        return finishOrDiscardBatch(saveJournalPath(folder), workingFolderFileNames());
    } catch (const FilesChangedError& error) {
        throw FilesChangedError(error.kind(), faultCode(SlotFault::InterruptedSaveUnfinished), {},
                                std::make_shared<const RuntimeError>(error));
    } catch (const RuntimeError& error) {
        raiseBecause(error, error.kind(), SlotFault::InterruptedSaveUnfinished);
    }
}

namespace {

[[noreturn]] void raiseMissing(const QString& folder, const QString& path) {
    raise(ErrorKind::File, SlotFault::FolderFileMissing,
          {{"folder", displayPath(folder)}, {"name", QFileInfo(path).fileName().toStdString()}});
}

// A FIFO or a device in a file's place would block the start; a broken link is damage.
void requireSlotFolderFile(const QString& folder, const QString& path, const std::string& what) {
    if (!entryExists(path)) {
        raiseMissing(folder, path);
    }
    requireRegularFile(path, what);
}

std::vector<Sound8> loadSlotFiles(const QString& folder) {
    std::vector<Sound8> sounds;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const QString path = slotFilePath(folder, slot);
        requireSlotFolderFile(folder, path, "The slot file");
        sounds.push_back(decodeSoundFile(path));
    }
    return sounds;
}

struct StoredSettings {
    std::string text;
    SettingsLines lines;
};

StoredSettings loadSettings(const QString& folder) {
    const QString path = settingsFilePath(folder);
    requireSlotFolderFile(folder, path, "The settings file");
    StoredSettings settings{readWholeFile(path), {}};
    settings.lines = parseSettings(settings.text, displayPath(path));
    return settings;
}

// A loop read from the line that does not lie within the samples the slot keeps (a hand edit
// of the end index, the loop or the sound): kept as read, never dropped or moved.
std::optional<UnusableFields> loopOutsideSlot(const Slot& slot, const Loop& loop,
                                              const Facts& place, const std::string& stored) {
    if (slot.holdsLoop(loop)) {
        return std::nullopt;
    }
    const bool pastSound = slot.endIndex > slot.lastIndex();
    Facts facts = place;
    facts.add("start", loop.start);
    facts.add("end", loop.end);
    facts.add("limit", pastSound ? slot.lastIndex() : slot.endIndex);
    return UnusableFields{
        stored,
        {pastSound ? SlotFault::LoopPastSound : SlotFault::LoopPastEndIndex, std::move(facts)},
        UnusableFields::Field::Loop};
}

} // namespace

namespace {

SlotBank loadSlotsAndSettings(const QString& folder) {
    std::vector<Sound8> sounds = loadSlotFiles(folder);
    const StoredSettings settings = loadSettings(folder);
    const SettingsLines& lines = settings.lines;
    SlotBank bank;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto index = static_cast<std::size_t>(slot - 1);
        Slot& each = bank[slot];
        const SettingsLine& line = lines[index];
        each = Slot{Samples(std::move(sounds[index].bytes)), sounds[index].sampleRate,
                    line.endIndex, line.name};
        each.unusable = line.unusable;
        each.keys = line.keys;
        if (line.loop) {
            std::optional<UnusableFields> outside = loopOutsideSlot(
                each, *line.loop, settingsPlace(index + 1, displayPath(settingsFilePath(folder))),
                storedFields(settings.text, index));
            if (!outside) {
                each.loop = line.loop;
            } else if (!each.unusable) { // a broken key map was found first
                each.unusable = std::move(outside);
            }
        }
    }
    return bank;
}

} // namespace

SlotBank loadWorkingFolder(const QString& folder, NewFolder newFolder) {
    const std::vector<QString> finished = finishInterruptedSave(folder);
    bool kitWritten = false;
    try {
        if (isNewWorkingFolder(folder)) {
            if (newFolder == NewFolder::KeepEmpty) {
                return defaultKitBank();
            }
            createDefaultKit(folder); // takes itself away again when it fails
            kitWritten = true;
        }
        return loadSlotsAndSettings(folder);
    } catch (const RuntimeError& error) {
        if (finished.empty() && !kitWritten) {
            throw;
        }
        const auto cause = std::make_shared<const RuntimeError>(error);
        if (kitWritten) {
            throw FilesChangedError(error.kind(), faultCode(SlotFault::LoadFailedAfterKit), {},
                                    cause);
        }
        throw FilesChangedError(error.kind(), faultCode(SlotFault::LoadFailedAfterFinishedSave),
                                {{"names", listOfNames(finished)}, {"count", finished.size()}},
                                cause);
    }
}

namespace {

// The settings file is replaced by every save, and last: another inode means a save happened.
std::optional<ino_t> settingsInode(const QString& folder) {
    struct stat info {};
    if (::stat(systemPath(settingsFilePath(folder)).constData(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_ino;
}

} // namespace

SlotBank readOpenWorkingFolder(const QString& folder) {
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        const bool saving = entryExists(saveJournalPath(folder));
        if (!saving) {
            if (isNewWorkingFolder(folder)) {
                return defaultKitBank();
            }
            const std::optional<ino_t> before = settingsInode(folder);
            SlotBank bank = loadSlotsAndSettings(folder);
            if (!entryExists(saveJournalPath(folder)) && settingsInode(folder) == before) {
                return bank;
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            raise(ErrorKind::File, SlotFault::FolderSaveTooSlow,
                  {{"folder", displayPath(folder)}, {"seconds", 5}});
        }
        std::this_thread::sleep_for(20ms);
    }
}

void saveWorkingFolder(const SlotBank& bank, const QString& folder) {
    finishInterruptedSave(folder); // a save of this run may have stopped among its renames
    writeBank(bank, folder);
}

} // namespace wtb
