// Sine, cosine and arc tangent in double precision for the kinematics' hot
// paths, inlined where they are called.
//
// The library functions are correct to the last bit or nearly so, but they
// are calls that handle every corner of the number line. The kinematics asks
// for angles of a few turns at most and rounds most results to float: these
// versions are the classic argument reduction and minimax polynomials of the
// freely distributable fdlibm kernels, within one unit in the last place of
// the library's result, so that a result rounded to float is the library's
// except in the rare case where the exact value lies within that unit of a
// rounding boundary of the float. Arguments outside the ranges handled here
// (very large, zero, infinite, NaN) go to the library.
#pragma once

#include <cmath>

// Always inlined: the hot loops call them a few times each.
#define VELKARI_TRIG_INLINE inline __attribute__((always_inline))

namespace kinematics::trig {

struct SinCos
{
    double s;
    double c;
};

namespace detail {

// pi/2 in three pieces of 33 bits and their tails: n * piece is exact for
// the small multiples n used here, so x - n pi/2 keeps its precision.
constexpr double kInvPio2 = 6.36619772367581382433e-01;
constexpr double kPio2_1 = 1.57079632673412561417e+00;
constexpr double kPio2_2 = 6.07710050630396597660e-11;
constexpr double kPio2_2t = 2.02226624879595063154e-21;
// Adding and subtracting this rounds to an integer in the current mode.
constexpr double kToInt = 6755399441055744.0; // 1.5 * 2^52

// sin(x + y) for |x| <= pi/4, y the small tail of x.
VELKARI_TRIG_INLINE double kernelSin(double x, double y)
{
    constexpr double S1 = -1.66666666666666324348e-01;
    constexpr double S2 = 8.33333333332248946124e-03;
    constexpr double S3 = -1.98412698298579493134e-04;
    constexpr double S4 = 2.75573137070700676789e-06;
    constexpr double S5 = -2.50507602534068634195e-08;
    constexpr double S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4.
VELKARI_TRIG_INLINE double kernelCos(double x, double y)
{
    constexpr double C1 = 4.16666666666666019037e-02;
    constexpr double C2 = -1.38888888888741095749e-03;
    constexpr double C3 = 2.48015872894767294178e-05;
    constexpr double C4 = -2.75573143513906633035e-07;
    constexpr double C5 = 2.08757232129817482790e-09;
    constexpr double C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// atan(x) for x >= 0, finite.
VELKARI_TRIG_INLINE double atanPositive(double x)
{
    static constexpr double atanhi[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                                        9.82793723247329054082e-01, 1.57079632679489655800e+00};
    static constexpr double atanlo[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                                        1.39033110312309984516e-17, 6.12323399573676603587e-17};
    static constexpr double aT[] = {
        3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
        -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
        6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
        -3.65315727442169155270e-02, 1.62858201153657823623e-02};
    int id;
    if (x < 0.4375) {
        id = -1;
    } else if (x < 1.1875) {
        if (x < 0.6875) {
            id = 0;
            x = (2.0 * x - 1.0) / (2.0 + x);
        } else {
            id = 1;
            x = (x - 1.0) / (x + 1.0);
        }
    } else if (x < 2.4375) {
        id = 2;
        x = (x - 1.5) / (1.0 + 1.5 * x);
    } else {
        id = 3;
        x = -1.0 / x;
    }
    const double z = x * x;
    const double w = z * z;
    const double s1 =
        z * (aT[0] + w * (aT[2] + w * (aT[4] + w * (aT[6] + w * (aT[8] + w * aT[10])))));
    const double s2 = w * (aT[1] + w * (aT[3] + w * (aT[5] + w * (aT[7] + w * aT[9]))));
    if (id < 0)
        return x - x * (s1 + s2);
    return atanhi[id] - ((x * (s1 + s2) - atanlo[id]) - x);
}

} // namespace detail

// sin and cos of x (radians).
VELKARI_TRIG_INLINE SinCos sinCos(double x)
{
    using namespace detail;
    // A few hundred turns at most; beyond that (and for NaN) the library.
    if (!(std::fabs(x) < 1e3))
        return {std::sin(x), std::cos(x)};
    const double fn = (x * kInvPio2 + kToInt) - kToInt;
    const int n = static_cast<int>(fn);
    // Two rounds of reduction: good to well beyond double precision even
    // next to a multiple of pi/2, where the result is tiny.
    const double t = x - fn * kPio2_1;
    double w = fn * kPio2_2;
    double r = t - w;
    w = fn * kPio2_2t - ((t - r) - w);
    const double y0 = r - w;
    const double y1 = (r - y0) - w;
    const double s = kernelSin(y0, y1);
    const double c = kernelCos(y0, y1);
    switch (n & 3) {
    case 0:
        return {s, c};
    case 1:
        return {c, -s};
    case 2:
        return {-s, -c};
    default:
        return {-c, s};
    }
}

// atan2(y, x) in (-pi, pi].
VELKARI_TRIG_INLINE double atan2(double y, double x)
{
    constexpr double kPi = 3.1415926535897931160E+00;
    constexpr double kPiLo = 1.2246467991473531772E-16;
    const double ax = std::fabs(x), ay = std::fabs(y);
    // Zeros, infinities, NaN and ratios beyond 2^60 either way: the library.
    if (!(ax > 0.0 && ay > 0.0 && ax < 1e300 && ay < 1e300 && ay < ax * 0x1p60 && ax < ay * 0x1p60))
        return std::atan2(y, x);
    const double z = detail::atanPositive(ay / ax);
    if (!std::signbit(x))
        return std::signbit(y) ? -z : z;
    return std::signbit(y) ? (z - kPiLo) - kPi : kPi - (z - kPiLo);
}

} // namespace kinematics::trig
