// Reading static objects from STL files written by the tests themselves, and
// the objects we ship.
#include "models/datadirs.h"
#include "scene/objectmesh.h"
#include "support/scratchinstall.h"
#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <cstring>
namespace {
using Tri = std::array<float, 9>;
// One ASCII facet; the facet normal line is deliberately wrong, because the
// reader must take the normal from the winding.
QByteArray facet(const Tri &t)
{
    QByteArray out = "  facet normal 0.5 0.5 0.5\n    outer loop\n";
    for (int k = 0; k < 3; ++k)
        out += "      vertex " + QByteArray::number(double(t[3 * k]), 'g', 9) + ' ' +
               QByteArray::number(double(t[3 * k + 1]), 'g', 9) + ' ' +
               QByteArray::number(double(t[3 * k + 2]), 'g', 9) + '\n';
    return out + "    endloop\n  endfacet\n";
}
struct Record
{
    std::array<float, 3> normal;
    Tri corners;
};
// A binary STL: 80-byte header (padded with zeros), the count as given, and
// the records, little-endian.
QByteArray binary(const QByteArray &header, quint32 count, const std::vector<Record> &records)
{
    QByteArray out = header.left(80).leftJustified(80, '\0');
    auto put = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    put(count);
    for (const Record &r : records) {
        for (float v : r.normal)
            put(qFromUnaligned<quint32>(&v));
        for (float v : r.corners)
            put(qFromUnaligned<quint32>(&v));
        out.append("\xef\xbe", 2); // an attribute word, ignored
    }
    return out;
}
// The stored normal disagrees with the winding (which gives +z) on purpose:
// a binary file's own normals are the ones drawn.
const std::vector<Record> kRecords = {
    {{0.0f, 0.0f, -1.0f}, {0, 0, 0, 10, 0, 0, 0, 10, 0}},
    {{0.6f, 0.8f, 0.0f}, {1.5f, -2.25f, 3.125f, 4, 5, 6, -7, -8, -9.5f}},
};
const char kRecordCorners[] = "0 0 0 10 0 0 0 10 0 1.5 -2.25 3.125 4 5 6 -7 -8 -9.5";
QString numbers(const std::vector<float> &v)
{
    QStringList s;
    for (float x : v)
        s << QString::number(double(x));
    return s.join(' ');
}
// "first+count" per run, the colour line's numbers before a colon.
QString runs(const ObjectEntry &e)
{
    QStringList s;
    for (const ColourRun &r : e.runs)
        s << (r.hasColour ? numbers({r.fileValues.begin(), r.fileValues.end()}) + ':' : QString()) +
                 QStringLiteral("%1+%2").arg(r.first).arg(r.count);
    return s.join(QStringLiteral(" | "));
}
// What every successful read promises, whatever the file held.
bool consistent(const ObjectEntry &e)
{
    if (e.vertices.size() % 9 != 0 || e.normals.size() != e.vertices.size() || e.runs.empty())
        return false;
    std::size_t next = 0;
    for (std::size_t i = 0; i < e.runs.size(); ++i) {
        if (e.runs[i].first != next || e.runs[i].hasColour != (i > 0))
            return false;
        next += e.runs[i].count;
    }
    return next == e.triangleCount();
}
} // namespace
class TestObjectMesh : public QObject
{
    Q_OBJECT
private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("corners");
        QTest::addColumn<QString>("runs");
        const auto row = [](const char *name, const QByteArray &data, const QString &corners,
                            const char *runs) { QTest::newRow(name) << data << corners << runs; };
        const Tri a = {0, 0, 0, 1, 0, 0, 0, 1, 0}, b = {0, 0, 1, 1, 0, 1, 0, 1, 1};
        const QString ab = "0 0 0 1 0 0 0 1 0 0 0 1 1 0 1 0 1 1";
        // Kept as written: blue, green, red.
        row("colour lines",
            "solid c\n" + facet(a) + "  color 1 0 0\n" + facet(b) + facet(a) +
                "  color 0.25 0.5 0.75\n" + facet(b) + "endsolid c\n",
            ab + ' ' + ab, "0+1 | 1 0 0:1+2 | 0.25 0.5 0.75:3+1");
        row("colour first", "solid c\n  color 0 1 0\n" + facet(a), "0 0 0 1 0 0 0 1 0",
            "0+0 | 0 1 0:0+1");
        row("no colour", "solid p\n" + facet(a) + facet(b) + "endsolid\n", ab, "0+2");
        // Leftover vertices are dropped.
        row("seven vertices",
            "solid\nvertex 1 0 1\nvertex 2 0 4\nvertex 3 0 9\nvertex 4 0 16\nvertex 5 0 25\n"
            "vertex 6 0 36\nvertex 7 0 49\n",
            "1 0 1 2 0 4 3 0 9 4 0 16 5 0 25 6 0 36", "0+2");
        // First-column keywords in any case, tabs, Windows line ends, a line
        // holding both keywords (a vertex, found after "color"), "solid" anywhere
        // in line one.
        row("keywords anywhere, in any case",
            "  my SOLID part\r\nfacet normal 0 0 1\r\nvertex 0 0 0\r\n\t\tVertex 4 0 0\r\n"
            "color vertex 0 4 0\r\nendfacet\r\nCOLOR 0.5 0.25 0.125\r\n"
            "FACET NORMAL 0 0 1\r\n  OUTER LOOP\r\nVERTEX\t0\t0\t7\r\nvertex 0 0 8\r\n"
            "xvertex 0 0 9\r\nENDLOOP\r\nEndFacet\r\nendsolid",
            "0 0 0 4 0 0 0 4 0 0 0 7 0 0 8 0 0 9", "0+1 | 0.5 0.25 0.125:1+1");
        // As a CAD exporter writes in capitals; the rest of a first line longer
        // than 80 bytes, and every "endsolid" line, is the solid's name,
        // whatever words it holds.
        row("capitals and names",
            "SOLID " + QByteArray(80, 'x') + " vertex color\n" + facet(a).toUpper() +
                "ENDSOLID color vertex\nsolid second vertex\n" + facet(b) + "endsolid vertex 2\n",
            ab, "0+2");
        // Numbers as written in C, whole: signs, exponents, a value too small
        // for a float is 0; what follows the keyword is read even without a blank.
        row("numbers as written",
            "solid n\n  vertex 1e2 -.5 +3.25e-1\n  vertex5 6 7\n  vertex 1E-50 0.0 2\n"
            "  color-1 0.5 0.25\n",
            "100 -0.5 0.325 5 6 7 0 0 2", "0+1 | -1 0.5 0.25:1+0");
        row("only 'solid'", "solid", "", "0+0");
        row("empty", QByteArray(), "", "0+0");
        row("binary", binary("made by hand", 2, kRecords), kRecordCorners, "0+2");
        // As many CAD exporters write it: "solid" and a name, no line break.
        row("binary called solid", binary("solid part by CAD", 2, kRecords), kRecordCorners, "0+2");
        // Bytes after the records the count announces are padding, whatever
        // the header says.
        row("solid, padded", binary("solid part", 2, kRecords) + '\0', kRecordCorners, "0+2");
        row("padded", binary("pad", 2, kRecords) + QByteArray(2, '\0'), kRecordCorners, "0+2");
        row("a record beyond the count", binary("one", 1, kRecords), "0 0 0 10 0 0 0 10 0", "0+1");
    }
    void reads()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, corners);
        QFETCH(QString, runs);
        ScratchInstall install;
        MessageLog quiet;
        ObjectEntry e;
        QCOMPARE(readObjectMesh(install.write("Objects/r.stl", data), e), 0);
        QCOMPARE(numbers(e.vertices), corners);
        QCOMPARE(::runs(e), runs);
        QVERIFY(consistent(e));
    }
    void normals()
    {
        ScratchInstall install;
        const Tri flat = {0, 0, 0, 2, 0, 0, 0, 3, 0};    // (2,0,0)x(0,3,0) = +z
        const Tri side = {1, 1, 1, 1, 1, 5, 1, 4, 1};    // (0,0,4)x(0,3,0) = -x
        const Tri slanted = {0, 0, 0, 1, 0, 0, 0, 1, 1}; // (1,0,0)x(0,1,1) = (0,-1,1)
        const Tri sliver = {1, 1, 1, 2, 2, 2, 3, 3, 3};  // no area
        ObjectEntry e;
        QCOMPARE(
            readObjectMesh(install.write("Objects/w.stl", "solid\n" + facet(flat) + facet(side) +
                                                              facet(slanted) + facet(sliver)),
                           e),
            0);
        const float h = float(std::sqrt(0.5));
        const std::vector<std::array<float, 3>> winding{
            {0, 0, 1}, {-1, 0, 0}, {0, -h, h}, {0, 0, 0}};
        for (std::size_t k = 0; k < 36; ++k)
            QVERIFY2(std::fabs(e.normals[k] - winding[k / 9][k % 3]) < 1e-6f,
                     qPrintable(QString::number(k)));
        // Binary files keep the normals stored in them.
        QCOMPARE(readObjectMesh(install.write("Objects/b.stl", binary("b", 2, kRecords)), e), 0);
        for (std::size_t k = 0; k < 18; ++k)
            QCOMPARE(e.normals[k], kRecords[k / 9].normal[k % 3]);
    }
    void faultyTextLinesAreNamed_data()
    {
        // A line that is not what its keyword calls for refuses the file: its
        // number and what is wrong with it are said, nothing is read.
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        const QByteArray head = "solid bad\n  facet normal 0 0 1\n    outer loop\n";
        const auto row = [](const char *name, const QByteArray &text, const char *reason) {
            QTest::newRow(name) << text << QString(reason);
        };
        row("a word", head + "      vertex 0 0 blah\n", "line 4: \"blah\" is not a number");
        row("a number and more", head + "  vertex 0 1.5x 0\n", "line 4: \"1.5x\" is not a number");
        row("a decimal comma", head + "  vertex 0 2,5 0\n", "line 4: \"2,5\" is not a number");
        row("beyond a float", head + "  vertex 0 0 1e999\n", "line 4: \"1e999\" is not a number");
        row("not a number", head + "      vertex nan 0 0\n", "line 4: \"nan\" is not a number");
        row("two numbers", head + "      vertex 0 0\n",
            "line 4: a vertex line holds three numbers, this one 2");
        row("four numbers", head + "      VERTEX 0 0 0 1\n",
            "line 4: a vertex line holds three numbers, this one more");
        row("a colour", "solid c\ncolor 1 0 zero\n", "line 2: \"zero\" is not a number");
        row("four vertices",
            head + "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nvertex 1 1 0\nendloop\nendfacet\n",
            "line 7: a fourth vertex in the facet of line 2");
        row("two vertices",
            "solid\r\nfacet normal 0 0 1\r\nvertex 0 0 0\r\nvertex 1 0 0\r\nendfacet\r\n",
            "line 2: the facet that begins there has 2 vertices");
        row("no endfacet",
            head + "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nfacet normal 0 0 1\nvertex 0 0 0\n",
            "the facet of line 7 has 1 vertices when the file ends");
    }
    void faultyTextLinesAreNamed()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        ScratchInstall install;
        MessageLog quiet;
        ObjectEntry e;
        QString why;
        QCOMPARE(readObjectMesh(install.write("Objects/bad.stl", text), e, &why), -1);
        QVERIFY2(why.startsWith(reason), qPrintable(why));
        QVERIFY(e.vertices.empty() && e.runs.empty());
    }
    void cutEmptyAndRandomBinaryFiles()
    {
        ScratchInstall install;
        MessageLog log;
        ObjectEntry e;
        QString why, note;
        auto read = [&](const char *name, const QByteArray &bytes) {
            why.clear();
            return readObjectMesh(install.write(QStringLiteral("Objects/") + name, bytes), e, &why,
                                  &note);
        };
        // Three and a half records behind a count of 10: the three whole ones
        // are kept, the other seven said to be missing.
        std::vector<Record> four;
        for (int k = 0; k < 4; ++k)
            four.push_back({{0, 0, 1}, {float(k), 0, 0, float(k) + 1, 0, 0, float(k), 1, 0}});
        QCOMPARE(read("cut.stl", binary("cut short", 10, four).left(84 + 175)), 0);
        QCOMPARE(numbers(e.vertices), QStringLiteral("0 0 0 1 0 0 0 1 0 1 0 0 2 0 0 1 1 0 "
                                                     "2 0 0 3 0 0 2 1 0"));
        QVERIFY2(note.contains("3 whole triangles of the 10") && note.contains("7 are missing"),
                 qPrintable(note));
        QVERIFY(consistent(e));
        // Four billion triangles claimed by a tiny file: no room made for them.
        e = ObjectEntry();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(read("liar.stl", binary("liar", ~0u, kRecords)), 0);
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(e.triangleCount() == 2 && e.vertices.capacity() <= 18 &&
                e.normals.capacity() <= 18);
        QVERIFY2(note.contains("4294967293 are missing"), qPrintable(note));
        // No triangles: an empty file, a header that counts none. Said, not refused.
        QCOMPARE(read("empty.stl", QByteArray()), 0);
        QVERIFY(e.triangleCount() == 0 && note.contains("empty"));
        QCOMPARE(read("none.stl", binary("none", 0, {})), 0);
        QVERIFY(e.triangleCount() == 0 && note == "it holds no triangles" && consistent(e));
        // A whole file has nothing to say.
        QCOMPARE(read("good.stl", binary("good", 2, kRecords)), 0);
        QVERIFY(note.isEmpty());
        // Less than a header is no STL file.
        QCOMPARE(read("stub.stl", QByteArray(50, 'x')), -1);
        QVERIFY2(why.contains("shorter than its 84-byte header"), qPrintable(why));
        // Random bytes of any size are refused by what their triangles hold,
        // also when their count fits their size exactly.
        quint64 state = 29;
        auto noise = [&state](int size) {
            QByteArray b(size, '\0');
            for (char &c : b) {
                quint64 z = state += 0x9e3779b97f4a7c15ull;
                z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
                z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
                c = char(z >> 56);
            }
            return b;
        };
        for (int size : {90, 200, 1000, 5000, 100000}) {
            QByteArray bytes = noise(size);
            QVERIFY(read("noise.stl", bytes) == -1 && e.vertices.empty() && e.runs.empty());
            QVERIFY2(why.contains("no STL file"), qPrintable(why));
            if (size < 84 + 50)
                continue;
            const quint32 fits = quint32((size - 84) / 50);
            bytes = binary(bytes.left(80), fits, {}) + bytes.mid(84, int(fits) * 50);
            QCOMPARE(read("fits.stl", bytes), -1);
        }
        // One corner that is no coordinate among good ones: the triangle is named.
        std::vector<Record> records = kRecords;
        records.push_back({{0, 0, 1}, {0, 0, 0, 1, 0, 0, 0, std::nanf(""), 0}});
        QCOMPARE(read("nan.stl", binary("nan", 3, records)), -1);
        QVERIFY2(why.contains("triangle 3 has a corner at nan"), qPrintable(why));
        records.back().corners[7] = 2e9f;
        QCOMPARE(read("far.stl", binary("far", 3, records)), -1);
        // A sliver's normal may be anything; its corners are what count.
        records.back().corners[7] = 1e6f;
        records.back().normal = {std::nanf(""), 0, 0};
        QCOMPARE(read("sliver.stl", binary("sliver", 3, records)), 0);
        QCOMPARE(e.triangleCount(), std::size_t(3));
    }
    void bigFilesReadWhole()
    {
        // Several megabytes, so that lines and records straddle every boundary of
        // however the reader splits its input; each number is checked.
        ScratchInstall install;
        auto coordinate = [](std::size_t k, int i) { return float(k % 1000) + 0.125f * float(i); };
        constexpr std::size_t kAscii = 40000, kBinary = 90000;
        QByteArray text = "solid big\n";
        for (std::size_t k = 0; k < kAscii; ++k) {
            if (k % 999 == 0)
                text += "  color " + QByteArray::number(qulonglong(k)) + " 0 0\n";
            Tri t;
            for (int i = 0; i < 9; ++i)
                t[std::size_t(i)] = coordinate(k, i);
            text += facet(t);
        }
        // One line of several megabytes, and a last vertex line without a line
        // break: six corners after the facets, two more triangles.
        text += QByteArray(3 << 20, ' ') + "vertex 1 2 3\n" +
                QByteArray("vertex 4 5 6\n").repeated(4) + "vertex 7 8 9";
        ObjectEntry e;
        QCOMPARE(readObjectMesh(install.write("Objects/big.stl", text), e), 0);
        QCOMPARE(e.triangleCount(), kAscii + 2);
        bool same = true;
        for (std::size_t k = 0; k < 9 * kAscii; ++k)
            same = same && e.vertices[k] == coordinate(k / 9, int(k % 9));
        QVERIFY(same);
        QCOMPARE(numbers({e.vertices.end() - 18, e.vertices.end()}),
                 QStringLiteral("1 2 3 4 5 6 4 5 6 4 5 6 4 5 6 7 8 9"));
        QCOMPARE(int(e.runs.size()), int((kAscii + 998) / 999) + 1);
        QVERIFY(consistent(e));
        std::vector<Record> records(kBinary);
        for (std::size_t k = 0; k < kBinary; ++k) {
            records[k].normal = {0, 0, float(k)};
            for (int i = 0; i < 9; ++i)
                records[k].corners[std::size_t(i)] = coordinate(k, i) + float(k / 1000);
        }
        // Honest about its count, and called "solid" as well: read as binary.
        for (const char *header : {"big binary", "solid, said the exporter"}) {
            QCOMPARE(readObjectMesh(install.write("Objects/bigbin.stl",
                                                  binary(header, std::uint32_t(kBinary), records)),
                                    e),
                     0);
            QCOMPARE(e.triangleCount(), kBinary);
            for (std::size_t k = 0; k < 9 * kBinary && same; ++k)
                same = e.vertices[k] == records[k / 9].corners[k % 9] &&
                       (k % 9 != 8 || e.normals[k] == float(k / 9));
            QVERIFY(same);
        }
    }
    void readingAgainReplacesTheMesh()
    {
        ScratchInstall install;
        ObjectEntry e;
        e.scale = 2.5f;
        QCOMPARE(readObjectMesh(install.write("Objects/two.stl", binary("bin", 2, kRecords)), e),
                 0);
        const QString one = install.write("Objects/one.stl", "solid\n  color 1 1 1\n" + facet({}));
        QCOMPARE(readObjectMesh(one, e), 0);
        QVERIFY(e.triangleCount() == 1 && e.normals.size() == 9 && e.runs.size() == 2);
        ObjectEntry moved(std::move(e)); // an entry moves with its mesh
        QVERIFY(moved.triangleCount() == 1 && moved.path == one && moved.scale == 2.5f);
        // A file that is not there empties it.
        QCOMPARE(readObjectMesh(install.path("Nowhere/nothing.stl"), moved), -1);
        QVERIFY(moved.triangleCount() == 0 && moved.runs.empty());
    }
    void namesResolveAsTheProgramFindsThem()
    {
        ScratchInstall install;
        install.write("Objects/x.stl", binary("bin", 2, kRecords));
        // "../" from the application's folder; a folder that is gone falls back
        // to Objects/, the name kept as given.
        const QString bin = install.root() + QStringLiteral("/bin/");
        for (const QString &name :
             {QStringLiteral("../Objects/x.stl"), QStringLiteral("../Gone/x.stl"),
              install.path("Moved/Away/x.stl")}) {
            ObjectEntry e;
            QCOMPARE(readObjectMesh(name, e), 0);
            QCOMPARE(e.path, name.startsWith("..") ? bin + name : name);
            QCOMPARE(e.triangleCount(), std::size_t(2));
        }
    }
    void shippedObjects()
    {
        // The real installation beside bin/, as the program finds it.
        DataDirs::setApplicationDirForTesting(QString());
        auto zRange = [](const ObjectEntry &e) {
            float lo = 1e30f, hi = -1e30f;
            for (std::size_t i = 2; i < e.vertices.size(); i += 3)
                lo = std::min(lo, e.vertices[i]), hi = std::max(hi, e.vertices[i]);
            return std::make_pair(lo, hi);
        };
        ObjectEntry table, vice, workpiece;
        QCOMPARE(readObjectMesh(QStringLiteral("../Objects/table.stl"), table), 0);
        QCOMPARE(readObjectMesh(QStringLiteral("../Objects/vice.stl"), vice), 0);
        QCOMPARE(readObjectMesh(QStringLiteral("../Objects/workpiece.stl"), workpiece), 0);
        QCOMPARE(zRange(table), std::make_pair(0.0f, 750.0f));
        QCOMPARE(zRange(workpiece), std::make_pair(0.0f, 40.0f));
        QVERIFY(table.runs.size() >= 3 && workpiece.runs.size() >= 2);
        QVERIFY(consistent(table) && consistent(workpiece));
        // Wood first: more red than blue, as written blue first.
        QVERIFY(table.runs[1].fileValues[2] > table.runs[1].fileValues[0]);
        // The vice is binary behind a header that says "solid": only the binary
        // reading finds its triangles, all of them.
        QFile f(DataDirs::objectDir() + QStringLiteral("vice.stl"));
        QVERIFY(f.open(QIODevice::ReadOnly) && f.read(5) == "solid");
        QVERIFY(vice.triangleCount() > 12 && vice.runs.size() == 1);
        QCOMPARE(qint64(84 + 50 * vice.triangleCount()), f.size());
    }
};
QTEST_GUILESS_MAIN(TestObjectMesh)
#include "tst_objectmesh.moc"
