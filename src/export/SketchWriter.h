#pragma once

#include "slots/SlotBank.h"

#include <QString>

namespace wtb {

// Builds the sketch text from every slot and writes it to `path` in one atomic step. Any error
// raised while building leaves the file at `path` as it was; a write failure names the path
// and the reason.
void writeSketch(const SlotBank& bank, const QString& path);

} // namespace wtb
