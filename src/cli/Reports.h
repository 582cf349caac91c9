#pragma once

#include "workspace/Workspace.h"

#include <cstdint>
#include <string>

// The lines a command prints on standard output after it did its work.
namespace wtb::cli {

// "Slot 3 ends at index 1200."
std::string trimReport(std::int16_t slot, std::int32_t end);

std::string startCutReport(std::int16_t slot, const StartCut& cut);

std::string silenceTrimReport(const Workspace::SlotSilenceTrim& each);

// "Slot 3 is one cycle of 256 cells: pitch 220.00 Hz around index 8192, rate 56320 Hz, loop
// 0..255, seam jump 0 steps."
std::string singleCycleReport(std::int16_t slot, std::int32_t length,
                              const SingleCycleReport& report);

} // namespace wtb::cli
