#include "audio/SoundOutput.h"

#include "audio/GeneratedSoundSource.h"
#include "audio/LoopedSoundSource.h"
#include "common/RuntimeError.h"

#include <QAudio>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QMediaDevices>
#include <QTimer>

#include <limits>
#include <string>
#include <vector>

namespace wtb {

namespace {

constexpr int kPollMs = 10;
// The sink reports Idle before the last samples have left the speaker; once idle, the sound
// is given this long at most to be reported as played out before the sink is let go anyway.
constexpr int kMaxTailMs = 2000;
constexpr std::int64_t kHeardMarginUs = 150'000;
// A generated sound follows what its generator is told this soon (the sink's buffer). Measured
// against PulseAudio with Qt 6.4: a 40 ms buffer leaves the sink silent, 60 ms plays.
constexpr std::int32_t kGeneratedBufferMs = 100;

std::string reasonOf(QAudio::Error error) {
    switch (error) {
    case QAudio::NoError:
        return "no error was reported";
    case QAudio::OpenError:
        return "it could not be opened";
    case QAudio::IOError:
        return "writing to it failed";
    case QAudio::UnderrunError:
        return "it ran out of data";
    case QAudio::FatalError:
        return "it failed and cannot be used";
    }
    return "unknown error";
}

} // namespace

// One sink at a time, with the copy of the samples it reads from.
struct SoundOutput::Playback {
    Playback() {
        finishPoll_.setInterval(kPollMs);
        QObject::connect(&finishPoll_, &QTimer::timeout, [this] { releaseWhenHeard(); });
    }
    ~Playback() { release(); }

    void play(std::span<const std::uint8_t> samples, std::int32_t sampleRate);
    void playLooped(std::span<const std::uint8_t> attack, std::span<const std::uint8_t> loop,
                    std::int32_t sampleRate);
    bool releaseLoop(std::span<const std::uint8_t> tail);
    void playGenerated(std::function<std::uint8_t()> next, std::int32_t sampleRate);
    // Starts a sink at `sampleRate` pulling from `source`, which is open for reading.
    void start(QIODevice& source, std::int32_t sampleRate, qsizetype bufferBytes = 0);
    void onStateChanged(QAudio::State state);
    void releaseWhenHeard();
    void release();

