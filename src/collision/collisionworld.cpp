#include "collisionworld.h"

#include "kinematics/chain.h"
#include "kinematics/robot.h"
#include "models/tool.h"
#include "scene/objectmesh.h"

#include <fcl/fcl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace collision {

QString partName(int part)
{
    if (part == kBase)
        return QStringLiteral("base");
    if (part == kTool)
        return QStringLiteral("tool");
    if (part > 0 && part < kTool)
        return QStringLiteral("link %1").arg(part);
    return QString();
}

const char *partKey(int part)
{
    static const char *const keys[kParts] = {"base",  "link1", "link2", "link3",
                                             "link4", "link5", "link6", "tool"};
    return part >= 0 && part < kParts ? keys[part] : "";
}

int partOfKey(const QString &key)
{
    for (int p = 0; p < kParts; ++p)
        if (key == QLatin1String(partKey(p)))
            return p;
    return -1;
}

namespace {

using Vec = Eigen::Vector3d;
using Iso = fcl::Transform3d;
using Model = fcl::BVHModel<fcl::OBBRSSd>;

// Triangles per hierarchy. A larger mesh is cut into slabs along its longest
// side, one hierarchy each, so that building reports progress between slabs
// and a query skips the slabs whose boxes are far away.
constexpr std::size_t kChunk = 40000;
// An object whose distance to the robot base is at most this (mm) is what
// the robot stands on.
constexpr double kStandsOn = 1.0;
// A part farther than this from an object's box (beyond the safety distance)
// gets the box distance as its clearance, without an exact query: for the
// sweep a lower bound is as good as the distance.
constexpr double kNearBox = 25.0;

// One mesh in its own frame: its hierarchies and the boxes around them.
struct Mesh
{
    std::vector<std::shared_ptr<Model>> chunks;
    std::vector<fcl::AABBd> boxes; // one per chunk, own frame
    Vec centre = Vec::Zero();      // bounding sphere, own frame
    double radius = 0.0;
    double axial = 0.0; // farthest point from the z axis of the own frame
    std::size_t triangles = 0;
    bool empty() const { return chunks.empty(); }
};

Iso fromRowMajor(const Matrix4 &m)
{
    Iso t = Iso::Identity();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            t.linear()(r, c) = double(m[std::size_t(4 * r + c)]);
        t.translation()(r) = double(m[std::size_t(4 * r + 3)]);
    }
    return t;
}

Iso fromColumnMajor(const Matrix4 &m)
{
    Iso t = Iso::Identity();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            t.linear()(r, c) = double(m[std::size_t(4 * c + r)]);
        t.translation()(r) = double(m[std::size_t(12 + r)]);
    }
    return t;
}

bool finite(const Iso &t)
{
    return t.matrix().allFinite();
}

// Modified DH: RotX(alpha) TransX(a) TransZ(d) RotZ(theta), angles in degrees.
Iso linkTransform(double alpha, double a, double d, double theta)
{
    const double al = alpha * M_PI / 180.0, th = theta * M_PI / 180.0;
    const double sa = std::sin(al), ca = std::cos(al), st = std::sin(th), ct = std::cos(th);
    Iso t = Iso::Identity();
    auto &m = t.matrix();
    m(0, 0) = ct, m(0, 1) = -st, m(0, 2) = 0.0, m(0, 3) = a;
    m(1, 0) = ca * st, m(1, 1) = ca * ct, m(1, 2) = -sa, m(1, 3) = -sa * d;
    m(2, 0) = sa * st, m(2, 1) = sa * ct, m(2, 2) = ca, m(2, 3) = ca * d;
    return t;
}

fcl::AABBd boxOf(const fcl::AABBd &local, const Iso &t)
{
    const Vec c = t * local.center();
    const Vec h = (local.max_ - local.min_) * 0.5;
    const Vec e = t.linear().cwiseAbs() * h;
    return fcl::AABBd(c - e, c + e);
}

double sphereToBox(const Vec &c, double r, const fcl::AABBd &b)
{
    const Vec q = c.cwiseMax(b.min_).cwiseMin(b.max_);
    return std::max(0.0, (c - q).norm() - r);
}

