// The sketch built from random banks: any sizes, end indices (also far outside the sounds)
// and names either build or raise the program's error. What built declares as many samples as
// the end indices ask for, holds exactly that many values in -128..127, starts each slot where
// the start table says, and keeps every name on its own comment line.

#include "common/RuntimeError.h"
#include "messages/Messages.h"
#include "export/PcmTableSketch.h"
#include "slots/Slot.h"
#include "slots/SoundHeaderProbe.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        require(end != std::string_view::npos); // every line ends in CR LF
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The numbers of a comma-separated run such as "0,-3,17,0".
std::vector<long> numbersOf(std::string_view run) {
    std::vector<long> numbers;
    for (std::size_t start = 0; start < run.size();) {
        std::size_t end = run.find(',', start);
        end = end == std::string_view::npos ? run.size() : end;
        const std::string token(run.substr(start, end - start));
        char* rest = nullptr;
        numbers.push_back(std::strtol(token.c_str(), &rest, 10));
        require(!token.empty() && *rest == '\0');
        start = end + 1;
    }
    return numbers;
}

void checkComment(std::string_view comment) {
    require(comment.substr(0, 2) == "//");
    for (const char c : comment) {
        require(static_cast<unsigned char>(c) >= 0x20);
    }
    const std::size_t last = comment.find_last_not_of(' ');
    require(comment[last] != '\\');
    require(last < 4 || comment.substr(last - 2, 3) != "?\?/");
}

void checkSketch(const std::string& text, const wtb::SlotBank& bank) {
    long total = 0;
    for (int slot = 1; slot <= 16; ++slot) {
        total += bank[slot].endIndex + 1;
    }
    std::vector<std::string_view> lines = linesOf(text);
    // An empty last slot has no sample line: its comment's line end goes with the table's
    // last characters, and the table's end follows a lone CR.
    const bool lastEmpty = bank[16].endIndex == -1;
    if (lastEmpty) {
        require(lines.size() > 31 && lines[31].size() >= 3 &&
                lines[31].substr(lines[31].size() - 3) == "\r};");
        lines[31].remove_suffix(3);
        lines.insert(lines.begin() + 32, "};");
    }
    require(lines.size() == 1 + 32 + 1 + 6);
    require(lines[0] == "const char wave_store[" + std::to_string(total) + "] PROGMEM = {");
    std::vector<long> samples;
    std::vector<long> starts;
    for (int slot = 1; slot <= 16; ++slot) {
        checkComment(lines[static_cast<std::size_t>(2 * slot - 1)]);
        std::string_view values = lines[static_cast<std::size_t>(2 * slot)];
        if (slot == 16) {
            require(values.size() >= 2 && values.substr(values.size() - 2) == "};");
            values.remove_suffix(2);
        } else if (!values.empty()) {
            require(values.back() == ',');
            values.remove_suffix(1);
        }
        starts.push_back(static_cast<long>(samples.size()));
        const std::vector<long> slotSamples = numbersOf(values);
        require(static_cast<long>(slotSamples.size()) == bank[slot].endIndex + 1);
        samples.insert(samples.end(), slotSamples.begin(), slotSamples.end());
    }
    starts.push_back(static_cast<long>(samples.size()));
    for (const long sample : samples) {
        require(sample >= -128 && sample <= 127);
    }
    const std::string_view startLine = lines[33];
    const std::string_view open = "const unsigned int wave_start[17] PROGMEM = {";
    require(startLine.substr(0, open.size()) == open);
    require(numbersOf(startLine.substr(open.size(), startLine.size() - open.size() - 2)) == starts);
}

} // namespace

// The sound file reader's header check starts this program again as a probe (see
// SoundHeaderProbe.h); it must answer before libFuzzer reads its arguments.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    wtb::installMessages();
    wtb::answerHeaderProbeIfAsked(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    wtb::SlotBank bank;
    for (std::int16_t slot = 1; slot <= 16; ++slot) {
        std::vector<std::uint8_t> bytes =
            input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 300));
        const auto length = static_cast<std::int32_t>(bytes.size());
        // Mostly an end index inside the sound, so that whole sketches get built; sometimes
        // one just outside it, or any number at all.
        std::int32_t endIndex = 0;
        switch (input.ConsumeIntegralInRange(0, 15)) {
        case 15:
            endIndex = input.ConsumeIntegral<std::int32_t>();
            break;
        case 14:
            endIndex = input.ConsumeIntegralInRange<std::int32_t>(-3, length + 2);
            break;
        default:
            endIndex = input.ConsumeIntegralInRange<std::int32_t>(-1, length - 1);
        }
        bank[slot] = wtb::Slot{wtb::Samples(std::move(bytes)), 8000, endIndex,
                               input.ConsumeRandomLengthString(40)};
    }
    std::string text;
    try {
        text = wtb::buildSketchText(bank);
    } catch (const wtb::RuntimeError&) {
        return 0;
    }
    checkSketch(text, bank);
    return 0;
}
