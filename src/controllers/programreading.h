// Programs read back from controller languages (KUKA KRL, FANUC LS, UR
// script): each reader turns its text into moves whose targets carry the
// configuration hint of their language; solveProgram() turns those into the
// program the path analysis takes, as the RAPID module reader does.
//
// The contract of every reader: a move that cannot be read is skipped with
// its line and the reason, the rest is read; only a text that is no program
// of the language at all (or larger than a module may be,
// rapid::kMaxModuleBytes) is refused. Numbers beyond
// kMaxReadMagnitude, nesting deeper than a few levels, lines and files
// beyond their limits are refused or skipped, never followed.
#pragma once

#include "controllers/configflags.h"
#include "rapid/rapidmodule.h"
#include "sequences/pathanalysis.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class Robot;

namespace controllers {

// mm and degrees beyond this are no target a library arm reaches.
constexpr double kMaxReadMagnitude = 1.0e6;
// A program holds at most this many moves (a path of kMaxNodes / 4 targets).
constexpr int kMaxReadMoves = 500000;

// How a Cartesian target says which of the arm's configurations it means.
enum class Hint
{
    None,  // the one nearest to where the arm stands, as the controller does
    Kuka,  // S (bits 0-2) and T (bits 0-5)
    Fanuc, // CONFIG: flip, up, top and the turns of axes 1, 4, 6
    Near   // the one nearest to given joint values (UR's qnear)
};

struct ReadTarget
{
    bool isJoints = false;
    // Joint values (the robot's values, degrees) of a joint target, or the
    // joint values of a Near hint.
    std::array<double, 6> joints{};
    // The TCP in the robot's base frame, mm.
    sequences::Frame pose;
    Hint hint = Hint::None;
    int status = -1; // KUKA S, bits 0-2; -1 when the target has none
    int turn = -1;   // KUKA T, bits 0-5; -1 when the target has none
    FanucConfig fanuc;
};

struct ReadMove
{
    enum Kind
    {
        Joint,
        Linear,
        Circular
    } kind = Joint;
    ReadTarget target;
    ReadTarget via; // Circular only
    sequences::Frame tool; // the TCP in the flange frame
    int line = 0;          // from 1
    double speed = 0.0;    // as sequences::ProgramLine
    double zone = sequences::kNoZone;
};

struct ReadProgram
{
    QString name;
    std::vector<ReadMove> moves;
    // "line N: what and why", in the order met.
    QStringList skipped;
    QStringList warnings;
    int skippedMoves = 0;
    // Set when the text is no program of the language (then nothing else counts).
    QString error;

    void skip(int line, const QString &why, bool isMove = true);
    void warn(int line, const QString &why);
};

struct SolvedProgram
{
    bool ok = false;
    QString error;
    std::vector<sequences::ProgramLine> program;
    std::vector<int> lines; // the file line of every program line
    // Program lines that stand for a move whose target is out of reach: the
    // path stays where it stood, and that position is a problem.
    std::vector<std::size_t> unreachable;
    QStringList skipped;
    QStringList warnings;
    int movesRead = 0;
    int movesSkipped = 0;
};

// Solves every Cartesian target of `read`, from the robot's current joint
// values onwards; the robot's joints are left as they were. The hint of a
// joint move's target (and of the first move's) chooses its configuration;
// a straight-line or circular move keeps the arm's configuration, as the
// controllers do (KUKA ignores S and T on LIN and CIRC, FANUC moves L and C
// in the configuration it stands in): its targets take the solution nearest
// to the position before. A target no configuration reaches is refused by
// the controller before the arm moves: the path stays where it stands (a
// joint move to there, listed in `unreachable`), with a warning. The path
// starts at the first move's target.
SolvedProgram solveProgram(const Robot &robot, const ReadProgram &read);

// Flags the first position of each unreachable move of `program` in `path`
// with "no inverse kinematic solution" (1), as the analysis flags a pose it
// cannot solve.
void markUnreachable(const SolvedProgram &program, sequences::PathAnalyser::Result &path);

// Whether the joint values `q` (robot values) are the configuration the
// target's hint names.
bool matchesHint(const Robot &robot, const ReadTarget &target, const float *q);

// Whether the file name ends in .src, .ls or .script (any case).
bool isControllerProgram(const QString &fileName);
// "src", "ls", "script".
QStringList programSuffixes();
// The moves of such a file, by its extension; for .src also the .dat of
// the same name beside it (names compared in any case, as the controller
// does). `error` of the result is set when the file cannot be read.
ReadProgram readProgramFile(const QString &fileName);

// A program file read and solved for the window's load command, in the
// form a RAPID module takes there.
rapid::ImportResult importProgramFile(Robot &robot, const QString &fileName);

// Text helpers shared by the readers.
// The lines of a text with CRLF, LF or CR endings.
QStringList splitLines(const QString &text);
// A plain number (sign, digits, point, exponent); false for anything else,
// not finite, or beyond kMaxReadMagnitude.
bool readNumber(const QString &text, double &value);

} // namespace controllers
