// A position: three doubles, each within [-1, 1] for every source of the module.
#pragma once

namespace pivolet {

struct Offset3 {
    double x;
    double y;
    double z;
};

}  // namespace pivolet
