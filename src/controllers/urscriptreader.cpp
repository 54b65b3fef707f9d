#include "urscriptreader.h"

#include "controllers/orientation.h"
#include "rapid/rapidmodule.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>

namespace controllers {

using sequences::Frame;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Brackets deeper than this hold no target; the limit keeps garbage from
// exhausting the stack.
constexpr int kMaxDepth = 16;
// A statement may run over this many lines while its brackets are open.
constexpr int kMaxJoinedLines = 64;
// Longer statements hold no move a person or a pendant writes.
constexpr int kMaxStatement = 65536;

struct Value
{
    enum Kind
    {
        Unknown,
        Number,
        List, // joint values, or anything of numbers
        Pose,
        Solved // get_inverse_kin(pose, qnear=...)
    } kind = Unknown;
    double number = 0.0;
    std::vector<double> items; // List: as written; Pose and Solved: the pose in SI
    std::vector<double> near;  // Solved: qnear in radians, when given
    QString why;               // Unknown: why

    static Value unknown(const QString &why)
    {
        Value v;
        v.why = why;
        return v;
    }
};

struct Token
{
    enum Kind
    {
        Name,
        Number,
        Symbol,
        String,
        End
    } kind = End;
    QString text;
    double number = 0.0;
};

std::vector<Token> tokens(const QString &s)
{
    std::vector<Token> out;
    int i = 0;
    const int n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('#')) {
            break;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && s.at(i + 1).isDigit())) {
            const int start = i;
            while (i < n && (s.at(i).isDigit() || s.at(i) == QLatin1Char('.')))
                ++i;
            if (i < n && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
                int j = i + 1;
                if (j < n && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-')))
                    ++j;
                if (j < n && s.at(j).isDigit()) {
                    i = j;
                    while (i < n && s.at(i).isDigit())
                        ++i;
                }
            }
            Token t{Token::Number, s.mid(start, i - start), 0.0};
            if (!readNumber(t.text, t.number))
                t.number = std::nan("");
            out.push_back(t);
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            const int start = i;
            while (i < n && (s.at(i).isLetterOrNumber() || s.at(i) == QLatin1Char('_')))
                ++i;
            out.push_back({Token::Name, s.mid(start, i - start), 0.0});
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int start = i++;
            while (i < n && s.at(i) != c)
                ++i;
            ++i;
            out.push_back({Token::String, s.mid(start, i - start), 0.0});
        } else {
            const int start = i++;
            if (i < n && QStringLiteral("=!<>").contains(c) && s.at(i) == QLatin1Char('='))
                ++i;
            out.push_back({Token::Symbol, s.mid(start, i - start), 0.0});
        }
    }
    out.push_back({Token::End, QString(), 0.0});
    return out;
}

Frame poseFrame(const std::vector<double> &p)
{
    Frame f;
    f.t = {p[0] * 1000.0, p[1] * 1000.0, p[2] * 1000.0};
    f.r = fromUrRotationVector({p[3], p[4], p[5]});
    return f;
}

std::vector<double> poseItems(const Frame &f)
{
    const Angles v = urRotationVector(f.r);
    return {f.t[0] / 1000.0, f.t[1] / 1000.0, f.t[2] / 1000.0, v[0], v[1], v[2]};
}

class Expression
{
public:
    Expression(const std::vector<Token> &t, std::size_t at, const QHash<QString, Value> &vars)
        : m_t(t), m_i(at), m_vars(vars)
    {
    }

    Value parse() { return sum(0); }
    std::size_t at() const { return m_i; }

    // The arguments of a call whose '(' was just read: positional ones, then
    // named ones.
    bool arguments(int depth, std::vector<Value> &positional, QHash<QString, Value> &named)
    {
        if (symbol(")"))
            return true;
        while (true) {
            if (m_t[m_i].kind == Token::Name && m_t[m_i + 1].text == QLatin1String("=")) {
                const QString name = m_t[m_i].text;
                m_i += 2;
                named.insert(name, sum(depth + 1));
            } else {
                positional.push_back(sum(depth + 1));
            }
            if (symbol(")"))
                return true;
            if (!symbol(","))
                return false;
        }
    }

private:
    const std::vector<Token> &m_t;
    std::size_t m_i;
    const QHash<QString, Value> &m_vars;

