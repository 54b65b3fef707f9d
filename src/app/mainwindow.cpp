#include "mainwindow.h"

#include "controllers/programexportcommands.h"
#include "controllers/programreading.h"
#include "kinematics/logging.h"
#include "kinematics/matrixtoolbox.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "plots/plotsview.h"
#include "rapid/formabbutility.h"
#include "rapid/rapidmodulecommands.h"
#include "scene/glwidget.h"
#include "scene/objects.h"
#include "texts/languagefile.h"
#include "texts/uitexts.h"
#include "ui/collisionwatch.h"
#include "ui/menuprincipal.h"
#include "ui/programdock.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>

namespace {
bool &interactiveFlag()
{
    static bool flag = true;
    return flag;
}

int &unsavedAnswer()
{
    static int answer = QMessageBox::Discard;
    return answer;
}

// Action names in the order of the menu texts of a language file.
const char *const kMenuTextOrder[37] = {"menuFile",
                                        "actionLoadRobot",
                                        "actionLoadTool",
                                        "actionRemoveTool",
                                        "actionExit",
                                        "menuView",
                                        "menuOptions",
                                        "menuLanguages",
                                        "menuEuler",
                                        "actionSaveDefault",
                                        "menuHelp",
                                        "actionAbout",
                                        "actionIsometric",
                                        "actionTop",
                                        "actionFront",
                                        "actionRight",
                                        "actionLeft",
                                        "actionBack",
                                        "menuConfigurations",
                                        "actionConfigBasic",
                                        "actionConfigExtended",
                                        "menuTrace",
                                        "actionTraceOn",
                                        "actionTraceOff",
                                        "actionTraceReset",
                                        "menuSequence",
                                        "actionPaste",
                                        "actionExecute",
                                        "actionStop",
                                        "actionSequenceReset",
                                        "actionLoadDemo",
                                        "actionRobotControlView",
                                        "actionObjectsView",
                                        "actionSimulationView",
                                        "actionLoadObject",
                                        "actionLoadStation",
                                        "actionSaveStation"};
} // namespace

void MainWindow::setInteractive(bool interactive)
{
    interactiveFlag() = interactive;
    MenuPrincipal::setInteractive(interactive);
}

bool MainWindow::interactive()
{
    return interactiveFlag();
}

