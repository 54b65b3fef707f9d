// The main window as a user meets it: menus and shortcuts, languages,
// station files written and read back through the window (the records
// themselves are tst_stationfile's), full screen and the About box.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "language/relabel.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "sequences/paths.h"
#include "support/scratchinstall.h"
#include "texts/languagefile.h"
#include "ui/menuprincipal.h"
#include "ui_menuprincipal.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>
#include <random>

namespace {

QString read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray data(size, '\0');
    for (char &c : data)
        c = char(random() & 0xFF);
    return data;
}

QString write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QString defaultStationText(int language, int euler, const QString &world)
{
    return QStringLiteral(
               "#OPTIONS#%1#%2#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#../CAD_Tools/"
               "IRB120_Crayon.tool#"
               "Cell "
               "robot#1#%3#1.000000#0.000000#0.000000#0.000000#0.000000#1.000000#0.000000#0.000000#"
               "0.000000#0.000000#1.000000#0.000000#0.000000#0.000000#0.000000#1.000000#")
        .arg(language)
        .arg(euler)
        .arg(world);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuStructureAndShortcuts();
    void startWithoutAStation();
    void startWithAGermanStation();
    void unknownCodesChangeNothing();
    void languagesRelabelEverything();
    void stationRoundTrip();
    void worldFrameReadInTheStoredConvention();
    void unreadableStationKeepsTheCurrentOne();
    void emptyOnlyWhenEqual();
    void hashInANameRefusesTheSave();
    void fullScreenAndEscape();
    void aboutBoxBothWays();
    void robotRemovedEverythingStillSafe();
    void damagedFilesKeepWhatIsThere();
    void unsavedChangesAskOnExit();
    void stationsMoveWithTheInstallation();
    void oneMessageForManyObjects();
    void helpWithoutABrowser();
    void everyFieldShowsItsWholeText();

private:
    void captionsFollowTheLanguage();

    MainWindow *w = nullptr;
    QString m_dir;
};

void TestMainWindow::initTestCase()
{
    MainWindow::setInteractive(false);
    setLanguageMessageHandler([](const QString &) {});
}

void TestMainWindow::init()
{
    DataDirs::setApplicationDirForTesting(QString());
    w = new MainWindow;
    w->resize(1200, 800);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
}

void TestMainWindow::cleanup()
{
    delete w;
    w = nullptr;
}

void TestMainWindow::menuStructureAndShortcuts()
{
    QStringList titles;
    for (QAction *a : w->menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"File", "View", "Joystick", "Options", "Help"}));
    const QList<QPair<QString, QString>> shortcuts = {{"actionLoadRobot", "Ctrl+R"},
                                                      {"actionLoadTool", "Ctrl+T"},
                                                      {"actionLoadObject", "Ctrl+O"},
                                                      {"actionLoadStation", "Ctrl+L"},
                                                      {"actionSaveStation", "Ctrl+Shift+S"},
                                                      {"actionSaveDefault", "Ctrl+S"},
                                                      {"actionLoadDemo", "Ctrl+D"},
                                                      {"actionExit", "Alt+F4"},
                                                      {"actionRobotControlView", "F2"},
                                                      {"actionObjectsView", "F3"},
                                                      {"actionSimulationView", "F4"},
                                                      {"actionAbbData", "F5"},
                                                      {"actionTraceOn", "Alt+Y"},
                                                      {"actionTraceOff", "Alt+N"},
                                                      {"actionTraceReset", "Alt+X"},
                                                      {"actionHelp", "F1"}};
    for (const auto &s : shortcuts) {
        QAction *a = w->action(s.first);
        QVERIFY2(a, qPrintable(s.first));
        QCOMPARE(a->shortcut().toString(), s.second);
    }
    // Exclusive groups and their check marks.
    QVERIFY(w->action("actionEulerABB")->isChecked());
    w->action("actionEulerFanuc")->trigger();
    QVERIFY(!w->action("actionEulerABB")->isChecked());
    QCOMPARE(w->panel()->lastEulerCode(), 3);
    QVERIFY(w->action("actionTraceOff")->isChecked());
    w->action("actionTraceOn")->trigger();
    QVERIFY(w->view()->traceEnabled);
    QVERIFY(!w->action("actionTraceOff")->isChecked());
    // The two hidden submenus are not in Options but their actions exist.
    QStringList options;
    for (QAction *a : w->findChild<QMenu *>("menuOptions")->actions())
        options << a->text();
    QVERIFY(!options.contains("Inverse kinematics Configurations"));
    QVERIFY(!options.contains("Sequence"));
    QVERIFY(w->action("actionConfigExtended") && w->action("actionExecute"));
    // Unicode items as written.
    QCOMPARE(w->action("actionFrench")->text(), QString::fromUtf8("Fran\u00e7ais"));
    QCOMPARE(w->action("actionEulerKawasaki")->text(),
             QString::fromUtf8("Z->Y'->Z'' (Kawasaki, Adept, St\u00e4ubli)"));
}

