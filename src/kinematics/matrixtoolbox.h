// Pose conversions shared by the whole program: 4x4 homogeneous matrices,
// the five Euler conventions, quaternions and angle-axis rotations.
//
// Matrices are 16 floats. Unless a name says "column", they are row-major:
// element k is row k/4, column k%4, translation in elements 3, 7 and 11.
// OpenGL takes the transposed (column-major) order. Lengths are millimetres,
// angles degrees, except where a name says radians.
#pragma once

#include <array>

using Matrix4 = std::array<float, 16>;
using Pose6 = std::array<float, 6>; // x, y, z, p4, p5, p6
using Vector4 = std::array<float, 4>;
using Quaternion = std::array<double, 4>; // scalar first

namespace toolbox {

constexpr double kPi = 3.141592653589793;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;

// Euler conventions by number; the number, not the menu position, is stored.
enum EulerConvention
{
    EulerZYXRelative = 0, // Z->Y'->X''  Rz(p4) Ry(p5) Rx(p6)
    EulerZYXFixed = 1,    // Z->Y->X     Rx(p6) Ry(p5) Rz(p4)
    EulerZXZ = 2,         // Z->X'->Z''  Rz(p4) Rx(p5) Rz(p6)
    EulerXYZFixed = 3,    // X->Y->Z     Rz(p6) Ry(p5) Rx(p4)
    EulerZYZ = 4          // Z->Y'->Z''  Rz(p4) Ry(p5) Rz(p6)
};
constexpr int kEulerConventionCount = 5;

constexpr bool isEulerConvention(int convention)
{
    return convention >= 0 && convention < kEulerConventionCount;
}

// Everything a convention is: what menus call it (UTF-8), a short key, the matrix of a
// pose, the pose of a matrix, and whether a rotation sits at its
// singularity (middle angle at +-90 degrees for the Z-Y-X kinds, 0 or 180
// for the Z-Z kinds), where the first angle carries no information and the
// pose sets it to 0. Adding a convention is adding one entry.
struct EulerConventionInfo
{
    const char *name;
    const char *key; // one word for identifiers: "ABB", "CRS", "Catia", "Fanuc", "Kawasaki"
    Matrix4 (*toMatrix)(const Pose6 &pose);
    Pose6 (*toPose)(const Matrix4 &rowMajor);
    bool (*singular)(const Matrix4 &rowMajor);
};
// Null for a number outside 0 .. kEulerConventionCount - 1.
const EulerConventionInfo *eulerConvention(int convention);

Matrix4 identity();
Matrix4 transpose(const Matrix4 &m);
Matrix4 transpose(const double *m16);
void transposeToDouble(const Matrix4 &m, double *out16);

// Products accumulate in double and store float.
Matrix4 product(const Matrix4 &a, const Matrix4 &b);
Matrix4 product(const Matrix4 &a, const Matrix4 &b, const Matrix4 &c);
Vector4 product(const Matrix4 &a, const Vector4 &v);

// Valid for rigid transforms only: rotation transposed, translation -R^T t.
Matrix4 rigidInverse(const Matrix4 &m);
std::array<float, 4> inverse2x2(const std::array<float, 4> &m);

// Modified (Craig) Denavit-Hartenberg link transform
// RotX(alpha) TransX(a) TransZ(d) RotZ(theta), angles in degrees.
Matrix4 linkMatrix(float alphaDeg, float a, float thetaDeg, float d);

// Rotation of the given convention with translation (x, y, z). A convention
// outside 0-4 yields the translation alone.
Matrix4 poseToMatrix(const Pose6 &pose, int convention);
// Rx(p4) Ry(p5) Rz(p6) with translation: base placements, jog increments.
Matrix4 placementMatrix(const Pose6 &pose);
Pose6 matrixToPose(const Matrix4 &m, int convention);

Quaternion matrixToQuaternion(const Matrix4 &rowMajor);
std::array<float, 4> columnMatrixToQuaternion(const Matrix4 &columnMajor);
// Four numbers of norm 1 +- 0.01 are a unit quaternion, anything else an
// angle-axis rotation (degrees, axis). Column-major result.
Matrix4 rotationToMatrix(const std::array<float, 4> &values);
Matrix4 angleAxisToMatrix(const std::array<float, 4> &angleAxis);
// Rx(a) Ry(b) Rz(c), angles in radians, row-major, no translation.
Matrix4 radiansXYZ(double a, double b, double c);

inline double positiveSqrt(double x)
{
    return x > 0.0 ? __builtin_sqrt(x) : 0.0;
}

// Debug dump of a 4x4 matrix followed by a line of asterisks.
void MatrixQDebug(const float *m16);

} // namespace toolbox
