#include "slots/SlotDuration.h"

#include <array>
#include <charconv>

namespace wtb {

std::string secondsText(std::int64_t samples, std::int32_t rate) {
    if (rate <= 0) {
        return {};
    }
    return secondsText(static_cast<double>(samples) / static_cast<double>(rate));
}

std::string secondsText(double seconds) {
    std::array<char, 32> text{};
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed, 3);
    return error == std::errc() ? std::string(text.data(), end) : std::string();
}

} // namespace wtb
