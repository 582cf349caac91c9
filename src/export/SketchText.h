#pragma once

#include "slots/SlotBank.h"

#include <string>

namespace wtb {

// The complete text of the sketch file for all sixteen slots: the sample table `wave_store`,
// the start table `wave_start` and the two accessors, every line ending in CR LF.
//
// Each slot contributes end index + 1 samples (first and last written as 0, the others as
// byte - 128). A total sample count beyond 32 bits is an overflow error, checked before any
// slot; a slot whose end index is below -1 or past its last sample, or whose sound is empty,
// is a bounds error naming the slot and the numbers.
std::string buildSketchText(const SlotBank& bank);

// A slot name as it may stand in a "//" comment line: control characters (CR, LF, TAB, ...)
// become spaces and a backslash at the end, also one before trailing spaces, is dropped, so
// the comment can neither end early nor swallow the next line.
std::string commentSafeName(const std::string& name);

} // namespace wtb
