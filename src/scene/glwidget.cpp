#define GL_GLEXT_PROTOTYPES 1
#include "glwidget.h"

#include "kinematics/jointlimits.h"
#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "objects.h"
#include "render/frameglyph.h"
#include "robotlibrary.h"
#include "robots.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <algorithm>
#include <cstddef>
#include <cstring>

QGLFormat glwidget::viewFormat()
{
    QGLFormat format = QGLFormat::defaultFormat();
    format.setSampleBuffers(true);
    format.setSamples(8);
    return format;
}

glwidget::glwidget(QWidget *parent) : QGLWidget(viewFormat(), parent)
{
    robots = new Robots(this);
    objects = new Objects(this);
    connect(objects, &Objects::Render_GL, this, &glwidget::updateGL_slot);
    connect(objects, &Objects::userMessage, this, &glwidget::userMessage);
    connect(robots, &Robots::RenderGL, this, &glwidget::updateGL_slot);
    connect(robots, &Robots::SelectedRobot, this, &glwidget::ChangeSelectedRobot);
    connect(robots, &Robots::userMessage, this, &glwidget::userMessage);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(200, 150);
}

glwidget::~glwidget()
{
    // Object buffers belong to this view's context.
    if (isValid()) {
        makeCurrent();
        m_traceBuffer.release();
    }
    objects->removeAll();
    robots->removeAll();
}

// ---------------------------------------------------------------- OpenGL

