// The program being edited in the window: its lines, every edit as an
// undoable step, file reading and writing, and the path analysis of each
// line. Headless (Qt Core only): the Program dock shows and drives it, the
// tests and benchmarks use it without a window.
//
// Lines are sequences::ProgramLine values (code, six operands, speed,
// zone). The kinds a user sees map onto the instruction codes the path
// analysis knows:
//   joint move 1, linear move 2 (3 reads the same), circular via point 9,
//   circular end point 0 (the line after a via point), tool change 5
//   (x, y, z in mm, a, b, c in radians), object placement [4, 5).
// The target of a move line is its six joint values (degrees). Its TCP pose
// is shown in World coordinates, flange pose times the program's tool in
// force at that line (the last tool change above it; the flange itself when
// there is none, as the analysis and the RAPID export take it).
//
// Edits either apply completely, as one undo step, or change nothing and
// say why in `*error` (window text, in the window's language). Rows are
// 0-based. An edit never reaches for a robot that is not there: the calls
// that need one take it as a pointer, which may be null or hold no loaded
// robot; they then refuse with a message.
//
// File, reloading and the unsaved-changes prompt: `isModified()` is false
// right after load, save and New, and again when undo or redo come back to
// the step that was saved.
#pragma once

#include "kinematics/matrixtoolbox.h"
#include "sequences/pathanalysis.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class Robot;

namespace program {

enum class Kind
{
    JointMove,
    LinearMove,
    CircleVia,
    CircleEnd,
    ToolChange,
    Placement,
    Other // a code the analysis skips
};

Kind kindOf(double code);
// The code a line of the kind is written with (placement: 4, the work object).
double codeOf(Kind kind);
// The kind's name in the window's language.
QString kindName(Kind kind);
// Joint, linear and circular lines: their operands are joint values.
bool isMove(Kind kind);

// A typed cell of a line.
enum class Field
{
    Joint1, // operands 1-6: joint values of a move, the numbers of a tool
    Joint2, // change or placement (mm, then radians)
    Joint3,
    Joint4,
    Joint5,
    Joint6,
    X, // the TCP pose of a move line in the given Euler convention
    Y,
    Z,
    A,
    B,
    C,
    Speed, // "250", "v250", "" (none)
    Zone   // "10", "z10", "fine", "" (none)
};

// What the path analysis found on one line.
struct LineCheck
{
    // Problem code of the first flagged position the line made (a sum of
    // PathAnalyser::ProblemFlag); 0 none.
    int problem = 0;
    // That position in the path (from 1); 0 none.
    int position = 0;
    // Flagged positions the line made.
    int flagged = 0;
    // The analysis skipped the line: its numbers make no move.
    bool rejected = false;
    bool ok() const { return problem == 0 && !rejected; }
};

class Program : public QObject
{
    Q_OBJECT
public:
    // Undo steps kept; the oldest go first.
    static constexpr int kUndoLimit = 200;

    explicit Program(QObject *parent = nullptr);
    ~Program() override;

    // ---------------------------------------------------------- reading
    int size() const;
    const std::vector<sequences::ProgramLine> &lines() const;
    const sequences::ProgramLine &line(int row) const;
    Kind kind(int row) const;
    // TCP pose of a move line in World coordinates (see above), in the
    // Euler convention `convention`. False for other lines, without a
    // loaded robot or for a convention outside 0-4.
    bool pose(const Robot *robot, int row, int convention, Pose6 *out) const;
    // The file's text, one line a row (as save writes it).
    QString text() const;
    // The rows the last edit, undo or redo left changed or inserted, where
    // they are now (the dock selects them).
    const std::vector<int> &lastRows() const;

