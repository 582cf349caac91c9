#include "export/SketchWriter.h"

#include "common/AtomicFile.h"
#include "export/SketchText.h"

namespace wtb {

void writeSketch(const SlotBank& bank, const QString& path) {
    writeFileAtomically(path, buildSketchText(bank));
}

} // namespace wtb