void glwidget::initializeGL()
{
    glClearColor(1, 1, 1, 1);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat specular[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_MULTISAMPLE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void glwidget::resizeGL(int w, int h)
{
    glViewport(0, 0, w, h);
    m_aspect = h > 0 ? float(w) / float(h) : 1.0f;
}

void glwidget::drawBackground()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glColor3f(0.4f, 0.4f, 0.7f);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glColor3f(0.0f, 0.0f, 0.2f);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
}

// ---------------------------------------------------------------- trace buffer

namespace {

struct TraceVertex
{
    float position[3];
    unsigned char colour[4];
};
static_assert(sizeof(TraceVertex) == 16, "trace vertices are packed");
constexpr std::size_t kTraceVertices = 6; // per point
constexpr std::size_t kTraceChunk = 65536; // points per upload call

} // namespace

TraceBuffer::~TraceBuffer()
{
    // The owner gives the buffer back while its context is current; a buffer
    // still held here goes with the context.
}

void TraceBuffer::release()
{
    if (m_buffer != 0)
        glDeleteBuffers(1, &m_buffer);
    m_buffer = 0;
    m_capacity = 0;
    reset();
    std::vector<unsigned char>().swap(m_staging);
}

void TraceBuffer::reset()
{
    m_uploaded = m_written = 0;
    m_kept.clear();
    m_seen.clear();
}

bool TraceBuffer::seenBefore(const TracePoint &t)
{
    // 0.1 mm cells for the position, 1/128 for the axis directions.
    auto cell = [](float v, float unit) {
        return static_cast<long long>(std::floor(double(v) / double(unit)));
    };
    unsigned long long key = 1469598103934665603ULL;
    auto mix = [&key](long long v) {
        key ^= static_cast<unsigned long long>(v);
        key *= 1099511628211ULL;
        key ^= key >> 29;
    };
    for (int k = 0; k < 3; ++k) {
        mix(cell(t.position[std::size_t(k)], 0.1f));
        mix(cell(t.x[std::size_t(k)], 1.0f / 128.0f));
        mix(cell(t.z[std::size_t(k)], 1.0f / 128.0f));
    }
    if (key == 0)
        key = 1;
    // Kept at most half full.
    if (2 * (m_kept.size() + 1) > m_seen.size()) {
        std::vector<unsigned long long> old;
        old.swap(m_seen);
        m_seen.assign(std::max<std::size_t>(4096, 2 * old.size()), 0);
        for (unsigned long long k : old) {
            if (k == 0)
                continue;
            std::size_t i = std::size_t(k) & (m_seen.size() - 1);
            while (m_seen[i] != 0)
                i = (i + 1) & (m_seen.size() - 1);
            m_seen[i] = k;
        }
    }
    std::size_t i = std::size_t(key) & (m_seen.size() - 1);
    while (m_seen[i] != 0) {
        if (m_seen[i] == key)
            return true;
        i = (i + 1) & (m_seen.size() - 1);
    }
    m_seen[i] = key;
    return false;
}

void TraceBuffer::upload(const std::vector<TracePoint> &trace, std::size_t from, float length)
{
    const std::size_t pointBytes = kTraceVertices * sizeof(TraceVertex);
    if (m_staging.size() < kTraceChunk * pointBytes)
        m_staging.resize(kTraceChunk * pointBytes);
    static const unsigned char colours[3][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    for (std::size_t first = from; first < m_kept.size(); first += kTraceChunk) {
        const std::size_t count = std::min(kTraceChunk, m_kept.size() - first);
        auto *out = reinterpret_cast<TraceVertex *>(m_staging.data());
        for (std::size_t i = 0; i < count; ++i) {
            const TracePoint &t = trace[m_kept[first + i]];
            const std::array<float, 3> *axes[3] = {&t.x, &t.y, &t.z};
            for (int a = 0; a < 3; ++a) {
                TraceVertex &v0 = *out++;
                TraceVertex &v1 = *out++;
                for (int k = 0; k < 3; ++k) {
                    v0.position[k] = t.position[std::size_t(k)];
                    v1.position[k] = t.position[std::size_t(k)] + length * (*axes[a])[std::size_t(k)];
                }
                std::memcpy(v0.colour, colours[a], 4);
                std::memcpy(v1.colour, colours[a], 4);
            }
        }
        glBufferSubData(GL_ARRAY_BUFFER, GLintptr(first * pointBytes), GLsizeiptr(count * pointBytes),
                        m_staging.data());
    }
    m_written = m_kept.size();
}

void TraceBuffer::draw(const std::vector<TracePoint> &trace, bool asPoints, float size,
                       const float *pointColour)
{
    const std::size_t n = trace.size();
    if (n == 0)
        return;
    const float length = 10.0f * size;
    if (n < m_uploaded)
        reset();
    if (length != m_length)
        m_written = 0; // same points, new lines
    for (std::size_t i = m_uploaded; i < n; ++i)
        if (!seenBefore(trace[i]))
            m_kept.push_back(unsigned(i));
    m_uploaded = n;
    if (m_buffer == 0)
        glGenBuffers(1, &m_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_buffer);
    const std::size_t pointBytes = kTraceVertices * sizeof(TraceVertex);
    if (m_kept.size() > m_capacity) {
        // Room for twice as much, so a trace that grows point by point while
        // jogging is not copied again at every step.
        m_capacity = std::max<std::size_t>({m_kept.size(), 2 * m_capacity, 1024});
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_capacity * pointBytes), nullptr, GL_STATIC_DRAW);
        m_written = 0;
    }
    if (m_written < m_kept.size()) {
        upload(trace, m_written, length);
        m_length = length;
    }
    const GLsizei drawn = GLsizei(m_kept.size());
    glEnableClientState(GL_VERTEX_ARRAY);
    if (asPoints) {
        glPointSize(size);
        glEnable(GL_POINT_SMOOTH);
        glColor4fv(pointColour);
        glVertexPointer(3, GL_FLOAT, GLsizei(pointBytes), nullptr);
        glDrawArrays(GL_POINTS, 0, drawn);
    } else {
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, GLsizei(sizeof(TraceVertex)), nullptr);
        glColorPointer(4, GL_UNSIGNED_BYTE, GLsizei(sizeof(TraceVertex)),
                       reinterpret_cast<const void *>(offsetof(TraceVertex, colour)));
        glDrawArrays(GL_LINES, 0, drawn * GLsizei(kTraceVertices));
        glDisableClientState(GL_COLOR_ARRAY);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void glwidget::drawTrace()
{
    if (m_trace.empty())
        return;
    glDisable(GL_LIGHTING);
    m_traceBuffer.draw(m_trace, traceAsPoints, float(traceSize), traceColour.data());
    glEnable(GL_LIGHTING);
}

void glwidget::paintGL()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!whiteBackground)
        drawBackground();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const auto f = m_camera.frustum(m_aspect);
    glFrustum(f[0], f[1], f[2], f[3], f[4], f[5]);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m_camera.viewMatrix().data());
    robots->paintAll(robot, m_redParts);
    objects->paintAll(m_redObjects);
    drawTrace();
    glFlush();
    emit painted();
}

// ---------------------------------------------------------------- selection and loading

