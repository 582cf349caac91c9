// Runs with the sound clients pointed at a server that does not exist, as on a machine without
// sound: its own executable, so the setting reaches no other test.
#include "slots/WorkingFolder.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace wtb {
namespace {

class PlaybackWithoutServer : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir nowhere;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()));
        qputenv("HOME", QFile::encodeName(nowhere.path()));
        qputenv("PULSE_SERVER", QFile::encodeName("unix:" + nowhere.path() + "/pulse/native"));
    }
};

TEST_F(PlaybackWithoutServer, StartUpWorksAndPlayRaisesAClearSoundErrorChangingNothing) {
    test::TempFolder folder;
    SlotBank bank;
    LoadWorkingFolder(bank, folder.path()); // opens the device and loads the default kit
    bank.CurWave = 4;
    bank.WaveData = {1, 2, 3};
    bank.WaveDataSlot = 4;
    test::TempFolder before;
    SaveWorkingFolder(bank, before.path());

    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        try {
            bank.WaveBuffer[bank.CurWave]->Play();
            ADD_FAILURE() << "Play succeeded without a sound server";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Sound);
            EXPECT_EQ(std::string(error.what()).rfind("No sound output is available: ", 0), 0u)
                << error.what();
        }
        EXPECT_FALSE(bank.SoundDevice->isPlaying());
    }

    test::TempFolder after;
    SaveWorkingFolder(bank, after.path());
    EXPECT_EQ(test::folderChecksums(after.path()), test::folderChecksums(before.path()));
    EXPECT_EQ(bank.CurWave, 4);
    EXPECT_EQ(bank.WaveData, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(bank.WaveDataSlot, 4);
}

} // namespace
} // namespace wtb
