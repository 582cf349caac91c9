#include "cli/PlayerFlags.h"

#include "workspace/Choices.h"

namespace wtb::cli {

namespace {

constexpr NumberKind kVoices{"a number of voices", "N", "a number from 1 to 8", 1, kMostVoices};
constexpr NumberKind kMixRate{"a mixing rate", "HZ", "a positive number of hertz", 1};
constexpr NumberKind kBaud{"a baud rate", "BAUD", "31250 or 115200"};

} // namespace

std::vector<TriggerPin> triggerPinsArgument(const QString& text) {
    std::vector<TriggerPin> pins;
    for (const QString& pair : text.split(QLatin1Char(','))) {
        const QStringList parts = pair.split(QLatin1Char('='));
        const std::int32_t slot =
            parts.size() == 2 ? wholeNumber(parts[0].trimmed()).value_or(-1) : -1;
        const std::int32_t pin =
            parts.size() == 2 ? wholeNumber(parts[1].trimmed()).value_or(-1) : -1;
        if (slot < kFirstSlot || slot > kLastSlot || pin < 0) {
            usageError(QStringLiteral("\"%1\" is not a slot and its pin: --pins takes SLOT=PIN "
                                      "pairs, such as 1=2,2=4 (slot 1 to 16, an Arduino pin "
                                      "number).")
                           .arg(pair));
        }
        pins.push_back({static_cast<std::int16_t>(slot), pin});
    }
    return pins;
}

PlayerOptions playerOptionsFrom(const GivenOptions& given) {
    PlayerOptions options;
    options.voices = given.number(OptionId::Voices, kVoices).value_or(options.voices);
    options.mixRate = given.number(OptionId::MixRate, kMixRate).value_or(options.mixRate);
    options.midi = given.has(OptionId::Midi);
    if (const std::optional<std::int32_t> baud = given.number(OptionId::MidiBaud, kBaud)) {
        if (!isMidiBaud(*baud)) {
            usageError(QStringLiteral("--midi-baud %1: MIDI comes at 31250 baud (a DIN MIDI "
                                      "input) or 115200 (a USB-serial bridge).")
                           .arg(*baud));
        }
        if (!options.midi) {
            usageError(QStringLiteral("--midi-baud chooses the speed of MIDI: give --midi too."));
        }
        options.midiBaud = *baud;
    }
    if (const std::optional<QString> pins = given.text(OptionId::Pins)) {
        options.pins = triggerPinsArgument(*pins);
    }
    return options;
}

} // namespace wtb::cli
