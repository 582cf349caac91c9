#pragma once

#include "common/RuntimeError.h"
#include "export/Boards.h"
#include "export/PlayerOptions.h"
#include "export/SampleFormat.h"
#include "export/SketchBuild.h"
#include "export/SketchWriter.h"
#include "slots/Slot.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>

namespace wtb {

// How the Arduino IDE uploads to a board, as the installed core's boards.txt gives it.
struct UploadSettings {
    QString mcu;              // build.mcu, as avrdude's -p takes it
    QString protocol;         // upload.protocol: "arduino", "wiring", "avr109"
    QString speed;            // upload.speed, in baud
    bool touch1200 = false;   // upload.use_1200bps_touch: opening the port at 1200 baud starts
                              // the bootloader (the Leonardo's USB serial port)
    bool waitForPort = false; // upload.wait_for_upload_port: the bootloader's port is a new one
};

// The core's board list, where Debian's arduino-core-avr installs it.
QString installedBoardsFile();

// The board's entry in `boardsFile` (the one of its menu choice first, as "mega" with
// "cpu=atmega2560"). Raises a tool error naming the package when the file is missing, or naming
// the key when the entry lacks one.
UploadSettings uploadSettings(Board board, const QString& boardsFile = installedBoardsFile());

// The avrdude command with which the Arduino IDE writes `hex` to the board on `port` through its
// bootloader and verifies it: the core's protocol and speed, no chip erase (the bootloader
// erases each page it writes), the progress bar on. Raises a tool error naming the package when
// avrdude is not installed.
ToolCommand uploadCommand(const UploadSettings& settings, const QString& port, const QString& hex);

// Raises a file error, before anything is built or sent, when `port` is no serial port this
// user can open: it does not exist (a link to nothing included), is no terminal device, is busy,
// or may not be opened (for /dev/ttyACM* and /dev/ttyUSB*: the "dialout" group).
void checkSerialPort(const QString& port);

// The folder the tool builds and uploads from, "$XDG_CACHE_HOME/wavetable-builder/upload/BOARD",
// kept between uploads so the compiled core is reused, and never the working folder.
QString uploadFolder(Board board);

// The steps of an upload, in order, as the window and the shell show them.
enum class UploadStep { Building, Resetting, Writing, Verifying };

// What an upload reports as it goes: each step as it begins, and avrdude's percentage within
// Writing and Verifying (0 when a step begins).
using UploadProgress = std::function<void(UploadStep step, int percent)>;
// Asked often while an upload runs; true stops it.
using UploadCancelled = std::function<bool()>;

// Where avrdude's output says it is: the step and the percentage of its last progress bar.
struct UploadPosition {
    UploadStep step = UploadStep::Resetting;
    int percent = 0;
};
UploadPosition uploadPosition(std::string_view avrdudeOutput);

// avrdude's output of a run that ended without verifying the flash, or was stopped, as the tool
// fault it reports: a board that never answered its bootloader, a failed verify, a board that
// went silent (unplugged), an upload cancelled by the user, or another failure; with the board,
// the port, whether a page was written (the board may then hold part of the old program) and
// the output's last lines.
enum class UploadStop { No, Cancelled, Silent, NoAnswer };
RuntimeError uploadFailure(Board board, const QString& port, std::string_view output,
                           UploadStop stopped);

// Writes `hex` to the board on `port` with avrdude and waits for it, reporting its progress.
// Gives up when the bootloader never answers (within a minute), when avrdude falls silent, and
// when `cancelled` says so, stopping avrdude; all are tool errors with the message of
// uploadFailure. Returns avrdude's output when the flash was written and verified.
std::string uploadHex(Board board, const QString& port, const QString& hex,
                      const UploadProgress& progress, const UploadCancelled& cancelled);

// What an upload did.
struct UploadedSketch {
    QString port;            // the port avrdude wrote through (the Leonardo's bootloader's own)
    std::int32_t flashBytes; // the builder's figure
};

// The whole upload of the bank's player sketch: checks the port, refuses a kit too large for
// the board (unless `overBudget` allows, and then still the builder's own figure) before
// anything is sent, writes the player sketch into uploadFolder(board), builds it with
// arduino-builder, starts the bootloader where the board needs it (the 1200-baud touch) and
// writes and verifies the flash. The working folder is never touched. `options` choose the
// player as writePlayerSketch takes them.
UploadedSketch uploadPlayer(const SlotBank& bank, Board board, SampleFormat format,
                            const QString& port, OverBudget overBudget,
                            const UploadProgress& progress, const UploadCancelled& cancelled,
                            const PlayerOptions& options = {});

} // namespace wtb
