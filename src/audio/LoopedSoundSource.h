#pragma once

#include <QByteArray>
#include <QIODevice>

#include <cstdint>
#include <span>

namespace wtb {

// The bytes of a sustained sound as a sound output pulls them: the attack once, then the loop
// over and over with no gap, for as long as it is read. The repetition lives here, in the
// stream, so the join from the loop's last sample back to its first is exactly one sample apart
// whatever sizes the output reads in. Read-only and sequential; until released it never reaches
// its end, so only closing it (as stopping the output does) ends the sound.
class LoopedSoundSource : public QIODevice {
    Q_OBJECT

public:
    // Copies both. Raises a bounds error for an empty loop, which could never fill a read.
    LoopedSoundSource(std::span<const std::uint8_t> attack, std::span<const std::uint8_t> loop,
                      QObject* parent = nullptr);

    // As the board does on a note's release: the pass of the loop being read plays to its end
    // (the first pass, when the attack is still being read), then `tail` once, then the sound
    // ends. Gives how many bytes the whole sound then has. A second release changes nothing.
    std::int64_t release(std::span<const std::uint8_t> tail);

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    // Always more than a sound output asks for at once while open.
    qint64 bytesAvailable() const override;

    // How many bytes have been read since the source was made.
    std::int64_t bytesServed() const { return served_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    // The attack, then the loop over and over.
    qint64 readSustained(char* data, qint64 maxSize);
    QByteArray attack_;
    QByteArray loop_;
    std::int64_t served_ = 0;
    QByteArray tail_;
    std::int64_t tailFrom_ = -1; // where the tail starts once released; -1 until then
};

} // namespace wtb
