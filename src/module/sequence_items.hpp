// One reading of the items of a sequence argument, the only way the module's sequence conversions
// reach items.
#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace pivolet::bindings {

// The items of `source`, read to its end by iteration: nothing it claims about its length is used,
// so a list that grows as items arrive holds exactly the items there are. A Python error raised
// while iterating is thrown as itself.
pybind11::list collect_items(pybind11::handle source);

// Calls `visit(item)` on the items of `source`, in order, and answers whether `source` is of a kind
// a sequence argument accepts and every call of `visit` answered true; it stops at the first false.
//
// The kinds are the binding library's: any sequence but str and bytes, and, when conversion is
// allowed, generators, sets, frozensets, dict views, map and zip objects. A tuple is visited in
// place and a list by index, reading its length again at every step and holding each item while
// it is visited, since visiting can run code that changes the list. Every other kind is collected
// first (a generator is run to its end before any item converts, as the binding library does).
template <typename Visit>
bool for_each_item(pybind11::handle source, bool convert, Visit&& visit) {
    namespace py = pybind11;
    if (!py::detail::object_is_convertible_to_std_vector(source)) {
        return false;
    }
    const py::object held = py::reinterpret_borrow<py::object>(source);
    PyObject* object = held.ptr();
    if (PyTuple_CheckExact(object)) {
        for (Py_ssize_t index = 0; index < PyTuple_GET_SIZE(object); ++index) {
            if (!visit(py::handle(PyTuple_GET_ITEM(object, index)))) {
                return false;
            }
        }
        return true;
    }
    if (PyList_CheckExact(object)) {
        for (Py_ssize_t index = 0; index < PyList_GET_SIZE(object); ++index) {
            const py::object item = py::reinterpret_borrow<py::object>(PyList_GET_ITEM(object, index));
            if (!visit(py::handle(item))) {
                return false;
            }
        }
        return true;
    }
    if (PySequence_Check(object) == 0 && !convert) {
        return false;
    }
    return for_each_item(collect_items(source), convert, visit);
}

}  // namespace pivolet::bindings
