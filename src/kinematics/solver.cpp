#include "solver.h"

#include "logging.h"
#include "trig.h"

#include <QDebug>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kinematics {

namespace {

constexpr double kPi = toolbox::kPi;
// What the double kPi lacks of pi.
constexpr double kPiLo = 1.2246467991473531772e-16;
constexpr double kDegToRad = toolbox::kDegToRad;
constexpr double kRadToDeg = toolbox::kRadToDeg;
constexpr double kToDegrees = 57.29577951308232;
// Below this sine of the wrist bend (about 0.0001 degrees) the wrist is
// singular to the rounding of single-precision poses: axis 4 and 6 are then
// one rotation and axis 4 keeps its value. A wider band would list
// configurations that miss the target by the bend it ignores.
constexpr double kWristNoise = 2e-6;
// An elbow this close to straight (1 - |cos| below it, a bend of 0.08
// degrees), or a wrist point this close to the cylinder its offset keeps it
// off axis 1, is singular as far as a single-precision pose can tell: the
// position changes by less than 0.0002 mm across the band.
constexpr double kArmNoise = 1e-6;
// A wrist centre this far (mm) beyond the reach of the arm - the elbow
// stretched or folded, or the point on the cylinder a shoulder offset keeps
// it off - is at that edge: a pose the arm reaches there, rounded to single
// precision or written with a few decimals, lands on either side of it.
// The configuration found at the edge misses by no more than this, with the
// rounding of its own joint values still within 0.001 mm.
constexpr double kReachSlack = 5e-4;
// Two configurations closer than this on every axis are one.
constexpr float kSameConfiguration = 1e-3f;

using Basic = std::array<float, kAxes>; // model angles, degrees

#ifdef __SSE2__
// Two floats into the low half of a vector, the high half zero.
inline __m128 loadTwo(const float *p)
{
    double two;
    std::memcpy(&two, p, sizeof two);
    return _mm_castpd_ps(_mm_set_sd(two));
}

// A mask of every lane but lane k (0-3).
inline __m128 allLanesBut(std::size_t k)
{
    alignas(16) static constexpr std::uint32_t kMasks[4][4] = {
        {0, ~0u, ~0u, ~0u}, {~0u, 0, ~0u, ~0u}, {~0u, ~0u, 0, ~0u}, {~0u, ~0u, ~0u, 0}};
    return _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i *>(kMasks[k])));
}
#endif

// Limits are judged with the tolerance every judge of them takes.
inline bool within(float v, float lo, float hi)
{
    return withinLimits(v, lo, hi);
}

// Whole turns further out cannot come back within [lo, hi].
inline bool beyondBoth(float down, float up, float lo, float hi)
{
    return down < lo - kLimitTolerance && up > hi + kLimitTolerance;
}

// Rotation part of a link transform, RotX(alpha) RotZ(theta), row-major.
inline void linkRotation(double sa, double ca, double st, double ct, double *m)
{
    m[0] = ct;
    m[1] = -st;
    m[2] = 0.0;
    m[3] = ca * st;
    m[4] = ca * ct;
    m[5] = -sa;
    m[6] = sa * st;
    m[7] = sa * ct;
    m[8] = ca;
}

// The angle of the opposite direction, within (-pi, pi], as the wrist has
// always been turned over.
inline double halfTurn(double a)
{
    return a > 0.0 ? a - kPi : a + kPi;
}

// The same with the rounding of kPi made good: the arc tangent of the
// opposite direction to within a unit in the last place.
inline double opposite(double a)
{
    return a > 0.0 ? (a - kPi) - kPiLo : (a + kPi) + kPiLo;
}

// std::remainder(a, 2 pi): a less the nearest multiple of 2 pi, exactly.
// For the few turns an angle here can have, that multiple is one or two
// turns and the subtraction is exact (the two are within a factor of two);
// only a value next to half a turn, where the quotient may round either way,
// is left to the library.
inline double wrap(double a)
{
    constexpr double kTurn = 2.0 * kPi;
    if (!(std::fabs(a) < 4.5 * kPi))
        return std::remainder(a, kTurn);
    const double n = (a / kTurn + 6755399441055744.0) - 6755399441055744.0; // rounded
    const double r = a - n * kTurn;
    if (std::fabs(r) > 0.4999999 * kTurn)
        return std::remainder(a, kTurn);
    return r;
}

// toolbox::linkMatrix of the link with joint angle theta (degrees, the
// offset included), its twist already rounded as linkMatrix rounds it.
Matrix4 linkMatrixOf(const Link &l, float thetaDeg)
{
    const trig::SinCos t = trig::sinCos(double(thetaDeg) * kDegToRad);
    const float s = static_cast<float>(t.s), c = static_cast<float>(t.c);
    Matrix4 m{};
    m[0] = c;
    m[1] = -s;
    m[3] = l.fa;
    m[4] = static_cast<float>(double(l.ca) * s);
    m[5] = static_cast<float>(double(l.ca) * c);
    m[6] = -l.sa;
    m[7] = l.dsa;
    m[8] = static_cast<float>(double(l.sa) * s);
    m[9] = static_cast<float>(double(l.sa) * c);
    m[10] = l.ca;
    m[11] = l.dca;
    m[15] = 1.0f;
    return m;
}

