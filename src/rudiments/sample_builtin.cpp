#include "rudiments/sample_builtin.hpp"

#include <stdexcept>
#include <string>

#include "catalogue/catalogue_table.hpp"
#include "rudiments/rudiment_table.hpp"

namespace pivolet {

Offset3 sample_builtin(std::string_view name, pip p) {
    // Rudiment and catalogue names are disjoint, so testing the rudiments first changes no result;
    // only a name that is neither pays for the catalogue search.
    for (const RudimentInfo& rudiment : rudiment_infos) {
        if (rudiment.info.name == name) {
            return rudiment.function(p);
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
