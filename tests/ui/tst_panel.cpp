// The control panel driven through its real widgets: joint rows, the dial,
// Cartesian jogging, read-outs, typed poses, frames and configurations.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "sequences/paths.h"
#include "support/scratchinstall.h"
#include "ui/menuprincipal.h"
#include "ui_menuprincipal.h"

#include <QClipboard>
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

// "x mm, y mm, z mm" -> three numbers.
std::array<double, 3> position(const QString &text)
{
    const QStringList p = text.split(QStringLiteral(" mm"));
    std::array<double, 3> v{};
    for (int i = 0; i < 3; ++i)
        v[std::size_t(i)] = QString(p.at(i)).remove(QLatin1Char(',')).trimmed().toDouble();
    return v;
}

// The three angles of the orientation read-out.
std::array<double, 3> angles(const QString &text)
{
    const QStringList x = text.split(QRegularExpression(QStringLiteral("[\u00b0\u00ba]")));
    std::array<double, 3> v{};
    for (int i = 0; i < 3 && i < x.size(); ++i)
        v[std::size_t(i)] = QString(x.at(i)).remove(QLatin1Char(',')).trimmed().toDouble();
    return v;
}

// 180 and -180 are one angle.
bool sameOrientation(const QString &a, const QString &b)
{
    const auto x = angles(a), y = angles(b);
    for (std::size_t i = 0; i < 3; ++i)
        if (std::fabs(std::remainder(x[i] - y[i], 360.0)) > 0.002)
            return false;
    return true;
}

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void limitLabelsAndRanges();
    void scrollBarMovesTheRobotAndTheReadOuts();
    void hundredthsAreRoundedNotTruncated();
    void refusedValuesLeaveTheRobot();
    void dialStepsWrapAround();
    void jogAlongWorldX();
    void changingAxisKeepsTheEarlierOffset();
    void rotationNotchIsOneDegree();
    void staleReferenceIsRetaken();
    void typedPosition();
    void configurationItemsAndPicking();
    void smallValuesShowAsZero();
    void worldAndToolFrames();
    void frameCheckBoxes();
    void entryPointsWithoutARobot();
    void changeObjectAndFramesFromThePlayer();
    void copyJointsToTheClipboard();
    void selectingTheRobotChangesNothing();
    void typoMovesNothing_data();
    void typoMovesNothing();
    void jointBoxesTakeWholeValues_data();
    void jointBoxesTakeWholeValues();
    void degreeSignsAndDecimalCommas();
    void refusedMovesAreShown();
    void fieldsAgreeWithTheRobot();
    void keysWhereverTheFocusIs();

private:
    MainWindow *w = nullptr;
    MenuPrincipal *p = nullptr;
    Ui::MenuPrincipal *ui = nullptr;
    Robot *robot() const { return w->view()->selectedRobot(); }
};

void TestPanel::init()
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

void TestPanel::cleanup()
{
    delete w;
    w = nullptr;
}

void TestPanel::limitLabelsAndRanges()
{
    QCOMPARE(ui->label->text(), QString::fromUtf8("-165\u00b0"));
    QCOMPARE(ui->label_2->text(), QString::fromUtf8("165\u00b0"));
    QCOMPARE(ui->label_5->text(), QString::fromUtf8("-110\u00b0"));
    QCOMPARE(ui->label_6->text(), QString::fromUtf8("70\u00b0"));
    QCOMPARE(ui->horizontalScrollBar01->minimum(), -16500);
    QCOMPARE(ui->horizontalScrollBar06->maximum(), 40000);
    QCOMPARE(ui->horizontalScrollBar01->singleStep(), 1000);
    QCOMPARE(ui->doubleSpinBox03->maximum(), 70.0);
}

void TestPanel::scrollBarMovesTheRobotAndTheReadOuts()
{
    ui->horizontalScrollBar01->setValue(4523);
    QCOMPARE(ui->doubleSpinBox01->value(), 45.23);
    QCOMPARE(robot()->jointValues()[0], 45.23f);
    // The read-outs show the library's TCP for those joints.
    const Pose6 pose = robot()->tcpPose(0);
    const auto xyz = position(ui->positionXYZ->text());
    for (int i = 0; i < 3; ++i)
        QVERIFY(std::fabs(xyz[std::size_t(i)] - pose[std::size_t(i)]) < 0.0006);
    QCOMPARE(ui->positionXYZ->text(), QStringLiteral("%1 mm, %2 mm, %3 mm")
                                          .arg(pose[0], 0, 'f', 3)
                                          .arg(pose[1], 0, 'f', 3)
                                          .arg(pose[2], 0, 'f', 3));
    // Worked by hand: the flange (374 mm out at zero) turned by 45.23 degrees.
    QVERIFY(std::fabs(xyz[0] - 374 * std::cos(45.23 * M_PI / 180)) < 0.01);
    QVERIFY(std::fabs(xyz[1] - 374 * std::sin(45.23 * M_PI / 180)) < 0.01);
    QVERIFY(ui->comboBox->count() > 0);
}

