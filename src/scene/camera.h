// The view's camera: where it looks from, the six standard views and the
// mouse and wheel arithmetic. Kept apart from the widget so it can be checked
// without a display.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <array>

class Camera
{
public:
    Camera();

    // World-to-eye transform, column-major as OpenGL loads it.
    const Matrix4 &viewMatrix() const { return m_view; }
    void setViewMatrix(const Matrix4 &columnMajor) { m_view = columnMajor; }
    float fieldOfView() const { return m_fieldOfView; }
    double sceneRadius() const { return m_radius; }
    const std::array<float, 3> &sceneCentre() const { return m_centre; }

    // Looks at `centre` from eight radii away, turned by elevation and
    // azimuth (degrees). A radius of 0 counts as 500 mm. Returns the size the
    // frame glyphs should take (radius / 5, or 100 for an empty robot).
    float reset(double elevation, double azimuth, double radius, const float *centre);

    // glFrustum arguments (left, right, bottom, top, near, far) for an aspect.
    std::array<double, 6> frustum(float aspect) const;

    // Mouse: an orbit turns about the scene centre, at the depth it had when
    // the orbit began.
    void beginOrbit();
    float pivotDepth() const { return m_pivotDepth; }
    void orbit(int dx, int dy);     // pixels moved
    void zoom(int dyUp);            // y0 - y, pixels
    void pan(int dxLeft, int dyUp); // x0 - x, y0 - y
    void wheel(int delta);          // angle delta, 120 per notch

    // Standard views as (elevation, azimuth).
    static constexpr double kIso[2] = {-60, -135};
    static constexpr double kTop[2] = {0, -90};
    static constexpr double kFront[2] = {-90, -90};
    static constexpr double kRight[2] = {-90, -180};
    static constexpr double kLeft[2] = {-90, 0};
    static constexpr double kBack[2] = {-90, 90};

private:
    Matrix4 m_view; // column-major
    float m_fieldOfView = 25.0f;
    double m_radius = 500.0;
    std::array<float, 3> m_centre{};
    float m_pivotDepth = 0.0f;
};
