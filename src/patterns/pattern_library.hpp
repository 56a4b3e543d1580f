// User patterns layered over the built-ins in one name space: they may add names, never alter one.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/offset3.hpp"
#include "core/pattern_info.hpp"
#include "core/pip.hpp"
#include "patterns/sampled_pattern.hpp"

namespace pivolet {

inline constexpr std::size_t max_library_patterns = 1024;
inline constexpr std::size_t max_library_samples = std::size_t{1} << 20;

inline constexpr std::string_view too_many_patterns_message = "Too many patterns";
inline constexpr std::string_view empty_pattern_message = "Empty/moved-from pattern";
inline constexpr std::string_view duplicate_pattern_message = "Duplicate pattern name: ";
inline constexpr std::string_view pattern_pack_too_large_message = "Pattern pack is too large";
inline constexpr std::string_view builtin_override_message = "Cannot override default pattern: ";

class PatternLibrary {
public:
    // Validates the patterns as a whole, in the order given, and keeps those that do not repeat a
    // built-in. A pattern with a built-in name must be an exact copy of it; it then counts towards
    // the limits but is not stored. Throws std::invalid_argument at the first failure.
    explicit PatternLibrary(std::vector<SampledPattern> patterns = {});

    // A stored pattern of that name, else the built-in; unknown names throw std::invalid_argument.
    Offset3 sample(std::string_view name, pip pip_count) const;

    // The built-in rows followed by one row per stored pattern. The user rows view this library's
    // strings and must not outlive it.
    std::vector<PatternInfo> catalogue() const;

private:
    std::vector<SampledPattern> patterns_;
};

}  // namespace pivolet
