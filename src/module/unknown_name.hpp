// The unknown-name failure of the sampling bindings, with a message that carries the whole name.
#pragma once

#include <string>
#include <string_view>

namespace pivolet::bindings {

// `name` unchanged when it is UTF-8 without NUL bytes. Otherwise each NUL and each byte that is
// not part of a well-formed UTF-8 sequence is written as \xNN (two lower-case hex digits), and each
// backslash is doubled so that the escapes cannot be mistaken for bytes of the name.
std::string visible_name(std::string_view name);

// Throws std::invalid_argument with the unknown-name message followed by visible_name(name).
// The message of sample_builtin holds the raw bytes, which would reach Python through a C string
// (so cut at the first NUL) and be decoded as UTF-8 (so lost when it is not UTF-8).
[[noreturn]] void throw_unknown_name(std::string_view name);

}  // namespace pivolet::bindings
