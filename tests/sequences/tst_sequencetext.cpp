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
        // Six first: a list, even with seven further down; empty and blank lines skipped, CR LF
        // is LF.
        auto l =
            parseText(QStringLiteral("1 2 3 4 5 6\r\n\r\n1 2 3 4 5 6 7\r\n \t\r\n6,5,4,3,2,1"));
        QVERIFY(!l.program && l.error.isEmpty());
        QCOMPARE(l.lines, (std::vector<int>{1, 3, 5}));
        QCOMPARE(l.nodes[1].values[6], 7.0f);
        QCOMPARE(l.nodes[2].values, (Values{6, 5, 4, 3, 2, 1, 0}));
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
    void everyLineReadStrictly_data()
    {
        // A line further down that is not what the first made the text refuses it whole,
        // naming that line (0: read, the count of nodes in `nodes`).
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("badLine");
        QTest::addColumn<int>("nodes");
        QTest::newRow("letters in a program")
            << QStringLiteral("1 0 0 0 0 30 0\n1 10 abc 0 0 30 0\n") << 2 << 0;
        QTest::newRow("a word among positions")
            << QStringLiteral("1 2 3 4 5 6\n1 2 3 4 5 6\nx y z\n") << 3 << 0;
        QTest::newRow("number glued to a word")
            << QStringLiteral("1,2,3,4,5,6\n1,2,3,4,5,6x\n") << 2 << 0;
        QTest::newRow("too few values, after a blank line")
            << QStringLiteral("1 2 3 4 5 6\n\n1,2,3\n") << 3 << 0;
        QTest::newRow("semicolons") << QStringLiteral("1 2 3 4 5 6\r\n1;2;3;4;5;6\r\n") << 2 << 0;
        QTest::newRow("six values in a program")
            << QStringLiteral("1 0 0 0 0 30 0\n2 10 0 0 0 30\n") << 2 << 0;
        QTest::newRow("a comment at the end")
            << QStringLiteral("1 0 0 0 0 30 0\n2 10 0 0 0 30 0\n# end\n") << 3 << 0;
        QTest::newRow("infinite") << QStringLiteral("1 2 3 4 5 6\n1 2 3 inf 5 6\n") << 2 << 0;
        QTest::newRow("beyond a float")
            << QStringLiteral("1 2 3 4 5 6\n1 2 3 1e39 5 6\n") << 2 << 0;
        // Seven numbers in a list play as positions; beyond seven fields nothing is read.
        QTest::newRow("seven in a list")
            << QStringLiteral("1 2 3 4 5 6\n1 2 3 4 5 6 7\n") << 0 << 2;
        QTest::newRow("nine fields") << QStringLiteral("1 0 0 0 0 30 0 x y\n") << 0 << 1;
    }
    void everyLineReadStrictly()
    {
        QFETCH(QString, text);
        QFETCH(int, badLine);
        QFETCH(int, nodes);
        const auto p = parseText(text);
        QCOMPARE(int(p.nodes.size()), nodes);
        QCOMPARE(p.nodes.size(), p.lines.size());
        if (badLine == 0) {
            QVERIFY(p.error.isEmpty());
            return;
        }
        QVERIFY2(p.error.startsWith(QStringLiteral("line %1 is not ").arg(badLine)),
                 qPrintable(p.error));
        // The line is quoted as written.
        const QString line = text.split(QLatin1Char('\n')).at(badLine - 1).trimmed();
        QVERIFY2(p.error.endsWith(QLatin1Char('"') + line + QLatin1Char('"')), qPrintable(p.error));
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
