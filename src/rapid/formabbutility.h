// The RAPID data panel in the ABB dock: shows the robot's work object, tool
// frame and current target as RAPID wobjdata, tooldata and robtarget text,
// and applies such text typed or pasted by the operator. "Info" explains a
// work object made of separate user and object frames.
//
// The panel keeps no frames of its own: it asks the control panel's view for
// the selected robot at every action, so it follows robot changes and says
// so when the station holds no robot.
#pragma once

#include <QWidget>

class PanelCommands;
class Robot;

namespace Ui {
class FormABButility;
}

class FormABButility : public QWidget
{
    Q_OBJECT
public:
    explicit FormABButility(PanelCommands *panel, QWidget *parent = nullptr);
    ~FormABButility() override;

    // Shown in the label while the station holds no robot.
    static QString noRobotText();
    // Sets the button text and tooltip in the language applied last.
    void retranslate();
    // Widens the three fields to their texts.
    void fitFields();

public slots:
    // Slots are connected by object name when the form is built.
    void on_btnRefresh_clicked();
    void on_txtWObj_returnPressed();
    void on_txtTool_returnPressed();
    void on_txtRT_returnPressed();
    void on_btnWObjInfo_clicked();

private:
    Robot *robot() const;
    void notify(const QString &text);

    PanelCommands *m_panel = nullptr;
    Ui::FormABButility *ui = nullptr;
};
