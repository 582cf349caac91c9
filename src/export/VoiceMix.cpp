#include "export/VoiceMix.h"

#include "common/RuntimeError.h"
#include "export/ExportFault.h"
#include "export/MixBudget.h"
#include "export/MixSteps.h"
#include "export/PlayerSketch.h"

#include <algorithm>
#include <string>

namespace wtb {

namespace {

void checkMidiNumber(std::int32_t value, const char* what) {
    if (value < 0 || value > 127) {
        raise(ErrorKind::Bounds, ExportFault::MidiNumberOutside,
              {{"what", what}, {"value", value}});
    }
}

// Whether `a` started before `b`, counting note stamps that wrap at 16 bits as the board does.
bool startedBefore(std::uint16_t a, std::uint16_t b) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(a - b)) < 0;
}

} // namespace

VoiceMix::VoiceMix(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                   Board board)
    : mixRate_(playerMixRate(bank, format, options, board)),
      voices_(static_cast<std::size_t>(std::clamp(options.voices, 1, kMostVoices))) {
    if (mixRate_ < kLowestMixRate || mixRate_ > kPlayerHighestRate) {
        raise(ErrorKind::Bounds, ExportFault::VoiceMixRateOutside,
              {{"lowest", kLowestMixRate}, {"highest", kPlayerHighestRate}, {"rate", mixRate_}});
    }
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        const auto k = static_cast<std::size_t>(number - kFirstSlot);
        if (slot.endIndex < 0 || slot.sampleRate <= 0 || slot.sampleCount() == 0) {
            continue;
        }
        sounds_[k] = loopedOutput(slot, number, format);
        const KeyRange keys = slotKeys(slot, number);
        rootSteps_[k] = rootStep(slot.sampleRate, mixRate_, keys.fineCents);
        roots_[k] = keys.root;
    }
    for (std::int32_t note = 0; note < 128; ++note) {
        slotOfNote_[static_cast<std::size_t>(note)] = slotForNote(bank, note).value_or(0);
    }
}

const std::vector<std::uint8_t>& VoiceMix::partOf(const Voice& voice) const {
    const LoopedOutput& sound = sounds_[static_cast<std::size_t>(voice.slot - kFirstSlot)];
    return voice.part == 0 ? sound.attack : voice.part == 1 ? sound.loop : sound.tail;
}

// Moves a voice whose index has run off its part on to what follows: the loop again while it
// is held, else the next part; past the tail it stops.
void VoiceMix::settle(Voice& voice) const {
    while (voice.active && voice.index >= static_cast<std::int32_t>(partOf(voice).size())) {
        voice.index = 0;
        if (voice.part == 1 && voice.held && !partOf(voice).empty()) {
            continue;
        }
        if (++voice.part > 2) {
            voice.active = false;
        }
    }
}

void VoiceMix::advance(Voice& voice) const {
    const std::uint32_t sum = voice.fraction + (voice.step & 0xFFFFu);
    const std::uint32_t samples = (voice.step >> 16) + (sum >> 16);
    voice.fraction = sum & 0xFFFFu;
    for (std::uint32_t k = 0; k < samples && voice.active; ++k) {
        ++voice.index;
        settle(voice);
    }
}

VoiceMix::Voice& VoiceMix::voiceForNewNote() {
    Voice* oldest = nullptr;
    Voice* oldestReleased = nullptr;
    for (Voice& voice : voices_) {
        if (!voice.active) {
            return voice;
        }
        if (oldest == nullptr || startedBefore(voice.stamp, oldest->stamp)) {
            oldest = &voice;
        }
        if (!voice.held &&
            (oldestReleased == nullptr || startedBefore(voice.stamp, oldestReleased->stamp))) {
            oldestReleased = &voice;
        }
    }
    return oldestReleased != nullptr ? *oldestReleased : *oldest;
}

void VoiceMix::noteOn(std::int32_t note, std::int32_t velocity) {
    checkMidiNumber(note, "note");
    checkMidiNumber(velocity, "velocity");
    if (velocity == 0) {
        noteOff(note);
        return;
    }
    const std::int16_t slot = slotOfNote_[static_cast<std::size_t>(note)];
    if (slot == 0) {
        return;
    }
    const auto k = static_cast<std::size_t>(slot - kFirstSlot);
    if (const std::optional<std::uint32_t> step = noteStep(rootSteps_[k], note - roots_[k])) {
        start(slot, note, *step, velocity);
    }
}

void VoiceMix::playSlot(std::int16_t slot) {
    checkSlotNumber(slot);
    const auto k = static_cast<std::size_t>(slot - kFirstSlot);
    if (rootSteps_[k] == 0) {
        return;
    }
    if (const std::optional<std::uint32_t> step = noteStep(rootSteps_[k], 0)) {
        start(slot, roots_[k], *step, 127);
    }
}

void VoiceMix::start(std::int16_t slot, std::int32_t note, std::uint32_t step,
                     std::int32_t velocity) {
    Voice& voice = voiceForNewNote();
    voice = Voice{true, true, note, slot, 0, 0, 0, step, velocityGain(velocity), stamps_++};
    settle(voice);
}

void VoiceMix::noteOff(std::int32_t note) {
    checkMidiNumber(note, "note");
    for (Voice& voice : voices_) {
        if (voice.note == note) {
            voice.held = false;
        }
    }
}

void VoiceMix::allNotesOff() {
    for (Voice& voice : voices_) {
        voice.held = false;
    }
}

std::int32_t VoiceMix::sounding() const {
    return static_cast<std::int32_t>(
        std::count_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.active; }));
}

std::uint8_t VoiceMix::next() {
    std::int32_t sum = 0;
    for (Voice& voice : voices_) {
        if (!voice.active) {
            continue;
        }
        const std::int32_t sample = partOf(voice)[static_cast<std::size_t>(voice.index)] - 128;
        sum += scaledSample(sample, voice.gain);
        advance(voice);
    }
    return static_cast<std::uint8_t>(std::clamp(sum, -128, 127) + 128);
}

} // namespace wtb
