// The line interpreter behind velkari-kin: one command in, its answer out.
// It knows nothing of files or streams, so the program decides how lines
// arrive and when answers leave.
#pragma once

#include "kinematics/ikconfiguration.h"
#include "sequences/sequenceparser.h"

#include <QString>
#include <array>
#include <string>
#include <string_view>
#include <vector>

class Robot;
namespace collision {
class CollisionWorld;
}

namespace kin {

class Interpreter
{
public:
    // `convention` is the Euler convention (0-4) of the pose commands.
    Interpreter(Robot &robot, int convention);

    // Appends the answer to `out`, every line ending in '\n'. A blank line or
    // a comment appends nothing. Returns false when the line was malformed; the
    // answer is then a single "error: ..." line and the robot is untouched.
    bool execute(std::string_view line, std::string &out);

private:
    bool readValues(std::string_view command, std::string_view rest, std::size_t count,
                    std::string &out);
    void setJoints(std::string &out);
    void forward(std::string &out);
    void pose(std::string &out);
    bool solveMatrix(std::string &out);
    bool solvePose(std::string &out);
    void limits(std::string &out);

    Robot &m_robot;
    int m_convention;
    // The numbers of the line being answered: a matrix at most.
    std::array<float, 16> m_values{};
    // Reused from line to line so that a long batch does not allocate per line.
    std::vector<IkConfiguration> m_solutions;
};

// Exit statuses of check.
constexpr int kCheckContinuous = 0;
constexpr int kCheckProblems = 3;
constexpr int kCheckUnreadable = 2;

// The path check of a sequence file, read and analysed as the program does
// (a position list is played as it stands: only its joint limits are checked,
// each position outside them a problem of code 100000).
// Appends "positions K problems P", then per problem "POSITION PATH_ID CODE
// TEXTS", then with `withPath` per position "TYPE J1 ... J6 CODE". Problems
// are listed even when the program's first code switches the report off.
// Notes for the user (skipped instructions, a cut path) go to `notes`, one
// per line. Returns kCheckContinuous, kCheckProblems, or kCheckUnreadable
// with the reason in `notes` when the file cannot be read or holds no
// sequence (its first line is not six or seven numbers, for one).
// Reads a sequence file for check; what went wrong, or that only its
// beginning is read, goes to `notes`.
sequences::FileText readSequenceForCheck(const QString &file, std::string &notes);
// With `world` (the robot's station) every position of a program is also
// checked for collisions: code 1000000, its text naming the part and what it
// meets.
int checkSequence(Robot &robot, const QString &file, bool withPath, std::string &out,
                  std::string &notes, collision::CollisionWorld *world = nullptr);

// `value` in fixed notation with six decimals, correctly rounded, appended to
// `out`. Values that round to zero print as 0.000000, never -0.000000.
void appendFixed(std::string &out, float value);

// A whole token as a number, independent of the locale. Accepts an optional
// leading '+'; rejects trailing characters.
bool parseNumber(std::string_view token, double &value);

} // namespace kin
