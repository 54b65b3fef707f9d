// The 3-D view, its panels and the robot library under Xvfb, one check per
// path, and pixels read back. Objects are lit by GL_LIGHT0's defaults along
// the view direction (global ambient 0.2, shininess 0): a face turned to the
// viewer shows 0.2 m + m + m of material colour m (clamped), one turned away
// the ambient 0.2 m alone.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectdraw.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robotlibrary.h"
#include "scene/robots.h"
#include "support/scratchinstall.h"
#include <GL/gl.h>
#include <QAction>
#include <QDir>
#include <QGLWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <deque>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
namespace {
bool close(QRgb c, int r, int g, int b, int tol)
{
    return std::abs(qRed(c) - r) <= tol && std::abs(qGreen(c) - g) <= tol &&
           std::abs(qBlue(c) - b) <= tol;
}
void type(QLineEdit *e, const QString &text)
{
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}
void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}
constexpr int kSize = 100; // pixels; the view spans -50..50 units, one unit a pixel
// Mesa's JIT code leaks two small blocks on the process's first draw, from
// a stack no suppression can name: a throw-away triangle drawn with leak
// checking paused takes them out of the way (later ones cost nothing).
void throwAwayDraw()
{
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
    View() : QGLWidget(QGLFormat(QGL::DoubleBuffer | QGL::NoSampleBuffers))
    {
        setFixedSize(kSize, kSize);
    }
    ~View() override
    {
        makeCurrent(); // the entries' buffers belong to this context
        entries.clear();
    }
    std::deque<ObjectEntry> entries; // entries stay put while more are added
    ObjectEntry &add(const QString &file)
    {
        entries.emplace_back();
        readObjectMesh(file, entries.back());
        return entries.back();
    }
    // Draws every entry into the back buffer and reads the picture back.
    void render()
    {
        makeCurrent();
        glViewport(0, 0, kSize, kSize);
        glClearColor(0, 0, 0, 1);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-50, 50, -50, 50, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat towardsViewer[4] = {0, 0, 1, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        for (GLenum off : {GL_COLOR_MATERIAL, GL_CULL_FACE, GL_DEPTH_TEST})
            glDisable(off);
        throwAwayDraw();
        glClear(GL_COLOR_BUFFER_BIT);
        for (const ObjectEntry &e : entries)
            drawObject(e);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        pixels.resize(kSize * kSize * 4);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        error = glGetError();
    }
    // The pixel at world position (x, y).
    QRgb at(int x, int y) const
    {
        const unsigned char *p = pixels.data() + 4 * ((y + kSize / 2) * kSize + x + kSize / 2);
        return qRgb(p[0], p[1], p[2]);
    }
    std::vector<unsigned char> pixels;
    GLenum error = GL_NO_ERROR;
};
// Each row {x, y, r, g, b}: the pixel at world (x, y) has that colour.
#define EXPECT_PIXELS(view, ...)                                                                   \
    for (const auto &p : std::initializer_list<std::array<int, 5>>{__VA_ARGS__})                   \
    QVERIFY2(close((view).at(p[0], p[1]), p[2], p[3], p[4], 4),                                    \
             qPrintable(QString("(%1, %2): ").arg(p[0]).arg(p[1]) +                                \
                        QColor((view).at(p[0], p[1])).name()))
// 0.2 m + m + m of the default colour (0.2, 0.4, 0.8): 0.44, 0.88, 1.76.
constexpr int kDefR = 112, kDefG = 224, kDefB = 255;
QTreeWidgetItem *rowOf(const RobotLibrary &dlg, const QString &model)
{
    return dlg.list()->findItems(model, Qt::MatchExactly, 1).value(0);
}
// Share of the picture that is drawn (opaque).
double cover(const QImage &image)
{
    int n = 0, w = image.width(), all = w * image.height();
    for (int i = 0; i < all; ++i)
        n += qAlpha(image.pixel(i % w, i / w)) == 255;
    return double(n) / all;
}
} // namespace
class TestView : public QObject
{
    Q_OBJECT
    MainWindow *w = nullptr;
private slots:
    void init()
    {
        MainWindow::setInteractive(false);
        w = new MainWindow;
        w->resize(900, 700);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup() { delete w; }
    void robotsAreLoadedPlacedAndRemoved()
    {
        glwidget *v = w->view();
        Robots *panel = v->robotsList();
        // A new robot replaces the current one and carries its tool along.
        QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
        QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
        QVERIFY(panel->listWidget()->count() == 1 &&
                v->selectedRobot()->getToolPath().endsWith(QStringLiteral("IRB120_Crayon.tool")));
        // Keystrokes rename the entry ("#" separates station fields: not taken).
        QSignalSpy messages(v, &glwidget::userMessage);
        panel->nameEdit()->clear();
        QTest::keyClicks(panel->nameEdit(), QStringLiteral("Cell #1"));
        QVERIFY(panel->listWidget()->item(0)->text() == "Cell 1" &&
                v->selectedRobot()->getName() == "Cell 1");
        // Six numbers place the robot (last angle about X); a typo is refused.
        type(panel->placementEdit(), QStringLiteral("100, 200, 300, 0, 0, 90"));
        const Matrix4 p = v->selectedRobot()->getPlacement();
        QVERIFY(p[3] == 100 && p[11] == 300 && std::fabs(p[9] - 1) < 1e-6f);
        type(panel->placementEdit(), QStringLiteral("1OO, 200, 300, 0, 0, 90"));
        QVERIFY(v->selectedRobot()->getPlacement() == p &&
                panel->placementEdit()->property("refused").toBool());
        QVERIFY(
            messages.last().at(0).toString().contains(QStringLiteral("\"1OO\" is not a number")));
        // Return in the untouched field: its two decimals are not applied again.
        Matrix4 fine = p;
        fine[7] = 200.004f;
        v->selectedRobot()->setPlacement(fine);
        panel->showRobot(panel->selectedIndex());
        QVERIFY(!panel->placementEdit()->property("refused").toBool());
        QTest::keyClick(panel->placementEdit(), Qt::Key_Return);
        QCOMPARE(v->selectedRobot()->getPlacement(), fine);
        // The Delete key removes.
        QSignalSpy reset(v, &glwidget::setControlsReset);
        QTest::keyClick(panel->listWidget(), Qt::Key_Delete);
        QVERIFY(panel->count() == 0 && !v->selectedRobot() && reset.count() == 1);
    }
    void objectsPanel()
    {
        ScratchInstall inst;
        Objects *o = w->view()->objectsList();
        const QByteArray plate = "solid\n" + square(-50, -50, 50, 50);
        for (const char *name : {"Objects/table.stl", "x/fixture.stl", "x/part.slp"})
            QCOMPARE(o->AddObject(inst.write(QLatin1String(name), plate)), 0);
        QCOMPARE(o->selectedIndex(), 2);
        // A scale of nothing is refused with a message; "2,5" is 2.5.
        QSignalSpy messages(o, &Objects::userMessage);
        type(o->scaleEdit(), QStringLiteral("0"));
        QVERIFY(o->entry(2)->scale == 1.0f && o->scaleEdit()->property("refused").toBool() &&
                messages.count() == 1);
        // The mark is about this object: another one shows unmarked.
        o->ObjList_JustClicked(o->listWidget()->model()->index(1, 0));
        QVERIFY(!o->scaleEdit()->property("refused").toBool());
        o->ObjList_JustClicked(o->listWidget()->model()->index(2, 0));
        type(o->scaleEdit(), QStringLiteral("2,5"));
        QCOMPARE(o->entry(2)->scale, 2.5f);
        type(o->placementEdit(), QStringLiteral("1, 2, 3, 0, 0, 90"));
        QVERIFY(o->entry(2)->pose[12] == 1 && o->entry(2)->pose[14] == 3); // column-major
        // Return in untouched fields applies nothing: they show 1.235 and 1.00.
        o->entry(2)->scale = 1.23456f;
        o->entry(2)->pose[12] = 1.004f;
        o->ObjList_JustClicked(o->listWidget()->model()->index(2, 0));
        QTest::keyClick(o->scaleEdit(), Qt::Key_Return);
        QTest::keyClick(o->placementEdit(), Qt::Key_Return);
        QVERIFY(o->entry(2)->scale == 1.23456f && o->entry(2)->pose[12] == 1.004f);
        // Removing the middle one shows the new last one.
        o->listWidget()->setCurrentRow(1);
        o->ObjList_JustClicked(o->listWidget()->model()->index(1, 0));
        o->GUIobject_DoRemove();
        QVERIFY(o->count() == 2 && o->selectedIndex() == 1 && o->nameEdit()->text() == "part");
        o->removeAll();
        // The table holds at most kMaxObjects.
        const QString f = inst.write(QStringLiteral("Objects/t.stl"), plate);
        for (int i = 0; i < Objects::kMaxObjects; ++i)
            QCOMPARE(o->AddObject(f), 0);
        QVERIFY(o->AddObject(f) == Objects::kTableFull && o->count() == Objects::kMaxObjects);
    }
    void renderedPixelsMouseWheelAndKeys()
    {
        glwidget *v = w->view();
        if (!v->isValid())
            QSKIP("no OpenGL context on this display");
        DataDirs::setApplicationDirForTesting(QString());
        QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
        v->updateGL();
        const QImage img = v->grabFrameBuffer();
        const int W = img.width(), H = img.height();
        // Gradient: dark blue at the top edge, light blue-grey at the bottom.
        QVERIFY(close(img.pixel(2, 0), 0, 0, 51, 15) &&
                close(img.pixel(2, H - 1), 102, 102, 178, 15));
        // The iso view is centred on the robot: its light grey shows there.
        int robotPixels = 0;
        for (int y = H / 2 - 40; y < H / 2 + 40; y += 4)
            for (int x = W / 2 - 40; x < W / 2 + 40; x += 4)
                robotPixels += qRed(img.pixel(x, y)) > 120 &&
                               std::abs(qRed(img.pixel(x, y)) - qBlue(img.pixel(x, y))) < 40;
        QVERIFY2(robotPixels > 20, qPrintable(QString::number(robotPixels)));
        const Matrix4 start = v->camera().viewMatrix();
        // Middle-button pan follows the mouse; a wheel notch is 150 mm (tst_camera).
        mouse(v, QEvent::MouseButtonPress, {100, 100}, Qt::MiddleButton, Qt::MiddleButton);
        mouse(v, QEvent::MouseMove, {104, 100}, Qt::NoButton, Qt::MiddleButton);
        QCOMPARE(v->camera().viewMatrix()[12], start[12] + 20.0f);
        mouse(v, QEvent::MouseButtonRelease, {104, 100}, Qt::MiddleButton, Qt::NoButton);
        QWheelEvent e(QPointF(50, 50), QPointF(v->mapToGlobal(QPoint(50, 50))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(v, &e);
        QCOMPARE(v->camera().viewMatrix()[14], start[14] + 150.0f);
        // Ctrl+Shift+F and D: wireframe on and off.
        v->setFocus();
        QTest::keyClick(v, Qt::Key_F, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(v->isWireframe());
        QTest::keyClick(v, Qt::Key_D, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(!v->isWireframe());
    }
    void objectsAreDrawnInTheirColours()
    {
        ScratchInstall install;
        View view;
        view.show();
        if (!QTest::qWaitForWindowExposed(&view) || !view.isValid())
            QSKIP("no OpenGL context on this display");
        auto file = [&install](const char *name, const QByteArray &body) {
            return install.write(QStringLiteral("Objects/") + name,
                                 "solid s\n" + body + "endsolid\n");
        };
        // Three runs: default, "0 0 1" (blue 0, green 0, red 1), then green;
        // a second entry without colours after them does not inherit the green.
        view.add(file("runs.stl", square(-45, 30, -35, 40) + "  color 0 0 1\n" +
                                      square(-30, 30, -20, 40) + "  color 0 1 0\n" +
                                      square(-15, 30, -5, 40)));
        ObjectEntry &plain = view.add(file("plain.stl", square(0, 30, 10, 40)));
        const QByteArray red = "  color 0 0 1\n" + square(-5, -5, 5, 5);
        ObjectEntry &flipped = view.add(file("flipped.stl", red));
        flipped.pose[12] = 20, flipped.pose[13] = 35, flipped.flipNormals = 1;
        ObjectEntry &hidden = view.add(file("hidden.stl", red));
        hidden.pose[12] = 40, hidden.pose[13] = 35, hidden.visible = 0;
        ObjectEntry &flat = view.add(file("flat.stl", red));
        flat.pose[12] = -40, flat.pose[13] = -40, flat.scale = 0;
        // Scaled: the mesh grows, not the pose. The square spans x 0..40 and y
        // -25..15; a scaled translation would put it at 20..60, an unscaled mesh
        // at 10..30. Lighting does not change: the normals stay unit length.
        ObjectEntry &scaled =
            view.add(file("scaled.stl", "  color 0 0 1\n" + square(-10, -10, 10, 10)));
        scaled.pose[12] = 20, scaled.pose[13] = -5, scaled.scale = 2;
        view.render();
        QCOMPARE(view.error, GLenum(GL_NO_ERROR));
        // Flipped, facing away: the ambient 0.2 x red alone; hidden, flat: nothing.
        EXPECT_PIXELS(view, {-40, 35, kDefR, kDefG, kDefB}, {-25, 35, 255, 0, 0},
                      {-10, 35, 0, 255, 0}, {5, 35, kDefR, kDefG, kDefB}, {20, 35, 51, 0, 0},
                      {40, 35, 0, 0, 0}, {-40, -40, 0, 0, 0}, {4, -5, 255, 0, 0},
                      {36, -21, 255, 0, 0}, {20, -5, 255, 0, 0}, {44, -5, 0, 0, 0},
                      {-4, -5, 0, 0, 0}, {20, 19, 0, 0, 0}, {0, 20, 0, 0, 0});
        // Changes after the first draw are drawn: switches, a new scale (1.2
        // takes the square to x 8..32), a new mesh read into the same entry.
        flipped.flipNormals = 0, hidden.visible = 1, scaled.scale = 1.2f;
        QVERIFY(readObjectMesh(file("plain.stl", "  color 0 1 0\n" + square(-45, -20, -35, -10)),
                               plain) == 0);
        view.render();
        EXPECT_PIXELS(view, {20, 35, 255, 0, 0}, {40, 35, 255, 0, 0}, {5, 35, 0, 0, 0},
                      {-40, -15, 0, 255, 0}, {6, -5, 0, 0, 0}, {30, -5, 255, 0, 0},
                      {34, -5, 0, 0, 0});
    }
    void libraryListsEveryShippedRobotWithItsPicture()
    {
        RobotLibrary dlg(DataDirs::robotDir());
        QTreeWidget *list = dlg.list();
        // Every shipped description, by maker, then model as people read numbers.
        QCOMPARE(list->topLevelItemCount(),
                 QDir(DataDirs::robotDir()).entryList({"*.xml"}, QDir::Files).size());
        auto at = [&](const char *model) { return list->indexOfTopLevelItem(rowOf(dlg, model)); };
        QVERIFY(at("IRB 120-3/0.6") == 0 && at("IRB 1200-5/0.9") == 1 &&
                at("IRB 1600-10/1.45") == 2);
        // Every row gets its picture.
        dlg.show();
        QTRY_COMPARE_WITH_TIMEOUT(dlg.picturesPending(), 0, 60000);
        for (int r = 0; r < list->topLevelItemCount(); ++r)
            QVERIFY2(cover(list->topLevelItem(r)->icon(0).pixmap(56, 56).toImage()) > 0.05,
                     qPrintable(list->topLevelItem(r)->text(1)));
    }
    void theMenuChoosesARobot()
    {
        // "Load Robot" opens the library; UR3 is chosen with the button and its
        // published decimals reach the loaded model.
        QTimer::singleShot(0, [] {
            QTRY_VERIFY(qobject_cast<RobotLibrary *>(QApplication::activeModalWidget()));
            auto *dlg = qobject_cast<RobotLibrary *>(QApplication::activeModalWidget());
            dlg->list()->setCurrentItem(rowOf(*dlg, "UR3 (CB3)"));
            QTest::mouseClick(dlg->findChild<QPushButton *>("loadButton"), Qt::LeftButton);
        });
        w->findChild<QAction *>(QStringLiteral("actionLoadRobot"))->trigger();
        QVERIFY(w->robot() && w->robot()->getFilePath().endsWith(QStringLiteral("/UR3.xml")));
        QCOMPARE(w->robot()->joint(3).getA(), -243.65);
    }
};
QTEST_MAIN(TestView)
#include "tst_view.moc"
