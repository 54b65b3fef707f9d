// Every inverse-kinematics answer for a fixed set of targets on every shipped
// robot, to the bit: the whole list (hex floats and flags, the chosen entry)
// and the entry a path takes. Two builds that print the same text answer
// the same; a change to the solver that is meant to be faster, not
// different, is checked by comparing the output before and after:
//
//   build/bin/ik_lists > after.txt   (and the same from the older build)
//   cmp before.txt after.txt
//
// The targets: flange poses of random joint values within (and a little
// beyond) the limits, a fifth of them on whole multiples of 15 degrees, some
// with a straight wrist, some out of reach; seeds near and far, and seeds
// for the path half a turn from every axis, where turns of axis 6 tie.
#include "kinematics/robot.h"
#include "kinematics/solver.h"
#include "models/datadirs.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*=false"));
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    DataDirs::setApplicationDirForTesting(QFile::decodeName(self.parent_path().c_str()));
    const int perRobot = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::mt19937 gen(5);
    std::uniform_real_distribution<float> share(-1.0f, 1.0f);
    std::vector<IkConfiguration> list;
    list.reserve(512);
    const QDir dir(DataDirs::robotDir());
    for (const QString &file : dir.entryList({QStringLiteral("*.xml")})) {
        Robot robot;
        if (robot.loadData(QFile::encodeName(dir.filePath(file)).constData()) != 0)
            continue;
        const kinematics::Chain &c = robot.chain();
        std::printf("robot %s\n", qPrintable(file));
        for (int i = 0; i < perRobot; ++i) {
            float q[6], seed[6];
            double pathSeed[6];
            for (std::size_t k = 0; k < 6; ++k) {
                const float mid = 0.5f * (c.lower[k] + c.upper[k]);
                const float half = 0.5f * (c.upper[k] - c.lower[k]);
                q[k] = mid + 1.1f * half * share(gen);
                if (i % 5 == 0)
                    q[k] = 15.0f * std::trunc(q[k] / 15.0f);
                seed[k] = i % 3 == 0 ? q[k] + 5.0f * share(gen) : mid + half * share(gen);
                pathSeed[k] = i % 7 == 0 ? double(q[k]) + 180.0 : double(seed[k]) + share(gen);
            }
            if (i % 11 == 0)
                q[4] = 0.0f; // a straight wrist
            Matrix4 target = kinematics::forwardFromJoints(c, q);
            if (i % 13 == 0)
                target[3] *= 3.0f; // out of reach
            const int chosen = kinematics::solve(c, target, seed, list);
            std::printf("%d %zu", chosen, list.size());
            for (const IkConfiguration &e : list) {
                std::printf(" |");
                for (float v : e.q)
                    std::printf(" %a", double(v));
                std::printf(" %d%d%d%d", e.valid, e.basic, e.chosen, e.near);
            }
            float nearest[6];
            if (kinematics::solveNearest(c, target, seed, pathSeed, nearest)) {
                std::printf(" || path");
                for (float v : nearest)
                    std::printf(" %a", double(v));
            }
            std::printf("\n");
        }
    }
    return 0;
}
