// Drawing of the kinematic model with the fixed-function pipeline: a robot
// with its frames and tool, one element of its chain, a tool, and the frame
// glyph turned as the display tables want it.
//
// The painter reads the model and the model knows nothing of it, so the
// kinematics and the readers stay headless. The drawing members the model
// keeps by name (Joint::paint, Robot::paint, Tool::paint and their helpers)
// are defined in robotpainter.cpp as one-line calls into this namespace, so
// only programs that link the drawing library can call them.
#pragma once

class Joint;
class Robot;
class Tool;

namespace RobotPainter {

// The robot at the current model-view matrix: placement, World frame, the
// seven elements with their frames, TCP frame and tool. Draws nothing for a
// robot without its seven elements. `redParts` marks parts drawn in the
// collision colour instead of their own: bit i for element i (0 the base),
// bit kToolBit for the tool.
constexpr unsigned kToolBit = 7;
void paintRobot(const Robot &robot, unsigned redParts = 0);

// One element: its link transform when `applyTransform` is set (joint value
// in model degrees), its frame glyph when `showFrame` is set (frameMode 1:
// classic-DH display frame, 0: the modified-DH frame itself), then its
// geometry and that of its parts (in the collision colour when `red`).
void paintJoint(const Joint &joint, bool showFrame, int frameMode, int index, bool applyTransform,
                float jointValue, int angleType, bool red = false);

// Every part of the tool at the current matrix times the mesh placement.
void paintTool(const Tool &tool, bool red = false);

// RotX(alpha) TransX(a) TransZ(d) RotZ(theta + q) onto the model-view matrix.
void applyLink(const Joint &joint, float jointValue);

// From the element's modified-DH frame to its classic-DH display frame.
void moveToDHFrame(const Joint &joint, int index);

// The frame glyph, flipped about X where the display tables say so.
void drawFrame(int index, int mode, int angleType);

// Flip of the frame glyph about X, degrees: 180 where the display of angle
// type 2, 3, 5 or 6 turns the frame over, 0 elsewhere.
float frameFlipAngle(int index, int mode, int angleType);

// The element's own triangles, with its material or the collision colour.
void drawGeometry(const Joint &joint, bool red = false);

// The colour of whatever is in collision, the same for robot parts and objects.
const float *collisionColour();

} // namespace RobotPainter
