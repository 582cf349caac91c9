#include "editing/SlotImport.h"

#include "slots/SlotName.h"

#include <QFileInfo>

namespace wtb {

Slot slotFromFile(const QString& path, const DecodeOptions& options) {
    Sound8 sound = decodeSoundFile(path, options);
    const QString fileName = QFileInfo(path).fileName();
    if (sound.bytes.empty()) {
        raise(ErrorKind::Sound,
              "The sound file \"" + fileName.toStdString() + "\" holds no samples.");
    }
    Slot slot;
    slot.samples = Samples(std::move(sound.bytes));
    slot.sampleRate = sound.sampleRate;
    slot.endIndex = slot.lastIndex();
    slot.name = slotNameFromFileTitle(fileName);
    return slot;
}

} // namespace wtb
