// The Program dock: the program being edited as a table, with the commands
// that make it in the window. Recording takes the robot where the user
// jogged it; every edit is one undo step of the program model, is analysed
// at once (the table and the Plots dock show each line's problems), and is
// what the player plays. Picking a line moves the robot to its target, as
// the player would, through the joint-limit gate.
//
// It reaches the control panel only through PanelCommands, and does nothing
// that needs a robot when none is loaded (recording says why).
#pragma once

#include "program/program.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class PanelCommands;
class Paths;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolBar;
class Robot;

namespace programui {
class ProgramTable;
}

class ProgramDock : public QWidget
{
    Q_OBJECT
public:
    ProgramDock(PanelCommands *panel, Paths *paths, QWidget *parent = nullptr);
    ~ProgramDock() override;

    program::Program *program() const { return m_program; }
    QTableView *table() const { return m_table; }
    QToolBar *toolBar() const { return m_toolBar; }
    QLineEdit *speedField() const { return m_speed; }
    QLineEdit *zoneField() const { return m_zone; }
    QComboBox *kindBox() const { return m_kind; }
    // The last refusal or report, empty after the next good edit.
    const QString &notice() const { return m_notice; }

    // For the window's menus: New, Open, Save, Save As; Undo and Redo; the
    // recording and editing commands (also on the dock's tool bar).
    QList<QAction *> fileActions() const;
    QList<QAction *> undoActions() const;
    QList<QAction *> editActions() const;

    // Files without a dialog (the dialogs end here). False, with the reason
    // in the notice, when nothing was read or written.
    bool openFile(const QString &fileName);
    bool saveFile(const QString &fileName);
    // Saves to the program's file, or asks for one. False when not saved.
    bool save();
    // Whether the program may be replaced or the window closed: unmodified,
    // saved now, or discarded by the user.
    bool mayDiscard();
    // What the unsaved-changes question answers while the window is not
    // interactive (tests): a QMessageBox::StandardButton.
    static void setUnsavedAnswer(int standardButton);

    // The analysis now rather than on the next turn of the event loop.
    void analyseNow();
    // Texts in the language applied last.
    void retranslate();
    // The pose columns again (another convention, frame or tool).
    void refreshPoses();

signals:
    void noticeChanged(const QString &text);

private:
    Robot *robot() const;
    std::vector<int> selectedRows() const;
    int currentRow() const;
    // An edit's outcome: on success the table and the selection follow the
    // program; a refusal is shown.
    void done(bool ok, const QString &error);
    // A refusal (marked) or a report (plain); empty clears it.
    void say(const QString &text, bool refusal = true);
    void record(program::Kind kind);
    void touchUp();
    void goTo(int row);
    void selectRows(const std::vector<int> &rows);
    void programChanged();
    void updateUndoTexts();
    void takeFromPlayer(const QString &text);
    void openWithDialog();
    bool saveWithDialog();
    QAction *makeAction(const QString &name, const QKeySequence &keys = QKeySequence());

    PanelCommands *m_panel;
    QPointer<Paths> m_paths;
    program::Program *m_program;
    programui::ProgramTable *m_model;
    QTableView *m_table = nullptr;
    QToolBar *m_toolBar = nullptr;
    QComboBox *m_kind = nullptr;
    QLineEdit *m_speed = nullptr;
    QLineEdit *m_zone = nullptr;
    QPushButton *m_apply = nullptr;
    QLabel *m_status = nullptr;
    QString m_notice;
    QTimer m_analysis;
    // The program came from the player, which already plays its path.
    bool m_fromPlayer = false;
    // The selection is being set by an edit, not picked by the user.
    bool m_selecting = false;

    QAction *m_new, *m_open, *m_save, *m_saveAs;
    QAction *m_undo, *m_redo;
    QAction *m_recordJoint, *m_recordLinear, *m_recordCircle, *m_recordTool;
    QAction *m_touchUp, *m_delete, *m_duplicate, *m_up, *m_down;
};
