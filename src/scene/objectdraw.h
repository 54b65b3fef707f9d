// Drawing the static objects of a station with fixed-function OpenGL.
#pragma once

#include "objectmesh.h"

// Draws one entry at the current model-view matrix: nothing when not visible;
// otherwise pose, then each run with its colour as the ambient, diffuse and
// highlight material of both faces, coordinates times scale, normals negated
// when flipNormals is set. The model-view matrix is left as it was.
// The first draw with a current context gives the entry its vertex buffers.
// `red`: the whole object in the collision colour instead of its own.
void drawObject(const ObjectEntry &entry, bool red = false);
