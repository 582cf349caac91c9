#include "ArduinoBoard.h"

#include "common/RuntimeError.h"
#include "export/BoardUpload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace wtb::test {

namespace {

const char* const kInstallHint =
    "The AVR tests need the Debian packages arduino-builder, gcc-avr, avr-libc, "
    "arduino-core-avr and simavr; scripts/install-deps.sh installs them.";

struct ToolOutput {
    QString out;
    QString err;
};

ToolOutput runTool(const QString& program, const QStringList& arguments, int timeoutMs) {
    const QString command = program + " " + arguments.join(' ');
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        throw ToolFailure("cannot start " + command.toStdString());
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        throw ToolFailure(command.toStdString() + " did not finish within " +
                          std::to_string(timeoutMs) + " ms");
    }
    ToolOutput output{QString::fromUtf8(process.readAllStandardOutput()),
                      QString::fromUtf8(process.readAllStandardError())};
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        throw ToolFailure(command.toStdString() + " failed (exit code " +
                          std::to_string(process.exitCode()) + "):\n" + output.out.toStdString() +
                          output.err.toStdString());
    }
    return output;
}

constexpr int kCompileTimeoutMs = 120'000;

void writeFile(const QString& path, const std::string& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size())) {
        throw ToolFailure("cannot write " + path.toStdString());
    }
}

} // namespace

const ArduinoBoard& ArduinoBoard::get(Board board) {
    // Each board's core is built only when a test first asks for that board.
    switch (board) {
    case Board::Uno: {
        static const ArduinoBoard uno(Board::Uno);
        return uno;
    }
    case Board::Leonardo: {
        static const ArduinoBoard leonardo(Board::Leonardo);
        return leonardo;
    }
    case Board::Mega2560: {
        static const ArduinoBoard mega(Board::Mega2560);
        return mega;
    }
    }
    throw ToolFailure("no such board");
}

ArduinoBoard::ArduinoBoard(Board board) : board_(board) {
    try {
        mcu_ = uploadSettings(board).mcu; // as the core names the board's microcontroller
    } catch (const RuntimeError& error) {
        unavailable_ = error.what();
    }
    for (const char* tool : {"arduino-builder", "avr-nm", "simavr"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty() && unavailable_.empty()) {
            unavailable_ = std::string(tool) + " is not installed. " + kInstallHint;
        }
    }
    nm_ = QStandardPaths::findExecutable("avr-nm");
    simavr_ = QStandardPaths::findExecutable("simavr");
}

BuiltSketch ArduinoBoard::build(const QString& sketchFile) const {
    if (!unavailable_.empty()) {
        throw ToolFailure(unavailable_);
    }
    const QString buildPath = QFileInfo(sketchFile).absolutePath() + "-build";
    const QString cache = QStringLiteral(WTB_ARDUINO_CORE_CACHE);
    QDir().mkpath(buildPath);
    QDir().mkpath(cache);
    BuiltSketch built;
    try {
        built = buildSketch(sketchFile, board_, buildPath, cache);
    } catch (const RuntimeError& error) {
        throw ToolFailure(error.what());
    }
    // The core's own files are compiled with warnings on too; only the sketch's are ours.
    static const QRegularExpression warning(QStringLiteral("^(?!/usr/share/arduino/).*warning:"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch found = warning.match(QString::fromStdString(built.output));
    if (found.hasMatch()) {
        throw ToolFailure("the sketch builds with a warning: " + found.captured().toStdString() +
                          "\n" + built.output);
    }
    return built;
}

BuiltSketch ArduinoBoard::buildText(const QString& folder, const QString& name,
                                    const std::string& ino, const std::string& header) const {
    const QString sketchFolder = folder + "/" + name;
    QDir().mkpath(sketchFolder);
    const QString sketch = sketchFolder + "/" + name + ".ino";
    writeFile(sketch, ino);
    if (!header.empty()) {
        writeFile(sketchFolder + "/Zozedovad.h", header);
    }
    return build(sketch);
}

long ArduinoBoard::symbolSize(const QString& elf, const QString& name) const {
    const QString symbols = runTool(nm_, {"-S", elf}, kCompileTimeoutMs).out;
    long size = 0;
    for (const QString& line : symbols.split('\n')) {
        // address size type name
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() == 4 && fields[3].contains(name)) {
            size += fields[1].toLong(nullptr, 16);
        }
    }
    return size;
}

std::vector<std::string> ArduinoBoard::run(const QString& elf, int timeoutMs) const {
    // simavr prints each serial line on stderr in colour codes, its CR LF shown as "..".
    const QString output = runTool(simavr_, {"-m", mcu_, "-f", "16000000", elf}, timeoutMs).err;
    static const QRegularExpression colour("\x1b\\[[0-9;]*m");
    std::vector<std::string> lines;
    for (QString line : QString(output).remove(colour).split('\n', Qt::SkipEmptyParts)) {
        while (line.endsWith('.') || line.endsWith('\r')) {
            line.chop(1);
        }
        lines.push_back(line.toStdString());
    }
    return lines;
}

} // namespace wtb::test
