// Stand-in main window until the 3-D view and control panel exist: it reads
// the robot description and tool the program starts with and shows what it
// read, so a start-up can be checked by eye.
#pragma once

#include "kinematics/joint.h"
#include "models/tool.h"

#include <QMainWindow>
#include <vector>

class QLabel;
class QTableWidget;

class StartupWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit StartupWindow(QWidget *parent = nullptr);

    // Both return 0 on success, -1 on failure (and say why in the window).
    int loadRobot(const QString &file);
    int loadTool(const QString &file);

    const std::vector<Joint> &joints() const { return m_joints; }
    const Tool &tool() const { return m_tool; }

private:
    void refresh();

    std::vector<Joint> m_joints;
    Tool m_tool;
    QString m_robotFile;
    QString m_toolFile;
    int m_robotResult = -1;
    bool m_toolResult = false;
    int m_angleType = 0;
    QLabel *m_summary = nullptr;
    QTableWidget *m_table = nullptr;
};
