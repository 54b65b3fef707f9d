// velkari-kin: forward and inverse kinematics of a robot description from
// the command line or a script, without a display.
//
// Answers go through one large buffer that is written out when it fills and
// whenever the program is about to wait for more input. A batch piped in
// therefore costs one write per input chunk, not one per line, while a
// program that sends a line and waits for the answer still gets it at once.
#include "kincommands.h"
#include "exportcommands.h"
#include "modulecommands.h"
#include "controllercommands.h"
#include "kincsv.h"
#include "stationcell.h"

#include "controllers/programreading.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "models/xml.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitMalformed = 1;
constexpr int kExitUnusable = 2;
constexpr std::size_t kInputChunk = 1 << 20;
constexpr std::size_t kOutputChunk = 1 << 18;

const char kUsage[] =
    "Usage: velkari-kin ROBOT.xml [--tool FILE.tool] [--euler N] [COMMAND ...]\n"
    "       velkari-kin ROBOT.xml check FILE [--path | --csv]\n"
    "       velkari-kin ROBOT.xml check MODULE.mod [MODULE.mod ...] [--path | --csv]\n"
    "                   [--proc NAME]\n"
    "       velkari-kin ROBOT.xml check PROGRAM.src|.ls|.script [--path | --csv]\n"
    "       velkari-kin ROBOT.xml [--tool FILE.tool] export PROGRAM.sim [--name NAME]\n"
    "                   [--speed S] [--zone Z] [--format F] [--out DIR]\n"
    "       velkari-kin --station STATION.vks [--tool FILE.tool] [COMMAND ...]\n"
    "\n"
    "Forward and inverse kinematics of a robot description. Commands are read\n"
    "from standard input, one per line, and each is answered on standard output.\n"
    "When a command follows the options, that command alone is run.\n"
    "A robot or tool named without a directory that is not in the working\n"
    "directory is looked up in the installation's CAD_Robots/ or CAD_Tools/.\n"
    "\n"
    "Options:\n"
    "  --tool FILE.tool  mount a tool: the TCP is its tool centre point\n"
    "                    (without a tool the TCP is the flange)\n"
    "  --euler N         Euler convention of the pose commands, default 0:\n"
    "                      0  Rz(A) Ry(B) Rx(C)   Z->Y'->X''\n"
    "                      1  Rx(C) Ry(B) Rz(A)   Z->Y->X, fixed axes\n"
    "                      2  Rz(A) Rx(B) Rz(C)   Z->X'->Z''\n"
    "                      3  Rz(C) Ry(B) Rx(A)   X->Y->Z, fixed axes\n"
    "                      4  Rz(A) Ry(B) Rz(C)   Z->Y'->Z''\n"
    "  --station FILE.vks  take the robot, its tool, placement, World frame and\n"
    "                    joints and the objects from a station file, in place\n"
    "                    of ROBOT.xml; check then also checks every position of\n"
    "                    a program for collisions of the robot and its tool with\n"
    "                    the objects and of the tool with links 1 to 3 (code\n"
    "                    1000000, \"tool collides with table\")\n"
    "  --help            show this text\n"
    "\n"
    "Commands. Joint values are degrees in the robot's own convention, lengths\n"
    "millimetres; matrices are 16 numbers, row by row, translation in numbers\n"
    "3, 7 and 11 (counting from 0); every TCP is in World coordinates.\n"
    "  set J1 J2 J3 J4 J5 J6    make these the current joint values; answers ok\n"
    "  fk J1 J2 J3 J4 J5 J6     the TCP matrix at these joint values\n"
    "  pose J1 J2 J3 J4 J5 J6   the TCP pose at these joint values: X Y Z A B C\n"
    "  ik M0 M1 ... M15         every configuration that reaches this TCP matrix\n"
    "  ikpose X Y Z A B C       the same for a pose in the chosen convention\n"
    "  limits                   lower and upper limit of axes 1 to 6: 12 integers\n"
    "fk and pose leave the current joint values as they are; only set changes\n"
    "them, and ik starts from them. ik and ikpose answer \"N C\": N configurations,\n"
    "C the index (from 0) of the one chosen as nearest to the current joint\n"
    "values or -1, then N lines \"Q1 Q2 Q3 Q4 Q5 Q6 BASIC CHOSEN NEAR\", the last\n"
    "three 0 or 1: BASIC a closed-form solution rather than a +-360 degree\n"
    "variant, NEAR the chosen one is a small move from the current values.\n"
    "Numbers are printed with six decimals. Blank lines and lines beginning with\n"
    "# are skipped. A malformed command is answered by \"error: \" and the reason,\n"
    "and the next line is read. An arm neither solver is written for (not a\n"
    "spherical wrist, nor axes 2 to 4 parallel: a planar arm, say) answers ik\n"
    "and ikpose with \"error: no inverse kinematics for this arm's geometry\".\n"
    "Any \"error: \" answer makes the exit status 1.\n"
    "\n"
    "check FILE reads a sequence file (a position list or a program) as the\n"
    "simulator does, runs its path continuity analysis and prints\n"
    "\"positions K problems P\", then one line per problem: the position number\n"
    "(from 1), the path id (the program line, from 0, among the lines that hold\n"
    "numbers), the problem code and its texts. Codes add up: 1 no inverse\n"
    "kinematic solution, 10 a joint jump, 100 joint 5 crosses 0 degrees, 1000\n"
    "joint 5 is within 3 degrees of 0, 10000 the path is cut at two million\n"
    "positions. Problems are listed even when the program's first code switches\n"
    "the simulator's report off. With --path every position follows: type, six\n"
    "joint values, problem code. With --csv the table that the Plots dock\n"
    "exports is written instead of all this: a header line, then per position\n"
    "its number, path id, type, six joint values, problem code and TCP x, y, z\n"
    "in the robot's base frame. A position list is played as it stands; each\n"
    "of its positions outside the joint limits is a problem of code 100000.\n"
    "Poses are those of the flange and of the program's tool changes; --tool\n"
    "and --euler play no part.\n"
    "\n"
    "Sequence files (.sim, .csv, .txt). The values of a line are separated by\n"
    "tabs, commas or blanks. The first line decides what the file is, and every\n"
    "line must hold numbers only: a comment, a header or a word on any line\n"
    "refuses the file, and the message names the line.\n"
    "  Position list: six joint values per line, degrees, shown one after the\n"
    "  other. Example:\n"
    "    0 -10 20 0 70 0\n"
    "    10 -10 20 0 70 0\n"
    "    10 0 30 0 60 90\n"
    "  Program: a code and six operands per line. Joint values in degrees,\n"
    "  positions in millimetres, the angles of codes 4 and 5 in radians.\n"
    "    1 J1 ... J6        joint move to these joint values\n"
    "    2 J1 ... J6        straight-line move to the pose these joints reach\n"
    "                       (3 is the same)\n"
    "    9 J1 ... J6        circular move through this pose to the pose of the\n"
    "                       next line, which then runs as its own instruction\n"
    "    5 X Y Z A B C      tool change: the program's poses are the flange\n"
    "                       moved by X, Y, Z and turned by A, B, C about X, Y, Z\n"
    "    4 X Y Z A B C      place the work object; 4.01 to 4.99 place object\n"
    "                       number (code - 4) x 100\n"
    "  A first line whose code is 1000 or more is no instruction: it switches\n"
    "  the simulator's problem report and TCP trace off. Example (a pen of\n"
    "  140 mm, a joint move, a line, an arc, then object 1 placed):\n"
    "    5 0 0 140 0 0 0\n"
    "    1 0 -10 20 0 70 0\n"
    "    2 10 -10 20 0 70 0\n"
    "    9 20 0 20 0 60 0\n"
    "    2 30 -10 20 0 70 0\n"
    "    4.01 400 0 0 0 0 1.5708\n"
    "\n"
    "Exit status: 0; 1 when a command was malformed; 2 when the robot, the tool\n"
    "or an option cannot be used. check: 0 when the path is continuous, 3 when\n"
    "it has problems, 2 when the robot or the sequence file cannot be read or\n"
    "one of its lines is not a line of numbers.\n"
    "The library's debug output stays off unless QT_LOGGING_RULES switches it on.\n"
    "\n"
    "check MODULE.mod reads a RAPID module (a file whose first word is MODULE,\n"
    "or a controller's .prg file behind its %%% header lines); several modules\n"
    "name one program (a main module and the one that holds its tools and work\n"
    "objects, say), and so does a program file (.pgf, the XML list of a\n"
    "program's modules beside it). Read are the robtarget, jointtarget,\n"
    "tooldata, wobjdata, num and bool data of every module and the procedure\n"
    "main (else the first procedure, or NAME with --proc) as the controller runs\n"
    "it: procedure calls followed with their arguments; FOR loops with known\n"
    "bounds repeated (at most 1000 times each); IF, WHILE and TEST taken as\n"
    "their condition says when it is known, and every branch in the order\n"
    "written when it is not; Offs and RelTool targets computed. MoveAbsJ,\n"
    "MoveJ, MoveL and MoveC move, and so do MoveJDO, MoveLDO, MoveJSync,\n"
    "MoveLSync, TriggJ, TriggL, TriggC, SearchL (to its target), ArcL and ArcC.\n"
    "Targets are solved with their tool, work object and confdata, and the\n"
    "program is checked as above; the problem lines give the module line\n"
    "instead of the path id. Standard error names the procedure, lists every\n"
    "line skipped and why, says how branches and loops were read, and ends with\n"
    "\"moves: R read, S skipped\" (R counts each run of a move). When a move was\n"
    "skipped, the first line of standard output says so too: exit status 0\n"
    "then means that the moves read make a continuous path, not all of them.\n"
    "A target no configuration reaches is a problem position (code 1) where the\n"
    "path stands.\n"
    "export PROGRAM.sim writes the sequence as a RAPID module on standard output\n"
    "(MoveAbsJ, MoveL, MoveC; the tool of --tool, speed and zone data as given,\n"
    "fine on the last point). Exit status 3 when the program has problem\n"
    "positions (they are listed on standard error, the module is written all\n"
    "the same), 2 when the sequence cannot be read or the controller would refuse\n"
    "the module name: a RAPID reserved word or a name the module uses itself.\n"
    "--format F writes the language F instead: rapid, krl (KUKA .src and .dat),\n"
    "ls (FANUC), urscript (Universal Robots .script), jbi (Yaskawa INFORM) or\n"
    "val3 (Staubli project folder); without it, the language of the robot's\n"
    "maker (RAPID for ABB and for a robot without one). --out DIR writes the\n"
    "files into DIR, named after the program or --name; without it a one-file\n"
    "language goes to standard output. --speed and --zone are the defaults for\n"
    "lines without their own, in the language's units: KRL m/s and mm, LS\n"
    "mm/sec and CNT, URScript m/s and m, INFORM mm/s and PL, VAL3 mm/s and mm.\n"
    "check PROGRAM.src (KUKA, with the .dat of the same name beside it),\n"
    "PROGRAM.ls (FANUC) or PROGRAM.script (Universal Robots) reads the targets\n"
    "and moves of the program, chooses each Cartesian target's configuration\n"
    "from its S and T, CONFIG or qnear, and checks it as above. Moves that\n"
    "cannot be read are listed on standard error with their line and why; the\n"
    "last line there counts the moves read and skipped.\n";

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

