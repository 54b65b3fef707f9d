// One element of a robot's kinematic chain: the base (element 0) or one axis.
//
// A joint carries the modified Denavit-Hartenberg parameters of its link, its
// travel limits, its current joint value and its triangle geometry. Geometry
// is read in CAD coordinates and re-expressed once, at load, in the link's own
// frame, so that drawing needs only the link transforms on the matrix stack.
// The joint itself never draws: its drawing members are defined with the
// painter (render/robotpainter.cpp), outside the headless core.
#pragma once

#include "matrixcalculator.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Joint
{
public:
    using Point = std::array<double, 3>;

    Joint();

    // Parameters.
    // Limits and link parameters are real numbers: published tables carry
    // fractions of a millimetre that matter (a UR3's a of -243.65 mm).
    double getLimsup() const { return limsup; }
    double getLiminf() const { return liminf; }
    double getAlpha() const { return alpha; }
    double getA() const { return a; }
    float getD() const { return d; }
    float getAngle() const { return angle; }
    double getTheta() const { return theta; }
    const std::string &getId() const { return id; }
    void setLimsup(double v) { limsup = v; }
    void setLiminf(double v) { liminf = v; }
    void setAlpha(double v) { alpha = v; }
    void setA(double v) { a = v; }
    void setD(float v) { d = v; }
    void setAngle(float v) { angle = v; }
    void setTheta(double v) { theta = v; }
    void setId(const std::string &v) { id = v; }

    // Geometry as read.
    void addVertex(double x, double y, double z);
    void addNormal(double x, double y, double z);
    void addPart(const Joint &part);
    void resetBox();
    void extendBox(double x, double y, double z);
    void setColor(float r, float g, float b);

    const std::vector<Point> &getVertices() const { return vertices; }
    const std::vector<Point> &getNormals() const { return normals; }
    const std::vector<Joint> &getParts() const { return parts; }
    std::vector<Joint> &getParts() { return parts; }
    const std::vector<float> &getDrawVertices() const { return drawVertices; }
    const std::vector<float> &getDrawNormals() const { return drawNormals; }
    const std::array<float, 6> &getBox() const { return box; }
    const std::array<float, 3> &getColor() const { return color; }
    const std::array<float, 4> &getAmbient() const { return ambient; }
    const std::array<float, 4> &getDiffuse() const { return diffuse; }
    const std::array<float, 4> &getSpecular() const { return specular; }
    std::uint32_t getValueCount() const { return valueCount; }

    // The link transform RotX(alpha) TransX(a) TransZ(d) RotZ(theta + q).
    Matrix4 linkMatrix() const;                     // q = angle
    Matrix4 linkMatrixWith(float jointValue) const; // q = jointValue, angle ignored
    Matrix4 linkMatrixOffset(float extra) const;    // q = angle + extra

    // Multiplies the link transform onto the current OpenGL model-view matrix
    // (defined with the painter, like every drawing member below).
    void applyTransform() const;
    void applyTransform(float jointValue) const;
    void applyTransformOffset(float extra) const;

    // Re-expresses the CAD vertices in the frame `frame` (row-major, CAD
    // coordinates) after scaling them, for this element and all its parts.
    void attachGeometry(const Matrix4 &frame, float scale);
    void computeFlatNormals();
    void computeSmoothNormals();

    void paint(bool showFrame, int frameMode, int index, bool applyTrans, float jointValue,
               int angleType) const;
    // Moves from the modified-DH frame to the classic-DH display frame.
    void moveToDHFrame(int index) const;
    static void drawFrame(int index, int mode, int angleType);
    // Flip of the frame glyph about X, degrees, for the display tables.
    static float frameFlipAngle(int index, int mode, int angleType);

    void reset();
    void paintArray() const;

private:
    std::vector<Point> vertices;
    std::vector<Joint> parts;
    std::vector<Point> normals;
    std::vector<float> drawVertices;
    std::vector<float> drawNormals;
    std::array<float, 6> box{};
    std::array<float, 3> color{};
    double limsup = 0.0;
    double liminf = 0.0;
    double alpha = 0.0;
    double a = 0.0;
    float d = 0.0f;
    float angle = 0.0f;
    double theta = 0.0;
    std::string id;
    std::array<float, 4> ambient{};
    std::array<float, 4> diffuse{};
    std::array<float, 4> specular{};
    std::uint32_t valueCount = 0;
    matrixCalculator calc;
};
