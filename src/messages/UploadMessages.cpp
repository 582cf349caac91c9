#include "messages/DomainMessages.h"

namespace wtb {

namespace {

std::string quoted(const Facts& facts, std::string_view name) {
    return "\"" + facts.text(name) + "\"";
}

std::string buildMessage(ExportFault fault, const Facts& facts) {
    switch (fault) {
    case ExportFault::BuilderMissing:
        return "The sketch cannot be built: arduino-builder, the Arduino IDE's builder, is not "
               "installed (Debian package arduino-builder, with arduino-core-avr and gcc-avr).";
    case ExportFault::BuilderLeftNoProgram:
        return "arduino-builder finished without the program it builds (" + facts.text("hex") +
               "):\n" + facts.text("output");
    case ExportFault::BuilderUnfinished:
        return "arduino-builder did not run to its end on " + quoted(facts, "sketch") + ".";
    case ExportFault::SketchDoesNotBuild:
        return "The sketch " + quoted(facts, "sketch") + " does not build for the " +
               facts.text("board") + ":\n" + facts.text("output");
    case ExportFault::BoardListUnreadable:
        return "The board list of the Arduino core, " + facts.text("file") +
               ", cannot be read: install the Debian package arduino-core-avr.";
    case ExportFault::BoardListLacksKey:
        return "The Arduino core's board list " + facts.text("file") + " gives no " +
               facts.text("key") + " for the " + facts.text("board") + ".";
    case ExportFault::AvrdudeMissing:
        return "The sketch cannot be uploaded: avrdude is not installed (Debian package "
               "avrdude).";
    case ExportFault::AvrdudeUnstartable:
        return "avrdude cannot be started: " + facts.text("reason") + ".";
    default:
        return {};
    }
}

std::string portMessage(ExportFault fault, const Facts& facts) {
    const std::string port = quoted(facts, "port");
    switch (fault) {
    case ExportFault::PortMissing:
        return "The port " + port +
               " does not exist: is the board plugged in? \"list-ports\" shows the serial ports "
               "there are.";
    case ExportFault::PortNotSerial:
        return "The port " + port + " is not a serial port.";
    case ExportFault::PortBusy:
        return "The port " + port +
               " is busy: another program (a serial monitor?) has it open. Close it and try "
               "again.";
    case ExportFault::PortNeedsDialout:
        return "You may not open the port " + port +
               ": serial ports belong to the group \"dialout\". Add yourself with \"sudo adduser "
               "$USER dialout\" and log in again.";
    case ExportFault::PortForbidden:
        return "You may not open the port " + port + ": " + facts.text("reason") + ".";
    case ExportFault::PortUnopenable:
        return "The port " + port + " cannot be opened: " + facts.text("reason") + ".";
    case ExportFault::PlayCommandUnsent:
        return "The slot's number could not be sent to the port " + port + ": " +
               facts.text("reason") + ".";
    default:
        return {};
    }
}

// An upload that ended without a verified flash: what happened, whether the board may hold
// part of the old program, and what avrdude said last.
std::string uploadFailure(ExportFault fault, const Facts& facts) {
    if (fault < ExportFault::UploadVerifyFailed || fault > ExportFault::UploadFailed) {
        return {};
    }
    const std::string& board = facts.text("board");
    const std::string where = "the " + board + " on " + quoted(facts, "port");
    const bool written = facts.has("written") && facts.number("written") != 0;
    const std::string partial =
        written ? " The board may hold part of the old program until an upload succeeds." : "";
    const std::string tail =
        facts.has("said") ? "\navrdude said:\n" + facts.text("said") : std::string();
    switch (fault) {
    case ExportFault::UploadVerifyFailed:
        return "The flash of " + where +
               " does not match what was written: the upload failed its verify. Try again; if "
               "it fails again, the board may be damaged." +
               partial + tail;
    case ExportFault::UploadStoppedByUser:
        return "The upload to " + where + " was cancelled" +
               (written ? " while writing." : " before anything was written.") + partial + tail;
    case ExportFault::UploadBoardSilent:
        return "The upload to " + where +
               " stopped: the board stopped answering (was it unplugged?)." + partial + tail;
    case ExportFault::BootloaderSilent:
        return "The " + board + " on " + quoted(facts, "port") +
               " does not answer its bootloader. Check that the board chosen (" + board +
               ") is the board connected, and press its reset button just before uploading if "
               "the upload keeps failing." +
               tail;
    case ExportFault::UploadFailed:
        return "avrdude could not upload to " + where + "." + partial + tail;
    default:
        return {};
    }
}

std::string uploadStepMessage(ExportFault fault, const Facts& facts) {
    switch (fault) {
    case ExportFault::UploadFolderUnmade:
        return "The upload folder " + facts.text("folder") + " cannot be made.";
    case ExportFault::BuiltSketchTooLarge:
        return "The sketch takes " + plainNumber(facts, "bytes") +
               " bytes of flash, more than the " + plainNumber(facts, "room") + " the " +
               facts.text("board") + " has for it: nothing was sent to the board.";
    case ExportFault::UploadCancelledEarly:
        return "The upload to the " + facts.text("board") +
               " was cancelled before anything was sent to it.";
    default:
        return {};
    }
}

} // namespace

std::string uploadMessage(ExportFault fault, const Facts& facts, const std::string& /*cause*/) {
    for (const auto wording : {buildMessage, portMessage, uploadStepMessage, uploadFailure}) {
        if (std::string message = wording(fault, facts); !message.empty()) {
            return message;
        }
    }
    raiseUnwordedFault(faultCode(fault));
}

} // namespace wtb
