// The constant table of 1716 catalogue entries and their exact lookup by name.
#pragma once

#include <span>
#include <string_view>

#include "catalogue/catalogue_entry.hpp"

namespace pivolet {

inline constexpr std::size_t catalogue_size = 1716;

// All entries in table order.
std::span<const CatalogueEntry, catalogue_size> catalogue_entries() noexcept;

// The entry whose name equals `name` byte for byte, or nullptr. Allocates nothing.
const CatalogueEntry* find_catalogue_entry(std::string_view name) noexcept;

}  // namespace pivolet
