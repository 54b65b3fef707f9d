// The one drawing of a coordinate frame: three arrows along +X (red), +Y
// (green) and +Z (blue), all of one global size S.
//
// Each arrow is 60 triangles around its axis: a tail cone, a shaft, the back
// of the head and the head, with ten vertices per ring. The mesh is kept in
// client-side arrays because the glyph is drawn many times per frame.
#pragma once

#include <vector>

class FrameGlyph
{
public:
    static constexpr int kTrianglesPerArrow = 60;

    static float size();
    // Rebuilds the vertex arrays (base mesh x S/100) when S changes.
    static void setSize(float s);
    // Draws the three arrows at the current model-view matrix.
    static void draw();

    // Arrow along axis 0 (X), 1 (Y) or 2 (Z): 9 floats per triangle, and the
    // per-vertex unit normals, which do not depend on S.
    static const std::vector<float> &arrowVertices(int axis);
    static const std::vector<float> &arrowNormals(int axis);
};
