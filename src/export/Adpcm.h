#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace wtb {

// 4-bit IMA ADPCM in blocks of kAdpcmBlockBytes bytes. A block starts with a header of two
// bytes: its first sample exactly (signed, -128..127) and the step index (0..88) the decoder
// starts from; then one 4-bit code per further sample, low nibble first. So every slot and
// every block can be started on its own, with nothing decoded before it.
//
// 64 bytes is the smallest power of two that keeps the sketch's promise of 1.95 times the
// sound of 8-bit PCM after the headers (125 samples in 64 bytes: 1.953); longer blocks gain
// little (128: 1.977) and make the block, the finest place the player can start decoding,
// twice as coarse. The step index is carried on from the end of the block before (not reset),
// so a header costs no quality at the block's start.
//
// The decoder works on a 16-bit predictor; a sample is its high byte. A header puts the
// predictor at first * 256 + 128, the middle of the first sample's range.
inline constexpr std::int32_t kAdpcmBlockBytes = 64;
inline constexpr std::int32_t kAdpcmHeaderBytes = 2;
inline constexpr std::int32_t kAdpcmBlockSamples = 1 + 2 * (kAdpcmBlockBytes - kAdpcmHeaderBytes);
inline constexpr std::int32_t kAdpcmStepCount = 89;

// The standard IMA ADPCM step sizes and step index changes, as the sketch's decoder holds them.
extern const std::int32_t kAdpcmSteps[kAdpcmStepCount];
extern const std::int32_t kAdpcmIndexChanges[8];

// The bytes `sampleCount` samples take: full blocks, then a last block with the header and
// one nibble per further sample, rounded up to whole bytes. Overflow is the caller's to avoid
// (counts come from 32-bit end indices; the result is about half the count).
std::int32_t adpcmBytesFor(std::int32_t sampleCount);

enum class AdpcmSearch {
    Plain,     // the standard IMA encoder: each code the nearest for its own sample
    LookAhead, // each code chosen with the next samples in view; never worse than Plain
};

// Where the encoding goes in the table and what the board asks of it. With `avoidBangRuns`
// no byte becomes the third 0x21 in a row, counting `before`, the two table bytes in front of
// this encoding (0 for none): the encoder picks the best other code (or header value) there,
// so the decoder gives exactly what the encoder tracked.
struct AdpcmContext {
    bool avoidBangRuns = false;
    std::uint8_t before[2] = {0, 0}; // the byte two before, then the byte just before
};

struct AdpcmEncoding {
    std::vector<std::uint8_t> bytes;
    std::int32_t constrainedBytes = 0; // bytes that would have been the third 0x21
};

// Encodes 8-bit unsigned samples (zero line 128), such as the slot's exported samples.
AdpcmEncoding encodeAdpcm(std::span<const std::uint8_t> samples, AdpcmSearch search,
                          const AdpcmContext& context = {});

// Decodes `sampleCount` samples from the start of `bytes`, back to 8-bit unsigned samples.
// Raises a bounds error when the bytes end early or a header holds a step index past 88.
std::vector<std::uint8_t> decodeAdpcm(std::span<const std::uint8_t> bytes,
                                      std::int32_t sampleCount);

// The signal-to-noise ratio in dB of `decoded` against `reference` (both 8-bit unsigned, zero
// line 128, the same length): the reference's power about the zero line over the power of the
// difference. +infinity when they are equal; -infinity for a silent reference with an error.
double snrDb(std::span<const std::uint8_t> reference, std::span<const std::uint8_t> decoded);

} // namespace wtb