// Builds the hierarchies of a triangle soup (9 floats per triangle) after
// `place` (scaling included). Triangles with a corner that is not finite or
// without area are left out: they bound nothing.
bool buildMesh(const std::vector<Vec> &corners, Mesh &out, const Progress &progress,
               QString *why, const QString &label)
{
    out = Mesh();
    QElapsedTimer clock;
    clock.start();
    const std::size_t count = corners.size() / 3;
    if (count > CollisionWorld::kMaxTriangles) {
        if (why)
            *why = QCoreApplication::translate("Collision",
                                               "%1 has %2 triangles, more than collision "
                                               "checking takes (%3): it is not checked.")
                       .arg(label)
                       .arg(count)
                       .arg(CollisionWorld::kMaxTriangles);
        return false;
    }
    std::vector<std::uint32_t> kept;
    kept.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Vec &a = corners[3 * i], &b = corners[3 * i + 1], &c = corners[3 * i + 2];
        if (!a.allFinite() || !b.allFinite() || !c.allFinite())
            continue;
        const double area = (b - a).cross(c - a).norm();
        if (!(area > 1e-12))
            continue;
        kept.push_back(std::uint32_t(i));
    }
    if (kept.empty()) {
        if (why)
            *why = QCoreApplication::translate("Collision", "%1 has no triangle with an area: it "
                                                            "is not checked for collisions.")
                       .arg(label);
        return false;
    }
    fcl::AABBd all;
    bool first = true;
    for (std::uint32_t i : kept)
        for (int k = 0; k < 3; ++k) {
            const Vec &p = corners[3 * i + std::size_t(k)];
            if (first)
                all = fcl::AABBd(p);
            else
                all += p;
            first = false;
        }
    if (kept.size() > kChunk) {
        // Slabs along the longest side.
        int axis = 0;
        const Vec size = all.max_ - all.min_;
        size.maxCoeff(&axis);
        std::vector<double> key(count);
        for (std::uint32_t i : kept)
            key[i] = corners[3 * i][axis] + corners[3 * i + 1][axis] + corners[3 * i + 2][axis];
        std::sort(kept.begin(), kept.end(),
                  [&key](std::uint32_t x, std::uint32_t y) { return key[x] < key[y]; });
    }
    out.centre = all.center();
    for (std::uint32_t i : kept)
        for (int k = 0; k < 3; ++k) {
            const Vec &p = corners[3 * i + std::size_t(k)];
            out.radius = std::max(out.radius, (p - out.centre).norm());
            out.axial = std::max(out.axial, std::hypot(p.x(), p.y()));
        }
    std::vector<Vec> vertices;
    std::vector<fcl::Triangle> triangles;
    for (std::size_t from = 0; from < kept.size(); from += kChunk) {
        const std::size_t to = std::min(kept.size(), from + kChunk);
        vertices.clear();
        triangles.clear();
        fcl::AABBd box(corners[3 * kept[from]]);
        for (std::size_t j = from; j < to; ++j) {
            const std::size_t v = vertices.size();
            for (int k = 0; k < 3; ++k) {
                const Vec &p = corners[3 * kept[j] + std::size_t(k)];
                vertices.push_back(p);
                box += p;
            }
            triangles.emplace_back(v, v + 1, v + 2);
        }
        auto model = std::make_shared<Model>();
        model->beginModel(int(triangles.size()), int(vertices.size()));
        model->addSubModel(vertices, triangles);
        model->endModel();
        model->computeLocalAABB();
        out.chunks.push_back(std::move(model));
        out.boxes.push_back(box);
        if (progress && clock.elapsed() > 500)
            progress(to, kept.size());
    }
    out.triangles = kept.size();
    return true;
}

// The corners of a part made of joints (a link and its parts, or the tool's
// part files), each vertex through `place`.
void collect(const Joint &joint, const Iso &place, std::vector<Vec> &corners)
{
    const std::vector<float> &v = joint.getDrawVertices();
    for (std::size_t i = 0; i + 8 < v.size(); i += 9)
        for (int k = 0; k < 3; ++k)
            corners.push_back(place * Vec(v[i + 3 * std::size_t(k)], v[i + 3 * std::size_t(k) + 1],
                                          v[i + 3 * std::size_t(k) + 2]));
    for (const Joint &part : joint.getParts())
        collect(part, place, corners);
}

