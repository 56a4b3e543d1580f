# The compiler settings shared by the module and the benchmark's floor module, so that the two
# differ only in what their bound functions do.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
# Built-in positions must be the same doubles on every build: one rounding per operation, so no
# contraction into fused multiply-add, and the optimisation level fixed rather than taken from the
# build type.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
add_compile_options(-O2 -ffp-contract=off -fno-fast-math)
