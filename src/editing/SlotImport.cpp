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

// A loop's last frame may be one past the file's last: writers that store the end as one past
// the loop's last frame are common, and the clamp into the samples undoes it.
bool liesWithin(const FileLoop& loop, std::int64_t frames) {
    return loop.start >= 0 && loop.start <= loop.end && loop.start < frames && loop.end <= frames;
}

// Why a forward loop of the file did not come into the slot, for the note.
ImportNoteKind whyNotCarried(const FileLoop& loop, bool within) {
    if (loop.start == kMissingMarker && loop.end == kMissingMarker) {
        return ImportNoteKind::LoopNamesNoMarker;
    }
    if (loop.end == loop.start - 1) {
        return ImportNoteKind::LoopHoldsNoFrame; // an AIFF's begin and end markers at one frame
    }
    if (loop.end < loop.start) {
        return ImportNoteKind::LoopEndsBeforeStart;
    }
    if (!within) {
        return ImportNoteKind::LoopOutsideFrames;
    }
    return ImportNoteKind::LoopLostAtRate;
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
    const auto note = [&](ImportNoteKind kind, Facts facts) {
        facts.add("file", file);
        notes.push_back({kind, std::move(facts)});
    };
    if (forward == sound.loops.end()) {
        note(ImportNoteKind::LoopNotForward,
             {{"mode", static_cast<std::int64_t>(sound.loops.front().mode)}});
        return std::nullopt;
    }
    const Facts frames{{"start", forward->start}, {"end", forward->end}};
    const bool within = liesWithin(*forward, sound.fileFrames);
    std::optional<SettledLoop> carried;
    if (within) {
        carried =
            carryLoop(slot.samples.bytes(), slot.endIndex,
                      loopAtRate({forward->start, forward->end}, sound.fileRate, sound.sampleRate));
    }
    if (!carried) {
        const ImportNoteKind why = whyNotCarried(*forward, within);
        Facts facts = forward->start != kMissingMarker ? frames : Facts(); // placed or not
        if (why == ImportNoteKind::LoopOutsideFrames) {
            facts.add("frames", sound.fileFrames);
        } else if (why == ImportNoteKind::LoopLostAtRate) {
            facts.add("rate", sound.sampleRate);
        }
        note(why, std::move(facts));
        return std::nullopt;
    }
    if (sound.declaredLoops > 1) {
        Facts facts = frames;
        facts.add("loops", sound.declaredLoops);
        note(ImportNoteKind::SeveralLoops, std::move(facts));
    }
    if (carried->jump > kSeamlessJump) {
        note(ImportNoteKind::SeamJumps, {{"jump", carried->jump}});
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