void MainWindow::setUnsavedAnswer(int standardButton)
{
    unsavedAnswer() = standardButton;
    ProgramDock::setUnsavedAnswer(standardButton);
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Velkari 1.7"));
    resize(1000, 685);
    setMinimumSize(400, 400);

    // The left column: the robot list (one line: a station holds one robot)
    // above the objects list, each with its properties form while one is
    // picked. The forms are as wide as their placement text needs.
    m_robotProps = makeDock(QString(), Qt::LeftDockWidgetArea);
    m_robotProps->setMaximumHeight(150);
    m_robots = makeDock(QString(), Qt::LeftDockWidgetArea);
    m_robots->setMinimumWidth(180);
    m_objectProps = makeDock(QStringLiteral("Object properties view"), Qt::LeftDockWidgetArea);
    m_objectProps->setMaximumHeight(150);
    m_objectProps->setTitleBarWidget(new QWidget(m_objectProps));
    m_objects = makeDock(QStringLiteral("Objects view"), Qt::LeftDockWidgetArea);
    m_objects->setMinimumWidth(180);
    m_simulation = makeDock(QStringLiteral("Simulation view"), Qt::BottomDockWidgetArea);
    m_simulation->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    // The player's buttons and status need a little more than 35 pixels.
    m_simulation->setMaximumHeight(60);
    m_abb = new QDockWidget(QStringLiteral("ABB program data"), this);
    m_abb->setObjectName(QStringLiteral("abbDock"));
    m_abb->setAllowedAreas(Qt::NoDockWidgetArea);
    m_abb->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                       QDockWidget::DockWidgetFloatable);
    m_abb->setFloating(true);
    m_abb->hide();
    for (QDockWidget *d : {m_robotProps, m_robots, m_objectProps, m_objects, m_simulation})
        d->setMaximumWidth(d == m_simulation ? QWIDGETSIZE_MAX : 480);

    m_panel = new MenuPrincipal(this, m_robotProps, m_robots, m_objectProps, m_objects,
                                m_simulation, m_abb);
    setCentralWidget(m_panel);
    // The plots of the sequence in the player; hidden until asked for.
    m_plotsView = new plots::PlotsView;
    m_plots = new QDockWidget(m_plotsView->text(plots::Text::DockTitle), this);
    m_plots->setObjectName(QStringLiteral("plotsDock"));
    m_plots->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                         QDockWidget::DockWidgetFloatable);
    m_plots->setWidget(m_plotsView);
    addDockWidget(Qt::BottomDockWidgetArea, m_plots);
    // Below the player, over the whole width: the curves need it.
    splitDockWidget(m_simulation, m_plots, Qt::Vertical);
    m_plots->hide();
    m_plotsView->attach(m_panel->paths());
    // The program being edited, beside the plots of its path.
    m_programView = new ProgramDock(m_panel, m_panel->paths());
    m_programDock = new QDockWidget(uitext::get(uitext::Text::ProgramDockTitle), this);
    m_programDock->setObjectName(QStringLiteral("programDock"));
    m_programDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                               QDockWidget::DockWidgetFloatable);
    m_programDock->setWidget(m_programView);
    addDockWidget(Qt::BottomDockWidgetArea, m_programDock);
    splitDockWidget(m_plots, m_programDock, Qt::Horizontal);
    m_programDock->hide();
    connect(m_programView, &ProgramDock::noticeChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text);
    });
    connect(m_plotsView, &plots::PlotsView::userMessage, this, &MainWindow::showMessage);
    connect(view(), &glwidget::userMessage, this, &MainWindow::showMessage);
    // Refusals are read in the status line, also on machines without sound.
    statusBar()->setObjectName(QStringLiteral("statusbar"));
    connect(m_panel, &MenuPrincipal::noticeChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text);
    });
    connect(this, &MainWindow::CloseMenuPrincipal, m_panel, &MenuPrincipal::CloseRequested);
    buildMenus();

    m_robots->show();
    showObjectList();
    connect(m_simulation, &QDockWidget::visibilityChanged, this,
            &MainWindow::SlotSetDockSimulationVisible);
    connect(m_objects, &QDockWidget::visibilityChanged, this,
            &MainWindow::SlotSetObjectPropsVisible);
    // A properties form is as wide as its placement text and widens the left
    // column while it is open; closed, the column goes back to the width it
    // had without it (the user's, if they dragged it), and the 3-D view gets
    // its room back.
    for (QDockWidget *form : {m_robotProps, m_objectProps})
        connect(form, &QDockWidget::visibilityChanged, this, &MainWindow::keepLeftColumnWidth);
    m_robots->installEventFilter(this);
    m_objects->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A form being shown is no longer hidden while the window lays it out,
    // though not yet visible: the width it forces is not recorded.
    if (event->type() == QEvent::Resize && (watched == m_robots || watched == m_objects) &&
        m_robotProps->isHidden() && m_objectProps->isHidden() && !m_restoringColumn)
        m_leftColumnWidth = static_cast<QWidget *>(watched)->width();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keepLeftColumnWidth()
{
    if (!m_robotProps->isHidden() || !m_objectProps->isHidden() || m_leftColumnWidth <= 0)
        return;
    // Once the form has left the layout.
    m_restoringColumn = true;
    QTimer::singleShot(0, this, [this, width = m_leftColumnWidth]() {
        m_restoringColumn = false;
        if (!m_robotProps->isHidden() || !m_objectProps->isHidden())
            return;
        QDockWidget *column = m_robots->isVisible() ? m_robots : m_objects;
        if (column->isVisible() && !column->isFloating())
            resizeDocks({column}, {width}, Qt::Horizontal);
    });
}

void MainWindow::showObjectList()
{
    // The objects list is there without F3, below the robot list, which
    // needs no more than a few lines; the object form waits for a pick.
    m_objectProps->hide();
    m_objects->show();
    if (QAction *a = action(QStringLiteral("actionObjectsView")))
        a->setChecked(true);
    resizeDocks({m_robots, m_objects}, {70, 600}, Qt::Vertical);
}

