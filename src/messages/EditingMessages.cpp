#include "messages/DomainMessages.h"

#include <array>
#include <charconv>

namespace wtb {

namespace {

// A pitch to the hundredth of a hertz: "261.63 Hz".
std::string hertz(double frequency) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), frequency,
                                      std::chars_format::fixed, 2);
    return std::string(text.data(), result.ptr) + " Hz";
}

std::string samplesAt(const Facts& facts) {
    const std::int64_t size = facts.number("samples");
    return std::to_string(size) + (size == 1 ? " sample" : " samples") + " at " +
           plainNumber(facts, "fromRate") + " Hz";
}

// "32, 64, 128, 256, 512, 1024 or 2048": the powers of two from the shortest to the longest.
std::string cycleLengths(const Facts& facts) {
    const std::int64_t longest = facts.number("longest");
    std::string lengths = plainNumber(facts, "shortest");
    for (std::int64_t cells = 2 * facts.number("shortest"); cells < longest; cells *= 2) {
        lengths += ", " + std::to_string(cells);
    }
    return lengths + " or " + std::to_string(longest);
}

std::string pitchForCells(bool tooHigh, const Facts& facts) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    const std::string playsAt = "A pitch of " + hertz(facts.real("pitch")) + " in " +
                                number("cells") + " cells plays at " + number("rate") + " Hz, " +
                                (tooHigh ? "above the highest" : "below the lowest") + " rate, " +
                                number("limit") + " Hz";
    if (!facts.has("fitting")) {
        return playsAt + "; no table length from " + number("shortest") + " to " +
               number("longest") + " cells plays it.";
    }
    return playsAt + "; use " + number("fitting") + " cells or " + (tooHigh ? "fewer." : "more.");
}

std::string outside(const char* what, const Facts& facts) {
    return std::string(what) + " " + plainNumber(facts, "value") + " is outside " +
           plainNumber(facts, "low") + ".." + plainNumber(facts, "high") + ".";
}

std::string cycleMessage(EditFault fault, const Facts& facts) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case EditFault::PitchSoundTooShort:
        return "The sound is too short to measure a pitch: at least " + number("needed") +
               " kept samples are needed.";
    case EditFault::PitchSilent:
        return "The sound is silent around index " + number("at") + ": there is no pitch to find.";
    case EditFault::NoSteadyPitch:
        return "No steady pitch around index " + number("at") +
               ": the sound does not repeat itself there (noise, a chord or a glide). Try another "
               "index.";
    case EditFault::PitchTooHighForCells:
        return pitchForCells(true, facts);
    case EditFault::PitchTooLowForCells:
        return pitchForCells(false, facts);
    case EditFault::CycleLengthNotAllowed:
        return "A single cycle is " + cycleLengths(facts) + " cells long, not " + number("length") +
               ".";
    case EditFault::NoSamplesForCycle:
        return "The slot keeps no samples to take a cycle from.";
    case EditFault::CycleIndexOutside:
        return "Index " + number("index") + " is outside the kept samples, 0.." + number("last") +
               ".";
    case EditFault::RateTooLowForPitch:
        return "The slot's rate, " + number("rate") +
               " Hz, is too low to hold a pitch: pitches from " + hertz(facts.real("pitch")) +
               " up need a rate of at least " + number("lowest") + " Hz.";
    case EditFault::NoSeamlessCycle:
        return "No cycle around index " + number("at") +
               " joins itself without a click: the waveform changes too much from one period to "
               "the next there. Try another index.";
    default:
        raiseUnwordedFault(faultCode(fault));
    }
}

} // namespace

std::string editingMessage(EditFault fault, const Facts& facts, const std::string& /*cause*/) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case EditFault::LoopWithoutKeptSamples:
        return "A loop needs samples the sketch keeps; this sound keeps none.";
    case EditFault::ResultTooLong:
        return "its " + samplesAt(facts) + " would become " + number("length") + " samples at " +
               number("toRate") + " Hz, more than the " + number("limit") + " a slot holds; " +
               number("fitting") + " Hz or less would fit.";
    case EditFault::ResampleNeedsMemory:
        return "converting its " + samplesAt(facts) + " to " + number("length") + " samples at " +
               number("toRate") + " Hz" + memoryNeedText(facts);
    case EditFault::RateKeepsNoSample:
        return "its " + samplesAt(facts) + " are no sample at all at " + number("rate") + " Hz; " +
               (facts.has("lowest") ? number("lowest") + " Hz or more keeps one."
                                    : "no rate up to " + number("highest") +
                                          " Hz keeps one, so it can only stay at its own rate.");
    case EditFault::SoundFileEmpty:
        return "The sound file \"" + facts.text("file") + "\" holds no samples.";
    case EditFault::LastIndexOutside:
        return outside("The last index", facts);
    case EditFault::IndexOutside:
        return outside("The index", facts);
    case EditFault::RemovalOutside:
        return outside("The number of samples to remove", facts);
    case EditFault::ThresholdOutside:
        return outside("The silence threshold", facts);
    case EditFault::NothingToCut:
        return "There are no samples to cut.";
    default:
        return cycleMessage(fault, facts);
    }
}

} // namespace wtb
