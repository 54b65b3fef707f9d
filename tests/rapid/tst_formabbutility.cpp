// The RAPID panel and the module commands in the real main window, one check
// per path; the texts themselves are the parser's and the module reader's tests.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "rapid/formabbutility.h"
#include "rapid/rapidmodulecommands.h"
#include "scene/glwidget.h"
#include "scene/robots.h"
#include "sequences/paths.h"
#include "ui/menuprincipal.h"
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>
#include <cmath>
namespace {
template <std::size_t N> bool near(const std::array<float, N> &a, const std::array<float, N> &b)
{
    for (std::size_t k = 0; k < N; ++k)
        if (std::fabs(a[k] - b[k]) > 1e-2f)
            return false;
    return true;
}
} // namespace
class TestFormABButility : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MainWindow::setInteractive(false);
        w = new MainWindow;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        if (QTest::currentTestFunction() != QLatin1String("withoutARobotNothingChanges"))
            QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
        form = new FormABButility(w->panel());
        form->show();
        wobj = form->findChild<QLineEdit *>(QStringLiteral("txtWObj"));
        tool = form->findChild<QLineEdit *>(QStringLiteral("txtTool"));
        target = form->findChild<QLineEdit *>(QStringLiteral("txtRT"));
        label = form->findChild<QLabel *>(QStringLiteral("lblnotify"));
        update = form->findChild<QPushButton *>(QStringLiteral("btnRefresh"));
        info = form->findChild<QPushButton *>(QStringLiteral("btnWObjInfo"));
        QVERIFY(wobj && tool && target && label && update && info);
    }
    void cleanup()
    {
        delete form;
        delete w;
    }
    void updateShowsTheHomePose()
    {
        // IRB 120 with only axis 6 turned by 90 degrees. The TCP lies on axis 6:
        // d4 + d6 = 302 + 72 ahead of axis 1, d1 + a2 + a3 = 290 + 270 + 70 high.
        // At zero the flange is ABB's tool0: x down, y along y, z along x
        // (Ry(90)); the turn of axis 6 about z makes that rows (0, 0, 1),
        // (1, 0, 0), (0, 1, 0): trace 0, so q1 = 1/2 and (q2, q3, q4) = ((1 -
        // 0), (1 - 0), (1 - 0)) / 2. Quadrant of axis 6: floor(90 / 90) = 1.
        setJoints({0, 0, 0, 0, 0, 90});
        QTest::mouseClick(update, Qt::LeftButton);
        QCOMPARE(
            texts(),
            (QStringList{"[[0.00000,0.00000,0.00000],[1.0000000,0.0000000,0.0000000,0.0000000]],"
                         "[[0, 0, 0],[1, 0, 0, 0]]",
                         "[0.00000,0.00000,0.00000],[1.0000000,0.0000000,0.0000000,0.0000000]",
                         "[[374.00000,0.00000,630.00000],[0.5000000,0.5000000,0.5000000,"
                         "0.5000000],[0,0,1,0],[9E9,9E9,9E9,9E9,9E9,9E9]];"}));
        QCOMPARE(label->text(), QString());
    }
    void returnReappliesWhatUpdateShowed()
    {
        // Frames and joints away from every identity and zero.
        tool->setText(QStringLiteral("[[12,-5,80],[0.9659258,0,0.258819,0]]"));
        returnIn(tool);
        wobj->setText(QStringLiteral("[[200,-150,40],[0.9238795,0,0,0.3826834]]"));
        returnIn(wobj);
        const std::array<double, 6> q{-100, 10, 20, 150, -40, -200};
        setJoints(q);
        const Matrix4 hb = robot()->getHB(), ht = robot()->getHT();
        const std::array<float, 6> joints = robot()->jointValues();
        QTest::mouseClick(update, Qt::LeftButton);
        // Quadrants of axes 1, 4, 6: floor(-100/90), floor(150/90), floor(-200/90).
        QVERIFY2(target->text().contains(QStringLiteral("],[-2,1,-3,")),
                 qPrintable(target->text()));
        // The same TCP with the wrist flipped (axis 4 half a turn round, axis 5
        // mirrored, axis 6 half a turn back): the configuration data of the
        // text brings the robot back to the joints it was shown at.
        setJoints({-100, 10, 20, -30, 40, -20});
        for (QLineEdit *e : {wobj, tool, target}) {
            label->setText(QStringLiteral("stale"));
            returnIn(e);
            QCOMPARE(label->text(), QString());
            QVERIFY(near(robot()->getHB(), hb));
            QVERIFY(near(robot()->getHT(), ht));
        }
        QVERIFY(near(robot()->jointValues(), joints));
        QVERIFY(near(w->panel()->currentJoints(), joints));
    }
    void refusalsMoveNothing_data()
    {
        QTest::addColumn<int>("field"); // work object, tool, target
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("nan tool") << 1 << "[[NaN,0,0],[1,0,0,0]]"
                                  << "Invalid tool data: a number is not finite";
        QTest::newRow("out of reach") << 2 << "[[5000,0,300],[1,0,0,0],[0,0,0,0]]"
                                      << "Robtarget unachievable";
    }
    void refusalsMoveNothing()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        setJoints({15, -10, 5, 20, 35, -40});
        QTest::mouseClick(update, Qt::LeftButton);
        const QStringList before = texts();
        const Matrix4 hb = robot()->getHB(), ht = robot()->getHT();
        const std::array<float, 6> joints = robot()->jointValues();
        QLineEdit *e = QList<QLineEdit *>{wobj, tool, target}.at(field);
        e->setText(text);
        returnIn(e);
        QCOMPARE(label->text(), message);
        QVERIFY(robot()->getHB() == hb && robot()->getHT() == ht &&
                robot()->jointValues() == joints);
        QStringList expected = before;
        expected[field] = text; // the operator's text stays for correcting
        QCOMPARE(texts(), expected);
    }
    void infoOpensTheReport()
    {
        wobj->setText(QStringLiteral("[[100,0,0],[1,0,0,0]],[[0,200,0],[1,0,0,0]]"));
        QString shown;
        QTimer::singleShot(100, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->windowTitle() + '\n' + box->findChild<QTextEdit *>()->toPlainText();
                box->accept();
            }
        });
        QTest::mouseClick(info, Qt::LeftButton);
        QVERIFY2(shown.startsWith("Work Object\nUSER FRAME:\n") &&
                     shown.contains("WORK OBJECT:\n[x y z w p r] : [100.00000  200.00000"),
                 qPrintable(shown));
    }
    void withoutARobotNothingChanges()
    {
        QVERIFY(!robot());
        const QStringList before = texts();
        QTest::mouseClick(update, Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("No robot loaded"));
        label->clear();
        returnIn(target);
        QCOMPARE(label->text(), QStringLiteral("No robot loaded"));
        QCOMPARE(texts(), before);
        QCOMPARE(w->rapidModules()->loadFrom("x.mod"), int(RapidModuleCommands::NoRobot));
    }
    void moduleExportedAndPlayedBack()
    {
        RapidModuleCommands *commands = w->rapidModules();
        QCOMPARE(w->loadTool(DataDirs::defaultTool()), 0);
        Paths *paths = w->panel()->paths();
        QTemporaryDir dir;
        const QString module = dir.filePath(QStringLiteral("drawing.mod"));
        QCOMPARE(paths->loadSequenceFile(DataDirs::simulationDir() + QStringLiteral("drawing.sim")),
                 0);
        const std::vector<Paths::nodeJOINTS> played = paths->nodes();
        QCOMPARE(commands->exportTo(module, {}), int(RapidModuleCommands::Done));
        // A name the controller refuses writes nothing and says why.
        QCOMPARE(commands->exportTo(dir.filePath("if.mod"), {"If"}),
                 int(RapidModuleCommands::Refused));
        QVERIFY(!QFile::exists(dir.filePath("if.mod")) && commands->lastMessage().contains("If"));
        // Played back: the same path, but for a step more or less where a
        // segment is an exact multiple of the 2 mm step.
        QCOMPARE(commands->loadFrom(module), int(RapidModuleCommands::Done));
        QVERIFY(paths->playing());
        QVERIFY(std::abs(int(paths->nodes().size()) - int(played.size())) <= 8);
        for (std::size_t k = 0; k < 6; ++k)
            QVERIFY(std::fabs(paths->nodes().back().values[k] - played.back().values[k]) < 0.01f);
        // A refused module leaves the list as it was and says where.
        QFile bad(module);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("MODULE bad\nPROC main()\nMoveL p1, v100, z10, tool0;\nENDPROC\nENDMODULE\n");
        bad.close();
        const std::size_t count = paths->nodes().size();
        QCOMPARE(commands->loadFrom(module), int(RapidModuleCommands::Refused));
        QCOMPARE(paths->nodes().size(), count);
        QVERIFY(commands->lastMessage().contains(QStringLiteral("line 3: p1 is not declared")));
        // p1 kept in a module of its own, both chosen together: played.
        QFile data(dir.filePath(QStringLiteral("data.mod")));
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write("MODULE data\nCONST robtarget p1:=[[374,0,400],[0,0,1,0],[0,0,0,0],"
                   "[9E9,9E9,9E9,9E9,9E9,9E9]];\nENDMODULE\n");
        data.close();
        QCOMPARE(commands->loadFrom({module, data.fileName()}), int(RapidModuleCommands::Done));
        QVERIFY2(commands->lastMessage().startsWith("Procedure main: 1 moves read, 0 skipped"),
                 qPrintable(commands->lastMessage()));
    }
    // The same command plays a UR script: its joint lists, in radians, end
    // the path at (10, 0, 0, 0, 30, 0) degrees; the move it cannot read is named.
    void urScriptPlayed()
    {
        QTemporaryDir dir;
        QFile script(dir.filePath(QStringLiteral("pick.script")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("def pick():\n  movej([0, 0, 0, 0, 0.5235987756, 0])\n  movel(here)\n"
                     "  movej([0.1745329252, 0, 0, 0, 0.5235987756, 0], a=1.4, v=1.05)\nend\n");
        script.close();
        QCOMPARE(w->rapidModules()->loadFrom(script.fileName()), int(RapidModuleCommands::Done));
        const std::array<float, 6> end{10, 0, 0, 0, 30, 0};
        for (std::size_t k = 0; k < 6; ++k)
            QVERIFY(std::fabs(w->panel()->paths()->nodes().back().values[k] - end[k]) < 0.01f);
        QVERIFY(w->rapidModules()->lastMessage().contains(QStringLiteral("line 3: movel: here")));
    }

private:
    void setJoints(const std::array<double, 6> &q) { w->panel()->resetAngles(q.data(), true); }
    void returnIn(QLineEdit *e)
    {
        e->setFocus();
        QTest::keyClick(e, Qt::Key_Return);
    }
    QStringList texts() const { return {wobj->text(), tool->text(), target->text()}; }
    Robot *robot() const { return w->view()->selectedRobot(); }
    MainWindow *w = nullptr;
    FormABButility *form = nullptr;
    QLineEdit *wobj = nullptr, *tool = nullptr, *target = nullptr;
    QLabel *label = nullptr;
    QPushButton *update = nullptr, *info = nullptr;
};
QTEST_MAIN(TestFormABButility)
#include "tst_formabbutility.moc"
