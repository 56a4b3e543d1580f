// The naming rule on bytes, including the bytes Python text cannot easily produce.
#include <string>
#include <string_view>

#include "check.hpp"
#include "core/identifier.hpp"

using pivolet::is_identifier;

int main() {
    CHECK(is_identifier("a"));
    CHECK(is_identifier("z9_"));
    CHECK(is_identifier("beat_house_classic_surge"));
    CHECK(is_identifier(std::string(128, 'q')));
    CHECK(!is_identifier(std::string(129, 'q')));
    CHECK(!is_identifier(""));
    for (std::string_view bad : {"9a", "_a", "Aa", "a-b", "a b", "aB", "a.b", "a\x7f", "\xc3\xa9t\xc3\xa9", "a\xc3\xa9",
                                 "a\xff", "`a", "{a", "a/", "a:", "a@", "a["}) {
        CHECK(!is_identifier(bad));
    }
    // An embedded NUL is a byte like any other outside the rule.
    CHECK(!is_identifier(std::string_view("ab\0c", 4)));
    static_assert(is_identifier("usable_at_compile_time"));
    return pivolet::testing::check_result("identifier");
}
