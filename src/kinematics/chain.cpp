#include "chain.h"

#include "joint.h"
#include "trig.h"

#include <algorithm>
#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kinematics {

namespace {

using R = AxisRule;

// Rows are angle types 0-6 (axes 1-6 in each row).
//   2: parallelogram arms whose axis 3 is measured from the horizontal, the
//      wrist turning the other way: t3 = -j2 - j3, t4..6 = -j4..6
//   3: wrist and axis 3 turning the other way
//   4: axis 3 measured from the horizontal the other way: t3 = j3 - j2
//   5: axes 1, 4 and 6 turning the other way
//   6: axis 3 turning the other way
const AngleRules kIdentity{};
const AngleRules kRules[7] = {
    kIdentity,
    kIdentity,
    {R{1, 0, 0}, R{1, 0, 0}, R{-1, -1, 0}, R{-1, 0, 0}, R{-1, 0, 0}, R{-1, 0, 0}},
    {R{1, 0, 0}, R{1, 0, 0}, R{-1, 0, 0}, R{-1, 0, 0}, R{-1, 0, 0}, R{-1, 0, 0}},
    {R{1, 0, 0}, R{1, 0, 0}, R{1, -1, 0}, R{1, 0, 0}, R{1, 0, 0}, R{1, 0, 0}},
    {R{-1, 0, 0}, R{1, 0, 0}, R{1, 0, 0}, R{-1, 0, 0}, R{1, 0, 0}, R{-1, 0, 0}},
    {R{1, 0, 0}, R{1, 0, 0}, R{-1, 0, 0}, R{1, 0, 0}, R{1, 0, 0}, R{1, 0, 0}},
};

// Exact for the right angles link twists nearly always are.
void sinCosDegrees(double deg, double &s, double &c)
{
    const double r = std::fmod(deg, 360.0);
    const double d = r < 0 ? r + 360.0 : r;
    if (d == 0.0) {
        s = 0;
        c = 1;
    } else if (d == 90.0) {
        s = 1;
        c = 0;
    } else if (d == 180.0) {
        s = 0;
        c = -1;
    } else if (d == 270.0) {
        s = -1;
        c = 0;
    } else {
        s = std::sin(deg * toolbox::kDegToRad);
        c = std::cos(deg * toolbox::kDegToRad);
    }
}

Link linkOf(const Joint &j)
{
    Link l;
    l.alpha = j.getAlpha();
    l.a = j.getA();
    l.d = j.getD();
    l.theta = j.getTheta();
    l.lower = j.getLiminf();
    l.upper = j.getLimsup();
    sinCosDegrees(l.alpha, l.sinAlpha, l.cosAlpha);
    l.thetaRad = l.theta * toolbox::kDegToRad;
    // As linkMatrix rounds them.
    const double r = double(float(l.alpha)) * toolbox::kDegToRad;
    l.sa = static_cast<float>(std::sin(r));
    l.ca = static_cast<float>(std::cos(r));
    l.fa = float(l.a);
    l.dsa = static_cast<float>(-double(j.getD()) * l.sa);
    l.dca = static_cast<float>(double(j.getD()) * l.ca);
    l.caPair[0] = l.caPair[1] = double(l.ca);
    l.saPair[0] = l.saPair[1] = double(l.sa);
    l.aPair[1] = double(l.fa);
    l.saColumns[0] = -double(l.sa);
    l.saColumns[1] = double(l.dsa);
    l.caColumns[0] = double(l.ca);
    l.caColumns[1] = double(l.dca);
    l.flat = l.sa == 0.0f && l.ca == 1.0f;
    l.noLength = l.fa == 0.0f;
    return l;
}

void workOutSphericalWrist(Chain &c)
{
    const auto &L = c.links;
    // Axes 4, 5 and 6 meet in one point, with the twists the closed form is
    // written for.
    c.sphericalWrist = L[4].a == 0 && L[5].a == 0 && L[4].d == 0.0 && L[3].alpha == -90 &&
                       L[4].alpha == 90 && L[5].alpha == -90;
    c.closedFormExact = c.sphericalWrist && L[0].alpha == 0 && L[1].alpha == -90 &&
                        L[2].alpha == 0 && L[0].a == 0 && L[2].d == 0.0;
    SphericalWrist &s = c.spherical;
    // Lengths as the description's single-precision values.
    s.d1 = L[0].d;
    s.d2 = L[1].d;
    s.d4 = L[3].d;
    s.d6 = L[5].d;
    s.a2 = float(L[1].a);
    s.a3 = float(L[2].a);
    s.a4 = float(L[3].a);
    s.A = 2.0 * s.a3 * s.a4;
    s.B = 2.0 * s.a3 * s.d4;
    s.R = std::sqrt(s.A * s.A + s.B * s.B);
    s.a3sq = s.a3 * s.a3;
    s.d4sq = s.d4 * s.d4;
    s.a4sq = s.a4 * s.a4;
}

void workOutOffsetWrist(Chain &c)
{
    const auto &L = c.links;
    OffsetWrist &w = c.offsetWrist;
    const double al2 = L[1].alpha * toolbox::kDegToRad, al5 = L[4].alpha * toolbox::kDegToRad,
                 al6 = L[5].alpha * toolbox::kDegToRad;
    w.sa2 = std::sin(al2);
    w.sa5 = std::sin(al5);
    w.ca5 = std::cos(al5);
    w.sa6 = std::sin(al6);
    w.ca6 = std::cos(al6);
    w.usable = !(L[2].alpha != 0 || L[3].alpha != 0 || L[5].a != 0 || std::fabs(w.sa2) < 0.5 ||
                 std::fabs(w.sa5 * w.sa6) < 0.25);
    w.rightAngles =
        std::fabs(w.ca5 * w.ca6) < 1e-9 && std::fabs(std::fabs(w.sa5 * w.sa6) - 1.0) < 1e-9;
    w.a3 = L[2].a;
    w.a4 = L[3].a;
    w.d6 = L[5].d;
    w.offset = L[1].d + float(L[2].d) + float(L[3].d) + float(L[4].d) * w.ca5;
    w.link1Inverse = toolbox::rigidInverse(
        toolbox::linkMatrix(float(L[0].alpha), float(L[0].a), 0.0f, float(L[0].d)));
    w.link2 = toolbox::linkMatrix(float(L[1].alpha), float(L[1].a), 0.0f, float(L[1].d));
}

} // namespace

