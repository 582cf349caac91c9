#include "export/MixBudget.h"

#include "common/RuntimeError.h"
#include "export/BangGuard.h"
#include "export/MixSteps.h"
#include "export/PlayerSketch.h"
#include "export/SlotRates.h"

#include <algorithm>
#include <set>
#include <string>

namespace wtb {

namespace {

std::string hz(std::int32_t rate) {
    return std::to_string(rate) + " Hz";
}

std::string voicesText(std::int32_t voices) {
    return std::to_string(voices) + (voices == 1 ? " voice" : " voices");
}

std::int32_t highestPlayerRate(SampleFormat format) {
    return format == SampleFormat::Adpcm4 ? kAdpcmPlayerHighestRate : kPlayerHighestRate;
}

void checkVoices(std::int32_t voices) {
    if (voices < 1 || voices > kMostVoices) {
        raise(ErrorKind::Bounds, "The player mixes 1 to " + std::to_string(kMostVoices) +
                                     " voices, not " + std::to_string(voices) + ".");
    }
}

// What would fit instead of `voices` of `format` at `rate` on the board.
std::string whatWouldFit(Board board, SampleFormat format, std::int32_t voices, std::int32_t rate) {
    std::string text = "What would fit: " + voicesText(voices) + " up to " +
                       hz(highestMixRate(board, format, voices));
    std::int32_t fewer = voices - 1;
    while (fewer >= 1 && highestMixRate(board, format, fewer) < rate) {
        --fewer;
    }
    if (fewer >= 1) {
        text += ", or " + voicesText(fewer) + " at " + hz(rate);
    }
    if (format == SampleFormat::Adpcm4 &&
        highestMixRate(board, SampleFormat::Pcm8, voices) >= rate) {
        text += ", or " + voicesText(voices) + " at " + hz(rate) + " in 8-bit PCM";
    }
    return text + ".";
}

void checkCycles(Board board, SampleFormat format, std::int32_t voices, std::int32_t rate) {
    const std::int64_t worst = mixerWorstCycles(board, format, voices);
    const std::int64_t period = kBoardClock / rate;
    if (worst * 5 > period * 4) {
        raise(ErrorKind::Bounds,
              std::to_string(voices) + " mixed " + (voices == 1 ? "voice" : "voices") + " in " +
                  std::string(sampleFormatDisplayName(format)) + " on the " +
                  std::string(boardInfo(board).displayName) + " take up to " +
                  std::to_string(worst) + " clock cycles a sample, more than 80 % of a period at " +
                  hz(rate) + " (" + std::to_string(period * 4 / 5) + " of its " +
                  std::to_string(period) + " cycles). " +
                  whatWouldFit(board, format, voices, rate));
    }
}

void checkMidiBaud(std::int32_t baud) {
    if (baud != 31'250 && baud != 115'200) {
        raise(ErrorKind::Bounds, "MIDI comes in at 31250 baud (a DIN MIDI input) or 115200 "
                                 "(a USB-serial bridge), not " +
                                     std::to_string(baud) + ".");
    }
}

void checkPins(const PlayerOptions& options, Board board) {
    const BoardInfo& info = boardInfo(board);
    std::set<std::int32_t> used;
    for (const TriggerPin& trigger : options.pins) {
        const std::string pin = "pin " + std::to_string(trigger.pin);
        if (trigger.slot < kFirstSlot || trigger.slot > kLastSlot) {
            raise(ErrorKind::Bounds, "A trigger pin plays one of slots " +
                                         std::to_string(kFirstSlot) + " to " +
                                         std::to_string(kLastSlot) + ", not slot " +
                                         std::to_string(trigger.slot) + ".");
        }
        if (trigger.pin < 2 || trigger.pin > info.highestPin) {
            raise(ErrorKind::Bounds, "The " + std::string(info.displayName) + " has no " + pin +
                                         " for a button: use pins 2 to " +
                                         std::to_string(info.highestPin) +
                                         " (0 and 1 carry the serial line).");
        }
        if (trigger.pin == info.outputPin) {
            raise(ErrorKind::Bounds,
                  "Pin " + std::to_string(trigger.pin) + " is the player's sound output on the " +
                      std::string(info.displayName) + "; put the button on another pin.");
        }
        if (!used.insert(trigger.pin).second) {
            raise(ErrorKind::Bounds,
                  "Pin " + std::to_string(trigger.pin) + " is given two slots; one pin plays one.");
        }
    }
}

// A slot whose own rate is more than twice the mixing rate cannot play even at its root.
void checkSlotSteps(const SlotBank& bank, std::int32_t mixRate) {
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        if (slot.endIndex < 0 || slot.sampleRate <= 0) {
            continue;
        }
        if (rootStep(slot.sampleRate, mixRate, slotKeys(slot, number).fineCents) > kLargestStep) {
            const std::string n = std::to_string(number);
            raise(ErrorKind::Bounds, "Slot " + n + " is at " + hz(slot.sampleRate) +
                                         ", more than twice the mixing "
                                         "rate of " +
                                         hz(mixRate) +
                                         ": the player steps at most two samples a period. "
                                         "Mix at " +
                                         hz((slot.sampleRate + 1) / 2) +
                                         " or more, or resample slot " + n + ".");
        }
    }
}

} // namespace