    bool symbol(const char *s)
    {
        if (m_t[m_i].kind == Token::Symbol && m_t[m_i].text == QLatin1String(s)) {
            ++m_i;
            return true;
        }
        return false;
    }

    Value sum(int depth)
    {
        Value v = product(depth);
        while (m_t[m_i].kind == Token::Symbol &&
               (m_t[m_i].text == QLatin1String("+") || m_t[m_i].text == QLatin1String("-"))) {
            const bool plus = m_t[m_i++].text == QLatin1String("+");
            const Value w = product(depth);
            v = arithmetic(v, w, plus ? '+' : '-');
        }
        return v;
    }

    Value product(int depth)
    {
        Value v = unary(depth);
        while (m_t[m_i].kind == Token::Symbol &&
               (m_t[m_i].text == QLatin1String("*") || m_t[m_i].text == QLatin1String("/"))) {
            const char op = m_t[m_i++].text.at(0).toLatin1();
            const Value w = unary(depth);
            v = arithmetic(v, w, op);
        }
        return v;
    }

    static Value arithmetic(const Value &a, const Value &b, char op)
    {
        if (a.kind != Value::Number || b.kind != Value::Number)
            return Value::unknown(QStringLiteral("arithmetic on other values than numbers"));
        Value r;
        r.kind = Value::Number;
        r.number = op == '+'   ? a.number + b.number
                   : op == '-' ? a.number - b.number
                   : op == '*' ? a.number * b.number
                               : a.number / b.number;
        if (!std::isfinite(r.number) || std::fabs(r.number) > kMaxReadMagnitude)
            return Value::unknown(QStringLiteral("a number out of reach"));
        return r;
    }

    Value unary(int depth)
    {
        if (depth > kMaxDepth) {
            m_i = m_t.size() - 1; // nothing more is read of this statement
            return Value::unknown(QStringLiteral("brackets nested too deep"));
        }
        if (symbol("-")) {
            Value v = unary(depth + 1);
            if (v.kind == Value::Number)
                v.number = -v.number;
            else
                v = Value::unknown(QStringLiteral("the negative of a list"));
            return v;
        }
        if (symbol("+"))
            return unary(depth + 1);
        return primary(depth);
    }

    Value list(int depth, Value::Kind kind)
    {
        Value v;
        v.kind = kind;
        if (!symbol("]")) {
            while (true) {
                const Value item = sum(depth + 1);
                if (item.kind != Value::Number)
                    v.kind = Value::Unknown;
                else if (v.items.size() < 64)
                    v.items.push_back(item.number);
                if (symbol("]"))
                    break;
                if (!symbol(",")) {
                    m_i = m_t.size() - 1;
                    return Value::unknown(QStringLiteral("a list not closed"));
                }
            }
        }
        if (v.kind == Value::Unknown)
            return Value::unknown(QStringLiteral("a list of other values than numbers"));
        if (kind == Value::Pose && v.items.size() != 6)
            return Value::unknown(QStringLiteral("a pose needs six numbers"));
        return v;
    }

    Value primary(int depth)
    {
        const Token &t = m_t[m_i];
        if (t.kind == Token::Number) {
            ++m_i;
            if (std::isnan(t.number))
                return Value::unknown(QStringLiteral("'%1' is no number within reach")
                                          .arg(t.text.left(20)));
            Value v;
            v.kind = Value::Number;
            v.number = t.number;
            return v;
        }
        if (symbol("("))
        {
            const Value v = sum(depth + 1);
            if (!symbol(")"))
                return Value::unknown(QStringLiteral("a bracket not closed"));
            return v;
        }
        if (symbol("["))
            return list(depth, Value::List);
        if (t.kind != Token::Name) {
            if (t.kind != Token::End)
                ++m_i;
            return Value::unknown(QStringLiteral("'%1' is not read").arg(t.text.left(20)));
        }
        const QString name = t.text;
        ++m_i;
        if (name == QLatin1String("p") && symbol("["))
            return list(depth, Value::Pose);
        if (name == QLatin1String("pi")) {
            Value v;
            v.kind = Value::Number;
            v.number = kPi;
            return v;
        }
        if (symbol("(")) {
            std::vector<Value> args;
            QHash<QString, Value> named;
            if (!arguments(depth, args, named))
                return Value::unknown(QStringLiteral("the call of %1 is not closed").arg(name));
            return call(name, args, named);
        }
        const auto it = m_vars.find(name);
        if (it == m_vars.end())
            return Value::unknown(QStringLiteral("%1 is not given a value in the script")
                                      .arg(name.left(40)));
        return *it;
    }

