#include "catalogue/catalogue_table.hpp"

#include <array>

#include "catalogue/sample_store.hpp"

namespace pivolet {
namespace {

// Each generated row names its literals directly, so their lengths come from the arrays, not from
// a terminator.
#define PIVOLET_CATALOGUE_ENTRY(name, description, period, dimensions, offset)                                  \
    CatalogueEntry{std::string_view{name, sizeof(name) - 1}, std::string_view{description, sizeof(description) - 1}, \
                   period, dimensions, &evaluate_entry<offset, period>},

constexpr std::array<CatalogueEntry, catalogue_size> entries{{
#include "catalogue_table.inc"
}};

#undef PIVOLET_CATALOGUE_ENTRY

// Table indexes in ascending bytewise order of the entries' names, produced with the table.
constexpr std::array<std::uint64_t, catalogue_size> name_index{{
#include "catalogue_name_index.inc"
}};

}  // namespace

std::span<const CatalogueEntry, catalogue_size> catalogue_entries() noexcept {
    return entries;
}

const CatalogueEntry* find_catalogue_entry(std::string_view name) noexcept {
    // Lower bound over the sorted index; string_view compares bytes as unsigned, shorter first.
    std::size_t first = 0;
    std::size_t count = catalogue_size;
    while (count > 0) {
        const std::size_t half = count / 2;
        if (entries[name_index[first + half]].name < name) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    if (first == catalogue_size) {
        return nullptr;
    }
    const CatalogueEntry& candidate = entries[name_index[first]];
    return candidate.name == name ? &candidate : nullptr;
}

}  // namespace pivolet
