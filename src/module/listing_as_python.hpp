// Conversion of listing rows into the list of dictionaries that both catalogue() calls return.
#pragma once

#include <span>

#include <pybind11/pybind11.h>

#include "core/pattern_info.hpp"

namespace pivolet::bindings {

// A new list of new dicts with keys name, description, period_pips and dimensions, in row order.
// Rows that view the built-in texts are made from the shapes known for them; any other text is
// decoded as strict UTF-8. A decoding or allocation failure raises and returns nothing.
pybind11::list listing_as_python(std::span<const PatternInfo> rows);

}  // namespace pivolet::bindings
