#include "matrixtoolbox.h"

#include "logging.h"

#include <QDebug>
#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace toolbox {

namespace {

// Below this cosine of the middle angle (2e-6 rad, about 0.0001 degrees) an
// orientation is taken as singular. Matrices built in single precision miss
// the exact singular value (a tool pointing straight down has r33 =
// -0.99999994 and elements beside it of 1e-8), and the general branches would
// then turn rounding noise into a first angle far from the real one. Any
// larger band would freeze the read-out over a real tilt.
constexpr double kSingularCosine = 2e-6;

struct SinCos
{
    float s;
    float c;
};

// Sines and cosines are rounded to float before they enter a product, so that
// every builder sees the same numbers.
SinCos sinCosDeg(double deg)
{
    const double r = deg * kDegToRad;
    return {static_cast<float>(std::sin(r)), static_cast<float>(std::cos(r))};
}

using R3 = std::array<double, 9>;

R3 rotX(SinCos t)
{
    return {1, 0, 0, 0, t.c, -t.s, 0, t.s, t.c};
}
R3 rotY(SinCos t)
{
    return {t.c, 0, t.s, 0, 1, 0, -t.s, 0, t.c};
}
R3 rotZ(SinCos t)
{
    return {t.c, -t.s, 0, t.s, t.c, 0, 0, 0, 1};
}

R3 mul3(const R3 &a, const R3 &b)
{
    R3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[3 * i + j] = a[3 * i] * b[j] + a[3 * i + 1] * b[3 + j] + a[3 * i + 2] * b[6 + j];
    return r;
}

Matrix4 fromRotation(const R3 &r, double x, double y, double z)
{
    Matrix4 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[4 * i + j] = static_cast<float>(r[3 * i + j]);
    m[3] = static_cast<float>(x);
    m[7] = static_cast<float>(y);
    m[11] = static_cast<float>(z);
    m[15] = 1.0f;
    return m;
}

inline float deg(double rad)
{
    return static_cast<float>(rad * kRadToDeg);
}

} // namespace

Matrix4 identity()
{
    Matrix4 m{};
    for (int k = 0; k < 16; k += 5)
        m[k] = 1.0f;
    return m;
}

Matrix4 transpose(const Matrix4 &m)
{
    Matrix4 t;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t[4 * j + i] = m[4 * i + j];
    return t;
}

Matrix4 transpose(const double *m16)
{
    Matrix4 t;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            t[4 * j + i] = static_cast<float>(m16[4 * i + j]);
    return t;
}

void transposeToDouble(const Matrix4 &m, double *out16)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out16[4 * j + i] = m[4 * i + j];
}

Matrix4 product(const Matrix4 &a, const Matrix4 &b)
{
    Matrix4 r;
#ifdef __SSE2__
    // Two columns at a time, each sum from 0.0 in the same order as below:
    // the same result to the last bit.
    __m128d lo[4], hi[4];
    for (int k = 0; k < 4; ++k) {
        const __m128 row = _mm_loadu_ps(b.data() + 4 * k);
        lo[k] = _mm_cvtps_pd(row);
        hi[k] = _mm_cvtps_pd(_mm_movehl_ps(row, row));
    }
    for (int i = 0; i < 4; ++i) {
        __m128d sLo = _mm_setzero_pd(), sHi = _mm_setzero_pd();
        for (int k = 0; k < 4; ++k) {
            const __m128d x = _mm_set1_pd(double(a[std::size_t(4 * i + k)]));
            sLo = _mm_add_pd(sLo, _mm_mul_pd(x, lo[k]));
            sHi = _mm_add_pd(sHi, _mm_mul_pd(x, hi[k]));
        }
        _mm_storeu_ps(r.data() + 4 * i, _mm_movelh_ps(_mm_cvtpd_ps(sLo), _mm_cvtpd_ps(sHi)));
    }
#else
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += double(a[4 * i + k]) * double(b[4 * k + j]);
            r[4 * i + j] = static_cast<float>(s);
        }
    }
#endif
    return r;
}

Matrix4 product(const Matrix4 &a, const Matrix4 &b, const Matrix4 &c)
{
    return product(product(a, b), c);
}

Vector4 product(const Matrix4 &a, const Vector4 &v)
{
    Vector4 r;
    for (int i = 0; i < 4; ++i) {
        double s = 0.0;
        for (int k = 0; k < 4; ++k)
            s += double(a[4 * i + k]) * double(v[k]);
        r[i] = static_cast<float>(s);
    }
    return r;
}

