// Settings.txt as the start reads it: any bytes either parse or raise the program's error,
// and what parsed is written back and reads back the same.

#include "common/RuntimeError.h"
#include "slots/SettingsFile.h"
#include "slots/SoundHeaderProbe.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

// The sound file reader's header check starts this program again as a probe (see
// SoundHeaderProbe.h); it must answer before libFuzzer reads its arguments.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    wtb::answerHeaderProbeIfAsked(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    wtb::SettingsLines lines;
    try {
        lines = wtb::parseSettings(text, "Settings.txt");
    } catch (const wtb::RuntimeError&) {
        return 0;
    }
    if (wtb::parseSettings(wtb::formatSettings(lines), "Settings.txt") != lines) {
        std::abort(); // a save would change the slots
    }
    return 0;
}
