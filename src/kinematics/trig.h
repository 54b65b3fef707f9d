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
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
constexpr double kPi = 3.1415926535897931160E+00;
constexpr double kPiLo = 1.2246467991473531772E-16;
// The kernels' coefficients: sine, cosine, and arc tangent with the ranges
// it reduces to (from kAtanFrom[i], around the angle kAtanHi[i] + kAtanLo[i]).
constexpr double kS[6] = {-1.66666666666666324348e-01, 8.33333333332248946124e-03,
                          -1.98412698298579493134e-04, 2.75573137070700676789e-06,
                          -2.50507602534068634195e-08, 1.58969099521155010221e-10};
constexpr double kC[6] = {4.16666666666666019037e-02, -1.38888888888741095749e-03,
                          2.48015872894767294178e-05, -2.75573143513906633035e-07,
                          2.08757232129817482790e-09, -1.13596475577881948265e-11};
constexpr double kAtanFrom[4] = {0.4375, 0.6875, 1.1875, 2.4375};
constexpr double kAtanHi[4] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                               9.82793723247329054082e-01, 1.57079632679489655800e+00};
constexpr double kAtanLo[4] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                               1.39033110312309984516e-17, 6.12323399573676603587e-17};
constexpr double kAtanT[11] = {
    3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
    -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
    6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
    -3.65315727442169155270e-02, 1.62858201153657823623e-02};

// sin(x + y) for |x| <= pi/4, y the small tail of x.
VELKARI_TRIG_INLINE double kernelSin(double x, double y)
{
    const double z = x * x;
    const double w = z * z;
    const double r = kS[1] + z * (kS[2] + z * kS[3]) + z * w * (kS[4] + z * kS[5]);
    const double v = z * x;
    return x - ((z * (0.5 * y - v * r) - y) - v * kS[0]);
}

// cos(x + y) for |x| <= pi/4.
VELKARI_TRIG_INLINE double kernelCos(double x, double y)
{
    const double z = x * x;
    double w = z * z;
    const double r =
        z * (kC[0] + z * (kC[1] + z * kC[2])) + w * w * (kC[3] + z * (kC[4] + z * kC[5]));
    const double hz = 0.5 * z;
    w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + (z * r - x * y));
}

// atan(x) for x >= 0, finite.
VELKARI_TRIG_INLINE double atanPositive(double x)
{
    int id;
    if (x < kAtanFrom[0]) {
        id = -1;
    } else if (x < kAtanFrom[2]) {
        if (x < kAtanFrom[1]) {
            id = 0;
            x = (2.0 * x - 1.0) / (2.0 + x);
        } else {
            id = 1;
            x = (x - 1.0) / (x + 1.0);
        }
    } else if (x < kAtanFrom[3]) {
        id = 2;
        x = (x - 1.5) / (1.0 + 1.5 * x);
    } else {
        id = 3;
        x = -1.0 / x;
    }
    const double z = x * x;
    const double w = z * z;
    const double s1 =
        z *
        (kAtanT[0] +
         w * (kAtanT[2] + w * (kAtanT[4] + w * (kAtanT[6] + w * (kAtanT[8] + w * kAtanT[10])))));
    const double s2 =
        w * (kAtanT[1] + w * (kAtanT[3] + w * (kAtanT[5] + w * (kAtanT[7] + w * kAtanT[9]))));
    if (id < 0)
        return x - x * (s1 + s2);
    return kAtanHi[id] - ((x * (s1 + s2) - kAtanLo[id]) - x);
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
    using detail::kPi;
    using detail::kPiLo;
    const double ax = std::fabs(x), ay = std::fabs(y);
    // Zeros, infinities, NaN and ratios beyond 2^60 either way: the library.
    if (!(ax > 0.0 && ay > 0.0 && ax < 1e300 && ay < 1e300 && ay < ax * 0x1p60 && ax < ay * 0x1p60))
        return std::atan2(y, x);
    const double z = detail::atanPositive(ay / ax);
    if (!std::signbit(x))
        return std::signbit(y) ? -z : z;
    return std::signbit(y) ? (z - kPiLo) - kPi : kPi - (z - kPiLo);
}

