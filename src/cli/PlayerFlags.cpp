#include "cli/PlayerFlags.h"

#include "common/RuntimeError.h"

#include <charconv>
#include <optional>
#include <string>

namespace wtb {

namespace {

[[noreturn]] void usageError(const QString& reason) {
    raise(ErrorKind::Usage, reason.toStdString());
}

std::optional<std::int32_t> wholeNumber(const QString& text) {
    const std::string digits = text.toStdString();
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::int32_t numberOf(const QCommandLineParser& parser, const QCommandLineOption& option,
                      const QString& what) {
    const QString text = parser.value(option);
    const std::optional<std::int32_t> value = wholeNumber(text);
    if (!value) {
        usageError(QStringLiteral("\"%1\" is not %2.").arg(text, what));
    }
    return *value;
}

} // namespace

std::vector<TriggerPin> triggerPinsArgument(const QString& text) {
    std::vector<TriggerPin> pins;
    for (const QString& pair : text.split(QLatin1Char(','))) {
        const QStringList parts = pair.split(QLatin1Char('='));
        const std::int32_t slot =
            parts.size() == 2 ? wholeNumber(parts[0].trimmed()).value_or(-1) : -1;
        const std::int32_t pin =
            parts.size() == 2 ? wholeNumber(parts[1].trimmed()).value_or(-1) : -1;
        if (slot < 1 || slot > 16 || pin < 0) {
            usageError(QStringLiteral("\"%1\" is not a slot and its pin: --pins takes SLOT=PIN "
                                      "pairs, such as 1=2,2=4 (slot 1 to 16, an Arduino pin "
                                      "number).")
                           .arg(pair));
        }
        pins.push_back({static_cast<std::int16_t>(slot), pin});
    }
    return pins;
}

PlayerOptions playerOptionsFrom(const QCommandLineParser& parser, const PlayerFlags& flags) {
    PlayerOptions options;
    if (parser.isSet(flags.voices)) {
        options.voices =
            numberOf(parser, flags.voices, QStringLiteral("a number of voices: N is 1 to 8"));
        if (options.voices < 1 || options.voices > 8) {
            usageError(
                QStringLiteral("--voices %1: the player mixes 1 to 8 voices.").arg(options.voices));
        }
    }
    if (parser.isSet(flags.mixRate)) {
        options.mixRate =
            numberOf(parser, flags.mixRate, QStringLiteral("a mixing rate: HZ is a whole number"));
        if (options.mixRate <= 0) {
            usageError(QStringLiteral("--mix-rate %1: a mixing rate is a positive number of "
                                      "hertz.")
                           .arg(options.mixRate));
        }
    }
    options.midi = parser.isSet(flags.midi);
    if (parser.isSet(flags.midiBaud)) {
        options.midiBaud = numberOf(parser, flags.midiBaud,
                                    QStringLiteral("a baud rate: BAUD is 31250 or 115200"));
        if (options.midiBaud != 31'250 && options.midiBaud != 115'200) {
            usageError(QStringLiteral("--midi-baud %1: MIDI comes at 31250 baud (a DIN MIDI "
                                      "input) or 115200 (a USB-serial bridge).")
                           .arg(options.midiBaud));
        }
        if (!options.midi) {
            usageError(QStringLiteral("--midi-baud chooses the speed of MIDI: give --midi too."));
        }
    }
    if (parser.isSet(flags.pins)) {
        options.pins = triggerPinsArgument(parser.value(flags.pins));
    }
    return options;
}

} // namespace wtb