void TestMainWindow::startWithoutAStation()
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path()); // no setup.vks here
    w->startWith(QStringLiteral("setup.vks"));
    QVERIFY(w->robot());
    QVERIFY(w->robot()->getToolPath().endsWith("IRB120_Crayon.tool"));
    QVERIFY(w->action("actionEnglish")->isChecked());
    QVERIFY(w->action("actionEulerABB")->isChecked());
    QCOMPARE(w->action("actionLoadRobot")->text(), QStringLiteral("Load Robot"));
    // The objects list is there without F3; its form waits for a pick.
    QVERIFY(w->objectsDock()->isVisible());
    QVERIFY(!w->objectPropertiesDock()->isVisible());
    QVERIFY(w->action("actionObjectsView")->isChecked());
}

void TestMainWindow::startWithAGermanStation()
{
    QTemporaryDir dir;
    const QString station = dir.filePath("cell.vks");
    QFile f(station);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(defaultStationText(5, 4, "0.000000#0.000000#100.000000#0.000000#0.000000#0.000000")
                .toUtf8());
    f.close();
    w->startWith(station);
    QVERIFY(w->action("actionGerman")->isChecked());
    QVERIFY(w->action("actionEulerKawasaki")->isChecked());
    QCOMPARE(w->panel()->languageCode(), 5);
    QVERIFY(w->action("actionLoadRobot")->text() != QStringLiteral("Load Robot"));
    QCOMPARE(w->robot()->getName(), QStringLiteral("Cell robot"));
    QCOMPARE(w->robot()->getHB()[11], 100.0f);
}

void TestMainWindow::unknownCodesChangeNothing()
{
    QTemporaryDir dir;
    const QString station = dir.filePath("odd.vks");
    QFile f(station);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(defaultStationText(7, 9, "0#0#0#0#0#0").toUtf8());
    f.close();
    w->do_frenchLanguage();
    w->action("actionFrench")->setChecked(true);
    const QString french = w->action("actionLoadRobot")->text();
    w->startWith(station);
    QVERIFY(w->robot());
    QCOMPARE(w->action("actionLoadRobot")->text(), french);
    QVERIFY(w->action("actionFrench")->isChecked());
    QVERIFY(w->action("actionEulerABB")->isChecked());
}

void TestMainWindow::languagesRelabelEverything()
{
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    Ui::MenuPrincipal *ui = w->panel()->form();
    ui->comboBox_2->setCurrentIndex(2); // World axes
    QCOMPARE(w->panel()->movementFrame(), 2);
    QStringList seen;
    // What the window says later follows the language too: "Movement", the
    // dock titles, the RAPID dock, a refusal of a typo in Position and the
    // robot form.
    QVector<QSet<QString>> later(8);
    QWidget *fast = w->panel()->paths()->playerWidget()->findChild<QWidget *>("fastButton");
    QVERIFY(fast);
    QAbstractButton *update = w->findChild<QAbstractButton *>("btnRefresh");
    QVERIFY(update);
    for (auto slot : {&MainWindow::do_englishLanguage, &MainWindow::do_frenchLanguage,
                      &MainWindow::do_spanishLanguage, &MainWindow::do_catalanLanguage,
                      &MainWindow::do_germanLanguage}) {
        (w->*slot)();
        seen << w->findChild<QMenu *>("menuFile")->title() + "|" + ui->pushButton_4->text() + "|" +
                    w->view()->objectsList()->removeButton()->text();
        // A new language resets the movement frame to the tool's axes.
        QCOMPARE(w->panel()->movementFrame(), 0);
        QCOMPARE(ui->comboBox_2->count(), 3);
        ui->comboBox_2->setCurrentIndex(2);
        ui->positionXYZ->setFocus();
        ui->positionXYZ->selectAll();
        QTest::keyClicks(ui->positionXYZ, "4OO, 1OO, 500");
        QTest::keyClick(ui->positionXYZ, Qt::Key_Return);
        const QString texts[] = {ui->labelMovement->text(),
                                 w->simulationDock()->windowTitle(),
                                 w->abbDock()->windowTitle(),
                                 update->text(),
                                 w->panel()->notice(),
                                 w->view()->robotsList()->removeButton()->text(),
                                 fast->toolTip(),
                                 ui->dial->toolTip()};
        for (int i = 0; i < 8; ++i)
            later[i] << texts[i];
    }
    // Five different labellings.
    QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 5);
    for (const QSet<QString> &texts : later)
        QVERIFY2(texts.size() == 5, qPrintable(QStringList(texts.values()).join(" | ")));
    if (const QByteArray shots = qgetenv("VELKARI_SHOT_DIR"); !shots.isEmpty())
        w->snapshot().save(shots + "/refusal-5.png");
    QVERIFY(ui->positionXYZ->property("refused").toBool());
    QCOMPARE(ui->labelMovement->text(), QString::fromUtf8("Bewegung"));
    QCOMPARE(w->panel()->notice(), QString::fromUtf8("Position: \u201e4OO\u201c ist keine Zahl"));

    // A German file from before these texts: the menus are German, the
    // newer texts English.
    ScratchInstall inst;
    const QByteArray german = read(DataDirs::languageDir() + "german.txt").toUtf8();
    QByteArray older;
    for (const QByteArray &line : german.split('\n').mid(0, LanguageFile::kFirstUiEntry))
        older += line + '\n';
    inst.write("Languages/german.txt", older);
    w->do_germanLanguage();
    QCOMPARE(w->findChild<QMenu *>("menuFile")->title(), QStringLiteral("Datei"));
    QCOMPARE(ui->labelMovement->text(), QStringLiteral("Movement"));
    QCOMPARE(update->text(), QStringLiteral("Update from robot"));
    w->do_englishLanguage(); // not found in the scratch install: stays as it is
}

