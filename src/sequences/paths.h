// The sequence list and its player. Paths holds the nodes read from a
// sequence file, the clipboard or the data server, runs the path analysis
// for programs, and steps the robot through the nodes on a 0 ms timer or by
// hand, by signals to the control panel and the view (see ui/playerwiring.h).
//
// Without setupWidgets() it works headless: the player state is kept all the
// same, only nothing is shown.
#pragma once

#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <GL/gl.h>
#include <QDockWidget>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QSlider;
class Robot;
namespace collision {
class CollisionWorld;
}

class Paths : public QObject
{
    Q_OBJECT
public:
    using nodeJOINTS = sequences::Node;

    explicit Paths(QObject *parent = nullptr);
    ~Paths() override;

    // Where the current robot comes from; asked afresh every time, as the
    // robot may change or disappear at any moment. Without a loaded robot
    // nothing is read, analysed or played.
    void setRobotProvider(std::function<Robot *()> provider);
    Robot *robot() const;
    // The robot's cell: programs are checked against it as they are
    // analysed (null: no collision checking). It must outlive this player.
    void setCollisionWorld(collision::CollisionWorld *world) { m_collisionWorld = world; }

    // Builds the player into the dock (buttons, position slider and field,
    // count and status labels) and empties the list.
    void setupWidgets(QDockWidget *simulationDock);
    // Tooltips of the player's buttons in the language applied last.
    void retranslate();

    // One text line: 6 or 7 in *count and the values (the seventh 0 for a
    // line of six), or 0 in *count when the line holds fewer than six fields.
    static std::array<float, 7> Parse_Sequence_Line(const QString &line, int *count);

    // Replaces the list by the lines of `text`; a text whose first line has
    // seven fields is a program and goes through the path analysis. Playback
    // starts at the first node. Returns the node count, or -1 without a
    // robot or for a text with a line that is not numbers (the list is then
    // left as it was; the player's status line names the line).
    int Load_Sequence_Text(const QString &text);
    // The same for an array of `rows` x `cols` numbers stored column by
    // column, one node per column (7 rows or more: a program). Returns the
    // node count, or -1 without a robot or for fewer than 6 rows, no column
    // or too few values.
    int loadSequenceArray(int rows, int cols, const double *columnMajor, qint64 valueCount);
    // Ready nodes (a computed path, say) as the new list, played as they
    // stand. Returns the node count, or -1 without a robot.
    int Load_Sequence_Nodes(std::vector<nodeJOINTS> nodes);
    // A sequence file: its text up to the first NUL byte. Returns 0, or -1
    // without a robot, when the file cannot be read or its text is refused.
    int loadSequenceFile(const QString &fileName);

    // The analysis of the program in the list, which it replaces by the
    // computed joint path. Reports discontinuities and replaces the trace.
    void Analyse_Path();
    // A program analysed elsewhere (the program editor) as the new list:
    // its path, trace and problems, without a report. The player stops on
    // its first position without applying it. Returns the node count, or -1
    // without a robot or during an analysis.
    int showProgram(std::vector<sequences::ProgramLine> program,
                    const sequences::PathAnalyser::Result &result);

    // List and player state.
    const std::vector<nodeJOINTS> &nodes() const { return m_nodes; }
    int count() const { return int(m_nodes.size()); }
    int currentIndex() const { return m_current; }
    int step() const { return m_step; }
    bool looping() const { return m_loop != 0; }
    bool playing() const { return m_timer.isActive(); }
    // A long analysis is running (the event loop turns meanwhile; new
    // sequences are refused until it ends).
    bool analysing() const { return m_analysing; }
    QString statusText() const { return m_status; }
    const QTimer &timer() const { return m_timer; }

    // The report window: shown (non-modal, without parent) unless switched
    // off; the text of the last report is kept either way.
    void setReportShown(bool shown) { m_reportShown = shown; }
    QString lastReportHtml() const { return m_lastReportHtml; }
    QMessageBox *reportWindow() const;
    // The program the list was computed from; empty for a position list.
    const std::vector<sequences::ProgramLine> &program() const { return m_program; }
    // Problems of the last analysis, in path order.
    const std::vector<sequences::PathProblem> &lastProblems() const { return m_problems; }

