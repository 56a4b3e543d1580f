#include "catalogue/listing.hpp"

#include <array>
#include <vector>

#include "catalogue/catalogue_table.hpp"

namespace pivolet {
namespace {

constexpr std::size_t rudiment_count = rudiment_infos.size();

// ASCII, as checked below, so each description's shape is its length and widest byte.
constexpr std::array<KnownText, rudiment_count> rudiment_descriptions = [] {
    std::array<KnownText, rudiment_count> texts{};
    for (std::size_t k = 0; k < rudiment_count; ++k) {
        texts[k] = KnownText{utf8_shape(rudiment_infos[k].info.description).value_or(Utf8Shape{0, 0}), {}};
    }
    return texts;
}();

constexpr bool rudiment_texts_are_ascii() {
    for (const RudimentInfo& rudiment : rudiment_infos) {
        if (!is_ascii(rudiment.info.name) || !is_ascii(rudiment.info.description)) {
            return false;
        }
    }
    return true;
}
static_assert(rudiment_texts_are_ascii(), "the rudiments' names and descriptions are ASCII");

std::vector<PatternInfo> build_listing() {
    std::vector<PatternInfo> rows;
    rows.reserve(builtin_count);
    for (const RudimentInfo& rudiment : rudiment_infos) {
        rows.push_back(rudiment.info);
    }
    for (const CatalogueEntry& entry : catalogue_entries()) {
        rows.push_back(entry.info());
    }
    return rows;
}

}  // namespace

std::span<const PatternInfo> builtin_listing() {
    // A throwing initialiser leaves the static unbuilt, so a later call builds it again.
    static const std::vector<PatternInfo> listing = build_listing();
    return listing;
}

KnownText builtin_description(std::size_t row) noexcept {
    return row < rudiment_count ? rudiment_descriptions[row] : catalogue_description_texts()[row - rudiment_count];
}

}  // namespace pivolet
