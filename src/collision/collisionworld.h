// Collision checking of one robot, its tool and the station's static objects.
//
// Every mesh gets its bounding-volume hierarchy (FCL, oriented boxes with
// swept spheres) once, when it is handed over: the robot's links and tool
// parts in setRobot(), an object in setObject(). Queries only move the
// hierarchies; they never build one.
//
// Robot parts are numbered 0 base, 1-6 links 1-6, 7 the tool (all its part
// files together). What is checked:
//   - every robot part against every object, unless the pair is ignored;
//   - the tool against links 1-3 of its own robot (a tool driven into the arm).
// Neighbouring links, the tool and the flange link, the base and the links
// never collide by design and are not checked. Which of the tool-against-arm
// pairs are checked is data too (selfChecked).
//
// Ignored pairs are a small matrix: one row per object, one bit per robot
// part (ignoreMask). An object without a row of its own set by the user
// ignores the base exactly when it touches the robot base where the robot
// stands (the table the robot is bolted to); it is checked against every
// other part.
//
// The safety distance (mm, >= 0, default 0) widens every part: a pair
// closer than it counts as a collision.
//
// Positions are robot joint values in degrees (what the operator sees), the
// scene as the 3-D view draws it: robot placement, base element, links, tool
// mesh placement; objects at their column-major pose, scaled.
//
// Queries are allocation-free once a result has been used once: the result
// structures keep their capacity. No robot set: every query answers "no
// collision" and an infinite clearance, and names nothing.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class Robot;
class Tool;
struct ObjectEntry;

namespace collision {

constexpr int kBase = 0;
constexpr int kTool = 7;
constexpr int kParts = 8; // base, links 1-6, tool

// A part name for diagnostics and the command line: "base", "link 1".."link 6",
// "tool". The window takes its words from the language texts instead.
QString partName(int part);
// The station file's key of a part: "base", "link1".."link6", "tool"; -1 for
// an unknown key.
const char *partKey(int part);
int partOfKey(const QString &key);

// One pair found in collision (or closest): a robot part against an object,
// or the tool against one of links 1-3 (object -1, otherPart that link).
struct Pair
{
    int part = -1;
    int object = -1;
    int otherPart = -1;
    double distance = std::numeric_limits<double>::infinity(); // mm, 0 when they overlap
};

// What the robot touches at one position.
struct State
{
    bool colliding = false;
    std::array<bool, kParts> parts{}; // part in collision
    std::vector<char> objects;        // one flag per object: in collision
    std::vector<Pair> pairs;          // every pair in collision
};

// The smallest distance between a checked pair: robot part and object (or
// tool and link). Infinite, with part -1, when nothing is checked.
struct Clearance
{
    Pair closest;
    bool valid() const { return closest.part >= 0; }
};

// Called while a large mesh's hierarchy is built, once it has taken more
// than half a second: triangles done, triangles in all.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

class CollisionWorld
{
public:
    // A mesh above this many triangles is refused with a message: built, it
    // would hold gigabytes.
    static constexpr std::size_t kMaxTriangles = 4000000;

    CollisionWorld();
    ~CollisionWorld();
    CollisionWorld(const CollisionWorld &) = delete;
    CollisionWorld &operator=(const CollisionWorld &) = delete;

    void setProgress(Progress progress);

    // Takes the robot's link meshes, its mounted tool, placement and joint
    // rules. Call again after the robot, its tool or its placement changed.
    // False (with *why) for a robot that is not loaded: nothing is checked.
    bool setRobot(const Robot &robot, QString *why = nullptr);
    // The placement alone (row-major, as the robot holds it): no rebuilding.
    void setRobotPlacement(const Matrix4 &rowMajor);
    void clearRobot();
    bool hasRobot() const;

    // Object `index` of the station (indices follow the objects panel; the
    // list grows as needed). Builds the hierarchy when the mesh or its scale
    // is new, otherwise only moves it. False with *why when the mesh cannot
    // be checked (no triangle with an area, too many triangles): the object
    // stays in the list and is never reported.
    bool setObject(int index, const ObjectEntry &entry, QString *why = nullptr);
    void setObjectPose(int index, const Matrix4 &columnPose);
    void removeObject(int index); // later objects move up one place
    void clearObjects();
    int objectCount() const;
    Matrix4 objectPose(int index) const; // column-major; identity out of range
    QString objectName(int index) const;
    std::size_t objectTriangles(int index) const; // 0 when not checked

    // The ignored pairs of one object: bit p set = part p is never checked
    // against it. Setting it makes the row the user's own.
    std::uint32_t ignoreMask(int object) const;
    void setIgnoreMask(int object, std::uint32_t mask);
    bool hasOwnIgnoreMask(int object) const;
    // Tool against links 1-3: bit k set = the tool is checked against link k.
    std::uint32_t selfChecked() const;
    void setSelfChecked(std::uint32_t links);

    double safetyDistance() const;
    void setSafetyDistance(double mm); // negative or not finite: 0

    // Everything in collision at these joint values.
    void state(const float *robotJoints, State &out) const;
    bool collides(const float *robotJoints, Pair *first = nullptr) const;
    // The smallest distance of any checked pair (mm, 0 when overlapping).
    Clearance clearance(const float *robotJoints) const;
    // A step from `from` to `to` goes into a collision: `to` collides, and
    // `from` does not or a pair collides at `to` that did not at `from`.
    // Stepping within or out of a collision is no step into one.
    bool stepsIntoCollision(const float *from, const float *to) const;

    // The conservative bound used by PathSweep: how far (mm) any point of
    // part `part` can move between the two joint positions.
    double motionBound(int part, const float *from, const float *to) const;

    struct Impl;

private:
    friend class PathSweep;
    std::unique_ptr<Impl> d;
};

// Checks the positions of a program one after the other. Without a safety
// distance each part is put to FCL's boolean overlap test at each position
// (cheap: no closest points are searched). With one, each part keeps the
// clearance of its last distance query; later positions whose motion bound
// since then stays below it need no query for that part. The result is the
// same as collides() at every position.
class PathSweep
{
public:
    explicit PathSweep(const CollisionWorld &world);
    // Forget what is known (after anything moved but the robot's joints).
    void reset();
    // True when the position collides; *first names a pair.
    bool next(const float *robotJoints, Pair *first = nullptr);

    // Counters: positions seen, part queries made (boolean or distance),
    // part queries saved.
    std::size_t positions() const { return m_positions; }
    std::size_t queries() const { return m_queries; }
    std::size_t skipped() const { return m_skipped; }

private:
    // One slot per part against the objects, then the tool against links 1-3.
    static constexpr std::size_t kSlots = kParts + 3;
    const CollisionWorld &m_world;
    std::array<bool, kSlots> m_known{};
    std::array<double, kSlots> m_budget{};          // clearance at the last query
    std::array<std::array<double, 6>, kSlots> m_at{}; // model angles at the last query
    std::size_t m_positions = 0, m_queries = 0, m_skipped = 0;
};

} // namespace collision
