#include "slots/AiffSustainLoop.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
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
constexpr qint64 kCommonSize = 18;
constexpr qint64 kInstrumentSize = 20;
constexpr qint64 kSustainLoopAt = 8;
// A MARK chunk holds at most 65,535 markers of at most 262 bytes each.
constexpr qint64 kLargestMarkChunk = 65535 * 262 + 2;
// Enough for any real file's metadata; a damaged one is not walked for ever.
constexpr int kMostChunks = 4096;

using MarkerPositions = std::map<std::int16_t, std::uint32_t>;

// Marker id -> position, from a MARK chunk's body, each marker's name padded to an even length
// or not; a cut-short marker ends the list. Gives where the list ended.
qsizetype readMarkers(const QByteArray& body, bool paddedNames, MarkerPositions& positions) {
    const int count = static_cast<std::uint16_t>(bigEndian16(body.constData()));
    qsizetype at = 2;
    for (int n = 0; n < count && at + 7 <= body.size(); ++n) {
        positions[bigEndian16(body.constData() + at)] = bigEndian32(body.constData() + at + 2);
        const int nameLength = static_cast<std::uint8_t>(body[at + 6]);
        at += 6 + 1 + nameLength + (paddedNames ? (nameLength + 1) % 2 : 0);
    }
    return at;
}

// The markers of a MARK chunk's body. The format pads each name to an even length; some
// writers do not, and their chunk (of odd size, often) then ends exactly where the unpadded
// names end, which tells the two apart.
MarkerPositions markerPositions(const QByteArray& body) {
    MarkerPositions padded;
    if (body.size() < 2 || readMarkers(body, true, padded) == body.size()) {
        return padded;
    }
    MarkerPositions unpadded;
    return readMarkers(body, false, unpadded) == body.size() ? unpadded : padded;
}

bool looksLikeChunkId(const QByteArray& id) {
    return id.size() == 4 &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// Where the chunk after one of `size` bytes at `at` starts: after its pad byte when the size is
// odd, as the format asks; yet some writers leave the pad out, and then the next chunk's name
// stands one byte earlier.
qint64 nextChunk(QIODevice& file, qint64 at, qint64 size) {
    const qint64 padded = at + kChunkHeader + size + (size % 2);
    if (size % 2 == 0 || !file.seek(padded) || looksLikeChunkId(file.read(4))) {
        return padded;
    }
    return file.seek(padded - 1) && looksLikeChunkId(file.read(4)) ? padded - 1 : padded;
}

// The chunks an AIFF reader of ours needs, found by walking the chunk headers.
struct AiffChunks {
    QByteArray common;     // COMM's first 18 bytes
    QByteArray instrument; // INST's 20 bytes
    MarkerPositions markers;
};

std::optional<AiffChunks> readAiffChunks(QIODevice& file) {
    if (!file.seek(0)) {
        return std::nullopt;
    }
    const QByteArray form = file.read(12);
    if (form.size() < 12 || !form.startsWith("FORM") ||
        (form.mid(8) != "AIFF" && form.mid(8) != "AIFC")) {
        return std::nullopt;
    }
    AiffChunks chunks;
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
        if (header.startsWith("COMM") && size >= kCommonSize) {
            chunks.common = file.read(kCommonSize);
        } else if (header.startsWith("INST") && size >= kInstrumentSize) {
            chunks.instrument = file.read(kInstrumentSize);
        } else if (header.startsWith("MARK") && size <= kLargestMarkChunk) {
            chunks.markers = markerPositions(file.read(size));
        }
        at = nextChunk(file, at, size);
    }
    return chunks;
}

} // namespace

std::optional<double> readAiffSampleRate(QIODevice& file) {
    const std::optional<AiffChunks> chunks = readAiffChunks(file);
    if (!chunks || chunks->common.size() < kCommonSize) {
        return std::nullopt;
    }
    // An 80-bit IEEE extended number: sign and 15-bit exponent, then a 64-bit mantissa.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(chunks->common.constData() + 8);
    const int exponent = ((bytes[0] & 0x7F) << 8 | bytes[1]) - 16383;
    std::uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) {
        mantissa = mantissa << 8 | bytes[i];
    }
    const double value = std::ldexp(static_cast<double>(mantissa), exponent - 63);
    return (bytes[0] & 0x80) != 0 ? -value : value;
}

std::optional<FileLoop> readAiffSustainLoop(QIODevice& file) {
    const std::optional<AiffChunks> chunks = readAiffChunks(file);
    if (!chunks || chunks->instrument.size() < kInstrumentSize) {
        return std::nullopt;
    }
    const QByteArray& instrument = chunks->instrument;
    const MarkerPositions& markers = chunks->markers;
    const char* sustain = instrument.constData() + kSustainLoopAt;
    FileLoop loop;
    switch (bigEndian16(sustain)) {
    case 1:
        loop.mode = FileLoopMode::Forward;
        break;
    case 2:
        loop.mode = FileLoopMode::Alternating;
        break;
    case 0:
        return std::nullopt; // off
    default:
        loop.mode = FileLoopMode::Other; // a mode no player knows, for the import to say so
        break;
    }
    const auto begin = markers.find(bigEndian16(sustain + 2));
    const auto end = markers.find(bigEndian16(sustain + 4));
    if (begin == markers.end() || end == markers.end()) {
        return FileLoop{loop.mode, kMissingMarker, kMissingMarker};
    }
    loop.start = begin->second;
    loop.end = std::int64_t{end->second} - 1; // the end marker sits after the loop's last frame
    return loop;
}

} // namespace wtb
