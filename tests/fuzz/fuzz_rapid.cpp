// RAPID text: the declaration readers of the RAPID panel and the module
// reader. A robtarget the robot moves to is reached: the TCP stands where the
// declaration puts it.
#include "fuzzsupport.h"

#include "kinematics/robot.h"
#include "rapid/rapidmodule.h"
#include "rapid/rapidparser.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Robot &robot = fuzz::defaultRobot();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));

    const std::vector<float> numbers = rapid::tokenizeNumbers(text);
    FUZZ_CHECK(numbers.size() <= std::size_t(rapid::kMaxNumbers));

    Matrix4 user{}, object{}, tool{};
    rapid::parseWorkObject(text, user, object);
    rapid::parseTool(text, tool);

    Matrix4 column{};
    ConfData conf;
    rapid::TextError error = rapid::TextError::None;
    const int parsed = rapid::parseRobtarget(text, column, conf, &error);
    const std::array<double, 6> before = robot.getJointAngles();
    if (parsed >= -1) {
        rapid::robtargetText(column, conf);
        const int moved = robot.moveToRobtarget(column, conf);
        if (moved >= -2) {
            const Matrix4 target = toolbox::transpose(column);
            double reach = 1.0;
            for (int k : {3, 7, 11})
                reach = std::max(reach, std::fabs(double(target[std::size_t(k)])));
            FUZZ_CHECK(fuzz::samePose(robot.tcpWorld(), target, 1e-2 + 1e-5 * reach, 1e-3));
        } else {
            FUZZ_CHECK(robot.getJointAngles() == before);
        }
    }
    std::array<float, 6> back{};
    for (int k = 0; k < 6; ++k)
        back[std::size_t(k)] = float(before[std::size_t(k)]);
    robot.setJointAngles(back);

    const rapid::ImportResult module = rapid::importModule(robot, text);
    FUZZ_CHECK(module.ok == module.error.isEmpty());
    FUZZ_CHECK(module.program.size() == module.lines.size());
    // The module's targets are solved without moving the robot.
    const std::array<double, 6> after = robot.getJointAngles();
    for (int k = 0; k < 6; ++k)
        FUZZ_CHECK(after[std::size_t(k)] == double(back[std::size_t(k)]));
    return 0;
}
