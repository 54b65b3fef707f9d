// Robot description, link mesh and tool readers on real files, the number
// rules they share, the data-directory rules, and the files we ship: the
// robot library is held to the checked table of published data in
// robots.json beside this file.
#include "kinematics/joint.h"
#include "kinematics/jointlimits.h"
#include "kinematics/robot.h"
#include "models/cnumber.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "models/xml.h"
#include "support/scratchinstall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <tinyxml.h>

namespace {

const char *const kAxes =
    "    <j id=\"Base\" limsup=\"99\" alpha=\"45\" d=\"12\"/>\n"
    "    <j id=\"A1\" limsup=\"165\" liminf=\"-165\" alpha=\"0\" a=\"0\" theta=\"0\" d=\"290\"/>\n"
    "    <j id=\"A2\" limsup=\"110\" liminf=\"-110\" alpha=\"-90\" a=\"0\" theta=\"-90\" "
    "d=\"0\"/>\n"
    "    <j id=\"A3\" limsup=\"70\" liminf=\"-110\" alpha=\"0\" a=\"270\" theta=\"0\" d=\"0\"/>\n"
    "    <!-- comments between axes are skipped -->\n"
    "    <j id=\"A4\" limsup=\"160\" liminf=\"-160\" alpha=\"-90\" a=\"150.6\" theta=\"0\" "
    "d=\"150.6\"/>\n"
    "    <j id=\"A5\" limsup=\"120\" liminf=\"-120\" alpha=\"90\" a=\"0\" theta=\"0\" d=\"0\"/>\n"
    "    <j id=\"A6\" limsup=\"400\" liminf=\"-400\" alpha=\"-90\" a=\"0\" theta=\"0\" "
    "d=\"72\"/>\n";

const char *const kGeometry = "    <g name=\"Base\" geo=\"t/base\"/>\n"
                              "    <g name=\"A1\" geo=\"t/l1\"/>\n"
                              "    <g name=\"A2\" geo=\"t/l2\"/>\n"
                              "    <g name=\"A3\" geo=\"t/l3\"/>\n"
                              "    <g name=\"A4\" geo=\"t/l4\"/>\n"
                              "    <g name=\"A5\" geo=\"t/l5\"/>\n"
                              "    <g name=\"A6\" geo=\"t/l6\"/>\n";

const char *const kTail =
    "  <CAD_base x=\"1\" y=\"2\" z=\"3\" rx=\"10\" ry=\"20\" rz=\"30\"/>\n"
    "  <CAD_scale FACTOR=\"0.5\"/>\n"
    "  <CAD_offsets cad_theta1=\"1\" cad_theta2=\"2\" cad_theta3=\"3\" cad_theta4=\"4\" "
    "cad_theta5=\"5\" cad_theta6=\"6\"/>\n"
    "  <Angle_Type id=\"4\"/>\n";

QByteArray description(const QByteArray &axes = kAxes, const QByteArray &geometry = kGeometry,
                       const QByteArray &tail = kTail)
{
    return "<robot>\n  <robot_dk>\n" + axes + "  </robot_dk>\n  <robot_geometry>\n" + geometry +
           "  </robot_geometry>\n" + tail + "</robot>\n";
}

QByteArray triangle(double x, double y, double z)
{
    return QStringLiteral("  facet normal 0 0 1\n    outer loop\n"
                          "      vertex %1 %2 %3\n      vertex %4 %2 %3\n      vertex %1 %5 %3\n"
                          "    endloop\n  endfacet\n")
        .arg(x)
        .arg(y)
        .arg(z)
        .arg(x + 1)
        .arg(y + 1)
        .toLatin1();
}

struct Loaded
{
    int result = 0;
    std::vector<Joint> joints;
    float base[6] = {-7, -7, -7, -7, -7, -7};
    float scale = -7;
    float offsets[6] = {-7, -7, -7, -7, -7, -7};
    int angleType = -7;
};

Loaded load(const QString &file)
{
    Loaded l;
    l.result = xml::loadData(QFile::encodeName(file).constData(), l.joints, l.base, &l.scale,
                             l.offsets, &l.angleType);
    return l;
}

int triangles(const Joint &j)
{
    return int(j.getVertices().size() / 3);
}

// The checked table: one object per robot with name, maker, model,
// angle_type, axes (alpha, a, theta, d, liminf, limsup), reach_mm and
// payload_kg (null when not published).
QJsonArray publishedTable()
{
    QFile f(QStringLiteral(VELKARI_PUBLISHED_TABLE));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("robots")).toArray();
}

// Quiet debug stream for tests that load many robots: the reader's lines
// would run into the test log's message limit.
struct QuietReader
{
    QuietReader() { QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false")); }
    ~QuietReader() { QLoggingCategory::setFilterRules(QString()); }
};

QJsonObject publishedRobot(const QString &name)
{
    for (const QJsonValue &v : publishedTable())
        if (v.toObject().value(QStringLiteral("name")).toString() == name)
            return v.toObject();
    return {};
}

} // namespace

class TestReaders : public QObject
{
    Q_OBJECT
private slots:
    void numbersFollowTheCRules_data();
    void numbersFollowTheCRules();
    void numbersIgnoreTheProcessLocale();
    void storedPathsAreResolvedFromTheApplicationDirectory();

