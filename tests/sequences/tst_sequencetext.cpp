// Sequence text as files, the clipboard and the data server deliver it: the
// separators and their order, six or seven fields, numbers read the same in
// every locale, CR LF, NUL bytes, arrays, and text that is not a sequence.
#include "sequences/sequenceparser.h"
#include "support/scratchinstall.h"

#include <QtTest>
#include <cmath>
#include <random>

using sequences::parseLine;
using sequences::parseText;

namespace {

using Values = std::array<float, 7>;

int parse(const QString &line, Values &v)
{
    v.fill(-99.0f);
    return parseLine(line, v);
}

} // namespace

class TestSequenceText : public QObject
{
    Q_OBJECT
private slots:
    void sixTabSeparatedValues();
    void separatorsInTheirOrder_data();
    void separatorsInTheirOrder();
    void numbersAsWritten_data();
    void numbersAsWritten();
    void numbersDoNotFollowTheLocale();
    void firstLineDecidesProgramOrList();
    void crLfReadsAsLf();
    void emptyAndUnusableLines();
    void fileUpToTheFirstNulByte();
    void fileThatCannotBeRead();
    void arraysColumnByColumn();
    void garbageNeverBreaksTheReader();
};

void TestSequenceText::sixTabSeparatedValues()
{
    Values v;
    QCOMPARE(parse(QStringLiteral("10\t20\t30\t40\t50\t60"), v), 6);
    QCOMPARE(v, (Values{10, 20, 30, 40, 50, 60, 0}));
}

void TestSequenceText::separatorsInTheirOrder_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<float>>("values");
    const QList<float> six{1, 2, 3, 4, 5, 6, 0};
    QTest::newRow("commas") << QStringLiteral("1,2,3,4,5,6") << 6 << six;
    QTest::newRow("blanks") << QStringLiteral("1 2 3 4 5 6") << 6 << six;
    QTest::newRow("several blanks") << QStringLiteral("  1  2 3   4 5 6  ") << 6 << six;
    QTest::newRow("comma and blank") << QStringLiteral("1, 2, 3, 4, 5, 6") << 6 << six;
    QTest::newRow("trailing tab (copied joints)")
        << QStringLiteral("1\t2\t3\t4\t5\t6\t") << 6 << six;
    QTest::newRow("seven blanks") << QStringLiteral("2 1 2 3 4 5 6") << 7
                                  << QList<float>{2, 1, 2, 3, 4, 5, 6};
    QTest::newRow("nine fields") << QStringLiteral("9\t8\t7\t6\t5\t4\t3\t2\t1") << 7
                                 << QList<float>{9, 8, 7, 6, 5, 4, 3};
    QTest::newRow("five commas") << QStringLiteral("1,2,3,4,5") << 0 << QList<float>{};
    QTest::newRow("semicolons") << QStringLiteral("1;2;3;4;5;6") << 0 << QList<float>{};
    // A tab split gives four fields, so a blank split is tried next on the
    // whole line: three fields. Mixed separators are no sequence line.
    QTest::newRow("tabs and blanks") << QStringLiteral("1\t2 3\t4 5\t6") << 0 << QList<float>{};
    // The tab wins over the blank: the tab-separated fields hold blanks.
    QTest::newRow("tab before blank")
        << QStringLiteral("1 0\t2\t3\t4\t5\t6") << 6 << QList<float>{0, 2, 3, 4, 5, 6, 0};
    // Six commas make six fields before the blank split could make seven.
    QTest::newRow("comma before blank")
        << QStringLiteral("1,2,3,4,5,6 7") << 6 << QList<float>{1, 2, 3, 4, 5, 0, 0};
    QTest::newRow("empty") << QString() << 0 << QList<float>{};
}

void TestSequenceText::separatorsInTheirOrder()
{
    QFETCH(QString, line);
    QFETCH(int, count);
    QFETCH(QList<float>, values);
    Values v;
    QCOMPARE(parse(line, v), count);
    if (count == 0)
        return;
    for (int k = 0; k < 7; ++k)
        QCOMPARE(v[std::size_t(k)], values[k]);
}

