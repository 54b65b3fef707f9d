// Station files without a window: the shipped stations read and written back
// byte for byte, the records a reader takes and the ones it passes over,
// damaged files refused with the file and first bad line named, names that
// would break a record, and paths stored relative to the installation.
#include "models/datadirs.h"
#include "stations/stationfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray pose16()
{
    QByteArray p;
    for (int k = 0; k < 16; ++k)
        p += (k % 5 == 0 ? "1.000000#" : "0.000000#");
    return p;
}

QByteArray robotRecord(const QByteArray &file)
{
    return "#ROBOT#" + file + "#EMPTY#r#1#1#2#3#4#5#6#" + pose16();
}

QByteArray objectRecord(const QByteArray &name)
{
    return "#OBJECT#m.stl#" + name + "#0.500000#1#0#" + pose16();
}

} // namespace

class TestStationFile : public QObject
{
    Q_OBJECT
private slots:
    void shippedStationsComeBackByteForByte_data();
    void shippedStationsComeBackByteForByte();
    void codesBeyondIntAreHeldInRange();
    void records_data();
    void records();
    void randomBytesAreRefused();
    void writing();
    void pathsUnderTheInstallation();
};

void TestStationFile::shippedStationsComeBackByteForByte_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &dir : {DataDirs::stationDir(), DataDirs::simulationDir()})
        for (const QString &name : QDir(dir).entryList({"*.vks"}, QDir::Files))
            QTest::newRow(qPrintable(name)) << dir + name;
    QVERIFY(QDir(DataDirs::stationDir()).entryList({"*.vks"}, QDir::Files).size() >= 2);
}

void TestStationFile::shippedStationsComeBackByteForByte()
{
    QFETCH(QString, path);
    const QByteArray bytes = bytesOf(path);
    QVERIFY(!bytes.isEmpty());
    Station s;
    QCOMPARE(StationFile::read(path, &s), StationFile::Ok);
    QCOMPARE(s.robots.size(), 1);
    QCOMPARE(bytes.count("\r\n"), s.robots.size() + s.objects.size());
    QCOMPARE(StationFile::text(s).toUtf8(), bytes);
    // The robot stands where its record says; the placement translation
    // (element 3, 7, 11 of the row-major matrix) is the same field of the file.
    const QList<QByteArray> robot = bytes.split('\n').at(1).split('#');
    QCOMPARE(s.robots[0].world[0], robot.at(6).toDouble());
    QCOMPARE(s.robots[0].placement[3], robot.at(15).toDouble());
    QCOMPARE(s.robots[0].placement[11], robot.at(23).toDouble());
    QVERIFY(DataDirs::resolveStoredPath(s.robots[0].file).startsWith(DataDirs::applicationDir()));
}

void TestStationFile::codesBeyondIntAreHeldInRange()
{
    // Ten-digit codes (a damaged or hostile file) end at int's limits, and
    // a real code is cut toward zero.
    Station s;
    QCOMPARE(int(StationFile::parse("#OPTIONS#21474836482#-1e20#", "c.vks", &s)), 0);
    QCOMPARE(s.language, 2147483647);
    QCOMPARE(s.euler, -2147483647 - 1);
    QCOMPARE(int(StationFile::parse("#OPTIONS#-2.9#3.9#", "c.vks", &s)), 0);
    QCOMPARE(s.language, -2);
    QCOMPARE(s.euler, 3);
}

void TestStationFile::records_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("result");   // StationFile::Result
    QTest::addColumn<int>("robots");   // or, when damaged, the first bad line
    QTest::addColumn<int>("objects");
    QTest::addColumn<bool>("joints");  // the last robot has its joints
    QTest::addColumn<bool>("stopped"); // reading ended at an "EMPTY" robot

    const QByteArray opt = "#OPTIONS#2#3#";
    const QByteArray joints = "#JOINTS#10.000000#-20.000000#30.000000#0#0#0#";
    QByteArray cut = objectRecord("b");
    cut.chop(5); // inside the last value
    const QByteArray fifteen = "#OBJECT#m.stl#c#1.000000#1#0#" + pose16().left(9 * 15);
    QTest::newRow("options only") << opt << 0 << 0 << 0 << false << false;
    QTest::newRow("robot, joints, object")
        << opt + "\r\n" + robotRecord("a.xml") + "\r\n" + joints + "\r\n" + objectRecord("o")
        << 0 << 1 << 1 << true << false;
    QTest::newRow("doubled CR")
        << opt + "\r\r\n" + robotRecord("a.xml") + "\r\r\n" + objectRecord("o") << 0 << 1 << 1
        << false << false;
    QTest::newRow("joints before any robot")
        << opt + "\r\n" + joints + "\r\n" + robotRecord("a.xml") << 0 << 1 << 0 << false << false;
    QTest::newRow("cut records skipped")
        << opt + "\r\n" + objectRecord("a") + "\r\n" + cut + "\r\n" + fifteen + "\r\n" +
               objectRecord("d")
        << 0 << 0 << 2 << false << false;
    QTest::newRow("EMPTY robot ends the station")
        << opt + "\r\n" + objectRecord("a") + "\r\n" + robotRecord("EMPTY") + "\r\n" +
               objectRecord("b")
        << 0 << 0 << 1 << false << true;
    QTest::newRow("a folder named EMPTY is a place")
        << opt + "\r\n" + robotRecord("/x/EMPTY_CELL/r.xml") << 0 << 1 << 0 << false << false;
    QTest::newRow("no options record") << robotRecord("a.xml") << -2 << 1 << 0 << false << false;
    QTest::newRow("second line not a record")
        << opt + "\r\n#ROBOT#x.xml#\r\n" << -2 << 2 << 0 << false << false;
    QTest::newRow("letters where numbers go")
        << opt + "\r\n" + robotRecord("a.xml").replace("#4#", "#four#") << -2 << 2 << 0 << false
        << false;
    QTest::newRow("NUL byte") << opt + "\r\n" + objectRecord(QByteArray("a\0b", 3)) << -2 << 1
                              << 0 << false << false;
}