    void wellFormedDescription();
    void parametersAreRealNumbers_data();
    void parametersAreRealNumbers();
    void libraryDataIsReadAndOptional();
    void linkMeshLookup();
    void sectionErrors_data();
    void sectionErrors();
    void countsAreReportedButReadingGoesOn();
    void missingAngleTypeMeansZero();
    void unreadableFilesFailCleanly();
    void garbageNeverCrashes();

    void toolFileAndParts();
    void toolKeywordsInColumnZeroAreIgnored();
    void toolPartCountIsBounded();
    void missingToolFile();

    void shippedRobotsLoad_data();
    void shippedRobotsLoad();
    void shippedMeshesSitOnTheirLinks_data();
    void shippedMeshesSitOnTheirLinks();
    void libraryMatchesThePublishedTable_data();
    void libraryMatchesThePublishedTable();
    void libraryRoundTrip_data();
    void libraryRoundTrip();
    void shippedToolHasItsTcpAtThePenTip();
    void soundsAreFoundBesideTheProgram();
};

void TestReaders::numbersFollowTheCRules_data()
{
    QTest::addColumn<QByteArray>("text");
    for (const char *t : {"12.7",   "-12.7",  "  42abc",     "+5",           "1e3",        "-0",
                          "abc",    "",       "0x10",        ".5",           "5.",         "1e400",
                          "-1e400", "1e-400", "99999999999", "-99999999999", "3.25e-2xyz", "\t7",
                          "inf",    "nan",    "--3",         "+-3",
                          // just below the midpoint of two floats: read through a
                          // double it would round up twice
                          "1.00000017881393432617187499", "1e39", "-1e-50"})
        QTest::newRow(t) << QByteArray(t);
}

void TestReaders::numbersFollowTheCRules()
{
    // The C library, in the "C" locale, is the reference.
    QFETCH(QByteArray, text);
    const double want = std::strtod(text.constData(), nullptr);
    const double got = cnumber::toDouble(text.toStdString());
    if (std::isnan(want))
        QVERIFY(std::isnan(got));
    else if (text.startsWith("0x"))
        QCOMPARE(got, 0.0); // data files never hold hexadecimal; 0 like "0" followed by junk
    else
        QCOMPARE(got, want);
    // Meshes read in float precision, with the same rules.
    const float wantFloat = std::strtof(text.constData(), nullptr);
    const float gotFloat = cnumber::toFloat(text.toStdString());
    if (std::isnan(wantFloat))
        QVERIFY(std::isnan(gotFloat));
    else if (!text.startsWith("0x")) // exact: QCOMPARE would forgive the last bits
        QVERIFY2(gotFloat == wantFloat, qPrintable(QString::number(gotFloat, 'g', 9) + " != " +
                                                   QString::number(wantFloat, 'g', 9)));
    const long long wantInt = std::strtoll(text.constData(), nullptr, 10);
    const int clamped = wantInt > INT_MAX ? INT_MAX : wantInt < INT_MIN ? INT_MIN : int(wantInt);
    QCOMPARE(cnumber::toInt(text.toStdString()), clamped);
}

void TestReaders::numbersIgnoreTheProcessLocale()
{
    // A desktop in a comma-decimal language must still read "150.6" as 150.6.
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const QByteArray saved = previous ? QByteArray(previous) : QByteArray("C");
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        QSKIP("no comma-decimal locale installed on this machine");
    const double v = cnumber::toDouble("150.6");
    std::setlocale(LC_NUMERIC, saved.constData());
    QCOMPARE(v, 150.6);
}

void TestReaders::storedPathsAreResolvedFromTheApplicationDirectory()
{
    DataDirs::setApplicationDirForTesting(QStringLiteral("/opt/velkari/bin/"));
    QCOMPARE(DataDirs::robotDir(), QStringLiteral("/opt/velkari/bin/../CAD_Robots/"));
    QCOMPARE(DataDirs::defaultTool(),
             QStringLiteral("/opt/velkari/bin/../CAD_Tools/IRB120_Crayon.tool"));
    QCOMPARE(DataDirs::resolveStoredPath(QStringLiteral("../Objects/table.stl")),
             QStringLiteral("/opt/velkari/bin/../Objects/table.stl"));
    // Every "../" is replaced once the path starts with one.
    QCOMPARE(DataDirs::resolveStoredPath(QStringLiteral("../a/../b")),
             QStringLiteral("/opt/velkari/bin/../a//opt/velkari/bin/../b"));
    QCOMPARE(DataDirs::resolveStoredPath(QStringLiteral("/abs/../x")), QStringLiteral("/abs/../x"));
    QCOMPARE(DataDirs::resolveStoredPath(QStringLiteral("rel/x")), QStringLiteral("rel/x"));
    QCOMPARE(DataDirs::defaultStation(), QStringLiteral("setup.vks"));
    DataDirs::setApplicationDirForTesting(QString());
    QCOMPARE(DataDirs::applicationDir(), QCoreApplication::applicationDirPath());
}

