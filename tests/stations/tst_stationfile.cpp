// Station files without a window: the shipped stations back byte for byte,
// the records a reader takes and passes over, damaged files named with their
// first bad line, the size limit at its byte, and paths stored relative
// (random bytes are the fuzzer's).
#include "models/datadirs.h"
#include "stations/stationfile.h"
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
static QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
static const QByteArray kPose = QByteArray("1.000000#0#0#0#0#").repeated(3) + "1.000000#";
static QByteArray robot(const QByteArray &file)
{
    return "#ROBOT#" + file + "#EMPTY#r#1#1#2#3#4#5#6#" + kPose;
}
static QByteArray object(const QByteArray &name)
{
    return "#OBJECT#m.stl#" + name + "#0.5#1#0#" + kPose;
}

class TestStationFile : public QObject
{
    Q_OBJECT
private slots:
    void shippedStationsComeBack()
    {
        for (const QString &dir : {DataDirs::stationDir(), DataDirs::simulationDir()})
            for (const QString &name : QDir(dir).entryList({"*.vks"}, QDir::Files)) {
                const QByteArray bytes = bytesOf(dir + name);
                const QList<QByteArray> f =
                    bytes.split('\n').at(1).split('#'); // world 6.., placement 12..
                Station s;
                QCOMPARE(StationFile::read(dir + name, &s), StationFile::Ok);
                QCOMPARE(StationFile::text(s).toUtf8(), bytes);
                QCOMPARE(s.robots.size(), 1);
                QCOMPARE(s.robots[0].world[0] + s.robots[0].placement[11],
                         f.at(6).toDouble() + f.at(23).toDouble());
                QVERIFY(DataDirs::resolveStoredPath(s.robots[0].file)
                            .startsWith(DataDirs::applicationDir()));
            }
    }
    void records_data()
    {
        QTest::addColumn<QByteArray>("text");
        // Robots, objects, language, euler, joints read, stopped at EMPTY; or the first bad line.
        QTest::addColumn<QList<int>>("want");
        const QByteArray o = "#OPTIONS#2#3#\r\n", j = "#JOINTS#10#-20.5#30#0#0#0#";
        const QByteArray cut = object("b").chopped(5);
        QTest::newRow("options only")
            << QByteArray("#OPTIONS#2#3#") << QList<int>{0, 0, 2, 3, 0, 0};
        QTest::newRow("robot, joints, object")
            << o + robot("a.xml") + "\r\n" + j + "\r\n" + object("o")
            << QList<int>{1, 1, 2, 3, 1, 0};
        QTest::newRow("doubled CR, joints first")
            << o + j + "\r\r\n" + robot("a.xml") + "\r\r\n" + object("o")
            << QList<int>{1, 1, 2, 3, 0, 0};
        QTest::newRow("cut record among good ones")
            << o + object("a") + "\r\n" + cut + "\r\n" + object("d") << QList<int>{3};
        QTest::newRow("binary after records")
            << o + object("a") + "\r\n" + object("b") + "\r\n\x89\x01\xff" << QList<int>{4};
        QTest::newRow("first word not OPTIONS")
            << "#SETTINGS#2#3#\r\n" + object("a") << QList<int>{0, 1, 2, 3, 0, 0};
        QTest::newRow("text is no station") << QByteArray("hello\n") << QList<int>{1};
        QTest::newRow("EMPTY robot ends it")
            << o + object("a") + "\r\n" + robot("EMPTY") + "\r\n" + object("b")
            << QList<int>{0, 1, 2, 3, 0, 1};
        QTest::newRow("folder named EMPTY")
            << o + robot("/x/EMPTY_CELL/r.xml") << QList<int>{1, 0, 2, 3, 0, 0};
        QTest::newRow("codes beyond int") << QByteArray("#OPTIONS#21474836482#-1e20#")
                                          << QList<int>{0, 0, INT_MAX, INT_MIN, 0, 0};
        QTest::newRow("real codes cut to zero")
            << QByteArray("#OPTIONS#-2.9#3.9#") << QList<int>{0, 0, -2, 3, 0, 0};
        QTest::newRow("no options record") << robot("a.xml") << QList<int>{1};
        QTest::newRow("second line no record") << o + "#ROBOT#x.xml#\r\n" << QList<int>{2};
        QTest::newRow("letters for numbers")
            << o + robot("a.xml").replace("#4#", "#four#") << QList<int>{2};
        QTest::newRow("NUL byte") << o + object(QByteArray("a\0b", 3)) << QList<int>{2};
    }
    void records()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<int>, want);
        Station s;
        s.language = 77; // stays 77 when nothing is read
        QString why;
        QCOMPARE(StationFile::parse(text, "cell.vks", &s, &why),
                 want.size() == 1 ? StationFile::Damaged : StationFile::Ok);
        QVERIFY2(want.size() > 1 || (s.language == 77 && why.contains("cell.vks") &&
                                     why.contains(QStringLiteral("line %1 ").arg(want[0]))),
                 qPrintable(why));
        if (want.size() == 1)
            return;
        QCOMPARE((QList<int>{s.robots.size(), s.objects.size(), s.language, s.euler,
                             s.robots.value(0).hasJoints, s.stoppedAtEmpty}),
                 want);
        // world[5] is 6, joint 2 -20.5 when read; scale 0.5, pose[15] 1.
        QVERIFY(!want[0] ||
                s.robots[0].world[5] + s.robots[0].joints[1] == (want[4] ? -14.5 : 6.0));
        QVERIFY(!want[1] || s.objects.last().scale + s.objects.last().pose[15] == 1.5);
    }
    void collisionSettingsRoundTrip()
    {
        // Written by hand: a safety distance of 2.5 mm after the codes; the
        // first object ignores the base and the tool (bits 0 and 7), the
        // second nothing by the user's choice, the third has no say.
        const QByteArray text = "#OPTIONS#2#3#2.500000#\r\n" + object("a") +
                                "IGNORE#base,tool#\r\n" + object("b") + "IGNORE##\r\n" +
                                object("c");
        Station s;
        QCOMPARE(StationFile::parse(text, "cell.vks", &s), StationFile::Ok);
        QCOMPARE(s.safetyDistance, 2.5);
        QCOMPARE((QList<int>{s.objects[0].hasIgnore, int(s.objects[0].ignoreMask),
                             s.objects[1].hasIgnore, int(s.objects[1].ignoreMask),
                             s.objects[2].hasIgnore}),
                 (QList<int>{1, 0x81, 1, 0, 0}));
        const QString written = StationFile::text(s);
        QVERIFY(written.startsWith("#OPTIONS#2#3#2.500000#\r\n") && written.count("IGNORE#") == 2 &&
                written.contains("1.000000#IGNORE#base,tool#\r\n") && written.endsWith("1.000000#"));
        Station again;
        QCOMPARE(StationFile::parse(written.toUtf8(), "w.vks", &again), StationFile::Ok);
        QCOMPARE(StationFile::text(again), written);
        // What a reader that stops at the pose takes is the same as without them.
        Station plain;
        QCOMPARE(StationFile::parse("#OPTIONS#2#3#\r\n" + object("a"), "p.vks", &plain),
                 StationFile::Ok);
        QCOMPARE(s.objects[0].pose, plain.objects[0].pose);
        QCOMPARE(s.objects[0].scale, plain.objects[0].scale);
        QCOMPARE(s.euler, plain.euler);
    }
    void writingAndTheSizeLimit()
    {
        QTemporaryDir dir;
        QByteArray big = "#OPTIONS#1#0#\n";
        big += QByteArray(int(StationFile::kMaxBytes) - big.size(), ' '); // blank lines
        QCOMPARE(StationFile::parse(big, "big.vks", nullptr), StationFile::Ok);
        QFile f(dir.filePath("big.vks"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(big + ' ') == StationFile::kMaxBytes + 1 &&
                f.flush());
        QCOMPARE(StationFile::read(f.fileName(), nullptr), StationFile::Damaged);
        QCOMPARE(StationFile::read("/no/such/station.vks", nullptr), StationFile::CannotOpen);
        Station s{true,
                  5,
                  4,
                  {{"../CAD_Robots/ABB_IRB120.xml",
                    "EMPTY",
                    "cell robot",
                    true,
                    {10.125, -20.5, 30, 0, 0, 15.25},
                    {},
                    true,
                    {-1e-7, 0, -12.5, 0, 0, 90}}},
                  {{"/data/plate.stl", "plate", 0.123456, 0, 1, {}}},
                  false};
        s.objects[0].pose[12] = -987.654321;
        const QString file = dir.filePath("w.vks");
        QCOMPARE(StationFile::write(file, s), StationFile::Ok);
        const QByteArray bytes = bytesOf(file);
        QVERIFY(bytes.startsWith(
            "#OPTIONS#5#4#\r\n#ROBOT#../CAD_Robots/ABB_IRB120.xml#EMPTY#cell robot#1#"
            "10.125000#-20.500000#30.000000#0.000000#0.000000#15.250000#0.000000#"));
        QVERIFY(
            bytes.contains("\r\n#JOINTS#0.000000#0.000000#-12.500000#0.000000#0.000000#90.000000#"
                           "\r\n#OBJECT#/data/plate.stl#plate#0.123456#0#1#"));
        QVERIFY(
            bytes.endsWith("#-987.654321#0.000000#0.000000#0.000000#")); // the pose column-major
        // A "#" in a name: nothing written, the old file stays, the name is told.
        s.objects[0].name = "plate#2";
        QString why;
        QCOMPARE(StationFile::write(file, s, &why), StationFile::Unsafe);
        QVERIFY(why.contains("plate#2") && bytesOf(file) == bytes);
        s.objects[0].name = "plate";
        QVERIFY(StationFile::write(dir.filePath("no/dir.vks"), s) == StationFile::CannotWrite &&
                StationFile::write(QString(), s) == StationFile::CannotWrite);
        QCOMPARE(StationFile::storedPath(QDir::cleanPath(DataDirs::robotDir() + "ABB_IRB120.xml")),
                 QStringLiteral("../CAD_Robots/ABB_IRB120.xml"));
        QCOMPARE(StationFile::storedPath("/elsewhere/r.xml"), QStringLiteral("/elsewhere/r.xml"));
    }
};
QTEST_GUILESS_MAIN(TestStationFile)
#include "tst_stationfile.moc"
