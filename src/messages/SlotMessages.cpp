#include "messages/DomainMessages.h"
#include "messages/Messages.h"

#include <array>
#include <charconv>

namespace wtb {

namespace {

std::string quotedFact(const Facts& facts, std::string_view name) {
    return "\"" + facts.text(name) + "\"";
}

std::string framesAt(const Facts& facts) {
    const std::int64_t frames = facts.number("frames");
    return std::to_string(frames) + (frames == 1 ? " frame" : " frames") + " at " +
           plainNumber(facts, "fileRate") + " Hz";
}

// A real number in its shortest exact digits, as "0.5".
std::string shortestReal(double value) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

std::string slotChangeMessage(SlotFault fault, const Facts& facts) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    const auto which = [&] { return "Slot " + number("slot"); };
    switch (fault) {
    case SlotFault::SlotLeftEmpty:
        return which() +
               " would be left without samples, and a slot without samples can be neither "
               "saved nor exported. Nothing was changed.";
    case SlotFault::SlotRateUnplayable:
        return which() + " would be left at a rate of " + number("rate") +
               " Hz, which no sound plays at. Nothing was changed.";
    case SlotFault::TableTooLarge:
        return which() + " would put " + number("samples") +
               " samples in the table; with the other slots' " + number("others") +
               " that passes the " + number("most") + " a wavetable can count. At most " +
               number("fitting") + " fit in slot " + number("slot") + ". Nothing was changed.";
    case SlotFault::FieldsUnusable:
        return which() + " cannot be exported: its " +
               slotProblemText(static_cast<SlotFault>(facts.number("problem")), facts) + ". " +
               unusableFieldsRemedy(static_cast<UnusableFields::Field>(facts.number("fieldKind")));
    default:
        raiseUnwordedFault(faultCode(fault));
    }
}

std::string soundFileMessage(SlotFault fault, const Facts& facts) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    const auto cannotLoad = [&] {
        return "Cannot load the sound file " + quotedFact(facts, "file") + ": ";
    };
    const auto file = [&] { return "The sound file " + quotedFact(facts, "file"); };
    switch (fault) {
    case SlotFault::SoundUnreadable:
        return cannotLoad() + facts.text("reason");
    case SlotFault::SoundNotRereadable:
        return cannotLoad() + "the file cannot be read a second time to normalise it.";
    case SlotFault::HeaderTimedOut:
        return cannotLoad() + "its header is damaged: reading it did not finish within " +
               number("seconds") + " seconds.";
    case SlotFault::HeaderCrashedReader:
        return cannotLoad() + "its header is damaged: reading it crashed the sound file reader.";
    case SlotFault::AiffRateUnplayable:
        return cannotLoad() + "it declares a sample rate of " + shortestReal(facts.real("rate")) +
               " Hz, at which no sound plays.";
    case SlotFault::NoChannelsOrRate:
        return cannotLoad() + "the file declares no channels or no sample rate.";
    case SlotFault::SoundKeepsNoSample:
        return file() + " holds " + framesAt(facts) + ": at " + number("rate") +
               " Hz that is no sample at all; " +
               (facts.has("lowest") ? "at " + number("lowest") + " Hz or more one is kept."
                                    : std::string("import it at its own rate."));
    case SlotFault::SoundTooLongForSlots:
        return file() + " holds " + framesAt(facts) +
               (facts.number("rate") == facts.number("fileRate")
                    ? std::string()
                    : ", " + number("samples") + " samples at " + number("rate") + " Hz") +
               ": more than the " + number("most") +
               " that fit beside the other slots (a wavetable counts at most " + number("limit") +
               " samples). Import a shorter part of it, or at a lower rate.";
    case SlotFault::ReadingNeedsMemory:
        return "Reading the sound file \"" + facts.text("file") + "\" as " + number("samples") +
               " samples" + memoryNeedText(facts);
    case SlotFault::HeaderCheckNotStarted:
        return "Cannot check the sound file " + quotedFact(facts, "file") +
               ": the check could not be started: " + facts.text("reason") + ".";
    case SlotFault::EncodeRefused:
        return "Cannot encode a sound of " + number("rate") + " Hz as WAV: " + facts.text("reason");
    case SlotFault::EncodeFailed:
        return "Cannot encode a sound as WAV: " + facts.text("reason");
    default:
        return slotChangeMessage(fault, facts);
    }
}

} // namespace

std::string slotMessage(SlotFault fault, const Facts& facts, const std::string& cause) {
    const auto number = [&](std::string_view name) { return plainNumber(facts, name); };
    switch (fault) {
    case SlotFault::SoundTooLong:
        return "A sound of " + number("samples") + " samples is longer than a slot can hold.";
    case SlotFault::SampleIndexOutside:
        return "Sample index " + number("index") + " is outside 0.." + number("last") + ".";
    case SlotFault::TargetRateOutside:
        return "The target rate " + number("rate") + " Hz is outside " + number("lowest") + ".." +
               number("highest") + " Hz.";
    case SlotFault::ConversionRefused:
        return "Cannot convert a sound from " + number("from") + " Hz to " + number("to") +
               " Hz: " + facts.text("reason") + ".";
    case SlotFault::SourceRateUnusable:
        return "Cannot convert a sound whose rate is " + number("from") + " Hz.";
    case SlotFault::ConversionFailed:
        return "Cannot convert a sound's rate: " + facts.text("reason") + ".";
    case SlotFault::SlotNumberOutside:
        return "Slot number " + number("slot") + " is outside the slots " + number("first") + ".." +
               number("last") + ".";
    default:
        return folderMessage(fault, facts, cause, &soundFileMessage);
    }
}

} // namespace wtb
