#include "ArduinoBoard.h"

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

// What the Arduino IDE's boards.txt says of each board.
struct BoardBuild {
    Board board;
    const char* mcu;
    const char* define;
    const char* variant;
    QStringList extraFlags;
};

const BoardBuild& boardBuild(Board board) {
    static const BoardBuild builds[] = {
        {Board::Uno, "atmega328p", "-DARDUINO_AVR_UNO", "standard", {}},
        {Board::Leonardo,
         "atmega32u4",
         "-DARDUINO_AVR_LEONARDO",
         "leonardo",
         {"-DUSB_VID=0x2341", "-DUSB_PID=0x8036", "-DUSB_MANUFACTURER=\"Unknown\"",
          "-DUSB_PRODUCT=\"Arduino Leonardo\""}},
        {Board::Mega2560, "atmega2560", "-DARDUINO_AVR_MEGA2560", "mega", {}},
    };
    for (const BoardBuild& build : builds) {
        if (build.board == board) {
            return build;
        }
    }
    throw ToolFailure("no build settings for board " + std::to_string(static_cast<int>(board)));
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

// The Arduino IDE's flags for the board; Debian's core also needs DECIMAL_DIG from the compiler.
QStringList ArduinoBoard::commonFlags() const {
    const BoardBuild& build = boardBuild(board_);
    return QStringList{"-mmcu=" + mcu_, "-DF_CPU=16000000L",  "-DARDUINO=10807",
                       build.define,    "-DARDUINO_ARCH_AVR", "-DDECIMAL_DIG=__DECIMAL_DIG__"} +
           build.extraFlags + QStringList{"-Os", "-ffunction-sections", "-fdata-sections", "-flto"};
}
QStringList ArduinoBoard::cxxFlags() const {
    return commonFlags() + QStringList{"-std=gnu++11", "-fpermissive", "-fno-exceptions",
                                       "-fno-threadsafe-statics"};
}
QStringList ArduinoBoard::cFlags() const {
    return commonFlags() + QStringList{"-std=gnu11"};
}

ArduinoBoard::ArduinoBoard(Board board) : board_(board), mcu_(boardBuild(board).mcu) {
    if (!findTools()) {
        return;
    }
    try {
        buildCore();
    } catch (const ToolFailure& failure) {
        unavailable_ = std::string("The Arduino core does not compile: ") + failure.what();
    }
}

bool ArduinoBoard::findTools() {
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
    find(size_, "avr-size");
    find(simavr_, "simavr");
    coreDir_ = kArduinoAvrDir + "/cores/arduino";
    variantDir_ = kArduinoAvrDir + "/variants/" + boardBuild(board_).variant;
    if (unavailable_.empty() && !QFileInfo::exists(coreDir_ + "/Arduino.h")) {
        unavailable_ = "The Arduino core is missing (" + coreDir_.toStdString() + "/Arduino.h). " +
                       kInstallHint;
    }
    return unavailable_.empty();
}

// Compiles every file of the core into one archive, unless an archive built by the same
// compiler with the same flags from the same files is already in the cache.
void ArduinoBoard::buildCore() {
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

std::string ArduinoBoard::compile(const QString& source, const QString& object,
                                  const QStringList& extraFlags) const {
    const QStringList arguments =
        cxxFlags() + extraFlags +
        QStringList{"-I" + coreDir_, "-I" + variantDir_, "-c", source, "-o", object};
    return runTool(gxx_, arguments, kCompileTimeoutMs).err.toStdString();
}

void ArduinoBoard::link(const QStringList& objects, const QString& elf) const {
    runTool(gcc_,
            QStringList{"-mmcu=" + mcu_, "-Os", "-flto", "-fuse-linker-plugin", "-Wl,--gc-sections",
                        "-o", elf} +
                objects + QStringList{coreArchive_, "-lm"},
            kCompileTimeoutMs);
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

long ArduinoBoard::flashSize(const QString& elf) const {
    // "-A" lists one section a line: name size address
    const QString sections = runTool(size_, {"-A", elf}, kCompileTimeoutMs).out;
    long flash = 0;
    for (const QString& line : sections.split('\n')) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() >= 2 && (fields[0] == ".text" || fields[0] == ".data")) {
            flash += fields[1].toLong();
        }
    }
    return flash;
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
