// Offset3 and the functions that evaluate or list the built-in patterns.
#include <string>

#include "catalogue/listing.hpp"
#include "core/offset3.hpp"
#include "module/bindings.hpp"
#include "module/listing_as_python.hpp"
#include "rudiments/rudiment_table.hpp"
#include "rudiments/sample_builtin.hpp"

namespace py = pybind11;

namespace pivolet::bindings {

void bind_offset3(py::module_& m) {
    // No constructor: Python obtains positions only as results.
    py::class_<Offset3>(m, "Offset3")
        .def_readonly("x", &Offset3::x)
        .def_readonly("y", &Offset3::y)
        .def_readonly("z", &Offset3::z)
        .def("as_tuple", [](const Offset3& offset) {
            PyObject* tuple = PyTuple_New(3);
            if (tuple == nullptr) {
                throw py::error_already_set();
            }
            py::tuple result = py::reinterpret_steal<py::tuple>(tuple);
            const double components[3] = {offset.x, offset.y, offset.z};
            for (Py_ssize_t i = 0; i < 3; ++i) {
                PyObject* component = PyFloat_FromDouble(components[i]);
                if (component == nullptr) {
                    throw py::error_already_set();
                }
                PyTuple_SET_ITEM(tuple, i, component);
            }
            return result;
        });
}

void bind_builtin_functions(py::module_& m) {
    m.def("sample", &sample_builtin, py::arg("name"), py::arg("pip_count"));
    m.def("catalogue", [] { return listing_as_python(builtin_listing()); });
    // The rudiments take their pip by position only, so they are bound without argument names.
    for (const RudimentInfo& rudiment : rudiment_infos) {
        m.def(std::string(rudiment.info.name).c_str(), rudiment.function);
    }
}

}  // namespace pivolet::bindings
