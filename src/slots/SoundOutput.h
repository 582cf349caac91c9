#pragma once

#include <QAudio>
#include <QBuffer>
#include <QByteArray>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <span>

class QAudioSink;

namespace wtb {

// One sound at a time through the default audio output, played by Qt's event loop after
// play() has returned. Lives on the GUI thread.
class SoundOutput {
public:
    SoundOutput();
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Plays a copy of the samples from the beginning, cutting off whatever was still playing.
    // Raises a sound error when there is no output that can play them.
    void play(std::span<const std::uint8_t> samples, std::int32_t sampleRate);

    // From play() until the last sample has been played out.
    bool isPlaying() const { return sink_ != nullptr; }

private:
    void onStateChanged(QAudio::State state);
    void releaseWhenHeard();
    void release();

    QByteArray samples_;
    QBuffer source_;
    std::unique_ptr<QAudioSink> sink_; // declared after its source so it goes first
    std::int64_t lengthUSecs_ = 0;
    QTimer finishPoll_;
    std::int64_t pollsLeft_ = 0;
};

} // namespace wtb
