// Evaluation of any built-in pattern, rudiment or catalogue entry, by its exact name.
#pragma once

#include <string_view>

#include "core/offset3.hpp"
#include "core/pip.hpp"

namespace pivolet {

inline constexpr std::string_view unknown_builtin_message = "Unknown pivolet rudiment: ";

// Throws std::invalid_argument carrying unknown_builtin_message and the name as passed when no
// built-in has that name. A successful call allocates nothing.
Offset3 sample_builtin(std::string_view name, pip p);

}  // namespace pivolet
