// Sequence text, then what the program does with it on the default robot:
// a position list is checked against the limits, a program goes through the
// path analysis. Positions the solver lists reach their pose.
#include "fuzzsupport.h"

#include "kinematics/robot.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <cmath>

namespace {
// The analysis makes a position per 3 degrees or 2 mm: bigger programs or
// numbers only make a run slower, not different.
constexpr std::size_t kMaxAnalysedLines = 16;
constexpr double kMaxAnalysedValue = 1000.0;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Robot &robot = fuzz::defaultRobot();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    sequences::ParsedText parsed = sequences::parseText(text);
    FUZZ_CHECK(parsed.nodes.size() == parsed.lines.size());
    FUZZ_CHECK(parsed.nodes.size() <= std::size_t(sequences::kMaxNodes));
    FUZZ_CHECK(parsed.error.isEmpty() || parsed.nodes.empty());
    for (std::size_t i = 1; i < parsed.lines.size(); ++i)
        FUZZ_CHECK(parsed.lines[i - 1] < parsed.lines[i]);

    const int outside = sequences::checkLimits(parsed, robot);
    FUZZ_CHECK(outside == int(parsed.outOfLimits.size()));
    if (!parsed.program) {
        std::size_t flagged = 0;
        for (const sequences::Node &n : parsed.nodes)
            flagged += n.problem == float(sequences::kOutOfLimitsProblem) ? 1 : 0;
        FUZZ_CHECK(flagged <= parsed.outOfLimits.size());
        for (std::size_t i = 0; i < parsed.nodes.size() && i < 4; ++i) {
            const auto &v = parsed.nodes[i].values;
            bool usable = true;
            for (int k = 0; k < 6; ++k)
                usable = usable && std::fabs(v[std::size_t(k)]) <= kMaxAnalysedValue;
            if (usable)
                fuzz::checkIkReaches(robot, v.data());
        }
        return 0;
    }

    if (parsed.nodes.size() > kMaxAnalysedLines)
        return 0;
    std::vector<sequences::ProgramLine> program;
    for (const sequences::Node &n : parsed.nodes) {
        sequences::ProgramLine line;
        line.code = n.values[0];
        for (std::size_t k = 0; k < 6; ++k) {
            line.operands[k] = n.values[k + 1];
            if (!(std::fabs(line.operands[k]) <= kMaxAnalysedValue))
                return 0;
        }
        program.push_back(line);
    }
    const std::array<double, 6> before = robot.getJointAngles();
    sequences::PathAnalyser analyser(robot);
    const sequences::PathAnalyser::Result result = analyser.analyse(program);
    FUZZ_CHECK(robot.getJointAngles() == before);
    FUZZ_CHECK(result.path.size() <= std::size_t(sequences::PathAnalyser::kMaxPositions));
    for (const sequences::PathPosition &p : result.path) {
        FUZZ_CHECK(p.pathId >= 0 && std::size_t(p.pathId) < program.size());
        for (float q : p.joints)
            FUZZ_CHECK(std::isfinite(q));
    }
    for (const sequences::PathProblem &p : sequences::PathAnalyser::problems(result))
        FUZZ_CHECK(p.position >= 1 && std::size_t(p.position) <= result.path.size() && p.code > 0);
    return 0;
}
