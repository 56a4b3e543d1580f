// The listing of every built-in pattern: the fifteen rudiments, then the catalogue in table order.
#pragma once

#include <cstddef>
#include <span>

#include "core/pattern_info.hpp"

namespace pivolet {

inline constexpr std::size_t builtin_count = 1731;

// Built on first use under thread-safe one-time initialisation and shared from then on. Its rows
// view constant text only. If building fails for lack of memory, the next call tries again.
std::span<const PatternInfo> builtin_listing();

}  // namespace pivolet
