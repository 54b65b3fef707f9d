#include "krlreader.h"

#include "controllers/orientation.h"
#include "rapid/rapidmodule.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>

namespace controllers {

using sequences::Frame;

namespace {

// One target datum: components by name (upper case), and which type.
struct Datum
{
    enum Type
    {
        Cartesian, // E6POS, POS, FRAME
        Axis       // E6AXIS, AXIS
    } type = Cartesian;
    QHash<QString, double> values;
    bool hasS = false, hasT = false;
    int s = 0, t = 0;
};

const QRegularExpression &re(const char *pattern)
{
    // Patterns are few and fixed; each compiled once.
    static QHash<const char *, QRegularExpression> cache;
    auto it = cache.find(pattern);
    if (it == cache.end())
        it = cache.insert(pattern, QRegularExpression(QString::fromLatin1(pattern),
                                                      QRegularExpression::CaseInsensitiveOption));
    return *it;
}

// The statement part of a line: a ';' outside a string starts a comment
// (folds are comments too).
QString code(const QString &line)
{
    bool inString = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"'))
            inString = !inString;
        else if (c == QLatin1Char(';') && !inString)
            return line.left(i).trimmed();
    }
    return line.trimmed();
}

// A variable's name as the controller compares it: any case, an index
// without blanks.
QString key(const QString &name)
{
    QString k = name.toUpper();
    k.remove(QLatin1Char(' '));
    k.remove(QLatin1Char('\t'));
    return k;
}

// S and T as numbers or bit strings 'B0110' (binary) and 'H1F' (hex).
bool readInteger(const QString &text, int &value)
{
    const QString t = text.trimmed();
    const QRegularExpressionMatch bits = re("^'([BH])([0-9A-F]{1,16})'$").match(t);
    bool ok = false;
    long long v = 0;
    if (bits.hasMatch()) {
        v = bits.captured(2).toLongLong(&ok, bits.captured(1).toUpper() == QLatin1String("B") ? 2
                                                                                             : 16);
    } else {
        double d = 0.0;
        ok = readNumber(t, d) && d == std::floor(d);
        v = static_cast<long long>(d);
    }
    if (!ok || v < 0 || v > 65535)
        return false;
    value = int(v);
    return true;
}

// Splits at commas outside braces and brackets.
QStringList splitTop(const QString &text)
{
    QStringList parts;
    int depth = 0, start = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('{') || c == QLatin1Char('[') || c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char('}') || c == QLatin1Char(']') || c == QLatin1Char(')'))
            --depth;
        else if (c == QLatin1Char(',') && depth == 0) {
            parts << text.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    parts << text.mid(start).trimmed();
    return parts;
}

// "{[TYPE:] X 1, Y 2, ...}" into `d`; false with `why` for anything that is
// not a flat aggregate of numbers.
bool aggregate(const QString &text, Datum &d, QString &why)
{
    QString body = text.trimmed();
    if (!body.startsWith(QLatin1Char('{')) || !body.endsWith(QLatin1Char('}'))) {
        why = QStringLiteral("'%1' is no aggregate").arg(body.left(40));
        return false;
    }
    body = body.mid(1, body.size() - 2);
    const int colon = body.indexOf(QLatin1Char(':'));
    if (colon >= 0 && re("^\\s*\\w+\\s*:").match(body).hasMatch())
        body = body.mid(colon + 1);
    for (const QString &part : splitTop(body)) {
        if (part.isEmpty())
            continue;
        const QRegularExpressionMatch m = re("^([A-Z][A-Z0-9_]*)\\s+(.+)$").match(part);
        if (!m.hasMatch()) {
            why = QStringLiteral("'%1' is no component of a target").arg(part.left(40));
            return false;
        }
        const QString name = m.captured(1).toUpper();
        const QString value = m.captured(2).trimmed();
        if (name == QLatin1String("S") || name == QLatin1String("T")) {
            int v = 0;
            if (!readInteger(value, v)) {
                why = QStringLiteral("%1 '%2' is no status or turn").arg(name, value.left(20));
                return false;
            }
            (name == QLatin1String("S") ? d.hasS : d.hasT) = true;
            (name == QLatin1String("S") ? d.s : d.t) = v;
            continue;
        }
        double v = 0.0;
        if (!readNumber(value, v)) {
            why = QStringLiteral("%1 '%2' is no number within reach").arg(name, value.left(20));
            return false;
        }
        d.values.insert(name, v);
    }
    return true;
}

Frame frameOf(const QHash<QString, double> &v)
{
    Frame f;
    f.r = fromKukaABC({v.value(QStringLiteral("A")), v.value(QStringLiteral("B")),
                       v.value(QStringLiteral("C"))});
    f.t = {v.value(QStringLiteral("X")), v.value(QStringLiteral("Y")),
           v.value(QStringLiteral("Z"))};
    return f;
}

const char *const kCartesian[] = {"X", "Y", "Z", "A", "B", "C"};
const char *const kAxes[] = {"A1", "A2", "A3", "A4", "A5", "A6"};

class Reader
{
public:
    ReadProgram result;

