// Stateless matrix helper held by every Joint and Robot. It forwards to the
// free functions of the toolbox; the class exists so that the chain code reads
// as calls on a calculator, and so that the two operations with pointer
// signatures used by older callers stay available.
#pragma once

#include "matrixtoolbox.h"

class matrixCalculator
{
public:
    Matrix4 identity() const { return toolbox::identity(); }
    Matrix4 transpose(const Matrix4 &m) const { return toolbox::transpose(m); }
    Matrix4 product(const Matrix4 &a, const Matrix4 &b) const { return toolbox::product(a, b); }
    Matrix4 product(const Matrix4 &a, const Matrix4 &b, const Matrix4 &c) const
    {
        return toolbox::product(a, b, c);
    }
    Vector4 product(const Matrix4 &a, const Vector4 &v) const { return toolbox::product(a, v); }
    Matrix4 rigidInverse(const Matrix4 &m) const { return toolbox::rigidInverse(m); }
    std::array<float, 4> inverse2x2(const std::array<float, 4> &m) const
    {
        return toolbox::inverse2x2(m);
    }
    Matrix4 linkMatrix(float alpha, float a, float theta, float d) const
    {
        return toolbox::linkMatrix(alpha, a, theta, d);
    }
    Matrix4 poseToMatrix(const Pose6 &p, int convention) const
    {
        return toolbox::poseToMatrix(p, convention);
    }
    Matrix4 placementMatrix(const Pose6 &p) const { return toolbox::placementMatrix(p); }
    Pose6 matrixToPose(const Matrix4 &m, int convention) const
    {
        return toolbox::matrixToPose(m, convention);
    }
    Quaternion matrixToQuaternion(const Matrix4 &m) const { return toolbox::matrixToQuaternion(m); }
    Matrix4 radiansXYZ(double a, double b, double c) const { return toolbox::radiansXYZ(a, b, c); }

    // Convention 4 (Z->Y'->Z'') of a row-major matrix into pose[6].
    void GEOM_tr2rzyz(const float *m16, float *pose6) const;
    void paintMatrix(const float *m16) const { toolbox::MatrixQDebug(m16); }
};