Matrix4 rigidInverse(const Matrix4 &m)
{
    Matrix4 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[4 * i + j] = m[4 * j + i];
    for (int i = 0; i < 3; ++i) {
        const double t = double(m[i]) * m[3] + double(m[4 + i]) * m[7] + double(m[8 + i]) * m[11];
        r[4 * i + 3] = static_cast<float>(-t);
    }
    r[15] = 1.0f;
    return r;
}

std::array<float, 4> inverse2x2(const std::array<float, 4> &m)
{
    const double det = double(m[0]) * m[3] - double(m[1]) * m[2];
    return {static_cast<float>(m[3] / det), static_cast<float>(-m[1] / det),
            static_cast<float>(-m[2] / det), static_cast<float>(m[0] / det)};
}

Matrix4 linkMatrix(float alphaDeg, float a, float thetaDeg, float d)
{
    const SinCos al = sinCosDeg(alphaDeg);
    const SinCos th = sinCosDeg(thetaDeg);
    Matrix4 m{};
    m[0] = th.c;
    m[1] = -th.s;
    m[2] = 0.0f;
    m[3] = a;
    m[4] = static_cast<float>(double(al.c) * th.s);
    m[5] = static_cast<float>(double(al.c) * th.c);
    m[6] = -al.s;
    m[7] = static_cast<float>(-double(d) * al.s);
    m[8] = static_cast<float>(double(al.s) * th.s);
    m[9] = static_cast<float>(double(al.s) * th.c);
    m[10] = al.c;
    m[11] = static_cast<float>(double(d) * al.c);
    m[15] = 1.0f;
    return m;
}