    void declarations(const QString &text, const QString &where)
    {
        const QStringList lines = splitLines(text);
        for (int i = 0; i < lines.size(); ++i)
            declaration(code(lines.at(i)), i + 1, where);
    }

    void program(const QString &text)
    {
        const QStringList lines = splitLines(text);
        int routines = 0;
        bool inRoutine = false;
        QString routine;
        for (int i = 0; i < lines.size(); ++i) {
            const QString c = code(lines.at(i));
            const int line = i + 1;
            if (c.isEmpty() || c.startsWith(QLatin1Char('&')))
                continue;
            QRegularExpressionMatch m = re("^(GLOBAL\\s+)?DEF(FCT\\s+\\w+)?\\s+(\\w+)\\s*\\(").match(c);
            if (m.hasMatch()) {
                ++routines;
                inRoutine = true;
                routine = m.captured(3);
                if (routines == 1)
                    result.name = routine;
                continue;
            }
            if (re("^END(FCT)?$").match(c).hasMatch()) {
                inRoutine = false;
                continue;
            }
            if (declaration(c, line, QString()))
                continue;
            const QRegularExpressionMatch move =
                re("^(S?PTP|S?LIN|S?CIRC)(_REL)?\\b\\s*(.*)$").match(c);
            if (move.hasMatch()) {
                if (routines != 1 || !inRoutine) {
                    result.skip(line, routines > 1
                                          ? QStringLiteral("a move in the routine %1, which is "
                                                           "not followed")
                                                .arg(routine)
                                          : QStringLiteral("a move outside DEF ... END"));
                    continue;
                }
                moveStatement(move.captured(1).toUpper(), !move.captured(2).isEmpty(),
                              move.captured(3), line);
                continue;
            }
            statement(c, line);
        }
        if (routines == 0)
            result.error = QStringLiteral("no DEF line: this is no KRL program");
    }

private:
    QHash<QString, Datum> m_data;
    Frame m_tool, m_base;
    double m_cpSpeed = 0.0, m_ptpSpeed = 0.0, m_cdis = sequences::kNoZone;
    bool m_hasLast = false;
    Datum m_last;

    // DECL [GLOBAL] [CONST] TYPE name = {...} and TYPE name = {...}: true
    // when the line is a declaration (read or skipped).
    bool declaration(const QString &c, int line, const QString &where)
    {
        const QRegularExpressionMatch m =
            re("^(DECL\\s+)?(GLOBAL\\s+)?(CONST\\s+)?(E6POS|POS|FRAME|E6AXIS|AXIS)\\s+"
               "([$A-Z_][\\w$]*(\\s*\\[[\\s\\d,]*\\])?)\\s*(=\\s*(.*))?$")
                .match(c);
        if (!m.hasMatch())
            return false;
        const QString type = m.captured(4).toUpper();
        if (m.captured(7).isEmpty())
            return true; // declared, given a value later
        Datum d;
        d.type = type.endsWith(QLatin1String("AXIS")) ? Datum::Axis : Datum::Cartesian;
        QString why;
        if (!aggregate(m.captured(8), d, why)) {
            const QString at = where.isEmpty() ? QString() : where + QLatin1Char(' ');
            result.skipped << QStringLiteral("%1line %2: %3 not read: %4")
                                  .arg(at)
                                  .arg(line)
                                  .arg(m.captured(5), why);
            return true;
        }
        m_data.insert(key(m.captured(5)), d);
        return true;
    }