class Output
{
public:
    Output() { m_buffer.reserve(kOutputChunk + kOutputChunk / 4); }
    std::string &buffer() { return m_buffer; }
    void flushIfFull()
    {
        if (m_buffer.size() >= kOutputChunk)
            flush();
    }
    void flush()
    {
        if (!m_buffer.empty() && !m_error &&
            !writeAll(STDOUT_FILENO, m_buffer.data(), m_buffer.size()))
            m_error = errno;
        m_buffer.clear();
    }
    bool failed() const { return m_error != 0; }
    int error() const { return m_error; }

private:
    std::string m_buffer;
    int m_error = 0;
};

// Lines of standard input, read in large chunks. A line longer than the
// buffer grows it, so no line is ever cut in two.
class LineReader
{
public:
    explicit LineReader(Output &output) : m_output(output), m_buffer(kInputChunk) {}

    bool next(std::string_view &line)
    {
        for (;;) {
            const char *start = m_buffer.data() + m_begin;
            const void *nl = std::memchr(start, '\n', m_end - m_begin);
            if (nl) {
                const auto length = std::size_t(static_cast<const char *>(nl) - start);
                line = std::string_view(start, length);
                m_begin += length + 1;
                return true;
            }
            if (m_eof) {
                if (m_begin == m_end)
                    return false;
                line = std::string_view(start, m_end - m_begin); // last line without '\n'
                m_begin = m_end;
                return true;
            }
            fill();
        }
    }

private:
    void fill()
    {
        if (m_begin > 0) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        if (m_end == m_buffer.size())
            m_buffer.resize(m_buffer.size() * 2);
        // Whoever sent the lines read so far may be waiting for their answers
        // before sending more.
        m_output.flush();
        for (;;) {
            const ssize_t n =
                ::read(STDIN_FILENO, m_buffer.data() + m_end, m_buffer.size() - m_end);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                m_eof = true;
            else
                m_end += std::size_t(n);
            return;
        }
    }

