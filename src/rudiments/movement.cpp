#include "rudiments/movement.hpp"

#include <array>
#include <cmath>
#include <cstdlib>

#include "rudiments/angles.hpp"
#include "rudiments/smoothstep.hpp"

namespace pivolet {
namespace {

struct Leg {
    double x_start, y_start, x_end, y_end;
};

// step_touch moves x only along its legs; y is the lift computed separately.
constexpr std::array<Leg, 4> step_touch_legs{{
    {-1.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, 1.0, 0.0},
    {1.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, -1.0, 0.0},
}};

constexpr std::array<Leg, 4> box_step_corners{{
    {-1.0, -1.0, 1.0, -1.0},
    {1.0, -1.0, 1.0, 1.0},
    {1.0, 1.0, -1.0, 1.0},
    {-1.0, 1.0, -1.0, -1.0},
}};

struct BackgroundKeyframe {
    pip at;
    double x;
    double y;
};

// x is the double nearest n/14 and y the double nearest m/10; the last keyframe repeats the first
// one period later so that the drift is continuous across the wrap.
const std::array<BackgroundKeyframe, 14> background_keyframes{{
    {0, 0.0 / 14.0, 0.0 / 10.0},
    {23, 2.0 / 14.0, -1.0 / 10.0},
    {33, 13.0 / 14.0, -8.0 / 10.0},
    {49, 5.0 / 14.0, -4.0 / 10.0},
    {87, -3.0 / 14.0, 2.0 / 10.0},
    {100, -14.0 / 14.0, 9.0 / 10.0},
    {118, -5.0 / 14.0, 5.0 / 10.0},
    {154, 1.0 / 14.0, 0.0 / 10.0},
    {169, 12.0 / 14.0, 10.0 / 10.0},
    {187, 4.0 / 14.0, 5.0 / 10.0},
    {215, -2.0 / 14.0, -2.0 / 10.0},
    {228, -10.0 / 14.0, -9.0 / 10.0},
    {243, -3.0 / 14.0, -3.0 / 10.0},
    {256, 0.0 / 14.0, 0.0 / 10.0},
}};

constexpr pip background_period = 256;
using BackgroundTable = std::array<Offset3, background_period>;

// A pip that lands on a keyframe is evaluated as the end of the segment before it (s = 1), so the
// stored value may differ from the keyframe's own in the last bit; the table keeps exactly that.
BackgroundTable fill_background_table() {
    BackgroundTable table{};
    std::size_t segment = 0;
    for (pip j = 0; j < background_period; ++j) {
        while (background_keyframes[segment + 1].at < j) {
            ++segment;
        }
        const BackgroundKeyframe& from = background_keyframes[segment];
        const BackgroundKeyframe& to = background_keyframes[segment + 1];
        const double t = static_cast<double>(j - from.at) / static_cast<double>(to.at - from.at);
        const double s = smoothstep(t);
        table[static_cast<std::size_t>(j)] = {((to.x - from.x) * s) + from.x, ((to.y - from.y) * s) + from.y, 0.0};
    }
    return table;
}

// Filled once when the shared library is loaded, before the module can be imported.
const BackgroundTable background_table = fill_background_table();

}  // namespace

Offset3 bounce(pip p) noexcept {
    const double q = wrap_pip(p, 64);
    return {1.0 - (std::abs(q * 0.015625 - 0.5) * 4.0), 0.0, 0.0};
}

Offset3 sway(pip p) noexcept {
    const double q = wrap_pip(p, 128);
    return {std::sin((q * 0.0078125) * angles::two_pi), 0.0, 0.0};
}

Offset3 circle(pip p) noexcept {
    const double q = wrap_pip(p, 64);
    const double a = ((q * 0.015625) * angles::two_pi) - angles::half_pi;
    return {std::cos(a), std::sin(a), 0.0};
}

Offset3 figure_eight(pip p) noexcept {
    const double q = wrap_pip(p, 128);
    const double a = (q * 0.0078125) * angles::two_pi;
    return {std::sin(a), std::sin(a + a), 0.0};
}

Offset3 step_touch(pip p) noexcept {
    const pip q = wrap_pip(p, 128);
    const Leg& leg = step_touch_legs[static_cast<std::size_t>(q / 32)];
    const double w = static_cast<double>(q % 32) * 0.03125;
    const double s = smoothstep(w);
    // The lift is negated last, so the first pip of each leg has y = -0.0.
    return {(s * (leg.x_end - leg.x_start)) + leg.x_start, -(std::sin(w * angles::pi) * 0.35), 0.0};
}

Offset3 box_step(pip p) noexcept {
    const pip q = wrap_pip(p, 256);
    const Leg& leg = box_step_corners[static_cast<std::size_t>(q / 64)];
    const double w = static_cast<double>(q % 64) * 0.015625;
    const double s = smoothstep(w);
    return {((leg.x_end - leg.x_start) * s) + leg.x_start, ((leg.y_end - leg.y_start) * s) + leg.y_start, 0.0};
}

Offset3 helix(pip p) noexcept {
    const double c = wrap_pip(p, 256) * 0.00390625;
    const double a = c * angles::four_pi;
    return {std::cos(a), std::sin(a), std::sin(c * angles::two_pi)};
}

Offset3 tamsel_background(pip p) noexcept {
    return background_table[static_cast<std::size_t>(wrap_pip(p, background_period))];
}

}  // namespace pivolet
