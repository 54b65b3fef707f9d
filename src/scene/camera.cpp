#include "camera.h"

#include <cmath>

namespace {

// The camera's own value of pi; the views are defined with it.
constexpr double kCameraPi = 3.141592;

Matrix4 translationRows(double x, double y, double z)
{
    Matrix4 m = toolbox::identity();
    m[3] = float(x);
    m[7] = float(y);
    m[11] = float(z);
    return m;
}

} // namespace

Camera::Camera() : m_view(toolbox::identity()) {}

float Camera::reset(double elevation, double azimuth, double radius, const float *centre)
{
    float glyph = float(radius / 5.0);
    if (radius == 0.0) {
        radius = 500.0;
        glyph = 100.0f;
    }
    m_radius = radius;
    for (int i = 0; i < 3; ++i)
        m_centre[std::size_t(i)] = centre ? centre[i] : 0.0f;
    m_fieldOfView = 25.0f;
    const double e = elevation * kCameraPi / 180.0;
    const double z = azimuth * kCameraPi / 180.0;
    // T(0, 0, -8r) Rx(e) Rz(z) T(-centre), in rows, then to OpenGL's order.
    const Matrix4 rows = toolbox::product(
        toolbox::product(translationRows(0, 0, -8.0 * radius), toolbox::radiansXYZ(e, 0, 0)),
        toolbox::radiansXYZ(0, 0, z), translationRows(-m_centre[0], -m_centre[1], -m_centre[2]));
    m_view = toolbox::transpose(rows);
    return glyph;
}

std::array<double, 6> Camera::frustum(float aspect) const
{
    const double h = std::tan(double(m_fieldOfView) * 3.141592653589793 / 360.0) * 100.0;
    const double w = h * aspect;
    return {-w, w, -h, h, 100.0, 50000.0};
}

void Camera::beginOrbit()
{
    const Matrix4 &v = m_view;
    m_pivotDepth = float(double(v[2]) * m_centre[0] + double(v[6]) * m_centre[1] +
                         double(v[10]) * m_centre[2] + v[14]);
}

void Camera::orbit(int dx, int dy)
{
    const double ax = dx * 0.004, ay = dy * 0.004;
    const double d = m_pivotDepth;
    const Matrix4 rows = toolbox::transpose(m_view);
    // The world point shown at the eye point (0, 0, d).
    const Matrix4 inv = toolbox::rigidInverse(rows);
    const Vector4 p = toolbox::product(inv, Vector4{0.0f, 0.0f, float(d), 1.0f});
    const Matrix4 left = toolbox::product(translationRows(0, 0, d), toolbox::radiansXYZ(ay, 0, 0),
                                          translationRows(0, 0, -d));
    const Matrix4 right =
        toolbox::product(translationRows(p[0], p[1], p[2]), toolbox::radiansXYZ(0, 0, ax),
                         translationRows(-p[0], -p[1], -p[2]));
    m_view = toolbox::transpose(toolbox::product(left, rows, right));
}

void Camera::zoom(int dyUp)
{
    m_view[14] += float(dyUp * 20);
}

void Camera::pan(int dxLeft, int dyUp)
{
    m_view[12] -= float(dxLeft * 5);
    m_view[13] += float(dyUp * 5);
}

void Camera::wheel(int delta)
{
    m_view[14] += float((delta / 8) * 10);
}
