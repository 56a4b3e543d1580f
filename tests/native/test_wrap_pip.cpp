#include <cstdint>
#include <limits>

#include "check.hpp"
#include "core/pip.hpp"

using pivolet::pip;
using pivolet::wrap_pip;

namespace {

// The three steps written out with 64-bit arithmetic, as an independent reference.
pip floored_modulo(std::int64_t p, std::int64_t period) {
    if (period <= 0) return 0;
    std::int64_t r = p % period;
    if (r < 0) r += period;
    return static_cast<pip>(r);
}

}  // namespace

int main() {
    constexpr pip lowest = std::numeric_limits<pip>::min();
    constexpr pip highest = std::numeric_limits<pip>::max();

    CHECK(wrap_pip(-1, 64) == 63);
    CHECK(wrap_pip(-64, 64) == 0);
    CHECK(wrap_pip(-65, 64) == 63);
    CHECK(wrap_pip(lowest, 64) == 0);
    CHECK(wrap_pip(lowest, 100) == 52);
    CHECK(wrap_pip(highest, 64) == 63);
    CHECK(wrap_pip(highest, 100) == 47);
    CHECK(wrap_pip(5, 3) == 2);
    CHECK(wrap_pip(-5, 3) == 1);
    CHECK(wrap_pip(7, 0) == 0);
    CHECK(wrap_pip(7, -3) == 0);
    CHECK(wrap_pip(lowest, lowest) == 0);
    CHECK(wrap_pip(highest, highest) == 0);
    CHECK(wrap_pip(lowest, highest) == highest - 1);

    const pip pips[] = {lowest, lowest + 1, -65536, -1025, -1, 0, 1, 63, 64, 1023, 65535, highest - 1, highest};
    const pip periods[] = {1, 2, 3, 64, 100, 160, 224, 768, 1024, 65535, highest};
    for (pip p : pips) {
        CHECK(wrap_pip(p, 1) == 0);
        for (pip period : periods) {
            const pip wrapped = wrap_pip(p, period);
            CHECK(wrapped >= 0 && wrapped < period);
            CHECK(wrapped == floored_modulo(p, period));
        }
    }
    return pivolet::testing::check_result("wrap_pip");
}
