#pragma once

#include "workspace/Workspace.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One function per command, each over the workspace the window uses. A command that changes
// slots holds the folder's lock, applies its one operation and saves the folder whole; one that
// fails raises before anything is saved or written. `list` and `export` only read the folder:
// a new, empty folder shows the default kit and stays empty.
namespace wtb::cli {

struct ImportRequest {
    std::int16_t slot = 0;
    QString file;
    std::optional<std::int32_t> rate;
    bool normalise = false;
};

struct ExportRequest {
    QString output; // the sketch file to write; with `player`, the sketch's folder
    std::optional<QString> board;
    bool force = false;
    bool player = false;           // the player sketch, DIR/NAME.ino, instead of the table
    std::optional<QString> format; // "pcm8", "adpcm4"; else the remembered one
};

// The listing, as formatSlotList gives it, then the budget line (the bytes of the table in the
// format given, else the remembered one) and the rates line (ratesLine).
std::string listCommand(const QString& folder, const std::optional<QString>& board,
                        const std::optional<QString>& format);

// Gives the import's notes (Workspace::importFile) for the user.
std::vector<std::string> importCommand(const QString& folder, const ImportRequest& request);

// Gives the end index the slot settled on.
std::int32_t trimCommand(const QString& folder, std::int16_t slot, std::int32_t end);

void resampleCommand(const QString& folder, SlotChoice slots, std::int32_t rate);
void normaliseCommand(const QString& folder, SlotChoice slots);

// Sets the slot's loop (Workspace::setLoop), or removes it when `loop` is empty; gives the
// line that says how the slot now loops:
//   Slot 3 loops from index 1200 to 3456, seam jump 1.
//   Slot 3 has no loop.
std::string loopCommand(const QString& folder, std::int16_t slot, const std::optional<Loop>& loop);

// Gives the warnings of what was written: the slots at mixed rates, and a sketch written with
// --force although it does not fit; empty when there are none.
std::vector<std::string> exportCommand(const QString& folder, const ExportRequest& request);

} // namespace wtb::cli
