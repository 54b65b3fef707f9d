// Shared by the fuzz targets: each target is one LLVMFuzzerTestOneInput,
// linked either with libFuzzer (clang, -DVELKARI_FUZZ=ON) or with replay.cpp,
// which feeds it the files of its corpus as an ordinary test.
#pragma once

#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <cstddef>
#include <cstdint>

class Robot;

namespace fuzz {

// Ends the run with the failed condition: libFuzzer keeps the input as a
// crash, the replay test fails.
[[noreturn]] void fail(const char *condition, const char *file, int line);

// A directory of this process, removed at exit.
QString scratchDir();
// Writes the input to scratchDir()/name and returns the path.
QString writeScratch(const QString &name, const std::uint8_t *data, std::size_t size);

// The shipped default robot (IRB120), loaded once.
Robot &defaultRobot();

// Every configuration the solver lists for the flange pose at the robot
// joint values `joints` puts the flange on that pose again. The robot's
// joints are back as they were afterwards.
void checkIkReaches(Robot &robot, const float *joints);

// Rows of two row-major poses agree within `mm` (translation) and `unit`
// (rotation elements).
bool samePose(const Matrix4 &a, const Matrix4 &b, double mm, double unit);

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition))                                                                      \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                      \
    } while (0)