void TestMainWindow::stationRoundTrip()
{
    ScratchInstall inst; // objects are found in its Objects/
    DataDirs::setApplicationDirForTesting(QString());
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    QVERIFY(w->loadTool(DataDirs::defaultTool()) == 0);
    MenuPrincipal *p = w->panel();
    Ui::MenuPrincipal *ui = p->form();
    ui->lineEdit_World->setText("10.123, -20.5, 30, 0, 0, 15.256");
    p->World_Definition_Changed();
    Robots *robots = w->view()->robotsList();
    robots->placementEdit()->setText("100, 200, 0, 0, 0, 45");
    robots->GUIobjectPositionChanged();
    const QString mesh =
        inst.write("parts/plate.stl", "solid p\n vertex 0 0 0\n vertex 1 0 0\n vertex 0 1 0\n");
    Objects *objects = w->view()->objectsList();
    Matrix4 pose = toolbox::identity();
    pose[12] = 1.2345678f;
    pose[13] = -987.654321f;
    QCOMPARE(objects->AddObject(mesh, "plate", 0.123456f, 1, 1, pose), 0);
    QCOMPARE(objects->AddObject(mesh, "hidden", 2.5f, 0, 0, toolbox::identity()), 0);

    QTemporaryDir dir;
    QString file = dir.filePath("cell.vks");
    QCOMPARE(p->Save_Setup(&file), 0);
    const QString text = read(file);
    QVERIFY(text.startsWith(
        "#OPTIONS#1#0#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#../CAD_Tools/IRB120_Crayon.tool#"));
    QVERIFY(text.contains("#OBJECT#" + mesh + "#plate#0.123456#1#1#1.000000#"));
    QVERIFY(text.contains("#1.234568#-987.654297#")); // 6 decimals of the float
    QCOMPARE(text.count("\r\n"), 4); // before the robot, its joints and two objects

    // Read back into a fresh window: the same station.
    MainWindow other;
    int language = 0, euler = 0;
    QCOMPARE(other.panel()->Load_Setup(file.toUtf8().constData(), &language, &euler), 0);
    QCOMPARE(language, 1);
    QCOMPARE(euler, 0);
    Robot *r = other.robot();
    QVERIFY(r);
    QVERIFY(r->getHasTool());
    const Pose6 world = toolbox::matrixToPose(r->getHB(), 0);
    QCOMPARE(std::round(world[0] * 100) / 100, 10.12f); // World frame to 2 decimals
    QCOMPARE(std::round(world[5] * 100) / 100, 15.26f);
    QVERIFY(std::fabs(r->getPlacement()[3] - 100) < 1e-4);
    Objects *o = other.view()->objectsList();
    QCOMPARE(o->count(), 2);
    QCOMPARE(o->entry(0)->scale, 0.123456f);
    QCOMPARE(o->entry(0)->flipNormals, 1);
    QVERIFY(std::fabs(o->entry(0)->pose[12] - 1.234568f) < 1e-6);
    QCOMPARE(o->entry(1)->visible, 0);
    QCOMPARE(o->entry(1)->name, QStringLiteral("hidden"));
    // Saved again, the World values now carry two decimals and the rest is
    // byte for byte the same; from then on the file is a fixed point.
    QString again = dir.filePath("again.vks");
    QCOMPARE(other.panel()->Save_Setup(&again), 0);
    QString expected = text;
    expected.replace("#10.123000#", "#10.120000#").replace("#15.256001#", "#15.260000#");
    QCOMPARE(read(again).split("\r\n"), expected.split("\r\n"));
    MainWindow third;
    QCOMPARE(third.panel()->Load_Setup(again.toUtf8().constData(), &language, &euler), 0);
    QString last = dir.filePath("last.vks");
    QCOMPARE(third.panel()->Save_Setup(&last), 0);
    QCOMPARE(read(last), read(again));
}

