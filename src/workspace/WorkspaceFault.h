#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the workspace layer, raised with their facts; messages/WorkspaceMessages.cpp words
// them. Each entry names the facts it carries.
enum class WorkspaceFault : std::uint16_t {
    KeyMapRefused, // slot, problem (a SlotFault of a key range) and its facts
};

constexpr FaultDomain faultDomain(WorkspaceFault) {
    return FaultDomain::Workspace;
}

} // namespace wtb
