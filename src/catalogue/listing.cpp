#include "catalogue/listing.hpp"

#include <vector>

#include "catalogue/catalogue_table.hpp"
#include "rudiments/rudiment_table.hpp"

namespace pivolet {
namespace {

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

}  // namespace pivolet
