// The main window as a user meets it: keys pressed where the focus is, every path
// with no robot, stations through the window (the records are tst_stationfile's),
// languages, damaged files, texts shown whole, the program from the command line.
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "language/relabel.h"
#include "links/serverlistener.h"
#include "plots/plotsview.h"
#include "rapid/rapidmodulecommands.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "sequences/paths.h"
#include "support/scratchinstall.h"
#include "ui/menuprincipal.h"
#include "texts/uitexts.h"
#include "ui/programdock.h"
#include "ui_menuprincipal.h"
#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTcpSocket>
#include <QTextDocument>
#include <QtTest>
#include <qcustomplot.h>
namespace {
QString read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
QString write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
}
// A key as a user presses it: to whatever has the focus in the active window.
void press(const QKeySequence &keys)
{
    QTest::keySequence(static_cast<QWidget *>(nullptr), keys);
}
} // namespace
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MainWindow::setInteractive(false);
        setLanguageMessageHandler([](const QString &) {});
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        QDir::setCurrent(cwd.path()); // the default station setup.vks is looked for here
        QFile::remove(cwd.filePath("setup.vks"));
        (w = new MainWindow)->resize(1280, 800);
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
        for (const QString &row :
             QStringLiteral(
                 "Ctrl+V joints=10 20 30 40 50 60 ;simulation=1|Ctrl+C clipboard=12.500000\t"
                 "-20.000000\t30.000000\t0.000000\t45.000000\t0.000000\t|F2 controls=0|"
                 "F3 objects=0|F4 simulation=1|F5 rapid=1|F6 plots=1|F7 program=1|F11 full screen=1|"
                 "Alt+Y trace=1|Shift+B background=1|F1 help=Velkari help|Ctrl+S setup.vks=1")
                 .split('|'))
            QTest::newRow(qPrintable(row.section(QLatin1Char('='), 0, 0)))
                << row.section(' ', 0, 0) << row.section(' ', 1).split(';');
    }
    void keysAsPressed()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, changes);
        GLfloat q[6] = {12.5f, -20, 30, 0, 45, 0};
        w->panel()->setConfiguration_precise(q);
        QApplication::clipboard()->setText(QStringLiteral("10\t20\t30\t40\t50\t60\t"));
        const QMap<QString, QString> before = seen();
        QMap<QString, QString> want = before;
        for (const QString &c : changes)
            want[c.section('=', 0, 0)] = c.section('=', 1);
        press(QKeySequence(keys));
        QTRY_COMPARE(seen(), want);
        // Every dock shows inside the window, the RAPID one beside the control
        // column; a dock's key hides it again.
        const auto onScreen = [](QWidget *c) { return QRect(c->mapToGlobal(QPoint()), c->size()); };
        for (QDockWidget *d : w->findChildren<QDockWidget *>())
            QVERIFY2(!d->isVisible() || onScreen(w).contains(onScreen(d)), qPrintable(d->objectName()));
        QVERIFY(!onScreen(w->abbDock()).intersects(onScreen(w->panel()->form()->scrollAreaControl)) ||
                !w->abbDock()->isVisible());
        if (keys.size() == 2 && keys.startsWith('F') && keys != "F1") {
            press(QKeySequence(keys));
            QTRY_COMPARE(seen(), before);
        }
        if (keys == QLatin1String("F11")) { // Escape leaves full screen, maximised
            press(QKeySequence(Qt::Key_Escape));
            QTRY_VERIFY(!w->isFullScreenMode() && (w->windowState() & Qt::WindowMaximized));
        }
    }
    void docksKeepTheirWidthAndThePanelScrolls()
    {
        // A properties form widens the left column only while it is open; with
        // the player and the plots open the control column scrolls to its last row.
        QTest::qWait(50);
        const int view = w->view()->width(), column = w->robotsDock()->width();
        const QString mesh = write(cwd.filePath("p.stl"), "solid p\n vertex 0 0 0\n vertex 1 0 0\n"
                                                          " vertex 0 1 0\n");
        QVERIFY(w->view()->objectsList()->AddObject(mesh) == 0);
        Robots *robots = w->view()->robotsList();
        Objects *objects = w->view()->objectsList();
        for (QListWidget *list : {robots->listWidget(), objects->listWidget()}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(0)).center());
            QTRY_VERIFY(w->robotPropertiesDock()->isVisible() ||
                        w->objectPropertiesDock()->isVisible());
            QTest::qWait(50);
            robots->GUIobject_DoOk(), objects->GUIobject_DoOk();
            QTRY_VERIFY(w->view()->width() == view && w->robotsDock()->width() == column);
        }
        Ui::MenuPrincipal *ui = w->panel()->form();
        for (const char *a : {"actionSimulationView", "actionPlotsView"})
            w->action(a)->trigger();
        QTest::qWait(50);
        QScrollArea *area = ui->scrollAreaControl;
        QVERIFY(area->viewport()->height() < ui->robotControl->minimumSizeHint().height() &&
                ui->robotControl->height() >= ui->robotControl->minimumSizeHint().height());
        area->ensureWidgetVisible(ui->comboBox); // the configurations, last
        QTRY_VERIFY(!ui->comboBox->visibleRegion().isEmpty() &&
                    ui->comboBox->visibleRegion().boundingRect().height() == ui->comboBox->height());
    }
    void nothingWithoutARobot()
    {
        // The robot removed, each path that would reach for it does nothing or
        // says why: menus, keys, a sequence playing, paste, steps, the network.
        Paths *paths = w->panel()->paths();
        const QString sequence = write(cwd.filePath("s.sim"), "1 0 0 0 30 0\n2 0 0 0 30 0\n");
        QVERIFY(w->panel()->loadDemoSequence(&sequence) == 0 && paths->playing());
        w->view()->robotsList()->removeSelected();
        QTRY_VERIFY(!w->robot() && !paths->playing()); // the timer finds no robot and stops
        auto *server = paths->findChild<ServerListener *>();
        server->stop();
        QVERIFY(server->start(0)); // a free port
        int sent = 0;
        connect(paths, &Paths::setConfiguration_precise_signal, this, [&sent] { ++sent; });
        MessageLog log;
        QApplication::clipboard()->setText(QStringLiteral("1 2 3 4 5 6"));
        const auto unchanged = [&] { // after each path: still no robot, nothing sent
            QTest::qWait(10);
            return !w->robot() && sent == 0;
        };
        for (const char *name :
             {"actionRemoveTool", "actionIsometric", "actionTraceOn", "actionTraceReset",
              "actionExecute", "actionStop", "actionSequenceReset", "actionConfigBasic",
              "actionEulerCatia", "actionAbbData", "actionEnglish", "actionPaste"})
            w->action(name)->trigger();
        QVERIFY(unchanged());
        for (const char *keys :
             {"Ctrl+C", "Shift+N", "Shift+B", "Right", "Down", "Up", "F11", "Escape"})
            press(QKeySequence(QLatin1String(keys)));
        QVERIFY(QApplication::clipboard()->text() == QStringLiteral("1 2 3 4 5 6") && unchanged());
        for (const char *keys : {"Alt+L", "Alt+C", "Alt+U", "Ctrl+Z", "Alt+J"})
            press(QKeySequence(QLatin1String(keys)));
        QVERIFY(w->programView()->notice() == uitext::get(uitext::Text::ProgNoRobot) &&
                w->programView()->program()->size() == 0); // recording says why
        press(QKeySequence(QStringLiteral("Ctrl+V"))); // silently
        QVERIFY(paths->count() == 2 && unchanged());
        QVERIFY(paths->Load_Sequence_Text(QStringLiteral("1 2 3 4 5 6")) == -1 &&
                log.contains("No robot is loaded") && paths->count() == 2 && unchanged());
        paths->Sequence_Step_Forward(), paths->Sequence_End(), paths->SetSimulationToPosition(1);
        paths->Sequence_Execute();
        QVERIFY(!paths->playing() && unchanged());
        QTcpSocket client; // closed without a reply
        client.connectToHost(QHostAddress::LocalHost, server->serverPort());
        QDataStream(&client) << qint32(0) << qint32(0) << QStringLiteral("GET_JOINTS");
        QVERIFY(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; },
                                5000) &&
                client.bytesAvailable() == 0 && unchanged());
        QString empty = cwd.filePath("empty.vks");
        QVERIFY(w->panel()->Save_Setup(&empty) == 0 &&
                read(empty) == QStringLiteral("#OPTIONS#1#2#") && unchanged());
    }
    void stationsThroughTheWindow()
    {
        // Written and read back into a fresh window: the same station; the World
        // frame comes back to two decimals, and from then on it is a fixed point.
        MenuPrincipal *p = w->panel();
        p->form()->lineEdit_World->setText("10.123, -20.5, 30, 0, 0, 15.256"),
            p->World_Definition_Changed();
        w->view()->robotsList()->placementEdit()->setText("100, 200, 0, 0, 0, 45"),
            w->view()->robotsList()->GUIobjectPositionChanged();
        p->form()->doubleSpinBox03->setValue(-12.5);
        const QString mesh = write(cwd.filePath("plate.stl"), // outside the installation
                                   "solid p\n vertex 0 0 0\n vertex 1 0 0\n vertex 0 1 0\n");
        QVERIFY(w->view()->objectsList()->AddObject(mesh, "plate", 0.123456f, 0, 1,
                                                    toolbox::identity()) == 0);
        QString file = cwd.filePath("cell.vks"), again = cwd.filePath("again.vks");
        QCOMPARE(p->Save_Setup(&file), 0);
        const QString text = read(file);
        MainWindow other;
        int language = 0, euler = 0;
        QCOMPARE(other.panel()->Load_Setup(file.toUtf8().constData(), &language, &euler), 0);
        QVERIFY(language == 1 && euler == 0 && other.robot()->getHasTool() &&
                !other.panel()->hasUnsavedChanges() &&
                other.panel()->form()->doubleSpinBox03->value() == -12.5 &&
                std::fabs(other.robot()->getPlacement()[3] - 100) < 1e-4);
        QCOMPARE(other.panel()->Save_Setup(&again), 0);
        QCOMPARE(read(again), QString(text)
                                  .replace("#10.123000#", "#10.120000#")
                                  .replace("#15.256001#", "#15.260000#"));
        // At start, the station's codes choose language and angles; the World
        // frame is read in the file's own convention (Rz(90) turns X onto Y).
        w->action("actionFrench")->trigger(), w->panel()->modeRotationChageAll(3);
        w->startWith(write(cwd.filePath("german.vks"),
                           "#OPTIONS#5#4#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#EMPTY#r#1#0#0#100#"
                           "90#0#0#1#0#0#0#0#1#0#0#0#0#1#0#0#0#0#1#"));
        QVERIFY(w->action("actionGerman")->isChecked() &&
                w->action("actionEulerKawasaki")->isChecked() &&
                std::fabs(w->robot()->getHB()[4] - 1.0f) < 1e-6f &&
                w->robot()->getHB()[11] == 100.0f);
    }
    void damagedFilesKeepWhatIsThere()
    {
        QByteArray noise(3000, '\0'),
            stl = QByteArray(80, 'b') + QByteArray("\3\0\0\0", 4) + QByteArray(100, '\0');
        for (int k = 0; k < noise.size(); ++k)
            noise[k] = char((k * 7919 + 13) % 256);
        const QString sequence = write(cwd.filePath("good.sim"), "10 20 30 0 0 0\n");
        QCOMPARE(w->panel()->loadDemoSequence(&sequence), 0);
        Robot *robot = w->robot();
        const QString before = w->panel()->stationText();
        // A station of noise, one whose second line is no record, a tool of noise and one
        // with its TCP but a damaged mesh, a sequence and an object of noise, a robot missing.
        int l, e; // language and euler codes
        auto station = [&](QString f) { return w->panel()->Load_Setup(qPrintable(f), &l, &e); };
        auto object = [&](const QString &f) { return w->view()->objectsList()->AddObject(f); };
        const std::pair<QString, std::function<int(const QString &)>> files[] = {
            {write(cwd.filePath("noise.vks"), noise), station},
            {write(cwd.filePath("half.vks"), "#OPTIONS#1#0#\r\n#ROBOT#x.xml#\r\n"), station},
            {QStringLiteral("/no/such/robot.xml"),
             [&](const QString &f) { return w->loadRobot(f); }},
            {write(cwd.filePath("noise.tool"), noise),
             [&](const QString &f) { return w->loadTool(f); }},
            {write(cwd.filePath("half.tool"), " H= 0 0 92 0 0 0\n  vertex 1\n"),
             [&](const QString &f) { return w->loadTool(f); }},
            {write(cwd.filePath("noise.sim"), noise),
             [&](QString f) { return w->panel()->loadDemoSequence(&f); }},
            {write(cwd.filePath("noise.stl"), noise), object}};
        for (const auto &[file, load] : files) {
            QVERIFY2(load(file) < 0 && w->lastMessage().contains(file), qPrintable(file));
            QVERIFY(w->robot() == robot && w->panel()->stationText() == before &&
                    w->panel()->paths()->count() == 1);
        }
        QVERIFY2(w->lastMessage().contains("no STL file"), qPrintable(w->lastMessage()));
        // A binary STL one record short is added with its whole triangles, and says so.
        const QString shortStl = write(cwd.filePath("short.stl"), stl);
        QVERIFY2(object(shortStl) == 0 && w->lastMessage().contains(shortStl) &&
                     w->lastMessage().contains("2 whole triangles of the 3"),
                 qPrintable(w->lastMessage()));
        QVERIFY(station("/no/such/station.vks") == -1 && w->robot() == robot &&
                robot->getToolPath().endsWith("IRB120_Crayon.tool"));
    }
    void stationKeepsWhatItCouldNotLoad()
    {
        // The shipped table station with its tool gone, an object gone and one of noise (and
        // then its robot gone too): the rest loads, the window names each object and why, and
        // Save writes the file back as it was. A robot loaded then takes the station robot's
        // place and World frame (the IRB 1200 does not stand inside the table).
        QByteArray cell = read(DataDirs::stationDir() + "IRB120_table.vks").toUtf8(), noise(999, 0);
        for (int k = 0; k < noise.size(); ++k)
            noise[k] = char((k * 7919 + 13) % 256);
        const QByteArray noisy = write(cwd.filePath("noise.stl"), noise).toUtf8(),
                         gone =
                             cell.mid(cell.indexOf("#OBJECT#../Objects/work")).replace("work", "");
        cell.insert(cell.indexOf("\r\n#OBJECT"),
                    "\r\n#JOINTS#" + QByteArray("0.000000#").repeated(6))
            .replace("IRB120_Crayon", "gone")
            .replace("\r\n#OBJECT#../Objects/work", "\r\n" + gone + "\r\n#OBJECT#../Objects/work");
        cell += "\r\n" + QByteArray(gone).replace("../Objects/piece.stl", noisy);
        for (const QByteArray &text : {QByteArray(cell).replace("ABB_IRB120", "ABB_gone"), cell}) {
            QString file = write(cwd.filePath("cell.vks"), text), again = cwd.filePath("again.vks");
            int l = 0, e = 0;
            QCOMPARE(w->panel()->Load_Setup(file.toUtf8().constData(), &l, &e), 0);
            QVERIFY2(w->view()->objectsList()->count() == 2 &&
                         w->panel()->notice().endsWith("(2): piece.stl, noise.stl") &&
                         w->lastMessage().contains("piece.stl was not added: the file cannot") &&
                         w->lastMessage().contains(noisy + " was not added: "),
                     qPrintable(w->lastMessage()));
            QVERIFY(w->panel()->Save_Setup(&again) == 0 && !w->panel()->hasUnsavedChanges());
            QCOMPARE(read(again).split("\n"), QString::fromUtf8(text).split("\n"));
        }
        const Matrix4 hb = w->robot()->getHB(), placement = w->robot()->getPlacement();
        QVERIFY(placement[3] == -400.0f && hb[3] == 400.0f && !w->robot()->getHasTool());
        QCOMPARE(w->loadRobot(DataDirs::robotDir() + "ABB_IRB1200_5_90.xml"), 0);
        QVERIFY(w->robot()->getPlacement() == placement && w->robot()->getHB() == hb);
    }
    void unsavedChangesAskOnExit()
    {
        // A joint typed, then Cancel: the window stays; Save: the station last used is written.
        QVERIFY(!w->panel()->hasUnsavedChanges());
        w->panel()->form()->doubleSpinBox01->selectAll();
        QTest::keyClicks(w->panel()->form()->doubleSpinBox01, "30\r");
        MainWindow::setUnsavedAnswer(QMessageBox::Cancel);
        QVERIFY(w->panel()->hasUnsavedChanges() && !w->close() && w->isVisible());
        QString file = cwd.filePath("work.vks");
        QCOMPARE(w->panel()->Save_Setup(&file), 0);
        w->robot()->setName("renamed again");
        MainWindow::setUnsavedAnswer(QMessageBox::Save);
        QVERIFY(w->panel()->hasUnsavedChanges() && w->close() &&
                read(file).contains("#renamed again#"));
        MainWindow::setUnsavedAnswer(QMessageBox::Discard);
    }
    void languagesRelabelAndTextsShowWhole()
    {
        // Five languages, five different texts for each of these (a refusal of a typo, dock
        // titles, tooltips, forms); every visible field (but a RAPID declaration, which
        // scrolls in its dock over the 3-D view) and panel caption has room for its text,
        // and no parent cuts it off, with the robot form and the RAPID dock open.
        Ui::MenuPrincipal *ui = w->panel()->form();
        ui->doubleSpinBox01->setValue(-123.45);
        w->view()->robotsList()->ObjList_JustClicked(
            w->view()->robotsList()->listWidget()->model()->index(0, 0));
        w->action("actionAbbData")->trigger();
        QVector<QSet<QString>> texts(8);
        for (const char *language :
             {"actionEnglish", "actionFrench", "actionSpanish", "actionCatalan", "actionGerman"}) {
            w->action(language)->trigger();
            QCOMPARE(w->panel()->movementFrame(), 0); // a new language: the tool's axes again
            ui->positionXYZ->selectAll();
            QTest::keyClicks(ui->positionXYZ, "4OO, 1OO, 500\r");
            const QString now[] = {w->findChild<QMenu *>("menuFile")->title(),
                                   w->panel()->paths()->button("fastButton")->toolTip(),
                                   ui->labelMovement->text(),
                                   w->simulationDock()->windowTitle(),
                                   w->abbDock()->windowTitle(),
                                   w->panel()->notice(),
                                   w->view()->robotsList()->removeButton()->text(),
                                   ui->dial->toolTip()};
            for (int i = 0; i < 8; ++i)
                texts[i] << now[i];
            QTest::qWait(50);
            int checked = 0;
            for (QWidget *c :
                 w->findChildren<QWidget *>() + w->abbDock()->findChildren<QWidget *>()) {
                QRect seen = c->rect();
                for (QWidget *p = c; p->parentWidget() && !p->isWindow(); p = p->parentWidget())
                    seen = seen.translated(p->pos()).intersected(p->parentWidget()->rect());
                QString text;
                int room = 0;
                if (auto *e = qobject_cast<QLineEdit *>(c); e && !w->abbDock()->isAncestorOf(e)) {
                    QStyleOptionFrame opt;
                    opt.initFrom(e);
                    opt.lineWidth =
                        e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
                    text = e->text(),
                    room =
                        e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() -
                        4; // two pixels free each side
                } else if (auto *l = qobject_cast<QLabel *>(c); l && w->panel()->isAncestorOf(l) &&
                                                                !l->wordWrap() &&
                                                                !Qt::mightBeRichText(l->text())) {
                    text = l->text(), room = l->contentsRect().width();
                }
                if (c->isVisible() && !seen.isEmpty() && !text.isEmpty() && ++checked)
                    QVERIFY2(seen.width() >= c->width() &&
                                 c->fontMetrics().horizontalAdvance(text) <= room,
                             qPrintable(
                                 QStringLiteral("%1 %2: %3").arg(language, c->objectName(), text)));
            }
            QVERIFY(checked >= 30);
        }
        for (const QSet<QString> &t : texts)
            QVERIFY2(t.size() == 5, qPrintable(QStringList(t.values()).join(" | ")));
        QVERIFY(!w->abbDock()->frameGeometry().intersects(QRect(
            w->menuBar()->mapToGlobal(QPoint(0, 0)), w->menuBar()->size()))); // below the menus
        // The window goes with the refused text in the focus, which reports once more.
        ui->positionXYZ->setFocus();
        QTRY_VERIFY(ui->positionXYZ->hasFocus());
    }
    void everyTextFollowsTheLanguage()
    {
        // In French: the RAPID module commands and their dialogs and refusals, the
        // player's stop on a problem, the path report, the plots' units.
        w->action("actionFrench")->trigger();
        QCOMPARE(w->action("actionLoadRapidModule")->text(), QString("Charger un module RAPID…"));
        QCOMPARE(w->action("actionExportRapidModule")->text(),
                 QString("Exporter le programme en module RAPID…"));
        QCOMPARE(w->abbDock()->findChild<QLabel *>("lblWObj")->text(), QString("Objet de travail :"));
        Paths *paths = w->panel()->paths();
        paths->setReportShown(false);
        // A line from joint 5 at 30 to joint 5 at -30: the player stops where it nears 0.
        QVERIFY(paths->Load_Sequence_Text("1 0 0 0 0 30 0\n2 0 0 0 0 -30 0\n") > 0);
        QTRY_VERIFY(!paths->playing());
        QCOMPARE(paths->statusText(), QString("Discontinuité dans le mouvement suivant : "
                                              "L'articulation 5 est proche de 0 degré. "));
        QVERIFY2(paths->lastReportHtml().contains("Nombre de positions où la trajectoire ne peut "
                                                  "pas être continue = 1") &&
                     paths->lastReportHtml().contains("|-- Problème --|"),
                 qPrintable(paths->lastReportHtml()));
        QStringList labels;
        for (QCPAxisRect *r : w->plotsView()->findChild<QCustomPlot *>()->axisRects())
            for (QCPAxis *a : r->axes())
                labels << a->label();
        QVERIFY2(labels.contains("degrés") && !labels.contains("deg"), qPrintable(labels.join('|')));
        // The export: the warning, then the options; both answered here.
        QStringList seenTexts;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                seenTexts << box->windowTitle() + "|" + box->text(), box->button(QMessageBox::Yes)->click();
            else if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                seenTexts << d->findChild<QLabel *>("lastPointFine")->text(), d->reject();
        });
        answer.start(20);
        w->rapidModules()->exportProgram();
        QCOMPARE(seenTexts.size(), 2);
        QVERIFY2(seenTexts[0].startsWith("Exporter le programme en module RAPID|Le programme a 1 "
                                         "position(s) à problème :") &&
                     seenTexts[0].endsWith("Exporter quand même ?") &&
                     seenTexts[1].startsWith("Le dernier point est toujours fine"),
                 qPrintable(seenTexts.join('\n')));
        QVERIFY(w->rapidModules()->loadFrom(write(cwd.filePath("x.mod"), "PROC main()\n")) != 0);
        QCOMPARE(w->lastMessage(), QString("Le module x.mod n'est pas joué : ligne 1 : ce n'est pas "
                                           "un module RAPID : il ne commence pas par MODULE"));
        w->view()->robotsList()->removeSelected();
        w->rapidModules()->exportProgram();
        QCOMPARE(w->lastMessage(), QString("Aucun robot n'est chargé : il n'y a pas de programme à "
                                           "exporter"));
    }
    void commandLineRule()
    {
        // The station is the first argument that is no option, the picture the
        // one after --screenshot (or in --screenshot=); one without a name, or an
        // option of no meaning, is an error; -h and --help ask for the usage.
        const std::tuple<QStringList, QString, QString> rows[] = {
            {{"velkari"}, "setup.vks", ""},
            {{"velkari", "cell.vks"}, "cell.vks", ""},
            {{"velkari", "-", "cell.vks"}, "setup.vks", ""},
            {{"velkari", "/tmp/a b/c.vks"}, "/tmp/a b/c.vks", ""},
            {{"velkari", "--screenshot", "s.png", "cell.vks"}, "cell.vks", "s.png"},
            {{"velkari", "cell.vks", "--screenshot=s.png"}, "cell.vks", "s.png"}};
        for (const auto &[args, station, shot] : rows) {
            const CommandLine cl = CommandLine::parse(args);
            QVERIFY2(cl.error.isEmpty() && cl.stationFile == station && cl.screenshotFile == shot,
                     qPrintable(args.join(' ')));
        }
        QVERIFY(!CommandLine::parse({"velkari", "--screenshot"}).error.isEmpty());
        const std::pair<QStringList, QString> unknown[] = {{{"velkari", "-x", "cell.vks"}, "-x"},
                                                           {{"velkari", "a.vks", "--helps"}, "--helps"}};
        for (const auto &[args, option] : unknown)
            QVERIFY(CommandLine::parse(args).error.contains("unknown option " + option) &&
                    !CommandLine::parse(args).help);
        QVERIFY(CommandLine::parse({"velkari", "-h"}).help &&
                CommandLine::parse({"velkari", "--bogus", "--help"}).help);
    }
    void screenshotOfTheRealProgram()
    {
        // The real program started with no setup.vks where it runs: the default
        // robot, its picture saved on request; an unwritable place fails.
        const QString exe = QCoreApplication::applicationDirPath() + QStringLiteral("/velkari");
        QProcess p;
        p.setWorkingDirectory(cwd.path());
        p.start(exe, {QStringLiteral("--screenshot"), cwd.filePath(QStringLiteral("start.png"))});
        QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
                p.exitCode() == 0 && QImage(cwd.filePath("start.png")).width() > 200);
        p.start(exe, {QStringLiteral("--screenshot"), QStringLiteral("/no/such/dir/x.png")});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() != 0 &&
                p.readAllStandardError().contains("could not write the screenshot"));
        // --help prints the options and starts nothing, even without a display;
        // an unknown option is named and refused.
        QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
        bare.remove(QStringLiteral("DISPLAY"));
        p.setProcessEnvironment(bare);
        p.start(exe, {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
                p.exitCode() == 0 && p.readAllStandardOutput().contains("--screenshot FILE") &&
                !QFile::exists(cwd.filePath("setup.vks")));
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(exe, {QStringLiteral("--no-such-option")});
        QVERIFY(p.waitForFinished(60000) && p.exitCode() != 0 &&
                p.readAllStandardError().contains("unknown option --no-such-option"));
    }

