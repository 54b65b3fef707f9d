#include "rapidmodule.h"

#include "kinematics/robot.h"
#include "rapid/rapidparser.h"
#include "sequences/programtext.h"
#include "sequences/sequenceparser.h"
#include "texts/uitexts.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QTextCodec>
#include <algorithm>
#include <cmath>

namespace rapid {

using sequences::Frame;
using sequences::ProgramLine;

Frame compose(const Frame &a, const Frame &b)
{
    Frame f;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k)
                s += a.r[std::size_t(3 * i + k)] * b.r[std::size_t(3 * k + j)];
            f.r[std::size_t(3 * i + j)] = s;
        }
        double t = a.t[std::size_t(i)];
        for (int k = 0; k < 3; ++k)
            t += a.r[std::size_t(3 * i + k)] * b.t[std::size_t(k)];
        f.t[std::size_t(i)] = t;
    }
    return f;
}

Frame inverse(const Frame &a)
{
    Frame f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            f.r[std::size_t(3 * i + j)] = a.r[std::size_t(3 * j + i)];
    for (int i = 0; i < 3; ++i) {
        double t = 0.0;
        for (int k = 0; k < 3; ++k)
            t -= f.r[std::size_t(3 * i + k)] * a.t[std::size_t(k)];
        f.t[std::size_t(i)] = t;
    }
    return f;
}

namespace {

// ---------------------------------------------------------------- frames

Frame frameOfRowMatrix(const Matrix4 &m)
{
    Frame f;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            f.r[std::size_t(3 * i + j)] = double(m[std::size_t(4 * i + j)]);
        f.t[std::size_t(i)] = double(m[std::size_t(4 * i + 3)]);
    }
    return f;
}

std::array<double, 4> quaternionOf(const Frame &f)
{
    auto R = [&f](int i, int j) { return f.r[std::size_t(3 * i + j)]; };
    std::array<double, 4> q;
    const double trace = R(0, 0) + R(1, 1) + R(2, 2);
    // The largest of the four diagonal combinations keeps the square root
    // and the division well conditioned.
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(1.0 + trace);
        q = {0.25 * s, (R(2, 1) - R(1, 2)) / s, (R(0, 2) - R(2, 0)) / s, (R(1, 0) - R(0, 1)) / s};
    } else if (R(0, 0) > R(1, 1) && R(0, 0) > R(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + R(0, 0) - R(1, 1) - R(2, 2));
        q = {(R(2, 1) - R(1, 2)) / s, 0.25 * s, (R(0, 1) + R(1, 0)) / s, (R(0, 2) + R(2, 0)) / s};
    } else if (R(1, 1) > R(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + R(1, 1) - R(0, 0) - R(2, 2));
        q = {(R(0, 2) - R(2, 0)) / s, (R(0, 1) + R(1, 0)) / s, 0.25 * s, (R(1, 2) + R(2, 1)) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + R(2, 2) - R(0, 0) - R(1, 1));
        q = {(R(1, 0) - R(0, 1)) / s, (R(0, 2) + R(2, 0)) / s, (R(1, 2) + R(2, 1)) / s, 0.25 * s};
    }
    double n = 0.0;
    for (double c : q)
        n += c * c;
    n = std::sqrt(n);
    // One sign for the same rotation, so the same pose always prints the same.
    const double sign = q[0] < 0.0 ? -1.0 : 1.0;
    for (double &c : q)
        c = sign * c / n;
    return q;
}

bool sameFrame(const Frame &a, const Frame &b)
{
    for (std::size_t k = 0; k < 9; ++k)
        if (std::fabs(a.r[k] - b.r[k]) > 1e-6)
            return false;
    for (std::size_t k = 0; k < 3; ++k)
        if (std::fabs(a.t[k] - b.t[k]) > 1e-4)
            return false;
    return true;
}

// ---------------------------------------------------------------- writing

QString num(double v, int decimals)
{
    return fixed(v, decimals);
}

