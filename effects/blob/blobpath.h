#pragma once
// The paths that both blob effects move their charges and camera along: a warp of time that
// gives each mover its own rhythm, and a closed curve in space.

#include <cmath>

namespace quv::blob {

// Writes the first three elements of a GL vector; the fourth keeps its value.
inline void SetVector(float* v, float x, float y, float z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

enum class Mover { Camera = 0, FirstCharge = 1, SecondCharge = 2 };

// Advances by exactly 1 per unit of x, in the mover's rhythm: the camera glides half a step in the
// second and fourth quarter of each unit, the first charge of a pair moves a whole step in the
// first quarter, the second in the third. Below 0 the same rhythm continues (the unit is found
// with floor, which equals truncation from 0 up); a Phase that is not finite counts as 0.
inline double Warp(Mover mover, double x)
{
    if (!std::isfinite(x))
        x = 0.0;
    const double n = std::floor(x);
    const double f = x - n;
    const double q = 4.0 * x - std::floor(4.0 * x);
    switch (mover) {
    case Mover::Camera:
        if (f < 0.25)
            return n + 0.5;
        if (f < 0.5)
            return n + 0.5 + q / 2;
        if (f < 0.75)
            return n + 1.0;
        return n + 1.0 + q / 2;
    case Mover::FirstCharge:
        if (f < 0.25)
            return n + q;
        return n + 1.0;
    case Mover::SecondCharge:
        if (f < 0.5)
            return n + 0.5;
        if (f < 0.75)
            return n + 0.5 + q;
        return n + 1.5;
    }
    return n;
}

struct Point {
    float x, y, z;
};

// The closed curve of radius r, walked at a rate of a per unit of t.
inline Point Curve(double t, double a, double r)
{
    const double u = a * t;
    return {static_cast<float>(r * std::cos(M_PI * u / 1000.0)),
            static_cast<float>(r * std::sin(M_PI * u / 1250.0)),
            static_cast<float>(r * std::sin(M_PI * (u + 500.0) / 1500.0))};
}

inline double Distance(double x, double y, double z, const Point& p)
{
    const double dx = x - p.x;
    const double dy = y - p.y;
    const double dz = z - p.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace quv::blob
