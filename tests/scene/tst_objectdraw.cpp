// Drawing static objects: the picture of squares read from STL files, lit by
// one light along the view direction, checked pixel by pixel against colours
// worked out from the fixed-function lighting sum.
//
// With GL_LIGHT0's defaults (white diffuse and highlight light, no light
// ambient, direction +z in eye space), the global ambient 0.2 and shininess 0,
// a face turned to the viewer shows ambient 0.2 m + diffuse m + highlight m
// for material colour m (clamped), and a face whose normal points away shows
// the ambient share of 0.2 m alone.
#include "scene/objectdraw.h"
#include "support/scratchinstall.h"

#include <GL/gl.h>
#include <QGLWidget>
#include <QtTest>
#include <deque>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

constexpr int kSize = 100; // pixels; the view spans -50..50 units, one unit a pixel

struct Rgb
{
    int r, g, b;
};

// Mesa's JIT-compiled vertex code makes two small allocations on the first
// draw of the process that are never freed. Their stack ends in generated
// code outside any module, so no suppression can name them; one throw-away
// triangle drawn with leak checking paused takes them out of the way, and
// everything drawn afterwards is checked.
void firstDrawOfTheProcess()
{
    static bool done = false;
    if (done)
        return;
    done = true;
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
    const GLfloat corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, corners);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDisableClientState(GL_VERTEX_ARRAY);
    glFinish();
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
}

QByteArray square(float x0, float y0, float x1, float y1)
{
    // Counter-clockwise seen from +z, the viewer's side.
    auto v = [](float x, float y) {
        return "      vertex " + QByteArray::number(double(x)) + ' ' +
               QByteArray::number(double(y)) + " 0\n";
    };
    return "  facet normal 0 0 1\n    outer loop\n" + v(x0, y0) + v(x1, y0) + v(x1, y1) +
           "    endloop\n  endfacet\n  facet normal 0 0 1\n    outer loop\n" + v(x0, y0) +
           v(x1, y1) + v(x0, y1) + "    endloop\n  endfacet\n";
}

class View : public QGLWidget
{
public:
    View() : QGLWidget(plainFormat()) { setFixedSize(kSize, kSize); }
    ~View() override
    {
        // The entries' buffers belong to this context.
        makeCurrent();
        entries.clear();
    }

    // Entries stay where they are while more are added.
    std::deque<ObjectEntry> entries;

    ObjectEntry &add(const QString &file)
    {
        entries.emplace_back();
        if (readObjectMesh(file, entries.back()) != 0)
            qWarning() << "could not read" << file;
        return entries.back();
    }

    // Draws every entry into the back buffer and reads the picture back.
    void render()
    {
        makeCurrent();
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-50, 50, -50, 50, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat towardsViewer[4] = {0, 0, 1, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        firstDrawOfTheProcess();
        glClear(GL_COLOR_BUFFER_BIT);
        for (const ObjectEntry &e : entries)
            drawObject(e);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        m_pixels.resize(kSize * kSize * 4);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, m_pixels.data());
        m_error = glGetError();
    }
    // The pixel at world position (x, y).
    Rgb at(int x, int y) const
    {
        const int px = x + kSize / 2, py = y + kSize / 2;
        const unsigned char *p = m_pixels.data() + 4 * (py * kSize + px);
        return {p[0], p[1], p[2]};
    }
    GLenum error() const { return m_error; }

protected:
    void initializeGL() override {}
    void paintGL() override {}

private:
    static QGLFormat plainFormat()
    {
        QGLFormat f;
        f.setSampleBuffers(false);
        f.setDoubleBuffer(true);
        return f;
    }
    std::vector<unsigned char> m_pixels;
    GLenum m_error = GL_NO_ERROR;
};

bool near(const Rgb &c, int r, int g, int b, int tol = 4)
{
    return std::abs(c.r - r) <= tol && std::abs(c.g - g) <= tol && std::abs(c.b - b) <= tol;
}

QByteArray describe(const Rgb &c)
{
    return QByteArray("pixel ") + QByteArray::number(c.r) + ' ' + QByteArray::number(c.g) + ' ' +
           QByteArray::number(c.b);
}

#define EXPECT_PIXEL(view, x, y, r, g, b)                                                          \
    QVERIFY2(near((view).at(x, y), r, g, b), describe((view).at(x, y)).constData())

// 0.2 m + m + m of the default colour (0.2, 0.4, 0.8): 0.44, 0.88, 1.76.
constexpr int kDefR = 112, kDefG = 224, kDefB = 255;

} // namespace

class TestObjectDraw : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void colourLineIsBlueGreenRed();
    void runsKeepTheirColoursAndDefaultComesBack();
    void flippedNormalsFaceAway();
    void invisibleDrawsNothing();
    void scaleZeroDrawsNothing();
    void scaleMultipliesTheMeshNotThePose();
    void changesAfterTheFirstDrawAreDrawn();

private:
    bool ready(View &view);
    std::unique_ptr<ScratchInstall> m_install;
};

void TestObjectDraw::init()
{
    m_install = std::make_unique<ScratchInstall>();
}

void TestObjectDraw::cleanup()
{
    m_install.reset();
}

bool TestObjectDraw::ready(View &view)
{
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    return view.isValid();
}

