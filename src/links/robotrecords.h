// The two record blocks a robot is described by to the numeric routines and
// to clients of the data server. Their index layout is fixed: programs on
// the other side of the data server read the robot record by position.
//
// parameter block (1200 doubles, the first 600 repeated at 600):
//   19 angle type; 60 + 6k alpha (rad), a, theta (rad), d of axis k+1;
//   180 + k lower limit, 210 + k upper limit (degrees)
// robot record (4000 doubles, the first 2000 repeated at 2000):
//   61 angle type; 182 -d2 for parallelogram arms (angle type 2);
//   200 + 20k alpha (rad), a, theta (rad), d of axis k+1; 300 + k maximum
//   speed (deg/s), 320 + k acceleration, 400 payload (kg); 600 + k and
//   640 + k lower limit, 620 + k and 660 + k upper limit (degrees)
#pragma once

class Robot;

namespace robotrecords {

// Fill `block` (Robot::kParameterBlockSize doubles); zeros for a robot without its
// seven elements.
void fillParameterBlock(const Robot &robot, double *block);
// Fill `record` (Robot::kRobotRecordSize doubles); a robot without its seven
// elements gets the generic speeds and payload only.
void fillRobotRecord(const Robot &robot, double *record);

} // namespace robotrecords
