#pragma once

#include "slots/SoundFile.h"

#include <QIODevice>

#include <optional>

namespace wtb {

// The sustain loop of an AIFF or AIFF-C file: the play mode of its INST chunk, the frames from
// its begin marker up to (not including) its end marker, as the MARK chunk places them.
//
// Read here rather than through libsndfile's instrument record, which (1.2) calls every AIFF
// loop forward whatever its play mode, and gives marker numbers as frames when the MARK chunk
// is missing. Nothing when the file is not AIFF, has no INST chunk or its sustain loop is off;
// a loop of a mode no player knows is given as Other, and one whose marker is missing with
// both ends at kMissingMarker, for the import to say why it is left out. The release
// loop, played after a note ends, is not a sustain loop and is never taken. Reads chunk headers
// only, never the sound, and never past the device's end, whatever the sizes the file declares.
inline constexpr std::int64_t kMissingMarker = -1;
std::optional<FileLoop> readAiffSustainLoop(QIODevice& file);

// The sample rate an AIFF file's COMM chunk declares, as it stands there (0 and fractions
// too, which libsndfile reads as 1 Hz and whole hertz); nothing when the file is not AIFF or
// has no whole COMM chunk. A chunk of odd size without its pad byte is still walked past.
std::optional<double> readAiffSampleRate(QIODevice& file);

} // namespace wtb