    static Value call(const QString &name, const std::vector<Value> &args,
                      const QHash<QString, Value> &named)
    {
        auto number = [](double v) {
            Value r;
            r.kind = Value::Number;
            r.number = v;
            return r;
        };
        auto pose = [](const Frame &f) {
            Value r;
            r.kind = Value::Pose;
            r.items = poseItems(f);
            return r;
        };
        const bool one = args.size() == 1;
        const bool two = args.size() == 2;
        if ((name == QLatin1String("d2r") || name == QLatin1String("r2d")) && one &&
            args[0].kind == Value::Number)
            return number(name == QLatin1String("d2r") ? args[0].number * kPi / 180.0
                                                       : args[0].number * 180.0 / kPi);
        if (name == QLatin1String("pose_inv") && one && args[0].kind == Value::Pose)
            return pose(rapid::inverse(poseFrame(args[0].items)));
        if ((name == QLatin1String("pose_trans") || name == QLatin1String("pose_add")) && two &&
            args[0].kind == Value::Pose && args[1].kind == Value::Pose) {
            const Frame a = poseFrame(args[0].items), b = poseFrame(args[1].items);
            if (name == QLatin1String("pose_trans"))
                return pose(rapid::compose(a, b));
            // pose_add: positions added, rotations composed in the base frame.
            Frame f = rapid::compose({b.r, {0, 0, 0}}, {a.r, {0, 0, 0}});
            for (std::size_t k = 0; k < 3; ++k)
                f.t[k] = a.t[k] + b.t[k];
            return pose(f);
        }
        if (name == QLatin1String("get_inverse_kin") && !args.empty() &&
            args[0].kind == Value::Pose) {
            Value r;
            r.kind = Value::Solved;
            r.items = args[0].items;
            const Value near = args.size() > 1 ? args[1] : named.value(QStringLiteral("qnear"));
            if (near.kind == Value::List && near.items.size() == 6)
                r.near = near.items;
            else if (args.size() > 1 || named.contains(QStringLiteral("qnear")))
                return Value::unknown(QStringLiteral("qnear of get_inverse_kin is not six "
                                                     "joint values"));
            return r;
        }
        for (const Value &a : args)
            if (a.kind == Value::Unknown)
                return a;
        return Value::unknown(QStringLiteral("the value of %1(...) is not known before the "
                                             "arm moves")
                                  .arg(name.left(40)));
    }
};

class Reader
{
public:
    ReadProgram result;

    void read(const QString &text)
    {
        const QStringList lines = splitLines(text);
        for (int i = 0; i < lines.size(); ++i) {
            const int line = i + 1;
            QString s = lines.at(i);
            // A statement whose brackets are open goes on on the next lines.
            int joined = 0;
            while (open(s) && i + 1 < lines.size() && joined < kMaxJoinedLines) {
                s += QLatin1Char(' ') + lines.at(++i);
                ++joined;
            }
            statement(s, line);
            if (!result.error.isEmpty())
                return;
        }
    }

private:
    QHash<QString, Value> m_vars;
    Frame m_tool;

    static bool open(const QString &s)
    {
        int depth = 0;
        for (QChar c : s) {
            if (c == QLatin1Char('#'))
                break;
            if (c == QLatin1Char('(') || c == QLatin1Char('['))
                ++depth;
            else if (c == QLatin1Char(')') || c == QLatin1Char(']'))
                --depth;
        }
        return depth > 0;
    }

