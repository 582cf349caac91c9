#include "export/MixBudget.h"

#include "common/RuntimeError.h"
#include "export/BangGuard.h"
#include "export/ExportFault.h"
#include "export/MixSteps.h"
#include "export/PlayerSketch.h"
#include "export/SlotRates.h"

#include <algorithm>
#include <set>
#include <string>

namespace wtb {

namespace {

std::int32_t highestPlayerRate(SampleFormat format) {
    return format == SampleFormat::Adpcm4 ? kAdpcmPlayerHighestRate : kPlayerHighestRate;
}

void checkVoices(std::int32_t voices) {
    if (voices < 1 || voices > kMostVoices) {
        raise(ErrorKind::Bounds, ExportFault::VoicesOutside,
              {{"most", kMostVoices}, {"voices", voices}});
    }
}

// What would fit instead of `voices` of `format` at `rate` on the board: the highest rate for
// as many voices, the most fewer voices that keep the rate, and 8-bit PCM when ADPCM is what
// is too slow.
void addWhatWouldFit(Facts& facts, Board board, SampleFormat format, std::int32_t voices,
                     std::int32_t rate) {
    facts.add("fitting", highestMixRate(board, format, voices));
    std::int32_t fewer = voices - 1;
    while (fewer >= 1 && highestMixRate(board, format, fewer) < rate) {
        --fewer;
    }
    if (fewer >= 1) {
        facts.add("fewer", fewer);
    }
    if (format == SampleFormat::Adpcm4 &&
        highestMixRate(board, SampleFormat::Pcm8, voices) >= rate) {
        facts.add("pcm", 1);
    }
}

void checkCycles(Board board, SampleFormat format, std::int32_t voices, std::int32_t rate) {
    const std::int64_t worst = mixerWorstCycles(board, format, voices);
    const std::int64_t period = kBoardClock / rate;
    if (worst * 5 > period * 4) {
        Facts facts{{"voices", voices},
                    {"format", sampleFormatDisplayName(format)},
                    {"board", boardInfo(board).displayName},
                    {"worst", worst},
                    {"rate", rate},
                    {"budget", period * 4 / 5},
                    {"period", period}};
        addWhatWouldFit(facts, board, format, voices, rate);
        raise(ErrorKind::Bounds, ExportFault::MixTooSlow, std::move(facts));
    }
}

void checkMidiBaud(std::int32_t baud) {
    if (!isMidiBaud(baud)) {
        raise(ErrorKind::Bounds, ExportFault::MidiBaudUnknown, {{"baud", baud}});
    }
}

void checkPins(const PlayerOptions& options, Board board) {
    const BoardInfo& info = boardInfo(board);
    std::set<std::int32_t> used;
    for (const TriggerPin& trigger : options.pins) {
        if (trigger.slot < kFirstSlot || trigger.slot > kLastSlot) {
            raise(ErrorKind::Bounds, ExportFault::TriggerSlotOutside,
                  {{"first", kFirstSlot}, {"last", kLastSlot}, {"slot", trigger.slot}});
        }
        if (trigger.pin < 2 || trigger.pin > info.highestPin) {
            raise(
                ErrorKind::Bounds, ExportFault::TriggerPinMissing,
                {{"board", info.displayName}, {"pin", trigger.pin}, {"highest", info.highestPin}});
        }
        if (trigger.pin == info.outputPin) {
            raise(ErrorKind::Bounds, ExportFault::TriggerPinIsOutput,
                  {{"pin", trigger.pin}, {"board", info.displayName}});
        }
        if (!used.insert(trigger.pin).second) {
            raise(ErrorKind::Bounds, ExportFault::TriggerPinTwice, {{"pin", trigger.pin}});
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
            raise(ErrorKind::Bounds, ExportFault::SlotTooFastForMix,
                  {{"slot", number},
                   {"rate", slot.sampleRate},
                   {"mix", mixRate},
                   {"least", (slot.sampleRate + 1) / 2}});
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
        raise(ErrorKind::Bounds, ExportFault::MixRateOutside,
              {{"lowest", kLowestMixRate},
               {"highest", highest},
               {"format", sampleFormatDisplayName(format)},
               {"rate", rate}});
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
