// The user pattern classes: SampledPattern and PatternLibrary.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/stl.h>

#include "core/offset3.hpp"
#include "module/bindings.hpp"
#include "module/listing_as_python.hpp"
#include "patterns/pattern_library.hpp"
#include "patterns/sampled_pattern.hpp"

namespace py = pybind11;

namespace pivolet::bindings {
namespace {

// Fixed triples make a point of any other length fail in argument conversion.
using SampleRows = std::vector<std::array<double, 3>>;

SampledPattern make_sampled_pattern(std::string name, std::string description, const SampleRows& rows) {
    std::vector<Offset3> samples;
    samples.reserve(rows.size());
    for (const std::array<double, 3>& row : rows) {
        samples.push_back(Offset3{row[0], row[1], row[2]});
    }
    return SampledPattern(std::move(name), std::move(description), std::move(samples));
}

}  // namespace

void bind_sampled_pattern(py::module_& m) {
    py::class_<SampledPattern>(m, "SampledPattern")
        .def(py::init(&make_sampled_pattern), py::arg("name"), py::arg("description"), py::arg("samples"))
        .def_property_readonly("name", &SampledPattern::name)
        .def_property_readonly("description", &SampledPattern::description)
        .def_property_readonly("period_pips", &SampledPattern::period_pips)
        .def("sample", &SampledPattern::sample, py::arg("pip_count").noconvert());
}

void bind_pattern_library(py::module_& m) {
    // The list caster copies each SampledPattern out of its Python object, so the caller's
    // patterns stay as they were whatever the library does with its own copies.
    py::class_<PatternLibrary>(m, "PatternLibrary")
        .def(py::init<std::vector<SampledPattern>>(), py::arg("patterns") = std::vector<SampledPattern>{})
        .def("sample", &PatternLibrary::sample, py::arg("name"), py::arg("pip_count").noconvert())
        .def("catalogue", [](const PatternLibrary& library) { return listing_as_python(library.catalogue()); });
}

}  // namespace pivolet::bindings
