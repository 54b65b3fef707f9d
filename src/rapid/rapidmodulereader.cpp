// Reading a RAPID module: tokens, declarations, the instructions of one
// procedure, and the targets solved into the program the analysis takes.
#include "rapidmodule.h"

#include "kinematics/robot.h"
#include "rapid/rapidparser.h"
#include "sequences/sequenceparser.h"
#include "texts/uitexts.h"

#include <QHash>
#include <QLocale>
#include <QSet>
#include <cmath>
#include <limits>

// What a user reads follows the window's language; velkari-kin applies none
// and stays English.
using uitext::Text;
static QString say(Text t)
{
    return uitext::get(t);
}

namespace rapid {

using sequences::Frame;
using sequences::ProgramLine;

namespace {

// ---------------------------------------------------------------- tokens

struct Token
{
    enum Kind : char
    {
        Name,
        Number,
        String,
        Symbol,
        End
    } kind = End;
    int line = 0;
    int begin = 0;
    int length = 0;
    double number = 0.0;
};

// Brackets deeper than this are no RAPID data we read (a tooldata has three
// levels); the limit keeps garbage from exhausting the stack.
constexpr int kMaxDepth = 8;

class Lexer
{
public:
    explicit Lexer(const QString &text) : m_text(text) {}

    // False with `error` for a string left open; the tokens are all there
    // the same, the string ending with its line.
    bool run(std::vector<Token> &tokens, QString &error)
    {
        const int n = m_text.size();
        int line = 1;
        int i = 0;
        while (i < n) {
            const QChar c = m_text.at(i);
            if (c == QLatin1Char('\n')) {
                ++line;
                ++i;
            } else if (c.isSpace()) {
                ++i;
            } else if (c == QLatin1Char('!')) {
                while (i < n && m_text.at(i) != QLatin1Char('\n'))
                    ++i;
            } else if (c == QLatin1Char('"')) {
                const int start = i++;
                while (i < n && m_text.at(i) != QLatin1Char('"') &&
                       m_text.at(i) != QLatin1Char('\n'))
                    ++i;
                if (i >= n || m_text.at(i) != QLatin1Char('"')) {
                    if (error.isEmpty())
                        error = QStringLiteral("line %1: a string is not closed").arg(line);
                } else {
                    ++i;
                }
                tokens.push_back({Token::String, line, start, i - start, 0.0});
            } else if (isDigit(c) ||
                       (c == QLatin1Char('.') && i + 1 < n && isDigit(m_text.at(i + 1)))) {
                const int start = i;
                while (i < n && isDigit(m_text.at(i)))
                    ++i;
                if (i < n && m_text.at(i) == QLatin1Char('.')) {
                    ++i;
                    while (i < n && isDigit(m_text.at(i)))
                        ++i;
                }
                if (i < n &&
                    (m_text.at(i) == QLatin1Char('e') || m_text.at(i) == QLatin1Char('E'))) {
                    int j = i + 1;
                    if (j < n &&
                        (m_text.at(j) == QLatin1Char('+') || m_text.at(j) == QLatin1Char('-')))
                        ++j;
                    if (j < n && isDigit(m_text.at(j))) {
                        i = j;
                        while (i < n && isDigit(m_text.at(i)))
                            ++i;
                    }
                }
                bool ok = false;
                const double v = QLocale::c().toDouble(m_text.midRef(start, i - start), &ok);
                tokens.push_back({Token::Number, line, start, i - start,
                                  ok ? v : std::numeric_limits<double>::infinity()});
            } else if (isNameStart(c)) {
                const int start = i;
                while (i < n && isNamePart(m_text.at(i)))
                    ++i;
                tokens.push_back({Token::Name, line, start, i - start, 0.0});
            } else {
                const int start = i++;
                if (c == QLatin1Char(':') && i < n && m_text.at(i) == QLatin1Char('='))
                    ++i;
                tokens.push_back({Token::Symbol, line, start, i - start, 0.0});
            }
        }
        tokens.push_back({Token::End, line, n, 0, 0.0});
        return error.isEmpty();
    }

private:
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
    static bool isNameStart(QChar c)
    {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    }
    static bool isNamePart(QChar c)
    {
        return isNameStart(c) || isDigit(c) || c == QLatin1Char('_');
    }
    const QString &m_text;
};

// ---------------------------------------------------------------- values

struct Value
{
    enum Kind
    {
        Number,
        Bool,
        String,
        List,
        Expression // a name, a call, an operator: something to evaluate
    } kind = Number;
    double number = 0.0;
    std::vector<Value> items;
};

enum class DataType
{
    Robtarget,
    Jointtarget,
    Tooldata,
    Wobjdata,
    Other
};

QString typeName(DataType t)
{
    switch (t) {
    case DataType::Robtarget:
        return QStringLiteral("robtarget");
    case DataType::Jointtarget:
        return QStringLiteral("jointtarget");
    case DataType::Tooldata:
        return QStringLiteral("tooldata");
    case DataType::Wobjdata:
        return QStringLiteral("wobjdata");
    case DataType::Other:
        break;
    }
    return QString();
}

// What a declaration or an inline value holds, once checked.
struct Data
{
    DataType type = DataType::Other;
    int line = 0;
    bool hasValue = false;
    QString whyNoValue; // "its value is an expression", "it has no value"
    Frame frame;        // robtarget pose, tool frame, work object (user x object)
    // A tool or work object carried by the robot.
    bool robhold = false;
    ConfData conf;
    std::array<double, 6> joints{};
};

Frame frameFromNumbers(const double *xyz, const double *q)
{
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    Frame f;
    f.r = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
           2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
           2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
    f.t = {xyz[0], xyz[1], xyz[2]};
    return f;
}

bool sameFrame(const Frame &a, const Frame &b)
{
    for (std::size_t k = 0; k < 9; ++k)
        if (std::fabs(a.r[k] - b.r[k]) > 1e-9)
            return false;
    for (std::size_t k = 0; k < 3; ++k)
        if (std::fabs(a.t[k] - b.t[k]) > 1e-9)
            return false;
    return true;
}

std::array<double, 6> toolChangeOperands(const Frame &f)
{
    auto R = [&f](int i, int j) { return f.r[std::size_t(3 * i + j)]; };
    const double b = std::atan2(R(0, 2), std::sqrt(R(0, 0) * R(0, 0) + R(0, 1) * R(0, 1)));
    double a, c;
    if (std::fabs(R(0, 2)) > 1.0 - 1e-12) {
        c = 0.0;
        a = std::atan2(R(2, 1), R(1, 1));
    } else {
        a = std::atan2(-R(1, 2), R(2, 2));
        c = std::atan2(-R(0, 1), R(0, 0));
    }
    return {f.t[0], f.t[1], f.t[2], a, b, c};
}

// Checks of the shape of a value: lists of plain numbers, booleans, strings.
class Shape
{
public:
    QString why;