void TestSequenceText::numbersAsWritten_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<float>("value");
    QTest::newRow("exponent") << QStringLiteral("1e2") << 100.0f;
    QTest::newRow("negative exponent") << QStringLiteral("-2.5E-1") << -0.25f;
    QTest::newRow("plus") << QStringLiteral("+3") << 3.0f;
    QTest::newRow("no fraction digits") << QStringLiteral("5.") << 5.0f;
    QTest::newRow("no integer digits") << QStringLiteral(".5") << 0.5f;
    QTest::newRow("word") << QStringLiteral("abc") << 0.0f;
    QTest::newRow("decimal comma") << QStringLiteral("1,5") << 0.0f;
    QTest::newRow("number and word") << QStringLiteral("12abc") << 0.0f;
    QTest::newRow("carriage return after") << QStringLiteral("7\r") << 7.0f;
}

void TestSequenceText::numbersAsWritten()
{
    QFETCH(QString, field);
    QFETCH(float, value);
    Values v;
    // Tab-separated, so a field may hold anything but a tab.
    QCOMPARE(parse(QStringLiteral("1\t2\t3\t4\t5\t") + field, v), 6);
    QCOMPARE(v[5], value);
    QCOMPARE(v[0], 1.0f);
}

void TestSequenceText::numbersDoNotFollowTheLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Values v;
    const int n = parse(QStringLiteral("1.5 -2.25 3 4 5 6"), v);
    QLocale::setDefault(saved);
    QCOMPARE(n, 6);
    QCOMPARE(v[0], 1.5f);
    QCOMPARE(v[1], -2.25f);
}

void TestSequenceText::firstLineDecidesProgramOrList()
{
    // Seven on the first line: a program, all of whose lines are nodes.
    auto p = parseText(QStringLiteral("1 0 0 0 0 30 0\n2 10 0 0 0 30 0\n"));
    QVERIFY(p.program);
    QCOMPARE(p.nodes.size(), std::size_t(2));
    QCOMPARE(p.nodes[1].values, (Values{2, 10, 0, 0, 0, 30, 0}));
    QCOMPARE(p.nodes[1].type, 1.0f);
    QCOMPARE(p.nodes[1].problem, 0.0f);
    // Six on the first line: a position list, even with seven further down.
    auto l = parseText(QStringLiteral("1 2 3 4 5 6\n1 2 3 4 5 6 7\n"));
    QVERIFY(!l.program);
    QCOMPARE(l.nodes.size(), std::size_t(2));
    QCOMPARE(l.nodes[1].values[6], 7.0f);
    QVERIFY(l.error.isEmpty() && p.error.isEmpty());
    // A first line that is not six or seven numbers (a comment, a header, a
    // word, too few values) makes the text no sequence at all, and the
    // message names the line; later lines that give nothing are skipped.
    const struct
    {
        const char *text;
        int line;
    } bad[] = {{"# my program\n1 0 0 0 0 30 0\n", 1},
               {"\n\nJ1,J2,J3,J4,J5,J6\n1,2,3,4,5,6\n", 3},
               {"1 0 0 0 0 30 x\n2 10 0 0 0 30 0\n", 1},
               {"a b c d e f", 1},
               {"1,2,3\n1 2 3 4 5 6\n", 1}};
    for (const auto &b : bad) {
        const auto h = parseText(QString::fromLatin1(b.text));
        QVERIFY2(h.nodes.empty() && !h.program, b.text);
        QVERIFY2(h.error.startsWith(QStringLiteral("line %1 ").arg(b.line)), qPrintable(h.error));
    }
    auto later = parseText(QStringLiteral("1 2 3 4 5 6\n# a note\n7 8 9 10 11 12\n"));
    QVERIFY(later.error.isEmpty());
    QCOMPARE(later.lines, (std::vector<int>{1, 3}));
}

void TestSequenceText::crLfReadsAsLf()
{
    const QString lf = QStringLiteral("1\t2\t3\t4\t5\t6\t\n\n7\t8\t9\t10\t11\t12\t\n");
    QString crlf = lf;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const auto a = parseText(lf), b = parseText(crlf);
    QCOMPARE(a.program, b.program);
    QVERIFY(!b.program);
    QCOMPARE(b.nodes.size(), std::size_t(2));
    for (std::size_t i = 0; i < 2; ++i)
        QCOMPARE(a.nodes[i].values, b.nodes[i].values);
    QCOMPARE(b.lines, (std::vector<int>{1, 3}));
}

