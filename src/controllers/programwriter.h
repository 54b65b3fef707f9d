// A program written out in the language of a robot controller: ABB RAPID,
// KUKA KRL, FANUC LS, Universal Robots script, Yaskawa INFORM or Staubli
// VAL3. Headless: velkari-kin, the window and the tests call the same code.
//
// Every program line names the robot's joint values of its target. Joint
// moves are written with those values (the maker's own convention, as the
// robot description's angle type gives them; radians for UR); straight and
// circular moves with the TCP in the robot's base frame (the flange pose of
// those joint values times the tool in force) and the configuration flags of
// the joint values (configflags.h), in the language's orientation convention
// (orientation.h). The program declares every tool it uses; tool changes
// take effect for the moves after them; object placements have no
// instruction in any language and are left out with a note.
//
// Speed and zone of each line where the line has them; otherwise the
// defaults of WriteOptions, in the language's own units:
//   language  --speed (straight, circular)   --zone              joint moves
//   rapid     speeddata name (v100)          zonedata (z10)      the same
//   krl       $VEL.CP, m/s (0.25)             $APO.CDIS, mm (10)  BAS(#VEL_PTP) 100 %
//   ls        mm/sec (250)                    CNT 0-100 (10)      100 %
//   urscript  v, m/s (0.25)                   r, m (0.01)         v 1.05 rad/s
//   jbi       V=, mm/s (250.0)                PL 0-8 (1)          VJ=50.00 %
//   val3      tmax, mm/s (250)                leave/reach, mm (10) vel 100 %
// A line's own zone (a corner radius in mm) becomes: KRL $APO.CDIS in mm
// (C_DIS; joint moves C_PTP), FANUC CNT of the same number up to 100, UR r
// in metres, Yaskawa PL = radius / 10 rounded, 1 to 8, VAL3 leave and reach
// in mm. A line's speed in mm/s (straight, circular) or % (joint) is
// converted the same way. The last move always stops exactly (fine).
#pragma once

#include "sequences/pathanalysis.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class Robot;

namespace controllers {

enum class Language
{
    Rapid,
    Krl,
    Ls,
    UrScript,
    Jbi,
    Val3
};

struct LanguageInfo
{
    Language language;
    const char *key;   // the --format word: rapid, krl, ls, urscript, jbi, val3
    const char *title; // "KUKA KRL (.src, .dat)"
    bool oneFile;      // a single file that may go to standard output
};

// All six, RAPID first.
const std::vector<LanguageInfo> &languages();
const LanguageInfo &info(Language language);
// False for a word that is no --format.
bool languageOfKey(const QString &key, Language &language);
// The language of a robot maker as the library names it ("KUKA", "FANUC",
// "Universal Robots", "Yaskawa", "Staubli", any case; "Stäubli" too); RAPID
// for ABB, for any other maker and for none.
Language languageOfMaker(const QString &maker);
// The maker of the robot's description (its Robot_Info), empty when none.
QString makerOf(const Robot &robot);
// The languages in the order a chooser offers them: the robot's maker's
// first, then the others in the order of languages().
std::vector<Language> languagesFor(const Robot &robot);

// Whether `name` can name a program in `language`; the reason when not.
bool checkName(Language language, const QString &name, QString *why = nullptr);
// The longest name the language takes.
int maxNameLength(Language language);
// A name the language accepts, made from any text (a file name say).
QString nameFrom(Language language, const QString &text);

// The default speed and zone a language takes when WriteOptions leaves them
// empty, their unit and the values accepted (not for RAPID, whose defaults
// are speeddata and zonedata names).
struct DefaultValue
{
    const char *unit;
    double value, lowest, highest;
    bool whole; // PL and CNT levels
};
DefaultValue defaultSpeed(Language language);
DefaultValue defaultZone(Language language);

struct WriteOptions
{
    QString name;  // program name; must pass checkName
    QString speed; // default speed in the language's units; empty: the table above
    QString zone;  // default zone in the language's units; empty: the table above
};

struct OutputFile
{
    QString path; // relative: "NAME.src", "NAME/start.pgx"
    QByteArray bytes;
};

struct WriteResult
{
    bool ok = false;
    QString error; // why nothing was written
    std::vector<OutputFile> files;
    // Program lines (from 1) left out or changed, each with why.
    QStringList notes;
    int moves = 0; // motion instructions written (a circle counts once)
};

// Writes `program` for the robot as it is loaded (its tool is the tool of the
// program until a tool change). The robot's joint values are not changed.
WriteResult writeProgram(Robot &robot, const std::vector<sequences::ProgramLine> &program,
                         Language language, const WriteOptions &options);

} // namespace controllers