    QByteArray samples_;
    QBuffer source_;
    std::unique_ptr<LoopedSoundSource> loopedSource_;
    std::unique_ptr<GeneratedSoundSource> generatedSource_;
    std::unique_ptr<QAudioSink> sink_; // declared after its sources so it goes first
    std::int64_t lengthUSecs_ = 0;
    std::int32_t sampleRate_ = 1;
    QTimer finishPoll_;
    std::int64_t pollsLeft_ = 0;
};

SoundOutput::SoundOutput() : playback_(std::make_unique<Playback>()) {}

SoundOutput::~SoundOutput() = default;

void SoundOutput::play(std::span<const std::uint8_t> samples, std::int32_t sampleRate) {
    playback_->play(samples, sampleRate);
}

void SoundOutput::playLooped(std::span<const std::uint8_t> attack,
                             std::span<const std::uint8_t> loop, std::int32_t sampleRate) {
    playback_->playLooped(attack, loop, sampleRate);
}

bool SoundOutput::releaseLoop(std::span<const std::uint8_t> tail) {
    return playback_->releaseLoop(tail);
}

void SoundOutput::playGenerated(std::function<std::uint8_t()> next, std::int32_t sampleRate) {
    playback_->playGenerated(std::move(next), sampleRate);
}

void SoundOutput::stop() {
    playback_->release();
}

bool SoundOutput::isPlaying() const {
    return playback_->sink_ != nullptr;
}

namespace {

void checkRate(std::int32_t sampleRate) {
    if (sampleRate < 1) {
        raise(ErrorKind::Sound,
              "Cannot play a sound whose sample rate is " + std::to_string(sampleRate) + " Hz.");
    }
}

} // namespace

void SoundOutput::Playback::play(std::span<const std::uint8_t> samples, std::int32_t sampleRate) {
    checkRate(sampleRate);
    release(); // a second Play starts the sound again from its beginning
    if (samples.empty()) {
        return;
    }
    // A copy, so replacing or releasing the slot's buffer cannot pull the bytes from under
    // the sink. The sound server does not play out a last part shorter than its period once
    // the stream ends, so a tenth of a second on the zero line follows the sound.
    samples_ = QByteArray(reinterpret_cast<const char*>(samples.data()),
                          static_cast<qsizetype>(samples.size()));
    samples_.append(static_cast<qsizetype>(sampleRate / 10 + 1), static_cast<char>(128));
    source_.setBuffer(&samples_);
    source_.open(QIODevice::ReadOnly);
    lengthUSecs_ = static_cast<std::int64_t>(samples_.size()) * 1'000'000 / sampleRate;
    start(source_, sampleRate);
}

void SoundOutput::Playback::playLooped(std::span<const std::uint8_t> attack,
                                       std::span<const std::uint8_t> loop,
                                       std::int32_t sampleRate) {
    checkRate(sampleRate);
    auto source = std::make_unique<LoopedSoundSource>(attack, loop); // raises for an empty loop
    release();
    loopedSource_ = std::move(source);
    // Unbuffered: the sink reads exactly what it asks for, so nothing is read ahead of it.
    loopedSource_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    // Never heard to its end: only stop() or a sink that stops by itself lets it go.
    lengthUSecs_ = std::numeric_limits<std::int64_t>::max() - kHeardMarginUs;
    start(*loopedSource_, sampleRate);
}

bool SoundOutput::Playback::releaseLoop(std::span<const std::uint8_t> tail) {
    if (!sink_ || !loopedSource_) {
        return false;
    }
    // As play() does, a tenth of a second on the zero line follows, or the server keeps the
    // tail's last part.
    std::vector<std::uint8_t> ending(tail.begin(), tail.end());
    ending.resize(ending.size() + static_cast<std::size_t>(sampleRate_ / 10 + 1), 128);
    const std::int64_t bytes = loopedSource_->release(ending);
    lengthUSecs_ = bytes * 1'000'000 / sampleRate_;
    return true;
}

void SoundOutput::Playback::playGenerated(std::function<std::uint8_t()> next,
                                          std::int32_t sampleRate) {
    checkRate(sampleRate);
    release();
    generatedSource_ = std::make_unique<GeneratedSoundSource>(std::move(next));
    generatedSource_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    lengthUSecs_ = std::numeric_limits<std::int64_t>::max() - kHeardMarginUs;
    start(*generatedSource_, sampleRate,
          static_cast<qsizetype>(std::int64_t{sampleRate} * kGeneratedBufferMs / 1000));
}

void SoundOutput::Playback::start(QIODevice& source, std::int32_t sampleRate,
                                  qsizetype bufferBytes) {
    sampleRate_ = sampleRate;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::UInt8);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        release();
        raise(ErrorKind::Sound,
              "No sound output is available: no sound server or output device was found.");
    }
    const std::string deviceName = device.description().toStdString();
    if (!device.isFormatSupported(format)) {
        release();
        raise(ErrorKind::Sound, "The sound output \"" + deviceName +
                                    "\" cannot play 8-bit mono sound at " +
                                    std::to_string(sampleRate) + " Hz.");
    }

    sink_ = std::make_unique<QAudioSink>(device, format);
    if (bufferBytes > 0) {
        sink_->setBufferSize(bufferBytes);
    }
    QObject::connect(sink_.get(), &QAudioSink::stateChanged, sink_.get(),
                     [this](QAudio::State state) { onStateChanged(state); });
    // Without a sound server start() fails at once and reports no state change.
    sink_->start(&source);
    if (const QAudio::Error error = sink_->error(); error != QAudio::NoError) {
        release();
        raise(ErrorKind::Sound, "No sound output is available: the output \"" + deviceName +
                                    "\" cannot play, " + reasonOf(error) + ".");
    }
}

void SoundOutput::Playback::onStateChanged(QAudio::State state) {
    // The sink must not be deleted from inside its own signal: the poll timer lets it go.
    if ((state == QAudio::IdleState || state == QAudio::StoppedState) && !finishPoll_.isActive()) {
        pollsLeft_ = kMaxTailMs / kPollMs;
        finishPoll_.start();
    }
}

void SoundOutput::Playback::releaseWhenHeard() {
    if (!sink_) {
        finishPoll_.stop();
        return;
    }
    // Every byte handed over is not every byte heard: the server still holds the last of them
    // for its latency, so the sink stays until the sound's own length has passed since start,
    // and a little more.
    const bool heard = sink_->processedUSecs() >= lengthUSecs_ &&
                       sink_->elapsedUSecs() >= lengthUSecs_ + kHeardMarginUs;
    if (sink_->state() == QAudio::StoppedState || heard || --pollsLeft_ <= 0) {
        release();
    }
}

void SoundOutput::Playback::release() {
    if (sink_) {
        QObject::disconnect(sink_.get(), nullptr, nullptr, nullptr);
        sink_->stop();
        sink_.reset();
    }
    finishPoll_.stop();
    source_.close();
    loopedSource_.reset();
    generatedSource_.reset();
}

} // namespace wtb
