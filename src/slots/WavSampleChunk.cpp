#include "slots/WavSampleChunk.h"

#include <QByteArray>

namespace wtb {

namespace {

std::uint32_t littleEndian32(const char* at) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(at);
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

constexpr qint64 kChunkHeader = 8;
constexpr qint64 kSampleHeader = 36; // the smpl fields before its loops
constexpr qint64 kLoopCountAt = 28;
constexpr int kMostChunks = 4096; // a damaged file is not walked for ever

} // namespace

std::optional<std::uint32_t> readWavLoopCount(QIODevice& file) {
    if (!file.seek(0)) {
        return std::nullopt;
    }
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8) != "WAVE") {
        return std::nullopt;
    }
    qint64 at = 12;
    for (int chunk = 0; chunk < kMostChunks && at + kChunkHeader <= file.size(); ++chunk) {
        if (!file.seek(at)) {
            break;
        }
        const QByteArray header = file.read(kChunkHeader);
        if (header.size() < kChunkHeader) {
            break;
        }
        const qint64 size = littleEndian32(header.constData() + 4);
        if (header.startsWith("smpl")) {
            const QByteArray body = size >= kSampleHeader ? file.read(kSampleHeader) : QByteArray();
            if (body.size() < kSampleHeader) {
                return std::nullopt;
            }
            return littleEndian32(body.constData() + kLoopCountAt);
        }
        at += kChunkHeader + size + (size % 2);
    }
    return std::nullopt;
}

} // namespace wtb
