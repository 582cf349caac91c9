#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the editing layer, raised with their facts; messages/EditingMessages.cpp words
// them. Each entry names the facts it carries.
enum class EditFault : std::uint16_t {
    LoopWithoutKeptSamples, // (none)
    ResultTooLong,          // samples, fromRate, length, toRate, limit, fitting
    ResampleNeedsMemory,    // samples, fromRate, length, toRate, bytes, room
    RateKeepsNoSample,      // samples, fromRate, rate; lowest when a rate keeps one, else highest
    PitchSoundTooShort,     // needed
    PitchSilent,            // at
    NoSteadyPitch,          // at
    PitchTooHighForCells,   // pitch (real), cells, rate, limit; fitting, or shortest and longest
    PitchTooLowForCells,    // pitch (real), cells, rate, limit; fitting, or shortest and longest
    CycleLengthNotAllowed,  // length, shortest, longest
    NoSamplesForCycle,      // (none)
    CycleIndexOutside,      // index, last
    RateTooLowForPitch,     // rate, pitch (real), lowest
    NoSeamlessCycle,        // at
    SoundFileEmpty,         // file
    LastIndexOutside,       // value, low, high
    IndexOutside,           // value, low, high
    RemovalOutside,         // value, low, high
    ThresholdOutside,       // value, low, high
    NothingToCut,           // (none)
};

constexpr FaultDomain faultDomain(EditFault) {
    return FaultDomain::Editing;
}

} // namespace wtb
