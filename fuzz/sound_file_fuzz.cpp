// A sound file as the start or an import loads it: libsndfile's reader plus the conversion to
// 8-bit mono, and the loop chunks (a WAV's smpl, an AIFF's INST and MARK). Any bytes either
// load or raise the program's error; what loaded saves to a WAV file that loads back to the
// same bytes and rate. An import takes a loop only within the samples it keeps, and a loop the
// file declares never goes without a note.

#include "common/RuntimeError.h"
#include "messages/Messages.h"
#include "editing/SlotImport.h"
#include "slots/SoundFile.h"
#include "slots/SoundHeaderProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString scratchPath(const char* name) {
    const QString folder = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                               ? QStringLiteral("/dev/shm")
                               : QDir::tempPath();
    return folder + QStringLiteral("/wtb-fuzz-%1-%2").arg(::getpid()).arg(name);
}

void writeFile(const QString& path, const char* data, std::size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        std::abort(); // the fuzzer's own scratch file, not a finding
    }
}

} // namespace

// Removes the scratch files after each input, so no run leaves them behind.
struct ScratchFiles {
    QString input = scratchPath("input");
    QString saved = scratchPath("saved.wav");
    ~ScratchFiles() {
        QFile::remove(input);
        QFile::remove(saved);
    }
};

// The sound file reader's header check starts this program again as a probe (see
// SoundHeaderProbe.h); it must answer before libFuzzer reads its arguments.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    wtb::installMessages();
    wtb::answerHeaderProbeIfAsked(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ScratchFiles scratch;
    const QString& input = scratch.input;
    const QString& saved = scratch.saved;
    writeFile(input, reinterpret_cast<const char*>(data), size);
    wtb::Sound8 sound;
    try {
        sound = wtb::decodeSoundFile(input);
    } catch (const wtb::RuntimeError&) {
        return 0;
    }
    if (sound.sampleRate < 1) {
        std::abort();
    }
    std::string wav;
    try {
        wav = wtb::encodeWav8(sound.bytes, sound.sampleRate);
    } catch (const wtb::RuntimeError&) {
        return 0; // a rate no WAV file can carry
    }
    writeFile(saved, wav.data(), wav.size());
    const wtb::Sound8 again = wtb::decodeSoundFile(saved);
    if (again.bytes != sound.bytes || again.sampleRate != sound.sampleRate) {
        std::abort(); // a slot would change at the next start
    }
    if (sound.declaredLoops < static_cast<std::int64_t>(sound.loops.size())) {
        std::abort(); // fewer loops said than read
    }
    if (sound.bytes.empty()) {
        return 0; // a slot file may be empty; an import refuses it
    }
    wtb::ImportNotes notes;
    wtb::Slot slot;
    try {
        slot = wtb::slotFromFile(input, {}, &notes);
    } catch (const wtb::RuntimeError&) {
        std::abort(); // the same file decoded a moment ago
    }
    if (slot.loop && !slot.holdsLoop(*slot.loop)) {
        std::abort(); // a loop outside the kept samples
    }
    if (!sound.loops.empty() && !slot.loop && notes.empty()) {
        std::abort(); // the file's loop vanished without a word
    }
    return 0;
}
