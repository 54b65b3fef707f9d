// The numbers behind the plots of a sequence: the joint curves with the
// limits of each axis, how far the TCP moves from one position to the next,
// the problem positions, and the same table as CSV text. Headless: the
// command-line check writes the same CSV as the window.
//
// Positions are counted from 1, as the player's field and the path report
// count them. Rows that are no robot position (tool changes, object
// placements) hold the joints of the position before them in the curves
// (of the first position, before any); their six operands stay as they are
// in the CSV.
//
// A position without an inverse kinematic solution was not reached: the
// analysis carries the joints its move started from there, which the curves
// would draw as a dip that never happens. Its joints, TCP and TCP movement
// are NaN (a gap in the curves, empty fields in the CSV), and so is the TCP
// movement of the next position, which has no reached pose to start from.
#pragma once

#include "sequences/pathanalysis.h"

#include <QString>
#include <array>
#include <string>
#include <vector>

class QTextStream;
class Robot;

namespace plots {

// Problem classes, one colour each; a code with several flags is shown as
// the most serious one.
enum class MarkKind
{
    NoSolution,
    Jump,
    WristCrossing,
    WristNear,
    Collision,
    Other
};
MarkKind markKind(int problemCode);

struct Mark
{
    int position = 0; // from 1
    int code = 0;
};

struct PlotData
{
    int count() const { return int(types.size()); }
    bool empty() const { return types.empty(); }

    std::vector<float> types;
    std::vector<int> pathIds;
    std::vector<int> problems;
    // Curves: joint k of every row, degrees.
    std::array<std::vector<float>, 6> joints;
    // TCP in robot-base coordinates (flange times the program's tool change
    // matrix), mm; rows that are no position repeat the one before them (the
    // first position's, before any).
    std::array<std::vector<float>, 3> tcp;
    // TCP movement since the previous position: mm and degrees.
    std::vector<float> stepMm;
    std::vector<float> stepDeg;
    // Operands of the rows that are no robot position, for the CSV.
    std::vector<std::pair<int, std::array<float, 6>>> operands;
    // Type-1 positions with a problem code above 0, in path order: the
    // positions of the path report.
    std::vector<Mark> marks;

    // Limits of each axis, degrees, while the robot they belong to is there
    // (hasLimits). Axis 3's move with axis 2 for the angle types that couple
    // them: lower[2] + coupling * q2 ... upper[2] + coupling * q2, with
    // coupling -1 (type 2), +1 (type 4) or 0.
    bool hasLimits = false;
    std::array<float, 6> lower{};
    std::array<float, 6> upper{};
    int coupling = 0;
    // Once the robot is gone its limits say nothing about the path.
    void dropLimits();

    float lowerLimit(int axis, int row) const;
    float upperLimit(int axis, int row) const;
};

// From the analysis of a program (or the nodes of a position list, one row
// each with path id = row). `analyser` gives the kinematics of the TCP,
// `robot` the limits.
PlotData buildPlotData(const sequences::PathAnalyser::Result &result,
                       const sequences::PathAnalyser &analyser, const Robot &robot);

// CSV: a header line, then per row position, path id, type, j1..j6, problem
// code, TCP x, y, z; numbers in fixed notation with six decimals ('.' as
// separator), integers as integers; "\n" line ends.
QString csvHeader();
void writeCsv(const PlotData &data, QTextStream &out);
// Appends the CSV to a byte string (no Qt stream, for the command line).
void appendCsv(const PlotData &data, std::string &out);

// One pixel column of a curve: the smallest and largest sample in it, NaN
// when none is a number; `gap` when a sample in it is NaN.
struct EnvelopeColumn
{
    double x;
    float low;
    float high;
    bool gap;
};

// The samples of y (at x = index + 1) visible between xFrom and xTo, folded
// into at most `columns` columns of their smallest and largest value, in x
// order. Where there are fewer samples than columns every sample is its own
// column (low = high), with the nearest sample outside on each side so that
// the line runs to the edge. NaN samples are left out of the extremes and
// mark their column. `out` is overwritten and only grows.
void envelope(const float *y, int count, double xFrom, double xTo, int columns,
              std::vector<EnvelopeColumn> &out);

} // namespace plots
