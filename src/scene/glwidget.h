// The 3-D view: draws the station (background, robots with their frames and
// tool, static objects, the TCP trace) with the fixed-function pipeline, lets
// the operator orbit, pan and zoom, and is the route by which the panels
// reach the selected robot. It repaints only on request.
#pragma once

#include "camera.h"
#include "kinematics/ikconfiguration.h"

#include <QGLWidget>
#include <QPoint>
#include <array>
#include <vector>

class Objects;
class Robot;
class Robots;

struct TracePoint
{
    std::array<float, 3> position;
    std::array<float, 3> x, y, z; // directions of the TCP frame's axes
};

// The trace as the graphics card keeps it: a vertex buffer filled once with
// what was added since the last draw, so a trace of millions of points is
// one draw call per repaint instead of millions of vertex calls. Each point
// is six vertices (its three axis lines, coloured X red, Y green, Z blue);
// the points mode reads every sixth vertex. A point that repeats one already
// in the buffer (within 0.1 mm and about half a degree, as a program going
// back and forth over the same poses makes millions of) is drawn once. The
// length of the axis lines is part of the buffer: a new size rebuilds it.
// Needs the context current.
class TraceBuffer
{
public:
    TraceBuffer() = default;
    TraceBuffer(const TraceBuffer &) = delete;
    TraceBuffer &operator=(const TraceBuffer &) = delete;
    ~TraceBuffer();

    // Draws `trace`, which may only have grown since the last call unless
    // reset() was called in between.
    void draw(const std::vector<TracePoint> &trace, bool asPoints, float size,
              const float *pointColour);
    // The trace was cleared: what the buffer holds is no longer it.
    void reset();
    // Gives the buffer back (the context must be current).
    void release();
    // Trace points taken into account, and those drawn.
    std::size_t uploaded() const { return m_uploaded; }
    std::size_t drawn() const { return m_kept.size(); }

private:
    bool seenBefore(const TracePoint &t);
    void upload(const std::vector<TracePoint> &trace, std::size_t from, float length);

    unsigned int m_buffer = 0;
    std::size_t m_uploaded = 0; // trace points looked at
    std::size_t m_capacity = 0; // points the buffer has room for
    std::size_t m_written = 0;  // points written into the buffer
    float m_length = -1.0f;     // axis line length the buffer was made with
    std::vector<unsigned int> m_kept;       // trace index of each drawn point
    std::vector<unsigned long long> m_seen; // open-addressing set of point keys
    std::vector<unsigned char> m_staging;
};

class glwidget : public QGLWidget
{
    Q_OBJECT
public:
    enum MouseMode
    {
        MouseNone = 0,
        MouseOrbit = 1,
        MouseZoom = 2,
        MousePan = 3
    };

    explicit glwidget(QWidget *parent = nullptr);
    ~glwidget() override;

    // The format every view is made with: sample buffers, 8 samples.
    static QGLFormat viewFormat();

    Robots *robotsList() const { return robots; }
    Objects *objectsList() const { return objects; }
    Robot *selectedRobot() const { return robot; }
    Camera &camera() { return m_camera; }
    int mouseMode() const { return m_mouseMode; }
    bool isWireframe() const { return m_wireframe; }

    // Display options set by the control panel.
    bool traceEnabled = false;
    bool traceAsPoints = false;
    double traceSize = 5.0;
    std::array<float, 4> traceColour{0.2f, 0.2f, 0.6f, 1.0f};
    bool whiteBackground = false;
    const std::vector<TracePoint> &trace() const { return m_trace; }
    void clearTrace();

    // Sets the six joint values (no limit check), appends the TCP to the
    // trace when it is on, and repaints. Nothing happens without a robot.
    void setJointValues(const float *six);
    // The same for values that passed the limit check; for robots whose
    // axis-3 range follows axis 2 it writes the new ranges of axes 2 and 3
    // (lower 2, upper 2, lower 3, upper 3) and returns true.
    bool setJointValuesCoupled(const float *six, float *ranges);
    // Whether six joint values lie within the selected robot's limits.
    bool jointsWithinLimits(const float *six) const;

