// Runs with the sound clients pointed at a server that does not exist, as on a machine without
// sound: its own executable, so the setting reaches no other test.
#include "audio/SoundOutput.h"

#include "common/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace wtb {
namespace {

TEST(PlaybackWithoutServer, PlayRaisesAClearSoundErrorEveryTime) {
    QTemporaryDir nowhere;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()));
    qputenv("HOME", QFile::encodeName(nowhere.path()));
    qputenv("PULSE_SERVER", QFile::encodeName("unix:" + nowhere.path() + "/pulse/native"));

    SoundOutput output;
    const std::vector<std::uint8_t> sound(800, 200);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        try {
            output.play(sound, 8000);
            ADD_FAILURE() << "play succeeded without a sound server";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Sound);
            EXPECT_EQ(std::string(error.what()).rfind("No sound output is available: ", 0), 0u)
                << error.what();
        }
        EXPECT_FALSE(output.isPlaying());
    }
}

} // namespace
} // namespace wtb
