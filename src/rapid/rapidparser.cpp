#include "rapidparser.h"

#include <QLocale>
#include <QRegularExpression>
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
    if (!ok || std::fabs(d) > double(std::numeric_limits<float>::max())) {
        // Only overflow makes a well-formed number fail to convert.
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

TextError poseFromNumbers(const std::vector<float> &n, std::size_t first, Matrix4 &columnPose)
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
    const std::array<float, 4> orientation{v[3], v[4], v[5], v[6]};
    double length = 0.0;
    for (float c : orientation)
        length += double(c) * double(c);
    // Whatever four zeros mean to whoever typed them, it is not a rotation.
    if (std::sqrt(length) < 1e-6)
        return TextError::ZeroQuaternion;
    Matrix4 m = toolbox::rotationToMatrix(orientation);
    m[12] = v[0];
    m[13] = v[1];
    m[14] = v[2];
    if (!allFinite(m))
        return TextError::NotFinite;
    columnPose = m;
    return TextError::None;
}

TextError parseTool(const QString &text, Matrix4 &columnTool)
{
    return poseFromNumbers(tokenizeNumbers(text), 0, columnTool);
}

TextError parseWorkObject(const QString &text, Matrix4 &columnUser, Matrix4 &columnObject)
{
    const std::vector<float> n = tokenizeNumbers(text);
    Matrix4 user;
    TextError e = poseFromNumbers(n, 0, user);
    if (e != TextError::None)
        return e;
    Matrix4 object = toolbox::identity();
    if (n.size() >= 14) {
        e = poseFromNumbers(n, 7, object);
        if (e != TextError::None)
            return e;
    }
    columnUser = user;
    columnObject = object;
    return TextError::None;
}

Matrix4 workObjectFrame(const Matrix4 &columnUser, const Matrix4 &columnObject)
{
    return toolbox::product(toolbox::transpose(columnUser), toolbox::transpose(columnObject));
}

int parseRobtarget(const QString &text, Matrix4 &columnPose, ConfData &conf, TextError *error)
{
    auto refuse = [error](TextError e) {
        if (error)
            *error = e;
        return -2;
    };
    const std::vector<float> n = tokenizeNumbers(text);
    Matrix4 pose;
    const TextError e = poseFromNumbers(n, 0, pose);
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
    columnPose = pose;
    conf = c;
    return result;
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
