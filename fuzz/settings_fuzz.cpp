// Settings.txt as the start reads it: any bytes either parse or raise the program's error,
// and what parsed is written back and reads back the same. A loop taken from a line runs from 0
// with its start at or before its end; a line with fields the program cannot use (a broken loop
// or key map) is written back exactly as it was read, and one whose loop fields are broken takes
// no loop (a valid loop beside a broken key map is kept).

#include "common/RuntimeError.h"
#include "messages/Messages.h"
#include "slots/SettingsFile.h"
#include "slots/SoundHeaderProbe.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// The sound file reader's header check starts this program again as a probe (see
// SoundHeaderProbe.h); it must answer before libFuzzer reads its arguments.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    wtb::installMessages();
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
    const std::string written = wtb::formatSettings(lines);
    if (wtb::parseSettings(written, "Settings.txt") != lines) {
        std::abort(); // a save would change the slots
    }
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const wtb::SettingsLine& line = lines[n];
        if (line.loop && (line.loop->start < 0 || line.loop->start > line.loop->end)) {
            std::abort(); // a loop no slot can hold taken for one
        }
        const bool loopBroken =
            line.unusable && line.unusable->field == wtb::UnusableFields::Field::Loop;
        if (line.unusable &&
            ((loopBroken && line.loop) || wtb::slotProblemText(line.unusable->problem).empty() ||
             line.unusable->stored != wtb::storedFields(text, n) ||
             wtb::storedFields(written, n) != line.unusable->stored)) {
            std::abort(); // a hand edit lost, changed or taken for a value
        }
    }
    return 0;
}
