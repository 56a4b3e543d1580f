// The entry point of the extension module: the interpreter version check, multi-phase
// initialisation and the registration of every Python-visible name, in the module's fixed order.
#include <pybind11/pybind11.h>

#include "core/pip.hpp"
#include "module/bindings.hpp"

PYBIND11_MODULE(pivolet, m) {
    namespace bindings = pivolet::bindings;
    m.doc() = "Integer-pip rhythmic position functions";
    m.attr("PIPS_PER_BEAT") = pivolet::PIPS_PER_BEAT;
    bindings::bind_recording(m);
    bindings::bind_offset3(m);
    bindings::bind_sampled_pattern(m);
    bindings::bind_pattern_library(m);
    bindings::bind_builtin_functions(m);
}
