// Sequence text as files, the clipboard and the data server deliver it: separators
// and their order, six or seven fields, numbers in every locale, CR LF, NUL bytes
// and arrays (random text is the fuzzer's).
#include "sequences/sequenceparser.h"
#include "support/scratchinstall.h"
#include <QtTest>
using sequences::parseText;
using Values = std::array<float, 7>;
Q_DECLARE_METATYPE(Values)
class TestSequenceText : public QObject
{
    Q_OBJECT
private slots:
    void separatorsAndNumbers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("count");
        QTest::addColumn<Values>("values");
        const Values six{1, 2, 3, 4, 5, 6, 0}, none{};
        QTest::newRow("tabs") << QStringLiteral("1\t2\t3\t4\t5\t6") << 6 << six;
        QTest::newRow("several blanks") << QStringLiteral("  1  2 3   4 5 6  ") << 6 << six;
        QTest::newRow("comma and blank") << QStringLiteral("1, 2, 3, 4, 5, 6") << 6 << six;
        QTest::newRow("trailing tab (copied joints)")
            << QStringLiteral("1\t2\t3\t4\t5\t6\t") << 6 << six;
        QTest::newRow("seven blanks")
            << QStringLiteral("2 1 2 3 4 5 6") << 7 << Values{2, 1, 2, 3, 4, 5, 6};
        QTest::newRow("nine fields")
            << QStringLiteral("9\t8\t7\t6\t5\t4\t3\t2\t1") << 7 << Values{9, 8, 7, 6, 5, 4, 3};
        QTest::newRow("five commas") << QStringLiteral("1,2,3,4,5") << 0 << none;
        // A tab split gives four fields, a blank split then three: no sequence line.
        QTest::newRow("tabs and blanks") << QStringLiteral("1\t2 3\t4 5\t6") << 0 << none;
        // The tab wins over the blank, six commas over a seventh blank field.
        QTest::newRow("tab before blank")
            << QStringLiteral("1 0\t2\t3\t4\t5\t6") << 6 << Values{0, 2, 3, 4, 5, 6, 0};
        QTest::newRow("comma before blank")
            << QStringLiteral("1,2,3,4,5,6 7") << 6 << Values{1, 2, 3, 4, 5, 0, 0};
        QTest::newRow("empty") << QString() << 0 << none;
        // Numbers as written (tab-separated, a field holds anything but a tab):
        // the point, not the locale's comma; what is no number reads as 0.
        QTest::newRow("numbers") << QStringLiteral("1e2\t-2.5E-1\t.5\t1.5\t7\r\t-3") << 6
                                 << Values{100, -0.25f, 0.5f, 1.5f, 7, -3, 0};
        QTest::newRow("no numbers")
            << QStringLiteral("abc\t1,5\t12abc\t1\t2\t3") << 6 << Values{0, 0, 0, 1, 2, 3, 0};
    }
    void separatorsAndNumbers()
    {
        QFETCH(QString, line);
        QFETCH(int, count);
        QFETCH(Values, values);
        Values v{-99, -99, -99, -99, -99, -99, -99};
        const QLocale saved; // a German desktop reads the point as everybody else does
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const int n = sequences::parseLine(line, v);
        QLocale::setDefault(saved);
        QCOMPARE(n, count);
        QVERIFY(count == 0 || v == values);
    }
    void firstLineDecidesProgramOrList()
    {
        // Seven on the first line: a program, all of whose lines are nodes.
        auto p = parseText(QStringLiteral("1 0 0 0 0 30 0\n2 10 0 0 0 30 0\n"));
        QVERIFY(p.program && p.error.isEmpty() && p.nodes.size() == 2 && p.nodes[1].type == 1.0f &&
                p.nodes[1].problem == 0.0f);
        QCOMPARE(p.nodes[1].values, (Values{2, 10, 0, 0, 0, 30, 0}));
        // Six first: a list, even with seven further down; later empty lines skipped, words read 0,
        // CR LF is LF.
        auto l = parseText(QStringLiteral(
            "1 2 3 4 5 6\r\n\r\n1 2 3 4 5 6 7\r\n1,2,3\nx y z\n1;2;3;4;5;6\na b c d e f"));
        QVERIFY(!l.program && l.error.isEmpty());
        QCOMPARE(l.lines, (std::vector<int>{1, 3, 7}));
        QCOMPARE(l.nodes[1].values[6], 7.0f);
        QCOMPARE(l.nodes[2].values, Values{});
        QVERIFY(parseText(QString()).nodes.empty() &&
                parseText(QStringLiteral("\r\n\r\n")).nodes.empty());
        // A first line that is not six or seven numbers (a comment, a header, a
        // word, too few values) makes the text no sequence; the message names it.
        const std::pair<const char *, int> bad[] = {{"# my program\n1 0 0 0 0 30 0\n", 1},
                                                    {"\n\nJ1,J2,J3,J4,J5,J6\n1,2,3,4,5,6\n", 3},
                                                    {"1 0 0 0 0 30 x\n2 10 0 0 0 30 0\n", 1},
                                                    {"1,2,3\n1 2 3 4 5 6\n", 1}};
        for (const auto &[text, line] : bad) {
            const auto h = parseText(QString::fromLatin1(text));
            QVERIFY2(h.nodes.empty() && !h.program &&
                         h.error.startsWith(QStringLiteral("line %1 ").arg(line)),
                     qPrintable(h.error));
        }
    }
    void filesUpToTheFirstNulByte()
    {
        ScratchInstall scratch;
        const auto file = sequences::readSequenceFile(scratch.write(
            QStringLiteral("Simulations/nul.sim"),
            QByteArray("1 2 3 4 5 6\r\n7 8 9 10 11 12\r\n") + '\0' + "13 14 15 16 17 18\n"));
        QVERIFY(file.ok && !file.truncated && !file.text.contains(QLatin1Char('\r')));
        const auto p = parseText(file.text);
        QVERIFY(p.nodes.size() == 2 && p.nodes[1].values[5] == 12.0f);
        // UTF-8 around the numbers: a degree sign is no number, quoted as written.
        const auto u = sequences::readSequenceFile(
            scratch.write(QStringLiteral("Simulations/utf.sim"), "1 2 3 4 5 6 \xc2\xb0\n"));
        QVERIFY(parseText(u.text).error.contains(QStringLiteral("6 \u00b0")));
        const auto missing =
            sequences::readSequenceFile(scratch.path(QStringLiteral("nothing.sim")));
        QVERIFY(!missing.ok && !missing.error.isEmpty());
        const auto dir = sequences::readSequenceFile(scratch.root());
        QVERIFY(!dir.ok || dir.text.isEmpty());
    }
    void arraysColumnByColumn()
    {
        // 9 rows, 2 columns, column by column: the first seven rows are what anybody reads.
        const std::vector<double> data{2, 1,  2,  3,  4,  5,  6,  8,  9,
                                       1, 11, 12, 13, 14, 15, 16, 18, 19};
        std::vector<sequences::Node> nodes;
        QVERIFY(sequences::parseArray(9, 2, data.data(), 18, nodes) && nodes.size() == 2 &&
                nodes[1].type == 1.0f);
        QCOMPARE(nodes[1].values, (Values{1, 11, 12, 13, 14, 15, 16}));
        // Not a sequence: five rows, no column, fewer values than announced, no data.
        QVERIFY(!sequences::parseArray(5, 3, data.data(), 18, nodes) && nodes.empty());
        for (const auto &[rows, cols] : {std::pair<int, int>{6, 0}, {6, 4}, {1 << 30, 1 << 30}})
            QVERIFY(!sequences::parseArray(rows, cols, data.data(), 18, nodes));
        QVERIFY(!sequences::parseArray(6, 1, nullptr, 6, nodes));
    }
};
QTEST_GUILESS_MAIN(TestSequenceText)
#include "tst_sequencetext.moc"