// The smallest distance between two placed meshes, or `best` when none is
// smaller. `bWorldBoxes` holds b's slab boxes already placed, or is null.
// With `relative` above 0 the hierarchies are searched no deeper than needed
// for a distance at most 1 + relative times too large: the true distance is
// then at least the answer / (1 + relative).
double meshDistance(const Mesh &a, const Iso &ta, const Mesh &b, const Iso &tb,
                    const fcl::AABBd *bWorldBoxes, double best, double relative = 0.0)
{
    // The part's sphere against each slab's box first: slabs farther than the
    // best distance so far need no exact query.
    const Vec c = ta * a.centre;
    for (std::size_t i = 0; i < b.chunks.size(); ++i) {
        if (sphereToBox(c, a.radius, bWorldBoxes ? bWorldBoxes[i] : boxOf(b.boxes[i], tb)) >=
            best)
            continue;
        for (const auto &chunk : a.chunks) {
            fcl::DistanceRequestd request;
            if (relative > 0.0) {
                request.rel_err = relative;
                request.abs_err = HUGE_VAL; // only the relative error decides
            }
            fcl::DistanceResultd result;
            fcl::distance(chunk.get(), ta, b.chunks[i].get(), tb, request, result);
            best = std::min(best, std::max(0.0, result.min_distance));
            if (best <= 0.0)
                return 0.0;
        }
    }
    return best;
}

// Whether two placed meshes overlap: FCL's boolean test, which stops at the
// first pair of triangles that cross and never looks for the closest points,
// and so costs a fraction of a distance query. `bWorldBoxes` as above.
bool meshTouches(const Mesh &a, const Iso &ta, const Mesh &b, const Iso &tb,
                 const fcl::AABBd *bWorldBoxes)
{
    // Kept from call to call: a contact found once leaves its capacity.
    thread_local fcl::CollisionResultd result;
    const fcl::CollisionRequestd request(1, false);
    const Vec c = ta * a.centre;
    for (std::size_t i = 0; i < b.chunks.size(); ++i) {
        if (sphereToBox(c, a.radius, bWorldBoxes ? bWorldBoxes[i] : boxOf(b.boxes[i], tb)) > 0.0)
            continue;
        for (const auto &chunk : a.chunks) {
            result.clear();
            if (fcl::collide(chunk.get(), ta, b.chunks[i].get(), tb, request, result) > 0)
                return true;
        }
    }
    return false;
}

} // namespace

struct CollisionWorld::Impl
{
    struct Object
    {
        QString name;
        Mesh mesh;
        bool usable = false;
        float scale = 1.0f;
        std::size_t sourceTriangles = 0;
        std::uint32_t readings = 0;
        const float *sourceData = nullptr;
        Iso pose = Iso::Identity();
        std::vector<fcl::AABBd> worldBoxes; // per slab
        fcl::AABBd worldBox;
        std::uint32_t ignore = 0;
        bool ownIgnore = false;
    };

    // Where every part is at one position.
    struct Frames
    {
        std::array<Iso, kParts> part;
        std::array<double, 6> model{};
    };

    bool robot = false;
    std::array<Mesh, kParts> parts;
    std::array<std::array<double, 4>, kinematics::kElements> links{}; // alpha, a, d, theta
    int angleType = 0;
    Iso placement = Iso::Identity();
    // reach[j][p]: the farthest any point of part p can be from axis j + 1.
    std::array<std::array<double, kParts>, 6> reach{};
    std::vector<Object> objects;
    std::uint32_t selfLinks = 0b1110; // links 1-3
    double safety = 0.0;
    Progress progress;

    // Every checked pair with a lower bound of its distance, reused from
    // query to query (a world answers one thread).
    struct Candidate
    {
        double low;
        int part, object, otherPart;
    };
    mutable std::vector<Candidate> candidates;

