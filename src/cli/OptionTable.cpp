#include "cli/CommandTable.h"

#include "editing/StartTrim.h"
#include "workspace/Choices.h"
#include "workspace/Workspace.h"

#include <stdexcept>

namespace wtb::cli {

namespace {

QString lengthHelp() {
    QStringList lengths;
    for (const std::int32_t length : singleCycleLengths()) {
        lengths << (length == defaultSingleCycleLength()
                        ? QStringLiteral("%1 (the default)").arg(length)
                        : QString::number(length));
    }
    const QString last = lengths.takeLast();
    return QStringLiteral("the table's length in cells: %1 or %2.")
        .arg(lengths.join(QStringLiteral(", ")), last);
}

QString listOfIds(const QStringList& ids) {
    QStringList all = ids;
    const QString last = all.takeLast();
    return all.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

const std::vector<OptionEntry>& options() {
    static const std::vector<OptionEntry> table = {
        {OptionId::Output, "o", "output", "FILE",
         QStringLiteral("write the sketch to FILE (with --player, into the folder FILE).")},
        {OptionId::Player, nullptr, "player", nullptr,
         QStringLiteral("write the player sketch folder (NAME.ino, Zozedovad.h).")},
        {OptionId::Board, nullptr, "board", "BOARD",
         QStringLiteral("the board whose flash the sketch must fit: %1.")
             .arg(listOfIds(boardIds()))},
        {OptionId::Format, nullptr, "format", "FORMAT",
         QStringLiteral("how the table holds the samples: pcm8 (8-bit PCM) or adpcm4 (4-bit "
                        "ADPCM, about twice the sound in the same flash).")},
        {OptionId::Force, nullptr, "force", nullptr,
         QStringLiteral("write the sketch even when it does not fit the board.")},
        {OptionId::Port, nullptr, "port", "PORT",
         QStringLiteral("the board's serial port, such as /dev/ttyACM0.")},
        {OptionId::Rate, nullptr, "rate", "HZ", QStringLiteral("convert the sound to HZ.")},
        {OptionId::Normalise, nullptr, "normalise", nullptr,
         QStringLiteral("scale the sound to full level.")},
        {OptionId::Threshold, nullptr, "threshold", "N",
         QStringLiteral("a sample within N steps of the 8-bit level (0 to %1) of the zero line "
                        "is quiet; default %2.")
             .arg(kHighestSilenceThreshold)
             .arg(kDefaultSilenceThreshold)},
        {OptionId::Length, nullptr, "length", "CELLS", lengthHelp()},
        {OptionId::Voices, nullptr, "voices", "N",
         QStringLiteral("with --player: mix N sounds at once, 1 (the one-sound player, the "
                        "default) to 8.")},
        {OptionId::MixRate, nullptr, "mix-rate", "HZ",
         QStringLiteral("with --player: the mixing rate (default: the slots' common rate, else "
                        "the highest slot rate the board's cycles allow).")},
        {OptionId::Midi, nullptr, "midi", nullptr,
         QStringLiteral("with --player: play notes from MIDI on the serial input instead of the "
                        "serial lines.")},
        {OptionId::MidiBaud, nullptr, "midi-baud", "BAUD",
         QStringLiteral("with --player: MIDI at 31250 baud (a DIN MIDI input, the default) or "
                        "115200 (a USB-serial bridge).")},
        {OptionId::Pins, nullptr, "pins", "SLOT=PIN,...",
         QStringLiteral("with --player: buttons to GND that play slots, as SLOT=PIN,... "
                        "(2=4,3=5: slot 2 on pin 4).")},
        {OptionId::Root, nullptr, "root", "NOTE",
         QStringLiteral("the note at which the slot plays at its own rate.")},
        {OptionId::At, nullptr, "at", "INDEX",
         QStringLiteral("take the cycle around this index of the kept samples (default: their "
                        "middle).")},
    };
    return table;
}

} // namespace

std::optional<QString> GivenOptions::text(OptionId id) const {
    const auto found = given_.find(id);
    return found == given_.end() ? std::nullopt : std::optional<QString>(found->second);
}

std::optional<std::int32_t> GivenOptions::number(OptionId id, const NumberKind& kind) const {
    const std::optional<QString> value = text(id);
    return value ? std::optional<std::int32_t>(numberArgument(*value, kind)) : std::nullopt;
}

std::optional<Board> GivenOptions::board() const {
    const std::optional<QString> value = text(OptionId::Board);
    return value ? std::optional<Board>(boardArgument(*value)) : std::nullopt;
}

std::optional<SampleFormat> GivenOptions::format() const {
    const std::optional<QString> value = text(OptionId::Format);
    return value ? std::optional<SampleFormat>(formatArgument(*value)) : std::nullopt;
}

std::span<const OptionEntry> optionTable() {
    return options();
}

QString optionText(const OptionEntry& option) {
    return QStringLiteral("--") + QLatin1String(option.name);
}

const OptionEntry* optionNamed(const QString& name) {
    for (const OptionEntry& option : options()) {
        if (name == QLatin1String(option.name)) {
            return &option;
        }
    }
    return nullptr;
}

const OptionEntry& optionEntry(OptionId id) {
    for (const OptionEntry& option : options()) {
        if (option.id == id) {
            return option;
        }
    }
    throw std::logic_error("an option missing from the table");
}

} // namespace wtb::cli
