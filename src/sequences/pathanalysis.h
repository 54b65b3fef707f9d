// Path continuity analysis: a program of joint, straight-line and circular
// moves (with tool changes and object placements) turned into the joint path
// the player shows, position by position, with every place flagged where the
// robot cannot follow the path smoothly.
//
// Joint moves are interpolated in joint space in steps of at most 3 degrees.
// Straight-line and circular moves are interpolated in Cartesian space, in
// steps of at most 2 mm and 2 degrees, and every position is solved by the
// robot's inverse kinematics, taking the solution nearest to the previous
// position. A position is flagged with a sum of codes:
//     1  no inverse kinematic solution
//    10  a joint jumps by more than 25 degrees
//   100  joint 5 changed sign (the wrist went through its singularity)
//  1000  joint 5 is within 3 degrees of zero (close to the singularity)
// 10000  the program asks for more than kMaxPositions positions; the path
//        ends here
// 100000 a joint move's target lies outside the robot's limits; the move is
//        not made and the position stays where the path stood
// 1000000 a robot part or the tool is in collision with an object of the
//        station, or the tool with links 1-3 (closer than the safety
//        distance); only with a collision world set. Each flag is one
//        decimal digit of the sum, so this is the next free one.
// A flagged position ends its move; the next instruction starts from there.
// A collision does not: the path goes on, and every position of it is
// checked, with the objects placed by the program's placements as the player
// places them.
//
// Poses are flange poses in robot-base coordinates, followed by the tool
// change matrix of the program's code-5 lines; the robot's own base and tool
// frames play no part. Headless: no window, no signal.
#pragma once

#include "kinematics/chain.h"
#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class Robot;

namespace collision {
class CollisionWorld;
}

namespace sequences {

// A program line's zone when the line names none: the export's default
// applies.
constexpr double kNoZone = -1.0;
// A stop point: the robot reaches the target exactly before it goes on
// (RAPID "fine", KRL without approximation, FANUC FINE).
constexpr double kFineZone = -2.0;

// One program line: instruction code and six operands, and the speed and
// zone the line asks for. The path analysis plays no part in speed or zone;
// they travel with the line to the editor and the controller languages.
struct ProgramLine
{
    double code = 0.0;
    std::array<double, 6> operands{};
    // mm/s for straight-line and circular moves, % of the maximum for joint
    // moves; 0 when the line names none.
    double speed = 0.0;
    // Corner radius in mm (>= 0), kFineZone, or kNoZone.
    double zone = kNoZone;
};

// One position of the computed path.
struct PathPosition
{
    float type = 1.0f; // 1 position, 5 tool change, [4, 5) placement
    std::array<float, 6> joints{};
    float problem = 0.0f;
    int pathId = 0; // index of the program line that produced it
};

struct PathProblem
{
    PathProblem(int position = 0, int pathId = 0, int code = 0, QString detail = QString())
        : position(position), pathId(pathId), code(code), detail(std::move(detail))
    {
    }
    int position = 0; // from 1
    int pathId = 0;
    int code = 0;
    // With a collision: which robot part meets what ("tool collides with
    // table"), in the window's language.
    QString detail;
};

// One colliding position: the part (collision::kBase .. kTool), and the
// object it meets (its name) or the link the tool meets (otherPart 1-3).
struct PathCollision
{
    std::size_t index = 0; // into Result::path
    int part = -1;
    int otherPart = -1;
    int object = -1;
    QString objectName;
};

// A pose: rotation row by row, then translation (mm). Double precision.
struct Frame
{
    std::array<double, 9> r{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<double, 3> t{0, 0, 0};
};

class PathAnalyser
{
public:
    // Above this a program is cut short (flag 10000 on its last position).
    static constexpr int kMaxPositions = 2000000;
    static constexpr double kJointStep = 3.0;  // degrees
    static constexpr double kLinearStep = 2.0; // mm
    static constexpr double kAngleStep = 2.0;  // degrees
    static constexpr double kJumpLimit = 25.0; // degrees
    static constexpr double kWristBand = 3.0;  // degrees
    // Three circle points whose normal (s - v) x (v - e) is shorter than this
    // fraction of the square of their spread define no circle: the via point
    // is then within 1e-4 of the spread from the line through the others,
    // and the straight line is as good as the arc.
    static constexpr double kDegenerateCircle = 1e-4;

