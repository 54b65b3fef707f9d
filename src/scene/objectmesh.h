// Static CAD objects of a station: a triangle mesh read from an STL file
// (ASCII or binary, ".stl" or ".slp" alike), placed by a pose and drawn with
// fixed-function OpenGL.
//
// ASCII files may carry "color B G R" lines (blue first) between facets; each
// one colours the triangles that follow it. Keywords count in any case
// ("SOLID", "Vertex"), anywhere in a line; a "vertex" or "color" line holds
// exactly three numbers, and a facet exactly three vertices. The facet
// normals written in an ASCII file are never used: the normal of a triangle
// comes from its winding, (P1-P0)x(P2-P0) normalised, and is (0, 0, 0) for a
// triangle without area. Binary files keep the normals stored in them.
//
// The reader needs no display and never calls OpenGL. Drawing builds vertex
// buffers on the first draw with a current context and keeps them, in the
// entry's draw state, until the entry is destroyed.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A run of consecutive triangles drawn with one material colour.
struct ColourRun
{
    bool hasColour = false;            // false: the default object colour
    std::array<float, 3> fileValues{}; // the "color" line's numbers as written (B, G, R)
    std::uint32_t first = 0;           // first triangle of the run
    std::uint32_t count = 0;           // triangles in the run
};

// What the drawing keeps for one entry between draws (buffer names, scaled
// copies). Made by the first draw and released with the entry through the
// function the drawing gave, so the reader needs no OpenGL of its own.
struct ObjectDrawState;
using ObjectDrawStateRelease = void (*)(ObjectDrawState *);

struct ObjectEntry
{
    QString path; // file name as given after the "../" replacement (kept even when
                  // read through the fallback)
    QString name; // display name
    float scale = 1.0f;
    int visible = 1;
    int flipNormals = 0;
    Matrix4 pose;                // COLUMN-major placement (OpenGL order), identity by default
    std::vector<float> vertices; // 9 floats per triangle: P0, P1, P2
    std::vector<float> normals;  // 9 floats per triangle: its normal once per vertex
    // In file order. A file read successfully always has a first run without
    // colour (possibly empty); every colour line then starts one more run, so
    // an ASCII file has one run more than it has colour lines.
    std::vector<ColourRun> runs;

    std::size_t triangleCount() const { return vertices.size() / 9; }

    // Readings of the mesh so far: a draw made from an earlier reading is
    // uploaded again.
    std::uint32_t meshReadings = 0;
    // Null until the first draw. Destroying or assigning over an entry that
    // has buffers deletes them: the context that drew it must then be current.
    mutable std::unique_ptr<ObjectDrawState, ObjectDrawStateRelease> drawState{nullptr, nullptr};

    ObjectEntry();
    ObjectEntry(ObjectEntry &&) noexcept = default;
    ObjectEntry &operator=(ObjectEntry &&) noexcept = default;
};

// Resolves the name, reads the mesh into `entry` (vertices, normals, runs,
// path) and leaves the placement, scale, name and flags alone.
//  - A name beginning with "../" has every "../" replaced by <app>/../ ; the
//    result is stored in entry.path.
//  - When that name cannot be opened, Objects/ + its file-name part is tried.
// Returns 0 when a file was read, -1 when neither name could be opened or
// the file is no mesh: an ASCII line that is not what its keyword calls for
// (named by its number), or binary records whose corners are no coordinates
// (not finite, or beyond a thousand kilometres: random bytes read as floats
// give such values). The mesh is then empty, without runs, and `why` (if
// given) says which. Bytes after the records a binary count announces are
// padding; a binary file cut short keeps its whole triangles, and an empty
// file holds none. `note` (if given) says so after such a read, and is
// empty after any other.
int readObjectMesh(const QString &fileName, ObjectEntry &entry, QString *why = nullptr,
                   QString *note = nullptr);
