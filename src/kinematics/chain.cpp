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
    workOutSphericalWrist(c);
    workOutOffsetWrist(c);
    return c;
}

Matrix4 forward(const Chain &chain, const float *model, int n)
{
    // The chain of linkMatrix products, written out for the structure of a
    // modified-DH link: its last row is (0, 0, 0, 1) and element (0, 2) is 0,
    // so those terms are left out. Every sum starts from +0.0 and adds the
    // remaining terms in the order of the full product, then rounds to float
    // as the product does: the result is the same to the last bit, signs of
    // zero included (a sum that starts from +0.0 is never -0.0, so a missing
    // zero term cannot change it, nor can an added one).
    Matrix4 m = toolbox::identity();
    const int last = std::max(0, std::min(n, chain.axisCount));
    // Every joint's sine and cosine first, two at a time.
    double arg[kAxes + 1];
    for (int i = 0; i < last; ++i) {
        const float theta = static_cast<float>(chain.links[std::size_t(i)].theta + double(model[i]));
        arg[i] = double(theta) * toolbox::kDegToRad;
    }
    arg[last] = 0.0;
    trig::SinCos sc[kAxes + 1];
    for (int i = 0; i < last; i += 2)
        trig::sinCos2(arg[i], arg[i + 1], sc[i], sc[i + 1]);
    for (int i = 0; i < last; ++i) {
        const Link &c = chain.links[std::size_t(i)];
        const double st = static_cast<float>(sc[i].s);
        const double ct = static_cast<float>(sc[i].c);
        const double l10 = static_cast<float>(c.ca * st), l11 = static_cast<float>(c.ca * ct);
        const double l20 = static_cast<float>(c.sa * st), l21 = static_cast<float>(c.sa * ct);
        const double l12 = -c.sa, l22 = c.ca, a = c.fa, l13 = c.dsa, l23 = c.dca;
        if (i == 0 && std::isfinite(st) && std::isfinite(ct)) {
            // The identity times the first link: each sum is +0.0, the one
            // term with factor 1 and terms that are zeros, which is that term
            // with a negative zero made positive (the operands are finite).
            const float first[12] = {float(0.0 + ct),  float(0.0 + -st), 0.0f,
                                     float(0.0 + a),   float(0.0 + l10), float(0.0 + l11),
                                     float(0.0 + l12), float(0.0 + l13), float(0.0 + l20),
                                     float(0.0 + l21), float(0.0 + l22), float(0.0 + l23)};
            std::copy(first, first + 12, m.data());
            continue;
        }
#ifdef __SSE2__
        // Two elements of a row at a time, each lane adding its terms in
        // the order above; element 2 gets x0 * 0 first and x3 * 0 last, which
        // change nothing (the operands are finite).
        const __m128d k01 = _mm_set_pd(-st, ct), k23 = _mm_set_pd(a, 0.0);
        const __m128d m01 = _mm_set_pd(l11, l10), m23 = _mm_set_pd(l13, l12);
        const __m128d n01 = _mm_set_pd(l21, l20), n23 = _mm_set_pd(l23, l22);
        const __m128d one = _mm_set_pd(1.0, 0.0);
        for (int row = 0; row < 3; ++row) {
            float *x = m.data() + 4 * row;
            const __m128 xf = _mm_loadu_ps(x);
            const __m128d lo = _mm_cvtps_pd(xf), hi = _mm_cvtps_pd(_mm_movehl_ps(xf, xf));
            const __m128d x0 = _mm_unpacklo_pd(lo, lo), x1 = _mm_unpackhi_pd(lo, lo);
            const __m128d x2 = _mm_unpacklo_pd(hi, hi), x3 = _mm_unpackhi_pd(hi, hi);
            __m128d r01 = _mm_add_pd(_mm_setzero_pd(), _mm_mul_pd(x0, k01));
            r01 = _mm_add_pd(r01, _mm_mul_pd(x1, m01));
            r01 = _mm_add_pd(r01, _mm_mul_pd(x2, n01));
            __m128d r23 = _mm_add_pd(_mm_setzero_pd(), _mm_mul_pd(x0, k23));
            r23 = _mm_add_pd(r23, _mm_mul_pd(x1, m23));
            r23 = _mm_add_pd(r23, _mm_mul_pd(x2, n23));
            r23 = _mm_add_pd(r23, _mm_mul_pd(x3, one));
            _mm_storeu_ps(x, _mm_movelh_ps(_mm_cvtpd_ps(r01), _mm_cvtpd_ps(r23)));
        }
#else
        for (int row = 0; row < 3; ++row) {
            float *x = m.data() + 4 * row;
            const double x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3];
            x[0] = static_cast<float>(0.0 + x0 * ct + x1 * l10 + x2 * l20);
            x[1] = static_cast<float>(0.0 + x0 * -st + x1 * l11 + x2 * l21);
            x[2] = static_cast<float>(0.0 + x1 * l12 + x2 * l22);
            x[3] = static_cast<float>(0.0 + x0 * a + x1 * l13 + x2 * l23 + x3);
        }
#endif
    }
    return m;
}

Matrix4 forwardFromJoints(const Chain &chain, const float *jointValues, int n)
{
    float model[kAxes];
    toModel(chain, jointValues, model);
    return forward(chain, model, n);
}

} // namespace kinematics
