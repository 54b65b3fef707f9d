#include "sequenceparser.h"

#include "kinematics/chain.h"
#include "kinematics/robot.h"

#include <QFile>
#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <cmath>
#include <limits>

namespace sequences {

namespace {

struct Field
{
    int start;
    int length;
};

// The fields of `line` between occurrences of `sep`, empty ones dropped, as
// QString::split with SkipEmptyParts would give them. Only the first
// `capacity` are stored; the return value counts them all.
int splitFields(QStringView line, QStringView sep, Field *fields, int capacity)
{
    const int n = int(line.size());
    const int m = int(sep.size());
    int count = 0;
    int start = 0;
    auto close = [&](int end) {
        if (end > start) {
            if (count < capacity)
                fields[count] = {start, end - start};
            ++count;
        }
    };
    for (int i = 0; i + m <= n;) {
        if (line.mid(i, m) == sep) {
            close(i);
            i += m;
            start = i;
        } else {
            ++i;
        }
    }
    close(n);
    return count;
}

double readNumber(QStringView field, bool &ok)
{
    static const QLocale c = QLocale::c();
    // Leading and trailing white space (a "\r" left at a line end among it)
    // is no part of the number.
    field = field.trimmed();
    const double v = c.toDouble(field, &ok);
    // Every value ends up in a float: "inf", "nan" or 1e39 are no joint value
    // or length either.
    ok = ok && std::isfinite(v) && std::fabs(v) <= double(std::numeric_limits<float>::max());
    return ok ? v : 0.0;
}

bool blank(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.isSpace(); });
}

// Cut so that a runaway line makes no runaway message.
QString quoted(const QString &line)
{
    constexpr int kQuoted = 60;
    const QString shown = line.size() > kQuoted ? line.left(kQuoted) + QStringLiteral("...") : line;
    return shown.trimmed();
}

} // namespace

int parseLine(const QString &line, std::array<float, 7> &values)
{
    return parseLine(line, values, nullptr);
}

int parseLine(const QString &line, std::array<float, 7> &values, bool *allNumbers)
{
    static const QString separators[] = {QStringLiteral("\t"), QStringLiteral(","),
                                         QStringLiteral(" "), QStringLiteral(", ")};
    constexpr int kKept = 7;
    Field fields[kKept];
    const QStringView view(line);
    int total = 0;
    for (const QString &sep : separators) {
        total = splitFields(view, sep, fields, kKept);
        if (total > 5)
            break;
    }
    if (total < 6)
        return 0;
    const int used = std::min(total, kKept);
    values.fill(0.0f);
    bool numbers = true;
    for (int k = 0; k < used; ++k) {
        bool ok = false;
        values[std::size_t(k)] = float(readNumber(view.mid(fields[k].start, fields[k].length), ok));
        numbers = numbers && ok;
    }
    if (allNumbers)
        *allNumbers = numbers;
    return total == 6 ? 6 : 7;
}

ParsedText parseText(const QString &text)
{
    ParsedText out;
    const QStringView all(text);
    const int n = int(all.size());
    bool first = true;
    int lineNumber = 0;
    for (int begin = 0; begin < n;) {
        int end = int(text.indexOf(QLatin1Char('\n'), begin));
        if (end < 0)
            end = n;
        ++lineNumber;
        int stop = end;
        while (stop > begin && all.at(stop - 1) == QLatin1Char('\r'))
            --stop;
        const int next = end + 1;
        if (stop > begin && !blank(all.mid(begin, stop - begin))) {
            // The first line decides whether the text is a program; every
            // line is then read as strictly: a word, a missing value or a
            // stray separator read as 0 would move the robot somewhere the
            // author never meant.
            const QString line = text.mid(begin, stop - begin);
            Node node;
            bool numbers = false;
            const int count = parseLine(line, node.values, &numbers);
            const bool fits = count != 0 && numbers && (first || !out.program || count == 7);
            if (!fits) {
                const QString what =
                    first         ? QStringLiteral("a list of six joint values or of a code and "
                                                           "six operands")
                    : out.program ? QStringLiteral("a code and six operands")
                                  : QStringLiteral("a list of six joint values");
                out.error = QStringLiteral("line %1 is not %2: \"%3\"")
                                .arg(lineNumber)
                                .arg(what, quoted(line));
                out.nodes.clear();
                out.lines.clear();
                out.program = false;
                out.truncated = false;
                return out;
            }
            if (first)
                out.program = count == 7;
            first = false;
            if (int(out.nodes.size()) >= kMaxNodes) {
                out.truncated = true;
                break;
            }
            out.nodes.push_back(node);
            out.lines.push_back(lineNumber);
        }
        begin = next;
    }
    return out;
}

int checkLimits(ParsedText &parsed, const Robot &robot)
{
    parsed.outOfLimits.clear();
    if (parsed.program || robot.getJoints().size() < 7)
        return 0;
    const std::vector<int> lim = robot.getLimits();
    const bool coupled = robot.getAngleType() == 2 || robot.getAngleType() == 4;
    for (std::size_t i = 0; i < parsed.nodes.size(); ++i) {
        Node &n = parsed.nodes[i];
        int axis = 0;
        for (int k = 0; k < 6 && axis == 0; ++k) {
            const float v = n.values[std::size_t(k)];
            const bool fixedRange = k != 2 || !coupled;
            if (!std::isfinite(v) ||
                (fixedRange && !kinematics::withinLimits(v, float(lim[std::size_t(2 * k)]),
                                                         float(lim[std::size_t(2 * k + 1)]))))
                axis = k + 1;
        }
        if (axis == 0 && !robot.checkCoupledLimits(n.values.data()))
            axis = 3;
        if (axis != 0) {
            n.problem = float(kOutOfLimitsProblem);
            parsed.outOfLimits.push_back({int(i), axis});
        }
    }
    return int(parsed.outOfLimits.size());
}

bool parseArray(int rows, int cols, const double *columnMajor, qint64 valueCount,
                std::vector<Node> &out, bool *truncated)
{
    out.clear();
    if (truncated)
        *truncated = false;
    if (rows < 6 || cols < 1 || !columnMajor)
        return false;
    if (qint64(rows) * qint64(cols) > valueCount)
        return false;
    const int kept = std::min(cols, kMaxNodes);
    if (truncated)
        *truncated = kept < cols;
    out.reserve(std::size_t(kept));
    const int copied = std::min(rows, 7);
    for (int c = 0; c < kept; ++c) {
        Node node;
        const double *column = columnMajor + qint64(c) * rows;
        for (int r = 0; r < copied; ++r)
            node.values[std::size_t(r)] = float(column[r]);
        out.push_back(node);
    }
    return true;
}

FileText readSequenceFile(const QString &path)
{
    FileText result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.error = file.errorString();
        return result;
    }
    QByteArray bytes;
    constexpr qint64 kChunk = 1 << 20;
    for (;;) {
        const qint64 room = kMaxFileBytes - bytes.size();
        if (room <= 0) {
            // Only a file that goes on counts as cut short.
            char probe;
            result.truncated = file.read(&probe, 1) == 1 && probe != '\0';
            break;
        }
        const QByteArray chunk = file.read(std::min(kChunk, room));
        if (chunk.isEmpty())
            break;
        const int nul = chunk.indexOf('\0');
        if (nul >= 0) {
            bytes.append(chunk.constData(), nul);
            break;
        }
        bytes.append(chunk);
    }
    result.ok = true;
    result.text = QString::fromUtf8(bytes);
    return result;
}

} // namespace sequences
