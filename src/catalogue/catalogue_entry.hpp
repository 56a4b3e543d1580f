// One row of the built-in catalogue. The first four fields are exactly a PatternInfo.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/pattern_info.hpp"
#include "core/position_function.hpp"

namespace pivolet {

struct CatalogueEntry {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
    PositionFunction position;  // evaluates this entry alone: its block and period are fixed inside

    constexpr PatternInfo info() const noexcept { return {name, description, period_pips, dimensions}; }
};

}  // namespace pivolet
