// The language file reader on files of real bytes written here, and the
// language files that ship with the program.
#include "models/datadirs.h"
#include "texts/languagefile.h"
#include "texts/uitexts.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// "#key", spaces up to column 30, the text, then `end`.
QByteArray line(const QByteArray &key, const QByteArray &text, const char *end = "#\n")
{
    return ("#" + key).leftJustified(30, ' ') + text + end;
}

// Entry i reads "T<i>", for the first n keys of the reader's own table.
QByteArray numbered(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += line(LanguageFile::key(i).toLatin1(), "T" + QByteArray::number(i));
    return out;
}

QStringList repeated(const QString &pattern, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << pattern.arg(i);
    return out;
}

} // namespace

class TestLanguageFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void missingFileAndUnknownCodes();
    void shippedFiles_data();
    void shippedFiles();
};

void TestLanguageFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("texts"); // the entries kept, in order

    const int all = LanguageFile::kEntries;
    // Lines without a key add nothing, wherever they are.
    QTest::newRow("complete") << "Panel texts\n\n" + numbered(all) << all << repeated("T%1", all);
    QTest::newRow("empty") << QByteArray() << 0 << QStringList();

    QByteArray shifted = numbered(71);
    shifted.remove(shifted.indexOf("#checkBox"), 1); // a key in the first column is not seen
    QStringList rest = repeated("T%1", 71);
    rest.removeAt(2);
    QTest::newRow("key in the first column") << shifted << 70 << rest;

    QTest::newRow("text rules") << line("robotAxis", "\xC3\xA9t\xC3\xA9") +
                                       line("showFrame", "###Show#not this") +
                                       line("checkBox", "  spaces kept ") +
                                       "#axisModel   Model#\n"             // under 30 characters
                                       + "#dhAxis                      \n" // exactly 30
                                << 5
                                << QStringList{QString::fromUtf8("\xC3\xA9t\xC3\xA9"), "Show",
                                               "  spaces kept ", "", ""};
    QTest::newRow("key positions 1 to 999")
        << line("robotAxis", "first") + QByteArray(999, 'x') + "menufile\n" +
               QByteArray(1000, 'y') + "menufile\n" + QByteArray("  zero").leftJustified(30) +
               "third#\n"
        << 3 << QStringList{"first", QString(969, 'x') + "menufile", "third"};
    QTest::newRow("CR LF, closing hash missing")
        << line("robotAxis", "Closed", "#\r\n") + line("showFrame", "Open", "\r\n") +
               line("checkBox", "Last")
        << 3 << QStringList{"Closed", "Open\r", "Last"};
    QTest::newRow("several keys on a line")
        << line("robotAxis", "one") + line("showFrame checkBox", "two") + line("axisModel", "three")
        << 4 << QStringList{"one", "two", "two", "three"};
    // More than there are keys, however many texts are appended.
    const int more = LanguageFile::kEntries + 20;
    QByteArray many;
    for (int i = 0; i < more; ++i)
        many += line("menuview", "V" + QByteArray::number(i));
    QTest::newRow("more entries than keys")
        << many << more << repeated("V%1", LanguageFile::kEntries);
    // A byte-order mark is no character of the line: a key right after it
    // is in the first column.
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + QByteArray("robotAxis").leftJustified(30) +
                                            "robotAxis#\n" + line("showFrame", "Show")
                                     << 1 << QStringList{"Show"};
    // Random lines (NULs, invalid UTF-8, stray "#"), then one good line.
    quint32 seed = 12345;
    QByteArray junk;
    for (int i = 0; i < 300000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        junk += i % 37 == 0 ? '\n' : char(seed >> 24);
    }
    QTest::newRow("garbage") << junk + "\n" + line("robotAxis", "read") << 1 << QStringList{"read"};

    // A line of megabytes whose tail looks like further lines: only its first
    // 64 KiB are looked at, and the next real line is the next entry.
    QByteArray tail;
    while (tail.size() < 5 * 1024 * 1024)
        tail += "#zero                         fake#";
    QTest::newRow("huge line") << line("robotAxis", QByteArray(100000, 'A'), "") + tail + "\n" +
                                      line("showFrame", "next")
                               << 2 << QStringList{QString(64 * 1024 - 30, 'A'), "next"};

    // Reading stops after 16 MiB: a line starting at that byte is not read,
    // one starting a byte earlier is.
    for (const qint64 start : {LanguageFile::kMaxFileBytes - 1, LanguageFile::kMaxFileBytes}) {
        QByteArray big = line("robotAxis", "first");
        while (big.size() + 1000 < start)
            big += QByteArray(999, '.') + "\n";
        big += QByteArray(int(start - big.size() - 1), '.') + "\n" + line("showFrame", "second");
        const int n = start < LanguageFile::kMaxFileBytes ? 2 : 1;
        QTest::newRow(qPrintable(QStringLiteral("line at byte %1").arg(start)))
            << big << n << QStringList(QStringList{"first", "second"}.mid(0, n));
    }
}

void TestLanguageFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(int, count);
    QFETCH(QStringList, texts);
    QTemporaryDir dir;
    QFile out(dir.filePath(QStringLiteral("lang.txt")));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
    out.close();

    LanguageFile f;
    QVERIFY(f.load(out.fileName()));
    QCOMPARE(f.count(), count);
    QCOMPARE(f.isComplete(), count >= LanguageFile::kEntries);
    QCOMPARE(f.texts(0, LanguageFile::kEntries + 1), texts);
    // Ranges hold the entries that were read (menus, the objects panel).
    QCOMPARE(f.texts(27, 37), texts.mid(27, 37));
}

void TestLanguageFile::missingFileAndUnknownCodes()
{
    LanguageFile f;
    QVERIFY(f.load(DataDirs::languageDir() + LanguageFile::fileName(1)));
    QVERIFY(!f.load(DataDirs::languageDir() + QStringLiteral("no such file.txt")) &&
            f.count() == 0 && !f.has(0));
    QCOMPARE(LanguageFile::fileName(-1), LanguageFile::fileName(1));
    for (int code : {0, 6, -2})
        QVERIFY(LanguageFile::fileName(code).isEmpty());
    QVERIFY(LanguageFile::key(-1).isEmpty() && LanguageFile::key(LanguageFile::kEntries).isEmpty());
}

void TestLanguageFile::shippedFiles_data()
{
    QTest::addColumn<int>("code");
    for (int code = 1; code <= 5; ++code)
        QTest::newRow(qPrintable(LanguageFile::fileName(code))) << code;
}

void TestLanguageFile::shippedFiles()
{
    QFETCH(int, code);
    QFile file(DataDirs::languageDir() + LanguageFile::fileName(code));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    // UTF-8 (it decodes and encodes back unchanged) with LF line ends, one
    // line per key in the reader's order: the key, spaces up to column 30,
    // the text without "#" or spaces at its ends, "#".
    const QString all = QString::fromUtf8(bytes);
    QVERIFY(all.toUtf8() == bytes && !bytes.contains('\r') && bytes.endsWith('\n'));
    const QStringList lines = all.left(all.size() - 1).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), LanguageFile::kEntries);
    QStringList expected;
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m =
            QRegularExpression(
                QStringLiteral("^#%1 +([^ #]|[^ #][^#]*[^ #])#$").arg(LanguageFile::key(i)))
                .match(lines.at(i));
        QVERIFY2(m.hasMatch() && m.capturedStart(1) == 30, qPrintable(lines.at(i)));
        expected << m.captured(1);
    }

    LanguageFile f;
    QVERIFY(f.load(file.fileName()));
    QCOMPARE(f.count(), LanguageFile::kEntries);
    QCOMPARE(f.texts(0, LanguageFile::kEntries), expected);

    // A composed text keeps the places of what goes into it; English says
    // what the program says without a file.
    const auto places = [](const QString &s) {
        QStringList found;
        for (auto it = QRegularExpression(QStringLiteral("%\\d")).globalMatch(s); it.hasNext();)
            found << it.next().captured();
        found.sort();
        return found;
    };
    for (int t = 0; t < int(uitext::Text::Count); ++t) {
        const QString english = uitext::englishText(uitext::Text(t));
        const QString text = expected.at(uitext::languageEntry(uitext::Text(t)));
        QVERIFY2(places(text) == places(english) && (code != 1 || text == english),
                 qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