private:
    // What a user sees of the window, by name.
    QMap<QString, QString> seen() const
    {
        Ui::MenuPrincipal *ui = w->panel()->form();
        QMap<QString, QString> s{{"clipboard", QApplication::clipboard()->text()}, {"help", ""}};
        for (QWidget *t : QApplication::topLevelWidgets())
            s["help"] += t->objectName() == "helpWindow" && t->isVisible() ? t->windowTitle() : "";
        for (QDoubleSpinBox *b : {ui->doubleSpinBox01, ui->doubleSpinBox02, ui->doubleSpinBox03,
                                  ui->doubleSpinBox04, ui->doubleSpinBox05, ui->doubleSpinBox06})
            s["joints"] += QString::number(b->value()) + ' ';
        const std::pair<const char *, bool> flags[] = {
            {"full screen", w->isFullScreen()},
            {"controls", ui->doubleSpinBox01->isVisible()},
            {"objects", w->objectsDock()->isVisible()},
            {"simulation", w->simulationDock()->isVisible()},
            {"rapid", w->abbDock()->isVisible()},
            {"plots", w->plotsDock()->isVisible()},
            {"program", w->programDock()->isVisible()},
            {"trace", w->view()->traceEnabled},
            {"background", w->view()->whiteBackground},
            {"setup.vks", QFile::exists(cwd.filePath("setup.vks"))}};
        for (const auto &[name, on] : flags)
            s[name] = QString::number(on);
        return s;
    }
    MainWindow *w = nullptr;
    QTemporaryDir cwd;
};
QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
