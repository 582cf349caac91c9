#include "slots/DefaultKit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace wtb {

namespace {

constexpr double kRate = kDefaultKitRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Deterministic white noise in -1..1, so the kit is the same on every machine.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483647.5 - 1.0;
    }

private:
    std::uint32_t state_;
};

// Turns a signal in -1..1 into bytes, with short fades so the sound starts and ends on the
// zero line and never clicks when it is cut or looped.
Sound8 render(int samples, const std::function<double(int)>& signal) {
    constexpr int fadeIn = 8;
    constexpr int fadeOut = 32;
    Sound8 sound;
    sound.sampleRate = kDefaultKitRate;
    sound.bytes.reserve(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        const double in = std::min(1.0, i / double(fadeIn));
        const double out = std::min(1.0, (samples - 1 - i) / double(fadeOut));
        const double value = std::clamp(signal(i), -1.0, 1.0) * in * out;
        sound.bytes.push_back(static_cast<std::uint8_t>(std::lround(128.0 + 127.0 * value)));
    }
    return sound;
}

double decay(int i, double timeConstantSeconds) {
    return std::exp(-i / (kRate * timeConstantSeconds));
}

// A sine whose pitch glides exponentially from `startHz` to `endHz`: the body of a kick or tom.
std::function<double(int)> pitchDrop(double startHz, double endHz, double glideSeconds,
                                     double decaySeconds) {
    return [=, phase = 0.0](int i) mutable {
        const double hz = endHz + (startHz - endHz) * decay(i, glideSeconds);
        const double value = std::sin(phase) * decay(i, decaySeconds);
        phase += kTwoPi * hz / kRate;
        return value;
    };
}

// White noise with its low end removed (first difference): the hiss of cymbals and hats.
std::function<double(int)> hiss(std::uint32_t seed, double decaySeconds) {
    return [noise = Noise(seed), previous = 0.0, decaySeconds](int i) mutable {
        const double white = noise.next();
        const double high = 0.6 * (white - previous);
        previous = white;
        return high * decay(i, decaySeconds);
    };
}

double square(double phase) {
    return std::sin(phase) >= 0.0 ? 1.0 : -1.0;
}

double cycles(int i, double hz) {
    return kTwoPi * hz * i / kRate;
}

std::vector<KitSound> drums() {
    Noise snareNoise(0x5a7e);
    Noise clapNoise(0xc1a9);
    Noise rimNoise(0x7157);
    return {
        {"kick.wav", render(1400, pitchDrop(160.0, 48.0, 0.025, 0.08))},
        {"snare.wav",
         render(1400,
                [tone = pitchDrop(220.0, 180.0, 0.02, 0.04), snareNoise](int i) mutable {
                    return 0.55 * tone(i) + 0.6 * snareNoise.next() * decay(i, 0.05);
                })},
        {"hihat.wav", render(500, hiss(0x4a7, 0.015))},
        {"openhat.wav", render(1400, hiss(0x0be4, 0.09))},
        {"clap.wav", render(1200,
                            [clapNoise](int i) mutable {
                                // three quick slaps, then the room's tail
                                const int burst = i < 240 ? i % 80 : i - 160;
                                const double envelope =
                                    i < 240 ? decay(burst, 0.004) : 0.8 * decay(burst, 0.035);
                                return clapNoise.next() * envelope;
                            })},
        {"lowtom.wav", render(1400, pitchDrop(130.0, 85.0, 0.05, 0.09))},
        {"hitom.wav", render(1100, pitchDrop(240.0, 170.0, 0.05, 0.07))},
        {"rimshot.wav", render(400,
                               [rimNoise](int i) mutable {
                                   const double body = 0.6 * std::sin(cycles(i, 1700.0)) +
                                                       0.4 * std::sin(cycles(i, 500.0));
                                   return (body + 0.3 * rimNoise.next()) * decay(i, 0.008);
                               })},
        {"cowbell.wav", render(1100,
                               [](int i) {
                                   const double bell = 0.5 * square(cycles(i, 540.0)) +
                                                       0.5 * square(cycles(i, 800.0));
                                   return 0.8 * bell * decay(i, 0.06);
                               })},
        {"crash.wav", render(1600, hiss(0xc7a5, 0.16))},
    };
}

// 250 Hz at 8000 Hz is 32 samples a cycle; 640 samples hold exactly 20 cycles.
constexpr int kToneSamples = 640;
constexpr double kToneHz = 250.0;

double cyclePosition(int i) {
    return std::fmod(i * kToneHz / kRate, 1.0);
}

std::vector<KitSound> waveforms() {
    Noise whiteNoise(0x2015e);
    return {
        {"sine.wav",
         render(kToneSamples, [](int i) { return 0.9 * std::sin(cycles(i, kToneHz)); })},
        {"square.wav",
         render(kToneSamples, [](int i) { return cyclePosition(i) < 0.5 ? 0.7 : -0.7; })},
        {"saw.wav",
         render(kToneSamples, [](int i) { return 0.8 * (2.0 * cyclePosition(i + 16) - 1.0); })},
        {"triangle.wav", render(kToneSamples,
                                [](int i) {
                                    const double p = cyclePosition(i + 8);
                                    return 0.9 * (p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p);
                                })},
        {"pulse.wav",
         render(kToneSamples, [](int i) { return cyclePosition(i) < 0.25 ? 0.7 : -0.7; })},
        {"noise.wav",
         render(kToneSamples, [whiteNoise](int) mutable { return 0.7 * whiteNoise.next(); })},
    };
}

} // namespace

std::vector<KitSound> defaultKit() {
    std::vector<KitSound> kit = drums();
    for (KitSound& sound : waveforms()) {
        kit.push_back(std::move(sound));
    }
    return kit;
}

SlotBank defaultKitBank() {
    SlotBank bank;
    std::int16_t slot = kFirstSlot;
    for (KitSound& kit : defaultKit()) {
        Slot& each = bank[slot++];
        each.samples = Samples(std::move(kit.sound.bytes));
        each.sampleRate = kit.sound.sampleRate;
        each.endIndex = each.lastIndex();
        each.name = std::move(kit.name);
    }
    return bank;
}

} // namespace wtb
