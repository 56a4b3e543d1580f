// The eight movement figures, repeated every one, two or four beats.
#pragma once

#include "core/offset3.hpp"
#include "core/pip.hpp"

namespace pivolet {

Offset3 bounce(pip p) noexcept;
Offset3 sway(pip p) noexcept;
Offset3 circle(pip p) noexcept;
Offset3 figure_eight(pip p) noexcept;
Offset3 step_touch(pip p) noexcept;
Offset3 box_step(pip p) noexcept;
Offset3 helix(pip p) noexcept;
Offset3 tamsel_background(pip p) noexcept;

}  // namespace pivolet
