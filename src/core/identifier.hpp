// The one naming rule shared by user pattern names, recording names and axis names.
#pragma once

#include <cstddef>
#include <string_view>

namespace pivolet {

inline constexpr std::size_t max_identifier_bytes = 128;

// 1 to 128 bytes, the first `a`-`z`, every byte `a`-`z`, `0`-`9` or `_`. The test is on bytes, so
// every byte of a non-ASCII character fails. Callers report a failure with their own message.
constexpr bool is_identifier(std::string_view text) noexcept {
    if (text.empty() || text.size() > max_identifier_bytes) {
        return false;
    }
    if (text.front() < 'a' || text.front() > 'z') {
        return false;
    }
    for (const char byte : text) {
        const bool lower = byte >= 'a' && byte <= 'z';
        const bool digit = byte >= '0' && byte <= '9';
        if (!lower && !digit && byte != '_') {
            return false;
        }
    }
    return true;
}

}  // namespace pivolet