    // The frame of a $TOOL/$BASE value: an aggregate, $NULLFRAME, or a
    // variable (TOOL_DATA[n] and the like) assigned in the program.
    bool frameValue(const QString &value, Frame &f, QString &why)
    {
        const QString v = value.trimmed();
        if (key(v) == QLatin1String("$NULLFRAME")) {
            f = Frame();
            return true;
        }
        Datum d;
        if (v.startsWith(QLatin1Char('{'))) {
            if (!aggregate(v, d, why))
                return false;
        } else if (m_data.contains(key(v)) && m_data.value(key(v)).type == Datum::Cartesian) {
            d = m_data.value(key(v));
        } else {
            why = QStringLiteral("%1 is set on the controller, not in the program").arg(v);
            return false;
        }
        f = frameOf(d.values);
        return true;
    }

    void setTool(const QString &value, int line)
    {
        QString why;
        Frame f;
        if (frameValue(value, f, why)) {
            m_tool = f;
        } else {
            m_tool = Frame();
            result.warn(line, why + QStringLiteral("; the flange is taken as the tool"));
        }
    }

    void setBase(const QString &value, int line)
    {
        QString why;
        Frame f;
        if (frameValue(value, f, why)) {
            m_base = f;
        } else {
            m_base = Frame();
            result.warn(line, why + QStringLiteral("; the robot's base is taken"));
        }
    }

    // Assignments and BAS calls that change tool, base, speed or zone, and
    // values given to target variables. Anything else moves nothing.
    void statement(const QString &c, int line)
    {
        QRegularExpressionMatch m = re("^(\\$[\\w.]+(\\[[^\\]]*\\])?|[A-Z_][\\w]*(\\s*\\[[\\s\\d,]*"
                                       "\\])?)(\\.([A-Z]\\w*))?\\s*=\\s*(.+)$")
                                        .match(c);
        if (m.hasMatch())
            return assignment(key(m.captured(1)), m.captured(5).toUpper(), m.captured(6), line);
        m = re("^BAS\\s*\\(\\s*#(\\w+)\\s*,\\s*([^)]*)\\)$").match(c);
        if (!m.hasMatch())
            return;
        const QString what = m.captured(1).toUpper();
        double v = 0.0;
        const bool number = readNumber(m.captured(2), v);
        if (what == QLatin1String("TOOL") && number)
            setTool(QStringLiteral("TOOL_DATA[%1]").arg(v), line);
        else if (what == QLatin1String("BASE") && number)
            setBase(v == 0.0 ? QStringLiteral("$NULLFRAME") : QStringLiteral("BASE_DATA[%1]").arg(v),
                    line);
        else if (what == QLatin1String("VEL_PTP") && number)
            m_ptpSpeed = v;
        else if (what == QLatin1String("VEL_CP") && number)
            m_cpSpeed = v * 1000.0;
    }

    void assignment(const QString &name, const QString &component, const QString &value, int line)
    {
        double v = 0.0;
        if (name == QLatin1String("$TOOL") && component.isEmpty())
            return setTool(value, line);
        if (name == QLatin1String("$BASE") && component.isEmpty())
            return setBase(value, line);
        // System variables keep their dotted names whole ($VEL.CP).
        if (name == QLatin1String("$VEL.CP")) {
            if (readNumber(value, v))
                m_cpSpeed = v * 1000.0; // m/s
            return;
        }
        if (name == QLatin1String("$APO.CDIS")) {
            if (readNumber(value, v) && v >= 0.0)
                m_cdis = v;
            return;
        }
        if (name.startsWith(QLatin1Char('$')))
            return;
        if (!component.isEmpty()) {
            // One component of a target variable.
            auto it = m_data.find(name);
            if (it == m_data.end())
                return;
            int n = 0;
            if (component == QLatin1String("S") || component == QLatin1String("T")) {
                if (readInteger(value, n)) {
                    (component == QLatin1String("S") ? it->hasS : it->hasT) = true;
                    (component == QLatin1String("S") ? it->s : it->t) = n;
                }
            } else if (readNumber(value, v)) {
                it->values.insert(component, v);
            } else {
                result.warn(line, QStringLiteral("%1.%2 is given an expression; the value "
                                                 "before is kept")
                                      .arg(name, component));
            }
            return;
        }
        const QString v2 = value.trimmed();
        QString why;
        Datum d;
        if (v2.startsWith(QLatin1Char('{'))) {
            const bool known = m_data.contains(name);
            if (known)
                d = m_data.value(name);
            if (!aggregate(v2, d, why)) {
                result.warn(line, QStringLiteral("%1 not read: %2").arg(name, why));
                return;
            }
            if (!known) // TOOL_DATA[n] and the like, never declared here
                d.type = d.values.contains(QStringLiteral("A1")) ? Datum::Axis : Datum::Cartesian;
            m_data.insert(name, d);
        } else if (m_data.contains(key(v2))) {
            m_data.insert(name, m_data.value(key(v2)));
        } else if (m_data.contains(name)) {
            // Something the controller computes: the variable no longer
            // holds what the data list says.
            m_data.remove(name);
        }
    }

