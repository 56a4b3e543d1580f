// Sequence arguments converted from one reading of their items: a sequence of any item type, and
// the fixed rows of three numbers that make up a pattern's samples.
#pragma once

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "core/offset3.hpp"
#include "module/sequence_items.hpp"

namespace pivolet::bindings {

// The converted items, as many as were read: no room is reserved from a length the argument
// claims, so a length that lies can neither exhaust memory nor leave items unconverted.
template <typename Item>
struct SequenceArgument {
    std::vector<Item> items;
};

// A row that held exactly three numbers, as the point (x, y, z).
struct SampleRow {
    Offset3 point;
};

}  // namespace pivolet::bindings

namespace pybind11::detail {

template <typename Item>
class type_caster<pivolet::bindings::SequenceArgument<Item>> {
    using item_caster = make_caster<Item>;

public:
    PYBIND11_TYPE_CASTER(pivolet::bindings::SequenceArgument<Item>,
                         io_name("collections.abc.Sequence", "list") + const_name("[") + item_caster::name +
                             const_name("]"));

    bool load(handle source, bool convert) {
        value.items.clear();
        return pivolet::bindings::for_each_item(source, convert, [&](handle item) {
            item_caster caster;
            if (!caster.load(item, convert)) {
                return false;
            }
            value.items.push_back(cast_op<Item&&>(std::move(caster)));
            return true;
        });
    }
};

template <>
class type_caster<pivolet::bindings::SampleRow> {
    using number_caster = make_caster<double>;
    static constexpr std::size_t row_size = 3;

public:
    PYBIND11_TYPE_CASTER(pivolet::bindings::SampleRow,
                         const_name("typing.Annotated[") + io_name("collections.abc.Sequence", "list") +
                             const_name("[") + number_caster::name + const_name("], \"FixedSize(") +
                             const_name<row_size>() + const_name(")\"]"));

    // The row's items are read first, once, and held; the count read is what decides whether the
    // row is a triple, and only a triple's numbers are converted.
    bool load(handle source, bool convert) {
        std::array<object, row_size> numbers;
        std::size_t count = 0;
        const bool readable = pivolet::bindings::for_each_item(source, convert, [&](handle item) {
            if (count == row_size) {
                return false;
            }
            numbers[count++] = reinterpret_borrow<object>(item);
            return true;
        });
        if (!readable || count != row_size) {
            return false;
        }
        std::array<double, row_size> values{};
        for (std::size_t index = 0; index < row_size; ++index) {
            number_caster caster;
            if (!caster.load(numbers[index], convert)) {
                return false;
            }
            values[index] = cast_op<double>(caster);
        }
        value.point = pivolet::Offset3{values[0], values[1], values[2]};
        return true;
    }
};

}  // namespace pybind11::detail
