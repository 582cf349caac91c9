#include "audio/LoopedSoundSource.h"

#include "common/RuntimeError.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace wtb {

namespace {

QByteArray copyOf(std::span<const std::uint8_t> bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace

LoopedSoundSource::LoopedSoundSource(std::span<const std::uint8_t> attack,
                                     std::span<const std::uint8_t> loop, QObject* parent)
    : QIODevice(parent), attack_(copyOf(attack)), loop_(copyOf(loop)) {
    if (loop_.isEmpty()) {
        raise(ErrorKind::Internal, "A looped sound needs at least one sample in its loop.");
    }
}

std::int64_t LoopedSoundSource::release(std::span<const std::uint8_t> tail) {
    if (tailFrom_ < 0) {
        const auto attackSize = static_cast<std::int64_t>(attack_.size());
        const auto loopSize = static_cast<std::int64_t>(loop_.size());
        // Whole passes: at least one, and the one begun plays out.
        const std::int64_t passes =
            std::max<std::int64_t>(1, (served_ - attackSize + loopSize - 1) / loopSize);
        tailFrom_ = attackSize + passes * loopSize;
        tail_ = copyOf(tail);
    }
    return tailFrom_ + tail_.size();
}

bool LoopedSoundSource::atEnd() const {
    return !isOpen() || (tailFrom_ >= 0 && served_ >= tailFrom_ + tail_.size());
}

qint64 LoopedSoundSource::bytesAvailable() const {
    if (!isOpen()) {
        return 0;
    }
    return tailFrom_ < 0 ? std::numeric_limits<int>::max()
                         : std::max<std::int64_t>(0, tailFrom_ + tail_.size() - served_);
}

qint64 LoopedSoundSource::readData(char* data, qint64 maxSize) {
    if (tailFrom_ >= 0) {
        // Never past the released pass's end, then the tail.
        maxSize = std::min<qint64>(maxSize, tailFrom_ + tail_.size() - served_);
        if (maxSize <= 0) {
            return 0;
        }
    }
    const qint64 beforeTail =
        tailFrom_ < 0 ? maxSize : std::clamp<qint64>(tailFrom_ - served_, 0, maxSize);
    qint64 written = readSustained(data, beforeTail);
    if (written < maxSize) {
        const std::int64_t at = served_ - tailFrom_;
        std::memcpy(data + written, tail_.constData() + at,
                    static_cast<std::size_t>(maxSize - written));
        served_ += maxSize - written;
        written = maxSize;
    }
    return written;
}

qint64 LoopedSoundSource::readSustained(char* data, qint64 maxSize) {
    qint64 written = 0;
    // The attack's bytes first, once; after it, the position within the loop is the count
    // served past the attack modulo the loop's length.
    const auto attackSize = static_cast<std::int64_t>(attack_.size());
    if (served_ < attackSize) {
        const qint64 count = std::min<qint64>(maxSize, attackSize - served_);
        std::memcpy(data, attack_.constData() + served_, static_cast<std::size_t>(count));
        written = count;
    }
    const auto loopSize = static_cast<std::int64_t>(loop_.size());
    while (written < maxSize) {
        const std::int64_t at = (served_ + written - attackSize) % loopSize;
        const qint64 count = std::min<qint64>(maxSize - written, loopSize - at);
        std::memcpy(data + written, loop_.constData() + at, static_cast<std::size_t>(count));
        written += count;
    }
    served_ += written;
    return written;
}

qint64 LoopedSoundSource::writeData(const char*, qint64) {
    return -1; // read-only
}

} // namespace wtb
