// Offset3 and the functions that evaluate or list the built-in patterns.
#include <stdexcept>
#include <string>

#include "catalogue/listing.hpp"
#include "core/offset3.hpp"
#include "core/pip.hpp"
#include "module/bindings.hpp"
#include "module/bound_instance.hpp"
#include "module/listing_as_python.hpp"
#include "module/name_argument.hpp"
#include "module/unknown_name.hpp"
#include "rudiments/rudiment_table.hpp"
#include "rudiments/sample_builtin.hpp"

namespace py = pybind11;

namespace pivolet::bindings {
namespace {

// sample_builtin fails only for an unknown name.
Offset3 sample_builtin_by_name(NameArgument name, pip pip_count) {
    try {
        return sample_builtin(name.bytes, pip_count);
    } catch (const std::invalid_argument&) {
        throw_unknown_name(name.bytes);
    }
}

}  // namespace

void bind_offset3(py::module_& m) {
    // No constructor: Python obtains positions only as results.
    py::class_<Offset3> offset3(m, "Offset3");
    const auto component = [&offset3](double Offset3::*member) {
        return py::cpp_function([member](BoundInstance<Offset3> offset) { return offset.native().*member; },
                                py::is_method(offset3));
    };
    offset3.def_property_readonly("x", component(&Offset3::x))
        .def_property_readonly("y", component(&Offset3::y))
        .def_property_readonly("z", component(&Offset3::z))
        .def("as_tuple", [](BoundInstance<Offset3> instance) {
            const Offset3& offset = instance.native();
            PyObject* tuple = PyTuple_New(3);
            if (tuple == nullptr) {
                throw py::error_already_set();
            }
            py::tuple result = py::reinterpret_steal<py::tuple>(tuple);
            const double components[3] = {offset.x, offset.y, offset.z};
            for (Py_ssize_t i = 0; i < 3; ++i) {
                PyObject* value = PyFloat_FromDouble(components[i]);
                if (value == nullptr) {
                    throw py::error_already_set();
                }
                PyTuple_SET_ITEM(tuple, i, value);
            }
            return result;
        });
}

void bind_builtin_functions(py::module_& m) {
    m.def("sample", &sample_builtin_by_name, py::arg("name"), py::arg("pip_count"));
    m.def("catalogue", [] { return listing_as_python(builtin_listing()); });
    // The rudiments take their pip by position only, so they are bound without argument names.
    for (const RudimentInfo& rudiment : rudiment_infos) {
        m.def(std::string(rudiment.info.name).c_str(), rudiment.function);
    }
}

}  // namespace pivolet::bindings
