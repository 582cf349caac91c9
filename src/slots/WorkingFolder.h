#pragma once

#include "slots/SlotBank.h"

#include <QString>

namespace wtb {

// The slot file of `slot` in `folder`: "7.wav" for slot 7.
QString slotFilePath(const QString& folder, std::int32_t slot);
QString settingsFilePath(const QString& folder);

// True when the folder holds none of the sixteen slot files and no settings file.
bool isNewWorkingFolder(const QString& folder);

// Writes the built-in default kit as the sixteen slot files and the settings file. When a
// write fails, no file of the kit is left behind, so the folder stays new.
void createDefaultKit(const QString& folder);

// Fills the bank from the working folder: current slot 1, the sound device, the sixteen slot
// files, then the names and end indices from the settings file. A new folder first receives the
// default kit. Raises on the first missing or damaged file; it never writes to a folder that
// is not new.
void LoadWorkingFolder(SlotBank& bank, const QString& folder);

// Writes every slot's sound to its slot file, then the settings file. All seventeen are written
// in full before any replaces its old self, so a failure while writing changes nothing; raises
// on the first failure, naming the file.
void SaveWorkingFolder(const SlotBank& bank, const QString& folder);

} // namespace wtb
