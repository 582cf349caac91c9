#include "export/PlayerSketch.h"

#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "export/SketchSources.h"

#include <charconv>

namespace wtb {

namespace {

constexpr std::string_view kHeaderComment =
    R"sketch(// Zozedovad.h: the sounds of this sketch and the player that plays them, written by
// Brimtock Wavetable Builder. Each export of the player sketch replaces this file: keep your
// own code in the sketch's .ino file, which includes this header (include it there only).
#pragma once
#include <Arduino.h>
#include <avr/pgmspace.h>
)sketch";

void appendSwitch(std::string& text, std::string_view name, bool on) {
    text.append("#define ");
    text.append(name);
    text.append(on ? " 1" : " 0");
    text.append(kCrLf);
}

void appendRates(std::string& text, std::span<const std::int32_t, 16> rates) {
    text.append("const unsigned long wave_rate[16] PROGMEM = {");
    for (std::size_t k = 0; k < rates.size(); ++k) {
        char digits[12];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, rates[k]).ptr);
        if (k + 1 < rates.size()) {
            text.append(",");
        }
    }
    text.append("};");
    text.append(kCrLf);
}

void checkRates(std::span<const std::int32_t, 16> rates, std::int32_t highest) {
    for (std::size_t k = 0; k < rates.size(); ++k) {
        if (rates[k] < 0 || rates[k] > highest) {
            raise(ErrorKind::Bounds,
                  "Slot " + std::to_string(k + 1) + " is at " + std::to_string(rates[k]) +
                      " Hz; the player sketch plays at most " + std::to_string(highest) +
                      " Hz. Resample it to a lower rate.");
        }
    }
}

} // namespace

std::string buildPlayerHeaderText(std::string_view tableText,
                                  std::span<const std::int32_t, 16> rates, PlayerParts parts) {
    const bool adpcm = parts.format == SampleFormat::Adpcm4;
    checkRates(rates, adpcm ? kAdpcmPlayerHighestRate : kPlayerHighestRate);
    std::string text;
    text.reserve(tableText.size() + sketch_source::player_h.size() + 2048);
    appendCrLfLines(text, kHeaderComment);
    appendSwitch(text, "ZOZEDOVAD_ADPCM", adpcm);
    appendSwitch(text, "ZOZEDOVAD_LOOPS", parts.loops);
    text.append(tableText);
    appendRates(text, rates);
    appendCrLfLines(text, sketch_source::player_h);
    return text;
}

std::string playerUserSketchText() {
    std::string text;
    appendCrLfLines(text, sketch_source::player_sketch_ino);
    return text;
}

} // namespace wtb
