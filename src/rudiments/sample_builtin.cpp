#include "rudiments/sample_builtin.hpp"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "catalogue/catalogue_table.hpp"
#include "rudiments/rudiment_table.hpp"

namespace pivolet {
namespace {

// For each name length, the first letters of the rudiment names of that length (bit 0 for 'a'):
// a name whose length and first letter match no rudiment skips the fifteen comparisons.
constexpr std::size_t longest_screened_name = 63;

constexpr std::array<std::uint32_t, longest_screened_name + 1> rudiment_first_letters = [] {
    std::array<std::uint32_t, longest_screened_name + 1> letters{};
    for (const RudimentInfo& rudiment : rudiment_infos) {
        letters[rudiment.info.name.size()] |= std::uint32_t{1} << (rudiment.info.name[0] - 'a');
    }
    return letters;
}();

constexpr bool may_be_rudiment(std::string_view name) noexcept {
    if (name.empty() || name.size() > longest_screened_name || name[0] < 'a' || name[0] > 'z') {
        return false;
    }
    return (rudiment_first_letters[name.size()] >> (name[0] - 'a') & 1) != 0;
}

}  // namespace

Offset3 sample_builtin(std::string_view name, pip p) {
    // Rudiment and catalogue names are disjoint, so testing the rudiments first changes no result;
    // only a name that is neither pays for the catalogue search.
    if (may_be_rudiment(name)) {
        for (const RudimentInfo& rudiment : rudiment_infos) {
            if (rudiment.info.name == name) {
                return rudiment.function(p);
            }
        }
    }
    if (const CatalogueEntry* entry = find_catalogue_entry(name)) {
        return entry->position(p);
    }
    std::string message(unknown_builtin_message);
    message.append(name);
    throw std::invalid_argument(message);
}

}  // namespace pivolet