void TestPanel::hundredthsAreRoundedNotTruncated()
{
    // 0.29 * 100 is 28.999999999999996 in double.
    ui->doubleSpinBox02->setValue(0.29);
    QCOMPARE(ui->horizontalScrollBar02->value(), 29);
    QCOMPARE(robot()->jointValues()[1], 0.29f);
    ui->doubleSpinBox04->setValue(-12.57);
    QCOMPARE(ui->horizontalScrollBar04->value(), -1257);
    QCOMPARE(robot()->jointValues()[3], -12.57f);
}

void TestPanel::refusedValuesLeaveTheRobot()
{
    // A coupled robot: axis 3's range moves with axis 2, so a change of
    // axis 2 can push the current axis 3 out of its range.
    QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
    ui->doubleSpinBox03->setValue(150);
    QCOMPARE(robot()->jointValues()[2], 150.0f);
    // Axis 3's limits now depend on axis 2 (FANUC's J3 is measured from the
    // horizontal: j2 + j3 within -70..205).
    QCOMPARE(ui->doubleSpinBox03->maximum(), 205.0);
    const std::array<float, 6> before = robot()->jointValues();
    const int refusals = p->refusals();
    ui->doubleSpinBox02->setValue(90); // 150 + 90 = 240 > 205
    QCOMPARE(p->refusals(), refusals + 1);
    QCOMPARE(robot()->jointValues(), before);
    QCOMPARE(p->currentJoints(), before);
    // The box shows the robot's value again and says why.
    QCOMPARE(ui->doubleSpinBox02->value(), double(before[1]));
    QVERIFY(ui->doubleSpinBox02->property("refused").toBool());
    QVERIFY(p->notice().contains(QString::fromUtf8("\u03b82")));
}

void TestPanel::dialStepsWrapAround()
{
    // The signed shortest way round a dial of 100 positions.
    QCOMPARE(MenuPrincipal::dialStep(2, 98), 4);
    QCOMPARE(MenuPrincipal::dialStep(98, 2), -4);
    QCOMPARE(MenuPrincipal::dialStep(0, 50), -50); // 50 apart: no wrap
    QCOMPARE(MenuPrincipal::dialStep(100, 50), 50);
    QCOMPARE(MenuPrincipal::dialStep(99, 48), -49); // 51 apart: the other way round
    QCOMPARE(MenuPrincipal::dialStep(48, 99), 49);
    QCOMPARE(MenuPrincipal::dialStep(30, 30), 0);

    // Through the widget: across the wrap the TCP moves 4 notches of 5 mm.
    ui->doubleSpinBox02->setValue(-20);
    ui->doubleSpinBox03->setValue(30);
    ui->doubleSpinBox05->setValue(40);
    ui->comboBox_2->setCurrentIndex(2);
    ui->radioButton_6->click(); // turn the tool about World Z to bring the dial to 98
    for (int v : {60, 70, 80, 90, 98})
        ui->dial->setValue(v);
    QCOMPARE(p->refusals(), 0);
    ui->radioButton_2->click(); // along World Y now
    const auto y0 = position(ui->positionXYZ->text());
    ui->dial->setValue(2);
    const auto y1 = position(ui->positionXYZ->text());
    QVERIFY2(std::fabs(y1[1] - (y0[1] + 20)) < 0.002, qPrintable(ui->positionXYZ->text()));
    ui->dial->setValue(98);
    QVERIFY(std::fabs(position(ui->positionXYZ->text())[1] - y0[1]) < 0.002);
}

void TestPanel::jogAlongWorldX()
{
    ui->doubleSpinBox02->setValue(-20);
    ui->doubleSpinBox03->setValue(30);
    ui->doubleSpinBox05->setValue(40);
    ui->comboBox_2->setCurrentIndex(2);
    const auto start = position(ui->positionXYZ->text());
    const QString orientation = ui->orientation->text();
    for (int i = 1; i <= 10; ++i)
        ui->dial->setValue(50 + i);
    const auto end = position(ui->positionXYZ->text());
    QVERIFY(std::fabs(end[0] - (start[0] + 50)) < 0.002);
    QVERIFY(std::fabs(end[1] - start[1]) < 0.002);
    QVERIFY(std::fabs(end[2] - start[2]) < 0.002);
    QVERIFY2(sameOrientation(ui->orientation->text(), orientation),
             qPrintable(ui->orientation->text() + QStringLiteral(" / ") + orientation));
    // And the robot really is there.
    QVERIFY(std::fabs(robot()->tcpWorld()[3] - float(end[0])) < 0.002);
    QCOMPARE(p->currentJoints(), robot()->jointValues());
}

