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
        raise(ErrorKind::Bounds, "A looped sound needs at least one sample in its loop.");
    }
}

qint64 LoopedSoundSource::bytesAvailable() const {
    return isOpen() ? std::numeric_limits<int>::max() : 0;
}

qint64 LoopedSoundSource::readData(char* data, qint64 maxSize) {
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