// The value v + 360 m (|m| <= kMaxTurns) that lies within [lo, hi]: with
// `nearest`, the one closest to `target`; otherwise v itself when it fits,
// else the smallest turn, -360 tried before +360. False when none fits.
bool fitTurn(float v, float lo, float hi, bool nearest, float target, float &out)
{
    // A range narrower than a turn holds one value of v + 360 m at most: if
    // v is within, it is the nearest as well.
    if (within(v, lo, hi) && (!nearest || hi - lo < 359.0f)) {
        out = v;
        return true;
    }
    bool found = false;
    float bestDistance = 0.0f;
    for (int m = 0; m <= kMaxTurns; ++m) {
        const float down = v - 360.0f * float(m), up = v + 360.0f * float(m);
        // Further turns only move further out.
        if (beyondBoth(down, up, lo, hi))
            break;
        for (float w : {down, up}) {
            if (!within(w, lo, hi))
                continue;
            if (!nearest) {
                out = w;
                return true;
            }
            const float d = std::fabs(w - target);
            if (!found || d < bestDistance) {
                found = true;
                bestDistance = d;
                out = w;
            }
        }
    }
    return found;
}

// Robot value q[k] fitted into its range (axis 3's range moves with q[1]
// for the coupled angle types): false when it does not fit or is not a
// number.
bool fitAxis(const Chain &c, float *q, const float *seed, int k)
{
    float lo, hi;
    axisRange(c, k, q[1], lo, hi);
    // Within the range, on an axis where that settles it.
    if (within(q[k], lo, hi) && (c.takesWithin >> k & 1u))
        return true;
    return std::isfinite(q[k]) && fitTurn(q[k], lo, hi, takesNearestTurn(k), seed[k], q[k]);
}

// Robot values of the first `axes` axes fitted into their ranges, a turn at
// a time: false when one does not fit (or is not a number).
bool fitAxes(const Chain &c, float *q, const float *seed, int axes)
{
#ifdef __SSE2__
    // The common case: every axis within its range, on axes where that
    // settles it, all six judged at once (q always holds six values). On an
    // arm where some of these axes cannot settle that way it never is.
    // The values are read one by one: they were mostly just written so,
    // and a wider read of narrower writes stalls the processor.
    const unsigned all = (1u << axes) - 1u;
    if (!c.coupled && (c.takesWithin & all) == all) {
        const __m128 q03 = _mm_setr_ps(q[0], q[1], q[2], q[3]);
        const __m128 q45 = _mm_setr_ps(q[4], q[5], 0.0f, 0.0f);
        const __m128 lo03 = _mm_loadu_ps(c.lower.data()), hi03 = _mm_loadu_ps(c.upper.data());
        const __m128 lo45 = loadTwo(c.lower.data() + 4);
        const __m128 hi45 = loadTwo(c.upper.data() + 4);
        const unsigned inside =
            unsigned(
                _mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(q03, lo03), _mm_cmple_ps(q03, hi03)))) |
            unsigned(_mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(q45, lo45), _mm_cmple_ps(q45, hi45))))
                << 4;
        if ((inside & all) == all)
            return true;
    }
#endif
    for (int k = 0; k < axes; ++k)
        if (!fitAxis(c, q, seed, k))
            return false;
    return true;
}

// The whole-turn variants v +- 360 m within [lo, hi] in the order the list
// gives them: +360 before -360, one turn before two. Returns their count.
int turnsOf(float v, float lo, float hi, float *out)
{
    int n = 0;
    for (int m = 1; m <= kMaxTurns; ++m) {
        const float up = v + 360.0f * float(m);
        const float down = v - 360.0f * float(m);
        if (beyondBoth(down, up, lo, hi))
            break;
        if (within(up, lo, hi))
            out[n++] = up;
        if (within(down, lo, hi))
            out[n++] = down;
    }
    return n;
}

// A singular arm or wrist can give the same configuration twice.
bool sameConfiguration(const std::array<float, kAxes> &a, const std::array<float, kAxes> &b)
{
    for (std::size_t k = 0; k < kAxes; ++k)
        if (std::fabs(a[k] - b[k]) > kSameConfiguration)
            return false;
    return true;
}

// The list out of the basic solutions: robot values, limits, whole-turn
// variants, coupled limits and the choice, which is kept up to date as
// entries are added (the earliest of equally near entries wins).
class ListBuilder
{
public:
    ListBuilder(const Chain &c, const float *seed, std::vector<IkConfiguration> &results)
        : m_chain(c), m_seed(seed), m_results(results)
    {
#ifdef __SSE2__
        m_seedLo = _mm_loadu_ps(seed);
        m_seedHi = _mm_setr_ps(seed[4], seed[5], 0.0f, 0.0f);
#endif
    }

    // `count` model-angle solutions in degrees.
    int finish(const Basic *basic, int count)
    {
        const Chain &c = m_chain;
        // Limits are robot joint values, so everything below works on robot
        // values: a model angle measured the other way round or from the
        // horizontal would be judged against the wrong range.
        for (int i = 0; i < count; ++i) {
            std::array<float, kAxes> q;
            toRobot(c, basic[i].data(), q.data());
            if (!fitAxes(c, q.data(), m_seed, kAxes) || isListed(q))
                continue;
            IkConfiguration e;
            e.q = q;
            e.valid = true;
            e.basic = true;
            add(e);
        }
        if (m_results.empty()) {
            qCDebug(lcIk) << "No original solutions";
            return -1;
        }

        // Every multiple of 360 degrees on axes 1, 4 and 6 that stays within
        // the limits, +360 before -360.
        for (int axis : {0, 3, 5}) {
            // Within a range narrower than a turn no other turn fits.
            if (!(c.turning >> axis & 1u))
                continue;
            const std::size_t a = std::size_t(axis);
            const std::size_t present = m_results.size();
            for (std::size_t i = 0; i < present; ++i) {
                float turns[2 * kMaxTurns];
                const int n = turnsOf(m_results[i].q[a], c.lower[a], c.upper[a], turns);
                for (int t = 0; t < n; ++t)
                    addVariant(i, a, turns[t]);
            }
        }

        if (m_chosen >= 0) {
            IkConfiguration &e = m_results[std::size_t(m_chosen)];
            e.chosen = true;
            e.near = m_best < 91.0f && m_bestAxis2 < 10.0f;
        }
        if (lcIk().isDebugEnabled()) {
            qCDebug(lcIk) << "Chosen: " << m_chosen;
            float seedModel[kAxes];
            toModel(c, m_seed, seedModel);
            qCDebug(lcIk) << "qAprox = []" << seedModel[0] << seedModel[1] << seedModel[2]
                          << seedModel[3] << seedModel[4] << seedModel[5];
            if (m_chosen >= 0) {
                const auto &q = m_results[std::size_t(m_chosen)].q;
                qCDebug(lcIk) << "chosen = []" << q[0] << q[1] << q[2] << q[3] << q[4] << q[5];
            }
        }
        return m_chosen;
    }

private:
    bool isListed(const std::array<float, kAxes> &q) const
    {
        for (const IkConfiguration &e : m_results)
            if (sameConfiguration(e.q, q))
                return true;
        return false;
    }