void TestReaders::wellFormedDescription()
{
    ScratchInstall inst;
    const QString file = inst.write(QStringLiteral("CAD_Robots/r.xml"), description());
    inst.write(QStringLiteral("CAD_Robots/t/l1.stl"),
               "solid x\n  color 0 0 1\n" + triangle(1, 2, 3) + triangle(-4, 5, 6) + "endsolid\n");
    MessageLog log;
    Loaded l = load(file);
    QCOMPARE(l.result, 0);
    QVERIFY(log.contains(QStringLiteral("XML read correctly")));
    QCOMPARE(int(l.joints.size()), 7);

    // Base record: attributes other than id ignored.
    const Joint &b = l.joints[0];
    QCOMPARE(b.getLimsup(), 0.0);
    QCOMPARE(b.getAlpha(), 0.0);
    QCOMPARE(b.getD(), 0.0f);
    // Every parameter is a real number: a = 150.6 is no longer cut to 150.
    QCOMPARE(l.joints[4].getA(), 150.6);
    QCOMPARE(l.joints[4].getD(), 150.6f);
    QCOMPARE(l.joints[2].getTheta(), -90.0);
    QCOMPARE(l.joints[3].getLiminf(), -110.0);
    QCOMPARE(l.joints[6].getLimsup(), 400.0);
    for (const Joint &j : l.joints)
        QCOMPARE(j.getAngle(), 0.0f);
    // Each record but the last carries a copy of the next axis first.
    for (int i = 0; i < 6; ++i) {
        QVERIFY(!l.joints[i].getParts().empty());
        QCOMPARE(l.joints[i].getParts()[0].getId(), l.joints[i + 1].getId());
        QCOMPARE(l.joints[i].getParts()[0].getA(), l.joints[i + 1].getA());
    }
    QVERIFY(l.joints[6].getParts().empty());

    QCOMPARE(l.base[0], 1.0f);
    QCOMPARE(l.base[5], 30.0f);
    QCOMPARE(l.scale, 0.5f);
    QCOMPARE(l.offsets[0], 1.0f);
    QCOMPARE(l.offsets[5], 6.0f);
    QCOMPARE(l.angleType, 4);

    // The mesh of axis 1: two triangles, coloured red by "color 0 0 1".
    const Joint &a1 = l.joints[1];
    QCOMPARE(triangles(a1), 2);
    QCOMPARE(a1.getColor(), (std::array<float, 3>{1.0f, 0.0f, 0.0f}));
    QCOMPARE(a1.getNormals().size(), std::size_t(2)); // the "facet normal" lines
    // Box of part 1 always contains the origin.
    QCOMPARE(a1.getBox(), (std::array<float, 6>{-4, 0, 0, 2, 6, 6}));
}

void TestReaders::parametersAreRealNumbers_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    auto row = [](const char *name, const char *attribute, const char *text, double v) {
        QTest::newRow(name) << QString::fromLatin1(attribute) << QString::fromLatin1(text) << v;
    };
    // Whole numbers read as before; fractions are kept.
    row("whole a", "a", "270", 270.0);
    row("UR3 a", "a", "-243.65", -243.65);
    row("UR10 a", "a", "-572.3", -572.3);
    row("alpha", "alpha", "-89.75", -89.75);
    row("theta", "theta", "12.5", 12.5);
    row("liminf", "liminf", "-12.7", -12.7);
    row("limsup", "limsup", "170.25", 170.25);
    row("d", "d", "163.941", double(163.941f));
    // The C prefix rule still holds; what is no finite number reads as 0.
    row("trailing text", "a", "42.5mm", 42.5);
    row("exponent", "a", "1.5e2", 150.0);
    row("letters", "a", "abc", 0.0);
    row("nan", "theta", "nan", 0.0);
    row("overflow", "alpha", "1e999", 0.0);
    row("huge limit", "limsup", "1e300", 1e9);
    row("huge negative limit", "liminf", "-1e300", -1e9);
}

void TestReaders::parametersAreRealNumbers()
{
    QFETCH(QString, attribute);
    QFETCH(QString, text);
    QFETCH(double, expected);
    ScratchInstall inst;
    QByteArray axes = kAxes;
    // Axis 3 carries the value under test; its other attributes stay.
    QRegularExpression re(QStringLiteral("(<j id=\"A3\"[^>]*\\b%1=\")[^\"]*").arg(attribute));
    QString replaced = QString::fromLatin1(axes);
    replaced.replace(re, QStringLiteral("\\1") + text);
    QVERIFY(replaced != QString::fromLatin1(axes) || text == QLatin1String("270"));
    const QString file =
        inst.write(QStringLiteral("CAD_Robots/r.xml"), description(replaced.toLatin1()));
    Loaded l = load(file);
    QCOMPARE(l.result, 0);
    const Joint &j = l.joints[3];
    const double got = attribute == "a"        ? j.getA()
                       : attribute == "alpha"  ? j.getAlpha()
                       : attribute == "theta"  ? j.getTheta()
                       : attribute == "liminf" ? j.getLiminf()
                       : attribute == "limsup" ? j.getLimsup()
                                               : double(j.getD());
    QCOMPARE(got, expected);
    // The previous record's copy of this axis carries the same value.
    if (attribute == "a")
        QCOMPARE(l.joints[2].getParts()[0].getA(), expected);
}

