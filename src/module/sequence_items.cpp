#include "module/sequence_items.hpp"

namespace py = pybind11;

namespace pivolet::bindings {

py::list collect_items(py::handle source) {
    PyObject* iterator = PyObject_GetIter(source.ptr());
    if (iterator == nullptr) {
        throw py::error_already_set();
    }
    const py::object held_iterator = py::reinterpret_steal<py::object>(iterator);
    py::list items;
    while (PyObject* item = PyIter_Next(iterator)) {
        const int appended = PyList_Append(items.ptr(), item);
        Py_DECREF(item);
        if (appended != 0) {
            throw py::error_already_set();
        }
    }
    if (PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return items;
}

}  // namespace pivolet::bindings
