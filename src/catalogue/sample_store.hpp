// The catalogue's samples: one read-only array of doubles embedded in the module, every entry's
// loop back to back in table order, each sample x, y, z.
#pragma once

#include <cstddef>
#include <cstdint>

#include "catalogue/catalogue_sizes.hpp"
#include "core/offset3.hpp"
#include "core/pip.hpp"

// Defined in sample_store.S from the generated binary block.
extern "C" const double pivolet_sample_store[];

namespace pivolet {

// The position function of the entry whose block starts at sample `Offset` and lasts `Period`
// pips. With both constants fixed, the wrap compiles to a mask or a multiplication and the read
// to three loads from a fixed address.
template <std::uint32_t Offset, pip Period>
Offset3 evaluate_entry(pip p) noexcept {
    static_assert(Period > 0 && Offset + static_cast<std::size_t>(Period) <= sample_store_samples);
    const pip r = wrap_pip(p, Period);
    const double* sample = pivolet_sample_store + 3 * (static_cast<std::size_t>(Offset) + static_cast<std::size_t>(r));
    return {sample[0], sample[1], sample[2]};
}

}  // namespace pivolet
