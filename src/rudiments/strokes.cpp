#include "rudiments/strokes.hpp"

#include <cmath>

#include "rudiments/angles.hpp"

namespace pivolet {
namespace {

constexpr double clamp_unit(double v) noexcept {
    return v > 1.0 ? 1.0 : (v < -1.0 ? -1.0 : v);
}

}  // namespace

Offset3 evaluate_strokes(pip p, pip period, std::span<const Stroke> strokes) noexcept {
    double sum_x = 0.0;
    double sum_y = 0.0;
    const pip c = wrap_pip(p, period);
    for (const Stroke& stroke : strokes) {
        // Both c and the offset lie in [0, period), so the difference lies in (-period, period) and
        // one correction wraps it; a period of 0 or less makes every rel 0, as wrap_pip would.
        pip rel = period > 0 ? c - stroke.offset : 0;
        if (rel < 0) {
            rel += period;
        }
        double e = 0.0;
        if (rel < stroke.length) {
            const double s = std::sin((static_cast<double>(rel) / static_cast<double>(stroke.length)) * angles::pi);
            e = (s * stroke.amplitude) * s;
        }
        // Silent strokes add +0.0 or -0.0 to a +0.0 sum, which keeps silent pips at +0.0.
        sum_x = sum_x + (static_cast<double>(stroke.sign) * e);
        sum_y = sum_y - (e * 0.72);
    }
    return {clamp_unit(sum_x), clamp_unit(sum_y), 0.0};
}

}  // namespace pivolet
