#pragma once

#include "cli/Arguments.h"
#include "workspace/Operations.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

// Every shell command once: its name, its forms as the usage shows them, the options it takes,
// its help and what it runs. The parser, the usage, --help and the manual's list of commands
// are all made from this table.
namespace wtb::cli {

enum class OptionId {
    Output,
    Player,
    Board,
    Format,
    Force,
    Port,
    Rate,
    Normalise,
    Threshold,
    Length,
    At,
    Voices,
    MixRate,
    Midi,
    MidiBaud,
    Pins,
    Root,
};

struct OptionEntry {
    OptionId id;
    const char* shortName; // nullptr: none
    const char* name;
    const char* value; // its placeholder, as in "FILE"; nullptr: a switch that takes none
    QString help;      // what it does; --help puts the commands that take it before it
};

// The options as given to one command: each one set, with its value (empty for a switch).
class GivenOptions {
public:
    void set(OptionId id, const QString& value) { given_[id] = value; }
    bool has(OptionId id) const { return given_.contains(id); }
    std::optional<QString> text(OptionId id) const;
    std::optional<std::int32_t> number(OptionId id, const NumberKind& kind) const;
    std::optional<Board> board() const;
    std::optional<SampleFormat> format() const;

private:
    std::map<OptionId, QString> given_;
};

struct CommandCall {
    QString folder; // the working folder, for a command that works on one
    QStringList arguments;
    GivenOptions options;
};

// One way of calling a command: its arguments and options as the usage shows them, as in
// "SLOT FILE... [--rate HZ] [--normalise]", and what it does.
struct CommandForm {
    const char* usage;
    const char* help;
};

enum class Works { OnAFolder, Alone };

struct CommandEntry {
    Operation operation; // its name is the operation's command (Operations.h)
    std::vector<CommandForm> forms;
    qsizetype leastArguments;
    qsizetype mostArguments;
    std::vector<OptionId> options; // besides --folder
    Works works;
    void (*run)(const CommandCall& call);

    QString name() const { return commandName(operation); }
    bool takes(OptionId id) const;
    // What checkArguments says the command takes, as in "SLOT START END, or SLOT none".
    QString argumentsText() const;
};

// Any number of arguments: the operation refuses more than it can take, with the numbers.
inline constexpr qsizetype kAnyNumber = INT32_MAX;

std::span<const OptionEntry> optionTable();
std::span<const CommandEntry> commandTable();

// The command with this name; a usage error for any other.
const CommandEntry& commandNamed(const QString& name);
// The command that runs `operation`.
const CommandEntry& commandFor(Operation operation);

// The usage error of a command whose one-word form was given something else than "none":
// "loop takes SLOT START END, or SLOT none; "x" is not "none"."
[[noreturn]] void notNoneError(Operation operation, const QString& given);

// "--name"
QString optionText(const OptionEntry& option);
const OptionEntry& optionEntry(OptionId id);
// The option spelled `name` (without its dashes); nothing for a name no option has.
const OptionEntry* optionNamed(const QString& name);

} // namespace wtb::cli
