#include "pathanalysis.h"

#include "collision/collisionworld.h"
#include "kinematics/jointlimits.h"
#include "kinematics/robot.h"
#include "kinematics/solver.h"
#include "kinematics/trig.h"
#include "texts/uitexts.h"

#include <QStringBuilder>
#include <algorithm>
#include <cmath>

namespace sequences {

namespace {

constexpr double kPi = toolbox::kPi;
constexpr double kDeg = kPi / 180.0;

using Vec3 = std::array<double, 3>;
using Rot = std::array<double, 9>;

Vec3 sub(const Vec3 &a, const Vec3 &b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec3 add(const Vec3 &a, const Vec3 &b)
{
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

Vec3 scale(const Vec3 &a, double s)
{
    return {a[0] * s, a[1] * s, a[2] * s};
}

double dot(const Vec3 &a, const Vec3 &b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec3 cross(const Vec3 &a, const Vec3 &b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double norm(const Vec3 &a)
{
    return std::sqrt(dot(a, a));
}

Rot mul(const Rot &a, const Rot &b)
{
    Rot r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[std::size_t(3 * i + j)] = a[std::size_t(3 * i)] * b[std::size_t(j)] +
                                        a[std::size_t(3 * i + 1)] * b[std::size_t(3 + j)] +
                                        a[std::size_t(3 * i + 2)] * b[std::size_t(6 + j)];
    return r;
}

Vec3 turn(const Rot &r, const Vec3 &v)
{
    return {r[0] * v[0] + r[1] * v[1] + r[2] * v[2], r[3] * v[0] + r[4] * v[1] + r[5] * v[2],
            r[6] * v[0] + r[7] * v[1] + r[8] * v[2]};
}

Frame compose(const Frame &a, const Frame &b)
{
    Frame f;
    f.r = mul(a.r, b.r);
    f.t = add(turn(a.r, b.t), a.t);
    return f;
}

Frame inverse(const Frame &a)
{
    Frame f;
    f.r = {a.r[0], a.r[3], a.r[6], a.r[1], a.r[4], a.r[7], a.r[2], a.r[5], a.r[8]};
    f.t = scale(turn(f.r, a.t), -1.0);
    return f;
}

bool finite(const Frame &f)
{
    for (double v : f.r)
        if (!std::isfinite(v))
            return false;
    for (double v : f.t)
        if (!std::isfinite(v))
            return false;
    return true;
}

// Rotation about the unit axis u whose angle has sine s and cosine c
// (Rodrigues).
Rot rotation(const Vec3 &u, const kinematics::trig::SinCos &sc)
{
    const double c = sc.c, s = sc.s, v = 1.0 - c;
    const double x = u[0], y = u[1], z = u[2];
    return {c + x * x * v,     x * y * v - z * s, x * z * v + y * s,
            y * x * v + z * s, c + y * y * v,     y * z * v - x * s,
            z * x * v - y * s, z * y * v + x * s, c + z * z * v};
}

// Rotations by degrees0 about u0 and degrees1 about u1: the sines and
// cosines of a pair cost little more than those of one, and each is the
// one-at-a-time value to the last bit.
void rotations(const Vec3 &u0, double degrees0, const Vec3 &u1, double degrees1, Rot &r0, Rot &r1)
{
    kinematics::trig::SinCos sc0, sc1;
    kinematics::trig::sinCos2(degrees0 * kDeg, degrees1 * kDeg, sc0, sc1);
    r0 = rotation(u0, sc0);
    r1 = rotation(u1, sc1);
}

// Angle (degrees, in [0, 180]) and unit axis of a rotation; the axis is zero
// for no rotation. The antisymmetric part gives the axis times 2 sin(angle),
// which vanishes near a half turn as well as near none; near a half turn the
// axis comes from the symmetric part, cos(angle) I + (1 - cos(angle)) u u^T,
// and the antisymmetric part only gives its sign.
void angleAxis(const Rot &r, double &degrees, Vec3 &u)
{
    const double c = std::clamp((r[0] + r[4] + r[8] - 1.0) / 2.0, -1.0, 1.0);
    const double angle = std::acos(c);
    degrees = angle / kDeg;
    u = {0.0, 0.0, 0.0};
    if (angle == 0.0)
        return;
    const Vec3 anti{r[7] - r[5], r[2] - r[6], r[3] - r[1]};
    if (angle > 0.75 * kPi) {
        const double k = 1.0 - c; // > 1.7
        const double diag[3] = {(r[0] - c) / k, (r[4] - c) / k, (r[8] - c) / k};
        int big = 0;
        for (int i = 1; i < 3; ++i)
            if (diag[i] > diag[big])
                big = i;
        const double ub = std::sqrt(std::max(diag[big], 0.0));
        if (ub == 0.0)
            return;
        // Column `big` of the symmetric part is ub * u.
        const double sym[3][3] = {
            {(r[0] - c) / k, (r[1] + r[3]) / (2 * k), (r[2] + r[6]) / (2 * k)},
            {(r[3] + r[1]) / (2 * k), (r[4] - c) / k, (r[5] + r[7]) / (2 * k)},
            {(r[6] + r[2]) / (2 * k), (r[7] + r[5]) / (2 * k), (r[8] - c) / k}};
        u = {sym[0][big] / ub, sym[1][big] / ub, sym[2][big] / ub};
        if (dot(u, anti) < 0.0)
            u = scale(u, -1.0);
    } else {
        u = anti;
    }
    const double n = norm(u);
    if (n > 0.0 && std::isfinite(n))
        u = scale(u, 1.0 / n);
    else
        u = {0.0, 0.0, 0.0};
}

// Signed angle (degrees) from a to b about the unit axis w, in [0, 360).
double arcAngle(const Vec3 &a, const Vec3 &b, const Vec3 &w)
{
    double deg = std::atan2(dot(w, cross(a, b)), dot(a, b)) / kDeg;
    if (deg < 0.0)
        deg += 360.0;
    return deg;
}

// Steps of at most `step` over `amount`, as a double: a wild operand must
// not overflow an integer. A last step shorter than a thousandth of a step
// (2 um, 0.002 or 0.003 degrees) is no step: the count of positions of a
// move of a whole number of steps must not depend on the last decimal of its
// numbers. Joint values held as floats alone put up to some 1e-5 of a step
// on a line of the IRB 120 (the shipped drawing and its RAPID export, read
// back, differed by four positions), and a few 1e-4 on an arm of 3 m.
double steps(double amount, double step)
{
    constexpr double kLeftOver = 1e-3;
    return std::ceil(amount / step - kLeftOver);
}

double largestDifference(const double *a, const double *b)
{
    double worst = 0.0;
    for (int k = 0; k < 6; ++k)
        worst = std::max(worst, std::fabs(a[k] - b[k]));
    return worst;
}

bool allFinite(const std::array<double, 6> &v)
{
    for (double x : v)
        if (!std::isfinite(x))
            return false;
    return true;
}

bool knownCode(double code)
{
    return code == 1.0 || code == 2.0 || code == 3.0 || code == 9.0 || code == 5.0 ||
           (code >= 4.0 && code < 5.0);
}

// sin and cos exact for the right angles link twists nearly always are.
void sinCos(double radians, double &s, double &c)
{
    s = std::sin(radians);
    c = std::cos(radians);
    if (std::fabs(s) < 1e-12)
        s = 0.0;
    if (std::fabs(c) < 1e-12)
        c = 0.0;
}

} // namespace

struct PathAnalyser::State
{
    explicit State(Result &result) : out(result) {}
    Result &out;
    double J[6] = {0, 0, 0, 0, 0, 0};
    Frame P;
    Frame M;
    Frame Minv;
    bool stop = false;
};

PathAnalyser::PathAnalyser(Robot &robot) : m_robot(robot), m_chain(robot.chain())
{
    if (m_chain.complete) {
        m_angleType = m_chain.angleType;
        for (int i = 0; i < 6; ++i) {
            const kinematics::Link &c = m_chain.links[std::size_t(i)];
            Link &l = m_links[std::size_t(i)];
            sinCos(c.alpha * kDeg, l.sa, l.ca);
            l.a = c.a;
            l.theta = c.thetaRad;
            l.d = c.d;
        }
    }
}

Frame PathAnalyser::flange(const double *joints) const
{
    double model[6];
    kinematics::toModel(kinematics::angleRules(m_angleType), joints, model);
    Frame f;
    for (int i = 0; i < 6; ++i) {
        const Link &l = m_links[std::size_t(i)];
        double st, ct;
        sinCos(l.theta + model[i] * kDeg, st, ct);
        // RotX(alpha) TransX(a) TransZ(d) RotZ(theta)
        const Rot lr{ct, -st, 0.0, l.ca * st, l.ca * ct, -l.sa, l.sa * st, l.sa * ct, l.ca};
        const Vec3 lt{l.a, -l.sa * l.d, l.ca * l.d};
        f.t = add(turn(f.r, lt), f.t);
        f.r = mul(f.r, lr);
    }
    return f;
}

Frame PathAnalyser::toolChange(const double *o)
{
    const double sa = std::sin(o[3]), ca = std::cos(o[3]);
    const double sb = std::sin(o[4]), cb = std::cos(o[4]);
    const double sc = std::sin(o[5]), cc = std::cos(o[5]);
    Frame f;
    f.r = {cb * cc,
           -cb * sc,
           sb,
           ca * sc + sa * sb * cc,
           ca * cc - sa * sb * sc,
           -sa * cb,
           sa * sc - ca * sb * cc,
           sa * cc + ca * sb * sc,
           ca * cb};
    f.t = {o[0], o[1], o[2]};
    return f;
}

bool PathAnalyser::solve(const Frame &pose, const double *seed, double *out)
{
    Matrix4 target;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            target[std::size_t(4 * i + j)] = float(pose.r[std::size_t(3 * i + j)]);
        target[std::size_t(4 * i + 3)] = float(pose.t[std::size_t(i)]);
    }
    target[12] = target[13] = target[14] = 0.0f;
    target[15] = 1.0f;
    for (float v : target)
        if (!std::isfinite(v))
            return false;
    // The seed decides the axis-4 value at a singular wrist.
    float seedF[6];
    for (int k = 0; k < 6; ++k)
        seedF[k] = float(seed[k]);
    // Nearest to the seed by the largest single-joint difference, the first
    // one listed winning a tie.
    float chosen[6];
    if (!kinematics::solveNearest(m_chain, target, seedF, seed, chosen))
        return false;
    for (int k = 0; k < 6; ++k)
        out[k] = double(chosen[k]);
    return true;
}

bool PathAnalyser::push(State &s, float type, const double *joints, int problem, int id)
{
    std::vector<PathPosition> &path = s.out.path;
    if (int(path.size()) >= kMaxPositions) {
        // The program goes on beyond what can be kept: the path ends at the
        // last position kept, flagged so that the report and the player say so.
        s.stop = true;
        s.out.truncated = true;
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            if (it->type == 1.0f) {
                const int code = int(it->problem);
                if ((code / TooManyPositions) % 10 == 0)
                    it->problem = float(code + TooManyPositions);
                break;
            }
        }
        return false;
    }
    PathPosition p;
    p.type = type;
    for (int k = 0; k < 6; ++k)
        p.joints[std::size_t(k)] = float(joints[k]);
    p.problem = float(problem);
    p.pathId = id;
    path.push_back(p);
    if (m_progress && path.size() % std::size_t(kProgressInterval) == 0)
        m_progress(int(path.size()));
    return true;
}

bool PathAnalyser::jointMove(State &s, const ProgramLine &line, int id)
{
    const double *T = line.operands.data();
    double delta[6];
    double m = 0.0;
    for (int k = 0; k < 6; ++k) {
        delta[k] = T[k] - s.J[k];
        m = std::max(m, std::fabs(delta[k]));
    }
    if (!std::isfinite(m))
        return false;
    if (!jointlimits::check(m_robot, T).ok) {
        // The move is not made at all: one flagged position where the path
        // stands, which the player stops before.
        push(s, 1.0f, s.J, OutOfLimits, id);
        return true;
    }
    const double n = steps(m, kJointStep);
    if (n == 0.0) {
        if (push(s, 1.0f, s.J, 0, id))
            push(s, 1.0f, s.J, 0, id);
    } else {
        double q[6];
        for (double k = 0.0; k <= n; k += 1.0) {
            for (int i = 0; i < 6; ++i)
                q[i] = s.J[i] + k * delta[i] / n;
            // Between two positions inside the limits every step is inside
            // them too; only a start the program never reached can be out.
            if (!jointlimits::check(m_robot, q).ok) {
                push(s, 1.0f, s.J, OutOfLimits, id);
                return true;
            }
            if (!push(s, 1.0f, q, 0, id))
                break;
        }
    }
    std::copy(T, T + 6, s.J);
    s.P = compose(flange(T), s.M);
    return true;
}

bool PathAnalyser::startSegment(State &s, const Frame &start, int id, double *j0)
{
    if (!solve(compose(start, s.Minv), s.J, j0)) {
        const double zero[6] = {0, 0, 0, 0, 0, 0};
        push(s, 1.0f, zero, NoSolution, id);
        std::fill(s.J, s.J + 6, 0.0);
        return false;
    }
    // The start solution may already be far from where the path stands,
    // when the previous move ended short of its target.
    const int code = largestDifference(j0, s.J) > kJumpLimit ? JointJump : 0;
    const bool kept = push(s, 1.0f, j0, code, id);
    std::copy(j0, j0 + 6, s.J);
    return kept && code == 0;
}

bool PathAnalyser::stepSegment(State &s, const Frame &pose, int id, const double *j0, double *prev,
                               double &s5)
{
    double q[6];
    int code = 0;
    if (!solve(compose(pose, s.Minv), prev, q)) {
        std::copy(j0, j0 + 6, q);
        code = NoSolution;
    }
    if (largestDifference(q, prev) > kJumpLimit)
        code += JointJump;
    if (s5 * q[4] < 0.0) {
        code += WristCrossing;
        s5 = -s5;
    }
    if (std::fabs(q[4]) < kWristBand)
        code += WristNear;
    const bool kept = push(s, 1.0f, q, code, id);
    std::copy(q, q + 6, s.J);
    if (!kept || code != 0)
        return false;
    std::copy(q, q + 6, prev);
    return true;
}

bool PathAnalyser::linearMove(State &s, const Frame &G, int id)
{
    const Frame S = s.P;
    const Vec3 dt = sub(G.t, S.t);
    const double d = norm(dt);
    if (!finite(G) || !std::isfinite(d))
        return false;
    double theta;
    Vec3 u;
    angleAxis(mul(inverse(S).r, G.r), theta, u);
    double n = std::max(steps(d, kLinearStep), steps(theta, kAngleStep));
    if (n == 0.0)
        n = 1.0;

    double j0[6];
    if (startSegment(s, S, id, j0)) {
        double prev[6];
        std::copy(j0, j0 + 6, prev);
        double s5 = j0[4];
        // Two positions' rotations at a time.
        bool going = true;
        for (double k = 1.0; going && k <= n; k += 2.0) {
            Rot turns[2];
            rotations(u, theta * k / n, u, theta * (k + 1.0) / n, turns[0], turns[1]);
            for (int i = 0; i < 2 && going && k + i <= n; ++i) {
                Frame pose;
                pose.r = mul(S.r, turns[i]);
                pose.t = add(S.t, scale(dt, (k + i) / n));
                going = stepSegment(s, pose, id, j0, prev, s5);
            }
        }
    }
    s.P = G;
    return true;
}

bool PathAnalyser::circularMove(State &s, const Frame &V, const Frame &E, int id)
{
    const Frame S = s.P;
    const Vec3 &ps = S.t, &pv = V.t, &pe = E.t;
    const Vec3 normal = cross(sub(ps, pv), sub(pv, pe));
    const double spread2 = std::max({dot(sub(ps, pv), sub(ps, pv)), dot(sub(pv, pe), sub(pv, pe)),
                                     dot(sub(ps, pe), sub(ps, pe))});
    const double normalLength = norm(normal);
    if (!(spread2 > 0.0) || !(normalLength > kDegenerateCircle * spread2) ||
        !std::isfinite(normalLength)) {
        // Three points on one line, or fewer than three distinct points: no
        // circle. The move goes straight to the via point; the next line is
        // an instruction of its own anyway.
        return linearMove(s, V, id);
    }
    const Vec3 w = scale(normal, 1.0 / normalLength);
    // Circumcentre: with a = s - e and b = v - e,
    // C = e + ((|a|^2 b - |b|^2 a) x (a x b)) / (2 |a x b|^2).
    const Vec3 a = sub(ps, pe), b = sub(pv, pe);
    const Vec3 axb = cross(a, b);
    const Vec3 C = add(pe, scale(cross(sub(scale(b, dot(a, a)), scale(a, dot(b, b))), axb),
                                 1.0 / (2.0 * dot(axb, axb))));
    const double radius = norm(sub(ps, C));
    const double alpha1 = arcAngle(sub(ps, C), sub(pv, C), w);
    const double alpha2 = arcAngle(sub(pv, C), sub(pe, C), w);

    double theta1, theta2;
    Vec3 u1, u2;
    angleAxis(mul(inverse(S).r, V.r), theta1, u1);
    angleAxis(mul(inverse(V).r, E.r), theta2, u2);
    const double arc = 2.0 * kPi * radius / 360.0; // length of one degree of arc
    const double n1 = std::max(steps(arc * alpha1, kLinearStep), steps(theta1, kAngleStep));
    const double n2 = std::max(steps(arc * alpha2, kLinearStep), steps(theta2, kAngleStep));
    if (!std::isfinite(n1) || !std::isfinite(n2) || !std::isfinite(radius))
        return linearMove(s, V, id);

    double j0[6];
    if (startSegment(s, S, id, j0)) {
        double prev[6];
        std::copy(j0, j0 + 6, prev);
        double s5 = j0[4];
        bool going = true;
        const Vec3 rs = sub(ps, C), rv = sub(pv, C);
        // The orientation's and the arc's rotation of a position together.
        for (double k = 1.0; going && k <= n1; k += 1.0) {
            Frame pose;
            Rot orientation, arc;
            rotations(u1, theta1 * k / n1, w, alpha1 * k / n1, orientation, arc);
            pose.r = mul(S.r, orientation);
            pose.t = add(C, turn(arc, rs));
            going = stepSegment(s, pose, id, j0, prev, s5);
        }
        for (double k = 1.0; going && k <= n2; k += 1.0) {
            Frame pose;
            Rot orientation, arc;
            rotations(u2, theta2 * k / n2, w, alpha2 * k / n2, orientation, arc);
            pose.r = mul(V.r, orientation);
            pose.t = add(C, turn(arc, rv));
            going = stepSegment(s, pose, id, j0, prev, s5);
        }
    }
    s.P = E;
    return true;
}

PathAnalyser::Result PathAnalyser::analyse(const std::vector<ProgramLine> &program)
{
    Result result;
    if (program.empty() || !m_robot.isLoaded())
        return result;
    result.reportOn = !(program.front().code >= 1000.0);

    State s(result);
    const std::size_t scan = std::min<std::size_t>(5, program.size());
    for (std::size_t i = 0; i < scan; ++i) {
        if (program[i].code == 1.0 && allFinite(program[i].operands) &&
            jointlimits::check(m_robot, program[i].operands.data()).ok) {
            std::copy(program[i].operands.begin(), program[i].operands.end(), s.J);
            break;
        }
    }

    for (std::size_t i = 0; i < program.size() && !s.stop; ++i) {
        const ProgramLine &line = program[i];
        const int id = int(i);
        if (!knownCode(line.code))
            continue;
        if (!allFinite(line.operands)) {
            result.rejected.push_back(id);
            continue;
        }
        bool done = true;
        if (line.code == 1.0) {
            done = jointMove(s, line, id);
        } else if (line.code == 2.0 || line.code == 3.0) {
            done = linearMove(s, compose(flange(line.operands.data()), s.M), id);
        } else if (line.code == 9.0) {
            const Frame V = compose(flange(line.operands.data()), s.M);
            const bool hasEnd = i + 1 < program.size() && allFinite(program[i + 1].operands);
            const Frame E = hasEnd ? compose(flange(program[i + 1].operands.data()), s.M) : V;
            if (hasEnd && finite(E) && finite(V))
                done = circularMove(s, V, E, id);
            else
                done = linearMove(s, V, id); // no end point: straight to the via point
        } else if (line.code == 5.0) {
            const Frame M = toolChange(line.operands.data());
            done = finite(M) && jointlimits::placementUsable(line.operands.data());
            if (done) {
                s.M = M;
                s.Minv = inverse(M);
                s.P = compose(flange(s.J), s.M);
                push(s, 5.0f, line.operands.data(), 0, id);
            }
        } else if (jointlimits::placementUsable(line.operands.data())) {
            push(s, float(line.code), line.operands.data(), 0, id);
        } else {
            done = false;
        }
        if (!done)
            result.rejected.push_back(id);
    }

    if (m_world)
        markCollisions(result, *m_world);
    return result;
}

void PathAnalyser::markCollisions(Result &result, collision::CollisionWorld &world)
{
    result.collisions.clear();
    if (!world.hasRobot())
        return;
    std::vector<Matrix4> poses(std::size_t(world.objectCount()));
    for (int i = 0; i < world.objectCount(); ++i)
        poses[std::size_t(i)] = world.objectPose(i);
    collision::PathSweep sweep(world);
    for (std::size_t k = 0; k < result.path.size(); ++k) {
        PathPosition &p = result.path[k];
        if (p.type >= 4.0f && p.type < 5.0f) {
            // As the player places them: 4 the work object (object 0), 4.0k
            // object k; the operands are millimetres and radians.
            double v[6];
            std::copy(p.joints.begin(), p.joints.end(), v);
            if (!jointlimits::placementUsable(v))
                continue;
            const double frac = double(p.type) - 4.0;
            const int object = int(std::floor(frac * 100.0 + 0.5));
            const float toDeg = float(toolbox::kRadToDeg);
            const auto &j = p.joints;
            const Matrix4 m = toolbox::placementMatrix(
                {j[0], j[1], j[2], j[3] * toDeg, j[4] * toDeg, j[5] * toDeg});
            world.setObjectPose(object, toolbox::transpose(m));
            sweep.reset();
            continue;
        }
        if (p.type != 1.0f)
            continue;
        collision::Pair pair;
        if (!sweep.next(p.joints.data(), &pair))
            continue;
        p.problem += float(Collision);
        PathCollision c;
        c.index = k;
        c.part = pair.part;
        c.otherPart = pair.otherPart;
        c.object = pair.object;
        c.objectName = pair.object >= 0 ? world.objectName(pair.object) : QString();
        result.collisions.push_back(c);
    }
    for (int i = 0; i < world.objectCount() && i < int(poses.size()); ++i)
        world.setObjectPose(i, poses[std::size_t(i)]);
}

QString PathAnalyser::collisionText(const PathCollision &c)
{
    using uitext::Text;
    const auto part = [](int p) {
        if (p == collision::kBase)
            return uitext::get(Text::PartBase);
        if (p == collision::kTool)
            return uitext::get(Text::PartTool);
        return uitext::get(Text::PartLink).arg(p);
    };
    const QString other = c.otherPart >= 0 ? part(c.otherPart) : c.objectName;
    return uitext::get(Text::CollisionPair).arg(part(c.part), other);
}

std::vector<PathProblem> PathAnalyser::problems(const Result &result)
{
    std::vector<PathProblem> list;
    auto hit = result.collisions.begin();
    for (std::size_t k = 0; k < result.path.size(); ++k) {
        const PathPosition &p = result.path[k];
        if (p.type == 1.0f && p.problem > 0.0f) {
            list.push_back({int(k) + 1, p.pathId, int(p.problem), QString()});
            while (hit != result.collisions.end() && hit->index < k)
                ++hit;
            if (hit != result.collisions.end() && hit->index == k)
                list.back().detail = collisionText(*hit);
        }
    }
    return list;
}

void PathAnalyser::tcpPoses(const Result &result, const Matrix4 &placement,
                            const std::function<void(const float *)> &sink) const
{
    Frame place;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            place.r[std::size_t(3 * i + j)] = double(placement[std::size_t(4 * i + j)]);
        place.t[std::size_t(i)] = double(placement[std::size_t(4 * i + 3)]);
    }
    Frame tool;
    float m[16];
    for (const PathPosition &p : result.path) {
        double v[6];
        for (int k = 0; k < 6; ++k)
            v[k] = double(p.joints[std::size_t(k)]);
        if (p.type == 5.0f) {
            tool = toolChange(v);
        } else if (p.type == 1.0f) {
            const Frame f = compose(place, compose(flange(v), tool));
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j)
                    m[4 * i + j] = float(f.r[std::size_t(3 * i + j)]);
                m[4 * i + 3] = float(f.t[std::size_t(i)]);
            }
            m[12] = m[13] = m[14] = 0.0f;
            m[15] = 1.0f;
            sink(m);
        }
    }
}

