// Measuring and decoding UTF-8 as the listing does for built-in texts: the shape of every kind of
// text, every kind of malformed one refused, and decoding into units of each width.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "core/utf8_text.hpp"

using pivolet::decode_well_formed_utf8;
using pivolet::needs_two_byte_units;
using pivolet::same_code_points;
using pivolet::utf8_shape;

namespace {

// The text in `Unit`s, through the decoder, for a text whose shape exists.
template <typename Unit>
std::vector<char32_t> decoded(std::string_view text) {
    std::vector<Unit> units(utf8_shape(text)->code_points);
    decode_well_formed_utf8(text, units.data());
    return {units.begin(), units.end()};
}

bool shape_is(std::string_view text, std::size_t code_points, char32_t widest) {
    const auto shape = utf8_shape(text);
    return shape.has_value() && shape->code_points == code_points && shape->widest == widest;
}

}  // namespace

int main() {
    CHECK(shape_is("", 0, 0));
    CHECK(shape_is("plain text. ", 12, U'x'));
    CHECK(shape_is("caf\xc3\xa9", 4, 0xE9));                          // Latin-1: one byte a character
    CHECK(shape_is("4\xe2\x80\x93" "12 \xe2\x80\x94 x", 8, 0x2014));  // en and em dashes
    CHECK(shape_is("\xf0\x9f\x8e\xb5!", 2, 0x1F3B5));                 // beyond the BMP
    CHECK(shape_is("\xef\xbf\xbf\xf4\x8f\xbf\xbf", 2, 0x10FFFF));      // U+FFFF and the last code point
    CHECK(shape_is(std::string_view("a\0b", 3), 3, U'b'));

    for (std::string_view malformed : {
             "\x80", "a\xbf" "b",                 // continuation bytes with no lead
             "\xc3", "\xe2\x80", "\xf0\x9f\x8e",  // cut short, at the end
             "\xc3(", "\xe2\x80(",                // a lead followed by a non-continuation byte
             "\xc0\xaf", "\xe0\x80\xaf", "\xf0\x80\x80\xaf",  // overlong forms of '/'
             "\xed\xa0\x80", "\xed\xbf\xbf",      // surrogates
             "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xf8\x88\x80\x80\x80", "\xff", "\xfe"}) {
        CHECK(!utf8_shape(malformed).has_value());
    }

    CHECK(!needs_two_byte_units(*utf8_shape("caf\xc3\xa9")));
    CHECK(needs_two_byte_units(*utf8_shape("\xe2\x80\x94")));
    CHECK(needs_two_byte_units(*utf8_shape("\xef\xbf\xbf")));
    CHECK(!needs_two_byte_units(*utf8_shape("\xf0\x9f\x8e\xb5")));

    const std::string_view mixed = "a\xc3\xa9\xe2\x80\x94\xf0\x9f\x8e\xb5z";
    const std::vector<char32_t> expected{U'a', 0xE9, 0x2014, 0x1F3B5, U'z'};
    CHECK(decoded<char32_t>(mixed) == expected);
    CHECK(decoded<char16_t>("x \xe2\x80\x94 y") == (std::vector<char32_t>{U'x', U' ', 0x2014, U' ', U'y'}));
    CHECK(decoded<unsigned char>("caf\xc3\xa9s") == (std::vector<char32_t>{U'c', U'a', U'f', 0xE9, U's'}));

    CHECK(same_code_points(u"x \u2014 y", "x \xe2\x80\x94 y"));
    CHECK(same_code_points(u"", ""));
    CHECK(!same_code_points(u"x \u2013 y", "x \xe2\x80\x94 y"));  // another character
    CHECK(!same_code_points(u"x \u2014", "x \xe2\x80\x94 y"));    // shorter
    CHECK(!same_code_points(u"x \u2014 yy", "x \xe2\x80\x94 y"));  // longer

    static_assert(utf8_shape("usable at compile time \xe2\x80\x94")->code_points == 24);
    return pivolet::testing::check_result("utf8_text");
}
