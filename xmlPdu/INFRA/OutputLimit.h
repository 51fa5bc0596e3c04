// The largest output of one translation: the C ABI's stream counts its size
// in 32 bits, the terminating zero of XML included.
#pragma once

#include <cstdint>

namespace vantrel {

inline constexpr uint64_t kMaxOutputSize = UINT32_MAX;

}  // namespace vantrel