namespace {

// The pose's three angles as the rotation builders take them.
struct Angles
{
    SinCos a, b, c;
};

Angles anglesOf(const Pose6 &p)
{
    return {sinCosDeg(p[3]), sinCosDeg(p[4]), sinCosDeg(p[5])};
}

Matrix4 matrixZYXRelative(const Pose6 &p)
{
    const Angles t = anglesOf(p);
    return fromRotation(mul3(mul3(rotZ(t.a), rotY(t.b)), rotX(t.c)), p[0], p[1], p[2]);
}

Matrix4 matrixZYXFixed(const Pose6 &p)
{
    const Angles t = anglesOf(p);
    return fromRotation(mul3(mul3(rotX(t.c), rotY(t.b)), rotZ(t.a)), p[0], p[1], p[2]);
}

Matrix4 matrixZXZ(const Pose6 &p)
{
    const Angles t = anglesOf(p);
    return fromRotation(mul3(mul3(rotZ(t.a), rotX(t.b)), rotZ(t.c)), p[0], p[1], p[2]);
}

Matrix4 matrixXYZFixed(const Pose6 &p)
{
    const Angles t = anglesOf(p);
    return fromRotation(mul3(mul3(rotZ(t.c), rotY(t.b)), rotX(t.a)), p[0], p[1], p[2]);
}

Matrix4 matrixZYZ(const Pose6 &p)
{
    const Angles t = anglesOf(p);
    return fromRotation(mul3(mul3(rotZ(t.a), rotY(t.b)), rotZ(t.c)), p[0], p[1], p[2]);
}

// rIJ of a row-major matrix, 1-based as in the textbooks.
inline double rij(const Matrix4 &m, int i, int j)
{
    return double(m[4 * (i - 1) + (j - 1)]);
}

// The middle angle's cosine (sine for the Z-Z conventions) comes from the
// two elements beside the one near +-1: those keep their precision where
// 1 - r^2 loses it. Only when it is rounding noise is the orientation taken
// as singular; the first angle then carries no information.
inline bool singular(double c)
{
    return c <= kSingularCosine;
}

double zyxCosine(const Matrix4 &m)
{
    return std::sqrt(rij(m, 1, 1) * rij(m, 1, 1) + rij(m, 2, 1) * rij(m, 2, 1));
}
double fixedZyxCosine(const Matrix4 &m)
{
    return std::sqrt(rij(m, 1, 1) * rij(m, 1, 1) + rij(m, 1, 2) * rij(m, 1, 2));
}
double zxzSine(const Matrix4 &m)
{
    return std::sqrt(rij(m, 2, 3) * rij(m, 2, 3) + rij(m, 1, 3) * rij(m, 1, 3));
}
double zyzSine(const Matrix4 &m)
{
    return std::sqrt(rij(m, 1, 3) * rij(m, 1, 3) + rij(m, 2, 3) * rij(m, 2, 3));
}

// Rz(first) Ry(second) Rx(third): conventions 0 and 3, which differ only in
// which of p4 and p6 is the first angle.
void zyxAngles(const Matrix4 &m, float &first, float &second, float &third)
{
    auto r = [&m](int i, int j) { return rij(m, i, j); };
    const double c = zyxCosine(m);
    if (singular(c) && r(3, 1) > 0.0) {
        first = 0.0f;
        second = -90.0f;
        third = deg(std::atan2(-r(1, 2), -r(1, 3)));
    } else if (singular(c)) {
        first = 0.0f;
        second = 90.0f;
        third = deg(std::atan2(r(1, 2), r(1, 3)));
    } else {
        second = deg(std::atan2(-r(3, 1), c));
        const double a = std::atan2(r(2, 1), r(1, 1));
        first = deg(a);
        // The third angle from Rz(-first) R = Ry(second) Rx(third), whose
        // second row is (0, cos third, -sin third): consistent with the
        // first even where both are poorly defined on their own.
        const double sa = std::sin(a), ca = std::cos(a);
        third = deg(std::atan2(sa * r(1, 3) - ca * r(2, 3), ca * r(2, 2) - sa * r(1, 2)));
    }
}

Pose6 translationOf(const Matrix4 &m)
{
    return {m[3], m[7], m[11], 0.0f, 0.0f, 0.0f};
}

Pose6 poseZYXRelative(const Matrix4 &m)
{
    Pose6 p = translationOf(m);
    zyxAngles(m, p[3], p[4], p[5]);
    return p;
}

Pose6 poseXYZFixed(const Matrix4 &m)
{
    Pose6 p = translationOf(m);
    zyxAngles(m, p[5], p[4], p[3]);
    return p;
}

Pose6 poseZYXFixed(const Matrix4 &m)
{
    auto r = [&m](int i, int j) { return rij(m, i, j); };
    Pose6 p = translationOf(m);
    const double c = fixedZyxCosine(m);
    if (singular(c) && r(1, 3) > 0.0) {
        p[5] = 0.0f;
        p[4] = 90.0f;
        p[3] = deg(std::atan2(r(2, 1), r(2, 2)));
    } else if (singular(c)) {
        p[5] = 0.0f;
        p[4] = -90.0f;
        p[3] = deg(std::atan2(r(2, 1), r(2, 2)));
    } else {
        const double a = std::atan2(-r(2, 3), r(3, 3));
        p[5] = deg(a);
        p[4] = deg(std::atan2(r(1, 3), c));
        // Rx(-p6) R = Ry(p5) Rz(p4), whose second row is (sin p4, cos p4, 0).
        const double sa = std::sin(a), ca = std::cos(a);
        p[3] = deg(std::atan2(ca * r(2, 1) + sa * r(3, 1), ca * r(2, 2) + sa * r(3, 2)));
    }
    return p;
}

Pose6 poseZXZ(const Matrix4 &m)
{
    auto r = [&m](int i, int j) { return rij(m, i, j); };
    Pose6 p = translationOf(m);
    const double s = zxzSine(m);
    if (singular(s) && r(3, 3) > 0.0) {
        p[3] = 0.0f;
        p[4] = 0.0f;
        p[5] = deg(std::atan2(r(2, 1), r(1, 1)));
    } else if (singular(s)) {
        p[3] = 0.0f;
        p[4] = 180.0f;
        p[5] = deg(std::atan2(-r(2, 1), r(1, 1)));
    } else {
        const double a = std::atan2(r(1, 3), -r(2, 3));
        p[3] = deg(a);
        p[4] = deg(std::atan2(s, r(3, 3)));
        // Rz(-p4) R = Rx(p5) Rz(p6), whose first row is (cos p6, -sin p6, 0).
        const double sa = std::sin(a), ca = std::cos(a);
        p[5] = deg(std::atan2(-(ca * r(1, 2) + sa * r(2, 2)), ca * r(1, 1) + sa * r(2, 1)));
    }
    return p;
}

Pose6 poseZYZ(const Matrix4 &m)
{
    auto r = [&m](int i, int j) { return rij(m, i, j); };
    Pose6 p = translationOf(m);
    const double s = zyzSine(m);
    if (singular(s) && r(3, 3) > 0.0) {
        p[3] = 0.0f;
        p[4] = 0.0f;
        p[5] = deg(std::atan2(r(2, 1), r(1, 1)));
    } else if (singular(s)) {
        p[3] = 0.0f;
        p[4] = 180.0f;
        p[5] = deg(std::atan2(r(2, 1), r(2, 2)));
    } else {
        const double a = std::atan2(r(2, 3), r(1, 3));
        p[3] = deg(a);
        p[4] = deg(std::atan2(s, r(3, 3)));
        // Rz(-p4) R = Ry(p5) Rz(p6), whose second row is (sin p6, cos p6, 0).
        const double sa = std::sin(a), ca = std::cos(a);
        p[5] = deg(std::atan2(ca * r(2, 1) - sa * r(1, 1), ca * r(2, 2) - sa * r(1, 2)));
    }
    qCDebug(lcMatrix) << "aqui---> " << r(3, 3) << " " << p[4];
    return p;
}

bool singularZYX(const Matrix4 &m)
{
    return singular(zyxCosine(m));
}
bool singularFixedZYX(const Matrix4 &m)
{
    return singular(fixedZyxCosine(m));
}
bool singularZXZ(const Matrix4 &m)
{
    return singular(zxzSine(m));
}
bool singularZYZ(const Matrix4 &m)
{
    return singular(zyzSine(m));
}

// In convention order.
const std::array<EulerConventionInfo, kEulerConventionCount> kConventions = {{
    {"Z->Y'->X'' (ABB)", "ABB", matrixZYXRelative, poseZYXRelative, singularZYX},
    {"Z->Y->X (CRS)", "CRS", matrixZYXFixed, poseZYXFixed, singularFixedZYX},
    {"Z->X'->Z'' (Catia, SolidWorks)", "Catia", matrixZXZ, poseZXZ, singularZXZ},
    {"X->Y->Z (Fanuc, Kuka)", "Fanuc", matrixXYZFixed, poseXYZFixed, singularZYX},
    {"Z->Y'->Z'' (Kawasaki, Adept, St\u00e4ubli)", "Kawasaki", matrixZYZ, poseZYZ, singularZYZ},
}};

} // namespace

