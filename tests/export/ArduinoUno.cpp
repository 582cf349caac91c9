#include "ArduinoUno.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace wtb::test {

namespace {

const QString kArduinoAvrDir = QStringLiteral("/usr/share/arduino/hardware/arduino/avr");
const char* const kInstallHint =
    "The AVR tests need the Debian packages gcc-avr, avr-libc, arduino-core-avr and simavr; "
    "scripts/install-deps.sh installs them.";

// The Arduino IDE's flags for an Uno; Debian's core also needs DECIMAL_DIG from the compiler.
QStringList commonFlags() {
    return {"-mmcu=atmega328p",
            "-DF_CPU=16000000L",
            "-DARDUINO=10807",
            "-DARDUINO_AVR_UNO",
            "-DARDUINO_ARCH_AVR",
            "-DDECIMAL_DIG=__DECIMAL_DIG__",
            "-Os",
            "-ffunction-sections",
            "-fdata-sections",
            "-flto"};
}
QStringList cxxFlags() {
    return commonFlags() + QStringList{"-std=gnu++11", "-fpermissive", "-fno-exceptions"};
}
QStringList cFlags() {
    return commonFlags() + QStringList{"-std=gnu11"};
}

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

} // namespace

const ArduinoUno& ArduinoUno::get() {
    static const ArduinoUno uno;
    return uno;
}

ArduinoUno::ArduinoUno() {
    if (!findTools()) {
        return;
    }
    try {
        buildCore();
    } catch (const ToolFailure& failure) {
        unavailable_ = std::string("The Arduino core does not compile: ") + failure.what();
    }
}

bool ArduinoUno::findTools() {
    const auto find = [this](QString& path, const char* name) {
        path = QStandardPaths::findExecutable(name);
        if (path.isEmpty() && unavailable_.empty()) {
            unavailable_ = std::string(name) + " is not installed. " + kInstallHint;
        }
    };
    find(gcc_, "avr-gcc");
    find(gxx_, "avr-g++");
    find(ar_, "avr-gcc-ar");
    find(nm_, "avr-nm");
    find(simavr_, "simavr");
    coreDir_ = kArduinoAvrDir + "/cores/arduino";
    variantDir_ = kArduinoAvrDir + "/variants/standard";
    if (unavailable_.empty() && !QFileInfo::exists(coreDir_ + "/Arduino.h")) {
        unavailable_ = "The Arduino core is missing (" + coreDir_.toStdString() + "/Arduino.h). " +
                       kInstallHint;
    }
    return unavailable_.empty();
}

// Compiles every file of the core into one archive, unless an archive built by the same
// compiler with the same flags from the same files is already in the cache.
void ArduinoUno::buildCore() {
    QCryptographicHash key(QCryptographicHash::Sha1);
    key.addData(runTool(gxx_, {"--version"}, kCompileTimeoutMs).out.toUtf8());
    key.addData((cxxFlags() + cFlags()).join(' ').toUtf8());
    QFileInfoList sources;
    for (const QString& dir : {coreDir_, variantDir_}) {
        for (const QFileInfo& file : QDir(dir).entryInfoList(QDir::Files, QDir::Name)) {
            key.addData(QString("%1 %2 %3\n")
                            .arg(file.absoluteFilePath())
                            .arg(file.size())
                            .arg(file.lastModified().toMSecsSinceEpoch())
                            .toUtf8());
            if (dir == coreDir_ && QStringList{"c", "cpp", "S"}.contains(file.suffix())) {
                sources.append(file);
            }
        }
    }
    const QString cacheRoot = QStringLiteral(WTB_ARDUINO_CORE_CACHE);
    const QString cached = cacheRoot + "/" + QString::fromLatin1(key.result().toHex());
    coreArchive_ = cached + "/core.a";
    if (QFileInfo::exists(coreArchive_)) {
        return;
    }

    QDir().mkpath(cacheRoot);
    QTemporaryDir building(cacheRoot + "/building-XXXXXX");
    if (!building.isValid()) {
        throw ToolFailure("cannot create a folder in " + cacheRoot.toStdString());
    }
    const QStringList includes = {"-I" + coreDir_, "-I" + variantDir_};
    QStringList objects;
    for (const QFileInfo& source : sources) {
        const QString object = building.filePath(source.fileName() + ".o");
        QStringList arguments;
        QString compiler = gcc_;
        if (source.suffix() == "cpp") {
            compiler = gxx_;
            arguments = cxxFlags();
        } else if (source.suffix() == "c") {
            arguments = cFlags();
        } else {
            arguments = commonFlags() + QStringList{"-x", "assembler-with-cpp"};
        }
        runTool(compiler,
                arguments + includes + QStringList{"-c", source.absoluteFilePath(), "-o", object},
                kCompileTimeoutMs);
        objects.append(object);
    }
    runTool(ar_, QStringList{"rcs", building.filePath("core.a")} + objects, kCompileTimeoutMs);
    // Another test process may have finished the same archive meanwhile; either one will do.
    if (QDir().rename(building.path(), cached)) {
        building.setAutoRemove(false);
    } else if (!QFileInfo::exists(coreArchive_)) {
        throw ToolFailure("cannot move the compiled core to " + cached.toStdString());
    }
}

std::string ArduinoUno::compile(const QString& source, const QString& object,
                                const QStringList& extraFlags) const {
    const QStringList arguments =
        cxxFlags() + extraFlags +
        QStringList{"-I" + coreDir_, "-I" + variantDir_, "-c", source, "-o", object};
    return runTool(gxx_, arguments, kCompileTimeoutMs).err.toStdString();
}

void ArduinoUno::link(const QStringList& objects, const QString& elf) const {
    runTool(gcc_,
            QStringList{"-mmcu=atmega328p", "-Os", "-flto", "-fuse-linker-plugin",
                        "-Wl,--gc-sections", "-o", elf} +
                objects + QStringList{coreArchive_, "-lm"},
            kCompileTimeoutMs);
}

long ArduinoUno::symbolSize(const QString& elf, const QString& name) const {
    const QString symbols = runTool(nm_, {"-S", elf}, kCompileTimeoutMs).out;
    for (const QString& line : symbols.split('\n')) {
        // address size type name
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() == 4 && fields[3].contains(name)) {
            return fields[1].toLong(nullptr, 16);
        }
    }
    return -1;
}

std::vector<std::string> ArduinoUno::run(const QString& elf, int timeoutMs) const {
    // simavr prints each serial line on stderr in colour codes, its CR LF shown as "..".
    const QString output =
        runTool(simavr_, {"-m", "atmega328p", "-f", "16000000", elf}, timeoutMs).err;
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
