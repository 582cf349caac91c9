#pragma once

#include "export/Boards.h"
#include "export/SketchBuild.h"

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

// Builds sketches for one Arduino board as the Arduino IDE does (arduino-builder, the program's
// own build command) and runs them on simavr. The compiled core is kept in one cache folder of
// the build tree, as the IDE keeps it, so test processes after the first reuse it.
class ArduinoBoard {
public:
    // The one instance per board; finding the tools happens on first use.
    static const ArduinoBoard& get(Board board);

    // The -mmcu name of the board's microcontroller, as simavr also names it.
    const QString& mcu() const { return mcu_; }

    // Empty when the builder, the core and simavr are usable; otherwise what is missing and
    // how to install it.
    const std::string& unavailable() const { return unavailable_; }

    // Builds NAME/NAME.ino into a build folder beside it. Raises ToolFailure with the builder's
    // output when it fails, or when a warning names a line of the sketch's own files (the
    // core's own warnings are the core's).
    BuiltSketch build(const QString& sketchFile) const;

    // Writes `ino` as FOLDER/NAME/NAME.ino (and `header` beside it as Zozedovad.h when not
    // empty) and builds it.
    BuiltSketch buildText(const QString& folder, const QString& name, const std::string& ino,
                          const std::string& header = {}) const;

    // The size in bytes of all symbols in the ELF file whose names contain `name`.
    long symbolSize(const QString& elf, const QString& name) const;

    // Runs the program until it sleeps with interrupts off; the lines it printed on the serial
    // port, without line ends. Only boards whose Serial is a UART (not the Leonardo's USB).
    std::vector<std::string> run(const QString& elf, int timeoutMs) const;

private:
    explicit ArduinoBoard(Board board);

    Board board_;
    QString mcu_;
    std::string unavailable_;
    QString nm_;
    QString simavr_;
};

} // namespace wtb::test
