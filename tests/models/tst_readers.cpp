// Robot description, link mesh and tool readers on real files, their number
// rules, data directories, and the files we ship, held to the published data
// in robots.json beside this file. Random bytes are the fuzzers'.
#include "models/cnumber.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "models/xml.h"
#include "support/scratchinstall.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>
#include <clocale>

namespace {
const char *const kAxes =
    "<j id=\"Base\" limsup=\"99\" alpha=\"45\" d=\"12\"/>\n<j id=\"A1\" limsup=\"165\" "
    "liminf=\"-165\" alpha=\"0\" a=\"0\" theta=\"0\" d=\"290\"/>\n"
    "<j id=\"A2\" limsup=\"110\" liminf=\"-110\" alpha=\"-90\" a=\"0\" theta=\"-90\" d=\"0\"/>\n"
    "<j id=\"A3\" limsup=\"70\" liminf=\"-110\" alpha=\"0\" a=\"270\" theta=\"0\" d=\"0\"/>\n"
    "<!-- comments between axes are skipped --><j id=\"A4\" limsup=\"160\" liminf=\"-160\" "
    "alpha=\"-90\" a=\"150.6\" theta=\"0\" d=\"150.6\"/>\n"
    "<j id=\"A5\" limsup=\"1e30\" liminf=\"-1e30\" alpha=\" 12,5\" a=\"42.5\" theta=\"-0\" "
    "d=\"1.5e2\"/>\n"
    "<j id=\"A6\" limsup=\"400\" liminf=\"-400\" alpha=\"-90\" a=\"0\" theta=\"0\" d=\"72\"/>\n";
const char *const kGeometry =
    "<g name=\"Base\" geo=\"t/base\"/><g name=\"A1\" geo=\"t/l1\"/><g name=\"A2\" geo=\"t/l2\"/><g "
    "name=\"A3\" geo=\"t/l3\"/>"
    "<g name=\"A4\" geo=\"t/l4\"/><g name=\"A5\" geo=\"t/l5\"/><g name=\"A6\" geo=\"t/l6\"/>\n";
const char *const kTail = "<CAD_base x=\"1\" y=\"2\" z=\"3\" rx=\"10\" ry=\"20\" "
                          "rz=\"30\"/>\n<CAD_scale FACTOR=\"0.5\"/>\n"
                          "<CAD_offsets cad_theta1=\"1\" cad_theta2=\"2\" cad_theta3=\"3\" "
                          "cad_theta4=\"4\" cad_theta5=\"5\" cad_theta6=\"6\"/>\n"
                          "<Angle_Type id=\"4\"/>\n";

QByteArray description(const QByteArray &axes = kAxes, const QByteArray &geometry = kGeometry,
                       const QByteArray &tail = kTail, const QByteArray &more = "")
{
    return "<robot>\n<robot_dk>\n" + axes + "</robot_dk>\n<robot_geometry>\n" + geometry +
           "</robot_geometry>\n" + tail + more + "</robot>\n";
}
QByteArray triangle(double x, double y, double z)
{
    return QString::asprintf("  facet normal 0 0 1\n    outer loop\n      vertex %g %g %g\n      "
                             "vertex %g %g %g\n      vertex %g %g %g\n    endloop\n  endfacet\n",
                             x, y, z, x + 1, y, z, x, y + 1, z)
        .toLatin1();
}

struct Loaded // what a description gives, -7 where nothing was written
{
    int result = 0, angleType = -7;
    std::vector<Joint> joints;
    float base[6] = {-7, -7, -7, -7, -7, -7}, scale = -7, offsets[6] = {-7, -7, -7, -7, -7, -7};
};
Loaded load(const QString &file)
{
    Loaded l;
    l.result = xml::loadData(QFile::encodeName(file).constData(), l.joints, l.base, &l.scale,
                             l.offsets, &l.angleType);
    return l;
}
int readInfo(const QString &file, RobotInfo &info)
{
    return xml::loadInfo(QFile::encodeName(file).constData(), info);
}
int triangles(const Joint &j)
{
    return int(j.getVertices().size() / 3);
}
} // namespace
class TestReaders : public QObject
{
    Q_OBJECT
private slots:
    void numbersFollowTheCRules_data()
    {
        QTest::addColumn<QByteArray>("text");
        // the last: below a float midpoint, read through a double it would round up twice
        for (const QByteArray &t : QByteArray("12.7|-12.7|  42abc|+5|1e3|-0|abc||0x10|.5|5.|1e400|"
                                              "-1e400|1e-400|99999999999|-99999999999|3.25e-2xyz|"
                                              "\t7|inf|nan|--3|+-3|1e39|-1e-50|"
                                              "1.00000017881393432617187499")
                                       .split('|'))
            QTest::newRow(t.constData()) << t;
    }
    void numbersFollowTheCRules()
    {
        // The C library in the "C" locale is the reference, also in a comma-decimal locale.
        QFETCH(QByteArray, text);
        const double want = std::strtod(text.constData(), nullptr),
                     wantFloat = std::strtof(text.constData(), nullptr);
        const long long wantInt = std::strtoll(text.constData(), nullptr, 10);
        const QByteArray saved = std::setlocale(LC_NUMERIC, nullptr);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
        const double got = cnumber::toDouble(text.toStdString()),
                     gotFloat = cnumber::toFloat(text.toStdString()); // meshes: floats
        const int gotInt = cnumber::toInt(text.toStdString());
        std::setlocale(LC_NUMERIC, saved.constData());
        const bool hex = text.startsWith("0x"); // data files hold no hexadecimal: 0 then junk
        QVERIFY(std::isnan(want) ? std::isnan(got) : got == (hex ? 0.0 : want));
        QVERIFY2(std::isnan(wantFloat) ? std::isnan(gotFloat) : hex || gotFloat == wantFloat,
                 qPrintable(QString::number(gotFloat, 'g', 9)));
        QCOMPARE(gotInt, int(std::clamp<long long>(wantInt, INT_MIN, INT_MAX)));
    }
    void wellFormedDescription()
    {
        ScratchInstall inst;
        // Axis 5 as people write numbers: as the window's fields read them, limits within 1e9.
        const QString file = inst.write("CAD_Robots/r.xml", description());
        // Numbered parts with a gap: 1 and 2 are read, 4 never; a single file
        // wins over numbered ones; vertex lines in the first column are no vertices.
        const std::pair<const char *, QByteArray> meshes[] = {
            {"l1.stl",
             "solid x\n  color 0 0 1\n" + triangle(1, 2, 3) + triangle(-4, 5, 6) + "endsolid\n"},
            {"l2-2.stl", "  color 1 0 0\n" + triangle(0, 0, 1) + triangle(0, 0, 2)},
            {"l3-1.stl", triangle(0, 0, 0) + triangle(1, 1, 1)},
            {"l4.stl", "vertex 1 2 3\nvertex 1 2 3\nvertex 1 2 3\n"}};
        for (const auto &[name, text] : meshes)
            inst.write(QStringLiteral("CAD_Robots/t/") + name, text);
        for (const char *name : {"l2-1.stl", "l2-4.stl", "l3.stl", "l5.stl.bak"})
            inst.write(QStringLiteral("CAD_Robots/t/") + name, triangle(0, 0, 0));
        MessageLog log;
        Loaded l = load(file);
        QVERIFY(l.result == 0 && l.joints.size() == 7 && log.contains("XML read correctly"));
        // The base record takes nothing but its id; every parameter is real.
        QVERIFY(l.joints[0].getLimsup() == 0.0 && l.joints[0].getAlpha() == 0.0 &&
                l.joints[0].getD() == 0.0f && l.joints[4].getA() == 150.6 &&
                l.joints[4].getD() == 150.6f && l.joints[2].getTheta() == -90.0 &&
                l.joints[3].getLiminf() == -110.0);
        const Joint &a5 = l.joints[5];
        QVERIFY(a5.getLimsup() == 1e9 && a5.getLiminf() == -1e9 && a5.getAlpha() == 12.5 &&
                a5.getA() == 42.5 && a5.getTheta() == 0.0 && a5.getD() == 150.0f);
        // Each record but the last carries a copy of the next axis first.
        for (int i = 0; i < 6; ++i)
            QVERIFY(l.joints[i].getParts()[0].getId() == l.joints[i + 1].getId() &&
                    l.joints[i].getParts()[0].getA() == l.joints[i + 1].getA());
        QVERIFY(l.joints[6].getParts().empty() && l.joints[1].getAngle() == 0.0f &&
                l.base[0] == 1.0f && l.base[5] == 30.0f && l.scale == 0.5f &&
                l.offsets[0] == 1.0f && l.offsets[5] == 6.0f && l.angleType == 4);
        // Axis 1: two triangles, "color 0 0 1" is red, its box holds the origin.
        QVERIFY(triangles(l.joints[1]) == 2 && l.joints[1].getNormals().size() == 2 &&
                l.joints[1].getColor() == (std::array<float, 3>{1, 0, 0}) &&
                l.joints[1].getBox() == (std::array<float, 6>{-4, 0, 0, 2, 6, 6}));
        const Joint &a2 = l.joints[2];
        QVERIFY(triangles(a2) == 1 && a2.getParts().size() == 2 &&
                triangles(a2.getParts()[1]) == 2 &&
                a2.getParts()[1].getColor() == (std::array<float, 3>{0, 0, 1}) &&
                triangles(l.joints[3]) == 1 && l.joints[3].getParts().size() == 1 &&
                triangles(l.joints[4]) == 0 && triangles(l.joints[5]) == 0);
        RobotInfo info;
        // Robot_Info after Angle_Type: the library reads what it can, loading refuses a typo.
        const QByteArray more = "<Robot_Info maker=\"ACME &amp; Sons\" model=\"X-1/0.5\" "
                                "reach_mm=\"512.5\" payload_kg=\"3.5\" future=\"1\" "
                                "preview=\"1 -2.5 3 x 1e999\"/><Later/>\n";
        const QString with =
            inst.write("CAD_Robots/w.xml", description(kAxes, kGeometry, kTail, more));
        QVERIFY(readInfo(with, info) == 0 && load(with).result == -1 &&
                xml::lastError().contains("unknown attribute \"future\""));
        QVERIFY(info.maker == "ACME & Sons" && info.model == "X-1/0.5" && info.reachMm == 512.5 &&
                info.payloadKg == 3.5 &&
                info.preview == (std::array<float, 6>{1, -2.5f, 3, 0, 0, 0}));
        // Negative values mean unknown; other XML and missing files are no robot descriptions.
        const QString negative =
            inst.write("CAD_Robots/n.xml",
                       description(kAxes, kGeometry, kTail, "<Robot_Info reach_mm=\"-5\"/>"));
        QVERIFY(readInfo(negative, info) == 0 && info.reachMm == 0.0);
        info.maker = "stale";
        QVERIFY(readInfo(inst.write("CAD_Robots/other.xml", "<a><b/></a>"), info) == -1 &&
                info.maker.empty() && readInfo(inst.path("CAD_Robots/none.xml"), info) == -1 &&
                xml::loadInfo(nullptr, info) == -1);
        // Wrong counts are reported and reading goes on; a missing angle type is 0.
        QByteArray six(kAxes), tail(kTail);
        six.truncate(six.indexOf("<j id=\"A6\""));
        l = load(inst.write("CAD_Robots/six.xml",
                            description(six, kGeometry, tail.replace("Angle_Type", "AngleKind"))));
        QVERIFY(l.result == 0 && l.joints.size() == 6 && l.angleType == 0 &&
                log.contains("(axis found = 6)") && log.contains("could not read Angle_Type"));
        const QByteArray geo = QByteArray(kGeometry) +
                               "<g name=\"A7\" geo=\"t/none\"/>\n<g name=\"A7\" geo=\"t/none\"/>\n";
        l = load(
            inst.write("CAD_Robots/eight.xml",
                       description(QByteArray(kAxes) + "<j id=\"A7\" a=\"5\" d=\"0\" alpha=\"0\" "
                                                       "theta=\"0\" liminf=\"0\" limsup=\"0\"/>\n",
                                   geo)));
        QVERIFY(l.result == 0 && l.joints.size() == 8 && log.contains("(axis found = 8)") &&
                log.contains("(geometries found = 9)"));
        // The mesh placements may be left out: no shift, no turn, scale 1, angle type 0.
        l = load(inst.write("CAD_Robots/bare.xml",
                            description(kAxes, kGeometry,
                                        "<CAD_base z=\"7\"/><CAD_scale/><CAD_offsets "
                                        "cad_theta2=\"2\"/><Angle_Type/><Robot_Info/>")));
        QVERIFY(l.result == 0 && l.base[2] == 7.0f && l.base[5] == 0.0f && l.scale == 1.0f &&
                l.offsets[1] == 2.0f && l.offsets[0] == 0.0f && l.angleType == 0);
    }
    void sectionErrors_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray good = description();
        const QString e = QStringLiteral("Error: expected %1 in XML file (found %2)");
        QTest::newRow("comment first")
            << "<!-- made by hand -->\n" + good << e.arg("robot_dk", " made by hand ");
        QTest::newRow("robot_dk misnamed")
            << QByteArray(good).replace("robot_dk>", "robot_kd>") << e.arg("robot_dk", "robot_kd");
        QTest::newRow("base misnamed")
            << QByteArray(good).replace("CAD_base", "CAD_bas") << e.arg("CAD_BASE", "CAD_bas");
        QTest::newRow("no geometry section")
            << "<robot><robot_dk>" + QByteArray(kAxes) + "</robot_dk></robot>"
            << e.arg("robot_geometry", "");
        QTest::newRow("ends after geometry")
            << description(kAxes, kGeometry, QByteArray()) << e.arg("CAD_BASE", "");
        QTest::newRow("empty root") << QByteArray("<robot/>") << e.arg("robot_dk", "robot");
        QTest::newRow("text before the axes") << description("some text" + QByteArray(kAxes))
                                              << "the first child of robot_dk is not an element";
        QTest::newRow("axis without id")
            << description("<j alpha=\"3\"/>" + QByteArray(kAxes)) << "axis element without id";
        QTest::newRow("cut in the geometry") << good.left(good.indexOf("CAD_base") - 20) << "";
        QTest::newRow("no file") << QByteArray("none") << "doc.LoadFile() failed";
    }
    void sectionErrors()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        ScratchInstall inst;
        MessageLog log;
        Loaded l = load(content == "none" ? inst.path("CAD_Robots/absent.xml")
                                          : inst.write("CAD_Robots/bad.xml", content));
        QVERIFY2(l.result == -1 && !log.contains("XML read correctly") && log.contains(message) &&
                     (content != "none" || (l.joints.empty() && l.scale == -7.0f)), // untouched
                 qPrintable(log.messages().join(QLatin1Char('\n'))));
    }
    void damagedDescriptions_data()
    {
        // A copy of the shipped IRB 120 with one line edited: misspelt, missing and
        // non-numeric attributes of every kind of element. Each must be refused, naming
        // the line, the element and the attribute: read as 0 they give another robot.
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, int line, const char *pattern,
                            const char *replacement, const char *message) {
            QTest::newRow(name) << line << pattern << replacement << message;
        };
        row("axis misspelt", 5,
            "\\balpha=", "Zlpha=", "<joint id=\"Axis2\">: unknown attribute \"Zlpha\"");
        row("axis missing d", 7, " d=\"[^\"]*\"", "",
            "<joint id=\"Axis4\">: the attribute \"d\" is missing");
        row("axis d not a number", 7, "\\bd=\"[^\"]*\"", "d=\";02\"",
            "<joint id=\"Axis4\">: d=\";02\" is not a number");
        row("axis alpha not a number", 7, "alpha=\"[^\"]*\"", "alpha=\")0\"",
            "<joint id=\"Axis4\">: alpha=\")0\" is not a number");
        row("axis a with junk", 6, "\\ba=\"[^\"]*\"", "a=\"270mm\"",
            "<joint id=\"Axis3\">: a=\"270mm\" is not a number");
        row("axis limit empty", 9, "liminf=\"[^\"]*\"", "liminf=\"\"",
            "<joint id=\"Axis6\">: liminf=\"\" is not a number");
        row("axis without id", 4, "id=\"Axis1\" ", "", "<joint>: the attribute \"id\" is missing");
        row("base misspelt", 3, "/>", "lenght=\"0\"/>",
            "<joint id=\"Base\">: unknown attribute \"lenght\"");
        row("base not a number", 3, "/>", "d=\"O\"/>",
            "<joint id=\"Base\">: d=\"O\" is not a number");
        row("geometry misspelt", 14,
            "\\bgeo=", "geometry=", "<geometry>: unknown attribute \"geometry\"");
        row("geometry missing name", 12, "name=\"Base\"", "",
            "<geometry>: the attribute \"name\" is missing");
        row("CAD_base misspelt", 20, "\\bry=", "ty=", "<CAD_base>: unknown attribute \"ty\"");
        row("CAD_base not a number", 20, "\\bx=\"[^\"]*\"", "x=\"1O\"",
            "<CAD_base>: x=\"1O\" is not a number");
        row("CAD_scale misspelt", 21,
            "FACTOR=", "factor=", "<CAD_scale>: unknown attribute \"factor\"");
        row("CAD_scale not a number", 21, "FACTOR=\"[^\"]*\"", "FACTOR=\"1.0.0\"",
            "<CAD_scale>: FACTOR=\"1.0.0\" is not a number");
        row("CAD_offsets misspelt", 22,
            "cad_theta6=", "cad_theta7=", "<CAD_offsets>: unknown attribute \"cad_theta7\"");
        row("CAD_offsets not a number", 22, "cad_theta3=\"[^\"]*\"", "cad_theta3=\"--5\"",
            "<CAD_offsets>: cad_theta3=\"--5\" is not a number");
        row("Angle_Type misspelt", 23,
            "\\bid=", "type=", "<Angle_Type>: unknown attribute \"type\"");
        row("Angle_Type not a number", 23, "\\bid=\"[^\"]*\"", "id=\"two\"",
            "<Angle_Type id=\"two\">: id=\"two\" is not a number");
        row("Angle_Type not whole", 23, "\\bid=\"[^\"]*\"", "id=\"2.5\"",
            "<Angle_Type id=\"2.5\">: id=\"2.5\" is not a whole number");
        row("Angle_Type beyond an int", 23, "\\bid=\"[^\"]*\"", "id=\"1e10\"",
            "<Angle_Type id=\"1e10\">: id=\"1e10\" is not a whole number");
        row("Robot_Info misspelt", 24,
            "payload_kg=", "payload=", "<Robot_Info>: unknown attribute \"payload\"");
        row("Robot_Info not a number", 24, "payload_kg=\"[^\"]*\"", "payload_kg=\"3 kg\"",
            "<Robot_Info>: payload_kg=\"3 kg\" is not a number");
        row("Robot_Info preview short", 24, "preview=\"[^\"]*\"", "preview=\"0 0 0 0 30\"",
            "<Robot_Info>: preview=\"0 0 0 0 30\" is not six numbers");
    }
    void damagedDescriptions()
    {
        QFETCH(int, line);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, message);
        QFile f(DataDirs::robotDir() + QStringLiteral("ABB_IRB120.xml"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        QString &edited = lines[line - 1];
        const QString before = edited;
        edited.replace(QRegularExpression(pattern), replacement);
        QVERIFY2(edited != before, qPrintable(before)); // the shipped line still holds the text
        ScratchInstall inst;
        const QString file = inst.write("CAD_Robots/typo.xml", lines.join('\n').toUtf8());
        const Loaded l = load(file);
        const QString want = QStringLiteral("line %1, element %2").arg(line).arg(message);
        QVERIFY2(l.result == -1 && xml::lastError() == want, qPrintable(xml::lastError()));
        RobotInfo info; // the library still lists it: loading says what is wrong
        QVERIFY(readInfo(file, info) == 0 && info.model == "IRB 120-3/0.6");
    }
    void toolFileAndDataDirectories()
    {
        DataDirs::setApplicationDirForTesting(QStringLiteral("/opt/bin/"));
        QVERIFY(DataDirs::resolveStoredPath("../Objects/t.stl") == "/opt/bin/../Objects/t.stl" &&
                DataDirs::resolveStoredPath("/abs/../x") == "/abs/../x" &&
                DataDirs::resolveStoredPath("rel/x") == "rel/x");
        DataDirs::setApplicationDirForTesting(QString()); // sounds beside the program
        QVERIFY(QFileInfo(DataDirs::soundFile("Effect.wav")).size() > 44 &&
                DataDirs::soundFile("NoSuchClip.wav").isEmpty());
        // The shipped pen: its tip, the farthest point of its meshes along Z, on the TCP.
        Tool pen, tool, none;
        QVERIFY(pen.load(QFile::encodeName(DataDirs::defaultTool()).constData()) &&
                pen.getParts().size() >= 2);
        float maxZ = -1e9f;
        for (const Joint &p : pen.getParts())
            for (const auto &v : p.getVertices())
                maxZ = std::max(maxZ, float(v[2]));
        QVERIFY(pen.getTcp()[2] > 50.0f && std::fabs(maxZ - pen.getTcp()[2]) < 0.5f);
        ScratchInstall inst;
        const auto file = [&inst](const char *name, const QByteArray &text) {
            return QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/") + name, text));
        };
        file("pen-1.stl", triangle(1, 1, 1) + triangle(2, 2, 2) + " H= 9 9 9 9 9 9\n");
        file("pen-3.stl", "  color 0 1 0\n" + triangle(3, 3, 3));
        QVERIFY(tool.load(file("pen.tool", "solid h\n H= 0 0 150 0 0 0\n Htool0= 0 0 10 0 0 0\n"
                                           "   toolparts 3\n  color 1 0 0\n" +
                                               triangle(0, 0, 0))));
        // Parts 0 (the tool file), 1 and 3; 2 is missing. "color 1 0 0" is blue.
        const std::vector<Joint> &parts = tool.getParts();
        QVERIFY(parts.size() == 3 && triangles(parts[0]) == 1 && triangles(parts[1]) == 2 &&
                triangles(parts[2]) == 1 &&
                parts[0].getColor() == (std::array<float, 3>{0, 0, 1}) &&
                parts[2].getColor() == (std::array<float, 3>{0, 1, 0}));
        // The TCP 150 mm along Z ("H=" in a part is ignored); the meshes 10 mm back, inverted.
        QCOMPARE(tool.getTcp(), (Pose6{0, 0, 150, 0, 0, 0}));
        const Matrix4 &m = tool.getMeshPlacement();
        QVERIFY(m[11] == -10.0f && m[3] == 0.0f && m[0] == 1.0f);
        tool.attach();
        QVERIFY(parts[1].getDrawVertices().size() == 18 && parts[1].getDrawVertices()[0] == 1.0f);
        // 2.9 parts count as 2, 0 reads no part file; keywords in column 0 are ignored,
        // an indented H= sets the TCP, and part 1 is read by default.
        for (const auto &[text, n] : {std::pair{" toolparts 2.9\n", 2},
                                      {" toolparts 0\n", 1},
                                      {"H= 0 0 150 0 0 0\nvertex 1 1 1\n H= 1 2 0 0 0 0\r\n", 2}}) {
            Tool t;
            const float h = text[0] == 'H';
            QVERIFY(t.load(file("pen.tool", text)) && t.getParts()[0].getVertices().empty() &&
                    int(t.getParts().size()) == n && t.getTcp() == (Pose6{h, 2 * h, 0, 0, 0, 0}));
        }
        MessageLog log;
        QVERIFY(tool.load(file("x.tool", " toolparts 1e9\n")) &&
                log.contains("at most 1000 part files"));
        QVERIFY(!none.load("/nonexistent/dir/none.tool") && none.getParts().empty() &&
                !none.load("x") && !none.load(nullptr));
    }
    void toolFilesReadWholeOrRefused_data()
    {
        // The tool file and its part 1 ("" none), the damaged line (0: it loads) and what the
        // refusal says; a tool that loads has its TCP on the flange unless H= is indented.
        QTest::addColumn<QByteArray>("tool");
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("says");
        const QByteArray h = " H= 0 0 92 0 0 0\n toolparts 1\n", t = triangle(0, 0, 0);
        QTest::newRow("no H= line, BOM") << "\xef\xbb\xbfsolid s\n" + t + "endsolid s\n" << t << 0 << "";
        QTest::newRow("H= in column 0") << QByteArray("H= 0 0 92 0 0 0\n") << t << 0 << "";
        QTest::newRow("keyword in a solid's name")
            << " H=9 0 0 92 0 0 0\nsolid vertex_pen\n" + t + "endsolid vertex_pen\n" << t << 0
            << "92"; // the character after a keyword is dropped
        QTest::newRow("binary after H=")
            << h + QByteArray("\x89PNG\x1a\n\0\0\x01", 9) << t << 3 << "not text";
        QTest::newRow("junk text") << h + t + "more of the pen\n" << t << 10
                                   << "\"more of the pen\" is not a line";
        QTest::newRow("letters for a number")
            << h + QByteArray(t).replace("vertex 1 0 0", "vertex 1 0 blah") << t << 6
            << "\"blah\" is not a number";
        QTest::newRow("four vertices")
            << h + QByteArray(t).replace("endloop", "vertex 1 1 0\n    endloop") << t << 10
            << "triangle of 4 vertices";
        QTest::newRow("cut inside a facet") << h + t + t.left(t.size() - 11) << t << 10
                                            << "does not end";
        QTest::newRow("cut inside a line") << h + " vertex 1 2\n" << t << 3 << "3 numbers";
        QTest::newRow("short H=") << QByteArray(" H= 0 0 92\n") << t << 1 << "6 numbers";
        QTest::newRow("toolparts nan") << QByteArray(" toolparts nan\n") << t << 1 << "\"nan\"";
        QTest::newRow("vertex of a part cut")
            << h << QByteArray("solid\n vertex 1 2 3\n vertex 1\n") << 3
            << "of pen-1.stl: 3 numbers";
    }
    void toolFilesReadWholeOrRefused()
    {
        QFETCH(QByteArray, tool);
        QFETCH(QByteArray, part);
        QFETCH(int, line);
        QFETCH(QString, says);
        ScratchInstall inst;
        inst.write("CAD_Tools/pen-1.stl", part);
        const QByteArray file = QFile::encodeName(inst.write("CAD_Tools/pen.tool", tool));
        Tool t;
        QString why;
        QVERIFY2(Tool::probe(file.constData(), &why) == (line == 0), qPrintable(why));
        QVERIFY2(line == 0 || (why.startsWith(QStringLiteral("line %1 of pen").arg(line)) &&
                               why.contains(says)),
                 qPrintable(why));
        QCOMPARE(t.load(file.constData()), line == 0);
        const std::size_t own = tool.contains("facet") ? 3 : 0; // vertices of the tool file
        QVERIFY(line != 0 || (t.getParts().size() == 2 && triangles(t.getParts()[1]) == 1 &&
                              t.getParts()[0].getVertices().size() == own &&
                              t.getTcp()[2] == (says == "92" ? 92.0f : 0.0f)));
        QVERIFY(line == 0 || t.getParts().empty());
    }
    void shippedRobots_data()
    {
        QTest::addColumn<QJsonObject>("robot"); // name and angle type, or all published
        for (const auto &[name, type] :
             {std::pair{"ABB_IRB120", 0}, {"Fanuc_LRMate200iD", 2}, {"UR5", -1}})
            QTest::newRow(name) << QJsonObject{{"name", name}, {"angle_type", type}};
        // name, maker, model, angle_type, axes (alpha a theta d liminf limsup), reach, payload
        QFile f(QStringLiteral(VELKARI_PUBLISHED_TABLE));
        QVERIFY(f.open(QIODevice::ReadOnly));
        for (const QJsonValue &v : QJsonDocument::fromJson(f.readAll())["robots"].toArray())
            QTest::newRow(qPrintable(v["name"].toString())) << v.toObject();
    }
    void shippedRobots()
    {
        // Each loads whole, each link's mesh reaches from its joint to the next (not so for the
        // wrong link or pose); every number of the published table comes back, decimals included.
        QFETCH(QJsonObject, robot);
        MessageLog log;
        const QString file = DataDirs::robotDir() + robot["name"].toString() + ".xml";
        Loaded l = load(file);
        QVERIFY(l.result == 0 && l.joints.size() == 7 &&
                l.angleType == robot["angle_type"].toInt() && l.scale == 1.0f &&
                !log.contains("Error"));
        Matrix4 frame =
            toolbox::product(toolbox::placementMatrix({l.base[0], l.base[1], l.base[2], l.base[3],
                                                       l.base[4], l.base[5]}),
                             l.joints[0].linkMatrix());
        for (int i = 0; i <= 6; ++i) {
            if (i > 0)
                frame = toolbox::product(frame, l.joints[i].linkMatrixOffset(l.offsets[i - 1]));
            Joint &j = l.joints[i];
            j.attachGeometry(frame, l.scale);
            float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
            for (std::size_t p = 0; p < j.getParts().size() || p == 0; ++p) {
                const auto &v = (p == 0 ? j : j.getParts()[p]).getDrawVertices();
                for (std::size_t k = 0; k < v.size() / 3 * 3; ++k)
                    lo[k % 3] = std::min(lo[k % 3], v[k]), hi[k % 3] = std::max(hi[k % 3], v[k]);
            }
            QVERIFY2(lo[0] <= hi[0], qPrintable(QStringLiteral("element %1 has no mesh").arg(i)));
            const Matrix4 next =
                i < 6 ? l.joints[i + 1].linkMatrix() : toolbox::identity(); // RotX(alpha) (a, 0, d)
            const float points[2][3] = {
                {0, 0, 0}, {next[3], next[7], next[11]}}; // its joint (not the base's) and the next
            for (int n = i == 0, c = 0; n < 2; c = (c + 1) % 3, n += c == 0)
                QVERIFY2(points[n][c] >= lo[c] - 5 && points[n][c] <= hi[c] + 5,
                         qPrintable(QStringLiteral("link %1 misses a joint").arg(i)));
            QVERIFY(i == 0 || j.getLiminf() < j.getLimsup());
        }
        if (!robot.contains("axes")) // one of the three that came first
            return;
        for (int i = 0; i < 6; ++i) {
            const QJsonValue ax = robot["axes"].toArray().at(i);
            const Joint &j = l.joints[std::size_t(i + 1)];
            QVERIFY(j.getAlpha() == ax["alpha"].toDouble() && j.getA() == ax["a"].toDouble() &&
                    j.getTheta() == ax["theta"].toDouble() &&
                    j.getD() == float(ax["d"].toDouble()) &&
                    j.getLiminf() == ax["liminf"].toDouble() &&
                    j.getLimsup() == ax["limsup"].toDouble());
        }
        RobotInfo info; // not published: left out of the file, read as 0
        QVERIFY(readInfo(file, info) == 0 &&
                QString::fromStdString(info.maker) == robot["maker"].toString() &&
                QString::fromStdString(info.model) == robot["model"].toString() &&
                info.reachMm == robot["reach_mm"].toDouble(0.0) &&
                info.payloadKg == robot["payload_kg"].toDouble(0.0));
    }
};
QTEST_GUILESS_MAIN(TestReaders)
#include "tst_readers.moc"
