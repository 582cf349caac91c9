#pragma once

#include "cli/KeysCommand.h"
#include "workspace/Workspace.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One function per command, each over the workspace the window uses. A command that changes
// slots holds the folder's lock, applies its one operation and saves the folder whole; one that
// fails raises before anything is saved or written. `list` and `export` only read the folder:
// a new, empty folder shows the default kit and stays empty.
//
// A working folder that does not exist is a new folder, as for the window: a command that
// changes a slot creates it (and the folders above it) when it saves, and removes what it
// created again when it fails; `list` and `export` never create it and show the default kit.
namespace wtb::cli {

struct ImportRequest {
    std::int16_t slot = 0; // the first of the slots the files go into
    QStringList files;
    std::optional<std::int32_t> rate;
    bool normalise = false;
};

struct ExportRequest {
    QString output;             // the sketch file to write; with `player`, the sketch's folder
    std::optional<Board> board; // else the remembered one
    bool force = false;
    bool player = false;                // the player sketch, DIR/NAME.ino, instead of the table
    std::optional<SampleFormat> format; // else the remembered one
    PlayerOptions playerOptions;        // with `player`: its voices, mixing rate and inputs
};

// The listing, as formatSlotList gives it, then the budget line (the bytes of the table in the
// format given, else the remembered one) and the rates line (ratesLine).
std::string listCommand(const QString& folder, std::optional<Board> board,
                        std::optional<SampleFormat> format);

// Gives the warnings: what the import tells about the files (Workspace::importFiles), and each
// imported slot too large for the remembered board and format on its own (oversizedSlotNote).
std::vector<std::string> importCommand(const QString& folder, const ImportRequest& request);

// Gives the end index the slot settled on.
std::int32_t trimCommand(const QString& folder, std::int16_t slot, std::int32_t end);

void resampleCommand(const QString& folder, SlotChoice slots, std::int32_t rate);
void normaliseCommand(const QString& folder, SlotChoice slots);

// Sets the slot's loop (Workspace::setLoop), or removes it when `loop` is empty; gives the
// line that says how the slot now loops:
//   Slot 3 loops from index 1200 to 3456, seam jump 1.
//   Slot 3 has no loop.
std::string loopCommand(const QString& folder, std::int16_t slot, const std::optional<Loop>& loop);

// The start cut, as Workspace::cutStart made it. Raises for a slot without samples.
StartCut cutStartCommand(const QString& folder, std::int16_t slot, std::int32_t index);

// Each chosen slot's trim, as Workspace::trimSilence made them.
std::vector<Workspace::SlotSilenceTrim> trimSilenceCommand(const QString& folder, SlotChoice slots,
                                                           std::int32_t threshold);

// For a reading command on a working folder that does not exist: that it shows the default
// kit and created nothing; empty when the folder is there.
std::vector<std::string> missingFolderWarnings(const QString& folder);

struct SingleCycleRequest {
    std::int16_t slot = 0;
    std::int32_t length = 0;
    std::optional<std::int32_t> at;     // none: the middle of the kept samples
    std::optional<SampleFormat> format; // whose player must play the cycle's rate; else the
                                        // remembered one
};

// Makes the slot one looped cycle of its sound (Workspace::makeSingleCycle); gives what it found.
SingleCycleReport singleCycleCommand(const QString& folder, const SingleCycleRequest& request);

// Sets or removes the slot's key map (Workspace::setKeys, requestedKeys); gives keysLine.
std::string keysCommand(const QString& folder, const KeysRequest& request);

// What an export did: which files it wrote and kept and the sketch's flash (flashFigureText),
// and its warnings: the slots at mixed rates, and a sketch written with --force although it
// does not fit.
struct ExportOutcome {
    std::vector<std::string> notes;
    std::vector<std::string> warnings;
};
ExportOutcome exportCommand(const QString& folder, const ExportRequest& request);

struct UploadRequest {
    std::optional<QString> port; // else the one remembered for the board
    std::optional<Board> board;
    std::optional<SampleFormat> format;
    bool force = false;
    PlayerOptions playerOptions;
};

// Builds the folder's player sketch and uploads it to the board (Workspace::uploadToBoard),
// telling each step through `step` (one line, for stderr); gives the line that says what
// the board now holds. Reads the folder only: a missing folder uploads the default kit.
std::string uploadCommand(const QString& folder, const UploadRequest& request,
                          const std::function<void(const std::string&)>& step);

// The serial ports there are, one portLine each, Arduino-like ones first.
std::string listPortsCommand();

// Plays the slot on the board (sendPlayCommand) on `port`, else the one remembered for the
// remembered board.
void playOnBoardCommand(std::int16_t slot, const std::optional<QString>& port);

} // namespace wtb::cli
