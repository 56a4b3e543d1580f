// The constant table of catalogue entries and their exact lookup by name.
#pragma once

#include <span>
#include <string_view>

#include "catalogue/catalogue_entry.hpp"
#include "catalogue/catalogue_sizes.hpp"
#include "core/utf8_text.hpp"

namespace pivolet {

// All entries in table order.
std::span<const CatalogueEntry, catalogue_size> catalogue_entries() noexcept;

// Every entry's description as known when the module was compiled, in table order.
std::span<const KnownText, catalogue_size> catalogue_description_texts() noexcept;

// The entry whose name equals `name` byte for byte, or nullptr. Allocates nothing.
const CatalogueEntry* find_catalogue_entry(std::string_view name) noexcept;

}  // namespace pivolet