    // Entry i with axis a turned to v. Its largest move is taken from entry
    // i, written long before, with axis a's move put in: reading back the
    // copy just written, one value changed, would stall the processor.
    void addVariant(std::size_t i, std::size_t a, float v)
    {
        const float others = largestMove(m_results[i].q, a);
        const float own = std::fabs(v - m_seed[a]);
        m_results.push_back(m_results[i]);
        IkConfiguration &e = m_results.back();
        e.q[a] = v;
        e.basic = false;
        judge(own > others ? own : others);
    }

    void add(const IkConfiguration &e)
    {
        const float worst = largestMove(e.q, kAxes);
        m_results.push_back(e);
        judge(worst);
    }

    // The largest single-axis move from the seed, axis `skip` left out; a
    // NaN seed value leaves its axis out too, as std::max(worst, NaN) does.
    float largestMove(const std::array<float, kAxes> &q, std::size_t skip) const
    {
#ifdef __SSE2__
        const __m128 sign = _mm_set1_ps(-0.0f);
        __m128 lo = _mm_andnot_ps(sign, _mm_sub_ps(_mm_loadu_ps(q.data()), m_seedLo));
        __m128 hi = _mm_andnot_ps(sign, _mm_sub_ps(loadTwo(&q[4]), m_seedHi));
        if (skip < 4)
            lo = _mm_and_ps(lo, allLanesBut(skip));
        else if (skip < kAxes)
            hi = _mm_and_ps(hi, allLanesBut(skip - 4));
        // max(new, so far): a NaN in the new value keeps what was there.
        __m128 w = _mm_max_ps(hi, _mm_max_ps(lo, _mm_setzero_ps()));
        w = _mm_max_ps(_mm_movehl_ps(w, w), w);
        w = _mm_max_ss(_mm_shuffle_ps(w, w, 1), w);
        return _mm_cvtss_f32(w);
#else
        float worst = 0.0f;
        for (std::size_t k = 0; k < kAxes; ++k)
            if (k != skip)
                worst = std::max(worst, std::fabs(q[k] - m_seed[k]));
        return worst;
#endif
    }

    // The entry just added, with its largest move.
    void judge(float worst)
    {
        const IkConfiguration &e = m_results.back();
        if (worst < m_best) {
            m_best = worst;
            m_chosen = int(m_results.size()) - 1;
            m_bestAxis2 = std::fabs(e.q[1] - m_seed[1]);
        }
    }

    const Chain &m_chain;
    const float *m_seed;
    std::vector<IkConfiguration> &m_results;
    int m_chosen = -1;
    float m_best = 1e9f;
    float m_bestAxis2 = 0.0f;
#ifdef __SSE2__
    __m128 m_seedLo, m_seedHi;
#endif
};