    // One Cartesian jog step: `axis` 1-3 translation along X, Y, Z in mm,
    // 4-6 rotation about X, Y, Z in fifths of a degree; `mode` 0 tool, 1
    // base, 2 World axes. The offset is always measured from a reference
    // pose, so rounding cannot accumulate. A step of 0 solves the current
    // pose. Returns the new TCP pose in World coordinates.
    Matrix4 cartesianJog(int axis, int step, int mode, std::vector<IkConfiguration> &results,
                         int *chosen);
    // Parts drawn in the collision colour: robot parts as a bit mask (bit i
    // element i, bit 7 the tool) and one flag per object of the list. Takes
    // effect with the next paint.
    void setCollisionHighlight(unsigned robotParts, const std::vector<char> &objectFlags);
    unsigned highlightedRobotParts() const { return m_redParts; }
    const std::vector<char> &highlightedObjects() const { return m_redObjects; }

    // The next jog step starts from the robot's current pose.
    void forgetJogReference() { m_jogAxis = -1; }
    int jogAxis() const { return m_jogAxis; }

signals:
    void sendValues(int *limits);
    void sendValuesIK(GLfloat *pose);
    void setTextBoxBarValues(GLfloat *joints);
    void setRobotAxisCheckers(GLfloat *flags);
    void setControlsReset();
    // After every completed paint (used to save a picture of the first one).
    void painted();
    // Something the user should read, e.g. a robot that could not be loaded.
    void userMessage(const QString &text);
    // The selected robot's joints changed; sent before the view repaints.
    void robotMoved();
    // Another robot (or none) is selected, or its tool changed.
    void robotReplaced();

public slots:
    void ChangeSelectedRobot(Robot *robselected);
    void resetCamera(int elevation, int azimuth);
    QString *loadModel();
    bool loadModel(char *file);
    QString *loadTool();
    bool loadTool(char *strtool);
    void removeTool();
    void moveJointOne(int value);
    void moveJointTwo(int value);
    void moveJointThree(int value);
    void moveJointFour(int value);
    void moveJointFive(int value);
    void moveJointSix(int value);
    void modifyJointOne(double value);
    void modifyJointTwo(double value);
    void modifyJointThree(double value);
    void modifyJointFour(double value);
    void modifyJointFive(double value);
    void modifyJointSix(double value);
    void moveX(int) {}
    void moveY(int) {}
    void moveZ(int) {}
    void moveW(int) {}
    void moveP(int) {}
    void moveR(int) {}
    void setAxisWorld(bool on);
    void setAxisTool(bool on);
    void setAxisBase(bool on);
    void setAxisOne(bool on);
    void setAxisTwo(bool on);
    void setAxisThree(bool on);
    void setAxisFour(bool on);
    void setAxisFive(bool on);
    void setAxisSix(bool on);
    void enableAllAxis();
    void disableAllAxis();
    void setDHM();
    void setDH();
    void updateGL_slot();
    void TCP_Points_Add(GLfloat *rowMajorPose);
    void do_viewIso();
    void do_viewTop();
    void do_viewFront();
    void do_viewRight();
    void do_viewLeft();
    void do_viewBack();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setJoint(int axis, float degrees);
    void setFrameFlag(int index, bool on);
    void appendTrace(const Matrix4 &rowMajorPose);
    void drawBackground();
    void drawTrace();

    Robot *robot = nullptr;
    Robots *robots = nullptr;
    Objects *objects = nullptr;
    Camera m_camera;
    int m_mouseMode = MouseNone;
    QPoint m_lastMouse;
    float m_aspect = 1.0f;
    bool m_wireframe = false;
    std::vector<TracePoint> m_trace;
    TraceBuffer m_traceBuffer;
    unsigned m_redParts = 0;
    std::vector<char> m_redObjects;

    // Cartesian jog reference, and what it was taken under.
    int m_jogAxis = -1;
    int m_jogAccumulated = 0;
    Matrix4 m_jogReference{};
    int m_jogMode = -1;
    Matrix4 m_jogHB{};
    Matrix4 m_jogHT{};
    std::array<float, 6> m_jogApplied{};
    bool m_jogHasApplied = false;
};
