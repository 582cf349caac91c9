#include "support/TestSupport.h"

#include "slots/SoundFile.h"
#include "slots/WorkingFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <bit>
#include <cmath>
#include <random>
#include <stdexcept>
#include <tuple>

namespace wtb::test {

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

Bytes sine(std::size_t length, double period, double amplitude) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(
            std::lround(128 + amplitude * std::sin(2 * M_PI * static_cast<double>(i) / period)));
    }
    return bytes;
}

Bytes slotBytes(const SlotBank& bank, std::int32_t slot) {
    const auto view = bank[slot].samples.bytes();
    return Bytes(view.begin(), view.end());
}

std::vector<Slot> allSlots(const SlotBank& bank) {
    std::vector<Slot> slots;
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        slots.push_back(bank[slot]);
    }
    return slots;
}

TempFolder::TempFolder() : path_(dir_.path()) {
    if (!dir_.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
}

namespace {

SNDFILE* openForWrite(const QString& path, int format, int channels, int rate) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file) {
        throw std::runtime_error(std::string("test could not write sound file: ") +
                                 sf_strerror(nullptr));
    }
    return file;
}

} // namespace

void writeSoundFile(const QString& path, int format, int channels, int rate,
                    const std::vector<int>& interleaved) {
    SNDFILE* file = openForWrite(path, format, channels, rate);
    sf_write_int(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()));
    sf_close(file);
}

void writeFloatSoundFile(const QString& path, int channels, int rate,
                         const std::vector<float>& interleaved) {
    SNDFILE* file = openForWrite(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, channels, rate);
    sf_write_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()));
    sf_close(file);
}

void writeWav8(const QString& path, const std::vector<std::uint8_t>& bytes, int rate) {
    writeText(path, encodeWav8(bytes, rate));
}

namespace {

template <class T> void appendLittle(std::string& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xff);
    }
}

template <class T> void appendBig(std::string& out, T value) {
    for (std::size_t i = sizeof(T); i-- > 0;) {
        out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xff);
    }
}

// A chunk of a RIFF (little-endian sizes) or IFF (big-endian) file, padded to an even size.
std::string chunk(const char* tag, const std::string& body, bool bigEndian) {
    std::string out(tag, 4);
    bigEndian ? appendBig(out, std::uint32_t(body.size()))
              : appendLittle(out, std::uint32_t(body.size()));
    out += body;
    if (body.size() % 2 != 0) {
        out += '\0';
    }
    return out;
}

} // namespace

