#include "slots/AiffSustainLoop.h"

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <map>

namespace wtb {

namespace {

std::uint32_t bigEndian32(const char* at) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(at);
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
           std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
}

std::int16_t bigEndian16(const char* at) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(at);
    return static_cast<std::int16_t>(bytes[0] << 8 | bytes[1]);
}

constexpr qint64 kChunkHeader = 8;
constexpr qint64 kInstrumentSize = 20;
constexpr qint64 kSustainLoopAt = 8;
// A MARK chunk holds at most 65,535 markers of at most 262 bytes each.
constexpr qint64 kLargestMarkChunk = 65535 * 262 + 2;
// Enough for any real file's metadata; a damaged one is not walked for ever.
constexpr int kMostChunks = 4096;

// Marker id -> position, from a MARK chunk's body; a cut-short marker ends the list.
std::map<std::int16_t, std::uint32_t> markerPositions(const QByteArray& body) {
    std::map<std::int16_t, std::uint32_t> positions;
    if (body.size() < 2) {
        return positions;
    }
    const int count = static_cast<std::uint16_t>(bigEndian16(body.constData()));
    qsizetype at = 2;
    for (int n = 0; n < count && at + 7 <= body.size(); ++n) {
        positions[bigEndian16(body.constData() + at)] = bigEndian32(body.constData() + at + 2);
        const int nameLength = static_cast<std::uint8_t>(body[at + 6]);
        at += 6 + 1 + nameLength + ((nameLength + 1) % 2); // the name is padded to even
    }
    return positions;
}

} // namespace

std::optional<FileLoop> readAiffSustainLoop(QIODevice& file) {
    if (!file.seek(0)) {
        return std::nullopt;
    }
    const QByteArray form = file.read(12);
    if (form.size() < 12 || !form.startsWith("FORM") ||
        (form.mid(8) != "AIFF" && form.mid(8) != "AIFC")) {
        return std::nullopt;
    }
    QByteArray instrument;
    std::map<std::int16_t, std::uint32_t> markers;
    qint64 at = 12;
    for (int chunk = 0; chunk < kMostChunks && at + kChunkHeader <= file.size(); ++chunk) {
        if (!file.seek(at)) {
            break;
        }
        const QByteArray header = file.read(kChunkHeader);
        if (header.size() < kChunkHeader) {
            break;
        }
        const qint64 size = bigEndian32(header.constData() + 4);
        if (header.startsWith("INST") && size >= kInstrumentSize) {
            instrument = file.read(kInstrumentSize);
        } else if (header.startsWith("MARK") && size <= kLargestMarkChunk) {
            markers = markerPositions(file.read(size));
        }
        at += kChunkHeader + size + (size % 2);
    }
    if (instrument.size() < kInstrumentSize) {
        return std::nullopt;
    }
    const char* sustain = instrument.constData() + kSustainLoopAt;
    FileLoop loop;
    switch (bigEndian16(sustain)) {
    case 1:
        loop.mode = FileLoopMode::Forward;
        break;
    case 2:
        loop.mode = FileLoopMode::Alternating;
        break;
    default:
        return std::nullopt; // off, or a mode no player knows
    }
    const auto begin = markers.find(bigEndian16(sustain + 2));
    const auto end = markers.find(bigEndian16(sustain + 4));
    if (begin == markers.end() || end == markers.end()) {
        return std::nullopt;
    }
    loop.start = begin->second;
    loop.end = std::int64_t{end->second} - 1; // the end marker sits after the loop's last frame
    return loop;
}

} // namespace wtb