void TestReaders::libraryDataIsReadAndOptional()
{
    ScratchInstall inst;
    RobotInfo info;
    // Robot_Info after Angle_Type: read by the library, ignored by the walk.
    const QString withInfo = inst.write(
        QStringLiteral("CAD_Robots/with.xml"),
        description(kAxes, kGeometry,
                    QByteArray(kTail) + "  <Robot_Info maker=\"ACME &amp; Sons\" model=\"X-1/0.5\" "
                                        "reach_mm=\"512.5\" payload_kg=\"3.5\" future=\"1\" "
                                        "preview=\"1 -2.5 3 x 1e999\"/>\n  <Later/>\n"));
    QCOMPARE(xml::loadInfo(QFile::encodeName(withInfo).constData(), info), 0);
    QCOMPARE(QString::fromStdString(info.maker), QStringLiteral("ACME & Sons"));
    QCOMPARE(QString::fromStdString(info.model), QStringLiteral("X-1/0.5"));
    QCOMPARE(info.reachMm, 512.5);
    QCOMPARE(info.payloadKg, 3.5);
    QCOMPARE(info.preview, (std::array<float, 6>{1.0f, -2.5f, 3.0f, 0.0f, 0.0f, 0.0f}));
    Loaded l = load(withInfo);
    QCOMPARE(l.result, 0);
    QCOMPARE(l.angleType, 4);

    // A description without it is still one; negative values mean unknown.
    const QString plain = inst.write(QStringLiteral("CAD_Robots/plain.xml"), description());
    QCOMPARE(xml::loadInfo(QFile::encodeName(plain).constData(), info), 0);
    QVERIFY(info.maker.empty() && info.model.empty());
    QCOMPARE(info.reachMm, 0.0);
    const QString negative = inst.write(
        QStringLiteral("CAD_Robots/neg.xml"),
        description(kAxes, kGeometry, QByteArray(kTail) + "<Robot_Info reach_mm=\"-5\"/>"));
    QCOMPARE(xml::loadInfo(QFile::encodeName(negative).constData(), info), 0);
    QCOMPARE(info.reachMm, 0.0);

    // Other XML, garbage and missing files are no robot descriptions.
    const QString other = inst.write(QStringLiteral("CAD_Robots/other.xml"), "<a><b/></a>");
    const QString junk = inst.write(QStringLiteral("CAD_Robots/junk.xml"), "\x01\xff<<robot");
    for (const QString &f : {other, junk, inst.path(QStringLiteral("CAD_Robots/none.xml"))}) {
        info.maker = "stale";
        QCOMPARE(xml::loadInfo(QFile::encodeName(f).constData(), info), -1);
        QVERIFY(info.maker.empty());
    }
    QCOMPARE(xml::loadInfo(nullptr, info), -1);
}

void TestReaders::linkMeshLookup()
{
    ScratchInstall inst;
    const QString file = inst.write(QStringLiteral("CAD_Robots/r.xml"), description());
    // Numbered parts with a gap: 1 and 2 are read, 4 never.
    inst.write(QStringLiteral("CAD_Robots/t/l2-1.stl"), triangle(0, 0, 0));
    inst.write(QStringLiteral("CAD_Robots/t/l2-2.stl"),
               "  color 1 0 0\n" + triangle(0, 0, 1) + triangle(0, 0, 2));
    inst.write(QStringLiteral("CAD_Robots/t/l2-4.stl"), triangle(0, 0, 9));
    // A single file wins over numbered ones.
    inst.write(QStringLiteral("CAD_Robots/t/l3.stl"), triangle(0, 0, 0));
    inst.write(QStringLiteral("CAD_Robots/t/l3-1.stl"), triangle(0, 0, 0) + triangle(1, 1, 1));
    // Vertex lines in the first column are not vertices.
    inst.write(QStringLiteral("CAD_Robots/t/l4.stl"), "vertex 1 2 3\nvertex 1 2 3\nvertex 1 2 3\n");
    // A mesh next to the description is not looked at.
    inst.write(QStringLiteral("CAD_Robots/t/l5.stl.bak"), triangle(0, 0, 0));

    Loaded l = load(file);
    QCOMPARE(l.result, 0);
    const Joint &a2 = l.joints[2];
    QCOMPARE(triangles(a2), 1);
    QCOMPARE(int(a2.getParts().size()), 2); // next-axis copy + part 2
    QCOMPARE(triangles(a2.getParts()[1]), 2);
    QCOMPARE(a2.getParts()[1].getColor(), (std::array<float, 3>{0.0f, 0.0f, 1.0f}));
    QCOMPARE(triangles(l.joints[3]), 1);
    QCOMPARE(int(l.joints[3].getParts().size()), 1);
    QCOMPARE(triangles(l.joints[4]), 0);
    QCOMPARE(triangles(l.joints[5]), 0);

    // processGeometry: unknown names are -1, duplicates add up.
    Joint extra;
    extra.setId("A3");
    std::vector<Joint> list{extra};
    TiXmlElement unknown("g");
    unknown.SetAttribute("name", "nobody");
    unknown.SetAttribute("geo", "t/l3");
    QCOMPARE(xml::processGeometry(list, &unknown), -1);
    TiXmlElement same("g");
    same.SetAttribute("name", "A3");
    same.SetAttribute("geo", "t/l2");
    // Vertex lines over all parts: 3 in part 1, 6 in part 2.
    QCOMPARE(xml::processGeometry(list, &same), 9);
    QCOMPARE(xml::processGeometry(list, &same), 9);
    QCOMPARE(triangles(list[0]), 2);
    QCOMPARE(int(list[0].getParts().size()), 2);
}

