#include "workspace/Session.h"

#include "export/AdpcmSketch.h"
#include "export/PcmTableSketch.h"
#include "export/SerialPorts.h"
#include "export/SlotRoom.h"
#include "workspace/Choices.h"
#include "workspace/WorkspaceFault.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace wtb {

namespace {

QString displayText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Seconds as whole milliseconds, rounded as the seconds' nearest three-decimal text rounds
// them (std::to_chars), so the texts the shell has always printed keep every digit.
std::int64_t millisecondsOf(double seconds) {
    std::array<char, 32> text{};
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed, 3);
    if (error != std::errc()) {
        raise(ErrorKind::Overflow, WorkspaceFault::PlayingTimeUnwritten, {{"seconds", seconds}});
    }
    std::int64_t milliseconds = 0;
    for (const char* digit = text.data(); digit != end; ++digit) {
        if (*digit != '.') {
            milliseconds = milliseconds * 10 + (*digit - '0');
        }
    }
    return milliseconds;
}

double secondsOf(std::int64_t samples, std::int32_t rate) {
    return static_cast<double>(std::max<std::int64_t>(samples, 0)) / static_cast<double>(rate);
}

} // namespace

std::optional<std::int64_t> playingMilliseconds(std::int64_t samples, std::int32_t rate) {
    if (rate < 1) {
        return std::nullopt;
    }
    return millisecondsOf(secondsOf(samples, rate));
}

PlayingTimes playingTimes(const SlotBank& bank) {
    double sound = 0;
    double table = 0;
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        if (slot.sampleRate > 0) {
            sound += secondsOf(slot.sampleCount(), slot.sampleRate);
            table += secondsOf(slot.keptSamples(), slot.sampleRate);
        }
    }
    return {millisecondsOf(sound), millisecondsOf(table)};
}

QString boardDisplayName(Board board) {
    return displayText(boardInfo(board).displayName);
}

QString sampleFormatDisplayText(SampleFormat format) {
    return displayText(sampleFormatDisplayName(format));
}

std::vector<Board> allBoards() {
    std::vector<Board> all;
    for (const BoardInfo& info : boards()) {
        all.push_back(info.board);
    }
    return all;
}

std::vector<SampleFormat> allSampleFormats() {
    return {SampleFormat::Pcm8, SampleFormat::Adpcm4};
}

QStringList serialPortLines() {
    QStringList lines;
    for (const SerialPortEntry& port : serialPorts()) {
        lines << portLine(port);
    }
    return lines;
}

QStringList uploadPorts(Board board) {
    QStringList ports;
    const QString remembered = rememberedUploadPort(board);
    if (!remembered.isEmpty()) {
        ports << remembered;
    }
    for (const SerialPortEntry& port : serialPorts()) {
        if (!ports.contains(port.path)) {
            ports << port.path;
        }
    }
    return ports;
}

void playSlotOnBoard(const QString& port, std::int16_t slot) {
    checkSerialPort(port);
    sendPlayCommand(port, slot);
}

QString defaultSketchFileName() {
    return QString::fromLatin1(kDefaultSketchFileName);
}

QString defaultPlayerSketchName() {
    return displayText(kDefaultSketchName);
}

SessionChoices rememberedChoices() {
    return {rememberedBoard(), rememberedSampleFormat(), rememberedTargetRate(),
            rememberedPlayerOptions()};
}

Session::Session(SessionChoices choices) : choices_(std::move(choices)) {}

FlashBudget Session::budget(const SlotBank& bank) const {
    return flashBudget(bank, choices_.board, choices_.format);
}

std::vector<OversizedSlot> Session::oversizedSlots(const SlotBank& bank, std::int16_t first,
                                                   std::int32_t count) const {
    std::vector<OversizedSlot> found;
    for (std::int32_t i = 0; i < count; ++i) {
        const auto number = static_cast<std::int16_t>(first + i);
        if (const auto oversized =
                oversizedSlot(bank[number], number, choices_.board, choices_.format)) {
            found.push_back(*oversized);
        }
    }
    return found;
}

LoopedOutput Session::output(const Slot& slot, std::int16_t number) const {
    return loopedOutput(slot, number, choices_.format);
}

std::unique_ptr<VoiceMix> Session::voiceMix(const SlotBank& bank) const {
    return std::make_unique<VoiceMix>(bank, choices_.format, choices_.player, choices_.board);
}

ExportCheck Session::checkSketch(const Workspace& workspace) const {
    return workspace.checkSketch(choices_.board, choices_.format);
}

ExportCheck Session::checkPlayerSketch(const Workspace& workspace) const {
    return workspace.checkPlayerSketch(choices_.board, choices_.format, choices_.player);
}

std::optional<double> Session::knownSnr(std::int16_t number, const Slot& slot) const {
    const auto found = snr_.find(number);
    if (found == snr_.end() || !(found->second.slot == slot)) {
        return std::nullopt;
    }
    return found->second.snrDb;
}

void Session::keepSnr(std::int16_t number, const Slot& slot, double snrDb) {
    snr_.insert_or_assign(number, MeasuredSnr{slot, snrDb});
}

std::optional<double> Session::measureSnr(const Slot& slot, std::int16_t number) {
    try {
        return previewAdpcm(slot, number).snrDb;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace wtb
