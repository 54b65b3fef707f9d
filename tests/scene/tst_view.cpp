// The 3-D view and its panels with real widgets under Xvfb: loading and
// removing robots, the placement form, objects, mouse, wheel and keys, and
// pixels read back from the rendered picture.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "render/frameglyph.h"
#include "render/robotpainter.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "support/scratchinstall.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

namespace {

QByteArray triangleStl(float size, float z)
{
    return QStringLiteral("solid t\n facet normal 0 0 1\n  outer loop\n"
                          "   vertex %1 %1 %3\n   vertex %2 %1 %3\n   vertex %2 %2 %3\n"
                          "  endloop\n endfacet\nendsolid\n")
        .arg(-size)
        .arg(size)
        .arg(z)
        .toLatin1();
}

// A square of two triangles facing +Z, in the given colour (B G R).
QByteArray squareStl(float size, const char *colour)
{
    const QString facet =
        QStringLiteral(" facet normal 0 0 1\n  outer loop\n   vertex %1 %2 0\n"
                       "   vertex %3 %4 0\n   vertex %5 %6 0\n  endloop\n endfacet\n");
    const float s = size;
    return "solid sq\n color " + QByteArray(colour) + "\n" +
           facet.arg(-s).arg(-s).arg(s).arg(-s).arg(s).arg(s).toLatin1() +
           facet.arg(-s).arg(-s).arg(s).arg(s).arg(-s).arg(s).toLatin1() + "endsolid\n";
}

QColor pixel(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

bool close(const QColor &c, int r, int g, int b, int tol = 12)
{
    return std::abs(c.red() - r) <= tol && std::abs(c.green() - g) <= tol &&
           std::abs(c.blue() - b) <= tol;
}

void send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadingReplacesTheRobotAndCarriesTheTool();
    void aBrokenDescriptionKeepsTheStation();
    void removingTheOnlyRobot();
    void robotForm();
    void jointSlotsAndFrames();
    void viewSlotsWithoutARobotDoNothing();
    void objectsPanel();
    void objectTableIsBounded();
    void mouseAndWheel();
    void frameFlipTables();
    void keys();
    void renderedPixels();

private:
    MainWindow *w = nullptr;
};

void TestView::init()
{
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->resize(900, 700);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
}

void TestView::cleanup()
{
    delete w;
    w = nullptr;
}

void TestView::loadingReplacesTheRobotAndCarriesTheTool()
{
    glwidget *v = w->view();
    QSignalSpy limits(v, &glwidget::sendValues);
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    QCOMPARE(limits.count(), 1);
    QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
    QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
    QCOMPARE(v->robotsList()->count(), 1);
    QCOMPARE(v->robotsList()->listWidget()->count(), 1);
    QCOMPARE(v->robotsList()->listWidget()->item(0)->text(),
             QStringLiteral("Fanuc_LRMate200iD.xml"));
    QVERIFY(v->selectedRobot()->getHasTool());
    QVERIFY(v->selectedRobot()->getToolPath().endsWith(QStringLiteral("IRB120_Crayon.tool")));
    // Without a tool on the current robot, the next one has none either.
    v->removeTool();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    QVERIFY(!v->selectedRobot()->getHasTool());
    // The camera was reset to the iso view around the new robot.
    QCOMPARE(v->camera().fieldOfView(), 25.0f);
    QVERIFY(v->camera().sceneRadius() > 300);
    QCOMPARE(FrameGlyph::size(), float(v->camera().sceneRadius() / 5));
}

void TestView::aBrokenDescriptionKeepsTheStation()
{
    ScratchInstall inst;
    glwidget *v = w->view();
    DataDirs::setApplicationDirForTesting(QString());
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    Robot *before = v->selectedRobot();
    QFile shipped(DataDirs::defaultRobot());
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    const QByteArray good = shipped.readAll();
    // The shipped description damaged as users damage files: the message
    // the window shows names the reason, not only the log.
    QByteArray fiveAxes = good;
    fiveAxes.remove(fiveAxes.indexOf("    <joint id=\"Axis6\""),
                    fiveAxes.indexOf("  </robot_dk>") -
                        fiveAxes.indexOf("    <joint id=\"Axis6\""));
    QByteArray noScale = good;
    noScale.replace("<CAD_scale FACTOR=\"1\" />", "");
    QByteArray brokenXml = good;
    brokenXml.replace("<CAD_base x", "<CAD_base <x"); // line 20
    const std::pair<QByteArray, QString> cases[] = {
        {fiveAxes, QStringLiteral("6 elements, fewer than seven")},
        {noScale, QStringLiteral("section CAD_scale is missing (found \"CAD_offsets\"")},
        {brokenXml, QStringLiteral("broken XML at line 20")},
        {"<robot><robot_dk>", QStringLiteral("broken XML at line 1")},
    };
    QSignalSpy messages(v, &glwidget::userMessage);
    for (const auto &c : cases) {
        const QString file = inst.write(QStringLiteral("bad.xml"), c.first);
        QCOMPARE(w->loadRobot(file), -1);
        QVERIFY(!messages.isEmpty());
        const QString shown = messages.takeLast().at(0).toString();
        QVERIFY2(shown.contains(file) && shown.contains(c.second), qPrintable(shown));
        QCOMPARE(w->lastMessage(), shown);
    }
    QCOMPARE(v->selectedRobot(), before);
    QCOMPARE(v->robotsList()->count(), 1);
}

void TestView::removingTheOnlyRobot()
{
    glwidget *v = w->view();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    QSignalSpy selected(v->robotsList(), &Robots::SelectedRobot);
    QSignalSpy reset(v, &glwidget::setControlsReset);
    // The Delete key on the list removes; with Shift nothing happens.
    QTest::keyClick(v->robotsList()->listWidget(), Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(v->robotsList()->count(), 1);
    QTest::keyClick(v->robotsList()->listWidget(), Qt::Key_Delete);
    QCOMPARE(v->robotsList()->count(), 0);
    QCOMPARE(v->robotsList()->listWidget()->count(), 0);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<Robot *>(), nullptr);
    QCOMPARE(reset.count(), 1);
    QVERIFY(!v->selectedRobot());
    // Removing again, or editing the form, does nothing.
    v->robotsList()->GUIobject_DoRemove();
    v->robotsList()->placementEdit()->setText(QStringLiteral("1,2,3"));
    v->robotsList()->GUIobjectPositionChanged();
}

void TestView::robotForm()
{
    glwidget *v = w->view();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    Robots *panel = v->robotsList();
    // Every keystroke renames the list entry.
    panel->nameEdit()->clear();
    QTest::keyClicks(panel->nameEdit(), QStringLiteral("Cell 1"));
    QCOMPARE(panel->listWidget()->item(0)->text(), QStringLiteral("Cell 1"));
    // "#" separates station fields: the name field does not take it.
    QTest::keyClicks(panel->nameEdit(), QStringLiteral("#2"));
    QCOMPARE(panel->nameEdit()->text(), QStringLiteral("Cell 12"));
    QCOMPARE(v->selectedRobot()->getName(), QStringLiteral("Cell 12"));
    // Six plain numbers: the robot moves and turns, the field shows units.
    panel->placementEdit()->setText(QStringLiteral("100, 200, 300, 0, 0, 90"));
    QTest::keyClick(panel->placementEdit(), Qt::Key_Return);
    QCOMPARE(
        panel->placementEdit()->text(),
        QString::fromUtf8("100.00 mm, 200.00 mm, 300.00 mm, 0.00\u00b0, 0.00\u00b0, 90.00\u00b0"));
    const Matrix4 &p = v->selectedRobot()->getPlacement();
    QCOMPARE(p[3], 100.0f);
    QCOMPARE(p[11], 300.0f);
    // Convention 0: the last angle turns about X.
    QVERIFY(std::fabs(p[10]) < 1e-6 && std::fabs(p[9] - 1.0f) < 1e-6);
    // A typo (letter O) is refused visibly; the robot stays where it is.
    QSignalSpy messages(v, &glwidget::userMessage);
    const Matrix4 kept = p;
    panel->placementEdit()->selectAll();
    QTest::keyClicks(panel->placementEdit(), QStringLiteral("1OO, 200, 300, 0, 0, 90"));
    QTest::keyClick(panel->placementEdit(), Qt::Key_Return);
    QCOMPARE(v->selectedRobot()->getPlacement(), kept);
    QVERIFY(panel->placementEdit()->property("refused").toBool());
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.at(0).at(0).toString().contains(QStringLiteral("\"1OO\" is not a number")));
    QVERIFY(panel->placementEdit()->text().startsWith(QStringLiteral("100.00 mm, 200.00 mm")));
    panel->placementEdit()->selectAll();
    QTest::keyClicks(panel->placementEdit(), QStringLiteral("0, 0, 0, 0, 0, 0"));
    QTest::keyClick(panel->placementEdit(), Qt::Key_Return);
    QCOMPARE(v->selectedRobot()->getPlacement()[3], 0.0f);
    QVERIFY(!panel->placementEdit()->property("refused").toBool());
    // Visible box.
    panel->visibleBox()->click();
    QVERIFY(!v->selectedRobot()->isVisible());
}