// Two of each at once: the same operations in the same order on two lanes,
// so each result is the one-at-a-time function's to the last bit; the
// solvers' angles come in pairs (two elbows, two arms), and a pair costs
// little more than one. A lane the fast path does not take sends both to
// the one-at-a-time functions.
#ifdef __SSE2__
namespace detail {

// Every constant of the two-lane functions, in both lanes. The table is
// defined out of line, out of the compiler's sight: it then loads each pair
// as one 16-byte value or folds it into the instruction that uses it, where
// a pair it can see is built from one double and a shuffle at every use.
struct LaneConstants
{
    __m128d invPio2, toInt, pio2_1, pio2_2, pio2_2t;
    __m128d half, one, signBit;
    __m128d s[6], c[6];
    __m128d atanFrom[4], atanT[11];
    __m128d big, ratio, pi, piLo;
};
extern const LaneConstants kLanes;

VELKARI_TRIG_INLINE __m128d select(__m128d mask, __m128d yes, __m128d no)
{
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}

VELKARI_TRIG_INLINE __m128d sign(__m128d v)
{
    return _mm_and_pd(v, kLanes.signBit);
}

VELKARI_TRIG_INLINE __m128d magnitude(__m128d v)
{
    return _mm_andnot_pd(kLanes.signBit, v);
}

} // namespace detail

// Both lanes of x (each within the range sinCos takes the fast way) at
// once: the sines in s, the cosines in c. The quadrant swaps and negates
// the kernels' results by masks rather than by branches, which the random
// angles of a batch would mispredict.
VELKARI_TRIG_INLINE void sinCosLanes(__m128d x, __m128d &sOut, __m128d &cOut)
{
    using namespace detail;
    const LaneConstants &k = kLanes;
    const __m128d fn = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(x, k.invPio2), k.toInt), k.toInt);
    const __m128d t = _mm_sub_pd(x, _mm_mul_pd(fn, k.pio2_1));
    __m128d w = _mm_mul_pd(fn, k.pio2_2);
    const __m128d r = _mm_sub_pd(t, w);
    w = _mm_sub_pd(_mm_mul_pd(fn, k.pio2_2t), _mm_sub_pd(_mm_sub_pd(t, r), w));
    const __m128d y0 = _mm_sub_pd(r, w);
    const __m128d y1 = _mm_sub_pd(_mm_sub_pd(r, y0), w);
    const __m128d z = _mm_mul_pd(y0, y0);
    // kernelSin
    __m128d zw = _mm_mul_pd(z, z);
    __m128d p =
        _mm_add_pd(_mm_add_pd(k.s[1], _mm_mul_pd(z, _mm_add_pd(k.s[2], _mm_mul_pd(z, k.s[3])))),
                   _mm_mul_pd(_mm_mul_pd(z, zw), _mm_add_pd(k.s[4], _mm_mul_pd(z, k.s[5]))));
    const __m128d v = _mm_mul_pd(z, y0);
    const __m128d sn = _mm_sub_pd(
        y0, _mm_sub_pd(
                _mm_sub_pd(_mm_mul_pd(z, _mm_sub_pd(_mm_mul_pd(k.half, y1), _mm_mul_pd(v, p))), y1),
                _mm_mul_pd(v, k.s[0])));
    // kernelCos
    p = _mm_add_pd(
        _mm_mul_pd(z, _mm_add_pd(k.c[0], _mm_mul_pd(z, _mm_add_pd(k.c[1], _mm_mul_pd(z, k.c[2]))))),
        _mm_mul_pd(_mm_mul_pd(zw, zw),
                   _mm_add_pd(k.c[3], _mm_mul_pd(z, _mm_add_pd(k.c[4], _mm_mul_pd(z, k.c[5]))))));
    const __m128d hz = _mm_mul_pd(k.half, z);
    zw = _mm_sub_pd(k.one, hz);
    const __m128d cs = _mm_add_pd(zw, _mm_add_pd(_mm_sub_pd(_mm_sub_pd(k.one, zw), hz),
                                                 _mm_sub_pd(_mm_mul_pd(z, p), _mm_mul_pd(y0, y1))));
    // n & 1 swaps sine and cosine; n & 2 negates the sine, (n + 1) & 2 the
    // cosine. Each lane's quadrant sits in both halves of its 64 bits.
    const __m128i n = _mm_shuffle_epi32(_mm_cvtpd_epi32(fn), _MM_SHUFFLE(1, 1, 0, 0));
    const __m128i oneBit = _mm_set1_epi32(1), twoBit = _mm_set1_epi32(2);
    const __m128d swap = _mm_castsi128_pd(_mm_cmpeq_epi32(_mm_and_si128(n, oneBit), oneBit));
    const __m128d sinSign = _mm_castsi128_pd(_mm_slli_epi64(_mm_and_si128(n, twoBit), 62));
    const __m128d cosSign =
        _mm_castsi128_pd(_mm_slli_epi64(_mm_and_si128(_mm_add_epi32(n, oneBit), twoBit), 62));
    sOut = _mm_xor_pd(select(swap, cs, sn), sinSign);
    cOut = _mm_xor_pd(select(swap, sn, cs), cosSign);
}

