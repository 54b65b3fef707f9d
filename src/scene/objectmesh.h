// Static CAD objects of a station: a triangle mesh read from an STL file
// (ASCII or binary, ".stl" or ".slp" alike), placed by a pose and drawn with
// fixed-function OpenGL.
//
// ASCII files may carry "color B G R" lines (blue first) between facets; each
// one colours the triangles that follow it. The facet normals written in an
// ASCII file are never used: the normal of a triangle comes from its winding,
// (P1-P0)x(P2-P0) normalised, and is (0, 0, 0) for a triangle without area.
// Binary files keep the normals stored in them.
//
// The reader needs no display. Drawing builds vertex buffers on the first
// draw with a current context and keeps them until the entry is destroyed.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A run of consecutive triangles drawn with one material colour.
struct ColourRun
{
    bool hasColour = false;            // false: the default object colour
    std::array<float, 3> fileValues{}; // the "color" line's numbers as written (B, G, R)
    std::uint32_t first = 0;           // first triangle of the run
    std::uint32_t count = 0;           // triangles in the run
};

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

    ObjectEntry();
    // Deletes the GL buffers if a draw made any; the context that drew the
    // entry must then be current.
    ~ObjectEntry();
    ObjectEntry(const ObjectEntry &) = delete;
    ObjectEntry &operator=(const ObjectEntry &) = delete;
    // The buffers move with the mesh; assigning over an entry that has
    // buffers deletes them, so the same context rule applies.
    ObjectEntry(ObjectEntry &&other) noexcept;
    ObjectEntry &operator=(ObjectEntry &&other) noexcept;

private:
    friend int readObjectMesh(const QString &fileName, ObjectEntry &entry, QString *why);
    friend void drawObject(const ObjectEntry &entry);
    void releaseBuffers();

    // GL state made by drawObject: buffer names (0 = none) and what the
    // uploaded contents were made from, so a new mesh or scale is uploaded again.
    mutable unsigned int m_vertexBuffer = 0;
    mutable unsigned int m_normalBuffer = 0;
    mutable unsigned int m_flippedBuffer = 0;
    mutable bool m_stale = false;     // the mesh was read again since the upload
    mutable bool m_noBuffers = false; // the context has no vertex buffers: client arrays
    mutable float m_uploadedScale = 1.0f;
    mutable std::size_t m_uploadedFloats = 0;
    mutable std::size_t m_flippedFloats = 0;
    // Client-array stand-ins when the context cannot make buffers.
    mutable std::vector<float> m_scaledVertices;
    mutable std::vector<float> m_flippedNormals;
};

// Resolves the name, reads the mesh into `entry` (vertices, normals, runs,
// path) and leaves the placement, scale, name and flags alone.
//  - A name beginning with "../" has every "../" replaced by <app>/../ ; the
//    result is stored in entry.path.
//  - When that name cannot be opened, Objects/ + its file-name part is tried.
// Returns 0 when a file was read (even one without triangles), -1 when
// neither name could be opened or the file is damaged: a binary file whose
// triangle count does not match its size (random bytes are such a file).
// The mesh is then empty, without runs, and `why` (if given) says which.
int readObjectMesh(const QString &fileName, ObjectEntry &entry, QString *why = nullptr);

// Draws one entry at the current model-view matrix: nothing when not visible;
// otherwise pose, then each run with its colour as the ambient, diffuse and
// highlight material of both faces, coordinates times scale, normals negated
// when flipNormals is set. The model-view matrix is left as it was.
void drawObject(const ObjectEntry &entry);
