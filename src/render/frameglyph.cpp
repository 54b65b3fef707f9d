#include "frameglyph.h"

#include <GL/gl.h>
#include <array>
#include <cmath>

namespace {

struct Arrow
{
    std::vector<float> base;     // S = 100
    std::vector<float> vertices; // scaled to the current S
    std::vector<float> normals;
};

struct Glyph
{
    float size = 100.0f;
    std::array<Arrow, 3> arrows;
    Glyph();
    void rescale();
};

// Ring and tip positions as fractions of S along the axis.
constexpr double kShaftRadius = 0.0525;
constexpr double kHeadRadius = 0.135;
constexpr double kTailEnd = 0.0525;
constexpr double kShaftEnd = 1.125;
constexpr double kHeadBase = 1.05;
constexpr double kTip = 1.5;

// Builds the arrow along +Z for S = 100, then maps (x, y, z) to the requested
// axis by cyclic permutation so that every arrow is right-handed about its own axis.
Arrow buildArrow(int axis)
{
    const double S = 100.0;
    const double pi = 3.141592653589793;
    std::vector<double> v, n;
    auto ring = [&](int k, double r, double z, double *out) {
        const double a = (18.0 + 36.0 * (k % 10)) * pi / 180.0;
        out[0] = r * S * std::cos(a);
        out[1] = r * S * std::sin(a);
        out[2] = z * S;
    };
    auto push = [&](const double *p, const double *nn) {
        v.insert(v.end(), p, p + 3);
        n.insert(n.end(), nn, nn + 3);
    };
    // Outward normal of a surface of revolution whose generator runs from
    // (r0, z0) to (r1, z1), at angle a.
    auto sideNormal = [&](int k, double r0, double z0, double r1, double z1, double *out) {
        const double a = (18.0 + 36.0 * (k % 10)) * pi / 180.0;
        double nr = z1 - z0, nz = -(r1 - r0);
        const double l = std::sqrt(nr * nr + nz * nz);
        nr /= l;
        nz /= l;
        out[0] = nr * std::cos(a);
        out[1] = nr * std::sin(a);
        out[2] = nz;
    };
    auto band = [&](double r0, double z0, double r1, double z1, bool outwardIsAway) {
        for (int k = 0; k < 10; ++k) {
            double a0[3], a1[3], b0[3], b1[3], na[3], nb[3];
            ring(k, r0, z0, a0);
            ring(k + 1, r0, z0, a1);
            ring(k, r1, z1, b0);
            ring(k + 1, r1, z1, b1);
            sideNormal(k, r0, z0, r1, z1, na);
            sideNormal(k + 1, r0, z0, r1, z1, nb);
            if (!outwardIsAway)
                for (int i = 0; i < 3; ++i) {
                    na[i] = -na[i];
                    nb[i] = -nb[i];
                }
            push(a0, na);
            push(a1, nb);
            push(b1, nb);
            push(a0, na);
            push(b1, nb);
            push(b0, na);
        }
    };
    auto cone = [&](double apexZ, double r, double z) {
        const double apex[3] = {0.0, 0.0, apexZ * S};
        for (int k = 0; k < 10; ++k) {
            double p0[3], p1[3], n0[3], n1[3], nMid[3];
            ring(k, r, z, p0);
            ring(k + 1, r, z, p1);
            // Generator from the ring to the apex, outward away from the axis.
            if (apexZ > z) {
                sideNormal(k, r, z, 0.0, apexZ, n0);
                sideNormal(k + 1, r, z, 0.0, apexZ, n1);
            } else {
                sideNormal(k, 0.0, apexZ, r, z, n0);
                sideNormal(k + 1, 0.0, apexZ, r, z, n1);
            }
            for (int i = 0; i < 3; ++i)
                nMid[i] = 0.5 * (n0[i] + n1[i]);
            const double l = std::sqrt(nMid[0] * nMid[0] + nMid[1] * nMid[1] + nMid[2] * nMid[2]);
            for (double &c : nMid)
                c /= l;
            if (apexZ > z) {
                push(p0, n0);
                push(p1, n1);
                push(apex, nMid);
            } else {
                push(apex, nMid);
                push(p1, n1);
                push(p0, n0);
            }
        }
    };
    cone(0.0, kShaftRadius, kTailEnd);                           // tail cone, 10
    band(kShaftRadius, kTailEnd, kShaftRadius, kShaftEnd, true); // shaft, 20
    // The back of the head faces backwards and in, towards the shaft.
    band(kHeadRadius, kHeadBase, kShaftRadius, kShaftEnd, false); // 20
    cone(kTip, kHeadRadius, kHeadBase);                           // head, 10

    Arrow arrow;
    // Cyclic permutation so the arrow's own z lands on the requested axis:
    // the X arrow is (z, x, y), the Y arrow (y, z, x), the Z arrow unchanged.
    const int shift = (5 - axis) % 3;
    for (std::size_t i = 0; i < v.size(); i += 3) {
        for (int c = 0; c < 3; ++c) {
            arrow.base.push_back(float(v[i + (c + shift) % 3]));
            arrow.normals.push_back(float(n[i + (c + shift) % 3]));
        }
    }
    arrow.vertices = arrow.base;
    return arrow;
}

Glyph::Glyph()
{
    for (int a = 0; a < 3; ++a)
        arrows[a] = buildArrow(a);
}

void Glyph::rescale()
{
    const float f = size / 100.0f;
    for (Arrow &a : arrows)
        for (std::size_t i = 0; i < a.base.size(); ++i)
            a.vertices[i] = a.base[i] * f;
}

Glyph &glyph()
{
    static Glyph g;
    return g;
}

} // namespace

float FrameGlyph::size()
{
    return glyph().size;
}

void FrameGlyph::setSize(float s)
{
    Glyph &g = glyph();
    if (g.size == s)
        return;
    g.size = s;
    g.rescale();
}

const std::vector<float> &FrameGlyph::arrowVertices(int axis)
{
    return glyph().arrows[std::size_t(axis) % 3].vertices;
}

const std::vector<float> &FrameGlyph::arrowNormals(int axis)
{
    return glyph().arrows[std::size_t(axis) % 3].normals;
}

void FrameGlyph::draw()
{
    static const float colours[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    const Glyph &g = glyph();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (int a = 0; a < 3; ++a) {
        glMaterialfv(GL_FRONT, GL_AMBIENT, colours[a]);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, colours[a]);
        glMaterialfv(GL_FRONT, GL_SPECULAR, colours[a]);
        glVertexPointer(3, GL_FLOAT, 0, g.arrows[a].vertices.data());
        glNormalPointer(GL_FLOAT, 0, g.arrows[a].normals.data());
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(g.arrows[a].vertices.size() / 3));
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
