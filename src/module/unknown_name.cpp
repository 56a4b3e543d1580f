#include "module/unknown_name.hpp"

#include <cstddef>
#include <stdexcept>

#include "core/utf8_text.hpp"
#include "rudiments/sample_builtin.hpp"

namespace pivolet::bindings {
namespace {

bool needs_escapes(std::string_view name) noexcept {
    return name.find('\0') != std::string_view::npos || !utf8_shape(name).has_value();
}

void append_escaped_byte(std::string& text, unsigned char byte) {
    constexpr std::string_view hex_digits = "0123456789abcdef";
    text += "\\x";
    text += hex_digits[byte >> 4];
    text += hex_digits[byte & 0x0F];
}

}  // namespace

std::string visible_name(std::string_view name) {
    if (!needs_escapes(name)) {
        return std::string(name);
    }
    std::string text;
    text.reserve(name.size() * 4);
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = code_point_at(name, at).length;
        if (length == 0 || name[at] == '\0') {
            append_escaped_byte(text, static_cast<unsigned char>(name[at]));
            ++at;
            continue;
        }
        if (name[at] == '\\') {
            text += '\\';
        }
        text.append(name, at, length);
        at += length;
    }
    return text;
}

void throw_unknown_name(std::string_view name) {
    std::string message(unknown_builtin_message);
    message += visible_name(name);
    throw std::invalid_argument(message);
}

}  // namespace pivolet::bindings
