// Reference 4x4 arithmetic in double precision, written independently of the
// library so tests can check its single-precision results against it.
#pragma once

#include <array>
#include <cmath>

namespace ref {

using M = std::array<double, 16>; // row-major

inline M mul(const M &a, const M &b)
{
    M r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r[4 * i + j] += a[4 * i + k] * b[4 * k + j];
    return r;
}

inline M rotX(double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    return {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1};
}

inline M rotZ(double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    return {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

inline M trans(double x, double y, double z)
{
    return {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1};
}

// Craig's link transform, built as the product of its four motions.
inline M link(double alpha, double a, double theta, double d)
{
    return mul(mul(mul(rotX(alpha), trans(a, 0, 0)), trans(0, 0, d)), rotZ(theta));
}

} // namespace ref
