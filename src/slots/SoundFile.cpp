#include "slots/SoundFile.h"

#include "common/AtomicFile.h"
#include "common/CheckedInt.h"
#include "common/MemoryRoom.h"
#include "common/RegularFile.h"
#include "common/RuntimeError.h"
#include "common/SystemPath.h"
#include "slots/AiffSustainLoop.h"
#include "slots/Resampler.h"
#include "slots/SlotFault.h"
#include "slots/SoundHeaderProbe.h"
#include "slots/WavSampleChunk.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <span>
#include <unistd.h>

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

[[noreturn]] void raiseLoadError(const QString& path, SlotFault fault, Facts facts = {}) {
    facts.add("file", displayPath(path));
    raise(ErrorKind::Sound, fault, std::move(facts));
}

[[noreturn]] void raiseUnreadable(const QString& path, const char* reason) {
    raiseLoadError(path, SlotFault::SoundUnreadable, {{"reason", reason}});
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
        raiseUnreadable(path, sf_strerror(file));
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
        raiseLoadError(path, SlotFault::SoundNotRereadable);
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
        raiseLoadError(path, SlotFault::HeaderTimedOut,
                       {{"seconds", kHeaderTimeLimit.count() / 1000}});
    case HeaderProbe::Crashed:
        raiseLoadError(path, SlotFault::HeaderCrashedReader);
    }
}

// The file opened by its bytes, for the chunk readers of our own.
bool openByName(QFile& file, const QString& path) {
    const int fd = ::open(systemPath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return true;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return false;
}

bool isAiff(const SF_INFO& info) {
    return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_AIFF;
}

// The loops of the file's instrument record, their ends made inclusive (libsndfile gives a
// loop's end one past its last frame, as a WAV's smpl chunk holds it plus one), and how many
// the file declares.
void readFileLoops(SNDFILE* file, const SF_INFO& info, const QString& path, Sound8& sound) {
    QFile chunks;
    const bool opened = openByName(chunks, path);
    if (isAiff(info)) {
        if (const std::optional<FileLoop> sustain =
                opened ? readAiffSustainLoop(chunks) : std::nullopt) {
            sound.loops = {*sustain};
        }
        sound.declaredLoops = static_cast<std::int64_t>(sound.loops.size());
        return;
    }
    SF_INSTRUMENT instrument{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) != SF_TRUE) {
        return;
    }
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
            loop.mode = FileLoopMode::Other; // a maker's own kind, which no player knows
            break;
        }
        sound.loops.push_back(loop);
    }
    const std::optional<std::uint32_t> declared = opened ? readWavLoopCount(chunks) : std::nullopt;
    sound.declaredLoops = std::max<std::int64_t>(count, declared.value_or(0));
}

// libsndfile reads an AIFF rate of 0 (or any below 1 Hz) as 1 Hz: a file that declares no
// rate would come in as a sound lasting hours.
void requireAiffRate(const SF_INFO& info, const QString& path) {
    QFile chunks;
    if (!isAiff(info) || !openByName(chunks, path)) {
        return;
    }
    const std::optional<double> rate = readAiffSampleRate(chunks);
    if (rate && !(*rate >= 1.0)) {
        raiseLoadError(path, SlotFault::AiffRateUnplayable, {{"rate", *rate}});
    }
}

// The sound the file will give, judged from its header before a sample is read: at least one
// sample when it has frames, no more than the slot may take, in memory the program can have.
void requireSoundThatFits(const SF_INFO& info, std::int32_t rate, const DecodeOptions& options,
                          const QString& path) {
    const std::int64_t length = resampledLength(info.frames, info.samplerate, rate);
    const std::string file = displayPath(path);
    if (length < 1 && info.frames > 0) {
        Facts facts{
            {"file", file}, {"frames", info.frames}, {"fileRate", info.samplerate}, {"rate", rate}};
        if (const std::int64_t lowest = lowestRateKeepingASample(info.frames, info.samplerate);
            lowest <= kHighestTargetRate) {
            facts.add("lowest", lowest);
        }
        raise(ErrorKind::Sound, SlotFault::SoundKeepsNoSample, std::move(facts));
    }
    if (length > options.mostSamples) {
        raise(ErrorKind::Bounds, SlotFault::SoundTooLongForSlots,
              {{"file", file},
               {"frames", info.frames},
               {"fileRate", info.samplerate},
               {"samples", length},
               {"rate", rate},
               {"most", options.mostSamples},
               {"limit", INT32_MAX}});
    }
    requireMemoryFor(static_cast<std::uint64_t>(length), SlotFault::ReadingNeedsMemory,
                     {{"file", file}, {"samples", length}});
}

} // namespace

Sound8 decodeSoundFile(const QString& path, const DecodeOptions& options) {
    requireRegularFile(path, "The sound file", ErrorKind::Sound); // a FIFO would block the read
    if (options.targetRate) {
        checkTargetRate(*options.targetRate);
    }
    requireHeaderThatOpens(path);
    SF_INFO info{};
    SndfilePtr file(sf_open(systemPath(path).constData(), SFM_READ, &info));
    if (!file) {
        raiseUnreadable(path, sf_strerror(nullptr));
    }
    if (info.channels < 1 || info.samplerate < 1) {
        raiseLoadError(path, SlotFault::NoChannelsOrRate);
    }
    requireAiffRate(info, path);
    Sound8 sound;
    sound.sampleRate = options.targetRate.value_or(info.samplerate);
    requireSoundThatFits(info, sound.sampleRate, options, path);
    sound.fileRate = info.samplerate;
    sound.fileFrames = info.frames;
    readFileLoops(file.get(), info, path, sound);
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
        raise(ErrorKind::Sound, SlotFault::EncodeRefused,
              {{"rate", sampleRate}, {"reason", sf_strerror(nullptr)}});
    }
    const auto size = static_cast<sf_count_t>(bytes.size());
    if (sf_write_raw(file.get(), bytes.data(), size) != size) {
        raise(ErrorKind::Sound, SlotFault::EncodeFailed, {{"reason", sf_strerror(file.get())}});
    }
    file.reset(); // closing writes the final chunk sizes
    return std::move(memory.data);
}

} // namespace wtb
