#pragma once

#include "slots/Slot.h"
#include "support/TestSupport.h"

#include <QProcessEnvironment>
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

// The environment the program runs in: no display, no Wayland and no Qt platform, as in a build
// script on a machine without a desktop, and a temporary home of its own, so that no test
// reads or writes the preferences or per-user folders of whoever runs the tests.
QProcessEnvironment programEnvironment();

// Sets the board the program remembers in that home, as the window would; empty forgets it.
void rememberBoard(const QString& id);
// The same for the sample format ("pcm8", "adpcm4").
void rememberSampleFormat(const QString& id);

// Runs the built program with `arguments` in `workingDirectory` (the test's own when empty),
// in programEnvironment(). `program` defaults to the built one.
ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory = {},
                      const QString& program = {});

// A working folder of slots of different lengths, rates, names and end indices, one of them
// contributing nothing, all quiet enough to be normalised.
struct ShellKit {
    ShellKit();
    std::int32_t rate(std::size_t index) const { return index == 6 ? 22050 : 8000; }
    TempFolder folder;
    std::vector<SlotContent> slots;
};

// The folder as the window would load it.
SlotBank loaded(const QString& folder);

} // namespace wtb::test
