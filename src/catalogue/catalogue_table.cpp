#include "catalogue/catalogue_table.hpp"

#include <array>
#include <iterator>

#include "catalogue/sample_store.hpp"
#include "core/utf8_text.hpp"

namespace pivolet {
namespace {

// Each generated row names its literals directly, so their lengths come from the arrays, not from
// a terminator.
#define PIVOLET_CATALOGUE_ENTRY(name, description, two_byte_description, period, dimensions, offset)            \
    CatalogueEntry{std::string_view{name, sizeof(name) - 1}, std::string_view{description, sizeof(description) - 1}, \
                   period, dimensions, &evaluate_entry<offset, period>},

// Sized by its rows, so that a table of another length than the generator counted fails below
// instead of being cut or padded with empty rows.
constexpr CatalogueEntry entries[] = {
#include "catalogue_table.inc"
};

#undef PIVOLET_CATALOGUE_ENTRY

// The first sample of each entry's block, read from the same rows.
#define PIVOLET_CATALOGUE_ENTRY(name, description, two_byte_description, period, dimensions, offset) std::size_t{offset},

constexpr std::size_t block_offsets[] = {
#include "catalogue_table.inc"
};

#undef PIVOLET_CATALOGUE_ENTRY

// Each description in two-byte units where its widest character needs them, else empty: the
// listing copies these units into a new str instead of decoding the description.
#define PIVOLET_CATALOGUE_ENTRY(name, description, two_byte_description, period, dimensions, offset) \
    std::u16string_view{two_byte_description, sizeof(two_byte_description) / sizeof(char16_t) - 1},

constexpr std::u16string_view two_byte_descriptions[] = {
#include "catalogue_table.inc"
};

#undef PIVOLET_CATALOGUE_ENTRY

// Table indexes in ascending bytewise order of the entries' names, produced with the table.
constexpr std::uint64_t name_index[] = {
#include "catalogue_name_index.inc"
};

static_assert(std::size(entries) == catalogue_size, "the table holds as many rows as the generator counted");
static_assert(std::size(name_index) == catalogue_size, "the name index holds one position per entry");
static_assert(std::size(two_byte_descriptions) == catalogue_size);

// The blocks follow one another from sample 0 without gap or overlap and end at the end of the store.
constexpr bool blocks_tile_the_store() {
    std::size_t next = 0;
    for (std::size_t k = 0; k < catalogue_size; ++k) {
        if (block_offsets[k] != next || entries[k].period_pips == 0) {
            return false;
        }
        next += entries[k].period_pips;
    }
    return next == sample_store_samples;
}
static_assert(blocks_tile_the_store(), "every entry's block starts where the previous one ends, the last at the store's end");

// The index names every entry once, in strictly ascending order of the names' bytes.
constexpr bool index_sorts_every_entry() {
    std::array<bool, catalogue_size> seen{};
    for (std::size_t position = 0; position < catalogue_size; ++position) {
        const std::uint64_t index = name_index[position];
        if (index >= catalogue_size || seen[index]) {
            return false;
        }
        seen[index] = true;
        if (position > 0 && !(entries[name_index[position - 1]].name < entries[index].name)) {
            return false;
        }
    }
    return true;
}
static_assert(index_sorts_every_entry(), "the name index is a permutation in ascending name order");

// The checks and the shapes are separate constant evaluations, each well within the compiler's
// budget of operations for one.
constexpr bool texts_are_well_formed() {
    for (const CatalogueEntry& entry : entries) {
        if (!utf8_shape(entry.description).has_value() || !is_ascii(entry.name)) {
            return false;
        }
    }
    return true;
}
static_assert(texts_are_well_formed(), "descriptions are UTF-8 and names ASCII");

// A description has a two-byte form exactly where its widest character needs one, and that form
// holds the same characters.
constexpr bool two_byte_forms_match() {
    for (std::size_t k = 0; k < catalogue_size; ++k) {
        const std::u16string_view units = two_byte_descriptions[k];
        const bool expected = needs_two_byte_units(*utf8_shape(entries[k].description));
        if (units.empty() == expected || (expected && !same_code_points(units, entries[k].description))) {
            return false;
        }
    }
    return true;
}
static_assert(two_byte_forms_match(), "every description that needs two-byte units has them, and no other");

// Every description's shape and two-byte form, known before any listing is made.
constexpr std::array<KnownText, catalogue_size> description_texts = [] {
    std::array<KnownText, catalogue_size> texts{};
    for (std::size_t k = 0; k < catalogue_size; ++k) {
        texts[k] = KnownText{*utf8_shape(entries[k].description), two_byte_descriptions[k]};
    }
    return texts;
}();

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
    return std::span<const CatalogueEntry, catalogue_size>(entries);
}

std::span<const KnownText, catalogue_size> catalogue_description_texts() noexcept {
    return description_texts;
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
