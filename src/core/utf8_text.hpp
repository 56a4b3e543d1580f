// UTF-8 text measured and decoded: its shape (how many code points it holds and the widest of
// them), found in the same pass that checks it is well-formed, and its decoding into fixed-width
// units. A caller that knows the shape beforehand can make a text object of its final size and
// fill it, with none of a general decoder's checking, widening and shrinking.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace pivolet {

struct Utf8Shape {
    std::size_t code_points;
    char32_t widest;  // 0 for the empty text
};

// A text known when the module was compiled: its shape and, where its widest code point takes a
// two-byte unit (above U+00FF, within U+FFFF), the same text as such units; otherwise empty.
struct KnownText {
    Utf8Shape shape;
    std::u16string_view two_byte_units;
};

// Whether the widest code point of a text takes a two-byte unit.
constexpr bool needs_two_byte_units(Utf8Shape shape) noexcept {
    return shape.widest > 0xFF && shape.widest <= 0xFFFF;
}

// Whether every byte of `text` is below 0x80, so that bytes and code points are the same.
constexpr bool is_ascii(std::string_view text) noexcept {
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) >= 0x80u) {
            return false;
        }
    }
    return true;
}

struct CodePoint {
    char32_t value;
    std::size_t length;  // bytes it takes; 0 where the bytes are not well-formed
};

// The code point that starts at byte `at` of `text`, or one of length 0 where the bytes there are
// not well-formed UTF-8: a stray or missing continuation byte, an overlong form, a surrogate or a
// code point above U+10FFFF. Plain values rather than optionals keep it cheap enough to run over
// every built-in text when the module is compiled.
constexpr CodePoint code_point_at(std::string_view text, std::size_t at) noexcept {
    constexpr CodePoint malformed{0, 0};
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80u) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0u) == 0xC0u) {
        length = 2, value = lead & 0x1Fu, smallest = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3, value = lead & 0x0Fu, smallest = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4, value = lead & 0x07u, smallest = 0x10000;
    } else {
        return malformed;
    }
    if (text.size() - at < length) {
        return malformed;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0u) != 0x80u) {
            return malformed;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return malformed;
    }
    return {value, length};
}

// The shape of `text`, or nothing where it is not well-formed UTF-8.
constexpr std::optional<Utf8Shape> utf8_shape(std::string_view text) noexcept {
    Utf8Shape shape{0, 0};
    for (std::size_t at = 0; at < text.size(); ++shape.code_points) {
        const CodePoint next = code_point_at(text, at);
        if (next.length == 0) {
            return std::nullopt;
        }
        shape.widest = next.value > shape.widest ? next.value : shape.widest;
        at += next.length;
    }
    return shape;
}

// Whether `units` holds exactly the code points of the well-formed UTF-8 `text`, one unit each.
constexpr bool same_code_points(std::u16string_view units, std::string_view text) noexcept {
    std::size_t unit = 0;
    for (std::size_t at = 0; at < text.size(); ++unit) {
        const CodePoint next = code_point_at(text, at);
        if (next.length == 0 || unit == units.size() || units[unit] != next.value) {
            return false;
        }
        at += next.length;
    }
    return unit == units.size();
}

// Writes the code points of `text` to `out`, one unit each. `text` must be well-formed UTF-8 (its
// utf8_shape exists) and `Unit` must hold its widest code point; nothing is checked here.
template <typename Unit>
void decode_well_formed_utf8(std::string_view text, Unit* out) noexcept {
    const auto* byte = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = byte + text.size();
    while (byte < end) {
        const unsigned lead = *byte;
        if (lead < 0x80u) {
            *out++ = static_cast<Unit>(lead);
            byte += 1;
        } else if (lead < 0xE0u) {
            *out++ = static_cast<Unit>(((lead & 0x1Fu) << 6) | (byte[1] & 0x3Fu));
            byte += 2;
        } else if (lead < 0xF0u) {
            *out++ = static_cast<Unit>(((lead & 0x0Fu) << 12) | ((byte[1] & 0x3Fu) << 6) | (byte[2] & 0x3Fu));
            byte += 3;
        } else {
            *out++ = static_cast<Unit>(((lead & 0x07u) << 18) | ((byte[1] & 0x3Fu) << 12) | ((byte[2] & 0x3Fu) << 6) |
                                       (byte[3] & 0x3Fu));
            byte += 4;
        }
    }
}

}  // namespace pivolet