    Output &m_output;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
};

int unusable(const std::string &message)
{
    std::fprintf(stderr, "velkari-kin: %s\n", message.c_str());
    return kExitUnusable;
}

// Without a robot the whole text helps; after a mistyped option its first
// line is enough to show what went wrong.
int usageError(const std::string &message, bool fullText)
{
    if (fullText) {
        std::fprintf(stderr, "velkari-kin: %s\n\n%s", message.c_str(), kUsage);
    } else {
        const std::string_view usage(kUsage);
        const std::string firstLine(usage.substr(0, usage.find('\n')));
        std::fprintf(stderr, "velkari-kin: %s\n%s\nRun velkari-kin --help for the commands.\n",
                     message.c_str(), firstLine.c_str());
    }
    return kExitUnusable;
}

// A file as given; failing that, a bare file name in the installation's
// data directory `dataDir`.
QString locate(const std::string &given, const QString &dataDir)
{
    const QString path = QFile::decodeName(given.c_str());
    if (QFileInfo(path).isFile() || path.contains(QLatin1Char('/')))
        return path;
    const QString installed = dataDir + path;
    return QFileInfo(installed).isFile() ? installed : path;
}

bool parseConvention(std::string_view text, int &convention)
{
    const char *end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, convention);
    return r.ec == std::errc() && r.ptr == end && !text.empty() &&
           toolbox::isEulerConvention(convention);
}

