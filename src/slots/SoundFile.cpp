#include "slots/SoundFile.h"

#include "common/AtomicFile.h"
#include "common/CheckedInt.h"
#include "common/RegularFile.h"
#include "common/RuntimeError.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace wtb {

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

std::uint8_t toUnsigned8(double mixedSample) {
    if (std::isnan(mixedSample)) {
        return 128; // a float file may hold NaN, or infinities that cancel in the mix
    }
    const double scaled = std::round(mixedSample * 128.0) + 128.0;
    return static_cast<std::uint8_t>(std::clamp(scaled, 0.0, 255.0));
}

// Reads in blocks so a long multi-channel file never needs its full decoded size in memory.
std::vector<std::uint8_t> readMixedDown(SNDFILE* file, std::int32_t frames, int channels) {
    constexpr sf_count_t blockFrames = 16384;
    std::vector<double> block(static_cast<std::size_t>(blockFrames * channels));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(frames));
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
            bytes.push_back(toUnsigned8(sum / channels));
        }
    }
    return bytes;
}

} // namespace

Sound8 decodeSoundFile(const QString& path) {
    requireRegularFile(path, "The sound file", ErrorKind::Sound); // a FIFO would block the read
    if (!QFileInfo::exists(path)) {
        raiseLoadError(path, "the file does not exist.");
    }
    SF_INFO info{};
    SndfilePtr file(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file) {
        raiseLoadError(path, std::string(sf_strerror(nullptr)));
    }
    if (info.channels < 1 || info.samplerate < 1) {
        raiseLoadError(path, "the file declares no channels or no sample rate.");
    }
    const std::int32_t frames = toInt32Checked(info.frames, "A sound length");
    Sound8 sound;
    sound.sampleRate = info.samplerate;
    sound.bytes = isUnsigned8BitMono(info) ? readRawBytes(file.get(), frames)
                                           : readMixedDown(file.get(), frames, info.channels);
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        raiseLoadError(path, std::string(sf_strerror(file.get())));
    }
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

std::string encodeWav8(const Sound8& sound) {
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory;
    SF_INFO info{};
    info.samplerate = sound.sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
    SndfilePtr file(sf_open_virtual(&io, SFM_WRITE, &info, &memory));
    if (!file) {
        raise(ErrorKind::Sound, "Cannot encode a sound of " + std::to_string(sound.sampleRate) +
                                    " Hz as WAV: " + sf_strerror(nullptr));
    }
    const auto size = static_cast<sf_count_t>(sound.bytes.size());
    if (sf_write_raw(file.get(), sound.bytes.data(), size) != size) {
        raise(ErrorKind::Sound,
              std::string("Cannot encode a sound as WAV: ") + sf_strerror(file.get()));
    }
    file.reset(); // closing writes the final chunk sizes
    return std::move(memory.data);
}

} // namespace wtb
