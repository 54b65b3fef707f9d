#include "joint.h"

#include <algorithm>
#include <cmath>
#include <numeric>

Joint::Joint() = default;

void Joint::addVertex(double x, double y, double z)
{
    vertices.push_back({x, y, z});
    valueCount += 3;
}

void Joint::addNormal(double x, double y, double z)
{
    normals.push_back({x, y, z});
}

void Joint::addPart(const Joint &part)
{
    parts.push_back(part);
}

void Joint::resetBox()
{
    box.fill(0.0f);
}

void Joint::extendBox(double x, double y, double z)
{
    const float p[3] = {float(x), float(y), float(z)};
    for (int i = 0; i < 3; ++i) {
        box[i] = std::min(box[i], p[i]);
        box[3 + i] = std::max(box[3 + i], p[i]);
    }
}

void Joint::setColor(float r, float g, float b)
{
    color = {r, g, b};
    ambient = diffuse = specular = {r, g, b, 1.0f};
}

Matrix4 Joint::linkMatrix() const
{
    return calc.linkMatrix(float(alpha), float(a), float(theta) + angle, d);
}

Matrix4 Joint::linkMatrixWith(float jointValue) const
{
    return calc.linkMatrix(float(alpha), float(a), float(theta) + jointValue, d);
}

Matrix4 Joint::linkMatrixOffset(float extra) const
{
    return calc.linkMatrix(float(alpha), float(a), float(theta) + angle + extra, d);
}

void Joint::attachGeometry(const Matrix4 &frame, float scale)
{
    const Matrix4 inv = calc.rigidInverse(frame);
    drawVertices.assign(valueCount, 0.0f);
    drawNormals.assign(valueCount, 0.0f);
    for (std::size_t i = 0; i < vertices.size() && 3 * i + 2 < drawVertices.size(); ++i) {
        const double p[3] = {vertices[i][0] * scale, vertices[i][1] * scale,
                             vertices[i][2] * scale};
        for (int r = 0; r < 3; ++r) {
            const double v =
                inv[4 * r] * p[0] + inv[4 * r + 1] * p[1] + inv[4 * r + 2] * p[2] + inv[4 * r + 3];
            drawVertices[3 * i + r] = static_cast<float>(v);
        }
    }
    computeFlatNormals();
    for (Joint &part : parts)
        part.attachGeometry(frame, scale);
}

namespace {

// Unit normal of the triangle p0 p1 p2; a degenerate triangle gets (0, 0, 0).
std::array<float, 3> triangleNormal(const float *p0, const float *p1, const float *p2)
{
    const double e1[3] = {double(p1[0]) - p0[0], double(p1[1]) - p0[1], double(p1[2]) - p0[2]};
    const double e2[3] = {double(p2[0]) - p0[0], double(p2[1]) - p0[1], double(p2[2]) - p0[2]};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                         e1[0] * e2[1] - e1[1] * e2[0]};
    const float len = static_cast<float>(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]));
    if (!(len > 0.0f))
        return {0.0f, 0.0f, 0.0f};
    return {float(n[0] / len), float(n[1] / len), float(n[2] / len)};
}

void flatNormals(const std::vector<float> &v, std::vector<float> &out)
{
    out.assign(v.size(), 0.0f);
    const std::size_t triangles = v.size() / 9;
    for (std::size_t t = 0; t < triangles; ++t) {
        const float *p = &v[9 * t];
        const auto n = triangleNormal(p, p + 3, p + 6);
        for (int k = 0; k < 3; ++k)
            std::copy(n.begin(), n.end(), out.begin() + 9 * t + 3 * k);
    }
}

} // namespace

void Joint::computeFlatNormals()
{
    flatNormals(drawVertices, drawNormals);
}

void Joint::computeSmoothNormals()
{
    std::vector<float> flat;
    flatNormals(drawVertices, flat);
    const std::size_t n = drawVertices.size() / 3;
    drawNormals.assign(drawVertices.size(), 0.0f);

    // Vertices closer than 1e-3 mm share a normal. Sorting by x and scanning
    // a window of that width gives the same sums as comparing every pair.
    const float tol2 = 1e-6f;
    const float tol = std::sqrt(tol2);
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [this](std::uint32_t l, std::uint32_t r) {
        return drawVertices[3 * l] < drawVertices[3 * r];
    });

    for (std::size_t oi = 0; oi < n; ++oi) {
        const std::uint32_t v = order[oi];
        const float *pv = &drawVertices[3 * v];
        const float *nv = &flat[3 * v];
        double sum[3] = {0.0, 0.0, 0.0};
        auto visit = [&](std::uint32_t u) {
            const float *pu = &drawVertices[3 * u];
            const float dx = pu[0] - pv[0], dy = pu[1] - pv[1], dz = pu[2] - pv[2];
            if (dx * dx + dy * dy + dz * dz >= tol2)
                return;
            const float *nu = &flat[3 * u];
            if (nv[0] * nu[0] + nv[1] * nu[1] + nv[2] * nu[2] > 0.6f)
                for (int k = 0; k < 3; ++k)
                    sum[k] += nu[k];
        };
        for (std::size_t oj = oi; oj < n && drawVertices[3 * order[oj]] - pv[0] <= tol; ++oj)
            visit(order[oj]);
        for (std::size_t oj = oi; oj-- > 0 && pv[0] - drawVertices[3 * order[oj]] <= tol;)
            visit(order[oj]);
        const double len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
        if (len > 0.0)
            for (int k = 0; k < 3; ++k)
                drawNormals[3 * v + k] = static_cast<float>(sum[k] / len);
    }
}

void Joint::reset()
{
    drawVertices.clear();
    drawVertices.shrink_to_fit();
    drawNormals.clear();
    drawNormals.shrink_to_fit();
    vertices.clear();
    normals.clear();
    valueCount = 0;
    for (Joint &part : parts)
        part.reset();
    parts.clear();
}