struct Options
{
    std::string robot;
    std::string station;
    std::string tool;
    int convention = 0;
    std::string command;
    bool hasCommand = false; // otherwise the commands come from standard input
    bool help = false;
    bool check = false;
    std::string checkFile;
    std::vector<std::string> moreFiles; // the other modules of a program
    bool checkPath = false;
    std::string procedure;
    bool exportProgram = false;
    std::string exportName, exportSpeed, exportZone, exportFormat, exportOut;
    bool checkCsv = false;
};

// export PROGRAM.sim [--name NAME] [--speed S] [--zone Z], from argv[i + 1].
std::string parseExport(int i, int argc, char **argv, Options &o)
{
    o.exportProgram = true;
    for (int k = i + 1; k < argc; ++k) {
        const std::string_view a = argv[k];
        std::string *value = a == "--name"    ? &o.exportName
                             : a == "--speed" ? &o.exportSpeed
                             : a == "--zone"  ? &o.exportZone
                             : a == "--format" ? &o.exportFormat
                             : a == "--out"    ? &o.exportOut
                                              : nullptr;
        if (value) {
            if (k + 1 >= argc || argv[k + 1][0] == '\0')
                return std::string(a) + " needs a value";
            *value = argv[++k];
        } else if (o.checkFile.empty() && !a.empty()) {
            o.checkFile = std::string(a);
        } else {
            return "export takes one sequence file, --name, --speed, --zone, --format and "
                   "--out, not '" +
                   std::string(a) + "'";
        }
    }
    if (o.checkFile.empty())
        return "export needs a sequence file";
    return std::string();
}