    // The closest checked pair: pairs in the order of their lower bounds,
    // exact distances until the next bound is no nearer than the best.
    Pair closest(const Frames &f) const
    {
        candidates.clear();
        for (int p = 0; p < kParts; ++p) {
            const Mesh &mesh = parts[std::size_t(p)];
            if (mesh.empty())
                continue;
            const Vec c = f.part[std::size_t(p)] * mesh.centre;
            for (std::size_t i = 0; i < objects.size(); ++i)
                if (checked(p, objects[i]))
                    candidates.push_back(
                        {sphereToBox(c, mesh.radius, objects[i].worldBox), p, int(i), -1});
            if (p == kTool)
                for (int k = 1; k <= 3; ++k)
                    if (selfPair(k)) {
                        const Mesh &link = parts[std::size_t(k)];
                        const double low = (c - f.part[std::size_t(k)] * link.centre).norm() -
                                           mesh.radius - link.radius;
                        candidates.push_back({std::max(0.0, low), kTool, -1, k});
                    }
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const Candidate &a, const Candidate &b) { return a.low < b.low; });
        Pair best;
        for (const Candidate &cand : candidates) {
            if (cand.low >= best.distance)
                break;
            const Mesh &mesh = parts[std::size_t(cand.part)];
            const Iso &t = f.part[std::size_t(cand.part)];
            const double dist =
                cand.object >= 0
                    ? meshDistance(mesh, t, objects[std::size_t(cand.object)].mesh,
                                   objects[std::size_t(cand.object)].pose,
                                   objects[std::size_t(cand.object)].worldBoxes.data(),
                                   best.distance)
                    : meshDistance(mesh, t, parts[std::size_t(cand.otherPart)],
                                   f.part[std::size_t(cand.otherPart)], nullptr, best.distance);
            if (dist < best.distance)
                best = Pair{cand.part, cand.object, cand.otherPart, dist};
        }
        return best;
    }

    void frames(const float *joints, Frames &f) const
    {
        double robotValues[6];
        for (int k = 0; k < 6; ++k)
            robotValues[k] = double(joints[k]);
        Robot::robotToDH(angleType, robotValues, f.model.data());
        Iso t = placement * linkTransform(links[0][0], links[0][1], links[0][2], links[0][3]);
        f.part[kBase] = t;
        for (int k = 1; k <= 6; ++k) {
            t = t * linkTransform(links[std::size_t(k)][0], links[std::size_t(k)][1],
                                  links[std::size_t(k)][2],
                                  links[std::size_t(k)][3] + f.model[std::size_t(k - 1)]);
            f.part[std::size_t(k)] = t;
        }
        f.part[kTool] = t;
    }

    bool checked(int part, const Object &o) const
    {
        return o.usable && !parts[std::size_t(part)].empty() && !(o.ignore & (1u << part));
    }

    bool selfPair(int link) const
    {
        return (selfLinks & (1u << link)) && !parts[kTool].empty() &&
               !parts[std::size_t(link)].empty();
    }

    // A lower bound of a distance from a search that may stop early; the
    // exact distance when that bound does not clear the safety distance.
    template <typename Query> double bounded(Query &&query) const
    {
        constexpr double kRelative = 0.25;
        const double approximate = query(kRelative);
        if (approximate <= 0.0)
            return 0.0; // touching: no search can say less
        const double low = approximate / (1.0 + kRelative);
        return low > safety ? low : query(0.0);
    }

    // Smallest distance of part `part` to everything it is checked against,
    // no further than `cap`; a lower bound of it when above `roughAbove`.
    Pair partDistance(int part, const Frames &f, double cap, double roughAbove,
                      bool withSelf = true) const
    {
        Pair best;
        best.part = part;
        best.distance = cap;
        const Mesh &mesh = parts[std::size_t(part)];
        if (mesh.empty())
            return best;
        const Iso &t = f.part[std::size_t(part)];
        const Vec c = t * mesh.centre;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const Object &o = objects[i];
            if (!checked(part, o))
                continue;
            const double low = sphereToBox(c, mesh.radius, o.worldBox);
            if (low >= best.distance)
                continue;
            double dist = low;
            if (low <= roughAbove)
                dist = bounded([&](double relative) {
                    return meshDistance(mesh, t, o.mesh, o.pose, o.worldBoxes.data(),
                                        best.distance, relative);
                });
            if (dist < best.distance) {
                best.distance = dist;
                best.object = int(i);
                best.otherPart = -1;
            }
        }
        if (part == kTool && withSelf)
            for (int k = 1; k <= 3; ++k) {
                if (!selfPair(k))
                    continue;
                const Mesh &link = parts[std::size_t(k)];
                const Iso &tl = f.part[std::size_t(k)];
                const double low =
                    std::max(0.0, (c - tl * link.centre).norm() - mesh.radius - link.radius);
                if (low >= best.distance)
                    continue;
                double dist = low;
                if (low <= roughAbove)
                    dist = bounded([&](double relative) {
                        return meshDistance(mesh, t, link, tl, nullptr, best.distance, relative);
                    });
                if (dist < best.distance) {
                    best.distance = dist;
                    best.object = -1;
                    best.otherPart = k;
                }
            }
        return best;
    }

    // Every pair of `part` within the safety distance, into `sink`.
    template <typename Sink> void partContacts(int part, const Frames &f, Sink &&sink) const
    {
        const Mesh &mesh = parts[std::size_t(part)];
        if (mesh.empty())
            return;
        const Iso &t = f.part[std::size_t(part)];
        const Vec c = t * mesh.centre;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const Object &o = objects[i];
            if (!checked(part, o) || sphereToBox(c, mesh.radius, o.worldBox) > safety)
                continue;
            const double dist = meshDistance(mesh, t, o.mesh, o.pose, o.worldBoxes.data(),
                                             std::nextafter(safety, HUGE_VAL));
            if (dist <= safety && !sink(Pair{part, int(i), -1, dist}))
                return;
        }
        if (part == kTool)
            for (int k = 1; k <= 3; ++k) {
                if (!selfPair(k))
                    continue;
                const Pair p = partDistanceToLink(k, f);
                if (p.distance <= safety && !sink(p))
                    return;
            }
    }

    Pair partDistanceToLink(int k, const Frames &f) const
    {
        const Mesh &link = parts[std::size_t(k)];
        const Iso &tl = f.part[std::size_t(k)];
        Pair p{kTool, -1, k, 0.0};
        p.distance = meshDistance(parts[kTool], f.part[kTool], link, tl, nullptr,
                                  std::nextafter(safety, HUGE_VAL));
        return p;
    }

    // Without a safety distance: whether `part` overlaps an object it is
    // checked against (the first such pair into *pair).
    bool partTouches(int part, const Frames &f, Pair *pair) const
    {
        const Mesh &mesh = parts[std::size_t(part)];
        const Iso &t = f.part[std::size_t(part)];
        const Vec c = t * mesh.centre;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const Object &o = objects[i];
            if (!checked(part, o) || sphereToBox(c, mesh.radius, o.worldBox) > 0.0)
                continue;
            if (meshTouches(mesh, t, o.mesh, o.pose, o.worldBoxes.data())) {
                *pair = Pair{part, int(i), -1, 0.0};
                return true;
            }
        }
        return false;
    }

    bool toolTouchesLink(int k, const Frames &f, Pair *pair) const
    {
        if (!meshTouches(parts[kTool], f.part[kTool], parts[std::size_t(k)],
                         f.part[std::size_t(k)], nullptr))
            return false;
        *pair = Pair{kTool, -1, k, 0.0};
        return true;
    }

    void placeObject(Object &o)
    {
        o.worldBoxes.clear();
        for (const fcl::AABBd &b : o.mesh.boxes)
            o.worldBoxes.push_back(boxOf(b, o.pose));
        o.worldBox = o.worldBoxes.empty() ? fcl::AABBd(o.pose.translation()) : o.worldBoxes[0];
        for (const fcl::AABBd &b : o.worldBoxes)
            o.worldBox += b;
    }

    // An object the user has not decided about ignores the base when the
    // robot stands on it.
    void defaultIgnore(Object &o)
    {
        if (o.ownIgnore)
            return;
        o.ignore = 0;
        if (!robot || !o.usable || parts[kBase].empty())
            return;
        Frames f;
        const float zero[6] = {0, 0, 0, 0, 0, 0};
        frames(zero, f);
        const double d = meshDistance(parts[kBase], f.part[kBase], o.mesh, o.pose, o.worldBoxes.data(),
                                      kStandsOn * 2.0);
        if (d <= kStandsOn)
            o.ignore = 1u << kBase;
    }

    void computeReach()
    {
        // Distance from axis j's origin to the origin of frame p is at most the
        // sum of the link offsets in between; a point of part p lies within
        // the part's sphere around its own origin.
        for (int j = 1; j <= 6; ++j)
            for (int p = 0; p < kParts; ++p) {
                double r = 0.0;
                const int last = std::min(p, 6);
                if (p < j) {
                    reach[std::size_t(j - 1)][std::size_t(p)] = 0.0;
                    continue;
                }
                for (int k = j + 1; k <= last; ++k)
                    r += std::hypot(links[std::size_t(k)][1], links[std::size_t(k)][2]);
                const Mesh &m = parts[std::size_t(p)];
                r += m.centre.norm() + m.radius;
                // The part's own axis turns it about the z axis of its frame.
                if (j == last)
                    r = std::min(r, m.axial);
                reach[std::size_t(j - 1)][std::size_t(p)] = r;
            }
    }

    void model(const float *joints, double *out) const
    {
        double q[6];
        for (int k = 0; k < 6; ++k)
            q[k] = double(joints[k]);
        Robot::robotToDH(angleType, q, out);
    }

    double bound(int part, const float *from, const float *to) const
    {
        double a[6], b[6];
        model(from, a);
        model(to, b);
        return modelBound(part, a, b);
    }

    // Each axis turned alone moves a point by at most the angle times its
    // distance from the axis; the turns of several axes add up. Axes up to
    // `after` are left out: seen from link `after`, only the later ones move
    // the part.
    double modelBound(int part, const double *a, const double *b, int after = 0) const
    {
        if (part == kBase)
            return 0.0;
        double m = 0.0;
        const int last = std::min(part, 6);
        for (int j = after + 1; j <= last; ++j)
            m += std::fabs(b[j - 1] - a[j - 1]) * (M_PI / 180.0) *
                 reach[std::size_t(j - 1)][std::size_t(part)];
        return m;
    }
};

