// The line interpreter behind velkari-kin: one command in, its answer out.
// It knows nothing of files or streams, so the program decides how lines
// arrive and when answers leave.
#pragma once

#include "kinematics/ikconfiguration.h"

#include <string>
#include <string_view>
#include <vector>

class Robot;

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
    void solvePose(std::string &out);
    void limits(std::string &out);

    Robot &m_robot;
    int m_convention;
    // Reused from line to line so that a long batch does not allocate per line.
    std::vector<float> m_values;
    std::vector<IkConfiguration> m_solutions;
};

// `value` in fixed notation with six decimals, correctly rounded, appended to
// `out`. Values that round to zero print as 0.000000, never -0.000000.
void appendFixed(std::string &out, float value);

// A whole token as a number, independent of the locale. Accepts an optional
// leading '+'; rejects trailing characters.
bool parseNumber(std::string_view token, double &value);

} // namespace kin
