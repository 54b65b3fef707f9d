// Stand-in main window until the control panel and the full menus exist: the
// 3-D view in the centre, the robot and object panels in their docks, and a
// small menu to load robots, tools and objects and pick a standard view.
#pragma once

#include <QMainWindow>

class QDockWidget;
class Robot;
class MenuPrincipal;
class glwidget;

class StartupWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit StartupWindow(QWidget *parent = nullptr);

    // Both return 0 on success, -1 on failure (the user is told why).
    int loadRobot(const QString &file);
    int loadTool(const QString &file);

    glwidget *view() const { return m_view; }
    MenuPrincipal *panel() const { return m_panel; }
    Robot *robot() const;
    QDockWidget *robotPropertiesDock() const { return m_robotProps; }
    QDockWidget *robotsDock() const { return m_robots; }
    QDockWidget *objectPropertiesDock() const { return m_objectProps; }
    QDockWidget *objectsDock() const { return m_objects; }

    // A picture of the window with the 3-D view as drawn.
    QImage snapshot();
    // Whether messages pop up; tests switch them off.
    void setMessagesShown(bool shown) { m_showMessages = shown; }

private slots:
    void showMessage(const QString &text);

private:
    QDockWidget *makeDock(const QString &title, int maxHeight, int minWidth);

    MenuPrincipal *m_panel = nullptr;
    glwidget *m_view = nullptr;
    QDockWidget *m_robotProps = nullptr;
    QDockWidget *m_robots = nullptr;
    QDockWidget *m_objectProps = nullptr;
    QDockWidget *m_objects = nullptr;
    bool m_showMessages = true;
};