// Returns an empty text on success, else what is wrong with the arguments.
std::string parseArguments(int argc, char **argv, Options &o)
{
    bool haveRobot = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                o.help = true;
            } else if (arg == "--tool" || arg.substr(0, 7) == "--tool=") {
                if (arg == "--tool" && i + 1 >= argc)
                    return "--tool needs a file name";
                o.tool = arg == "--tool" ? std::string(argv[++i]) : std::string(arg.substr(7));
                if (o.tool.empty())
                    return "--tool needs a file name";
            } else if (arg == "--station" || arg.substr(0, 10) == "--station=") {
                if (arg == "--station" && i + 1 >= argc)
                    return "--station needs a station file";
                o.station =
                    arg == "--station" ? std::string(argv[++i]) : std::string(arg.substr(10));
                if (o.station.empty())
                    return "--station needs a station file";
                haveRobot = true; // the station names the robot
            } else if (arg == "--euler" || arg.substr(0, 8) == "--euler=") {
                if (arg == "--euler" && i + 1 >= argc)
                    return "--euler needs a number from 0 to 4";
                const std::string_view value =
                    arg == "--euler" ? std::string_view(argv[++i]) : arg.substr(8);
                if (!parseConvention(value, o.convention))
                    return "--euler needs a number from 0 to 4, not '" + std::string(value) + "'";
            } else {
                return "unknown option '" + std::string(arg) + "'";
            }
            continue;
        }
        if (!haveRobot) {
            o.robot = std::string(arg);
            haveRobot = true;
            continue;
        }
        if (arg == "check") {
            // The file name is taken whole: it may hold blanks.
            o.check = true;
            for (int k = i + 1; k < argc; ++k) {
                const std::string_view a = argv[k];
                if (a == "--path") {
                    o.checkPath = true;
                } else if (a == "--proc" && k + 1 < argc) {
                    o.procedure = argv[++k];
                } else if (a == "--csv") {
                    o.checkCsv = true;
                } else if (o.checkFile.empty() && !a.empty()) {
                    o.checkFile = std::string(a);
                } else if (!a.empty() && a[0] != '-') {
                    o.moreFiles.emplace_back(a);
                } else {
                    return "check takes one sequence file or the modules of one program, "
                           "--path or --csv and --proc NAME, not '" +
                           std::string(a) + "'";
                }
            }
            if (o.checkFile.empty())
                return "check needs a sequence file";
            if (o.checkPath && o.checkCsv)
                return "check writes either --path or --csv, not both";
            break;
        }
        if (arg == "export")
            return parseExport(i, argc, argv, o);
        // The command takes everything that is left: its numbers may well
        // begin with '-'.
        o.hasCommand = true;
        for (int k = i; k < argc; ++k) {
            if (k > i)
                o.command += ' ';
            o.command += argv[k];
        }
        break;
    }
    if (!o.help && !haveRobot)
        return "no robot description given";
    return std::string();
}

} // namespace

