// The RAPID panel driven through its real widgets beside the control panel:
// frames applied and read back, robot targets reached with their
// configuration data, refusals, the station without a robot and the
// work-object report.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "rapid/formabbutility.h"
#include "scene/glwidget.h"
#include "support/refmath.h"
#include "ui/menuprincipal.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <cmath>

namespace {

const QString kInitialTool = QStringLiteral(
    "PERS tooldata tool1:= [TRUE, [[0, 0, 0], [1, 0, 0, 0]], [0.001, [0, 0, 0.001],[1, 0, 0, 0], "
    "0, 0, 0]];");
const QString kInitialWorkObject = QStringLiteral(
    "PERS wobjdata wobj1 := [FALSE, TRUE, \"\", [[0, 0, 0],[1, 0, 0, 0]],[[0, 0, 0],[1, 0, 0, "
    "0]]];");
const QString kInitialTarget =
    QStringLiteral("PERS robtarget target1:=[[0, 0, 0],[1, 0, 0, 0],[0, 0, 0, "
                   "0],[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];");

bool near(const Matrix4 &a, const Matrix4 &b, float rotation, float position)
{
    for (std::size_t k = 0; k < 16; ++k) {
        const bool translation = k == 3 || k == 7 || k == 11;
        if (std::fabs(a[k] - b[k]) > (translation ? position : rotation))
            return false;
    }
    return true;
}

bool near(const std::array<float, 6> &a, const std::array<float, 6> &b, float tolerance)
{
    for (std::size_t k = 0; k < 6; ++k)
        if (std::fabs(a[k] - b[k]) > tolerance)
            return false;
    return true;
}

QByteArray describe(const std::array<float, 6> &q)
{
    QStringList s;
    for (float v : q)
        s << QString::number(double(v));
    return s.join(QStringLiteral(", ")).toLatin1();
}

} // namespace

class TestFormABButility : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void initialState();
    void initialTextsApply();
    void textsOfTheHomePose();
    void toolInAnyBracketing_data();
    void toolInAnyBracketing();
    void workObjectWithOnlyTheUserFrame();
    void workObjectOfTwoFrames();
    void robtargetWithoutConfdata();
    void unreachableTargetMovesNothing();
    void updateThenReturnReappliesEverything();
    void configurationDataPicksTheSolution();
    void wrongConfigurationDataIsReported();
    void unsafeTexts_data();
    void unsafeTexts();
    void numbersBeyondTheTwentyFirstAreIgnored();
    void withoutARobotNothingChanges();
    void workObjectReportWindow();
    void infoOnTooFewNumbersShowsNothing();
    void zeroOrientationIsTakenAsNoRotation();

private:
    void setJoints(const std::array<double, 6> &q);
    void returnIn(QLineEdit *e);
    // Runs `action`, closing and returning the text of every report window it opens.
    QStringList reportsOpenedBy(const std::function<void()> &action, QString *title = nullptr);

    MainWindow *w = nullptr;
    MenuPrincipal *panel = nullptr;
    FormABButility *form = nullptr;
    QLineEdit *wobj = nullptr;
    QLineEdit *tool = nullptr;
    QLineEdit *target = nullptr;
    QLabel *label = nullptr;
    QPushButton *update = nullptr;
    QPushButton *info = nullptr;
    Robot *robot() const { return w->view()->selectedRobot(); }
};

void TestFormABButility::init()
{
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->resize(1000, 700);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    panel = w->panel();
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    form = new FormABButility(panel);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    wobj = form->findChild<QLineEdit *>(QStringLiteral("txtWObj"));
    tool = form->findChild<QLineEdit *>(QStringLiteral("txtTool"));
    target = form->findChild<QLineEdit *>(QStringLiteral("txtRT"));
    label = form->findChild<QLabel *>(QStringLiteral("lblnotify"));
    update = form->findChild<QPushButton *>(QStringLiteral("btnRefresh"));
    info = form->findChild<QPushButton *>(QStringLiteral("btnWObjInfo"));
    QVERIFY(wobj && tool && target && label && update && info);
}

