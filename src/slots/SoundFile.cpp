#include "slots/SoundFile.h"

#include "common/AtomicFile.h"
#include "common/CheckedInt.h"
#include "common/RegularFile.h"
#include "common/RuntimeError.h"
#include "slots/AiffSustainLoop.h"
#include "slots/Resampler.h"
#include "slots/SoundHeaderProbe.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

namespace wtb {

std::uint8_t toUnsigned8(double sample, const SampleScale& scale) {
    if (std::isnan(sample)) {
        return 128; // a float file may hold NaN, or infinities that cancel in the mix
    }
    // Dividing last keeps the normalised result exact for 8-bit input: a quotient of two small
    // integers is never rounded across a half.
    const double scaled = std::round(sample * scale.numerator / scale.denominator) + 128.0;
    return static_cast<std::uint8_t>(std::clamp(scaled, 0.0, 255.0));
}

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

[[noreturn]] void raiseLoadError(const QString& path, const std::string& reason) {
    raise(ErrorKind::Sound, "Cannot load the sound file \"" + displayPath(path) + "\": " + reason);
}

bool isUnsigned8BitMono(const SF_INFO& info) {
    return (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 && info.channels == 1;
}

std::vector<std::uint8_t> readRawBytes(SNDFILE* file, std::int32_t frames) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames));
    const sf_count_t got = sf_read_raw(file, bytes.data(), frames);
    bytes.resize(static_cast<std::size_t>(std::max<sf_count_t>(got, 0)));
    return bytes;
}

// A float file may hold NaN, or infinities (which may cancel in the mix): NaN is the zero line
// and an infinity full scale, as the 8-bit conversion would make them, and the resampler,
// which spreads every sample over its neighbours, never sees them.
double finiteSample(double sample) {
    if (std::isnan(sample)) {
        return 0.0;
    }
    return std::isinf(sample) ? std::copysign(1.0, sample) : sample;
}

// Hands the file's samples to `sink`, mixed to mono (channels averaged) and converted to
// `rate`, block by block, so a long multi-channel file never needs its decoded size in memory.
template <class Sink>
void forEachMonoBlock(SNDFILE* file, const SF_INFO& info, std::int32_t rate, Sink&& sink) {
    constexpr sf_count_t blockFrames = 16384;
    const int channels = info.channels;
    std::vector<double> block(static_cast<std::size_t>(blockFrames * channels));
    std::vector<double> mono(static_cast<std::size_t>(blockFrames));
    std::optional<StreamResampler> resampler;
    if (rate != info.samplerate) {
        resampler.emplace(info.samplerate, rate);
    }
    for (;;) {
        const sf_count_t got = sf_readf_double(file, block.data(), blockFrames);
        if (got <= 0) {
            break;
        }
        for (sf_count_t frame = 0; frame < got; ++frame) {
            const double* first = block.data() + frame * channels;
            double sum = 0.0;
            for (int channel = 0; channel < channels; ++channel) {
                sum += first[channel];
            }
            mono[static_cast<std::size_t>(frame)] = finiteSample(sum / channels);
        }
        const std::span<const double> mixed(mono.data(), static_cast<std::size_t>(got));
        sink(resampler ? resampler->process(mixed) : mixed);
    }
    if (resampler) {
        sink(resampler->finish());
    }
}

void checkReadError(SNDFILE* file, const QString& path) {
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        raiseLoadError(path, std::string(sf_strerror(file)));
    }
}

// The largest distance from the zero line of the converted sound.
double peakOf(SNDFILE* file, const SF_INFO& info, std::int32_t rate, const QString& path) {
    double peak = 0.0;
    forEachMonoBlock(file, info, rate, [&peak](std::span<const double> samples) {
        for (const double sample : samples) {
            peak = std::max(peak, std::abs(sample));
        }
    });
    checkReadError(file, path);
    if (sf_seek(file, 0, SEEK_SET) != 0) {
        raiseLoadError(path, "the file cannot be read a second time to normalise it.");
    }
    return peak;
}

// Normalising reads the file twice (once for the peak) rather than holding the converted
// sound at full resolution: memory stays a few blocks whatever the file's length.
std::vector<std::uint8_t> readConverted(SNDFILE* file, const SF_INFO& info, std::int32_t rate,
                                        bool normalise, const QString& path) {
    SampleScale scale;
    if (normalise) {
        const double peak = peakOf(file, info, rate, path);
        if (peak > 0.0) {
            scale = SampleScale{127.0, peak};
        }
    }
    const std::int32_t expected = toInt32Checked(
        std::llround(double(info.frames) * rate / info.samplerate), "A sound length");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(expected) + 16);
    forEachMonoBlock(file, info, rate, [&](std::span<const double> samples) {
        for (const double sample : samples) {
            bytes.push_back(toUnsigned8(sample, scale));
        }
    });
    toInt32Checked(bytes.size(), "A sound length");
    return bytes;
}

