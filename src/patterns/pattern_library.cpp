#include "patterns/pattern_library.hpp"

#include <span>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

#include "catalogue/listing.hpp"
#include "rudiments/sample_builtin.hpp"

namespace pivolet {
namespace {

const PatternInfo* find_builtin_row(std::span<const PatternInfo> listing, std::string_view name) noexcept {
    for (const PatternInfo& row : listing) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

bool same_position(const Offset3& a, const Offset3& b) noexcept {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Description, then period, then every sample in pip order; the first difference decides.
bool is_exact_copy(const SampledPattern& pattern, const PatternInfo& builtin) {
    if (pattern.description() != builtin.description) {
        return false;
    }
    if (pattern.period_pips() != builtin.period_pips) {
        return false;
    }
    const pip count = static_cast<pip>(pattern.period_pips());
    for (pip i = 0; i < count; ++i) {
        if (!same_position(pattern.sample(i), sample_builtin(pattern.name(), i))) {
            return false;
        }
    }
    return true;
}

}  // namespace

PatternLibrary::PatternLibrary(std::vector<SampledPattern> patterns) {
    if (patterns.size() > max_library_patterns) {
        throw std::invalid_argument(std::string(too_many_patterns_message));
    }
    const std::span<const PatternInfo> listing = builtin_listing();

    // The views in `seen` point into `patterns`, which is left in place until every check has
    // passed; the patterns to keep are moved out only afterwards.
    std::unordered_set<std::string_view> seen;
    seen.reserve(patterns.size());
    std::vector<bool> keep(patterns.size(), false);
    std::size_t kept = 0;
    std::size_t total_samples = 0;
    for (std::size_t index = 0; index < patterns.size(); ++index) {
        const SampledPattern& pattern = patterns[index];
        if (pattern.period_pips() == 0) {
            throw std::invalid_argument(std::string(empty_pattern_message));
        }
        if (!seen.insert(pattern.name()).second) {
            throw std::invalid_argument(std::string(duplicate_pattern_message) + pattern.name());
        }
        total_samples += pattern.period_pips();
        if (total_samples > max_library_samples) {
            throw std::invalid_argument(std::string(pattern_pack_too_large_message));
        }
        const PatternInfo* builtin = find_builtin_row(listing, pattern.name());
        if (builtin == nullptr) {
            keep[index] = true;
            ++kept;
        } else if (!is_exact_copy(pattern, *builtin)) {
            throw std::invalid_argument(std::string(builtin_override_message) + pattern.name());
        }
    }

    patterns_.reserve(kept);
    for (std::size_t index = 0; index < patterns.size(); ++index) {
        if (keep[index]) {
            patterns_.push_back(std::move(patterns[index]));
        }
    }
}

Offset3 PatternLibrary::sample(std::string_view name, pip pip_count) const {
    for (const SampledPattern& pattern : patterns_) {
        if (pattern.name() == name) {
            return pattern.sample(pip_count);
        }
    }
    return sample_builtin(name, pip_count);
}

std::vector<PatternInfo> PatternLibrary::catalogue() const {
    const std::span<const PatternInfo> listing = builtin_listing();
    std::vector<PatternInfo> rows;
    rows.reserve(listing.size() + patterns_.size());
    rows.assign(listing.begin(), listing.end());
    for (const SampledPattern& pattern : patterns_) {
        // A built pattern holds at most 65535 samples, so its period fits the row's field.
        rows.push_back(PatternInfo{pattern.name(), pattern.description(),
                                   static_cast<std::uint16_t>(pattern.period_pips()), pattern.dimensions()});
    }
    return rows;
}

}  // namespace pivolet