void TestFormABButility::cleanup()
{
    delete form;
    form = nullptr;
    delete w;
    w = nullptr;
}

void TestFormABButility::setJoints(const std::array<double, 6> &q)
{
    panel->resetAngles(q.data(), true);
    const std::array<float, 6> now = robot()->jointValues();
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY(std::fabs(now[k] - float(q[k])) < 1e-3f);
}

void TestFormABButility::returnIn(QLineEdit *e)
{
    e->setFocus();
    QTest::keyClick(e, Qt::Key_Return);
}

QStringList TestFormABButility::reportsOpenedBy(const std::function<void()> &action, QString *title)
{
    QStringList texts;
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, this, [&]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (title)
            *title = box->windowTitle();
        auto *text = box->findChild<QTextEdit *>();
        texts << (text ? text->toPlainText() : QString());
        if (text) {
            texts << QString::number(text->minimumWidth()) + QLatin1Char('x') +
                         QString::number(text->minimumHeight());
            texts << (text->isReadOnly() ? QStringLiteral("read-only") : QStringLiteral("edit"));
        }
        box->accept();
    });
    watch.start();
    action();
    QTest::qWait(100); // a window still on its way would show up here
    return texts;
}

void TestFormABButility::initialState()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("Form"));
    QCOMPARE(label->text(), QStringLiteral("lblnotify"));
    // The button says what it does: typed text is applied by Return only.
    QCOMPARE(update->text(), QStringLiteral("Update from robot"));
    QVERIFY(update->toolTip().contains(QStringLiteral("Return")));
    QCOMPARE(info->text(), QStringLiteral("Info"));
    QCOMPARE(wobj->text(), kInitialWorkObject);
    QCOMPARE(tool->text(), kInitialTool);
    QCOMPARE(target->text(), kInitialTarget);
    QCOMPARE(wobj->font().family(), QStringLiteral("Consolas"));
    for (const char *caption : {"Work Object:", "Tool Data:", "Robtarget:"}) {
        bool found = false;
        for (QLabel *l : form->findChildren<QLabel *>())
            found = found || l->text() == QLatin1String(caption);
        QVERIFY2(found, caption);
    }
}

void TestFormABButility::initialTextsApply()
{
    // Frames that the initial texts must put back to the identity.
    Matrix4 shifted = toolbox::identity();
    shifted[3] = 25;
    shifted[11] = -40;
    panel->Change_TCP(shifted.data());
    panel->Change_WOBJ(shifted.data());
    returnIn(tool);
    QCOMPARE(label->text(), QString());
    QVERIFY(near(robot()->getHT(), toolbox::identity(), 1e-6f, 1e-6f));
    label->setText(QStringLiteral("x"));
    returnIn(wobj);
    QCOMPARE(label->text(), QString());
    QVERIFY(near(robot()->getHB(), toolbox::identity(), 1e-6f, 1e-6f));

    // The initial target is tried with configuration (0, 0, 0, 0); what
    // that gives is what a second robot of the same description does with it.
    setJoints({10, 20, -10, 30, 40, 50});
    const std::array<float, 6> before = robot()->jointValues();
    Robot twin;
    QByteArray file = DataDirs::defaultRobot().toUtf8();
    QCOMPARE(twin.loadData(file.data()), 0);
    twin.setJointAngles(before);
    const int expected = twin.moveToRobtarget(toolbox::identity(), ConfData());
    returnIn(target);
    if (expected == -3) {
        QCOMPARE(label->text(), QStringLiteral("Robtarget unachievable"));
        QCOMPARE(robot()->jointValues(), before);
    } else {
        QCOMPARE(label->text(),
                 expected == 0 ? QString() : QStringLiteral("Confdata is not valid"));
        QVERIFY(near(robot()->jointValues(), twin.jointValues(), 1e-3f));
    }
}

