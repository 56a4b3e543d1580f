// The eased 0-to-1 ramp shared by the stepped movement figures and the background drift.
#pragma once

namespace pivolet {

// 3w² − 2w³, evaluated as (3 − 2w)·w² so that every caller rounds identically.
constexpr double smoothstep(double w) noexcept {
    return (3.0 - (w + w)) * (w * w);
}

}  // namespace pivolet