QString PathAnalyser::problemTexts(int p)
{
    // In the window's language; velkari-kin applies none and stays English.
    using uitext::Text;
    const auto word = [](Text t) { return uitext::get(t) + QLatin1Char(' '); };
    QString t;
    if (p % 10 > 0)
        t += word(Text::ProblemNoSolution);
    if (p % 100 > 9)
        t += word(Text::ProblemJump);
    if (p % 1000 > 99)
        t += word(Text::ProblemWristCrossing);
    else if (p % 10000 > 999)
        t += word(Text::ProblemWristNear);
    if (p % 100000 > 9999)
        t += word(Text::ProblemTooMany);
    if (p % 1000000 > 99999)
        t += word(Text::ProblemOutOfLimits);
    if (p % 10000000 > 999999)
        t += word(Text::ProblemCollision);
    return t;
}

QString PathAnalyser::reportHtml(const std::vector<PathProblem> &problems, int maxRows)
{
    using uitext::Text;
    const auto heading = [](Text t) -> QString {
        return QStringLiteral("<td>|-- ") % uitext::get(t).toHtmlEscaped() % QStringLiteral(" --|");
    };
    QString html = QStringLiteral("<html>") %
                   uitext::get(Text::ReportCount).arg(problems.size()).toHtmlEscaped() %
                   QStringLiteral("<br><table align=center><tr><td>|-- id --|") %
                   heading(Text::ReportJointId) % heading(Text::ReportPathId) %
                   heading(Text::ReportProblem) % QStringLiteral("<td>");
    const int shown =
        int(std::min<std::size_t>(problems.size(), std::size_t(std::max(maxRows, 0))));
    for (int i = 0; i < shown; ++i) {
        const PathProblem &p = problems[std::size_t(i)];
        html += QStringLiteral("<tr><td align=center>") % QString::number(i) %
                QStringLiteral("<td align=center>") % QString::number(p.position) %
                QStringLiteral("<td align=center>") % QString::number(p.pathId) %
                QStringLiteral("<td align=left>") % problemTexts(p.code).toHtmlEscaped() %
                p.detail.toHtmlEscaped();
    }
    if (shown < int(problems.size()))
        html += QStringLiteral("<tr><td align=center>...<td align=center>...<td "
                               "align=center>...<td align=left>") %
                uitext::get(Text::ReportMore).arg(int(problems.size()) - shown).toHtmlEscaped();
    html += QStringLiteral("</table></html>");
    return html;
}

} // namespace sequences
