// What Python cannot reach: moved-from patterns, the library's refusal of them, and deep copies.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "check.hpp"
#include "patterns/pattern_library.hpp"
#include "patterns/sampled_pattern.hpp"

using pivolet::Offset3;
using pivolet::PatternLibrary;
using pivolet::SampledPattern;

using pivolet::testing::throws_with;

namespace {

SampledPattern make_pattern(const std::string& name) {
    return SampledPattern(name, "A three-point loop that reaches into depth",
                          {{0.5, 0.0, 0.0}, {-0.5, 0.25, 0.0}, {1.0, -1.0, -0.75}});
}

bool same(const Offset3& a, const Offset3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

void moved_from_state_after_move_construction() {
    SampledPattern source = make_pattern("depth_loop");
    CHECK(source.dimensions() == 3);
    SampledPattern target(std::move(source));
    CHECK(target.name() == "depth_loop");
    CHECK(target.description() == "A three-point loop that reaches into depth");
    CHECK(target.period_pips() == 3);
    CHECK(target.dimensions() == 3);
    CHECK(same(target.sample(2), Offset3{1.0, -1.0, -0.75}));

    CHECK(source.name().empty());
    CHECK(source.description().empty());
    CHECK(source.period_pips() == 0);
    CHECK(source.dimensions() == 3);
    CHECK(throws_with<std::logic_error>("Cannot sample a moved-from pattern", [&] { (void)source.sample(0); }));
    CHECK(throws_with<std::logic_error>("Cannot sample a moved-from pattern", [&] { (void)source.sample(-1); }));

    // Assigning to a moved-from pattern brings it back to life.
    source = SampledPattern("flat_line", "", {{0.25, 0.0, 0.0}});
    CHECK(source.name() == "flat_line");
    CHECK(source.period_pips() == 1);
    CHECK(source.dimensions() == 1);
    CHECK(same(source.sample(12345), Offset3{0.25, 0.0, 0.0}));
}

void moved_from_state_after_move_assignment() {
    SampledPattern source = make_pattern("depth_loop");
    SampledPattern target("flat_line", "flat", {{0.25, 0.0, 0.0}});
    target = std::move(source);
    CHECK(target.name() == "depth_loop");
    CHECK(target.dimensions() == 3);
    CHECK(target.period_pips() == 3);
    CHECK(source.name().empty());
    CHECK(source.description().empty());
    CHECK(source.period_pips() == 0);
    CHECK(source.dimensions() == 3);
    CHECK(throws_with<std::logic_error>("Cannot sample a moved-from pattern", [&] { (void)source.sample(0); }));

    // A moved-from pattern handed on leaves the dimensions it kept.
    SampledPattern flat("flat_line", "flat", {{0.25, 0.0, 0.0}});
    SampledPattern empty(std::move(flat));
    SampledPattern deep = make_pattern("depth_loop");
    deep = std::move(flat);
    CHECK(deep.period_pips() == 0);
    CHECK(deep.dimensions() == 1);
}

void copies_are_deep() {
    SampledPattern original = make_pattern("depth_loop");
    SampledPattern copy(original);
    CHECK(copy.name().data() != original.name().data());
    CHECK(copy.name() == original.name());
    CHECK(copy.description() == original.description());
    CHECK(copy.period_pips() == original.period_pips());
    CHECK(copy.dimensions() == original.dimensions());
    // Emptying the original by moving it away leaves the copy whole.
    SampledPattern taken(std::move(original));
    CHECK(copy.name() == "depth_loop");
    CHECK(copy.period_pips() == 3);
    for (int p = -3; p < 6; ++p) {
        CHECK(same(copy.sample(p), taken.sample(p)));
    }

    SampledPattern assigned("flat_line", "flat", {{0.25, 0.0, 0.0}});
    assigned = copy;
    copy = SampledPattern("other_line", "other", {{-0.25, 0.5, 0.0}});
    CHECK(assigned.name() == "depth_loop");
    CHECK(assigned.dimensions() == 3);
    CHECK(same(assigned.sample(1), Offset3{-0.5, 0.25, 0.0}));
    CHECK(copy.dimensions() == 2);
}

void library_refuses_moved_from_patterns() {
    SampledPattern good = make_pattern("depth_loop");
    SampledPattern moved = make_pattern("emptied");
    SampledPattern elsewhere(std::move(moved));
    std::vector<SampledPattern> offered;
    offered.push_back(good);
    offered.push_back(moved);
    CHECK(throws_with<std::invalid_argument>("Empty/moved-from pattern",
                                             [&] { PatternLibrary library(std::move(offered)); }));

    // Checked before the name, so even a second moved-from pattern (a duplicate empty name) gets
    // the same message.
    std::vector<SampledPattern> only_empty;
    only_empty.push_back(moved);
    CHECK(throws_with<std::invalid_argument>("Empty/moved-from pattern",
                                             [&] { PatternLibrary library(std::move(only_empty)); }));

    // More than 1024 patterns fail before any of them is looked at, moved-from ones included.
    std::vector<SampledPattern> too_many(1025, moved);
    CHECK(throws_with<std::invalid_argument>("Too many patterns", [&] { PatternLibrary library(std::move(too_many)); }));
}

void library_keeps_its_own_patterns() {
    std::vector<SampledPattern> offered;
    offered.push_back(make_pattern("depth_loop"));
    PatternLibrary library(std::move(offered));
    const auto rows = library.catalogue();
    CHECK(rows.back().name == "depth_loop");
    CHECK(rows.back().period_pips == 3);
    CHECK(rows.back().dimensions == 3);
    CHECK(same(library.sample("depth_loop", -1), Offset3{1.0, -1.0, -0.75}));
}

}  // namespace

int main() {
    moved_from_state_after_move_construction();
    moved_from_state_after_move_assignment();
    copies_are_deep();
    library_refuses_moved_from_patterns();
    library_keeps_its_own_patterns();
    return pivolet::testing::check_result("sampled_pattern");
}