void TestPanel::changingAxisKeepsTheEarlierOffset()
{
    ui->doubleSpinBox02->setValue(-20);
    ui->doubleSpinBox03->setValue(30);
    ui->doubleSpinBox05->setValue(40);
    ui->comboBox_2->setCurrentIndex(2);
    const auto start = position(ui->positionXYZ->text());
    ui->dial->setValue(52); // +10 mm along X
    ui->radioButton_2->click();
    QVERIFY(ui->radioButton_2->isChecked() && !ui->radioButton->isChecked());
    ui->dial->setValue(54); // +10 mm along Y
    const auto end = position(ui->positionXYZ->text());
    QVERIFY(std::fabs(end[0] - (start[0] + 10)) < 0.002);
    QVERIFY(std::fabs(end[1] - (start[1] + 10)) < 0.002);
    QVERIFY(std::fabs(end[2] - start[2]) < 0.002);
}

void TestPanel::rotationNotchIsOneDegree()
{
    ui->doubleSpinBox02->setValue(-20);
    ui->doubleSpinBox03->setValue(30);
    ui->doubleSpinBox05->setValue(40);
    ui->comboBox_2->setCurrentIndex(2);
    ui->radioButton_6->click(); // rotation about World Z
    const Matrix4 before = robot()->tcpWorld();
    ui->dial->setValue(51);
    const Matrix4 after = robot()->tcpWorld();
    // The TCP stays; its X axis turned by exactly one degree about World Z.
    QVERIFY(std::fabs(after[3] - before[3]) < 0.002 && std::fabs(after[7] - before[7]) < 0.002);
    const double a0 = std::atan2(before[4], before[0]), a1 = std::atan2(after[4], after[0]);
    const double turn = std::remainder(a1 - a0, 2 * M_PI) * 180 / M_PI;
    QVERIFY2(std::fabs(turn - 1.0) < 1e-3, qPrintable(QString::number(turn)));
}

void TestPanel::staleReferenceIsRetaken()
{
    ui->doubleSpinBox02->setValue(-20);
    ui->doubleSpinBox03->setValue(30);
    ui->doubleSpinBox05->setValue(40);
    ui->comboBox_2->setCurrentIndex(2);
    ui->dial->setValue(54); // +20 mm along World X; the reference stays held
    // The robot is moved another way: the next notch must continue from
    // there, not snap back to the old reference plus 25 mm.
    ui->doubleSpinBox01->setValue(10);
    const double x = position(ui->positionXYZ->text())[0];
    ui->dial->setValue(55);
    QVERIFY(std::fabs(position(ui->positionXYZ->text())[0] - (x + 5)) < 0.002);
}

void TestPanel::typedPosition()
{
    ui->doubleSpinBox02->setValue(-20);
    ui->doubleSpinBox03->setValue(30);
    ui->doubleSpinBox05->setValue(40);
    const QString orientation = ui->orientation->text();
    ui->positionXYZ->setText(QStringLiteral("300, 100, 400"));
    p->valueXYZWPRChanged();
    QCOMPARE(ui->positionXYZ->text(), QStringLiteral("300.000 mm, 100.000 mm, 400.000 mm"));
    const Matrix4 tcp = robot()->tcpWorld();
    QVERIFY(std::fabs(tcp[3] - 300) < 0.01 && std::fabs(tcp[7] - 100) < 0.01 &&
            std::fabs(tcp[11] - 400) < 0.01);
    QCOMPARE(ui->orientation->text(), orientation);
    // Out of reach: nothing moves, the field shows the robot's pose again.
    const std::array<float, 6> q = robot()->jointValues();
    ui->positionXYZ->setText(QStringLiteral("5000, 0, 0"));
    p->valueXYZWPRChanged();
    QCOMPARE(robot()->jointValues(), q);
    QCOMPARE(ui->positionXYZ->text(), QStringLiteral("300.000 mm, 100.000 mm, 400.000 mm"));
}