void TestReaders::sectionErrors_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray good = description();
    QByteArray c;

    QTest::newRow("comment first")
        << QByteArray("<!-- made by hand -->\n") + good
        << QStringLiteral("Error: expected robot_dk in XML file (found  made by hand )");
    c = good;
    c.replace("robot_dk>", "robot_kd>");
    QTest::newRow("robot_dk misnamed")
        << c << QStringLiteral("Error: expected robot_dk in XML file (found robot_kd)");
    c = good;
    c.replace("robot_geometry>", "geometry>");
    QTest::newRow("geometry misnamed")
        << c << QStringLiteral("Error: expected robot_geometry in XML file (found geometry)");
    c = good;
    c.replace("CAD_base", "CAD_bas");
    QTest::newRow("base misnamed")
        << c << QStringLiteral("Error: expected CAD_BASE in XML file (found CAD_bas)");
    c = good;
    c.replace("CAD_scale", "CAD_Scale");
    QTest::newRow("scale misnamed")
        << c << QStringLiteral("Error: expected CAD_scale in XML file (found CAD_Scale)");
    c = good;
    c.replace("CAD_offsets", "offsets");
    QTest::newRow("offsets misnamed")
        << c << QStringLiteral("Error: expected CAD_offsets in XML file (found offsets)");
    // Missing altogether rather than misnamed: reading must still stop cleanly.
    QTest::newRow("no geometry section")
        << QByteArray("<robot><robot_dk>") + kAxes + "</robot_dk></robot>"
        << QStringLiteral("Error: expected robot_geometry in XML file (found )");
    QTest::newRow("ends after geometry")
        << description(kAxes, kGeometry, QByteArray())
        << QStringLiteral("Error: expected CAD_BASE in XML file (found )");
    QTest::newRow("empty root") << QByteArray("<robot/>")
                                << QStringLiteral(
                                       "Error: expected robot_dk in XML file (found robot)");
    QTest::newRow("text before the axes")
        << description(QByteArray("some text") + kAxes)
        << QStringLiteral("the first child of robot_dk is not an element");
    QTest::newRow("axis without id") << description(QByteArray("<j alpha=\"3\"/>") + kAxes)
                                     << QStringLiteral("axis element without id");
}

void TestReaders::sectionErrors()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    ScratchInstall inst;
    MessageLog log;
    Loaded l = load(inst.write(QStringLiteral("CAD_Robots/bad.xml"), content));
    QCOMPARE(l.result, -1);
    QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
    QVERIFY(!log.contains(QStringLiteral("XML read correctly")));
}

void TestReaders::countsAreReportedButReadingGoesOn()
{
    ScratchInstall inst;
    QByteArray six(kAxes);
    six.remove(six.indexOf("    <j id=\"A6\""), six.size());
    MessageLog log;
    Loaded l = load(inst.write(QStringLiteral("CAD_Robots/six.xml"), description(six)));
    QCOMPARE(l.result, 0);
    QCOMPARE(int(l.joints.size()), 6);
    QVERIFY(log.contains(
        QStringLiteral("Error : There should be 7 axis info entries (axis found = 6)")));

    log.clear();
    QByteArray eight = QByteArray(kAxes) + "<j id=\"A7\" a=\"5\"/>\n";
    QByteArray geo = QByteArray(kGeometry) +
                     "<g name=\"A7\" geo=\"t/none\"/>\n<g name=\"A7\" geo=\"t/none\"/>\n";
    l = load(inst.write(QStringLiteral("CAD_Robots/eight.xml"), description(eight, geo)));
    QCOMPARE(l.result, 0);
    QCOMPARE(int(l.joints.size()), 8);
    QVERIFY(log.contains(QStringLiteral("(axis found = 8)")));
    QVERIFY(log.contains(
        QStringLiteral("Error : There should be 7 geometric files (geometries found = 9)")));
}

void TestReaders::missingAngleTypeMeansZero()
{
    ScratchInstall inst;
    QByteArray tail(kTail);
    tail.replace("Angle_Type", "AngleKind");
    MessageLog log;
    Loaded l =
        load(inst.write(QStringLiteral("CAD_Robots/r.xml"), description(kAxes, kGeometry, tail)));
    QCOMPARE(l.result, 0);
    QCOMPARE(l.angleType, 0);
    QVERIFY(log.contains(QStringLiteral("XML could not read Angle_Type id")));
}

void TestReaders::unreadableFilesFailCleanly()
{
    ScratchInstall inst;
    MessageLog log;
    Loaded l = load(inst.path(QStringLiteral("CAD_Robots/absent.xml")));
    QCOMPARE(l.result, -1);
    QVERIFY(log.contains(QStringLiteral("doc.LoadFile() failed")));
    QVERIFY(l.joints.empty());
    // Untouched out-parameters.
    QCOMPARE(l.scale, -7.0f);

    // Truncated in the middle of the geometry section.
    const QByteArray good = description();
    l = load(
        inst.write(QStringLiteral("CAD_Robots/cut.xml"), good.left(good.indexOf("CAD_base") - 20)));
    QCOMPARE(l.result, -1);
    l = load(inst.write(QStringLiteral("CAD_Robots/empty.xml"), QByteArray()));
    QCOMPARE(l.result, -1);
    // A null document reads as nothing, successfully.
    std::vector<Joint> none;
    float b[6], s, o[6];
    int t = 3;
    QCOMPARE(xml::processFile(none, nullptr, b, &s, o, &t), 0);
    QCOMPARE(t, 3);
}

