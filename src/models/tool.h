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

    // Where a file stops being a tool or mesh file: its line (from 1) and
    // why, in the window's language.
    struct Damage
    {
        int line = 0;
        QString why;
    };

    Tool();

    // Reads the tool file and its part files. False when the tool file
    // cannot be opened or a line of it or of a part file is damaged (binary
    // bytes, a value that is not a number, a facet cut short): `why` then
    // names the file and the line, and the tool holds no parts. A file
    // without "H=" is a tool whose TCP is the flange; missing part files are
    // skipped.
    bool load(const char *fileName, QString *why = nullptr);
    // Whether `fileName` reads whole as a tool, without touching any tool
    // that is mounted.
    static bool probe(const char *fileName, QString *why);
    // Reads one file as part `partIndex` (0 = the tool file) and returns the
    // "toolparts" count found, 1 when there is none. Reading stops at the
    // first damaged line, which `damage` then describes (line 0: none).
    int readPart(std::istream &in, int partIndex, Damage *damage = nullptr);
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
    Matrix4 meshPlacement;
    std::vector<Joint> parts;
};