void TestPanel::configurationItemsAndPicking()
{
    ui->doubleSpinBox01->setValue(20);
    ui->doubleSpinBox02->setValue(-30);
    ui->doubleSpinBox03->setValue(15);
    ui->doubleSpinBox04->setValue(40);
    ui->doubleSpinBox05->setValue(35);
    ui->doubleSpinBox06->setValue(-60);
    QVERIFY(ui->comboBox->count() >= 2);
    const QString first = ui->comboBox->itemText(0);
    QVERIFY2(first.startsWith(QStringLiteral("(1*) -> ")), qPrintable(first));
    const QStringList values = first.mid(8).split(QStringLiteral(", "));
    QCOMPARE(values.size(), 6);
    for (const QString &v : values) {
        QVERIFY(v.endsWith(QChar(0x00B0)));
        QCOMPARE(v.section(QLatin1Char('.'), 1).size(), 3); // 2 decimals + the degree sign
    }
    // The current joints are the chosen item.
    QCOMPARE(
        ui->comboBox->currentText().mid(
            ui->comboBox->currentText().indexOf(QStringLiteral(" -> "))),
        QString::fromUtf8(
            " -> 20.00\u00b0, -30.00\u00b0, 15.00\u00b0, 40.00\u00b0, 35.00\u00b0, -60.00\u00b0"));
    // A variant has no star; the text builder agrees with the list.
    IkConfiguration variant;
    variant.q = {1, 2, 3, 4, 5, -0.0004f};
    QCOMPARE(MenuPrincipal::configurationText(12, variant),
             QString::fromUtf8(
                 "(12) -> 1.00\u00b0, 2.00\u00b0, 3.00\u00b0, 4.00\u00b0, 5.00\u00b0, 0.00\u00b0"));

    // Picking another configuration moves the robot but not the TCP.
    const QString pos = ui->positionXYZ->text();
    const Matrix4 tcp = robot()->tcpWorld();
    int other = -1;
    for (int i = 0; i < ui->comboBox->count(); ++i)
        if (i != ui->comboBox->currentIndex() &&
            ui->comboBox->itemText(i).contains(QStringLiteral("-140.00")))
            other = i;
    QVERIFY(other >= 0);
    const QString text = ui->comboBox->itemText(other);
    p->configurationChanged(text);
    QCOMPARE(robot()->jointValues()[3], -140.0f);
    for (int k : {3, 7, 11})
        QVERIFY(std::fabs(robot()->tcpWorld()[k] - tcp[k]) < 0.01);
    QCOMPARE(ui->positionXYZ->text(), pos);
}

void TestPanel::smallValuesShowAsZero()
{
    GLfloat pose[6] = {-0.0004f, 0.0004f, 12.3456f, -0.004f, 0.0f, 179.9999f};
    p->setValuesIK(pose);
    QCOMPARE(ui->positionXYZ->text(), QStringLiteral("0.000 mm, 0.000 mm, 12.346 mm"));
    QCOMPARE(ui->orientation->text(), QString::fromUtf8("0.000\u00b0, 0.000\u00b0, 180.000\u00b0"));
}

void TestPanel::worldAndToolFrames()
{
    QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
    // The default tool: 140 mm along the flange Z.
    QCOMPARE(ui->lineEdit_Tool->text(),
             QString::fromUtf8("0.00 mm, 0.00 mm, 140.00 mm, 0.00\u00b0, 0.00\u00b0, 0.00\u00b0"));
    // Typing into the tool field has no lasting effect.
    ui->lineEdit_Tool->setText(QStringLiteral("1, 2, 3"));
    p->Tool_Definition_Refresh();
    QVERIFY(ui->lineEdit_Tool->text().startsWith(QStringLiteral("0.00 mm, 0.00 mm, 140.00 mm")));
    // A typed World frame 100 mm up: the TCP read-out drops by 100 in z.
    const double z0 = position(ui->positionXYZ->text())[2];
    ui->lineEdit_World->setText(QStringLiteral("0, 0, 100, 0, 0, 0"));
    p->World_Definition_Changed();
    QCOMPARE(ui->lineEdit_World->text(),
             QString::fromUtf8("0.00 mm, 0.00 mm, 100.00 mm, 0.00\u00b0, 0.00\u00b0, 0.00\u00b0"));
    QCOMPARE(robot()->getHB()[11], 100.0f);
    QVERIFY(std::fabs(position(ui->positionXYZ->text())[2] - (z0 - 100)) < 0.002);
    // Another convention rewrites the frame in its own angles.
    ui->lineEdit_World->setText(QStringLiteral("0, 0, 0, 90, 0, 0"));
    p->World_Definition_Changed();
    p->modeRotationChageAll(4); // Z-Y'-Z'': Rz(90) reads (0, 0, 90)
    QCOMPARE(ui->lineEdit_World->text(),
             QString::fromUtf8("0.00 mm, 0.00 mm, 0.00 mm, 0.00\u00b0, 0.00\u00b0, 90.00\u00b0"));
    QCOMPARE(p->lastEulerCode(), 4);
}

