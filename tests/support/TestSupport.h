#pragma once

#include "slots/Slot.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace wtb::test {

// A temporary working folder that is removed with the object.
class TempFolder {
public:
    TempFolder();
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + "/" + name; }

private:
    QTemporaryDir dir_;
    QString path_;
};

// Every entry of a folder, hidden and special ones included: what a run left there.
QStringList folderEntries(const QString& folder);

using Bytes = std::vector<std::uint8_t>;

// A copy of the slot's samples.
Bytes slotBytes(const SlotBank& bank, std::int32_t slot);

// `length` 8-bit samples of a sine of `period` samples and `amplitude` steps about the zero line.
Bytes sine(std::size_t length, double period, double amplitude);

// Slots 1..16, to compare whole banks before and after.
std::vector<Slot> allSlots(const SlotBank& bank);

Slot makeSlot(const Bytes& bytes, std::int32_t endIndex, const std::string& name = "s.wav",
              std::int32_t rate = 8000);

// Writes a sound file with libsndfile in any format: `frames` holds interleaved samples as
// the libsndfile int type (left-justified 32-bit), or floats when `format` is a float one.
void writeSoundFile(const QString& path, int format, int channels, int rate,
                    const std::vector<int>& interleaved);
void writeFloatSoundFile(const QString& path, int channels, int rate,
                         const std::vector<float>& interleaved);

// An 8-bit unsigned mono WAV holding exactly `bytes`.
void writeWav8(const QString& path, const std::vector<std::uint8_t>& bytes, int rate = 8000);

// A loop of a WAV's smpl chunk: its type (0 forward, 1 ping-pong, 2 backward) and its first
// and last frame, both played.
struct SmplLoop {
    std::uint32_t type = 0;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};

// A 16-bit mono PCM WAV of `samples` with, after its data, a smpl chunk listing `loops`, laid
// out byte by byte from the chunk's published layout (nine 32-bit little-endian fields, then
// six per loop: cue id, type, start, end, fraction, play count), never by the library read.
void writeWav16WithLoops(const QString& path, const std::vector<std::int16_t>& samples, int rate,
                         const std::vector<SmplLoop>& loops);

// A 16-bit mono AIFF of `samples` whose INST chunk's sustain loop has `playMode` (0 off,
// 1 forward, 2 forward-backward) from the marker at frame `begin` to the one at frame `end`
// (the loop's last frame is end - 1); without `markers` the MARK chunk is left out.
void writeAiff16WithSustainLoop(const QString& path, const std::vector<std::int16_t>& samples,
                                int rate, std::int16_t playMode, std::uint32_t begin,
                                std::uint32_t end, bool markers = true);

void writeText(const QString& path, const std::string& text);
std::string readText(const QString& path);

// Name -> SHA-256 of every file in the folder but the lock of the program that has it open,
// to prove a step changed nothing.
std::map<QString, QByteArray> folderChecksums(const QString& folder);

// A bank whose sixteen slots hold the given bytes (one vector per slot 1..16), names and end
// indices.
struct SlotContent {
    std::vector<std::uint8_t> bytes;
    std::string name;
    std::int32_t endIndex = 0;
};
void fillBank(SlotBank& bank, const std::vector<SlotContent>& slots, std::int32_t rate = 8000);
SlotBank bankOf(const std::vector<SlotContent>& slots, std::int32_t rate = 8000);

// Saves a bank holding `slots` into `folder`, making it a complete working folder.
void writeWorkingFolder(const QString& folder, const std::vector<SlotContent>& slots);

// Checks `done` every `intervalMs` without running the event loop, until it holds; false when
// it still does not after `timeoutMs`. For waits on other processes.
bool pollUntil(const std::function<bool()>& done, int timeoutMs, int intervalMs);

// Runs the event loop, as the window would, until `done` holds; false after `timeoutMs`.
bool spinEventLoopUntil(const std::function<bool()>& done, int timeoutMs);

// Sixteen slots of `length` bytes each with a simple distinct pattern per slot.
std::vector<SlotContent> patternedSlots(std::int32_t length);

// Sixteen slots of `length` random bytes each, the same for the same seed, each ending at its
// last sample.
std::vector<SlotContent> randomSlots(std::int32_t length, unsigned seed);

} // namespace wtb::test