CollisionWorld::CollisionWorld() : d(new Impl) {}
CollisionWorld::~CollisionWorld() = default;

void CollisionWorld::setProgress(Progress progress)
{
    d->progress = std::move(progress);
}

bool CollisionWorld::setRobot(const Robot &robot, QString *why)
{
    clearRobot();
    if (!robot.isLoaded()) {
        if (why)
            *why = QCoreApplication::translate("Collision", "No robot is loaded: nothing is "
                                                            "checked for collisions.");
        return false;
    }
    const std::vector<Joint> &joints = robot.getJoints();
    for (int k = 0; k < kinematics::kElements; ++k) {
        const Joint &j = joints[std::size_t(k)];
        d->links[std::size_t(k)] = {j.getAlpha(), j.getA(), double(j.getD()), j.getTheta()};
    }
    d->angleType = robot.getAngleType();
    d->placement = fromRowMajor(robot.getPlacement());
    std::vector<Vec> corners;
    for (int k = 0; k < kinematics::kElements; ++k) {
        corners.clear();
        collect(joints[std::size_t(k)], Iso::Identity(), corners);
        // A link without triangles is simply not checked.
        buildMesh(corners, d->parts[std::size_t(k)], d->progress, nullptr, partName(k));
    }
    if (robot.getHasTool() && robot.getTool()) {
        corners.clear();
        const Iso place = fromRowMajor(robot.getTool()->getMeshPlacement());
        for (const Joint &part : robot.getTool()->getParts())
            collect(part, place, corners);
        buildMesh(corners, d->parts[kTool], d->progress, nullptr, partName(kTool));
    }
    d->robot = true;
    d->computeReach();
    for (Impl::Object &o : d->objects)
        d->defaultIgnore(o);
    return true;
}