void writeWav16WithLoops(const QString& path, const std::vector<std::int16_t>& samples, int rate,
                         const std::vector<SmplLoop>& loops) {
    std::string format;
    appendLittle(format, std::uint16_t{1}); // PCM
    appendLittle(format, std::uint16_t{1}); // mono
    appendLittle(format, std::uint32_t(rate));
    appendLittle(format, std::uint32_t(rate * 2));
    appendLittle(format, std::uint16_t{2});
    appendLittle(format, std::uint16_t{16});
    std::string data;
    for (const std::int16_t sample : samples) {
        appendLittle(data, static_cast<std::uint16_t>(sample));
    }
    std::string smpl;
    for (const std::uint32_t field : {0u, 0u, std::uint32_t(1'000'000'000 / rate), 60u, 0u, 0u, 0u,
                                      std::uint32_t(loops.size()), 0u}) {
        appendLittle(smpl, field); // maker, product, period (ns), unity note, ..., loops, extra
    }
    for (std::size_t n = 0; n < loops.size(); ++n) {
        for (const std::uint32_t field :
             {std::uint32_t(n), loops[n].type, loops[n].start, loops[n].end, 0u, 0u}) {
            appendLittle(smpl, field);
        }
    }
    const std::string body = "WAVE" + chunk("fmt ", format, false) + chunk("data", data, false) +
                             chunk("smpl", smpl, false);
    writeText(path, chunk("RIFF", body, false));
}

void writeAiff16WithSustainLoop(const QString& path, const std::vector<std::int16_t>& samples,
                                int rate, std::int16_t playMode, std::uint32_t begin,
                                std::uint32_t end, bool markers) {
    std::string common;
    appendBig(common, std::int16_t{1});
    appendBig(common, std::uint32_t(samples.size()));
    appendBig(common, std::int16_t{16});
    // The rate as an 80-bit extended float: exponent, then the integer shifted to bit 63.
    const int exponent = std::bit_width(static_cast<unsigned>(rate)) - 1;
    appendBig(common, std::uint16_t(16383 + exponent));
    appendBig(common, std::uint64_t(rate) << (63 - exponent));
    std::string marks;
    appendBig(marks, std::uint16_t{2});
    for (const auto& [id, position, name] :
         {std::tuple{1, begin, "beg"}, std::tuple{2, end, "end"}}) {
        appendBig(marks, std::int16_t(id));
        appendBig(marks, position);
        marks += '\3';
        marks += name; // a count and three letters: even, no padding
    }
    std::string instrument;
    for (const std::int8_t field : {60, 0, 0, 127, 1, 127}) {
        appendBig(instrument, field); // base note, detune, notes, velocities
    }
    appendBig(instrument, std::int16_t{0}); // gain
    for (const std::int16_t field : {playMode, std::int16_t{1}, std::int16_t{2}, std::int16_t{0},
                                     std::int16_t{0}, std::int16_t{0}}) {
        appendBig(instrument, field); // sustain loop, then a release loop that is off
    }
    std::string sound(8, '\0'); // offset and block size
    for (const std::int16_t sample : samples) {
        appendBig(sound, sample);
    }
    const std::string body = "AIFF" + chunk("COMM", common, true) +
                             (markers ? chunk("MARK", marks, true) : std::string()) +
                             chunk("INST", instrument, true) + chunk("SSND", sound, true);
    writeText(path, chunk("FORM", body, true));
}

void writeText(const QString& path, const std::string& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size())) {
        throw std::runtime_error("test could not write " + path.toStdString());
    }
}

std::string readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("test could not read " + path.toStdString());
    }
    return file.readAll().toStdString();
}

std::map<QString, QByteArray> folderChecksums(const QString& folder) {
    std::map<QString, QByteArray> sums;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (name == QStringLiteral(".wavetable-builder.lock")) {
            continue; // who has the folder open, not what it holds
        }
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            sums[name] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        }
    }
    return sums;
}

Slot makeSlot(const Bytes& bytes, std::int32_t endIndex, const std::string& name,
              std::int32_t rate) {
    return Slot{Samples(bytes), rate, endIndex, name};
}

void fillBank(SlotBank& bank, const std::vector<SlotContent>& slots, std::int32_t rate) {
    for (std::int16_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const SlotContent& content = slots.at(static_cast<std::size_t>(slot - 1));
        bank[slot] = makeSlot(content.bytes, content.endIndex, content.name, rate);
    }
}

SlotBank bankOf(const std::vector<SlotContent>& slots, std::int32_t rate) {
    SlotBank bank;
    fillBank(bank, slots, rate);
    return bank;
}

void writeWorkingFolder(const QString& folder, const std::vector<SlotContent>& slots) {
    saveWorkingFolder(bankOf(slots), folder);
}

bool pollUntil(const std::function<bool()>& done, int timeoutMs, int intervalMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QThread::msleep(static_cast<unsigned long>(intervalMs));
    }
    return true;
}

bool spinEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::vector<SlotContent> patternedSlots(std::int32_t length) {
    std::vector<SlotContent> slots;
    for (int slot = 1; slot <= 16; ++slot) {
        SlotContent content;
        content.bytes.resize(static_cast<std::size_t>(length));
        for (std::int32_t i = 0; i < length; ++i) {
            content.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * slot + slot);
        }
        content.name = "slot " + std::to_string(slot) + ".wav";
        content.endIndex = length - 1;
        slots.push_back(std::move(content));
    }
    return slots;
}

std::vector<SlotContent> randomSlots(std::int32_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<SlotContent> slots(16);
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        slots[slot].bytes.resize(static_cast<std::size_t>(length));
        for (auto& b : slots[slot].bytes) {
            b = static_cast<std::uint8_t>(random());
        }
        slots[slot].name = "random " + std::to_string(slot + 1) + ".wav";
        slots[slot].endIndex = length - 1;
    }
    return slots;
}

} // namespace wtb::test
