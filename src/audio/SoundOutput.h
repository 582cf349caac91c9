#pragma once

#include <cstdint>
#include <functional>
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

    // Plays a copy of `attack` once, then a copy of `loop` over and over with no gap, until
    // stop() or the next play; cuts off whatever was still playing. Raises as play() does, and
    // a bounds error for an empty loop.
    void playLooped(std::span<const std::uint8_t> attack, std::span<const std::uint8_t> loop,
                    std::int32_t sampleRate);

    // Lets the sound of playLooped() go as a board lets a held note go: the loop's pass being
    // played plays to its end, then `tail` once, and the sound ends by itself. False, changing
    // nothing, when no looped sound is playing.
    bool releaseLoop(std::span<const std::uint8_t> tail);
    // Plays the bytes `next` makes, one at each sample, until stop() or the next play, through
    // a short buffer (a tenth of a second) so that what `next` is told between reads is heard
    // soon; cuts off whatever
    // was still playing. Raises as play() does. `next` is called on this thread.
    void playGenerated(std::function<std::uint8_t()> next, std::int32_t sampleRate);

    // Cuts off whatever is playing; nothing when nothing is.
    void stop();

    // From play() until the last sample has been played out or stop(); from playLooped() and
    // playGenerated() until stop().
    bool isPlaying() const;

private:
    struct Playback;
    std::unique_ptr<Playback> playback_;
};

} // namespace wtb
