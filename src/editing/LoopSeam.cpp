#include "editing/LoopSeam.h"

#include "common/RuntimeError.h"
#include "editing/EditFault.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace wtb {

std::int32_t seamJump(std::span<const std::uint8_t> samples, const Loop& loop) {
    const auto at = [&](std::int32_t index) {
        return static_cast<std::int32_t>(samples[static_cast<std::size_t>(index)]);
    };
    std::int32_t ownStep = 0;
    if (loop.length() >= 2) {
        ownStep = std::max(std::abs(at(loop.end) - at(loop.end - 1)),
                           std::abs(at(loop.start + 1) - at(loop.start)));
    }
    return std::max(0, std::abs(at(loop.start) - at(loop.end)) - ownStep);
}

namespace {

constexpr std::int32_t kZeroLine = 128;

int signOf(std::int32_t value) {
    return (value > 0) - (value < 0);
}

// How one candidate join fares; lower is better in every field.
struct Join {
    std::int32_t jump = 0;
    std::int32_t failed = 0;   // seamless conditions other than the jump that fail: 0..2
    std::int32_t slopeGap = 0; // how far the slopes at the two ends differ
    std::int64_t moved = 0;    // both ends' movement together

    bool seamless() const { return jump <= kSeamlessJump && failed == 0; }
};

Join judge(std::span<const std::uint8_t> samples, std::int32_t start, std::int32_t end,
           std::int64_t moved) {
    const auto at = [&](std::int32_t index) {
        return static_cast<std::int32_t>(samples[static_cast<std::size_t>(index)]);
    };
    Join join;
    join.jump = seamJump(samples, {start, end});
    join.moved = moved;
    if (end == start) {
        return join; // one sample repeated: no slope, no step
    }
    const std::int32_t into = at(end) - at(end - 1);
    const std::int32_t outOf = at(start + 1) - at(start);
    join.slopeGap = std::abs(into - outOf);
    if (signOf(into) * signOf(outOf) < 0) {
        ++join.failed; // the sound turns back at the seam
    }
    const std::int32_t step = at(start) - at(end);
    const int motion = into != 0 ? signOf(into) : signOf(outOf);
    const bool sameSide = (at(start) >= kZeroLine) == (at(end) >= kZeroLine);
    if (!sameSide && signOf(step) != motion) {
        ++join.failed; // crosses the zero line against the sound's motion
    }
    return join;
}

bool better(const Join& a, const Join& b) {
    if (a.seamless() != b.seamless()) {
        return a.seamless();
    }
    if (a.seamless()) {
        return std::tie(a.moved, a.jump, a.slopeGap) < std::tie(b.moved, b.jump, b.slopeGap);
    }
    return std::tie(a.jump, a.failed, a.slopeGap, a.moved) <
           std::tie(b.jump, b.failed, b.slopeGap, b.moved);
}

} // namespace

SettledLoop snapLoop(std::span<const std::uint8_t> samples, const Loop& wanted,
                     std::int32_t endIndex, std::int32_t reach) {
    const std::int64_t last =
        std::min<std::int64_t>(endIndex, static_cast<std::int64_t>(samples.size()) - 1);
    if (last < 0) {
        raise(ErrorKind::Bounds, EditFault::LoopWithoutKeptSamples);
    }
    const std::int64_t wantedEnd = std::clamp<std::int64_t>(wanted.end, 0, last);
    const std::int64_t wantedStart = std::clamp<std::int64_t>(wanted.start, 0, wantedEnd);
    const std::int64_t shortest = wantedEnd > wantedStart ? 1 : 0; // end - start at least
    const std::int64_t within = std::max(reach, 0);

    Join best;
    SettledLoop settled{
        {static_cast<std::int32_t>(wantedStart), static_cast<std::int32_t>(wantedEnd)}, 0};
    bool found = false;
    const auto consider = [&](std::int64_t start, std::int64_t end, std::int64_t moved) {
        if (start < 0 || end > last || end - start < shortest) {
            return;
        }
        const Join join =
            judge(samples, static_cast<std::int32_t>(start), static_cast<std::int32_t>(end), moved);
        if (!found || better(join, best)) {
            best = join;
            settled.loop = {static_cast<std::int32_t>(start), static_cast<std::int32_t>(end)};
            found = true;
        }
    };
    // Outwards from the wanted ends, one total movement at a time: the first movement that
    // holds a seamless join holds the nearest, so the search ends there; only a sound without
    // one searches both windows whole.
    for (std::int64_t moved = 0; moved <= 2 * within; ++moved) {
        for (std::int64_t startMove = -std::min(moved, within);
             startMove <= std::min(moved, within); ++startMove) {
            const std::int64_t endMove = moved - std::abs(startMove);
            if (endMove > within) {
                continue;
            }
            consider(wantedStart + startMove, wantedEnd - endMove, moved);
            if (endMove != 0) {
                consider(wantedStart + startMove, wantedEnd + endMove, moved);
            }
        }
        if (found && best.seamless()) {
            break;
        }
    }
    settled.jump = seamJump(samples, settled.loop);
    return settled;
}

} // namespace wtb
