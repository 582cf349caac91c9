#pragma once

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

// Builds programs for an Arduino Uno (ATmega328P at 16 MHz) with avr-g++ and the Debian
// Arduino core, and runs them on simavr. The core is compiled once and kept in a cache folder
// keyed by the compiler, the flags and the core's files, so test processes after the first link
// against the same objects.
class ArduinoUno {
public:
    // The one instance; finding the tools and compiling the core happen on first use.
    static const ArduinoUno& get();

    // Empty when the toolchain and the core are usable; otherwise what is missing and how to
    // install it.
    const std::string& unavailable() const { return unavailable_; }

    // Compiles one C++ file with the Arduino IDE's flags plus `extraFlags`; returns the
    // compiler's diagnostics (empty for a clean compile). Raises ToolFailure on an error.
    std::string compile(const QString& source, const QString& object,
                        const QStringList& extraFlags = {}) const;

    // Links the objects with the core into an ELF program.
    void link(const QStringList& objects, const QString& elf) const;

    // The size in bytes of the first symbol in the ELF file whose name contains `name`.
    long symbolSize(const QString& elf, const QString& name) const;

    // Runs the program until it sleeps with interrupts off; the lines it printed on the serial
    // port, without line ends.
    std::vector<std::string> run(const QString& elf, int timeoutMs) const;

private:
    ArduinoUno();
    bool findTools();
    void buildCore();

    std::string unavailable_;
    QString gcc_;
    QString gxx_;
    QString ar_;
    QString nm_;
    QString simavr_;
    QString coreDir_;
    QString variantDir_;
    QString coreArchive_;
};

} // namespace wtb::test