void CollisionWorld::setRobotPlacement(const Matrix4 &rowMajor)
{
    const Iso t = fromRowMajor(rowMajor);
    if (finite(t))
        d->placement = t;
}

void CollisionWorld::clearRobot()
{
    d->robot = false;
    for (Mesh &m : d->parts)
        m = Mesh();
    d->placement = Iso::Identity();
}

bool CollisionWorld::hasRobot() const
{
    return d->robot;
}

bool CollisionWorld::setObject(int index, const ObjectEntry &entry, QString *why)
{
    if (index < 0)
        return false;
    if (index >= int(d->objects.size()))
        d->objects.resize(std::size_t(index) + 1);
    Impl::Object &o = d->objects[std::size_t(index)];
    o.name = entry.name;
    const bool fresh = o.readings != entry.meshReadings || o.scale != entry.scale ||
                       o.sourceTriangles != entry.triangleCount() ||
                       o.sourceData != entry.vertices.data() || (!o.usable && o.mesh.empty());
    const Iso pose = fromColumnMajor(entry.pose);
    o.pose = finite(pose) ? pose : Iso::Identity();
    if (fresh) {
        o.readings = entry.meshReadings;
        o.scale = entry.scale;
        o.sourceTriangles = entry.triangleCount();
        o.sourceData = entry.vertices.data();
        std::vector<Vec> corners;
        if (entry.triangleCount() <= kMaxTriangles) {
            corners.reserve(entry.triangleCount() * 3);
            const double s = double(entry.scale);
            for (std::size_t i = 0; i + 2 < entry.triangleCount() * 9; i += 3)
                corners.emplace_back(entry.vertices[i] * s, entry.vertices[i + 1] * s,
                                     entry.vertices[i + 2] * s);
        } else {
            corners.resize((kMaxTriangles + 1) * 3); // refused by size alone
        }
        o.usable = buildMesh(corners, o.mesh, d->progress, why, entry.name);
        if (!o.usable)
            o.mesh = Mesh();
    }
    d->placeObject(o);
    d->defaultIgnore(o);
    if (!o.usable && !fresh && why)
        *why = QCoreApplication::translate("Collision", "%1 is not checked for collisions.")
                   .arg(entry.name);
    return o.usable;
}

