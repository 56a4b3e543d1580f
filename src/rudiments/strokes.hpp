// Drum strokes and the one evaluator that sums them into a position.
#pragma once

#include <span>

#include "core/offset3.hpp"
#include "core/pip.hpp"

namespace pivolet {

struct Stroke {
    pip offset;        // first pip of the stroke within its loop, 0 <= offset < period
    pip sign;          // +1 for the right hand (towards +x), -1 for the left
    double amplitude;  // peak of the sin² envelope
    pip length;        // pips the stroke lasts; its envelope is non-zero for at most length - 1 of them
};

// Sums the envelopes of every stroke sounding at `p`, in list order, then limits x and y to [-1, 1].
// A period of 0 or less wraps every pip to 0, where no envelope sounds.
Offset3 evaluate_strokes(pip p, pip period, std::span<const Stroke> strokes) noexcept;

}  // namespace pivolet
