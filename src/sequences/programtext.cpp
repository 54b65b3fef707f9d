#include "programtext.h"

#include "models/cnumber.h"
#include "sequences/sequenceparser.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace sequences {

namespace {

// Above these a value is a typing slip, not a speed or a corner: no robot
// moves its TCP at 100 m/s, and no zone spans ten metres.
constexpr double kMaxSpeed = 100000.0;
constexpr double kMaxZone = 10000.0;

bool fileNumber(QStringView text, double *value)
{
    static const QLocale c = QLocale::c();
    bool ok = false;
    const double v = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max()))
        return false;
    *value = v;
    return true;
}

// The fields of a line as parseLine splits it: the first separator that
// gives more than five fields, empty fields dropped.
QStringList fieldsOf(const QString &line)
{
    static const QString separators[] = {QStringLiteral("\t"), QStringLiteral(","),
                                         QStringLiteral(" "), QStringLiteral(", ")};
    QStringList fields;
    for (const QString &sep : separators) {
        fields = line.split(sep, Qt::SkipEmptyParts);
        if (fields.size() > 5)
            break;
    }
    return fields;
}

enum class Word
{
    Other,
    Speed,
    Zone,
    Bad
};

// A field after the seventh: a speed word, a zone word, a word that looks
// like one but is not, or anything else (left alone, as every reader does).
Word readWord(const QString &field, ProgramLine &line)
{
    const QString w = field.trimmed();
    if (w.compare(QLatin1String("fine"), Qt::CaseInsensitive) == 0) {
        line.zone = kFineZone;
        return Word::Zone;
    }
    if (w.size() < 2)
        return Word::Other;
    const QChar head = w.at(0).toLower();
    const QChar next = w.at(1);
    const bool numeric = next.isDigit() || next == QLatin1Char('.') || next == QLatin1Char('-') ||
                         next == QLatin1Char('+');
    if ((head != QLatin1Char('v') && head != QLatin1Char('z')) || !numeric)
        return Word::Other;
    double v = 0.0;
    if (!fileNumber(QStringView(w).mid(1), &v))
        return Word::Bad;
    if (head == QLatin1Char('v')) {
        if (!(v > 0.0 && v <= kMaxSpeed))
            return Word::Bad;
        line.speed = v;
        return Word::Speed;
    }
    if (!(v >= 0.0 && v <= kMaxZone))
        return Word::Bad;
    line.zone = v;
    return Word::Zone;
}

QString operandText(double v)
{
    QString s = QString::number(v, 'f', 6);
    // A value that rounds to zero is written as zero, whatever its sign.
    if (s.startsWith(QLatin1Char('-')) && s.count(QLatin1Char('0')) == s.size() - 2)
        s.remove(0, 1);
    return s;
}

QString shortNumber(double v)
{
    return QString::number(v, 'g', 10);
}

} // namespace

ProgramText parseProgramText(const QString &text)
{
    ProgramText out;
    // The same acceptance as every other reader of sequence text.
    const ParsedText parsed = parseText(text);
    if (!parsed.error.isEmpty()) {
        out.error = parsed.error;
        return out;
    }
    out.truncated = parsed.truncated;
    out.fromPositions = !parsed.program && !parsed.nodes.empty();
    out.sourceLines = parsed.lines;
    out.lines.resize(parsed.nodes.size());

    // parseText kept the non-blank lines in order, up to its limit; read the
    // same lines again in double precision, and their words.
    const QStringList rows = text.split(QLatin1Char('\n'));
    for (std::size_t i = 0; i < out.lines.size(); ++i) {
        const int number = parsed.lines[i];
        QString row = rows.value(number - 1);
        while (row.endsWith(QLatin1Char('\r')))
            row.chop(1);
        const QStringList fields = fieldsOf(row);
        ProgramLine &line = out.lines[i];
        const int first = out.fromPositions ? 0 : 1;
        line.code = out.fromPositions ? 1.0 : 0.0;
        bool ok = fields.size() >= 6 + first;
        if (ok && !out.fromPositions)
            ok = fileNumber(fields.at(0), &line.code);
        for (int k = 0; ok && k < 6; ++k)
            ok = fileNumber(fields.at(first + k), &line.operands[std::size_t(k)]);
        if (!ok) {
            // parseText took this line: a float reading and a double reading
            // of one field cannot disagree on whether it is a number.
            out.error = QStringLiteral("line %1 cannot be read").arg(number);
            break;
        }
        if (out.fromPositions)
            continue;
        bool hasSpeed = false, hasZone = false;
        for (int k = 7; k < fields.size(); ++k) {
            const Word w = readWord(fields.at(k), line);
            const bool twice = (w == Word::Speed && hasSpeed) || (w == Word::Zone && hasZone);
            if (w == Word::Bad || twice) {
                out.error = QStringLiteral("line %1: \"%2\" is no speed (v and a number above 0) "
                                           "or zone (z and a radius in mm, or fine)")
                                .arg(number)
                                .arg(fields.at(k).trimmed().left(40));
                break;
            }
            hasSpeed = hasSpeed || w == Word::Speed;
            hasZone = hasZone || w == Word::Zone;
        }
        if (!out.error.isEmpty())
            break;
    }
    if (!out.error.isEmpty()) {
        out.lines.clear();
        out.sourceLines.clear();
        out.fromPositions = false;
        out.truncated = false;
    }
    return out;
}

QString speedWord(double speed)
{
    return speed > 0.0 ? QLatin1Char('v') + shortNumber(speed) : QString();
}

QString zoneWord(double zone)
{
    if (zone == kFineZone)
        return QStringLiteral("fine");
    return zone >= 0.0 ? QLatin1Char('z') + shortNumber(zone) : QString();
}

QString programLineText(const ProgramLine &line)
{
    QString s = shortNumber(line.code);
    for (double v : line.operands)
        s += QLatin1Char(' ') + operandText(v);
    const QString speed = speedWord(line.speed);
    const QString zone = zoneWord(line.zone);
    if (!speed.isEmpty())
        s += QLatin1Char(' ') + speed;
    if (!zone.isEmpty())
        s += QLatin1Char(' ') + zone;
    return s;
}

QString programTextOf(const std::vector<ProgramLine> &program)
{
    QString text;
    text.reserve(int(program.size()) * 80);
    for (const ProgramLine &l : program) {
        text += programLineText(l);
        text += QLatin1Char('\n');
    }
    return text;
}

bool readSpeed(const QString &text, double *value)
{
    QString t = text.trimmed();
    if (t.isEmpty()) {
        *value = 0.0;
        return true;
    }
    if (t.startsWith(QLatin1Char('v'), Qt::CaseInsensitive))
        t.remove(0, 1);
    double v = 0.0;
    if (!typed::number(t, &v) || !(v > 0.0 && v <= kMaxSpeed))
        return false;
    *value = v;
    return true;
}

bool readZone(const QString &text, double *value)
{
    QString t = text.trimmed();
    if (t.isEmpty()) {
        *value = kNoZone;
        return true;
    }
    if (t.compare(QLatin1String("fine"), Qt::CaseInsensitive) == 0) {
        *value = kFineZone;
        return true;
    }
    if (t.startsWith(QLatin1Char('z'), Qt::CaseInsensitive))
        t.remove(0, 1);
    double v = 0.0;
    if (!typed::number(t, &v, typed::Unit::Length) || !(v >= 0.0 && v <= kMaxZone))
        return false;
    *value = v;
    return true;
}

} // namespace sequences
