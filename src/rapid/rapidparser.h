// RAPID data declarations (ABB's wobjdata, tooldata and robtarget) read into
// our frames and written back from them. No widgets here: the RAPID panel
// and its tests share these functions.
//
// Matrices built from text are column-major (translation in elements 12,
// 13, 14); the caller transposes them before they reach the robot, whose
// frames are row-major. Quaternions are scalar first, as RAPID's orient.
#pragma once

#include "kinematics/ikconfiguration.h"
#include "kinematics/matrixtoolbox.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace rapid {

// The longest declaration we read (a robtarget) holds 17 numbers; anything
// past the 21st is ignored, so no text can make us keep more than this.
constexpr int kMaxNumbers = 21;
// Positions (mm), angles (degrees) and axis components beyond this are
// typing or pasting mistakes: they would take the TCP out of any station and
// leave single precision with nothing useful in its mantissa.
constexpr float kMaxMagnitude = 100000.0f;

// Why a text was refused, beyond the plain "not enough numbers".
enum class TextError
{
    None,
    TooFewNumbers,
    NotFinite,      // NaN, an infinity, or a number too large for a float
    OutOfRange,     // a used value beyond kMaxMagnitude
    ZeroQuaternion, // no longer refused: zero orientations become the identity
};

// The numbers of a text in order, at most kMaxNumbers. The text is cut at
// semicolons, commas, tabs, blanks and square brackets; parts that are not
// numbers (PERS, type and data names, TRUE, FALSE, "") are skipped, so the
// brackets may be missing or unbalanced. A part written as a number that
// does not fit a finite float (nan, inf, 1e39) keeps its place as a
// non-finite value: dropping it would shift every later number into the
// wrong field.
std::vector<float> tokenizeNumbers(const QString &text);

// Column-major pose from the seven numbers x, y, z, q1, q2, q3, q4 starting
// at `first`. Four orientation numbers within 0.01 of unit length are a
// quaternion, any others an angle in degrees and an axis. Four zeros (length
// below 1e-6) cannot be normalised and are taken as the identity; then
// *identityTaken becomes true (it is never reset here).
TextError poseFromNumbers(const std::vector<float> &numbers, std::size_t first,
                          Matrix4 &columnPose, bool *identityTaken = nullptr);

// tooldata: the tool frame (column-major); load data is ignored.
// *identityTaken: a zero orientation was read as the identity.
TextError parseTool(const QString &text, Matrix4 &columnTool, bool *identityTaken = nullptr);

// wobjdata: user frame and object frame (identity when only the user frame
// is given), both column-major.
TextError parseWorkObject(const QString &text, Matrix4 &columnUser, Matrix4 &columnObject,
                          bool *identityTaken = nullptr);
// The work object the robot uses: user frame times object frame, row-major.
Matrix4 workObjectFrame(const Matrix4 &columnUser, const Matrix4 &columnObject);

// robtarget. Result 0 with configuration data, -1 when the text has the pose
// but no configuration data (conf is then zero), -2 when it has not even
// the pose. `error` tells why a text was refused: -2 with TooFewNumbers, or
// the unsafe value that made it unusable (result -2 as well).
int parseRobtarget(const QString &text, Matrix4 &columnPose, ConfData &conf, TextError *error,
                   bool *identityTaken = nullptr);

// What the panel says when a zero orientation was taken as the identity.
QString identityNote();

// `base` is the refusal the operator knows ("Invalid tool data"); the
// unsafe cases add what was wrong with the text.
QString refusalText(const QString &base, TextError error);

// Fixed notation with '.', never "-0.000".
QString fixed(double value, int decimals);
// "[x,y,z],[q1,q2,q3,q4]": positions with 5 decimals, quaternion with 7.
QString frameText(const Matrix4 &columnPose);
// The texts the panel shows for the robot's frames (row-major HB and HT)
// and its current target (column-major TCP in the work object).
QString workObjectText(const Matrix4 &rowWorkObject);
QString toolText(const Matrix4 &rowTool);
QString robtargetText(const Matrix4 &columnPose, const ConfData &conf);

// x, y, z and the angles w, p, r (degrees) of a column-major pose: w about
// Z, p about Y', r about X'' (ABB's own order for work-object frames).
std::array<double, 6> xyzwpr(const Matrix4 &columnPose);
// The paragraphs of the work-object report: user frame, object frame, their
// product, and the single-frame work object equivalent to the two.
QStringList workObjectReport(const Matrix4 &columnUser, const Matrix4 &columnObject);

} // namespace rapid