void TestFormABButility::textsOfTheHomePose()
{
    // IRB 120 with only axis 6 turned by 90 degrees. The TCP lies on axis 6:
    // d4 + d6 = 302 + 72 ahead of axis 1, d1 + a2 + a3 = 290 + 270 + 70 high.
    // At zero the flange is ABB's tool0: x down, y along y, z along x
    // (Ry(90), as the controller shows it); the turn of axis 6 about z makes
    // that rows (0, 0, 1), (1, 0, 0), (0, 1, 0): trace 0, so q1 = 1/2 and
    // (q2, q3, q4) = ((1 - 0), (1 - 0), (1 - 0)) / 2.
    // Quadrant of axis 6: floor(90 / 90) = 1; the arm bits are all clear.
    setJoints({0, 0, 0, 0, 0, 90});
    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(wobj->text(), QStringLiteral("[[0.00000,0.00000,0.00000],[1.0000000,0.0000000,"
                                          "0.0000000,0.0000000]],[[0, 0, 0],[1, 0, 0, 0]]"));
    QCOMPARE(tool->text(), QStringLiteral("[0.00000,0.00000,0.00000],[1.0000000,0.0000000,"
                                          "0.0000000,0.0000000]"));
    QCOMPARE(target->text(),
             QStringLiteral("[[374.00000,0.00000,630.00000],[0.5000000,0.5000000,0.5000000,"
                            "0.5000000],[0,0,1,0],[9E9,9E9,9E9,9E9,9E9,9E9]];"));
    QCOMPARE(label->text(), QString());
}

void TestFormABButility::toolInAnyBracketing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("RAPID") << "[[100, 0, 50], [1, 0, 0, 0]]";
    QTest::newRow("declaration")
        << "PERS tooldata pen:=[TRUE,[[100,0,50],[1,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]];";
    QTest::newRow("no brackets") << "100, 0, 50, 1, 0, 0, 0";
    QTest::newRow("unbalanced") << "[[[100 0 50]]]]] 1 0 0 0 ]]";
}

void TestFormABButility::toolInAnyBracketing()
{
    QFETCH(QString, text);
    setJoints({10, 20, -10, 30, 40, 50});
    const Matrix4 flange = robot()->fk(6);
    tool->setText(text);
    returnIn(tool);
    QCOMPARE(label->text(), QString());
    Matrix4 expected = toolbox::identity();
    expected[3] = 100;
    expected[11] = 50;
    QVERIFY(near(robot()->getHT(), expected, 1e-6f, 1e-4f));
    // The TCP sits 100 mm along the flange's x and 50 mm along its z.
    const Matrix4 tcp = robot()->tcpBase();
    for (int i = 0; i < 3; ++i) {
        const float want = flange[std::size_t(4 * i + 3)] + 100 * flange[std::size_t(4 * i)] +
                           50 * flange[std::size_t(4 * i + 2)];
        QVERIFY(std::fabs(tcp[std::size_t(4 * i + 3)] - want) < 1e-3f);
    }
}

void TestFormABButility::workObjectWithOnlyTheUserFrame()
{
    wobj->setText(QStringLiteral("[[10, 20, 30],[0.7071068, 0, 0, 0.7071068]]"));
    returnIn(wobj);
    QCOMPARE(label->text(), QString());
    const Matrix4 expected = toolbox::transpose(
        Matrix4{0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}); // Rz(90) at (10, 20, 30)
    QVERIFY(near(robot()->getHB(), expected, 1e-6f, 1e-4f));
}

