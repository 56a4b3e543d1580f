#include "recording/sampled_recording.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

#include "core/identifier.hpp"

namespace pivolet {
namespace {

// The seconds per beat and per pip are derived only to refuse tempos too small to express them;
// nothing keeps them.
bool is_valid_timing(double bpm, double beat_zero_seconds) noexcept {
    if (!std::isfinite(bpm) || !(bpm > 0.0)) {
        return false;
    }
    const double seconds_per_beat = 60.0 / bpm;
    if (!std::isfinite(seconds_per_beat)) {
        return false;
    }
    const double seconds_per_pip = seconds_per_beat * 0.015625;
    if (!(seconds_per_pip > 0.0)) {
        return false;
    }
    return std::isfinite(beat_zero_seconds);
}

bool is_valid_size(std::size_t axes, std::size_t rows, pip start_pip) noexcept {
    if (axes == 0 || axes > max_recording_values || rows == 0 || rows > max_recording_values / axes) {
        return false;
    }
    // 64 bits, so the pip one past the last row is tested without overflow.
    const std::int64_t end = static_cast<std::int64_t>(start_pip) + static_cast<std::int64_t>(rows);
    return end <= std::numeric_limits<pip>::max();
}

bool is_valid_value(double value) noexcept {
    return std::isfinite(value) && std::fabs(value) <= 1.0;
}

}  // namespace

SampledRecording::SampledRecording(std::string name, std::vector<std::string> dimensions,
                                   const std::vector<std::vector<double>>& samples, double bpm,
                                   double beat_zero_seconds, pip start_pip)
    : name_(std::move(name)),
      dimensions_(std::move(dimensions)),
      bpm_(bpm),
      beat_zero_seconds_(beat_zero_seconds),
      start_pip_(start_pip) {
    if (!is_identifier(name_)) {
        throw std::invalid_argument(std::string(invalid_identifier_message));
    }
    if (!is_valid_timing(bpm_, beat_zero_seconds_)) {
        throw std::invalid_argument(std::string(invalid_tempo_message));
    }
    const std::size_t axes = dimensions_.size();
    const std::size_t rows = samples.size();
    if (!is_valid_size(axes, rows, start_pip_)) {
        throw std::invalid_argument(std::string(recording_size_message));
    }
    {
        std::unordered_set<std::string_view> seen;
        seen.reserve(axes);
        for (const std::string& axis : dimensions_) {
            if (!is_identifier(axis)) {
                throw std::invalid_argument(std::string(invalid_identifier_message));
            }
            if (!seen.insert(axis).second) {
                throw std::invalid_argument(std::string(duplicate_axis_message));
            }
        }
    }
    values_.reserve(rows * axes);
    for (const std::vector<double>& row : samples) {
        if (row.size() != axes) {
            throw std::invalid_argument(std::string(ragged_recording_message));
        }
        for (const double value : row) {
            if (!is_valid_value(value)) {
                throw std::invalid_argument(std::string(invalid_recording_sample_message));
            }
        }
        values_.insert(values_.end(), row.begin(), row.end());
    }
}

std::vector<double> SampledRecording::sample(pip p) const {
    const std::int64_t row = static_cast<std::int64_t>(p) - static_cast<std::int64_t>(start_pip_);
    if (row < 0 || static_cast<std::uint64_t>(row) >= sample_count()) {
        throw std::out_of_range(std::string(pip_outside_recording_message));
    }
    const std::size_t axes = dimensions_.size();
    const auto first = values_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * axes);
    std::vector<double> result;
    result.reserve(axes);
    result.assign(first, first + static_cast<std::ptrdiff_t>(axes));
    return result;
}

}  // namespace pivolet