// Closed form for a spherical wrist: two axis-1 candidates, two elbows for
// each, two wrists for each arm.
int closedForm(const Chain &c, const Matrix4 &T, const float *seedRobot, Basic *sols)
{
    float seed[kAxes];
    toModel(c, seedRobot, seed);
    const SphericalWrist &g = c.spherical;
    const auto &L = c.links;

    // Wrist centre: back from the flange along its Z axis. The arm is solved
    // in double: near a stretched elbow the square root below turns rounding
    // of the inputs into visible angle errors.
    const double px = double(T[3]) - g.d6 * T[2];
    const double py = double(T[7]) - g.d6 * T[6];
    const double pz = double(T[11]) - g.d6 * T[10];

    // Axis 1, with the sine and cosine of each candidate.
    bool onShoulderCylinder = false;
    double phi[2];
    trig::SinCos phiSc[2];
    if (g.d2 == 0.0) {
        if (std::fabs(px) + std::fabs(py) > 1e-10) {
            phi[0] = trig::atan2(py, px);
            // The opposite direction; on the X axis the sign of the zero says
            // which end of the range.
            phi[1] = py == 0.0 ? std::atan2(-py, -px) : opposite(phi[0]);
            trig::sinCos2(phi[0], phi[1], phiSc[0], phiSc[1]);
        } else {
            // Wrist centre on axis 1: keep axis 1 where it is.
            phi[0] = seed[0] * kDegToRad + L[0].thetaRad;
            phi[1] = phi[0] + kPi;
            trig::sinCos2(phi[0], phi[1], phiSc[0], phiSc[1]);
        }
    } else {
        const double psi = trig::atan2(py, px);
        const double r2 = px * px + py * py - g.d2 * g.d2;
        // r2 is about 2 |d2| times the distance from the cylinder of the
        // shoulder offset.
        if (!(r2 >= -2.0 * std::fabs(g.d2) * kReachSlack)) {
            qCDebug(lcIk) << "No solutions even in the first part";
            return -1;
        }
        onShoulderCylinder = r2 <= 0.0;
        const double r = r2 > 0.0 ? std::sqrt(r2) : 0.0;
        double off[2];
        trig::atan2x2(g.d2, r, g.d2, -r, off[0], off[1]);
        phi[0] = psi - off[0];
        phi[1] = psi - off[1];
        trig::sinCos2(phi[0], phi[1], phiSc[0], phiSc[1]);
    }

    // Axis 3, then axis 2, for each axis-1 candidate.
    struct Arm
    {
        double q1, q2, q3;
        // Sines and cosines of the three link angles (theta + q).
        double s1, c1, s2, c2, s3, c3;
        bool checkReach;
    };
    Arm arms[4];
    int armCount = 0;
    const double zp = pz - g.d1;
    const double A = g.A, B = g.B;
    // Whether axis 1's robot value depends on axis 1 alone (no rule couples
    // it to axis 2): then a candidate outside its limits is not worked out.
    const bool axis1Alone = c.rules[0].coupling == 0.0f;
    // The same for axis 3 and axis 2 (the coupled angle types tie them).
    const bool axis3Alone = !c.coupled && c.rules[2].coupling == 0.0f;
    for (int i = 0; i < 2; ++i) {
        const double f = phi[i], sf = phiSc[i].s, cf = phiSc[i].c;
        if (axis1Alone) {
            float first[kAxes] = {robotValue(c, 0, float((f - L[0].thetaRad) * kToDegrees))};
            if (!fitAxis(c, first, seedRobot, 0))
                continue;
        }
        const double rho = cf * px + sf * py - g.a2;
        // [[rho, z'], [-z', rho]] (x, y) = (u, v) below; rho^2 + z'^2 is the
        // square of the distance from axis 2 to the wrist centre.
        const double det = rho * rho + zp * zp;
        const double K = det - g.a3sq - g.d4sq - g.a4sq;
        // A c - B s = K has solutions while |K| <= R. Beyond, |K| - R is
        // about twice the distance times how far the wrist centre is out of
        // reach: within kReachSlack of the edge the elbow is straight (or
        // folded) - a clamped candidate, still checked against the target -
        // further out there is none.
        const double excess = std::fabs(K) - g.R;
        const bool inReach =
            excess <= 0.0 || excess * excess <= 4.0 * det * kReachSlack * kReachSlack;
        double sc[2][2];
        bool clamped = onShoulderCylinder || excess > 0.0;
        int n = 0;
        if (!inReach) {
            // Out of reach for this axis-1 candidate.
        } else if (A == 0.0) {
            if (B != 0.0) {
                const double s = std::clamp(-K / B, -1.0, 1.0);
                const double rad = 1.0 - s * s;
                const double cc = rad > 0.0 ? std::sqrt(rad) : 0.0;
                clamped = clamped || rad <= 0.0;
                sc[0][0] = s;
                sc[0][1] = cc;
                sc[1][0] = s;
                sc[1][1] = -cc;
                n = 2;
            }
        } else {
            const double KA = K / A, BA = B / A;
            const double F = -2.0 * K * BA / A;
            const double G = BA * BA + 1.0;
            const double delta =
                (2.0 * K * BA / A) * (2.0 * K * BA / A) - 4.0 * G * (KA * KA - 1.0);
            clamped = clamped || delta <= 0.0;
            const double root = delta > 0.0 ? std::sqrt(delta) : 0.0;
            const double sp = (F + root) / (2.0 * G);
            const double sm = (F - root) / (2.0 * G);
            sc[0][0] = sp;
            sc[0][1] = (B * sp + K) / A;
            sc[1][0] = sm;
            sc[1][1] = (B * sm + K) / A;
            n = 2;
        }
        // The two elbows: axis 3's angle of both first, so that an elbow
        // axis 3 cannot take is dropped before axis 2 is worked out.
        struct Elbow
        {
            double s3, c3, u, v, t3;
        };
        Elbow elbows[2];
        double sines[2], cosines[2];
        int elbowCount = 0;
        for (int k = 0; k < n && det > 0.0; ++k) { // det 0: wrist centre on axis 2
            const double s = sc[k][0], cc = sc[k][1];
            if (!(std::fabs(s) < 1.0000000001))
                continue;
            const double n3 = std::sqrt(s * s + cc * cc);
            if (!(n3 > 0.0))
                continue;
            const double c3 = cc / n3, s3 = s / n3;
            sines[elbowCount] = s;
            cosines[elbowCount] = cc;
            elbows[elbowCount++] = {s3, c3, g.a4 * c3 + g.a3 - g.d4 * s3, g.d4 * c3 + g.a4 * s3,
                                    0.0};
        }
        double t3[2];
        trig::atan2Many(sines, cosines, t3, elbowCount);
        for (int k = 0; k < elbowCount; ++k)
            elbows[k].t3 = t3[k];
        if (axis3Alone) {
            int kept = 0;
            for (int k = 0; k < elbowCount; ++k) {
                float q[kAxes] = {
                    0.0f, 0.0f,
                    robotValue(c, 2, float((elbows[k].t3 - L[2].thetaRad) * kToDegrees))};
                if (fitAxis(c, q, seedRobot, 2))
                    elbows[kept++] = elbows[k];
            }
            elbowCount = kept;
        }
        double xs[2], ys[2], t2[2];
        for (int k = 0; k < elbowCount; ++k) {
            xs[k] = (rho * elbows[k].u - zp * elbows[k].v) / det;
            ys[k] = (zp * elbows[k].u + rho * elbows[k].v) / det;
        }
        trig::atan2Many(xs, ys, t2, elbowCount);
        for (int k = 0; k < elbowCount; ++k) {
            const double x = xs[k], y = ys[k];
            // The link-2 angle is t2 - 90 degrees.
            const double nn = std::sqrt(x * x + y * y);
            arms[armCount++] = {f - L[0].thetaRad,
                                t2[k] - kPi / 2 - L[1].thetaRad,
                                elbows[k].t3 - L[2].thetaRad,
                                sf,
                                cf,
                                -y / nn,
                                x / nn,
                                elbows[k].s3,
                                elbows[k].c3,
                                clamped};
        }
    }
    if (armCount == 0) {
        qCDebug(lcIk) << "No solutions even in the first part";
        return -1;
    }

    // Wrist, two solutions per arm (one when singular). R03 is built from the
    // sines and cosines the arm already has, so no trigonometry is repeated.
    // The arc tangents of all arms are taken together, two at a time.
    struct Wrist
    {
        double r11, r12, r13, r23, r31, r32, r33, s;
        double t4, t5, t6;
        bool singular;
        bool outOfRange;
    };
    Wrist wrists[4];
    double ys[12], xs[12], angles[12];
    int pending = 0;
    const double th4 = L[3].thetaRad, th5 = L[4].thetaRad, th6 = L[5].thetaRad;
    double r01t[9] = {};
    const Arm *r01tArm = nullptr;
    for (int i = 0; i < armCount; ++i) {
        const Arm &arm = arms[i];
        Wrist &w = wrists[i];
        // An arm whose first three axes cannot take their limits gives no
        // configuration the list keeps (its robot values there do not depend
        // on the wrist): its wrist is not worked out.
        float first[kAxes] = {float(arm.q1 * kToDegrees),
                              float(arm.q2 * kToDegrees),
                              float(arm.q3 * kToDegrees),
                              0.0f,
                              0.0f,
                              0.0f};
        toRobot(c, first, first);
        w.outOfRange = !fitAxes(c, first, seedRobot, 3);
        if (w.outOfRange)
            continue;
        // R03^T R = R13^T (R01^T R): the part of axis 1 is shared by the two
        // elbows of each axis-1 candidate.
        if (!r01tArm || arm.s1 != r01tArm->s1 || arm.c1 != r01tArm->c1) {
            r01tArm = &arm;
            double l1[9];
            linkRotation(L[0].sinAlpha, L[0].cosAlpha, arm.s1, arm.c1, l1);
#ifdef __SSE2__
            // Columns 1 and 2 as a pair, summed in the same order as column 3.
            const __m128d t0 = _mm_cvtps_pd(loadTwo(&T[0]));
            const __m128d t4 = _mm_cvtps_pd(loadTwo(&T[4]));
            const __m128d t8 = _mm_cvtps_pd(loadTwo(&T[8]));
            for (int row = 0; row < 3; ++row) {
                const __m128d pair =
                    _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(l1[row]), t0),
                                          _mm_mul_pd(_mm_set1_pd(l1[3 + row]), t4)),
                               _mm_mul_pd(_mm_set1_pd(l1[6 + row]), t8));
                _mm_storeu_pd(r01t + 3 * row, pair);
                r01t[3 * row + 2] = l1[row] * T[2] + l1[3 + row] * T[6] + l1[6 + row] * T[10];
            }