void TestReaders::garbageNeverCrashes()
{
    ScratchInstall inst;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255);
    const QByteArray good = description();
    for (int round = 0; round < 60; ++round) {
        QByteArray data;
        if (round % 3 == 0) {
            data.resize(1 + round * 37);
            for (char &c : data)
                c = char(byte(rng));
        } else {
            // Well-formed text with random bytes flipped and a random cut.
            data = good;
            for (int k = 0; k < 1 + round % 7; ++k)
                data[int(rng() % unsigned(data.size()))] = char(byte(rng));
            data.truncate(int(rng() % unsigned(data.size())) + 1);
        }
        Loaded l = load(inst.write(QStringLiteral("CAD_Robots/g.xml"), data));
        QVERIFY(l.result == 0 || l.result == -1);
    }
    // Binary junk as a link mesh and as a tool part: read, nothing recognised.
    QByteArray junk(200000, '\0');
    for (char &c : junk)
        c = char(byte(rng));
    inst.write(QStringLiteral("CAD_Robots/t/l1.stl"), junk);
    Loaded l = load(inst.write(QStringLiteral("CAD_Robots/r.xml"), description()));
    QCOMPARE(l.result, 0);
    QCOMPARE(int(l.joints.size()), 7);
    Tool tool;
    QVERIFY(tool.load(
        QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/junk.tool"), junk)).constData()));
}

void TestReaders::toolFileAndParts()
{
    ScratchInstall inst;
    const QString file = inst.write(QStringLiteral("CAD_Tools/pen.tool"), "solid holder\n"
                                                                          " H= 0 0 150 0 0 0\n"
                                                                          " Htool0= 0 0 10 0 0 0\n"
                                                                          "   toolparts 3\n"
                                                                          "  color 1 0 0\n" +
                                                                              triangle(0, 0, 0));
    inst.write(QStringLiteral("CAD_Tools/pen-1.stl"),
               triangle(1, 1, 1) + triangle(2, 2, 2) + " H= 9 9 9 9 9 9\n");
    inst.write(QStringLiteral("CAD_Tools/pen-3.stl"), "  color 0 1 0\n" + triangle(3, 3, 3));

    Tool tool;
    QVERIFY(tool.load(QFile::encodeName(file).constData()));
    // Parts 0 (the tool file), 1 and 3; 2 is missing and skipped.
    QCOMPARE(int(tool.getParts().size()), 3);
    QCOMPARE(triangles(tool.getParts()[0]), 1);
    QCOMPARE(triangles(tool.getParts()[1]), 2);
    QCOMPARE(triangles(tool.getParts()[2]), 1);
    // "color 1 0 0" is blue; part 3's "color 0 1 0" green.
    QCOMPARE(tool.getParts()[0].getColor(), (std::array<float, 3>{0, 0, 1}));
    QCOMPARE(tool.getParts()[2].getColor(), (std::array<float, 3>{0, 1, 0}));
    // The TCP is 150 mm along the flange Z; "H=" in a part file is ignored.
    QCOMPARE(tool.getTcp(), (Pose6{0, 0, 150, 0, 0, 0}));
    // Meshes are drawn 10 mm back along Z: the inverse of the given pose.
    const Matrix4 &mp = tool.getMeshPlacement();
    QCOMPARE(mp[11], -10.0f);
    QCOMPARE(mp[3], 0.0f);
    QCOMPARE(mp[0], 1.0f);

    tool.attach();
    QCOMPARE(tool.getParts()[1].getDrawVertices().size(), std::size_t(18));
    QCOMPARE(tool.getParts()[1].getDrawVertices()[0], 1.0f); // identity frame, scale 1

    // 2.9 parts counts as 2; 0 reads no part file.
    Tool two;
    QVERIFY(two.load(
        QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/pen.tool"), " toolparts 2.9\n"))
            .constData()));
    QCOMPARE(int(two.getParts().size()), 2); // part 0 and part 1 (part 2 missing)
    Tool zero;
    QVERIFY(zero.load(
        QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/pen.tool"), " toolparts 0\n"))
            .constData()));
    QCOMPARE(int(zero.getParts().size()), 1);
    QCOMPARE(zero.getTcp(), (Pose6{0, 0, 0, 0, 0, 0}));
}

void TestReaders::toolKeywordsInColumnZeroAreIgnored()
{
    ScratchInstall inst;
    Tool tool;
    QVERIFY(tool.load(QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/x.tool"),
                                                   "H= 0 0 150 0 0 0\nvertex 1 1 1\n H= 1 2\r\n"))
                          .constData()));
    // The indented short line sets x, y and leaves the rest 0.
    QCOMPARE(tool.getTcp(), (Pose6{1, 2, 0, 0, 0, 0}));
    QVERIFY(tool.getParts()[0].getVertices().empty());
}

void TestReaders::toolPartCountIsBounded()
{
    ScratchInstall inst;
    MessageLog log;
    QElapsedTimer timer;
    timer.start();
    Tool tool;
    QVERIFY(tool.load(
        QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/x.tool"), " toolparts 1e9\n"))
            .constData()));
    QVERIFY(log.contains(QStringLiteral("reading at most 1000 part files")));
    QVERIFY(timer.elapsed() < 5000);
    Tool nan;
    QVERIFY(nan.load(
        QFile::encodeName(inst.write(QStringLiteral("CAD_Tools/y.tool"), " toolparts nan\n"))
            .constData()));
    QCOMPARE(int(nan.getParts().size()), 1);
}

void TestReaders::missingToolFile()
{
    MessageLog log;
    Tool tool;
    QVERIFY(!tool.load("/nonexistent/dir/none.tool"));
    QVERIFY(log.contains(QStringLiteral("Tool file doesn't exist")));
    QVERIFY(tool.getParts().empty());
    Tool shortName;
    QVERIFY(!shortName.load("x"));
    QVERIFY(!shortName.load(nullptr));
}

