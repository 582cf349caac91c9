#pragma once

#include "common/RuntimeError.h"
#include "editing/EditFault.h"
#include "export/ExportFault.h"
#include "slots/SlotFault.h"
#include "workspace/WorkspaceFault.h"

#include <string>

// The wording of each layer's faults, one file per layer. Each gets the facts of the fault and
// the sentence of its cause (empty when there is none).
namespace wtb {

std::string slotMessage(SlotFault fault, const Facts& facts, const std::string& cause);
std::string editingMessage(EditFault fault, const Facts& facts, const std::string& cause);
std::string exportMessage(ExportFault fault, const Facts& facts, const std::string& cause);
// The export layer's faults of building and uploading a sketch, which exportMessage hands on.
std::string uploadMessage(ExportFault fault, const Facts& facts, const std::string& cause);
std::string workspaceMessage(WorkspaceFault fault, const Facts& facts, const std::string& cause);

// The slots layer's faults are worded in two files: the working folder's, its settings file's
// and its lock's in SlotFolderMessages.cpp, which hands any other to `otherwise`.
using SlotWording = std::string (*)(SlotFault fault, const Facts& facts);
std::string folderMessage(SlotFault fault, const Facts& facts, const std::string& cause,
                          const SlotWording& otherwise);

// A number as the messages write a count or size the user reads: "11,827".
std::string groupedNumber(std::int64_t number);
// " would need 15.8 GB of memory, but only 2.0 GB can be had.": the facts "bytes" and "room"
// of a result that could not be held.
std::string memoryNeedText(const Facts& facts);
// A fact's whole number as plain digits: "11827".
std::string plainNumber(const Facts& facts, std::string_view name);
// "The fault's words" for a fault code the wording does not know: the program's own fault.
[[noreturn]] void raiseUnwordedFault(FaultCode code);

} // namespace wtb
