#include "robotpainter.h"

#include "frameglyph.h"
#include "kinematics/chain.h"
#include "kinematics/joint.h"
#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "models/tool.h"

#include <GL/gl.h>
#include <QDebug>
#include <algorithm>
#include <initializer_list>

namespace {

// `vartheta` is theta + q formed by the caller, in the caller's order of
// float additions, so that every variant turns by the same bits as before.
void glLink(const Joint &joint, float vartheta)
{
    glRotatef(float(joint.getAlpha()), 1.0f, 0.0f, 0.0f);
    glTranslatef(float(joint.getA()), 0.0f, joint.getD());
    glRotatef(vartheta, 0.0f, 0.0f, 1.0f);
}

} // namespace

namespace RobotPainter {

void applyLink(const Joint &joint, float jointValue)
{
    glLink(joint, float(joint.getTheta()) + jointValue);
}

const float *collisionColour()
{
    // Saturated enough to read as red under the light from any side.
    static const GLfloat red[4] = {0.9f, 0.05f, 0.05f, 1.0f};
    return red;
}

void drawGeometry(const Joint &joint, bool red)
{
    const std::vector<float> &vertices = joint.getDrawVertices();
    const std::vector<float> &normals = joint.getDrawNormals();
    if (vertices.empty() || normals.size() != vertices.size())
        return;
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, red ? collisionColour() : joint.getAmbient().data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, red ? collisionColour() : joint.getDiffuse().data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR,
                 red ? collisionColour() : joint.getSpecular().data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.data());
    glNormalPointer(GL_FLOAT, 0, normals.data());
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size() / 3));
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void paintJoint(const Joint &joint, bool showFrame, int frameMode, int index, bool applyTransform,
                float jointValue, int angleType, bool red)
{
    if (applyTransform)
        applyLink(joint, jointValue);
    if (showFrame) {
        if (frameMode == 1) {
            glPushMatrix();
            moveToDHFrame(joint, index);
            drawFrame(index, 1, angleType);
            glPopMatrix();
        } else if (frameMode == 0) {
            drawFrame(index, 0, angleType);
        }
    }
    drawGeometry(joint, red);
    for (const Joint &part : joint.getParts())
        drawGeometry(part, red);
}

void moveToDHFrame(const Joint &joint, int index)
{
    const std::vector<Joint> &parts = joint.getParts();
    const float an = parts.empty() ? 0.0f : float(parts.front().getA());
    switch (index) {
    case 1:
        glTranslatef(an, 0.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        break;
    case 2:
        glTranslatef(an, 0.0f, 0.0f);
        break;
    case 3:
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        glTranslatef(an, 0.0f, 0.0f);
        break;
    case 4:
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
        break;
    case 5:
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        break;
    default:
        break;
    }
}

float frameFlipAngle(int index, int mode, int angleType)
{
    auto in = [index](std::initializer_list<int> l) {
        return std::find(l.begin(), l.end(), index) != l.end();
    };
    bool flip = false;
    switch (angleType) {
    case 2:
    case 3:
        flip = mode == 0 ? in({3, 4, 5, 6}) : in({2, 3, 4, 5, 6});
        break;
    case 5:
        flip = mode == 0 ? in({0, 1, 4, 6}) : in({0, 3, 5, 6});
        break;
    case 6:
        flip = mode == 0 ? index == 3 : index == 2;
        break;
    default:
        break;
    }
    return flip ? 180.0f : 0.0f;
}

void drawFrame(int index, int mode, int angleType)
{
    glPushMatrix();
    glRotatef(frameFlipAngle(index, mode, angleType), 1.0f, 0.0f, 0.0f);
    FrameGlyph::draw();
    glPopMatrix();
}

void paintTool(const Tool &tool, bool red)
{
    glPushMatrix();
    const Matrix4 column = toolbox::transpose(tool.getMeshPlacement());
    glMultMatrixf(column.data());
    for (const Joint &part : tool.getParts())
        paintJoint(part, false, 1, 0, false, 0.0f, 0, red);
    glPopMatrix();
}

void paintRobot(const Robot &robot, unsigned redParts)
{
    const std::vector<Joint> &joints = robot.getJoints();
    if (joints.size() < std::size_t(kinematics::kElements))
        return;
    const int angleType = robot.getAngleType();
    const int frameMode = robot.getFrameMode();
    const std::array<float, 9> &frameFlags = robot.getFrameFlags();
    const std::array<float, kinematics::kAxes> q = robot.jointValues();
    float model[kinematics::kAxes];
    Robot::robotToDH(angleType, q.data(), model);
    glPushMatrix();
    const Matrix4 col = toolbox::transpose(robot.getPlacement());
    glMultMatrixf(col.data());
    // The base and tool frames, each drawn at its own matrix.
    const auto frameAt = [](const Matrix4 &m, int index) {
        glPushMatrix();
        const Matrix4 col = toolbox::transpose(m);
        glMultMatrixf(col.data());
        drawFrame(index, -1, 0);
        glPopMatrix();
    };
    if (frameFlags[8] != 0.0f)
        frameAt(robot.getHB(), 0);
    const auto red = [redParts](unsigned bit) { return ((redParts >> bit) & 1u) != 0; };
    paintJoint(joints[0], frameFlags[0] != 0.0f, frameMode, 0, true, 0.0f, angleType, red(0));
    for (int i = 1; i <= kinematics::kAxes; ++i)
        paintJoint(joints[std::size_t(i)], frameFlags[std::size_t(i)] != 0.0f, frameMode, i, true,
                   model[i - 1], angleType, red(unsigned(i)));
    if (frameFlags[7] != 0.0f)
        frameAt(robot.getHT(), 7);
    if (robot.getHasTool() && robot.getTool())
        paintTool(*robot.getTool(), red(kToolBit));
    glPopMatrix();
}

} // namespace RobotPainter

// The model's drawing members by their own names.

void Joint::applyTransform() const
{
    glLink(*this, float(theta) + angle);
}

void Joint::applyTransform(float jointValue) const
{
    RobotPainter::applyLink(*this, jointValue);
}

void Joint::applyTransformOffset(float extra) const
{
    glLink(*this, float(theta) + angle + extra);
}

void Joint::paint(bool showFrame, int frameMode, int index, bool applyTrans, float jointValue,
                  int angleType) const
{
    RobotPainter::paintJoint(*this, showFrame, frameMode, index, applyTrans, jointValue, angleType);
}

void Joint::moveToDHFrame(int index) const
{
    RobotPainter::moveToDHFrame(*this, index);
}

void Joint::drawFrame(int index, int mode, int angleType)
{
    RobotPainter::drawFrame(index, mode, angleType);
}

float Joint::frameFlipAngle(int index, int mode, int angleType)
{
    return RobotPainter::frameFlipAngle(index, mode, angleType);
}

void Joint::paintArray() const
{
    for (std::size_t i = 0; i + 2 < drawVertices.size(); i += 3)
        qCDebug(lcJoint) << "x->" << drawVertices[i] << "y->" << drawVertices[i + 1] << "z->"
                         << drawVertices[i + 2];
}

void Robot::paint() const
{
    RobotPainter::paintRobot(*this);
}

void Tool::paint() const
{
    RobotPainter::paintTool(*this);
}
