#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace wtb {

// The boards a wavetable sketch is made for.
enum class Board { Uno, Leonardo, Mega2560 };

// The accessors take and return `unsigned int`, 16 bits on AVR: the start table's last value,
// the sample count, must stay within 65,535 on every board.
inline constexpr std::int32_t kAccessorSampleLimit = 65'535;

struct BoardInfo {
    Board board;
    std::string_view id;            // as the command line and the preferences spell it
    std::string_view displayName;   // as the window shows it
    std::int32_t sketchFlash;       // flash bytes a sketch may take (the IDE's maximum size)
    std::int32_t playerBytes;       // flash taken by a minimal player besides its sample table
    std::int32_t sampleLimit;       // the largest table the board reads back correctly
    std::int32_t playerSketchBytes; // flash taken by the player sketch besides its sample table

    // Flash bytes left for the sample table beside a minimal player.
    std::int32_t tableRoom() const { return sketchFlash - playerBytes; }
    // Flash bytes left for the sample table in the player sketch.
    std::int32_t playerSketchTableRoom() const { return sketchFlash - playerSketchBytes; }
};

// Every board, in the order a list shows them.
std::span<const BoardInfo> boards();

const BoardInfo& boardInfo(Board board);

// The board with this id ("uno", "leonardo", "mega2560"); nothing for any other text.
std::optional<Board> boardFromId(std::string_view id);

} // namespace wtb