QString list(const double *v, int n, int decimals)
{
    QString s = QStringLiteral("[");
    for (int i = 0; i < n; ++i) {
        if (i)
            s += QLatin1Char(',');
        s += num(v[i], decimals);
    }
    return s + QLatin1Char(']');
}

// Positions to 1e-5 mm, quaternions to 1e-9: well inside what reading back
// must reproduce.
// "[x,y,z],[q1,q2,q3,q4]": trans and rot of a robtarget.
QString transRot(const Frame &f)
{
    const std::array<double, 4> q = quaternionOf(f);
    return list(f.t.data(), 3, 5) + QLatin1Char(',') + list(q.data(), 4, 9);
}

// A pose of a tool or work object: the same, bracketed.
QString poseText(const Frame &f)
{
    return QLatin1Char('[') + transRot(f) + QLatin1Char(']');
}

const QString kExternalAxes = QStringLiteral("[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]");
// The load data the RAPID panel writes for a tool of unknown mass.
const QString kToolLoad = QStringLiteral("[0.001,[0,0,0.001],[1,0,0,0],0,0,0]");

bool finiteOperands(const ProgramLine &l)
{
    for (double v : l.operands)
        if (!std::isfinite(v) || std::fabs(v) > double(kMaxMagnitude))
            return false;
    return std::isfinite(l.code);
}

// ---------------------------------------------------------------- speed and zone

// The speeddata and zonedata of each move: the line's own where it names
// one, the export's defaults otherwise. A value of the controller's standard
// set is written by its name; any other gets a declaration of its own,
// made once.
//
// A joint move's speed is a percentage of the robot's maximum; RAPID moves
// axes at the speed that would drive the TCP at v_tcp, so p % becomes
// p % of vmax's 5000 mm/s (50 % is v2500, 100 % vmax).
class MotionData
{
public:
    explicit MotionData(const ExportOptions &options) : m_options(options) {}

    QString speed(const ProgramLine &l)
    {
        if (!(l.speed > 0.0))
            return m_options.speed;
        double tcp = l.speed;
        if (l.code == 1.0) {
            if (l.speed >= 100.0)
                return QStringLiteral("vmax");
            tcp = l.speed * kVmaxTcp / 100.0;
        }
        const QString standard = QStringLiteral("v") + plain(tcp);
        if (speedNames().contains(standard))
            return standard;
        const QString name = QStringLiteral("speed") + nameNumber(tcp);
        declare(
            name,
            QStringLiteral("    CONST speeddata %1:=[%2,500,5000,1000];").arg(name, plain(tcp)));
        return name;
    }

    QString zone(const ProgramLine &l)
    {
        if (l.zone == sequences::kFineZone)
            return QStringLiteral("fine");
        if (!(l.zone >= 0.0))
            return m_options.zone;
        const QString standard = QStringLiteral("z") + plain(l.zone);
        if (zoneNames().contains(standard))
            return standard;
        // As zN of the standard set: TCP path N, orientation and external
        // axes 1.5 N, reorientation 0.15 N.
        const double r = l.zone;
        const QString name = QStringLiteral("zone") + nameNumber(r);
        declare(name, QStringLiteral("    CONST zonedata %1:=[FALSE,%2,%3,%3,%4,%3,%4];")
                          .arg(name, plain(r), plain(1.5 * r), plain(0.15 * r)));
        return name;
    }

    const QStringList &declarations() const { return m_declarations; }

private:
    static constexpr double kVmaxTcp = 5000.0;

    // To 1e-4, without trailing zeros: "250", "12.5".
    static QString plain(double v)
    {
        QString s = fixed(v, 4);
        if (s.contains(QLatin1Char('.'))) {
            while (s.endsWith(QLatin1Char('0')))
                s.chop(1);
            if (s.endsWith(QLatin1Char('.')))
                s.chop(1);
        }
        return s;
    }

    // "12.5" -> "12_5": a number inside a RAPID name.
    static QString nameNumber(double v)
    {
        return plain(v).replace(QLatin1Char('.'), QLatin1Char('_'));
    }

