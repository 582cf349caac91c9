#pragma once

namespace wtb {

// Gives the calling thread a lower share of the processor than the window's (nice 10), once
// per thread. Work threads call it before heavy work: on a machine with few cores they would
// otherwise take the core the window's thread needs to answer; when it is idle they still run
// at full speed.
void yieldProcessorToTheWindow();

} // namespace wtb
