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

// The first eight bytes of a name as one big-endian number, zero-padded. Unequal prefixes order
// two names exactly as their bytes do (a shorter name pads with zeros, so it sorts first); only
// equal prefixes need the full comparison.
constexpr std::uint64_t name_prefix(std::string_view name) noexcept {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        prefix = (prefix << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    }
    return prefix;
}

// The prefixes of the names in index order, computed when the module is compiled.
constexpr std::array<std::uint64_t, catalogue_size> sorted_prefixes = [] {
    std::array<std::uint64_t, catalogue_size> prefixes{};
    for (std::size_t position = 0; position < catalogue_size; ++position) {
        prefixes[position] = name_prefix(entries[name_index[position]].name);
    }
    return prefixes;
}();

// Whether the name at index position `position` sorts before `name`, whose prefix is given.
bool sorts_before(std::size_t position, std::string_view name, std::uint64_t prefix) noexcept {
    const std::uint64_t probe = sorted_prefixes[position];
    if (probe != prefix) {
        return probe < prefix;
    }
    return entries[name_index[position]].name < name;
}

}  // namespace

std::span<const CatalogueEntry, catalogue_size> catalogue_entries() noexcept {
    return entries;
}

const CatalogueEntry* find_catalogue_entry(std::string_view name) noexcept {
    // Lower bound over the sorted index: bytes compare as unsigned, a proper prefix sorts first.
    const std::uint64_t prefix = name_prefix(name);
    std::size_t first = 0;
    std::size_t count = catalogue_size;
    while (count > 0) {
        const std::size_t half = count / 2;
        if (sorts_before(first + half, name, prefix)) {
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
