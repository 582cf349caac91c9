#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace wtb {

// One sound at a time through the default audio output, played by Qt's event loop after
// play() has returned. Lives on the GUI thread. Made when first needed, so start-up never
// waits for, or fails on, the sound system.
class SoundOutput {
public:
    SoundOutput();
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Plays a copy of unsigned 8-bit mono samples at `sampleRate` from the beginning, cutting
    // off whatever was still playing. Raises a sound error when no output can play them.
    void play(std::span<const std::uint8_t> samples, std::int32_t sampleRate);

    // Cuts off whatever is playing; nothing when nothing is.
    void stop();

    // From play() until the last sample has been played out or stop().
    bool isPlaying() const;

private:
    struct Playback;
    std::unique_ptr<Playback> playback_;
};

} // namespace wtb
