#include "export/BoardUpload.h"

#include "common/AtomicFile.h"
#include "common/RuntimeError.h"
#include "export/ExportFault.h"
#include "export/PlayerSketchWriter.h"
#include "export/SerialPorts.h"
#include "export/PcmTableSketch.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wtb {

namespace {

const QString kAvrdudeConfig = QStringLiteral("/etc/avrdude.conf");

// avrdude tries ten times, a second or more each, to reach a bootloader that does not answer;
// a minute is the most the user waits for that. Once writing, avrdude prints a mark every 2 %:
// a longer silence means the board went away under it (avrdude spins on a closed terminal).
constexpr int kHandshakeLimitMs = 50'000;
constexpr int kSilenceLimitMs = 15'000;
// The Leonardo's bootloader port appears within a few seconds of the touch.
constexpr int kBootloaderPortWaitMs = 10'000;

QString boardsKeyPrefix(Board board, QString* menuPrefix) {
    // "arduino:avr:mega:cpu=atmega2560": the entry "mega", its menu choice "cpu=atmega2560".
    const QStringList parts = QString::fromUtf8(boardInfo(board).fqbn).split(QLatin1Char(':'));
    const QString entry = parts.value(2);
    *menuPrefix = QString();
    if (parts.size() > 3) {
        const QStringList choice = parts[3].split(QLatin1Char('='));
        *menuPrefix = entry + QStringLiteral(".menu.") + choice.value(0) + QLatin1Char('.') +
                      choice.value(1) + QLatin1Char('.');
    }
    return entry + QLatin1Char('.');
}

std::string lastLines(std::string_view output, int count) {
    std::size_t at = output.size();
    while (at > 0 && (output[at - 1] == '\n' || output[at - 1] == '\r')) {
        --at;
    }
    const std::size_t end = at;
    for (int found = 0; at > 0 && found < count;) {
        if (output[--at] == '\n') {
            ++found;
        }
    }
    return std::string(output.substr(at == 0 ? 0 : at + 1, end - (at == 0 ? 0 : at + 1)));
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace

QString installedBoardsFile() {
    return QStringLiteral("/usr/share/arduino/hardware/arduino/avr/boards.txt");
}

UploadSettings uploadSettings(Board board, const QString& boardsFile) {
    QFile file(boardsFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        raise(ErrorKind::Tool, ExportFault::BoardListUnreadable,
              {{"file", displayPath(boardsFile)}});
    }
    QHash<QString, QString> values;
    QTextStream lines(&file);
    while (!lines.atEnd()) {
        const QString line = lines.readLine().trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!line.startsWith(QLatin1Char('#')) && equals > 0) {
            values.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    QString menu;
    const QString entry = boardsKeyPrefix(board, &menu);
    const auto value = [&](const QString& key, bool required) {
        for (const QString& prefix : {menu, entry}) {
            if (!prefix.isEmpty() && values.contains(prefix + key)) {
                return values.value(prefix + key);
            }
        }
        if (required) {
            raise(ErrorKind::Tool, ExportFault::BoardListLacksKey,
                  {{"file", displayPath(boardsFile)},
                   {"key", (entry + key).toStdString()},
                   {"board", boardInfo(board).displayName}});
        }
        return QString();
    };
    UploadSettings settings;
    settings.mcu = value(QStringLiteral("build.mcu"), true);
    settings.protocol = value(QStringLiteral("upload.protocol"), true);
    settings.speed = value(QStringLiteral("upload.speed"), true);
    settings.touch1200 = value(QStringLiteral("upload.use_1200bps_touch"), false) == u"true";
    settings.waitForPort = value(QStringLiteral("upload.wait_for_upload_port"), false) == u"true";
    return settings;
}

ToolCommand uploadCommand(const UploadSettings& settings, const QString& port, const QString& hex) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("avrdude"));
    if (program.isEmpty()) {
        raise(ErrorKind::Tool, ExportFault::AvrdudeMissing);
    }
    // The IDE's pattern: -C conf -p mcu -c protocol -P port -b speed -D -U flash:w:HEX:i. Each
    // value is one argument, whatever it holds.
    return {program,
            {QStringLiteral("-C"), kAvrdudeConfig, QStringLiteral("-p"), settings.mcu,
             QStringLiteral("-c"), settings.protocol, QStringLiteral("-P"), port,
             QStringLiteral("-b"), settings.speed, QStringLiteral("-D"), QStringLiteral("-U"),
             QStringLiteral("flash:w:") + hex + QStringLiteral(":i")}};
}

void checkSerialPort(const QString& port) {
    const Facts shown{{"port", port.toStdString()}};
    const QByteArray path = QFile::encodeName(port);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) {
        raise(ErrorKind::File, ExportFault::PortMissing, shown);
    }
    if (!S_ISCHR(status.st_mode)) {
        raise(ErrorKind::File, ExportFault::PortNotSerial, shown);
    }
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY) {
            raise(ErrorKind::File, ExportFault::PortBusy, shown);
        }
        if (error == EACCES || error == EPERM) {
            const QString device = QFileInfo(port).canonicalFilePath();
            const bool usbSerial = device.startsWith(QLatin1String("/dev/ttyACM")) ||
                                   device.startsWith(QLatin1String("/dev/ttyUSB"));
            if (usbSerial) {
                raise(ErrorKind::File, ExportFault::PortNeedsDialout, shown);
            }
            raise(ErrorKind::File, ExportFault::PortForbidden,
                  {{"port", port.toStdString()}, {"reason", std::strerror(error)}});
        }
        raise(ErrorKind::File, ExportFault::PortUnopenable,
              {{"port", port.toStdString()}, {"reason", std::strerror(error)}});
    }
    ::close(fd);
}

