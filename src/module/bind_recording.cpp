// The recording class, SampledRecording.
#include <string>
#include <utility>
#include <vector>

#include <pybind11/stl.h>

#include "core/pip.hpp"
#include "module/bindings.hpp"
#include "module/bound_instance.hpp"
#include "module/sequence_argument.hpp"
#include "recording/sampled_recording.hpp"

namespace py = pybind11;

namespace pivolet::bindings {
namespace {

SampledRecording make_sampled_recording(std::string name, SequenceArgument<std::string> dimensions,
                                        SequenceArgument<SequenceArgument<double>> samples, double bpm,
                                        double beat_zero_seconds, pip start_pip) {
    std::vector<std::vector<double>> rows;
    rows.reserve(samples.items.size());
    for (SequenceArgument<double>& row : samples.items) {
        rows.push_back(std::move(row.items));
    }
    return SampledRecording(std::move(name), std::move(dimensions.items), rows, bpm, beat_zero_seconds, start_pip);
}

}  // namespace

void bind_recording(py::module_& m) {
    py::class_<SampledRecording>(m, "SampledRecording")
        .def(py::init(&make_sampled_recording), py::arg("name"), py::arg("dimensions"), py::arg("samples"),
             py::arg("bpm"), py::arg("beat_zero_seconds") = 0.0, py::arg("start_pip") = 0)
        .def_property_readonly("name", of_instance(&SampledRecording::name))
        .def_property_readonly("dimensions", of_instance(&SampledRecording::dimensions))
        .def_property_readonly("sample_count", of_instance(&SampledRecording::sample_count))
        .def_property_readonly("bpm", of_instance(&SampledRecording::bpm))
        .def_property_readonly("beat_zero_seconds", of_instance(&SampledRecording::beat_zero_seconds))
        .def_property_readonly("start_pip", of_instance(&SampledRecording::start_pip))
        .def("sample", of_instance(&SampledRecording::sample), py::arg("pip").noconvert());
}

}  // namespace pivolet::bindings