    bool numbers(const Value &v, std::size_t n, double *out, const QString &what, bool bounded)
    {
        if (v.kind != Value::List || v.items.size() != n) {
            why = QStringLiteral("%1 needs %2 numbers").arg(what).arg(n);
            return false;
        }
        for (std::size_t k = 0; k < n; ++k) {
            const Value &item = v.items[k];
            if (item.kind != Value::Number) {
                why = QStringLiteral("%1 needs %2 numbers").arg(what).arg(n);
                return false;
            }
            if (!std::isfinite(item.number) ||
                (bounded && std::fabs(item.number) > double(kMaxMagnitude))) {
                why = QStringLiteral("a number of %1 is out of range").arg(what);
                return false;
            }
            out[k] = item.number;
        }
        return true;
    }

    bool pose(const Value &v, Frame &frame, const QString &what)
    {
        if (v.kind != Value::List || v.items.size() != 2) {
            why = QStringLiteral("%1 needs a position and an orientation").arg(what);
            return false;
        }
        double xyz[3], q[4];
        if (!numbers(v.items[0], 3, xyz, what + QStringLiteral(" position"), true) ||
            !numbers(v.items[1], 4, q, what + QStringLiteral(" orientation"), true))
            return false;
        return orientation(xyz, q, frame, what);
    }

    bool orientation(const double *xyz, double *q, Frame &frame, const QString &what)
    {
        const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        // The controller itself refuses an orient that is not normalised.
        if (std::fabs(n - 1.0) > 0.01) {
            why = QStringLiteral("the orientation of %1 is not a unit quaternion").arg(what);
            return false;
        }
        for (int k = 0; k < 4; ++k)
            q[k] /= n;
        frame = frameFromNumbers(xyz, q);
        return true;
    }

    bool kind(const Value &v, Value::Kind k, const QString &what)
    {
        if (v.kind == k)
            return true;
        why = what;
        return false;
    }
};

// A literal value into `data`; false with the reason in `why`.
bool checkData(const Value &v, DataType type, Data &data, QString &why)
{
    Shape s;
    data.type = type;
    auto fail = [&]() {
        why = s.why;
        return false;
    };
    switch (type) {
    case DataType::Robtarget: {
        if (v.kind != Value::List || v.items.size() != 4) {
            why = QStringLiteral("a robtarget has four parts: trans, rot, robconf and extax");
            return false;
        }
        double xyz[3], q[4], cf[4], ext[6];
        if (!s.numbers(v.items[0], 3, xyz, QStringLiteral("trans"), true) ||
            !s.numbers(v.items[1], 4, q, QStringLiteral("rot"), true) ||
            !s.orientation(xyz, q, data.frame, QStringLiteral("rot")) ||
            !s.numbers(v.items[2], 4, cf, QStringLiteral("robconf"), true) ||
            !s.numbers(v.items[3], 6, ext, QStringLiteral("extax"), false))
            return fail();
        data.conf = {float(cf[0]), float(cf[1]), float(cf[2]), float(cf[3])};
        break;
    }
    case DataType::Jointtarget: {
        if (v.kind != Value::List || v.items.size() != 2) {
            why = QStringLiteral("a jointtarget has two parts: robax and extax");
            return false;
        }
        double ext[6];
        if (!s.numbers(v.items[0], 6, data.joints.data(), QStringLiteral("robax"), true) ||
            !s.numbers(v.items[1], 6, ext, QStringLiteral("extax"), false))
            return fail();
        break;
    }
    case DataType::Tooldata: {
        if (v.kind != Value::List || v.items.size() != 3) {
            why = QStringLiteral("a tooldata has three parts: robhold, tframe and tload");
            return false;
        }
        double load[4]; // cog, then aom
        const Value &l = v.items[2];
        if (!s.kind(v.items[0], Value::Bool, QStringLiteral("robhold must be TRUE or FALSE")) ||
            !s.pose(v.items[1], data.frame, QStringLiteral("tframe")))
            return fail();
        data.robhold = v.items[0].number != 0.0;
        if (l.kind != Value::List || l.items.size() != 6 ||
            !s.kind(l.items[0], Value::Number, {}) ||
            !s.numbers(l.items[1], 3, load, QStringLiteral("cog"), false) ||
            !s.numbers(l.items[2], 4, load, QStringLiteral("aom"), false) ||
            !s.kind(l.items[3], Value::Number, {}) || !s.kind(l.items[4], Value::Number, {}) ||
            !s.kind(l.items[5], Value::Number, {})) {
            why = QStringLiteral("tload needs mass, cog, aom and three inertias");
            return false;
        }
        break;
    }
    case DataType::Wobjdata: {
        if (v.kind != Value::List || v.items.size() != 5) {
            why = QStringLiteral("a wobjdata has five parts: robhold, ufprog, ufmec, uframe "
                                 "and oframe");
            return false;
        }
        Frame user, object;
        if (!s.kind(v.items[0], Value::Bool, QStringLiteral("robhold must be TRUE or FALSE")) ||
            !s.kind(v.items[1], Value::Bool, QStringLiteral("ufprog must be TRUE or FALSE")) ||
            !s.kind(v.items[2], Value::String, QStringLiteral("ufmec must be a string")) ||
            !s.pose(v.items[3], user, QStringLiteral("uframe")) ||
            !s.pose(v.items[4], object, QStringLiteral("oframe")))
            return fail();
        // Held by the robot, the user frame is given in the flange's frame
        // and the object travels with the arm (see solveTarget).
        data.robhold = v.items[0].number != 0.0;
        data.frame = compose(user, object);
        break;
    }
    case DataType::Other:
        break;
    }
    data.hasValue = true;
    return true;
}

// ---------------------------------------------------------------- module

struct Move
{
    enum Kind
    {
        AbsJ,
        Joint,
        Linear,
        Circular
    } kind = AbsJ;
    int line = 0;
    Data target;
    Data via; // MoveC
    QString targetName, viaName;
    Frame tool, wobj;
    // Who carries what: the usual arm holds the tool over a fixed work
    // object; with a stationary tool it holds the work object instead.
    bool toolHeld = true;
};

class Reader
{
public:
    Reader(const QString &text, ImportResult &result) : m_text(text), m_result(result) {}