void CollisionWorld::setObjectPose(int index, const Matrix4 &columnPose)
{
    if (index < 0 || index >= int(d->objects.size()))
        return;
    const Iso t = fromColumnMajor(columnPose);
    if (!finite(t))
        return;
    Impl::Object &o = d->objects[std::size_t(index)];
    o.pose = t;
    d->placeObject(o);
    d->defaultIgnore(o);
}

void CollisionWorld::removeObject(int index)
{
    if (index >= 0 && index < int(d->objects.size()))
        d->objects.erase(d->objects.begin() + index);
}

void CollisionWorld::clearObjects()
{
    d->objects.clear();
}

int CollisionWorld::objectCount() const
{
    return int(d->objects.size());
}

Matrix4 CollisionWorld::objectPose(int index) const
{
    Matrix4 m = toolbox::identity();
    if (index < 0 || index >= int(d->objects.size()))
        return m;
    const Iso &t = d->objects[std::size_t(index)].pose;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            m[std::size_t(4 * c + r)] = float(t.linear()(r, c));
        m[std::size_t(12 + r)] = float(t.translation()(r));
    }
    return m;
}

QString CollisionWorld::objectName(int index) const
{
    return index >= 0 && index < int(d->objects.size()) ? d->objects[std::size_t(index)].name
                                                        : QString();
}

std::size_t CollisionWorld::objectTriangles(int index) const
{
    return index >= 0 && index < int(d->objects.size())
               ? d->objects[std::size_t(index)].mesh.triangles
               : 0;
}

std::uint32_t CollisionWorld::ignoreMask(int object) const
{
    return object >= 0 && object < int(d->objects.size()) ? d->objects[std::size_t(object)].ignore
                                                          : 0;
}

void CollisionWorld::setIgnoreMask(int object, std::uint32_t mask)
{
    if (object < 0)
        return;
    if (object >= int(d->objects.size()))
        d->objects.resize(std::size_t(object) + 1);
    d->objects[std::size_t(object)].ignore = mask & ((1u << kParts) - 1);
    d->objects[std::size_t(object)].ownIgnore = true;
}

bool CollisionWorld::hasOwnIgnoreMask(int object) const
{
    return object >= 0 && object < int(d->objects.size()) &&
           d->objects[std::size_t(object)].ownIgnore;
}

std::uint32_t CollisionWorld::selfChecked() const
{
    return d->selfLinks;
}

void CollisionWorld::setSelfChecked(std::uint32_t links)
{
    d->selfLinks = links & 0b1110;
}

double CollisionWorld::safetyDistance() const
{
    return d->safety;
}

void CollisionWorld::setSafetyDistance(double mm)
{
    d->safety = std::isfinite(mm) && mm > 0.0 ? mm : 0.0;
}

