#pragma once

#include <QString>
#include <QStringList>

namespace wtb::test {

// What one run of the program left behind on its way out.
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The path of the built program.
QString builtProgram();

// Runs the built program with `arguments` in `workingDirectory` (the test's own when empty),
// with no display, no Wayland and no Qt platform in its environment, as in a build script on a
// machine without a desktop. `program` defaults to the built one.
ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory = {},
                      const QString& program = {});

} // namespace wtb::test
