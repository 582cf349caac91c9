#pragma once

#include "export/Boards.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wtb {

// A program to run and its arguments.
struct ToolCommand {
    QString program;
    QStringList arguments;
};

// The arduino-builder command with which the Arduino IDE compiles the sketch `sketchFile`
// (NAME/NAME.ino) for `board` into `buildPath`, all warnings on, keeping the compiled core in
// `coreCache` (none when empty) as the IDE keeps it between builds. Debian's core needs
// DECIMAL_DIG defined from the compiler's own value; that flag is the only one added. The
// builder's own platform file (its .ino preprocessing) is found beside it when the IDE's
// package, which links it into the hardware folder, is not installed. Raises a file error
// naming the package when arduino-builder is not installed.
ToolCommand sketchBuildCommand(const QString& sketchFile, Board board, const QString& buildPath,
                               const QString& coreCache);

// What a finished build left: the program and its flash image in the build path, and the flash
// it takes as the builder counts it ("Sketch uses N bytes").
struct BuiltSketch {
    QString elf;
    QString hex;
    std::int32_t flashBytes = 0;
    std::string output; // everything the builder printed
};

// The flash figure of a builder's report, "Sketch uses N bytes (...) of program storage
// space"; nothing when the report holds none.
std::optional<std::int32_t> builtFlashBytes(std::string_view builderOutput);

// The files a successful build of `sketchFile` leaves in `buildPath`, and its flash figure
// from `builderOutput`. Raises a build error when either file is missing or the report gives
// no figure.
BuiltSketch builtSketch(const QString& sketchFile, const QString& buildPath,
                        std::string builderOutput);

// Builds the sketch and waits for the builder: for the shell and for tests. A build that fails
// is a build error holding what the builder printed.
BuiltSketch buildSketch(const QString& sketchFile, Board board, const QString& buildPath,
                        const QString& coreCache);

} // namespace wtb