    // ------------------------------------------------------------ edits
    // Speed and zone given to recorded lines (0 / kNoZone: the export's
    // defaults).
    void setRecordDefaults(double speed, double zone);
    // Inserts after `after` (-1: at the top) a line of `kind` at the robot's
    // current joints: JointMove, LinearMove, CircleEnd one line; CircleVia a
    // via point and its end point (both at the current joints: the user
    // jogs on and touches the end point up); ToolChange a tool change to the
    // robot's mounted tool (the flange without one).
    bool record(const Robot *robot, Kind kind, int after, QString *error = nullptr);
    // The move line's target becomes the robot's current joints; a tool
    // change line takes the mounted tool.
    bool touchUp(const Robot *robot, int row, QString *error = nullptr);
    bool remove(const std::vector<int> &rows, QString *error = nullptr);
    // Copies of the rows, in order, after the last of them.
    bool duplicate(const std::vector<int> &rows, QString *error = nullptr);
    // Each row one place up / down; refused when one is already at the edge.
    bool moveUp(const std::vector<int> &rows, QString *error = nullptr);
    bool moveDown(const std::vector<int> &rows, QString *error = nullptr);
    // Drag and drop: the rows, in order, go before the line that is now at
    // `index` (size(): to the end).
    bool moveTo(const std::vector<int> &rows, int index, QString *error = nullptr);
    // A move line's kind among the move kinds (the target stays); a tool
    // change or placement keeps its kind (its numbers are no target).
    bool setKind(const std::vector<int> &rows, Kind kind, QString *error = nullptr);
    // One typed cell, read as the control panel reads numbers ("5,5",
    // "5.5", "5°", "5 mm"). A joint value outside the robot's limits, a pose
    // the robot cannot reach (the solution nearest the line's joints is
    // taken) and anything that is not a number are refused. The pose cells
    // and the joint limits need the robot; speed, zone and the numbers of a
    // tool change do not.
    bool setCell(const Robot *robot, int row, Field field, const QString &text, int convention,
                 QString *error = nullptr);
    // Speed and zone of several lines in one step; `speed` / `zone` as typed
    // (see Field::Speed, Field::Zone). A null text leaves that value alone.
    bool setSpeedZone(const std::vector<int> &rows, const QString &speed, const QString &zone,
                      QString *error = nullptr);
    // The whole program, as one undo step: a paste or a RAPID module (no file
    // name, counts as modified until saved). Undo gives back the program and
    // the file name that were there.
    void replace(std::vector<sequences::ProgramLine> lines);
    // New: an empty program without a file name, unmodified; undoable too.
    void clear();

    // ------------------------------------------------------------- undo
    bool canUndo() const;
    bool canRedo() const;
    // The names of the steps, in the window's language; empty when none.
    QString undoText() const;
    QString redoText() const;
    bool undo();
    bool redo();
    int undoCount() const;

    bool isModified() const;
    void setUnmodified();

    // ------------------------------------------------------------ files
    // Reads a sequence file (a program, or a position list as joint moves)
    // into the program, as one undo step; it counts as unmodified. Refused
    // with the reason, leaving the program as it was.
    bool load(const QString &fileName, QString *error = nullptr);
    // Writes the file as a whole (nothing half-written is left) and counts
    // the program as saved.
    bool save(const QString &fileName, QString *error = nullptr);
    // The file last loaded or saved; empty for a new program.
    QString fileName() const;

    // --------------------------------------------------------- analysis
    // Runs the path analysis on the program for the robot (nothing without
    // a loaded robot: every line then counts as unchecked and ok).
    void analyse(Robot *robot);
    // The analysis was run on the program as it is now.
    bool analysisCurrent() const;
    LineCheck check(int row) const;
    // The problem texts of a line, as the report shows them; empty when ok.
    QString checkText(int row) const;
    // The last analysis: the path (the player and the plots take it) and its
    // problem positions (pathId = program row).
    const sequences::PathAnalyser::Result &analysis() const;
    std::vector<sequences::PathProblem> problems() const;

signals:
    // After every edit, undo, redo, replace or load.
    void changed();
    void modifiedChanged(bool modified);
    void analysed();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace program
