#include "patterns/sampled_pattern.hpp"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/identifier.hpp"
#include "core/utf8_text.hpp"

namespace pivolet {
namespace {

bool is_valid_coordinate(double value) noexcept {
    return std::isfinite(value) && value >= -1.0 && value <= 1.0;
}

}  // namespace

SampledPattern::SampledPattern(std::string name, std::string description, std::vector<Offset3> samples)
    : name_(std::move(name)), description_(std::move(description)), samples_(std::move(samples)), dimensions_(1) {
    if (!is_identifier(name_)) {
        throw std::invalid_argument(std::string(invalid_pattern_name_message));
    }
    if (!utf8_shape(description_).has_value()) {
        throw std::invalid_argument(std::string(invalid_pattern_description_message));
    }
    if (samples_.empty() || samples_.size() > max_pattern_samples) {
        throw std::invalid_argument(std::string(pattern_sample_count_message));
    }
    // One pass checks the values and derives the dimensions; x never decides them, and -0.0
    // compares equal to zero, so a negative zero does not count as motion.
    for (const Offset3& point : samples_) {
        if (!is_valid_coordinate(point.x) || !is_valid_coordinate(point.y) || !is_valid_coordinate(point.z)) {
            throw std::invalid_argument(std::string(pattern_sample_value_message));
        }
        if (point.z != 0.0) {
            dimensions_ = 3;
        } else if (point.y != 0.0 && dimensions_ != 3) {
            dimensions_ = 2;
        }
    }
}

SampledPattern::SampledPattern(SampledPattern&& other) noexcept
    : name_(std::exchange(other.name_, std::string())),
      description_(std::exchange(other.description_, std::string())),
      samples_(std::exchange(other.samples_, std::vector<Offset3>())),
      dimensions_(other.dimensions_) {}

SampledPattern& SampledPattern::operator=(SampledPattern&& other) noexcept {
    if (this != &other) {
        name_ = std::exchange(other.name_, std::string());
        description_ = std::exchange(other.description_, std::string());
        samples_ = std::exchange(other.samples_, std::vector<Offset3>());
        dimensions_ = other.dimensions_;
    }
    return *this;
}

Offset3 SampledPattern::sample(pip pip_count) const {
    if (samples_.empty()) {
        throw std::logic_error(std::string(moved_from_pattern_message));
    }
    // At most 65535 samples, so the count always fits a pip.
    const pip period = static_cast<pip>(samples_.size());
    return samples_[static_cast<std::size_t>(wrap_pip(pip_count, period))];
}

}  // namespace pivolet
