// The pip, the module's unit of musical time, and the wrapping of a pip into a loop.
#pragma once

#include <cstdint>

namespace pivolet {

// Signed 32-bit time, 64 pips to the beat. Every value is a valid time, negative ones included.
using pip = std::int32_t;

inline constexpr pip PIPS_PER_BEAT = 64;

// The floored modulo of `p` by `period`, in [0, period); 0 for a period of 0 or less.
// The remainder is taken before the correction, so no 32-bit pip can overflow.
constexpr pip wrap_pip(pip p, pip period) noexcept {
    if (period <= 0) {
        return 0;
    }
    const pip r = p % period;
    return r < 0 ? r + period : r;
}

}  // namespace pivolet