void TestReaders::shippedRobotsLoad_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("angleType");
    QTest::newRow("IRB120") << QStringLiteral("ABB_IRB120.xml") << 0;
    QTest::newRow("LR Mate") << QStringLiteral("Fanuc_LRMate200iD.xml") << 2;
    QTest::newRow("UR5") << QStringLiteral("UR5.xml") << -1;
    for (const QJsonValue &v : publishedTable()) {
        const QString name = v.toObject().value(QStringLiteral("name")).toString();
        QTest::newRow(qPrintable(name)) << name + QStringLiteral(".xml")
                                        << v.toObject().value(QStringLiteral("angle_type")).toInt();
    }
}

void TestReaders::shippedRobotsLoad()
{
    QFETCH(QString, file);
    QFETCH(int, angleType);
    MessageLog log;
    Loaded l = load(DataDirs::robotDir() + file);
    QCOMPARE(l.result, 0);
    QCOMPARE(int(l.joints.size()), 7);
    QCOMPARE(l.angleType, angleType);
    QCOMPARE(l.scale, 1.0f);
    QVERIFY(!log.contains(QStringLiteral("Error")));
    for (int i = 0; i < 7; ++i) {
        int tris = triangles(l.joints[i]);
        for (std::size_t p = 1; p < l.joints[i].getParts().size(); ++p)
            tris += triangles(l.joints[i].getParts()[p]);
        QVERIFY2(tris > 0, qPrintable(QStringLiteral("element %1 has no mesh").arg(i)));
        if (i > 0)
            QVERIFY(l.joints[i].getLiminf() < l.joints[i].getLimsup());
    }
}

void TestReaders::shippedMeshesSitOnTheirLinks_data()
{
    shippedRobotsLoad_data();
}

void TestReaders::shippedMeshesSitOnTheirLinks()
{
    // Attach each link's mesh at the CAD pose as the robot does, then check in
    // the link's own frame that the mesh reaches from its joint to the next:
    // a mesh drawn for the wrong link or the wrong zero pose fails here.
    QFETCH(QString, file);
    Loaded l = load(DataDirs::robotDir() + file);
    QCOMPARE(l.result, 0);
    Matrix4 frame = toolbox::placementMatrix(
        {l.base[0], l.base[1], l.base[2], l.base[3], l.base[4], l.base[5]});
    frame = toolbox::product(frame, l.joints[0].linkMatrix());
    std::vector<Matrix4> frames{frame};
    for (int i = 1; i <= 6; ++i) {
        frame = toolbox::product(frame, l.joints[i].linkMatrixOffset(l.offsets[i - 1]));
        frames.push_back(frame);
    }
    for (int i = 0; i <= 6; ++i) {
        Joint &j = l.joints[i];
        j.attachGeometry(frames[i], l.scale);
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        auto grow = [&](const Joint &g) {
            const auto &v = g.getDrawVertices();
            for (std::size_t k = 0; k + 2 < v.size(); k += 3)
                for (int c = 0; c < 3; ++c) {
                    lo[c] = std::min(lo[c], v[k + c]);
                    hi[c] = std::max(hi[c], v[k + c]);
                }
        };
        grow(j);
        for (std::size_t p = 1; p < j.getParts().size(); ++p)
            grow(j.getParts()[p]);
        auto inside = [&](const float *p) {
            for (int c = 0; c < 3; ++c)
                if (p[c] < lo[c] - 5 || p[c] > hi[c] + 5)
                    return false;
            return true;
        };
        const float origin[3] = {0, 0, 0};
        if (i >= 1)
            QVERIFY2(inside(origin), qPrintable(QStringLiteral("link %1 misses its joint").arg(i)));
        if (i <= 5) {
            // Next joint origin in this frame: RotX(alpha) (a, 0, d).
            const Matrix4 next = l.joints[i + 1].linkMatrix();
            const float p[3] = {next[3], next[7], next[11]};
            QVERIFY2(inside(p), qPrintable(QStringLiteral("link %1 misses the next joint").arg(i)));
        }
    }
}

void TestReaders::libraryMatchesThePublishedTable_data()
{
    QTest::addColumn<QString>("name");
    const QJsonArray table = publishedTable();
    QCOMPARE(table.size(), 16);
    for (const QJsonValue &v : table) {
        const QString name = v.toObject().value(QStringLiteral("name")).toString();
        QTest::newRow(qPrintable(name)) << name;
    }
}

void TestReaders::libraryMatchesThePublishedTable()
{
    // Every number of the table comes back from the shipped file exactly,
    // decimals included, and so do the maker's name, model, reach and payload.
    QFETCH(QString, name);
    QuietReader quiet;
    const QJsonObject robot = publishedRobot(name);
    const QString file = DataDirs::robotDir() + name + QStringLiteral(".xml");
    Loaded l = load(file);
    QCOMPARE(l.result, 0);
    QCOMPARE(int(l.joints.size()), 7);
    QCOMPARE(l.angleType, robot.value(QStringLiteral("angle_type")).toInt());
    const QJsonArray axes = robot.value(QStringLiteral("axes")).toArray();
    QCOMPARE(axes.size(), 6);
    for (int i = 0; i < 6; ++i) {
        const QJsonObject ax = axes[i].toObject();
        const Joint &j = l.joints[std::size_t(i + 1)];
        QCOMPARE(j.getAlpha(), ax.value(QStringLiteral("alpha")).toDouble());
        QCOMPARE(j.getA(), ax.value(QStringLiteral("a")).toDouble());
        QCOMPARE(j.getTheta(), ax.value(QStringLiteral("theta")).toDouble());
        QCOMPARE(j.getD(), float(ax.value(QStringLiteral("d")).toDouble()));
        QCOMPARE(j.getLiminf(), ax.value(QStringLiteral("liminf")).toDouble());
        QCOMPARE(j.getLimsup(), ax.value(QStringLiteral("limsup")).toDouble());
    }
    RobotInfo info;
    QCOMPARE(xml::loadInfo(QFile::encodeName(file).constData(), info), 0);
    QCOMPARE(QString::fromStdString(info.maker), robot.value(QStringLiteral("maker")).toString());
    QCOMPARE(QString::fromStdString(info.model), robot.value(QStringLiteral("model")).toString());
    // Not published: left out of the file, read as 0.
    QCOMPARE(info.reachMm, robot.value(QStringLiteral("reach_mm")).toDouble(0.0));
    QCOMPARE(info.payloadKg, robot.value(QStringLiteral("payload_kg")).toDouble(0.0));
}

