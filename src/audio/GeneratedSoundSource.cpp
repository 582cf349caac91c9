#include "audio/GeneratedSoundSource.h"

#include <limits>

namespace wtb {

GeneratedSoundSource::GeneratedSoundSource(Generator next, QObject* parent)
    : QIODevice(parent), next_(std::move(next)) {}

qint64 GeneratedSoundSource::bytesAvailable() const {
    return isOpen() ? std::numeric_limits<int>::max() : 0;
}

qint64 GeneratedSoundSource::readData(char* data, qint64 maxSize) {
    for (qint64 i = 0; i < maxSize; ++i) {
        data[i] = static_cast<char>(next_());
    }
    served_ += maxSize;
    return maxSize;
}

qint64 GeneratedSoundSource::writeData(const char*, qint64) {
    return -1; // read-only
}

} // namespace wtb
