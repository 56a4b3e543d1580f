// The listing of every built-in pattern: the fifteen rudiments, then the catalogue in table order.
#pragma once

#include <cstddef>
#include <span>
#include <tuple>

#include "catalogue/catalogue_sizes.hpp"
#include "core/pattern_info.hpp"
#include "core/utf8_text.hpp"
#include "rudiments/rudiment_table.hpp"

namespace pivolet {

inline constexpr std::size_t builtin_count = std::tuple_size_v<decltype(rudiment_infos)> + catalogue_size;

// Built on first use under thread-safe one-time initialisation and shared from then on. Its rows
// view constant text only. If building fails for lack of memory, the next call tries again.
std::span<const PatternInfo> builtin_listing();

// The description of listing row `row`, which must be below builtin_count, as known since the
// module was compiled. Every built-in description is well-formed UTF-8 and every built-in name ASCII.
KnownText builtin_description(std::size_t row) noexcept;

}  // namespace pivolet
