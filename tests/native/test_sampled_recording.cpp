// Recording limits at the edges of the 32-bit pip, where Python cannot build the inputs cheaply.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "check.hpp"
#include "recording/sampled_recording.hpp"

using pivolet::pip;
using pivolet::SampledRecording;

using pivolet::testing::throws_with;

namespace {

constexpr pip highest = std::numeric_limits<pip>::max();
constexpr pip lowest = std::numeric_limits<pip>::min();

const std::vector<std::vector<double>> two_rows = {{0.5, -0.5}, {1.0, -1.0}};

}  // namespace

int main() {
    const std::string outside = "Pip outside non-looping recording";
    const std::string size = "Empty recording or recording resource limit exceeded";

    // The last row may sit at the largest pip but one.
    SampledRecording late("late", {"a", "b"}, two_rows, 120.0, 0.0, highest - 2);
    CHECK(late.sample_count() == 2);
    CHECK(late.sample(highest - 1) == (std::vector<double>{1.0, -1.0}));
    CHECK(throws_with<std::out_of_range>(outside, [&] { (void)late.sample(highest); }));
    CHECK(throws_with<std::out_of_range>(outside, [&] { (void)late.sample(lowest); }));
    CHECK(throws_with<std::invalid_argument>(
        size, [&] { SampledRecording r("late", {"a", "b"}, two_rows, 120.0, 0.0, highest - 1); }));

    // From the most negative pip, distances past 2^31 must not wrap into the recording.
    SampledRecording early("early", {"a", "b"}, two_rows, 120.0, -1.0, lowest);
    CHECK(early.sample(lowest) == (std::vector<double>{0.5, -0.5}));
    CHECK(early.sample(lowest + 1) == (std::vector<double>{1.0, -1.0}));
    CHECK(throws_with<std::out_of_range>(outside, [&] { (void)early.sample(highest); }));
    CHECK(throws_with<std::out_of_range>(outside, [&] { (void)early.sample(0); }));

    // A negative start is as good as any other.
    SampledRecording negative("negative", {"a", "b"}, two_rows, 120.0, 0.0, -1);
    CHECK(negative.sample(0) == (std::vector<double>{1.0, -1.0}));
    CHECK(throws_with<std::out_of_range>(outside, [&] { (void)negative.sample(1); }));
    CHECK(throws_with<std::out_of_range>(outside, [&] { (void)negative.sample(-2); }));

    // Each sample is a fresh copy of the row.
    std::vector<double> row = early.sample(lowest);
    row[0] = 0.0;
    CHECK(early.sample(lowest)[0] == 0.5);
    CHECK(late.name() == "late");
    CHECK(late.dimensions() == (std::vector<std::string>{"a", "b"}));
    CHECK(late.bpm() == 120.0 && late.beat_zero_seconds() == 0.0 && late.start_pip() == highest - 2);
    return pivolet::testing::check_result("sampled_recording");
}
