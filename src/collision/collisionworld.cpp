#include "collisionworld.h"

#include "kinematics/robot.h"
#include "scene/objectmesh.h"

#include <fcl/fcl.h>

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

struct CollisionWorld::Impl
{
};

CollisionWorld::CollisionWorld() : d(new Impl) {}
CollisionWorld::~CollisionWorld() = default;
void CollisionWorld::setProgress(Progress) {}
bool CollisionWorld::setRobot(const Robot &, QString *) { return false; }
void CollisionWorld::setRobotPlacement(const Matrix4 &) {}
void CollisionWorld::clearRobot() {}
bool CollisionWorld::hasRobot() const { return false; }
bool CollisionWorld::setObject(int, const ObjectEntry &, QString *) { return false; }
void CollisionWorld::setObjectPose(int, const Matrix4 &) {}
void CollisionWorld::removeObject(int) {}
void CollisionWorld::clearObjects() {}
int CollisionWorld::objectCount() const { return 0; }
QString CollisionWorld::objectName(int) const { return QString(); }
std::size_t CollisionWorld::objectTriangles(int) const { return 0; }
std::uint32_t CollisionWorld::ignoreMask(int) const { return 0; }
void CollisionWorld::setIgnoreMask(int, std::uint32_t) {}
bool CollisionWorld::hasOwnIgnoreMask(int) const { return false; }
std::uint32_t CollisionWorld::selfChecked() const { return 0; }
void CollisionWorld::setSelfChecked(std::uint32_t) {}
double CollisionWorld::safetyDistance() const { return 0.0; }
void CollisionWorld::setSafetyDistance(double) {}
void CollisionWorld::state(const float *, State &out) const { out = State(); }
bool CollisionWorld::collides(const float *, Pair *) const { return false; }
Clearance CollisionWorld::clearance(const float *) const { return Clearance(); }
bool CollisionWorld::stepsIntoCollision(const float *, const float *) const { return false; }
double CollisionWorld::motionBound(int, const float *, const float *) const { return 0.0; }

PathSweep::PathSweep(const CollisionWorld &world) : m_world(world) {}
void PathSweep::reset() {}
bool PathSweep::next(const float *, Pair *) { return false; }

} // namespace collision