void TestFormABButility::workObjectOfTwoFrames()
{
    // The object frame is measured in the user frame: 200 along the user
    // frame's y, which its 90 degree turn points along -x.
    wobj->setText(QStringLiteral("PERS wobjdata wobj2 := [FALSE, TRUE, \"\", "
                                 "[[100,0,0],[0.7071068,0,0,0.7071068]],[[0,200,0],[1,0,0,0]]];"));
    returnIn(wobj);
    QCOMPARE(label->text(), QString());
    const Matrix4 hb = robot()->getHB();
    QVERIFY(std::fabs(hb[3] + 100) < 1e-3f);
    QVERIFY(std::fabs(hb[7]) < 1e-3f);
    QVERIFY(std::fabs(hb[11]) < 1e-3f);
}

void TestFormABButility::robtargetWithoutConfdata()
{
    setJoints({-30, 10, 15, 20, 45, 10});
    QTest::mouseClick(update, Qt::LeftButton);
    const QString full = target->text();
    const QStringList pieces = full.split(QStringLiteral("],["));
    // "[[x,y,z" and "q1,q2,q3,q4": the pose without configuration data.
    const QString seven =
        pieces.at(0) + QStringLiteral("],[") + pieces.at(1) + QStringLiteral("]]");
    QCOMPARE(pieces.size(), 4);
    const Matrix4 tcp = robot()->tcpWorld();
    setJoints({0, 0, 0, 0, 30, 0});
    target->setText(seven);
    returnIn(target);
    QCOMPARE(label->text(), QStringLiteral("Confdata is not provided"));
    QVERIFY(near(robot()->tcpWorld(), tcp, 1e-4f, 0.01f));
    // The texts now show where the robot went.
    QCOMPARE(int(target->text().count(QLatin1Char(','))), 16);

    // Out of reach: the same report, whatever the outcome, and no move.
    setJoints({0, 0, 0, 0, 30, 0});
    const std::array<float, 6> before = robot()->jointValues();
    target->setText(QStringLiteral("[[5000,0,0],[1,0,0,0]]"));
    returnIn(target);
    QCOMPARE(label->text(), QStringLiteral("Confdata is not provided"));
    QVERIFY(near(robot()->jointValues(), before, 1e-3f));
}

void TestFormABButility::unreachableTargetMovesNothing()
{
    setJoints({15, -10, 5, 20, 35, -40});
    const std::array<float, 6> before = robot()->jointValues();
    const Matrix4 tcp = robot()->tcpWorld();
    const QString text =
        QStringLiteral("[[5000,0,300],[1,0,0,0],[0,0,0,0],[9E9,9E9,9E9,9E9,9E9,9E9]];");
    target->setText(text);
    returnIn(target);
    QCOMPARE(label->text(), QStringLiteral("Robtarget unachievable"));
    QCOMPARE(robot()->jointValues(), before);
    QCOMPARE(robot()->tcpWorld(), tcp);
    QCOMPARE(panel->currentJoints(), before);
    QCOMPARE(target->text(), text); // no refresh either
}

void TestFormABButility::updateThenReturnReappliesEverything()
{
    // Frames and joints away from every identity and zero.
    tool->setText(QStringLiteral("[[12,-5,80],[0.9659258,0,0.258819,0]]"));
    returnIn(tool);
    wobj->setText(QStringLiteral("[[200,-150,40],[0.9238795,0,0,0.3826834]]"));
    returnIn(wobj);
    QCOMPARE(label->text(), QString());
    setJoints({-100, 10, 20, 150, -40, -200});
    const Matrix4 hb = robot()->getHB();
    const Matrix4 ht = robot()->getHT();
    const std::array<float, 6> joints = robot()->jointValues();

    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(label->text(), QString());
    // Quadrants of axes 1, 4, 6: floor(-100/90), floor(150/90), floor(-200/90).
    QVERIFY2(target->text().contains(QStringLiteral("],[-2,1,-3,")), qPrintable(target->text()));

    for (QLineEdit *e : {wobj, tool, target}) {
        label->setText(QStringLiteral("stale"));
        returnIn(e);
        QCOMPARE(label->text(), QString());
        QVERIFY(near(robot()->getHB(), hb, 1e-5f, 1e-3f));
        QVERIFY(near(robot()->getHT(), ht, 1e-5f, 1e-3f));
        QVERIFY2(near(robot()->jointValues(), joints, 1e-3f),
                 describe(robot()->jointValues()).constData());
    }
}