bool playerMixes(const PlayerOptions& options) {
    return options.voices != 1 || options.midi || !options.pins.empty();
}

std::int32_t mixerWorstCycles(Board board, SampleFormat format, std::int32_t voices) {
    checkVoices(voices);
    const auto row = static_cast<std::size_t>(format == SampleFormat::Adpcm4 ? 1 : 0);
    return boardInfo(board).mixerWorstCycles[row][static_cast<std::size_t>(voices - 1)];
}

std::int32_t highestMixRate(Board board, SampleFormat format, std::int32_t voices) {
    const std::int64_t worst = std::max(1, mixerWorstCycles(board, format, voices));
    // The largest rate whose whole period, 16 MHz / rate, still holds worst / 0.8 cycles.
    const auto rate = static_cast<std::int32_t>(std::int64_t{kBoardClock} * 4 / (worst * 5));
    return std::clamp(rate, 0, highestPlayerRate(format));
}

std::int32_t playerMixRate(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                           Board board) {
    if (options.mixRate > 0) {
        return options.mixRate;
    }
    const SlotRates rates = slotRates(bank);
    const std::int32_t highest = highestMixRate(board, format, std::clamp(options.voices, 1, 8));
    if (rates.groups.empty()) {
        return std::max(kLowestMixRate, highest);
    }
    if (!rates.mixed()) {
        return rates.groups.front().rate;
    }
    std::int32_t chosen = 0;
    for (const SlotRates::Group& group : rates.groups) {
        if (group.rate <= highest) {
            chosen = std::max(chosen, group.rate);
        }
    }
    return chosen > 0 ? chosen : std::max(kLowestMixRate, highest);
}

void checkMixerOptions(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                       Board board) {
    checkVoices(options.voices);
    const std::int32_t rate = playerMixRate(bank, format, options, board);
    const std::int32_t highest = highestPlayerRate(format);
    if (rate < kLowestMixRate || rate > highest) {
        raise(ErrorKind::Bounds,
              "The player mixes at " + hz(kLowestMixRate) + " to " + hz(highest) + " in " +
                  std::string(sampleFormatDisplayName(format)) + ", not " + hz(rate) + ".");
    }
    checkCycles(board, format, options.voices, rate);
    checkSlotSteps(bank, rate);
    if (options.midi) {
        checkMidiBaud(options.midiBaud);
    }
    checkPins(options, board);
}

} // namespace wtb

namespace wtb {

MixerSetup mixerSetup(const SlotBank& bank, SampleFormat format, const PlayerOptions& options,
                      Board board) {
    checkMixerOptions(bank, format, options, board);
    MixerSetup setup;
    setup.options = options;
    setup.mixRate = playerMixRate(bank, format, options, board);
    setup.guardTables = boardRefusesBangRuns(board);
    for (const std::int16_t number : allSlotNumbers()) {
        const Slot& slot = bank[number];
        const auto k = static_cast<std::size_t>(number - kFirstSlot);
        setup.keys[k] = slotKeys(slot, number);
        setup.rootSteps[k] = slot.endIndex >= 0
                                 ? rootStep(slot.sampleRate, setup.mixRate, setup.keys[k].fineCents)
                                 : 0;
    }
    return setup;
}

} // namespace wtb
