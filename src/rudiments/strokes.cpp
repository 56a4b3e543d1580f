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
    for (const Stroke& stroke : strokes) {
        const pip c = wrap_pip(p, period);
        // Both operands lie in [0, period), so the difference cannot overflow.
        const pip rel = wrap_pip(c - stroke.offset, period);
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
