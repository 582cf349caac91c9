#include "editing/SlotImport.h"

#include "common/SystemPath.h"
#include "editing/EditFault.h"
#include "editing/SlotLoop.h"
#include "slots/AiffSustainLoop.h"
#include "slots/SlotName.h"

#include <QFileInfo>

#include <algorithm>

namespace wtb {

namespace {

std::string kindOf(FileLoopMode mode) {
    switch (mode) {
    case FileLoopMode::Forward:
        return "a forward";
    case FileLoopMode::Backward:
        return "a backward";
    case FileLoopMode::Alternating:
        return "a ping-pong";
    case FileLoopMode::Other:
        break;
    }
    return "an unknown kind of";
}

// A loop's last frame may be one past the file's last: writers that store the end as one past
// the loop's last frame are common, and the clamp into the samples undoes it.
bool liesWithin(const FileLoop& loop, std::int64_t frames) {
    return loop.start >= 0 && loop.start <= loop.end && loop.start < frames && loop.end <= frames;
}

// Why a forward loop of the file did not come into the slot, for the note.
std::string whyNotCarried(const FileLoop& loop, bool within, const Sound8& sound) {
    if (loop.start == kMissingMarker && loop.end == kMissingMarker) {
        return "names a marker the file does not hold";
    }
    if (loop.end == loop.start - 1) {
        return "holds no frame: it ends where it starts (an AIFF's begin and end markers at the "
               "same frame)";
    }
    if (loop.end < loop.start) {
        return "ends before it starts";
    }
    if (!within) {
        return "does not lie within its " + std::to_string(sound.fileFrames) + " frames";
    }
    return "is lost at " + std::to_string(sound.sampleRate) +
           " Hz: converted to that rate, it would hold less than one sample or begin after the "
           "sound's last sample";
}

// The loop the slot takes from its file, and what the user is told about it.
std::optional<Loop> loopFromFile(const Sound8& sound, const Slot& slot, const std::string& file,
                                 ImportNotes& notes) {
    if (sound.loops.empty()) {
        return std::nullopt;
    }
    const auto forward = std::find_if(sound.loops.begin(), sound.loops.end(), [](const auto& loop) {
        return loop.mode == FileLoopMode::Forward;
    });
    const std::string quoted = "\"" + file + "\"";
    if (forward == sound.loops.end()) {
        notes.push_back(quoted + " has " + kindOf(sound.loops.front().mode) +
                        " loop, which a slot cannot play: only forward loops are taken, so it "
                        "came in without a loop.");
        return std::nullopt;
    }
    const std::string frames =
        "frames " + std::to_string(forward->start) + " to " + std::to_string(forward->end);
    const bool within = liesWithin(*forward, sound.fileFrames);
    std::optional<SettledLoop> carried;
    if (within) {
        carried =
            carryLoop(slot.samples.bytes(), slot.endIndex,
                      loopAtRate({forward->start, forward->end}, sound.fileRate, sound.sampleRate));
    }
    if (!carried) {
        const bool placed = forward->start != kMissingMarker;
        notes.push_back("The loop of " + quoted + (placed ? " (" + frames + ") " : " ") +
                        whyNotCarried(*forward, within, sound) + ", so it came in without a loop.");
        return std::nullopt;
    }
    if (sound.declaredLoops > 1) {
        notes.push_back(quoted + " has " + std::to_string(sound.declaredLoops) +
                        " loops; its slot takes the first forward one (" + frames + ").");
    }
    if (carried->jump > kSeamlessJump) {
        notes.push_back("The loop of " + quoted + " jumps " + std::to_string(carried->jump) +
                        " levels at its seam; setting the loop again looks further for a "
                        "seamless join.");
    }
    return carried->loop;
}

} // namespace

Slot slotFromFile(const QString& path, const DecodeOptions& options, ImportNotes* notes) {
    Sound8 sound = decodeSoundFile(path, options);
    const QString fileName = QFileInfo(path).fileName();
    if (sound.bytes.empty()) {
        raise(ErrorKind::Sound, EditFault::SoundFileEmpty, {{"file", systemPathText(fileName)}});
    }
    Slot slot;
    slot.samples = Samples(std::move(sound.bytes));
    slot.sampleRate = sound.sampleRate;
    slot.endIndex = slot.lastIndex();
    // A name in another encoding than the locale's is shown as the locale reads it.
    slot.name = slotNameFromFileTitle(QString::fromLocal8Bit(systemPath(fileName)));
    ImportNotes said;
    slot.loop = loopFromFile(sound, slot, slot.name, said);
    if (notes) {
        notes->insert(notes->end(), said.begin(), said.end());
    }
    return slot;
}

} // namespace wtb
