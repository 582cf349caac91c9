#include "CliTestSupport.h"

#include "slots/WorkingFolder.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace wtb::test {

namespace {

const QString& programHome() {
    static const QTemporaryDir home;
    static const QString path = home.path();
    return path;
}

QString configHome() {
    return programHome() + QStringLiteral("/.config");
}

} // namespace

QString builtProgram() {
    return QStringLiteral(WTB_PROGRAM);
}

QProcessEnvironment programEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("HOME"), programHome());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), programHome() + "/.local/share");
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), programHome() + "/.cache");
    // Not even a system-wide preference file reaches the program.
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), programHome() + "/system-config");
    return environment;
}

namespace {

void rememberPreference(const QString& key, const QString& id) {
    // Where QSettings keeps the program's preferences on this platform.
    QSettings preferences(configHome() + "/Brimtock/Wavetable Builder.conf", QSettings::IniFormat);
    if (id.isEmpty()) {
        preferences.remove(key);
    } else {
        preferences.setValue(key, id);
    }
}

} // namespace

void rememberBoard(const QString& id) {
    rememberPreference(QStringLiteral("board"), id);
}

void rememberSampleFormat(const QString& id) {
    rememberPreference(QStringLiteral("sampleFormat"), id);
}

ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory,
                      const QString& program) {
    QProcess process;
    process.setProcessEnvironment(programEnvironment());
    if (!workingDirectory.isEmpty()) {
        process.setWorkingDirectory(workingDirectory);
    }
    process.start(program.isEmpty() ? builtProgram() : program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "the program did not finish normally: "
                      << arguments.join(' ').toStdString() << "\n"
                      << process.readAllStandardError().toStdString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

ShellKit::ShellKit() {
    slots = patternedSlots(300);
    for (SlotContent& slot : slots) {
        for (std::uint8_t& sample : slot.bytes) {
            sample = static_cast<std::uint8_t>(96 + sample / 4);
        }
    }
    slots[3].endIndex = 99;
    slots[8].endIndex = -1;
    slots[5].bytes.resize(120);
    slots[5].endIndex = 119;
    writeWorkingFolder(folder.path(), slots);
    writeWav8(slotFilePath(folder.path(), 7), slots[6].bytes, 22050);
}

SlotBank loaded(const QString& folder) {
    return loadWorkingFolder(folder, NewFolder::WriteDefaultKit);
}

} // namespace wtb::test
