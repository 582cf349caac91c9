#pragma once

#include <string>
#include <vector>

namespace wtb {

// One kind of sound file the installed libsndfile reads, as a file dialog offers it.
struct SoundFormat {
    std::string name; // the library's own name: "FLAC (Free Lossless Audio Codec)"
    std::vector<std::string> extensions; // without the dot, lower case, the usual one first
};

// Every format the installed libsndfile can open by its contents, asked of the library itself:
// one entry per file extension, in the library's order. Headerless RAW is left out (it cannot
// be opened without being told its layout). The Ogg entry lists "ogg" for Vorbis and "opus" for
// Opus only when the library was built with them, the MPEG entry "mp3" only with Layer III.
std::vector<SoundFormat> readableSoundFormats();

} // namespace wtb