    void declare(const QString &name, const QString &declaration)
    {
        if (m_declared.contains(name))
            return;
        m_declared.insert(name);
        m_declarations << declaration;
    }

    const ExportOptions &m_options;
    QStringList m_declarations;
    QSet<QString> m_declared;
};

} // namespace

QStringList speedNames()
{
    return {QStringLiteral("v5"),    QStringLiteral("v10"),   QStringLiteral("v20"),
            QStringLiteral("v30"),   QStringLiteral("v40"),   QStringLiteral("v50"),
            QStringLiteral("v60"),   QStringLiteral("v80"),   QStringLiteral("v100"),
            QStringLiteral("v150"),  QStringLiteral("v200"),  QStringLiteral("v300"),
            QStringLiteral("v400"),  QStringLiteral("v500"),  QStringLiteral("v600"),
            QStringLiteral("v800"),  QStringLiteral("v1000"), QStringLiteral("v1500"),
            QStringLiteral("v2000"), QStringLiteral("v2500"), QStringLiteral("v3000"),
            QStringLiteral("v4000"), QStringLiteral("v5000"), QStringLiteral("v6000"),
            QStringLiteral("v7000"), QStringLiteral("vmax")};
}

QStringList zoneNames()
{
    return {QStringLiteral("fine"), QStringLiteral("z0"),   QStringLiteral("z1"),
            QStringLiteral("z5"),   QStringLiteral("z10"),  QStringLiteral("z15"),
            QStringLiteral("z20"),  QStringLiteral("z30"),  QStringLiteral("z40"),
            QStringLiteral("z50"),  QStringLiteral("z60"),  QStringLiteral("z80"),
            QStringLiteral("z100"), QStringLiteral("z150"), QStringLiteral("z200")};
}