void TestFormABButility::configurationDataPicksTheSolution()
{
    const std::array<double, 6> a{-100, 10, 20, 150, -40, -200};
    // The same TCP with the wrist flipped: axis 4 half a turn round, axis 5
    // mirrored, axis 6 half a turn back.
    const std::array<double, 6> flipped{-100, 10, 20, -30, 40, -20};
    setJoints(a);
    const Matrix4 tcp = robot()->tcpWorld();
    QTest::mouseClick(update, Qt::LeftButton);
    const QString text = target->text();
    setJoints(flipped);
    QVERIFY(near(robot()->tcpWorld(), tcp, 1e-4f, 0.01f));
    returnIn(target);
    QCOMPARE(label->text(), QString());
    std::array<float, 6> want{};
    for (std::size_t k = 0; k < 6; ++k)
        want[k] = float(a[k]);
    QVERIFY2(near(robot()->jointValues(), want, 1e-2f),
             describe(robot()->jointValues()).constData());
    QVERIFY(near(panel->currentJoints(), want, 1e-2f));
}

void TestFormABButility::wrongConfigurationDataIsReported()
{
    setJoints({-100, 10, 20, 150, -40, -200});
    QTest::mouseClick(update, Qt::LeftButton);
    QString text = target->text();
    const Matrix4 tcp = robot()->tcpWorld();
    // No configuration of this robot has an axis-1 quadrant of 3 and cfx 7.
    text.replace(QStringLiteral("],[-2,1,-3,"), QStringLiteral("],[3,1,-3,"));
    const int last = text.indexOf(QStringLiteral("],[9E9"));
    text = text.left(text.lastIndexOf(QLatin1Char(','), last) + 1) + QStringLiteral("7") +
           text.mid(last);
    target->setText(text);
    returnIn(target);
    QCOMPARE(label->text(), QStringLiteral("Confdata is not valid"));
    // A configuration was taken all the same, and the texts show it.
    QVERIFY(near(robot()->tcpWorld(), tcp, 1e-4f, 0.01f));
    QVERIFY(target->text() != text);
}

void TestFormABButility::unsafeTexts_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString tool = QStringLiteral("Invalid tool data");
    const QString wobj = QStringLiteral("Invalid work object");
    const QString rt = QStringLiteral("Invalid robtarget");
    const QString notFinite = QStringLiteral(": a number is not finite");
    const QString tooLarge = QStringLiteral(": a value exceeds 100000");
    QTest::newRow("tool: six") << "tool"
                               << "[[1,2,3],[1,0,0]]" << tool;
    QTest::newRow("tool: words") << "tool"
                                 << "PERS tooldata tool1:=[TRUE]" << tool;
    QTest::newRow("tool: nan") << "tool"
                               << "[[NaN,0,0],[1,0,0,0]]" << tool + notFinite;
    QTest::newRow("tool: inf") << "tool"
                               << "[[0,0,0],[1,0,-inf,0]]" << tool + notFinite;
    QTest::newRow("tool: overflow") << "tool"
                                    << "[[0,0,1e39],[1,0,0,0]]" << tool + notFinite;
    QTest::newRow("tool: huge") << "tool"
                                << "[[0,0,1e30],[1,0,0,0]]" << tool + tooLarge;
    QTest::newRow("wobj: empty") << "wobj"
                                 << "" << wobj;
    QTest::newRow("wobj: flags only") << "wobj"
                                      << "[FALSE, TRUE, \"\"]" << wobj;
    QTest::newRow("wobj: nan object")
        << "wobj"
        << "[[0,0,0],[1,0,0,0]],[[0,0,nan],[1,0,0,0]]" << wobj + notFinite;
    QTest::newRow("wobj: huge") << "wobj"
                                << "[[-3e5,0,0],[1,0,0,0]]" << wobj + tooLarge;
    QTest::newRow("rt: brackets only") << "rt"
                                       << "[[[[[]]]]" << rt;
    QTest::newRow("rt: six") << "rt"
                             << "[[400,0,500],[0,0,1]]" << rt;
    QTest::newRow("rt: inf") << "rt"
                             << "[[400,0,inf],[0,0,1,0],[0,0,0,0]]" << rt + notFinite;
    QTest::newRow("rt: nan conf") << "rt"
                                  << "[[400,0,500],[0,0,1,0],[0,nan,0,0]]" << rt + notFinite;
    QTest::newRow("rt: huge conf") << "rt"
                                   << "[[400,0,500],[0,0,1,0],[0,0,0,1e20]]" << rt + tooLarge;
}

