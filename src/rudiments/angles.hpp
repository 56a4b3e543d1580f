// The stored angle constants the rudiments multiply by. Written as literals so that every build
// uses the same doubles.
#pragma once

namespace pivolet::angles {

inline constexpr double two_pi = 6.283185307179586;
inline constexpr double pi = 3.141592653589793;
inline constexpr double half_pi = 1.5707963267948966;
inline constexpr double four_pi = 12.566370614359172;

}  // namespace pivolet::angles