QString uploadFolder(Board board) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/wavetable-builder/upload/") + QString::fromUtf8(boardInfo(board).id);
}

UploadPosition uploadPosition(std::string_view output) {
    UploadPosition position;
    // "Writing | ####...   | 100% 0.80s": one mark for each 2 %.
    for (const auto& [label, step] :
         {std::pair{std::string_view("Writing |"), UploadStep::Writing},
          std::pair{std::string_view("Reading |"), UploadStep::Verifying}}) {
        const std::size_t at = output.rfind(label);
        if (at == std::string_view::npos) {
            continue;
        }
        if (step == UploadStep::Verifying && !contains(output.substr(0, at), "verifying")) {
            continue; // the signature and fuses are read before writing, without a bar
        }
        position.step = step;
        int marks = 0;
        for (std::size_t k = at + label.size(); k < output.size() && output[k] != '|'; ++k) {
            marks += output[k] == '#' ? 1 : 0;
        }
        position.percent = marks * 2;
    }
    return position;
}

namespace {

ExportFault uploadFailureFault(std::string_view output, UploadStop stopped, bool written) {
    if (contains(output, "verification mismatch") || contains(output, "verification error")) {
        return ExportFault::UploadVerifyFailed;
    }
    switch (stopped) {
    case UploadStop::Cancelled:
        return ExportFault::UploadStoppedByUser;
    case UploadStop::Silent:
        return ExportFault::UploadBoardSilent;
    case UploadStop::NoAnswer:
    case UploadStop::No:
        break;
    }
    if (!written &&
        (stopped == UploadStop::NoAnswer || contains(output, "not in sync") ||
         contains(output, "not responding") || contains(output, "initialization failed"))) {
        return ExportFault::BootloaderSilent;
    }
    return ExportFault::UploadFailed;
}

} // namespace

RuntimeError uploadFailure(Board board, const QString& port, std::string_view output,
                           UploadStop stopped) {
    const bool written = contains(output, "Writing |");
    Facts facts{{"board", boardInfo(board).displayName},
                {"port", port.toStdString()},
                {"written", written ? 1 : 0}};
    if (!output.empty()) {
        facts.add("said", lastLines(output, 6)); // what avrdude said last
    }
    return RuntimeError(ErrorKind::Tool, faultCode(uploadFailureFault(output, stopped, written)),
                        std::move(facts));
}