#else
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 3; ++col)
                    r01t[3 * row + col] =
                        l1[row] * T[col] + l1[3 + row] * T[4 + col] + l1[6 + row] * T[8 + col];
#endif
        }
        // Axes 2 and 3 are parallel in the geometry the closed form is
        // written for, so R12 R23 is link 2's rotation at the sum of the two
        // angles. (An arm with a twist on axis 3 gets no candidate that
        // reaches the target, and every candidate there is checked.)
        double r13[9];
        linkRotation(L[1].sinAlpha, L[1].cosAlpha, arm.s2 * arm.c3 + arm.c2 * arm.s3,
                     arm.c2 * arm.c3 - arm.s2 * arm.s3, r13);
        auto r = [&](int row, int col) {
            return r13[row - 1] * r01t[col - 1] + r13[3 + row - 1] * r01t[3 + col - 1] +
                   r13[6 + row - 1] * r01t[6 + col - 1];
        };
        w.r11 = r(1, 1), w.r12 = r(1, 2), w.r13 = r(1, 3), w.r23 = r(2, 3), w.r31 = r(3, 1),
        w.r32 = r(3, 2), w.r33 = r(3, 3);
        // The wrist bend's sine from the two other elements of the column:
        // sqrt(1 - r23^2) loses its precision exactly where it matters, near
        // the singular wrist.
        w.s = std::sqrt(w.r13 * w.r13 + w.r33 * w.r33);
        w.singular = !(w.s > kWristNoise);
        // Axes 5 and 6 follow from axis 4: R = R4(t4) R5(t5) R6(t6) gives
        // sin t5 = s4 r33 - c4 r13 and the angle of axis 6 from the first two
        // columns. Taken this way the three angles always rebuild R, even
        // where axis 4 is poorly defined next to the singular wrist.
        if (!w.singular) {
            const double s4 = w.r33 / w.s, c4 = -w.r13 / w.s;
            const double y5 = s4 * w.r33 - c4 * w.r13;
            ys[pending] = w.r33;
            xs[pending++] = -w.r13;
            ys[pending] = y5;
            xs[pending++] = w.r23;
            ys[pending] = s4 * w.r11 + c4 * w.r31;
            xs[pending++] = s4 * w.r12 + c4 * w.r32;
        } else {
            // Singular to rounding noise: axis 4 stays where it is.
            w.t4 = seed[3] * kDegToRad + th4;
            const trig::SinCos a = trig::sinCos(w.t4);
            trig::atan2x2(a.s * w.r33 - a.c * w.r13, w.r23, a.s * w.r11 + a.c * w.r31,
                          a.s * w.r12 + a.c * w.r32, w.t5, w.t6);
        }
    }
    trig::atan2Many(ys, xs, angles, pending);

    int count = 0;
    int next = 0;
    for (int i = 0; i < armCount; ++i) {
        const Arm &arm = arms[i];
        auto addSolution = [&](double t4, double t5, double t6) {
            Basic q{float(arm.q1 * kToDegrees),     float(arm.q2 * kToDegrees),
                    float(arm.q3 * kToDegrees),     float((t4 - th4) * kToDegrees),
                    float((t5 - th5) * kToDegrees), float((t6 + kPi - th6) * kToDegrees)};
            // Candidates from a clamped root must still reach the target.
            if (arm.checkReach && !reaches(forward(c, q.data()), T))
                return;
            sols[count++] = q;
        };
        const Wrist &w = wrists[i];
        if (w.outOfRange)
            continue;
        if (w.singular) {
            addSolution(w.t4, w.t5, w.t6);
            continue;
        }
        const double t4 = angles[next], t5 = angles[next + 1], t6 = angles[next + 2];
        const double y6 = ys[next + 2], x6 = xs[next + 2];
        next += 3;
        addSolution(t4, t5, t6);
        // Solution B is solution A with the wrist turned over: axes 4
        // and 6 half a turn round, axis 5 mirrored.
        addSolution(halfTurn(t4), -t5, y6 == 0.0 ? std::atan2(-y6, -x6) : opposite(t6));
    }
    return count;
}

