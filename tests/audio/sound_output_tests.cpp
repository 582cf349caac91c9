// Plays sounds through a real PulseAudio server and checks the bytes its sink received.
#include "audio/SoundOutput.h"
#include "support/PrivateSoundServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kRate = test::PrivateSoundServer::kRate;

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
    }

    static bool captured(const Bytes& bytes) {
        return test::findBytes(server->capture(), bytes).has_value();
    }

    // Waits for the playback to end, then for the sink to have written all of it out.
    void assertPlayedOutWhole(const Bytes& sound) {
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return !output->isPlaying(); }, 15000));
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(sound); }, 3000))
            << "the sink never received the whole sound";
    }

    // Keeps the event loop going until the sink has written a second more than `length`
    // bytes past where `opening` began.
    void waitPastTheSound(const Bytes& opening, std::size_t length) {
        const std::size_t start = *test::findBytes(server->capture(), opening);
        const std::size_t needed = start + length + kRate;
        ASSERT_TRUE(
            test::spinEventLoopUntil([&] { return server->capture().size() > needed; }, 5000));
    }

    static test::PrivateSoundServer* server;
    static std::string skipReason;
    std::unique_ptr<SoundOutput> output = std::make_unique<SoundOutput>();
};

test::PrivateSoundServer* Playback::server = nullptr;
std::string Playback::skipReason;

TEST_F(Playback, PlaysTheExactBytesOnceToTheLastSample) {
    const Bytes sound = distinctiveSound(2000, 1);

    output->play(sound, kRate);
    EXPECT_TRUE(output->isPlaying());
    ASSERT_NO_FATAL_FAILURE(assertPlayedOutWhole(sound));

    // once, not looping: another second of output holds no second copy
    const std::size_t first = *test::findBytes(server->capture(), sound);
    ASSERT_NO_FATAL_FAILURE(waitPastTheSound(sound, 2 * sound.size()));
    EXPECT_FALSE(test::findBytes(server->capture(), sound, first + 1));
}

TEST_F(Playback, PlayingAgainRestartsFromTheBeginning) {
    const Bytes sound = distinctiveSound(16000, 2); // two seconds
    const Bytes opening(sound.begin(), sound.begin() + 400);

    output->play(sound, kRate);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(opening); }, 5000));
    output->play(sound, kRate);
    ASSERT_NO_FATAL_FAILURE(assertPlayedOutWhole(sound));

    const Bytes capture = server->capture();
    const std::size_t firstStart = *test::findBytes(capture, opening);
    const std::size_t whole = *test::findBytes(capture, sound);
    EXPECT_LT(firstStart, whole) << "the first playback did not start before the second";
    EXPECT_FALSE(test::findBytes(capture, sound, whole + 1)) << "the sound played out twice";
}

TEST_F(Playback, TheCallersBytesMayChangeOrGoWhileTheSoundPlays) {
    const Bytes sound = distinctiveSound(4000, 3);
    auto source = std::make_unique<Bytes>(sound);

    output->play(*source, kRate);
    *source = distinctiveSound(4000, 4);
    source.reset();
    ASSERT_NO_FATAL_FAILURE(assertPlayedOutWhole(sound));
}

TEST_F(Playback, StopOrReleaseCutsTheSoundOff) {
    const std::vector<std::pair<const char*, std::function<void()>>> cuts{
        {"stop", [this] { output->stop(); }},
        {"release", [this] { output.reset(); }},
    };
    unsigned seed = 5;
    for (const auto& [name, cut] : cuts) {
        SCOPED_TRACE(name);
        output = std::make_unique<SoundOutput>();
        const Bytes sound = distinctiveSound(8000, seed++);
        const Bytes opening(sound.begin(), sound.begin() + 400);

        output->play(sound, kRate);
        ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(opening); }, 5000));
        cut();
        EXPECT_TRUE(!output || !output->isPlaying());

        ASSERT_NO_FATAL_FAILURE(waitPastTheSound(opening, sound.size()));
        EXPECT_FALSE(captured(sound));
    }
}

// The attack, then the loop joined to itself again and again, `repeats` times.
Bytes sustained(const Bytes& attack, const Bytes& loop, int repeats) {
    Bytes stream = attack;
    for (int k = 0; k < repeats; ++k) {
        stream.insert(stream.end(), loop.begin(), loop.end());
    }
    return stream;
}

TEST_F(Playback, ALoopedSoundPlaysItsAttackOnceThenTheLoopWithoutAGapUntilStopped) {
    // 337 samples do not divide any period the server or the sink read in.
    const Bytes attack = distinctiveSound(1000, 11);
    const Bytes loop = distinctiveSound(337, 12);
    // Two and a half seconds of it: far more than the sink holds at once, so the repetition
    // must come from the stream, and every join of the loop to itself is checked to the sample.
    const Bytes heard = sustained(attack, loop, 60);

    output->playLooped(attack, loop, kRate);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return captured(heard); }, 15000))
        << "the sink never received the attack followed by the loop repeated without a gap";
    EXPECT_TRUE(output->isPlaying()) << "a looped sound ended by itself";
    const Bytes capture = server->capture();
    const std::size_t start = *test::findBytes(capture, heard);
    EXPECT_FALSE(test::findBytes(capture, attack, start + 1)) << "the attack was played again";

    output->stop();
    EXPECT_FALSE(output->isPlaying());
    // Whatever the server still held when stopped is out within a second; after that, no
    // more of the loop.
    const std::size_t stoppedAt = server->capture().size();
    ASSERT_TRUE(test::spinEventLoopUntil(
        [&] { return server->capture().size() > stoppedAt + 2 * kRate; }, 5000));
    const Bytes afterStop = server->capture();
    EXPECT_FALSE(test::findBytes(afterStop, loop, stoppedAt + kRate))
        << "the loop went on playing after stop";
}

} // namespace
} // namespace wtb