const AngleRules &angleRules(int angleType)
{
    return angleType >= 0 && angleType < 7 ? kRules[angleType] : kIdentity;
}

Chain makeChain(const std::vector<Joint> &joints, int angleType)
{
    Chain c;
    c.angleType = angleType;
    c.rules = angleRules(angleType);
    c.plainRules = true;
    for (int k = 0; k < kAxes; ++k) {
        const AxisRule &r = c.rules[std::size_t(k)];
        c.signs[std::size_t(k)] = r.sign;
        if (r.offset != 0.0f || (k != 2 && r.coupling != 0.0f))
            c.plainRules = false;
    }
    c.coupling3 = c.rules[2].coupling;
    // A description cut short still has the axes it has.
    c.axisCount = std::min(int(joints.size()) - 1, kAxes);
    for (int k = 0; k < c.axisCount; ++k) {
        c.links[std::size_t(k)] = linkOf(joints[std::size_t(k + 1)]);
        c.theta[k] = c.links[std::size_t(k)].theta;
        c.lower[std::size_t(k)] = float(c.links[std::size_t(k)].lower);
        c.upper[std::size_t(k)] = float(c.links[std::size_t(k)].upper);
    }
    // A coupled axis 3 keeps its described range on the sum or difference
    // the rule makes of axes 2 and 3: its robot range moves by -coupling *
    // sign times axis 2.
    if (c.axisCount < kAxes)
        return c;
    c.complete = true;
    const AxisRule &r3 = c.rules[2];
    c.coupled = r3.coupling != 0.0f;
    c.couplingShift = c.coupled ? -r3.coupling * r3.sign : 0.0f;
    for (int k = 0; k < kAxes; ++k) {
        const std::size_t ks = std::size_t(k);
        if (!takesNearestTurn(k) || (c.upper[ks] - c.lower[ks] < 359.0f && !(c.coupled && k == 2)))
            c.takesWithin |= 1u << k;
        if (!takesNearestTurn(k) && c.upper[ks] - c.lower[ks] >= 359.0f)
            c.turning |= 1u << k;
    }
    workOutSphericalWrist(c);
    workOutOffsetWrist(c);
    // An offset wrist cannot be spherical (axis 4's twist is 0 there, -90
    // here), so at most one of the two fits.
    if (c.closedFormExact)
        c.solver = Chain::Solver::ClosedForm;
    else if (c.offsetWrist.usable)
        c.solver = Chain::Solver::OffsetWrist;
    return c;
}

