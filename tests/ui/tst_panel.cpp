// The control panel driven through its real widgets: joint rows, the dial,
// Cartesian jogging, read-outs, typed poses, frames and configurations.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "support/boxmesh.h"
#include "support/scratchinstall.h"
#include "ui/collisionwatch.h"
#include "ui/menuprincipal.h"
#include "ui_menuprincipal.h"
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QtTest>
namespace {
// Types into a field as a user does: select what is there, type, Return.
void typeInto(QWidget *field, const QString &text)
{
    field->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
    else if (auto *box = qobject_cast<QAbstractSpinBox *>(field))
        box->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}
// The numbers of a read-out, "x mm, y mm, z mm" or "a°, b°, c°".
std::array<double, 3> numbers(const QString &text)
{
    const QStringList p = text.split(QRegularExpression(QStringLiteral(" mm|[\u00b0\u00ba]")));
    std::array<double, 3> v{};
    for (int i = 0; i < 3 && i < p.size(); ++i)
        v[std::size_t(i)] = QString(p.at(i)).remove(QLatin1Char(',')).trimmed().toDouble();
    return v;
}
} // namespace
class TestPanel : public QObject
{
    Q_OBJECT
    MainWindow *w = nullptr;
    MenuPrincipal *p = nullptr;
    Ui::MenuPrincipal *ui = nullptr;
    Robot *robot() const { return w->view()->selectedRobot(); }
    void selectRobot()
    {
        Robots *list = w->view()->robotsList();
        list->ObjList_JustClicked(list->listWidget()->model()->index(0, 0));
    }
    std::array<double, 3> xyz() const { return numbers(ui->positionXYZ->text()); }
    // A pose away from the wrist singularity, jogging along World X.
    void jogStart()
    {
        ui->doubleSpinBox02->setValue(-20);
        ui->doubleSpinBox03->setValue(30);
        ui->doubleSpinBox05->setValue(40);
        ui->comboBox_2->setCurrentIndex(2);
    }
private slots:
    void init()
    {
        w = new MainWindow;
        MainWindow::setInteractive(false);
        w->resize(1200, 800);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        p = w->panel();
        ui = p->form();
        QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
        QVERIFY(p->robotLoaded());
    }
    void cleanup() { delete w; }
    void scrollBarMovesTheRobotAndTheReadOuts()
    {
        // The rows follow the robot's limits, in hundredths.
        QCOMPARE(ui->label->text(), QString::fromUtf8("-165\u00b0"));
        QCOMPARE(ui->horizontalScrollBar01->minimum(), -16500);
        ui->horizontalScrollBar01->setValue(4523);
        QCOMPARE(ui->doubleSpinBox01->value(), 45.23);
        // Worked by hand: the flange (374 mm out at zero) turned by 45.23 degrees.
        const auto at = xyz();
        QVERIFY(std::fabs(at[0] - 374 * std::cos(45.23 * M_PI / 180)) < 0.01 &&
                std::fabs(at[1] - 374 * std::sin(45.23 * M_PI / 180)) < 0.01);
        // Hundredths are rounded, not truncated: 0.29 * 100 is 28.999999999999996.
        ui->doubleSpinBox02->setValue(0.29);
        QCOMPARE(ui->horizontalScrollBar02->value(), 29);
        QCOMPARE(robot()->jointValues()[1], 0.29f);
        ui->doubleSpinBox04->setValue(-12.57);
        QCOMPARE(ui->horizontalScrollBar04->value(), -1257);
    }
    void coupledAxisThree()
    {
        // FANUC's J3 is measured from the horizontal: j2 + j3 within -70..205,
        // so axis 3 may go beyond the description's 205 and a change of axis 2
        // can push it out of range.
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
        typeInto(ui->doubleSpinBox02, QStringLiteral("-50"));
        typeInto(ui->doubleSpinBox03, QStringLiteral("230"));
        QCOMPARE(robot()->jointValues()[2], 230.0f);
        QCOMPARE(ui->doubleSpinBox03->maximum(), 255.0);
        // Selecting the robot keeps axis 3; the next joint change moves only axis 1.
        selectRobot();
        QCOMPARE(ui->doubleSpinBox03->value(), 230.0);
        typeInto(ui->doubleSpinBox01, QStringLiteral("10"));
        QVERIFY(robot()->jointValues()[0] == 10.0f && robot()->jointValues()[2] == 230.0f);
        // Refused: 230 + 90 > 205. The box shows the robot's value again and says why.
        const std::array<float, 6> before = robot()->jointValues();
        ui->doubleSpinBox02->setValue(90);
        QCOMPARE(robot()->jointValues(), before);
        QVERIFY(ui->doubleSpinBox02->value() == -50.0 &&
                ui->doubleSpinBox02->property("refused").toBool());
        QVERIFY(p->notice().contains(QString::fromUtf8("\u03b82")));
    }
    void dialStepsWrapAround()
    {
        // The signed shortest way round 100 positions; 51 apart goes the other way.
        const int steps[][3] = {{2, 98, 4},    {98, 2, -4},  {0, 50, -50}, {100, 50, 50},
                                {99, 48, -49}, {48, 99, 49}, {30, 30, 0}};
        for (const auto &s : steps)
            QCOMPARE(MenuPrincipal::dialStep(s[0], s[1]), s[2]);
        // Through the widget: across the wrap the TCP moves 4 notches of 5 mm.
        jogStart();
        ui->radioButton_6->click(); // turn the tool about World Z to bring the dial to 98
        const Matrix4 before = robot()->tcpWorld();
        for (int v : {60, 70, 80, 90, 98})
            ui->dial->setValue(v);
        QCOMPARE(p->refusals(), 0);
        // The TCP stayed; its X axis turned by one degree a notch about World Z.
        const Matrix4 after = robot()->tcpWorld();
        QVERIFY(std::fabs(after[3] - before[3]) < 0.002 && std::fabs(after[7] - before[7]) < 0.002);
        const double turn = std::atan2(after[4], after[0]) - std::atan2(before[4], before[0]);
        QVERIFY(std::fabs(std::remainder(turn * 180 / M_PI - 48, 360.0)) < 1e-3);
        ui->radioButton_2->click(); // along World Y now
        const double y0 = xyz()[1];
        ui->dial->setValue(2);
        QVERIFY2(std::fabs(xyz()[1] - (y0 + 20)) < 0.002, qPrintable(ui->positionXYZ->text()));
    }
    void jogAlongWorldX()
    {
        jogStart();
        const auto start = xyz();
        const Matrix4 before = robot()->tcpWorld();
        for (int i = 1; i <= 10; ++i)
            ui->dial->setValue(50 + i);
        auto end = xyz();
        QVERIFY(std::fabs(end[0] - (start[0] + 50)) < 0.002 &&
                std::fabs(end[1] - start[1]) < 0.002 && std::fabs(end[2] - start[2]) < 0.002);
        // And the robot really is there, its tool turned by nothing.
        const Matrix4 after = robot()->tcpWorld();
        QVERIFY(std::fabs(after[3] - float(end[0])) < 0.002);
        for (int k : {0, 1, 2, 4, 5, 6, 8, 9, 10})
            QVERIFY(std::fabs(after[std::size_t(k)] - before[std::size_t(k)]) < 4e-5f);
        QCOMPARE(p->currentJoints(), robot()->jointValues());
        // Another axis keeps the offset reached so far: +10 mm along Y.
        ui->radioButton_2->click();
        ui->dial->setValue(62);
        end = xyz();
        QVERIFY(std::fabs(end[0] - (start[0] + 50)) < 0.002 &&
                std::fabs(end[1] - (start[1] + 10)) < 0.002);
        // Moved another way, the next notch (a wheel notch on the dial)
        // continues from there, not the reference.
        ui->doubleSpinBox01->setValue(10);
        const double y = xyz()[1];
        const QPoint c = ui->dial->rect().center();
        QWheelEvent wheel(c, ui->dial->mapToGlobal(c), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ui->dial, &wheel);
        QVERIFY(std::fabs(xyz()[1] - (y + 5)) < 0.002);
    }
    void configurationItemsAndPicking()
    {
        // Each row's bar moves its own axis, in hundredths of a degree.
        const int q[6] = {2000, -3000, 1500, 4000, 3500, -6000};
        for (int k = 0; k < 6; ++k) {
            p->findChild<QScrollBar *>(QStringLiteral("horizontalScrollBar0%1").arg(k + 1))
                ->setValue(q[k]);
            QCOMPARE(robot()->jointValues()[std::size_t(k)], float(q[k] / 100));
        }
        QVERIFY(ui->comboBox->itemText(0).startsWith(QStringLiteral("(1*) -> ")));
        // The current joints are the chosen item.
        const QString current = ui->comboBox->currentText();
        QCOMPARE(current.mid(current.indexOf(QStringLiteral(" -> "))),
                 QString::fromUtf8(" -> 20.00\u00b0, -30.00\u00b0, 15.00\u00b0, 40.00\u00b0, "
                                   "35.00\u00b0, -60.00\u00b0"));
        // Picking another configuration moves the robot but not the TCP.
        const QString pos = ui->positionXYZ->text();
        const Matrix4 tcp = robot()->tcpWorld();
        const int other = ui->comboBox->findText(QStringLiteral("-140.00"), Qt::MatchContains);
        QVERIFY(other >= 0 && other != ui->comboBox->currentIndex());
        p->configurationChanged(ui->comboBox->itemText(other));
        QCOMPARE(robot()->jointValues()[3], -140.0f);
        for (int k : {3, 7, 11})
            QVERIFY(std::fabs(robot()->tcpWorld()[k] - tcp[k]) < 0.01);
        QCOMPARE(ui->positionXYZ->text(), pos);
    }
    void smallValuesShowAsZero()
    {
        GLfloat pose[6] = {-0.0004f, 0.0004f, 12.3456f, -0.004f, 0.0f, 179.9999f};
        p->setValuesIK(pose);
        QCOMPARE(ui->positionXYZ->text(), QStringLiteral("0.000 mm, 0.000 mm, 12.346 mm"));
        QCOMPARE(ui->orientation->text(),
                 QString::fromUtf8("0.000\u00b0, 0.000\u00b0, 180.000\u00b0"));
        // A configuration variant has no star, and no minus before a zero.
        IkConfiguration variant;
        variant.q = {1, 2, 3, 4, 5, -0.0004f};
        QCOMPARE(
            MenuPrincipal::configurationText(12, variant),
            QString::fromUtf8(
                "(12) -> 1.00\u00b0, 2.00\u00b0, 3.00\u00b0, 4.00\u00b0, 5.00\u00b0, 0.00\u00b0"));
    }
    void worldAndToolFrames()
    {
        QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
        // Text typed into the tool field does not last: the tool is 140 mm along Z.
        ui->lineEdit_Tool->setText(QStringLiteral("1, 2, 3"));
        p->Tool_Definition_Refresh();
        QVERIFY(
            ui->lineEdit_Tool->text().startsWith(QStringLiteral("0.00 mm, 0.00 mm, 140.00 mm")));
        // A typed World frame 100 mm up: the TCP read-out drops by 100 in z.
        const double z0 = xyz()[2];
        typeInto(ui->lineEdit_World, QStringLiteral("0, 0, 100, 0, 0, 0"));
        QVERIFY(std::fabs(xyz()[2] - (z0 - 100)) < 0.002);
        // Another convention rewrites the frame in its own angles.
        typeInto(ui->lineEdit_World, QStringLiteral("0, 0, 0, 90, 0, 0"));
        p->modeRotationChageAll(4); // Z-Y'-Z'': Rz(90) reads (0, 0, 90)
        QCOMPARE(
            ui->lineEdit_World->text(),
            QString::fromUtf8("0.00 mm, 0.00 mm, 0.00 mm, 0.00\u00b0, 0.00\u00b0, 90.00\u00b0"));
        // Another robot: both fields show its frames, and Return in the World
        // field then changes nothing.
        typeInto(ui->lineEdit_World, QStringLiteral("400, 0, -749, 0, 0, 0"));
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
        const auto world = numbers(ui->lineEdit_World->text()),
                   tool = numbers(ui->lineEdit_Tool->text());
        for (int i = 0; i < 3; ++i) {
            QVERIFY(std::fabs(world[std::size_t(i)] - robot()->getHB()[std::size_t(4 * i + 3)]) <
                    0.01);
            QVERIFY(std::fabs(tool[std::size_t(i)] - robot()->getHT()[std::size_t(4 * i + 3)]) <
                    0.01);
        }
        const QString position = ui->positionXYZ->text();
        typeInto(ui->lineEdit_World, ui->lineEdit_World->text());
        QCOMPARE(ui->positionXYZ->text(), position);
    }
    void frameCheckBoxes()
    {
        // In the order of the robot's flags: base, frames 1-6, tool, World.
        const QCheckBox *boxes[9] = {ui->checkBox_7, ui->checkBox_6,  ui->checkBox_5,
                                     ui->checkBox_4, ui->checkBox_3,  ui->checkBox_2,
                                     ui->checkBox_8, ui->checkBox_10, ui->checkBox_9};
        ui->checkBox->click(); // all frames
        for (float f : robot()->getFrameFlags())
            QCOMPARE(f, 1.0f);
        // Another robot draws no frame at first: no box may say it does.
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(boxes[i]->isChecked(), robot()->getFrameFlags()[std::size_t(i)] != 0.0f);
        QVERIFY(!ui->checkBox->isChecked() && !boxes[1]->isChecked());
    }
    void entryPointsWithoutARobot()
    {
        w->view()->robotsList()->removeSelected();
        QVERIFY(!robot() && !p->robotLoaded());
        QCOMPARE(ui->horizontalScrollBar01->maximum(), 0);
        // Nothing below may reach for a robot.
        ui->dial->setValue(60);
        ui->horizontalScrollBar01->setValue(100);
        ui->doubleSpinBox02->setValue(1);
        ui->pushButton_4->click();
        QCOMPARE(p->increaseValue(5), 0);
        p->valueXYZWPRChanged();
        p->World_Definition_Changed();
        p->modeRotationChageAll(2);
        GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        p->Receive_Wii_Hrel(m);
        p->Change_TCP(m);
        p->Change_WOBJ(m);
        p->setConfiguration_precise(m);
        p->configurationChanged(QStringLiteral("(1*) -> 1.00\u00b0, 2.00\u00b0"));
        p->loadTool();
        p->TraceTCP_ON();
        QCOMPARE(ui->comboBox->count(), 0);
        // No robot, no pose: the read-outs are blank (a grey dash), not the
        // last robot's values or "-000.00".
        for (QLineEdit *e : {ui->positionXYZ, ui->orientation, ui->quaterions, ui->lineEdit_World,
                             ui->lineEdit_Tool})
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName() + ": " + e->text()));
    }
    void noNegativeZero()
    {
        // -0.004 mm shows with two decimals in the World field and the
        // configuration items: a zero has no sign.
        GLfloat hb[16] = {1, 0, 0, -0.004f, 0, 1, 0, -0.003f, 0, 0, 1, -0.0049f, 0, 0, 0, 1};
        p->Change_WOBJ(hb);
        QVERIFY2(ui->lineEdit_World->text().startsWith(
                     QStringLiteral("0.00 mm, 0.00 mm, 0.00 mm, 0.00")),
                 qPrintable(ui->lineEdit_World->text()));
        IkConfiguration c;
        c.q = {-0.004f, 1, -0.0049f, 0, 0, -0.001f};
        QVERIFY(!MenuPrincipal::configurationText(1, c).contains(QStringLiteral("-0.00")));
        QCOMPARE(robot()->getHB()[3], -0.004f); // only the text is rounded
    }
    void changeObjectAndFramesFromThePlayer()
    {
        ScratchInstall inst;
        const QString plate = inst.write(QStringLiteral("Objects/p.stl"),
                                         "solid p\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
                                         "vertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n");
        Objects *o = w->view()->objectsList();
        QVERIFY(o->AddObject(plate) == 0 && o->AddObject(plate) == 0);
        GLfloat moved[16] = {1, 0, 0, 10, 0, 1, 0, 20, 0, 0, 1, 30, 0, 0, 0, 1};
        p->Change_Object(moved, 1);
        QCOMPARE(o->entry(1)->pose[12], 10.0f);                  // column-major
        p->Change_Object(moved, 7), p->Change_Object(moved, -1); // no such object: no change
        QCOMPARE(o->entry(0)->pose[12], 0.0f);
        // A new World frame: the first object follows it.
        GLfloat hb[16] = {1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1};
        p->Change_WOBJ(hb);
        QVERIFY(robot()->getHB()[3] == 5.0f && o->entry(0)->pose[13] == 6.0f);
        QVERIFY(ui->lineEdit_World->text().startsWith(QStringLiteral("5.00 mm, 6.00 mm, 7.00 mm")));
        GLfloat ht[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 50, 0, 0, 0, 1};
        p->Change_TCP(ht);
        QVERIFY(ui->lineEdit_Tool->text().startsWith(QStringLiteral("0.00 mm, 0.00 mm, 50.00 mm")));
        // Joints set without a check, as the player does.
        GLfloat q[6] = {10, -20, 30, 0, 45, 0};
        p->setConfiguration_precise(q);
        QVERIFY(ui->doubleSpinBox05->value() == 45.0 && ui->horizontalScrollBar03->value() == 3000);
    }
    void selectingTheRobotKeepsTheConvention()
    {
        // Kawasaki Z-Y'-Z'' here, whose angles differ from every other
        // convention's at this pose.
        typeInto(ui->doubleSpinBox01, QStringLiteral("30"));
        typeInto(ui->doubleSpinBox02, QStringLiteral("-20"));
        typeInto(ui->doubleSpinBox05, QStringLiteral("40"));
        p->modeRotationChageAll(4);
        selectRobot();
        const Pose6 want = robot()->tcpPose(4);
        const auto shown = numbers(ui->orientation->text());
        for (std::size_t k = 0; k < 3; ++k)
            QVERIFY(std::fabs(std::remainder(shown[k] - want[k + 3], 360.0)) < 0.002);
    }
    void typoMovesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("why");
        const auto row = [](const char *name, const char *field, const char *typed,
                            const QString &why) {
            QTest::newRow(name) << QString::fromLatin1(field) << QString::fromLatin1(typed) << why;
        };
        const QString limit1 = QString::fromUtf8("\u03b81 limit \u2212165\u2026165\u00b0");
        row("letter O", "positionXYZ", "4OO, 1OO, 500", QStringLiteral("\"4OO\" is not a number"));
        row("nan angle", "orientation", "0, nan, 0", QStringLiteral("\"nan\" is not a number"));
        row("two numbers", "positionXYZ", "400, 100",
            QStringLiteral("3 numbers expected, 2 found"));
        row("thousands", "positionXYZ", "1,000.5, 0, 500", QStringLiteral("is not a number"));
        row("world letters", "lineEdit_World", "abc",
            QStringLiteral("6 numbers expected, 1 found"));
        row("world float overflow", "lineEdit_World", "1e39, 0, 0, 0, 0, 0",
            QStringLiteral("\"1e39\" is not a number"));
        row("200 beyond 165", "doubleSpinBox01", "200", limit1);
        row("-170", "doubleSpinBox01", "-170", limit1);
        row("1e9", "doubleSpinBox01", "1e9", limit1);
        row("-111 on axis 3", "doubleSpinBox03", "-111",
            QString::fromUtf8("\u03b83 limit \u2212110\u202670\u00b0"));
        row("joint letters", "doubleSpinBox01", "12O", QStringLiteral("\"12O\" is not a number"));
        row("out of reach", "positionXYZ", "2000, 0, 0", QStringLiteral("Pose not reachable"));
    }
    void typoMovesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, why);
        typeInto(ui->doubleSpinBox02, QStringLiteral("-20"));
        typeInto(ui->doubleSpinBox03, QStringLiteral("30"));
        auto *edit = p->findChild<QWidget *>(field);
        const auto text = [edit] {
            auto *box = qobject_cast<QAbstractSpinBox *>(edit);
            return box ? box->text() : static_cast<QLineEdit *>(edit)->text();
        };
        const std::array<float, 6> q = robot()->jointValues();
        const Matrix4 hb = robot()->getHB();
        const QString shown = text(), position = ui->positionXYZ->text(),
                      quaternion = ui->quaterions->text();
        typeInto(edit, typed);
        QCOMPARE(robot()->jointValues(), q);
        QCOMPARE(robot()->getHB(), hb);
        // The field is marked, the status line says what is wrong, and every
        // read-out shows the robot again.
        QVERIFY(edit->property("refused").toBool());
        QVERIFY2(p->notice().contains(why), qPrintable(p->notice()));
        QCOMPARE(w->statusBar()->currentMessage(), p->notice());
        QCOMPARE(text(), shown);
        QVERIFY(ui->positionXYZ->text() == position && ui->quaterions->text() == quaternion);
        // The other axes stay usable, and the next good input clears the mark
        // and the message.
        typeInto(ui->doubleSpinBox04, QStringLiteral("7"));
        QCOMPARE(robot()->jointValues()[3], 7.0f);
        typeInto(edit, shown);
        QVERIFY(!edit->property("refused").toBool() && p->notice().isEmpty() &&
                w->statusBar()->currentMessage().isEmpty());
    }
    void jointBoxesTakeWholeValues_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("applied");
        QTest::newRow("decimal comma") << 0 << QStringLiteral("5,5") << 5.5;
        QTest::newRow("with degree sign") << 2 << QString::fromUtf8("-12,25\u00b0") << -12.25;
        QTest::newRow("at the limit") << 0 << QStringLiteral("-165") << -165.0;
        QTest::newRow("passes through valid values") << 0 << QStringLiteral("120") << 120.0;
    }
    void jointBoxesTakeWholeValues()
    {
        QFETCH(int, axis);
        QFETCH(QString, typed);
        QFETCH(double, applied);
        auto *box =
            p->findChild<QDoubleSpinBox *>(QStringLiteral("doubleSpinBox0%1").arg(axis + 1));
        const std::array<float, 6> q = robot()->jointValues();
        // Nothing moves while typing: 120 does not pass through 1 and 12.
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        QCOMPARE(robot()->jointValues(), q);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(double(robot()->jointValues()[std::size_t(axis)]), applied);
        QVERIFY(box->value() == applied && p->notice().isEmpty());
    }
    void worldFieldReads_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("element"); // of the World frame's matrix
        QTest::addColumn<float>("value");
        const auto row = [](const char *name, const QString &typed, int element, float value) {
            QTest::newRow(name) << typed << element << value;
        };
        // Rz(90) turns the x axis onto y, whichever degree sign is used.
        const QString turned = QString::fromUtf8("0 mm, 0 mm, 0 mm, 90.00%1, 0.00%1, 0.00%1");
        row("degree sign", turned.arg(QChar(0x00b0)), 4, 1.0f);
        row("ordinal sign", turned.arg(QChar(0x00ba)), 4, 1.0f);
        row("no sign", turned.arg(QString()), 4, 1.0f);
        row("the tool read-out",
            QString::fromUtf8("0.00 mm, 0.00 mm, 140.00 mm, 0.00\u00b0, 0.00\u00b0, 0.00\u00b0"),
            11, 140.0f);
        // A comma and a blank separate numbers, a comma between digits is the
        // decimal mark; ";" separates too.
        row("decimal commas", QStringLiteral("1,5, 2,5, 3,5, 0, 0, 0"), 7, 2.5f);
        row("semicolons", QStringLiteral("0;0;100,25;0;0;0"), 11, 100.25f);
    }
    void worldFieldReads()
    {
        QFETCH(QString, typed);
        QFETCH(int, element);
        QFETCH(float, value);
        typeInto(ui->lineEdit_World, typed);
        QVERIFY2(p->notice().isEmpty(), qPrintable(p->notice()));
        QVERIFY(std::fabs(robot()->getHB()[std::size_t(element)] - value) < 1e-5f);
    }
    void typedPositionAndRefusedJog()
    {
        // A typed position in reach: the TCP goes there, the orientation stays.
        jogStart();
        const QString orientation = ui->orientation->text();
        typeInto(ui->positionXYZ, QStringLiteral("300, 100, 400"));
        QCOMPARE(ui->positionXYZ->text(), QStringLiteral("300.000 mm, 100.000 mm, 400.000 mm"));
        const Matrix4 tcp = robot()->tcpWorld();
        QVERIFY(std::fabs(tcp[3] - 300) < 0.01 && std::fabs(tcp[7] - 100) < 0.01 &&
                std::fabs(tcp[11] - 400) < 0.01);
        QCOMPARE(ui->orientation->text(), orientation);
        // The dial jogging out of reach along world X: the step that cannot be
        // followed is refused visibly and the dial is marked.
        const int before = p->refusals();
        for (int i = 1; i <= 200 && p->refusals() == before; ++i)
            ui->dial->setValue((50 + i) % 100);
        QVERIFY(p->refusals() == before + 1 && ui->dial->property("refused").toBool());
        QVERIFY(p->notice().contains(QStringLiteral("Jog refused")));
        // A step back inward is followed and clears the mark.
        ui->dial->setValue((ui->dial->value() + 97) % 100);
        QVERIFY(!ui->dial->property("refused").toBool() && p->notice().isEmpty());
    }
    void jogStepThatJumpsIsRefused_data()
    {
        QTest::addColumn<QString>("robotFile");
        QTest::addColumn<QVector<double>>("joints");
        QTest::addColumn<int>("button"); // jog radio button, 0 = translation along X
        // The wrist stretched (axis 5 at 0): turning the tool about an axis
        // across it needs axes 4 and 6 to swing round first. On the KR 210,
        // standing on its axis-2 limit, the solver's nearest was the other
        // elbow with 48 degrees on axes 4 and 6.
        QTest::newRow("KR 210 about X") << QStringLiteral("KUKA_KR210_R2700_2.xml")
                                        << QVector<double>{25, -5, 0, 40, 0, 0} << 3;
        QTest::newRow("IRB 120 about X")
            << QStringLiteral("ABB_IRB120.xml") << QVector<double>{0, -20, 30, 0, 0, 0} << 3;
    }
    void jogStepThatJumpsIsRefused()
    {
        QFETCH(QString, robotFile);
        QFETCH(QVector<double>, joints);
        QFETCH(int, button);
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + robotFile), 0);
        p->resetAngles(joints.constData(), true);
        const std::array<float, 6> q = robot()->jointValues();
        QCOMPARE(double(q[0]), joints[0]);
        p->findChild<QRadioButton *>(button ? QStringLiteral("radioButton_%1").arg(button + 1)
                                            : QStringLiteral("radioButton"))
            ->click();
        const int refusals = p->refusals();
        ui->dial->setValue(ui->dial->value() + 1);
        // Nothing moved, so the LAN link has nothing to send; the user hears
        // and reads why, and the dial stands where it was.
        QCOMPARE(robot()->jointValues(), q);
        QCOMPARE(p->currentJoints(), q);
        QVERIFY(p->refusals() == refusals + 1 && ui->dial->property("refused").toBool());
        QCOMPARE(ui->dial->value(), 50);
        QVERIFY2(p->notice().contains(QStringLiteral("in one step")), qPrintable(p->notice()));
        QCOMPARE(w->statusBar()->currentMessage(), p->notice());
        // The same turn from the Wii remote: refused once, not every 30 ms.
        const Matrix4 turn = toolbox::placementMatrix(Pose6{0, 0, 0, 1, 0, 0});
        GLfloat hr[16];
        std::copy(turn.begin(), turn.end(), hr);
        p->Receive_Wii_Hrel(hr);
        p->Receive_Wii_Hrel(hr);
        QCOMPARE(robot()->jointValues(), q);
        QCOMPARE(p->refusals(), refusals + 2);
    }
    void untouchedFieldsMoveNothing()
    {
        // Leaving a field, or Return in it, without typing applies nothing:
        // its rounded text would move the robot or the frame by the rounding.
        const double q[6] = {30, 0, 0, 0, 45.5, 0};
        p->resetAngles(q, true);
        GLfloat hb[16] = {1, 0, 0, 5.004f, 0, 1, 0, 0, 0, 0, 1, 0.0037f, 0, 0, 0, 1};
        p->Change_WOBJ(hb);
        const std::array<float, 6> joints = robot()->jointValues();
        const Matrix4 world = robot()->getHB();
        for (QLineEdit *e : {ui->positionXYZ, ui->orientation, ui->lineEdit_World}) {
            e->setFocus();
            QTest::keyClick(e, Qt::Key_End);
            ui->doubleSpinBox01->setFocus(); // the focus leaves
            QTest::keyClick(e, Qt::Key_Return);
            typeInto(e, e->text()); // the same text again
        }
        QCOMPARE(robot()->jointValues(), joints);
        QCOMPARE(robot()->getHB(), world);
        QCOMPARE(p->refusals(), 0);
    }
    void refusalMarksLastUntilTheNextGoodInput()
    {
        jogStart();
        // Refused in the box, then other good moves: the box holds the
        // robot's accepted values, so it is no longer marked.
        typeInto(ui->doubleSpinBox01, QStringLiteral("200"));
        QVERIFY(ui->doubleSpinBox01->property("refused").toBool());
        ui->dial->setValue(51);
        QVERIFY(!ui->doubleSpinBox01->property("refused").toBool() && p->notice().isEmpty());
        // Refused, then the value it holds typed again: good input.
        typeInto(ui->doubleSpinBox01, QStringLiteral("200"));
        typeInto(ui->doubleSpinBox01, ui->doubleSpinBox01->text());
        QVERIFY(!ui->doubleSpinBox01->property("refused").toBool() && p->notice().isEmpty());
        // A refused dial step (out of reach along X), then another robot.
        for (int i = 2; i <= 200 && !ui->dial->property("refused").toBool(); ++i)
            ui->dial->setValue((50 + i) % 100);
        QVERIFY(ui->dial->property("refused").toBool());
        typeInto(ui->positionXYZ, QStringLiteral("9000, 0, 0"));
        QVERIFY(ui->positionXYZ->property("refused").toBool());
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
        QVERIFY(!ui->dial->property("refused").toBool() &&
                !ui->positionXYZ->property("refused").toBool() && p->notice().isEmpty() &&
                w->statusBar()->currentMessage().isEmpty());
    }
    void collisionsWhileJogging()
    {
        QVERIFY(w->loadTool(DataDirs::defaultTool()) == 0 && robot()->getHasTool());
        jogStart();
        // The pen ends in a point at the TCP: a box square to the tool whose
        // near face lies 30 mm beyond the tip is 30 mm from the tool, and
        // much further from the arm behind it.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("box.stl"));
        QVERIFY(support::writeBox(file, robot()->tcpScene(), {-200, -200, 30}, {200, 200, 300}));
        QCOMPARE(p->addObjects({file}), 1);
        const CollisionWatch *watch = p->collisions(); // the label's whole text
        const QString clear = QStringLiteral("Clearance 30.0 mm: tool \u2013 box");
        QCOMPARE(watch->clearanceText(), clear);
        // 40 mm along the tool's Z puts the tip 10 mm inside: allowed (the
        // user must be able to come back), drawn red and said.
        ui->comboBox_2->setCurrentIndex(0);
        p->findChild<QRadioButton *>(QStringLiteral("radioButton_3"))->click();
        const auto before = robot()->jointValues();
        QCOMPARE(p->increaseValue(40), 1);
        QVERIFY(robot()->jointValues() != before);
        QCOMPARE(w->view()->highlightedRobotParts(), 1u << 7);
        QCOMPARE(w->view()->highlightedObjects(), std::vector<char>{1});
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Collision: tool touches box"));
        QCOMPARE(watch->clearanceText(), QStringLiteral("Clearance 0.0 mm: tool \u2013 box"));
        QCOMPARE(p->increaseValue(-40), 1);
        QVERIFY(watch->clearanceText() == clear && w->view()->highlightedRobotParts() == 0u &&
                w->statusBar()->currentMessage().isEmpty());
        // Options: a safety distance of 35 mm makes the 30 mm a collision;
        // what is not a length of 0 mm or more is refused and changes nothing.
        for (const char *typed : {"35", "-5", "3O"}) {
            w->action(QStringLiteral("actionSafetyDistance"))->trigger();
            auto *d = w->findChild<QInputDialog *>(QStringLiteral("safetyDistanceDialog"));
            QVERIFY(d);
            d->setTextValue(QLatin1String(typed));
            d->accept();
            QCOMPARE(p->collisions()->safetyDistance(), 35.0);
        }
        QVERIFY(w->lastMessage().contains(QStringLiteral("\"3O\"")) &&
                w->statusBar()->currentMessage() == w->lastMessage());
        QCOMPARE(w->view()->highlightedRobotParts(), 1u << 7);
        // The object's menu: the tool ignored for the box, nothing collides
        // and the box is no longer the nearest.
        QMenu *menu = w->view()->objectsList()->ignoreButton()->menu();
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 8);
        menu->actions().at(7)->trigger();
        QVERIFY(w->view()->highlightedRobotParts() == 0u && !watch->clearanceText().endsWith("box"));
        // Both are saved with the station and come back with it.
        Station read;
        QCOMPARE(StationFile::parse(p->stationText().toUtf8(), file, &read), StationFile::Ok);
        QVERIFY(read.safetyDistance == 35.0 && read.objects.size() == 1 &&
                read.objects[0].hasIgnore && read.objects[0].ignoreMask == 0x80u);
        p->collisions()->setSafetyDistance(0.0);
        p->applyStation(read, nullptr, nullptr);
        QVERIFY(p->collisions()->safetyDistance() == 35.0 &&
                p->collisions()->world().ignoreMask(0) == 0x80u);
    }
};
QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