void TestFormABButility::unsafeTexts()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    setJoints({10, 20, -10, 30, 40, 50});
    QTest::mouseClick(update, Qt::LeftButton);
    const QStringList texts{wobj->text(), tool->text(), target->text()};
    const Matrix4 hb = robot()->getHB();
    const Matrix4 ht = robot()->getHT();
    const std::array<float, 6> joints = robot()->jointValues();
    QLineEdit *e = field == QLatin1String("tool")   ? tool
                   : field == QLatin1String("wobj") ? wobj
                                                    : target;
    e->setText(text);
    returnIn(e);
    QCOMPARE(label->text(), message);
    QCOMPARE(robot()->getHB(), hb);
    QCOMPARE(robot()->getHT(), ht);
    QCOMPARE(robot()->jointValues(), joints);
    QCOMPARE(e->text(), text); // the operator's text stays for correcting
    for (QLineEdit *other : {wobj, tool, target})
        if (other != e)
            QVERIFY(texts.contains(other->text()));
}

void TestFormABButility::numbersBeyondTheTwentyFirstAreIgnored()
{
    setJoints({-30, 10, 15, 20, 45, 10});
    QTest::mouseClick(update, Qt::LeftButton);
    const std::array<float, 6> joints = robot()->jointValues();
    // 17 numbers of the target, then four harmless ones, then garbage.
    target->setText(target->text() + QStringLiteral(" 1 2 3 4 nan inf 1e39 [[[ 5e30"));
    setJoints({0, 0, 0, 0, 30, 0});
    returnIn(target);
    QCOMPARE(label->text(), QString());
    QVERIFY(near(robot()->jointValues(), joints, 1e-3f));
}

void TestFormABButility::withoutARobotNothingChanges()
{
    delete form;
    delete w;
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    panel = w->panel();
    QVERIFY(!robot());
    form = new FormABButility(panel);
    form->show();
    wobj = form->findChild<QLineEdit *>(QStringLiteral("txtWObj"));
    tool = form->findChild<QLineEdit *>(QStringLiteral("txtTool"));
    target = form->findChild<QLineEdit *>(QStringLiteral("txtRT"));
    label = form->findChild<QLabel *>(QStringLiteral("lblnotify"));
    update = form->findChild<QPushButton *>(QStringLiteral("btnRefresh"));
    tool->setText(QStringLiteral("[[100,0,50],[1,0,0,0]]"));
    const QStringList texts{wobj->text(), tool->text(), target->text()};

    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(label->text(), QStringLiteral("No robot loaded"));
    QCOMPARE((QStringList{wobj->text(), tool->text(), target->text()}), texts);
    for (QLineEdit *e : {wobj, tool, target}) {
        label->clear();
        returnIn(e);
        QCOMPARE(label->text(), QStringLiteral("No robot loaded"));
    }
    label->clear();
    form->on_btnRefresh_clicked(); // what F5 calls
    QCOMPARE(label->text(), QStringLiteral("No robot loaded"));
    QCOMPARE((QStringList{wobj->text(), tool->text(), target->text()}), texts);
    QVERIFY(!robot());
}

