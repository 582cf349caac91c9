#include "export/PlayerSketch.h"

#include "common/RuntimeError.h"
#include "common/TextLines.h"
#include "export/BangGuard.h"
#include "export/ExportFault.h"
#include "export/SketchNumbers.h"
#include "export/SketchSources.h"

#include <vector>

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

void appendRates(std::string& text, std::span<const std::int32_t, kSlotCount> rates) {
    text.append("const unsigned long wave_rate[16] PROGMEM = {");
    appendNumberList(text, rates);
    text.append("};");
    text.append(kCrLf);
}

void checkRates(std::span<const std::int32_t, kSlotCount> rates, std::int32_t highest) {
    for (std::size_t k = 0; k < rates.size(); ++k) {
        if (rates[k] < 0 || rates[k] > highest) {
            raise(ErrorKind::Bounds, ExportFault::PlayerRateTooHigh,
                  {{"slot", k + 1}, {"rate", rates[k]}, {"highest", highest}});
        }
    }
}

void appendDefine(std::string& text, std::string_view name, std::int64_t value) {
    text.append("#define ");
    text.append(name);
    text.append(" ");
    text.append(std::to_string(value));
    text.append(kCrLf);
}

template <std::size_t N>
void appendTable(std::string& text, std::string_view open,
                 const std::array<std::int32_t, N>& values) {
    text.append(open);
    appendNumberList(text, values);
    text.append("};");
    text.append(kCrLf);
}

template <std::size_t N, typename Value>
void appendGuardedTable(std::string& text, std::string_view name, int width,
                        const std::array<Value, N>& values, bool guard) {
    std::array<std::int32_t, N> numbers{};
    for (std::size_t k = 0; k < N; ++k) {
        numbers[k] = static_cast<std::int32_t>(values[k]);
    }
    appendTable(text, progmemTableOpen(name, numbers, width, guard), numbers);
}

void appendMixerTables(std::string& text, const MixerSetup& mixer) {
    std::array<std::uint32_t, kSlotCount> high{};
    std::array<std::uint32_t, kSlotCount> low{};
    std::array<std::int32_t, kSlotCount> roots{};
    std::array<std::int32_t, kSlotCount> lows{};
    std::array<std::int32_t, kSlotCount> highs{};
    for (std::size_t k = 0; k < high.size(); ++k) {
        high[k] = mixer.rootSteps[k] >> 16;
        low[k] = mixer.rootSteps[k] & 0xFFFFu;
        roots[k] = mixer.keys[k].root;
        lows[k] = mixer.keys[k].low;
        highs[k] = mixer.keys[k].high;
    }
    const bool guard = mixer.guardTables;
    appendGuardedTable(text, "wave_step_high", 2, high, guard);
    appendGuardedTable(text, "wave_step_low", 2, low, guard);
    appendGuardedTable(text, "wave_key_root", 1, roots, guard);
    appendGuardedTable(text, "wave_key_low", 1, lows, guard);
    appendGuardedTable(text, "wave_key_high", 1, highs, guard);
}

// The trigger pins' tables, in RAM: a pin number or slot repeats in no run of three 0x21.
void appendPinTables(std::string& text, const std::vector<TriggerPin>& pins) {
    if (pins.empty()) {
        return;
    }
    const std::string count = std::to_string(pins.size());
    std::vector<std::int32_t> pinNumbers;
    std::vector<std::int32_t> slots;
    for (const TriggerPin& pin : pins) {
        pinNumbers.push_back(pin.pin);
        slots.push_back(pin.slot);
    }
    text.append("const byte Zozedovad_Pins[" + count + "] = {");
    appendNumberList(text, pinNumbers);
    text.append("};");
    text.append(kCrLf);
    text.append("const byte Zozedovad_Pin_Slots[" + count + "] = {");
    appendNumberList(text, slots);
    text.append("};");
    text.append(kCrLf);
}

void appendMixer(std::string& text, const MixerSetup& mixer) {
    const PlayerOptions& options = mixer.options;
    appendDefine(text, "ZOZEDOVAD_VOICES", options.voices);
    appendDefine(text, "ZOZEDOVAD_MIX_RATE", mixer.mixRate);
    appendSwitch(text, "ZOZEDOVAD_MIDI", options.midi);
    appendDefine(text, "ZOZEDOVAD_MIDI_BAUD", options.midiBaud);
    appendDefine(text, "ZOZEDOVAD_PINS", static_cast<std::int64_t>(options.pins.size()));
}

void appendMixerSources(std::string& text, const MixerSetup& mixer) {
    appendMixerTables(text, mixer);
    appendPinTables(text, mixer.options.pins);
    appendCrLfLines(text, sketch_source::mixer_h);
    appendCrLfLines(text, mixer.options.midi ? sketch_source::midi_input_h
                                             : sketch_source::serial_lines_h);
    if (!mixer.options.pins.empty()) {
        appendCrLfLines(text, sketch_source::trigger_pins_h);
    }
    appendCrLfLines(text, sketch_source::mixer_input_h);
}

} // namespace

std::string buildPlayerHeaderText(std::string_view tableText,
                                  std::span<const std::int32_t, kSlotCount> rates,
                                  PlayerParts parts) {
    const bool adpcm = parts.format == SampleFormat::Adpcm4;
    checkRates(rates, adpcm ? kAdpcmPlayerHighestRate : kPlayerHighestRate);
    std::string text;
    text.reserve(tableText.size() + sketch_source::player_h.size() + 2048);
    appendCrLfLines(text, kHeaderComment);
    appendSwitch(text, "ZOZEDOVAD_ADPCM", adpcm);
    appendSwitch(text, "ZOZEDOVAD_LOOPS", parts.loops);
    if (parts.mixer) {
        appendMixer(text, *parts.mixer);
    }
    text.append(tableText);
    appendRates(text, rates);
    appendCrLfLines(text, sketch_source::output_h);
    if (parts.mixer) {
        appendMixerSources(text, *parts.mixer);
    } else {
        appendCrLfLines(text, sketch_source::player_h);
        appendCrLfLines(text, sketch_source::serial_lines_h);
    }
    return text;
}

std::string playerUserSketchText() {
    std::string text;
    appendCrLfLines(text, sketch_source::player_sketch_ino);
    return text;
}

} // namespace wtb
