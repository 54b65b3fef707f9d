// Reading static objects from STL files written by the tests themselves:
// ASCII with and without colour lines, binary, binary files that call
// themselves "solid", damaged and hostile files, the name rules, and the
// objects we ship.
#include "models/datadirs.h"
#include "scene/objectmesh.h"
#include "support/scratchinstall.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <cstring>
#include <random>

namespace {

using Tri = std::array<float, 9>;

QByteArray num(float v)
{
    return QByteArray::number(double(v), 'g', 9);
}

// One ASCII facet; the facet normal line is deliberately wrong, because the
// reader must take the normal from the winding.
QByteArray facet(const Tri &t, const char *normalLine = "  facet normal 0.5 0.5 0.5\n")
{
    QByteArray out = normalLine;
    out += "    outer loop\n";
    for (int k = 0; k < 3; ++k)
        out += "      vertex " + num(t[3 * k]) + ' ' + num(t[3 * k + 1]) + ' ' + num(t[3 * k + 2]) +
               '\n';
    out += "    endloop\n  endfacet\n";
    return out;
}

struct Record
{
    std::array<float, 3> normal;
    Tri corners;
    quint16 attribute = 0;
};

void putFloat(QByteArray &out, float v)
{
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    char b[4];
    qToLittleEndian(bits, b);
    out.append(b, 4);
}

// A binary STL: 80-byte header (padded with zeros), the count as given, and
// the records.
QByteArray binary(const QByteArray &header, quint32 count, const std::vector<Record> &records)
{
    QByteArray out = header.left(80);
    out.append(QByteArray(80 - out.size(), '\0'));
    char b[4];
    qToLittleEndian(count, b);
    out.append(b, 4);
    for (const Record &r : records) {
        for (float v : r.normal)
            putFloat(out, v);
        for (float v : r.corners)
            putFloat(out, v);
        char a[2];
        qToLittleEndian(r.attribute, a);
        out.append(a, 2);
    }
    return out;
}

const std::vector<Record> kRecords = {
    // The stored normal disagrees with the winding (which gives +z) on
    // purpose: a binary file's own normals are the ones drawn.
    {{0.0f, 0.0f, -1.0f}, {0, 0, 0, 10, 0, 0, 0, 10, 0}, 0xBEEF},
    {{0.6f, 0.8f, 0.0f}, {1.5f, -2.25f, 3.125f, 4, 5, 6, -7, -8, -9.5f}, 0},
};

// Triangle k of an entry, its nine coordinates and the normal at each corner.
Tri corners(const ObjectEntry &e, std::size_t k)
{
    Tri t;
    std::copy_n(e.vertices.begin() + long(9 * k), 9, t.begin());
    return t;
}

bool normalIs(const ObjectEntry &e, std::size_t k, float x, float y, float z, float tol = 1e-6f)
{
    for (int c = 0; c < 3; ++c) {
        const float *n = e.normals.data() + 9 * k + 3 * c;
        if (std::fabs(n[0] - x) > tol || std::fabs(n[1] - y) > tol || std::fabs(n[2] - z) > tol)
            return false;
    }
    return true;
}

// What every successful read promises, whatever the file held.
bool consistent(const ObjectEntry &e)
{
    if (e.vertices.size() % 9 != 0 || e.normals.size() != e.vertices.size() || e.runs.empty())
        return false;
    std::size_t next = 0;
    for (std::size_t i = 0; i < e.runs.size(); ++i) {
        if (e.runs[i].first != next || (i > 0 && !e.runs[i].hasColour))
            return false;
        next += e.runs[i].count;
    }
    return next == e.triangleCount() && !e.runs.front().hasColour;
}

} // namespace

