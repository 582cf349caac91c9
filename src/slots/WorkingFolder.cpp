#include "slots/WorkingFolder.h"

#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "slots/DefaultKit.h"
#include "slots/SettingsFile.h"

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
        lines[static_cast<std::size_t>(slot - 1)] = {each.name, each.endIndex, each.loop};
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
        raise(ErrorKind::File, "The default kit goes only into a new working folder; \"" +
                                   displayPath(folder) + "\" already holds slot files.");
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
    const std::string unfinished = "An interrupted save of the working folder could not be "
                                   "finished. ";
    try {
        return finishOrDiscardBatch(saveJournalPath(folder), workingFolderFileNames());
    } catch (const FilesChangedError& error) {
        throw FilesChangedError(error.kind(), unfinished + error.what());
    } catch (const RuntimeError& error) {
        raise(error.kind(), unfinished + error.what());
    }
}

namespace {

[[noreturn]] void raiseMissing(const QString& folder, const QString& path) {
    raise(ErrorKind::File, "The working folder \"" + displayPath(folder) + "\" has no file \"" +
                               QFileInfo(path).fileName().toStdString() + "\".");
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

SettingsLines loadSettings(const QString& folder) {
    const QString path = settingsFilePath(folder);
    requireSlotFolderFile(folder, path, "The settings file");
    return parseSettings(readWholeFile(path), displayPath(path));
}

} // namespace

namespace {

SlotBank loadSlotsAndSettings(const QString& folder) {
    std::vector<Sound8> sounds = loadSlotFiles(folder);
    const SettingsLines lines = loadSettings(folder);
    SlotBank bank;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto index = static_cast<std::size_t>(slot - 1);
        Slot& each = bank[slot];
        each = Slot{Samples(std::move(sounds[index].bytes)), sounds[index].sampleRate,
                    lines[index].endIndex, lines[index].name};
        // a hand-edited end index or sound may have left the loop outside the kept samples
        if (lines[index].loop && each.holdsLoop(*lines[index].loop)) {
            each.loop = lines[index].loop;
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
        throw FilesChangedError(
            error.kind(),
            std::string(error.what()) +
                (kitWritten
                     ? " The default kit had been written into the folder."
                     : " An interrupted save had been finished first: " + listOfNames(finished) +
                           (finished.size() == 1 ? " was" : " were") + " put in place."));
    }
}

namespace {

// The settings file is replaced by every save, and last: another inode means a save happened.
std::optional<ino_t> settingsInode(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(settingsFilePath(folder)).constData(), &info) != 0) {
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
            raise(ErrorKind::File, "The working folder \"" + displayPath(folder) +
                                       "\" is being saved by the program that has it open, "
                                       "and the save did not finish within 5 seconds.");
        }
        std::this_thread::sleep_for(20ms);
    }
}

void saveWorkingFolder(const SlotBank& bank, const QString& folder) {
    finishInterruptedSave(folder); // a save of this run may have stopped among its renames
    writeBank(bank, folder);
}

} // namespace wtb