const EulerConventionInfo *eulerConvention(int convention)
{
    if (!isEulerConvention(convention))
        return nullptr;
    return &kConventions[std::size_t(convention)];
}

Matrix4 poseToMatrix(const Pose6 &p, int convention)
{
    if (const EulerConventionInfo *c = eulerConvention(convention))
        return c->toMatrix(p);
    qCWarning(lcMatrix) << "Unknown Euler convention" << convention;
    return fromRotation({1, 0, 0, 0, 1, 0, 0, 0, 1}, p[0], p[1], p[2]);
}

Matrix4 placementMatrix(const Pose6 &p)
{
    const R3 r = mul3(mul3(rotX(sinCosDeg(p[3])), rotY(sinCosDeg(p[4]))), rotZ(sinCosDeg(p[5])));
    return fromRotation(r, p[0], p[1], p[2]);
}

Pose6 matrixToPose(const Matrix4 &m, int convention)
{
    if (const EulerConventionInfo *c = eulerConvention(convention))
        return c->toPose(m);
    qCWarning(lcMatrix) << "Unknown Euler convention" << convention;
    return translationOf(m);
}

namespace {

// Largest-component extraction: the biggest of the four magnitudes comes from
// the diagonal, the others from sums and differences of off-diagonal pairs,
// so rotations by 180 degrees keep their axis signs.
Quaternion quaternionFromElements(double r11, double r12, double r13, double r21, double r22,
                                  double r23, double r31, double r32, double r33)
{
    const double t0 = 1.0 + r11 + r22 + r33;
    const double t1 = 1.0 + r11 - r22 - r33;
    const double t2 = 1.0 - r11 + r22 - r33;
    const double t3 = 1.0 - r11 - r22 + r33;
    Quaternion q;
    if (t0 >= t1 && t0 >= t2 && t0 >= t3) {
        const double w = 0.5 * std::sqrt(t0);
        const double f = 0.25 / w;
        q = {w, (r32 - r23) * f, (r13 - r31) * f, (r21 - r12) * f};
    } else if (t1 >= t2 && t1 >= t3) {
        const double x = 0.5 * std::sqrt(t1);
        const double f = 0.25 / x;
        q = {(r32 - r23) * f, x, (r12 + r21) * f, (r13 + r31) * f};
    } else if (t2 >= t3) {
        const double y = 0.5 * std::sqrt(t2);
        const double f = 0.25 / y;
        q = {(r13 - r31) * f, (r12 + r21) * f, y, (r23 + r32) * f};
    } else {
        const double z = 0.5 * std::sqrt(t3);
        const double f = 0.25 / z;
        q = {(r21 - r12) * f, (r13 + r31) * f, (r23 + r32) * f, z};
    }
    if (q[0] < 0.0)
        for (double &v : q)
            v = -v;
    return q;
}

} // namespace

