// The control panel, central widget of the main window: the 3-D view, the
// six joint rows with their scroll bars and spin boxes, the jog dial, the TCP
// read-outs, Cartesian jogging in tool, base or World axes, the list of
// configurations, the World and tool frames and the frames the view shows.
//
// Programmatic widget updates are fenced by two guards (`m_propagate` and
// `m_configGuard`) so that writing several widgets never feeds back into the
// robot.
#pragma once

#include "kinematics/chain.h"
#include "kinematics/ikconfiguration.h"
#include "kinematics/matrixtoolbox.h"
#include "scene/panelcommands.h"
#include "stations/stationfile.h"

#include <GL/gl.h>
#include <QDoubleSpinBox>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QDockWidget;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;
class QScrollBar;
class QSound;
class QTextBrowser;
class About;
class CollisionWatch;
class FormABButility;
class Robot;
class LANcontrol;
class Paths;
class Wii;
class glwidget;

namespace Ui {
class MenuPrincipal;
}

// A joint box: the value is taken on Return or when the focus leaves, never
// per keystroke (typing 120 must not move the arm through 1 and 12), any
// text may be typed (so 200 is not silently cut to 20 at the limit 165), and
// numbers are read like every typed field ("5,5" is 5.5, never 55).
class JointSpinBox : public QDoubleSpinBox
{
public:
    explicit JointSpinBox(QWidget *parent = nullptr);
    // Sees the text first; returning false refuses it (the box is then
    // expected to show the robot's value again).
    std::function<bool(const QString &)> check;

    QValidator::State validate(QString &text, int &pos) const override;
    double valueFromText(const QString &text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString &text) const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool passes();
};

class MenuPrincipal : public QWidget, public PanelCommands
{
    Q_OBJECT
public:
    using Result = IkConfiguration;

    // The docks, in the main window's order: robot properties, robots,
    // object properties, objects, simulation, RAPID data. Null docks are
    // allowed while the windows that fill them do not exist.
    MenuPrincipal(QWidget *parent, QDockWidget *robotPropertiesDock, QDockWidget *robotsDock,
                  QDockWidget *objectPropertiesDock, QDockWidget *objectsDock,
                  QDockWidget *simulationDock = nullptr, QDockWidget *abbDock = nullptr);
    ~MenuPrincipal() override;

    glwidget *view() const override;
    Paths *paths() const { return m_paths; }
    FormABButility *rapidUtility() const { return m_rapid; }
    Wii *wiiWindow() const;
    LANcontrol *lanWindow() const;
    // Collision checking of the view's robot and objects while jogging.
    CollisionWatch *collisions() const { return m_collisions; }
    Ui::MenuPrincipal *form() const { return ui; }
    bool robotLoaded() const { return m_robotLoaded; }
    bool toolLoaded() const { return m_toolLoaded; }
    const std::array<float, kinematics::kAxes> &currentJoints() const { return m_joints; }
    int eulerCode() const override { return m_eulerTcp; }
    int lastEulerCode() const { return m_lastEuler; }
    int movementFrame() const { return m_movementFrame; }
    bool extendedConfigurations() const { return m_extended; }
    const QString &robotFileName() const { return m_robotFileName; }
    const QString &toolFileName() const { return m_toolFileName; }
    // Dialogs, message boxes and the browser are not opened while false (tests).
    static void setInteractive(bool interactive);
    static bool interactive();
    // How many times the refused-move sounds were played (they may be silent).
    int refusals() const { return m_refusals; }
    int jogAxis() const;
    // Signed shortest move of the dial from `last` to `value` on its circle
    // of 100 positions.
    static int dialStep(int value, int last);
    // The text of one configuration item, counter n.
    static QString configurationText(int n, const Result &r);

