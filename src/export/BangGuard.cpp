#include "export/BangGuard.h"

#include <vector>

namespace wtb {

namespace {

constexpr std::uint8_t kBang = 0x21;

std::int32_t signedByte(std::uint8_t byte) {
    return static_cast<std::int8_t>(byte);
}

} // namespace

bool boardRefusesBangRuns(Board board) {
    return boardInfo(board).refusesBangRuns;
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

namespace {

std::vector<std::uint8_t> littleEndianBytes(std::span<const std::int32_t> values, int width) {
    std::vector<std::uint8_t> bytes;
    for (const std::int32_t value : values) {
        for (int k = 0; k < width; ++k) {
            bytes.push_back(
                static_cast<std::uint8_t>((static_cast<std::uint32_t>(value) >> (8 * k)) & 0xFF));
        }
    }
    return bytes;
}

bool mayJoinABangRun(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return false;
    }
    if (bytes.front() == kBang || bytes.back() == kBang) {
        return true;
    }
    for (std::size_t k = 1; k < bytes.size(); ++k) {
        if (bytes[k] == kBang && bytes[k - 1] == kBang) {
            return true;
        }
    }
    return false;
}

std::string_view typeOfWidth(int width) {
    switch (width) {
    case 1:
        return "byte";
    case 2:
        return "unsigned int";
    default:
        return "unsigned long";
    }
}

} // namespace

std::string progmemTableOpen(std::string_view name, std::span<const std::int32_t> values, int width,
                             bool guard) {
    const bool widen = guard && mayJoinABangRun(littleEndianBytes(values, width));
    std::string open = "const ";
    open.append(typeOfWidth(widen ? width * 2 : width));
    open.append(" ");
    open.append(name);
    open.append("[");
    open.append(std::to_string(values.size()));
    open.append("] PROGMEM = {");
    return open;
}

} // namespace wtb
