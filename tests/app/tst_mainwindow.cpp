// The main window as a user meets it: keys pressed where the focus is, every
// path with no robot loaded, stations through the window (the records are
// tst_stationfile's), languages, damaged files and texts shown whole.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "language/relabel.h"
#include "links/serverlistener.h"
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
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTcpSocket>
#include <QTextDocument>
#include <QtTest>

namespace {
QString read(const QString &path) { QFile f(path); return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString(); }
QString write(const QString &path, const QByteArray &bytes) { QFile f(path); return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString(); }
QByteArray station(int language, int euler, const char *world = "0#0#0#0#0#0")
{
    return QStringLiteral("#OPTIONS#%1#%2#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#../CAD_Tools/IRB120_Crayon.tool#Cell robot#1#%3#"
                          "1#0#0#0#0#1#0#0#0#0#1#0#0#0#0#1#").arg(language).arg(euler).arg(QLatin1String(world)).toUtf8();
}
QWidget *topLevel(const char *name)
{
    for (QWidget *t : QApplication::topLevelWidgets())
        if (t->objectName() == QLatin1String(name) || (t->inherits(name) && t->isVisible()))
            return t;
    return nullptr;
}
// A key as a user presses it: to whatever has the focus in the active window.
void press(const QKeySequence &keys) { QTest::keySequence(static_cast<QWidget *>(nullptr), keys); }
} // namespace
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        MainWindow::setInteractive(false);
        setLanguageMessageHandler([](const QString &) {});
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    }
    void init()
    {
        QDir::setCurrent(cwd.path()); // the default station setup.vks is looked for here
        QFile::remove(cwd.filePath("setup.vks"));
        DataDirs::setApplicationDirForTesting(QString());
        w = new MainWindow;
        w->resize(1280, 800);
        w->show();
        w->startWith(QStringLiteral("setup.vks"));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->view()->setFocus(Qt::MouseFocusReason); // a click into the scene
    }
    void cleanup()
    {
        delete w;
        for (QWidget *t : QApplication::topLevelWidgets()) // help and About
            t->close();
    }
    void keysAsPressed_data()
    {
        // The keys, and what changes on screen; everything else stays as it was.
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("changes");
        QTest::newRow("paste") << "Ctrl+V" << QStringList{"joints=10 20 30 40 50 60 ", "simulation=1"};
        QTest::newRow("copy") << "Ctrl+C" << QStringList{"clipboard=12.500000\t-20.000000\t30.000000\t0.000000\t45.000000\t0.000000\t"};
        QTest::newRow("controls") << "F2" << QStringList{"controls=0"};
        QTest::newRow("objects") << "F3" << QStringList{"objects=0"};
        QTest::newRow("simulation") << "F4" << QStringList{"simulation=1"};
        QTest::newRow("rapid") << "F5" << QStringList{"rapid=1"};
        QTest::newRow("plots") << "F6" << QStringList{"plots=1"};
        QTest::newRow("full screen") << "F11" << QStringList{"full screen=1"};
        QTest::newRow("trace") << "Alt+Y" << QStringList{"trace=1"};
        QTest::newRow("background") << "Shift+B" << QStringList{"background=1"};
        QTest::newRow("help") << "F1" << QStringList{"help=Velkari help"};
        QTest::newRow("save") << "Ctrl+S" << QStringList{"setup.vks=1"};
    }
    void keysAsPressed()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, changes);
        GLfloat q[6] = {12.5f, -20, 30, 0, 45, 0};
        w->panel()->setConfiguration_precise(q);
        QApplication::clipboard()->setText(QStringLiteral("10\t20\t30\t40\t50\t60\t"));
        QMap<QString, QString> want = seen();
        for (const QString &c : changes)
            want[c.section('=', 0, 0)] = c.section('=', 1);
        press(QKeySequence(keys));
        QTRY_COMPARE(seen(), want);
        if (keys == QLatin1String("F11")) { // Escape leaves full screen, maximised
            press(QKeySequence(Qt::Key_Escape));
            QTRY_VERIFY(!w->isFullScreenMode() && (w->windowState() & Qt::WindowMaximized));
        }
    }
    void nothingWithoutARobot()
    {
        // The robot removed, each path that would reach for it does nothing or
        // says why: menus, keys, a sequence playing, paste, steps, the network.
        Paths *paths = w->panel()->paths();
        const QString sequence = write(cwd.filePath("s.sim"), "1 0 0 0 30 0\n2 0 0 0 30 0\n");
        QCOMPARE(w->panel()->loadDemoSequence(&sequence), 0);
        QVERIFY(paths->playing());
        w->view()->robotsList()->removeSelected();
        QVERIFY(!w->robot());
        QTRY_VERIFY(!paths->playing()); // the timer finds no robot and stops
        auto *server = paths->findChild<ServerListener *>();
        server->stop();
        QVERIFY(server->start(0)); // a free port
        int sent = 0;
        connect(paths, &Paths::setConfiguration_precise_signal, this, [&sent] { ++sent; });
        MessageLog log;
        QApplication::clipboard()->setText(QStringLiteral("1 2 3 4 5 6"));
        const std::pair<const char *, std::function<bool()>> sweep[] = {
            {"menus", [&] {
                 for (const char *name : {"actionRemoveTool", "actionIsometric", "actionTraceOn", "actionTraceReset", "actionExecute", "actionStop",
                                          "actionSequenceReset", "actionConfigBasic", "actionEulerCatia", "actionAbbData", "actionEnglish", "actionPaste"})
                     w->action(name)->trigger();
                 return true;
             }},
            {"keys", [&] {
                 for (const char *keys : {"Ctrl+C", "Shift+N", "Shift+B", "Right", "Down", "Up", "F11", "Escape"})
                     press(QKeySequence(QLatin1String(keys)));
                 return QApplication::clipboard()->text() == QStringLiteral("1 2 3 4 5 6");
             }},
            {"paste", [&] { press(QKeySequence(QStringLiteral("Ctrl+V"))); return paths->count() == 2; }}, // silently
            {"load", [&] { return paths->Load_Sequence_Text(QStringLiteral("1 2 3 4 5 6")) == -1 && log.contains("No robot is loaded") && paths->count() == 2; }},
            {"steps", [&] { paths->Sequence_Step_Forward(); paths->Sequence_End(); paths->SetSimulationToPosition(1); paths->Sequence_Execute(); return !paths->playing(); }},
            {"network", [&] {
                 QTcpSocket client;
                 client.connectToHost(QHostAddress::LocalHost, server->serverPort());
                 QDataStream out(&client);
                 out << qint32(0) << qint32(0) << QStringLiteral("GET_JOINTS");
                 return client.waitForConnected(2000) && QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }, 5000) &&
                        client.bytesAvailable() == 0;
             }},
            {"save", [&] { QString f = cwd.filePath("empty.vks"); return w->panel()->Save_Setup(&f) == 0 && read(f) == QStringLiteral("#OPTIONS#1#2#"); }},
        };
        for (const auto &[name, run] : sweep) {
            QVERIFY2(run(), name);
            QTest::qWait(10);
            QVERIFY2(!w->robot() && sent == 0, name);
        }
    }
    void stationsThroughTheWindow()
    {
        // Written and read back into a fresh window: the same station; the World
        // frame comes back to two decimals, and from then on it is a fixed point.
        ScratchInstall inst; // objects are found in its Objects/
        DataDirs::setApplicationDirForTesting(QString());
        MenuPrincipal *p = w->panel();
        p->form()->lineEdit_World->setText("10.123, -20.5, 30, 0, 0, 15.256");
        p->World_Definition_Changed();
        w->view()->robotsList()->placementEdit()->setText("100, 200, 0, 0, 0, 45");
        w->view()->robotsList()->GUIobjectPositionChanged();
        p->form()->doubleSpinBox03->setValue(-12.5);
        const QString mesh = inst.write("parts/plate.stl", "solid p\n vertex 0 0 0\n vertex 1 0 0\n vertex 0 1 0\n");
        Matrix4 pose = toolbox::identity();
        pose[12] = 1.2345678f;
        QVERIFY(w->view()->objectsList()->AddObject(mesh, "plate", 0.123456f, 1, 1, pose) == 0 && w->view()->objectsList()->AddObject(mesh, "hidden", 2.5f, 0, 0, toolbox::identity()) == 0);
        QString file = cwd.filePath("cell.vks"), again = cwd.filePath("again.vks");
        QCOMPARE(p->Save_Setup(&file), 0);
        const QString text = read(file);
        // The robot chosen from the installation is stored relative to it.
        QVERIFY(text.startsWith("#OPTIONS#1#0#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#../CAD_Tools/IRB120_Crayon.tool#"));
        QVERIFY(text.contains("\r\n#JOINTS#0.000000#0.000000#-12.500000#") && text.contains("#OBJECT#" + mesh + "#plate#0.123456#1#1#"));
        MainWindow other;
        int language = 0, euler = 0;
        QCOMPARE(other.panel()->Load_Setup(file.toUtf8().constData(), &language, &euler), 0);
        QVERIFY(language == 1 && euler == 0 && other.robot()->getHasTool() && !other.panel()->hasUnsavedChanges());
        QCOMPARE(other.panel()->form()->doubleSpinBox03->value(), -12.5);
        QCOMPARE(std::round(toolbox::matrixToPose(other.robot()->getHB(), 0)[5] * 100) / 100, 15.26f);
        QVERIFY(std::fabs(other.robot()->getPlacement()[3] - 100) < 1e-4);
        Objects *o = other.view()->objectsList();
        QVERIFY(o->count() == 2 && o->entry(0)->scale == 0.123456f && o->entry(0)->flipNormals == 1 && o->entry(1)->visible == 0);
        QCOMPARE(other.panel()->Save_Setup(&again), 0);
        QCOMPARE(read(again), QString(text).replace("#10.123000#", "#10.120000#").replace("#15.256001#", "#15.260000#"));
        // A "#" in a name refuses the save and says so.
        w->robot()->setName("cell#2");
        QVERIFY(p->Save_Setup(&file) == -1 && read(file) == text && w->lastMessage().contains("cell#2"));
        // At start, the station's codes choose language and angles; the World
        // frame is read in the file's own convention (Rz(90) turns X onto Y).
        w->action("actionFrench")->trigger();
        w->panel()->modeRotationChageAll(3);
        w->startWith(write(cwd.filePath("german.vks"), station(5, 4, "0#0#100#90#0#0")));
        QVERIFY(w->action("actionGerman")->isChecked() && w->action("actionEulerKawasaki")->isChecked());
        QVERIFY(std::fabs(w->robot()->getHB()[4] - 1.0f) < 1e-6f && w->robot()->getHB()[11] == 100.0f);
        w->startWith(write(cwd.filePath("odd.vks"), station(7, 9))); // unknown codes change nothing
        QVERIFY(w->action("actionGerman")->isChecked() && w->action("actionEulerKawasaki")->isChecked());
    }
    void damagedFilesKeepWhatIsThere()
    {
        QByteArray noise(3000, '\0');
        for (int k = 0; k < noise.size(); ++k)
            noise[k] = char((k * 7919 + 13) % 256);
        const QString sequence = write(cwd.filePath("good.sim"), "10 20 30 0 0 0\n");
        QCOMPARE(w->panel()->loadDemoSequence(&sequence), 0);
        Robot *robot = w->robot();
        const QString before = w->panel()->stationText();
        // A station of noise, one whose second line is no record, a tool, a
        // sequence and an object of noise, a binary STL one record short.
        QByteArray stl(80, 'b');
        stl.append("\3\0\0\0", 4).append(QByteArray(100, '\0'));
        const std::pair<QString, std::function<int(const QString &)>> files[] = {
            {write(cwd.filePath("noise.vks"), noise), [&](const QString &f) { int l, e; return w->panel()->Load_Setup(f.toUtf8().constData(), &l, &e); }},
            {write(cwd.filePath("half.vks"), "#OPTIONS#1#0#\r\n#ROBOT#x.xml#\r\n"), [&](const QString &f) { int l, e; return w->panel()->Load_Setup(f.toUtf8().constData(), &l, &e); }},
            {write(cwd.filePath("noise.tool"), noise), [&](const QString &f) { return w->loadTool(f); }},
            {write(cwd.filePath("noise.sim"), noise), [&](const QString &f) { QString g = f; return w->panel()->loadDemoSequence(&g); }},
            {write(cwd.filePath("noise.stl"), noise), [&](const QString &f) { return w->view()->objectsList()->AddObject(f); }},
            {write(cwd.filePath("short.stl"), stl), [&](const QString &f) { return w->view()->objectsList()->AddObject(f); }}};
        for (const auto &[file, load] : files) {
            QVERIFY2(load(file) < 0 && w->lastMessage().contains(file), qPrintable(file));
            QVERIFY(w->robot() == robot && w->panel()->stationText() == before && w->panel()->paths()->count() == 1);
        }
        QVERIFY2(w->lastMessage().contains("says 3 triangles needs 234 bytes, it has 184"), qPrintable(w->lastMessage()));
        int language = 0, euler = 0;
        QCOMPARE(w->panel()->Load_Setup("/no/such/station.vks", &language, &euler), -1);
        QVERIFY(w->robot() == robot && robot->getToolPath().endsWith("IRB120_Crayon.tool"));
    }
    void unsavedChangesAskOnExit()
    {
        // A joint typed, then Cancel: the window stays. Save: written to the
        // station last used, then it closes.
        QVERIFY(!w->panel()->hasUnsavedChanges());
        auto *box = w->panel()->form()->doubleSpinBox01;
        box->selectAll();
        QTest::keyClicks(box, "30\r");
        MainWindow::setUnsavedAnswer(QMessageBox::Cancel);
        QVERIFY(w->panel()->hasUnsavedChanges() && !w->close() && w->isVisible());
        QString file = cwd.filePath("work.vks");
        QCOMPARE(w->panel()->Save_Setup(&file), 0);
        w->robot()->setName("renamed");
        MainWindow::setUnsavedAnswer(QMessageBox::Save);
        QVERIFY(w->panel()->hasUnsavedChanges() && w->close() && read(file).contains("#renamed#"));
        MainWindow::setUnsavedAnswer(QMessageBox::Discard);
        // The About box disables the window until it closes, by OK or the title bar.
        w->show();
        for (int way = 0; way < 2; ++way) {
            w->panel()->openAbout();
            QWidget *about = topLevel("About");
            QVERIFY(about && !w->isEnabled());
            way ? void(about->close()) : void(QMetaObject::invokeMethod(about, "OKbutton"));
            QTRY_VERIFY(w->isEnabled());
        }
    }
    void languagesRelabelAndTextsShowWhole()
    {
        // Five languages, five different texts for each of these, the later
        // ones included (a refusal of a typo, dock titles, tooltips, forms);
        // every visible field and panel caption has room for its text, and
        // no parent cuts it off, with the robot form and the RAPID dock open.
        Ui::MenuPrincipal *ui = w->panel()->form();
        ui->doubleSpinBox01->setValue(-123.45);
        w->view()->robotsList()->ObjList_JustClicked(w->view()->robotsList()->listWidget()->model()->index(0, 0));
        w->action("actionAbbData")->trigger();
        QVector<QSet<QString>> texts(8);
        for (const char *language : {"actionEnglish", "actionFrench", "actionSpanish", "actionCatalan", "actionGerman"}) {
            w->action(language)->trigger();
            QCOMPARE(w->panel()->movementFrame(), 0); // a new language: the tool's axes again
            ui->positionXYZ->selectAll();
            QTest::keyClicks(ui->positionXYZ, "4OO, 1OO, 500\r");
            const QString now[] = {w->findChild<QMenu *>("menuFile")->title(), w->panel()->paths()->button("fastButton")->toolTip(), ui->labelMovement->text(),
                                   w->simulationDock()->windowTitle(), w->abbDock()->windowTitle(), w->panel()->notice(),
                                   w->view()->robotsList()->removeButton()->text(), ui->dial->toolTip()};
            for (int i = 0; i < 8; ++i)
                texts[i] << now[i];
            QTest::qWait(50);
            int checked = 0;
            for (QWidget *c : w->findChildren<QWidget *>() + w->abbDock()->findChildren<QWidget *>()) {
                QRect seen = c->rect();
                for (QWidget *p = c; p->parentWidget() && !p->isWindow(); p = p->parentWidget())
                    seen = seen.translated(p->pos()).intersected(p->parentWidget()->rect());
                QString text;
                int room = 0;
                if (auto *e = qobject_cast<QLineEdit *>(c)) {
                    QStyleOptionFrame opt;
                    opt.initFrom(e);
                    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
                    text = e->text(); // two pixels kept free on either side
                    room = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() - 4;
                } else if (auto *l = qobject_cast<QLabel *>(c); l && w->panel()->isAncestorOf(l) && !l->wordWrap() && !Qt::mightBeRichText(l->text())) {
                    text = l->text();
                    room = l->contentsRect().width();
                }
                if (c->isVisible() && !seen.isEmpty() && !text.isEmpty() && ++checked)
                    QVERIFY2(seen.width() >= c->width() && c->fontMetrics().horizontalAdvance(text) <= room, qPrintable(QStringLiteral("%1 %2: %3").arg(language, c->objectName(), text)));
            }
            QVERIFY(checked >= 30);
        }
        for (const QSet<QString> &t : texts)
            QVERIFY2(t.size() == 5, qPrintable(QStringList(t.values()).join(" | ")));
        QCOMPARE(w->panel()->notice(), QString::fromUtf8("Position: \u201e4OO\u201c ist keine Zahl"));
        // The floating RAPID dock stays below the menu bar.
        QVERIFY(!w->abbDock()->frameGeometry().intersects(QRect(w->menuBar()->mapToGlobal(QPoint(0, 0)), w->menuBar()->size())));
        // The refused text leaves the focus before the window goes: a window deleted
        // with it there crashes in its destructor (its status line is gone first).
        w->view()->setFocus();
    }