    // Load_Setup's result for a file that opened but is not a station (the
    // current station then stays, and a message names the first bad line).
    static constexpr int kStationDamaged = -2;
    // The station as Save_Setup would write it now, as a value and as text.
    Station collectStation() const;
    QString stationText() const;
    // Replaces the station on screen by this one; the two codes as Load_Setup.
    void applyStation(const Station &station, int *language, int *euler);
    // Robot, tool, joints, frames or objects differ from the last load or save.
    bool hasUnsavedChanges() const;
    void markStationSaved();
    // The file last loaded or saved (empty: none yet).
    const QString &stationFile() const { return m_stationFile; }
    // The last refusal shown to the user, empty after the next good input.
    const QString &notice() const { return m_notice; }

signals:
    void refusedMove();
    // Says what was refused and why ("θ3 limit −110…70°"); empty clears it.
    void noticeChanged(const QString &text);
    void CloseMenuPrincipal_signal();

public slots:
    // Joint rows.
    void changeValue_1(int v);
    void changeValue_2(int v);
    void changeValue_3(int v);
    void changeValue_4(int v);
    void changeValue_5(int v);
    void changeValue_6(int v);
    void changeValueSlider_1(double d);
    void changeValueSlider_2(double d);
    void changeValueSlider_3(double d);
    void changeValueSlider_4(double d);
    void changeValueSlider_5(double d);
    void changeValueSlider_6(double d);
    void setBarValues(int *lim);
    void setTextBoxBarValuesFromRobot(GLfloat *q);
    void ResetAllFields();
    void resetAngles();
    void resetAngles(const double *zero, bool set_ik) override;
    void dialMoved(int value);
    void dial_released();
    void SetControlsVisible(bool visible);

    // Cartesian jogging, read-outs and configurations.
    int increaseValue(int step);
    // The pose, quaternion and configuration read-outs again, for the frames
    // and convention as they are now: a Cartesian jog by zero.
    void refreshReadouts() override;
    void setValuesIK(GLfloat *pose);
    void updateIKslider() override;
    void configurationChanged(const QString &text);
    void Receive_Wii_Hrel(GLfloat *Hr) override;
    void setConfiguration_precise(GLfloat *val) override;
    void valueXYZWPRChanged();
    void modeMovementChanged(int index);
    void modeRotationChageAll(int code);
    void World_Definition_Changed();
    void World_Definition_Refresh();
    void Tool_Definition_Refresh();
    void Change_TCP(GLfloat *newHT) override;
    void Change_WOBJ(GLfloat *newHB) override;
    void Change_Object(GLfloat *newH, int id);
    void setRobotAxisCheckersFromRobot(GLfloat *flags);
    void disable_enable_Axis();
    void setCheckedVirtuel();
    void setUnCheckedVirtuel();
    void updateRadioButton_1();
    void updateRadioButton_2();
    void updateRadioButton_3();
    void updateRadioButton_4();
    void updateRadioButton_5();
    void updateRadioButton_6();
    void setConfigurationMode(bool extended);

    // Stations (files of robots, tools, frames and objects).
    int Save_Setup(QString *filestr);
    int Save_Setup();
    void save_Station();
    int Load_Setup(const char *file, int *language, int *euler);
    void openStationDialog(int *language, int *euler);

    // Sequences.
    int loadDemoSequence();
    int loadDemoSequence(const QString *strfile);
    void Clipboard_Paste();
    void Sequence_Execute();
    void Sequence_Stop();
    void Sequence_Reset();

    // Languages: reads the language file of the code, relabels the panel
    // and returns the 37 menu texts (empty when the file is missing).
    QStringList setLanguage(int code);
    int languageCode() const { return m_languageCode; }

    // Help, About and the external links.
    void openHelp();
    // The help in the program's own window (when no browser opens).
    QWidget *showHelpWindow(const QString &page);
    void openAbout();
    void closeAbout();
    void openWiiControl();
    void openLANcontrol();
    // The same, with the controller's address given instead of asked (an
    // empty host: asked).
    void openLANcontrolAt(const QString &host, quint16 port);
    void refreshRapidData();
    void Main_Wii_Delete_Form();
    void closeLANcontrol();
    void LANconnectionEstablished(GLfloat *thetas);