    void statement(const QString &s, int line)
    {
        if (s.size() > kMaxStatement) {
            result.skip(line, QStringLiteral("a statement of more than %1 characters is not read")
                                  .arg(kMaxStatement),
                        false);
            return;
        }
        const std::vector<Token> t = tokens(s);
        std::size_t i = 0;
        if (t[0].kind != Token::Name)
            return; // "$ 3 ..." annotations, comments, blank lines
        const QString first = t[0].text;
        if (first == QLatin1String("def") && t[1].kind == Token::Name && result.name.isEmpty())
            result.name = t[1].text;
        if (first == QLatin1String("global") || first == QLatin1String("local"))
            i = 1;
        if (t[i].kind == Token::Name && t[i + 1].kind == Token::Symbol &&
            t[i + 1].text == QLatin1String("=")) {
            Expression e(t, i + 2, m_vars);
            Value v = e.parse();
            if (v.kind != Value::Unknown && t[e.at()].kind != Token::End)
                v = Value::unknown(QStringLiteral("an expression this reader does not evaluate"));
            m_vars.insert(t[i].text, v);
            return;
        }
        if (t[1].kind != Token::Symbol || t[1].text != QLatin1String("("))
            return;
        Expression e(t, 2, m_vars);
        std::vector<Value> args;
        QHash<QString, Value> named;
        const bool closed = e.arguments(0, args, named);
        if (first == QLatin1String("set_tcp")) {
            if (closed && args.size() == 1 && args[0].kind == Value::Pose)
                m_tool = poseFrame(args[0].items);
            else
                result.warn(line, QStringLiteral("set_tcp of a value not known from the script; "
                                                 "the tool before is kept"));
            return;
        }
        if (first == QLatin1String("servoj") || first == QLatin1String("speedj") ||
            first == QLatin1String("speedl") || first == QLatin1String("servoc")) {
            result.skip(line, QStringLiteral("%1 is not read").arg(first));
            return;
        }
        const bool joint = first == QLatin1String("movej");
        const bool linear = first == QLatin1String("movel") || first == QLatin1String("movep");
        const bool circle = first == QLatin1String("movec");
        if (!joint && !linear && !circle)
            return;
        const std::size_t need = circle ? 2 : 1;
        if (!closed || args.size() < need) {
            result.skip(line, QStringLiteral("%1 without its target").arg(first));
            return;
        }
        ReadMove move;
        move.line = line;
        move.kind = joint ? ReadMove::Joint : linear ? ReadMove::Linear : ReadMove::Circular;
        move.tool = m_tool;
        QString why;
        if (!target(args[need - 1], move.target, why) ||
            (circle && !target(args[0], move.via, why))) {
            result.skip(line, QStringLiteral("%1: %2").arg(first, why));
            return;
        }
        if (circle && move.via.isJoints) {
            // A circle's points are poses; joint values give the pose.
            result.skip(line, QStringLiteral("movec through joint values is not read"));
            return;
        }
        // Positional a, v, t, r for movej/movel; a, v, r, mode for movec.
        auto argument = [&](const char *name, std::size_t position) {
            const Value v = named.contains(QLatin1String(name))
                                ? named.value(QLatin1String(name))
                                : args.size() > position ? args[position] : Value();
            return v.kind == Value::Number ? v.number : -1.0;
        };
        const double v = argument("v", need + 1);
        const double r = argument("r", circle ? need + 2 : need + 3);
        if (v > 0.0 && !joint)
            move.speed = v * 1000.0;
        if (r >= 0.0)
            move.zone = r > 0.0 ? r * 1000.0 : sequences::kFineZone;
        result.moves.push_back(move);
        if (result.moves.size() > std::size_t(kMaxReadMoves)) {
            result.moves.clear();
            result.error = QStringLiteral("more than %1 moves").arg(kMaxReadMoves);
        }
    }

    static bool target(const Value &v, ReadTarget &t, QString &why)
    {
        switch (v.kind) {
        case Value::Pose:
            t.pose = poseFrame(v.items);
            return true;
        case Value::Solved:
            t.pose = poseFrame(v.items);
            if (v.near.size() == 6) {
                t.hint = Hint::Near;
                for (std::size_t k = 0; k < 6; ++k)
                    t.joints[k] = v.near[k] * 180.0 / kPi;
            }
            return true;
        case Value::List:
            if (v.items.size() != 6) {
                why = QStringLiteral("a list of %1 numbers is no target").arg(v.items.size());
                return false;
            }
            t.isJoints = true;
            for (std::size_t k = 0; k < 6; ++k)
                t.joints[k] = v.items[k] * 180.0 / kPi;
            return true;
        case Value::Number:
            why = QStringLiteral("a number is no target");
            return false;
        case Value::Unknown:
            break;
        }
        why = v.why;
        return false;
    }
};

} // namespace

ReadProgram readUrScript(const QString &text)
{
    Reader reader;
    reader.read(text);
    return reader.result;
}

} // namespace controllers
