#pragma once

namespace wtb {

// The window's caption, which also titles every message the window shows.
inline constexpr char kWindowCaption[] = "Brimtock - Wavetable builder 1.1";

} // namespace wtb