    // The player's keys without Shift or Ctrl: Down plays, Up rewinds, Right
    // and Left stop and step, Escape stops. Returns whether the key was one.
    bool handleKey(QKeyEvent *event);

    // Widgets, for tests and for the window that holds the dock.
    QWidget *playerWidget() const { return m_player; }
    QSlider *positionSlider() const;
    QLineEdit *positionField() const;
    QLabel *countLabel() const;
    QLabel *statusLabel() const;
    QPushButton *button(const QString &objectName) const;

signals:
    void setConfiguration_precise_signal(GLfloat *joints);
    void updateIKslider_signal();
    void Change_TCP_signal(GLfloat *rowMajorPose);
    void Change_WOBJ_signal(GLfloat *rowMajorPose);
    void Change_Object_signal(GLfloat *rowMajorPose, int id);
    void TCP_Points_Add_signal(GLfloat *rowMajorPose);
    void TCP_Points_Clear_signal();
    void RenderGL();
    // For views that follow the player (the plots): a program's analysis,
    // sent before the list is replaced by its path; every change of the
    // list; every position shown (index from 0).
    void pathAnalysed(const sequences::PathAnalyser::Result &result);
    void listChanged();
    void positionShown(int index);
    // A program text was read into the list (a file, a paste, a RAPID
    // module), after its analysis; not sent for showProgram.
    void programRead(const QString &text);

public slots:
    void Sequence_On_Timer();
    void SetSimulationToPosition(int pos_abs);
    void Sequence_End();
    void Sequence_Execute();
    void Sequence_Execute_Fast();
    void Sequence_Stop();
    void Sequence_Reset();
    void Sequence_Toggle_Redo();
    void LEposEdited(const QString &txtin);
    void Sequence_Step_Forward();
    void Sequence_Step_Back();
    void Sequence_Clear();
    // The data server's arrays: rows x cols values, column by column.
    int Load_Sequence_Array(int rows, int cols, const QVector<double> &columnMajor);
    // The clipboard's text as a sequence; nothing without a robot or text.
    void Clipboard_Paste();

public:
    // Applies one node: joints, tool, work object or object placement.
    void set_QTOTAL_Nodei(const nodeJOINTS &node);
    // What the player says when it stops before a flagged position (index
    // into the list, -1: none known).
    QString problemStatus(int code, int index) const;

private:
    bool robotReady() const;
    // A list of positions with one outside the robot's limits is refused as
    // a whole, the first such position and axis shown; true when refused.
    bool refusedPositions(const std::vector<nodeJOINTS> &nodes);
    void startPlayback();
    void applyPlacement(const nodeJOINTS &node);
    void showPosition();
    void setStatus(const QString &text);
    // A sequence refused: said in the player's status line, which is shown.
    void refuse(const QString &text);
    void showReport(const QString &html, const QString &details);
    // The analysed path as the list, its problems and its trace.
    void takePath(const sequences::PathAnalyser &analyser,
                  const sequences::PathAnalyser::Result &result, const Robot &robot);

    std::vector<nodeJOINTS> m_nodes;
    std::vector<sequences::ProgramLine> m_program;
    int m_current = 0;
    int m_step = 1;
    int m_loop = 0;
    QTimer m_timer;
    QString m_status;
    std::function<Robot *()> m_robotProvider;
    collision::CollisionWorld *m_collisionWorld = nullptr;

    bool m_analysing = false;
    bool busy();
    bool m_reportShown = true;
    QString m_lastReportHtml;
    std::unique_ptr<QMessageBox> m_report;
    std::vector<sequences::PathProblem> m_problems;

    QPointer<QDockWidget> m_dock;
    QPointer<QWidget> m_player;
    QPushButton *m_loopButton = nullptr;
    QSlider *m_slider = nullptr;
    QLineEdit *m_field = nullptr;
    QLabel *m_countLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
};