void TestMainWindow::worldFrameReadInTheStoredConvention()
{
    // Rz(90) written in convention 0 reads (0, 0, 0, 90, 0, 0); read in any
    // other convention it would turn the frame about X.
    QTemporaryDir dir;
    const QString station = dir.filePath("rz.vks");
    QFile f(station);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(defaultStationText(1, 0, "0.000000#0.000000#0.000000#90.000000#0.000000#0.000000")
                .toUtf8());
    f.close();
    w->panel()->modeRotationChageAll(3); // the panel shows Fanuc angles meanwhile
    int language = -1, euler = -1;       // as the sequence dialog reads it
    QCOMPARE(w->panel()->Load_Setup(station.toUtf8().constData(), &language, &euler), 0);
    const Matrix4 hb = w->robot()->getHB();
    QVERIFY(std::fabs(hb[0]) < 1e-6 && std::fabs(hb[4] - 1.0f) < 1e-6); // X turned onto Y: Rz(90)
    QCOMPARE(w->panel()->lastEulerCode(), 3);                           // codes untouched
}

void TestMainWindow::unreadableStationKeepsTheCurrentOne()
{
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    Robot *before = w->robot();
    int language = 0, euler = 0;
    QCOMPARE(w->panel()->Load_Setup("/no/such/station.vks", &language, &euler), -1);
    QCOMPARE(w->robot(), before);
    QVERIFY(w->panel()->robotLoaded());
    // An unwritable place: -1, nothing half-written.
    QString bad = "/no/such/dir/x.vks";
    QCOMPARE(w->panel()->Save_Setup(&bad), -1);
    // A failed save keeps the old file intact.
    QTemporaryDir dir;
    QString good = dir.filePath("keep.vks");
    QCOMPARE(w->panel()->Save_Setup(&good), 0);
    const QString saved = read(good);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(dir.path()).isWritable())
        QSKIP("running with rights that ignore directory permissions");
    QCOMPARE(w->panel()->Save_Setup(&good), -1);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(read(good), saved);
}

void TestMainWindow::emptyOnlyWhenEqual()
{
    // A folder whose name contains EMPTY is a real place.
    ScratchInstall inst;
    QFile::copy(DataDirs::robotDir() + "ABB_IRB120.xml", inst.path("CAD_Robots/x.xml"));
    DataDirs::setApplicationDirForTesting(QString());
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("EMPTY_CELL");
    QVERIFY(QFile::copy(DataDirs::robotDir() + "ABB_IRB120.xml", dir.filePath("EMPTY_CELL/r.xml")));
    const QString station = dir.filePath("e.vks");
    QFile f(station);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QString text = defaultStationText(1, 0, "0#0#0#0#0#0");
    text.replace("../CAD_Robots/ABB_IRB120.xml", dir.filePath("EMPTY_CELL/r.xml"));
    text.replace("../CAD_Tools/IRB120_Crayon.tool", "EMPTY");
    f.write(text.toUtf8());
    f.close();
    int language = 0, euler = 0;
    QCOMPARE(w->panel()->Load_Setup(station.toUtf8().constData(), &language, &euler), 0);
    QVERIFY(w->robot());
    QVERIFY(!w->robot()->getHasTool());
    QCOMPARE(w->robot()->getFilePath(), dir.filePath("EMPTY_CELL/r.xml"));
}

void TestMainWindow::hashInANameRefusesTheSave()
{
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    w->robot()->setName("cell#2");
    QSignalSpy messages(w->view(), &glwidget::userMessage);
    QTemporaryDir dir;
    QString file = dir.filePath("h.vks");
    QCOMPARE(w->panel()->Save_Setup(&file), -1);
    QVERIFY(!QFile::exists(file));
    QCOMPARE(messages.count(), 1);
}

void TestMainWindow::fullScreenAndEscape()
{
    QTest::keyClick(w, Qt::Key_F11);
    QVERIFY(w->isFullScreenMode());
    QTest::keyClick(w, Qt::Key_F11);
    QVERIFY(!w->isFullScreenMode());
    QVERIFY(!w->isFullScreen() && !w->isMaximized());
    QTest::keyClick(w, Qt::Key_F11);
    QTest::keyClick(w, Qt::Key_Escape);
    QVERIFY(!w->isFullScreenMode());
    QVERIFY(w->windowState() & Qt::WindowMaximized);
}

