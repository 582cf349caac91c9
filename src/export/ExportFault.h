#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The faults of the export layer, raised with their facts; messages/ExportMessages.cpp words
// them. Each entry names the facts it carries.
enum class ExportFault : std::uint16_t {};

constexpr FaultDomain faultDomain(ExportFault) {
    return FaultDomain::Export;
}

} // namespace wtb
