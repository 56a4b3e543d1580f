// The `name` argument of the sampling functions: the bytes of a str, bytes or bytearray, held so
// that nothing later in the call can free or change them.
#pragma once

#include <string>
#include <string_view>

#include <pybind11/pybind11.h>

namespace pivolet::bindings {

struct NameArgument {
    std::string_view bytes;
};

}  // namespace pivolet::bindings

namespace pybind11::detail {

template <>
class type_caster<pivolet::bindings::NameArgument> {
public:
    PYBIND11_TYPE_CASTER(pivolet::bindings::NameArgument, const_name("str"));

    // A str is taken as its UTF-8 form and bytes byte for byte; both are immutable, so a view of
    // an object this caster holds stays valid for the whole call and a successful call copies
    // nothing. A bytearray can be resized by any code that runs before the name is used (the
    // conversion of the pip that follows it, for one), so its bytes are copied. A str that cannot
    // be encoded as UTF-8, and any other object, is refused.
    bool load(handle source, bool) {
        PyObject* object = source.ptr();
        if (PyUnicode_Check(object)) {
            Py_ssize_t size = 0;
            const char* text = PyUnicode_AsUTF8AndSize(object, &size);
            if (text == nullptr) {
                PyErr_Clear();
                return false;
            }
            hold(source, text, size);
            return true;
        }
        if (PyBytes_Check(object)) {
            hold(source, PyBytes_AS_STRING(object), PyBytes_GET_SIZE(object));
            return true;
        }
        if (PyByteArray_Check(object)) {
            copy_.assign(PyByteArray_AS_STRING(object), static_cast<std::size_t>(PyByteArray_GET_SIZE(object)));
            value.bytes = copy_;
            return true;
        }
        return false;
    }

private:
    void hold(handle source, const char* text, Py_ssize_t size) {
        held_ = reinterpret_borrow<object>(source);
        value.bytes = std::string_view(text, static_cast<std::size_t>(size));
    }

    object held_;
    std::string copy_;
};

}  // namespace pybind11::detail
