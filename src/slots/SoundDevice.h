#pragma once

#include "slots/BufferDesc.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace wtb {

class SoundBuffer;
class SoundOutput;

// The sound output the program opens once at start-up. Opening it never fails: a machine
// without sound output can still edit and export, and learns that it cannot play when it
// presses Play.
class SoundDevice {
public:
    SoundDevice();
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Loads the file (converting it to 8-bit unsigned mono) into a new buffer and fills
    // `desc` with its size, rate and bits per sample.
    std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const QString& path, BufferDesc& desc);

    // Plays the samples once, asynchronously, as unsigned 8-bit mono at `sampleRate`: the call
    // returns at once and the GUI thread's event loop carries the sound on. A sound still
    // playing is cut off and the new one starts from its beginning. Raises a sound error when
    // no output can play it.
    void play(std::span<const std::uint8_t> samples, std::int32_t sampleRate);

    // True from a successful play() until its last sample has been played out.
    bool isPlaying() const;

private:
    // Made at the first play, so start-up never waits for, or fails on, the sound system.
    std::unique_ptr<SoundOutput> output_;
};

} // namespace wtb
