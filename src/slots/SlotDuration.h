#pragma once

#include <cstdint>
#include <string>

namespace wtb {

// How long `samples` play at `rate`, in seconds with three decimals ("0.300", "616.816"), for
// people who think of a sound's length in time; empty for a rate of 0 or less, at which a
// sound has no length in time.
std::string secondsText(std::int64_t samples, std::int32_t rate);
// A number of seconds with three decimals, as above.
std::string secondsText(double seconds);

} // namespace wtb