private:
    // What a user sees of the window, by name.
    QMap<QString, QString> seen() const
    {
        QMap<QString, QString> s;
        Ui::MenuPrincipal *ui = w->panel()->form();
        for (QDoubleSpinBox *b : {ui->doubleSpinBox01, ui->doubleSpinBox02, ui->doubleSpinBox03, ui->doubleSpinBox04, ui->doubleSpinBox05, ui->doubleSpinBox06})
            s["joints"] += QString::number(b->value()) + ' ';
        s["clipboard"] = QApplication::clipboard()->text();
        s["full screen"] = QString::number(w->isFullScreen());
        s["controls"] = QString::number(ui->doubleSpinBox01->isVisible());
        s["objects"] = QString::number(w->objectsDock()->isVisible());
        s["simulation"] = QString::number(w->simulationDock()->isVisible());
        s["rapid"] = QString::number(w->abbDock()->isVisible());
        s["plots"] = QString::number(w->plotsDock()->isVisible());
        s["trace"] = QString::number(w->view()->traceEnabled);
        s["background"] = QString::number(w->view()->whiteBackground);
        const QWidget *help = topLevel("helpWindow");
        s["help"] = help && help->isVisible() ? help->windowTitle() : QString();
        s["setup.vks"] = QString::number(QFile::exists(cwd.filePath("setup.vks")));
        return s;
    }
    MainWindow *w = nullptr;
    QTemporaryDir cwd;
};
QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
