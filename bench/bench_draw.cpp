// What drawing static objects costs over the bare minimum. 300 objects of
// 2,000,000 triangles in all, each with a few colour runs and its own pose,
// are drawn (a) with drawObject, entry by entry, and (b) from one vertex and
// one normal buffer made once for all of them, one glDrawArrays per object
// under the same pose and no material changes. Both end with glFinish; the
// figures are medians over several frames, and the ratio a/b is what the
// buffered drawing is judged by. Needs a display:
//
//   xvfb-run -a -s "-screen 0 1600x1200x24" build/bin/bench_draw [frames]
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "scene/objectmesh.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGLWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
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

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    Canvas canvas;
    canvas.show();
    app.processEvents();
    if (!canvas.isValid()) {
        std::fprintf(stderr, "no OpenGL context\n");
        return 1;
    }
    canvas.setUp();
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
