// The top-level window: the control panel in the centre, six docks for the
// other panels, the menu bar, and full-screen handling.
#pragma once

#include <QMainWindow>
#include <QStringList>

class QAction;
class QActionGroup;
class QDockWidget;
class QMenu;
class MenuPrincipal;
class ProgramDock;
class RapidModuleCommands;
class Robot;
class glwidget;
namespace plots {
class PlotsView;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MenuPrincipal *panel() const { return m_panel; }
    glwidget *view() const;
    Robot *robot() const;

    QDockWidget *robotPropertiesDock() const { return m_robotProps; }
    QDockWidget *robotsDock() const { return m_robots; }
    QDockWidget *objectPropertiesDock() const { return m_objectProps; }
    QDockWidget *objectsDock() const { return m_objects; }
    QDockWidget *simulationDock() const { return m_simulation; }
    QDockWidget *abbDock() const { return m_abb; }
    QDockWidget *plotsDock() const { return m_plots; }
    plots::PlotsView *plotsView() const { return m_plotsView; }
    QDockWidget *programDock() const { return m_programDock; }
    ProgramDock *programView() const { return m_programView; }
    bool isFullScreenMode() const { return m_fullScreen; }

    // Loads a robot or tool as the menus do; 0 on success, -1 on failure.
    int loadRobot(const QString &file);
    int loadTool(const QString &file);
    // Reads a station as start-up does and applies its language and Euler
    // convention; without one, English, Z->Y'->X'' and the default robot.
    void startWith(const QString &stationFile);

    // A picture of the window with the 3-D view as drawn.
    QImage snapshot();
    // Message boxes and browsers are not opened while false (tests).
    static void setInteractive(bool interactive);
    static bool interactive();
    // What closing with unsaved changes answers while not interactive (tests).
    static void setUnsavedAnswer(int standardButton);
    // The last message shown to the user (also while not interactive).
    const QString &lastMessage() const { return m_lastMessage; }

    // Menu structure, for the language files and for tests.
    QAction *action(const QString &objectName) const;
    QList<QMenu *> menus() const;
    // Relabels menus and actions from the 37 menu texts of a language file.
    void relabelMenus(const QStringList &texts);

signals:
    void CloseMenuPrincipal();

public slots:
    void do_englishLanguage();
    void do_frenchLanguage();
    void do_spanishLanguage();
    void do_catalanLanguage();
    void do_germanLanguage();
    void do_eulerabb();
    void do_eulerfanuc();
    void do_eulercatia();
    void do_eulerCRS();
    void do_eulerkawasaki();
    void SetConfigBasic();
    void SetConfigExtended();
    void SlotSetDockSimulationVisible(bool visible);
    void SlotSetObjectPropsVisible(bool visible);

private slots:
    void load_Station_here();
    void loadObject_here();
    void loadDemoSequence_here();
    void do_ToggleViewControls();
    void do_ToggleObjectView();
    void do_ToggleSimulationView();
    void do_ToggleABButility();
    void do_TogglePlotsView();
    void do_ToggleProgramView();
    void do_viewIso();
    void do_viewTop();
    void do_viewFront();
    void do_viewRight();
    void do_viewLeft();
    void do_viewBack();
    void showMessage(const QString &text);
    void saveDefaultStation();
    // Options > Safety distance: asks for the distance in mm.
    void askSafetyDistance();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QDockWidget *makeDock(const QString &title, Qt::DockWidgetArea area);
    QAction *addAction(QMenu *menu, const QString &name, const QString &text,
                       const QKeySequence &shortcut = QKeySequence());
    void buildMenus();
    void buildProgramMenus(QMenu *file, QMenu *viewMenu);
    void applyLanguageCode(int code);
    void switchLanguage(int code);
    // A convention outside the table changes nothing.
    void applyEulerCode(int code);
    static QString eulerActionName(int code);
    void relabelPlots(int code);
    void showObjectList();
    void keepLeftColumnWidth();

    MenuPrincipal *m_panel = nullptr;
    QDockWidget *m_robotProps = nullptr;
    QDockWidget *m_robots = nullptr;
    QDockWidget *m_objectProps = nullptr;
    QDockWidget *m_objects = nullptr;
    QDockWidget *m_simulation = nullptr;
    QDockWidget *m_abb = nullptr;
    QDockWidget *m_plots = nullptr;
    plots::PlotsView *m_plotsView = nullptr;
    QDockWidget *m_programDock = nullptr;
    ProgramDock *m_programView = nullptr;
    bool m_fullScreen = false;
    int m_leftColumnWidth = -1; // without a properties form
    bool m_restoringColumn = false;
    QString m_lastMessage;
    QActionGroup *m_languages = nullptr;
    QActionGroup *m_eulers = nullptr;
    QMenu *m_configMenu = nullptr;
    QMenu *m_sequenceMenu = nullptr;
    RapidModuleCommands *m_rapidModules = nullptr;

public:
    RapidModuleCommands *rapidModules() const { return m_rapidModules; }
};
