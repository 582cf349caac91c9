#pragma once

#include "slots/SlotBank.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

// The edits, checks and program facts the commands use, each a thin adapter over the function
// of its own layer, so that the command line and the window always do the same thing.
namespace wtb::cli {

// One slot, or every slot when empty.
using SlotChoice = std::optional<std::int16_t>;

// The folder the window uses when no --folder is given.
QString defaultWorkingFolder();

// The program's name and version, for --version: "Brimtock Wavetable Builder 1.1.0".
std::string versionText();

// The board names --board accepts.
QStringList boardNames();

// Replaces the slot's sound with the file, as the window's import does; at `rate` and
// normalised when asked.
void importSound(SlotBank& bank, std::int16_t slot, const QString& file,
                 std::optional<std::int32_t> rate, bool normalise);

void resampleSlots(SlotBank& bank, SlotChoice slots, std::int32_t rate);
void normaliseSlots(SlotBank& bank, SlotChoice slots);

// The flash budget line `list` ends with, for the board given (or the remembered one).
std::string budgetLine(const SlotBank& bank, const std::optional<QString>& board);

// Raises when the sketch would not be written: too large for the accessors, or too large for
// the board unless `force`. Gives the warning a forced sketch is written despite, else empty.
std::string checkSketchFits(const SlotBank& bank, const std::optional<QString>& board, bool force);

} // namespace wtb::cli