class TestObjectMesh : public QObject
{
    Q_OBJECT
private slots:
    void newEntryIsPlacedAtTheOrigin();
    void asciiNormalsComeFromTheWinding();
    void colourLineStartsARunBlueFirst();
    void withoutColourLinesOneDefaultRun();
    void leftoverVerticesAreDropped();
    void keywordsCountInAnyColumn();
    void numbersAfterTheKeywordCharacter();
    void binaryKeepsStoredNormals();
    void binaryHeaderStartingWithSolidIsMended();
    void solidHeaderOfTheWrongSizeStaysAscii();
    void truncatedBinaryKeepsWholeRecords();
    void hugeCountInATinyFile();
    void emptyFile();
    void garbageNeverBreaksTheReader();
    void bigFilesReadWhole();
    void slpReadsLikeStl();
    void readingAgainReplacesTheMesh();
    void parentPathsResolveFromTheApplication();
    void missingDirectoryFallsBackToObjects();
    void missingFile();
    void numbersIgnoreTheProcessLocale();
    void shippedObjects();
};

void TestObjectMesh::newEntryIsPlacedAtTheOrigin()
{
    ObjectEntry e;
    const Matrix4 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    QCOMPARE(e.pose, identity);
    QCOMPARE(e.scale, 1.0f);
    QCOMPARE(e.visible, 1);
    QCOMPARE(e.flipNormals, 0);
    QCOMPARE(e.triangleCount(), std::size_t(0));
}

void TestObjectMesh::asciiNormalsComeFromTheWinding()
{
    ScratchInstall install;
    const Tri flat = {0, 0, 0, 2, 0, 0, 0, 3, 0};    // (2,0,0)x(0,3,0) = +z
    const Tri side = {1, 1, 1, 1, 1, 5, 1, 4, 1};    // (0,0,4)x(0,3,0) = -x
    const Tri slanted = {0, 0, 0, 1, 0, 0, 0, 1, 1}; // (1,0,0)x(0,1,1) = (0,-1,1)
    const Tri decimals = {1.5f, -2.25f, 100, 3.5f, -2.25f, 100, 1.5f, 0.75f, 100}; // +z
    const Tri sliver = {1, 1, 1, 2, 2, 2, 3, 3, 3};                                // no area
    const QString file = install.write("Objects/hand.stl",
                                       "solid hand\n" + facet(flat) + facet(side) + facet(slanted) +
                                           facet(decimals) + facet(sliver) + "endsolid hand\n");
    ObjectEntry e;
    QCOMPARE(readObjectMesh(file, e), 0);
    QCOMPARE(e.path, file);
    QCOMPARE(e.triangleCount(), std::size_t(5));
    QCOMPARE(corners(e, 0), flat);
    QCOMPARE(corners(e, 1), side);
    QCOMPARE(corners(e, 2), slanted);
    QCOMPARE(corners(e, 3), decimals);
    QVERIFY(normalIs(e, 0, 0, 0, 1));
    QVERIFY(normalIs(e, 1, -1, 0, 0));
    const float h = float(std::sqrt(0.5));
    QVERIFY(normalIs(e, 2, 0, -h, h));
    QVERIFY(normalIs(e, 3, 0, 0, 1));
    QVERIFY(normalIs(e, 4, 0, 0, 0));
    QVERIFY(consistent(e));
}

