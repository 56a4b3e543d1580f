// The shape of every built-in pattern: a plain, stateless function from a pip to a position.
#pragma once

#include "core/offset3.hpp"
#include "core/pip.hpp"

namespace pivolet {

using PositionFunction = Offset3 (*)(pip);

}  // namespace pivolet
