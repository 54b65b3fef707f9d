// What drawing static objects costs over the bare minimum. 300 objects of
// 2,000,000 triangles in all, each with a few colour runs and its own pose,
// are drawn (a) with drawObject, entry by entry, and (b) from one vertex and
// one normal buffer made once for all of them, one glDrawArrays per object
// under the same pose and no material changes. Both end with glFinish; the
// figures are medians over several frames, and the ratio a/b is what the
// buffered drawing is judged by. Needs a display:
//
//   xvfb-run -a -s "-screen 0 1600x1200x24" build/bin/bench_draw [frames]
//
// With "trace" as first argument it measures the TCP trace instead: 2,000,000
// trace points (a long program's path) drawn (a) by the view's TraceBuffer,
// once the buffer is made, as points and as axis lines, against (b) a bare
// glDrawArrays of a buffer holding only the same vertices, and (c) the
// vertex-by-vertex immediate mode the trace used to be drawn with:
//
//   xvfb-run -a -s "-screen 0 1600x1200x24" build/bin/bench_draw trace [frames]
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "scene/glwidget.h"
#include "scene/objectdraw.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGLWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kObjects = 300;
constexpr std::size_t kTriangles = 2000000;
constexpr int kWidth = 800, kHeight = 600;

class Canvas : public QGLWidget
{
public:
    Canvas() : QGLWidget(plainFormat()) { setFixedSize(kWidth, kHeight); }
    ~Canvas() override
    {
        makeCurrent();
        entries.clear();
        if (m_bare[0] != 0)
            glDeleteBuffers(2, m_bare);
    }

    std::deque<ObjectEntry> entries;

    void setUp()
    {
        makeCurrent();
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1100, 1100, -825, 825, -2000, 2000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat towardsViewer[4] = {0, 0, 1, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        glClearColor(0.1f, 0.1f, 0.1f, 1);
    }

    // All entries' triangles in one pair of buffers, made once.
    void buildBare()
    {
        std::vector<float> v, n;
        v.reserve(kTriangles * 9);
        n.reserve(kTriangles * 9);
        for (const ObjectEntry &e : entries) {
            m_offsets.push_back(GLint(v.size() / 3));
            v.insert(v.end(), e.vertices.begin(), e.vertices.end());
            n.insert(n.end(), e.normals.begin(), e.normals.end());
        }
        glGenBuffers(2, m_bare);
        glBindBuffer(GL_ARRAY_BUFFER, m_bare[0]);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * 4), v.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, m_bare[1]);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(n.size() * 4), n.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
    }

    double drawEntries()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        QElapsedTimer clock;
        clock.start();
        for (const ObjectEntry &e : entries)
            drawObject(e);
        glFinish();
        return clock.nsecsElapsed() / 1e6;
    }

    double drawBare()
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        QElapsedTimer clock;
        clock.start();
        const GLfloat colour[4] = {0.2f, 0.4f, 0.8f, 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, colour);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, colour);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, m_bare[0]);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, m_bare[1]);
        glNormalPointer(GL_FLOAT, 0, nullptr);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            glPushMatrix();
            glMultMatrixf(entries[i].pose.data());
            glDrawArrays(GL_TRIANGLES, m_offsets[i], GLsizei(entries[i].triangleCount() * 3));
            glPopMatrix();
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glFinish();
        return clock.nsecsElapsed() / 1e6;
    }

protected:
    void initializeGL() override {}
    void paintGL() override {}

private:
    static QGLFormat plainFormat()
    {
        QGLFormat f;
        f.setSampleBuffers(false);
        return f;
    }
    GLuint m_bare[2] = {0, 0};
    std::vector<GLint> m_offsets;
};

