#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the editing layer, raised with their facts; messages/EditingMessages.cpp words
// them. Each entry names the facts it carries.
enum class EditFault : std::uint16_t {};

constexpr FaultDomain faultDomain(EditFault) {
    return FaultDomain::Editing;
}

} // namespace wtb
