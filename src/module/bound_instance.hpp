// An instance of one of the module's classes and the native object it holds, which exists only if
// the instance's constructor ran: an instance made by __new__ alone holds no object.
#pragma once

#include <string>
#include <string_view>
#include <typeinfo>

#include <pybind11/pybind11.h>

namespace pivolet::bindings {

inline constexpr std::string_view unconstructed_instance_message = "Object made by __new__ without __init__: ";

// Holds the instance, so that its native object lives as long as this does: an item of a sequence
// argument may have no other owner once the sequence has been read (a generator's, for one).
template <typename Native>
class BoundInstance {
public:
    BoundInstance() = default;
    BoundInstance(pybind11::handle instance, const Native* native)
        : instance_(pybind11::reinterpret_borrow<pybind11::object>(instance)), native_(native) {}

    // The native object; a TypeError naming the instance's class when there is none.
    const Native& native() const {
        if (native_ == nullptr) {
            throw pybind11::type_error(std::string(unconstructed_instance_message) +
                                       pybind11::detail::get_fully_qualified_tp_name(Py_TYPE(instance_.ptr())));
        }
        return *native_;
    }

    // The native object, or null when the constructor never ran.
    const Native* native_if_constructed() const noexcept { return native_; }

private:
    pybind11::object instance_;
    const Native* native_ = nullptr;
};

// A const member function of Native as a function of the instance, to bind in place of the member
// function itself: it answers for a constructed instance and raises for any other.
template <typename Native, typename Result, typename... Args>
auto of_instance(Result (Native::*member)(Args...) const) {
    return [member](BoundInstance<Native> instance, Args... args) -> Result {
        return (instance.native().*member)(args...);
    };
}

template <typename Native, typename Result, typename... Args>
auto of_instance(Result (Native::*member)(Args...) const noexcept) {
    return of_instance(static_cast<Result (Native::*)(Args...) const>(member));
}

}  // namespace pivolet::bindings

namespace pybind11::detail {

// Accepts the instances of Native's class and of its subclasses, shown in signatures as that class.
// The instance's storage is read only once its constructor has run; the binding library's own
// conversion would hand out the storage of an instance made by __new__ alone, which holds no
// object.
template <typename Native>
class type_caster<pivolet::bindings::BoundInstance<Native>> {
public:
    PYBIND11_TYPE_CASTER(pivolet::bindings::BoundInstance<Native>, make_caster<Native>::name);

    bool load(handle source, bool) {
        const type_info* registered = get_type_info(typeid(Native));
        if (registered == nullptr || PyObject_TypeCheck(source.ptr(), registered->type) == 0) {
            return false;
        }
        auto* instance = reinterpret_cast<detail::instance*>(source.ptr());
        const value_and_holder slot = instance->get_value_and_holder(registered, false);
        const bool constructed = slot.inst != nullptr && slot.holder_constructed();
        value = pivolet::bindings::BoundInstance<Native>(source, constructed ? slot.value_ptr<Native>() : nullptr);
        return true;
    }
};

}  // namespace pybind11::detail
