#include "CliTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace wtb::test {

QString builtProgram() {
    return QStringLiteral(WTB_PROGRAM);
}

ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory,
                      const QString& program) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    process.setProcessEnvironment(environment);
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

} // namespace wtb::test
