#include <array>
#include <cmath>
#include <limits>

#include "check.hpp"
#include "rudiments/strokes.hpp"

using pivolet::Offset3;
using pivolet::pip;
using pivolet::Stroke;
using pivolet::evaluate_strokes;

namespace {

bool is_positive_zero(double v) { return v == 0.0 && !std::signbit(v); }

}  // namespace

int main() {
    constexpr pip lowest = std::numeric_limits<pip>::min();
    constexpr pip highest = std::numeric_limits<pip>::max();
    const std::array<Stroke, 2> strokes{{{0, 1, 0.9, 8}, {4, -1, 0.5, 8}}};

    // A period of 0 or less wraps every pip to 0: no envelope sounds and the result is +0.0.
    for (pip period : {0, -1, -64, lowest}) {
        for (pip p : {lowest, -1, 0, 4, 12, highest}) {
            const Offset3 at = evaluate_strokes(p, period, strokes);
            CHECK(is_positive_zero(at.x));
            CHECK(is_positive_zero(at.y));
            CHECK(is_positive_zero(at.z));
        }
    }

    // Strokes that add up past the unit range are limited on x and y; the sign survives.
    const std::array<Stroke, 3> loud_right{{{0, 1, 0.9, 8}, {0, 1, 0.9, 8}, {0, 1, 0.9, 8}}};
    const Offset3 right = evaluate_strokes(4, 64, loud_right);
    CHECK(right.x == 1.0);
    CHECK(right.y == -1.0);
    const std::array<Stroke, 2> loud_left{{{0, -1, 1.0, 8}, {2, -1, 1.0, 8}}};
    const Offset3 left = evaluate_strokes(68, 64, loud_left);
    CHECK(left.x == -1.0);
    CHECK(left.y == -1.0);
    // Below the limits the sum is returned unchanged.
    const Offset3 single = evaluate_strokes(4, 64, std::span<const Stroke>(loud_right.data(), 1));
    CHECK(single.x == 0.9);
    CHECK(single.y == -(0.9 * 0.72));

    // An empty list is silent everywhere.
    for (pip p : {lowest, 0, highest}) {
        const Offset3 silent = evaluate_strokes(p, 64, std::span<const Stroke>{});
        CHECK(is_positive_zero(silent.x) && is_positive_zero(silent.y));
    }

    // A stroke is silent at its first pip and sounds at its last; the envelope wraps with the loop.
    const std::span<const Stroke> first_only(strokes.data(), 1);
    CHECK(is_positive_zero(evaluate_strokes(0, 64, first_only).x));
    CHECK(evaluate_strokes(7, 64, first_only).x > 0.0);
    CHECK(is_positive_zero(evaluate_strokes(8, 64, first_only).x));
    CHECK(evaluate_strokes(7 - 64 * 1000, 64, strokes).x == evaluate_strokes(7, 64, strokes).x);
    return pivolet::testing::check_result("evaluate_strokes");
}