// A lumpy closed-ish shell of small triangles around the origin: a sphere
// of radius ~40 mm with noise, cut into bands that get their own colour.
void makeObject(ObjectEntry &e, std::size_t triangles, std::mt19937 &random)
{
    std::uniform_real_distribution<float> noise(0.9f, 1.1f);
    std::uniform_real_distribution<float> place(-1000.0f, 1000.0f);
    const int rings = std::max(2, int(std::sqrt(double(triangles) / 2.0)));
    const int segments = std::max(3, int(triangles / (2 * std::size_t(rings))));
    auto point = [&](int i, int j) {
        const double theta = toolbox::kPi * i / rings, phi = 2 * toolbox::kPi * j / segments;
        const float r = 40.0f * noise(random);
        return std::array<float, 3>{float(r * std::sin(theta) * std::cos(phi)),
                                    float(r * std::sin(theta) * std::sin(phi)),
                                    float(r * std::cos(theta))};
    };
    auto add = [&](const std::array<float, 3> &a, const std::array<float, 3> &b,
                   const std::array<float, 3> &c) {
        if (e.triangleCount() >= triangles)
            return;
        e.vertices.insert(e.vertices.end(), {a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]});
        const float ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
        const float vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
        float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        const float l = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (l > 0) {
            nx /= l;
            ny /= l;
            nz /= l;
        }
        e.normals.insert(e.normals.end(), {nx, ny, nz, nx, ny, nz, nx, ny, nz});
    };
    e.runs.clear();
    e.runs.push_back(ColourRun());
    const int colours = 3;
    for (int i = 0; i < rings && e.triangleCount() < triangles; ++i) {
        if (i > 0 && i % std::max(1, rings / (colours + 1)) == 0 && int(e.runs.size()) <= colours) {
            e.runs.back().count = std::uint32_t(e.triangleCount() - e.runs.back().first);
            ColourRun run;
            run.hasColour = true;
            run.fileValues = {float(i % 3) / 2.0f, 0.5f, 1.0f - float(i % 2)};
            run.first = std::uint32_t(e.triangleCount());
            e.runs.push_back(run);
        }
        for (int j = 0; j < segments; ++j) {
            const auto a = point(i, j), b = point(i + 1, j), c = point(i + 1, j + 1),
                       d = point(i, j + 1);
            add(a, b, c);
            add(a, c, d);
        }
    }
    // Top up to the exact count with small flat triangles.
    while (e.triangleCount() < triangles)
        add({0, 0, 0}, {3, 0, 0}, {0, 3, 0});
    e.runs.back().count = std::uint32_t(e.triangleCount() - e.runs.back().first);
    e.pose = toolbox::identity();
    e.pose[12] = place(random);
    e.pose[13] = place(random) * 0.75f;
    e.pose[14] = place(random) * 0.5f;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

constexpr std::size_t kTracePoints = 2000000;

// A helix of 2 M points, 2 mm apart, with a turning frame: what a long
// program's trace looks like to the renderer.
std::vector<TracePoint> makeTrace()
{
    std::vector<TracePoint> trace(kTracePoints);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const double a = double(i) * 0.002;
        const float c = float(std::cos(a)), s = float(std::sin(a));
        TracePoint &t = trace[i];
        t.position = {float(600.0 * std::cos(a * 0.1)), float(600.0 * std::sin(a * 0.1)),
                      float(-400.0 + 800.0 * double(i) / double(kTracePoints))};
        t.x = {c, s, 0.0f};
        t.y = {-s, c, 0.0f};
        t.z = {0.0f, 0.0f, 1.0f};
    }
    return trace;
}

double timed(const std::function<void()> &draw)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    QElapsedTimer clock;
    clock.start();
    draw();
    glFinish();
    return clock.nsecsElapsed() / 1e6;
}

