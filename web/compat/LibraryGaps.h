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