void TestMainWindow::aboutBoxBothWays()
{
    w->panel()->openAbout();
    QVERIFY(!w->isEnabled());
    QWidget *box = w->findChild<QWidget *>("About");
    if (!box)
        for (QWidget *t : QApplication::topLevelWidgets())
            if (t->inherits("About") && t->isVisible())
                box = t;
    QVERIFY(box);
    // OK button.
    QMetaObject::invokeMethod(box, "OKbutton");
    QTRY_VERIFY(w->isEnabled());
    // Title-bar close.
    w->panel()->openAbout();
    QVERIFY(!w->isEnabled());
    for (QWidget *t : QApplication::topLevelWidgets())
        if (t->inherits("About") && t->isVisible())
            t->close();
    QTRY_VERIFY(w->isEnabled());
    QVERIFY(w->panel()->isEnabled());
}

void TestMainWindow::robotRemovedEverythingStillSafe()
{
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    w->view()->robotsList()->removeSelected();
    QVERIFY(!w->robot());
    // Menus and keys that would reach for the robot.
    for (const char *name :
         {"actionRemoveTool", "actionIsometric", "actionTop", "actionTraceOn", "actionTraceReset",
          "actionExecute", "actionStop", "actionSequenceReset", "actionConfigBasic",
          "actionEulerCatia", "actionAbbData", "actionEnglish"})
        w->action(name)->trigger();
    QTest::keyClick(w->panel(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w->panel(), Qt::Key_N, Qt::ShiftModifier);
    QTest::keyClick(w->panel(), Qt::Key_B, Qt::ShiftModifier);
    QTemporaryDir dir;
    QString file = dir.filePath("empty.vks");
    QCOMPARE(w->panel()->Save_Setup(&file), 0);
    QCOMPARE(read(file), QStringLiteral("#OPTIONS#1#2#"));
}

void TestMainWindow::damagedFilesKeepWhatIsThere()
{
    QTemporaryDir dir;
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    QVERIFY(w->loadTool(DataDirs::defaultTool()) == 0);
    ScratchInstall inst;
    const QString mesh = inst.write("Objects/t.stl", "solid t\n vertex 0 0 0\n vertex 1 0 0\n"
                                                     " vertex 0 1 0\n");
    Objects *objects = w->view()->objectsList();
    QCOMPARE(objects->AddObject(mesh), 0);
    const QString sequence = dir.filePath("good.sim");
    write(sequence, "10 20 30 0 0 0\n");
    QCOMPARE(w->panel()->loadDemoSequence(&sequence), 0);
    Robot *robot = w->robot();
    w->panel()->form()->doubleSpinBox01->setValue(25);
    const QString before = w->panel()->stationText();

    // A station of random bytes, and one whose second line is not a record.
    const QString noise = write(dir.filePath("noise.vks"), randomBytes(3000, 7));
    const QString half = write(dir.filePath("half.vks"), "#OPTIONS#1#0#\r\n#ROBOT#x.xml#\r\n");
    for (const auto &[file, line] : {std::pair<QString, int>{noise, 1}, {half, 2}}) {
        int language = 0, euler = 0;
        QCOMPARE(w->panel()->Load_Setup(file.toUtf8().constData(), &language, &euler),
                 MenuPrincipal::kStationDamaged);
        QCOMPARE(w->robot(), robot);
        QCOMPARE(w->panel()->stationText(), before);
        QVERIFY(w->lastMessage().contains(file));
        QVERIFY(w->lastMessage().contains(QStringLiteral("line %1").arg(line)));
    }
    // A tool file of random bytes: the mounted tool stays.
    const QString tool = write(dir.filePath("noise.tool"), randomBytes(2000, 8));
    QCOMPARE(w->loadTool(tool), -1);
    QVERIFY(robot->getHasTool());
    QVERIFY(robot->getToolPath().endsWith("IRB120_Crayon.tool"));
    QVERIFY(w->lastMessage().contains(tool));
    // A sequence of random bytes: the list stays.
    const QString badSequence = write(dir.filePath("noise.sim"), randomBytes(2000, 9));
    QCOMPARE(w->panel()->loadDemoSequence(&badSequence), -1);
    QCOMPARE(w->panel()->paths()->count(), 1);
    QVERIFY(w->lastMessage().contains(badSequence));
    // An object of random bytes, and a binary STL one record short.
    const QString noiseObject = write(dir.filePath("noise.stl"), randomBytes(5000, 10));
    QCOMPARE(objects->AddObject(noiseObject), -1);
    QVERIFY(w->lastMessage().contains(noiseObject));
    QByteArray stl(80, 'b');
    const char three[4] = {3, 0, 0, 0};
    stl.append(three, 4).append(QByteArray(100, '\0'));
    const QString shortStl = write(dir.filePath("short.stl"), stl);
    QCOMPARE(objects->AddObject(shortStl), -1);
    QVERIFY2(w->lastMessage().contains("says 3 triangles needs 234 bytes, it has 184"),
             qPrintable(w->lastMessage()));
    QCOMPARE(objects->count(), 1);
    QCOMPARE(w->panel()->stationText(), before);
}

void TestMainWindow::unsavedChangesAskOnExit()
{
    QTemporaryDir dir;
    w->startWith(dir.filePath("none.vks"));
    QVERIFY(!w->panel()->hasUnsavedChanges());
    // A joint typed, then Cancel: the window stays open.
    auto *box = w->panel()->form()->doubleSpinBox01;
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "30");
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(w->panel()->hasUnsavedChanges());
    MainWindow::setUnsavedAnswer(QMessageBox::Cancel);
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    // Save: written to the station last used, then the window closes.
    QString file = dir.filePath("work.vks");
    QCOMPARE(w->panel()->Save_Setup(&file), 0);
    QVERIFY(!w->panel()->hasUnsavedChanges());
    w->view()->selectedRobot()->setName("renamed");
    QVERIFY(w->panel()->hasUnsavedChanges());
    MainWindow::setUnsavedAnswer(QMessageBox::Save);
    QVERIFY(w->close());
    QVERIFY(read(file).contains("#renamed#"));
    MainWindow::setUnsavedAnswer(QMessageBox::Discard);
}

