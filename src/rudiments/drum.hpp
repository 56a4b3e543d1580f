// The seven drum-stroke studies: fixed stickings within a loop of one or two beats.
#pragma once

#include "core/offset3.hpp"
#include "core/pip.hpp"

namespace pivolet {

Offset3 single_stroke_roll(pip p) noexcept;
Offset3 double_stroke_roll(pip p) noexcept;
Offset3 multiple_bounce_roll(pip p) noexcept;
Offset3 single_paradiddle(pip p) noexcept;
Offset3 flam(pip p) noexcept;
Offset3 drag(pip p) noexcept;
Offset3 five_stroke_roll(pip p) noexcept;

}  // namespace pivolet
