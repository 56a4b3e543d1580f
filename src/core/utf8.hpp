// Strict UTF-8, as Python's decoder reads it: the form every description is kept in.
#pragma once

#include <cstddef>
#include <string_view>

namespace pivolet {

// The length of the well-formed UTF-8 sequence that starts at `text[at]`, or 0 when none starts
// there. Overlong forms, surrogates (U+D800 to U+DFFF), code points above U+10FFFF, stray
// continuation bytes and sequences cut short by the end of `text` are not well-formed.
constexpr std::size_t utf8_sequence_length(std::string_view text, std::size_t at) noexcept {
    const auto byte = [&](std::size_t offset) { return static_cast<unsigned char>(text[at + offset]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    // The lead byte fixes the length and the range of the second byte; later bytes are plain
    // continuation bytes.
    std::size_t length = 0;
    unsigned char second_low = 0x80;
    unsigned char second_high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        second_low = lead == 0xE0 ? 0xA0 : 0x80;
        second_high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        second_low = lead == 0xF0 ? 0x90 : 0x80;
        second_high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(1) < second_low || byte(1) > second_high) {
        return 0;
    }
    for (std::size_t offset = 2; offset < length; ++offset) {
        if ((byte(offset) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

constexpr bool is_valid_utf8(std::string_view text) noexcept {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8_sequence_length(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace pivolet
