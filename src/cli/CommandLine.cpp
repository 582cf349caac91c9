#include "cli/CommandLine.h"

#include "app/BuildInfo.h"
#include "app/ProgramFolder.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/PlayerFlags.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "export/PlayerSketch.h"
#include "export/SketchText.h"
#include "workspace/Choices.h"

#include <QCommandLineParser>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace wtb::cli {

namespace {

constexpr const char* kSynopsis =
    "Usage: wavetable-builder [--folder DIR]\n"
    "       wavetable-builder [--folder DIR] list [--board BOARD] [--format FORMAT]\n"
    "       wavetable-builder [--folder DIR] import SLOT FILE... [--rate HZ] [--normalise]\n"
    "       wavetable-builder [--folder DIR] trim SLOT END\n"
    "       wavetable-builder [--folder DIR] cut-start SLOT INDEX\n"
    "       wavetable-builder [--folder DIR] trim-silence SLOT|all [--threshold N]\n"
    "       wavetable-builder [--folder DIR] resample SLOT|all HZ\n"
    "       wavetable-builder [--folder DIR] normalise SLOT|all\n"
    "       wavetable-builder [--folder DIR] loop SLOT START END | loop SLOT none\n"
    "       wavetable-builder [--folder DIR] keys SLOT LOW HIGH [--root NOTE]\n"
    "       wavetable-builder [--folder DIR] keys SLOT none\n"
    "       wavetable-builder [--folder DIR] single-cycle SLOT [--length CELLS] [--at INDEX]\n"
    "       wavetable-builder [--folder DIR] export [-o FILE] [--board BOARD]\n"
    "                       [--format FORMAT] [--force]\n"
    "       wavetable-builder [--folder DIR] export --player [-o DIR] [--board BOARD]\n"
    "                       [--format FORMAT] [--force]\n"
    "       wavetable-builder [--folder DIR] upload [--port PORT] [--board BOARD]\n"
    "                       [--format FORMAT] [--force]\n"
    "       wavetable-builder list-ports\n"
    "       wavetable-builder play-on-board SLOT [--port PORT]\n"
    "       wavetable-builder --help | --version\n";

constexpr const char* kCommands =
    "Without a command the window opens. Each command works on the working folder's sixteen\n"
    "slots, through the same operations as the window, and saves the folder when it changed\n"
    "a slot. SLOT is a number from 1 to 16.\n"
    "\n"
    "Commands:\n"
    "  list                 One line per slot: number, name, rate (Hz), samples, end index,\n"
    "                       bytes in the sketch's table (end index + 1), the sound's seconds\n"
    "                       and the table's seconds, TAB-separated;\n"
    "                       then the totals, the budget of the board, and whether the slots\n"
    "                       in the table share one rate: \"Rates\", then \"all\" and the rate,\n"
    "                       or \"mixed\" and one \"HZ: SLOTS\" field per rate (\"16384: 1-4, "
    "9\"),\n"
    "                       or \"none\". A slot with a loop adds its loop start and end\n"
    "                       as two more fields; a slot with a key map then adds\n"
    "                       \"keys LOW-HIGH (NAMES) root NOTE (NAME)\" and its fine tune.\n"
    "  import SLOT FILE...  Load a sound file into the slot, named after the file, ending at\n"
    "                       its last sample; several files go into SLOT and the slots after\n"
    "                       it, in order, all or none. A slot too large for the board on its\n"
    "                       own is warned about on stderr.\n"
    "  trim SLOT END        Set the slot's end index to END, stepped back to a zero crossing\n"
    "                       as the window's end-point slider does.\n"
    "  cut-start SLOT INDEX Remove the samples before INDEX, moved forward to the next zero\n"
    "                       crossing (no further than the end index); the end index and the\n"
    "                       loop move with the sound.\n"
    "  trim-silence SLOT|all\n"
    "                       Remove the quiet head of the slot (or of every slot) and end it\n"
    "                       just after its last sample more than N steps (--threshold) from\n"
    "                       the zero line, at a zero crossing.\n"
    "  resample SLOT|all HZ Convert the slot's sound (or every slot's) to HZ.\n"
    "  normalise SLOT|all   Scale the slot's sound (or every slot's) to full level.\n"
    "  loop SLOT START END  Loop the slot from index START to END (both played), each end\n"
    "                       moved to the nearest seamless join, at or before the end index;\n"
    "                       prints where it settled and the jump left at its seam.\n"
    "  loop SLOT none       Remove the slot's loop.\n"
    "  keys SLOT LOW HIGH   Play the slot on the notes LOW to HIGH (MIDI numbers 0..127 or\n"
    "                       names such as C4, middle C, or F#3), at its own rate on NOTE\n"
    "                       (--root; default: the root it has, 35 + SLOT without a key map).\n"
    "  keys SLOT none       Remove the slot's key map: it plays on note 35 + SLOT alone.\n"
    "  single-cycle SLOT    Replace the slot's sound by one cycle of it: the pitch is found\n"
    "                       around INDEX (default: the middle of the kept samples), one\n"
    "                       period is cut between matching zero crossings and resampled to\n"
    "                       CELLS (32, 64, ... 2048; default 256), normalised and looped\n"
    "                       whole, at the rate that plays the pitch found. Prints the pitch,\n"
    "                       the rate and the loop's seam jump.\n"
    "  export               Write the sketch of all sixteen slots (default: Zozedovad.ino in\n"
    "                       the current folder). Slots at different rates are warned about\n"
    "                       on stderr; the sketch is written all the same.\n"
    "  export --player      Write the Arduino player sketch folder DIR (default: Zozedovad):\n"
    "                       DIR/Zozedovad.h, the sounds and the player, and DIR/NAME.ino\n"
    "                       (NAME the last part of DIR), your own sketch, only when it is not\n"
    "                       there yet. As written it plays each slot at its own rate when its\n"
    "                       number arrives on Serial.\n"
    "  upload               Build the player sketch of the slots with arduino-builder, in a\n"
    "                       folder of the user's cache (the working folder is not touched),\n"
    "                       and write it to the board on PORT through its bootloader with\n"
    "                       avrdude, as the Arduino IDE's Upload does; each step is shown on\n"
    "                       stderr. Without --port, the port last uploaded to for the board.\n"
    "                       A kit too large for the board is refused before anything is sent.\n"
    "                       Exit status 0 only after the flash was written and verified.\n"
    "  list-ports           The serial ports: path, description and USB vid:pid,\n"
    "                       TAB-separated, Arduino-like ones first.\n"
    "  play-on-board SLOT   Play the slot on the board that holds the uploaded player sketch:\n"
    "                       sends the line SLOT to it on PORT (default: the port last\n"
    "                       uploaded to for the remembered board).\n"
    "\n"
    "Exit status: 0 done, 1 the operation failed (nothing was changed), 2 a usage error.\n";

enum class Command {
    Window,
    Help,
    Version,
    List,
    Import,
    Trim,
    Resample,
    Normalise,
    Export,
    // Editing the start and the silence.
    CutStart,
    TrimSilence,
    // Loops.
    Loop,
    // One cycle from a recording.
    SingleCycle,
    // The notes that play a slot.
    Keys,
    // From the tool to a board.
    Upload,
    ListPorts,
    PlayOnBoard,
};

struct Invocation {
    Command command = Command::Window;
    QString folder; // empty: the usual one
    QStringList arguments;
    std::optional<QString> output;
    std::optional<QString> board;
    std::optional<QString> format;
    std::optional<std::int32_t> rate;
    bool normalise = false;
    bool force = false;
    bool player = false;
    PlayerOptions playerOptions;
    std::optional<QString> port;
    std::optional<std::int32_t> threshold;
    // single-cycle
    std::int32_t length = defaultSingleCycleLength();
    std::optional<std::int32_t> at;
    std::optional<QString> root; // keys
};

[[noreturn]] void usageError(const QString& reason) {
    raise(ErrorKind::Usage, reason.toStdString());
}

// QCommandLineParser takes "-5" for the option "5", yet no option of this program starts with a
// digit: a dash and a digit begin a value, such as a negative end index that must be refused
// as outside the slot. Such arguments reach the parser behind a mark no option starts with,
// and the mark comes off again in every positional argument and option value. An argument
// that already starts with the mark is given a second one, so every argument comes back
// exactly as it was typed.
constexpr QChar kValueMark = QChar(0x1F); // the unit separator, never typed in a command line

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

// Whole decimal numbers only: no sign but "-", no spaces, no fraction, within 32 bits.
std::optional<std::int32_t> wholeNumber(const QString& text) {
    const std::string digits = text.toStdString();
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::int16_t slotNumber(const QString& text) {
    const std::optional<std::int32_t> slot = wholeNumber(text);
    if (!slot || *slot < kFirstSlot || *slot > kLastSlot) {
        usageError(QStringLiteral("\"%1\" is not a slot number: SLOT is a number from 1 to 16.")
                       .arg(text));
    }
    return static_cast<std::int16_t>(*slot);
}

SlotChoice slotsChosen(const QString& text) {
    if (text == QLatin1String("all")) {
        return std::nullopt;
    }
    return slotNumber(text);
}

std::int32_t endIndexArgument(const QString& text) {
    const std::optional<std::int32_t> end = wholeNumber(text);
    if (!end) {
        usageError(QStringLiteral("\"%1\" is not an end index: END is a whole number.").arg(text));
    }
    return *end;
}

std::int32_t loopIndexArgument(const QString& text, const QString& name) {
    const std::optional<std::int32_t> index = wholeNumber(text);
    if (!index) {
        usageError(QStringLiteral("\"%1\" is not a loop %2: %3 is a whole number.")
                       .arg(text, name, name.toUpper()));
    }
    return *index;
}

// `what` names the value and its placeholder, as in "an index: INDEX".
std::int32_t wholeNumberArgument(const QString& text, const char* what) {
    const std::optional<std::int32_t> value = wholeNumber(text);
    if (!value) {
        usageError(
            QStringLiteral("\"%1\" is not %2 is a whole number.").arg(text, QLatin1String(what)));
    }
    return *value;
}

std::int32_t rateArgument(const QString& text) {
    const std::optional<std::int32_t> rate = wholeNumber(text);
    if (!rate || *rate <= 0) {
        usageError(QStringLiteral("\"%1\" is not a sample rate: HZ is a whole number of hertz.")
                       .arg(text));
    }
    return *rate;
}

std::int32_t indexArgument(const QString& text) {
    const std::optional<std::int32_t> index = wholeNumber(text);
    if (!index) {
        usageError(
            QStringLiteral("\"%1\" is not a sample index: INDEX is a whole number.").arg(text));
    }
    return *index;
}

std::int32_t thresholdArgument(const QString& text) {
    const std::optional<std::int32_t> threshold = wholeNumber(text);
    if (!threshold) {
        usageError(
            QStringLiteral("\"%1\" is not a threshold: N is a whole number of steps.").arg(text));
    }
    return *threshold;
}

QString lengthHelp() {
    QStringList lengths;
    for (const std::int32_t length : singleCycleLengths()) {
        lengths << (length == defaultSingleCycleLength()
                        ? QStringLiteral("%1 (the default)").arg(length)
                        : QString::number(length));
    }
    const QString last = lengths.takeLast();
    return QStringLiteral("single-cycle: the table's length in cells: %1 or %2.")
        .arg(lengths.join(QStringLiteral(", ")), last);
}

// The parser and every option it knows; which command takes which is checked after parsing.
struct Options {
    QCommandLineParser parser;
    QCommandLineOption folder{QStringLiteral("folder"),
                              QStringLiteral("Work on the slots in DIR instead of the usual "
                                             "working folder."),
                              QStringLiteral("DIR")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("export: write the sketch to FILE (with --player, "
                                             "into the folder FILE)."),
                              QStringLiteral("FILE")};
    QCommandLineOption player{QStringLiteral("player"),
                              QStringLiteral("export: write the player sketch folder (NAME.ino, Zozedovad.h).")};
    QCommandLineOption board{QStringLiteral("board"),
                             QStringLiteral("list, export: the board whose flash the sketch must "
                                            "fit: uno, leonardo or mega2560."),
                             QStringLiteral("BOARD")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("list, export: how the table holds the samples: "
                                             "pcm8 (8-bit PCM) or adpcm4 (4-bit ADPCM, about "
                                             "twice the sound in the same flash)."),
                              QStringLiteral("FORMAT")};
    QCommandLineOption force{QStringLiteral("force"),
                             QStringLiteral("export: write the sketch even when it does not fit "
                                            "the board.")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("upload, play-on-board: the board's serial port, such "
                                           "as /dev/ttyACM0."),
                            QStringLiteral("PORT")};
    QCommandLineOption rate{QStringLiteral("rate"),
                            QStringLiteral("import: convert the sound to HZ."),
                            QStringLiteral("HZ")};
    QCommandLineOption normalise{QStringLiteral("normalise"),
                                 QStringLiteral("import: scale the sound to full level.")};
    QCommandLineOption threshold{QStringLiteral("threshold"),
                                 QStringLiteral("trim-silence: a sample within N steps of the "
                                                "8-bit level (0 to %1) of the zero line is "
                                                "quiet; default %2.")
                                     .arg(kHighestSilenceThreshold)
                                     .arg(kDefaultSilenceThreshold),
                                 QStringLiteral("N")};
    QCommandLineOption length{QStringLiteral("length"), lengthHelp(), QStringLiteral("CELLS")};
    QCommandLineOption at{QStringLiteral("at"),
                          QStringLiteral("single-cycle: take the cycle around this index of the "
                                         "kept samples (default: their middle)."),
                          QStringLiteral("INDEX")};
    QCommandLineOption root{QStringLiteral("root"),
                            QStringLiteral("keys: the note at which the slot plays at its own "
                                           "rate."),
                            QStringLiteral("NOTE")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's name and version and exit.")};

    PlayerFlags playerFlags;

    Options() {
        parser.addOptions({folder, output, player, board, format, force, port, rate, normalise,
                           threshold, length, at, root, help, version});
        for (const QCommandLineOption* flag : playerFlags.all()) {
            parser.addOption(*flag);
        }
    }

    // The options a command may be given besides --folder.
    std::vector<const QCommandLineOption*> optionsOf(Command command) const {
        switch (command) {
        case Command::List:
            return {&board, &format};
        case Command::Import:
            return {&rate, &normalise};
        case Command::Export:
            return withPlayerFlags({&output, &player, &board, &format, &force});
        case Command::TrimSilence:
            return {&threshold};
        case Command::Upload:
            return withPlayerFlags({&port, &board, &format, &force});
        case Command::PlayOnBoard:
            return {&port};
        case Command::SingleCycle:
            return {&length, &at};
        case Command::Keys:
            return {&root};
        default:
            return {};
        }
    }

    std::vector<const QCommandLineOption*> commandOptions() const {
        return withPlayerFlags({&output, &player, &board, &format, &force, &port, &rate, &normalise,
                                &threshold, &length, &at, &root});
    }

    std::vector<const QCommandLineOption*>
    withPlayerFlags(std::vector<const QCommandLineOption*> list) const {
        const std::vector<const QCommandLineOption*> flags = playerFlags.all();
        list.insert(list.end(), flags.begin(), flags.end());
        return list;
    }
};

struct CommandForm {
    const char* name;
    Command command;
    const char* arguments; // as the usage shows them
    qsizetype count;
    qsizetype mostCount = count; // more than `count` for a command that takes several files
};

// Any number of files: the workspace refuses more than the slots left, with the numbers.
constexpr qsizetype kAnyNumber = std::numeric_limits<qsizetype>::max();

constexpr CommandForm kForms[] = {
    {"list", Command::List, "", 0},
    {"import", Command::Import, "SLOT FILE...", 2, kAnyNumber},
    {"trim", Command::Trim, "SLOT END", 2},
    {"resample", Command::Resample, "SLOT|all HZ", 2},
    {"normalise", Command::Normalise, "SLOT|all", 1},
    {"export", Command::Export, "", 0},
    {"loop", Command::Loop, "SLOT START END, or SLOT none", 2, 3},
    {"cut-start", Command::CutStart, "SLOT INDEX", 2},
    {"trim-silence", Command::TrimSilence, "SLOT|all", 1},
    {"single-cycle", Command::SingleCycle, "SLOT", 1},
    {"keys", Command::Keys, "SLOT LOW HIGH [--root NOTE], or SLOT none", 2, 3},
    {"upload", Command::Upload, "", 0},
    {"list-ports", Command::ListPorts, "", 0},
    {"play-on-board", Command::PlayOnBoard, "SLOT", 1},
};

const CommandForm& formNamed(const QString& name) {
    for (const CommandForm& form : kForms) {
        if (name == QLatin1String(form.name)) {
            return form;
        }
    }
    usageError(QStringLiteral("Unknown command \"%1\".").arg(name));
}

QString optionName(const QCommandLineOption& option) {
    return QStringLiteral("--") + option.names().constLast();
}

void checkArguments(const CommandForm& form, const QStringList& arguments) {
    if (arguments.size() >= form.count && arguments.size() <= form.mostCount) {
        return;
    }
    if (form.count == 0) {
        usageError(QStringLiteral("%1 takes no arguments, but was given \"%2\".")
                       .arg(QLatin1String(form.name), arguments.constFirst()));
    }
    usageError(QStringLiteral("%1 takes %2.")
                   .arg(QLatin1String(form.name), QLatin1String(form.arguments)));
}

void checkOptionsBelong(const Options& options, Command command, const QString& commandName) {
    const auto allowed = options.optionsOf(command);
    for (const QCommandLineOption* option : options.commandOptions()) {
        if (!options.parser.isSet(*option) ||
            std::find(allowed.begin(), allowed.end(), option) != allowed.end()) {
            continue;
        }
        if (command == Command::Window) {
            usageError(QStringLiteral("%1 goes with a command.").arg(optionName(*option)));
        }
        usageError(QStringLiteral("%1 does not go with %2.").arg(optionName(*option), commandName));
    }
}

std::optional<QString> nonEmptyValue(const Options& options, const QCommandLineOption& option) {
    if (!options.parser.isSet(option)) {
        return std::nullopt;
    }
    const QString value = unmarked(options.parser.value(option));
    if (value.isEmpty()) {
        usageError(QStringLiteral("%1 needs a value.").arg(optionName(option)));
    }
    return value;
}

std::optional<QString> boardOption(const Options& options) {
    const std::optional<QString> board = nonEmptyValue(options, options.board);
    if (board && !boardIds().contains(*board)) {
        usageError(QStringLiteral("Unknown board \"%1\": BOARD is one of %2.")
                       .arg(*board, boardIds().join(QStringLiteral(", "))));
    }
    return board;
}

std::optional<QString> formatOption(const Options& options) {
    const std::optional<QString> format = nonEmptyValue(options, options.format);
    if (format && !sampleFormatIds().contains(*format)) {
        usageError(QStringLiteral("Unknown sample format \"%1\": FORMAT is one of %2.")
                       .arg(*format, sampleFormatIds().join(QStringLiteral(", "))));
    }
    return format;
}

// Raises a usage error for anything not understood.
Invocation parseInvocation(Options& options, const QStringList& arguments) {
    if (!options.parser.parse(markedValues(arguments))) {
        usageError(options.parser.errorText());
    }
    Invocation invocation;
    if (options.parser.isSet(options.help)) {
        invocation.command = Command::Help;
        return invocation;
    }
    if (options.parser.isSet(options.version)) {
        invocation.command = Command::Version;
        return invocation;
    }
    // Never the usual folder in place of an empty one: that is not the folder the user named.
    invocation.folder = unmarked(options.parser.value(options.folder));
    if (options.parser.isSet(options.folder) && invocation.folder.isEmpty()) {
        usageError(QStringLiteral("The folder given with --folder is empty."));
    }
    QStringList positional = unmarked(options.parser.positionalArguments());
    if (positional.isEmpty()) {
        checkOptionsBelong(options, Command::Window, QString());
        return invocation;
    }
    const QString name = positional.takeFirst();
    const CommandForm& form = formNamed(name);
    checkOptionsBelong(options, form.command, name);
    checkArguments(form, positional);
    invocation.command = form.command;
    invocation.arguments = positional;
    invocation.output = nonEmptyValue(options, options.output);
    invocation.board = boardOption(options);
    invocation.format = formatOption(options);
    invocation.port = nonEmptyValue(options, options.port);
    invocation.force = options.parser.isSet(options.force);
    invocation.player = options.parser.isSet(options.player);
    invocation.playerOptions = playerOptionsFrom(options.parser, options.playerFlags);
    invocation.normalise = options.parser.isSet(options.normalise);
    if (const auto rate = nonEmptyValue(options, options.rate)) {
        invocation.rate = rateArgument(*rate);
    }
    if (const auto threshold = nonEmptyValue(options, options.threshold)) {
        invocation.threshold = thresholdArgument(*threshold);
    }
    if (const auto length = nonEmptyValue(options, options.length)) {
        invocation.length = wholeNumberArgument(*length, "a table length: CELLS");
    }
    if (const auto at = nonEmptyValue(options, options.at)) {
        invocation.at = wholeNumberArgument(*at, "an index: INDEX");
    }
    invocation.root = nonEmptyValue(options, options.root);
    return invocation;
}

std::string helpText(const Options& options) {
    // Qt lays out the options; the synopsis and the commands are ours.
    const QString qtHelp = options.parser.helpText();
    const qsizetype optionsAt = qtHelp.indexOf(QLatin1String("Options:"));
    return std::string(kSynopsis) + "\n" + kCommands + "\n" +
           (optionsAt < 0 ? QString() : qtHelp.mid(optionsAt)).toStdString();
}

QString workingFolderOf(const Invocation& invocation) {
    return invocation.folder.isEmpty() ? workingFolderOfProgram({}) : invocation.folder;
}

// `loop SLOT none`, or `loop SLOT START END`.
std::optional<Loop> loopArguments(const QStringList& args) {
    if (args.size() == 2) {
        if (args[1] != QLatin1String("none")) {
            usageError(QStringLiteral("loop takes SLOT START END, or SLOT none; \"%1\" is not "
                                      "\"none\".")
                           .arg(args[1]));
        }
        return std::nullopt;
    }
    return Loop{loopIndexArgument(args[1], QStringLiteral("start")),
                loopIndexArgument(args[2], QStringLiteral("end"))};
}

std::string loopSentence(const Slot& slot, LoopAfterCut loop) {
    const auto range = [&] {
        return std::to_string(slot.loop->start) + ".." + std::to_string(slot.loop->end);
    };
    switch (loop) {
    case LoopAfterCut::Kept:
        return " Its loop is now " + range() + ".";
    case LoopAfterCut::Shortened:
        return " Its loop began before the cut and is now " + range() + ".";
    case LoopAfterCut::Removed:
        return " Its loop ended before the cut and was removed.";
    case LoopAfterCut::None:
        break;
    }
    return {};
}

std::string startCutReport(std::int16_t slot, const StartCut& cut) {
    const std::string number = std::to_string(slot);
    if (cut.removed == 0) {
        return "Slot " + number + " keeps its start: nothing was cut.\n";
    }
    return "Slot " + number + " now starts at the sample that was at index " +
           std::to_string(cut.removed) + " and ends at index " + std::to_string(cut.slot.endIndex) +
           "." + loopSentence(cut.slot, cut.loop) + "\n";
}

std::string silenceTrimReport(const Workspace::SlotSilenceTrim& each) {
    const std::string slot = "Slot " + std::to_string(each.slot);
    const Slot& trimmed = each.trim.slot;
    if (trimmed.endIndex < 0 || trimmed.samples.empty()) {
        return slot + " holds nothing in the table: left as it was.\n";
    }
    if (each.trim.silent) {
        return slot + " holds only quiet samples: left as it was.\n";
    }
    const std::int32_t removed = each.trim.removed;
    std::string report =
        slot +
        (removed > 0 ? " starts " + std::to_string(removed) +
                           (removed == 1 ? " quiet sample" : " quiet samples") + " later"
                     : " keeps its start") +
        " and ends at index " + std::to_string(trimmed.endIndex) + ".";
    if (removed > 0 && trimmed.loop) {
        report += loopSentence(trimmed, LoopAfterCut::Kept);
    }
    return report + "\n";
}

// "Slot 3 is one cycle of 256 cells: pitch 220.00 Hz around index 8192, rate 56320 Hz, loop
// 0..255, seam jump 0 steps."
std::string singleCycleLine(std::int16_t slot, std::int32_t length,
                            const SingleCycleReport& report) {
    std::array<char, 32> pitch{};
    const auto written = std::to_chars(pitch.data(), pitch.data() + pitch.size(), report.frequency,
                                       std::chars_format::fixed, 2);
    return "Slot " + std::to_string(slot) + " is one cycle of " + std::to_string(length) +
           " cells: pitch " + std::string(pitch.data(), written.ptr) + " Hz around index " +
           std::to_string(report.at) + ", rate " + std::to_string(report.rate) + " Hz, loop 0.." +
           std::to_string(length - 1) + ", seam jump " + std::to_string(report.seamJump) +
           (report.seamJump == 1 ? " step" : " steps") + ".\n";
}

// The commands that work on a working folder.
void runFolderCommand(const QString& folder, const Invocation& invocation) {
    const QStringList& args = invocation.arguments;
    switch (invocation.command) {
    case Command::List:
        printOutput(listCommand(folder, invocation.board, invocation.format));
        printWarnings(missingFolderWarnings(folder));
        return;
    case Command::Import:
        printWarnings(importCommand(
            folder, {slotNumber(args[0]), args.mid(1), invocation.rate, invocation.normalise}));
        return;
    case Command::Loop:
        printOutput(loopCommand(folder, slotNumber(args[0]), loopArguments(args)));
        return;
    case Command::Trim: {
        const std::int16_t slot = slotNumber(args[0]);
        const std::int32_t end = trimCommand(folder, slot, endIndexArgument(args[1]));
        printOutput("Slot " + std::to_string(slot) + " ends at index " + std::to_string(end) +
                    ".\n");
        return;
    }
    case Command::Resample:
        resampleCommand(folder, slotsChosen(args[0]), rateArgument(args[1]));
        return;
    case Command::Normalise:
        normaliseCommand(folder, slotsChosen(args[0]));
        return;
    case Command::Export: {
        // Written as asked; the warnings still go where a build log keeps them.
        const QString defaultOutput =
            invocation.player
                ? QString::fromLatin1(kDefaultPlayerName.data(),
                                      static_cast<qsizetype>(kDefaultPlayerName.size()))
                : QString::fromLatin1(kDefaultSketchFileName);
        const ExportOutcome outcome = exportCommand(
            folder, {invocation.output.value_or(defaultOutput), invocation.board, invocation.force,
                     invocation.player, invocation.format, invocation.playerOptions});
        printWarnings(missingFolderWarnings(folder));
        for (const std::string& note : outcome.notes) {
            printError(note);
        }
        printWarnings(outcome.warnings);
        return;
    }
    case Command::CutStart: {
        const std::int16_t slot = slotNumber(args[0]);
        printOutput(startCutReport(slot, cutStartCommand(folder, slot, indexArgument(args[1]))));
        return;
    }
    case Command::TrimSilence: {
        std::string report;
        for (const Workspace::SlotSilenceTrim& each :
             trimSilenceCommand(folder, slotsChosen(args[0]),
                                invocation.threshold.value_or(kDefaultSilenceThreshold))) {
            report += silenceTrimReport(each);
        }
        printOutput(report);
        return;
    }
    case Command::SingleCycle: {
        const std::int16_t slot = slotNumber(args[0]);
        const SingleCycleReport report =
            singleCycleCommand(folder, {slot, invocation.length, invocation.at});
        printOutput(singleCycleLine(slot, invocation.length, report));
        return;
    }
    case Command::Keys:
        printOutput(
            keysCommand(folder, keysArguments(slotNumber(args[0]), args.mid(1), invocation.root)));
        return;
    case Command::Upload:
        printWarnings(missingFolderWarnings(folder));
        printOutput(uploadCommand(folder,
                                  {invocation.port, invocation.board, invocation.format,
                                   invocation.force, invocation.playerOptions},
                                  [](const std::string& step) { printError(step); }));
        return;
    case Command::ListPorts:
    case Command::PlayOnBoard:
    case Command::Help:
    case Command::Version:
    case Command::Window:
        break;
    }
}

void runCommand(const Options& options, const Invocation& invocation) {
    // --help and --version answer before any working folder is looked for, which may fail.
    if (invocation.command == Command::Help) {
        printOutput(helpText(options));
    } else if (invocation.command == Command::Version) {
        printOutput(std::string(build::kProgramName) + " " + build::kVersion + "\n");
    } else if (invocation.command == Command::ListPorts) {
        printOutput(listPortsCommand());
    } else if (invocation.command == Command::PlayOnBoard) {
        const std::int16_t slot = slotNumber(invocation.arguments[0]);
        playOnBoardCommand(slot, invocation.port);
        printOutput("Sent slot " + std::to_string(slot) + " to the board.\n");
    } else {
        runFolderCommand(workingFolderOf(invocation), invocation);
    }
}

int reportFailure(const RuntimeError& error) {
    if (error.kind() == ErrorKind::Usage) {
        printError(std::string(error.what()) + "\n" + kSynopsis +
                   "Try \"wavetable-builder --help\" for more.");
        return kExitUsageError;
    }
    std::string message = error.what();
    if (error.kind() == ErrorKind::Size) {
        message += " To make the table smaller, convert the slots to a lower rate with "
                   "\"resample all HZ\" (\"list\" shows each slot's rate; a rate chosen for "
                   "imports does not change slots already there) or end them earlier with "
                   "\"trim SLOT END\".";
    }
    printError(message);
    return kExitFailed;
}

} // namespace

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << pathFromSystem(QByteArray(argv[i]));
    }
    return arguments;
}

std::optional<QString> windowFolderRequested(const QStringList& arguments) {
    try {
        Options options;
        const Invocation invocation = parseInvocation(options, arguments);
        if (invocation.command == Command::Window) {
            return invocation.folder;
        }
    } catch (const RuntimeError&) {
        // Not understood: the command line says why.
    }
    return std::nullopt;
}

int runCommandLine(const QStringList& arguments) {
    try {
        Options options;
        const Invocation invocation = parseInvocation(options, arguments);
        if (invocation.command == Command::Window) {
            usageError(QStringLiteral("No command given."));
        }
        runCommand(options, invocation);
        return kExitDone;
    } catch (const RuntimeError& error) {
        return reportFailure(error);
    } catch (const std::bad_alloc&) {
        printError("There was not enough memory to finish the command; the working folder was "
                   "not saved.");
    } catch (const std::exception& error) {
        printError(error.what());
    } catch (...) {
        printError("An unexpected error stopped the command.");
    }
    return kExitFailed;
}

} // namespace wtb::cli
