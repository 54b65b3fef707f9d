// One six-axis serial robot: its chain of seven joints, the frames that place
// it and its tool, the mapping between the joint values the operator sees and
// the angles of the kinematic model, forward and inverse kinematics.
//
// Some members are defined where their work belongs, so that this folder
// includes nothing above it: loading and the tool in models/robotloading.cpp,
// the two record blocks in links/robotrecords.cpp, drawing in
// render/robotpainter.cpp (outside the headless core).
//
// Frames (row-major pose matrices):
//   HB        the World frame expressed in robot-base coordinates
//   HT        the TCP expressed in flange coordinates
//   placement the robot base in the scene (drawing and the scene TCP only)
// With F = fk(6): TCP in base = F HT, in World = HB^-1 F HT, in the scene
// = placement F HT.
#pragma once

#include "chain.h"
#include "ikconfiguration.h"
#include "joint.h"
#include "matrixcalculator.h"
#include "solver.h"

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <vector>

class Tool;

class Robot : public QObject
{
    Q_OBJECT
public:
    static constexpr int kParameterBlockSize = 1200;
    static constexpr int kRobotRecordSize = 4000;
    // Multiples of 360 degrees tried per axis when listing variants; no real
    // axis turns further, and a description with absurd limits must not make
    // the list explode.
    static constexpr int kMaxTurns = kinematics::kMaxTurns;

    explicit Robot(QObject *parent = nullptr);
    ~Robot() override;

    // Reads a description and attaches its meshes. Returns 0, or -1 when the
    // file could not be read or holds fewer than seven elements; such a robot
    // must not be kept.
    int loadData(const char *fileName);
    void clearJoints();

    bool loadTool(const char *fileName);
    void removeTool();

    void setJointAngle(float value, int element);
    void setJointAngles(const float *six);
    void setJointAngles(const std::array<float, 6> &six) { setJointAngles(six.data()); }
    std::array<double, 6> getJointAngles() const;
    std::array<float, 6> jointValues() const;
    std::vector<int> getLimits() const;

    // Robot joint values <-> model angles for an angle type. `out` may be `in`.
    static void robotToDH(int angleType, const float *in, float *out);
    static void dhToRobot(int angleType, const float *in, float *out);
    static void robotToDH(int angleType, const double *in, double *out);
    static void dhToRobot(int angleType, const double *in, double *out);

    // Angle types 2 and 4 only: sets the joints and writes the limits
    // (L2, U2, L3', U3') of axes 2 and 3 with axis 3's range moved by axis 2.
    bool coupledLimits(const float *six, float *four);
    bool checkCoupledLimits(const float *six) const;

    Matrix4 fk(int n) const;
    Matrix4 fkOf(const float *modelAngles, int n = 6) const; // model angles, degrees
    Matrix4 tcpBase() const;
    Matrix4 tcpWorld() const;
    Matrix4 tcpScene() const;
    Pose6 tcpPose(int convention) const;
    void sceneExtent(double *radius, float *centre) const;

    // The kinematic chain of the loaded description, for the pure functions
    // of chain.h and solver.h.
    const kinematics::Chain &chain() const;

    // Inverse kinematics. The target is the flange in robot-base coordinates;
    // the seed (robot joint values) is the current joints unless given.
    int doInverseKinematics(const Matrix4 &target, std::vector<IkConfiguration> &results) const;
    int doInverseKinematics(const Matrix4 &target, const float *seed,
                            std::vector<IkConfiguration> &results) const;
    // Solves the TCP pose `worldTcp` (World coordinates); returns the flange target.
    Matrix4 solveWorldPose(const Matrix4 &worldTcp, std::vector<IkConfiguration> &results,
                           int *chosen = nullptr) const;
    int solveCurrentPose(std::vector<IkConfiguration> &results) const;
    // One Cartesian jog increment: mode 0 tool axes, 1 base axes, 2 World
    // axes (1 and 2 about the TCP). Returns the new TCP pose in World coordinates.
    Matrix4 jogStep(const Matrix4 &tcpInBase, const Matrix4 &increment,
                    std::vector<IkConfiguration> &results, int *chosen, int mode) const;
    Matrix4 jogFromCurrent(const Matrix4 &increment, std::vector<IkConfiguration> &results,
                           int *chosen, int mode) const;