namespace {

#ifdef __SSE2__
// Both lanes rounded to float, written with the conversions themselves: GCC
// 12, vectorizing two expressions double(float(x)) into one pair, drops the
// rounding (it allows itself excess precision in C++), and the answers then
// differ in the last bit.
inline __m128d toFloatAndBack(__m128d v)
{
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}

inline __m128d lane0(__m128d v)
{
    return _mm_unpacklo_pd(v, v);
}

inline __m128d lane1(__m128d v)
{
    return _mm_unpackhi_pd(v, v);
}

// The rows of the product so far, each as two pairs of doubles that hold
// float values: (x0, x1) and (x2, x3).
struct Rows
{
    __m128d lo[3], hi[3];
};

// Rows times one link whose rotation's sine and cosine, rounded to float,
// are (st, ct). Each sum adds its terms in the order of the full product,
// but from its first term rather than from +0.0, which changes nothing but
// the sign of a zero (forward() gives every zero its sign at the end). So
// with finite rows (Finite), terms that are products with an exact zero of
// the link are left out as well: a flat link (no twist) has them where its
// sine stands, a link without length a in the last column.
//
// On the last link (Last) each sum gets +0.0 added before it is rounded:
// the full product's sums, which start from +0.0, are never a negative zero
// either. (A tiny negative sum still rounds to a negative zero in float.)
template <bool Finite, bool Flat, bool NoLength, bool Last>
inline void multiplyLink(Rows &m, const Link &c, __m128d stct)
{
    static_assert(Finite || (!Flat && !NoLength), "zero terms are left out of finite rows only");
    const __m128d zero = _mm_setzero_pd();
    const __m128d k01 = _mm_xor_pd(_mm_shuffle_pd(stct, stct, 1), _mm_set_pd(-0.0, 0.0));
    const __m128d m01 = Flat ? stct : toFloatAndBack(_mm_mul_pd(stct, _mm_load_pd(c.caPair)));
    const __m128d n01 = Flat ? zero : toFloatAndBack(_mm_mul_pd(stct, _mm_load_pd(c.saPair)));
    const __m128d k23 = _mm_load_pd(c.aPair);
    const __m128d m23 = _mm_load_pd(c.saColumns);
    const __m128d n23 = _mm_load_pd(c.caColumns);
    const __m128d lastOnly = _mm_set_pd(1.0, 0.0);
    for (int row = 0; row < 3; ++row) {
        const __m128d x0 = lane0(m.lo[row]), x1 = lane1(m.lo[row]);
        const __m128d x2 = lane0(m.hi[row]);
        __m128d r01 = _mm_add_pd(_mm_mul_pd(x0, k01), _mm_mul_pd(x1, m01));
        if (!Flat)
            r01 = _mm_add_pd(r01, _mm_mul_pd(x2, n01));
        __m128d terms[3];
        int count = 0;
        if (!NoLength)
            terms[count++] = _mm_mul_pd(x0, k23);
        if (!Flat)
            terms[count++] = _mm_mul_pd(x1, m23);
        terms[count++] = _mm_mul_pd(x2, n23);
        __m128d r23 = terms[0];
        for (int t = 1; t < count; ++t)
            r23 = _mm_add_pd(r23, terms[t]);
        // x3 times (0, 1); with finite rows x2 * 0 gives the same zero term
        // and spares a shuffle.
        r23 = _mm_add_pd(r23, _mm_mul_pd(Finite ? m.hi[row] : lane1(m.hi[row]), lastOnly));
        if (Last) {
            r01 = _mm_add_pd(r01, zero);
            r23 = _mm_add_pd(r23, zero);
        }
        m.lo[row] = toFloatAndBack(r01);
        m.hi[row] = toFloatAndBack(r23);
    }
}

template <bool Last> inline void multiplyFiniteLink(Rows &m, const Link &c, __m128d stct)
{
    if (c.flat) {
        if (c.noLength)
            multiplyLink<true, true, true, Last>(m, c, stct);
        else
            multiplyLink<true, true, false, Last>(m, c, stct);
    } else {
        if (c.noLength)
            multiplyLink<true, false, true, Last>(m, c, stct);
        else
            multiplyLink<true, false, false, Last>(m, c, stct);
    }
}

// The identity times the first link: each sum is the one term with factor 1
// and terms that are zeros, so that term up to the sign of a zero (the
// operands are finite; with a NaN or an infinite angle both ways give NaN in
// the same places).
inline void firstLink(Rows &rows, const Link &c, __m128d stct)
{
    rows.lo[0] = _mm_xor_pd(_mm_shuffle_pd(stct, stct, 1), _mm_set_pd(-0.0, 0.0));
    rows.hi[0] = _mm_load_pd(c.aPair);
    rows.lo[1] = toFloatAndBack(_mm_mul_pd(stct, _mm_load_pd(c.caPair)));
    rows.hi[1] = _mm_load_pd(c.saColumns);
    rows.lo[2] = toFloatAndBack(_mm_mul_pd(stct, _mm_load_pd(c.saPair)));
    rows.hi[2] = _mm_load_pd(c.caColumns);
}

// All six links of a complete chain, the common case, without a loop or a
// test per link: false (and m untouched) when an angle is outside the range
// the two-lane sine and cosine take, or not a number.
bool forwardSix(const Chain &chain, const float *model, Matrix4 &m)
{
    // The angles as linkMatrix forms them, in radians: float(theta + model)
    // degrees, two at a time.
    const __m128d toRad = _mm_set1_pd(toolbox::kDegToRad), range = _mm_set1_pd(1e3);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
    __m128d arg[3];
    __m128d inRange = _mm_castsi128_pd(_mm_set1_epi64x(-1));
    for (int p = 0; p < 3; ++p) {
        const __m128d q = _mm_cvtps_pd(
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(model + 2 * p))));
        arg[p] = _mm_mul_pd(toFloatAndBack(_mm_add_pd(_mm_load_pd(chain.theta + 2 * p), q)), toRad);
        inRange = _mm_and_pd(inRange, _mm_cmplt_pd(_mm_and_pd(arg[p], magnitude), range));
    }
    if (_mm_movemask_pd(inRange) != 3)
        return false;
    __m128d stct[kAxes];
    for (int p = 0; p < 3; ++p) {
        __m128d s, c;
        trig::sinCosLanes(arg[p], s, c);
        s = toFloatAndBack(s);
        c = toFloatAndBack(c);
        stct[2 * p] = _mm_unpacklo_pd(s, c);
        stct[2 * p + 1] = _mm_unpackhi_pd(s, c);
    }
    Rows rows;
    firstLink(rows, chain.links[0], stct[0]);
    for (int i = 1; i < kAxes - 1; ++i)
        multiplyFiniteLink<false>(rows, chain.links[std::size_t(i)], stct[i]);
    multiplyFiniteLink<true>(rows, chain.links[kAxes - 1], stct[kAxes - 1]);
    for (int row = 0; row < 3; ++row)
        _mm_storeu_ps(m.data() + 4 * row,
                      _mm_movelh_ps(_mm_cvtpd_ps(rows.lo[row]), _mm_cvtpd_ps(rows.hi[row])));
    _mm_storeu_ps(m.data() + 12, _mm_setr_ps(0.0f, 0.0f, 0.0f, 1.0f));
    return true;
}
#endif

} // namespace

