#include "programreading.h"

#include "controllers/krlreader.h"
#include "controllers/lsreader.h"
#include "controllers/urscriptreader.h"
#include "kinematics/robot.h"
#include "rapid/rapidmodule.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace controllers {

using sequences::Frame;
using sequences::ProgramLine;

void ReadProgram::skip(int line, const QString &why, bool isMove)
{
    skipped << QStringLiteral("line %1: %2").arg(line).arg(why);
    if (isMove)
        ++skippedMoves;
}

void ReadProgram::warn(int line, const QString &why)
{
    warnings << QStringLiteral("line %1: %2").arg(line).arg(why);
}

QStringList splitLines(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

bool readNumber(const QString &text, double &value)
{
    const QString t = text.trimmed();
    // The C locale's reader takes "1e5", ".5" and "-0.5" but also "inf" and
    // "nan": the characters are checked first.
    if (t.isEmpty() || t.size() > 64)
        return false;
    bool digit = false;
    for (QChar c : t) {
        if (c.isDigit() && c.unicode() < 128)
            digit = true;
        else if (!QStringLiteral("+-.eE").contains(c))
            return false;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !digit || !std::isfinite(v) || std::fabs(v) > kMaxReadMagnitude)
        return false;
    value = v;
    return true;
}

QStringList programSuffixes()
{
    return {QStringLiteral("src"), QStringLiteral("ls"), QStringLiteral("script")};
}

bool isControllerProgram(const QString &fileName)
{
    return programSuffixes().contains(QFileInfo(fileName).suffix().toLower());
}

rapid::ImportResult importProgramFile(Robot &robot, const QString &fileName)
{
    const SolvedProgram solved = solveProgram(robot, readProgramFile(fileName));
    rapid::ImportResult in;
    in.ok = solved.ok;
    in.error = solved.error;
    in.procedure = QFileInfo(fileName).completeBaseName();
    in.program = solved.program;
    in.lines = solved.lines;
    in.skipped = solved.skipped;
    in.warnings = solved.warnings;
    return in;
}

ReadProgram readProgramFile(const QString &fileName)
{
    ReadProgram none;
    QString text, error;
    if (!rapid::readModuleFile(fileName, text, error)) {
        none.error = error;
        return none;
    }
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("ls"))
        return readLs(text);
    if (suffix == QLatin1String("script"))
        return readUrScript(text);
    if (suffix != QLatin1String("src")) {
        none.error = QStringLiteral("'%1' is no .src, .ls or .script file").arg(info.fileName());
        return none;
    }
    // The data list of a KRL program: same name, .dat, any case.
    QString dat;
    bool datFound = false;
    const QString wanted = info.completeBaseName() + QStringLiteral(".dat");
    for (const QFileInfo &f : info.dir().entryInfoList(QDir::Files)) {
        if (f.fileName().compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        if (!rapid::readModuleFile(f.filePath(), dat, error)) {
            none.error = QStringLiteral("%1: %2").arg(f.fileName(), error);
            return none;
        }
        datFound = true;
        break;
    }
    ReadProgram read = readKrl(text, dat);
    if (!datFound && read.error.isEmpty())
        read.warnings.prepend(QStringLiteral("no %1 beside the program: only its own "
                                             "declarations and inline targets are known")
                                  .arg(wanted));
    return read;
}

namespace {

bool sameFrame(const Frame &a, const Frame &b)
{
    for (std::size_t k = 0; k < 9; ++k)
        if (std::fabs(a.r[k] - b.r[k]) > 1e-9)
            return false;
    for (std::size_t k = 0; k < 3; ++k)
        if (std::fabs(a.t[k] - b.t[k]) > 1e-6)
            return false;
    return true;
}

double distance(const float *a, const std::array<double, 6> &b)
{
    double d = 0.0;
    for (std::size_t k = 0; k < 6; ++k)
        d += (double(a[k]) - b[k]) * (double(a[k]) - b[k]);
    return d;
}

QString hintText(const ReadTarget &t)
{
    switch (t.hint) {
    case Hint::Kuka:
        return QStringLiteral("S %1, T %2").arg(t.status).arg(t.turn);
    case Hint::Fanuc:
        return QStringLiteral("CONFIG '%1'").arg(fanucConfigText(t.fanuc));
    default:
        break;
    }
    return QString();
}

class Solver
{
public:
    Solver(const Robot &robot, SolvedProgram &out) : m_robot(robot), m_out(out)
    {
        m_solutions.reserve(256);
    }

    // Joint values of a target for the tool `tool`, from `seed`; false with
    // the reason in `why`.
    bool solve(ReadTarget t, const Frame &tool, const std::array<float, 6> &seed,
               std::array<double, 6> &joints, int line, bool useHint, QString &why)
    {
        if (!useHint && t.hint != Hint::Near)
            t.hint = Hint::None;
        if (t.isJoints) {
            joints = t.joints;
            return true;
        }
        const Frame flange = rapid::compose(t.pose, rapid::inverse(tool));
        Matrix4 goal{};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                goal[std::size_t(4 * i + j)] = float(flange.r[std::size_t(3 * i + j)]);
            goal[std::size_t(4 * i + 3)] = float(flange.t[std::size_t(i)]);
        }
        goal[15] = 1.0f;
        std::array<float, 6> from = seed;
        if (t.hint == Hint::Near)
            for (std::size_t k = 0; k < 6; ++k)
                from[k] = float(t.joints[k]);
        const int chosen = m_robot.doInverseKinematics(goal, from.data(), m_solutions);
        if (m_solutions.empty() || chosen < 0) {
            why = QStringLiteral("no configuration of the arm reaches the target");
            return false;
        }
        const IkConfiguration *pick = &m_solutions[std::size_t(chosen)];
        if (t.hint == Hint::Kuka || t.hint == Hint::Fanuc) {
            // Of the configurations the flags name, the one nearest to the
            // arm (several differ by whole turns the flags do not tell).
            std::array<double, 6> near;
            for (std::size_t k = 0; k < 6; ++k)
                near[k] = double(seed[k]);
            const IkConfiguration *match = nullptr;
            for (const IkConfiguration &c : m_solutions)
                if (matchesHint(m_robot, t, c.q.data()) &&
                    (!match || distance(c.q.data(), near) < distance(match->q.data(), near)))
                    match = &c;
            if (match)
                pick = match;
            else
                m_out.warnings << QStringLiteral("line %1: no configuration with %2 reaches the "
                                                 "target; the one nearest to the arm is taken")
                                      .arg(line)
                                      .arg(hintText(t));
        }
        for (std::size_t k = 0; k < 6; ++k)
            joints[k] = double(pick->q[k]);
        return true;
    }

private:
    const Robot &m_robot;
    SolvedProgram &m_out;
    std::vector<IkConfiguration> m_solutions;
};

} // namespace

