// The registration steps of the module body, each binding one group of names.
#pragma once

#include <pybind11/pybind11.h>

namespace pivolet::bindings {

void bind_recording(pybind11::module_& m);
void bind_offset3(pybind11::module_& m);
void bind_sampled_pattern(pybind11::module_& m);
void bind_pattern_library(pybind11::module_& m);
void bind_builtin_functions(pybind11::module_& m);

}  // namespace pivolet::bindings
