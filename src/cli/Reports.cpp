#include "cli/Reports.h"

#include <array>
#include <charconv>

namespace wtb::cli {

namespace {

std::string loopSentence(const Slot& slot, LoopAfterCut loop) {
    const auto range = [&] {
        return std::to_string(slot.loop->start) + ".." + std::to_string(slot.loop->end);
    };
    switch (loop) {
    case LoopAfterCut::Kept:
        return " Its loop is now " + range() + ".";
    case LoopAfterCut::Shortened:
        return " Its loop began before the cut and is now " + range() + ".";
    case LoopAfterCut::Removed:
        return " Its loop ended before the cut and was removed.";
    case LoopAfterCut::None:
        break;
    }
    return {};
}

} // namespace

std::string trimReport(std::int16_t slot, std::int32_t end) {
    return "Slot " + std::to_string(slot) + " ends at index " + std::to_string(end) + ".\n";
}

std::string startCutReport(std::int16_t slot, const StartCut& cut) {
    const std::string number = std::to_string(slot);
    if (cut.removed == 0) {
        return "Slot " + number + " keeps its start: nothing was cut.\n";
    }
    return "Slot " + number + " now starts at the sample that was at index " +
           std::to_string(cut.removed) + " and ends at index " + std::to_string(cut.slot.endIndex) +
           "." + loopSentence(cut.slot, cut.loop) + "\n";
}

std::string silenceTrimReport(const Workspace::SlotSilenceTrim& each) {
    const std::string slot = "Slot " + std::to_string(each.slot);
    const Slot& trimmed = each.trim.slot;
    if (trimmed.endIndex < 0 || trimmed.samples.empty()) {
        return slot + " holds nothing in the table: left as it was.\n";
    }
    if (each.trim.silent) {
        return slot + " holds only quiet samples: left as it was.\n";
    }
    const std::int32_t removed = each.trim.removed;
    std::string report =
        slot +
        (removed > 0 ? " starts " + std::to_string(removed) +
                           (removed == 1 ? " quiet sample" : " quiet samples") + " later"
                     : " keeps its start") +
        " and ends at index " + std::to_string(trimmed.endIndex) + ".";
    if (removed > 0 && trimmed.loop) {
        report += loopSentence(trimmed, LoopAfterCut::Kept);
    }
    return report + "\n";
}

std::string singleCycleReport(std::int16_t slot, std::int32_t length,
                              const SingleCycleReport& report) {
    std::array<char, 32> pitch{};
    const auto written = std::to_chars(pitch.data(), pitch.data() + pitch.size(), report.frequency,
                                       std::chars_format::fixed, 2);
    return "Slot " + std::to_string(slot) + " is one cycle of " + std::to_string(length) +
           " cells: pitch " + std::string(pitch.data(), written.ptr) + " Hz around index " +
           std::to_string(report.at) + ", rate " + std::to_string(report.rate) + " Hz, loop 0.." +
           std::to_string(length - 1) + ", seam jump " + std::to_string(report.seamJump) +
           (report.seamJump == 1 ? " step" : " steps") + ".\n";
}

} // namespace wtb::cli
