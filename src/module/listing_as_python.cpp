#include "module/listing_as_python.hpp"

#include <cstring>

#include "catalogue/listing.hpp"
#include "core/utf8_text.hpp"

namespace py = pybind11;

namespace pivolet::bindings {
namespace {

py::object owned(PyObject* object) {
    if (object == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::object>(object);
}

py::object decode_utf8(std::string_view text) {
    return owned(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict"));
}

// A built-in text: the str is made at its final size and kind and its characters are copied in,
// from the UTF-8 bytes where they are ASCII, from the two-byte units where the text has them, with
// none of the general decoder's checking, widening and shrinking.
py::object known_text(std::string_view utf8, const KnownText& known) {
    const Utf8Shape shape = known.shape;
    py::object made = owned(PyUnicode_New(static_cast<Py_ssize_t>(shape.code_points), static_cast<Py_UCS4>(shape.widest)));
    void* characters = PyUnicode_DATA(made.ptr());
    if (shape.code_points == utf8.size()) {
        std::memcpy(characters, utf8.data(), utf8.size());
    } else if (!known.two_byte_units.empty()) {
        std::memcpy(characters, known.two_byte_units.data(), known.two_byte_units.size() * sizeof(char16_t));
    } else if (PyUnicode_KIND(made.ptr()) == PyUnicode_1BYTE_KIND) {
        decode_well_formed_utf8(utf8, static_cast<Py_UCS1*>(characters));
    } else if (PyUnicode_KIND(made.ptr()) == PyUnicode_2BYTE_KIND) {
        decode_well_formed_utf8(utf8, static_cast<Py_UCS2*>(characters));
    } else {
        decode_well_formed_utf8(utf8, static_cast<Py_UCS4*>(characters));
    }
    return made;
}

py::object make_int(long value) {
    return owned(PyLong_FromLong(value));
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
    // Rows that view the built-in texts themselves take the shapes known for those texts; any other
    // row (a library's own patterns) is decoded strictly.
    const std::span<const PatternInfo> builtins = builtin_listing();

    PyObject* raw_list = PyList_New(static_cast<Py_ssize_t>(rows.size()));
    if (raw_list == nullptr) {
        throw py::error_already_set();
    }
    // Owning the list from here on discards it, partly filled, if a row fails.
    py::list list = py::reinterpret_steal<py::list>(raw_list);
    Py_ssize_t position = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const PatternInfo& row = rows[k];
        const bool builtin = k < builtins.size() && row.name.data() == builtins[k].name.data() &&
                             row.description.data() == builtins[k].description.data();
        py::object dimensions = make_int(row.dimensions);
        py::object period = make_int(row.period_pips);
        py::object description =
            builtin ? known_text(row.description, builtin_description(k)) : decode_utf8(row.description);
        py::object name = builtin ? known_text(row.name, {{row.name.size(), 0x7F}, {}}) : decode_utf8(row.name);
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