    // Behind the menus.
    QString *loadModel();
    bool loadModel(char *strrobot);
    void loadTool();
    bool loadTool(char *strtool);
    void removeTool();
    void loadObject();
    // Adds each file as an object; one message lists those refused.
    int addObjects(const QStringList &files);
    void TraceTCP_ON();
    void TraceTCP_OFF();
    void TraceTCP_RESET();
    void LAN_Send_Thetas();
    void CloseRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A refusal the user sees: the field is marked, the notice says why,
    // and the sounds play where there are any.
    void refuse(QWidget *field, const QString &why);
    void acceptInput(QWidget *field);
    // Every refusal mark and the notice off (another robot, or none).
    void clearMarks();
    // The pose and frame read-outs blank, as without a robot.
    void clearReadouts();
    void robotChanged();
    // Why a jog step to `target` is refused as a jump from the current
    // joints (empty when it is not one).
    QString jumpRefusal(const Result &target) const;
    // Why a step to these joints may not reach the controller the LAN link
    // streams to (it goes into a collision); empty when it may, or when
    // nothing streams.
    QString collisionRefusal(const float *target) const;
    // A collision of the robot, said in the status line (empty: over).
    void showCollisionNotice(const QString &text);
    // One message for the objects that were not added (`files`, their paths).
    void reportRefusedObjects(const QStringList &refused, const QStringList &files);
    bool checkTypedJoint(int k, const QString &text);
    void restoreJointBoxes();
    QString limitText(int k) const;
    // The indexed handlers the per-axis slots forward to (k = 0 for axis 1).
    void barChanged(int k, int hundredthsValue);
    void spinChanged(int k, double d);
    void jogAxisChosen(int k);
    void applyJointValues();
    void playRefusal();
    void showPose(const Matrix4 &worldTcp);
    void rebuildConfigurations(const std::vector<Result> &list, int rule);
    void writeWorldField();
    void writeToolField();
    void setJointRange(int k, float lower, float upper);
    QDoubleSpinBox *spin(int k) const { return m_spins[std::size_t(k)]; }
    QScrollBar *bar(int k) const { return m_bars[std::size_t(k)]; }

    Ui::MenuPrincipal *ui = nullptr;
    std::array<QScrollBar *, kinematics::kAxes> m_bars{};
    std::array<QDoubleSpinBox *, kinematics::kAxes> m_spins{};
    std::array<QLabel *, kinematics::kAxes> m_lower{};
    std::array<QLabel *, kinematics::kAxes> m_upper{};
    std::array<QRadioButton *, kinematics::kAxes> m_jogButtons{};
    QSound *m_music = nullptr;
    QSound *m_effect = nullptr;

    bool m_robotLoaded = false;
    bool m_toolLoaded = false;
    std::array<float, kinematics::kAxes> m_joints{};
    int m_lastDial = 50;
    int m_dialFactor = 5;
    int m_scale = 1;
    bool m_propagate = true;
    bool m_configGuard = true;
    int m_eulerTcp = 0;
    int m_eulerWorld = 0;
    int m_eulerTool = 0;
    int m_lastEuler = 0;
    int m_movementFrame = 0;
    bool m_extended = true;
    Pose6 m_worldValues{};
    std::vector<Result> m_configurations;
    QString m_robotFileName = QStringLiteral("EMPTY");
    QString m_toolFileName = QStringLiteral("EMPTY");
    int m_refusals = 0;
    QString m_notice;
    QString m_jogRefusal; // why the last jog step was refused, when it says more
    bool m_wiiRefused = false;
    QString m_savedStation;
    QString m_stationFile;
    // What the station last loaded refers to but could not load; saving
    // writes it back. The tool only while its robot stays without one.
    StationLeftovers m_unloaded;
    QPointer<Robot> m_unloadedToolRobot;
    int m_languageCode = 1;
    About *m_about = nullptr;
    Paths *m_paths = nullptr;
    FormABButility *m_rapid = nullptr;
    QPointer<Wii> m_wii;
    QPointer<QTextBrowser> m_helpWindow;
    QPointer<LANcontrol> m_lan;
    bool m_lanConnected = false;
    CollisionWatch *m_collisions = nullptr;
    QString m_collisionNotice; // the collision the notice says, while it does
};