void TestObjectMesh::colourLineStartsARunBlueFirst()
{
    ScratchInstall install;
    const Tri a = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const Tri b = {0, 0, 1, 1, 0, 1, 0, 1, 1};
    const QString file = install.write(
        "Objects/c.stl", "solid c\n" + facet(a) + "  color 1 0 0\n" + facet(b) + facet(a) +
                             "  color 0.25 0.5 0.75\n" + facet(b) + "endsolid c\n");
    ObjectEntry e;
    QCOMPARE(readObjectMesh(file, e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(4));
    QCOMPARE(int(e.runs.size()), 3);
    QVERIFY(!e.runs[0].hasColour);
    QCOMPARE(e.runs[0].first, 0u);
    QCOMPARE(e.runs[0].count, 1u);
    // Kept as written: blue, green, red. Drawn, "1 0 0" is pure blue.
    QVERIFY(e.runs[1].hasColour);
    QCOMPARE(e.runs[1].fileValues, (std::array<float, 3>{1, 0, 0}));
    QCOMPARE(e.runs[1].first, 1u);
    QCOMPARE(e.runs[1].count, 2u);
    QVERIFY(e.runs[2].hasColour);
    QCOMPARE(e.runs[2].fileValues, (std::array<float, 3>{0.25f, 0.5f, 0.75f}));
    QCOMPARE(e.runs[2].first, 3u);
    QCOMPARE(e.runs[2].count, 1u);
    QCOMPARE(corners(e, 3), b);

    // A colour line before the first facet leaves an empty default run.
    const QString first =
        install.write("Objects/c2.stl", "solid c\n  color 0 1 0\n" + facet(a) + "endsolid\n");
    QCOMPARE(readObjectMesh(first, e), 0);
    QCOMPARE(int(e.runs.size()), 2);
    QCOMPARE(e.runs[0].count, 0u);
    QCOMPARE(e.runs[1].fileValues, (std::array<float, 3>{0, 1, 0}));
    QCOMPARE(e.runs[1].count, 1u);
    QVERIFY(consistent(e));
}

void TestObjectMesh::withoutColourLinesOneDefaultRun()
{
    ScratchInstall install;
    const Tri a = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const QString file =
        install.write("Objects/p.stl", "solid p\n" + facet(a) + facet(a) + facet(a) + "endsolid\n");
    ObjectEntry e;
    QCOMPARE(readObjectMesh(file, e), 0);
    QCOMPARE(int(e.runs.size()), 1);
    QVERIFY(!e.runs[0].hasColour);
    QCOMPARE(e.runs[0].first, 0u);
    QCOMPARE(e.runs[0].count, 3u);
}

void TestObjectMesh::leftoverVerticesAreDropped()
{
    ScratchInstall install;
    QByteArray text = "solid seven\n";
    for (int i = 1; i <= 7; ++i)
        text += "  vertex " + QByteArray::number(i) + " 0 " + QByteArray::number(i * i) + '\n';
    ObjectEntry e;
    QCOMPARE(readObjectMesh(install.write("Objects/seven.stl", text), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(2));
    QCOMPARE(corners(e, 1), (Tri{4, 0, 16, 5, 0, 25, 6, 0, 36}));
    QCOMPARE(e.runs.front().count, 2u);
}

void TestObjectMesh::keywordsCountInAnyColumn()
{
    ScratchInstall install;
    // First-column keywords, tabs, Windows line ends, and a line holding both
    // keywords (a vertex, found after "color").
    const QByteArray text = "solid\r\n"
                            "facet normal 0 0 1\r\n"
                            "vertex 0 0 0\r\n"
                            "\t\tvertex 4 0 0\r\n"
                            "color vertex 0 4 0\r\n"
                            "color 0.5 0.25 0.125\r\n"
                            "vertex 0 0 7\r\n"
                            "vertex 0 0 8\r\n"
                            "xvertex 0 0 9\r\n"
                            "endsolid";
    ObjectEntry e;
    QCOMPARE(readObjectMesh(install.write("Objects/cols.stl", text), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(2));
    QCOMPARE(corners(e, 0), (Tri{0, 0, 0, 4, 0, 0, 0, 4, 0}));
    QCOMPARE(corners(e, 1), (Tri{0, 0, 7, 0, 0, 8, 0, 0, 9}));
    QCOMPARE(int(e.runs.size()), 2);
    QCOMPARE(e.runs[1].fileValues, (std::array<float, 3>{0.5f, 0.25f, 0.125f}));
    QCOMPARE(e.runs[1].first, 1u);
    QCOMPARE(e.runs[1].count, 1u);

    // "solid" may stand anywhere in the first line.
    QCOMPARE(readObjectMesh(install.write("Objects/mid.stl", "  my solid part\n" + text), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(2));
}

void TestObjectMesh::numbersAfterTheKeywordCharacter()
{
    ScratchInstall install;
    // The keyword and exactly one character after it are dropped, whatever
    // that character is; the rest is split at spaces.
    const QByteArray text = "solid n\n"
                            "  vertex5 6 7\n"
                            "  color-1 0.5 0.25\n"
                            "  vertex    8     \n"
                            "  vertex a 2 b 9\n"
                            "  vertex 1e2 -.5 +3.25e-1\n"
                            "  vertex 1.5x 2,5 1e999\n"
                            "  vertex\n";
    ObjectEntry e;
    QCOMPARE(readObjectMesh(install.write("Objects/n.stl", text), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(2));
    QCOMPARE(corners(e, 0), (Tri{6, 7, 0, 8, 0, 0, 0, 2, 0}));
    QCOMPARE(e.runs.at(1).fileValues, (std::array<float, 3>{1, 0.5f, 0.25f}));
    const Tri second = corners(e, 1);
    QCOMPARE(second[0], 100.0f);
    QCOMPARE(second[1], -0.5f);
    QCOMPARE(second[2], 0.325f);
    // Like C: the numeric prefix counts, and an overflow is infinite.
    QCOMPARE(second[3], 1.5f);
    QCOMPARE(second[4], 2.0f);
    QVERIFY(std::isinf(second[5]) && second[5] > 0);
    QCOMPARE(second[6], 0.0f);
    QCOMPARE(second[7], 0.0f);
    QCOMPARE(second[8], 0.0f);
}

void TestObjectMesh::binaryKeepsStoredNormals()
{
    ScratchInstall install;
    const QString file = install.write("Objects/bin.stl", binary("made by hand", 2, kRecords));
    ObjectEntry e;
    QCOMPARE(readObjectMesh(file, e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(2));
    QCOMPARE(corners(e, 0), kRecords[0].corners);
    QCOMPARE(corners(e, 1), kRecords[1].corners);
    QVERIFY(normalIs(e, 0, 0, 0, -1, 0));
    QVERIFY(normalIs(e, 1, 0.6f, 0.8f, 0, 0));
    QCOMPARE(int(e.runs.size()), 1);
    QVERIFY(!e.runs[0].hasColour);
    QCOMPARE(e.runs[0].count, 2u);
}

void TestObjectMesh::binaryHeaderStartingWithSolidIsMended()
{
    ScratchInstall install;
    MessageLog log;
    // As many CAD exporters write it: "solid" and a name, no line break.
    const QString file = install.write("Objects/cad.stl",
                                       binary("solid part exported by a CAD system", 2, kRecords));
    ObjectEntry e;
    QCOMPARE(readObjectMesh(file, e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(2));
    QCOMPARE(corners(e, 1), kRecords[1].corners);
    QVERIFY(normalIs(e, 1, 0.6f, 0.8f, 0, 0));
    QCOMPARE(int(e.runs.size()), 1);
    QCOMPARE(e.runs[0].count, 2u);
    QVERIFY(log.messages().isEmpty());
}

void TestObjectMesh::solidHeaderOfTheWrongSizeStaysAscii()
{
    ScratchInstall install;
    QByteArray data = binary("solid part", 2, kRecords);
    data.append('\0'); // one byte too many for two records
    ObjectEntry e;
    QCOMPARE(readObjectMesh(install.write("Objects/odd.stl", data), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(0));
    QVERIFY(consistent(e));

    // A count that does not fit the size either.
    QCOMPARE(
        readObjectMesh(install.write("Objects/odd2.stl", binary("solid part", 3, kRecords)), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(0));
}

void TestObjectMesh::truncatedBinaryKeepsWholeRecords()
{
    ScratchInstall install;
    std::vector<Record> records;
    for (int k = 0; k < 4; ++k)
        records.push_back({{0, 0, 1}, {float(k), 0, 0, float(k) + 1, 0, 0, float(k), 1, 0}, 0});
    QByteArray data = binary("cut short", 10, records);
    data.chop(25); // three and a half records
    // A count that does not match the size: the file is refused, and the
    // reason gives both numbers (84 + 50 * 10 = 584 bytes called for).
    ObjectEntry e;
    QString why;
    QCOMPARE(readObjectMesh(install.write("Objects/cut.stl", data), e, &why), -1);
    QCOMPARE(e.triangleCount(), std::size_t(0));
    QVERIFY2(why.contains("says 10 triangles") && why.contains("584 bytes") &&
                 why.contains(QString::number(data.size())),
             qPrintable(why));
    // The same records with their true count are read.
    QCOMPARE(readObjectMesh(install.write("Objects/whole.stl", binary("whole", 4, records)), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(4));
    QCOMPARE(corners(e, 2), records[2].corners);
}

void TestObjectMesh::hugeCountInATinyFile()
{
    ScratchInstall install;
    MessageLog log;
    const QString file = install.write("Objects/liar.stl", binary("liar", 0xFFFFFFFFu, kRecords));
    ObjectEntry e;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(readObjectMesh(file, e), -1);
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(e.triangleCount(), std::size_t(0));
    // No room made for four billion triangles.
    QVERIFY(e.vertices.capacity() <= 18);
    QVERIFY(e.normals.capacity() <= 18);
}

void TestObjectMesh::emptyFile()
{
    ScratchInstall install;
    MessageLog log;
    ObjectEntry e;
    // Shorter than a binary header: not a mesh.
    QCOMPARE(readObjectMesh(install.write("Objects/empty.stl", QByteArray()), e), -1);
    QCOMPARE(e.triangleCount(), std::size_t(0));
    QVERIFY(log.messages().isEmpty());
    QCOMPARE(readObjectMesh(install.write("Objects/short.stl", "abc"), e), -1);
    QCOMPARE(e.triangleCount(), std::size_t(0));
    QCOMPARE(readObjectMesh(install.write("Objects/word.stl", "solid"), e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(0));
}

void TestObjectMesh::garbageNeverBreaksTheReader()
{
    ScratchInstall install;
    MessageLog log; // the warnings of damaged files are expected here
    std::mt19937 random(20240611u);
    const char *pieces[] = {"vertex", "color", "solid", "\n",  " ",  "1e38",
                            "-",      ".",     "e",     "nan", "\r", "9999999999999999999999",
                            "0x1p3",  "\t"};
    for (int i = 0; i < 48; ++i) {
        const int size = int(random() % (i < 40 ? 600 : 20000));
        QByteArray data;
        if (i % 4 == 1)
            data = "solid ";
        if (i % 4 == 2) {
            // Binary-looking: a header and a count, then noise.
            data = QByteArray(80, 's');
            char b[4];
            qToLittleEndian(quint32(random()), b);
            data.append(b, 4);
        }
        while (data.size() < size) {
            if (i % 4 == 3 || random() % 3 == 0)
                data += pieces[random() % (sizeof pieces / sizeof *pieces)];
            else
                data += char(random() & 0xFF);
        }
        ObjectEntry e;
        const QString name = QStringLiteral("Objects/g%1.stl").arg(i);
        const int result = readObjectMesh(install.write(name, data), e);
        QVERIFY2(result == 0 || result == -1, qPrintable(name));
        // Noise after a binary header: a count that never matches the size,
        // so refused, never drawn as random triangles.
        if (i % 4 == 2)
            QCOMPARE(result, -1);
        if (result == 0)
            QVERIFY2(consistent(e), qPrintable(name));
    }
}

void TestObjectMesh::bigFilesReadWhole()
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
    text += QByteArray(3 << 20, ' ') + "vertex 1 2 3\n";
    for (int i = 0; i < 4; ++i)
        text += "vertex 4 5 6\n";
    text += "vertex 7 8 9";
    ObjectEntry e;
    QCOMPARE(readObjectMesh(install.write("Objects/big.stl", text), e), 0);
    QCOMPARE(e.triangleCount(), kAscii + 2);
    bool same = true;
    for (std::size_t k = 0; k < kAscii && same; ++k)
        for (int i = 0; i < 9; ++i)
            same = same && e.vertices[9 * k + std::size_t(i)] == coordinate(k, i);
    QVERIFY(same);
    QCOMPARE(corners(e, kAscii), (Tri{1, 2, 3, 4, 5, 6, 4, 5, 6}));
    QCOMPARE(corners(e, kAscii + 1), (Tri{4, 5, 6, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(int(e.runs.size()), int((kAscii + 998) / 999) + 1);
    QCOMPARE(e.runs.back().fileValues[0], float((kAscii - 1) / 999 * 999));
    QVERIFY(consistent(e));

    std::vector<Record> records(kBinary);
    for (std::size_t k = 0; k < kBinary; ++k) {
        records[k].normal = {0, 0, float(k)};
        for (int i = 0; i < 9; ++i)
            records[k].corners[std::size_t(i)] = coordinate(k, i) + float(k / 1000);
    }
    QByteArray data = binary("big binary", std::uint32_t(kBinary), records);
    QCOMPARE(readObjectMesh(install.write("Objects/bigbin.stl", data), e), 0);
    QCOMPARE(e.triangleCount(), kBinary);
    same = true;
    for (std::size_t k = 0; k < kBinary && same; ++k) {
        same = e.normals[9 * k + 8] == float(k);
        for (int i = 0; i < 9; ++i)
            same = same && e.vertices[9 * k + std::size_t(i)] == records[k].corners[std::size_t(i)];
    }
    QVERIFY(same);
    // The same, honest about its count and called "solid": mended.
    data = binary("solid, said the exporter", kBinary, records);
    QCOMPARE(readObjectMesh(install.write("Objects/bigbin2.stl", data), e), 0);
    QCOMPARE(e.triangleCount(), kBinary);
    QCOMPARE(e.normals.back(), float(kBinary - 1));
}

void TestObjectMesh::slpReadsLikeStl()
{
    ScratchInstall install;
    const QByteArray text = "solid s\n" + facet({0, 0, 0, 5, 0, 0, 0, 5, 0}) + "  color 0 0 1\n" +
                            facet({0, 0, 0, 0, 5, 0, 0, 0, 5}) + "endsolid\n";
    ObjectEntry stl, slp;
    QCOMPARE(readObjectMesh(install.write("Objects/s.stl", text), stl), 0);
    QCOMPARE(readObjectMesh(install.write("Objects/s.slp", text), slp), 0);
    QCOMPARE(slp.triangleCount(), std::size_t(2));
    QCOMPARE(slp.vertices, stl.vertices);
    QCOMPARE(slp.normals, stl.normals);
    QCOMPARE(int(slp.runs.size()), 2);
    QCOMPARE(slp.runs[1].fileValues, stl.runs[1].fileValues);
    QCOMPARE(slp.runs[1].first, 1u);

    // The content decides, not the extension: binary data in a .slp.
    QCOMPARE(readObjectMesh(install.write("Objects/b.slp", binary("bin", 2, kRecords)), slp), 0);
    QCOMPARE(corners(slp, 0), kRecords[0].corners);
}

void TestObjectMesh::readingAgainReplacesTheMesh()
{
    ScratchInstall install;
    ObjectEntry e;
    e.name = QStringLiteral("kept");
    e.scale = 2.5f;
    QCOMPARE(readObjectMesh(install.write("Objects/two.stl", binary("bin", 2, kRecords)), e), 0);
    const QString one = install.write("Objects/one.stl", "solid\n  color 1 1 1\n" +
                                                             facet({1, 2, 3, 4, 5, 6, 7, 8, 10}));
    QCOMPARE(readObjectMesh(one, e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(1));
    QCOMPARE(e.normals.size(), std::size_t(9));
    QCOMPARE(int(e.runs.size()), 2);
    QCOMPARE(e.path, one);
    QCOMPARE(e.name, QStringLiteral("kept"));
    QCOMPARE(e.scale, 2.5f);

    // An entry moves with its mesh.
    ObjectEntry moved(std::move(e));
    QCOMPARE(moved.triangleCount(), std::size_t(1));
    QCOMPARE(moved.path, one);
}

void TestObjectMesh::parentPathsResolveFromTheApplication()
{
    ScratchInstall install;
    install.write("Objects/x.stl", binary("bin", 2, kRecords));
    ObjectEntry e;
    QCOMPARE(readObjectMesh(QStringLiteral("../Objects/x.stl"), e), 0);
    QCOMPARE(e.path, install.root() + QStringLiteral("/bin/../Objects/x.stl"));
    QCOMPARE(e.triangleCount(), std::size_t(2));
}

void TestObjectMesh::missingDirectoryFallsBackToObjects()
{
    ScratchInstall install;
    install.write("Objects/x.stl", binary("bin", 2, kRecords));
    ObjectEntry e;
    const QString elsewhere = install.path("Moved/Away/x.stl");
    QCOMPARE(readObjectMesh(elsewhere, e), 0);
    QCOMPARE(e.path, elsewhere);
    QCOMPARE(e.triangleCount(), std::size_t(2));

    QCOMPARE(readObjectMesh(QStringLiteral("../Gone/x.stl"), e), 0);
    QCOMPARE(e.path, install.root() + QStringLiteral("/bin/../Gone/x.stl"));
    QCOMPARE(e.triangleCount(), std::size_t(2));

    // A file that exists where it is named wins over the Objects/ one.
    const QString here =
        install.write("Here/x.stl", "solid\n" + facet({0, 0, 0, 1, 0, 0, 0, 1, 0}));
    QCOMPARE(readObjectMesh(here, e), 0);
    QCOMPARE(e.triangleCount(), std::size_t(1));
}

void TestObjectMesh::missingFile()
{
    ScratchInstall install;
    ObjectEntry e;
    QCOMPARE(readObjectMesh(install.write("Objects/y.stl", binary("bin", 2, kRecords)), e), 0);
    const QString nowhere = install.path("Nowhere/nothing.stl");
    QCOMPARE(readObjectMesh(nowhere, e), -1);
    QCOMPARE(e.path, nowhere);
    QCOMPARE(e.triangleCount(), std::size_t(0));
    QVERIFY(e.runs.empty());
    QCOMPARE(readObjectMesh(QString(), e), -1);
}

void TestObjectMesh::numbersIgnoreTheProcessLocale()
{
    ScratchInstall install;
    const QString file =
        install.write("Objects/l.stl", "solid\n" + facet({150.6f, 0.5f, 0, 1, 0, 0, 0, 1, 0}));
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const QByteArray saved = previous ? QByteArray(previous) : QByteArray("C");
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        QSKIP("no comma-decimal locale installed on this machine");
    ObjectEntry e;
    const int result = readObjectMesh(file, e);
    std::setlocale(LC_NUMERIC, saved.constData());
    QCOMPARE(result, 0);
    QCOMPARE(e.vertices[0], 150.6f);
    QCOMPARE(e.vertices[1], 0.5f);
}

void TestObjectMesh::shippedObjects()
{
    // The real installation beside bin/, as the program finds it.
    DataDirs::setApplicationDirForTesting(QString());
    ObjectEntry table, vice, workpiece;
    QCOMPARE(readObjectMesh(QStringLiteral("../Objects/table.stl"), table), 0);
    QCOMPARE(readObjectMesh(QStringLiteral("../Objects/vice.stl"), vice), 0);
    QCOMPARE(readObjectMesh(QStringLiteral("../Objects/workpiece.stl"), workpiece), 0);

    auto zRange = [](const ObjectEntry &e) {
        float lo = 1e30f, hi = -1e30f;
        for (std::size_t i = 2; i < e.vertices.size(); i += 3) {
            lo = std::min(lo, e.vertices[i]);
            hi = std::max(hi, e.vertices[i]);
        }
        return std::make_pair(lo, hi);
    };

    QVERIFY(table.triangleCount() > 12);
    QCOMPARE(zRange(table), std::make_pair(0.0f, 750.0f));
    QVERIFY(table.runs.size() >= 3);
    // Wood first: more red than blue, as written blue first.
    QVERIFY(table.runs[1].hasColour && table.runs[1].fileValues[2] > table.runs[1].fileValues[0]);
    QVERIFY(consistent(table));

    // The vice is binary behind a header that says "solid": only the binary
    // reading finds its triangles, all of them.
    QFile f(DataDirs::objectDir() + QStringLiteral("vice.stl"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.read(5) == "solid");
    QVERIFY(vice.triangleCount() > 12);
    QCOMPARE(qint64(84 + 50 * vice.triangleCount()), f.size());
    QCOMPARE(int(vice.runs.size()), 1);

    QVERIFY(workpiece.triangleCount() > 12);
    QCOMPARE(zRange(workpiece), std::make_pair(0.0f, 40.0f));
    QVERIFY(workpiece.runs.size() >= 2);
    QVERIFY(consistent(workpiece));
}

QTEST_GUILESS_MAIN(TestObjectMesh)
#include "tst_objectmesh.moc"
