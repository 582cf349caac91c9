#include "export/SketchBuild.h"

#include "common/RuntimeError.h"
#include "export/ExportFault.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <charconv>

namespace wtb {

namespace {

const QString kHardware = QStringLiteral("/usr/share/arduino/hardware");
const QString kBuilderShare = QStringLiteral("/usr/share/arduino-builder");
const QString kIdeCompilers = QStringLiteral("/usr/share/arduino/hardware/tools/avr");
const QString kDecimalDig = QStringLiteral("-DDECIMAL_DIG=__DECIMAL_DIG__");

// A build of the whole core for the Mega takes about a minute on a slow machine.
constexpr int kBuildTimeoutMs = 600'000;

QString builderProgram() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("arduino-builder"));
    if (program.isEmpty()) {
        raise(ErrorKind::Tool, ExportFault::BuilderMissing);
    }
    return program;
}

} // namespace

ToolCommand sketchBuildCommand(const QString& sketchFile, Board board, const QString& buildPath,
                               const QString& coreCache) {
    QStringList arguments{QStringLiteral("-compile"), QStringLiteral("-hardware"), kHardware};
    if (!QFileInfo::exists(kHardware + QStringLiteral("/platform.txt"))) {
        arguments << QStringLiteral("-hardware") << kBuilderShare;
    }
    arguments << QStringLiteral("-tools") << kBuilderShare;
    if (QFileInfo(kIdeCompilers).isDir()) {
        arguments << QStringLiteral("-tools") << kIdeCompilers;
    }
    arguments << QStringLiteral("-fqbn") << QString::fromUtf8(boardInfo(board).fqbn)
              << QStringLiteral("-prefs")
              << QStringLiteral("compiler.cpp.extra_flags=") + kDecimalDig
              << QStringLiteral("-prefs") << QStringLiteral("compiler.c.extra_flags=") + kDecimalDig
              << QStringLiteral("-warnings") << QStringLiteral("all");
    if (!coreCache.isEmpty()) {
        arguments << QStringLiteral("-build-cache") << coreCache;
    }
    arguments << QStringLiteral("-build-path") << buildPath << sketchFile;
    return {builderProgram(), arguments};
}

std::optional<std::int32_t> builtFlashBytes(std::string_view builderOutput) {
    constexpr std::string_view kLead = "Sketch uses ";
    const std::size_t at = builderOutput.find(kLead);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const char* first = builderOutput.data() + at + kLead.size();
    std::int32_t bytes = 0;
    const auto [end, error] =
        std::from_chars(first, builderOutput.data() + builderOutput.size(), bytes);
    if (error != std::errc() || std::string_view(end, 6) != " bytes") {
        return std::nullopt;
    }
    return bytes;
}

BuiltSketch builtSketch(const QString& sketchFile, const QString& buildPath,
                        std::string builderOutput) {
    const QString base = buildPath + QLatin1Char('/') + QFileInfo(sketchFile).fileName();
    BuiltSketch built{base + QStringLiteral(".elf"), base + QStringLiteral(".hex"), 0,
                      std::move(builderOutput)};
    const std::optional<std::int32_t> flash = builtFlashBytes(built.output);
    if (!flash || !QFileInfo::exists(built.elf) || !QFileInfo::exists(built.hex)) {
        raise(ErrorKind::Tool, ExportFault::BuilderLeftNoProgram,
              {{"hex", built.hex.toStdString()}, {"output", built.output}});
    }
    built.flashBytes = *flash;
    return built;
}

BuiltSketch buildSketch(const QString& sketchFile, Board board, const QString& buildPath,
                        const QString& coreCache) {
    const ToolCommand command = sketchBuildCommand(sketchFile, board, buildPath, coreCache);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.program, command.arguments);
    if (!process.waitForStarted() || !process.waitForFinished(kBuildTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        raise(ErrorKind::Tool, ExportFault::BuilderUnfinished,
              {{"sketch", sketchFile.toStdString()}});
    }
    std::string output = process.readAll().toStdString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        raise(ErrorKind::Tool, ExportFault::SketchDoesNotBuild,
              {{"sketch", sketchFile.toStdString()},
               {"board", boardInfo(board).displayName},
               {"output", output}});
    }
    return builtSketch(sketchFile, buildPath, std::move(output));
}

} // namespace wtb