int traceBenchmark(int frames)
{
    const std::vector<TracePoint> trace = makeTrace();
    glDisable(GL_LIGHTING);
    const float size = 5.0f, colour[4] = {0.2f, 0.2f, 0.6f, 1.0f};

    // The bare reference: the same vertices, tightly packed, one draw call.
    std::vector<float> points, lines;
    points.reserve(trace.size() * 3);
    lines.reserve(trace.size() * 18);
    for (const TracePoint &t : trace) {
        points.insert(points.end(), t.position.begin(), t.position.end());
        const std::array<float, 3> *axes[3] = {&t.x, &t.y, &t.z};
        for (const auto *a : axes)
            for (int end = 0; end < 2; ++end)
                for (int k = 0; k < 3; ++k)
                    lines.push_back(t.position[std::size_t(k)] +
                                    float(end) * 10.0f * size * (*a)[std::size_t(k)]);
    }
    GLuint bare[2];
    glGenBuffers(2, bare);
    glBindBuffer(GL_ARRAY_BUFFER, bare[0]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(points.size() * 4), points.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, bare[1]);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(lines.size() * 4), lines.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    auto drawBare = [&](GLuint buffer, GLenum mode, GLsizei count) {
        glColor4fv(colour);
        glEnableClientState(GL_VERTEX_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glDrawArrays(mode, 0, count);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDisableClientState(GL_VERTEX_ARRAY);
    };

    TraceBuffer buffer;
    QElapsedTimer build;
    build.start();
    buffer.draw(trace, true, size, colour); // makes the buffer: once per analysis
    glFinish();
    const double buildMs = build.nsecsElapsed() / 1e6;

    std::vector<double> tp, bp, tl, bl;
    for (int f = 0; f < frames; ++f) {
        tp.push_back(timed([&] { buffer.draw(trace, true, size, colour); }));
        bp.push_back(timed([&] { drawBare(bare[0], GL_POINTS, GLsizei(trace.size())); }));
        tl.push_back(timed([&] { buffer.draw(trace, false, size, colour); }));
        bl.push_back(timed([&] { drawBare(bare[1], GL_LINES, GLsizei(trace.size() * 6)); }));
    }
    // The old way, once: a vertex call per point.
    const double immediate = timed([&] {
        glPointSize(size);
        glColor4fv(colour);
        glBegin(GL_POINTS);
        for (const TracePoint &t : trace)
            glVertex3fv(t.position.data());
        glEnd();
    });
    std::printf("%zu trace points, buffer made in %.1f ms (once per analysis)\n", trace.size(),
                buildMs);
    const double a = median(tp), b = median(bp), c = median(tl), d = median(bl);
    std::printf("(a) points, trace buffer   : %8.2f ms per frame (median of %d)\n", a, frames);
    std::printf("(b) points, bare buffer    : %8.2f ms per frame\n", b);
    std::printf("    ratio a/b              : %8.3f\n", a / b);
    std::printf("(a) lines, trace buffer    : %8.2f ms per frame\n", c);
    std::printf("(b) lines, bare buffer     : %8.2f ms per frame\n", d);
    std::printf("    ratio a/b              : %8.3f\n", c / d);
    std::printf("(c) points, immediate mode : %8.2f ms (one frame)\n", immediate);
    buffer.release();
    glDeleteBuffers(2, bare);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool trace = argc > 1 && std::strcmp(argv[1], "trace") == 0;
    const int frameArg = trace ? 2 : 1;
    const int frames = argc > frameArg ? std::max(1, std::atoi(argv[frameArg])) : 9;
    Canvas canvas;
    canvas.show();
    app.processEvents();
    if (!canvas.isValid()) {
        std::fprintf(stderr, "no OpenGL context\n");
        return 1;
    }
    canvas.setUp();
    if (trace) {
        std::printf("renderer: %s, %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)),
                    reinterpret_cast<const char *>(glGetString(GL_VERSION)));
        return traceBenchmark(frames);
    }
    std::printf("renderer: %s, %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char *>(glGetString(GL_VERSION)));

    std::mt19937 random(3);
    std::size_t total = 0;
    for (int i = 0; i < kObjects; ++i) {
        const std::size_t share = kTriangles / kObjects + (std::size_t(i) < kTriangles % kObjects);
        canvas.entries.emplace_back();
        makeObject(canvas.entries.back(), share, random);
        total += canvas.entries.back().triangleCount();
    }
    canvas.buildBare();
    std::size_t runs = 0;
    for (const ObjectEntry &e : canvas.entries)
        runs += e.runs.size();
    std::printf("%d objects, %zu triangles, %zu colour runs, %dx%d pixels\n", kObjects, total, runs,
                kWidth, kHeight);

    // The first draw makes the entries' buffers; it is not timed.
    canvas.drawEntries();
    canvas.drawBare();
    std::vector<double> a, b;
    for (int f = 0; f < frames; ++f) {
        a.push_back(canvas.drawEntries());
        b.push_back(canvas.drawBare());
    }
    const double ma = median(a), mb = median(b);
    std::printf("(a) drawObject x %d      : %8.2f ms per frame (median of %d)\n", kObjects, ma,
                frames);
    std::printf("(b) one buffer set, bare : %8.2f ms per frame (median of %d)\n", mb, frames);
    std::printf("ratio a/b                : %8.3f\n", ma / mb);
    return 0;
}
