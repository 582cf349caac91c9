#pragma once

#include <cstdint>
#include <string>

namespace wtb {

// The bytes the program can still allocate without the system killing it: the memory the
// machine has available, less when the process runs in a control group with a memory limit or
// under an address-space limit (ulimit -v), either less what it already uses.
std::uint64_t memoryRoom();

// Raises a bounds error before a result of `bytes` is allocated that could not be held: `what`
// names it for the user ("Resampling slot 3's 30000 samples to 96000 Hz").
void requireMemoryFor(std::uint64_t bytes, const std::string& what);

} // namespace wtb
