// An end effector read from a ".tool" file and its numbered mesh part files.
//
// The tool file gives the TCP relative to the flange ("H="), the placement of
// the meshes relative to the flange ("Htool0=", stored inverted) and the
// number of part files ("toolparts"); the TCP and the drawing are independent.
#pragma once

#include "kinematics/joint.h"
#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <istream>
#include <vector>

class Tool
{
public:
    // More part files than this are not opened: a count like "toolparts 1e9"
    // would otherwise mean a billion file opens on the interface thread.
    static constexpr int kMaxParts = 1000;

    Tool();

    // True when the tool file itself could be opened.
    bool load(const char *fileName);
    // Whether `fileName` is a tool file at all: it opens and gives the TCP
    // ("H=" with six numbers). Reads only the tool file, not its parts, so
    // a damaged file can be refused before the mounted tool is touched.
    static bool probe(const char *fileName, QString *why);
    // Reads one file as part `partIndex` (0 = the tool file) and returns the
    // "toolparts" count found, 1 when there is none.
    int readPart(std::istream &in, int partIndex);
    // Drawing arrays from the parts' own vertices (identity frame, scale 1).
    void attach();
    // Draws every part at the current matrix times the mesh placement
    // (defined with the painter, render/robotpainter.cpp).
    void paint() const;
    void reset();

    const Pose6 &getTcp() const { return tcp; }
    const Matrix4 &getMeshPlacement() const { return meshPlacement; }
    const std::vector<Joint> &getParts() const { return parts; }
    std::vector<Joint> &getParts() { return parts; }

private:
    Pose6 tcp{};
    bool tcpRead = false;
    Matrix4 meshPlacement;
    std::vector<Joint> parts;
};
