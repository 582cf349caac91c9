#include "window/WaveformScale.h"

#include "common/CheckedInt.h"
#include "common/RoundHalfEven.h"
#include "common/RuntimeError.h"

#include <cmath>
#include <sstream>

namespace wtb {

namespace {

std::string describe(float X, float InMin, std::int32_t InMax, std::int32_t OutMin,
                     std::int32_t OutMax) {
    std::ostringstream text;
    text.precision(9);
    text << "mapping " << X << " from " << InMin << ".." << InMax << " onto " << OutMin << ".."
         << OutMax;
    return text.str();
}

} // namespace

std::int32_t ScaleValue(float X, float InMin, std::int32_t InMax, std::int32_t OutMin,
                        std::int32_t OutMax) {
    const double D = static_cast<double>(X) - static_cast<double>(InMin);
    if (!std::isfinite(D)) {
        raise(ErrorKind::Overflow,
              "Invalid arithmetic while " + describe(X, InMin, InMax, OutMin, OutMax) + ".");
    }
    const std::int32_t S = checkedSub(OutMax, OutMin);
    const double N = D * static_cast<double>(S);
    const double R = static_cast<double>(InMax) - static_cast<double>(InMin);
    if (R == 0.0) {
        raise(ErrorKind::Overflow,
              std::string(N == 0.0 ? "Invalid arithmetic (0 / 0)" : "Division by zero") +
                  " while " + describe(X, InMin, InMax, OutMin, OutMax) +
                  ": the input range is empty.");
    }
    const double V = N / R + static_cast<double>(OutMin);
    if (!std::isfinite(V)) {
        raise(ErrorKind::Overflow,
              "Arithmetic overflow while " + describe(X, InMin, InMax, OutMin, OutMax) + ".");
    }
    return toInt32HalfEven(V);
}

std::int32_t indexToX(std::int32_t index, std::int32_t lastIndex, std::int32_t Wr) {
    if (lastIndex == 0) {
        return 0;
    }
    return ScaleValue(static_cast<float>(index), 0.0f, lastIndex, 0, Wr);
}

std::int32_t byteToY(std::uint8_t sample, std::int32_t Hr) {
    return ScaleValue(static_cast<float>(sample), 0.0f, 255, Hr, 0);
}

} // namespace wtb