VELKARI_TRIG_INLINE void sinCos2(double x0, double x1, SinCos &r0, SinCos &r1)
{
    if (!(std::fabs(x0) < 1e3 && std::fabs(x1) < 1e3)) {
        r0 = sinCos(x0);
        r1 = sinCos(x1);
        return;
    }
    __m128d s, c;
    sinCosLanes(_mm_set_pd(x1, x0), s, c);
    double sv[2], cv[2];
    _mm_storeu_pd(sv, s);
    _mm_storeu_pd(cv, c);
    r0 = {sv[0], cv[0]};
    r1 = {sv[1], cv[1]};
}

VELKARI_TRIG_INLINE void atan2x2(double y0, double x0, double y1, double x1, double &r0, double &r1)
{
    using namespace detail;
    const __m128d y = _mm_set_pd(y1, y0), x = _mm_set_pd(x1, x0);
    const __m128d ax = magnitude(x), ay = magnitude(y);
    // The fast path's range, both lanes at once (a NaN fails every test).
    const LaneConstants &k = kLanes;
    const __m128d zero = _mm_setzero_pd();
    const __m128d inRange =
        _mm_and_pd(_mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(ax, zero), _mm_cmpgt_pd(ay, zero)),
                              _mm_and_pd(_mm_cmplt_pd(ax, k.big), _mm_cmplt_pd(ay, k.big))),
                   _mm_and_pd(_mm_cmplt_pd(ay, _mm_mul_pd(ax, k.ratio)),
                              _mm_cmplt_pd(ax, _mm_mul_pd(ay, k.ratio))));
    if (_mm_movemask_pd(inRange) != 3) {
        r0 = atan2(y0, x0);
        r1 = atan2(y1, x1);
        return;
    }
    const __m128d q = _mm_div_pd(ay, ax);
    // The range of atanPositive each lane falls in (0 for the first), as
    // the count of thresholds it reaches, and that range's reduced argument
    // (q a + b) / (q c + d) with its constants from a table: q * 1 + 0,
    // q * 0 + 1 and q * 0 - 1 are exact, so each lane gets what atanPositive
    // computes to the last bit.
    struct Range
    {
        double a, b, c, d, hi, lo;
    };
    static constexpr Range kRanges[5] = {{1.0, 0.0, 0.0, 1.0, 0.0, 0.0},
                                         {2.0, -1.0, 1.0, 2.0, kAtanHi[0], kAtanLo[0]},
                                         {1.0, -1.0, 1.0, 1.0, kAtanHi[1], kAtanLo[1]},
                                         {1.0, -1.5, 1.5, 1.0, kAtanHi[2], kAtanLo[2]},
                                         {0.0, -1.0, 1.0, 0.0, kAtanHi[3], kAtanLo[3]}};
    const __m128d below0 = _mm_cmplt_pd(q, k.atanFrom[0]);
    __m128i reached = _mm_add_epi64(_mm_castpd_si128(_mm_cmpge_pd(q, k.atanFrom[0])),
                                    _mm_castpd_si128(_mm_cmpge_pd(q, k.atanFrom[1])));
    reached = _mm_add_epi64(reached, _mm_castpd_si128(_mm_cmpge_pd(q, k.atanFrom[2])));
    reached = _mm_add_epi64(reached, _mm_castpd_si128(_mm_cmpge_pd(q, k.atanFrom[3])));
    reached = _mm_sub_epi64(_mm_setzero_si128(), reached);
    const Range &g0 = kRanges[_mm_cvtsi128_si32(reached)];
    const Range &g1 = kRanges[_mm_cvtsi128_si32(_mm_unpackhi_epi64(reached, reached))];
    const __m128d num = _mm_add_pd(_mm_mul_pd(q, _mm_set_pd(g1.a, g0.a)), _mm_set_pd(g1.b, g0.b));
    const __m128d den = _mm_add_pd(_mm_mul_pd(q, _mm_set_pd(g1.c, g0.c)), _mm_set_pd(g1.d, g0.d));
    const __m128d hi = _mm_set_pd(g1.hi, g0.hi), lo = _mm_set_pd(g1.lo, g0.lo);
    const __m128d a = _mm_div_pd(num, den);
    const __m128d z = _mm_mul_pd(a, a);
    const __m128d w = _mm_mul_pd(z, z);
    // The scalar kernel's nested sums, innermost first.
    const __m128d *const t = k.atanT;
    auto step = [w](__m128d coefficient, __m128d inner) {
        return _mm_add_pd(coefficient, _mm_mul_pd(w, inner));
    };
    const __m128d s1 =
        _mm_mul_pd(z, step(t[0], step(t[2], step(t[4], step(t[6], step(t[8], t[10]))))));
    const __m128d s2 = _mm_mul_pd(w, step(t[1], step(t[3], step(t[5], step(t[7], t[9])))));
    const __m128d as = _mm_mul_pd(a, _mm_add_pd(s1, s2));
    const __m128d small = _mm_sub_pd(a, as);
    const __m128d large = _mm_sub_pd(hi, _mm_sub_pd(_mm_sub_pd(as, lo), a));
    const __m128d angle = select(below0, small, large);
    // x < 0: pi less the angle; then the sign of y.
    const __m128d back = _mm_sub_pd(k.pi, _mm_sub_pd(angle, k.piLo));
    const __m128d xNegative = _mm_cmplt_pd(x, _mm_setzero_pd()); // x is not zero here
    const __m128d r = _mm_or_pd(select(xNegative, back, angle), sign(y));
    double out[2];
    _mm_storeu_pd(out, r);
    r0 = out[0];
    r1 = out[1];
}
#else
VELKARI_TRIG_INLINE void sinCos2(double x0, double x1, SinCos &r0, SinCos &r1)
{
    r0 = sinCos(x0);
    r1 = sinCos(x1);
}

VELKARI_TRIG_INLINE void atan2x2(double y0, double x0, double y1, double x1, double &r0, double &r1)
{
    r0 = atan2(y0, x0);
    r1 = atan2(y1, x1);
}
#endif

// atan2 of n pairs, two at a time.
VELKARI_TRIG_INLINE void atan2Many(const double *y, const double *x, double *out, int n)
{
    int i = 0;
    for (; i + 1 < n; i += 2)
        atan2x2(y[i], x[i], y[i + 1], x[i + 1], out[i], out[i + 1]);
    if (i < n)
        out[i] = atan2(y[i], x[i]);
}

} // namespace kinematics::trig
