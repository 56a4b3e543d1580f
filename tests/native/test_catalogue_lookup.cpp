#include <string>
#include <string_view>

#include "catalogue/catalogue_table.hpp"
#include "catalogue/listing.hpp"
#include "catalogue/sample_store.hpp"
#include "check.hpp"

using pivolet::catalogue_entries;
using pivolet::find_catalogue_entry;

int main() {
    const auto entries = catalogue_entries();
    // Every entry is found by its own name, and only by it.
    for (const auto& entry : entries) {
        CHECK(find_catalogue_entry(entry.name) == &entry);
        const std::string longer = std::string(entry.name) + "_";
        CHECK(find_catalogue_entry(longer) == nullptr);
        CHECK(find_catalogue_entry(entry.name.substr(0, entry.name.size() - 1)) == nullptr);
        CHECK(find_catalogue_entry(std::string(entry.name) + '\0') == nullptr);
        // Keys around the eight bytes the search compares first: a match only when the bytes are equal.
        for (std::size_t length = 1; length <= 9 && length < entry.name.size(); ++length) {
            const std::string_view truncated = entry.name.substr(0, length);
            const auto* found = find_catalogue_entry(truncated);
            CHECK(found == nullptr || found->name == truncated);
            std::string with_nul(truncated);
            with_nul.push_back('\0');
            with_nul.append(entry.name.substr(length));
            CHECK(find_catalogue_entry(with_nul) == nullptr);
        }
    }
    for (std::string_view missing : {std::string_view{}, std::string_view{"bounce"}, std::string_view{"LFO_BREATHE"},
                                     std::string_view{"beat_house"}, std::string_view{"lfo_breathe "},
                                     std::string_view{"lfo_breathe\0", 12}, std::string_view{"zzzz"},
                                     std::string_view{"\xff"}}) {
        CHECK(find_catalogue_entry(missing) == nullptr);
    }
    CHECK(find_catalogue_entry("lfo_breathe") == &entries[0]);
    CHECK(find_catalogue_entry("beat_dembow_push_ricochet") == &entries[1715]);

    // The blocks fill the store exactly.
    std::size_t total = 0;
    for (const auto& entry : entries) total += entry.period_pips;
    CHECK(total == pivolet::sample_store_samples);

    // The listing views the rudiments and then the table, in order, copying no text.
    const auto listing = pivolet::builtin_listing();
    CHECK(listing.size() == pivolet::builtin_count);
    CHECK(listing.data() == pivolet::builtin_listing().data());
    CHECK(listing[15].name.data() == entries[0].name.data());
    CHECK(listing[1730].description.data() == entries[1715].description.data());
    return pivolet::testing::check_result("catalogue lookup");
}
