#include "export/SampleFormat.h"

namespace wtb {

std::string_view sampleFormatDisplayName(SampleFormat format) {
    return format == SampleFormat::Adpcm4 ? "4-bit ADPCM" : "8-bit PCM";
}

std::string_view sampleFormatId(SampleFormat format) {
    return format == SampleFormat::Adpcm4 ? "adpcm4" : "pcm8";
}

std::optional<SampleFormat> sampleFormatFromId(std::string_view id) {
    for (SampleFormat format : {SampleFormat::Pcm8, SampleFormat::Adpcm4}) {
        if (id == sampleFormatId(format)) {
            return format;
        }
    }
    return std::nullopt;
}

} // namespace wtb