void TestSequenceText::emptyAndUnusableLines()
{
    auto p = parseText(QStringLiteral("\n\n1 2 3 4 5 6\n1,2,3\nx y z\n\n1;2;3;4;5;6\n"));
    QCOMPARE(p.nodes.size(), std::size_t(1));
    QCOMPARE(p.lines, (std::vector<int>{3}));
    QCOMPARE(p.nodes[0].values, (Values{1, 2, 3, 4, 5, 6, 0}));
    // After the first line, six words are six fields that read as 0.
    auto w = parseText(QStringLiteral("1 2 3 4 5 6\na b c d e f"));
    QCOMPARE(w.nodes.size(), std::size_t(2));
    QCOMPARE(w.nodes[1].values, (Values{0, 0, 0, 0, 0, 0, 0}));
    QVERIFY(parseText(QString()).nodes.empty());
    QVERIFY(parseText(QStringLiteral("\r\n\r\n")).nodes.empty());
}

void TestSequenceText::fileUpToTheFirstNulByte()
{
    ScratchInstall scratch;
    QByteArray bytes = "1 2 3 4 5 6\r\n7 8 9 10 11 12\r\n";
    bytes += '\0';
    bytes += "13 14 15 16 17 18\n";
    const QString path = scratch.write(QStringLiteral("Simulations/nul.sim"), bytes);
    const auto file = sequences::readSequenceFile(path);
    QVERIFY(file.ok);
    QVERIFY(!file.truncated);
    QVERIFY(!file.text.contains(QLatin1Char('\r')));
    const auto p = parseText(file.text);
    QCOMPARE(p.nodes.size(), std::size_t(2));
    QCOMPARE(p.nodes[1].values[5], 12.0f);
    // UTF-8 text around the numbers.
    const QString utf =
        scratch.write(QStringLiteral("Simulations/utf.sim"), QByteArray("1 2 3 4 5 6 \xc2\xb0\n"));
    const auto u = sequences::readSequenceFile(utf);
    QVERIFY(u.text.contains(QChar(0x00b0)));
    // A degree sign is no number: the first line is refused, quoted as written.
    QVERIFY(parseText(u.text).error.contains(QStringLiteral("6 \u00b0")));
}

void TestSequenceText::fileThatCannotBeRead()
{
    ScratchInstall scratch;
    const auto missing = sequences::readSequenceFile(scratch.path(QStringLiteral("nothing.sim")));
    QVERIFY(!missing.ok);
    QVERIFY(!missing.error.isEmpty());
    const auto dir = sequences::readSequenceFile(scratch.root());
    QVERIFY(!dir.ok || dir.text.isEmpty());
}

void TestSequenceText::arraysColumnByColumn()
{
    // 6 rows, 3 columns, column by column: three positions.
    std::vector<double> data;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 6; ++r)
            data.push_back(10 * c + r);
    std::vector<sequences::Node> nodes;
    QVERIFY(sequences::parseArray(6, 3, data.data(), qint64(data.size()), nodes));
    QCOMPARE(nodes.size(), std::size_t(3));
    QCOMPARE(nodes[2].values, (Values{20, 21, 22, 23, 24, 25, 0}));
    QCOMPARE(nodes[2].type, 1.0f);
    // Nine rows: the first seven are what anybody reads.
    std::vector<double> nine{2, 1, 2, 3, 4, 5, 6, 8, 9};
    QVERIFY(sequences::parseArray(9, 1, nine.data(), 9, nodes));
    QCOMPARE(nodes[0].values, (Values{2, 1, 2, 3, 4, 5, 6}));
    // Not a sequence: five rows, no column, fewer values than announced.
    QVERIFY(!sequences::parseArray(5, 3, data.data(), qint64(data.size()), nodes));
    QVERIFY(nodes.empty());
    QVERIFY(!sequences::parseArray(6, 0, data.data(), qint64(data.size()), nodes));
    QVERIFY(!sequences::parseArray(6, 4, data.data(), qint64(data.size()), nodes));
    QVERIFY(!sequences::parseArray(1 << 30, 1 << 30, data.data(), qint64(data.size()), nodes));
    QVERIFY(!sequences::parseArray(6, 1, nullptr, 6, nodes));
}

void TestSequenceText::garbageNeverBreaksTheReader()
{
    std::mt19937 gen(7);
    const QString alphabet = QStringLiteral("0123456789.,+-eE \t\r\n;xnaif\u00b0");
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(gen() % 200);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(int(gen() % unsigned(alphabet.size())));
        const auto p = parseText(text);
        QCOMPARE(p.nodes.size(), p.lines.size());
        for (const auto &n : p.nodes)
            QCOMPARE(n.type, 1.0f);
        Values v;
        const int count = parse(text.section(QLatin1Char('\n'), 0, 0), v);
        QVERIFY(count == 0 || count == 6 || count == 7);
    }
}

QTEST_GUILESS_MAIN(TestSequenceText)
#include "tst_sequencetext.moc"
