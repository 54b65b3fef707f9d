#include "configflags.h"

#include <QStringList>
#include <cmath>

namespace controllers {

namespace {

using V3 = std::array<double, 3>;

V3 origin(const Matrix4 &m)
{
    return {double(m[3]), double(m[7]), double(m[11])};
}

V3 column(const Matrix4 &m, int c)
{
    return {double(m[std::size_t(c)]), double(m[std::size_t(4 + c)]), double(m[std::size_t(8 + c)])};
}

V3 minus(const V3 &a, const V3 &b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

double dot(const V3 &a, const V3 &b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

V3 cross(const V3 &a, const V3 &b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

} // namespace

ArmSides armSides(const kinematics::Chain &chain, const float *jointValues)
{
    ArmSides s;
    if (chain.axisCount < kinematics::kAxes)
        return s;
    float model[kinematics::kAxes];
    kinematics::toModel(chain, jointValues, model);
    const Matrix4 f1 = kinematics::forward(chain, model, 1);
    const Matrix4 f2 = kinematics::forward(chain, model, 2);
    const Matrix4 f3 = kinematics::forward(chain, model, 3);
    const Matrix4 f4 = kinematics::forward(chain, model, 4);
    const V3 o1 = origin(f1), o2 = origin(f2), o3 = origin(f3), wrist = origin(f4);
    const V3 x1 = column(f1, 0);
    s.back = dot(x1, minus(wrist, o1)) < 0.0;
    const V3 upper = minus(o3, o2), fore = minus(wrist, o3);
    const V3 turn = cross(upper, fore);
    // Axis 1's y axis with the base's z up: the side the usual pose turns to.
    const V3 y1{-x1[1], x1[0], 0.0};
    s.elbowUp = dot(turn, y1) >= 0.0;
    // The angle from the upper arm to the forearm about axis 3 grows with
    // the model angle of axis 3, which moves by the rule's sign per degree
    // of the maker's axis 3: their product says on which side of the
    // stretched value axis 3 stands.
    const double psi = std::atan2(dot(column(f3, 2), turn), dot(upper, fore));
    s.pastStretch = double(chain.rules[2].sign) * psi >= 0.0;
    return s;
}

int kukaStatus(const kinematics::Chain &chain, const float *j)
{
    const ArmSides s = armSides(chain, j);
    return (s.back ? 1 : 0) | (s.pastStretch ? 2 : 0) | (j[4] < 0.0f ? 4 : 0);
}

int kukaTurn(const float *j)
{
    int t = 0;
    for (int k = 0; k < kinematics::kAxes; ++k)
        if (j[k] < 0.0f)
            t |= 1 << k;
    return t;
}

int fanucTurn(double degrees)
{
    if (!std::isfinite(degrees))
        return 0;
    return int(std::ceil((degrees - 180.0) / 360.0));
}

FanucConfig fanucConfig(const kinematics::Chain &chain, const float *j)
{
    const ArmSides s = armSides(chain, j);
    FanucConfig c;
    c.flip = j[4] > 0.0f;
    c.up = s.elbowUp;
    c.front = !s.back;
    c.turn1 = fanucTurn(double(j[0]));
    c.turn4 = fanucTurn(double(j[3]));
    c.turn6 = fanucTurn(double(j[5]));
    return c;
}

QString fanucConfigText(const FanucConfig &c)
{
    return QStringLiteral("%1 %2 %3, %4, %5, %6")
        .arg(QString(QLatin1Char(c.flip ? 'F' : 'N')), QString(QLatin1Char(c.up ? 'U' : 'D')),
             QString(QLatin1Char(c.front ? 'T' : 'B')))
        .arg(c.turn1)
        .arg(c.turn4)
        .arg(c.turn6);
}

bool parseFanucConfig(const QString &text, FanucConfig &config)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > 4)
        return false;
    FanucConfig c;
    int seen = 0;
    for (const QChar ch : parts[0]) {
        if (ch.isSpace())
            continue;
        const char l = char(ch.toUpper().toLatin1());
        const int group = (l == 'F' || l == 'N') ? 1 : (l == 'U' || l == 'D') ? 2
                          : (l == 'T' || l == 'B')                             ? 4
                                                                               : 0;
        if (group == 0 || (seen & group))
            return false;
        seen |= group;
        if (group == 1)
            c.flip = l == 'F';
        else if (group == 2)
            c.up = l == 'U';
        else
            c.front = l == 'T';
    }
    if (seen != 7)
        return false;
    int *turns[3] = {&c.turn1, &c.turn4, &c.turn6};
    for (int k = 1; k < parts.size(); ++k) {
        bool ok = false;
        const int t = parts[k].trimmed().toInt(&ok);
        if (!ok || t < -8 || t > 8)
            return false;
        *turns[k - 1] = t;
    }
    config = c;
    return true;
}

YaskawaRconf yaskawaRconf(const kinematics::Chain &chain, const float *j)
{
    const ArmSides s = armSides(chain, j);
    auto beyondHalfTurn = [](float v) { return std::fabs(v) >= 180.0f ? 1 : 0; };
    return {j[4] > 0.0f ? 1 : 0, s.elbowUp ? 0 : 1,           s.back ? 1 : 0,
            beyondHalfTurn(j[5]), beyondHalfTurn(j[3]), beyondHalfTurn(j[0]),
            0,                    0};
}

QString yaskawaRconfText(const YaskawaRconf &rconf)
{
    QString t;
    for (std::size_t k = 0; k < rconf.size(); ++k) {
        if (k)
            t += QLatin1Char(',');
        t += QString::number(rconf[k]);
    }
    return t;
}

StaubliConfig staubliConfig(const kinematics::Chain &chain, const float *j)
{
    const ArmSides s = armSides(chain, j);
    StaubliConfig c;
    c.righty = !s.back;
    c.epositive = s.pastStretch;
    c.wpositive = j[4] >= 0.0f;
    return c;
}

const char *shoulderName(const StaubliConfig &c)
{
    return c.righty ? "righty" : "lefty";
}

const char *elbowName(const StaubliConfig &c)
{
    return c.epositive ? "epositive" : "enegative";
}

const char *wristName(const StaubliConfig &c)
{
    return c.wpositive ? "wpositive" : "wnegative";
}

} // namespace controllers
