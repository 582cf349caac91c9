#include "slots/WorkingFolder.h"

#include "common/AtomicFile.h"
#include "slots/DefaultKit.h"
#include "slots/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace wtb {

QString slotFilePath(const QString& folder, std::int32_t slot) {
    return folder + QDir::separator() + QString::number(slot) + QStringLiteral(".wav");
}

QString settingsFilePath(const QString& folder) {
    return folder + QDir::separator() + QString::fromLatin1(kSettingsFileName);
}

bool isNewWorkingFolder(const QString& folder) {
    if (QFileInfo::exists(settingsFilePath(folder))) {
        return false;
    }
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        if (QFileInfo::exists(slotFilePath(folder, slot))) {
            return false;
        }
    }
    return true;
}

void createDefaultKit(const QString& folder) {
    const std::vector<KitSound> kit = defaultKit();
    SettingsLines settings;
    AtomicFileBatch batch;
    for (std::size_t i = 0; i < kit.size(); ++i) {
        batch.write(slotFilePath(folder, static_cast<std::int32_t>(i + 1)),
                    encodeWav8(kit[i].sound));
        settings[i] = {kit[i].name, static_cast<std::int32_t>(kit[i].sound.bytes.size()) - 1};
    }
    batch.write(settingsFilePath(folder), formatSettings(settings));
    try {
        batch.commit();
    } catch (...) {
        // A kit that is only partly there would make the folder look damaged at every start.
        for (const QString& path : batch.committed()) {
            QFile::remove(path);
        }
        throw;
    }
}

namespace {

[[noreturn]] void raiseMissing(const QString& folder, const QString& path) {
    raise(ErrorKind::File, "The working folder \"" + displayPath(folder) + "\" has no file \"" +
                               QFileInfo(path).fileName().toStdString() + "\".");
}

std::vector<std::unique_ptr<SoundBuffer>> loadSlotFiles(const SoundDevice& device,
                                                        const QString& folder) {
    std::vector<std::unique_ptr<SoundBuffer>> sounds;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const QString path = slotFilePath(folder, slot);
        if (!QFileInfo::exists(path)) {
            raiseMissing(folder, path);
        }
        sounds.push_back(device.CreateSoundBufferFromFile(path));
    }
    return sounds;
}

SettingsLines loadSettings(const QString& folder) {
    const QString path = settingsFilePath(folder);
    if (!QFileInfo::exists(path)) {
        raiseMissing(folder, path);
    }
    return parseSettings(readWholeFile(path), displayPath(path));
}

} // namespace

void LoadWorkingFolder(SlotBank& bank, const QString& folder) {
    if (isNewWorkingFolder(folder)) {
        createDefaultKit(folder);
    }
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

void SaveWorkingFolder(const SlotBank& bank, const QString& folder) {
    // All seventeen files are written out before the first one replaces its old self, so a
    // failure while writing (a full disk, a file in the way) leaves the whole folder as it was.
    AtomicFileBatch batch;
    SettingsLines lines;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        batch.write(slotFilePath(folder, slot), bufferOf(bank, slot).wavFileBytes());
        lines[static_cast<std::size_t>(slot - 1)] = {bank.WaveName[slot], bank.OutBufLen[slot]};
    }
    batch.write(settingsFilePath(folder), formatSettings(lines));
    batch.commit();
}

} // namespace wtb