void TestStationFile::records()
{
    QFETCH(QByteArray, text);
    QFETCH(int, result);
    QFETCH(int, robots);
    QFETCH(int, objects);
    QFETCH(bool, joints);
    QFETCH(bool, stopped);
    Station s;
    s.language = 77; // untouched unless a station is read
    QString message;
    QCOMPARE(int(StationFile::parse(text, "cell.vks", &s, &message)), result);
    if (result == StationFile::Damaged) {
        QCOMPARE(s.language, 77);
        QVERIFY2(message.contains("cell.vks") &&
                     message.contains(QStringLiteral("line %1 ").arg(robots)),
                 qPrintable(message));
        return;
    }
    QVERIFY(s.hasOptions);
    QCOMPARE(s.language, 2);
    QCOMPARE(s.euler, 3);
    QCOMPARE(s.robots.size(), robots);
    QCOMPARE(s.objects.size(), objects);
    QCOMPARE(s.stoppedAtEmpty, stopped);
    if (robots) {
        const StationRobot &r = s.robots.last();
        QCOMPARE(r.hasJoints, joints);
        QCOMPARE(r.world[5], 6.0);
        QCOMPARE(r.tool, QStringLiteral("EMPTY"));
        if (joints)
            QCOMPARE(r.joints[1], -20.0);
    }
    if (objects) {
        QCOMPARE(s.objects.last().scale, 0.5);
        QCOMPARE(s.objects.last().pose[15], 1.0);
    }
}

void TestStationFile::randomBytesAreRefused()
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        QByteArray noise(int(random() % 4000), '\0');
        for (char &c : noise)
            c = char(random() & 0xFF);
        if (round % 2) // past the first check, then garbage
            noise.prepend("#OPTIONS#1#0#\r\n");
        Station s;
        const StationFile::Result r = StationFile::parse(noise, "n.vks", &s);
        QVERIFY(r == StationFile::Damaged || (r == StationFile::Ok && s.robots.isEmpty()));
    }
    QCOMPARE(StationFile::read("/no/such/station.vks", nullptr), StationFile::CannotOpen);
}

void TestStationFile::writing()
{
    Station s;
    s.language = 5;
    s.euler = 4;
    StationRobot r;
    r.file = "../CAD_Robots/ABB_IRB120.xml";
    r.tool = "EMPTY";
    r.name = "cell robot";
    r.world = {10.125, -20.5, 30, 0, 0, 15.25};
    r.placement[0] = r.placement[5] = r.placement[10] = r.placement[15] = 1;
    r.hasJoints = true;
    r.joints = {-1e-9, 0, -12.5, 0, 0, 90};
    s.robots << r;
    StationObject o;
    o.path = "/data/plate.stl";
    o.name = "plate";
    o.scale = 0.123456;
    o.visible = 0;
    o.flipNormals = 1;
    o.pose[12] = -987.654321;
    s.objects << o;

    QTemporaryDir dir;
    const QString file = dir.filePath("w.vks");
    QCOMPARE(StationFile::write(file, s), StationFile::Ok);
    const QByteArray bytes = bytesOf(file);
    QVERIFY(bytes.startsWith("#OPTIONS#5#4#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#EMPTY#"
                             "cell robot#1#10.125000#-20.500000#30.000000#0.000000#0.000000#"
                             "15.250000#1.000000#0.000000#"));
    QVERIFY(bytes.contains("\r\n#JOINTS#0.000000#0.000000#-12.500000#0.000000#0.000000#"
                           "90.000000#\r\n#OBJECT#/data/plate.stl#plate#0.123456#0#1#"));
    QVERIFY(bytes.endsWith("#-987.654321#0.000000#0.000000#0.000000#"));
    Station back;
    QCOMPARE(StationFile::read(file, &back), StationFile::Ok);
    QCOMPARE(StationFile::text(back).toUtf8(), bytes);

    // A "#" in a name: nothing written, the old file stays, the name is told.
    s.objects[0].name = "plate#2";
    QString message;
    QCOMPARE(StationFile::write(file, s, &message), StationFile::Unsafe);
    QVERIFY(message.contains("plate#2"));
    QCOMPARE(bytesOf(file), bytes);
    QCOMPARE(StationFile::write(dir.filePath("no/such/dir.vks"), back), StationFile::CannotWrite);
    QCOMPARE(StationFile::write(QString(), back), StationFile::CannotWrite);
}

void TestStationFile::pathsUnderTheInstallation()
{
    const QString robot = QDir::cleanPath(DataDirs::robotDir() + "ABB_IRB120.xml");
    QVERIFY(!robot.contains(".."));
    QCOMPARE(StationFile::storedPath(robot), QStringLiteral("../CAD_Robots/ABB_IRB120.xml"));
    QCOMPARE(StationFile::storedPath(DataDirs::defaultTool()),
             QStringLiteral("../CAD_Tools/IRB120_Crayon.tool"));
    QCOMPARE(DataDirs::resolveStoredPath(StationFile::storedPath(robot)),
             DataDirs::applicationDir() + "/../CAD_Robots/ABB_IRB120.xml");
    QCOMPARE(StationFile::storedPath("/elsewhere/r.xml"), QStringLiteral("/elsewhere/r.xml"));
}

QTEST_GUILESS_MAIN(TestStationFile)
#include "tst_stationfile.moc"