void TestPanel::frameCheckBoxes()
{
    ui->checkBox->click();
    for (float f : robot()->getFrameFlags())
        QCOMPARE(f, 1.0f);
    QVERIFY(ui->checkBox_9->isChecked() && ui->checkBox_8->isChecked());
    ui->checkBox->click();
    QVERIFY(!ui->checkBox_7->isChecked());
    ui->checkBox_10->click();
    QCOMPARE(robot()->getFrameFlags()[7], 1.0f);
    GLfloat flags[9] = {1, 0, 0, 1, 0, 0, 0, 0, 1};
    p->setRobotAxisCheckersFromRobot(flags);
    QVERIFY(ui->checkBox_7->isChecked() && ui->checkBox_4->isChecked() &&
            ui->checkBox_9->isChecked());
    QVERIFY(!ui->checkBox_10->isChecked() && !ui->checkBox_6->isChecked());
    ui->radioButton_10->click();
    QCOMPARE(robot()->getFrameMode(), 0);
}

void TestPanel::entryPointsWithoutARobot()
{
    w->view()->robotsList()->removeSelected();
    QVERIFY(!robot());
    QVERIFY(!p->robotLoaded());
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
}

void TestPanel::changeObjectAndFramesFromThePlayer()
{
    ScratchInstall inst;
    const QString plate = inst.write(QStringLiteral("Objects/p.stl"),
                                     "solid p\n facet normal 0 0 1\n outer loop\n vertex 0 0 0\n"
                                     " vertex 1 0 0\n vertex 0 1 0\n endloop\n endfacet\n");
    Objects *o = w->view()->objectsList();
    QCOMPARE(o->AddObject(plate), 0);
    QCOMPARE(o->AddObject(plate), 0);
    GLfloat moved[16] = {1, 0, 0, 10, 0, 1, 0, 20, 0, 0, 1, 30, 0, 0, 0, 1};
    p->Change_Object(moved, 1);
    QCOMPARE(o->entry(1)->pose[12], 10.0f); // column-major
    QCOMPARE(o->entry(1)->pose[14], 30.0f);
    p->Change_Object(moved, 7); // no such object: nothing changes
    p->Change_Object(moved, -1);
    QCOMPARE(o->entry(0)->pose[12], 0.0f);
    // A new World frame: the first object follows it.
    GLfloat hb[16] = {1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1};
    p->Change_WOBJ(hb);
    QCOMPARE(robot()->getHB()[3], 5.0f);
    QCOMPARE(o->entry(0)->pose[13], 6.0f);
    QVERIFY(ui->lineEdit_World->text().startsWith(QStringLiteral("5.00 mm, 6.00 mm, 7.00 mm")));
    GLfloat ht[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 50, 0, 0, 0, 1};
    p->Change_TCP(ht);
    QVERIFY(ui->lineEdit_Tool->text().startsWith(QStringLiteral("0.00 mm, 0.00 mm, 50.00 mm")));
    // Joints set without a check, as the player does.
    GLfloat q[6] = {10, -20, 30, 0, 45, 0};
    p->setConfiguration_precise(q);
    QCOMPARE(robot()->jointValues()[4], 45.0f);
    QCOMPARE(ui->doubleSpinBox05->value(), 45.0);
    QCOMPARE(ui->horizontalScrollBar03->value(), 3000);
}

void TestPanel::copyJointsToTheClipboard()
{
    ui->doubleSpinBox01->setValue(12.5);
    QTest::keyClick(p, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("12.500000\t0.000000\t0.000000\t0.000000\t0.000000\t0.000000\t"));
}