MainWindow::~MainWindow()
{
    // The children outlive this part of the window, and some still signal
    // while they go (a refused field that loses its focus reports its notice
    // for the status line): nothing of theirs may reach a window half gone.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

QDockWidget *MainWindow::makeDock(const QString &title, Qt::DockWidgetArea area)
{
    auto *dock = new QDockWidget(title, this);
    dock->setObjectName(title.isEmpty()
                            ? QStringLiteral("dock%1").arg(findChildren<QDockWidget *>().size())
                            : title);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    dock->setFeatures(QDockWidget::DockWidgetMovable);
    addDockWidget(area, dock);
    dock->hide();
    return dock;
}

QAction *MainWindow::addAction(QMenu *menu, const QString &name, const QString &text,
                               const QKeySequence &shortcut)
{
    QAction *a = menu->addAction(text);
    a->setObjectName(name);
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

void MainWindow::buildMenus()
{
    MenuPrincipal *p = m_panel;
    menuBar()->setObjectName(QStringLiteral("menubar"));

    QMenu *file = menuBar()->addMenu(tr("File"));
    file->setObjectName(QStringLiteral("menuFile"));
    connect(addAction(file, QStringLiteral("actionLoadRobot"), tr("Load Robot"),
                      QKeySequence(tr("Ctrl+R"))),
            &QAction::triggered, p, [p]() { delete p->loadModel(); });
    connect(addAction(file, QStringLiteral("actionLoadTool"), tr("Load Tool"),
                      QKeySequence(tr("Ctrl+T"))),
            &QAction::triggered, p, [p]() { p->loadTool(); });
    connect(addAction(file, QStringLiteral("actionRemoveTool"), tr("Remove Tool")),
            &QAction::triggered, p, &MenuPrincipal::removeTool);
    file->addSeparator();
    connect(addAction(file, QStringLiteral("actionLoadObject"), tr("Load object"),
                      QKeySequence(tr("Ctrl+O"))),
            &QAction::triggered, this, &MainWindow::loadObject_here);
    file->addSeparator();
    // Ctrl+S saves, as everywhere else; loading a station moved to Ctrl+L.
    connect(addAction(file, QStringLiteral("actionLoadStation"), tr("Load Station"),
                      QKeySequence(tr("Ctrl+L"))),
            &QAction::triggered, this, &MainWindow::load_Station_here);
    connect(addAction(file, QStringLiteral("actionSaveStation"), tr("Save Station"),
                      QKeySequence(tr("Ctrl+Shift+S"))),
            &QAction::triggered, p, &MenuPrincipal::save_Station);
    connect(addAction(file, QStringLiteral("actionSaveDefault"), tr("Save Station as default"),
                      QKeySequence(tr("Ctrl+S"))),
            &QAction::triggered, this, &MainWindow::saveDefaultStation);
    file->addSeparator();
    connect(addAction(file, QStringLiteral("actionLoadDemo"), tr("Load demo"),
                      QKeySequence(tr("Ctrl+D"))),
            &QAction::triggered, this, &MainWindow::loadDemoSequence_here);
    file->addSeparator();
    connect(addAction(file, QStringLiteral("actionExit"), tr("Exit"), QKeySequence(tr("Alt+F4"))),
            &QAction::triggered, this, &QWidget::close);

    QMenu *viewMenu = menuBar()->addMenu(tr("View"));
    viewMenu->setObjectName(QStringLiteral("menuView"));
    QAction *controls = addAction(viewMenu, QStringLiteral("actionRobotControlView"),
                                  tr("Robot control view"), QKeySequence(tr("F2")));
    controls->setCheckable(true);
    controls->setChecked(true);
    connect(controls, &QAction::triggered, this, &MainWindow::do_ToggleViewControls);
    QAction *objectsView = addAction(viewMenu, QStringLiteral("actionObjectsView"),
                                     tr("Objects view"), QKeySequence(tr("F3")));
    objectsView->setCheckable(true);
    connect(objectsView, &QAction::triggered, this, &MainWindow::do_ToggleObjectView);
    QAction *simulationView = addAction(viewMenu, QStringLiteral("actionSimulationView"),
                                        tr("Simulation view"), QKeySequence(tr("F4")));
    simulationView->setCheckable(true);
    connect(simulationView, &QAction::triggered, this, &MainWindow::do_ToggleSimulationView);
    QAction *plotsView =
        addAction(viewMenu, QStringLiteral("actionPlotsView"),
                  m_plotsView->text(plots::Text::DockTitle), QKeySequence(tr("F6")));
    plotsView->setCheckable(true);
    connect(plotsView, &QAction::triggered, this, &MainWindow::do_TogglePlotsView);
    // The dock itself, not the window: it signals as it goes with the window.
    connect(m_plots, &QDockWidget::visibilityChanged, plotsView,
            [dock = m_plots, plotsView](bool) { plotsView->setChecked(dock->isVisible()); });
    connect(m_plotsView, &plots::PlotsView::titleChanged, this,
            [this, plotsView](const QString &t) {
                m_plots->setWindowTitle(t);
                plotsView->setText(t);
            });
    viewMenu->addSeparator();
    QAction *abbView = addAction(viewMenu, QStringLiteral("actionAbbData"),
                                 QStringLiteral("ABB program data"), QKeySequence(tr("F5")));
    abbView->setCheckable(true);
    connect(abbView, &QAction::triggered, this, &MainWindow::do_ToggleABButility);
    // Closed by its own button too: the check mark follows the dock.
    connect(m_abb, &QDockWidget::visibilityChanged, abbView,
            [dock = m_abb, abbView](bool) { abbView->setChecked(dock->isVisible()); });
    viewMenu->addSeparator();
    connect(addAction(viewMenu, QStringLiteral("actionIsometric"), tr("Isometric")),
            &QAction::triggered, this, &MainWindow::do_viewIso);
    connect(addAction(viewMenu, QStringLiteral("actionTop"), tr("Top")), &QAction::triggered, this,
            &MainWindow::do_viewTop);
    connect(addAction(viewMenu, QStringLiteral("actionFront"), tr("Front")), &QAction::triggered,
            this, &MainWindow::do_viewFront);
    connect(addAction(viewMenu, QStringLiteral("actionRight"), tr("Right")), &QAction::triggered,
            this, &MainWindow::do_viewRight);
    connect(addAction(viewMenu, QStringLiteral("actionLeft"), tr("Left")), &QAction::triggered,
            this, &MainWindow::do_viewLeft);
    connect(addAction(viewMenu, QStringLiteral("actionBack"), tr("Back")), &QAction::triggered,
            this, &MainWindow::do_viewBack);

    QMenu *joystick = menuBar()->addMenu(QStringLiteral("Joystick"));
    joystick->setObjectName(QStringLiteral("menuJoystick"));
    connect(addAction(joystick, QStringLiteral("actionWii"), QStringLiteral("Wii")),
            &QAction::triggered, p, &MenuPrincipal::openWiiControl);

    QMenu *options = menuBar()->addMenu(tr("Options"));
    options->setObjectName(QStringLiteral("menuOptions"));
    QMenu *languages = options->addMenu(tr("Languages"));
    languages->setObjectName(QStringLiteral("menuLanguages"));
    m_languages = new QActionGroup(this);
    const struct
    {
        const char *name;
        const char *text;
        void (MainWindow::*slot)();
    } langs[] = {{"actionEnglish", "English", &MainWindow::do_englishLanguage},
                 {"actionFrench", "Fran\u00e7ais", &MainWindow::do_frenchLanguage},
                 {"actionGerman", "Deutsch", &MainWindow::do_germanLanguage},
                 {"actionSpanish", "Espa\u00f1ol", &MainWindow::do_spanishLanguage},
                 {"actionCatalan", "Catal\u00e0", &MainWindow::do_catalanLanguage}};
    for (const auto &l : langs) {
        QAction *a = addAction(languages, QLatin1String(l.name), QString::fromUtf8(l.text));
        a->setCheckable(true);
        m_languages->addAction(a);
        connect(a, &QAction::triggered, this, l.slot);
    }
    QMenu *euler = options->addMenu(tr("Euler angle convention"));
    euler->setObjectName(QStringLiteral("menuEuler"));
    m_eulers = new QActionGroup(this);
    // Conventions about moving axes first, then those about fixed axes; -1 a separator.
    const int menuOrder[] = {toolbox::EulerZYXRelative, toolbox::EulerZXZ,
                             toolbox::EulerZYZ,         -1,
                             toolbox::EulerXYZFixed,    toolbox::EulerZYXFixed};
    for (const int code : menuOrder) {
        const toolbox::EulerConventionInfo *c = toolbox::eulerConvention(code);
        if (!c) {
            euler->addSeparator();
            continue;
        }
        QAction *a = addAction(euler, eulerActionName(code), QString::fromUtf8(c->name));
        a->setCheckable(true);
        m_eulers->addAction(a);
        connect(a, &QAction::triggered, this,
                [this, code] { m_panel->modeRotationChageAll(code); });
    }
    action(eulerActionName(toolbox::EulerZYXRelative))->setChecked(true);

    QMenu *trace = options->addMenu(tr("TCP trace"));
    trace->setObjectName(QStringLiteral("menuTrace"));
    auto *traceGroup = new QActionGroup(this);
    QAction *on =
        addAction(trace, QStringLiteral("actionTraceOn"), tr("On"), QKeySequence(tr("Alt+Y")));
    QAction *off =
        addAction(trace, QStringLiteral("actionTraceOff"), tr("Off"), QKeySequence(tr("Alt+N")));
    on->setCheckable(true);
    off->setCheckable(true);
    off->setChecked(true);
    traceGroup->addAction(on);
    traceGroup->addAction(off);
    connect(on, &QAction::triggered, p, &MenuPrincipal::TraceTCP_ON);
    connect(off, &QAction::triggered, p, &MenuPrincipal::TraceTCP_OFF);
    trace->addSeparator();
    connect(addAction(trace, QStringLiteral("actionTraceReset"), tr("Reset"),
                      QKeySequence(tr("Alt+X"))),
            &QAction::triggered, p, &MenuPrincipal::TraceTCP_RESET);

    connect(addAction(options, QStringLiteral("actionSafetyDistance"),
                      uitext::get(uitext::Text::SafetyDistanceMenu)),
            &QAction::triggered, this, &MainWindow::askSafetyDistance);

    // Two submenus exist only for their actions (and their texts in every
    // language): the same commands are reached by keys and the player dock.
    m_configMenu = options->addMenu(tr("Inverse kinematics Configurations"));
    m_configMenu->setObjectName(QStringLiteral("menuConfigurations"));
    auto *configGroup = new QActionGroup(this);
    QAction *basic =
        addAction(m_configMenu, QStringLiteral("actionConfigBasic"), tr("Basic (max. 8 conf)"));
    QAction *extended = addAction(m_configMenu, QStringLiteral("actionConfigExtended"),
                                  tr("Extended (maximum possible)"));
    basic->setCheckable(true);
    extended->setCheckable(true);
    basic->setChecked(true);
    configGroup->addAction(basic);
    configGroup->addAction(extended);
    connect(basic, &QAction::triggered, this, &MainWindow::SetConfigBasic);
    connect(extended, &QAction::triggered, this, &MainWindow::SetConfigExtended);
    m_sequenceMenu = options->addMenu(tr("Sequence"));
    m_sequenceMenu->setObjectName(QStringLiteral("menuSequence"));
    connect(addAction(m_sequenceMenu, QStringLiteral("actionPaste"),
                      tr("Paste from clipboard (Ctrl-V)")),
            &QAction::triggered, p, &MenuPrincipal::Clipboard_Paste);
    m_sequenceMenu->addSeparator();
    connect(addAction(m_sequenceMenu, QStringLiteral("actionExecute"), tr("Execute")),
            &QAction::triggered, p, &MenuPrincipal::Sequence_Execute);
    connect(addAction(m_sequenceMenu, QStringLiteral("actionStop"), tr("Stop")),
            &QAction::triggered, p, &MenuPrincipal::Sequence_Stop);
    connect(addAction(m_sequenceMenu, QStringLiteral("actionSequenceReset"), tr("Reset")),
            &QAction::triggered, p, &MenuPrincipal::Sequence_Reset);
    // RAPID modules out and in: in the sequence menu, beside "Load demo" and
    // on the simulation dock's context menu.
    m_rapidModules = new RapidModuleCommands([this]() { return robot(); },
                                             [this]() { return m_panel->paths(); }, this);
    connect(m_rapidModules, &RapidModuleCommands::message, this, &MainWindow::showMessage);
    m_rapidModules->addReader(controllers::programSuffixes(), controllers::importProgramFile);
    QAction *exportModule = addAction(m_sequenceMenu, QStringLiteral("actionExportRapidModule"),
                                      uitext::get(uitext::Text::RapidExportMenu));
    QAction *loadModule = addAction(m_sequenceMenu, QStringLiteral("actionLoadRapidModule"),
                                    uitext::get(uitext::Text::RapidLoadModuleMenu));
    // Their dialogs are modal: not while the window is driven by tests.
    connect(exportModule, &QAction::triggered, this, [this]() {
        if (interactive())
            m_rapidModules->exportProgram();
    });
    connect(loadModule, &QAction::triggered, this, [this]() {
        if (interactive())
            m_rapidModules->loadModule();
    });
    // Every controller language, the robot maker's first.
    auto *programExport = new ProgramExportCommands(
        [this]() { return robot(); }, [this]() { return m_rapidModules->loadedProgram(); }, this);
    connect(programExport, &ProgramExportCommands::message, this, &MainWindow::showMessage);
    QAction *exportProgram = addAction(m_sequenceMenu, QStringLiteral("actionExportProgram"),
                                       uitext::get(uitext::Text::ExportProgramMenu));
    connect(exportProgram, &QAction::triggered, this, [this, programExport]() {
        if (interactive())
            programExport->exportProgram();
    });
    file->insertActions(action(QStringLiteral("actionLoadDemo")),
                        {loadModule, exportModule, exportProgram});
    m_simulation->addActions({loadModule, exportModule, exportProgram});
    m_simulation->setContextMenuPolicy(Qt::ActionsContextMenu);
    options->removeAction(m_configMenu->menuAction());
    options->removeAction(m_sequenceMenu->menuAction());

    buildProgramMenus(file, viewMenu);

    QMenu *help = menuBar()->addMenu(tr("Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    connect(addAction(help, QStringLiteral("actionHelp"), tr("Help"), QKeySequence(tr("F1"))),
            &QAction::triggered, p, &MenuPrincipal::openHelp);
    connect(addAction(help, QStringLiteral("actionAbout"), tr("About")), &QAction::triggered, p,
            &MenuPrincipal::openAbout);
}

void MainWindow::buildProgramMenus(QMenu *file, QMenu *viewMenu)
{
    // Programs have their own four file commands, above the sequences'.
    QAction *before = action(QStringLiteral("actionLoadRapidModule"));
    file->insertActions(before, m_programView->fileActions());
    file->insertSeparator(before);
    QMenu *edit = new QMenu(uitext::get(uitext::Text::ProgramEditMenu), this);
    edit->setObjectName(QStringLiteral("menuEdit"));
    menuBar()->insertMenu(viewMenu->menuAction(), edit);
    edit->addActions(m_programView->undoActions());
    edit->addSeparator();
    edit->addActions(m_programView->editActions());
    // Below the plots' entry, as the dock is beside them.
    const QList<QAction *> items = viewMenu->actions();
    const int plots = items.indexOf(action(QStringLiteral("actionPlotsView")));
    QAction *toggle = addAction(viewMenu, QStringLiteral("actionProgramView"),
                                uitext::get(uitext::Text::ProgramDockTitle),
                                QKeySequence(tr("F7")));
    if (plots >= 0 && plots + 1 < items.size())
        viewMenu->insertAction(items.at(plots + 1), toggle);
    toggle->setCheckable(true);
    connect(toggle, &QAction::triggered, this, &MainWindow::do_ToggleProgramView);
    connect(m_programDock, &QDockWidget::visibilityChanged, toggle,
            [dock = m_programDock, toggle](bool) { toggle->setChecked(dock->isVisible()); });
    // The pose columns follow the convention.
    connect(m_eulers, &QActionGroup::triggered, m_programView, &ProgramDock::refreshPoses);
}

QAction *MainWindow::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

QList<QMenu *> MainWindow::menus() const
{
    return findChildren<QMenu *>();
}

void MainWindow::relabelMenus(const QStringList &texts)
{
    for (int j = 0; j < 37 && j < texts.size(); ++j) {
        const QString name = QLatin1String(kMenuTextOrder[j]);
        if (QMenu *m = findChild<QMenu *>(name))
            m->setTitle(texts.at(j));
        else if (QAction *a = action(name))
            a->setText(texts.at(j));
        if (j == 10)
            if (QAction *a = action(QStringLiteral("actionHelp")))
                a->setText(texts.at(j));
    }
}

glwidget *MainWindow::view() const
{
    return m_panel->view();
}

Robot *MainWindow::robot() const
{
    return view()->selectedRobot();
}

int MainWindow::loadRobot(const QString &file)
{
    QByteArray name = file.toUtf8();
    return m_panel->loadModel(name.data()) ? 0 : -1;
}

int MainWindow::loadTool(const QString &file)
{
    if (!robot())
        return -1;
    QByteArray name = file.toUtf8();
    const bool ok = m_panel->loadTool(name.data());
    view()->updateGL();
    return ok ? 0 : -1;
}

void MainWindow::startWith(const QString &stationFile)
{
    int language = 0, euler = 0;
    const QByteArray name = stationFile.toUtf8();
    if (m_panel->Load_Setup(name.constData(), &language, &euler) == 0) {
        applyLanguageCode(language);
        applyEulerCode(euler);
    } else {
        applyLanguageCode(1);
        applyEulerCode(toolbox::EulerZYXRelative);
        loadRobot(DataDirs::defaultRobot());
        loadTool(DataDirs::defaultTool());
    }
    showObjectList();
    m_panel->markStationSaved();
}

void MainWindow::applyLanguageCode(int code)
{
    switch (code) {
    case -1:
    case 1:
        do_englishLanguage();
        action(QStringLiteral("actionEnglish"))->setChecked(true);
        break;
    case 2:
        do_frenchLanguage();
        action(QStringLiteral("actionFrench"))->setChecked(true);
        break;
    case 3:
        do_spanishLanguage();
        action(QStringLiteral("actionSpanish"))->setChecked(true);
        break;
    case 4:
        do_catalanLanguage();
        action(QStringLiteral("actionCatalan"))->setChecked(true);
        break;
    case 5:
        do_germanLanguage();
        action(QStringLiteral("actionGerman"))->setChecked(true);
        break;
    default:
        break;
    }
}

QString MainWindow::eulerActionName(int code)
{
    const toolbox::EulerConventionInfo *c = toolbox::eulerConvention(code);
    return c ? QStringLiteral("actionEuler") + QLatin1String(c->key) : QString();
}

void MainWindow::applyEulerCode(int code)
{
    if (!toolbox::isEulerConvention(code))
        return;
    m_panel->modeRotationChageAll(code);
    action(eulerActionName(code))->setChecked(true);
    m_programView->refreshPoses();
}

void MainWindow::do_englishLanguage()
{
    relabelMenus(m_panel->setLanguage(1));
    relabelPlots(1);
}
void MainWindow::do_frenchLanguage()
{
    relabelMenus(m_panel->setLanguage(2));
    relabelPlots(2);
}
void MainWindow::do_spanishLanguage()
{
    relabelMenus(m_panel->setLanguage(3));
    relabelPlots(3);
}
void MainWindow::do_catalanLanguage()
{
    relabelMenus(m_panel->setLanguage(4));
    relabelPlots(4);
}
void MainWindow::do_germanLanguage()
{
    relabelMenus(m_panel->setLanguage(5));
    relabelPlots(5);
}
void MainWindow::relabelPlots(int code)
{
    // The panel has already said so when the file cannot be read.
    LanguageFile file;
    if (!file.load(DataDirs::languageDir() + LanguageFile::fileName(code)))
        return;
    m_plotsView->retranslate(&file);
    // Dock titles: the menu entries that show and hide them name them too.
    const std::pair<QDockWidget *, int> titles[] = {
        {m_simulation, LanguageFile::kFirstMenuEntry + 33},
        {m_objects, LanguageFile::kFirstMenuEntry + 32},
        {m_objectProps, LanguageFile::kFirstObjectEntry - 1},
    };
    for (const auto &t : titles)
        if (file.has(t.second))
            t.first->setWindowTitle(file.text(t.second));
    m_abb->setWindowTitle(uitext::get(uitext::Text::RapidDockTitle));
    action(QStringLiteral("actionExportRapidModule"))
        ->setText(uitext::get(uitext::Text::RapidExportMenu));
    action(QStringLiteral("actionLoadRapidModule"))
        ->setText(uitext::get(uitext::Text::RapidLoadModuleMenu));
    m_programView->retranslate();
    m_programDock->setWindowTitle(uitext::get(uitext::Text::ProgramDockTitle));
    action(QStringLiteral("actionProgramView"))
        ->setText(uitext::get(uitext::Text::ProgramDockTitle));
    findChild<QMenu *>(QStringLiteral("menuEdit"))
        ->setTitle(uitext::get(uitext::Text::ProgramEditMenu));
    action(QStringLiteral("actionExportProgram"))->setText(uitext::get(uitext::Text::ExportProgramMenu));
    action(QStringLiteral("actionSafetyDistance"))
        ->setText(uitext::get(uitext::Text::SafetyDistanceMenu));
}

void MainWindow::askSafetyDistance()
{
    if (findChild<QInputDialog *>(QStringLiteral("safetyDistanceDialog")))
        return;
    // Not modal: the window stays usable, and the text is read when accepted.
    auto *dialog = new QInputDialog(this);
    dialog->setObjectName(QStringLiteral("safetyDistanceDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Velkari"));
    dialog->setLabelText(uitext::get(uitext::Text::SafetyDistancePrompt));
    CollisionWatch *watch = m_panel->collisions();
    dialog->setTextValue(QString::number(watch->safetyDistance(), 'f', 1));
    connect(dialog, &QInputDialog::textValueSelected, this, [this](const QString &text) {
        QString why;
        if (!m_panel->collisions()->setSafetyDistanceText(text, &why)) {
            statusBar()->showMessage(why);
            showMessage(why);
        }
    });
    dialog->open();
}

void MainWindow::do_eulerabb()
{
    m_panel->modeRotationChageAll(toolbox::EulerZYXRelative);
}
void MainWindow::do_eulerCRS()
{
    m_panel->modeRotationChageAll(toolbox::EulerZYXFixed);
}
void MainWindow::do_eulercatia()
{
    m_panel->modeRotationChageAll(toolbox::EulerZXZ);
}
void MainWindow::do_eulerfanuc()
{
    m_panel->modeRotationChageAll(toolbox::EulerXYZFixed);
}
void MainWindow::do_eulerkawasaki()
{
    m_panel->modeRotationChageAll(toolbox::EulerZYZ);
}
void MainWindow::SetConfigBasic()
{
    m_panel->setConfigurationMode(false);
}
void MainWindow::SetConfigExtended()
{
    m_panel->setConfigurationMode(true);
}

void MainWindow::SlotSetDockSimulationVisible(bool visible)
{
    m_simulation->setVisible(visible);
    action(QStringLiteral("actionSimulationView"))->setChecked(visible);
}

void MainWindow::SlotSetObjectPropsVisible(bool visible)
{
    // The form goes with the list, and comes back when an object is picked.
    if (!visible)
        m_objectProps->setVisible(false);
    m_objects->setVisible(visible);
}

void MainWindow::load_Station_here()
{
    int language = -2, euler = -2;
    m_panel->openStationDialog(&language, &euler);
    showObjectList();
    if (language >= 1 && language <= 5)
        applyLanguageCode(language);
    applyEulerCode(euler);
}

void MainWindow::loadObject_here()
{
    m_panel->loadObject();
    m_objects->show();
    m_objectProps->show();
    action(QStringLiteral("actionObjectsView"))->setChecked(true);
}

void MainWindow::loadDemoSequence_here()
{
    m_panel->loadDemoSequence();
    showObjectList();
}

void MainWindow::do_ToggleViewControls()
{
    m_panel->SetControlsVisible(action(QStringLiteral("actionRobotControlView"))->isChecked());
}

void MainWindow::do_ToggleObjectView()
{
    const bool on = action(QStringLiteral("actionObjectsView"))->isChecked();
    m_objects->setVisible(on);
    m_objectProps->setVisible(on);
}

void MainWindow::do_ToggleSimulationView()
{
    m_simulation->setVisible(action(QStringLiteral("actionSimulationView"))->isChecked());
}

void MainWindow::do_ToggleABButility()
{
    // The key hides what it showed, like the other docks' keys.
    if (m_abb->isVisible()) {
        m_abb->hide();
        return;
    }
    // Floating over the 3-D view, at its top right: never over the menus,
    // the control column or the left docks, and never past the window. Its
    // fields are no wider than that leaves (a longer declaration scrolls).
    // A view narrower than the dock's least width leaves it over the left
    // docks rather than over the joint rows.
    const QRect area(view()->mapToGlobal(QPoint(0, 0)), view()->size());
    m_abb->setMaximumWidth(qMax(area.width(), m_abb->minimumSizeHint().width()));
    m_abb->setMaximumHeight(area.height());
    m_panel->refreshRapidData();
    if (FormABButility *form = m_panel->rapidUtility())
        form->fitFields();
    // Sized and placed once shown: a hidden window keeps its old size.
    m_abb->show();
    m_abb->adjustSize();
    m_abb->move(qMax(mapToGlobal(QPoint(0, 0)).x(), area.right() + 1 - m_abb->frameGeometry().width()),
                area.top());
    action(QStringLiteral("actionAbbData"))->setChecked(true);
}

void MainWindow::do_TogglePlotsView()
{
    const bool on = action(QStringLiteral("actionPlotsView"))->isChecked();
    m_plots->setVisible(on);
    // Six rows of curves and the TCP's below them: give them room.
    if (on && !m_plots->isFloating() && m_plots->height() < height() / 2)
        resizeDocks({m_plots}, {height() / 2}, Qt::Vertical);
}

void MainWindow::do_ToggleProgramView()
{
    const bool on = action(QStringLiteral("actionProgramView"))->isChecked();
    m_programDock->setVisible(on);
    if (on && !m_programDock->isFloating() && m_programDock->height() < height() / 3)
        resizeDocks({m_programDock}, {height() / 3}, Qt::Vertical);
    // Beside the plots, the table's many columns take the larger part.
    if (on && m_plots->isVisible() && !m_plots->isFloating() && !m_programDock->isFloating())
        resizeDocks({m_plots, m_programDock}, {width() * 2 / 5, width() * 3 / 5},
                    Qt::Horizontal);
}

void MainWindow::do_viewIso()
{
    view()->do_viewIso();
}
void MainWindow::do_viewTop()
{
    view()->do_viewTop();
}
void MainWindow::do_viewFront()
{
    view()->do_viewFront();
}
void MainWindow::do_viewRight()
{
    view()->do_viewRight();
}
void MainWindow::do_viewLeft()
{
    view()->do_viewLeft();
}
void MainWindow::do_viewBack()
{
    view()->do_viewBack();
}

void MainWindow::showMessage(const QString &text)
{
    m_lastMessage = text;
    if (!interactive())
        return;
    // Without a parent, like every message of the program; non-modal so a
    // failed load at start-up does not hold the window back.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velkari"), text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void MainWindow::saveDefaultStation()
{
    if (m_panel->Save_Setup() != 0)
        showMessage(tr("The station %1 could not be written.")
                        .arg(QFileInfo(DataDirs::defaultStation()).absoluteFilePath()));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_panel->hasUnsavedChanges()) {
        int answer = unsavedAnswer();
        if (interactive())
            answer = QMessageBox::question(
                this, QStringLiteral("Velkari"),
                tr("The station has changed since it was loaded or saved. Save it?"),
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel) {
            event->ignore();
            return;
        }
        if (answer == QMessageBox::Save) {
            QString file = m_panel->stationFile();
            if (file.isEmpty())
                m_panel->save_Station();
            else if (m_panel->Save_Setup(&file) != 0)
                showMessage(tr("The station %1 could not be written.").arg(file));
            if (m_panel->hasUnsavedChanges()) {
                event->ignore(); // not saved: the work stays on screen
                return;
            }
        }
    }
    // The program is asked about on its own: it has its own file.
    if (!m_programView->mayDiscard()) {
        event->ignore();
        return;
    }
    qCDebug(lcRobot) << "Closing everything";
    emit CloseMenuPrincipal();
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_F11) {
        if (!m_fullScreen) {
            m_fullScreen = true;
            showFullScreen();
        } else {
            m_fullScreen = false;
            showNormal();
        }
        return;
    }
    if (event->key() == Qt::Key_Escape && m_fullScreen) {
        m_fullScreen = false;
        showMaximized();
        return;
    }
    event->ignore();
}

QImage MainWindow::snapshot()
{
    // Texts changed since the last pass through the event loop (a new
    // language, a refusal) have not been laid out yet: a picture taken now
    // would show captions cut at their old widths.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QImage shot = grab().toImage();
    if (view()->isValid()) {
        const QImage gl = view()->grabFrameBuffer();
        QPainter p(&shot);
        p.drawImage(view()->mapTo(this, QPoint(0, 0)), gl);
    }
    return shot;
}