void TestView::jointSlotsAndFrames()
{
    glwidget *v = w->view();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    v->moveJointThree(-4550);
    QCOMPARE(v->selectedRobot()->jointValues()[2], -45.5f);
    v->modifyJointSix(12.25);
    QCOMPARE(v->selectedRobot()->jointValues()[5], 12.25f);
    v->setAxisWorld(true);
    v->setAxisTool(true);
    QCOMPARE(v->selectedRobot()->getFrameFlags()[8], 1.0f);
    QCOMPARE(v->selectedRobot()->getFrameFlags()[7], 1.0f);
    v->enableAllAxis();
    for (float f : v->selectedRobot()->getFrameFlags())
        QCOMPARE(f, 1.0f);
    v->setDHM();
    QCOMPARE(v->selectedRobot()->getFrameMode(), 0);
    v->disableAllAxis();
    QCOMPARE(v->selectedRobot()->getFrameFlags()[3], 0.0f);
    // The trace collects the TCP in scene coordinates while it is on.
    v->traceEnabled = true;
    v->modifyJointOne(10);
    v->modifyJointOne(20);
    QCOMPARE(int(v->trace().size()), 2);
    const Matrix4 tcp = v->selectedRobot()->tcpScene();
    QCOMPARE(v->trace().back().position[0], tcp[3]);
    v->clearTrace();
    QVERIFY(v->trace().empty());
    // A trace record from the sequence player: no repaint, drawn next time.
    QSignalSpy painted(v, &glwidget::painted);
    GLfloat pose[16] = {1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1};
    v->TCP_Points_Add(pose);
    QCOMPARE(painted.count(), 0);
    QCOMPARE(v->trace().back().position, (std::array<float, 3>{5, 6, 7}));
}

