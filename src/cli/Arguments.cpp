#include "cli/Arguments.h"

#include "workspace/Choices.h"

#include <charconv>

namespace wtb::cli {

void usageError(const QString& reason) {
    throw UsageError(reason.toStdString());
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

std::int32_t numberArgument(const QString& text, const NumberKind& kind) {
    const std::optional<std::int32_t> value = wholeNumber(text);
    if (!value || *value < kind.least || *value > kind.most) {
        usageError(QStringLiteral("\"%1\" is not %2: %3 is %4.")
                       .arg(text, QLatin1String(kind.what), QLatin1String(kind.placeholder),
                            QLatin1String(kind.rule)));
    }
    return *value;
}

std::int16_t slotArgument(const QString& text) {
    return static_cast<std::int16_t>(numberArgument(text, kSlotNumber));
}

SlotChoice slotsArgument(const QString& text) {
    if (text == QLatin1String("all")) {
        return std::nullopt;
    }
    return slotArgument(text);
}

Board boardArgument(const QString& text) {
    if (const std::optional<Board> board = boardWithId(text)) {
        return *board;
    }
    usageError(QStringLiteral("Unknown board \"%1\": BOARD is one of %2.")
                   .arg(text, boardIds().join(QStringLiteral(", "))));
}

SampleFormat formatArgument(const QString& text) {
    if (const std::optional<SampleFormat> format = sampleFormatWithId(text)) {
        return *format;
    }
    usageError(QStringLiteral("Unknown sample format \"%1\": FORMAT is one of %2.")
                   .arg(text, sampleFormatIds().join(QStringLiteral(", "))));
}

namespace {

constexpr QChar kValueMark = QChar(0x1F); // the unit separator, never typed in a command line

} // namespace

QStringList markedValues(const QStringList& arguments) {
    QStringList marked = arguments.mid(0, 1); // the program's own name
    bool optionsEnded = false;                // after "--" the parser takes everything as it is
    for (const QString& argument : arguments.mid(1)) {
        const bool negative = argument.size() > 1 && argument[0] == u'-' && argument[1].isDigit();
        marked << (!optionsEnded && (negative || argument.startsWith(kValueMark))
                       ? kValueMark + argument
                       : argument);
        optionsEnded = optionsEnded || argument == QLatin1String("--");
    }
    return marked;
}

QString unmarked(const QString& value) {
    return value.startsWith(kValueMark) ? value.mid(1) : value;
}

QStringList unmarked(const QStringList& values) {
    QStringList plain;
    for (const QString& value : values) {
        plain << unmarked(value);
    }
    return plain;
}

} // namespace wtb::cli