int main(int argc, char **argv)
{
    // The readers report every step of a load at debug level; a tool whose
    // standard error is read by scripts keeps that quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    QCoreApplication app(argc, argv);

    Options options;
    const std::string problem = parseArguments(argc, argv, options);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!problem.empty())
        return usageError(problem, options.robot.empty());

    Robot robot;
    collision::CollisionWorld world;
    if (!options.station.empty()) {
        std::string notes;
        const std::string why = kin::loadStationCell(QFile::decodeName(options.station.c_str()),
                                                     robot, world, notes);
        if (!notes.empty())
            std::fputs(("velkari-kin: " + notes).c_str(), stderr);
        if (!why.empty())
            return unusable(why);
    } else {
        const QString robotPath = locate(options.robot, DataDirs::robotDir());
        if (!QFileInfo(robotPath).isFile())
            return unusable("cannot read the robot description '" + options.robot +
                            "': no such file");
        if (robot.loadData(QFile::encodeName(robotPath).constData()) != 0 || !robot.isLoaded()) {
            const std::string why = xml::lastError().toStdString();
            return unusable("'" + options.robot + "' is not a robot description that can be read" +
                            (why.empty() ? std::string() : ": " + why));
        }
    }
    if (!options.tool.empty()) {
        const QString toolPath = locate(options.tool, DataDirs::toolDir());
        if (!QFileInfo(toolPath).isFile())
            return unusable("cannot read the tool '" + options.tool + "': no such file");
        if (!robot.loadTool(QFile::encodeName(toolPath).constData()))
            return unusable("the tool '" + options.tool + "' cannot be read");
        if (!options.station.empty())
            world.setRobot(robot); // the tool's own meshes
    }

    if (options.check || options.exportProgram) {
        std::string answer, notes;
        const QString file = QFile::decodeName(options.checkFile.c_str());
        QStringList files{file};
        for (const std::string &f : options.moreFiles)
            files << QFile::decodeName(f.c_str());
        if (files.size() > 1 && options.check && !kin::isRapidModule(file))
            return usageError("check takes one sequence file; several files are the modules of "
                              "one RAPID program",
                              false);
        kin::ExportRequest request;
        request.file = file;
        request.format = QString::fromStdString(options.exportFormat);
        request.outDir = QFile::decodeName(options.exportOut.c_str());
        request.name = QString::fromStdString(options.exportName);
        request.speed = QString::fromStdString(options.exportSpeed);
        request.zone = QString::fromStdString(options.exportZone);
        const int status =
            options.exportProgram && !kin::isPlainRapid(robot, request)
                ? kin::exportAs(robot, request, answer, notes)
            : options.exportProgram
                ? kin::exportProgram(robot, file, QString::fromStdString(options.exportName),
                                     QString::fromStdString(options.exportSpeed),
                                     QString::fromStdString(options.exportZone), answer, notes)
            : controllers::isControllerProgram(file)
                ? kin::checkControllerProgram(robot, file,
                                              options.checkCsv    ? kin::ModuleOutput::Csv
                                              : options.checkPath ? kin::ModuleOutput::Path
                                                                  : kin::ModuleOutput::Problems,
                                              answer, notes,
                                              options.station.empty() ? nullptr : &world)
            : kin::isRapidModule(file)
                ? kin::checkModule(robot, files, QString::fromStdString(options.procedure),
                                   options.checkCsv    ? kin::ModuleOutput::Csv
                                   : options.checkPath ? kin::ModuleOutput::Path
                                                       : kin::ModuleOutput::Problems,
                                   answer, notes, options.station.empty() ? nullptr : &world)
            : options.checkCsv ? kin::checkSequenceCsv(robot, file, answer, notes)
                               : kin::checkSequence(robot, file, options.checkPath, answer, notes,
                                                    options.station.empty() ? nullptr : &world);
        if (!notes.empty()) {
            std::string text;
            std::size_t begin = 0;
            while (begin < notes.size()) {
                const std::size_t end = notes.find('\n', begin);
                text += "velkari-kin: " + notes.substr(begin, end - begin) + '\n';
                begin = end == std::string::npos ? notes.size() : end + 1;
            }
            std::fputs(text.c_str(), stderr);
        }
        if (!writeAll(STDOUT_FILENO, answer.data(), answer.size()))
            return unusable(std::string("cannot write the answers: ") + std::strerror(errno));
        return status;
    }

    kin::Interpreter interpreter(robot, options.convention);
    Output output;
    bool allWellFormed = true;
    if (options.hasCommand) {
        allWellFormed = interpreter.execute(options.command, output.buffer());
    } else {
        LineReader reader(output);
        std::string_view line;
        while (reader.next(line) && !output.failed()) {
            if (!interpreter.execute(line, output.buffer()))
                allWellFormed = false;
            output.flushIfFull();
        }
    }
    output.flush();
    if (output.failed())
        return unusable(std::string("cannot write the answers: ") + std::strerror(output.error()));
    return allWellFormed ? 0 : kExitMalformed;
}