void TestPanel::selectingTheRobotChangesNothing()
{
    // The read-out keeps the convention it shows (Kawasaki Z-Y'-Z'' here,
    // whose angles differ from every other convention's at this pose).
    typeInto(ui->doubleSpinBox01, QStringLiteral("30"));
    typeInto(ui->doubleSpinBox02, QStringLiteral("-20"));
    typeInto(ui->doubleSpinBox05, QStringLiteral("40"));
    p->modeRotationChageAll(4);
    Robots *list = w->view()->robotsList();
    const auto select = [list] {
        list->ObjList_JustClicked(list->listWidget()->model()->index(0, 0));
    };
    select();
    const Pose6 want = robot()->tcpPose(4);
    const auto shown = angles(ui->orientation->text());
    for (std::size_t k = 0; k < 3; ++k)
        QVERIFY2(std::fabs(std::remainder(shown[k] - want[k + 3], 360.0)) < 0.002,
                 qPrintable(ui->orientation->text()));

    // A coupled arm keeps axis 3 where it is, beyond the description's 205.
    QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
    typeInto(ui->doubleSpinBox02, QStringLiteral("-50"));
    typeInto(ui->doubleSpinBox03, QStringLiteral("230")); // j2 + j3 = 180, within -70..205
    QCOMPARE(robot()->jointValues()[2], 230.0f);
    select();
    QCOMPARE(ui->doubleSpinBox03->value(), 230.0);
    QCOMPARE(robot()->jointValues()[2], 230.0f);
    typeInto(ui->doubleSpinBox01, QStringLiteral("10")); // the next joint change moves only axis 1
    QCOMPARE(robot()->jointValues()[0], 10.0f);
    QCOMPARE(robot()->jointValues()[2], 230.0f);
    QCOMPARE(p->currentJoints(), robot()->jointValues());
}

void TestPanel::typoMovesNothing_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("why");
    QTest::newRow("letter O") << "positionXYZ"
                              << "4OO, 1OO, 500"
                              << "\"4OO\" is not a number";
    QTest::newRow("inf") << "positionXYZ"
                         << "inf, 0, 500"
                         << "\"inf\" is not a number";
    QTest::newRow("nan angle") << "orientation"
                               << "0, nan, 0"
                               << "\"nan\" is not a number";
    QTest::newRow("two numbers") << "positionXYZ"
                                 << "400, 100"
                                 << "3 numbers expected, 2 found";
    QTest::newRow("thousands") << "positionXYZ"
                               << "1,000.5, 0, 500"
                               << "is not a number";
    QTest::newRow("world letters") << "lineEdit_World"
                                   << "abc"
                                   << "6 numbers expected, 1 found";
    QTest::newRow("world float overflow") << "lineEdit_World"
                                          << "1e39, 0, 0, 0, 0, 0"
                                          << "\"1e39\" is not a number";
}

void TestPanel::typoMovesNothing()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, why);
    typeInto(ui->doubleSpinBox02, QStringLiteral("-20"));
    typeInto(ui->doubleSpinBox03, QStringLiteral("30"));
    auto *edit = p->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    const std::array<float, 6> q = robot()->jointValues();
    const Matrix4 hb = robot()->getHB();
    const QString shown = edit->text();
    const QString position = ui->positionXYZ->text();
    typeInto(edit, typed);
    QCOMPARE(robot()->jointValues(), q);
    QCOMPARE(robot()->getHB(), hb);
    // The field is marked, the status line says what is wrong, and every
    // read-out shows the robot again.
    QVERIFY(edit->property("refused").toBool());
    QVERIFY2(p->notice().contains(why), qPrintable(p->notice()));
    QCOMPARE(w->statusBar()->currentMessage(), p->notice());
    QCOMPARE(edit->text(), shown);
    QCOMPARE(ui->positionXYZ->text(), position);
    // The next good input clears the mark and the message.
    typeInto(edit, shown);
    QVERIFY(!edit->property("refused").toBool());
    QVERIFY(p->notice().isEmpty());
    QVERIFY(w->statusBar()->currentMessage().isEmpty());
}

void TestPanel::jointBoxesTakeWholeValues_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("applied"); // NAN: refused
    QTest::addColumn<QString>("why");
    const QString limit1 = QString::fromUtf8("\u03b81 limit \u2212165\u2026165\u00b0");
    const QString limit3 = QString::fromUtf8("\u03b83 limit \u2212110\u202670\u00b0");
    QTest::newRow("200 beyond 165") << 0 << "200" << double(NAN) << limit1;
    QTest::newRow("-170") << 0 << "-170" << double(NAN) << limit1;
    QTest::newRow("-1100") << 0 << "-1100" << double(NAN) << limit1;
    QTest::newRow("1e9") << 0 << "1e9" << double(NAN) << limit1;
    QTest::newRow("-111 on axis 3") << 2 << "-111" << double(NAN) << limit3;
    QTest::newRow("letters") << 0 << "12O" << double(NAN) << "\"12O\" is not a number";
    QTest::newRow("decimal comma") << 0 << "5,5" << 5.5 << QString();
    QTest::newRow("decimal point") << 0 << "5.5" << 5.5 << QString();
    QTest::newRow("with degree sign")
        << 2 << QString::fromUtf8("-12,25\u00b0") << -12.25 << QString();
    QTest::newRow("at the limit") << 0 << "-165" << -165.0 << QString();
}

