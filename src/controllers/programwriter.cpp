#include "programwriter.h"

#include "controllers/configflags.h"
#include "controllers/orientation.h"
#include "kinematics/robot.h"
#include "models/xml.h"
#include "rapid/rapidmodule.h"
#include "rapid/rapidparser.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace controllers {

using sequences::Frame;
using sequences::ProgramLine;

namespace {

// ---------------------------------------------------------------- languages

const std::vector<LanguageInfo> kLanguages = {
    {Language::Rapid, "rapid", "ABB RAPID (.mod)", true},
    {Language::Krl, "krl", "KUKA KRL (.src, .dat)", false},
    {Language::Ls, "ls", "FANUC LS (.ls)", true},
    {Language::UrScript, "urscript", "Universal Robots script (.script)", true},
    {Language::Jbi, "jbi", "Yaskawa INFORM (.JBI)", true},
    {Language::Val3, "val3", "St\u00e4ubli VAL3 (project folder)", false},
};

// ---------------------------------------------------------------- the plan

// One target: the joint values a program line names, and the TCP they put
// in the robot's base frame with the tool then in force.
struct Target
{
    int line = 0; // program line, from 1
    std::array<double, 6> joints{};
    std::array<float, 6> q{};
    Frame tcp;
    int tool = 0;
};

struct Move
{
    enum Kind
    {
        Joint,
        Linear,
        Circle
    } kind = Joint;
    Target to;
    Target via; // circles: the via point; `to` is the end
    double speed = 0.0;
    double zone = sequences::kNoZone;
    bool last = false;
};

// Tool changes and moves in program order.
struct Step
{
    bool toolChange = false;
    int tool = 0; // for a tool change
    int line = 0;
    Move move;
};

struct Plan
{
    std::vector<Frame> tools; // tool 0: the flange, until the program changes it
    std::vector<int> toolLines;
    std::vector<Step> steps;
    QStringList notes;
    int moves = 0;
};

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

bool usable(const ProgramLine &l)
{
    if (!std::isfinite(l.code))
        return false;
    for (double v : l.operands)
        if (!std::isfinite(v) || std::fabs(v) > 1e6)
            return false;
    return true;
}

Plan plan(Robot &robot, const std::vector<ProgramLine> &program)
{
    Plan p;
    sequences::PathAnalyser analyser(robot);
    p.tools.push_back(Frame());
    p.toolLines.push_back(0);
    int tool = 0;
    auto target = [&](std::size_t i) {
        Target t;
        t.line = int(i) + 1;
        for (std::size_t k = 0; k < 6; ++k) {
            // A value within 1e-5 of zero is zero: no "-0.000" and no sign
            // bit in KUKA's T for rounding noise.
            const double v = program[i].operands[k];
            t.joints[k] = std::fabs(v) < 1e-5 ? 0.0 : v;
            t.q[k] = float(t.joints[k]);
        }
        t.tcp = rapid::compose(analyser.flange(t.joints.data()), p.tools[std::size_t(tool)]);
        t.tool = tool;
        return t;
    };
    for (std::size_t i = 0; i < program.size(); ++i) {
        const ProgramLine &l = program[i];
        const int line = int(i) + 1;
        if (!usable(l)) {
            p.notes << QStringLiteral("program line %1: its numbers make no move; left out").arg(line);
            continue;
        }
        Step s;
        s.line = line;
        s.move.speed = std::isfinite(l.speed) && l.speed > 0.0 ? l.speed : 0.0;
        s.move.zone = std::isfinite(l.zone) ? l.zone : sequences::kNoZone;
        if (l.code == 1.0) {
            s.move.kind = Move::Joint;
            s.move.to = target(i);
        } else if (l.code == 2.0 || l.code == 3.0) {
            s.move.kind = Move::Linear;
            s.move.to = target(i);
        } else if (l.code == 9.0) {
            if (i + 1 < program.size() && usable(program[i + 1])) {
                s.move.kind = Move::Circle;
                s.move.via = target(i);
                s.move.to = target(i + 1);
            } else {
                p.notes << QStringLiteral("program line %1: a circular move without an end "
                                          "point; written as a straight move to its via point")
                               .arg(line);
                s.move.kind = Move::Linear;
                s.move.to = target(i);
            }
        } else if (l.code == 5.0) {
            const Frame m = sequences::PathAnalyser::toolChange(l.operands.data());
            int found = -1;
            for (std::size_t k = 0; k < p.tools.size() && found < 0; ++k)
                if (sameFrame(p.tools[k], m))
                    found = int(k);
            if (found < 0) {
                p.tools.push_back(m);
                p.toolLines.push_back(line);
                found = int(p.tools.size()) - 1;
            }
            tool = found;
            s.toolChange = true;
            s.tool = tool;
            p.steps.push_back(s);
            continue;
        } else if (l.code >= 4.0 && l.code < 5.0) {
            p.notes << QStringLiteral("program line %1: an object placement has no instruction; "
                                      "left out")
                           .arg(line);
            continue;
        } else {
            continue; // no instruction, as the path analysis
        }
        ++p.moves;
        p.steps.push_back(s);
    }
    for (auto it = p.steps.rbegin(); it != p.steps.rend(); ++it)
        if (!it->toolChange) {
            it->move.last = true;
            break;
        }
    return p;
}

// ---------------------------------------------------------------- numbers

QString num(double v, int decimals)
{
    return rapid::fixed(v, decimals);
}

// The default of WriteOptions as a number, or the language's own when
// empty; false when the text is no number the language accepts.
bool option(const QString &text, const DefaultValue &d, double &out)
{
    if (text.trimmed().isEmpty()) {
        out = d.value;
        return true;
    }
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < d.lowest || v > d.highest || (d.whole && v != std::floor(v)))
        return false;
    out = v;
    return true;
}