void TestReaders::libraryRoundTrip_data()
{
    libraryMatchesThePublishedTable_data();
}

void TestReaders::libraryRoundTrip()
{
    // Random joint values within the limits -> forward kinematics -> inverse
    // kinematics must list the original configuration, and every listed
    // configuration must reach the same flange pose within the limits.
    QFETCH(QString, name);
    QuietReader quiet;
    Robot r;
    QCOMPARE(r.loadData(QFile::encodeName(DataDirs::robotDir() + name + ".xml").constData()), 0);
    const std::vector<Joint> &joints = r.getJoints();
    std::mt19937 rng(20261206);
    std::vector<IkConfiguration> list;
    list.reserve(256);
    int tried = 0, lost = 0, listed = 0, offTarget = 0, outside = 0;
    double worst = 0.0;
    while (tried < 200) {
        std::array<float, 6> q;
        for (int k = 0; k < 6; ++k)
            q[k] = std::uniform_real_distribution<float>(float(joints[k + 1].getLiminf()),
                                                         float(joints[k + 1].getLimsup()))(rng);
        // Away from the wrist singularity, where the wrist angles are not unique.
        if (std::fabs(q[4]) < 2.0f || !r.checkCoupledLimits(q.data()))
            continue;
        ++tried;
        r.setJointAngles(q);
        const Matrix4 target = r.fk(6);
        r.setJointAngles(std::array<float, 6>{0, 0, 0, 0, 30, 0}.data());
        r.doInverseKinematics(target, list);
        bool found = false;
        for (const IkConfiguration &c : list) {
            ++listed;
            // Whole turns of axes 1, 4 and 6 are listed as variants of their
            // own; axes 2, 3 and 5 count up to whole turns (a UR's +-360).
            float diff = 0.0f;
            for (int k = 0; k < 6; ++k)
                diff = std::max(diff, std::fabs(k == 1 || k == 2 || k == 4
                                                    ? std::remainder(c.q[k] - q[k], 360.0f)
                                                    : c.q[k] - q[k]));
            found = found || diff < 0.05f;
            r.setJointAngles(c.q);
            const Matrix4 m = r.fk(6);
            double err = 0.0;
            for (int k : {3, 7, 11})
                err = std::max(err, double(std::fabs(m[k] - target[k])));
            worst = std::max(worst, err);
            offTarget += err > 0.05;
            // The program's own rule: axis 3 of a coupled arm moves with axis 2.
            outside += !jointlimits::accepts(r, c.q.data());
        }
        lost += !found;
    }
    qInfo().noquote() << QStringLiteral("%1: %2 joint sets, %3 not listed, %4 configurations "
                                        "listed, %5 outside the limits, %6 off target, worst "
                                        "position error %7 mm")
                             .arg(name)
                             .arg(tried)
                             .arg(lost)
                             .arg(listed)
                             .arg(outside)
                             .arg(offTarget)
                             .arg(worst, 0, 'g', 3);
    QCOMPARE(offTarget, 0);
    QVERIFY2(lost == 0 && outside == 0,
             qPrintable(QStringLiteral("%1 lost, %2 outside").arg(lost).arg(outside)));
}

void TestReaders::shippedToolHasItsTcpAtThePenTip()
{
    Tool tool;
    QVERIFY(tool.load(QFile::encodeName(DataDirs::defaultTool()).constData()));
    QVERIFY(tool.getParts().size() >= 2);
    const Pose6 &tcp = tool.getTcp();
    QVERIFY(tcp[2] > 50.0f);
    // The tip is the farthest point of the meshes along Z and sits on the TCP.
    float maxZ = -1e9f;
    for (const Joint &p : tool.getParts())
        for (const auto &v : p.getVertices())
            maxZ = std::max(maxZ, float(v[2]));
    QVERIFY(std::fabs(maxZ - tcp[2]) < 0.5f);
}

void TestReaders::soundsAreFoundBesideTheProgram()
{
    for (const char *name : {"Music.wav", "Effect.wav"}) {
        const QString f = DataDirs::soundFile(QLatin1String(name));
        QVERIFY2(!f.isEmpty(), name);
        QFile wav(f);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        QVERIFY(wav.read(4) == "RIFF");
    }
    QVERIFY(DataDirs::soundFile(QStringLiteral("NoSuchClip.wav")).isEmpty());
}

QTEST_GUILESS_MAIN(TestReaders)
#include "tst_readers.moc"
