#include "messages/DomainMessages.h"

namespace wtb {

std::string slotMessage(SlotFault fault, const Facts& facts, const std::string& /*cause*/) {
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
    }
    raiseUnwordedFault(faultCode(fault));
}

} // namespace wtb