Quaternion matrixToQuaternion(const Matrix4 &m)
{
    return quaternionFromElements(m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]);
}

std::array<float, 4> columnMatrixToQuaternion(const Matrix4 &m)
{
    const Quaternion q =
        quaternionFromElements(m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]);
    return {float(q[0]), float(q[1]), float(q[2]), float(q[3])};
}

Matrix4 rotationToMatrix(const std::array<float, 4> &v)
{
    const double n = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2] +
                               double(v[3]) * v[3]);
    if (std::fabs(n - 1.0) >= 0.01)
        return angleAxisToMatrix(v);

    // A quaternion typed with few decimals is not exactly unit: use the
    // rotation it stands for, not a slightly scaled one.
    const double w = v[0] / n, x = v[1] / n, y = v[2] / n, z = v[3] / n;
    // Columns of the rotation of a unit quaternion.
    double c0[3] = {1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * w * z, 2 * x * z - 2 * w * y};
    double c1[3] = {2 * x * y - 2 * w * z, 1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * w * x};
    // Re-orthonormalise so the result is a proper rotation to float precision.
    auto normalise = [](double *a) {
        const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
        if (l > 0)
            for (int i = 0; i < 3; ++i)
                a[i] /= l;
    };
    normalise(c0);
    double c2[3] = {c0[1] * c1[2] - c0[2] * c1[1], c0[2] * c1[0] - c0[0] * c1[2],
                    c0[0] * c1[1] - c0[1] * c1[0]};
    normalise(c2);
    double y1[3] = {c2[1] * c0[2] - c2[2] * c0[1], c2[2] * c0[0] - c2[0] * c0[2],
                    c2[0] * c0[1] - c2[1] * c0[0]};
    Matrix4 m{};
    for (int i = 0; i < 3; ++i) {
        m[i] = float(c0[i]);
        m[4 + i] = float(y1[i]);
        m[8 + i] = float(c2[i]);
    }
    m[15] = 1.0f;
    return m;
}

Matrix4 angleAxisToMatrix(const std::array<float, 4> &aa)
{
    const float angle = aa[0];
    double x = aa[1], y = aa[2], z = aa[3];
    if (angle == 0.0f)
        return identity();
    if (std::max({std::fabs(x), std::fabs(y), std::fabs(z)}) < 0.001)
        return identity();
    const double len = static_cast<float>(std::sqrt(x * x + y * y + z * z));
    x /= len;
    y /= len;
    z /= len;
    const double t = angle * kDegToRad;
    const double c = std::cos(t), s = std::sin(t);
    const double R[3][3] = {
        {x * x + (1 - x * x) * c, x * y * (1 - c) - z * s, x * z * (1 - c) + y * s},
        {x * y * (1 - c) + z * s, y * y + (1 - y * y) * c, y * z * (1 - c) - x * s},
        {x * z * (1 - c) - y * s, y * z * (1 - c) + x * s, z * z + (1 - z * z) * c}};
    Matrix4 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m[4 * j + i] = static_cast<float>(R[i][j]); // column-major
    m[15] = 1.0f;
    return m;
}

Matrix4 radiansXYZ(double a, double b, double c)
{
    auto sc = [](double r) { return SinCos{float(std::sin(r)), float(std::cos(r))}; };
    return fromRotation(mul3(mul3(rotX(sc(a)), rotY(sc(b))), rotZ(sc(c))), 0, 0, 0);
}

void MatrixQDebug(const float *m)
{
    for (int i = 0; i < 4; ++i)
        qDebug().nospace() << m[4 * i] << "\t" << m[4 * i + 1] << "\t" << m[4 * i + 2] << "\t"
                           << m[4 * i + 3];
    qDebug().noquote() << QString(42, QLatin1Char('*'));
}

} // namespace toolbox