void requireHeaderThatOpens(const QString& path) {
    switch (probeUnlessPlain(path, kHeaderTimeLimit)) {
    case HeaderProbe::Opened:
        return;
    case HeaderProbe::TimedOut:
        raiseLoadError(path, "its header is damaged: reading it did not finish within " +
                                 std::to_string(kHeaderTimeLimit.count() / 1000) + " seconds.");
    case HeaderProbe::Crashed:
        raiseLoadError(path, "its header is damaged: reading it crashed the sound file reader.");
    }
}

// The loops of the file's instrument record, their ends made inclusive: libsndfile gives a
// loop's end one past its last frame, as a WAV's smpl chunk holds it plus one.
std::vector<FileLoop> instrumentLoops(SNDFILE* file, const SF_INFO& info, const QString& path) {
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_AIFF) {
        QFile aiff(path);
        std::optional<FileLoop> sustain;
        if (aiff.open(QIODevice::ReadOnly)) {
            sustain = readAiffSustainLoop(aiff);
        }
        return sustain ? std::vector<FileLoop>{*sustain} : std::vector<FileLoop>{};
    }
    SF_INSTRUMENT instrument{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) != SF_TRUE) {
        return {};
    }
    std::vector<FileLoop> loops;
    const int count = std::clamp(instrument.loop_count, 0, int(std::size(instrument.loops)));
    for (int n = 0; n < count; ++n) {
        const auto& each = instrument.loops[n];
        FileLoop loop{FileLoopMode::Forward, each.start, std::int64_t{each.end} - 1};
        switch (each.mode) {
        case SF_LOOP_FORWARD:
            break;
        case SF_LOOP_BACKWARD:
            loop.mode = FileLoopMode::Backward;
            break;
        case SF_LOOP_ALTERNATING:
            loop.mode = FileLoopMode::Alternating;
            break;
        default:
            continue; // no loop, or a maker's own kind
        }
        loops.push_back(loop);
    }
    return loops;
}

} // namespace

Sound8 decodeSoundFile(const QString& path, const DecodeOptions& options) {
    requireRegularFile(path, "The sound file", ErrorKind::Sound); // a FIFO would block the read
    if (options.targetRate) {
        checkTargetRate(*options.targetRate);
    }
    requireHeaderThatOpens(path);
    SF_INFO info{};
    SndfilePtr file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file) {
        raiseLoadError(path, std::string(sf_strerror(nullptr)));
    }
    if (info.channels < 1 || info.samplerate < 1) {
        raiseLoadError(path, "the file declares no channels or no sample rate.");
    }
    Sound8 sound;
    sound.sampleRate = options.targetRate.value_or(info.samplerate);
    sound.fileRate = info.samplerate;
    sound.fileFrames = info.frames;
    sound.loops = instrumentLoops(file.get(), info, path);
    if (isUnsigned8BitMono(info) && sound.sampleRate == info.samplerate && !options.normalise) {
        const std::int32_t frames = toInt32Checked(info.frames, "A sound length");
        sound.bytes = readRawBytes(file.get(), frames);
    } else {
        sound.bytes = readConverted(file.get(), info, sound.sampleRate, options.normalise, path);
    }
    checkReadError(file.get(), path);
    return sound;
}

namespace {

// libsndfile writes through these callbacks into memory, so the finished file can be put in
// place atomically.
struct MemoryFile {
    std::string data;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) {
    return static_cast<MemoryFile*>(user)->data.size();
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? file->position
                                                 : static_cast<sf_count_t>(file->data.size());
    file->position = std::max<sf_count_t>(0, base + offset);
    return file->position;
}

sf_count_t memoryRead(void* destination, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t available =
        std::max<sf_count_t>(0, static_cast<sf_count_t>(file->data.size()) - file->position);
    const sf_count_t n = std::min(count, available);
    std::memcpy(destination, file->data.data() + file->position, static_cast<std::size_t>(n));
    file->position += n;
    return n;
}

sf_count_t memoryWrite(const void* source, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const auto end = static_cast<std::size_t>(file->position + count);
    if (end > file->data.size()) {
        file->data.resize(end);
    }
    std::memcpy(file->data.data() + file->position, source, static_cast<std::size_t>(count));
    file->position += count;
    return count;
}

sf_count_t memoryTell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

} // namespace

std::string encodeWav8(std::span<const std::uint8_t> bytes, std::int32_t sampleRate) {
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
    SndfilePtr file(sf_open_virtual(&io, SFM_WRITE, &info, &memory));
    if (!file) {
        raise(ErrorKind::Sound, "Cannot encode a sound of " + std::to_string(sampleRate) +
                                    " Hz as WAV: " + sf_strerror(nullptr));
    }
    const auto size = static_cast<sf_count_t>(bytes.size());
    if (sf_write_raw(file.get(), bytes.data(), size) != size) {
        raise(ErrorKind::Sound,
              std::string("Cannot encode a sound as WAV: ") + sf_strerror(file.get()));
    }
    file.reset(); // closing writes the final chunk sizes
    return std::move(memory.data);
}

} // namespace wtb
