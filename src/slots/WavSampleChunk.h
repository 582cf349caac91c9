#pragma once

#include <QIODevice>

#include <cstdint>
#include <optional>

namespace wtb {

// How many loops a WAV file's smpl chunk says it holds. libsndfile's instrument record keeps
// the first sixteen and reports no more than that, so a file of 40 loops would pass for one of
// 16. Nothing when the file is not RIFF WAVE or has no whole smpl header. Reads chunk headers
// only, never past the device's end.
std::optional<std::uint32_t> readWavLoopCount(QIODevice& file);

} // namespace wtb
