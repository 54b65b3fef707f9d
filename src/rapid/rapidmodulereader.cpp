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
#include <QtMath>
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
    int file = 0; // which module of the program
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
        int i = skipProgramHeader(line);
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
    // A controller saves a program's files (.prg) behind header lines, from
    // one line that begins with %%% to the next: "%%%", "VERSION:1",
    // "LANGUAGE:ENGLISH", "%%%". They say nothing about the program. Returns
    // where the text after them begins; `line` counts the lines passed.
    int skipProgramHeader(int &line) const
    {
        const int n = m_text.size();
        int i = 0;
        while (i < n && m_text.at(i).isSpace())
            line += m_text.at(i++) == QLatin1Char('\n') ? 1 : 0;
        if (!m_text.midRef(i, 3).startsWith(QLatin1String("%%%")))
            return 0;
        int lineStart = -1; // the start of each header line after the first
        for (; i < n; ++i) {
            const QChar c = m_text.at(i);
            if (c == QLatin1Char('\n')) {
                ++line;
                lineStart = i + 1;
            } else if (lineStart >= 0 && !c.isSpace()) {
                if (m_text.midRef(i, 3) == QLatin1String("%%%")) {
                    while (i < n && m_text.at(i) != QLatin1Char('\n'))
                        ++i;
                    return i;
                }
                lineStart = -1;
            }
        }
        return n;
    }
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
    Num, // num, dnum and bool (FALSE 0, TRUE 1): bounds, offsets, conditions
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
    case DataType::Num:
        return QStringLiteral("num");
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
    double number = 0.0; // Num
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
    case DataType::Num:
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
    QString where; // the module's name, when the program has several
    Data target;
    Data via; // MoveC
    QString targetName, viaName;
    Frame tool, wobj;
    // Who carries what: the usual arm holds the tool over a fixed work
    // object; with a stationary tool it holds the work object instead.
    bool toolHeld = true;
};

// The motion instructions read: how many arguments they require, which of
// them is the target (a circle's via point, then its end) and which the tool.
struct Motion
{
    const char *name;
    Move::Kind kind;
    int arguments;
    int target;
    int tool;
};
constexpr Motion kMotions[] = {
    {"MoveAbsJ", Move::AbsJ, 4, 0, 3},
    {"MoveJ", Move::Joint, 4, 0, 3},
    {"MoveL", Move::Linear, 4, 0, 3},
    {"MoveC", Move::Circular, 5, 0, 4},
    // A digital output set, or a routine run, at the target.
    {"MoveJDO", Move::Joint, 6, 0, 3},
    {"MoveLDO", Move::Linear, 6, 0, 3},
    {"MoveJSync", Move::Joint, 5, 0, 3},
    {"MoveLSync", Move::Linear, 5, 0, 3},
    // Triggers fired on the way.
    {"TriggJ", Move::Joint, 5, 0, 4},
    {"TriggL", Move::Linear, 5, 0, 4},
    {"TriggC", Move::Circular, 6, 0, 5},
    // Arc welding: seam and weld data between speed and zone.
    {"ArcL", Move::Linear, 6, 0, 5},
    {"ArcLStart", Move::Linear, 6, 0, 5},
    {"ArcLEnd", Move::Linear, 6, 0, 5},
    {"ArcC", Move::Circular, 7, 0, 6},
    {"ArcCStart", Move::Circular, 7, 0, 6},
    {"ArcCEnd", Move::Circular, 7, 0, 6},
    // Signal and search point first; the robot heads for the target and
    // stops earlier only when the signal comes.
    {"SearchL", Move::Linear, 5, 2, 4},
};

// Loops with known bounds run as the controller runs them, up to this many
// times each; a program runs at most kMaxSteps instructions, calls nest at
// most kMaxCalls deep and blocks kMaxNesting deep, and scans at most
// kMaxWork tokens on the way: enough for any program
// written by hand, and a bound on what a hostile file costs.
constexpr int kMaxLoopRuns = 1000;
constexpr int kMaxSteps = 200000;
constexpr qint64 kMaxWork = 10000000; // tokens scanned
constexpr int kMaxCalls = 40;
constexpr int kMaxNesting = 100;
constexpr int kMaxExpressionDepth = 64;

// A value of a num or bool expression, when it is known before the program
// runs.
struct Num
{
    bool known = false;
    double v = 0.0;
};

class Reader
{
public:
    Reader(const std::vector<ModuleSource> &modules, ImportResult &result)
        : m_modules(modules), m_result(result)
    {
    }

    bool read(const QString &procedure)
    {
        for (int f = 0; f < int(m_modules.size()); ++f) {
            m_file = f;
            QString error;
            const std::size_t first = m_tokens.size();
            const bool lexed = Lexer(m_modules[std::size_t(f)].text).run(m_tokens, error);
            for (std::size_t k = first; k < m_tokens.size(); ++k)
                m_tokens[k].file = f;
            m_starts.push_back(int(first));
            if (!is(int(first), "MODULE"))
                return fail(say(Text::ModNotModule).arg(line(int(first))));
            if (!lexed)
                return fail(error);
        }
        indexStatements();
        indexBlocks();
        m_moduleLocals.resize(m_modules.size());
        for (int f = 0; f < int(m_modules.size()); ++f) {
            m_file = f;
            if (!module(m_starts[std::size_t(f)]))
                return false;
        }
        return start(procedure);
    }

