// A user's looping pattern: a name, a description and one position per pip, validated once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/offset3.hpp"
#include "core/pip.hpp"

namespace pivolet {

inline constexpr std::size_t max_pattern_samples = 65535;

inline constexpr std::string_view invalid_pattern_name_message = "Invalid pattern name";
inline constexpr std::string_view invalid_pattern_description_message = "Pattern description must be valid UTF-8";
inline constexpr std::string_view pattern_sample_count_message = "A pattern requires 1..65535 samples (one per pip)";
inline constexpr std::string_view pattern_sample_value_message = "Pattern samples must be finite and within [-1, 1]";
inline constexpr std::string_view moved_from_pattern_message = "Cannot sample a moved-from pattern";

class SampledPattern {
public:
    // Takes ownership of all three and validates them: name, then description, then sample count,
    // then every value. Throws std::invalid_argument at the first failure.
    SampledPattern(std::string name, std::string description, std::vector<Offset3> samples);

    SampledPattern(const SampledPattern&) = default;
    SampledPattern& operator=(const SampledPattern&) = default;
    // A moved-from pattern keeps its dimensions but has an empty name, description and no samples,
    // so it can be destroyed or assigned to but not sampled.
    SampledPattern(SampledPattern&& other) noexcept;
    SampledPattern& operator=(SampledPattern&& other) noexcept;
    ~SampledPattern() = default;

    // The sample at `pip_count` wrapped into the loop. Throws std::logic_error when moved-from.
    Offset3 sample(pip pip_count) const;

    const std::string& name() const noexcept { return name_; }
    // Always valid UTF-8, so every listing can show it.
    const std::string& description() const noexcept { return description_; }
    std::size_t period_pips() const noexcept { return samples_.size(); }
    // 3 if any z is non-zero, else 2 if any y is non-zero, else 1.
    std::uint8_t dimensions() const noexcept { return dimensions_; }

private:
    std::string name_;
    std::string description_;
    std::vector<Offset3> samples_;
    std::uint8_t dimensions_ = 1;
};

}  // namespace pivolet
