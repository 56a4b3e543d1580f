// The catalogue's sizes as the generator counted them when it wrote the table, the name index and
// the store; the table, the index and the store are each checked against them when they are built.
#pragma once

#include <cstddef>

#include "catalogue_sizes.inc"  // generated: the PIVOLET_CATALOGUE_* counts

namespace pivolet {

inline constexpr std::size_t catalogue_size = PIVOLET_CATALOGUE_ENTRIES;
inline constexpr std::size_t sample_store_samples = PIVOLET_CATALOGUE_SAMPLES;
inline constexpr std::size_t sample_store_doubles = PIVOLET_CATALOGUE_DOUBLES;

static_assert(sample_store_doubles == 3 * sample_store_samples, "a sample is three doubles");
static_assert(PIVOLET_CATALOGUE_STORE_BYTES == sizeof(double) * sample_store_doubles, "the store holds doubles");

}  // namespace pivolet