void TestPanel::jointBoxesTakeWholeValues()
{
    QFETCH(int, axis);
    QFETCH(QString, typed);
    QFETCH(double, applied);
    QFETCH(QString, why);
    auto *box = p->findChild<QDoubleSpinBox *>(QStringLiteral("doubleSpinBox0%1").arg(axis + 1));
    typeInto(ui->doubleSpinBox05, QStringLiteral("10"));
    const std::array<float, 6> q = robot()->jointValues();
    QCOMPARE(q[4], 10.0f);
    // Nothing moves while typing: 120 does not pass through 1 and 12.
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, typed);
    QCOMPARE(robot()->jointValues(), q);
    QTest::keyClick(box, Qt::Key_Return);
    if (std::isnan(applied)) {
        QCOMPARE(robot()->jointValues(), q);
        QCOMPARE(box->value(), double(q[std::size_t(axis)]));
        QVERIFY(box->property("refused").toBool());
        QVERIFY2(p->notice().contains(why), qPrintable(p->notice()));
        QCOMPARE(w->statusBar()->currentMessage(), p->notice());
        // The other axes stay usable, and a good value clears the mark.
        typeInto(ui->doubleSpinBox04, QStringLiteral("7"));
        QCOMPARE(robot()->jointValues()[3], 7.0f);
        typeInto(box, QStringLiteral("1"));
        QCOMPARE(robot()->jointValues()[std::size_t(axis)], 1.0f);
        QVERIFY(!box->property("refused").toBool());
        QVERIFY(p->notice().isEmpty());
    } else {
        QCOMPARE(double(robot()->jointValues()[std::size_t(axis)]), applied);
        QCOMPARE(box->value(), applied);
        QVERIFY(p->notice().isEmpty());
    }
}

void TestPanel::degreeSignsAndDecimalCommas()
{
    QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
    // The tool read-out copied into the World field reads with its angles:
    // 90 degrees about z turns the frame, whichever degree sign is used.
    const QString deg = QString::fromUtf8("\u00b0"), ord = QString::fromUtf8("\u00ba");
    for (const QString &sign : {deg, ord, QString()}) {
        typeInto(ui->lineEdit_World,
                 QStringLiteral("0 mm, 0 mm, 0 mm, 90.00%1, 0.00%1, 0.00%1").arg(sign));
        QVERIFY2(p->notice().isEmpty(), qPrintable(p->notice()));
        // Z-Y'-X'' with 90 about z: the x axis turns onto y.
        QVERIFY(std::fabs(robot()->getHB()[4] - 1.0f) < 1e-6f);
        typeInto(ui->lineEdit_World, QStringLiteral("0, 0, 0, 0, 0, 0"));
    }
    QVERIFY(ui->lineEdit_Tool->isReadOnly());
    typeInto(ui->lineEdit_World, ui->lineEdit_Tool->text());
    QCOMPARE(robot()->getHB()[11], 140.0f);
    // Decimal commas: a comma and a blank separate numbers, a comma between
    // digits is the decimal mark; ";" separates too.
    typeInto(ui->lineEdit_World, QStringLiteral("1,5, 2,5, 3,5, 0, 0, 0"));
    QCOMPARE(robot()->getHB()[3], 1.5f);
    QCOMPARE(robot()->getHB()[7], 2.5f);
    QCOMPARE(robot()->getHB()[11], 3.5f);
    typeInto(ui->lineEdit_World, QStringLiteral("0;0;100,25;0;0;0"));
    QCOMPARE(robot()->getHB()[11], 100.25f);
    // The read-outs write one sign: the degree sign.
    QVERIFY(ui->orientation->text().endsWith(deg));
    QVERIFY(!ui->lineEdit_World->text().contains(ord));
}

