#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Every operation on a working folder once: the shell command that runs it and what undo and
// redo call a change it makes. The shell's table of commands, its messages that name a command
// and the workspace's history all read it.
namespace wtb {

enum class Operation : std::uint8_t {
    List,
    Import,
    Trim,
    CutStart,
    TrimSilence,
    Resample,
    Normalise,
    Loop,
    Keys,
    SingleCycle,
    Export,
    Upload,
    ListPorts,
    PlayOnBoard,
};

struct OperationEntry {
    Operation operation;
    std::string_view command; // the shell's name for it
    // What the history calls a change it makes, before the slots it changed ("trim" for "trim
    // slot 3"); empty for an operation that changes no slot.
    std::string_view change;
    // What the history calls the removal of what it sets ("remove loop of"); empty for none.
    std::string_view removal;
};

std::span<const OperationEntry> operationTable();
const OperationEntry& operationEntry(Operation operation);

// The shell command that runs the operation, as in "cut-start".
QString commandName(Operation operation);
std::string commandText(Operation operation);

// What the history calls the change: "resample slot 3" (one slot), "resample all slots"
// (nothing), "import into slots 3-5" (a run of `count` from `first`), "remove loop of slot 3".
QString changeText(Operation operation, std::optional<std::int16_t> slot);
QString changeText(Operation operation, std::int16_t first, std::int32_t count);
QString removalText(Operation operation, std::int16_t slot);

} // namespace wtb
