// The reference calls of the benchmark: each converts its arguments and returns a new instance of a
// bound class of three doubles, doing no other work, so nothing bound with pybind11 can return a new
// object faster. The module's own calls are measured as multiples of these.
#include <stdexcept>
#include <string>
#include <string_view>

#include <pybind11/pybind11.h>

namespace py = pybind11;

namespace {

// The same shape as the module's position value: three doubles and nothing else.
struct Triple {
    double x;
    double y;
    double z;
};

constexpr std::string_view unknown_name_message = "Unknown name: ";

Triple triple_of(int pip) { return {static_cast<double>(pip), 0.0, 0.0}; }

// The name only feeds a component, so that the compiler keeps the view it was given.
Triple named_triple_of(std::string_view name, int pip) {
    return {static_cast<double>(pip), static_cast<double>(name.size()), 0.0};
}

// The failing counterpart of a lookup by name: builds the message and throws, as a lookup that
// finds nothing has to.
Triple named_triple_or_raise(std::string_view name, int) {
    std::string message(unknown_name_message);
    message.append(name);
    throw std::invalid_argument(message);
}

// A bound class whose method does what triple_of does: the price of calling through an instance
// (attribute lookup, binding of self, the instance's own conversion) on top of the free function.
struct TripleSource {
    Triple triple_of(int pip) const { return ::triple_of(pip); }
    Triple named_triple_of(std::string_view name, int pip) const { return ::named_triple_of(name, pip); }
};

}  // namespace

PYBIND11_MODULE(bench_floor, m) {
    py::class_<Triple>(m, "Triple")
        .def_readonly("x", &Triple::x)
        .def_readonly("y", &Triple::y)
        .def_readonly("z", &Triple::z);
    py::class_<TripleSource>(m, "TripleSource")
        .def(py::init<>())
        .def("triple_of", &TripleSource::triple_of, py::arg("pip_count").noconvert())
        .def("named_triple_of", &TripleSource::named_triple_of, py::arg("name"), py::arg("pip_count").noconvert());
    m.def("triple_of", &triple_of);
    m.def("named_triple_of", &named_triple_of, py::arg("name"), py::arg("pip_count"));
    m.def("named_triple_or_raise", &named_triple_or_raise, py::arg("name"), py::arg("pip_count"));
}
