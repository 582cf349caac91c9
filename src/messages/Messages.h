#pragma once

#include "common/RuntimeError.h"

#include <string>

namespace wtb {

// The sentence of a fault, made from its code and facts (and its cause's sentence): the one
// wording the window and the shell share, so a fault reads the same in both.
std::string faultMessage(const RuntimeError& error);

// Makes faultMessage the wording of every fault raised from now on; each face calls it once at
// its start, before any work.
void installMessages();

} // namespace wtb
