// The description of one pattern as listings show it. It owns nothing: both views point into text
// that must outlive the row (constant text for built-ins, a library's strings for user patterns).
#pragma once

#include <cstdint>
#include <string_view>

namespace pivolet {

struct PatternInfo {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
};

}  // namespace pivolet