    std::vector<Move> moves;

private:
    // ------------------------------------------------ token helpers
    QStringRef text(int i) const
    {
        const Token &t = m_tokens[std::size_t(i)];
        return m_modules[std::size_t(t.file)].text.midRef(t.begin, t.length);
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
    // The text of tokens [a, b), blanks and line breaks made single blanks.
    QString span(int a, int b) const
    {
        if (a >= b)
            return QString();
        const Token &first = m_tokens[std::size_t(a)], &last = m_tokens[std::size_t(b - 1)];
        if (first.file != last.file)
            return quoted(a);
        const QString t = m_modules[std::size_t(first.file)]
                              .text.mid(first.begin, last.begin + last.length - first.begin)
                              .simplified();
        return t.size() > 40 ? t.left(40) + QStringLiteral("...") : t;
    }
    // Where a message points: the module's name comes first when the program
    // has several.
    QString prefix() const
    {
        return m_modules.size() > 1 ? m_modules[std::size_t(m_file)].name + QStringLiteral(" ")
                                    : QString();
    }
    QString lines(int a, int b) const
    {
        return prefix() + (line(a) == line(b) ? say(Text::ModLine).arg(line(a))
                                              : say(Text::ModLines).arg(line(a)).arg(line(b)));
    }
    bool fail(const QString &why)
    {
        m_result.error = prefix() + why;
        return false;
    }
    void skip(int a, int b, const QString &what)
    {
        const QString note = lines(a, b) + QStringLiteral(": ") + what;
        // An instruction in a loop is skipped each time round: said once.
        if (!m_said.contains(note)) {
            m_said.insert(note);
            m_result.skipped << note;
        }
    }
    void note(int a, int b, const QString &what)
    {
        const QString text = lines(a, b) + QStringLiteral(": ") + what;
        if (!m_said.contains(text)) {
            m_said.insert(text);
            m_result.notes << text;
        }
    }

    // Next ';' and next THEN from every token, so that telling a one-line IF
    // from an IF block costs nothing per token. Neither looks past the end of
    // its module.
    void indexStatements()
    {
        const int n = int(m_tokens.size());
        m_nextSemicolon.assign(std::size_t(n), n - 1);
        m_nextThen.assign(std::size_t(n), n - 1);
        int semicolon = n - 1, then = n - 1;
        for (int i = n - 1; i >= 0; --i) {
            if (kind(i) == Token::End)
                semicolon = then = i;
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
        const int e = m_blockEnd[std::size_t(i)];
        return e >= 0 && e < limit ? e : -1;
    }
    // Which token closes each block, found once: a program runs its blocks
    // many times over.
    void indexBlocks()
    {
        m_blockEnd.assign(m_tokens.size(), -1);
        std::vector<int> open;
        for (int k = 0; k < int(m_tokens.size()); ++k) {
            if (isBlockStart(k)) {
                open.push_back(k);
            } else if (isBlockEnd(k)) {
                if (!open.empty()) {
                    m_blockEnd[std::size_t(open.back())] = k;
                    open.pop_back();
                }
            } else if (kind(k) == Token::End || is(k, "ENDPROC") || is(k, "ENDFUNC") ||
                       is(k, "ENDTRAP")) {
                open.clear(); // no block reaches past its routine
            }
        }
    }
    // Tokens scanned again each time a block or a routine runs count too: a
    // loop over a large block stops as early as a loop of many instructions.
    void charge(int tokens) { m_work += tokens; }
    // One step more at token `i`; true, once said, when the program has run
    // as far as it is read.
    bool overBudget(int i)
    {
        if ((++m_steps > kMaxSteps || m_work > kMaxWork) && !m_halt) {
            note(i, i,
                 QStringLiteral("the program is read up to here: it runs more than %1 "
                                "instructions")
                     .arg(kMaxSteps));
            m_halt = true;
        }
        return m_halt;
    }
    int find(int from, const char *word, int limit) const
    {
        for (int k = from; k < limit; ++k)
            if (kind(k) == Token::Name && is(k, word))
                return k;
        return -1;
    }
    // The token after the bracket closing the one at `i`, or `end`.
    int skipBrackets(int i, int end) const
    {
        int depth = 0;
        for (int k = i; k < end; ++k) {
            if (is(k, "(") || is(k, "[") || is(k, "{"))
                ++depth;
            else if ((is(k, ")") || is(k, "]") || is(k, "}")) && --depth <= 0)
                return k + 1;
        }
        return end;
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

    // ------------------------------------------------ num and bool expressions
    // Known when every operand is: numbers, TRUE and FALSE, num and bool
    // data with a known value. A function call, a signal or a record
    // component is not known before the program runs. Stops at the first
    // token that cannot continue the expression.
    Num expression(int &i, int end, int depth = 0)
    {
        Num a = conjunction(i, end, depth);
        while (i < end && (is(i, "OR") || is(i, "XOR"))) {
            const bool exclusive = is(i, "XOR");
            ++i;
            const Num b = conjunction(i, end, depth);
            if (a.known && b.known)
                a.v = exclusive ? double((a.v != 0.0) != (b.v != 0.0))
                                : double(a.v != 0.0 || b.v != 0.0);
            else if (!exclusive && ((a.known && a.v != 0.0) || (b.known && b.v != 0.0)))
                a = {true, 1.0};
            else
                a.known = false;
        }
        return a;
    }
    Num conjunction(int &i, int end, int depth)
    {
        Num a = negation(i, end, depth);
        while (i < end && is(i, "AND")) {
            ++i;
            const Num b = negation(i, end, depth);
            if (a.known && b.known)
                a.v = double(a.v != 0.0 && b.v != 0.0);
            else if ((a.known && a.v == 0.0) || (b.known && b.v == 0.0))
                a = {true, 0.0};
            else
                a.known = false;
        }
        return a;
    }
    Num negation(int &i, int end, int depth)
    {
        if (i < end && is(i, "NOT")) {
            if (depth > kMaxExpressionDepth) {
                i = end;
                return {};
            }
            ++i;
            Num a = negation(i, end, depth + 1);
            a.v = double(a.v == 0.0);
            return a;
        }
        Num a = sum(i, end, depth);
        if (i >= end)
            return a;
        int op = 0; // = 1, <> 2, < 3, > 4, <= 5, >= 6
        if (is(i, "=")) {
            op = 1;
        } else if (is(i, "<")) {
            op = i + 1 < end && is(i + 1, ">") ? 2 : i + 1 < end && is(i + 1, "=") ? 5 : 3;
        } else if (is(i, ">")) {
            op = i + 1 < end && is(i + 1, "=") ? 6 : 4;
        }
        if (op == 0)
            return a;
        i += op == 2 || op >= 5 ? 2 : 1;
        const Num b = sum(i, end, depth);
        if (!a.known || !b.known)
            return {};
        const bool r = op == 1   ? a.v == b.v
                       : op == 2 ? a.v != b.v
                       : op == 3 ? a.v < b.v
                       : op == 4 ? a.v > b.v
                       : op == 5 ? a.v <= b.v
                                 : a.v >= b.v;
        return {true, double(r)};
    }
    Num sum(int &i, int end, int depth)
    {
        Num a = term(i, end, depth);
        while (i < end && (is(i, "+") || is(i, "-"))) {
            const bool minus = is(i, "-");
            ++i;
            const Num b = term(i, end, depth);
            a = {a.known && b.known, minus ? a.v - b.v : a.v + b.v};
        }
        return finite(a);
    }
    Num term(int &i, int end, int depth)
    {
        Num a = factor(i, end, depth);
        while (i < end && (is(i, "*") || is(i, "/") || is(i, "DIV") || is(i, "MOD"))) {
            const char op = is(i, "*") ? '*' : is(i, "/") ? '/' : is(i, "DIV") ? 'd' : 'm';
            ++i;
            const Num b = factor(i, end, depth);
            if (!a.known || !b.known || (op != '*' && b.v == 0.0)) {
                a.known = false;
                continue;
            }
            a.v = op == '*'   ? a.v * b.v
                  : op == '/' ? a.v / b.v
                  : op == 'd' ? std::trunc(a.v / b.v)
                              : std::fmod(a.v, b.v);
        }
        return finite(a);
    }
    static Num finite(Num a)
    {
        if (!std::isfinite(a.v) || std::fabs(a.v) > 1e12)
            return {};
        return a;
    }
    Num factor(int &i, int end, int depth)
    {
        if (i >= end)
            return {};
        if (depth > kMaxExpressionDepth) {
            i = end;
            return {};
        }
        if (is(i, "-") || is(i, "+")) {
            const bool minus = is(i, "-");
            ++i;
            Num a = factor(i, end, depth + 1);
            if (minus)
                a.v = -a.v;
            return a;
        }
        if (kind(i) == Token::Number)
            return finite({true, m_tokens[std::size_t(i++)].number});
        if (is(i, "(")) {
            ++i;
            const Num a = expression(i, end, depth + 1);
            if (i < end && is(i, ")")) {
                ++i;
                return a;
            }
            return {};
        }
        if (is(i, "[") || kind(i) == Token::String) {
            i = kind(i) == Token::String ? i + 1 : skipBrackets(i, end);
            return {};
        }
        if (kind(i) != Token::Name)
            return {};
        if (is(i, "TRUE") || is(i, "FALSE"))
            return {true, is(i++, "TRUE") ? 1.0 : 0.0};
        const int name = i++;
        if (i < end && is(i, "(")) {
            i = skipBrackets(i, end);
            return {};
        }
        Num a;
        const Data *d = lookup(text(name).toString());
        if (d && d->type == DataType::Num && d->hasValue)
            a = {true, d->number};
        m_namesRead = true;
        // A component or an element: not followed.
        while (i < end && (is(i, ".") || is(i, "{"))) {
            a.known = false;
            i = is(i, ".") ? i + 2 : skipBrackets(i, end);
        }
        return a;
    }
    // The whole of [begin, end) as one num or bool expression.
    Num wholeExpression(int begin, int end)
    {
        int k = begin;
        const Num n = expression(k, end);
        return k == end ? n : Num();
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
        if (name.compare(QLatin1String("num"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("dnum"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("bool"), Qt::CaseInsensitive) == 0)
            return DataType::Num;
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
            return end + 1; // speeddata, string and the like: nothing to do with the path
        const QString what =
            QStringLiteral("the %1 %2").arg(typeName(type), text(i + 2).toString());
        i += 3;
        if (is(i, "{")) {
            if (type != DataType::Num)
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
            // A variable starts at zero, FALSE for a bool.
            data.hasValue = type == DataType::Num && is(start, "VAR");
        } else if (!is(i, ":=")) {
            return fail(QStringLiteral("line %1: %2 is malformed: ':=' expected, not '%3'")
                            .arg(line(start))
                            .arg(what, quoted(i))),
                   -1;
        } else if (type == DataType::Num) {
            const Num n = wholeExpression(i + 1, end);
            data.hasValue = n.known;
            data.number = n.v;
            data.whyNoValue = QStringLiteral("its value is not known before the program runs");
        } else {
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
    struct Parameter
    {
        QString name;
        DataType type = DataType::Other;
        bool optional = false;
        bool byReference = false; // INOUT, VAR, PERS: the caller's data changes
    };
    struct Routine
    {
        QString name;
        int file = 0;
        int first = 0;      // the PROC token
        int begin = 0, end = 0; // body tokens
        std::vector<Parameter> parameters;
    };

    // The parameter list of a PROC between the brackets [begin, end):
    // [\]["INOUT"|"VAR"|"PERS"] type name [{*}], separated by ',' and, among
    // alternatives of an optional one, '|'.
    std::vector<Parameter> parameters(int begin, int end) const
    {
        std::vector<Parameter> list;
        int k = begin;
        bool alternative = false; // after '|': optional as the first one is
        while (k < end) {
            int e = k;
            while (e < end && !is(e, ",") && !is(e, "|"))
                e = is(e, "{") ? skipBrackets(e, end) : e + 1;
            Parameter p;
            p.optional = alternative;
            alternative = e < end && is(e, "|");
            int t = k;
            if (t < e && is(t, "\\")) {
                p.optional = true;
                ++t;
            }
            if (t < e && (is(t, "INOUT") || is(t, "VAR") || is(t, "PERS"))) {
                p.byReference = true;
                ++t;
            }
            if (t + 1 < e && kind(t) == Token::Name && kind(t + 1) == Token::Name) {
                p.type = dataType(text(t));
                p.name = text(t + 1).toString().toLower();
                if (!(t + 2 < e && is(t + 2, "{")))
                    list.push_back(p);
            }
            k = e + 1;
        }
        return list;
    }

    // The module whose MODULE token is `i`: its data into the program's
    // scope (LOCAL data into the module's own), its procedures into the
    // list of routines.
    bool module(int i)
    {
        ++i;
        if (kind(i) != Token::Name)
            return fail(QStringLiteral("line %1: MODULE needs a name").arg(line(i)));
        ++i;
        if (is(i, "(")) {
            while (kind(i) != Token::End && !is(i, ")"))
                ++i;
            if (kind(i) != Token::End)
                ++i;
        }
        int count = i;
        while (kind(count) != Token::End)
            ++count;
        bool closed = false;
        bool local = false;
        while (i < count) {
            if (is(i, "ENDMODULE")) {
                closed = true;
                break;
            }
            if (is(i, "LOCAL") || is(i, "TASK")) {
                local = local || is(i, "LOCAL");
                ++i;
                continue;
            }
            if (is(i, "CONST") || is(i, "PERS") || is(i, "VAR")) {
                i = declaration(i, local ? m_moduleLocals[std::size_t(m_file)] : m_globals);
                local = false;
                if (i < 0)
                    return false;
                continue;
            }
            local = false;
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
                    Routine r;
                    r.name = text(i + 1).toString();
                    r.file = m_file;
                    r.first = i;
                    int b = i + 2;
                    if (is(b, "(")) {
                        while (b < close && !is(b, ")"))
                            ++b;
                        r.parameters = parameters(i + 3, b);
                        ++b;
                    }
                    r.begin = b;
                    r.end = close;
                    const QString key = r.name.toLower();
                    if (m_procs.contains(key))
                        return fail(QStringLiteral("line %1: procedure %2 is declared twice")
                                        .arg(line(i))
                                        .arg(r.name));
                    m_procs.insert(key, int(m_routines.size()));
                    m_routines.push_back(r);
                }
                i = close + 1;
                continue;
            }
            const int end = std::min(m_nextSemicolon[std::size_t(i)], count);
            skip(i, end, say(Text::ModNotRead).arg(quoted(i)));
            i = end + 1;
        }
        if (!closed)
            return fail(QStringLiteral("line %1: the module has no ENDMODULE")
                            .arg(line(std::max(m_starts[std::size_t(m_file)], count - 1))));
        return true;
    }

    // The procedure named, else main, else the first one, run from its top.
    bool start(const QString &procedure)
    {
        const QString wanted = procedure.isEmpty() ? QStringLiteral("main") : procedure.toLower();
        int chosen = m_procs.value(wanted, -1);
        if (chosen < 0 && procedure.isEmpty() && !m_routines.empty())
            chosen = 0;
        if (chosen < 0) {
            m_result.error = procedure.isEmpty() ? say(Text::ModNoProcedure)
                                                 : say(Text::ModNoProcedureNamed).arg(procedure);
            return false;
        }
        const Routine &r = m_routines[std::size_t(chosen)];
        m_result.procedure = r.name;
        m_file = r.file;
        m_frames.emplace_back();
        m_stack.push_back(chosen);
        const bool ok = body(r, 0);
        m_result.movesRead = int(moves.size());
        m_result.movesSkipped = m_skippedMoves.size();
        return ok;
    }

    bool body(const Routine &r, int nesting)
    {
        charge(r.end - r.begin);
        // Local data first: RAPID wants it at the top, but where it stands
        // makes no difference to what it means.
        for (int i = r.begin; i < r.end;) {
            if (isBlockStart(i)) {
                const int close = blockEnd(i, r.end);
                i = close < 0 ? r.end : close + 1;
            } else if (is(i, "CONST") || is(i, "PERS") || is(i, "VAR")) {
                i = declaration(i, m_frames.back());
                if (i < 0)
                    return false;
            } else {
                i = std::min(m_nextSemicolon[std::size_t(i)], r.end) + 1;
            }
        }
        int end = r.end;
        for (int i = r.begin; i < r.end; ++i) {
            if (isBlockStart(i)) {
                const int close = blockEnd(i, r.end);
                if (close < 0)
                    break;
                i = close;
            } else if (is(i, "ERROR") || is(i, "BACKWARD") || is(i, "UNDO")) {
                skip(i, r.end - 1, QStringLiteral("the %1 handler is not read").arg(quoted(i)));
                countSkippedMoves(i, r.end);
                end = i;
                break;
            }
        }
        const bool ok = run(r.begin, end, nesting);
        if (m_unwind == Unwind::Return)
            m_unwind = Unwind::None;
        return ok;
    }

    // ------------------------------------------------ statements
    enum class Unwind
    {
        None,
        Return,
        Exit
    };

    bool run(int begin, int end, int nesting)
    {
        for (int i = begin; i < end && m_unwind == Unwind::None && !m_halt;) {
            if (overBudget(i))
                break;
            if (moves.size() > std::size_t(sequences::kMaxNodes / 4)) {
                m_halt = true;
                break;
            }
            if (isBlockStart(i)) {
                const int close = blockEnd(i, end);
                if (close < 0)
                    return fail(QStringLiteral("line %1: %2 has no END%2")
                                    .arg(line(i))
                                    .arg(text(i).toString().toUpper()));
                if (nesting >= kMaxNesting) {
                    skip(i, close,
                         QStringLiteral("blocks nested deeper than %1 are not read").arg(kMaxNesting));
                    countSkippedMoves(i, close);
                } else if (!block(i, close, nesting + 1)) {
                    return false;
                }
                i = close + 1;
                continue;
            }
            if (kind(i) == Token::Name && i + 1 < end && is(i + 1, ":") && !is(i + 1, ":=")) {
                i += 2; // a label
                continue;
            }
            const int stop = m_nextSemicolon[std::size_t(i)];
            if (stop >= end)
                return fail(QStringLiteral("line %1: the instruction has no ';'").arg(line(i)));
            if (!is(i, "CONST") && !is(i, "PERS") && !is(i, "VAR") &&
                !statement(i, stop, nesting))
                return false;
            i = stop + 1;
        }
        return true;
    }

    // One branch among several the text cannot choose between: whatever it
    // returns from stays within it.
    bool branch(int begin, int end, int nesting)
    {
        if (!run(begin, end, nesting))
            return false;
        m_unwind = Unwind::None;
        return true;
    }

    // The tokens of a block at depth 0 between `i` and `close` that are one
    // of `words`, in order.
    std::vector<int> dividers(int i, int close, std::initializer_list<const char *> words) const
    {
        std::vector<int> found;
        for (int k = i + 1; k < close; ++k) {
            if (isBlockStart(k)) {
                const int e = blockEnd(k, close);
                if (e < 0)
                    break;
                k = e;
                continue;
            }
            for (const char *w : words)
                if (kind(k) == Token::Name && is(k, w))
                    found.push_back(k);
        }
        return found;
    }

    bool block(int i, int close, int nesting)
    {
        charge(close - i);
        if (is(i, "IF"))
            return ifBlock(i, close, nesting);
        if (is(i, "WHILE"))
            return whileLoop(i, close, nesting);
        if (is(i, "FOR"))
            return forLoop(i, close, nesting);
        return testBlock(i, close, nesting);
    }

    bool ifBlock(int i, int close, int nesting)
    {
        // IF c THEN ... ELSEIF c THEN ... ELSE ... ENDIF
        struct Branch
        {
            int condition, then, body, end; // condition -1: ELSE
        };
        std::vector<int> heads{i};
        for (int d : dividers(i, close, {"ELSEIF", "ELSE"}))
            heads.push_back(d);
        std::vector<Branch> branches;
        for (std::size_t n = 0; n < heads.size(); ++n) {
            const int head = heads[n], end = n + 1 < heads.size() ? heads[n + 1] : close;
            if (is(head, "ELSE")) {
                branches.push_back({-1, -1, head + 1, end});
                continue;
            }
            const int then = find(head + 1, "THEN", end);
            if (then < 0)
                return fail(QStringLiteral("line %1: %2 without THEN")
                                .arg(line(head))
                                .arg(text(head).toString().toUpper()));
            branches.push_back({head + 1, then, then + 1, end});
        }
        for (std::size_t n = 0; n < branches.size(); ++n) {
            const Branch &b = branches[n];
            const Num c =
                b.condition < 0 ? Num{true, 1.0} : wholeExpression(b.condition, b.then);
            if (c.known && c.v == 0.0)
                continue;
            if (c.known)
                return run(b.body, b.end, nesting);
            note(i, close,
                 QStringLiteral("the condition on line %1 is not known before the program runs: "
                                "the moves of every branch from there on are taken, in the order "
                                "written")
                     .arg(line(b.condition)));
            for (std::size_t m = n; m < branches.size(); ++m)
                if (!branch(branches[m].body, branches[m].end, nesting))
                    return false;
            return true;
        }
        return true;
    }

    bool whileLoop(int i, int close, int nesting)
    {
        const int doToken = find(i + 1, "DO", close);
        if (doToken < 0)
            return fail(QStringLiteral("line %1: WHILE without DO").arg(line(i)));
        for (int runs = 0;; ++runs) {
            charge(doToken - i);
            if (overBudget(i))
                return true;
            m_namesRead = false;
            const Num c = wholeExpression(i + 1, doToken);
            if (c.known && c.v == 0.0)
                return true;
            if (!c.known || !m_namesRead || runs == kMaxLoopRuns) {
                note(i, close,
                     !c.known && runs > 0
                         ? QStringLiteral("the condition of the WHILE loop is not known after %1 "
                                          "runs: the loop is left there")
                               .arg(runs)
                     : !c.known ? QStringLiteral("the condition of the WHILE loop is not known "
                                                 "before the program runs: its body is read once")
                     : runs == kMaxLoopRuns
                         ? QStringLiteral("the WHILE loop is cut after %1 runs").arg(kMaxLoopRuns)
                         : QStringLiteral("the WHILE loop runs for ever: its body is read once"));
                return runs > 0 || branch(doToken + 1, close, nesting);
            }
            const int assigned = m_assignments;
            if (!run(doToken + 1, close, nesting))
                return false;
            if (m_unwind != Unwind::None || m_halt)
                return true;
            if (m_assignments == assigned) {
                note(i, close,
                     QStringLiteral("the WHILE loop runs for ever: its body is read once"));
                return true;
            }
        }
    }

    bool forLoop(int i, int close, int nesting)
    {
        // FOR v FROM a TO b [STEP s] DO ... ENDFOR
        const int from = find(i + 1, "FROM", close), to = find(i + 1, "TO", close),
                  doToken = find(i + 1, "DO", close);
        if (kind(i + 1) != Token::Name || from != i + 2 || to < 0 || doToken < to)
            return fail(QStringLiteral("line %1: the FOR loop is malformed").arg(line(i)));
        const int stepToken = find(to, "STEP", doToken);
        const Num a = wholeExpression(from + 1, to);
        const Num b = wholeExpression(to + 1, stepToken < 0 ? doToken : stepToken);
        Num s = stepToken < 0 ? Num{true, a.v > b.v ? -1.0 : 1.0}
                              : wholeExpression(stepToken + 1, doToken);
        // The loop's variable lives in the routine's data; calls in the loop
        // add frames, so the routine's is found by its place each time.
        const std::size_t level = m_frames.size() - 1;
        auto scope = [this, level]() -> QHash<QString, Data> & { return m_frames[level]; };
        const QString name = text(i + 1).toString().toLower();
        const bool hadVariable = scope().contains(name);
        const Data saved = scope().value(name);
        Data v;
        v.type = DataType::Num;
        v.line = line(i);
        bool ok = true;
        if (!a.known || !b.known || !s.known || s.v == 0.0) {
            note(i, close,
                 QStringLiteral("the bounds of the FOR loop are not known before the program "
                                "runs: its body is read once"));
            v.whyNoValue = QStringLiteral("the FOR loop's bounds are not known");
            scope().insert(name, v);
            ok = branch(doToken + 1, close, nesting);
        } else {
            const double count = std::floor((b.v - a.v) / s.v) + 1.0;
            if (count > kMaxLoopRuns)
                note(i, close,
                     QStringLiteral("the FOR loop runs %1 times: it is cut after %2")
                         .arg(count)
                         .arg(kMaxLoopRuns));
            v.hasValue = true;
            for (int n = 0; ok && n < count && n < kMaxLoopRuns && m_unwind == Unwind::None &&
                            !overBudget(i);
                 ++n) {
                v.number = a.v + n * s.v;
                scope().insert(name, v);
                ok = run(doToken + 1, close, nesting);
            }
        }
        if (hadVariable)
            scope().insert(name, saved);
        else
            scope().remove(name);
        return ok;
    }

    bool testBlock(int i, int close, int nesting)
    {
        // TEST e CASE a, b: ... DEFAULT: ... ENDTEST
        const std::vector<int> cases = dividers(i, close, {"CASE", "DEFAULT"});
        if (cases.empty())
            return true;
        const Num value = wholeExpression(i + 1, cases.front());
        struct Case
        {
            int labels, colon, end;
        };
        std::vector<Case> list;
        for (std::size_t n = 0; n < cases.size(); ++n) {
            const int end = n + 1 < cases.size() ? cases[n + 1] : close;
            int colon = cases[n] + 1;
            while (colon < end && !(kind(colon) == Token::Symbol && is(colon, ":")))
                ++colon;
            if (colon >= end)
                return fail(QStringLiteral("line %1: CASE without ':'").arg(line(cases[n])));
            list.push_back({is(cases[n], "DEFAULT") ? -1 : cases[n] + 1, colon, end});
        }
        // The case that matches, when the value and every label before it
        // are known.
        bool known = value.known;
        for (const Case &c : list) {
            if (!known)
                break;
            if (c.labels < 0)
                return run(c.colon + 1, c.end, nesting);
            for (int k = c.labels; k < c.colon;) {
                int e = k;
                while (e < c.colon && !is(e, ","))
                    e = is(e, "(") || is(e, "[") ? skipBrackets(e, c.colon) : e + 1;
                const Num label = wholeExpression(k, e);
                if (!label.known) {
                    known = false;
                    break;
                }
                if (label.v == value.v)
                    return run(c.colon + 1, c.end, nesting);
                k = e + 1;
            }
        }
        if (known)
            return true;
        note(i, close,
             QStringLiteral("the case the TEST takes is not known before the program runs: the "
                            "moves of every case are taken, in the order written"));
        for (const Case &c : list)
            if (!branch(c.colon + 1, c.end, nesting))
                return false;
        return true;
    }

    static bool startsLike(const QString &name, const char *word)
    {
        return name.startsWith(QLatin1String(word), Qt::CaseInsensitive);
    }
    const Motion *motion(int i) const
    {
        for (const Motion &m : kMotions)
            if (is(i, m.name))
                return &m;
        return nullptr;
    }
    // A motion instruction, read or not: it counts among the moves.
    bool isMotion(int i) const
    {
        if (kind(i) != Token::Name || motion(i))
            return kind(i) == Token::Name;
        const QString n = text(i).toString();
        return !m_procs.contains(n.toLower()) &&
               (startsLike(n, "Move") || startsLike(n, "Arc") || startsLike(n, "Search") ||
                startsLike(n, "Trigg") || startsLike(n, "Spot") || startsLike(n, "Paint"));
    }
    // The motion instructions among the statements of [begin, end), counted
    // as skipped.
    void countSkippedMoves(int begin, int end)
    {
        charge(end - begin);
        for (int k = begin; k < end; ++k) {
            const bool atStart = k == 0 || kind(k - 1) == Token::Name || is(k - 1, ";") ||
                                 is(k - 1, ":") || is(k - 1, ")");
            if (atStart && isMotion(k) && !(k + 1 < end && is(k + 1, "(")))
                m_skippedMoves.insert(k);
        }
    }
    void skipMove(int i, int stop, const QString &why)
    {
        skip(i, stop, why);
        m_skippedMoves.insert(i);
    }

    bool statement(int i, int stop, int nesting)
    {
        if (kind(i) != Token::Name) {
            skip(i, stop, say(Text::ModNotInstruction).arg(quoted(i)));
            return true;
        }
        if (const Motion *m = motion(i))
            return move(*m, i, stop);
        const QString name = text(i).toString();
        const int routine = m_procs.value(name.toLower(), -1);
        if (routine >= 0)
            return call(routine, i, stop, nesting);
        if (is(i, "IF")) {
            // IF condition instruction;
            int k = i + 1;
            const Num c = expression(k, stop);
            if (k >= stop || (c.known && c.v == 0.0))
                return true;
            if (nesting >= kMaxNesting) {
                skip(i, stop, QStringLiteral("IF nested deeper than %1 is not read").arg(kMaxNesting));
                return true;
            }
            if (!c.known)
                note(i, stop,
                     QStringLiteral("the condition is not known before the program runs: the "
                                    "instruction is taken"));
            return statement(k, stop, nesting + 1);
        }
        if (is(i, "RETURN")) {
            m_unwind = Unwind::Return;
            return true;
        }
        if (is(i, "EXIT")) {
            m_unwind = Unwind::Exit;
            return true;
        }
        if (i + 1 < stop && is(i + 1, ":="))
            return assignment(i, stop);
        if (i + 1 < stop && (is(i + 1, "{") || is(i + 1, "."))) {
            skip(i, stop, QStringLiteral("the assignment to %1 is not read").arg(span(i, stop)));
            // What the data held is no longer known.
            if (Data *d = lookupData(name)) {
                d->hasValue = false;
                d->whyNoValue =
                    QStringLiteral("line %1 changes it in a way not read").arg(line(i));
            }
            return true;
        }
        if (isMotion(i)) {
            skipMove(i, stop,
                     QStringLiteral("%1 is not read (only MoveAbsJ, MoveJ, MoveL, MoveC and the "
                                    "moves like them are)")
                         .arg(name));
            return true;
        }
        // Any other instruction (I/O, waits, messages) does not move the arm.
        skip(i, stop, QStringLiteral("%1 is not read (no motion)").arg(name));
        return true;
    }

    bool assignment(int i, int stop)
    {
        const QString name = text(i).toString();
        Data *d = lookupData(name);
        if (!d || d->type == DataType::Other) {
            skip(i, stop, QStringLiteral("the assignment to %1 is not read").arg(quoted(i)));
            return true;
        }
        ++m_assignments;
        if (d->type == DataType::Num) {
            const Num n = wholeExpression(i + 2, stop);
            d->hasValue = n.known;
            d->number = n.v;
            d->whyNoValue = QStringLiteral("line %1 gives it a value not known before the "
                                           "program runs")
                                .arg(line(i));
            return true;
        }
        const DataType type = d->type;
        Data value;
        QString why;
        const Eval e = evaluate(i + 2, stop, type, QStringLiteral("the value of %1").arg(name),
                                value, why, 0, QStringLiteral("the assignment to %1").arg(name));
        if (e == Eval::Error)
            return false;
        d = lookupData(name); // evaluating may have added to a scope
        value.line = d->line;
        *d = value;
        if (e == Eval::Unknown) {
            d->type = type;
            d->hasValue = false;
            d->whyNoValue = QStringLiteral("line %1 gives it a value not read: %2")
                                .arg(line(i))
                                .arg(why);
        }
        return true;
    }

    // ------------------------------------------------ arguments
    // One argument of a call: its tokens [begin, end); an optional one
    // (\Name or \Name:=value) or one named (Name:=value) has its name.
    struct Argument
    {
        int begin = 0, end = 0;
        bool optional = false;
        QString name;   // lower case; empty for one given by position
        int value = -1; // where the value begins; -1 for a switch
    };

    // The arguments of the call [begin, end): separated by ',' at depth 0; a
    // '\' at depth 0 begins an optional one.
    std::vector<Argument> arguments(int begin, int end) const
    {
        std::vector<Argument> list;
        int k = begin;
        while (k < end) {
            int e = k;
            if (is(e, "\\"))
                ++e;
            while (e < end && !is(e, ",") && !is(e, "\\"))
                e = is(e, "(") || is(e, "[") || is(e, "{") ? skipBrackets(e, end) : e + 1;
            if (e > k) {
                Argument a;
                a.begin = k;
                a.end = e;
                a.value = k;
                int n = k;
                if (is(n, "\\")) {
                    a.optional = true;
                    ++n;
                    a.value = -1;
                }
                if (n < e && kind(n) == Token::Name && n + 1 < e && is(n + 1, ":=")) {
                    a.name = text(n).toString().toLower();
                    a.value = n + 2;
                } else if (a.optional && n < e) {
                    a.name = text(n).toString().toLower();
                }
                list.push_back(a);
            }
            k = e < end && is(e, ",") ? e + 1 : e;
        }
        return list;
    }

    bool move(const Motion &motion, int first, int stop)
    {
        const QString name = text(first).toString();
        std::vector<Argument> required;
        int wobj = -1, wobjEnd = -1;
        for (const Argument &a : arguments(first + 1, stop)) {
            if (!a.optional)
                required.push_back(a);
            else if (a.name == QLatin1String("wobj") && a.value >= 0)
                wobj = a.value, wobjEnd = a.end;
        }
        if (int(required.size()) != motion.arguments) {
            const bool classic = motion.arguments == 4 || (motion.arguments == 5 &&
                                                           motion.kind == Move::Circular);
            return fail(QStringLiteral("line %1: %2 takes %3 arguments%4, not %5")
                            .arg(line(first))
                            .arg(name)
                            .arg(motion.arguments)
                            .arg(!classic ? QString()
                                 : motion.kind == Move::Circular
                                     ? QStringLiteral(" (via point, target, speed, zone and tool)")
                                     : QStringLiteral(" (target, speed, zone and tool)"))
                            .arg(required.size()));
        }
        Move m;
        m.kind = motion.kind;
        m.line = line(first);
        m.where = prefix();
        const DataType type = m.kind == Move::AbsJ ? DataType::Jointtarget : DataType::Robtarget;
        auto valueOf = [](const Argument &a) { return a.value >= 0 ? a.value : a.begin; };
        int t = motion.target;
        if (m.kind == Move::Circular) {
            const Argument &via = required[std::size_t(t++)];
            const int e = targetOf(valueOf(via), via.end, type, name, first, stop, m.via, m.viaName);
            if (e != int(Eval::Known))
                return e != int(Eval::Error);
        }
        const Argument &target = required[std::size_t(t)];
        const int e =
            targetOf(valueOf(target), target.end, type, name, first, stop, m.target, m.targetName);
        if (e != int(Eval::Known))
            return e != int(Eval::Error);
        const Argument &tool = required[std::size_t(motion.tool)];
        Data data;
        const int te = frameOf(valueOf(tool), tool.end, DataType::Tooldata, name, first, stop, data);
        if (te != int(Eval::Known))
            return te != int(Eval::Error);
        m.tool = data.frame;
        m.toolHeld = data.robhold;
        auto nameOf = [&](int b, int e, const char *written) {
            return e == b + 1 ? text(b).toString() : QString::fromLatin1(written);
        };
        const QString toolName = nameOf(valueOf(tool), tool.end, "the written-out tooldata");
        QString wobjName = QStringLiteral("wobj0");
        bool wobjHeld = false;
        if (wobj >= 0) {
            const int we = frameOf(wobj, wobjEnd, DataType::Wobjdata, name, first, stop, data);
            if (we != int(Eval::Known))
                return we != int(Eval::Error);
            m.wobj = data.frame;
            wobjHeld = data.robhold;
            wobjName = nameOf(wobj, wobjEnd, "the written-out wobjdata");
        }
        // Exactly one of the two is carried: the controller stops at a move
        // where both are, or neither.
        if (m.toolHeld && wobjHeld)
            return fail(QStringLiteral("line %1: %2 has the tool %3 and the work object %4 both "
                                       "held by the robot (robhold TRUE); the controller refuses "
                                       "such a move: one of them must stand still")
                            .arg(line(first))
                            .arg(name, toolName, wobjName));
        if (!m.toolHeld && !wobjHeld)
            return fail(QStringLiteral("line %1: %2 has the stationary tool %3 (robhold FALSE) "
                                       "and the fixed work object %4; the controller refuses such "
                                       "a move: a stationary tool needs a work object held by the "
                                       "robot (robhold TRUE) given with \\WObj")
                            .arg(line(first))
                            .arg(name, toolName, wobjName));
        moves.push_back(m);
        return true;
    }

    // A call of a procedure of the program: its arguments bound to its
    // parameters, its body read, what it gave its INOUT parameters handed back.
    bool call(int routine, int first, int stop, int nesting)
    {
        const Routine &r = m_routines[std::size_t(routine)];
        const bool recursive =
            std::find(m_stack.begin(), m_stack.end(), routine) != m_stack.end();
        if (recursive || int(m_stack.size()) >= kMaxCalls || nesting >= kMaxNesting) {
            skip(first, stop,
                 recursive ? QStringLiteral("the call of %1 is not followed: %1 is running already "
                                            "(a recursion)")
                                 .arg(r.name)
                           : QStringLiteral("the call of %1 is not followed: calls and blocks "
                                            "nest too deep")
                                 .arg(r.name));
            countSkippedMoves(r.begin, r.end);
            return true;
        }
        QHash<QString, Data> frame;
        std::vector<std::pair<QString, QString>> handBack; // parameter, caller's name
        const std::vector<Argument> given = arguments(first + 1, stop);
        std::size_t next = 0; // the next required argument given by position
        std::vector<Argument> positional;
        for (const Argument &a : given)
            if (!a.optional && a.name.isEmpty())
                positional.push_back(a);
        for (const Parameter &p : r.parameters) {
            const Argument *a = nullptr;
            for (const Argument &g : given)
                if (!g.name.isEmpty() && g.name == p.name)
                    a = &g;
            if (!a && !p.optional && next < positional.size())
                a = &positional[next++];
            Data d;
            d.type = p.type;
            d.line = line(first);
            if (!a || a->value < 0) {
                // A switch, or an optional argument left out.
                d.hasValue = a != nullptr && p.type == DataType::Num;
                d.number = 1.0;
                d.whyNoValue = QStringLiteral("the argument %1 is not given on line %2")
                                   .arg(p.name)
                                   .arg(line(first));
            } else if (p.type == DataType::Num) {
                const Num n = wholeExpression(a->value, a->end);
                d.hasValue = n.known;
                d.number = n.v;
                d.whyNoValue = QStringLiteral("the value given on line %1 is not known before "
                                              "the program runs")
                                   .arg(line(first));
            } else if (p.type != DataType::Other) {
                QString why;
                const Eval e = evaluate(a->value, a->end, p.type,
                                        QStringLiteral("the argument %1 of %2").arg(p.name, r.name),
                                        d, why, 0, r.name);
                if (e == Eval::Error)
                    return false;
                d.type = p.type;
                d.line = line(first);
                if (e == Eval::Unknown) {
                    d.hasValue = false;
                    d.whyNoValue = why;
                }
            }
            if (p.byReference && a && a->value >= 0 && a->end == a->value + 1 &&
                kind(a->value) == Token::Name)
                handBack.emplace_back(p.name, text(a->value).toString());
            frame.insert(p.name, d);
        }
        const int callerFile = m_file;
        m_frames.push_back(std::move(frame));
        m_stack.push_back(routine);
        m_file = r.file;
        const bool ok = body(r, nesting + 1);
        const QHash<QString, Data> done = std::move(m_frames.back());
        m_frames.pop_back();
        m_stack.pop_back();
        m_file = callerFile;
        for (const auto &h : handBack) {
            Data *d = lookupData(h.second);
            if (d && d->type == done.value(h.first).type)
                *d = done.value(h.first);
        }
        return ok;
    }

    // ------------------------------------------------ data
    Data *lookupData(const QString &name)
    {
        const QString key = name.toLower();
        if (!m_frames.empty()) {
            auto l = m_frames.back().find(key);
            if (l != m_frames.back().end())
                return &l.value();
        }
        auto m = m_moduleLocals[std::size_t(m_file)].find(key);
        if (m != m_moduleLocals[std::size_t(m_file)].end())
            return &m.value();
        auto g = m_globals.find(key);
        return g != m_globals.end() ? &g.value() : nullptr;
    }
    const Data *lookup(const QString &name) { return lookupData(name); }

    enum class Eval
    {
        Error = -1,
        Unknown = 0,
        Known = 1
    };

    // The value of tokens [b, e) as data of `type`: written out, named,
    // or, for a robtarget, Offs and RelTool of one. Unknown with `why` for a
    // value found only when the program runs; Error (the reason given to
    // fail()) for one that is wrong.
    Eval evaluate(int b, int e, DataType type, const QString &what, Data &data, QString &why,
                  int depth, const QString &user)
    {
        if (b >= e) {
            fail(QStringLiteral("line %1: %2 has no value").arg(line(std::min(b, e))).arg(what));
            return Eval::Error;
        }
        if (is(b, "[")) {
            bool expression = false;
            if (!literal(b, e, type, what, data, expression))
                return Eval::Error;
            why = data.whyNoValue;
            return expression ? Eval::Unknown : Eval::Known;
        }
        if (kind(b) == Token::Name && e == b + 1) {
            if ((type == DataType::Tooldata && is(b, "tool0")) ||
                (type == DataType::Wobjdata && is(b, "wobj0"))) {
                // The flange, or the World frame: identity. tool0 is the
                // arm's own, wobj0 stands still.
                data = Data();
                data.type = type;
                data.robhold = type == DataType::Tooldata;
                data.hasValue = true;
                return Eval::Known;
            }
            const QString label = text(b).toString();
            const Data *d = lookup(label);
            if (!d) {
                fail(type == DataType::Robtarget || type == DataType::Jointtarget
                         ? QStringLiteral("line %1: %2 is not declared").arg(line(b)).arg(label)
                         : QStringLiteral("line %1: the %2 %3 is not declared")
                               .arg(line(b))
                               .arg(typeName(type), label));
                return Eval::Error;
            }
            if (d->type != type) {
                fail(QStringLiteral("line %1: %2 needs a %3; %4 is a %5")
                         .arg(line(b))
                         .arg(user, typeName(type), label, typeName(d->type)));
                return Eval::Error;
            }
            if (!d->hasValue) {
                why = QStringLiteral("%1 (line %2)").arg(d->whyNoValue).arg(d->line);
                return Eval::Unknown;
            }
            data = *d;
            return Eval::Known;
        }
        const bool offs = is(b, "Offs"), relTool = is(b, "RelTool");
        if (type == DataType::Robtarget && (offs || relTool) && b + 1 < e && is(b + 1, "(") &&
            skipBrackets(b + 1, e) == e && is(e - 1, ")")) {
            if (depth > kMaxExpressionDepth) {
                why = QStringLiteral("Offs and RelTool nest too deep");
                return Eval::Unknown;
            }
            return displaced(b, e, relTool, what, data, why, depth);
        }
        QString construct = text(b).toString();
        if (b + 1 < e && is(b + 1, "("))
            construct += QStringLiteral("(...)");
        else if (b + 1 < e && is(b + 1, "{"))
            construct += QStringLiteral("{...}");
        else if (b + 1 < e)
            construct += QStringLiteral(" ...");
        why = QStringLiteral("%1 is not read: only named and written-out data, Offs and RelTool "
                             "are")
                  .arg(construct);
        return Eval::Unknown;
    }

    // Offs(p, dx, dy, dz): p moved by (dx, dy, dz) in its work object.
    // RelTool(p, dx, dy, dz [\Rx:=a] [\Ry:=b] [\Rz:=c]): p moved by
    // (dx, dy, dz) along its own tool axes, then turned about them. The
    // controller turns the tool about x first, then about y, then about z,
    // each time about the tool's axis as the turn before left it: turns about
    // moving axes compose on the right, R' = R Rx(a) Ry(b) Rz(c). Both keep
    // p's configuration data.
    Eval displaced(int b, int e, bool relTool, const QString &what, Data &data, QString &why,
                   int depth)
    {
        const std::vector<Argument> args = arguments(b + 2, e - 1);
        std::vector<const Argument *> required;
        double turn[3] = {0, 0, 0};
        for (const Argument &a : args) {
            if (!a.optional) {
                required.push_back(&a);
                continue;
            }
            const int axis = a.name == QLatin1String("rx")   ? 0
                             : a.name == QLatin1String("ry") ? 1
                             : a.name == QLatin1String("rz") ? 2
                                                            : -1;
            if (!relTool || axis < 0 || a.value < 0) {
                fail(QStringLiteral("line %1: %2 takes no argument '%3'")
                         .arg(line(a.begin))
                         .arg(text(b).toString(), span(a.begin, a.end)));
                return Eval::Error;
            }
            const Num n = wholeExpression(a.value, a.end);
            if (!n.known) {
                why = QStringLiteral("the angles of RelTool are not known before the program "
                                     "runs");
                return Eval::Unknown;
            }
            turn[axis] = n.v;
        }
        if (required.size() != 4) {
            fail(QStringLiteral("line %1: %2 takes a robtarget and three distances")
                     .arg(line(b))
                     .arg(text(b).toString()));
            return Eval::Error;
        }
        const Eval base = evaluate(required[0]->value, required[0]->end, DataType::Robtarget, what,
                                   data, why, depth + 1, text(b).toString());
        if (base != Eval::Known)
            return base;
        double d[3];
        for (int k = 0; k < 3; ++k) {
            const Num n = wholeExpression(required[std::size_t(k + 1)]->value,
                                          required[std::size_t(k + 1)]->end);
            if (!n.known) {
                why = QStringLiteral("the distances of %1 are not known before the program runs")
                          .arg(text(b).toString());
                return Eval::Unknown;
            }
            d[k] = n.v;
        }
        Frame step;
        step.t = {d[0], d[1], d[2]};
        if (relTool) {
            for (int axis = 0; axis < 3; ++axis) {
                Frame r;
                const double a = qDegreesToRadians(turn[axis]), c = std::cos(a), s = std::sin(a);
                const int u = (axis + 1) % 3, w = (axis + 2) % 3;
                r.r[std::size_t(3 * u + u)] = c;
                r.r[std::size_t(3 * u + w)] = -s;
                r.r[std::size_t(3 * w + u)] = s;
                r.r[std::size_t(3 * w + w)] = c;
                step = compose(step, r);
            }
            data.frame = compose(data.frame, step);
        } else {
            for (std::size_t k = 0; k < 3; ++k)
                data.frame.t[k] += step.t[k];
        }
        for (double t : data.frame.t)
            if (!std::isfinite(t) || std::fabs(t) > double(kMaxMagnitude)) {
                why = QStringLiteral("%1 moves the target out of range").arg(text(b).toString());
                return Eval::Unknown;
            }
        return Eval::Known;
    }

    // A move's target: Known fills `data` and `label`; Unknown skips the move
    // with a note; Error refuses the program.
    int targetOf(int b, int e, DataType type, const QString &instruction, int first, int stop,
                 Data &data, QString &label)
    {
        QString why;
        label = is(b, "[") ? QStringLiteral("the written-out %1").arg(typeName(type)) : span(b, e);
        const Eval r = evaluate(b, e, type,
                                QStringLiteral("the %1 of %2").arg(typeName(type), instruction),
                                data, why, 0, instruction);
        if (r == Eval::Unknown)
            skipMove(first, stop,
                     QStringLiteral("%1 to %2 is not read: %3").arg(instruction, label, why));
        return int(r);
    }

    int frameOf(int b, int e, DataType type, const QString &instruction, int first, int stop,
                Data &data)
    {
        QString why;
        const Eval r = evaluate(b, e, type,
                                QStringLiteral("the %1 of %2").arg(typeName(type), instruction),
                                data, why, 0, instruction);
        if (r == Eval::Unknown)
            skipMove(first, stop,
                     QStringLiteral("%1 with the %2 '%3' is not read: %4")
                         .arg(instruction, typeName(type), span(b, e), why));
        return int(r);
    }

    const std::vector<ModuleSource> &m_modules;
    ImportResult &m_result;
    std::vector<Token> m_tokens;
    std::vector<int> m_starts; // the MODULE token of each module
    std::vector<int> m_nextSemicolon, m_nextThen, m_blockEnd;
    QHash<QString, Data> m_globals;
    std::vector<QHash<QString, Data>> m_moduleLocals;
    std::vector<QHash<QString, Data>> m_frames; // the data of each running routine
    std::vector<int> m_stack;                   // the routines running
    std::vector<Routine> m_routines;
    QHash<QString, int> m_procs;
    QSet<QString> m_said;
    QSet<int> m_skippedMoves;
    int m_file = 0;
    int m_steps = 0;
    qint64 m_work = 0;
    int m_assignments = 0;
    bool m_namesRead = false;
    bool m_halt = false; // read as far as a program is read
    Unwind m_unwind = Unwind::None;
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
    return importModules(robot, {ModuleSource{QString(), text}}, procedure);
}

ImportResult importModules(Robot &robot, const std::vector<ModuleSource> &modules,
                           const QString &procedure)
{
    ImportResult result;
    if (!robot.isLoaded()) {
        result.error = say(Text::ModNoRobot);
        return result;
    }
    if (modules.empty()) {
        result.error = say(Text::ModNotModule).arg(1);
        return result;
    }
    Reader reader(modules, result);
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
    // The analysis starts a program at its first joint move. Where the robot
    // stands before a procedure that begins with a straight line or an arc
    // is not in the text: the path starts at the first target, solved in its
    // own configuration (an arc at its via point, then straight on to its
    // end), not at whatever joint values the robot happens to hold.
    const Move::Kind firstKind = reader.moves.front().kind;
    if (firstKind != Move::AbsJ && firstKind != Move::Joint)
        result.warnings << reader.moves.front().where + say(Text::ModStartsElsewhere)
                               .arg(reader.moves.front().line)
                               .arg(firstKind == Move::Linear ? QStringLiteral("MoveL")
                                                              : QStringLiteral("MoveC"));
    bool started = false;
    for (const Move &m : reader.moves) {
        const int warned = result.warnings.size();
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
            started = true;
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
                // a problem like any other. The rest is read on from there;
                // before the path has started, the next target starts it.
                for (std::size_t k = 0; k < 6; ++k)
                    joints[k] = double(seed[k]);
                result.unreachable.push_back(program.size());
                add(1.0, joints, m.line);
                result.warnings << say(Text::ModUnreachable).arg(m.line).arg(*missed);
            } else {
                if (m.kind == Move::Circular)
                    add(started ? 9.0 : 1.0, via, m.line);
                const double code =
                    m.kind == Move::Joint || (!started && m.kind == Move::Linear) ? 1.0
                    : m.kind == Move::Linear || !started                          ? 2.0
                                                                                  : kCircleEndCode;
                add(code, joints, m.line);
                started = true;
            }
        }
        for (int w = warned; w < result.warnings.size(); ++w)
            result.warnings[w].prepend(m.where);
        for (std::size_t k = 0; k < 6; ++k)
            seed[k] = float(joints[k]);
    }
    robot.setJointAngles(saved);
    result.warnings.removeDuplicates(); // a move in a loop is warned of once
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

std::array<double, 6> toolChangeOperands(const Frame &f)
{
    // Trans(x, y, z) Rx(a) Ry(b) Rz(c): R(0, 2) = sin b.
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

} // namespace rapid