void TestMainWindow::stationsMoveWithTheInstallation()
{
    // A robot chosen in a dialog comes as a clean absolute path, which does
    // not literally begin with <app>/../ ; it is still stored relative.
    const QString absolute = QDir::cleanPath(DataDirs::robotDir() + "ABB_IRB120.xml");
    QVERIFY(!absolute.contains(".."));
    QCOMPARE(w->loadRobot(absolute), 0);
    QCOMPARE(w->loadTool(QDir::cleanPath(DataDirs::defaultTool())), 0);
    auto *box = w->panel()->form()->doubleSpinBox03;
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "-12,5");
    QTest::keyClick(box, Qt::Key_Return);
    QTemporaryDir dir;
    QString file = dir.filePath("moved.vks");
    QCOMPARE(w->panel()->Save_Setup(&file), 0);
    const QString text = read(file);
    QVERIFY2(text.contains("#ROBOT#../CAD_Robots/ABB_IRB120.xml#../CAD_Tools/IRB120_Crayon.tool#"),
             qPrintable(text));
    // The joints come back; a reader that knows only ROBOT and OBJECT
    // records passes over the JOINTS line as "any other line".
    QVERIFY(text.contains("\r\n#JOINTS#0.000000#0.000000#-12.500000#0.000000#0.000000#0.000000#"));
    MainWindow other;
    int language = 0, euler = 0;
    QCOMPARE(other.panel()->Load_Setup(file.toUtf8().constData(), &language, &euler), 0);
    QCOMPARE(other.robot()->jointValues()[2], -12.5f);
    QCOMPARE(other.panel()->form()->doubleSpinBox03->value(), -12.5);
    QVERIFY(!other.panel()->hasUnsavedChanges());
}

void TestMainWindow::oneMessageForManyObjects()
{
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    QTemporaryDir dir;
    const QString mesh = write(dir.filePath("m.stl"), "solid m\n vertex 0 0 0\n vertex 1 0 0\n"
                                                      " vertex 0 1 0\n");
    // A station with 400 objects: 300 are added and one message says so.
    QString station = "#OPTIONS#1#0#";
    for (int i = 0; i < 400; ++i)
        station += "\r\n#OBJECT#" + mesh + "#o#1.000000#1#0#" +
                   QString("1.000000#0.000000#0.000000#0.000000#").repeated(4);
    const QString file = write(dir.filePath("many.vks"), station.toUtf8());
    QSignalSpy messages(w->view(), &glwidget::userMessage);
    int language = 0, euler = 0;
    QCOMPARE(w->panel()->Load_Setup(file.toUtf8().constData(), &language, &euler), 0);
    QCOMPARE(w->view()->objectsList()->count(), Objects::kMaxObjects);
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.first().at(0).toString().startsWith("100 object"));
    // 400 files chosen at once (none readable): one message.
    QStringList files;
    for (int i = 0; i < 400; ++i)
        files << dir.filePath(QStringLiteral("none%1.stl").arg(i));
    w->view()->objectsList()->removeAll();
    QCOMPARE(w->panel()->addObjects(files), 0);
    QCOMPARE(messages.count(), 2);
    QVERIFY(messages.last().at(0).toString().startsWith("400 object"));
    // A trace left by the old station is gone with the new one.
    QVERIFY(w->loadRobot(DataDirs::defaultRobot()) == 0);
    w->view()->traceEnabled = true;
    w->panel()->form()->doubleSpinBox01->setValue(20);
    QVERIFY(!w->view()->trace().empty());
    QCOMPARE(w->panel()->Load_Setup(file.toUtf8().constData(), &language, &euler), 0);
    QVERIFY(w->view()->trace().empty());
    // Ctrl+S where "setup.vks" cannot be written (here a folder of that
    // name, which no rights get around) says so.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir(dir.path()).mkdir("setup.vks"));
    QVERIFY(QDir::setCurrent(dir.path()));
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    QDir::setCurrent(cwd);
    QVERIFY2(w->lastMessage().contains("setup.vks"), qPrintable(w->lastMessage()));
    QVERIFY(w->lastMessage().contains("could not be written"));
}