void glwidget::setCollisionHighlight(unsigned robotParts, const std::vector<char> &objectFlags)
{
    m_redParts = robotParts;
    m_redObjects.assign(objectFlags.begin(), objectFlags.end()); // keeps its capacity
}

void glwidget::ChangeSelectedRobot(Robot *robselected)
{
    robot = robselected;
    emit robotReplaced();
    if (!robot) {
        emit setControlsReset();
        return;
    }
    // Selecting a robot never moves it: axis 3 of a coupled arm gets the
    // range it has where axis 2 stands now (widened to whole degrees, the
    // next joint change sets it exactly), not the description's raw one that
    // would clamp the box and then the robot.
    std::array<float, 6> q = robot->jointValues();
    std::vector<int> limits = robot->getLimits();
    float ranges[4];
    if (robot->coupledLimits(q.data(), ranges)) {
        limits[4] = int(std::floor(ranges[2]));
        limits[5] = int(std::ceil(ranges[3]));
    }
    limits.push_back(-1);
    emit sendValues(limits.data());
    // The read-out is in the convention the panel shows.
    Pose6 pose = robot->tcpPose(robots->eulerConvention());
    emit sendValuesIK(pose.data());
    emit setTextBoxBarValues(q.data());
    std::array<float, 9> flags = robot->getFrameFlags();
    emit setRobotAxisCheckers(flags.data());
}

void glwidget::resetCamera(int elevation, int azimuth)
{
    double radius = 0.0;
    float centre[3] = {0, 0, 0};
    if (robot) {
        robot->sceneExtent(&radius, centre);
        // The extent is in robot-base coordinates; the camera looks at the
        // scene, where the robot stands at its placement.
        const Vector4 c =
            toolbox::product(robot->getPlacement(), Vector4{centre[0], centre[1], centre[2], 1.0f});
        for (int i = 0; i < 3; ++i)
            centre[i] = c[std::size_t(i)];
    }
    FrameGlyph::setSize(m_camera.reset(elevation, azimuth, radius, centre));
    updateGL();
}

bool glwidget::loadModel(char *file)
{
    QString error;
    Robot *r = robots->addRobot(QByteArray(file ? file : ""), &error);
    if (!r) {
        qCWarning(lcRobot).noquote() << error;
        emit userMessage(error);
        return false;
    }
    robot = r;
    emit robotReplaced();
    std::vector<int> limits = robot->getLimits();
    limits.push_back(-1);
    emit sendValues(limits.data());
    Pose6 pose = robot->tcpPose(1);
    emit sendValuesIK(pose.data());
    resetCamera(int(Camera::kIso[0]), int(Camera::kIso[1]));
    return true;
}

QString *glwidget::loadModel()
{
    // The library of shipped robots, open on the robot in the station, with
    // the plain file dialog behind its "Other file…" button.
    const QString file =
        RobotLibrary::choose(DataDirs::robotDir(), robot ? robot->getFilePath() : QString());
    if (file.isEmpty())
        return nullptr;
    if (!loadModel(file.toUtf8().data()))
        return nullptr;
    return new QString(file);
}

QString *glwidget::loadTool()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        nullptr, tr("Open"), DataDirs::toolDir(), tr("Tool (*.tool)"));
    if (files.isEmpty()) {
        qCDebug(lcTool) << "Tool not found";
        return nullptr;
    }
    if (!loadTool(files.first().toUtf8().data()))
        return nullptr;
    return new QString(files.first());
}

bool glwidget::loadTool(char *strtool)
{
    if (!robot || !strtool)
        return false;
    const bool ok = robot->loadTool(strtool);
    emit robotReplaced();
    if (!ok)
        emit userMessage(tr("The tool file %1 could not be read.").arg(QString::fromUtf8(strtool)));
    return ok;
}

void glwidget::removeTool()
{
    if (!robot)
        return;
    robot->removeTool();
    emit robotReplaced();
    updateGL();
}

// ---------------------------------------------------------------- joints and frames

void glwidget::setJoint(int axis, float degrees)
{
    if (!robot)
        return;
    robot->setJointAngle(degrees, axis);
    if (traceEnabled)
        appendTrace(robot->tcpScene());
    emit robotMoved();
    updateGL();
}

void glwidget::setJointValues(const float *six)
{
    if (!robot)
        return;
    robot->setJointAngles(six);
    if (traceEnabled)
        appendTrace(robot->tcpScene());
    emit robotMoved();
    updateGL();
}

