#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace wtb {

// Appends `number` in decimal, as the sketch's tables and sizes spell it.
void appendNumber(std::string& text, std::int64_t number);

// Appends `values` as the sketch's initialiser lists hold them: "1,-2,3", a comma between
// numbers and no space, nothing for an empty list. The braces are the caller's.
void appendNumberList(std::string& text, std::span<const std::int32_t> values);

} // namespace wtb