// Closed form for arms whose wrist is not spherical: axes 2, 3 and 4
// parallel (alpha of axes 3 and 4 zero), axes 2 and 5 at right angles to
// their predecessors, and the flange on axis 6 (a of axis 6 zero). Up to
// eight configurations: two for axis 1 (shoulder left or right), two for
// axis 5 (wrist up or down), two for axis 3 (elbow up or down).
int offsetWrist(const Chain &c, const Matrix4 &T, const float *seedRobot, Basic *sols)
{
    const OffsetWrist &g = c.offsetWrist;
    const double tolerance = reachTolerance(T);
    float seed[kAxes];
    toModel(c, seedRobot, seed);
    const auto &L = c.links;
    const double sa2 = g.sa2, sa5 = g.sa5, ca5 = g.ca5, sa6 = g.sa6, ca6 = g.ca6;
    const double a3 = g.a3, a4 = g.a4;

    // Remove the constant part of link 1 (twist, a and d of axis 1), so that
    // what is left starts with the rotation of axis 1 about Z.
    const Matrix4 Tp = toolbox::product(g.link1Inverse, T);
    // Wrist point: origin of frame 5, back from the flange along its Z axis.
    const double d6 = g.d6;
    const double px = Tp[3] - d6 * Tp[2], py = Tp[7] - d6 * Tp[6];
    const double zx = Tp[2], zy = Tp[6], zz = Tp[10]; // flange Z axis
    const double xx = Tp[0], xy = Tp[4];              // flange X axis
    const double yx = Tp[1], yy = Tp[5];              // flange Y axis

    // Offset of the wrist point from the arm plane, along the common axis
    // direction of axes 2-4, which in frame 1 is (0, -sin alpha2, cos alpha2).
    const double delta = -sa2 * g.offset; // y of the wrist point in frame 1
    const double r2 = px * px + py * py;
    // r2 - delta^2 is about 2 |delta| times the distance from the cylinder
    // the offset keeps the wrist point off: within kReachSlack it is on it.
    if (!(r2 - delta * delta >= -2.0 * std::fabs(delta) * kReachSlack) || r2 == 0.0) {
        qCDebug(lcIk) << "No solutions even in the first part";
        return -1;
    }
    const double r = std::sqrt(r2);
    const double psi = trig::atan2(py, px);
    double ratio = std::clamp(delta / r, -1.0, 1.0);
    // The wrist point on the cylinder of the offset (to what a float pose can
    // tell): the two shoulder configurations are one.
    const bool onCylinder = 1.0 - std::fabs(ratio) < kArmNoise;
    if (onCylinder)
        ratio = ratio > 0.0 ? 1.0 : -1.0;
    const double as = std::asin(ratio);
    const double t1c[2] = {psi - as, psi - kPi + as};

    int count = 0;
    for (int shoulder = 0; shoulder < (onCylinder ? 1 : 2); ++shoulder) {
        const double t1 = t1c[shoulder];
        // Normal of the arm plane (direction of axes 2-4) in frame 0'.
        const trig::SinCos sc1 = trig::sinCos(t1);
        // RotZ(t1) (0, -sa2, 0)  (cos alpha2 is zero for a right-angle twist)
        const double nx = sa2 * sc1.s, ny = -sa2 * sc1.c;
        // The part of the planar product that depends on axis 1 only.
        Link bare;
        bare.dsa = -0.0f; // as linkMatrix gives it: -d sin(alpha) with d = 0
        const Matrix4 rz1 = linkMatrixOf(bare, float(t1 * kRadToDeg));
        const Matrix4 armSide =
            toolbox::product(toolbox::rigidInverse(toolbox::product(rz1, g.link2)), Tp);
        const double zn = zx * nx + zy * ny;
        const double xn = xx * nx + xy * ny;
        const double yn = yx * nx + yy * ny;
        const double flangeTurn = trig::atan2(yn, xn);
        // z6 . n = cos(t5) (-sa5 sa6) + ca5 ca6
        double c5 = (zn - ca5 * ca6) / (-sa5 * sa6);
        if (c5 > 1.0 + 1e-6 || c5 < -1.0 - 1e-6)
            continue;
        c5 = std::clamp(c5, -1.0, 1.0);
        double s5abs;
        if (g.rightAngles) {
            // |sin t5| is the sine of the angle between the flange Z axis and
            // n: from their cross product it keeps its precision next to the
            // singular wrist, where sqrt(1 - c5^2) is rounding noise.
            const double cx = -zz * ny, cy = zz * nx, cz = zx * ny - zy * nx;
            s5abs = std::sqrt(cx * cx + cy * cy + cz * cz) / std::sqrt(nx * nx + ny * ny);
        } else {
            s5abs = std::sqrt(std::max(0.0, 1.0 - c5 * c5));
        }
        // At the singular wrist both signs give one configuration.
        if (s5abs <= kWristNoise)
            s5abs = 0.0;
        const int wristCount = s5abs > 0.0 ? 2 : 1;
        for (int w = 0; w < wristCount; ++w) {
            const double s5 = w == 0 ? s5abs : -s5abs;
            const double t5 = trig::atan2(s5, c5);
            double t6;
            // (x6.n, y6.n) is (X + iY) turned by -t6, with X, Y from axis 5.
            const double X = sa5 * s5;
            const double Y = ca6 * sa5 * c5 + sa6 * ca5;
            if (std::fabs(X) <= kWristNoise && std::fabs(Y) <= kWristNoise)
                t6 = seed[5] * kDegToRad + L[5].thetaRad; // wrist singular: keep axis 6
            else
                t6 = trig::atan2(Y, X) - flangeTurn;

            // Planar part: N = C2^-1 RotZ(t1)^-1 T' T6^-1 T5^-1 = RotZ(t2) T3 T4.
            const Matrix4 t5m = linkMatrixOf(L[4], float(t5 * kRadToDeg));
            const Matrix4 t6m = linkMatrixOf(L[5], float(t6 * kRadToDeg));
            const Matrix4 N =
                toolbox::product(armSide, toolbox::rigidInverse(toolbox::product(t5m, t6m)));
            const double x = N[3], y = N[7];
            double c3 = (x * x + y * y - a3 * a3 - a4 * a4) / (2.0 * a3 * a4);
            // |c3| - 1 is about the distance times how far the wrist point is
            // out of reach over a3 a4: within kReachSlack of the edge the elbow
            // is straight (or folded).
            const double slack3 = std::sqrt(x * x + y * y) * kReachSlack / std::fabs(a3 * a4);
            if (!(std::fabs(c3) <= 1.0 + std::max(slack3, 1e-6)))
                continue;
            c3 = std::clamp(c3, -1.0, 1.0);
            // A straight elbow (to what a float pose can tell) is one
            // configuration, exactly straight.
            const bool straight = 1.0 - std::fabs(c3) < kArmNoise;
            if (straight)
                c3 = c3 > 0.0 ? 1.0 : -1.0;
            const double s3abs = straight ? 0.0 : std::sqrt(std::max(0.0, 1.0 - c3 * c3));
            // In single precision, as the planar matrix is.
            const double t234 = std::atan2(N[4], N[0]);
            const double axy = trig::atan2(y, x);
            // The two elbows mirror each other (the arc tangent is odd in
            // its first argument).
            const double t3up = trig::atan2(s3abs, c3);
            const double bend = trig::atan2(a4 * s3abs, a3 + a4 * c3);
            for (int e = 0; e < (straight ? 1 : 2); ++e) {
                const double t3 = e == 0 ? t3up : -t3up;
                const double t2 = axy - (e == 0 ? bend : -bend);
                const double t4 = t234 - t2 - t3;
                Basic q{float(wrap(t1 - L[0].thetaRad) * kToDegrees),
                        float(wrap(t2 - L[1].thetaRad) * kToDegrees),
                        float(wrap(t3 - L[2].thetaRad) * kToDegrees),
                        float(wrap(t4 - L[3].thetaRad) * kToDegrees),
                        float(wrap(t5 - L[4].thetaRad) * kToDegrees),
                        float(wrap(t6 - L[5].thetaRad) * kToDegrees)};
                // Near the boundaries of the clamps a configuration may
                // miss; only those that reach the target are listed.
                if (reaches(forward(c, q.data()), T, tolerance) && count < 8)
                    sols[count++] = q;
            }
        }
    }
    if (count == 0) {
        qCDebug(lcIk) << "No solutions even in the first part";
        return -1;
    }
    return count;
}

