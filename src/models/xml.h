// Reader of robot description files.
//
// The reader is a strict walk over the document: sections are found by
// position (robot_dk, robot_geometry, CAD_base, CAD_scale, CAD_offsets,
// Angle_Type) and the first one out of place ends reading with -1. Results
// are written into the caller's arrays as each section is read, so a failure
// leaves what was read before it.
#pragma once

#include <QString>
#include <array>
#include <string>
#include <vector>

class Joint;
class TiXmlNode;
class TiXmlElement;

// What the robot library shows of a description, from the optional
// <Robot_Info maker=".." model=".." reach_mm=".." payload_kg=".." preview=".."/>
// after Angle_Type. The section walk never looks past Angle_Type, so files
// with it load in every version and files without it still load here.
struct RobotInfo
{
    std::string maker;
    std::string model;
    double reachMm = 0.0;           // 0 when not given
    double payloadKg = 0.0;         // 0 when not given
    std::array<float, 6> preview{}; // robot joint values of the pose shown
};

class xml
{
public:
    // Reads only the library data of a description. Returns 0 when the file
    // is a robot description (its root's first child is robot_dk), whether or
    // not it carries Robot_Info, and -1 otherwise; `info` is reset first.
    static int loadInfo(const char *fileName, RobotInfo &info);
    // Returns 0 on success, -1 on failure.
    static int loadData(const char *fileName, std::vector<Joint> &joints, float *cadBase,
                        float *cadScale, float *cadOffsets, int *angleType);
    static int processFile(std::vector<Joint> &joints, TiXmlNode *document, float *cadBase,
                           float *cadScale, float *cadOffsets, int *angleType);
    // Number of "vertex" lines read, or -1 when no record carries the name.
    static int processGeometry(std::vector<Joint> &joints, TiXmlElement *geometry);
    // Reads <robot dir>/geo.stl, or geo-1.stl, geo-2.stl ... into `joint`.
    static int loadJoint(const std::string &geo, Joint &joint);
    // Why the last loadData refused the description (broken XML and its
    // line, a missing section, fewer than seven elements, or the line,
    // element and attribute of one the format does not know, one that is
    // missing, or a value that is no number); empty when it found nothing
    // wrong.
    static const QString &lastError();
};
