#include "orientation.h"

#include <algorithm>
#include <cmath>

namespace controllers {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = 180.0 / kPi;
// Below this the middle angle's cosine is taken as 0: the other two angles
// are then one rotation about one axis.
constexpr double kSingular = 1e-9;

// (-180, 180], and no negative zero: the text written is "0", never "-0".
double tidy(double deg)
{
    if (deg <= -180.0)
        deg += 360.0;
    return deg == 0.0 ? 0.0 : deg;
}

Rotation multiply(const Rotation &a, const Rotation &b)
{
    Rotation r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[std::size_t(3 * i + j)] = a[std::size_t(3 * i)] * b[std::size_t(j)] +
                                        a[std::size_t(3 * i + 1)] * b[std::size_t(3 + j)] +
                                        a[std::size_t(3 * i + 2)] * b[std::size_t(6 + j)];
    return r;
}

Rotation rotX(double deg)
{
    const double c = std::cos(deg / kDeg), s = std::sin(deg / kDeg);
    return {1, 0, 0, 0, c, -s, 0, s, c};
}

Rotation rotY(double deg)
{
    const double c = std::cos(deg / kDeg), s = std::sin(deg / kDeg);
    return {c, 0, s, 0, 1, 0, -s, 0, c};
}

Rotation rotZ(double deg)
{
    const double c = std::cos(deg / kDeg), s = std::sin(deg / kDeg);
    return {c, -s, 0, s, c, 0, 0, 0, 1};
}

// R = Rz(z) Ry(y) Rx(x): returns (z, y, x).
Angles zyx(const Rotation &r)
{
    const double cy = std::hypot(r[0], r[3]);
    const double y = std::atan2(-r[6], cy) * kDeg;
    if (cy < kSingular) // R = Ry(+-90) Rx(x)
        return {0.0, tidy(y), tidy(std::atan2(-r[5], r[4]) * kDeg)};
    return {tidy(std::atan2(r[3], r[0]) * kDeg), tidy(y), tidy(std::atan2(r[7], r[8]) * kDeg)};
}

} // namespace

Angles kukaABC(const Rotation &r)
{
    return zyx(r);
}

Angles fanucWPR(const Rotation &r)
{
    const Angles a = zyx(r);
    return {a[2], a[1], a[0]};
}

Angles yaskawaRxRyRz(const Rotation &r)
{
    return fanucWPR(r);
}

Angles val3RxRyRz(const Rotation &r)
{
    // R = Rx(a) Ry(b) Rz(g): row 0 is (cb cg, -cb sg, sb), column 2 is
    // (sb, -sa cb, ca cb).
    const double cb = std::hypot(r[5], r[8]);
    const double b = std::atan2(r[2], cb) * kDeg;
    if (cb < kSingular) // R = Ry(+-90) Rz(g): row 1 is (sg, cg, 0)
        return {0.0, tidy(b), tidy(std::atan2(r[3], r[4]) * kDeg)};
    return {tidy(std::atan2(-r[5], r[8]) * kDeg), tidy(b), tidy(std::atan2(-r[1], r[0]) * kDeg)};
}

Angles urRotationVector(const Rotation &r)
{
    const double cosAngle = std::clamp((r[0] + r[4] + r[8] - 1.0) / 2.0, -1.0, 1.0);
    const double angle = std::acos(cosAngle);
    // sin(angle) times the axis, from the skew-symmetric part.
    const Angles v{(r[7] - r[5]) / 2.0, (r[2] - r[6]) / 2.0, (r[3] - r[1]) / 2.0};
    if (angle < 1e-12)
        return {0.0, 0.0, 0.0};
    Angles k;
    if (angle < kPi / 2) {
        const double s = std::sin(angle);
        k = {v[0] / s, v[1] / s, v[2] / s};
    } else {
        // Near a half turn the skew part vanishes; the symmetric part is
        // cos I + (1 - cos) k k^T, whose largest diagonal entry gives the
        // best-conditioned component.
        const double f = 1.0 - cosAngle;
        const double d[3] = {(r[0] - cosAngle) / f, (r[4] - cosAngle) / f, (r[8] - cosAngle) / f};
        const int i = int(std::max_element(d, d + 3) - d);
        const double ki = std::sqrt(std::max(0.0, d[i]));
        for (int j = 0; j < 3; ++j)
            k[std::size_t(j)] = j == i ? ki
                                       : (r[std::size_t(3 * i + j)] + r[std::size_t(3 * j + i)]) /
                                             (2.0 * f * ki);
        const double along = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
        bool flipSign = along < 0.0;
        if (std::fabs(along) < 1e-12) {
            // A half turn: k and -k are the same rotation.
            const int lead = std::fabs(k[0]) > 1e-9 ? 0 : std::fabs(k[1]) > 1e-9 ? 1 : 2;
            flipSign = k[std::size_t(lead)] < 0.0;
        }
        if (flipSign)
            k = {-k[0], -k[1], -k[2]};
    }
    const double n = std::sqrt(k[0] * k[0] + k[1] * k[1] + k[2] * k[2]);
    return {k[0] / n * angle, k[1] / n * angle, k[2] / n * angle};
}

Rotation fromKukaABC(const Angles &abc)
{
    return multiply(multiply(rotZ(abc[0]), rotY(abc[1])), rotX(abc[2]));
}

Rotation fromFanucWPR(const Angles &wpr)
{
    return fromKukaABC({wpr[2], wpr[1], wpr[0]});
}

Rotation fromYaskawaRxRyRz(const Angles &xyz)
{
    return fromFanucWPR(xyz);
}

Rotation fromVal3RxRyRz(const Angles &xyz)
{
    return multiply(multiply(rotX(xyz[0]), rotY(xyz[1])), rotZ(xyz[2]));
}

Rotation fromUrRotationVector(const Angles &v)
{
    const double angle = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (angle < 1e-15)
        return {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double x = v[0] / angle, y = v[1] / angle, z = v[2] / angle;
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    return {t * x * x + c,     t * x * y - s * z, t * x * z + s * y,
            t * x * y + s * z, t * y * y + c,     t * y * z - s * x,
            t * x * z - s * y, t * y * z + s * x, t * z * z + c};
}

} // namespace controllers
