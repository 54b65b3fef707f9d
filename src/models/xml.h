// Reader of robot description files.
//
// The reader is a strict walk over the document: sections are found by
// position (robot_dk, robot_geometry, CAD_base, CAD_scale, CAD_offsets,
// Angle_Type) and the first one out of place ends reading with -1. Results
// are written into the caller's arrays as each section is read, so a failure
// leaves what was read before it.
#pragma once

#include <string>
#include <vector>

class Joint;
class TiXmlNode;
class TiXmlElement;

class xml
{
public:
    // Returns 0 on success, -1 on failure.
    static int loadData(const char *fileName, std::vector<Joint> &joints, float *cadBase,
                        float *cadScale, float *cadOffsets, int *angleType);
    static int processFile(std::vector<Joint> &joints, TiXmlNode *document, float *cadBase,
                           float *cadScale, float *cadOffsets, int *angleType);
    // Number of "vertex" lines read, or -1 when no record carries the name.
    static int processGeometry(std::vector<Joint> &joints, TiXmlElement *geometry);
    // Reads <robot dir>/geo.stl, or geo-1.stl, geo-2.stl ... into `joint`.
    static int loadJoint(const std::string &geo, Joint &joint);
};