// Reads the two defaults; the reason in `error` when one is refused.
bool defaults(Language l, const WriteOptions &o, double &speed, double &zone, QString &error)
{
    const QString title = QString::fromLatin1(info(l).title);
    const DefaultValue s = defaultSpeed(l), z = defaultZone(l);
    auto refuse = [&](const char *what, const DefaultValue &d, const QString &text) {
        error = QStringLiteral("the %1 of %2 is in %3 (%4 to %5), not '%6'")
                    .arg(QLatin1String(what), title, QLatin1String(d.unit))
                    .arg(d.lowest)
                    .arg(d.highest)
                    .arg(text);
        return false;
    };
    if (!option(o.speed, s, speed))
        return refuse("speed", s, o.speed);
    if (!option(o.zone, z, zone))
        return refuse("zone", z, o.zone);
    return true;
}

// A move's zone in mm, or -1 for an exact stop.
double zoneMm(const Move &m, double defaultMm)
{
    if (m.last || m.zone == sequences::kFineZone)
        return -1.0;
    if (m.zone >= 0.0)
        return m.zone;
    return defaultMm;
}

QString today(const char *format)
{
    return QDateTime::currentDateTimeUtc().toString(QString::fromLatin1(format));
}

QString sourceName(const Robot &robot)
{
    return robot.getName().isEmpty() ? QStringLiteral("the robot") : robot.getName();
}

// ---------------------------------------------------------------- KRL