Matrix4 forward(const Chain &chain, const float *model, int n)
{
    // The chain of linkMatrix products, written out for the structure of a
    // modified-DH link: its last row is (0, 0, 0, 1) and element (0, 2) is 0,
    // so those terms are left out. Every sum adds the remaining terms in the
    // order of the full product, then rounds to float as the product does:
    // the result is the same to the last bit, signs of zero included (see
    // multiplyLink).
    Matrix4 m;
#ifdef __SSE2__
    if (n >= kAxes && chain.axisCount == kAxes && forwardSix(chain, model, m))
        return m;
#endif
    m = toolbox::identity();
    const int last = std::max(0, std::min(n, chain.axisCount));
    if (last == 0)
        return m;
    double arg[kAxes];
    for (int i = 0; i < last; ++i) {
        const float theta =
            static_cast<float>(chain.links[std::size_t(i)].theta + double(model[i]));
        arg[i] = double(theta) * toolbox::kDegToRad;
    }
#ifdef __SSE2__
    // Every joint's sine and cosine first, two at a time, rounded to float
    // as linkMatrix rounds them; stct[i] is (sin, cos) of joint i.
    __m128d stct[kAxes];
    // Every angle within the fast range is finite, and so is every row.
    bool finite = true;
    for (int i = 0; i < last; i += 2) {
        const double a0 = arg[i], a1 = i + 1 < last ? arg[i + 1] : 0.0;
        __m128d s, c;
        if (std::fabs(a0) < 1e3 && std::fabs(a1) < 1e3) {
            trig::sinCosLanes(_mm_set_pd(a1, a0), s, c);
        } else {
            finite = false;
            const trig::SinCos r0 = trig::sinCos(a0), r1 = trig::sinCos(a1);
            s = _mm_set_pd(r1.s, r0.s);
            c = _mm_set_pd(r1.c, r0.c);
        }
        s = toFloatAndBack(s);
        c = toFloatAndBack(c);
        stct[i] = _mm_unpacklo_pd(s, c);
        if (i + 1 < last)
            stct[i + 1] = _mm_unpackhi_pd(s, c);
    }
    Rows rows;
    firstLink(rows, chain.links[0], stct[0]);
    if (finite) {
        for (int i = 1; i + 1 < last; ++i)
            multiplyFiniteLink<false>(rows, chain.links[std::size_t(i)], stct[i]);
        if (last > 1)
            multiplyFiniteLink<true>(rows, chain.links[std::size_t(last - 1)], stct[last - 1]);
    } else {
        for (int i = 1; i + 1 < last; ++i)
            multiplyLink<false, false, false, false>(rows, chain.links[std::size_t(i)], stct[i]);
        if (last > 1)
            multiplyLink<false, false, false, true>(rows, chain.links[std::size_t(last - 1)],
                                                    stct[last - 1]);
    }
    // The first link alone: its elements as the full product's sums give
    // them, from +0.0, so with no negative zero.
    if (last == 1) {
        const __m128d zero = _mm_setzero_pd();
        for (int row = 0; row < 3; ++row) {
            rows.lo[row] = _mm_add_pd(rows.lo[row], zero);
            rows.hi[row] = _mm_add_pd(rows.hi[row], zero);
        }
    }
    for (int row = 0; row < 3; ++row)
        _mm_storeu_ps(m.data() + 4 * row,
                      _mm_movelh_ps(_mm_cvtpd_ps(rows.lo[row]), _mm_cvtpd_ps(rows.hi[row])));
#else
    for (int i = 0; i < last; ++i) {
        const Link &c = chain.links[std::size_t(i)];
        const trig::SinCos sc = trig::sinCos(arg[i]);
        const double st = static_cast<float>(sc.s);
        const double ct = static_cast<float>(sc.c);
        const double l10 = static_cast<float>(c.ca * st), l11 = static_cast<float>(c.ca * ct);
        const double l20 = static_cast<float>(c.sa * st), l21 = static_cast<float>(c.sa * ct);
        const double l12 = -c.sa, l22 = c.ca, a = c.fa, l13 = c.dsa, l23 = c.dca;
        for (int row = 0; row < 3; ++row) {
            float *x = m.data() + 4 * row;
            const double x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3];
            x[0] = static_cast<float>(0.0 + x0 * ct + x1 * l10 + x2 * l20);
            x[1] = static_cast<float>(0.0 + x0 * -st + x1 * l11 + x2 * l21);
            x[2] = static_cast<float>(0.0 + x1 * l12 + x2 * l22);
            x[3] = static_cast<float>(0.0 + x0 * a + x1 * l13 + x2 * l23 + x3);
        }
    }
#endif
    return m;
}

Matrix4 forwardFromJoints(const Chain &chain, const float *jointValues, int n)
{
    float model[kAxes];
    toModel(chain, jointValues, model);
    return forward(chain, model, n);
}

} // namespace kinematics