    bool read(const QString &procedure)
    {
        QString error;
        const bool lexed = Lexer(m_text).run(m_tokens, error);
        if (!is(0, "MODULE"))
            return fail(say(Text::ModNotModule)
                            .arg(line(0)));
        if (!lexed)
            return fail(error);
        indexStatements();
        return module(procedure);
    }

    std::vector<Move> moves;

private:
    // ------------------------------------------------ token helpers
    QStringRef text(int i) const
    {
        const Token &t = m_tokens[std::size_t(i)];
        return m_text.midRef(t.begin, t.length);
    }
    bool is(int i, const char *word) const
    {
        const Token &t = m_tokens[std::size_t(i)];
        return (t.kind == Token::Name || t.kind == Token::Symbol) &&
               text(i).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    Token::Kind kind(int i) const { return m_tokens[std::size_t(i)].kind; }
    int line(int i) const { return m_tokens[std::size_t(i)].line; }
    QString quoted(int i) const
    {
        const QString t = text(i).toString();
        return t.size() > 40 ? t.left(40) + QStringLiteral("...") : t;
    }
    QString lines(int a, int b) const
    {
        return line(a) == line(b) ? say(Text::ModLine).arg(line(a))
                                  : say(Text::ModLines).arg(line(a)).arg(line(b));
    }
    bool fail(const QString &why)
    {
        m_result.error = why;
        return false;
    }
    void skip(int a, int b, const QString &what)
    {
        m_result.skipped << lines(a, b) + QStringLiteral(": ") + what;
    }

    // Next ';' and next THEN from every token, so that telling a one-line IF
    // from an IF block costs nothing per token.
    void indexStatements()
    {
        const int n = int(m_tokens.size());
        m_nextSemicolon.assign(std::size_t(n), n - 1);
        m_nextThen.assign(std::size_t(n), n - 1);
        int semicolon = n - 1, then = n - 1;
        for (int i = n - 1; i >= 0; --i) {
            if (kind(i) == Token::Symbol && is(i, ";"))
                semicolon = i;
            if (kind(i) == Token::Name && is(i, "THEN"))
                then = i;
            m_nextSemicolon[std::size_t(i)] = semicolon;
            m_nextThen[std::size_t(i)] = then;
        }
    }

    bool isBlockStart(int i) const
    {
        if (kind(i) != Token::Name)
            return false;
        if (is(i, "WHILE") || is(i, "FOR") || is(i, "TEST"))
            return true;
        return is(i, "IF") && m_nextThen[std::size_t(i)] < m_nextSemicolon[std::size_t(i)];
    }
    bool isBlockEnd(int i) const
    {
        return kind(i) == Token::Name &&
               (is(i, "ENDWHILE") || is(i, "ENDFOR") || is(i, "ENDTEST") || is(i, "ENDIF"));
    }
    // The token that closes the block opened at `i`, or -1 before `limit`.
    int blockEnd(int i, int limit) const
    {
        int depth = 0;
        for (int k = i; k < limit; ++k) {
            if (isBlockStart(k))
                ++depth;
            else if (isBlockEnd(k) && --depth == 0)
                return k;
        }
        return -1;
    }
    int find(int from, const char *word, int limit) const
    {
        for (int k = from; k < limit; ++k)
            if (kind(k) == Token::Name && is(k, word))
                return k;
        return -1;
    }

    // ------------------------------------------------ values
    bool value(int &i, int end, Value &v, int depth)
    {
        if (i >= end)
            return false;
        if (is(i, "[")) {
            if (depth >= kMaxDepth)
                return false;
            v.kind = Value::List;
            ++i;
            for (;;) {
                Value item;
                if (!value(i, end, item, depth + 1))
                    return false;
                v.items.push_back(std::move(item));
                if (i < end && is(i, ",")) {
                    ++i;
                    continue;
                }
                if (i < end && is(i, "]")) {
                    ++i;
                    return true;
                }
                return false;
            }
        }
        if ((is(i, "-") || is(i, "+")) && i + 1 < end && kind(i + 1) == Token::Number) {
            v.kind = Value::Number;
            v.number = is(i, "-") ? -m_tokens[std::size_t(i + 1)].number
                                  : m_tokens[std::size_t(i + 1)].number;
            i += 2;
            return true;
        }
        if (kind(i) == Token::Number) {
            v.kind = Value::Number;
            v.number = m_tokens[std::size_t(i)].number;
            ++i;
            return true;
        }
        if (kind(i) == Token::String) {
            v.kind = Value::String;
            ++i;
            return true;
        }
        if (kind(i) == Token::Name && (is(i, "TRUE") || is(i, "FALSE"))) {
            v.kind = Value::Bool;
            v.number = is(i, "TRUE") ? 1.0 : 0.0;
            ++i;
            return true;
        }
        return false;
    }

    // Whether the tokens [i, end) are something to evaluate rather than
    // data written out: a name, a function call, a record component. A name
    // where a number belongs ("4oo") is neither: that is a malformed value.
    bool looksLikeExpression(int i, int end) const
    {
        if (kind(i) == Token::Name && !is(i, "TRUE") && !is(i, "FALSE"))
            return true;
        for (int k = i; k + 1 < end; ++k)
            if (kind(k) == Token::Name && (is(k + 1, "(") || is(k + 1, ".")))
                return true;
        return false;
    }

    // A literal value of `type` in tokens [i, end); an error naming `line`
    // when it is malformed. `expression` is set (and true returned) for a
    // value to evaluate, which is not read.
    bool literal(int i, int end, DataType type, const QString &what, Data &data, bool &expression)
    {
        expression = false;
        data.line = line(i < end ? i : end);
        if (i >= end)
            return fail(QStringLiteral("line %1: %2 has no value").arg(data.line).arg(what));
        int k = i;
        Value v;
        const bool parsed = value(k, end, v, 0) && k == end;
        if (!parsed) {
            if (looksLikeExpression(i, end)) {
                expression = true;
                data.type = type;
                data.whyNoValue =
                    QStringLiteral("its value %1 is an expression")
                        .arg(text(i).toString() +
                             (i + 1 < end && is(i + 1, "(") ? QStringLiteral("(...)") : QString()));
                return true;
            }
            return fail(QStringLiteral("line %1: %2 is malformed: its value is not RAPID data")
                            .arg(data.line)
                            .arg(what));
        }
        QString why;
        if (!checkData(v, type, data, why))
            return fail(
                QStringLiteral("line %1: %2 is malformed: %3").arg(data.line).arg(what, why));
        return true;
    }

    // ------------------------------------------------ declarations
    static DataType dataType(const QStringRef &name)
    {
        if (name.compare(QLatin1String("robtarget"), Qt::CaseInsensitive) == 0)
            return DataType::Robtarget;
        if (name.compare(QLatin1String("jointtarget"), Qt::CaseInsensitive) == 0)
            return DataType::Jointtarget;
        if (name.compare(QLatin1String("tooldata"), Qt::CaseInsensitive) == 0)
            return DataType::Tooldata;
        if (name.compare(QLatin1String("wobjdata"), Qt::CaseInsensitive) == 0)
            return DataType::Wobjdata;
        return DataType::Other;
    }

    // CONST|PERS|VAR type name [{dims}] [:= value] ; starting at `i` (the
    // storage keyword). Returns the index after the ';', or -1 on error.
    int declaration(int i, QHash<QString, Data> &scope)
    {
        const int start = i;
        const int end = m_nextSemicolon[std::size_t(i)];
        if (kind(end) == Token::End)
            return fail(QStringLiteral("line %1: the declaration has no ';'").arg(line(start))), -1;
        if (i + 2 >= end || kind(i + 1) != Token::Name || kind(i + 2) != Token::Name)
            return fail(QStringLiteral("line %1: the declaration is malformed: it needs a type "
                                       "and a name")
                            .arg(line(start))),
                   -1;
        const DataType type = dataType(text(i + 1));
        const QString name = text(i + 2).toString().toLower();
        if (type == DataType::Other)
            return end + 1; // speeddata, num and the like: nothing to do with the path
        const QString what =
            QStringLiteral("the %1 %2").arg(typeName(type), text(i + 2).toString());
        i += 3;
        if (is(i, "{")) {
            skip(start, end,
                 QStringLiteral("the %1 array %2 is not read")
                     .arg(typeName(type), text(start + 2).toString()));
            return end + 1;
        }
        if (scope.contains(name))
            return fail(QStringLiteral("line %1: %2 is declared twice (first on line %3)")
                            .arg(line(start))
                            .arg(what)
                            .arg(scope.value(name).line)),
                   -1;
        Data data;
        data.type = type;
        data.line = line(start);
        if (i == end) {
            data.whyNoValue = QStringLiteral("it is declared without a value");
        } else {
            if (!is(i, ":="))
                return fail(QStringLiteral("line %1: %2 is malformed: ':=' expected, not '%3'")
                                .arg(line(start))
                                .arg(what, quoted(i))),
                       -1;
            bool expression = false;
            if (!literal(i + 1, end, type, what, data, expression))
                return -1;
            data.line = line(start);
            if (expression)
                skip(start, end,
                     QStringLiteral("the value of %1 is not read: %2").arg(what, data.whyNoValue));
        }
        scope.insert(name, data);
        return end + 1;
    }

    // ------------------------------------------------ module
    bool module(const QString &procedure)
    {
        int i = 0;
        if (!is(i, "MODULE"))
            return fail(say(Text::ModNotModule)
                            .arg(line(i)));
        ++i;
        if (kind(i) != Token::Name)
            return fail(QStringLiteral("line %1: MODULE needs a name").arg(line(i)));
        ++i;
        if (is(i, "(")) {
            while (kind(i) != Token::End && !is(i, ")"))
                ++i;
            ++i;
        }
        const int count = int(m_tokens.size());
        struct Routine
        {
            QString name;
            int begin, end; // body tokens
        };
        std::vector<Routine> procs;
        bool closed = false;
        while (i < count && kind(i) != Token::End) {
            if (is(i, "ENDMODULE")) {
                closed = true;
                break;
            }
            if (is(i, "LOCAL") || is(i, "TASK")) {
                ++i;
                continue;
            }
            if (is(i, "CONST") || is(i, "PERS") || is(i, "VAR")) {
                i = declaration(i, m_globals);
                if (i < 0)
                    return false;
                continue;
            }
            const char *endWord = is(i, "PROC")     ? "ENDPROC"
                                  : is(i, "FUNC")   ? "ENDFUNC"
                                  : is(i, "TRAP")   ? "ENDTRAP"
                                  : is(i, "RECORD") ? "ENDRECORD"
                                                    : nullptr;
            if (endWord) {
                const int close = find(i + 1, endWord, count);
                if (close < 0)
                    return fail(QStringLiteral("line %1: %2 %3 has no %4")
                                    .arg(line(i))
                                    .arg(text(i).toString(), quoted(i + 1))
                                    .arg(QLatin1String(endWord)));
                if (is(i, "PROC")) {
                    if (kind(i + 1) != Token::Name)
                        return fail(QStringLiteral("line %1: PROC needs a name").arg(line(i)));
                    int b = i + 2;
                    if (is(b, "(")) {
                        while (b < close && !is(b, ")"))
                            ++b;
                        ++b;
                    }
                    procs.push_back({text(i + 1).toString(), b, close});
                    m_procNames.insert(text(i + 1).toString().toLower());
                }
                i = close + 1;
                continue;
            }
            const int end = std::min(m_nextSemicolon[std::size_t(i)], count - 1);
            skip(i, end, say(Text::ModNotRead).arg(quoted(i)));
            i = end + 1;
        }
        if (!closed)
            return fail(QStringLiteral("line %1: the module has no ENDMODULE")
                            .arg(line(std::max(0, count - 2))));

        const Routine *chosen = nullptr;
        for (const Routine &r : procs) {
            if (procedure.isEmpty() || r.name.compare(procedure, Qt::CaseInsensitive) == 0) {
                chosen = &r;
                break;
            }
        }
        if (!chosen)
            return fail(procedure.isEmpty()
                            ? say(Text::ModNoProcedure)
                            : say(Text::ModNoProcedureNamed).arg(procedure));
        m_result.procedure = chosen->name;
        return body(chosen->begin, chosen->end);
    }

    bool body(int begin, int end)
    {
        // Local data first: RAPID wants it at the top, but where it stands
        // makes no difference to what it means.
        for (int i = begin; i < end;) {
            if (isBlockStart(i)) {
                const int close = blockEnd(i, end);
                i = close < 0 ? end : close + 1;
            } else if (is(i, "CONST") || is(i, "PERS") || is(i, "VAR")) {
                i = declaration(i, m_locals);
                if (i < 0)
                    return false;
            } else {
                i = std::min(m_nextSemicolon[std::size_t(i)], end) + 1;
            }
        }
        for (int i = begin; i < end;) {
            if (isBlockStart(i)) {
                const int close = blockEnd(i, end);
                const int last = close < 0 ? end - 1 : close;
                const QString what = is(i, "WHILE")  ? QStringLiteral("a WHILE loop")
                                     : is(i, "FOR")  ? QStringLiteral("a FOR loop")
                                     : is(i, "TEST") ? QStringLiteral("a TEST block")
                                                     : QStringLiteral("an IF block");
                skip(i, last, what + QStringLiteral(" is not read; its instructions are skipped"));
                i = last + 1;
                continue;
            }
            if (is(i, "ERROR") || is(i, "BACKWARD") || is(i, "UNDO")) {
                skip(i, end - 1, QStringLiteral("the %1 handler is not read").arg(quoted(i)));
                break;
            }
            const int stop = m_nextSemicolon[std::size_t(i)];
            if (stop >= end)
                return fail(QStringLiteral("line %1: the instruction has no ';'").arg(line(i)));
            if (is(i, "CONST") || is(i, "PERS") || is(i, "VAR")) {
                i = stop + 1;
                continue;
            }
            if (!instruction(i, stop))
                return false;
            i = stop + 1;
        }
        return true;
    }

    bool instruction(int i, int stop)
    {
        if (kind(i) != Token::Name) {
            skip(i, stop, say(Text::ModNotInstruction).arg(quoted(i)));
            return true;
        }
        Move::Kind k;
        if (is(i, "MoveAbsJ"))
            k = Move::AbsJ;
        else if (is(i, "MoveJ"))
            k = Move::Joint;
        else if (is(i, "MoveL"))
            k = Move::Linear;
        else if (is(i, "MoveC"))
            k = Move::Circular;
        else if (m_procNames.contains(text(i).toString().toLower())) {
            skip(
                i, stop,
                QStringLiteral("the call of procedure %1 is not followed").arg(text(i).toString()));
            return true;
        } else if (i + 1 < stop && (is(i + 1, ":=") || is(i + 1, "{") || is(i + 1, "."))) {
            skip(i, stop, QStringLiteral("the assignment to %1 is not read").arg(quoted(i)));
            return true;
        } else {
            skip(i, stop,
                 QStringLiteral("%1 is not read (only MoveAbsJ, MoveJ, MoveL and MoveC "
                                "are)")
                     .arg(text(i).toString()));
            return true;
        }
        return move(k, i, stop);
    }

    // One argument: its main tokens [begin, end) and its optional ones.
    struct Argument
    {
        int begin = 0, end = 0;
    };

    bool move(Move::Kind k, int first, int stop)
    {
        const QString name = text(first).toString();
        std::vector<Argument> args;
        int wobjToken = -1;
        int depth = 0;
        int a = first + 1;
        int mainEnd = -1; // where the argument's optional parts begin
        auto close = [&](int at) {
            const int e = mainEnd < 0 ? at : mainEnd;
            if (e > a)
                args.push_back({a, e});
            a = at + 1;
            mainEnd = -1;
        };
        for (int t = first + 1; t < stop; ++t) {
            if (is(t, "[") || is(t, "(") || is(t, "{"))
                ++depth;
            else if (is(t, "]") || is(t, ")") || is(t, "}"))
                --depth;
            else if (depth == 0 && is(t, ","))
                close(t);
            else if (depth == 0 && is(t, "\\")) {
                if (mainEnd < 0)
                    mainEnd = t;
                if (is(t + 1, "WObj") && is(t + 2, ":="))
                    wobjToken = t + 3;
            }
        }
        close(stop);
        const std::size_t wanted = k == Move::Circular ? 5 : 4;
        if (args.size() != wanted)
            return fail(QStringLiteral("line %1: %2 takes %3 arguments (%4), not %5")
                            .arg(line(first))
                            .arg(name)
                            .arg(wanted)
                            .arg(k == Move::Circular ? QStringLiteral("via point, target, speed, "
                                                                      "zone and tool")
                                                     : QStringLiteral("target, speed, zone and "
                                                                      "tool"))
                            .arg(args.size()));

        Move m;
        m.kind = k;
        m.line = line(first);
        const DataType wantedType = k == Move::AbsJ ? DataType::Jointtarget : DataType::Robtarget;
        bool usable = true;
        std::size_t target = 0;
        if (k == Move::Circular) {
            if (!targetOf(args[0], wantedType, name, first, stop, m.via, m.viaName, usable))
                return false;
            target = 1;
        }
        if (usable &&
            !targetOf(args[target], wantedType, name, first, stop, m.target, m.targetName, usable))
            return false;
        if (!usable)
            return true;
        const Argument tool = args[wanted - 1];
        Data data;
        if (!frameOf(tool.begin, tool.end, DataType::Tooldata, "tool0", name, first, stop, data,
                     usable))
            return false;
        m.tool = data.frame;
        m.toolHeld = data.robhold;
        const QString toolName = tool.end == tool.begin + 1
                                     ? text(tool.begin).toString()
                                     : QStringLiteral("the written-out tooldata");
        QString wobjName = QStringLiteral("wobj0");
        bool wobjHeld = false;
        if (usable && wobjToken >= 0) {
            int e = wobjToken;
            while (e < stop && !is(e, "\\") && !is(e, ","))
                ++e;
            if (!frameOf(wobjToken, e, DataType::Wobjdata, "wobj0", name, first, stop, data,
                         usable))
                return false;
            m.wobj = data.frame;
            wobjHeld = data.robhold;
            wobjName = e == wobjToken + 1 ? text(wobjToken).toString()
                                          : QStringLiteral("the written-out wobjdata");
        }
        // Exactly one of the two is carried: the controller stops at a move
        // where both are, or neither.
        if (usable && m.toolHeld && wobjHeld)
            return fail(QStringLiteral("line %1: %2 has the tool %3 and the work object %4 both "
                                       "held by the robot (robhold TRUE); the controller refuses "
                                       "such a move: one of them must stand still")
                            .arg(line(first))
                            .arg(name, toolName, wobjName));
        if (usable && !m.toolHeld && !wobjHeld)
            return fail(QStringLiteral("line %1: %2 has the stationary tool %3 (robhold FALSE) "
                                       "and the fixed work object %4; the controller refuses such "
                                       "a move: a stationary tool needs a work object held by the "
                                       "robot (robhold TRUE) given with \\WObj")
                            .arg(line(first))
                            .arg(name, toolName, wobjName));
        if (usable)
            moves.push_back(m);
        return true;
    }

    const Data *lookup(const QString &name) const
    {
        const QString key = name.toLower();
        auto l = m_locals.constFind(key);
        if (l != m_locals.constEnd())
            return &l.value();
        auto g = m_globals.constFind(key);
        return g != m_globals.constEnd() ? &g.value() : nullptr;
    }

    // A named or written-out target. `usable` is cleared, with a note, for
    // one we do not read; false is an error.
    bool targetOf(const Argument &arg, DataType type, const QString &instruction, int first,
                  int stop, Data &data, QString &label, bool &usable)
    {
        const QString what = QStringLiteral("the %1 of %2").arg(typeName(type), instruction);
        if (is(arg.begin, "[")) {
            bool expression = false;
            if (!literal(arg.begin, arg.end, type, what, data, expression))
                return false;
            label = QStringLiteral("the written-out %1").arg(typeName(type));
            if (expression) {
                skip(first, stop,
                     QStringLiteral("%1 to %2 is not read: %3")
                         .arg(instruction, label, data.whyNoValue));
                usable = false;
            }
            return true;
        }
        if (kind(arg.begin) == Token::Name && arg.end == arg.begin + 1) {
            label = text(arg.begin).toString();
            const Data *d = lookup(label);
            if (!d)
                return fail(
                    QStringLiteral("line %1: %2 is not declared").arg(line(first)).arg(label));
            if (d->type != type)
                return fail(QStringLiteral("line %1: %2 needs a %3; %4 is a %5")
                                .arg(line(first))
                                .arg(instruction, typeName(type), label, typeName(d->type)));
            if (!d->hasValue) {
                skip(first, stop,
                     QStringLiteral("%1 to %2 is not read: %3 (line %4)")
                         .arg(instruction, label, d->whyNoValue)
                         .arg(d->line));
                usable = false;
                return true;
            }
            data = *d;
            return true;
        }
        // Offs(p10, 0, 0, 50), RelTool(...), CRobT(), p{2}, p.trans: evaluated
        // on the controller, not here.
        QString construct = text(arg.begin).toString();
        if (arg.begin + 1 < arg.end && is(arg.begin + 1, "("))
            construct += QStringLiteral("(...)");
        else if (arg.begin + 1 < arg.end && is(arg.begin + 1, "{"))
            construct += QStringLiteral("{...}");
        else if (arg.begin + 1 < arg.end)
            construct += QStringLiteral(" ...");
        skip(first, stop,
             QStringLiteral("%1 to %2 is not read: only named and written-out "
                            "targets are")
                 .arg(instruction, construct));
        usable = false;
        return true;
    }

    bool frameOf(int begin, int end, DataType type, const char *builtin, const QString &instruction,
                 int first, int stop, Data &data, bool &usable)
    {
        data = Data();
        if (end == begin + 1 && kind(begin) == Token::Name) {
            if (is(begin, builtin)) {
                // The flange, or the World frame: identity. tool0 is the
                // arm's own, wobj0 stands still.
                data.robhold = type == DataType::Tooldata;
                return true;
            }
            const QString label = text(begin).toString();
            const Data *d = lookup(label);
            if (!d)
                return fail(QStringLiteral("line %1: the %2 %3 is not declared")
                                .arg(line(first))
                                .arg(typeName(type), label));
            if (d->type != type)
                return fail(QStringLiteral("line %1: %2 needs a %3; %4 is a %5")
                                .arg(line(first))
                                .arg(instruction, typeName(type), label, typeName(d->type)));
            if (!d->hasValue) {
                skip(first, stop,
                     QStringLiteral("%1 with %2 is not read: %3 (line %4)")
                         .arg(instruction, label, d->whyNoValue)
                         .arg(d->line));
                usable = false;
                return true;
            }
            data = *d;
            return true;
        }
        if (begin < end && is(begin, "[")) {
            bool expression = false;
            if (!literal(begin, end, type,
                         QStringLiteral("the %1 of %2").arg(typeName(type), instruction), data,
                         expression))
                return false;
            if (!expression)
                return true;
        }
        skip(first, stop,
             QStringLiteral("%1 with the %2 '%3' is not read")
                 .arg(instruction, typeName(type), quoted(begin)));
        usable = false;
        return true;
    }

    const QString &m_text;
    ImportResult &m_result;
    std::vector<Token> m_tokens;
    std::vector<int> m_nextSemicolon, m_nextThen;
    QHash<QString, Data> m_globals, m_locals;
    QSet<QString> m_procNames;
};

// Joint values of a robtarget: the configuration whose quadrants and bits
// are those of the robtarget, or the one nearest to `seed` with a warning.
// False, with nothing said, when no configuration reaches it.
bool solveTarget(Robot &robot, const Move &m, const Data &target, const QString &label,
                 const std::array<float, 6> &seed, std::vector<IkConfiguration> &solutions,
                 std::array<double, 6> &joints, ImportResult &result)
{
    // The usual arm carries the tool T to the target P of a fixed work
    // object W: W P = F T, so the flange F = W P T^-1. With a stationary tool
    // the arm carries the work object (W given in the flange's frame) and
    // brings the target to the tool's TCP, which stands in the World:
    // F W P = T, so F = T (W P)^-1.
    const Frame flange = m.toolHeld ? compose(compose(m.wobj, target.frame), inverse(m.tool))
                                    : compose(m.tool, inverse(compose(m.wobj, target.frame)));
    Matrix4 goal = toolbox::identity();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            goal[std::size_t(4 * i + j)] = float(flange.r[std::size_t(3 * i + j)]);
        goal[std::size_t(4 * i + 3)] = float(flange.t[std::size_t(i)]);
    }
    robot.setJointAngles(seed);
    const int chosen = robot.doInverseKinematics(goal, solutions);
    if (solutions.empty() || chosen < 0)
        return false;
    // A quadrant holds its lower edge; a hundredth of a degree either side
    // absorbs the rounding of a value written at the edge (0, 90, -90...).
    auto inQuadrant = [](float q, float cf) {
        return q >= cf * 90.0f - 0.01f && q <= cf * 90.0f + 90.0f + 0.01f;
    };
    const IkConfiguration *match = nullptr;
    for (const IkConfiguration &c : solutions) {
        std::array<float, 6> q = c.q;
        for (float &v : q)
            if (std::fabs(v) < 0.00001f)
                v = 0.0f;
        const ConfData cd = robot.configurationData(q.data());
        if (std::fabs(cd.cfx - target.conf.cfx) < 0.1f && inQuadrant(q[0], target.conf.cf1) &&
            inQuadrant(q[3], target.conf.cf4) && inQuadrant(q[5], target.conf.cf6)) {
            match = &c;
            break;
        }
    }
    if (!match) {
        match = &solutions[std::size_t(chosen)];
        result.warnings << say(Text::ModConfMismatch)
                               .arg(m.line)
                               .arg(label)
                               .arg(double(target.conf.cf1))
                               .arg(double(target.conf.cf4))
                               .arg(double(target.conf.cf6))
                               .arg(double(target.conf.cfx));
    }
    for (std::size_t k = 0; k < 6; ++k)
        joints[k] = double(match->q[k]);
    return true;
}

} // namespace

ImportResult importModule(Robot &robot, const QString &text, const QString &procedure)
{
    ImportResult result;
    if (!robot.isLoaded()) {
        result.error = say(Text::ModNoRobot);
        return result;
    }
    Reader reader(text, result);
    if (!reader.read(procedure))
        return result;
    if (reader.moves.empty()) {
        result.error = say(Text::ModNoMove).arg(result.procedure);
        return result;
    }
    if (reader.moves.size() > std::size_t(sequences::kMaxNodes / 4)) {
        result.error = say(Text::ModTooManyMoves).arg(result.procedure);
        return result;
    }

    const std::array<float, 6> saved = robot.jointValues();
    std::array<float, 6> seed = saved;
    std::vector<IkConfiguration> solutions;
    solutions.reserve(256);
    std::vector<ProgramLine> program;
    std::vector<int> lines;
    Frame tool; // the analysis starts with the flange
    auto add = [&](double code, const std::array<double, 6> &operands, int line) {
        program.push_back({code, operands});
        lines.push_back(line);
    };
    // The analysis starts a program at its first joint move; a module that
    // begins elsewhere starts where the robot stands.
    if (reader.moves.front().kind != Move::AbsJ && reader.moves.front().kind != Move::Joint) {
        std::array<double, 6> here;
        for (std::size_t k = 0; k < 6; ++k)
            here[k] = double(saved[k]);
        add(1.0, here, reader.moves.front().line);
        result.warnings << say(Text::ModStartsElsewhere)
                               .arg(reader.moves.front().line)
                               .arg(reader.moves.front().kind == Move::Linear
                                        ? QStringLiteral("MoveL")
                                        : QStringLiteral("MoveC"));
    }
    for (const Move &m : reader.moves) {
        // The analysis moves a frame fixed to the flange in straight lines
        // and arcs: the tool, or with a stationary tool the work object
        // the arm carries. Between two targets of the same orientation that
        // is the controller's path exactly (F W = T P^-1 then changes by a
        // translation only); where the orientation changes the controller
        // turns the object about the tool's TCP, the analysis about the
        // object's origin, and only the targets themselves are the same.
        const Frame &carried = m.toolHeld ? m.tool : m.wobj;
        if (!sameFrame(carried, tool)) {
            tool = carried;
            add(5.0, toolChangeOperands(tool), m.line);
        }
        std::array<double, 6> joints{};
        if (m.kind == Move::AbsJ) {
            add(1.0, m.target.joints, m.line);
            joints = m.target.joints;
        } else {
            std::array<double, 6> via{};
            std::array<float, 6> endSeed = seed;
            const QString *missed = nullptr;
            if (m.kind == Move::Circular) {
                if (solveTarget(robot, m, m.via, m.viaName, seed, solutions, via, result))
                    for (std::size_t k = 0; k < 6; ++k)
                        endSeed[k] = float(via[k]);
                else
                    missed = &m.viaName;
            }
            if (!missed &&
                !solveTarget(robot, m, m.target, m.targetName, endSeed, solutions, joints, result))
                missed = &m.targetName;
            if (missed) {
                // The controller refuses a target out of reach before it
                // moves: the path stays where it stands, and that position is
                // a problem like any other. The rest is read on from there.
                std::array<double, 6> here;
                for (std::size_t k = 0; k < 6; ++k)
                    here[k] = double(seed[k]);
                result.unreachable.push_back(program.size());
                add(1.0, here, m.line);
                result.warnings << say(Text::ModUnreachable).arg(m.line).arg(*missed);
                continue;
            }
            if (m.kind == Move::Circular)
                add(9.0, via, m.line);
            const double code = m.kind == Move::Joint    ? 1.0
                                : m.kind == Move::Linear ? 2.0
                                                         : kCircleEndCode;
            add(code, joints, m.line);
        }
        for (std::size_t k = 0; k < 6; ++k)
            seed[k] = float(joints[k]);
    }
    robot.setJointAngles(saved);
    result.program = std::move(program);
    result.lines = std::move(lines);
    result.ok = true;
    return result;
}

void markUnreachable(const ImportResult &module, sequences::PathAnalyser::Result &path)
{
    std::size_t next = 0; // both lists are in program order
    for (sequences::PathPosition &p : path.path) {
        while (next < module.unreachable.size() && int(module.unreachable[next]) < p.pathId)
            ++next;
        if (next == module.unreachable.size())
            break;
        if (p.type == 1.0f && int(module.unreachable[next]) == p.pathId) {
            const int code = int(p.problem); // a sum of flags, NoSolution the units
            if (code % 10 == 0)
                p.problem = float(code + sequences::PathAnalyser::NoSolution);
            ++next;
        }
    }
}

} // namespace rapid