// The basic solutions (model angles, degrees) of the solver the chain
// takes; their count, or -1 when there are none.
int basicSolutions(const Chain &chain, const Matrix4 &target, const float *seed, Basic *sols)
{
    // The chain says which solver its geometry takes, whatever the angle
    // type; an incomplete chain takes none.
    switch (chain.solver) {
    case Chain::Solver::ClosedForm:
        return closedForm(chain, target, seed, sols);
    case Chain::Solver::OffsetWrist:
        return offsetWrist(chain, target, seed, sols);
    case Chain::Solver::None:
        break;
    }
    return -1;
}

// The entry of the list that a path follows, worked out without the list.
//
// The list holds the basic configurations, then, for axis 1, every entry
// present with each whole-turn variant of that axis, then the same for
// axis 4 over everything listed so far, then axis 6. The largest move from
// the seed of an entry is the largest of its axes' moves, and the turns of
// axes 1, 4 and 6 combine freely, so the smallest such move is found per
// basic configuration axis by axis. Every combination whose axes all move
// by no more than that smallest move ties with it; the one listed first
// wins, and list order is: the basics, then the entries made in the axis-1
// pass (by entry, then turn), then the axis-4 pass (by the entry it was
// made from, then turn), then axis 6.
class NearestFinder
{
public:
    NearestFinder(const Chain &c, const float *seedF, const double *seed)
        : m_chain(c), m_seedF(seedF), m_seed(seed)
    {
    }

