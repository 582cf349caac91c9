#include "editing/SlotImport.h"

#include "editing/SlotLoop.h"
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
    }
    return "an unknown";
}

// A loop's last frame may be one past the file's last: writers that store the end as one past
// the loop's last frame are common, and the clamp into the samples undoes it.
bool liesWithin(const FileLoop& loop, std::int64_t frames) {
    return loop.start >= 0 && loop.start <= loop.end && loop.start < frames && loop.end <= frames;
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
    std::optional<SettledLoop> carried;
    if (liesWithin(*forward, sound.fileFrames)) {
        carried =
            carryLoop(slot.samples.bytes(), slot.endIndex,
                      loopAtRate({forward->start, forward->end}, sound.fileRate, sound.sampleRate));
    }
    if (!carried) {
        notes.push_back("The loop of " + quoted + " (" + frames + ") does not lie within its " +
                        std::to_string(sound.fileFrames) +
                        " frames, so it came in without a loop.");
        return std::nullopt;
    }
    if (sound.loops.size() > 1) {
        notes.push_back(quoted + " has " + std::to_string(sound.loops.size()) +
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
        raise(ErrorKind::Sound,
              "The sound file \"" + fileName.toStdString() + "\" holds no samples.");
    }
    Slot slot;
    slot.samples = Samples(std::move(sound.bytes));
    slot.sampleRate = sound.sampleRate;
    slot.endIndex = slot.lastIndex();
    slot.name = slotNameFromFileTitle(fileName);
    ImportNotes said;
    slot.loop = loopFromFile(sound, slot, slot.name, said);
    if (notes) {
        notes->insert(notes->end(), said.begin(), said.end());
    }
    return slot;
}

} // namespace wtb