    enum ProblemFlag
    {
        NoSolution = 1,
        JointJump = 10,
        WristCrossing = 100,
        WristNear = 1000,
        TooManyPositions = 10000,
        OutOfLimits = 100000,
        Collision = 1000000
    };

    struct Result
    {
        std::vector<PathPosition> path;
        // False when the first line's code is 1000 or more: no report, no trace.
        bool reportOn = true;
        // The program asked for more than kMaxPositions positions.
        bool truncated = false;
        // Program lines (from 0) skipped because an operand is not a finite
        // number, because their target is no pose, or because a placement
        // would not stay finite once in degrees and single precision.
        std::vector<int> rejected;
        // The colliding positions, in path order (with a collision world).
        std::vector<PathCollision> collisions;
    };

    // The kinematic chain is taken from the robot once, here. The solver is
    // seeded with the path's own positions: the robot's joint values are
    // neither read nor changed.
    explicit PathAnalyser(Robot &robot);

    // Nothing comes out for a robot that is not loaded.
    Result analyse(const std::vector<ProgramLine> &program);

    // With a world (holding this robot, its tool and the station's objects),
    // analyse() also checks every position for collisions. The world's
    // object poses are moved by the program's placements while it runs and
    // put back afterwards. Null: no collision check.
    void setCollisionWorld(collision::CollisionWorld *world) { m_world = world; }
    // The collision check alone, on a path made by analyse().
    static void markCollisions(Result &result, collision::CollisionWorld &world);
    // "tool collides with table", in the window's language.
    static QString collisionText(const PathCollision &c);

    // Called with the number of positions made so far every
    // kProgressInterval positions of a long analysis; the caller may show it
    // and let its event loop run.
    static constexpr int kProgressInterval = 50000;
    void setProgress(std::function<void(int positions)> progress)
    {
        m_progress = std::move(progress);
    }

    // Every type-1 position whose problem code is above 0, in path order.
    static std::vector<PathProblem> problems(const Result &result);
    // The TCP pose of every type-1 position: flange pose times the tool
    // change matrix in force at that point of the path, then `placement`
    // on the left. Row-major, 16 floats, in path order.
    void tcpPoses(const Result &result, const Matrix4 &placement,
                  const std::function<void(const float *)> &sink) const;

    // The texts of a problem code, each ending in one blank.
    static QString problemTexts(int code);
    // The report: count, then one table row per problem (at most `maxRows`;
    // a last row says how many more there are).
    static QString reportHtml(const std::vector<PathProblem> &problems, int maxRows = 200);

    // Flange pose in robot-base coordinates for robot joint values (degrees).
    Frame flange(const double *joints) const;
    // Tool change matrix of operands x, y, z (mm), a, b, c (radians):
    // Trans(x, y, z) Rx(a) Ry(b) Rz(c).
    static Frame toolChange(const double *operands);

private:
    struct Link
    {
        double sa, ca, a, d, theta; // theta in radians
    };

    struct State; // J, P, M while a program runs

    bool solve(const Frame &flangePose, const double *seed, double *out);
    // The moves return false, having produced nothing, when their numbers
    // are too large to make a path of.
    bool jointMove(State &s, const ProgramLine &line, int id);
    bool linearMove(State &s, const Frame &target, int id);
    bool circularMove(State &s, const Frame &via, const Frame &end, int id);
    // Position 0 of a Cartesian move; false when the move ends there.
    bool startSegment(State &s, const Frame &start, int id, double *j0);
    // Solves one interpolated pose and applies the checks; false when the
    // move ends at this position.
    bool stepSegment(State &s, const Frame &pose, int id, const double *j0, double *prev,
                     double &s5);
    bool push(State &s, float type, const double *joints, int problem, int id);

    // Read only: limits and whether a robot is loaded.
    const Robot &m_robot;
    kinematics::Chain m_chain;
    std::function<void(int)> m_progress;
    collision::CollisionWorld *m_world = nullptr;
    int m_angleType = 0;
    std::array<Link, 6> m_links{};
};

} // namespace sequences
