// The same kit built twice from the same folder: once through the window's handlers, once
// through the command line. The slot files, Settings.txt and the sketch must be identical.
#include "CliTestSupport.h"

#include "slots/WorkingFolder.h"
#include "window/WindowTestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace wtb {
namespace {

// Four sources in formats the import converts differently.
QStringList writeSources(const test::TempFolder& folder) {
    std::vector<int> kick(6000);
    std::vector<int> pad(2 * 3000);
    std::vector<int> bass(2500);
    std::vector<float> hat(2 * 900);
    for (std::size_t i = 0; i < kick.size(); ++i) {
        const double decay = std::exp(-static_cast<double>(i) / 2000.0);
        kick[i] = static_cast<int>(decay * std::sin(i * 0.031) * 2.0e9);
    }
    for (std::size_t i = 0; i < pad.size(); ++i) {
        pad[i] = static_cast<int>(std::sin(i * (i % 2 ? 0.013 : 0.017)) * 1.5e9);
    }
    for (std::size_t i = 0; i < bass.size(); ++i) {
        bass[i] = static_cast<int>(std::sin(i * 0.007) * 1.9e9);
    }
    for (std::size_t i = 0; i < hat.size(); ++i) {
        hat[i] = static_cast<float>(std::sin(i * 1.3) * std::cos(i * 0.37) * 0.8);
    }
    const QStringList names = {"kick.wav", "pad.wav", "bass.wav", "hat.wav"};
    test::writeSoundFile(folder.file(names[0]), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, kick);
    test::writeSoundFile(folder.file(names[1]), SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, 8000, pad);
    test::writeSoundFile(folder.file(names[2]), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 8000, bass);
    test::writeFloatSoundFile(folder.file(names[3]), 2, 22050, hat);
    QStringList paths;
    for (const QString& name : names) {
        paths << folder.file(name);
    }
    return paths;
}

struct Trim {
    std::int16_t slot;
    std::int32_t sliderValue;
};

// The window remembers its target rate, normalise-on-import and board. Window tests running at
// the same time in other processes share the test preferences under $HOME; this one keeps its
// choices in a home of its own, set before the first preference is read.
const bool ownHome = [] {
    static const QTemporaryDir home;
    return qputenv("HOME", QFile::encodeName(home.path()));
}();

TEST(WindowAndCommandLine, BuildTheSameFolderAndSketchByteForByte) {
    test::TempFolder sources;
    const QStringList files = writeSources(sources);
    // Twelve slots of 3,000 samples at 8,000 Hz: still too large for the Uno at 7,000 Hz.
    const std::vector<test::SlotContent> start = test::randomSlots(3000, 7);
    // Slot 2 ends on a crossing well before the slider value; slot 9's random bytes cross often;
    // slot 3 is trimmed twice.
    const std::vector<Trim> trims = {{2, 2200}, {9, 450}, {3, 1500}, {3, 700}, {4, 0}};
    test::TempFolder output;
    ASSERT_TRUE(ownHome);

    test::LoadedWindow w(start);
    frmMain& window = *w.window;
    auto& normaliseOnImport = *window.findChild<QCheckBox*>("chkNormalise");
    window.setTargetRate(8000);
    for (std::int16_t slot = 1; slot <= 4; ++slot) {
        normaliseOnImport.setChecked(slot > 2);
        window.optCurWave_Click(slot);
        w.dialog->answers = {files[slot - 1]};
        window.cmdConvertText_Click();
    }
    for (const Trim& trim : trims) {
        window.optCurWave_Click(trim.slot);
        test::slider(window).setValue(trim.sliderValue); // where the click put the knob
        window.sldBuffer_Click();
    }
    EXPECT_NE(window.bank().OutBufLen[2], 2200) << "the trim should have walked back";
    window.optCurWave_Click(2); // imported without normalising
    window.cmdNormaliseSlot_Click();
    window.setTargetRate(11025);
    window.optCurWave_Click(5);
    window.cmdResampleSlot_Click();
    window.setTargetRate(7000);
    window.cmdResampleAll_Click();
    window.cmdNormaliseAll_Click();
    window.setBoard(Board::Uno);
    *w.saveAnyway = true;
    w.dialog->answers = {output.file("window.ino")};
    window.cmdSave_Click();
    EXPECT_EQ(w.questions->size(), 1) << "the kit should have been too large for the Uno";
    ASSERT_TRUE(window.close());
    ASSERT_TRUE(w.errors->isEmpty()) << w.errors->join('\n').toStdString();

    test::TempFolder shell;
    test::writeWorkingFolder(shell.path(), start);
    const auto run = [&](QStringList arguments, int exitCode = 0) {
        const test::ProgramRun result =
            test::runProgram(QStringList{"--folder", shell.path()} + arguments);
        EXPECT_EQ(result.exitCode, exitCode) << arguments.join(' ').toStdString() << "\n"
                                             << result.err.toStdString();
    };
    for (int slot = 1; slot <= 4; ++slot) {
        QStringList import = {"import", QString::number(slot), files[slot - 1], "--rate", "8000"};
        if (slot > 2) {
            import << "--normalise";
        }
        run(import);
    }
    for (const Trim& trim : trims) {
        run({"trim", QString::number(trim.slot), QString::number(trim.sliderValue)});
    }
    run({"normalise", "2"});
    run({"resample", "5", "11025"});
    run({"resample", "all", "7000"});
    run({"normalise", "all"});
    run({"export", "--board", "uno", "-o", output.file("shell.ino")}, 1);
    EXPECT_FALSE(QFileInfo::exists(output.file("shell.ino"))) << "written without --force";
    run({"export", "--board", "uno", "--force", "-o", output.file("shell.ino")});

    EXPECT_EQ(test::folderChecksums(shell.path()), test::folderChecksums(w.folder.path()));
    const std::string sketch = test::readText(output.file("window.ino"));
    EXPECT_FALSE(sketch.empty());
    EXPECT_EQ(test::readText(output.file("shell.ino")), sketch);
}

} // namespace
} // namespace wtb
