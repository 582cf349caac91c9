#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the slots layer, raised with their facts; messages/SlotMessages.cpp words
// them. Each entry names the facts it carries.
enum class SlotFault : std::uint16_t {
    SoundTooLong,       // samples
    SampleIndexOutside, // index, last
    TargetRateOutside,  // rate, lowest, highest
    ConversionRefused,  // from, to, reason
    SourceRateUnusable, // from
    ConversionFailed,   // reason
};

constexpr FaultDomain faultDomain(SlotFault) {
    return FaultDomain::Slots;
}

} // namespace wtb
