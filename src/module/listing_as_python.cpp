#include "module/listing_as_python.hpp"

namespace py = pybind11;

namespace pivolet::bindings {
namespace {

py::object decode_utf8(std::string_view text) {
    PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict");
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::object>(decoded);
}

py::object make_int(long value) {
    PyObject* number = PyLong_FromLong(value);
    if (number == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::object>(number);
}

void set_item(PyObject* dict, PyObject* key, const py::object& value) {
    if (PyDict_SetItem(dict, key, value.ptr()) != 0) {
        throw py::error_already_set();
    }
}

}  // namespace

py::list listing_as_python(std::span<const PatternInfo> rows) {
    // The keys are made once per call and shared by every row's dict.
    const py::str name_key("name");
    const py::str description_key("description");
    const py::str period_key("period_pips");
    const py::str dimensions_key("dimensions");

    PyObject* raw_list = PyList_New(static_cast<Py_ssize_t>(rows.size()));
    if (raw_list == nullptr) {
        throw py::error_already_set();
    }
    // Owning the list from here on discards it, partly filled, if a row fails.
    py::list list = py::reinterpret_steal<py::list>(raw_list);
    Py_ssize_t position = 0;
    for (const PatternInfo& row : rows) {
        py::object dimensions = make_int(row.dimensions);
        py::object period = make_int(row.period_pips);
        py::object description = decode_utf8(row.description);
        py::object name = decode_utf8(row.name);
        PyObject* dict = PyDict_New();
        if (dict == nullptr) {
            throw py::error_already_set();
        }
        // The list owns the dict as soon as it is created, so a failing insertion frees it.
        PyList_SET_ITEM(raw_list, position++, dict);
        set_item(dict, name_key.ptr(), name);
        set_item(dict, description_key.ptr(), description);
        set_item(dict, period_key.ptr(), period);
        set_item(dict, dimensions_key.ptr(), dimensions);
    }
    return list;
}

}  // namespace pivolet::bindings
