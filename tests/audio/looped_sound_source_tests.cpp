// The sustained sound's stream, read as a sound output reads it: in pieces of any size.
#include "audio/LoopedSoundSource.h"
#include "common/RuntimeError.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace wtb {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Bytes numbered from `first`, so a byte out of place shows where it came from.
Bytes numbered(std::size_t count, std::uint8_t first) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// The first `count` bytes of attack + loop + loop + ..., built the plain way.
Bytes expectedStream(const Bytes& attack, const Bytes& loop, std::size_t count) {
    Bytes stream(attack.begin(),
                 attack.begin() + static_cast<std::ptrdiff_t>(std::min(count, attack.size())));
    while (stream.size() < count) {
        stream.push_back(loop[(stream.size() - attack.size()) % loop.size()]);
    }
    return stream;
}

// Reads `count` bytes in pieces whose sizes cycle through `sizes`; every read must be whole.
Bytes readInPieces(LoopedSoundSource& source, std::size_t count, const std::vector<int>& sizes) {
    Bytes read;
    for (std::size_t k = 0; read.size() < count; ++k) {
        std::vector<char> piece(static_cast<std::size_t>(sizes[k % sizes.size()]));
        const qint64 got = source.read(piece.data(), static_cast<qint64>(piece.size()));
        EXPECT_EQ(got, static_cast<qint64>(piece.size())) << "read " << k << " came back short";
        if (got <= 0) {
            break;
        }
        read.insert(read.end(), piece.begin(), piece.begin() + got);
    }
    read.resize(std::min(read.size(), count));
    return read;
}

struct Case {
    std::size_t attack;
    std::size_t loop;
    std::vector<int> readSizes;
};

TEST(LoopedSoundSource, ServesTheAttackOnceThenTheLoopSampleForSampleAtAnyReadSize) {
    // Read sizes that do not divide the loop, that straddle the attack's end, that are smaller
    // and larger than the loop, and that change from one read to the next.
    const std::vector<Case> cases{
        {0, 1, {1}},         {0, 1, {4096}},        {3, 5, {1}},
        {3, 5, {7}},         {3, 5, {2, 3, 11}},    {1000, 337, {333}},
        {1000, 337, {4096}}, {1000, 337, {1, 999}}, {10, 4096, {4095, 2, 8193}},
        {5000, 3, {1024}},   {0, 337, {338, 336}},  {337, 337, {337}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("attack " + std::to_string(c.attack) + ", loop " + std::to_string(c.loop) +
                     ", first read " + std::to_string(c.readSizes.front()));
        const Bytes attack = numbered(c.attack, 200);
        const Bytes loop = numbered(c.loop, 0);
        LoopedSoundSource source(attack, loop);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        // Far enough to pass the attack and join the loop to itself many times.
        const std::size_t count = c.attack + 7 * c.loop + 4099;
        const Bytes read = readInPieces(source, count, c.readSizes);
        ASSERT_EQ(read, expectedStream(attack, loop, count));
        EXPECT_FALSE(source.atEnd()) << "a sustained sound never ends by itself";
    }
}

TEST(LoopedSoundSource, KeepsItsOwnCopyOfTheSamples) {
    Bytes attack{1, 2, 3};
    Bytes loop{9, 8};
    LoopedSoundSource source(attack, loop);
    attack.assign(3, 0);
    loop.assign(2, 0);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(readInPieces(source, 7, {7}), (Bytes{1, 2, 3, 9, 8, 9, 8}));
}

TEST(LoopedSoundSource, ClosingItEndsTheSound) {
    LoopedSoundSource source(Bytes{1, 2}, Bytes{3});
    ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    char byte = 0;
    ASSERT_EQ(source.read(&byte, 1), 1);
    source.close();
    EXPECT_TRUE(source.atEnd());
    EXPECT_EQ(source.bytesAvailable(), 0);
    EXPECT_EQ(source.read(&byte, 1), -1) << "a closed source still gave sound";
    EXPECT_EQ(source.bytesServed(), 1);
}

// Released as the board releases a note: the pass being read plays to its end, then the tail,
// then the stream ends. Each case: bytes read before the release, and the whole stream.
TEST(LoopedSoundSource, AReleaseFinishesThePassThenPlaysTheTailAndEnds) {
    struct ReleaseCase {
        std::size_t readBefore;
        Bytes tail;
        Bytes whole;
    };
    const std::vector<ReleaseCase> cases{
        {0, {5, 6}, {1, 2, 3, 7, 8, 5, 6}},       // before a sample: one pass all the same
        {2, {5, 6}, {1, 2, 3, 7, 8, 5, 6}},       // during the attack
        {4, {5, 6}, {1, 2, 3, 7, 8, 5, 6}},       // inside the first pass
        {5, {5, 6}, {1, 2, 3, 7, 8, 5, 6}},       // just at the end of a pass
        {6, {5, 6}, {1, 2, 3, 7, 8, 7, 8, 5, 6}}, // the second pass begun plays out
        {8, {}, {1, 2, 3, 7, 8, 7, 8, 7, 8}},     // no tail: the loop's last pass ends it
    };
    for (const ReleaseCase& each : cases) {
        LoopedSoundSource source(Bytes{1, 2, 3}, Bytes{7, 8});
        ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        Bytes stream = readInPieces(source, each.readBefore, {1});
        EXPECT_EQ(source.release(each.tail), static_cast<std::int64_t>(each.whole.size()));
        EXPECT_EQ(source.release(Bytes{9, 9, 9}), static_cast<std::int64_t>(each.whole.size()))
            << "a second release changed the sound";
        std::vector<char> piece(3);
        for (qint64 got = 0; (got = source.read(piece.data(), 3)) > 0;) {
            stream.insert(stream.end(), piece.begin(), piece.begin() + got);
        }
        EXPECT_EQ(stream, each.whole) << "released after " << each.readBefore << " bytes";
        EXPECT_TRUE(source.atEnd());
        EXPECT_EQ(source.bytesAvailable(), 0);
    }
}

TEST(LoopedSoundSource, RefusesAnEmptyLoopAndWrites) {
    EXPECT_THROW(LoopedSoundSource(Bytes{1, 2, 3}, Bytes{}), RuntimeError);
    LoopedSoundSource source(Bytes{}, Bytes{5});
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(source.write("x", 1), -1);
}

} // namespace
} // namespace wtb
