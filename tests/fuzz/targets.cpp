// Fuzz targets, one per reader of outside input: what it gives whatever the bytes.
// Built as one target's libFuzzer binary (VELKARI_FUZZ_TARGET), or fuzz_replay.
#include "kinematics/robot.h"
#include "links/lannumber.h"
#include "links/lanreply.h"
#include "links/serverrequest.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "models/xml.h"
#include "controllers/krlreader.h"
#include "controllers/lsreader.h"
#include "controllers/urscriptreader.h"
#include "rapid/rapidmodule.h"
#include "rapid/rapidparser.h"
#include "scene/objectmesh.h"
#include "sequences/pathanalysis.h"
#include "sequences/programtext.h"
#include "sequences/sequenceparser.h"
#include "stations/stationfile.h"
#include "texts/languagefile.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>
#include <sstream>

namespace {

// A broken invariant ends the run: libFuzzer keeps the input, the replay fails.
#define FUZZ_CHECK(c)                                                                              \
    ((c) ? void()                                                                                  \
         : (std::fprintf(stderr, "line %d: invariant failed: %s\n", __LINE__, #c), std::abort()))

using Bytes = const std::uint8_t *;

// A scratch installation, no meshes to read in it; `use` points the data lookup at it.
QString writeScratch(const QString &name, const QByteArray &bytes, bool use = false)
{
    static QTemporaryDir dir;
    FUZZ_CHECK(QDir(dir.path()).mkpath(QStringLiteral("bin")) &&
               QDir(dir.path()).mkpath(QStringLiteral("CAD_Robots")));
    if (use)
        DataDirs::setApplicationDirForTesting(dir.path() + QStringLiteral("/bin"));
    QFile file(dir.filePath(name));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return file.fileName();
}
QByteArray bytesOf(Bytes data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}
Robot &defaultRobot()
{
    static Robot &robot = *new Robot;
    static const int loaded =
        robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData());
    FUZZ_CHECK(loaded == 0);
    return robot;
}
// The pose reaches the target as the solver means it.
bool samePose(const Matrix4 &got, const Matrix4 &target)
{
    return kinematics::reaches(got, target);
}
// Pieces (1 to 16 bytes) as a socket delivers, chosen by the input to replay alike.
std::function<std::size_t()> pieces(Bytes d, std::size_t n)
{
    std::uint32_t state = std::accumulate(
        d, d + n, 2166136261u, [](std::uint32_t s, std::uint8_t b) { return s * 31u + b; });
    return [state]() mutable { return 1 + ((state = state * 1103515245u + 12345u) >> 16) % 16; };
}
// Robot descriptions: what loads is listed, what is refused says why; ik never lists an
// entry that misses.
void robot(Bytes data, std::size_t size)
{
    const QByteArray file = QFile::encodeName(
        writeScratch(QStringLiteral("CAD_Robots/fuzz.xml"), bytesOf(data, size), true));
    RobotInfo info;
    const int infoResult = xml::loadInfo(file.constData(), info);
    Robot robot;
    if (robot.loadData(file.constData()) != 0 || !robot.isLoaded()) {
        FUZZ_CHECK(!xml::lastError().isEmpty()); // a refusal the user can act on
        return;
    }
    FUZZ_CHECK(infoResult == 0 && xml::lastError().isEmpty());
    std::array<float, 6> middle{}, zero{}; // below 1e4 mm and degrees: single precision
    for (int k = 1; k <= 6; ++k) {
        const Joint &j = robot.joint(k);
        for (double v : {double(j.getA()), double(j.getD()), j.getLiminf(), j.getLimsup()})
            if (!(std::fabs(v) <= 1e4))
                return;
        middle[std::size_t(k - 1)] = float((j.getLiminf() + j.getLimsup()) / 2.0);
    }
    for (const std::array<float, 6> &q : {middle, zero}) {
        robot.setJointAngles(q);
        const Matrix4 target = robot.fk(6);
        std::vector<IkConfiguration> list;
        robot.doInverseKinematics(target, list);
        for (const IkConfiguration &c : list) {
            robot.setJointAngles(c.q);
            FUZZ_CHECK(samePose(robot.fk(6), target));
        }
    }
}
// Link meshes: the count returned is the vertices kept, and the box holds them.
void linkmesh(Bytes data, std::size_t size)
{
    writeScratch(QStringLiteral("CAD_Robots/link.stl"), bytesOf(data, size), true);
    Joint joint;
    const int n = xml::loadJoint("link", joint);
    FUZZ_CHECK(n >= 0 && std::size_t(n) == joint.getVertices().size());
    const auto &box = joint.getBox(); // min x, y, z then max x, y, z
    for (const Joint::Point &p : joint.getVertices())
        for (std::size_t k = 0; k < 3; ++k)
            FUZZ_CHECK(p[k] != p[k] || (box[k] <= float(p[k]) && float(p[k]) <= box[k + 3]));
}
// Tool files: parts within bound; the mesh placement is a rigid frame if finite.
void tool(Bytes data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    Tool tool;
    const int parts = tool.readPart(in, 0);
    FUZZ_CHECK(parts >= 0 && parts <= Tool::kMaxParts && tool.getParts().size() == 1);
    tool.attach();
    const Matrix4 &m = tool.getMeshPlacement();
    if (!std::all_of(m.begin(), m.end(), [](float v) { return std::isfinite(v); }))
        return;
    for (std::size_t k = 0; k < 9; ++k) // rows k / 3 and k % 3 at right angles, of unit length
        FUZZ_CHECK(
            std::fabs(std::inner_product(&m[k / 3 * 4], &m[k / 3 * 4 + 3], &m[k % 3 * 4], 0.0) -
                      (k % 4 == 0)) < 1e-4);
    FUZZ_CHECK(m[12] == 0.0f && m[13] == 0.0f && m[14] == 0.0f && m[15] == 1.0f);
}
// Runs cover the triangles in order, the first uncoloured; ASCII normals: unit or 0, per face.
int objectMesh(const QByteArray &file, ObjectEntry &e, bool ascii, QString *why = nullptr)
{
    const int result = readObjectMesh(writeScratch(QStringLiteral("object.stl"), file), e, why);
    FUZZ_CHECK(e.vertices.size() % 9 == 0 && e.normals.size() == e.vertices.size());
    FUZZ_CHECK(result == 0 ? !e.runs.empty() && !e.runs.front().hasColour
                           : e.vertices.empty() && e.runs.empty());
    std::size_t next = 0;
    for (const ColourRun &run : e.runs)
        FUZZ_CHECK(run.first == next && (next += run.count) >= run.first);
    FUZZ_CHECK(next == e.triangleCount());
    for (std::size_t t = 0; ascii && result == 0 && t < e.triangleCount(); ++t) {
        const float *n = e.normals.data() + 9 * t;
        const double len = std::sqrt(std::inner_product(n, n + 3, n, 0.0));
        FUZZ_CHECK(!std::isfinite(len) || len == 0.0 || std::fabs(len - 1.0) < 1e-3);
        for (int k = 3; k < 9; ++k)
            FUZZ_CHECK(n[k] == n[k % 3] || (n[k] != n[k] && n[k % 3] != n[k % 3]));
    }
    return result;
}
// "solid" in the first line (80 bytes at most, any case) reads as ASCII, certain unless the
// records of a binary count are there; text is read or refused naming a line.
void objectmesh_ascii(Bytes data, std::size_t size)
{
    const QByteArray file = bytesOf(data, size);
    const int nl = file.indexOf('\n');
    const bool solid = file.left(nl < 0 || nl >= 80 ? 80 : nl + 1).toLower().contains("solid");
    const std::uint64_t count = size >= 84 ? qFromLittleEndian<quint32>(data + 80) : 0;
    const bool binarySize = size >= 84 && count > 0 && size - 84 >= 50 * count;
    ObjectEntry entry;
    QString why;
    FUZZ_CHECK(objectMesh(file, entry, solid && !binarySize, &why) == 0 || !solid || binarySize ||
               why.contains(QLatin1String("line ")));
}
// The input is binary records behind a header made for them, then padding. Read whole, each
// keeping its normal, when every corner is a plausible coordinate; refused when one is not
// finite. (Between a million and infinity the reader judges.)
void objectmesh_binary(Bytes data, std::size_t size)
{
    const quint32 count = quint32(size / 50);
    const quint32 stored = qToLittleEndian(count);
    const QByteArray file = QByteArray("binary").leftJustified(80, ' ') +
                            QByteArray(reinterpret_cast<const char *>(&stored), 4);
    bool finite = true, small = true;
    for (std::size_t k = 0; k < 9 * count; ++k) {
        const float v = qFromLittleEndian<float>(data + 50 * (k / 9) + 12 + 4 * (k % 9));
        finite = finite && std::isfinite(v);
        small = small && std::fabs(v) <= 1e6f;
    }
    ObjectEntry entry;
    const int result = objectMesh(file + bytesOf(data, size), entry, false);
    FUZZ_CHECK(result == 0 ? finite : !small);
    if (result != 0)
        return;
    FUZZ_CHECK(entry.triangleCount() == count);
    for (std::size_t k = 0; k < 9 * count; ++k) {
        const float stored = qFromLittleEndian<float>(data + 50 * (k / 9) + 4 * (k % 3));
        FUZZ_CHECK(std::memcmp(&entry.normals[k], &stored, 4) == 0);
    }
}
// Sequences: limits checked; programs (16 lines, values to 1000) analysed as paths.
void sequence(Bytes data, std::size_t size)
{
    Robot &robot = defaultRobot();
    sequences::ParsedText parsed = sequences::parseText(QString::fromUtf8(bytesOf(data, size)));
    FUZZ_CHECK(parsed.nodes.size() == parsed.lines.size() &&
               (parsed.error.isEmpty() || parsed.nodes.empty()) &&
               parsed.nodes.size() <= std::size_t(sequences::kMaxNodes));
    FUZZ_CHECK(std::adjacent_find(parsed.lines.begin(), parsed.lines.end(),
                                  std::greater_equal<>()) == parsed.lines.end());
    FUZZ_CHECK(sequences::checkLimits(parsed, robot) == int(parsed.outOfLimits.size()));
    // The editor's reading: the same lines and numbers, or a refusal; what it
    // writes reads back to the same text.
    const QString text = QString::fromUtf8(bytesOf(data, size));
    const sequences::ProgramText timed = sequences::parseProgramText(text);
    FUZZ_CHECK(timed.error.isEmpty() ? timed.lines.size() == parsed.nodes.size()
                                     : timed.lines.empty());
    for (std::size_t i = 0; i < timed.lines.size(); ++i)
        FUZZ_CHECK(float(timed.lines[i].operands[5]) ==
                   parsed.nodes[i].values[parsed.program ? 6 : 5]);
    const QString written = sequences::programTextOf(timed.lines);
    FUZZ_CHECK(sequences::programTextOf(sequences::parseProgramText(written).lines) == written);
    std::vector<sequences::ProgramLine> program;
    for (const sequences::Node &n : parsed.nodes) {
        if (!parsed.program || parsed.nodes.size() > 16 ||
            !std::all_of(n.values.begin() + 1, n.values.end(),
                         [](float x) { return std::fabs(x) <= 1000; }))
            continue;
        const auto &v = n.values;
        program.push_back({v[0], {v[1], v[2], v[3], v[4], v[5], v[6]}});
    }
    if (!parsed.program || program.size() < parsed.nodes.size())
        return;
    const std::array<float, 6> before = robot.jointValues();
    const auto result = sequences::PathAnalyser(robot).analyse(program);
    FUZZ_CHECK(robot.jointValues() == before);
    FUZZ_CHECK(result.path.size() <= std::size_t(sequences::PathAnalyser::kMaxPositions));
    for (const sequences::PathPosition &p : result.path)
        FUZZ_CHECK(p.pathId >= 0 && std::size_t(p.pathId) < program.size() &&
                   std::all_of(p.joints.begin(), p.joints.end(),
                               [](float q) { return std::isfinite(q); }));
    for (const sequences::PathProblem &p : sequences::PathAnalyser::problems(result))
        FUZZ_CHECK(p.position >= 1 && std::size_t(p.position) <= result.path.size() && p.code > 0);
}
// RAPID text: a robtarget moved to is reached; the modules of a program are
// solved in place, each move read giving a program line at least.
void rapid(Bytes data, std::size_t size)
{
    Robot &robot = defaultRobot();
    const QString in = QString::fromUtf8(bytesOf(data, size));
    FUZZ_CHECK(rapid::tokenizeNumbers(in).size() <= std::size_t(rapid::kMaxNumbers));
    Matrix4 user{}, object{}, tool{}, column{};
    rapid::parseWorkObject(in, user, object);
    rapid::parseTool(in, tool);
    ConfData conf;
    rapid::TextError error = rapid::TextError::None;
    const std::array<float, 6> before = robot.jointValues();
    if (rapid::parseRobtarget(in, column, conf, &error) >= -1) {
        rapid::robtargetText(column, conf);
        if (robot.moveToRobtarget(column, conf) >= -2)
            FUZZ_CHECK(samePose(robot.tcpWorld(), toolbox::transpose(column)));
        else
            FUZZ_CHECK(robot.jointValues() == before);
    }
    robot.setJointAngles(before);
    // After each ENDMODULE another module of the same program begins.
    std::vector<rapid::ModuleSource> modules;
    for (int from = 0; from < in.size() && modules.size() < 8;) {
        const int end = in.indexOf(QLatin1String("ENDMODULE"), from, Qt::CaseInsensitive);
        const int cut = end < 0 || modules.size() == 7 ? in.size() : end + 9;
        modules.push_back({QStringLiteral("M%1.mod").arg(modules.size()), in.mid(from, cut - from)});
        from = cut;
    }
    if (modules.empty())
        modules.push_back({});
    const rapid::ImportResult module = rapid::importModules(robot, modules);
    FUZZ_CHECK(module.ok == module.error.isEmpty() && module.program.size() == module.lines.size());
    FUZZ_CHECK(!module.ok || (module.movesRead > 0 &&
                              module.program.size() >= std::size_t(module.movesRead)));
    FUZZ_CHECK(robot.jointValues() == before);
}
// Language files: entries bounded, none holds a field separator or line break.
void language(Bytes data, std::size_t size)
{
    LanguageFile file;
    FUZZ_CHECK(file.load(writeScratch(QStringLiteral("language.txt"), bytesOf(data, size))));
    FUZZ_CHECK(file.count() >= 0 && !file.has(LanguageFile::kEntries));
    for (int i = 0; i < LanguageFile::kEntries; ++i) {
        const QString t = file.text(i);
        FUZZ_CHECK((file.has(i) || t.isEmpty()) && t.size() <= LanguageFile::kMaxLineBytes &&
                   !t.contains('#') && !t.contains('\n'));
    }
    FUZZ_CHECK(file.texts(0, LanguageFile::kEntries).size() ==
               std::min(file.count(), int(LanguageFile::kEntries)));
}
// Reals are written with six decimals.
bool same(const double *a, const double *b, std::size_t n)
{
    return std::equal(a, a + n, b, [](double x, double y) {
        return std::isnan(x) ? std::isnan(y)
                             : std::fabs(x - y) <= 5e-7 * std::max(1.0, std::fabs(x)) + 1e-9;
    });
}
// Station files: read, written and read again is the same station and text.
void station(Bytes data, std::size_t size)
{
    Station first, second;
    if (StationFile::parse(bytesOf(data, size), QStringLiteral("fuzz.vks"), &first) !=
        StationFile::Ok)
        return;
    QString fields; // a "#" inside a field cannot be written
    for (const StationRobot &r : first.robots)
        fields += r.file + r.tool + r.name;
    for (const StationObject &o : first.objects)
        fields += o.path + o.name;
    if (fields.contains('#'))
        return;
    const QString path = writeScratch(QStringLiteral("station.vks"), QByteArray());
    FUZZ_CHECK(StationFile::write(path, first) == StationFile::Ok);
    FUZZ_CHECK(StationFile::read(path, &second) == StationFile::Ok);
    FUZZ_CHECK(first.language == second.language && first.euler == second.euler &&
               first.robots.size() == second.robots.size() &&
               first.objects.size() == second.objects.size());
    for (int i = 0; i < first.robots.size(); ++i) {
        const StationRobot &r = first.robots.at(i), &s = second.robots.at(i);
        FUZZ_CHECK(r.file == s.file && r.tool == s.tool && r.name == s.name &&
                   r.visible == s.visible && r.hasJoints == s.hasJoints &&
                   same(r.world.data(), s.world.data(), 6) &&
                   same(r.placement.data(), s.placement.data(), 16) &&
                   (!r.hasJoints || same(r.joints.data(), s.joints.data(), 6)));
    }
    for (int i = 0; i < first.objects.size(); ++i) {
        const StationObject &o = first.objects.at(i), &p = second.objects.at(i);
        FUZZ_CHECK(o.path == p.path && o.name == p.name && o.visible == p.visible &&
                   o.flipNormals == p.flipNormals && same(&o.scale, &p.scale, 1) &&
                   same(o.pose.data(), p.pose.data(), 16));
    }
    FUZZ_CHECK(StationFile::text(second) == StationFile::text(first));
}
// Data-server requests: whole and in pieces alike, exactly the bytes QDataStream makes.
void serverrequest(Bytes data, std::size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const qint64 n = qint64(size);
    ServerRequest whole, cut;
    qint64 used = 0, offered = 0, taken = 0;
    for (qint64 took; (took = whole.feed(bytes + used, n - used)) != 0; used += took)
        FUZZ_CHECK(took > 0 && took <= n - used);
    for (auto next = pieces(data, size); offered < n;) {
        offered = qMin<qint64>(n, offered + qint64(next()));
        while (const qint64 took = cut.feed(bytes + taken, offered - taken))
            taken += took;
    }
    FUZZ_CHECK(cut.stage() == whole.stage() && taken == used && cut.command() == whole.command());
    FUZZ_CHECK(cut.values().size() == whole.values().size() &&
               std::memcmp(cut.values().constData(), whole.values().constData(),
                           std::size_t(whole.values().size()) * sizeof(double)) == 0);
    using Stage = ServerRequest::Stage;
    // Waiting for more (header, command, array): all offered was taken.
    FUZZ_CHECK(whole.stage() == Stage::Refused || whole.stage() == Stage::Complete || used == n);
    FUZZ_CHECK(whole.stage() != Stage::Header || n < ServerRequest::kHeaderBytes);
    FUZZ_CHECK(whole.stage() != Stage::Refused ||
               (std::strlen(whole.refusal()) > 0 && whole.values().isEmpty()));
    if (whole.stage() != Stage::Complete)
        return;
    QByteArray encoded;
    QDataStream out(&encoded, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << whole.rows() << whole.cols();
    if (whole.isCommand())
        out << whole.command();
    FUZZ_CHECK(whole.isCommand() || whole.values().size() == whole.expectedValues());
    for (int i = 0; !whole.isCommand() && i < whole.values().size(); ++i)
        out << whole.values()[i];
    FUZZ_CHECK(encoded == QByteArray(bytes, int(used)));
}
// LAN replies (version, format, request echo among stray bytes, six joints): whole and
// in pieces alike; the echo where it first occurs, the joints decoded after it.
struct Lan
{
    lan::NumberReply version, format;
    lan::JointsReply joints;
    std::size_t used = 0;
};
template <typename NextPiece> Lan readLan(Bytes data, std::size_t size, NextPiece nextPiece)
{
    using Status = lan::JointsReply::Status;
    Lan o;
    for (std::size_t offered = 0; o.used < size && o.joints.status() != Status::Done &&
                                  o.joints.status() != Status::NoEcho;) {
        offered = std::min(size, std::max(offered, o.used) + nextPiece());
        for (std::size_t took = 1; took > 0 && o.used < offered; o.used += took) {
            const std::size_t left = offered - o.used;
            took = !o.version.complete()  ? o.version.feed(data + o.used, left)
                   : !o.format.complete() ? o.format.feed(data + o.used, left)
                                          : o.joints.feed(data + o.used, left);
        }
    }
    return o;
}
void lanreply(Bytes data, std::size_t size)
{
    using Status = lan::JointsReply::Status;
    const Lan whole = readLan(data, size, [size] { return size; });
    const Lan cut = readLan(data, size, pieces(data, size));
    const lan::JointsReply &j = whole.joints;
    FUZZ_CHECK(whole.used == cut.used && j.status() == cut.joints.status() &&
               j.scanned() == cut.joints.scanned());
    if (size < 10)
        return;
    const int scanned = j.scanned();
    FUZZ_CHECK(scanned >= 0 && scanned <= lan::JointsReply::kMaxSyncBytes);
    lan::Number echo;
    lan::encode(9.0, echo);
    const bool found = j.status() == Status::ReadingJoints || j.status() == Status::Done;
    FUZZ_CHECK(std::search(data + 10, data + 10 + scanned, echo.begin(), echo.end()) ==
               data + 10 + scanned - (found ? lan::kNumberSize : 0));
    FUZZ_CHECK(j.status() != Status::SeekingEcho || whole.used == size);
    FUZZ_CHECK(j.status() != Status::NoEcho || scanned == lan::JointsReply::kMaxSyncBytes);
    if (j.status() != Status::Done)
        return;
    Bytes numbers = data + 10 + scanned;
    FUZZ_CHECK(whole.used == std::size_t(10 + scanned + 30));
    FUZZ_CHECK(std::memcmp(numbers, j.jointBytes().data(), 30) == 0);
    for (std::size_t k = 0; k < 6; ++k)
        FUZZ_CHECK(j.joints()[k] == lan::decode(numbers + 5 * k));
}
// Controller programs: whatever the text, the program and its lines agree,
// every move is read or skipped, and the robot's joints are left as they were.
void checkProgram(const controllers::ReadProgram &read)
{
    Robot &robot = defaultRobot();
    const std::array<float, 6> before = robot.jointValues();
    FUZZ_CHECK(read.error.isEmpty() || read.moves.empty());
    const controllers::SolvedProgram solved = controllers::solveProgram(robot, read);
    FUZZ_CHECK(solved.ok == solved.error.isEmpty());
    FUZZ_CHECK(solved.program.size() == solved.lines.size());
    FUZZ_CHECK(!solved.ok ||
               std::size_t(solved.movesRead + solved.movesSkipped - read.skippedMoves) ==
                   read.moves.size());
    FUZZ_CHECK(robot.jointValues() == before);
}
// KUKA: the text before the first DEFDAT is the .src, the rest its .dat.
void krl(Bytes data, std::size_t size)
{
    const QString in = QString::fromUtf8(bytesOf(data, size));
    const int dat = in.indexOf(QLatin1String("DEFDAT"), 0, Qt::CaseInsensitive);
    checkProgram(controllers::readKrl(in.left(dat), dat < 0 ? QString() : in.mid(dat)));
}
void ls(Bytes data, std::size_t size)
{
    checkProgram(controllers::readLs(QString::fromUtf8(bytesOf(data, size))));
}
void urscript(Bytes data, std::size_t size)
{
    checkProgram(controllers::readUrScript(QString::fromUtf8(bytesOf(data, size))));
}
using Body = void (*)(Bytes, std::size_t);
Body g_body = nullptr;
Body target(const QByteArray &name)
{
    const QList<QByteArray> names = QByteArray("robot linkmesh tool sequence objectmesh_ascii "
                                               "objectmesh_binary rapid language station "
                                               "serverrequest lanreply krl ls urscript")
                                        .split(' ');
    const Body all[] = {
        robot, linkmesh, tool,    sequence,      objectmesh_ascii, objectmesh_binary,
        rapid, language, station, serverrequest, lanreply, krl, ls, urscript};
    return names.contains(name) ? all[names.indexOf(name)] : nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // data directories beside the binary
    // The readers' debug lines would drown the fuzzer's output; fatal ones still end the run.
    if (!qEnvironmentVariableIsSet("VELKARI_FUZZ_VERBOSE"))
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &m) {
            FUZZ_CHECK(type != QtFatalMsg || !std::fprintf(stderr, "%s\n", qPrintable(m)));
        });
#ifdef VELKARI_FUZZ_TARGET
    FUZZ_CHECK((g_body = target(VELKARI_FUZZ_TARGET)));
#endif
    return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    g_body(data, size);
    return 0;
}
#ifndef VELKARI_FUZZ_TARGET
int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int runs = 0;
    for (int i = 2; i < argc && (g_body = target(argv[1])); ++i) {
        const QFileInfo arg(QString::fromLocal8Bit(argv[i]));
        for (const QFileInfo &f :
             arg.isDir()
                 ? QDir(arg.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)
                 : QFileInfoList{arg}) {
            QFile file(f.filePath());
            std::fprintf(stderr, "%s\n", qPrintable(file.fileName())); // names a failing input
            if (!file.open(QIODevice::ReadOnly))
                return 2;
            const QByteArray bytes = file.readAll();
            g_body(reinterpret_cast<Bytes>(bytes.constData()), std::size_t(bytes.size()));
            ++runs;
        }
    }
    std::printf("%d inputs of %s replayed\n", runs, argc > 1 ? argv[1] : "no target");
    return runs > 0 ? 0 : 1; // an unknown target, or a corpus that shrank to nothing
}
#endif
