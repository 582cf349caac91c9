#include "cli/CommandTable.h"

#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/PlayerFlags.h"
#include "cli/Reports.h"
#include "editing/StartTrim.h"
#include "workspace/Choices.h"
#include "workspace/Session.h"

#include <algorithm>

namespace wtb::cli {

namespace {

void runList(const CommandCall& call) {
    printOutput(listCommand(call.folder, call.options.board(), call.options.format()));
    printWarnings(missingFolderWarnings(call.folder));
}

void runImport(const CommandCall& call) {
    const QStringList& args = call.arguments;
    printWarnings(importCommand(call.folder, {slotArgument(args[0]), args.mid(1),
                                              call.options.number(OptionId::Rate, kSampleRate),
                                              call.options.has(OptionId::Normalise)}));
}

void runTrim(const CommandCall& call) {
    const std::int16_t slot = slotArgument(call.arguments[0]);
    const std::int32_t end = numberArgument(call.arguments[1], kEndIndex);
    printOutput(trimReport(slot, trimCommand(call.folder, slot, end)));
}

void runCutStart(const CommandCall& call) {
    const std::int16_t slot = slotArgument(call.arguments[0]);
    const std::int32_t index = numberArgument(call.arguments[1], kSampleIndex);
    printOutput(startCutReport(slot, cutStartCommand(call.folder, slot, index)));
}

void runTrimSilence(const CommandCall& call) {
    const SlotChoice slots = slotsArgument(call.arguments[0]);
    const std::int32_t threshold =
        call.options.number(OptionId::Threshold, kThreshold).value_or(kDefaultSilenceThreshold);
    std::string report;
    for (const Workspace::SlotSilenceTrim& each :
         trimSilenceCommand(call.folder, slots, threshold)) {
        report += silenceTrimReport(each);
    }
    printOutput(report);
}

void runResample(const CommandCall& call) {
    const SlotChoice slots = slotsArgument(call.arguments[0]);
    resampleCommand(call.folder, slots, numberArgument(call.arguments[1], kSampleRate));
}

void runNormalise(const CommandCall& call) {
    normaliseCommand(call.folder, slotsArgument(call.arguments[0]));
}

// `loop SLOT none`, or `loop SLOT START END`.
void runLoop(const CommandCall& call) {
    const QStringList& args = call.arguments;
    const std::int16_t slot = slotArgument(args[0]);
    std::optional<Loop> loop;
    if (args.size() == 2 && args[1] != QLatin1String("none")) {
        notNoneError(Operation::Loop, args[1]);
    }
    if (args.size() == 3) {
        loop = Loop{numberArgument(args[1], kLoopStart), numberArgument(args[2], kLoopEnd)};
    }
    printOutput(loopCommand(call.folder, slot, loop));
}

void runKeys(const CommandCall& call) {
    const std::int16_t slot = slotArgument(call.arguments[0]);
    printOutput(keysCommand(call.folder, keysArguments(slot, call.arguments.mid(1),
                                                       call.options.text(OptionId::Root))));
}

void runSingleCycle(const CommandCall& call) {
    const std::int16_t slot = slotArgument(call.arguments[0]);
    const std::int32_t length =
        call.options.number(OptionId::Length, kTableLength).value_or(defaultSingleCycleLength());
    const SingleCycleReport report = singleCycleCommand(
        call.folder,
        {slot, length, call.options.number(OptionId::At, kCycleIndex), call.options.format()});
    printOutput(singleCycleReport(slot, report.length, report));
}

void runExport(const CommandCall& call) {
    const bool player = call.options.has(OptionId::Player);
    const QString defaultOutput = player ? defaultPlayerSketchName() : defaultSketchFileName();
    const ExportOutcome outcome =
        exportCommand(call.folder, {call.options.text(OptionId::Output).value_or(defaultOutput),
                                    call.options.board(), call.options.has(OptionId::Force), player,
                                    call.options.format(), playerOptionsFrom(call.options)});
    // Written as asked; the warnings still go where a build log keeps them.
    printWarnings(missingFolderWarnings(call.folder));
    for (const std::string& note : outcome.notes) {
        printError(note);
    }
    printWarnings(outcome.warnings);
}

void runUpload(const CommandCall& call) {
    printWarnings(missingFolderWarnings(call.folder));
    printOutput(uploadCommand(call.folder,
                              {call.options.text(OptionId::Port), call.options.board(),
                               call.options.format(), call.options.has(OptionId::Force),
                               playerOptionsFrom(call.options)},
                              [](const std::string& step) { printError(step); }));
}

void runListPorts(const CommandCall&) {
    printOutput(listPortsCommand());
}

void runPlayOnBoard(const CommandCall& call) {
    const std::int16_t slot = slotArgument(call.arguments[0]);
    playOnBoardCommand(slot, call.options.text(OptionId::Port));
    printOutput("Sent slot " + std::to_string(slot) + " to the board.\n");
}

const std::vector<CommandEntry>& commands() {
    using enum OptionId;
    static const std::vector<CommandEntry> table = {
        {Operation::List,
         {{"[--board BOARD] [--format FORMAT]",
           "One line per slot: number, name, rate (Hz), samples, end index, bytes in the "
           "sketch's table (end index + 1), the sound's seconds and the table's seconds, "
           "TAB-separated; a slot with a loop adds its loop start and end as two more fields, and "
           "a "
           "slot with a key map then adds one field, \"keys 36-84 (C2-C6) root 57 (A3)\", "
           "with its fine tune after the root when it has one. "
           "Then the totals; the budget of the board (by default the board last chosen in the "
           "window): the player sketch's bytes of flash in the format (by default the one last "
           "chosen, else pcm8), the board's flash, and whether it fits; and whether the slots in "
           "the table share one rate: \"Rates\", then \"all\" and the rate, or \"mixed\" and one "
           "\"HZ: SLOTS\" field per rate (\"16384: 1-4, 9\"), or \"none\"."}},
         0,
         0,
         {Board, Format},
         Works::OnAFolder,
         runList},
        {Operation::Import,
         {{"SLOT FILE... [--rate HZ] [--normalise]",
           "Load a sound file into the slot, named after the file, ending at its last sample, "
           "optionally converted to HZ and normalised; several files go into SLOT and the slots "
           "after it, in order, all or none: more files than slots left, or a file that cannot "
           "be read, changes nothing. The first forward loop of the file (a WAV's smpl chunk, "
           "an AIFF's sustain loop) becomes the slot's loop; one that cannot be kept is left out "
           "with a note on stderr. A slot too large for the board on its own is warned about on "
           "stderr, with the rate and the end index at which it would fit."}},
         2,
         kAnyNumber,
         {Rate, Normalise},
         Works::OnAFolder,
         runImport},
        {Operation::Trim,
         {{"SLOT END", "Set the slot's end index to END, stepped back to a zero crossing as the "
                       "window's end-point slider does."}},
         2,
         2,
         {},
         Works::OnAFolder,
         runTrim},
        {Operation::CutStart,
         {{"SLOT INDEX",
           "Remove the samples before INDEX, moved forward to the next zero crossing (no "
           "further than the end index); the end index and the loop move with the sound. A loop "
           "that began before the cut begins at the new first sample; one that ended before it "
           "is removed."}},
         2,
         2,
         {},
         Works::OnAFolder,
         runCutStart},
        {Operation::TrimSilence,
         {{"SLOT|all [--threshold N]",
           "Remove the quiet head of the slot (or of every slot) and end it just after its last "
           "sample more than N steps from the zero line, at a zero crossing. A loop's samples "
           "are always kept."}},
         1,
         1,
         {Threshold},
         Works::OnAFolder,
         runTrimSilence},
        {Operation::Resample,
         {{"SLOT|all HZ", "Convert the slot's sound (or every slot's) to HZ samples a second "
                          "(1000 to 96000)."}},
         2,
         2,
         {},
         Works::OnAFolder,
         runResample},
        {Operation::Normalise,
         {{"SLOT|all", "Scale the slot's sound (or every slot's) to the full 8-bit range."}},
         1,
         1,
         {},
         Works::OnAFolder,
         runNormalise},
        {Operation::Loop,
         {{"SLOT START END",
           "Loop the slot from index START to END (both played), each end moved to the nearest "
           "seamless join, at or before the end index; prints where it settled and the jump "
           "left at its seam in 8-bit steps."},
          {"SLOT none", "Remove the slot's loop."}},
         2,
         3,
         {},
         Works::OnAFolder,
         runLoop},
        {Operation::Keys,
         {{"SLOT LOW HIGH [--root NOTE]",
           "Play the slot on the MIDI notes LOW to HIGH (both included), each at its pitch: note "
           "k plays the slot at its rate times 2^((k - root) / 12). Notes are numbers 0 to 127 "
           "or names with middle C as C4 (60), sharps as # and flats as b: C-1 to G9, F#3, Bb2. "
           "--root gives the note at which the slot plays at its own rate (it may lie outside "
           "the range); without it the slot keeps its root and fine tune (those a single cycle "
           "found), or, without a key map, 35 + SLOT. Prints the notes and the root."},
          {"SLOT none", "Remove the slot's key map: it plays at its own rate on note 35 + SLOT "
                        "alone (36 to 51), as when none was set."}},
         2,
         3,
         {Root},
         Works::OnAFolder,
         runKeys},
        {Operation::SingleCycle,
         {{"SLOT [--length CELLS] [--at INDEX] [--format FORMAT]",
           "Replace the slot's sound by one cycle of it: the pitch is found around INDEX "
           "(default: the middle of the kept samples), one period is cut between matching zero "
           "crossings and resampled to CELLS (32, 64, ... 2048; default 256), normalised and "
           "looped whole, at the rate that plays the pitch found. The table is the longest, up to "
           "CELLS, whose rate the player of FORMAT (by default the remembered one) plays: up to "
           "96000 Hz in PCM, 48000 Hz in ADPCM. A slot that is a single cycle already is made "
           "one again from its own pitch. Prints the cells, the pitch, the rate and the loop's "
           "seam jump. A pitch whose rate would fall below 1000 Hz is refused, naming a length "
           "that fits; so is silence, or a sound that does not repeat itself there."}},
         1,
         1,
         {Length, At, Format},
         Works::OnAFolder,
         runSingleCycle},
        {Operation::Export,
         {{"[-o FILE] [--board BOARD] [--format FORMAT] [--force]",
           "Write the sketch of all sixteen slots (default: Zozedovad.ino in the current "
           "folder). A sketch too large for the board is refused unless --force is given; one "
           "too large for the accessors always is. Slots at different rates are warned about on "
           "stderr; the sketch is written all the same. For the Mega 2560 a warning says how "
           "many bytes the guard against runs of three 0x21 bytes changed."},
          {"--player [-o DIR] [--board BOARD] [--format FORMAT] [--force] [--voices N] "
           "[--mix-rate HZ] [--midi] [--midi-baud BAUD] [--pins SLOT=PIN,...]",
           "Write the Arduino player sketch folder DIR (default: Zozedovad): DIR/Zozedovad.h, "
           "the sounds and the player, replaced by every export, and DIR/NAME.ino (NAME the last "
           "part of DIR), your own sketch, only when it is not there yet. As written it plays "
           "each slot at its own rate when its number arrives on Serial. A slot at a rate the "
           "player cannot play is refused. --voices N (1, the one-sound player, to 8) mixes N "
           "sounds at once at the mixing rate --mix-rate HZ; --midi plays notes from MIDI on the "
           "serial input (Serial1 on the Leonardo) at --midi-baud 31250 (the default) or 115200; "
           "--pins SLOT=PIN,... plays a slot while a button from its pin to GND is pressed. A "
           "combination whose measured worst interrupt passes 80 % of a mixing period is "
           "refused, saying what would fit. Both exports say on stderr which files they wrote "
           "or kept and how much flash the sketch takes."}},
         0,
         0,
         {Output, Player, Board, Format, Force, Voices, MixRate, Midi, MidiBaud, Pins},
         Works::OnAFolder,
         runExport},
        {Operation::Upload,
         {{"[--port PORT] [--board BOARD] [--format FORMAT] [--force] [--voices N] "
           "[--mix-rate HZ] [--midi] [--midi-baud BAUD] [--pins SLOT=PIN,...]",
           "Build the player sketch of the slots with arduino-builder, as the Arduino IDE "
           "does, in $XDG_CACHE_HOME/wavetable-builder/upload/BOARD (the working folder is not "
           "touched), and write it to the board on PORT "
           "through its bootloader with avrdude, as the Arduino IDE's Upload does; each step is "
           "shown on stderr. Without --port, the port last uploaded to for the board. A kit too "
           "large for the board is refused before anything is sent; a board that does not answer "
           "its bootloader is given up within a minute. Exit status 0 only after the flash was "
           "written and verified. The player's options are those of export --player. Needs the "
           "packages arduino-builder, arduino-core-avr, gcc-avr and avrdude."}},
         0,
         0,
         {Port, Board, Format, Force, Voices, MixRate, Midi, MidiBaud, Pins},
         Works::OnAFolder,
         runUpload},
        {Operation::ListPorts,
         {{"", "The serial ports: path, description and USB vid:pid, TAB-separated, "
               "Arduino-like ones first."}},
         0,
         0,
         {},
         Works::Alone,
         runListPorts},
        {Operation::PlayOnBoard,
         {{"SLOT [--port PORT]",
           "Play the slot on the board that holds the uploaded player sketch: sends the line "
           "SLOT to it on PORT (default: the port last uploaded to for the remembered board)."}},
         1,
         1,
         {Port},
         Works::Alone,
         runPlayOnBoard},
    };
    return table;
}

} // namespace

bool CommandEntry::takes(OptionId id) const {
    return std::find(options.begin(), options.end(), id) != options.end();
}

QString CommandEntry::argumentsText() const {
    QStringList each;
    for (const CommandForm& form : forms) {
        // The arguments are what comes before the first option.
        const QString usage = QString::fromUtf8(form.usage);
        const qsizetype optionAt = usage.indexOf(u'[');
        each << (optionAt < 0 ? usage : usage.left(optionAt)).trimmed();
    }
    return each.join(QStringLiteral(", or "));
}

std::span<const CommandEntry> commandTable() {
    return commands();
}

const CommandEntry& commandNamed(const QString& name) {
    for (const CommandEntry& entry : commands()) {
        if (name == entry.name()) {
            return entry;
        }
    }
    usageError(QStringLiteral("Unknown command \"%1\".").arg(name));
}

const CommandEntry& commandFor(Operation operation) {
    for (const CommandEntry& entry : commands()) {
        if (entry.operation == operation) {
            return entry;
        }
    }
    raise(ErrorKind::Internal, "An operation has no shell command.");
}

void notNoneError(Operation operation, const QString& given) {
    const CommandEntry& command = commandFor(operation);
    usageError(QStringLiteral("%1 takes %2; \"%3\" is not \"none\".")
                   .arg(command.name(), command.argumentsText(), given));
}

} // namespace wtb::cli