bool glwidget::setJointValuesCoupled(const float *six, float *ranges)
{
    if (!robot)
        return false;
    const bool coupled = robot->coupledLimits(six, ranges);
    setJointValues(six);
    return coupled;
}

bool glwidget::jointsWithinLimits(const float *six) const
{
    return robot && jointlimits::accepts(*robot, six);
}

Matrix4 glwidget::cartesianJog(int axis, int step, int mode, std::vector<IkConfiguration> &results,
                               int *chosen)
{
    results.clear();
    if (chosen)
        *chosen = -1;
    if (!robot)
        return toolbox::identity();
    if (step == 0 || axis < 1 || axis > 6)
        return robot->jogFromCurrent(toolbox::identity(), results, chosen, mode);
    if (axis >= 4)
        step /= 5; // five units make a degree

    // A reference goes stale when anything but this jog moved the robot or
    // changed the frames the step is measured in.
    const std::array<float, 6> now = robot->jointValues();
    const bool stale = !m_jogHasApplied || now != m_jogApplied || mode != m_jogMode ||
                       robot->getHB() != m_jogHB || robot->getHT() != m_jogHT;
    if (axis == m_jogAxis && !stale) {
        m_jogAccumulated += step;
    } else {
        m_jogAxis = axis;
        m_jogAccumulated = step;
        m_jogReference = robot->tcpBase();
        m_jogMode = mode;
        m_jogHB = robot->getHB();
        m_jogHT = robot->getHT();
    }
    Pose6 offset{};
    offset[std::size_t(axis - 1)] = float(m_jogAccumulated);
    int c = -1;
    const Matrix4 pose =
        robot->jogStep(m_jogReference, toolbox::placementMatrix(offset), results, &c, mode);
    if (chosen)
        *chosen = c;
    if (c < 0 || !results[std::size_t(c)].near) {
        m_jogAxis = -1;
        m_jogHasApplied = false;
    } else {
        // The panel applies the chosen configuration next; that is the state
        // the following step may continue from.
        m_jogApplied = results[std::size_t(c)].q;
        m_jogHasApplied = true;
    }
    return pose;
}

void glwidget::moveJointOne(int v)
{
    setJoint(1, float(v) / 100.0f);
}
void glwidget::moveJointTwo(int v)
{
    setJoint(2, float(v) / 100.0f);
}
void glwidget::moveJointThree(int v)
{
    setJoint(3, float(v) / 100.0f);
}
void glwidget::moveJointFour(int v)
{
    setJoint(4, float(v) / 100.0f);
}
void glwidget::moveJointFive(int v)
{
    setJoint(5, float(v) / 100.0f);
}
void glwidget::moveJointSix(int v)
{
    setJoint(6, float(v) / 100.0f);
}
void glwidget::modifyJointOne(double v)
{
    setJoint(1, float(v));
}
void glwidget::modifyJointTwo(double v)
{
    setJoint(2, float(v));
}
void glwidget::modifyJointThree(double v)
{
    setJoint(3, float(v));
}
void glwidget::modifyJointFour(double v)
{
    setJoint(4, float(v));
}
void glwidget::modifyJointFive(double v)
{
    setJoint(5, float(v));
}
void glwidget::modifyJointSix(double v)
{
    setJoint(6, float(v));
}

void glwidget::setFrameFlag(int index, bool on)
{
    if (!robot)
        return;
    robot->setFrameVisible(on, index);
    updateGL();
}

void glwidget::setAxisWorld(bool on)
{
    setFrameFlag(8, on);
}
void glwidget::setAxisTool(bool on)
{
    setFrameFlag(7, on);
}
void glwidget::setAxisBase(bool on)
{
    setFrameFlag(0, on);
}
void glwidget::setAxisOne(bool on)
{
    setFrameFlag(1, on);
}
void glwidget::setAxisTwo(bool on)
{
    setFrameFlag(2, on);
}
void glwidget::setAxisThree(bool on)
{
    setFrameFlag(3, on);
}
void glwidget::setAxisFour(bool on)
{
    setFrameFlag(4, on);
}
void glwidget::setAxisFive(bool on)
{
    setFrameFlag(5, on);
}
void glwidget::setAxisSix(bool on)
{
    setFrameFlag(6, on);
}

void glwidget::enableAllAxis()
{
    if (!robot)
        return;
    for (int i = 0; i < 9; ++i)
        robot->setFrameVisible(true, i);
    updateGL();
}

