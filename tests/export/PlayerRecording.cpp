#include "PlayerHarness.h"

#include <sstream>

namespace wtb::test {

std::vector<Write> Recording::writesFrom(std::uint64_t cycle) const {
    std::vector<Write> after;
    for (const Write& write : writes) {
        if (write.cycle >= cycle) {
            after.push_back(write);
        }
    }
    return after;
}

std::vector<std::uint8_t> Recording::levels() const {
    std::vector<std::uint8_t> levels;
    levels.reserve(writes.size());
    for (const Write& write : writes) {
        levels.push_back(static_cast<std::uint8_t>(write.level));
    }
    return levels;
}

Recording parseRecording(std::string_view output) {
    Recording recording;
    std::istringstream lines{std::string(output)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        std::uint64_t cycle = 0;
        if (kind == "write") {
            Write write{};
            fields >> write.cycle >> write.level;
            recording.writes.push_back(write);
        } else if (kind == "command") {
            fields >> cycle;
            recording.commands.push_back(cycle);
        } else if (kind == "isr") {
            fields >> recording.isrCount >> recording.isrMean >> recording.isrWorst;
        } else if (kind == "end") {
            fields >> cycle >> recording.endLevel;
        }
    }
    return recording;
}

} // namespace wtb::test