void TestMainWindow::helpWithoutABrowser()
{
    // Not interactive means no browser here: F1 shows the shipped help in
    // the program's own window, titled in the chosen language.
    w->do_spanishLanguage();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_F1);
    auto *help = qobject_cast<QTextBrowser *>([] {
        for (QWidget *t : QApplication::topLevelWidgets())
            if (t->objectName() == QLatin1String("helpWindow"))
                return t;
        return static_cast<QWidget *>(nullptr);
    }());
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(help->toPlainText().size() > 200);
    QVERIFY(!help->toPlainText().contains("could not be read"));
    QCOMPARE(help->windowTitle(), QStringLiteral("Ayuda de Velkari"));
    help->close();
}

QTEST_MAIN(TestMainWindow)

namespace {
// The part of `widget` that its parents leave visible, in its parent's
// coordinates.
QRect visibleRect(QWidget *widget)
{
    QRect r = widget->rect();
    for (QWidget *w = widget; w->parentWidget() && !w->isWindow(); w = w->parentWidget())
        r = r.translated(w->pos()).intersected(w->parentWidget()->rect());
    return r;
}

int visibleWidth(QWidget *widget)
{
    return visibleRect(widget).width();
}

// Whether a line edit or combo box has room for all of its text, and is
// not cut off by the dock or panel that holds it.
bool showsWholeText(QWidget *widget, QString *text)
{
    if (visibleWidth(widget) < widget->width()) {
        *text = QStringLiteral("cut off by its parent");
        return false;
    }
    if (auto *e = qobject_cast<QLineEdit *>(widget)) {
        *text = e->text();
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        const QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
        // QLineEdit keeps two pixels free on either side of its text.
        return e->fontMetrics().horizontalAdvance(*text) <= r.width() - 4;
    }
    if (auto *c = qobject_cast<QComboBox *>(widget)) {
        *text = c->currentText();
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        const QRect r =
            c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
        return c->fontMetrics().horizontalAdvance(*text) <= r.width();
    }
    return true;
}

// Whether a caption (label, check box, radio or push button) is drawn whole.
bool showsWholeCaption(QWidget *widget, QString *text)
{
    const QRect seen = visibleRect(widget);
    if (seen.isEmpty())
        return true; // scrolled out of view, not cut
    if (seen.width() < widget->width()) {
        *text = QStringLiteral("cut off by its parent");
        return false;
    }
    if (auto *l = qobject_cast<QLabel *>(widget)) {
        *text = l->text();
        if (l->wordWrap() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(*text))
            return true;
        return l->fontMetrics().horizontalAdvance(*text) <= l->contentsRect().width();
    }
    if (auto *b = qobject_cast<QAbstractButton *>(widget)) {
        *text = b->text();
        if (text->isEmpty())
            return true;
        // Check boxes and radio buttons draw their indicator beside the text.
        if (!qobject_cast<QPushButton *>(b))
            return b->width() >= b->sizeHint().width();
        return b->fontMetrics().horizontalAdvance(*text) + 8 <= b->width();
    }
    return true;
}
} // namespace

void TestMainWindow::captionsFollowTheLanguage()
{
    // A language chosen while the program runs, in a narrower window: the
    // control column must widen to its longest caption.
    const QByteArray shots = qgetenv("VELKARI_SHOT_DIR");
    w->resize(1200, 640);
    for (const char *language :
         {"actionEnglish", "actionFrench", "actionSpanish", "actionCatalan", "actionGerman"}) {
        // No pass through the event loop: a picture taken right away must
        // already show the new captions laid out.
        w->action(language)->trigger();
        const QImage shot = w->snapshot();
        if (!shots.isEmpty())
            shot.save(shots + QStringLiteral("/switched-%1.png").arg(language));
        int captions = 0;
        for (QWidget *c : w->panel()->findChildren<QWidget *>()) {
            if (!c->isVisible() ||
                !(qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c)))
                continue;
            ++captions;
            QString text;
            QVERIFY2(showsWholeCaption(c, &text), qPrintable(QString::fromLatin1(language) + " " +
                                                             c->objectName() + ": " + text));
        }
        QVERIFY(captions >= 20);
    }
}