    void moveStatement(const QString &kind, bool relative, const QString &rest, int line)
    {
        QString args = rest;
        // WITH: assignments for this move only.
        Frame tool = m_tool, base = m_base;
        double cp = m_cpSpeed, ptp = m_ptpSpeed, cdis = m_cdis;
        const int with = args.indexOf(re("\\bWITH\\b"));
        if (with >= 0) {
            const Frame savedTool = m_tool, savedBase = m_base;
            const double savedCp = m_cpSpeed, savedPtp = m_ptpSpeed, savedCdis = m_cdis;
            for (const QString &a : splitTop(args.mid(with + 4)))
                statement(a, line);
            tool = m_tool;
            base = m_base;
            cp = m_cpSpeed;
            ptp = m_ptpSpeed;
            cdis = m_cdis;
            m_tool = savedTool;
            m_base = savedBase;
            m_cpSpeed = savedCp;
            m_ptpSpeed = savedPtp;
            m_cdis = savedCdis;
            args = args.left(with);
        }
        bool approximate = false;
        const QRegularExpressionMatch flag = re("\\s*\\b(C_PTP|C_DIS|C_VEL|C_ORI|C_SPL)\\s*$").match(args);
        if (flag.hasMatch()) {
            approximate = true;
            args = args.left(flag.capturedStart());
        }
        bool toolFrame = false;
        const QRegularExpressionMatch rel = re("\\s*#(BASE|TOOL)\\s*$").match(args);
        if (rel.hasMatch()) {
            toolFrame = rel.captured(1).toUpper() == QLatin1String("TOOL");
            args = args.left(rel.capturedStart());
        }
        const QStringList parts = splitTop(args.trimmed());
        const bool circle = kind.endsWith(QLatin1String("CIRC"));
        if (parts.size() != (circle ? 2 : 1) || parts.first().isEmpty()) {
            const bool ca = circle && parts.size() == 3;
            result.skip(line, ca ? QStringLiteral("%1 with a circular angle (CA) is not read").arg(kind)
                                 : QStringLiteral("%1 needs %2").arg(kind, circle ? QStringLiteral("an auxiliary and an end point")
                                                                            : QStringLiteral("one target")));
            return;
        }
        if (relative && circle) {
            result.skip(line, QStringLiteral("%1_REL is not read").arg(kind));
            return;
        }
        ReadMove move;
        move.kind = kind.endsWith(QLatin1String("PTP"))   ? ReadMove::Joint
                    : kind.endsWith(QLatin1String("LIN")) ? ReadMove::Linear
                                                          : ReadMove::Circular;
        move.line = line;
        move.tool = tool;
        move.speed = move.kind == ReadMove::Joint ? ptp : cp;
        // A zone needs both the distance and the flag on the move.
        move.zone = approximate && cdis >= 0.0 ? cdis : sequences::kFineZone;
        Datum end;
        QString why;
        if (!datum(parts.last(), end, why) ||
            (relative ? !applyRelative(end, toolFrame, why) : !completed(end, why))) {
            result.skip(line, QStringLiteral("%1 %2: %3").arg(kind, parts.last().left(40), why));
            return;
        }
        if (circle) {
            Datum via;
            if (!datum(parts.first(), via, why) || !completed(via, why)) {
                result.skip(line,
                            QStringLiteral("%1 %2: %3").arg(kind, parts.first().left(40), why));
                return;
            }
            if (via.type == Datum::Axis) {
                result.skip(line, QStringLiteral("%1 through an axis target is not read").arg(kind));
                return;
            }
            move.via = target(via, base, true);
        }
        if (end.type == Datum::Axis && move.kind != ReadMove::Joint) {
            result.skip(line, QStringLiteral("%1 to an axis target is not read").arg(kind));
            return;
        }
        move.target = target(end, base, true);
        m_last = end;
        m_hasLast = true;
        result.moves.push_back(move);
        if (result.moves.size() > std::size_t(kMaxReadMoves)) {
            result.moves.clear();
            result.error = QStringLiteral("more than %1 moves").arg(kMaxReadMoves);
        }
    }