void TestView::viewSlotsWithoutARobotDoNothing()
{
    glwidget *v = w->view();
    QVERIFY(!v->selectedRobot());
    v->moveJointOne(1000);
    v->modifyJointTwo(3);
    v->setAxisOne(true);
    v->enableAllAxis();
    v->setDH();
    v->removeTool();
    QVERIFY(!v->loadTool(QByteArray("x.tool").data()));
    v->do_viewTop();
    QCOMPARE(v->camera().sceneRadius(), 500.0); // the empty-robot camera
    const float six[6] = {1, 2, 3, 4, 5, 6};
    v->setJointValues(six);
    QVERIFY(v->trace().empty());
}

void TestView::objectsPanel()
{
    ScratchInstall inst;
    Objects *o = w->view()->objectsList();
    const QString a = inst.write(QStringLiteral("Objects/table.stl"), triangleStl(100, 0));
    const QString b = inst.write(QStringLiteral("x/fixture.stl"), triangleStl(50, 10));
    const QString c = inst.write(QStringLiteral("x/part.slp"), triangleStl(20, 30));
    QCOMPARE(o->AddObject(a), 0);
    QCOMPARE(o->AddObject(b), 0);
    QCOMPARE(o->AddObject(c), 0);
    QCOMPARE(o->AddObject(inst.path(QStringLiteral("x/none.stl"))), -1);
    QCOMPARE(o->count(), 3);
    QCOMPARE(o->listWidget()->item(0)->text(), QStringLiteral("table"));
    QCOMPARE(o->listWidget()->item(2)->text(), QStringLiteral("part"));
    QCOMPARE(o->selectedIndex(), 2);
    QCOMPARE(o->scaleEdit()->text(), QStringLiteral("1.000"));

    // A scale of letters, 0 or 1e30 is refused with a message and the field
    // marked; the object keeps its scale. "2,5" is 2.5.
    QSignalSpy messages(o, &Objects::userMessage);
    for (const char *typedScale : {"abc", "0", "1e30", "-1"}) {
        o->scaleEdit()->selectAll();
        QTest::keyClicks(o->scaleEdit(), QString::fromLatin1(typedScale));
        QTest::keyClick(o->scaleEdit(), Qt::Key_Return);
        QCOMPARE(o->entry(2)->scale, 1.0f);
        QCOMPARE(o->scaleEdit()->text(), QStringLiteral("1.000"));
        QVERIFY(o->scaleEdit()->property("refused").toBool());
    }
    QCOMPARE(messages.count(), 4);
    o->scaleEdit()->selectAll();
    QTest::keyClicks(o->scaleEdit(), QStringLiteral("2,5"));
    QTest::keyClick(o->scaleEdit(), Qt::Key_Return);
    QCOMPARE(o->entry(2)->scale, 2.5f);
    QVERIFY(!o->scaleEdit()->property("refused").toBool());
    // A placement typo is refused; the pose stays and the field shows it.
    const Matrix4 pose = o->entry(2)->pose;
    o->placementEdit()->selectAll();
    QTest::keyClicks(o->placementEdit(), QStringLiteral("1, 2, 3O, 0, 0, 90"));
    QTest::keyClick(o->placementEdit(), Qt::Key_Return);
    QCOMPARE(o->entry(2)->pose, pose);
    QCOMPARE(messages.count(), 5);
    QVERIFY(messages.last().at(0).toString().contains(QStringLiteral("\"3O\" is not a number")));
    o->placementEdit()->setText(QStringLiteral("1, 2, 3, 0, 0, 90\u00ba"));
    QTest::keyClick(o->placementEdit(), Qt::Key_Return);
    QCOMPARE(o->entry(2)->pose[12], 1.0f); // column-major translation
    QCOMPARE(o->entry(2)->pose[14], 3.0f);
    QVERIFY(o->placementEdit()->text().startsWith(QStringLiteral("1.00 mm, 2.00 mm, 3.00 mm")));
    o->flipBox()->click();
    QCOMPARE(o->entry(2)->flipNormals, 1);

    // Removing the middle one shows the new last one.
    o->listWidget()->setCurrentRow(1);
    o->ObjList_JustClicked(o->listWidget()->model()->index(1, 0));
    QCOMPARE(o->selectedIndex(), 1);
    QVERIFY(w->objectPropertiesDock()->isVisible());
    o->GUIobject_DoRemove();
    QCOMPARE(o->count(), 2);
    QCOMPARE(o->selectedIndex(), 1);
    QCOMPARE(o->nameEdit()->text(), QStringLiteral("part"));
    QCOMPARE(o->listWidget()->item(1)->text(), QStringLiteral("part"));
    // Removing the rest leaves the form reset.
    o->GUIobject_DoRemove();
    o->GUIobject_DoRemove();
    QCOMPARE(o->count(), 0);
    QCOMPARE(o->selectedIndex(), -1);
    QCOMPARE(o->nameEdit()->text(), QStringLiteral("-"));
    QCOMPARE(o->placementEdit()->text(), QStringLiteral("-"));
    o->GUIobject_DoRemove(); // nothing left: nothing happens
    o->GUIobjectScaleChanged();
}

