// The user pattern classes: SampledPattern and PatternLibrary.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/offset3.hpp"
#include "core/pip.hpp"
#include "module/bindings.hpp"
#include "module/bound_instance.hpp"
#include "module/listing_as_python.hpp"
#include "module/name_argument.hpp"
#include "module/sequence_argument.hpp"
#include "module/unknown_name.hpp"
#include "patterns/pattern_library.hpp"
#include "patterns/sampled_pattern.hpp"

namespace py = pybind11;

namespace pivolet::bindings {
namespace {

// Rows are fixed triples, so a point of any other length fails in argument conversion.
SampledPattern make_sampled_pattern(std::string name, std::string description, SequenceArgument<SampleRow> rows) {
    std::vector<Offset3> samples;
    samples.reserve(rows.items.size());
    for (const SampleRow& row : rows.items) {
        samples.push_back(row.point);
    }
    return SampledPattern(std::move(name), std::move(description), std::move(samples));
}

// What a move leaves in a pattern: no name, no description, no samples. No constructor makes it,
// so it is taken from a pattern built for the purpose.
SampledPattern moved_from_pattern() {
    SampledPattern source("moved", "", {Offset3{0.0, 0.0, 0.0}});
    const SampledPattern taken(std::move(source));
    return source;
}

// Each pattern is copied out of its Python object, so the caller's patterns stay as they were
// whatever the library does with its own copies. An instance made by __new__ alone holds no pattern
// and offers the library an empty one, which the library refuses in its turn.
PatternLibrary make_pattern_library(SequenceArgument<BoundInstance<SampledPattern>> offered) {
    std::vector<SampledPattern> patterns;
    patterns.reserve(offered.items.size());
    for (const BoundInstance<SampledPattern>& instance : offered.items) {
        const SampledPattern* pattern = instance.native_if_constructed();
        patterns.push_back(pattern != nullptr ? *pattern : moved_from_pattern());
    }
    return PatternLibrary(std::move(patterns));
}

// The library's sampling fails only for a name that is neither stored nor built in.
Offset3 sample_library(BoundInstance<PatternLibrary> library, NameArgument name, pip pip_count) {
    try {
        return library.native().sample(name.bytes, pip_count);
    } catch (const std::invalid_argument&) {
        throw_unknown_name(name.bytes);
    }
}

}  // namespace

void bind_sampled_pattern(py::module_& m) {
    py::class_<SampledPattern>(m, "SampledPattern")
        .def(py::init(&make_sampled_pattern), py::arg("name"), py::arg("description"), py::arg("samples"))
        .def_property_readonly("name", of_instance(&SampledPattern::name))
        .def_property_readonly("description", of_instance(&SampledPattern::description))
        .def_property_readonly("period_pips", of_instance(&SampledPattern::period_pips))
        .def("sample", of_instance(&SampledPattern::sample), py::arg("pip_count").noconvert());
}

void bind_pattern_library(py::module_& m) {
    py::class_<PatternLibrary>(m, "PatternLibrary")
        .def(py::init(&make_pattern_library), py::arg("patterns") = py::list())
        .def("sample", &sample_library, py::arg("name"), py::arg("pip_count").noconvert())
        .def("catalogue", [](BoundInstance<PatternLibrary> library) {
            return listing_as_python(library.native().catalogue());
        });
}

}  // namespace pivolet::bindings
