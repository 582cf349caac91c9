#include "export/BangGuard.h"

namespace wtb {

namespace {

constexpr std::uint8_t kBang = 0x21;

std::int32_t signedByte(std::uint8_t byte) {
    return static_cast<std::int8_t>(byte);
}

} // namespace

bool boardRefusesBangRuns(Board board) {
    return board == Board::Mega2560;
}

std::int32_t avoidBangRuns(std::span<std::uint8_t> table) {
    std::int32_t changed = 0;
    std::size_t run = 0;
    for (std::size_t k = 0; k < table.size(); ++k) {
        if (table[k] != kBang) {
            run = 0;
            continue;
        }
        if (++run < 3) {
            continue;
        }
        // The sound around the whole run: the byte before it and the first byte after it.
        std::size_t first = k + 1 - run;
        std::size_t after = k;
        while (after < table.size() && table[after] == kBang) {
            ++after;
        }
        const std::int32_t before = first > 0 ? signedByte(table[first - 1]) : kBang;
        const std::int32_t next = after < table.size() ? signedByte(table[after]) : kBang;
        table[k] = before + next > 2 * kBang ? kBang + 1 : kBang - 1;
        ++changed;
        run = 0;
    }
    return changed;
}

} // namespace wtb
