#include "lsreader.h"

#include "controllers/orientation.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace controllers {

using sequences::Frame;

namespace {

QRegularExpression pattern(const char *p)
{
    return QRegularExpression(QString::fromLatin1(p), QRegularExpression::CaseInsensitiveOption);
}

struct Point
{
    bool isJoints = false;
    bool hasConfig = false;
    FanucConfig config;
    std::array<double, 6> values{}; // X Y Z W P R or J1..J6
    int uf = 0, ut = -1;
    QString why; // why the point cannot be used, empty when it can
};

// The text of one point's group 1, "UF : 0, UT : 1, CONFIG : '...', X = 1 mm, ...".
Point point(const QString &block)
{
    Point p;
    QString g = block;
    const int gp1 = g.indexOf(pattern("GP1\\s*:"));
    if (gp1 >= 0) {
        g = g.mid(gp1);
        g = g.mid(g.indexOf(QLatin1Char(':')) + 1);
        const int gp2 = g.indexOf(pattern("GP\\d+\\s*:"));
        if (gp2 >= 0)
            g = g.left(gp2);
    }
    static const QRegularExpression configRe = pattern("CONFIG\\s*:\\s*'([^']*)'");
    const QRegularExpressionMatch c = configRe.match(g);
    if (c.hasMatch()) {
        if (!parseFanucConfig(c.captured(1), p.config)) {
            p.why = QStringLiteral("CONFIG '%1' is not read").arg(c.captured(1).left(30));
            return p;
        }
        p.hasConfig = true;
        g.remove(c.capturedStart(), c.capturedLength());
    }
    static const QRegularExpression entry =
        pattern("\\b(UF|UT|X|Y|Z|W|P|R|J[1-9])\\s*[=:]\\s*([-+0-9.eE]+)");
    std::array<bool, 6> cartesian{}, joint{};
    static const char names[] = "XYZWPR";
    auto it = entry.globalMatch(g);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString key = m.captured(1).toUpper();
        double v = 0.0;
        if (!readNumber(m.captured(2), v)) {
            p.why = QStringLiteral("%1 '%2' is no number within reach").arg(key, m.captured(2).left(20));
            return p;
        }
        if (key == QLatin1String("UF")) {
            p.uf = int(v);
        } else if (key == QLatin1String("UT")) {
            p.ut = int(v);
        } else if (key.size() == 2 && key.at(0) == QLatin1Char('J')) {
            const int k = key.at(1).digitValue() - 1;
            if (k < 6) {
                p.values[std::size_t(k)] = v;
                joint[std::size_t(k)] = true;
            }
        } else {
            const int k = int(std::strchr(names, key.at(0).toLatin1()) - names);
            p.values[std::size_t(k)] = v;
            cartesian[std::size_t(k)] = true;
        }
    }
    const bool allJoints = std::all_of(joint.begin(), joint.end(), [](bool b) { return b; });
    const bool allCartesian =
        std::all_of(cartesian.begin(), cartesian.end(), [](bool b) { return b; });
    if (allJoints && !std::any_of(cartesian.begin(), cartesian.end(), [](bool b) { return b; })) {
        p.isJoints = true;
    } else if (!allCartesian) {
        p.why = QStringLiteral("its group 1 has neither X, Y, Z, W, P, R nor J1 to J6");
    }
    return p;
}

class Reader
{
public:
    ReadProgram result;

    void read(const QString &text)
    {
        const QStringList lines = splitLines(text);
        enum Section
        {
            None,
            Mn,
            Pos,
            Other
        } section = None;
        bool sawMn = false;
        // Instructions of /MN with the line they start on.
        std::vector<std::pair<int, QString>> instructions;
        QString pending;
        int pendingLine = 0;
        QString posText;
        std::vector<int> posLines; // file line of each line of posText
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = lines.at(i);
            const QString t = line.trimmed();
            if (t.startsWith(QLatin1Char('/')) && !t.startsWith(QLatin1String("//"))) {
                const QString head = t.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0)
                                         .toUpper();
                if (head == QLatin1String("/PROG"))
                    result.name = t.section(QRegularExpression(QStringLiteral("\\s+")), 1, 1);
                section = head == QLatin1String("/MN")    ? Mn
                          : head == QLatin1String("/POS") ? Pos
                                                          : Other;
                sawMn = sawMn || section == Mn;
                if (head == QLatin1String("/END"))
                    break;
                continue;
            }
            if (section == Mn) {
                // An instruction ends with ';' (outside a comment's quotes);
                // a long one may wrap.
                if (pending.isEmpty())
                    pendingLine = i + 1;
                pending += QLatin1Char(' ') + t;
                if (t.endsWith(QLatin1Char(';')) || pending.size() > 4096) {
                    instructions.emplace_back(pendingLine, pending.trimmed());
                    pending.clear();
                }
                // The tool comments may stand anywhere in /MN.
                toolComment(t);
            } else if (section == Pos) {
                posText += line + QLatin1Char('\n');
                posLines.push_back(i + 1);
            }
        }
        if (!sawMn) {
            result.error = QStringLiteral("no /MN section: this is no FANUC LS program");
            return;
        }
        points(posText);
        for (const auto &in : instructions)
            instruction(in.second, in.first);
        if (m_viaLine)
            result.skip(m_viaLine, QStringLiteral("a circular move without its end point"));
    }