std::string uploadHex(Board board, const QString& port, const QString& hex,
                      const UploadProgress& progress, const UploadCancelled& cancelled) {
    const ToolCommand command = uploadCommand(uploadSettings(board), port, hex);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.program, command.arguments);
    if (!process.waitForStarted()) {
        raise(ErrorKind::Tool, ExportFault::AvrdudeUnstartable,
              {{"reason", process.errorString().toStdString()}});
    }
    std::string output;
    UploadPosition shown{UploadStep::Resetting, -1};
    QDeadlineTimer handshake(kHandshakeLimitMs);
    QDeadlineTimer silence(kSilenceLimitMs);
    UploadStop stopped = UploadStop::No;
    while (process.state() != QProcess::NotRunning) {
        if (process.waitForReadyRead(100)) {
            output += process.readAll().toStdString();
            silence.setRemainingTime(kSilenceLimitMs);
        }
        const UploadPosition now = uploadPosition(output);
        if (progress && (now.step != shown.step || now.percent != shown.percent)) {
            progress(now.step, now.percent);
            shown = now;
        }
        const bool writing = now.step != UploadStep::Resetting;
        if (cancelled && cancelled()) {
            stopped = UploadStop::Cancelled;
        } else if (silence.hasExpired()) {
            stopped = UploadStop::Silent;
        } else if (!writing && handshake.hasExpired()) {
            stopped = UploadStop::NoAnswer;
        }
        if (stopped != UploadStop::No && process.state() != QProcess::NotRunning) {
            // avrdude leaves the bootloader with its own signal handler; what will not stop
            // is killed.
            process.terminate();
            if (!process.waitForFinished(2'000)) {
                process.kill();
                process.waitForFinished();
            }
        }
    }
    output += process.readAll().toStdString();
    const bool verified = contains(output, "bytes of flash verified");
    if (stopped != UploadStop::No || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0 || !verified) {
        throw uploadFailure(board, port, output, stopped);
    }
    return output;
}

UploadedSketch uploadPlayer(const SlotBank& bank, Board board, SampleFormat format,
                            const QString& port, OverBudget overBudget,
                            const UploadProgress& progress, const UploadCancelled& cancelled,
                            const PlayerOptions& options) {
    checkSerialPort(port);
    const UploadSettings settings = uploadSettings(board);
    uploadCommand(settings, port, QString()); // avrdude is missing: say so before building
    const ExportCheck check = checkPlayerExport(bank, board, format, options);
    if (check.needsConfirmation() && overBudget == OverBudget::Refuse) {
        raise(ErrorKind::Size, ExportFault::OverBudget, overBudgetFacts(check));
    }
    const QString folder = uploadFolder(board);
    const QString sketchFolder =
        folder + QLatin1Char('/') +
        QString::fromLatin1(kDefaultSketchName.data(),
                            static_cast<qsizetype>(kDefaultSketchName.size()));
    const QString buildPath = folder + QStringLiteral("/build");
    const QString coreCache = folder + QStringLiteral("/core");
    if (!QDir().mkpath(buildPath) || !QDir().mkpath(coreCache)) {
        raise(ErrorKind::File, ExportFault::UploadFolderUnmade, {{"folder", displayPath(folder)}});
    }
    if (progress) {
        progress(UploadStep::Building, 0);
    }
    writePlayerSketch(bank, sketchFolder, board, format, OverBudget::Allow, options);
    const BuiltSketch built =
        buildSketch(playerSketchFile(sketchFolder), board, buildPath, coreCache);
    if (built.flashBytes > boardInfo(board).sketchFlash) {
        raise(ErrorKind::Size, ExportFault::BuiltSketchTooLarge,
              {{"bytes", built.flashBytes},
               {"room", boardInfo(board).sketchFlash},
               {"board", boardInfo(board).displayName}});
    }
    if (cancelled && cancelled()) {
        raise(ErrorKind::Tool, ExportFault::UploadCancelledEarly,
              {{"board", boardInfo(board).displayName}});
    }
    QString uploadPort = port;
    if (settings.touch1200) {
        if (progress) {
            progress(UploadStep::Resetting, 0);
        }
        uploadPort = startBootloaderByTouch(port, settings.waitForPort, kBootloaderPortWaitMs);
    }
    uploadHex(board, uploadPort, built.hex, progress, cancelled);
    return {uploadPort, built.flashBytes};
}

} // namespace wtb
