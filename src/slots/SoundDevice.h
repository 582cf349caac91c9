#pragma once

#include "slots/SoundFile.h"

#include <QString>

#include <memory>

namespace wtb {

class SoundBuffer;

// The sound library the program opens once at start-up; every slot's buffer is made through
// it. It plays nothing itself: playback belongs to the window, which hands the sound output a
// buffer's samples and rate at the moment of playing.
class SoundDevice {
public:
    // Loads the file, converting it to 8-bit unsigned mono (at the target rate and normalised
    // when the options ask for it), into a new buffer.
    std::unique_ptr<SoundBuffer> CreateSoundBufferFromFile(const QString& path,
                                                           const DecodeOptions& options = {}) const;
};

} // namespace wtb
