// Included before every source of the web build: the C++20 library parts
// that the libc++ of Debian's emscripten lacks, built on the compiler's own
// builtins and algorithms. Nothing here is defined where the library has it.
#pragma once

#include <version>

#if !defined(__cpp_lib_bit_cast)
#include <type_traits>
namespace std {
template <class TTo, class TFrom>
    requires(sizeof(TTo) == sizeof(TFrom) && is_trivially_copyable_v<TTo> && is_trivially_copyable_v<TFrom>)
constexpr TTo bit_cast(const TFrom& From) noexcept {
    return __builtin_bit_cast(TTo, From);
}
}  // namespace std
#endif

#if !defined(__cpp_lib_ranges)
#include <algorithm>
#include <iterator>
#include <utility>
namespace std::ranges {
struct TFindIf {
    template <class TRange, class TPredicate>
    constexpr auto operator()(TRange&& Range, TPredicate Predicate) const {
        return std::find_if(std::begin(Range), std::end(Range), std::move(Predicate));
    }
};
inline constexpr TFindIf find_if{};
}  // namespace std::ranges
#endif

#if !defined(__cpp_lib_to_chars)
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
namespace std {
namespace vantrel_gaps {
// The shortest text that reads back to Value, in the plain form of
// std::to_chars: fixed or scientific, whichever is shorter (fixed on a tie).
template <class T>
to_chars_result ShortestChars(char* First, char* Last, T Value) noexcept {
    char text[64];
    size_t size = 0;
    if (std::isnan(Value) || std::isinf(Value)) {
        size = static_cast<size_t>(
            std::snprintf(text, sizeof text, "%s%s", std::signbit(Value) ? "-" : "", std::isnan(Value) ? "nan" : "inf"));
    } else {
        // Scientific digits with the fewest that read back.
        char sci[40];
        const int most = sizeof(T) == 4 ? 9 : 17;
        for (int digits = 1; digits <= most; ++digits) {
            std::snprintf(sci, sizeof sci, "%.*e", digits - 1, static_cast<double>(Value));
            const T back = sizeof(T) == 4 ? static_cast<T>(std::strtof(sci, nullptr)) : static_cast<T>(std::strtod(sci, nullptr));
            if (back == Value) break;
        }
        // sci: [-]d[.ddd]e(+|-)XX
        const char* p = sci;
        const bool negative = *p == '-';
        if (negative) ++p;
        char mantissa[24];
        size_t count = 0;
        for (; *p != 'e'; ++p)
            if (*p != '.') mantissa[count++] = *p;
        const int exponent = std::atoi(p + 1);
        // Scientific: d[.ddd]e+XX, at least two exponent digits.
        char scientific[48];
        size_t s = 0;
        if (negative) scientific[s++] = '-';
        scientific[s++] = mantissa[0];
        if (count > 1) {
            scientific[s++] = '.';
            for (size_t i = 1; i < count; ++i) scientific[s++] = mantissa[i];
        }
        s += static_cast<size_t>(std::snprintf(scientific + s, sizeof scientific - s, "e%c%02d", exponent < 0 ? '-' : '+',
                                               exponent < 0 ? -exponent : exponent));
        // Fixed: the digits with the point moved, zeros where needed.
        char fixed[400];
        size_t f = 0;
        if (negative) fixed[f++] = '-';
        if (exponent < 0) {
            fixed[f++] = '0';
            fixed[f++] = '.';
            for (int i = -1; i > exponent; --i) fixed[f++] = '0';
            for (size_t i = 0; i < count; ++i) fixed[f++] = mantissa[i];
        } else {
            for (int i = 0; i <= exponent || static_cast<size_t>(i) < count; ++i) {
                if (i == exponent + 1) fixed[f++] = '.';
                fixed[f++] = static_cast<size_t>(i) < count ? mantissa[i] : '0';
            }
        }
        const bool useFixed = f <= s;
        size = useFixed ? f : s;
        if (size > static_cast<size_t>(Last - First)) return {Last, errc::value_too_large};
        std::memcpy(First, useFixed ? fixed : scientific, size);
        return {First + size, errc()};
    }
    if (size > static_cast<size_t>(Last - First)) return {Last, errc::value_too_large};
    std::memcpy(First, text, size);
    return {First + size, errc()};
}
}  // namespace vantrel_gaps
inline to_chars_result to_chars(char* First, char* Last, double Value) noexcept {
    return vantrel_gaps::ShortestChars(First, Last, Value);
}
inline to_chars_result to_chars(char* First, char* Last, float Value) noexcept {
    return vantrel_gaps::ShortestChars(First, Last, Value);
}
}  // namespace std
#endif
