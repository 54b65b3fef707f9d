// The two RAPID module commands in the real main window: the drawing program
// exported and played back from its module, a refused module that leaves the
// list alone, and a station without a robot.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "rapid/rapidmodulecommands.h"
#include "scene/glwidget.h"
#include "scene/robots.h"
#include "sequences/paths.h"
#include "ui/menuprincipal.h"

#include <QAction>
#include <QDockWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestRapidModuleCommands : public QObject
{
    Q_OBJECT

private slots:
    void exportAndPlayBack();
};

void TestRapidModuleCommands::exportAndPlayBack()
{
    MainWindow::setInteractive(false);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    RapidModuleCommands *commands = w.rapidModules();
    QVERIFY(commands);
    QAction *exportAction = w.action(QStringLiteral("actionExportRapidModule"));
    QAction *loadAction = w.action(QStringLiteral("actionLoadRapidModule"));
    QCOMPARE(exportAction->text(), QStringLiteral("Export program as RAPID module…"));
    QCOMPARE(loadAction->text(), QStringLiteral("Load RAPID module…"));
    QVERIFY(w.simulationDock()->actions().contains(exportAction));
    QVERIFY(w.simulationDock()->actions().contains(loadAction));

    QCOMPARE(w.loadRobot(DataDirs::defaultRobot()), 0);
    QCOMPARE(w.loadTool(DataDirs::defaultTool()), 0);
    Paths *paths = w.panel()->paths();
    QTemporaryDir dir;
    const QString module = dir.filePath(QStringLiteral("drawing.mod"));
    // Nothing loaded yet: nothing to export, and no file.
    QCOMPARE(commands->exportTo(module, rapid::ExportOptions()),
             int(RapidModuleCommands::NoProgram));
    QVERIFY(!QFile::exists(module));

    QCOMPARE(paths->loadSequenceFile(DataDirs::simulationDir() + QStringLiteral("drawing.sim")), 0);
    const std::vector<Paths::nodeJOINTS> played = paths->nodes();
    QVERIFY(played.size() > 600);
    rapid::ExportOptions options;
    options.moduleName = QStringLiteral("Drawing");
    QCOMPARE(commands->exportTo(module, options), int(RapidModuleCommands::Done));
    QFile f(module);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("MODULE Drawing\n"));

    // Played back: the same path, but for a step more or less where a
    // segment is an exact multiple of the 2 mm step (its length read back
    // rounds to either side).
    QCOMPARE(commands->loadFrom(module), int(RapidModuleCommands::Done));
    QVERIFY(commands->lastMessage().isEmpty());
    const std::vector<Paths::nodeJOINTS> &back = paths->nodes();
    QVERIFY(std::abs(int(back.size()) - int(played.size())) <= 8);
    QVERIFY(paths->playing());
    for (std::size_t k = 0; k < 6; ++k)
        QVERIFY(std::fabs(back.back().values[k] - played.back().values[k]) < 0.01f);

    // A module that is refused leaves the list as it was and says where.
    const QString bad = dir.filePath(QStringLiteral("bad.mod"));
    QFile b(bad);
    QVERIFY(b.open(QIODevice::WriteOnly));
    b.write("MODULE bad\n  PROC main()\n    MoveL Offs(p1,0,0,5), v100, z10, tool0;\n"
            "    MoveL p1, v100, z10, tool0;\n  ENDPROC\nENDMODULE\n");
    b.close();
    const std::size_t count = back.size();
    QCOMPARE(commands->loadFrom(bad), int(RapidModuleCommands::Refused));
    QCOMPARE(paths->nodes().size(), count);
    QVERIFY2(commands->lastMessage().contains(QStringLiteral("line 4: p1 is not declared")),
             qPrintable(commands->lastMessage()));
    QVERIFY(commands->lastMessage().contains(QStringLiteral("line 3: MoveL to Offs(...)")));

    // Without a robot both commands say why and do nothing.
    w.view()->robotsList()->removeSelected();
    QVERIFY(!w.robot());
    QCOMPARE(commands->exportTo(module, options), int(RapidModuleCommands::NoRobot));
    QCOMPARE(commands->loadFrom(module), int(RapidModuleCommands::NoRobot));
    exportAction->trigger();
    loadAction->trigger();
    commands->exportProgram();
    QCOMPARE(commands->lastMessage(),
             QStringLiteral("No robot is loaded: there is no program to export"));
    commands->loadModule();
    QCOMPARE(commands->lastMessage(),
             QStringLiteral("No robot is loaded: a module cannot be played"));
}

QTEST_MAIN(TestRapidModuleCommands)
#include "tst_rapidmodulecommands.moc"