void TestObjectDraw::colourLineIsBlueGreenRed()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    // "0 0 1" is blue 0, green 0, red 1.
    view.add(m_install->write("Objects/red.stl", "solid r\n  color 0 0 1\n" +
                                                     square(-30, -30, 30, 30) + "endsolid\n"));
    view.render();
    QCOMPARE(view.error(), GLenum(GL_NO_ERROR));
    EXPECT_PIXEL(view, 0, 0, 255, 0, 0);
    EXPECT_PIXEL(view, 25, -25, 255, 0, 0);
    EXPECT_PIXEL(view, 40, 40, 0, 0, 0);
    EXPECT_PIXEL(view, -45, 0, 0, 0, 0);
}

void TestObjectDraw::runsKeepTheirColoursAndDefaultComesBack()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    // Three runs: default, red, green; then a second entry without colours
    // after them, which must not inherit the green.
    view.add(m_install->write("Objects/runs.stl", "solid s\n" + square(-45, 10, -15, 40) +
                                                      "  color 0 0 1\n" + square(-10, 10, 10, 40) +
                                                      "  color 0 1 0\n" + square(15, 10, 45, 40) +
                                                      "endsolid\n"));
    view.add(m_install->write("Objects/plain.stl",
                              "solid p\n" + square(-20, -40, 20, -10) + "endsolid\n"));
    view.render();
    EXPECT_PIXEL(view, -30, 25, kDefR, kDefG, kDefB);
    EXPECT_PIXEL(view, 0, 25, 255, 0, 0);
    EXPECT_PIXEL(view, 30, 25, 0, 255, 0);
    EXPECT_PIXEL(view, 0, -25, kDefR, kDefG, kDefB);
    EXPECT_PIXEL(view, 0, 0, 0, 0, 0);
}

void TestObjectDraw::flippedNormalsFaceAway()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    const QString file = m_install->write(
        "Objects/red.stl", "solid r\n  color 0 0 1\n" + square(-30, -30, 30, 30) + "endsolid\n");
    ObjectEntry &e = view.add(file);
    e.flipNormals = 1;
    view.render();
    // Only the ambient part remains: 0.2 x red.
    EXPECT_PIXEL(view, 0, 0, 51, 0, 0);
    e.flipNormals = 0;
    view.render();
    EXPECT_PIXEL(view, 0, 0, 255, 0, 0);
    e.flipNormals = 1;
    view.render();
    EXPECT_PIXEL(view, 0, 0, 51, 0, 0);
}

void TestObjectDraw::invisibleDrawsNothing()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    ObjectEntry &e = view.add(m_install->write(
        "Objects/red.stl", "solid r\n  color 0 0 1\n" + square(-30, -30, 30, 30) + "endsolid\n"));
    e.visible = 0;
    view.render();
    EXPECT_PIXEL(view, 0, 0, 0, 0, 0);
    e.visible = 1;
    view.render();
    EXPECT_PIXEL(view, 0, 0, 255, 0, 0);
}

void TestObjectDraw::scaleZeroDrawsNothing()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    ObjectEntry &e = view.add(m_install->write(
        "Objects/red.stl", "solid r\n  color 0 0 1\n" + square(-30, -30, 30, 30) + "endsolid\n"));
    e.scale = 0.0f;
    view.render();
    for (int x = -40; x <= 40; x += 10)
        for (int y = -40; y <= 40; y += 10)
            EXPECT_PIXEL(view, x, y, 0, 0, 0);
}

void TestObjectDraw::scaleMultipliesTheMeshNotThePose()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    ObjectEntry &e = view.add(m_install->write(
        "Objects/small.stl", "solid r\n  color 0 0 1\n" + square(-10, -10, 10, 10) + "endsolid\n"));
    // Column-major: the translation is in elements 12 to 14.
    e.pose[12] = 20.0f;
    e.pose[13] = -5.0f;
    e.scale = 2.0f;
    view.render();
    // The square spans x 0..40, y -25..15; a scaled translation would put it
    // at 20..60, an unscaled mesh at 10..30.
    EXPECT_PIXEL(view, 4, -5, 255, 0, 0);
    EXPECT_PIXEL(view, 36, -21, 255, 0, 0);
    EXPECT_PIXEL(view, 44, -5, 0, 0, 0);
    EXPECT_PIXEL(view, -4, -5, 0, 0, 0);
    EXPECT_PIXEL(view, 20, 19, 0, 0, 0);
    // Lighting does not change with the scale: the normals stay unit length.
    EXPECT_PIXEL(view, 20, -5, 255, 0, 0);
}

void TestObjectDraw::changesAfterTheFirstDrawAreDrawn()
{
    View view;
    if (!ready(view))
        QSKIP("no OpenGL context on this display");
    ObjectEntry &e = view.add(m_install->write(
        "Objects/left.stl", "solid r\n  color 0 0 1\n" + square(-40, -10, -20, 10) + "endsolid\n"));
    view.render();
    EXPECT_PIXEL(view, -30, 0, 255, 0, 0);
    EXPECT_PIXEL(view, 30, 0, 0, 0, 0);

    // A new mesh read into the same entry replaces the uploaded one.
    QCOMPARE(readObjectMesh(m_install->write("Objects/right.stl", "solid g\n  color 0 1 0\n" +
                                                                      square(20, -10, 40, 10) +
                                                                      "endsolid\n"),
                            e),
             0);
    view.render();
    EXPECT_PIXEL(view, -30, 0, 0, 0, 0);
    EXPECT_PIXEL(view, 30, 0, 0, 255, 0);

    // So does a new scale: 1.2 takes the square to 24..48.
    e.scale = 1.2f;
    view.render();
    EXPECT_PIXEL(view, 22, 0, 0, 0, 0);
    EXPECT_PIXEL(view, 46, 0, 0, 255, 0);
}

QTEST_MAIN(TestObjectDraw)
#include "tst_objectdraw.moc"