private:
    QHash<int, Point> m_points;
    QHash<int, Frame> m_tools;
    QSet<int> m_warnedTools, m_warnedFrames;
    int m_tool = -1;
    int m_viaLine = 0;
    QString m_via;

    void toolComment(const QString &t)
    {
        static const QRegularExpression re =
            pattern("!\\s*UTOOL\\s*\\[\\s*(\\d+)\\s*\\]\\s*[:=]?\\s*X\\s*=\\s*([-+0-9.eE]+)\\s*(mm)?"
                    "[\\s,]*Y\\s*=\\s*([-+0-9.eE]+)\\s*(mm)?[\\s,]*Z\\s*=\\s*([-+0-9.eE]+)\\s*(mm)?"
                    "[\\s,]*W\\s*=\\s*([-+0-9.eE]+)\\s*(deg)?[\\s,]*P\\s*=\\s*([-+0-9.eE]+)\\s*(deg)?"
                    "[\\s,]*R\\s*=\\s*([-+0-9.eE]+)");
        const QRegularExpressionMatch m = re.match(t);
        if (!m.hasMatch())
            return;
        double v[6];
        const int groups[6] = {2, 4, 6, 8, 10, 12};
        for (int k = 0; k < 6; ++k)
            if (!readNumber(m.captured(groups[k]), v[k]))
                return;
        Frame f;
        f.t = {v[0], v[1], v[2]};
        f.r = fromFanucWPR({v[3], v[4], v[5]});
        bool ok = false;
        const int n = m.captured(1).toInt(&ok);
        if (ok)
            m_tools.insert(n, f);
    }

    void points(const QString &text)
    {
        static const QRegularExpression head = pattern("P\\s*\\[\\s*(\\d+)\\s*(:[^\\]]*)?\\]\\s*\\{");
        int from = 0;
        while (true) {
            const QRegularExpressionMatch m = head.match(text, from);
            if (!m.hasMatch())
                break;
            const int close = text.indexOf(QLatin1Char('}'), m.capturedEnd());
            const QString block =
                text.mid(m.capturedEnd(), close < 0 ? -1 : close - m.capturedEnd());
            bool ok = false;
            const int n = m.captured(1).toInt(&ok);
            if (ok)
                m_points.insert(n, point(block));
            if (close < 0)
                break;
            from = close + 1;
        }
    }

    Frame toolFrame(int n, int line)
    {
        if (n <= 0)
            return Frame();
        if (m_tools.contains(n))
            return m_tools.value(n);
        if (!m_warnedTools.contains(n)) {
            m_warnedTools.insert(n);
            result.warn(line, QStringLiteral("the values of UTOOL[%1] are set on the controller "
                                             "and not given in the program; the flange is "
                                             "taken as the tool")
                                  .arg(n));
        }
        return Frame();
    }

    // The target of P[n]; false with `why`.
    bool target(int n, bool useConfig, int line, ReadTarget &t, int &ut, QString &why)
    {
        if (!m_points.contains(n)) {
            why = QStringLiteral("P[%1] is not in /POS").arg(n);
            return false;
        }
        const Point &p = m_points[n];
        if (!p.why.isEmpty()) {
            why = QStringLiteral("P[%1]: %2").arg(n).arg(p.why);
            return false;
        }
        ut = p.ut;
        if (p.uf != 0 && !m_warnedFrames.contains(p.uf)) {
            m_warnedFrames.insert(p.uf);
            result.warn(line, QStringLiteral("user frame %1 is set on the controller; its "
                                             "points are taken in the robot's base frame")
                                  .arg(p.uf));
        }
        if (p.isJoints) {
            t.isJoints = true;
            t.joints = p.values;
            return true;
        }
        t.pose.t = {p.values[0], p.values[1], p.values[2]};
        t.pose.r = fromFanucWPR({p.values[3], p.values[4], p.values[5]});
        if (useConfig && p.hasConfig) {
            t.hint = Hint::Fanuc;
            t.fanuc = p.config;
        }
        return true;
    }

    void instruction(const QString &text, int line)
    {
        // "   3:J P[1] 100% FINE ;" and the circle's second line ":  P[4] ...".
        static const QRegularExpression numbered = pattern("^\\d*\\s*:");
        const QRegularExpressionMatch n = numbered.match(text);
        if (!n.hasMatch())
            return;
        QString body = text.mid(n.capturedEnd()).trimmed();
        if (body.endsWith(QLatin1Char(';')))
            body.chop(1);
        body = body.trimmed();
        static const QRegularExpression motion =
            pattern("^([JLCA])?\\s*@?\\s*(P|PR)\\s*\\[\\s*(\\d+)\\s*(:[^\\]]*)?\\]\\s*(.*)$");
        const QRegularExpressionMatch m = motion.match(body);
        // A circle's via point waits for the end point on the next line;
        // anything else there (comments aside) leaves the circle without one.
        const bool endPoint = m.hasMatch() && m.captured(1).isEmpty();
        if (m_viaLine && !endPoint && !body.startsWith(QLatin1Char('!'))) {
            result.skip(m_viaLine, QStringLiteral("a circular move without its end point"));
            m_viaLine = 0;
        }
        static const QRegularExpression setting =
            pattern("^(UTOOL_NUM|UFRAME_NUM)\\s*=\\s*(\\d+)$");
        const QRegularExpressionMatch s = setting.match(body);
        if (s.hasMatch()) {
            if (s.captured(1).toUpper() == QLatin1String("UTOOL_NUM"))
                m_tool = s.captured(2).toInt();
            else if (s.captured(2).toInt() != 0 && !m_warnedFrames.contains(s.captured(2).toInt())) {
                m_warnedFrames.insert(s.captured(2).toInt());
                result.warn(line, QStringLiteral("user frame %1 is set on the controller; its "
                                                 "points are taken in the robot's base frame")
                                      .arg(s.captured(2)));
            }
            return;
        }
        if (!m.hasMatch() || (endPoint && !m_viaLine))
            return;
        const QString kind = m.captured(1).toUpper();
        const QString label = QStringLiteral("%1[%2]").arg(m.captured(2).toUpper(), m.captured(3));
        if (kind == QLatin1String("C")) {
            m_viaLine = line;
            m_via = body;
            return;
        }
        const bool end = kind.isEmpty();
        const int moveLine = end ? m_viaLine : line;
        const QString options = m.captured(5);
        ReadMove move;
        move.line = moveLine;
        move.kind = end ? ReadMove::Circular : kind == QLatin1String("J") ? ReadMove::Joint
                                                                        : ReadMove::Linear;
        const QString what = end ? QStringLiteral("C ") + label : kind + QLatin1Char(' ') + label;
        m_viaLine = 0;
        if (kind == QLatin1String("A")) {
            result.skip(line, QStringLiteral("circular arcs (A) are not read"));
            return;
        }
        if (m.captured(2).toUpper() == QLatin1String("PR")) {
            result.skip(moveLine, QStringLiteral("%1: position registers hold values set on the "
                                                 "controller")
                                      .arg(what));
            return;
        }
        static const QRegularExpression offset = pattern("\\b(Offset|Tool_Offset|INC)\\b");
        if (offset.match(options).hasMatch()) {
            result.skip(moveLine, QStringLiteral("%1: offsets and incremental moves are not read")
                                      .arg(what));
            return;
        }
        speedAndTerm(options, move);
        QString why;
        int ut = -1, viaUt = -1;
        if (!target(m.captured(3).toInt(), true, moveLine, move.target, ut,
                    why)) {
            result.skip(moveLine, QStringLiteral("%1: %2").arg(what, why));
            return;
        }
        if (end) {
            const QRegularExpressionMatch v = motion.match(m_via);
            if (v.captured(2).toUpper() == QLatin1String("PR")) {
                result.skip(moveLine, QStringLiteral("C %1[%2]: position registers hold values "
                                                     "set on the controller")
                                          .arg(v.captured(2), v.captured(3)));
                return;
            }
            if (!target(v.captured(3).toInt(), true, moveLine, move.via, viaUt, why)) {
                result.skip(moveLine, QStringLiteral("C P[%1]: %2").arg(v.captured(3), why));
                return;
            }
        }
        move.tool = toolFrame(m_tool >= 0 ? m_tool : ut, moveLine);
        result.moves.push_back(move);
        if (result.moves.size() > std::size_t(kMaxReadMoves)) {
            result.moves.clear();
            result.error = QStringLiteral("more than %1 moves").arg(kMaxReadMoves);
        }
    }

    static void speedAndTerm(const QString &options, ReadMove &move)
    {
        static const QRegularExpression speed =
            pattern("^([0-9.]+)\\s*(%|mm/sec|cm/min|inch/min)");
        const QRegularExpressionMatch s = speed.match(options);
        double v = 0.0;
        if (s.hasMatch() && readNumber(s.captured(1), v)) {
            const QString unit = s.captured(2).toLower();
            move.speed = unit == QLatin1String("cm/min")     ? v * 10.0 / 60.0
                         : unit == QLatin1String("inch/min") ? v * 25.4 / 60.0
                                                             : v;
        }
        static const QRegularExpression term = pattern("\\b(FINE|CNT\\s*(\\d+))\\b");
        const QRegularExpressionMatch t = term.match(options);
        if (t.hasMatch())
            move.zone = t.captured(2).isEmpty() ? sequences::kFineZone : t.captured(2).toDouble();
    }
};

} // namespace

ReadProgram readLs(const QString &text)
{
    Reader reader;
    reader.read(text);
    return reader.result;
}

} // namespace controllers
