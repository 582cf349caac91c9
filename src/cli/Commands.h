#pragma once

#include "cli/Operations.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// One function per command. Each loads the working folder as the window does (a new, empty
// folder holds the default kit), applies its one operation through the function the window
// uses, and, when it changed the slots, saves the folder whole. A failure raises before
// anything is saved or written, so the folder and the output are left as they were; a command
// that only reads writes nothing to the folder, not even the kit.
namespace wtb::cli {

struct ImportRequest {
    std::int16_t slot = 0;
    QString file;
    std::optional<std::int32_t> rate;
    bool normalise = false;
};

struct ExportRequest {
    QString output; // the sketch file to write
    std::optional<QString> board;
    bool force = false;
};

// The listing, as formatSlotList gives it, then the budget line when there is one.
std::string listCommand(const QString& folder, const std::optional<QString>& board);

void importCommand(const QString& folder, const ImportRequest& request);

// The slider's click at `end` on the slot: the end index settles at the zero crossing the
// window's trim finds. `end` must lie within the slot's samples, as the slider's value does.
// Gives the end index it settled on.
std::int32_t trimCommand(const QString& folder, std::int16_t slot, std::int32_t end);

void resampleCommand(const QString& folder, SlotChoice slots, std::int32_t rate);
void normaliseCommand(const QString& folder, SlotChoice slots);

// Gives the warning of a sketch written with --force although it does not fit; else empty.
std::string exportCommand(const QString& folder, const ExportRequest& request);

} // namespace wtb::cli
