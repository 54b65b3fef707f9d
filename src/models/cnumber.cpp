#include "cnumber.h"

#include "texts/uitexts.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace cnumber {

namespace {

std::string_view skipBlanksAndPlus(std::string_view t, bool &negative)
{
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r' ||
                            t[i] == '\f' || t[i] == '\v'))
        ++i;
    negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    return t.substr(i);
}

} // namespace

namespace {

// One reader for both precisions: a float is read as a float, not rounded
// twice through a double.
template <class Real>
Real toReal(std::string_view text)
{
    bool negative = false;
    const std::string_view t = skipBlanksAndPlus(text, negative);
    if (t.empty() || t.front() == '+' || t.front() == '-')
        return Real(0);
    Real value = Real(0);
    const auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    if (res.ec == std::errc::invalid_argument)
        return Real(0);
    // Out of range: from_chars leaves the value alone; atof gives 0 on
    // underflow and HUGE_VAL on overflow.
    if (res.ec == std::errc::result_out_of_range) {
        const std::string_view parsed = t.substr(0, static_cast<std::size_t>(res.ptr - t.data()));
        const auto e = parsed.find_first_of("eE");
        const bool underflow =
            e != std::string_view::npos && e + 1 < parsed.size() && parsed[e + 1] == '-';
        value = underflow ? Real(0) : std::numeric_limits<Real>::infinity();
    }
    return negative ? -value : value;
}

} // namespace

double toDouble(std::string_view text)
{
    return toReal<double>(text);
}

float toFloat(std::string_view text)
{
    return toReal<float>(text);
}

int toInt(std::string_view text)
{
    bool negative = false;
    const std::string_view t = skipBlanksAndPlus(text, negative);
    if (t.empty() || t.front() == '+' || t.front() == '-')
        return 0;
    long long value = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    if (res.ec == std::errc::invalid_argument)
        return 0;
    if (res.ec == std::errc::result_out_of_range)
        return negative ? INT_MIN : INT_MAX;
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace cnumber

// ---------------------------------------------------------------- typed fields


namespace typed {

QChar degreeSign()
{
    return QChar(0x00B0);
}

bool number(const QString &text, double *value, Unit unit)
{
    QString t = text.trimmed();
    if (unit == Unit::Length && t.endsWith(QLatin1String("mm")))
        t.chop(2);
    else if (unit == Unit::Angle && (t.endsWith(QChar(0x00B0)) || t.endsWith(QChar(0x00BA))))
        t.chop(1);
    t = t.trimmed();
    static const QRegularExpression shape(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    if (!shape.match(t).hasMatch())
        return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    // Every field ends up in a float: beyond its range is not a number either.
    if (!ok || !std::isfinite(v) || std::fabs(v) > double(FLT_MAX))
        return false;
    if (value)
        *value = v;
    return true;
}

bool list(const QString &text, int count, const Unit *units, double *values, QString *error)
{
    QStringList pieces;
    if (text.contains(QLatin1Char(';')))
        pieces = text.split(QLatin1Char(';'));
    else {
        pieces = text.split(QLatin1Char(','));
        if (pieces.size() != count)
            pieces = text.split(QRegularExpression(QStringLiteral(",\\s+")));
    }
    if (pieces.size() != count) {
        if (error)
            *error = uitext::get(uitext::Text::NumbersExpected).arg(count).arg(pieces.size());
        return false;
    }
    double read[16];
    for (int i = 0; i < count && i < 16; ++i) {
        if (!number(pieces.at(i), &read[i], units ? units[i] : Unit::None)) {
            if (error)
                *error = uitext::get(uitext::Text::NotANumber).arg(pieces.at(i).trimmed());
            return false;
        }
    }
    std::copy(read, read + std::min(count, 16), values);
    return true;
}

} // namespace typed
