// Programs to and from RAPID program modules, the text an ABB controller
// loads and saves. Headless: the command-line tool and the tests use it as
// the main window does.
//
// Out: every program line becomes one instruction of PROC main(), joint
// moves as MoveAbsJ to a CONST jointtarget, straight-line moves as MoveL and
// circular moves as MoveC to CONST robtargets (the TCP in the work object,
// with the configuration data of the joint values), tool changes as the
// tooldata the following instructions name. Each move takes its line's
// speed and zone (standard speeddata and zonedata by name, others declared),
// the options' speed and zone where the line names none; the last move
// stops (fine).
//
// In: the modules of one program (a main module beside the one the
// controller keeps its tools and work objects in, say) are read together:
// their robtarget, jointtarget, tooldata, wobjdata, num and bool data, and
// the procedure run from `main` (or the one named) as the controller would
// run it, calls followed, FOR loops with known bounds repeated, branches
// taken when their condition is known and every branch in the order written
// when it is not. Its moves (MoveAbsJ, MoveJ, MoveL, MoveC and the
// instructions that move as they do) become the program the path analysis
// takes: every target is solved with its tool, work object and configuration
// data. What is not understood is skipped with a note naming its lines; a
// declaration or an instruction that is malformed refuses the whole
// program.
#pragma once

#include "sequences/pathanalysis.h"

#include <QString>
#include <QStringList>
#include <vector>

class Robot;

namespace rapid {

// The circle's end point follows its via point as a line of this code: the
// analysis reads it as the end of the arc and makes no move of its own for it.
constexpr double kCircleEndCode = 0.0;
// A module is read up to this size: ten thousand targets fit many times over.
constexpr qint64 kMaxModuleBytes = qint64(16) * 1024 * 1024;

struct ExportOptions
{
    QString moduleName = QStringLiteral("Velkari");
    QString speed = QStringLiteral("v100");
    QString zone = QStringLiteral("z10");
};

// The speeddata and zonedata of the controller's standard set.
QStringList speedNames();
QStringList zoneNames();
// A RAPID name (a letter, then letters, digits and '_', at most 32) made
// from any text, a file name say; "Velkari" when nothing usable is left.
QString identifierFrom(const QString &text);
bool isIdentifier(const QString &text);

// The program of a sequence text: a program as it stands, a position list as
// one joint move per position. `sourceLines` gets the text line of each.
std::vector<sequences::ProgramLine> programFromText(const QString &text,
                                                    std::vector<int> *sourceLines = nullptr);

struct ExportResult
{
    QString module;
    // Program lines (from 0) with no RAPID instruction (object placements, a
    // circle without its end point), each with why.
    QStringList notes;
    // Why no module was written: its name is a RAPID reserved word or a name
    // the module uses itself, which the controller refuses. Empty otherwise.
    QString error;
};

// The module of `program` for the robot's current tool (HT) and World frame
// (HB). Tool changes and targets come from the program's own numbers; the
// robot's joint values are not changed. A module name (made an identifier
// first) that the controller would refuse gives `error` and no module.
ExportResult exportModule(Robot &robot, const std::vector<sequences::ProgramLine> &program,
                          const ExportOptions &options);

// The warning shown before a program with problem positions is exported:
// one line per problem position with its program line (from 1, or the text
// line when `sourceLines` is given) and what is wrong there.
QString problemWarning(const std::vector<sequences::PathProblem> &problems,
                       const std::vector<int> *sourceLines = nullptr, int maxLines = 50);

// One module of a program: the name shown with its lines when the program
// has several, and its text.
struct ModuleSource
{
    QString name;
    QString text;
};

struct ImportResult
{
    bool ok = false;
    // Why the module was refused ("line 12: ..."); empty when ok.
    QString error;
    QString procedure;
    // Move instructions read (each time one runs) and move instructions not
    // read (each once, with why in `skipped`).
    int movesRead = 0;
    int movesSkipped = 0;
    // How the procedure was read where the text alone does not tell: every
    // branch taken, a loop run once or cut short.
    QStringList notes;
    std::vector<sequences::ProgramLine> program;
    // The module line (from 1) of every program line.
    std::vector<int> lines;
    // Lines that were skipped, and targets taken with another configuration.
    QStringList skipped;
    QStringList warnings;
    // Program lines (from 0) standing for a move whose target no
    // configuration reaches: a joint move to where the path stood before
    // it, which markUnreachable flags once the program is analysed.
    std::vector<std::size_t> unreachable;
};

// Reads `text` as a module and builds the program of its procedure main (or
// the first when none is called main), or of the one named `procedure` (any
// case). Each target is solved in its own configuration, the first one
// seeded by the robot's current joint values; the robot's joints are left as
// they were.
ImportResult importModule(Robot &robot, const QString &text, const QString &procedure = QString());
// The same for the modules of one program; without `procedure` the one named
// main, else the first. Its lines in messages carry the module's name.
ImportResult importModules(Robot &robot, const std::vector<ModuleSource> &modules,
                           const QString &procedure = QString());

// The modules of `files`: module files as they are, a program file (.pgf,
// the controller's XML list of a program's modules) as the modules it names,
// found beside it. False with the reason in `error`.
bool readProgramFiles(const QStringList &files, std::vector<ModuleSource> &modules,
                      QString &error);

// Flags the first position of each of the module's unreachable moves in
// `path` (the analysis of result.program) as having no solution.
void markUnreachable(const ImportResult &module, sequences::PathAnalyser::Result &path);

// A module file's text: bytes up to the first NUL, at most kMaxModuleBytes,
// as UTF-8. False with the reason in `error` when it cannot be read.
bool readModuleFile(const QString &fileName, QString &text, QString &error);

// The program as sequence text (code and six operands a line), as a .sim file
// holds it; loading it plays the program through the path analysis.
QString programText(const std::vector<sequences::ProgramLine> &program);

// Rigid frames of the module's tools, work objects and targets: a after b,
// and the inverse.
sequences::Frame compose(const sequences::Frame &a, const sequences::Frame &b);
sequences::Frame inverse(const sequences::Frame &a);
// The operands of a tool change line (code 5) that set `f`.
std::array<double, 6> toolChangeOperands(const sequences::Frame &f);

} // namespace rapid
