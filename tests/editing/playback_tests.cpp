// Plays slots through a real PulseAudio server and checks the bytes its sink received.
#include "PrivateSoundServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Bytes that silence (128) or a short stretch of any other sound cannot imitate.
Bytes distinctiveSound(std::size_t length, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(length);
    for (auto& b : bytes) {
        do {
            b = static_cast<std::uint8_t>(random());
        } while (b == 128);
    }
    return bytes;
}

class Playback : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new test::PrivateSoundServer;
        if (auto failure = server->start()) {
            skipReason = "no private sound server: " + *failure;
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (!skipReason.empty()) {
            GTEST_SKIP() << skipReason;
        }
        test::fillBank(bank, test::patternedSlots(100), test::PrivateSoundServer::kRate);
    }

    void putInSlot(std::int16_t slot, const Bytes& bytes) {
        bank.WaveBuffer[slot] = std::make_unique<SoundBuffer>(*bank.SoundDevice, bytes,
                                                              test::PrivateSoundServer::kRate);
    }

    static bool captured(const Bytes& bytes) {
        return test::findBytes(server->capture(), bytes).has_value();
    }

    // Waits for the playback to end, then for the sink to have written all of it out.
    void assertPlayedOutWhole(const Bytes& sound) {
        ASSERT_TRUE(
            test::spinEventLoopUntil([&] { return !bank.SoundDevice->isPlaying(); }, 15000));
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(sound); }, 3000))
            << "the sink never received the whole sound";
    }

    static test::PrivateSoundServer* server;
    static std::string skipReason;
    SlotBank bank;
};

test::PrivateSoundServer* Playback::server = nullptr;
std::string Playback::skipReason;

TEST_F(Playback, PlaysTheSlotsExactBytesOnceToTheLastSample) {
    const Bytes sound = distinctiveSound(4000, 1);
    putInSlot(6, sound);

    bank.WaveBuffer[6]->Play();
    EXPECT_TRUE(bank.SoundDevice->isPlaying());
    ASSERT_NO_FATAL_FAILURE(assertPlayedOutWhole(sound));

    // once, not looping: another second of output holds no second copy
    const std::size_t first = *test::findBytes(server->capture(), sound);
    const std::size_t needed = first + 2 * sound.size() + test::PrivateSoundServer::kRate;
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return server->capture().size() > needed; }, 5000));
    EXPECT_FALSE(test::findBytes(server->capture(), sound, first + 1));
}

TEST_F(Playback, PlayingAgainRestartsFromTheBeginning) {
    const Bytes sound = distinctiveSound(16000, 2); // two seconds
    const Bytes opening(sound.begin(), sound.begin() + 400);
    putInSlot(3, sound);

    bank.WaveBuffer[3]->Play();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(opening); }, 5000));
    bank.WaveBuffer[3]->Play();
    ASSERT_NO_FATAL_FAILURE(assertPlayedOutWhole(sound));

    const Bytes capture = server->capture();
    const std::size_t firstStart = *test::findBytes(capture, opening);
    const std::size_t whole = *test::findBytes(capture, sound);
    EXPECT_LT(firstStart, whole) << "the first playback did not start before the second";
    EXPECT_FALSE(test::findBytes(capture, sound, whole + 1)) << "the sound played out twice";
}

TEST_F(Playback, ReplacingTheSlotsSoundDoesNotDisturbThePlayback) {
    const Bytes sound = distinctiveSound(4000, 3);
    putInSlot(1, sound);

    bank.WaveBuffer[1]->Play();
    putInSlot(1, distinctiveSound(4000, 4)); // the old buffer is released at once
    ASSERT_NO_FATAL_FAILURE(assertPlayedOutWhole(sound));
}

TEST_F(Playback, ClosingTheDeviceWhilePlayingStopsTheSound) {
    const Bytes sound = distinctiveSound(8000, 5);
    const Bytes opening(sound.begin(), sound.begin() + 400);
    putInSlot(2, sound);

    bank.WaveBuffer[2]->Play();
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(opening); }, 5000));
    bank.SoundDevice.reset();

    // keep the event loop going for longer than the sound would have lasted
    const std::size_t start = *test::findBytes(server->capture(), opening);
    const std::size_t needed = start + sound.size() + test::PrivateSoundServer::kRate;
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return server->capture().size() > needed; }, 5000));
    EXPECT_FALSE(captured(sound));
}

} // namespace
} // namespace wtb
