#include "plotdata.h"

#include "kinematics/chain.h"
#include "kinematics/robot.h"

#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace plots {

MarkKind markKind(int code)
{
    if (code % 10 > 0)
        return MarkKind::NoSolution;
    // A position the robot reaches but that runs it into the cell is worse
    // than any trouble with how it gets there.
    if (code % 10000000 >= 1000000)
        return MarkKind::Collision;
    if (code % 100 > 9)
        return MarkKind::Jump;
    if (code % 1000 > 99)
        return MarkKind::WristCrossing;
    if (code % 10000 > 999)
        return MarkKind::WristNear;
    return MarkKind::Other;
}

float PlotData::lowerLimit(int axis, int row) const
{
    const float l = lower[std::size_t(axis)];
    return axis == 2 && coupling != 0 ? l + float(coupling) * joints[1][std::size_t(row)] : l;
}

float PlotData::upperLimit(int axis, int row) const
{
    const float u = upper[std::size_t(axis)];
    return axis == 2 && coupling != 0 ? u + float(coupling) * joints[1][std::size_t(row)] : u;
}

namespace {

// Angle in degrees of the rotation between two row-major poses, from the
// relative rotation A^T B: atan2 keeps small angles exact where acos of the
// trace would not.
double turnBetween(const float *a, const float *b)
{
    double r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[3 * i + j] =
                double(a[i]) * b[j] + double(a[4 + i]) * b[4 + j] + double(a[8 + i]) * b[8 + j];
    const double x = r[7] - r[5], y = r[2] - r[6], z = r[3] - r[1];
    const double s = 0.5 * std::sqrt(x * x + y * y + z * z);
    const double c = 0.5 * (r[0] + r[4] + r[8] - 1.0);
    return std::atan2(s, c) * 180.0 / toolbox::kPi;
}

} // namespace

PlotData buildPlotData(const sequences::PathAnalyser::Result &result,
                       const sequences::PathAnalyser &analyser, const Robot &robot)
{
    PlotData d;
    const std::size_t n = result.path.size();
    d.types.resize(n);
    d.pathIds.resize(n);
    d.problems.resize(n);
    for (auto &j : d.joints)
        j.resize(n);
    for (auto &t : d.tcp)
        t.resize(n);
    d.stepMm.assign(n, 0.0f);
    d.stepDeg.assign(n, 0.0f);

    constexpr float kGap = std::numeric_limits<float>::quiet_NaN();
    std::vector<char> unreached(n, 0);
    std::array<float, 6> held{};
    for (std::size_t k = 0; k < n; ++k) {
        const sequences::PathPosition &p = result.path[k];
        d.types[k] = p.type;
        d.pathIds[k] = p.pathId;
        d.problems[k] = int(p.problem);
        if (p.type == 1.0f) {
            unreached[k] = markKind(int(p.problem)) == MarkKind::NoSolution;
            held = p.joints;
            if (unreached[k])
                held.fill(kGap);
            if (p.problem > 0.0f)
                d.marks.push_back({int(k) + 1, int(p.problem)});
        } else {
            d.operands.emplace_back(int(k), p.joints);
        }
        for (std::size_t a = 0; a < 6; ++a)
            d.joints[a][k] = held[a];
    }

    // The TCP of every position in path order; rows in between repeat it.
    const Matrix4 identity = toolbox::identity();
    float previous[16];
    bool havePrevious = false;
    bool afterGap = false;
    std::size_t row = 0;
    analyser.tcpPoses(result, identity, [&](const float *m) {
        while (row < n && d.types[row] != 1.0f) {
            for (std::size_t c = 0; c < 3; ++c)
                d.tcp[c][row] = row > 0 ? d.tcp[c][row - 1] : 0.0f;
            ++row;
        }
        if (row >= n)
            return;
        if (unreached[row]) {
            for (std::size_t c = 0; c < 3; ++c)
                d.tcp[c][row] = kGap;
            d.stepMm[row] = d.stepDeg[row] = kGap;
            havePrevious = false;
            afterGap = true;
            ++row;
            return;
        }
        if (afterGap)
            d.stepMm[row] = d.stepDeg[row] = kGap;
        afterGap = false;
        d.tcp[0][row] = m[3];
        d.tcp[1][row] = m[7];
        d.tcp[2][row] = m[11];
        if (havePrevious) {
            const double dx = double(m[3]) - previous[3], dy = double(m[7]) - previous[7],
                         dz = double(m[11]) - previous[11];
            d.stepMm[row] = float(std::sqrt(dx * dx + dy * dy + dz * dz));
            d.stepDeg[row] = float(turnBetween(previous, m));
        }
        std::copy(m, m + 16, previous);
        havePrevious = true;
        ++row;
    });
    for (; row < n; ++row)
        for (std::size_t c = 0; c < 3; ++c)
            d.tcp[c][row] = row > 0 ? d.tcp[c][row - 1] : 0.0f;
    // Rows before the first position (a tool change, say) show where the
    // TCP starts rather than the origin,
    // and the curves where the robot starts.
    const auto first = std::find(d.types.begin(), d.types.end(), 1.0f);
    if (first != d.types.end()) {
        const std::size_t f = std::size_t(first - d.types.begin());
        for (std::size_t k = 0; k < f; ++k) {
            for (std::size_t c = 0; c < 3; ++c)
                d.tcp[c][k] = d.tcp[c][f];
            for (std::size_t a = 0; a < 6; ++a)
                d.joints[a][k] = d.joints[a][f];
        }
    }

    const std::vector<int> limits = robot.getLimits();
    d.hasLimits = limits.size() >= 12;
    for (std::size_t a = 0; a < 6 && 2 * a + 1 < limits.size(); ++a) {
        d.lower[a] = float(limits[2 * a]);
        d.upper[a] = float(limits[2 * a + 1]);
    }
    // From the chain rather than the angle type's number, so that every type
    // whose axis 3 follows axis 2 gets its moving band.
    const kinematics::Chain &chain = robot.chain();
    d.coupling = chain.complete && chain.coupled ? int(std::lround(chain.couplingShift)) : 0;
    return d;
}

