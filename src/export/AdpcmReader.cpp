#include "export/AdpcmReader.h"

#include "common/RuntimeError.h"
#include "export/ExportFault.h"

#include <algorithm>
#include <string>

namespace wtb {

namespace {

std::uint8_t byteAt(std::span<const std::uint8_t> bytes, std::int32_t position) {
    if (position < 0 || position >= static_cast<std::int64_t>(bytes.size())) {
        raise(ErrorKind::Bounds, ExportFault::AdpcmDataEnds,
              {{"bytes", bytes.size()}, {"position", position}});
    }
    return bytes[static_cast<std::size_t>(position)];
}

// One step of the sketch's Zozedovad_Next, in its own unsigned 16-bit arithmetic: the reader
// loops are restarted from is this one, not DecoderState, so the two are checked against each
// other. The next sample, 8-bit unsigned.
std::uint8_t readerNext(std::span<const std::uint8_t> bytes, AdpcmReaderState& reader) {
    --reader.left;
    if (reader.blockLeft == 0) {
        reader.level =
            static_cast<std::uint16_t>((byteAt(bytes, reader.position) ^ 0x80) << 8 | 0x80);
        const std::uint8_t index = byteAt(bytes, reader.position + 1);
        if (index >= kAdpcmStepCount) {
            raise(ErrorKind::Bounds, ExportFault::AdpcmStepIndexOutside,
                  {{"position", reader.position}, {"index", index}});
        }
        reader.index = index;
        reader.position += kAdpcmHeaderBytes;
        reader.blockLeft = kAdpcmBlockSamples - 1;
    } else {
        const int code = (reader.blockLeft & 1) ? byteAt(bytes, reader.position - 1) >> 4
                                                : byteAt(bytes, reader.position++) & 15;
        --reader.blockLeft;
        const std::int32_t step = kAdpcmSteps[reader.index];
        std::int32_t diff = step >> 3;
        diff += (code & 4) ? step : 0;
        diff += (code & 2) ? step >> 1 : 0;
        diff += (code & 1) ? step >> 2 : 0;
        const std::int32_t level =
            (code & 8) ? std::max(reader.level - diff, 0) : std::min(reader.level + diff, 0xFFFF);
        reader.level = static_cast<std::uint16_t>(level);
        reader.index = static_cast<std::uint8_t>(
            std::clamp(reader.index + kAdpcmIndexChanges[code & 7], 0, kAdpcmStepCount - 1));
    }
    return static_cast<std::uint8_t>(reader.level >> 8);
}

} // namespace

AdpcmReaderState adpcmReaderStateAt(std::span<const std::uint8_t> bytes, std::int32_t sampleCount,
                                    std::int32_t sample) {
    if (sampleCount < 0 || adpcmBytesFor(sampleCount) > static_cast<std::int64_t>(bytes.size())) {
        raise(ErrorKind::Bounds, ExportFault::AdpcmDataTooShort,
              {{"bytes", bytes.size()}, {"samples", sampleCount}});
    }
    if (sample < 0 || sample > sampleCount) {
        raise(ErrorKind::Internal, ExportFault::AdpcmSampleOutside,
              {{"sample", sample}, {"samples", sampleCount}});
    }
    AdpcmReaderState reader;
    reader.left = sampleCount;
    for (std::int32_t k = 0; k < sample; ++k) {
        readerNext(bytes, reader);
    }
    return reader;
}

std::vector<std::uint8_t> decodeAdpcmFrom(std::span<const std::uint8_t> bytes,
                                          AdpcmReaderState state) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(std::max(state.left, 0)));
    while (state.left > 0) {
        out.push_back(readerNext(bytes, state));
    }
    return out;
}

} // namespace wtb
