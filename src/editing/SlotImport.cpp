#include "editing/SlotImport.h"

#include "common/CheckedInt.h"

#include <QFileInfo>

#include <utility>

namespace wtb {

std::string slotNameFromFileTitle(const QString& title) {
    QString cleaned = title;
    for (QChar& c : cleaned) {
        switch (c.category()) {
        case QChar::Other_Control:       // TAB, CR, LF, DEL and the C1 controls
        case QChar::Separator_Line:      // U+2028, a line end to some readers
        case QChar::Separator_Paragraph: // U+2029
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
    }
    return cleaned.toUtf8().toStdString();
}

void importIntoSlot(SlotBank& bank, std::int16_t slot, const QString& path,
                    const DecodeOptions& options) {
    // Every fallible step comes before the slot is touched: a stray slot number, a missing
    // device, an unreadable file.
    checkSlotNumber(slot);
    if (!bank.SoundDevice) {
        raise(ErrorKind::Sound, "Cannot import \"" + QFileInfo(path).fileName().toStdString() +
                                    "\" into slot " + std::to_string(slot) +
                                    ": the sound device is not open.");
    }
    std::unique_ptr<SoundBuffer> sound = bank.SoundDevice->CreateSoundBufferFromFile(path, options);
    if (sound->bytes().empty()) {
        raise(ErrorKind::Sound, "Cannot import \"" + QFileInfo(path).fileName().toStdString() +
                                    "\" into slot " + std::to_string(slot) +
                                    ": the file holds no samples.");
    }
    const std::int32_t newEnd = checkedSub(sound->description().bufferBytes, std::int32_t{1});
    setSlot(bank, slot, std::move(sound), newEnd,
            slotNameFromFileTitle(QFileInfo(path).fileName()));
}

} // namespace wtb