    // Axes 4-6 meet in one point with twists -90, 90, -90: the closed form
    // solves it whatever the angle type.
    bool hasSphericalWrist() const;
    // A solver is written for this arm's geometry (false with no robot
    // loaded): otherwise inverse kinematics lists nothing for any pose,
    // while forward kinematics and joint moves work as for any arm.
    bool hasInverseKinematics() const;

    ConfData configurationData(const float *robotValues) const;
    // TCP in World coordinates (column-major) and the current configuration data.
    void currentRobtarget(Matrix4 &columnPose, ConfData &conf) const;
    // 0 reached with matching data, -1 only cfx matched, -2 first
    // configuration taken, -3 unreachable (nothing moves).
    int moveToRobtarget(const Matrix4 &columnPose, const ConfData &conf);

    void setFrameVisible(bool visible, int index);
    void setFrameMode(int mode) { frameMode = mode; }
    void paint() const; // the painter's paintRobot
    void toggleSmooth();

    // Accessors.
    const QString &getFilePath() const { return filePath; }
    const QString &getToolPath() const { return toolPath; }
    const QString &getName() const { return name; }
    void setName(const QString &n) { name = n; }
    bool isVisible() const { return visible; }
    void setVisible(bool v) { visible = v; }
    const std::vector<Joint> &getJoints() const { return joints; }
    const Joint &joint(int element) const { return joints[std::size_t(element)]; }
    int getAngleType() const { return angleType; }
    int getLoadResult() const { return loadResult; }
    int getFrameMode() const { return frameMode; }
    bool isSmooth() const { return smooth; }
    bool getHasTool() const { return hasTool; }
    const Tool *getTool() const { return tool.get(); }
    const std::array<float, 9> &getFrameFlags() const { return frameFlags; }
    const Matrix4 &getHB() const { return HB; }
    const Matrix4 &getHT() const { return HT; }
    const Matrix4 &getPlacement() const { return placement; }
    void setHB(const Matrix4 &m) { HB = m; }
    void setHT(const Matrix4 &m) { HT = m; }
    void setPlacement(const Matrix4 &m) { placement = m; }
    const std::array<float, 6> &getCadBase() const { return cadBase; }
    float getCadScale() const { return cadScale; }
    const std::array<float, 6> &getCadOffsets() const { return cadOffsets; }
    bool isLoaded() const { return loadResult == 0 && joints.size() >= 7; }

public slots:
    // The record blocks of the numeric routines and the data server.
    void Set_DK_Matrix(double *parameterBlock);
    void Set_DK_Matrix_v2(double *robotRecord);

private:
    void attachGeometry();

    QString filePath = QStringLiteral("EMPTY");
    QString toolPath = QStringLiteral("EMPTY");
    bool visible = true;
    QString name = QStringLiteral("Robot");
    std::vector<Joint> joints;
    std::array<float, 6> cadBase{};
    float cadScale = 1.0f;
    std::array<float, 6> cadOffsets{};
    std::array<float, 9> frameFlags{};
    // Owns the tool; the deleter is defined with the tool reader.
    struct ToolDeleter
    {
        void operator()(Tool *t) const;
    };
    std::unique_ptr<Tool, ToolDeleter> tool;
    Matrix4 HB;
    Matrix4 HT;
    Matrix4 placement;
    bool hasTool = false;
    int angleType = 0;
    int loadResult = 0;
    int frameMode = 1;
    bool smooth = false;
    matrixCalculator calc;
    mutable kinematics::Chain kinematicChain;
    mutable bool chainReady = false;
};
