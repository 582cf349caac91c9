#pragma once

#include "common/RuntimeError.h"

#include <cstdint>

namespace wtb {

// The bytes the program can still allocate without the system killing it: the memory the
// machine has available, less when the process runs in a control group with a memory limit or
// under an address-space limit (ulimit -v), either less what it already uses.
std::uint64_t memoryRoom();

// Raises `fault` as a bounds error before a result of `bytes` is allocated that could not be
// held: its facts are `facts` (what the result is), "bytes" and "room" (what can be had).
template <class Fault, IfLayerFault<Fault> = 0>
void requireMemoryFor(std::uint64_t bytes, Fault fault, Facts facts) {
    const std::uint64_t room = memoryRoom();
    if (bytes > room) {
        // Both fit: no machine has 2^63 bytes.
        facts.add("bytes", static_cast<std::int64_t>(bytes));
        facts.add("room", static_cast<std::int64_t>(room));
        raise(ErrorKind::Bounds, fault, std::move(facts));
    }
}

} // namespace wtb
