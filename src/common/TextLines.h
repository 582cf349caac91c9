#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wtb {

inline constexpr std::string_view kCrLf = "\r\n";

// Splits text into lines. A line ends at CR, at a CR LF pair, or at a lone LF (so a file
// edited with a Linux editor still reads); the line end is not part of the line. Text after
// the last line end is a line of its own; an empty text has no lines.
std::vector<std::string_view> splitTextLines(std::string_view text);

// Appends text written with LF line ends, each line ending in CR LF instead.
void appendCrLfLines(std::string& text, std::string_view lines);

// Splits a line at every TAB into fields numbered from 0.
std::vector<std::string_view> splitFields(std::string_view line, char separator = '\t');

} // namespace wtb
