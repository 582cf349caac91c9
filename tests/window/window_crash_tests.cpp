// The window killed (SIGKILL, as a crash or a power cut ends it) a second and a half after an
// edit: the next start finds the edit, because every change is saved as it is made.
#include "WindowTestSupport.h"
#include "editing/Resample.h"
#include "slots/WorkingFolder.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct CrashCase {
    const char* name;
    QStringList steps; // SOUND stands for a sound file beside the folder
    std::function<void(SlotBank& expected, const QString& sound)> edit;
};

void PrintTo(const CrashCase& c, std::ostream* out) {
    *out << c.name;
}

class KilledWindow : public testing::TestWithParam<CrashCase> {};

TEST_P(KilledWindow, TheNextStartShowsTheEdit) {
    const CrashCase& c = GetParam();
    test::TempFolder folder;
    test::TempFolder source;
    std::vector<test::SlotContent> slots = test::patternedSlots(2000);
    for (std::size_t i = 0; i < 2000; ++i) {
        slots[1].bytes[i] = (i / 300) % 2 ? 60 : 200; // crossings every 300 samples
    }
    test::writeWorkingFolder(folder.path(), slots);
    const QString sound = source.file("sound.wav");
    test::writeWav8(sound, Bytes(500, 99), 11025);
    SlotBank expected = loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit);
    c.edit(expected, sound);
    ASSERT_NE(expected, loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit));

    QProcess child;
    QStringList arguments{folder.path()};
    for (const QString& step : c.steps) {
        arguments << QString(step).replace("SOUND", sound);
    }
    child.start(QStringLiteral(WTB_WINDOW_CHILD), arguments);
    ASSERT_TRUE(child.waitForReadyRead(30000)) << child.readAllStandardError().toStdString();
    ASSERT_EQ(child.readLine().trimmed().toStdString(), "ready");
    QThread::msleep(1500);
    child.kill(); // SIGKILL: nothing of the program runs after it
    ASSERT_TRUE(child.waitForFinished(10000));

    EXPECT_EQ(loadWorkingFolder(folder.path(), NewFolder::WriteDefaultKit), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Each, KilledWindow,
    testing::Values(CrashCase{"Import",
                              {"import:3:SOUND"},
                              [](SlotBank& bank, const QString& sound) {
                                  bank[3] = test::makeSlot(Bytes(500, 99), 499, "sound.wav", 11025);
                                  (void)sound;
                              }},
                    CrashCase{"Trim",
                              {"trim:2:1000"},
                              [](SlotBank& bank, const QString&) {
                                  bank[2].endIndex = 900; // back to the crossing at 900
                              }},
                    CrashCase{"Resample",
                              {"resample:5:11025"},
                              [](SlotBank& bank, const QString&) {
                                  bank[5] = resampledSlot(bank[5], 11025);
                              }},
                    CrashCase{"Undo",
                              {"import:3:SOUND", "trim:2:1000", "wait:1500", "undo"},
                              [](SlotBank& bank, const QString&) {
                                  bank[3] = test::makeSlot(Bytes(500, 99), 499, "sound.wav", 11025);
                              }}),
    [](const auto& one) { return std::string(one.param.name); });

} // namespace
} // namespace wtb
