#pragma once

#include "export/Boards.h"

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <vector>

namespace wtb::test {

// A tool step that failed: which command, and everything it printed.
class ToolFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Builds programs for one Arduino board (at 16 MHz) with avr-g++, the Debian Arduino core and
// the Arduino IDE's flags, and runs them on simavr. The core is compiled once per board and kept
// in a cache folder keyed by the compiler, the flags and the core's files, so test processes
// after the first link against the same objects.
class ArduinoBoard {
public:
    // The one instance per board; finding the tools and compiling the core happen on first use.
    static const ArduinoBoard& get(Board board);

    // The -mmcu name of the board's microcontroller, as simavr also names it.
    const QString& mcu() const { return mcu_; }

    // Empty when the toolchain and the core are usable; otherwise what is missing and how to
    // install it.
    const std::string& unavailable() const { return unavailable_; }

    // Compiles one C++ file with the Arduino IDE's flags plus `extraFlags`; returns the
    // compiler's diagnostics (empty for a clean compile). Raises ToolFailure on an error.
    std::string compile(const QString& source, const QString& object,
                        const QStringList& extraFlags = {}) const;

    // Links the objects with the core into an ELF program.
    void link(const QStringList& objects, const QString& elf) const;

    // The size in bytes of all symbols in the ELF file whose names contain `name`.
    long symbolSize(const QString& elf, const QString& name) const;

    // The flash the program takes, as the Arduino IDE counts it: .text plus .data.
    long flashSize(const QString& elf) const;

    // Runs the program until it sleeps with interrupts off; the lines it printed on the serial
    // port, without line ends. Only boards whose Serial is a UART (not the Leonardo's USB).
    std::vector<std::string> run(const QString& elf, int timeoutMs) const;

private:
    explicit ArduinoBoard(Board board);
    bool findTools();
    void buildCore();
    QStringList commonFlags() const;
    QStringList cxxFlags() const;
    QStringList cFlags() const;

    Board board_;
    QString mcu_;
    std::string unavailable_;
    QString gcc_;
    QString gxx_;
    QString ar_;
    QString nm_;
    QString size_;
    QString simavr_;
    QString coreDir_;
    QString variantDir_;
    QString coreArchive_;
};

} // namespace wtb::test
