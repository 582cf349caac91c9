#include "slots/WorkingFolder.h"

#include "common/AtomicFile.h"
#include "common/RegularFile.h"
#include "slots/DefaultKit.h"
#include "slots/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
        const std::vector<KitSound> kit = defaultKit();
        SettingsLines settings;
        AtomicFileBatch batch(saveJournalPath(folder));
        for (std::size_t i = 0; i < kit.size(); ++i) {
            batch.write(slotFileName(static_cast<std::int32_t>(i + 1)), encodeWav8(kit[i].sound));
            settings[i] = {kit[i].name, static_cast<std::int32_t>(kit[i].sound.bytes.size()) - 1};
        }
        batch.write(QString::fromLatin1(kSettingsFileName), formatSettings(settings));
        batch.commit();
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

std::vector<std::unique_ptr<SoundBuffer>> loadSlotFiles(const SoundDevice& device,
                                                        const QString& folder) {
    std::vector<std::unique_ptr<SoundBuffer>> sounds;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const QString path = slotFilePath(folder, slot);
        requireSlotFolderFile(folder, path, "The slot file");
        sounds.push_back(device.CreateSoundBufferFromFile(path));
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

void loadSlotsAndSettings(SlotBank& bank, const QString& folder) {
    bank.CurWave = 1;
    if (!bank.SoundDevice) {
        bank.SoundDevice = std::make_unique<SoundDevice>();
    }
    std::vector<std::unique_ptr<SoundBuffer>> sounds = loadSlotFiles(*bank.SoundDevice, folder);
    const SettingsLines lines = loadSettings(folder);
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto index = static_cast<std::size_t>(slot - 1);
        setSlot(bank, slot, std::move(sounds[index]), lines[index].endIndex, lines[index].name);
    }
}

} // namespace

void LoadWorkingFolder(SlotBank& bank, const QString& folder) {
    const std::vector<QString> finished = finishInterruptedSave(folder);
    bool kitWritten = false;
    try {
        if (isNewWorkingFolder(folder)) {
            createDefaultKit(folder); // takes itself away again when it fails
            kitWritten = true;
        }
        loadSlotsAndSettings(bank, folder);
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

void SaveWorkingFolder(const SlotBank& bank, const QString& folder) {
    finishInterruptedSave(folder); // a save of this run may have stopped among its renames
    AtomicFileBatch batch(saveJournalPath(folder));
    SettingsLines lines;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        batch.write(slotFileName(slot), bufferOf(bank, slot).wavFileBytes());
        lines[static_cast<std::size_t>(slot - 1)] = {bank.WaveName[slot], bank.OutBufLen[slot]};
    }
    batch.write(QString::fromLatin1(kSettingsFileName), formatSettings(lines));
    batch.commit();
}

} // namespace wtb
