#pragma once

#include <cstdint>
#include <vector>

namespace wtb {

// A push button on a pin that starts a slot (the pin held high by its pull-up; low plays).
struct TriggerPin {
    std::int16_t slot = 1;
    std::int32_t pin = 2; // the Arduino pin number

    bool operator==(const TriggerPin&) const = default;
};

inline constexpr std::int32_t kMostVoices = 8;
// The baud rates MIDI can come in at: a DIN MIDI input, a USB-serial bridge.
inline constexpr std::int32_t kDinMidiBaud = 31'250;
inline constexpr std::int32_t kUsbMidiBaud = 115'200;

constexpr bool isMidiBaud(std::int32_t baud) {
    return baud == kDinMidiBaud || baud == kUsbMidiBaud;
}

// How the player sketch plays: how many sounds at once, at what mixing rate, from which inputs.
struct PlayerOptions {
    std::int32_t voices = 1;              // 1..kMostVoices; 1 is the single-sound player
    std::int32_t mixRate = 0;             // Hz; 0 chooses the default (see the export)
    bool midi = false;                    // MIDI on the serial input instead of the serial lines
    std::int32_t midiBaud = kDinMidiBaud; // or kUsbMidiBaud
    std::vector<TriggerPin> pins;

    bool operator==(const PlayerOptions&) const = default;
};

} // namespace wtb
