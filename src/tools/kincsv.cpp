#include "kincsv.h"

#include "kincommands.h"
#include "kinematics/robot.h"
#include "plots/plotdata.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <QFile>

namespace kin {

int checkSequenceCsv(Robot &robot, const QString &file, std::string &out, std::string &notes)
{
    const std::string name = QFile::encodeName(file).toStdString();
    const sequences::FileText text = readSequenceForCheck(file, notes);
    if (!text.ok)
        return kCheckUnreadable;
    const sequences::ParsedText parsed = sequences::parseText(text.text);
    if (!parsed.error.isEmpty()) {
        notes += "'" + name + "' is no sequence: " + parsed.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    if (parsed.nodes.empty()) {
        notes += "'" + name + "' holds no sequence: no line has six or seven numbers\n";
        return kCheckUnreadable;
    }

    sequences::PathAnalyser analyser(robot);
    sequences::PathAnalyser::Result result;
    if (parsed.program) {
        std::vector<sequences::ProgramLine> program(parsed.nodes.size());
        for (std::size_t i = 0; i < program.size(); ++i) {
            program[i].code = double(parsed.nodes[i].values[0]);
            for (std::size_t k = 0; k < 6; ++k)
                program[i].operands[k] = double(parsed.nodes[i].values[k + 1]);
        }
        result = analyser.analyse(program);
        if (result.truncated)
            notes += "the program asks for more than two million positions; the path ends there\n";
    } else {
        // A position list plays as it stands, one path id per line.
        result.path.resize(parsed.nodes.size());
        for (std::size_t i = 0; i < result.path.size(); ++i) {
            std::copy(parsed.nodes[i].values.begin(), parsed.nodes[i].values.begin() + 6,
                      result.path[i].joints.begin());
            result.path[i].pathId = int(i);
        }
    }
    return appendPathCsv(robot, analyser, result, out);
}

int appendPathCsv(Robot &robot, const sequences::PathAnalyser &analyser,
                  const sequences::PathAnalyser::Result &result, std::string &out)
{
    const plots::PlotData data = plots::buildPlotData(result, analyser, robot);
    plots::appendCsv(data, out);
    return data.marks.empty() ? kCheckContinuous : kCheckProblems;
}

} // namespace kin
