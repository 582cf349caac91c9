#include "messages/ImportNoteText.h"

#include "messages/DomainMessages.h"
#include "slots/SoundFile.h"

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

// Why a forward loop of the file did not come into the slot.
std::string whyNotCarried(ImportNoteKind kind, const Facts& facts) {
    switch (kind) {
    case ImportNoteKind::LoopNamesNoMarker:
        return "names a marker the file does not hold";
    case ImportNoteKind::LoopHoldsNoFrame:
        return "holds no frame: it ends where it starts (an AIFF's begin and end markers at the "
               "same frame)";
    case ImportNoteKind::LoopEndsBeforeStart:
        return "ends before it starts";
    case ImportNoteKind::LoopOutsideFrames:
        return "does not lie within its " + plainNumber(facts, "frames") + " frames";
    case ImportNoteKind::LoopLostAtRate:
        return "is lost at " + plainNumber(facts, "rate") +
               " Hz: converted to that rate, it would hold less than one sample or begin after the "
               "sound's last sample";
    default:
        raise(ErrorKind::Internal,
              "An import note (" + std::to_string(static_cast<int>(kind)) + ") has no message.");
    }
}

} // namespace

std::string importNoteText(const ImportNote& note) {
    const Facts& facts = note.facts;
    const std::string quoted = "\"" + facts.text("file") + "\"";
    const auto frames = [&] {
        return "frames " + plainNumber(facts, "start") + " to " + plainNumber(facts, "end");
    };
    switch (note.kind) {
    case ImportNoteKind::LoopNotForward:
        return quoted + " has " + kindOf(static_cast<FileLoopMode>(facts.number("mode"))) +
               " loop, which a slot cannot play: only forward loops are taken, so it came in "
               "without a loop.";
    case ImportNoteKind::SeveralLoops:
        return quoted + " has " + plainNumber(facts, "loops") +
               " loops; its slot takes the first forward one (" + frames() + ").";
    case ImportNoteKind::SeamJumps:
        return "The loop of " + quoted + " jumps " + plainNumber(facts, "jump") +
               " levels at its seam; setting the loop again looks further for a seamless join.";
    default:
        return "The loop of " + quoted + (facts.has("start") ? " (" + frames() + ") " : " ") +
               whyNotCarried(note.kind, facts) + ", so it came in without a loop.";
    }
}

} // namespace wtb