    bool find(const Basic *basic, int count, float *out)
    {
        // The basics as the list takes them.
        std::array<float, kAxes> listed[8];
        int n = 0;
        for (int i = 0; i < count; ++i) {
            std::array<float, kAxes> q;
            toRobot(m_chain, basic[i].data(), q.data());
            if (!fitAxes(m_chain, q.data(), m_seedF, kAxes))
                continue;
            bool seen = false;
            for (int j = 0; j < n && !seen; ++j)
                seen = sameConfiguration(listed[j], q);
            if (!seen)
                listed[n++] = q;
        }
        if (n == 0)
            return false;

        // Per basic: the turns of each turning axis (its own value first),
        // their moves, and the smallest largest move.
        Turns turns[8];
        double best[8];
        double overall = 0.0;
        for (int b = 0; b < n; ++b) {
            for (Axis &a : turns[b].axis)
                a.count = 0;
            double largest = 0.0;
            for (int k = 0; k < kAxes; ++k) {
                const float v = listed[b][std::size_t(k)];
                if (!(m_chain.turning >> k & 1u)) {
                    largest = larger(largest, move(k, v));
                    continue;
                }
                Axis &a = turns[b].axis[k / 2];
                a.value[0] = v;
                a.count = 1 + turnsOf(v, m_chain.lower[std::size_t(k)],
                                      m_chain.upper[std::size_t(k)], a.value + 1);
                double least = a.move[0] = move(k, v);
                for (int t = 1; t < a.count; ++t) {
                    a.move[t] = move(k, a.value[t]);
                    least = a.move[t] < least ? a.move[t] : least;
                }
                largest = larger(largest, least);
            }
            best[b] = largest;
            if (b == 0 || largest < overall)
                overall = largest;
        }

        // The earliest entry that ties with the smallest move (the key is
        // only needed where a second basic ties).
        int chosen = 0;
        while (best[chosen] > overall)
            ++chosen;
        Choice chosenTurns;
        Key chosenKey = earliest(chosen, turns[chosen], overall, chosenTurns);
        for (int b = chosen + 1; b < n; ++b) {
            if (best[b] > overall)
                continue;
            Choice c;
            const Key key = earliest(b, turns[b], overall, c);
            if (key < chosenKey) {
                chosenKey = key;
                chosen = b;
                chosenTurns = c;
            }
        }
        for (int k = 0; k < kAxes; ++k) {
            out[k] = m_chain.turning >> k & 1u
                         ? turns[chosen].axis[k / 2].value[chosenTurns[std::size_t(k / 2)]]
                         : listed[chosen][std::size_t(k)];
        }
        return true;
    }

private:
    struct Axis
    {
        float value[1 + 2 * kMaxTurns];
        double move[1 + 2 * kMaxTurns];
        int count; // 0 on an axis that does not turn
    };
    struct Turns
    {
        Axis axis[3]; // axes 1, 4, 6 (index k / 2)
    };
    // Per turning axis, the index of the value taken (0: the basic's own).
    using Choice = std::array<int, 3>;
    // A position in the list as a sequence compared element by element:
    // the pass that made the entry (0 the basics, 1-3 the passes of axes 1,
    // 4, 6), then the key of the entry it was made from, then the turn; a
    // basic is (0, its index). Unused places are -1.
    using Key = std::array<int, 8>;

    // As the path takes it: in double, an axis whose seed is not a number
    // left out.
    double move(int k, float v) const
    {
        const double d = std::fabs(double(v) - m_seed[k]);
        return d > 0.0 ? d : 0.0;
    }

    static double larger(double a, double b) { return b > a ? b : a; }

    // The earliest listed combination of basic b's turns whose moves are all
    // within `limit`, and the turns it takes.
    static Key earliest(int b, const Turns &t, double limit, Choice &choice)
    {
        bool own[3];  // the basic's own value is within the limit
        int other[3]; // the first other turn within it, or -1
        for (int a = 0; a < 3; ++a) {
            const Axis &x = t.axis[a];
            own[a] = x.count == 0 || x.move[0] <= limit;
            other[a] = -1;
            for (int v = 1; v < x.count && other[a] < 0; ++v)
                if (x.move[v] <= limit)
                    other[a] = v;
        }
        Key key;
        key.fill(-1);
        std::size_t n = 0;
        choice = {0, 0, 0};
        // Only the axes whose own value moves too far turn: turning another
        // one as well makes a later entry. An entry made in the pass of
        // axis a from a parent has the key (a + 1, key(parent), turn), so
        // the key reads: the passes, highest axis first, then (0, b), then
        // the turns, lowest axis first; each axis takes its first turn that
        // moves little enough.
        for (int a = 2; a >= 0; --a)
            if (!own[a])
                key[n++] = a + 1;
        key[n++] = 0;
        key[n++] = b;
        for (int a = 0; a < 3; ++a) {
            if (!own[a]) {
                choice[std::size_t(a)] = other[a];
                key[n++] = other[a];
            }
        }
        return key;
    }

    const Chain &m_chain;
    const float *m_seedF;
    const double *m_seed;
};

} // namespace

int solve(const Chain &chain, const Matrix4 &target, const float *seed,
          std::vector<IkConfiguration> &results)
{
    results.clear();
    Basic sols[8];
    const int count = basicSolutions(chain, target, seed, sols);
    if (count < 0)
        return -1;
    return ListBuilder(chain, seed, results).finish(sols, count);
}

bool solveNearest(const Chain &chain, const Matrix4 &target, const float *seed,
                  const double *nearTo, float *out)
{
    Basic sols[8];
    const int count = basicSolutions(chain, target, seed, sols);
    return count > 0 && NearestFinder(chain, seed, nearTo).find(sols, count, out);
}

} // namespace kinematics