    bool datum(const QString &text, Datum &d, QString &why)
    {
        if (text.startsWith(QLatin1Char('{'))) {
            // An inline aggregate: of the type its components say.
            if (!aggregate(text, d, why))
                return false;
            d.type = d.values.contains(QStringLiteral("A1")) ? Datum::Axis : Datum::Cartesian;
            d.values.insert(QStringLiteral("#INLINE"), 1.0);
            return true;
        }
        const auto it = m_data.find(key(text));
        if (it == m_data.end()) {
            why = re("^[$A-Z_][\\w$]*(\\s*\\[[\\s\\d,]*\\])?$").match(text).hasMatch()
                      ? QStringLiteral("not declared in the program or its data list (the "
                                       "controller's own data is not known here)")
                      : QStringLiteral("an expression is not read");
            return false;
        }
        d = *it;
        return true;
    }

    // Components a target leaves out: those of the target before for an
    // inline aggregate, 0 for declared data.
    bool completed(Datum &d, QString &why)
    {
        const bool inline_ = d.values.remove(QStringLiteral("#INLINE")) > 0;
        const char *const *names = d.type == Datum::Axis ? kAxes : kCartesian;
        for (int k = 0; k < 6; ++k) {
            const QString n = QLatin1String(names[k]);
            if (d.values.contains(n))
                continue;
            if (inline_ && !(m_hasLast && m_last.type == d.type)) {
                why = QStringLiteral("%1 is left to where the arm stands").arg(n);
                return false;
            }
            d.values.insert(n, inline_ ? m_last.values.value(n) : 0.0);
        }
        return true;
    }

    bool applyRelative(Datum &d, bool toolFrame, QString &why)
    {
        d.values.remove(QStringLiteral("#INLINE"));
        if (!m_hasLast || m_last.type != d.type) {
            why = QStringLiteral("a relative move from where the arm stands is not read");
            return false;
        }
        Datum to = m_last;
        if (d.type == Datum::Axis) {
            for (const char *n : kAxes)
                to.values[QLatin1String(n)] += d.values.value(QLatin1String(n));
        } else {
            const Frame from = frameOf(m_last.values);
            const Frame step = frameOf(d.values);
            const Frame f = toolFrame ? rapid::compose(from, step)
                                      : rapid::compose({step.r, {0, 0, 0}}, from);
            Frame moved = f;
            if (!toolFrame)
                for (std::size_t k = 0; k < 3; ++k)
                    moved.t[k] = from.t[k] + step.t[k];
            const Angles abc = kukaABC(moved.r);
            for (int k = 0; k < 3; ++k) {
                to.values[QLatin1String(kCartesian[k])] = moved.t[std::size_t(k)];
                to.values[QLatin1String(kCartesian[k + 3])] = abc[std::size_t(k)];
            }
        }
        d = to;
        return true;
    }

    ReadTarget target(const Datum &d, const Frame &base, bool useFlags)
    {
        ReadTarget t;
        if (d.type == Datum::Axis) {
            t.isJoints = true;
            for (int k = 0; k < 6; ++k)
                t.joints[std::size_t(k)] = d.values.value(QLatin1String(kAxes[k]));
            return t;
        }
        t.pose = rapid::compose(base, frameOf(d.values));
        if (useFlags && (d.hasS || d.hasT)) {
            t.hint = Hint::Kuka;
            t.status = d.hasS ? d.s & 7 : -1;
            t.turn = d.hasT ? d.t & 63 : -1;
        }
        return t;
    }
};

} // namespace

ReadProgram readKrl(const QString &src, const QString &dat)
{
    Reader reader;
    reader.declarations(dat, QStringLiteral("data list"));
    reader.program(src);
    return reader.result;
}

} // namespace controllers