void glwidget::disableAllAxis()
{
    if (!robot)
        return;
    for (int i = 0; i < 9; ++i)
        robot->setFrameVisible(false, i);
    updateGL();
}

void glwidget::setDHM()
{
    if (!robot)
        return;
    robot->setFrameMode(0);
    updateGL();
}

void glwidget::setDH()
{
    if (!robot)
        return;
    robot->setFrameMode(1);
    updateGL();
}

void glwidget::updateGL_slot()
{
    updateGL();
}

// ---------------------------------------------------------------- trace

void glwidget::appendTrace(const Matrix4 &m)
{
    m_trace.push_back(
        {{m[3], m[7], m[11]}, {m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]}});
}

void glwidget::TCP_Points_Add(GLfloat *pose)
{
    if (!pose)
        return;
    Matrix4 m;
    std::copy(pose, pose + 16, m.begin());
    appendTrace(m);
}

void glwidget::clearTrace()
{
    m_trace.clear();
    m_trace.shrink_to_fit();
    m_traceBuffer.reset();
    updateGL();
}

// ---------------------------------------------------------------- views

void glwidget::do_viewIso()
{
    resetCamera(int(Camera::kIso[0]), int(Camera::kIso[1]));
}
void glwidget::do_viewTop()
{
    resetCamera(int(Camera::kTop[0]), int(Camera::kTop[1]));
}
void glwidget::do_viewFront()
{
    resetCamera(int(Camera::kFront[0]), int(Camera::kFront[1]));
}
void glwidget::do_viewRight()
{
    resetCamera(int(Camera::kRight[0]), int(Camera::kRight[1]));
}
void glwidget::do_viewLeft()
{
    resetCamera(int(Camera::kLeft[0]), int(Camera::kLeft[1]));
}
void glwidget::do_viewBack()
{
    resetCamera(int(Camera::kBack[0]), int(Camera::kBack[1]));
}

// ---------------------------------------------------------------- mouse and keys

void glwidget::mousePressEvent(QMouseEvent *event)
{
    m_lastMouse = event->pos();
    const Qt::MouseButtons b = event->buttons();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (b & Qt::LeftButton) {
        if (shift == ctrl)
            m_mouseMode = MouseOrbit;
        else if (shift)
            m_mouseMode = MouseZoom;
        else
            m_mouseMode = MousePan;
    }
    if (b & Qt::MiddleButton) {
        if (!(b & (Qt::LeftButton | Qt::RightButton))) {
            m_mouseMode = MousePan;
            return;
        }
        m_mouseMode = MouseOrbit;
    }
    if (m_mouseMode == MouseOrbit)
        m_camera.beginOrbit();
}

void glwidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->pos();
    const int x0 = m_lastMouse.x(), y0 = m_lastMouse.y();
    switch (m_mouseMode) {
    case MouseOrbit:
        m_camera.orbit(p.x() - x0, p.y() - y0);
        updateGL();
        break;
    case MouseZoom:
        m_camera.zoom(y0 - p.y());
        updateGL();
        break;
    case MousePan:
        m_camera.pan(x0 - p.x(), y0 - p.y());
        updateGL();
        break;
    default:
        break;
    }
    m_lastMouse = p;
}

void glwidget::mouseReleaseEvent(QMouseEvent *event)
{
    m_mouseMode = (event->buttons() & Qt::MiddleButton) ? MouseZoom : MouseNone;
}

void glwidget::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const QPoint d = event->angleDelta();
    if (d.y() == 0 || std::abs(d.x()) > std::abs(d.y()))
        return; // horizontal wheels are accepted and ignored
    m_camera.wheel(d.y());
    updateGL();
}

void glwidget::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers m = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    const bool shiftCtrl = m == (Qt::ShiftModifier | Qt::ControlModifier);
    if (shiftCtrl && event->key() == Qt::Key_F) {
        makeCurrent();
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        m_wireframe = true;
        updateGL();
    } else if (shiftCtrl && event->key() == Qt::Key_D) {
        makeCurrent();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        m_wireframe = false;
        updateGL();
    } else if (shiftCtrl && event->key() == Qt::Key_T) {
        qCDebug(lcRobot) << "T Amb shift";
        updateGL();
    } else if (event->key() == Qt::Key_T) {
        qCDebug(lcRobot) << "T sense shift";
        updateGL();
    } else {
        event->ignore(); // the control panel handles the rest
    }
}