void TestView::objectTableIsBounded()
{
    ScratchInstall inst;
    Objects *o = w->view()->objectsList();
    const QString f = inst.write(QStringLiteral("Objects/t.stl"), triangleStl(1, 0));
    for (int i = 0; i < Objects::kMaxObjects; ++i)
        QCOMPARE(o->AddObject(f), 0);
    QSignalSpy messages(o, &Objects::userMessage);
    QCOMPARE(o->AddObject(f), Objects::kTableFull);
    QCOMPARE(o->count(), Objects::kMaxObjects);
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.at(0).at(0).toString().contains(QStringLiteral("300")));
    o->removeAll();
    QCOMPARE(o->count(), 0);
}

void TestView::mouseAndWheel()
{
    glwidget *v = w->view();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    const Matrix4 start = v->camera().viewMatrix();
    // Shift + left: zoom, 10 px up = 200 mm closer.
    send(v, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton,
         Qt::ShiftModifier);
    QCOMPARE(v->mouseMode(), int(glwidget::MouseZoom));
    send(v, QEvent::MouseMove, {100, 90}, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(v->camera().viewMatrix()[14], start[14] + 200.0f);
    send(v, QEvent::MouseButtonRelease, {100, 90}, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(v->mouseMode(), int(glwidget::MouseNone));
    // Middle alone: pan; the scene follows the mouse.
    send(v, QEvent::MouseButtonPress, {100, 100}, Qt::MiddleButton, Qt::MiddleButton);
    QCOMPARE(v->mouseMode(), int(glwidget::MousePan));
    send(v, QEvent::MouseMove, {104, 100}, Qt::NoButton, Qt::MiddleButton);
    QCOMPARE(v->camera().viewMatrix()[12], start[12] + 20.0f);
    send(v, QEvent::MouseButtonRelease, {104, 100}, Qt::MiddleButton, Qt::NoButton);
    // Ctrl + left: pan; both modifiers: orbit; middle with left: orbit.
    send(v, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton,
         Qt::ControlModifier);
    QCOMPARE(v->mouseMode(), int(glwidget::MousePan));
    send(v, QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton, Qt::NoButton);
    send(v, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton,
         Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(v->mouseMode(), int(glwidget::MouseOrbit));
    send(v, QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton, Qt::NoButton);
    send(v, QEvent::MouseButtonPress, {100, 100}, Qt::MiddleButton,
         Qt::MiddleButton | Qt::LeftButton);
    QCOMPARE(v->mouseMode(), int(glwidget::MouseOrbit));
    const Matrix4 beforeOrbit = v->camera().viewMatrix();
    send(v, QEvent::MouseMove, {150, 100}, Qt::NoButton, Qt::MiddleButton | Qt::LeftButton);
    QVERIFY(v->camera().viewMatrix() != beforeOrbit);
    // Releasing the left button while the middle one is held: zoom.
    send(v, QEvent::MouseButtonRelease, {150, 100}, Qt::LeftButton, Qt::MiddleButton);
    QCOMPARE(v->mouseMode(), int(glwidget::MouseZoom));
    send(v, QEvent::MouseButtonRelease, {150, 100}, Qt::MiddleButton, Qt::NoButton);

    // Wheel: one notch 150 mm; a horizontal wheel changes nothing.
    const float z = v->camera().viewMatrix()[14];
    QWheelEvent notch(QPointF(50, 50), QPointF(v->mapToGlobal(QPoint(50, 50))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &notch);
    QCOMPARE(v->camera().viewMatrix()[14], z + 150.0f);
    QWheelEvent sideways(QPointF(50, 50), QPointF(v->mapToGlobal(QPoint(50, 50))), QPoint(),
                         QPoint(120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &sideways);
    QCOMPARE(v->camera().viewMatrix()[14], z + 150.0f);
}

void TestView::keys()
{
    glwidget *v = w->view();
    v->setFocus();
    QTest::keyClick(v, Qt::Key_F, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(v->isWireframe());
    QTest::keyClick(v, Qt::Key_D, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(!v->isWireframe());
    MessageLog log;
    QTest::keyClick(v, Qt::Key_T, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::keyClick(v, Qt::Key_T, Qt::AltModifier);
    QVERIFY(log.contains(QStringLiteral("T Amb shift")));
    QVERIFY(log.contains(QStringLiteral("T sense shift")));
}

void TestView::renderedPixels()
{
    ScratchInstall inst;
    glwidget *v = w->view();
    if (!v->isValid())
        QSKIP("no OpenGL context on this display");
    DataDirs::setApplicationDirForTesting(QString());
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    v->updateGL();
    QImage img = v->grabFrameBuffer();
    const int W = img.width(), H = img.height();
    // Gradient: dark blue at the top edge, light blue-grey at the bottom.
    QVERIFY(close(pixel(img, 2, 0), 0, 0, 51, 15));
    QVERIFY(close(pixel(img, 2, H - 1), 102, 102, 178, 15));
    // The iso view is centred on the robot: its light grey shows there.
    int robotPixels = 0;
    for (int y = H / 2 - 40; y < H / 2 + 40; y += 4)
        for (int x = W / 2 - 40; x < W / 2 + 40; x += 4) {
            const QColor c = pixel(img, x, y);
            robotPixels += (c.red() > 120 && std::abs(c.red() - c.blue()) < 40);
        }
    QVERIFY2(robotPixels > 20, qPrintable(QString::number(robotPixels)));

    // A white background and a large object in front of the camera; hiding
    // the object brings the background back.
    v->whiteBackground = true;
    v->selectedRobot()->setVisible(false);
    v->do_viewTop();
    Objects *o = v->objectsList();
    const QString plate = inst.write(QStringLiteral("Objects/plate.stl"), squareStl(3000, "0 0 1"));
    QCOMPARE(o->AddObject(plate), 0);
    v->updateGL();
    img = v->grabFrameBuffer();
    const QColor shown = pixel(img, W / 2 + 5, H / 2 + 5);
    QVERIFY2(shown.red() > 100 && shown.green() < 60 && shown.blue() < 60,
             qPrintable(shown.name()));
    o->visibleBox()->click();
    v->updateGL();
    img = v->grabFrameBuffer();
    QVERIFY(close(pixel(img, W / 2 + 5, H / 2 + 5), 255, 255, 255, 3));
    QVERIFY(close(pixel(img, 1, 1), 255, 255, 255, 3));
}

void TestView::frameFlipTables()
{
    // Angle types 2 and 3 turn the wrist frames over; type 5 the listed ones.
    for (int idx = 0; idx <= 6; ++idx) {
        QCOMPARE(RobotPainter::frameFlipAngle(idx, 0, 2), idx >= 3 ? 180.0f : 0.0f);
        QCOMPARE(RobotPainter::frameFlipAngle(idx, 1, 3), idx >= 2 ? 180.0f : 0.0f);
        QCOMPARE(RobotPainter::frameFlipAngle(idx, 0, 0), 0.0f);
        QCOMPARE(RobotPainter::frameFlipAngle(idx, 1, 7), 0.0f);
    }
    QCOMPARE(RobotPainter::frameFlipAngle(4, 0, 5), 180.0f);
    QCOMPARE(RobotPainter::frameFlipAngle(4, 1, 5), 0.0f);
    QCOMPARE(RobotPainter::frameFlipAngle(3, 1, 5), 180.0f);
    QCOMPARE(RobotPainter::frameFlipAngle(3, 0, 6), 180.0f);
    QCOMPARE(RobotPainter::frameFlipAngle(2, 1, 6), 180.0f);
    QCOMPARE(RobotPainter::frameFlipAngle(3, 1, 6), 0.0f);
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