void TestPanel::refusedMovesAreShown()
{
    // An unreachable typed pose: refused in the status line; the field and
    // the other read-outs show the robot's real pose.
    const std::array<float, 6> q = robot()->jointValues();
    const QString position = ui->positionXYZ->text(), quaternion = ui->quaterions->text();
    typeInto(ui->positionXYZ, QStringLiteral("2000, 0, 0"));
    QCOMPARE(robot()->jointValues(), q);
    QCOMPARE(ui->positionXYZ->text(), position);
    QCOMPARE(ui->quaterions->text(), quaternion);
    QVERIFY(ui->positionXYZ->property("refused").toBool());
    QVERIFY(p->notice().contains(QStringLiteral("Pose not reachable")));
    QCOMPARE(w->statusBar()->currentMessage(), p->notice());
    QVERIFY(ui->quaterions->isReadOnly());

    // The dial jogging out of reach along world X: the step that cannot be
    // followed is refused visibly and the dial is marked.
    ui->comboBox_2->setCurrentIndex(2);
    const int before = p->refusals();
    for (int i = 1; i <= 200 && p->refusals() == before; ++i)
        ui->dial->setValue((50 + i) % 100);
    QCOMPARE(p->refusals(), before + 1);
    QVERIFY(ui->dial->property("refused").toBool());
    QVERIFY(p->notice().contains(QStringLiteral("Jog refused")));
    QCOMPARE(w->statusBar()->currentMessage(), p->notice());
    // A step back inward is followed and clears the mark.
    ui->dial->setValue((ui->dial->value() + 97) % 100);
    QVERIFY(!ui->dial->property("refused").toBool());
    QVERIFY(p->notice().isEmpty());
}

void TestPanel::fieldsAgreeWithTheRobot()
{
    // A World frame typed for one robot; then another robot is loaded.
    QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
    typeInto(ui->lineEdit_World, QStringLiteral("400, 0, -749, 0, 0, 0"));
    QCOMPARE(robot()->getHB()[3], 400.0f);
    QCOMPARE(w->loadRobot(DataDirs::robotDir() + QStringLiteral("Fanuc_LRMate200iD.xml")), 0);
    const Pose6 world = toolbox::matrixToPose(robot()->getHB(), 0);
    const Pose6 tool = toolbox::matrixToPose(robot()->getHT(), 0);
    const QString d = QString::fromUtf8("\u00b0");
    auto text = [&](const Pose6 &f) {
        return QStringLiteral("%1 mm, %2 mm, %3 mm, %4%7, %5%7, %6%7")
            .arg(f[0], 0, 'f', 2)
            .arg(f[1], 0, 'f', 2)
            .arg(f[2], 0, 'f', 2)
            .arg(f[3], 0, 'f', 2)
            .arg(f[4], 0, 'f', 2)
            .arg(f[5], 0, 'f', 2)
            .arg(d);
    };
    QCOMPARE(ui->lineEdit_World->text(), text(world));
    QCOMPARE(ui->lineEdit_Tool->text(), text(tool));
    // Return in the World field changes nothing: field and robot agree.
    const QString position = ui->positionXYZ->text();
    typeInto(ui->lineEdit_World, ui->lineEdit_World->text());
    QCOMPARE(ui->positionXYZ->text(), position);
}

void TestPanel::keysWhereverTheFocusIs()
{
    // Ctrl+C then Ctrl+V on the panel: a one-line position list.
    typeInto(ui->doubleSpinBox01, QStringLiteral("12,5"));
    p->setFocus();
    QTest::keyClick(p, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(p, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(p->paths()->count(), 1);
    // Shift+Ctrl+F with the focus in the panel: wireframe, not a dialog.
    ui->doubleSpinBox01->setFocus();
    QTest::keyClick(ui->doubleSpinBox01, Qt::Key_F, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(w->view()->isWireframe());
    QTest::keyClick(ui->doubleSpinBox01, Qt::Key_D, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(!w->view()->isWireframe());
    // Escape with the focus in the panel: while the pasted list plays it
    // stops the player; then it leaves full screen.
    QTest::keyClick(w, Qt::Key_F11);
    QVERIFY(w->isFullScreenMode());
    p->setFocus();
    p->Sequence_Execute();
    QVERIFY(p->paths()->playing());
    QTest::keyClick(p, Qt::Key_Escape);
    QVERIFY(!p->paths()->playing());
    QVERIFY(w->isFullScreenMode());
    QTest::keyClick(p, Qt::Key_Escape);
    QVERIFY(!w->isFullScreenMode());
    // One wheel notch on the dial: 5 mm along world X, as its tooltip says.
    ui->comboBox_2->setCurrentIndex(2);
    const double x0 = position(ui->positionXYZ->text())[0];
    const QPoint c = ui->dial->rect().center();
    QWheelEvent wheel(c, ui->dial->mapToGlobal(c), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(ui->dial, &wheel);
    QVERIFY(std::fabs(position(ui->positionXYZ->text())[0] - (x0 + 5)) < 0.002);
    QVERIFY(ui->dial->toolTip().contains(QStringLiteral("5 mm")));
}

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
