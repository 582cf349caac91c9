#pragma once

#include "common/RuntimeError.h"

#include <concepts>
#include <cstdint>
#include <string>

// Integer arithmetic that traps overflow: slot numbers are 16-bit, sizes, indices and totals
// 32-bit, and a result outside the type's range is an error, never a wrap-around.
namespace wtb {

[[noreturn]] inline void raiseOverflow(long long a, const char* op, long long b) {
    raise(ErrorKind::Overflow, "Arithmetic overflow: " + std::to_string(a) + " " + op + " " +
                                   std::to_string(b) + " is out of range.");
}

template <std::signed_integral T> T checkedAdd(T a, T b) {
    T result;
    if (__builtin_add_overflow(a, b, &result)) {
        raiseOverflow(a, "+", b);
    }
    return result;
}

template <std::signed_integral T> T checkedSub(T a, T b) {
    T result;
    if (__builtin_sub_overflow(a, b, &result)) {
        raiseOverflow(a, "-", b);
    }
    return result;
}

template <std::signed_integral T> T checkedMul(T a, T b) {
    T result;
    if (__builtin_mul_overflow(a, b, &result)) {
        raiseOverflow(a, "*", b);
    }
    return result;
}

// A count held in a wider type (a file's frame count, a vector's size) as a 32-bit size.
template <std::integral T> std::int32_t toInt32Checked(T value, const char* what) {
    std::int32_t result;
    if (__builtin_add_overflow(value, 0, &result)) {
        raise(ErrorKind::Overflow,
              std::string(what) + " of " + std::to_string(value) + " does not fit in 32 bits.");
    }
    return result;
}

} // namespace wtb