void PlotData::dropLimits()
{
    hasLimits = false;
    lower.fill(0.0f);
    upper.fill(0.0f);
    coupling = 0;
}

QString csvHeader()
{
    return QStringLiteral("position,path id,type,j1,j2,j3,j4,j5,j6,problem,tcp x,tcp y,tcp z");
}

namespace {

void appendNumber(std::string &out, double v)
{
    // A value the path does not have (an unreached position) is an empty field.
    if (!std::isfinite(v))
        return;
    char buf[64];
    const int len = std::snprintf(buf, sizeof buf, "%.6f", v);
    // "-0.000000" says nothing "0.000000" does not.
    if (len > 0 && std::strcmp(buf, "-0.000000") == 0)
        out += "0.000000";
    else if (len > 0)
        out.append(buf, std::size_t(std::min<int>(len, int(sizeof buf) - 1)));
}

void appendRow(const PlotData &d, std::size_t k, std::size_t &nextOperand, std::string &out)
{
    out += std::to_string(k + 1);
    out += ',';
    out += std::to_string(d.pathIds[k]);
    out += ',';
    appendNumber(out, double(d.types[k]));
    const std::array<float, 6> *values = nullptr;
    if (nextOperand < d.operands.size() && d.operands[nextOperand].first == int(k))
        values = &d.operands[nextOperand++].second;
    for (std::size_t a = 0; a < 6; ++a) {
        out += ',';
        appendNumber(out, double(values ? (*values)[a] : d.joints[a][k]));
    }
    out += ',';
    out += std::to_string(d.problems[k]);
    for (std::size_t c = 0; c < 3; ++c) {
        out += ',';
        appendNumber(out, double(d.tcp[c][k]));
    }
    out += '\n';
}

} // namespace

void appendCsv(const PlotData &d, std::string &out)
{
    out += csvHeader().toStdString();
    out += '\n';
    std::size_t nextOperand = 0;
    for (std::size_t k = 0; k < std::size_t(d.count()); ++k)
        appendRow(d, k, nextOperand, out);
}

void writeCsv(const PlotData &d, QTextStream &out)
{
    out << csvHeader() << '\n';
    std::size_t nextOperand = 0;
    std::string chunk;
    for (std::size_t k = 0; k < std::size_t(d.count()); ++k) {
        appendRow(d, k, nextOperand, chunk);
        if (chunk.size() > (1 << 16)) {
            out << QString::fromLatin1(chunk.data(), int(chunk.size()));
            chunk.clear();
        }
    }
    out << QString::fromLatin1(chunk.data(), int(chunk.size()));
}

void envelope(const float *y, int count, double xFrom, double xTo, int columns,
              std::vector<EnvelopeColumn> &out)
{
    out.clear();
    if (!y || count <= 0 || columns <= 0 || !(xTo >= xFrom))
        return;
    // Sample i sits at x = i + 1; one more on each side runs the line to the edge.
    const double lo = std::floor(std::max(xFrom - 1.0, -1.0)) - 1.0;
    const double hi = std::ceil(std::min(xTo - 1.0, double(count))) + 1.0;
    const int first = int(std::max(lo, 0.0));
    const int last = int(std::min(hi, double(count - 1)));
    if (last < first)
        return;
    const long long n = last - first + 1;
    if (n <= 2LL * columns) {
        for (int i = first; i <= last; ++i)
            out.push_back({double(i + 1), y[i], y[i], std::isnan(y[i])});
        return;
    }
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    for (int c = 0; c < columns; ++c) {
        const int a = first + int(n * c / columns);
        const int b = first + int(n * (c + 1) / columns);
        float low = kNone, high = kNone;
        bool gap = false;
        for (int i = a; i < b; ++i) {
            const float v = y[i];
            if (std::isnan(v)) {
                gap = true;
            } else if (std::isnan(low)) {
                low = high = v;
            } else {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        out.push_back({0.5 * double(a + b + 1), low, high, gap});
    }
}

} // namespace plots