bool isIdentifier(const QString &text)
{
    if (text.isEmpty() || text.size() > 32 || !text.at(0).isLetter() || text.at(0).unicode() > 127)
        return false;
    for (QChar c : text)
        if (c.unicode() > 127 || !(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    return true;
}

QString identifierFrom(const QString &text)
{
    QString id;
    for (QChar c : text) {
        if (id.size() == 32)
            break;
        const bool ascii = c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('_'));
        if (id.isEmpty() && !(ascii && c.isLetter()))
            continue;
        id += ascii ? c : QLatin1Char('_');
    }
    return id.isEmpty() ? QStringLiteral("Velkari") : id;
}

std::vector<ProgramLine> programFromText(const QString &text, std::vector<int> *sourceLines)
{
    const sequences::ParsedText parsed = sequences::parseText(text);
    std::vector<ProgramLine> program(parsed.nodes.size());
    for (std::size_t i = 0; i < program.size(); ++i) {
        const auto &v = parsed.nodes[i].values;
        if (parsed.program) {
            program[i].code = double(v[0]);
            for (std::size_t k = 0; k < 6; ++k)
                program[i].operands[k] = double(v[k + 1]);
        } else {
            program[i].code = 1.0;
            for (std::size_t k = 0; k < 6; ++k)
                program[i].operands[k] = double(v[k]);
        }
    }
    if (parsed.program) {
        // The speed and zone words after the seven numbers.
        const sequences::ProgramText timed = sequences::parseProgramText(text);
        if (timed.lines.size() == program.size()) {
            for (std::size_t i = 0; i < program.size(); ++i) {
                program[i].speed = timed.lines[i].speed;
                program[i].zone = timed.lines[i].zone;
            }
        }
    }
    if (sourceLines)
        *sourceLines = parsed.lines;
    return program;
}

ExportResult exportModule(Robot &robot, const std::vector<ProgramLine> &program,
                          const ExportOptions &options)
{
    ExportResult result;
    sequences::PathAnalyser kinematics(robot);
    const Frame world = frameOfRowMatrix(robot.getHB());
    const Frame worldInverse = inverse(world);
    const QString wobj = QStringLiteral("wobj1");

    struct Tool
    {
        QString name;
        Frame frame;
        QString comment;
    };
    std::vector<Tool> tools{{QStringLiteral("tool1"), frameOfRowMatrix(robot.getHT()),
                             QStringLiteral("the current tool")}};
    auto toolFor = [&tools](const Frame &f, int line) {
        for (const Tool &t : tools)
            if (sameFrame(t.frame, f))
                return t.name;
        if (sameFrame(f, Frame()))
            return QStringLiteral("tool0");
        tools.push_back({QStringLiteral("tool%1").arg(tools.size() + 1), f,
                         QStringLiteral("set by program line %1").arg(line)});
        return tools.back().name;
    };

    QStringList declarations;
    QSet<QString> declared;
    auto robtarget = [&](std::size_t i, const Frame &M) {
        const QString name = QStringLiteral("p%1").arg(i + 1);
        if (declared.contains(name))
            return name;
        declared.insert(name);
        const ProgramLine &l = program[i];
        const Frame tcp = compose(worldInverse, compose(kinematics.flange(l.operands.data()), M));
        float q[6];
        for (int k = 0; k < 6; ++k)
            q[k] = std::fabs(l.operands[std::size_t(k)]) < 1e-5 ? 0.0f
                                                                : float(l.operands[std::size_t(k)]);
        const ConfData c = robot.configurationData(q);
        const double cf[4] = {c.cf1, c.cf4, c.cf6, c.cfx};
        declarations << QStringLiteral("    CONST robtarget %1:=[%2,%3,%4];")
                            .arg(name, transRot(tcp), list(cf, 4, 0), kExternalAxes);
        return name;
    };
    auto jointtarget = [&](std::size_t i) {
        const QString name = QStringLiteral("j%1").arg(i + 1);
        if (!declared.contains(name)) {
            declared.insert(name);
            declarations << QStringLiteral("    CONST jointtarget %1:=[%2,%3];")
                                .arg(name, list(program[i].operands.data(), 6, 6), kExternalAxes);
        }
        return name;
    };

    struct Instruction
    {
        QString text; // without speed, zone, tool
        QString tool;
        ProgramLine timing; // speed and zone
    };
    MotionData motion(options);
    std::vector<Instruction> moves;
    ProgramLine circleTiming;
    QStringList body; // with a placeholder per move
    Frame M;
    QString tool = toolFor(M, 0);
    for (std::size_t i = 0; i < program.size(); ++i) {
        const ProgramLine &l = program[i];
        const int line = int(i) + 1;
        if (!finiteOperands(l)) {
            result.notes
                << QStringLiteral("program line %1: its numbers make no move; left out").arg(line);
            continue;
        }
        QString move;
        // A circle moves at the speed and zone of its end point where that
        // names them, else of its via point.
        const ProgramLine *timing = &l;
        if (l.code == 1.0) {
            move = QStringLiteral("MoveAbsJ %1\\NoEOffs").arg(jointtarget(i));
        } else if (l.code == 2.0 || l.code == 3.0) {
            move = QStringLiteral("MoveL %1").arg(robtarget(i, M));
        } else if (l.code == 9.0) {
            if (i + 1 < program.size() && finiteOperands(program[i + 1])) {
                const QString via = robtarget(i, M); // declared in the order they are used
                move = QStringLiteral("MoveC %1, %2").arg(via, robtarget(i + 1, M));
                const ProgramLine &end = program[i + 1];
                circleTiming = l;
                if (end.speed > 0.0)
                    circleTiming.speed = end.speed;
                if (end.zone != sequences::kNoZone)
                    circleTiming.zone = end.zone;
                timing = &circleTiming;
            } else {
                // The path analysis goes straight to the via point then.
                result.notes << QStringLiteral("program line %1: a circular move without an end "
                                               "point; written as MoveL to its via point")
                                    .arg(line);
                move = QStringLiteral("MoveL %1").arg(robtarget(i, M));
            }
        } else if (l.code == 5.0) {
            M = sequences::PathAnalyser::toolChange(l.operands.data());
            tool = toolFor(M, line);
            body << QStringLiteral("        ! program line %1: tool %2").arg(line).arg(tool);
            continue;
        } else if (l.code >= 4.0 && l.code < 5.0) {
            const int object = int(std::lround((l.code - 4.0) * 100.0));
            const QString what = object == 0 ? QStringLiteral("the work object")
                                             : QStringLiteral("object %1").arg(object);
            result.notes << QStringLiteral("program line %1: the placement of %2 has no RAPID "
                                           "instruction; left out")
                                .arg(line)
                                .arg(what);
            body << QStringLiteral("        ! program line %1: placement of %2 left out")
                        .arg(line)
                        .arg(what);
            continue;
        } else {
            continue; // as the analysis: no instruction
        }
        body << QString(); // filled below, once the last move is known
        moves.push_back({move, tool, *timing});
    }

    std::size_t m = 0;
    for (QString &line : body) {
        if (!line.isEmpty())
            continue;
        const Instruction &in = moves[m];
        // The program ends at rest, whatever its last line names.
        const QString zone =
            m + 1 == moves.size() ? QStringLiteral("fine") : motion.zone(in.timing);
        line = QStringLiteral("        %1, %2, %3, %4\\WObj:=%5;")
                   .arg(in.text, motion.speed(in.timing), zone, in.tool, wobj);
        ++m;
    }

    QStringList out;
    out << QStringLiteral("MODULE %1").arg(identifierFrom(options.moduleName));
    out << QStringLiteral("    ! Written by Velkari for %1: TCP and work object in mm, "
                          "orient with q1 scalar.")
               .arg(robot.getName());
    for (const Tool &t : tools)
        out << QStringLiteral("    PERS tooldata %1:=[TRUE,%2,%3]; ! %4")
                   .arg(t.name, poseText(t.frame), kToolLoad, t.comment);
    out << QStringLiteral("    PERS wobjdata %1:=[FALSE,TRUE,\"\",%2,[[0,0,0],[1,0,0,0]]];")
               .arg(wobj, poseText(world));
    out << motion.declarations();
    out << declarations;
    out << QString() << QStringLiteral("    PROC main()");
    out << body;
    out << QStringLiteral("    ENDPROC") << QStringLiteral("ENDMODULE");
    result.module = out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return result;
}

QString problemWarning(const std::vector<sequences::PathProblem> &problems,
                       const std::vector<int> *sourceLines, int maxLines)
{
    QStringList lines;
    // In the window's language; velkari-kin applies none and stays English.
    using uitext::Text;
    lines << uitext::get(Text::ProblemCount).arg(problems.size());
    for (std::size_t i = 0; i < problems.size(); ++i) {
        if (int(i) == maxLines) {
            lines << uitext::get(Text::ProblemMore).arg(problems.size() - i);
            break;
        }
        const sequences::PathProblem &p = problems[i];
        int line = p.pathId + 1;
        if (sourceLines && p.pathId >= 0 && std::size_t(p.pathId) < sourceLines->size())
            line = (*sourceLines)[std::size_t(p.pathId)];
        lines << uitext::get(Text::ProblemAt)
                     .arg(p.position)
                     .arg(line)
                     .arg(sequences::PathAnalyser::problemTexts(p.code).trimmed());
    }
    return lines.join(QLatin1Char('\n'));
}

QString programText(const std::vector<ProgramLine> &program)
{
    QString text;
    for (const ProgramLine &l : program) {
        text += num(l.code, 0);
        for (double v : l.operands)
            text += QLatin1Char(' ') + num(v, 9);
        text += QLatin1Char('\n');
    }
    return text;
}

bool readModuleFile(const QString &fileName, QString &text, QString &error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    QByteArray bytes = file.read(kMaxModuleBytes + 1);
    if (bytes.size() > kMaxModuleBytes) {
        error = uitext::get(uitext::Text::ModTooLarge).arg(kMaxModuleBytes >> 20);
        return false;
    }
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    // Controllers write ISO 8859-1; newer ones and editors UTF-8.
    QTextCodec::ConverterState state;
    QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
    text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0)
        text = QString::fromLatin1(bytes);
    return true;
}

} // namespace rapid
