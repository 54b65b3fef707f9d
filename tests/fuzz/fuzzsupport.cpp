#include "fuzzsupport.h"

#include "kinematics/ikconfiguration.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The readers say a lot on the debug stream; millions of runs would drown
// the fuzzer's own output. Fatal messages still end the run.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Data directories are found beside the executable, as in the program.
    static QCoreApplication app(*argc, *argv);
    if (!qEnvironmentVariableIsSet("VELKARI_FUZZ_VERBOSE"))
        qInstallMessageHandler(quiet);
    return 0;
}

namespace fuzz {

void fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

QString scratchDir()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        fail("a scratch directory can be made", __FILE__, __LINE__);
    return dir.path();
}

QString writeScratch(const QString &name, const std::uint8_t *data, std::size_t size)
{
    const QString path = scratchDir() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        fail("the input can be written to the scratch directory", __FILE__, __LINE__);
    return path;
}

Robot &defaultRobot()
{
    static Robot *robot = [] {
        auto *r = new Robot;
        if (r->loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()) != 0)
            fail("the default robot loads", __FILE__, __LINE__);
        return r;
    }();
    return *robot;
}

bool samePose(const Matrix4 &a, const Matrix4 &b, double mm, double unit)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            if (!(std::fabs(double(a[4 * r + c]) - double(b[4 * r + c])) <= unit))
                return false;
        if (!(std::fabs(double(a[4 * r + 3]) - double(b[4 * r + 3])) <= mm))
            return false;
    }
    return true;
}

void checkIkReaches(Robot &robot, const float *joints)
{
    const std::array<double, 6> before = robot.getJointAngles();
    robot.setJointAngles(joints);
    const Matrix4 target = robot.fk(6);
    std::vector<IkConfiguration> list;
    robot.doInverseKinematics(target, list);
    // Single-precision joints move a point a metre out by about 1e-4 mm.
    double reach = 1.0;
    for (int k : {3, 7, 11})
        reach = std::max(reach, std::fabs(double(target[std::size_t(k)])));
    for (const IkConfiguration &c : list) {
        robot.setJointAngles(c.q);
        FUZZ_CHECK(samePose(robot.fk(6), target, 1e-2 + 1e-5 * reach, 1e-3));
    }
    std::array<float, 6> back{};
    for (int k = 0; k < 6; ++k)
        back[std::size_t(k)] = float(before[std::size_t(k)]);
    robot.setJointAngles(back);
}

} // namespace fuzz