void markUnreachable(const SolvedProgram &program, sequences::PathAnalyser::Result &path)
{
    std::size_t next = 0; // both in program order
    for (sequences::PathPosition &p : path.path) {
        while (next < program.unreachable.size() && int(program.unreachable[next]) < p.pathId)
            ++next;
        if (next == program.unreachable.size())
            break;
        if (p.type == 1.0f && int(program.unreachable[next]) == p.pathId) {
            if (int(p.problem) % 10 == 0) // the units count "no solution"
                p.problem += 1.0f;
            ++next;
        }
    }
}

bool matchesHint(const Robot &robot, const ReadTarget &target, const float *q)
{
    switch (target.hint) {
    case Hint::Kuka:
        return (target.status < 0 || kukaStatus(robot.chain(), q) == target.status) &&
               (target.turn < 0 || kukaTurn(q) == target.turn);
    case Hint::Fanuc:
        return fanucConfig(robot.chain(), q) == target.fanuc;
    case Hint::None:
    case Hint::Near:
        break;
    }
    return true;
}

SolvedProgram solveProgram(const Robot &robot, const ReadProgram &read)
{
    SolvedProgram out;
    out.skipped = read.skipped;
    out.warnings = read.warnings;
    out.movesSkipped = read.skippedMoves;
    if (!read.error.isEmpty()) {
        out.error = read.error;
        return out;
    }
    if (!robot.isLoaded() || !robot.hasInverseKinematics()) {
        // Joint targets alone could still be played, but a program of a
        // controller language is written for an arm we solve.
        out.error = robot.isLoaded()
                        ? QStringLiteral("no inverse kinematics is written for this arm")
                        : QStringLiteral("no robot is loaded");
        return out;
    }
    Solver solver(robot, out);
    std::array<float, 6> seed = robot.jointValues();
    Frame tool;
    bool started = false;
    auto add = [&out](double code, const std::array<double, 6> &operands, int line,
                      double speed = 0.0, double zone = sequences::kNoZone) {
        ProgramLine l;
        l.code = code;
        l.operands = operands;
        l.speed = speed;
        l.zone = zone;
        out.program.push_back(l);
        out.lines.push_back(line);
    };
    for (const ReadMove &m : read.moves) {
        QString why;
        std::array<double, 6> via{}, end{};
        std::array<float, 6> from = seed;
        bool reached = true;
        if (m.kind == ReadMove::Circular) {
            reached = solver.solve(m.via, m.tool, seed, via, m.line, !started, why);
            for (std::size_t k = 0; reached && k < 6; ++k)
                from[k] = float(via[k]);
            if (!reached)
                why = QStringLiteral("the via point: ") + why;
        }
        const bool useHint = m.kind == ReadMove::Joint || (!started && m.kind == ReadMove::Linear);
        reached = reached && solver.solve(m.target, m.tool, from, end, m.line, useHint, why);
        if (!sameFrame(m.tool, tool)) {
            tool = m.tool;
            add(5.0, rapid::toolChangeOperands(tool), m.line);
        }
        ++out.movesRead;
        if (!reached) {
            std::array<double, 6> here;
            for (std::size_t k = 0; k < 6; ++k)
                here[k] = double(seed[k]);
            out.unreachable.push_back(out.program.size());
            add(1.0, here, m.line);
            out.warnings << QStringLiteral("line %1: %2; the arm stays where it stands")
                                .arg(m.line)
                                .arg(why);
            continue;
        }
        if (!started && m.kind != ReadMove::Joint) {
            // The controller comes from wherever the arm stands; the path
            // starts at the first target.
            add(1.0, m.kind == ReadMove::Circular ? via : end, m.line);
            out.warnings << QStringLiteral("line %1: the program starts with a Cartesian move; "
                                           "the path starts at its %2")
                                .arg(m.line)
                                .arg(m.kind == ReadMove::Circular ? QStringLiteral("via point")
                                                                  : QStringLiteral("target"));
        }
        started = true;
        if (m.kind == ReadMove::Circular) {
            add(9.0, via, m.line, m.speed, m.zone);
            add(rapid::kCircleEndCode, end, m.line, m.speed, m.zone);
        } else {
            add(m.kind == ReadMove::Joint ? 1.0 : 2.0, end, m.line, m.speed, m.zone);
        }
        for (std::size_t k = 0; k < 6; ++k)
            seed[k] = float(end[k]);
    }
    out.ok = true;
    return out;
}

} // namespace controllers
