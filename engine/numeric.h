#pragma once
// Number conversions with defined results for every double, including NaN and infinities.

#include <cmath>
#include <cstdint>

namespace quv {

// Truncation toward zero of a field value used as an index, count or selector. NaN gives 0;
// values beyond the int32 range saturate (so an absurd count stays absurd, never wraps).
constexpr int32_t TruncInt(double x)
{
    if (!(x == x))
        return 0;
    if (x >= 2147483647.0)
        return INT32_MAX;
    if (x <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(x);
}

// x minus x truncated toward zero; NaN and infinities give NaN.
inline double Frac(double x)
{
    return x - std::trunc(x);
}

// Round to nearest, ties to even, with the same saturation as TruncInt.
inline int32_t RoundInt(double x)
{
    return TruncInt(std::nearbyint(x));
}

} // namespace quv