void TestFormABButility::workObjectReportWindow()
{
    wobj->setText(QStringLiteral(
        "PERS wobjdata wobj1 := [FALSE, TRUE, \"\", [[100, 0, 0],[1, 0, 0, 0]],[[0, 200, 0],[1, "
        "0, 0, 0]]];"));
    const Matrix4 hb = robot()->getHB();
    QString title;
    const QStringList shown =
        reportsOpenedBy([this]() { QTest::mouseClick(info, Qt::LeftButton); }, &title);
    QCOMPARE(shown.size(), 3);
    QCOMPARE(title, QStringLiteral("Work Object"));
    QCOMPARE(shown.at(0),
             QStringLiteral(
                 "USER FRAME:\n"
                 "[x y z w p r] : [100.00000  0.00000  0.00000  0.00000  0.00000  0.00000]\n"
                 "\n"
                 "OBJECT FRAME:\n"
                 "[x y z w p r] : [0.00000  200.00000  0.00000  0.00000  0.00000  0.00000]\n"
                 "\n"
                 "WORK OBJECT:\n"
                 "[x y z w p r] : [100.00000  200.00000  0.00000  0.00000  0.00000  0.00000]\n"
                 "Equivalent Work Object:\n"
                 "[[100.00000,200.00000,0.00000],[1.0000000,0.0000000,0.0000000,0.0000000]],"
                 "[[0,0,0],[1,0,0,0]]"));
    QCOMPARE(shown.at(1), QStringLiteral("750x250"));
    QCOMPARE(shown.at(2), QStringLiteral("read-only"));
    QCOMPARE(robot()->getHB(), hb); // a report, not an action
}

void TestFormABButility::infoOnTooFewNumbersShowsNothing()
{
    wobj->setText(QStringLiteral("[[100, 0, 0],[1, 0, 0]]"));
    label->setText(QStringLiteral("before"));
    QVERIFY(reportsOpenedBy([this]() { QTest::mouseClick(info, Qt::LeftButton); }).isEmpty());
    QCOMPARE(label->text(), QStringLiteral("before"));
    // An unsafe one is refused in the label, also without a window.
    wobj->setText(QStringLiteral("[[100, 0, 0],[1, 0, 0, nan]]"));
    QVERIFY(reportsOpenedBy([this]() { QTest::mouseClick(info, Qt::LeftButton); }).isEmpty());
    QCOMPARE(label->text(), QStringLiteral("Invalid work object: a number is not finite"));
}

void TestFormABButility::zeroOrientationIsTakenAsNoRotation()
{
    const QString note = QStringLiteral("Orientation [0,0,0,0] taken as no rotation [1,0,0,0]");
    tool->setText(QStringLiteral("[TRUE,[[0,0,100],[0,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]]"));
    returnIn(tool);
    QCOMPARE(label->text(), note);
    // Row-major: the rotation is the identity, the translation in 3, 7, 11.
    const Matrix4 ht = robot()->getHT();
    const Matrix4 expected{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 100, 0, 0, 0, 1};
    QCOMPARE(ht, expected);
    wobj->setText(QStringLiteral("[FALSE,TRUE,\"\",[[10,20,30],[0,0,0,0]],[[0,0,0],[1,0,0,0]]]"));
    returnIn(wobj);
    QCOMPARE(label->text(), note);
    const Matrix4 hb{1, 0, 0, 10, 0, 1, 0, 20, 0, 0, 1, 30, 0, 0, 0, 1};
    QCOMPARE(robot()->getHB(), hb);
    // A proper text clears the note.
    tool->setText(QStringLiteral("[[0,0,50],[1,0,0,0]]"));
    returnIn(tool);
    QCOMPARE(label->text(), QString());
}

QTEST_MAIN(TestFormABButility)
#include "tst_formabbutility.moc"
