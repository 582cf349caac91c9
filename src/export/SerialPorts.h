#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace wtb {

// A serial port as the system lists it.
struct SerialPortEntry {
    QString path;        // "/dev/ttyACM0"
    QString description; // the USB product or driver, when known
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
};

// Whether a port's USB vendor makes Arduino boards or the USB serial chips on their clones:
// Arduino (2341, 2a03), WCH's CH340 (1a86), FTDI (0403), Silicon Labs' CP210x (10c4).
bool isArduinoLike(const SerialPortEntry& port);

// Arduino-like ports first, each group in the order of the path.
void sortPorts(std::vector<SerialPortEntry>& ports);

// The serial ports there are (QSerialPortInfo), sorted.
std::vector<SerialPortEntry> serialPorts();

// One line a port for the shell: PATH, the description and vid:pid (four hex digits each),
// TAB-separated, "-" where unknown.
QString portLine(const SerialPortEntry& port);

// The Leonardo's bootloader starts when its USB serial port is opened at 1200 baud and closed;
// with `waitForNewPort` it comes up as a new port, which is given (or `port` again when none
// appeared within `waitMs`). Raises a file error when `port` cannot be opened.
QString startBootloaderByTouch(const QString& port, bool waitForNewPort, int waitMs);

// Sends the line "SLOT\n", the player sketch's command to play the slot, to the board on `port`
// at 115,200 baud. Opening the port resets a board with the DTR reset: the line goes once the
// player has greeted again, or after the time a reset takes when it does not (a board that was
// not reset). Raises a file error when the port cannot be opened or the line not written.
void sendPlayCommand(const QString& port, std::int16_t slot);

} // namespace wtb
