#pragma once

#include "ArduinoBoard.h"
#include "PlayerHarness.h"

#include "export/Boards.h"
#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"
#include "slots/Slot.h"

#include <QString>

#include <string>

namespace wtb::test {

// Every slot holding a sample and keeping none, out of the table: a kit a test fills in.
SlotBank emptyBank();

// The mixing player sketch of the bank as the export writes it (the user's first NAME.ino and
// the generated header), built by the IDE's builder. Its ELF is empty after a failure (added).
BuiltSketch buildMixer(const QString& folder, const QString& name, const SlotBank& bank,
                       SampleFormat format, const PlayerOptions& options, Board board,
                       const std::string& userSketch = {});

} // namespace wtb::test