void CollisionWorld::state(const float *robotJoints, State &out) const
{
    out.colliding = false;
    out.parts.fill(false);
    out.objects.assign(d->objects.size(), 0);
    out.pairs.clear();
    if (!d->robot)
        return;
    Impl::Frames f;
    d->frames(robotJoints, f);
    for (int p = 0; p < kParts; ++p)
        d->partContacts(p, f, [&out](const Pair &pair) {
            out.colliding = true;
            out.parts[std::size_t(pair.part)] = true;
            if (pair.object >= 0)
                out.objects[std::size_t(pair.object)] = 1;
            else if (pair.otherPart > 0 && pair.otherPart < kParts)
                out.parts[std::size_t(pair.otherPart)] = true;
            out.pairs.push_back(pair);
            return true;
        });
}

bool CollisionWorld::collides(const float *robotJoints, Pair *first) const
{
    if (!d->robot)
        return false;
    Impl::Frames f;
    d->frames(robotJoints, f);
    bool found = false;
    for (int p = 0; p < kParts && !found; ++p)
        d->partContacts(p, f, [&](const Pair &pair) {
            found = true;
            if (first)
                *first = pair;
            return false;
        });
    return found;
}

Clearance CollisionWorld::clearance(const float *robotJoints) const
{
    Clearance c;
    if (!d->robot)
        return c;
    Impl::Frames f;
    d->frames(robotJoints, f);
    c.closest = d->closest(f);
    return c;
}

bool CollisionWorld::stepsIntoCollision(const float *from, const float *to) const
{
    if (!d->robot)
        return false;
    State after;
    state(to, after);
    if (!after.colliding)
        return false;
    State before;
    state(from, before);
    for (const Pair &p : after.pairs) {
        const bool old = std::any_of(before.pairs.begin(), before.pairs.end(), [&p](const Pair &q) {
            return q.part == p.part && q.object == p.object && q.otherPart == p.otherPart;
        });
        if (!old)
            return true;
    }
    return false;
}

double CollisionWorld::motionBound(int part, const float *from, const float *to) const
{
    if (part < 0 || part >= kParts)
        return 0.0;
    return d->bound(part, from, to);
}

PathSweep::PathSweep(const CollisionWorld &world) : m_world(world) {}

void PathSweep::reset()
{
    m_known.fill(false);
}

bool PathSweep::next(const float *robotJoints, Pair *first)
{
    ++m_positions;
    const CollisionWorld::Impl &w = *m_world.d;
    if (!w.robot)
        return false;
    CollisionWorld::Impl::Frames f;
    bool framed = false;
    double now[6];
    w.model(robotJoints, now);
    // Slots 0-7: a part against the objects; 8-10: the tool against link 1-3,
    // which move together with the axes up to the link's, so only the later
    // axes change that distance.
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
        const bool self = slot >= std::size_t(kParts);
        const int part = self ? kTool : int(slot);
        const int link = self ? int(slot) - kParts + 1 : 0;
        if (self ? !w.selfPair(link) : w.parts[slot].empty())
            continue;
        if (m_known[slot] && w.modelBound(part, m_at[slot].data(), now, link) < m_budget[slot]) {
            ++m_skipped;
            continue;
        }
        if (!framed) {
            w.frames(robotJoints, f);
            framed = true;
        }
        ++m_queries;
        // Without a safety distance the boolean test answers the position on
        // its own: it stops at the first crossing triangles and never looks
        // for the closest points, and costs about a hundredth of a distance,
        // less than what a distance would save on the positions after it.
        if (w.safety == 0.0) {
            Pair pair;
            if (self ? w.toolTouchesLink(link, f, &pair) : w.partTouches(part, f, &pair)) {
                if (first)
                    *first = pair;
                return true;
            }
            continue;
        }
        Pair pair;
        if (self) {
            pair = Pair{kTool, -1, link, w.bounded([&](double relative) {
                            return meshDistance(w.parts[kTool], f.part[kTool],
                                                w.parts[std::size_t(link)],
                                                f.part[std::size_t(link)], nullptr, HUGE_VAL,
                                                relative);
                        })};
        } else {
            pair = w.partDistance(part, f, HUGE_VAL, w.safety + kNearBox, false);
        }
        std::copy(now, now + 6, m_at[slot].begin());
        if (pair.distance <= w.safety) {
            m_known[slot] = false;
            if (first)
                *first = pair;
            return true;
        }
        m_known[slot] = true;
        m_budget[slot] = pair.distance - w.safety;
    }
    return false;
}

} // namespace collision
