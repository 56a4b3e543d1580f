// A non-looping recording: named axes of values, one row per pip from a starting pip, with the
// tempo and beat origin kept beside them for the caller.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/pip.hpp"

namespace pivolet {

inline constexpr std::size_t max_recording_values = std::size_t{1} << 23;

inline constexpr std::string_view invalid_identifier_message = "Invalid identifier";
inline constexpr std::string_view invalid_tempo_message = "A finite positive BPM and beat origin are required";
inline constexpr std::string_view recording_size_message = "Empty recording or recording resource limit exceeded";
inline constexpr std::string_view duplicate_axis_message = "Duplicate axis";
inline constexpr std::string_view ragged_recording_message = "Ragged recording";
inline constexpr std::string_view invalid_recording_sample_message = "Invalid sample";
inline constexpr std::string_view pip_outside_recording_message = "Pip outside non-looping recording";

class SampledRecording {
public:
    // `samples` holds one row per pip, one value per axis. Checks, in order: the name, the tempo
    // and origin, the size limits, each axis name and its uniqueness, then row by row the row's
    // length before its values. Throws std::invalid_argument at the first failure.
    SampledRecording(std::string name, std::vector<std::string> dimensions,
                     const std::vector<std::vector<double>>& samples, double bpm, double beat_zero_seconds = 0.0,
                     pip start_pip = 0);

    // A new row of one value per axis; std::out_of_range for a pip outside the recorded rows.
    std::vector<double> sample(pip p) const;

    const std::string& name() const noexcept { return name_; }
    const std::vector<std::string>& dimensions() const noexcept { return dimensions_; }
    std::size_t sample_count() const noexcept { return dimensions_.empty() ? 0 : values_.size() / dimensions_.size(); }
    double bpm() const noexcept { return bpm_; }
    double beat_zero_seconds() const noexcept { return beat_zero_seconds_; }
    pip start_pip() const noexcept { return start_pip_; }

private:
    std::string name_;
    std::vector<std::string> dimensions_;
    // Row after row: axis a of row r is at r * dimensions_.size() + a.
    std::vector<double> values_;
    double bpm_;
    double beat_zero_seconds_;
    pip start_pip_;
};

}  // namespace pivolet
