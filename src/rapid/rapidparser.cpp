#include "rapidparser.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

namespace rapid {

namespace {

// What RAPID and C write as a number (ASCII digits only); anything else in a
// declaration is a keyword, a name or a string.
const QRegularExpression &numberPattern()
{
    static const QRegularExpression re(
        QStringLiteral("^[+-]?(([0-9]+\\.?[0-9]*)|(\\.[0-9]+))([eE][+-]?[0-9]+)?$"));
    return re;
}

const QRegularExpression &nonFinitePattern()
{
    static const QRegularExpression re(QStringLiteral("^[+-]?(nan|inf|infinity)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &separators()
{
    static const QRegularExpression re(QStringLiteral(";|,|\\t| |\\[|\\]"));
    return re;
}

// Whether a well-formed number (numberPattern) that failed to convert did so
// because it is too close to zero rather than too large: the decimal
// exponent of its first significant digit is negative.
bool tooSmallForADouble(const QString &part)
{
    QString mantissa = part;
    long long exponent = 0;
    const int e = part.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    if (e >= 0) {
        mantissa = part.left(e);
        QString digits = part.mid(e + 1);
        const bool minus = digits.startsWith(QLatin1Char('-'));
        if (digits.startsWith(QLatin1Char('+')) || minus)
            digits.remove(0, 1);
        // Saturates: an exponent of a thousand digits is still just huge.
        for (QChar c : digits)
            exponent = std::min<long long>(exponent * 10 + (c.unicode() - '0'), 1000000000LL);
        if (minus)
            exponent = -exponent;
    }
    if (mantissa.startsWith(QLatin1Char('+')) || mantissa.startsWith(QLatin1Char('-')))
        mantissa.remove(0, 1);
    const int dot = mantissa.indexOf(QLatin1Char('.'));
    QString whole = dot >= 0 ? mantissa.left(dot) : mantissa;
    const QString fraction = dot >= 0 ? mantissa.mid(dot + 1) : QString();
    while (whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    long long magnitude;
    if (!whole.isEmpty()) {
        magnitude = whole.size() - 1 + exponent;
    } else {
        int zeros = 0;
        while (zeros < fraction.size() && fraction.at(zeros) == QLatin1Char('0'))
            ++zeros;
        if (zeros == fraction.size())
            return true; // all zeros: zero, whatever the exponent
        magnitude = exponent - zeros - 1;
    }
    return magnitude < 0;
}

// The float a number-like part stands for; overflow becomes an infinity of
// the same sign so that the caller refuses it instead of losing its place.
bool numberOf(const QString &part, float &value)
{
    if (nonFinitePattern().match(part).hasMatch()) {
        const bool negative = part.startsWith(QLatin1Char('-'));
        if (part.contains(QLatin1String("nan"), Qt::CaseInsensitive))
            value = std::numeric_limits<float>::quiet_NaN();
        else
            value = negative ? -std::numeric_limits<float>::infinity()
                             : std::numeric_limits<float>::infinity();
        return true;
    }
    if (!numberPattern().match(part).hasMatch())
        return false;
    bool ok = false;
    const double d = QLocale::c().toDouble(part, &ok);
    const bool negative = part.startsWith(QLatin1Char('-'));
    if (!ok && tooSmallForADouble(part)) {
        // Underflow: the number is as good as zero ("1e-400").
        value = negative ? -0.0f : 0.0f;
        return true;
    }
    if (!ok || std::fabs(d) > double(std::numeric_limits<float>::max())) {
        // A well-formed number that is not too small failed by overflow.
        value = negative ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
        return true;
    }
    value = float(d);
    return true;
}

bool allFinite(const Matrix4 &m)
{
    for (float v : m)
        if (!std::isfinite(v))
            return false;
    return true;
}

QString joined(const float *values, int count, int decimals, const QString &separator)
{
    QString s;
    for (int i = 0; i < count; ++i) {
        if (i)
            s += separator;
        s += fixed(double(values[i]), decimals);
    }
    return s;
}

QString joined(const std::array<double, 6> &values, int decimals, const QString &separator)
{
    QString s;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            s += separator;
        s += fixed(values[i], decimals);
    }
    return s;
}

QString positionAndQuaternion(const Matrix4 &columnPose, const QString &between)
{
    const std::array<float, 4> q = toolbox::columnMatrixToQuaternion(columnPose);
    return joined(columnPose.data() + 12, 3, 5, QStringLiteral(",")) + between +
           joined(q.data(), 4, 7, QStringLiteral(","));
}

} // namespace

std::vector<float> tokenizeNumbers(const QString &text)
{
    std::vector<float> numbers;
    numbers.reserve(kMaxNumbers);
    const QStringList parts = text.trimmed().split(separators(), Qt::SkipEmptyParts);
    for (const QString &raw : parts) {
        float value = 0.0f;
        if (!numberOf(raw.trimmed(), value))
            continue;
        numbers.push_back(value);
        if (int(numbers.size()) == kMaxNumbers)
            break;
    }
    return numbers;
}

TextError poseFromNumbers(const std::vector<float> &n, std::size_t first, Matrix4 &columnPose,
                          bool *identityTaken)
{
    if (n.size() < first + 7)
        return TextError::TooFewNumbers;
    const float *v = n.data() + first;
    for (int i = 0; i < 7; ++i)
        if (!std::isfinite(v[i]))
            return TextError::NotFinite;
    for (int i = 0; i < 7; ++i)
        if (std::fabs(v[i]) > kMaxMagnitude)
            return TextError::OutOfRange;
    std::array<float, 4> orientation{v[3], v[4], v[5], v[6]};
    double length = 0.0;
    for (float c : orientation)
        length += double(c) * double(c);
    // A zero orientation cannot be normalised; RAPID data left at zero mean
    // "no rotation", so that is what it becomes (and the caller says so).
    const bool zero = std::sqrt(length) < 1e-6;
    if (zero)
        orientation = {1.0f, 0.0f, 0.0f, 0.0f};
    Matrix4 m = toolbox::rotationToMatrix(orientation);
    m[12] = v[0];
    m[13] = v[1];
    m[14] = v[2];
    if (!allFinite(m))
        return TextError::NotFinite;
    columnPose = m;
    if (identityTaken && zero)
        *identityTaken = true;
    return TextError::None;
}

TextError parseTool(const QString &text, Matrix4 &columnTool, bool *identityTaken)
{
    bool zero = false;
    const TextError e = poseFromNumbers(tokenizeNumbers(text), 0, columnTool, &zero);
    if (identityTaken)
        *identityTaken = e == TextError::None && zero;
    return e;
}

TextError parseWorkObject(const QString &text, Matrix4 &columnUser, Matrix4 &columnObject,
                          bool *identityTaken)
{
    const std::vector<float> n = tokenizeNumbers(text);
    Matrix4 user;
    bool zero = false;
    TextError e = poseFromNumbers(n, 0, user, &zero);
    if (e != TextError::None)
        return e;
    Matrix4 object = toolbox::identity();
    if (n.size() >= 14) {
        e = poseFromNumbers(n, 7, object, &zero);
        if (e != TextError::None)
            return e;
    }
    columnUser = user;
    columnObject = object;
    if (identityTaken)
        *identityTaken = zero;
    return TextError::None;
}

Matrix4 workObjectFrame(const Matrix4 &columnUser, const Matrix4 &columnObject)
{
    return toolbox::product(toolbox::transpose(columnUser), toolbox::transpose(columnObject));
}

int parseRobtarget(const QString &text, Matrix4 &columnPose, ConfData &conf, TextError *error,
                   bool *identityTaken)
{
    auto refuse = [error](TextError e) {
        if (error)
            *error = e;
        return -2;
    };
    const std::vector<float> n = tokenizeNumbers(text);
    Matrix4 pose;
    bool zero = false;
    const TextError e = poseFromNumbers(n, 0, pose, &zero);
    if (e != TextError::None)
        return refuse(e);
    ConfData c;
    int result = -1;
    if (n.size() >= 11) {
        for (std::size_t i = 7; i < 11; ++i) {
            if (!std::isfinite(n[i]))
                return refuse(TextError::NotFinite);
            if (std::fabs(n[i]) > kMaxMagnitude)
                return refuse(TextError::OutOfRange);
        }
        c.cf1 = n[7];
        c.cf4 = n[8];
        c.cf6 = n[9];
        c.cfx = n[10];
        result = 0;
    }
    if (error)
        *error = TextError::None;
    if (identityTaken)
        *identityTaken = zero;
    columnPose = pose;
    conf = c;
    return result;
}

QString identityNote()
{
    return QStringLiteral("Orientation [0,0,0,0] taken as no rotation [1,0,0,0]");
}

QString refusalText(const QString &base, TextError error)
{
    switch (error) {
    case TextError::None:
    case TextError::TooFewNumbers:
        return base;
    case TextError::NotFinite:
        return base + QStringLiteral(": a number is not finite");
    case TextError::OutOfRange:
        return base + QStringLiteral(": a value exceeds 100000");
    case TextError::ZeroQuaternion:
        return base + QStringLiteral(": quaternion of zero length");
    }
    return base;
}

QString fixed(double value, int decimals)
{
    QString s = QString::number(value, 'f', decimals);
    if (s.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (int i = 1; i < s.size() && zero; ++i)
            zero = s.at(i) == QLatin1Char('0') || s.at(i) == QLatin1Char('.');
        if (zero)
            s.remove(0, 1);
    }
    return s;
}

QString frameText(const Matrix4 &columnPose)
{
    return QStringLiteral("[") + positionAndQuaternion(columnPose, QStringLiteral("],[")) +
           QStringLiteral("]");
}

QString workObjectText(const Matrix4 &rowWorkObject)
{
    return QStringLiteral("[") + frameText(toolbox::transpose(rowWorkObject)) +
           QStringLiteral("],[[0, 0, 0],[1, 0, 0, 0]]");
}

QString toolText(const Matrix4 &rowTool)
{
    return frameText(toolbox::transpose(rowTool));
}

QString robtargetText(const Matrix4 &columnPose, const ConfData &conf)
{
    const float cf[4] = {conf.cf1, conf.cf4, conf.cf6, conf.cfx};
    return QStringLiteral("[") + frameText(columnPose) + QStringLiteral(",[") +
           joined(cf, 4, 0, QStringLiteral(",")) + QStringLiteral("],[9E9,9E9,9E9,9E9,9E9,9E9]];");
}

std::array<double, 6> xyzwpr(const Matrix4 &m)
{
    // Rotation element in row i, column j of a column-major matrix.
    auto R = [&m](int i, int j) { return double(m[std::size_t(4 * j + i)]); };
    double w, p, r;
    if (R(2, 0) > 0.999999) {
        p = -90.0;
        w = std::atan2(-R(1, 2), R(1, 1)) * toolbox::kRadToDeg;
        r = 0.0;
    } else if (R(2, 0) < -0.999999) {
        p = 90.0;
        w = std::atan2(R(1, 2), R(1, 1)) * toolbox::kRadToDeg;
        r = 0.0;
    } else {
        w = std::atan2(R(1, 0), R(0, 0)) * toolbox::kRadToDeg;
        p = std::atan2(-R(2, 0), std::sqrt(R(0, 0) * R(0, 0) + R(1, 0) * R(1, 0))) *
            toolbox::kRadToDeg;
        r = std::atan2(R(2, 1), R(2, 2)) * toolbox::kRadToDeg;
    }
    return {double(m[12]), double(m[13]), double(m[14]), w, p, r};
}

QStringList workObjectReport(const Matrix4 &columnUser, const Matrix4 &columnObject)
{
    const Matrix4 work = toolbox::transpose(workObjectFrame(columnUser, columnObject));
    const QString heading = QStringLiteral("[x y z w p r] : [");
    const QString two = QStringLiteral("  ");
    return {QStringLiteral("USER FRAME:"),
            heading + joined(xyzwpr(columnUser), 5, two) + QStringLiteral("]"),
            QString(),
            QStringLiteral("OBJECT FRAME:"),
            heading + joined(xyzwpr(columnObject), 5, two) + QStringLiteral("]"),
            QString(),
            QStringLiteral("WORK OBJECT:"),
            heading + joined(xyzwpr(work), 5, two) + QStringLiteral("]"),
            QStringLiteral("Equivalent Work Object:"),
            QStringLiteral("[[") + positionAndQuaternion(work, QStringLiteral("],[")) +
                QStringLiteral("]],[[0,0,0],[1,0,0,0]]")};
}

} // namespace rapid