void TestMainWindow::everyFieldShowsItsWholeText()
{
    // The default window at 1280 x 800, in English and in German (the
    // longest texts), with the robot and object forms and the RAPID dock open.
    w->resize(1280, 800);
    const QByteArray shots = qgetenv("VELKARI_SHOT_DIR");
    ScratchInstall inst;
    const QString part = inst.write("Objects/plate.stl", "solid p\n vertex 0 0 0\n vertex 1 0 0\n"
                                                         " vertex 0 1 0\n");
    DataDirs::setApplicationDirForTesting(QString());
    for (int language : {1, 5}) {
        QTemporaryDir dir;
        const QString station = dir.filePath("cell.vks");
        QFile f(station);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // The default robot and tool, World frame and placement at the origin.
        f.write(QStringLiteral("#OPTIONS#%1#0#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#"
                               "../CAD_Tools/IRB120_Crayon.tool#ABB_IRB120.xml#1#0#0#0#0#0#0#"
                               "1#0#0#0#0#1#0#0#0#0#1#0#0#0#0#1#\r\n")
                    .arg(language)
                    .toUtf8());
        f.close();
        w->startWith(station);
        QVERIFY(w->robot());
        QCOMPARE(w->action(language == 5 ? "actionGerman" : "actionEnglish")->isChecked(), true);
        if (language == 1) {
            captionsFollowTheLanguage();
            if (QTest::currentTestFailed())
                return;
            w->action("actionEnglish")->trigger();
            w->resize(1280, 800);
        }
        QTest::qWait(50);
        if (!shots.isEmpty())
            w->snapshot().save(shots + QStringLiteral("/default-%1.png").arg(language));
        // Robot list: a few lines, the objects list below it takes the rest.
        QVERIFY(w->objectsDock()->isVisible());
        QVERIFY(w->robotsDock()->height() < 150);
        QVERIFY(w->objectsDock()->height() > 300);
        // Jog somewhere with long numbers, open both forms and the RAPID dock.
        Ui::MenuPrincipal *ui = w->panel()->form();
        const std::pair<QAbstractSpinBox *, const char *> jog[] = {{ui->doubleSpinBox01, "-123.45"},
                                                                   {ui->doubleSpinBox02, "-45.67"},
                                                                   {ui->doubleSpinBox03, "-54.32"},
                                                                   {ui->doubleSpinBox05, "-100.5"}};
        for (auto [box, v] : jog) {
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, v);
            QTest::keyClick(box, Qt::Key_Return);
        }
        Robots *robots = w->view()->robotsList();
        robots->ObjList_JustClicked(robots->listWidget()->model()->index(0, 0));
        Objects *objects = w->view()->objectsList();
        QCOMPARE(objects->AddObject(part), 0);
        objects->placementEdit()->setText("-1000, -1000, 1000, -180, -90, -180");
        QTest::keyClick(objects->placementEdit(), Qt::Key_Return);
        objects->ObjList_JustClicked(objects->listWidget()->model()->index(0, 0));
        w->action("actionAbbData")->trigger();
        QTest::qWait(50);
        if (!shots.isEmpty()) {
            w->snapshot().save(shots + QStringLiteral("/forms-%1.png").arg(language));
            w->abbDock()->grab().save(shots + QStringLiteral("/rapid-%1.png").arg(language));
        }
        QList<QWidget *> fields;
        for (QWidget *top : {static_cast<QWidget *>(w), static_cast<QWidget *>(w->abbDock())})
            for (QWidget *c : top->findChildren<QWidget *>())
                if (c->isVisible() &&
                    (qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c)))
                    fields << c;
        QVERIFY(fields.size() >= 12);
        for (QWidget *field : fields) {
            QString text;
            QVERIFY2(showsWholeText(field, &text), qPrintable(field->objectName() + ": " + text));
        }
        // The floating RAPID dock stays below the menu bar.
        const QRect menu(w->menuBar()->mapToGlobal(QPoint(0, 0)), w->menuBar()->size());
        QVERIFY(!w->abbDock()->frameGeometry().intersects(menu));
        w->abbDock()->hide();
        objects->removeAll();
    }
}

#include "tst_mainwindow.moc"