// Speeds: $VEL.CP in m/s, joint moves BAS(#VEL_PTP) in %; zones $APO.CDIS
// in mm with C_DIS (joint moves C_PTP, $APO.CPTP at half the largest).
WriteResult writeKrl(Robot &robot, const Plan &p, const WriteOptions &o)
{
    WriteResult r;
    double speed = 0.0, zone = 0.0;
    if (!defaults(Language::Krl, o, speed, zone, r.error))
        return r;
    const kinematics::Chain &chain = robot.chain();
    QStringList src, dat;
    src << QStringLiteral("DEF %1( )").arg(o.name);
    src << QStringLiteral(";FOLD INI") << QStringLiteral("  BAS(#INITMOV,0)")
        << QStringLiteral(";ENDFOLD (INI)");
    src << QStringLiteral("; Written by Velkari for %1: positions in mm in the robot's base "
                          "frame, A, B, C in degrees")
               .arg(sourceName(robot));
    src << QStringLiteral("$BASE=$NULLFRAME");
    auto frameText = [](const Frame &f) {
        const Angles a = kukaABC(f.r);
        return QStringLiteral("{X %1,Y %2,Z %3,A %4,B %5,C %6}")
            .arg(num(f.t[0], 3), num(f.t[1], 3), num(f.t[2], 3), num(a[0], 4), num(a[1], 4),
                 num(a[2], 4));
    };
    for (std::size_t k = 1; k < p.tools.size(); ++k)
        src << QStringLiteral("TOOL_DATA[%1]=%2 ; program line %3")
                   .arg(k)
                   .arg(frameText(p.tools[k]))
                   .arg(p.toolLines[k]);
    auto setTool = [&src](int tool) {
        src << (tool == 0 ? QStringLiteral("$TOOL=$NULLFRAME")
                          : QStringLiteral("$TOOL=TOOL_DATA[%1]").arg(tool));
    };
    setTool(0);
    src << QStringLiteral("$APO.CPTP=50");
    dat << QStringLiteral("DEFDAT %1 PUBLIC").arg(o.name);
    QSet<QString> declared;
    auto pos = [&](const Target &t) {
        const QString name = QStringLiteral("XP%1").arg(t.line);
        if (!declared.contains(name)) {
            declared.insert(name);
            const Angles a = kukaABC(t.tcp.r);
            dat << QStringLiteral("DECL E6POS %1={X %2,Y %3,Z %4,A %5,B %6,C %7,S %8,T %9,E1 0.0,"
                                  "E2 0.0,E3 0.0,E4 0.0,E5 0.0,E6 0.0}")
                       .arg(name, num(t.tcp.t[0], 3), num(t.tcp.t[1], 3), num(t.tcp.t[2], 3),
                            num(a[0], 4), num(a[1], 4), num(a[2], 4))
                       .arg(kukaStatus(chain, t.q.data()))
                       .arg(kukaTurn(t.q.data()));
        }
        return name;
    };
    auto axis = [&](const Target &t) {
        const QString name = QStringLiteral("XJ%1").arg(t.line);
        if (!declared.contains(name)) {
            declared.insert(name);
            QString v;
            for (int k = 0; k < 6; ++k)
                v += QStringLiteral("A%1 %2,").arg(k + 1).arg(num(t.joints[std::size_t(k)], 4));
            dat << QStringLiteral("DECL E6AXIS %1={%2E1 0.0,E2 0.0,E3 0.0,E4 0.0,E5 0.0,E6 0.0}")
                       .arg(name, v);
        }
        return name;
    };
    QString velCp, velPtp, cdis;
    for (const Step &s : p.steps) {
        if (s.toolChange) {
            src << QStringLiteral("; program line %1: tool %2").arg(s.line).arg(s.tool);
            setTool(s.tool);
            continue;
        }
        const Move &m = s.move;
        const double z = zoneMm(m, zone);
        QString flag;
        if (m.kind == Move::Joint) {
            const QString v = num(m.speed > 0.0 ? std::min(m.speed, 100.0) : 100.0, 0);
            if (v != velPtp)
                src << QStringLiteral("BAS(#VEL_PTP,%1)").arg(velPtp = v);
            if (z > 0.0)
                flag = QStringLiteral(" C_PTP");
            src << QStringLiteral("PTP %1%2").arg(axis(m.to), flag);
            continue;
        }
        const QString v = num(m.speed > 0.0 ? m.speed / 1000.0 : speed, 4);
        if (v != velCp)
            src << QStringLiteral("$VEL.CP=%1").arg(velCp = v);
        if (z > 0.0) {
            const QString d = num(z, 1);
            if (d != cdis)
                src << QStringLiteral("$APO.CDIS=%1").arg(cdis = d);
            flag = QStringLiteral(" C_DIS");
        }
        if (m.kind == Move::Linear) {
            src << QStringLiteral("LIN %1%2").arg(pos(m.to), flag);
        } else {
            const QString via = pos(m.via);
            src << QStringLiteral("CIRC %1,%2%3").arg(via, pos(m.to), flag);
        }
    }
    src << QStringLiteral("END");
    dat << QStringLiteral("ENDDAT");
    r.files.push_back({o.name + QStringLiteral(".src"), (src.join(QStringLiteral("\r\n")) +
                                                          QStringLiteral("\r\n")).toUtf8()});
    r.files.push_back({o.name + QStringLiteral(".dat"), (dat.join(QStringLiteral("\r\n")) +
                                                          QStringLiteral("\r\n")).toUtf8()});
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------- FANUC LS

// Tool numbers: UTOOL 1 for the program's first tool, the next number for
// each further one; the flange alone is UTOOL 0. The controller holds the
// tool values, so a comment "! UTOOL[n] X=.. Y=.. Z=.. W=.. P=.. R=.. ;" says
// them right before each UTOOL_NUM=n. Speeds: J in %, L and C in mm/sec,
// whole numbers; zones CNT 0-100.
WriteResult writeLs(Robot &robot, const Plan &p, const WriteOptions &o)
{
    WriteResult r;
    double speed = 0.0, zone = 0.0;
    if (!defaults(Language::Ls, o, speed, zone, r.error))
        return r;
    const kinematics::Chain &chain = robot.chain();
    QStringList mn, pos;
    int numbered = 0; // a circle's second line carries no number of its own
    auto add = [&mn, &numbered](const QString &text) {
        mn << QStringLiteral("%1:%2").arg(++numbered, 4).arg(text);
    };
    add(QStringLiteral("  ! Velkari: %1 ;").arg(sourceName(robot).left(24)));
    add(QStringLiteral("  UFRAME_NUM=0 ;"));
    add(QStringLiteral("  UTOOL_NUM=0 ;"));
    int count = 0;
    auto point = [&](const Target &t, bool joint) {
        const int n = ++count;
        QString body = QStringLiteral("P[%1]{\n   GP1:\n\tUF : 0, UT : %2,").arg(n).arg(t.tool);
        if (joint) {
            body += QStringLiteral("\t\n");
            for (int k = 0; k < 6; ++k)
                body += QStringLiteral("%1J%2= %3 deg")
                            .arg(k == 0 ? QStringLiteral("\t") : k == 3 ? QStringLiteral(",\n\t")
                                                                       : QStringLiteral(",\t"))
                            .arg(k + 1)
                            .arg(num(t.joints[std::size_t(k)], 3), 9);
        } else {
            const Angles a = fanucWPR(t.tcp.r);
            body += QStringLiteral("\t\tCONFIG : '%1',\n")
                        .arg(fanucConfigText(fanucConfig(chain, t.q.data())));
            body += QStringLiteral("\tX = %1  mm,\tY = %2  mm,\tZ = %3  mm,\n")
                        .arg(num(t.tcp.t[0], 3), 9)
                        .arg(num(t.tcp.t[1], 3), 9)
                        .arg(num(t.tcp.t[2], 3), 9);
            body += QStringLiteral("\tW = %1 deg,\tP = %2 deg,\tR = %3 deg")
                        .arg(num(a[0], 3), 9)
                        .arg(num(a[1], 3), 9)
                        .arg(num(a[2], 3), 9);
        }
        pos << body + QStringLiteral("\n};");
        return n;
    };
    for (const Step &s : p.steps) {
        if (s.toolChange) {
            add(QStringLiteral("  ! program line %1 ;").arg(s.line));
            if (s.tool > 0) {
                // UTOOL[n] is set on the controller: the values it must hold.
                const Frame &t = p.tools[std::size_t(s.tool)];
                const Angles a = fanucWPR(t.r);
                add(QStringLiteral("  ! UTOOL[%1] X=%2 Y=%3 Z=%4 W=%5 P=%6 R=%7 ;")
                        .arg(s.tool)
                        .arg(num(t.t[0], 3), num(t.t[1], 3), num(t.t[2], 3), num(a[0], 3),
                             num(a[1], 3), num(a[2], 3)));
            }
            add(QStringLiteral("  UTOOL_NUM=%1 ;").arg(s.tool));
            continue;
        }
        const Move &m = s.move;
        const double z = zoneMm(m, zone);
        const QString term = z < 0.0 ? QStringLiteral("FINE")
                                     : QStringLiteral("CNT%1").arg(int(std::lround(std::min(z, 100.0))));
        if (m.kind == Move::Joint) {
            const long v = std::lround(m.speed > 0.0 ? std::clamp(m.speed, 1.0, 100.0) : 100.0);
            add(QStringLiteral("J P[%1] %2% %3    ;").arg(point(m.to, true)).arg(v).arg(term));
            continue;
        }
        const long v = std::max(1L, std::lround(m.speed > 0.0 ? m.speed : speed));
        if (m.kind == Move::Linear) {
            add(QStringLiteral("L P[%1] %2mm/sec %3    ;").arg(point(m.to, false)).arg(v).arg(term));
        } else {
            add(QStringLiteral("C P[%1]    ;").arg(point(m.via, false)));
            mn << QStringLiteral("    :  P[%1] %2mm/sec %3    ;")
                      .arg(point(m.to, false))
                      .arg(v)
                      .arg(term);
        }
    }
    const QString stamp = today("yy-MM-dd  'TIME' HH:mm:ss");
    QStringList out;
    out << QStringLiteral("/PROG  %1").arg(o.name) << QStringLiteral("/ATTR")
        << QStringLiteral("OWNER\t\t= MNEDITOR;") << QStringLiteral("COMMENT\t\t= \"Velkari\";")
        << QStringLiteral("PROG_SIZE\t= 0;") << QStringLiteral("CREATE\t\t= DATE %1;").arg(stamp)
        << QStringLiteral("MODIFIED\t= DATE %1;").arg(stamp) << QStringLiteral("FILE_NAME\t= ;")
        << QStringLiteral("VERSION\t\t= 0;") << QStringLiteral("LINE_COUNT\t= %1;").arg(numbered)
        << QStringLiteral("MEMORY_SIZE\t= 0;") << QStringLiteral("PROTECT\t\t= READ_WRITE;")
        << QStringLiteral("TCD:  STACK_SIZE\t= 0,") << QStringLiteral("      TASK_PRIORITY\t= 50,")
        << QStringLiteral("      TIME_SLICE\t= 0,") << QStringLiteral("      BUSY_LAMP_OFF\t= 0,")
        << QStringLiteral("      ABORT_REQUEST\t= 0,") << QStringLiteral("      PAUSE_REQUEST\t= 0;")
        << QStringLiteral("DEFAULT_GROUP\t= 1,*,*,*,*;")
        << QStringLiteral("CONTROL_CODE\t= 00000000 00000000;") << QStringLiteral("/MN");
    out << mn << QStringLiteral("/POS") << pos << QStringLiteral("/END");
    r.files.push_back({o.name + QStringLiteral(".ls"), (out.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()});
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------- URScript

// Joint moves go to joint lists, which fix the configuration; straight and
// circular moves to poses, which the controller solves nearest to where the
// arm stands, as the path here is solved. Speeds: v in m/s (joint moves
// rad/s, 100 % = pi rad/s); blend radius r in m.
WriteResult writeUr(Robot &robot, const Plan &p, const WriteOptions &o)
{
    WriteResult r;
    double speed = 0.0, zone = 0.0;
    if (!defaults(Language::UrScript, o, speed, zone, r.error))
        return r;
    auto pose = [](const Frame &f) {
        const Angles v = urRotationVector(f.r);
        return QStringLiteral("p[%1, %2, %3, %4, %5, %6]")
            .arg(num(f.t[0] / 1000.0, 7), num(f.t[1] / 1000.0, 7), num(f.t[2] / 1000.0, 7),
                 num(v[0], 7), num(v[1], 7), num(v[2], 7));
    };
    QStringList out;
    out << QStringLiteral("def %1():").arg(o.name);
    out << QStringLiteral("  # Written by Velkari for %1: poses in the robot's base frame, "
                          "metres and rotation vectors in radians")
               .arg(sourceName(robot));
    out << QStringLiteral("  set_tcp(%1)").arg(pose(p.tools[0]));
    for (const Step &s : p.steps) {
        if (s.toolChange) {
            out << QStringLiteral("  # program line %1").arg(s.line);
            out << QStringLiteral("  set_tcp(%1)").arg(pose(p.tools[std::size_t(s.tool)]));
            continue;
        }
        const Move &m = s.move;
        const double z = zoneMm(m, zone * 1000.0);
        const QString blend = num(z > 0.0 ? z / 1000.0 : 0.0, 4);
        if (m.kind == Move::Joint) {
            QString q;
            for (int k = 0; k < 6; ++k)
                q += (k ? QStringLiteral(", ") : QString()) +
                     num(m.to.joints[std::size_t(k)] * M_PI / 180.0, 7);
            const double v = (m.speed > 0.0 ? std::min(m.speed, 100.0) : 100.0 / 3.0) * M_PI / 100.0;
            out << QStringLiteral("  movej([%1], a=1.4, v=%2, r=%3)").arg(q, num(v, 4), blend);
            continue;
        }
        const QString v = num(m.speed > 0.0 ? m.speed / 1000.0 : speed, 4);
        if (m.kind == Move::Linear)
            out << QStringLiteral("  movel(%1, a=1.2, v=%2, r=%3)").arg(pose(m.to.tcp), v, blend);
        else
            out << QStringLiteral("  movec(%1, %2, a=1.2, v=%3, r=%4, mode=0)")
                       .arg(pose(m.via.tcp), pose(m.to.tcp), v, blend);
    }
    out << QStringLiteral("end");
    r.files.push_back({o.name + QStringLiteral(".script"), (out.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()});
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------- INFORM

// Every point Cartesian in the robot frame (pulse counts are the robot's own
// and unknown here), with the tool and RCONF switched before the points
// whose values differ. A circle is MOVC to its start (where the arm
// stands), its via point and its end.
WriteResult writeJbi(Robot &robot, const Plan &p, const WriteOptions &o)
{
    WriteResult r;
    double speed = 0.0, zone = 0.0;
    if (!defaults(Language::Jbi, o, speed, zone, r.error))
        return r;
    const kinematics::Chain &chain = robot.chain();
    QStringList points, inst;
    int count = 0, pointTool = -1;
    QString rconf;
    auto point = [&](const Target &t) {
        if (t.tool != pointTool)
            points << QStringLiteral("///TOOL %1").arg(pointTool = t.tool);
        const QString c = yaskawaRconfText(yaskawaRconf(chain, t.q.data()));
        if (c != rconf)
            points << QStringLiteral("///RCONF %1").arg(rconf = c);
        const Angles a = yaskawaRxRyRz(t.tcp.r);
        const QString name = QStringLiteral("C%1").arg(count++, 5, 10, QLatin1Char('0'));
        points << QStringLiteral("%1=%2,%3,%4,%5,%6,%7")
                      .arg(name, num(t.tcp.t[0], 3), num(t.tcp.t[1], 3), num(t.tcp.t[2], 3),
                           num(a[0], 4), num(a[1], 4), num(a[2], 4));
        return name;
    };
    Target where; // the last target: a circle starts there
    bool somewhere = false;
    for (const Step &s : p.steps) {
        if (s.toolChange) {
            inst << QStringLiteral("'program line %1: tool %2").arg(s.line).arg(s.tool);
            continue;
        }
        const Move &m = s.move;
        const double z = zoneMm(m, zone * 10.0);
        const QString pl = z > 0.0 ? QStringLiteral(" PL=%1").arg(std::clamp(int(std::lround(z / 10.0)), 1, 8))
                                   : QString();
        if (m.kind == Move::Joint) {
            const double v = m.speed > 0.0 ? std::clamp(m.speed, 0.01, 100.0) : 50.0;
            inst << QStringLiteral("MOVJ %1 VJ=%2%3").arg(point(m.to), num(v, 2), pl);
        } else {
            const QString v = QStringLiteral(" V=%1").arg(num(m.speed > 0.0 ? m.speed : speed, 1));
            if (m.kind == Move::Linear) {
                inst << QStringLiteral("MOVL %1%2%3").arg(point(m.to), v, pl);
            } else {
                Target start = somewhere ? where : m.via;
                start.tool = m.via.tool; // the start seen with the circle's tool
                if (somewhere && where.tool != m.via.tool) {
                    sequences::PathAnalyser analyser(robot);
                    start.tcp = rapid::compose(analyser.flange(where.joints.data()),
                                               p.tools[std::size_t(m.via.tool)]);
                }
                inst << QStringLiteral("MOVC %1%2").arg(point(start), v);
                inst << QStringLiteral("MOVC %1%2").arg(point(m.via), v);
                inst << QStringLiteral("MOVC %1%2%3").arg(point(m.to), v, pl);
            }
        }
        where = m.to;
        somewhere = true;
    }
    QStringList tools;
    for (std::size_t k = 0; k < p.tools.size(); ++k) {
        const Angles a = yaskawaRxRyRz(p.tools[k].r);
        tools << QStringLiteral("'TOOL %1: X %2 Y %3 Z %4 Rx %5 Ry %6 Rz %7")
                     .arg(k)
                     .arg(num(p.tools[k].t[0], 3), num(p.tools[k].t[1], 3), num(p.tools[k].t[2], 3),
                          num(a[0], 4), num(a[1], 4), num(a[2], 4));
    }
    QStringList out;
    out << QStringLiteral("/JOB") << QStringLiteral("//NAME %1").arg(o.name)
        << QStringLiteral("//POS") << QStringLiteral("///NPOS %1,0,0,0,0,0").arg(count)
        << QStringLiteral("///POSTYPE ROBOT")
        << QStringLiteral("///RECTAN");
    // The switches apply to the points after them: TOOL and RCONF come first
    // in the list built above, with each point.
    out << points;
    out << QStringLiteral("//INST") << QStringLiteral("///DATE %1").arg(today("yyyy/MM/dd HH:mm"))
        << QStringLiteral("///COMM VELKARI") << QStringLiteral("///ATTR SC,RW")
        << QStringLiteral("///GROUP1 RB1") << QStringLiteral("NOP")
        << QStringLiteral("'Written by Velkari for %1: mm and degrees in the robot frame").arg(sourceName(robot));
    out << tools << inst << QStringLiteral("END");
    r.files.push_back({o.name + QStringLiteral(".JBI"), (out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8()});
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------- VAL3

QByteArray withBom(const QString &text)
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

// One mdesc per speed and zone the program uses; joint moves at vel (% of
// the nominal joint speed), straight and circular at tmax mm/s; blend off
// for exact stops, else Cartesian with leave and reach at the zone in mm.
WriteResult writeVal3(Robot &robot, const Plan &p, const WriteOptions &o)
{
    WriteResult r;
    double speed = 0.0, zone = 0.0;
    if (!defaults(Language::Val3, o, speed, zone, r.error))
        return r;
    const kinematics::Chain &chain = robot.chain();
    QStringList points, joints, descs, code;
    auto descFor = [&](double vel, double tmax, double blend) {
        const QString d = QStringLiteral("accel=\"100\" vel=\"%1\" decel=\"100\" tmax=\"%2\" "
                                         "rmax=\"9999\" blend=\"%3\" leave=\"%4\" reach=\"%4\"")
                              .arg(num(vel, 1), num(tmax, 1),
                                   blend > 0.0 ? QStringLiteral("Cartesian") : QStringLiteral("off"),
                                   num(std::max(blend, 0.0), 1));
        int k = int(descs.indexOf(d));
        if (k < 0) {
            descs << d;
            k = int(descs.size()) - 1;
        }
        return QStringLiteral("mDesc[%1]").arg(k);
    };
    auto point = [&](const Target &t) {
        const Angles a = val3RxRyRz(t.tcp.r);
        const StaubliConfig c = staubliConfig(chain, t.q.data());
        points << QStringLiteral("        <Value key=\"%1\" x=\"%2\" y=\"%3\" z=\"%4\" rx=\"%5\" "
                                 "ry=\"%6\" rz=\"%7\" shoulder=\"%8\" elbow=\"%9\" wrist=\"%10\" "
                                 "fatherId=\"world[0]\" />")
                      .arg(points.size())
                      .arg(num(t.tcp.t[0], 3), num(t.tcp.t[1], 3), num(t.tcp.t[2], 3),
                           num(a[0], 4), num(a[1], 4), num(a[2], 4),
                           QLatin1String(shoulderName(c)), QLatin1String(elbowName(c)))
                      .arg(QLatin1String(wristName(c)));
        return QStringLiteral("pPoint[%1]").arg(points.size() - 1);
    };
    auto joint = [&](const Target &t) {
        QString v;
        for (int k = 0; k < 6; ++k)
            v += QStringLiteral("j%1=\"%2\" ").arg(k + 1).arg(num(t.joints[std::size_t(k)], 4));
        joints << QStringLiteral("        <Value key=\"%1\" %2/>").arg(joints.size()).arg(v);
        return QStringLiteral("jPoint[%1]").arg(joints.size() - 1);
    };
    code << QStringLiteral("begin")
         << QStringLiteral("  // Written by Velkari for %1: mm and degrees in the robot's base frame")
                .arg(sourceName(robot));
    for (const Step &s : p.steps) {
        if (s.toolChange) {
            code << QStringLiteral("  // program line %1: tool %2").arg(s.line).arg(s.tool);
            continue;
        }
        const Move &m = s.move;
        const double z = zoneMm(m, zone);
        const QString tool = QStringLiteral("tTool[%1]").arg(m.to.tool);
        if (m.kind == Move::Joint) {
            const QString d = descFor(m.speed > 0.0 ? std::min(m.speed, 100.0) : 100.0, 9999.0, z);
            code << QStringLiteral("  movej(%1, %2, %3)").arg(joint(m.to), tool, d);
            continue;
        }
        const QString d = descFor(100.0, m.speed > 0.0 ? m.speed : speed, z);
        if (m.kind == Move::Linear) {
            code << QStringLiteral("  movel(%1, %2, %3)").arg(point(m.to), tool, d);
        } else {
            const QString via = point(m.via);
            code << QStringLiteral("  movec(%1, %2, %3, %4)").arg(via, point(m.to), tool, d);
        }
    }
    code << QStringLiteral("  waitEndMove()") << QStringLiteral("end");

    QStringList tools;
    for (std::size_t k = 0; k < p.tools.size(); ++k) {
        const Angles a = val3RxRyRz(p.tools[k].r);
        tools << QStringLiteral("        <Value key=\"%1\" x=\"%2\" y=\"%3\" z=\"%4\" rx=\"%5\" "
                                "ry=\"%6\" rz=\"%7\" fatherId=\"flange[0]\" ioLink=\"valve1\" />")
                     .arg(k)
                     .arg(num(p.tools[k].t[0], 3), num(p.tools[k].t[1], 3), num(p.tools[k].t[2], 3),
                          num(a[0], 4), num(a[1], 4), num(a[2], 4));
    }
    QStringList mdesc;
    for (int k = 0; k < descs.size(); ++k)
        mdesc << QStringLiteral("        <Value key=\"%1\" %2 />").arg(k).arg(descs[k]);
    auto array = [](const char *name, const char *type, const QStringList &values) {
        QStringList l;
        l << QStringLiteral("    <Data name=\"%1\" access=\"public\" xsi:type=\"array\" type=\"%2\" "
                            "size=\"%3\">")
                 .arg(QLatin1String(name), QLatin1String(type))
                 .arg(std::max(1, int(values.size())));
        l << values << QStringLiteral("    </Data>");
        return l;
    };
    QStringList dtx;
    dtx << QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>")
        << QStringLiteral("<Database xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                          "xmlns=\"http://www.staubli.com/robotics/VAL3/Data/2\">")
        << QStringLiteral("  <Datas>");
    if (!joints.isEmpty())
        dtx << array("jPoint", "jointRx", joints);
    if (!points.isEmpty())
        dtx << array("pPoint", "pointRx", points);
    dtx << array("tTool", "tool", tools);
    if (!mdesc.isEmpty())
        dtx << array("mDesc", "mdesc", mdesc);
    dtx << QStringLiteral("  </Datas>") << QStringLiteral("</Database>");

    auto program = [](const QString &name, const QStringList &lines) {
        return QStringList{QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
                           QStringLiteral("<Programs xmlns=\"http://www.staubli.com/robotics/VAL3/Program/2\">"),
                           QStringLiteral("  <Program name=\"%1\">").arg(name),
                           QStringLiteral("    <Code><![CDATA[%1]]></Code>").arg(lines.join(QStringLiteral("\r\n"))),
                           QStringLiteral("  </Program>"), QStringLiteral("</Programs>")};
    };
    QStringList pjx;
    pjx << QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>")
        << QStringLiteral("<Project xmlns=\"http://www.staubli.com/robotics/VAL3/Project/3\">")
        << QStringLiteral("  <Parameters version=\"s7.3\" stackSize=\"5000\" millimeterUnit=\"true\" />")
        << QStringLiteral("  <Programs>") << QStringLiteral("    <Program file=\"start.pgx\" />")
        << QStringLiteral("    <Program file=\"stop.pgx\" />") << QStringLiteral("  </Programs>")
        << QStringLiteral("  <Database>") << QStringLiteral("    <Data file=\"%1.dtx\" />").arg(o.name)
        << QStringLiteral("  </Database>") << QStringLiteral("  <Libraries />")
        << QStringLiteral("</Project>");
    const QString dir = o.name + QLatin1Char('/');
    const QString eol = QStringLiteral("\r\n");
    r.files.push_back({dir + o.name + QStringLiteral(".pjx"), withBom(pjx.join(eol) + eol)});
    r.files.push_back({dir + QStringLiteral("start.pgx"), withBom(program(QStringLiteral("start"), code).join(eol) + eol)});
    r.files.push_back({dir + QStringLiteral("stop.pgx"),
                       withBom(program(QStringLiteral("stop"), {QStringLiteral("begin"), QStringLiteral("end")}).join(eol) + eol)});
    r.files.push_back({dir + o.name + QStringLiteral(".dtx"), withBom(dtx.join(eol) + eol)});
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------- names

struct NameRule
{
    int maxLength;
    bool underscoreFirst;
    QStringList reserved; // upper case
};

NameRule ruleOf(Language l)
{
    switch (l) {
    case Language::Krl:
        return {24, true,
                {QStringLiteral("DEF"), QStringLiteral("END"), QStringLiteral("DEFDAT"),
                 QStringLiteral("ENDDAT"), QStringLiteral("DEFFCT"), QStringLiteral("PTP"),
                 QStringLiteral("LIN"), QStringLiteral("CIRC"), QStringLiteral("IF"),
                 QStringLiteral("LOOP"), QStringLiteral("DECL"), QStringLiteral("GLOBAL"),
                 QStringLiteral("PUBLIC")}};
    case Language::Ls:
        return {36, false, {}};
    case Language::UrScript:
        return {63, true,
                {QStringLiteral("DEF"), QStringLiteral("END"), QStringLiteral("IF"),
                 QStringLiteral("ELSE"), QStringLiteral("ELIF"), QStringLiteral("WHILE"),
                 QStringLiteral("THREAD"), QStringLiteral("RETURN"), QStringLiteral("GLOBAL"),
                 QStringLiteral("TRUE"), QStringLiteral("FALSE"), QStringLiteral("AND"),
                 QStringLiteral("OR"), QStringLiteral("NOT"), QStringLiteral("HALT"),
                 QStringLiteral("PASS")}};
    case Language::Jbi:
        return {32, false, {}};
    case Language::Val3:
        return {15, false,
                {QStringLiteral("BEGIN"), QStringLiteral("END"), QStringLiteral("START"),
                 QStringLiteral("STOP"), QStringLiteral("IF"), QStringLiteral("CALL"),
                 QStringLiteral("RETURN"), QStringLiteral("WHILE"), QStringLiteral("FOR")}};
    case Language::Rapid:
        break;
    }
    return {32, false, {}};
}

} // namespace

DefaultValue defaultSpeed(Language l)
{
    switch (l) {
    case Language::Krl: return {"m/s", 0.25, 0.0001, 10.0, false};
    case Language::Ls: return {"mm/sec", 250.0, 1.0, 4000.0, false};
    case Language::UrScript: return {"m/s", 0.25, 0.0001, 10.0, false};
    case Language::Jbi: return {"mm/s", 250.0, 0.1, 9000.0, false};
    case Language::Val3: return {"mm/s", 250.0, 0.1, 10000.0, false};
    case Language::Rapid: break;
    }
    return {"speeddata", 0.0, 0.0, 0.0, false};
}

DefaultValue defaultZone(Language l)
{
    switch (l) {
    case Language::Krl: return {"mm", 10.0, 0.0, 1000.0, false};
    case Language::Ls: return {"CNT", 10.0, 0.0, 100.0, true};
    case Language::UrScript: return {"m", 0.01, 0.0, 2.0, false};
    case Language::Jbi: return {"PL", 1.0, 0.0, 8.0, true};
    case Language::Val3: return {"mm", 10.0, 0.0, 1000.0, false};
    case Language::Rapid: break;
    }
    return {"zonedata", 0.0, 0.0, 0.0, false};
}

const std::vector<LanguageInfo> &languages()
{
    return kLanguages;
}

const LanguageInfo &info(Language language)
{
    for (const LanguageInfo &l : kLanguages)
        if (l.language == language)
            return l;
    return kLanguages.front();
}

bool languageOfKey(const QString &key, Language &language)
{
    for (const LanguageInfo &l : kLanguages)
        if (key.compare(QLatin1String(l.key), Qt::CaseInsensitive) == 0) {
            language = l.language;
            return true;
        }
    return false;
}

Language languageOfMaker(const QString &maker)
{
    const QString m = maker.trimmed().toLower();
    if (m.startsWith(QLatin1String("kuka")))
        return Language::Krl;
    if (m.startsWith(QLatin1String("fanuc")))
        return Language::Ls;
    if (m.startsWith(QLatin1String("universal robots")) || m == QLatin1String("ur"))
        return Language::UrScript;
    if (m.startsWith(QLatin1String("yaskawa")) || m.startsWith(QLatin1String("motoman")))
        return Language::Jbi;
    if (m.startsWith(QLatin1String("staubli")) || m.startsWith(QStringLiteral("st\u00e4ubli")))
        return Language::Val3;
    return Language::Rapid;
}

QString makerOf(const Robot &robot)
{
    if (robot.getFilePath().isEmpty())
        return QString();
    RobotInfo info;
    if (xml::loadInfo(QFile::encodeName(robot.getFilePath()).constData(), info) != 0)
        return QString();
    return QString::fromUtf8(info.maker.c_str()).trimmed();
}

std::vector<Language> languagesFor(const Robot &robot)
{
    const Language first = languageOfMaker(makerOf(robot));
    std::vector<Language> order{first};
    for (const LanguageInfo &l : kLanguages)
        if (l.language != first)
            order.push_back(l.language);
    return order;
}

bool checkName(Language language, const QString &name, QString *why)
{
    auto refuse = [why](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    const QString title = QString::fromLatin1(info(language).title);
    if (language == Language::Rapid) {
        if (!rapid::isIdentifier(name))
            return refuse(QStringLiteral("'%1' is no %2 name: a letter, then letters, digits "
                                         "and '_', at most 32").arg(name, title));
        return true;
    }
    const NameRule rule = ruleOf(language);
    const auto ascii = [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); };
    if (name.isEmpty())
        return refuse(QStringLiteral("a %1 program needs a name").arg(title));
    if (name.size() > rule.maxLength)
        return refuse(QStringLiteral("'%1' is too long for a %2 name: at most %3 characters")
                          .arg(name, title)
                          .arg(rule.maxLength));
    const QChar first = name.at(0);
    if (!((ascii(first) && first.isLetter()) || (rule.underscoreFirst && first == QLatin1Char('_'))))
        return refuse(QStringLiteral("'%1' is no %2 name: it must begin with a letter%3")
                          .arg(name, title,
                               rule.underscoreFirst ? QStringLiteral(" or '_'") : QString()));
    for (QChar c : name)
        if (!ascii(c) && c != QLatin1Char('_'))
            return refuse(QStringLiteral("'%1' is no %2 name: '%3' is not a letter, digit or '_'")
                              .arg(name, title, QString(c)));
    if (rule.reserved.contains(name.toUpper()))
        return refuse(QStringLiteral("'%1' is a word of %2 and cannot name a program").arg(name, title));
    return true;
}

int maxNameLength(Language language)
{
    return ruleOf(language).maxLength;
}

QString nameFrom(Language language, const QString &text)
{
    QString id = rapid::identifierFrom(text).left(ruleOf(language).maxLength);
    if (language == Language::Ls || language == Language::Jbi)
        id = id.toUpper();
    if (!checkName(language, id))
        id = QStringLiteral("Velkari");
    if (language == Language::Ls || language == Language::Jbi)
        id = id.toUpper();
    return id;
}

WriteResult writeProgram(Robot &robot, const std::vector<ProgramLine> &program, Language language,
                         const WriteOptions &options)
{
    WriteResult r;
    if (!robot.isLoaded()) {
        r.error = QStringLiteral("no robot is loaded");
        return r;
    }
    QString why;
    if (!checkName(language, options.name, &why)) {
        r.error = why;
        return r;
    }
    WriteOptions o = options;
    // FANUC and Yaskawa keep program names in capitals.
    if (language == Language::Ls || language == Language::Jbi)
        o.name = o.name.toUpper();
    if (language == Language::Rapid) {
        rapid::ExportOptions e;
        e.moduleName = o.name;
        if (!o.speed.isEmpty())
            e.speed = o.speed;
        if (!o.zone.isEmpty())
            e.zone = o.zone;
        const rapid::ExportResult x = rapid::exportModule(robot, program, e);
        r.files.push_back({o.name + QStringLiteral(".mod"), x.module.toUtf8()});
        r.notes = x.notes;
        r.moves = plan(robot, program).moves;
        r.ok = true;
        return r;
    }
    const Plan p = plan(robot, program);
    switch (language) {
    case Language::Krl: r = writeKrl(robot, p, o); break;
    case Language::Ls: r = writeLs(robot, p, o); break;
    case Language::UrScript: r = writeUr(robot, p, o); break;
    case Language::Jbi: r = writeJbi(robot, p, o); break;
    case Language::Val3: r = writeVal3(robot, p, o); break;
    case Language::Rapid: break;
    }
    if (r.ok) {
        r.notes = p.notes;
        r.moves = p.moves;
    }
    return r;
}

} // namespace controllers
