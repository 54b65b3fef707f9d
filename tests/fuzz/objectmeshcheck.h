// What every object mesh the reader hands out must satisfy.
#pragma once

#include "fuzzsupport.h"

#include "scene/objectmesh.h"

#include <cmath>

namespace fuzz {

inline void checkObjectMesh(const ObjectEntry &e, int result, bool ascii)
{
    FUZZ_CHECK(e.vertices.size() % 9 == 0);
    FUZZ_CHECK(e.normals.size() == e.vertices.size());
    if (result != 0) {
        FUZZ_CHECK(e.vertices.empty() && e.runs.empty());
        return;
    }
    // The runs cover the triangles in order, each exactly once; the first
    // has no colour.
    FUZZ_CHECK(!e.runs.empty() && !e.runs.front().hasColour);
    std::size_t next = 0;
    for (const ColourRun &run : e.runs) {
        FUZZ_CHECK(run.first == next);
        next += run.count;
    }
    FUZZ_CHECK(next == e.triangleCount());
    if (!ascii)
        return;
    // ASCII normals come from the winding: unit length, or zero for a
    // triangle without area, the same at its three corners.
    for (std::size_t t = 0; t < e.triangleCount(); ++t) {
        const float *n = e.normals.data() + 9 * t;
        const double len = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
        if (std::isfinite(len))
            FUZZ_CHECK(len == 0.0 || std::fabs(len - 1.0) < 1e-3);
        for (int k = 3; k < 9; ++k)
            FUZZ_CHECK(n[k] == n[k % 3] || (n[k] != n[k] && n[k % 3] != n[k % 3]));
    }
}

} // namespace fuzz
