// The language file reader on files written here, and the five language
// files that ship with the program.
#include "texts/languagefile.h"
#include "models/datadirs.h"

#include "support/languagekeys.h"
#include <QTemporaryDir>
#include <QTextCodec>

#include <QtTest>

namespace {

const QStringList &kKeys = languageKeys();

// "#key", spaces up to column 30, the text, "#".
QByteArray line(const QString &key, const QString &text, const char *end = "#\n")
{
    QByteArray l = "#" + key.toUtf8();
    while (l.size() < 30)
        l += ' ';
    return l + text.toUtf8() + end;
}

} // namespace

class TestLanguageFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void keyTableAndFileNames();
    void wellFormedFile();
    void textRules();
    void keyInTheFirstColumnShiftsLaterTexts();
    void keyPositionsUpTo999();
    void missingClosingHashKeepsTheCarriageReturn();
    void shortFile();
    void severalKeysOnOneLine();
    void missingAndEmptyFiles();
    void byteOrderMark();
    void garbage();
    void hugeLine();
    void hugeFile();
    void shippedFiles_data();
    void shippedFiles();

private:
    QString write(const QByteArray &content);
    QTemporaryDir *m_dir = nullptr;
    int m_files = 0;
};

void TestLanguageFile::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void TestLanguageFile::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

QString TestLanguageFile::write(const QByteArray &content)
{
    const QString path = m_dir->filePath(QStringLiteral("lang%1.txt").arg(++m_files));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        return QString();
    return path;
}

void TestLanguageFile::keyTableAndFileNames()
{
    QCOMPARE(kKeys.size(), LanguageFile::kEntries);
    for (int i = 0; i < kKeys.size(); ++i)
        QCOMPARE(LanguageFile::key(i), kKeys.at(i));
    QVERIFY(LanguageFile::key(-1).isEmpty());
    QVERIFY(LanguageFile::key(kKeys.size()).isEmpty());

    QCOMPARE(LanguageFile::fileName(1), QStringLiteral("english.txt"));
    QCOMPARE(LanguageFile::fileName(2), QStringLiteral("francais.txt"));
    QCOMPARE(LanguageFile::fileName(3), QStringLiteral("espanol.txt"));
    QCOMPARE(LanguageFile::fileName(4), QStringLiteral("catala.txt"));
    QCOMPARE(LanguageFile::fileName(5), QStringLiteral("german.txt"));
    QCOMPARE(LanguageFile::fileName(-1), QStringLiteral("english.txt"));
    QVERIFY(LanguageFile::fileName(0).isEmpty());
    QVERIFY(LanguageFile::fileName(6).isEmpty());
    QVERIFY(LanguageFile::fileName(-2).isEmpty());
}

void TestLanguageFile::wellFormedFile()
{
    QByteArray content;
    for (int i = 0; i < kKeys.size(); ++i)
        content += line(kKeys.at(i), QStringLiteral("Text %1").arg(i));
    // Lines without a key add nothing, wherever they are.
    content.insert(0, "This file labels the panel\n\n");
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), kKeys.size());
    QVERIFY(f.isComplete());
    QCOMPARE(f.text(0), QStringLiteral("Text 0"));
    QCOMPARE(f.text(16), QStringLiteral("Text 16"));
    QCOMPARE(f.text(70), QStringLiteral("Text 70"));
    QCOMPARE(f.text(kKeys.size() - 1), QStringLiteral("Text %1").arg(kKeys.size() - 1));
    QVERIFY(!f.has(kKeys.size()));

    const QStringList menus = f.texts(27, 37);
    QCOMPARE(menus.size(), 37);
    QCOMPARE(menus.first(), QStringLiteral("Text 27"));
    QCOMPARE(menus.last(), QStringLiteral("Text 63"));
}

void TestLanguageFile::textRules()
{
    QByteArray content;
    content += line("robotAxis", QString::fromUtf8("Z\xC3\xA9ro \xC3\xBC"
                                                   "ber"));
    content += line("showFrame", "###Show#ignored after the hash");
    content += line("checkBox", "  two spaces kept ");
    // Shorter than 30 characters: an entry with no text.
    content += "#axisModel   Model#\n";
    // Exactly 30 characters: still no text.
    content += "#dhAxis                      \n";
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 5);
    QCOMPARE(f.text(0), QString::fromUtf8("Z\xC3\xA9ro \xC3\xBC"
                                          "ber"));
    QCOMPARE(f.text(1), QStringLiteral("Show"));
    QCOMPARE(f.text(2), QStringLiteral("  two spaces kept "));
    QVERIFY(f.has(3));
    QCOMPARE(f.text(3), QString());
    QVERIFY(f.has(4));
    QCOMPARE(f.text(4), QString());
}

void TestLanguageFile::keyInTheFirstColumnShiftsLaterTexts()
{
    QByteArray content;
    for (int i = 0; i < 71; ++i) {
        QByteArray l = line(kKeys.at(i), QStringLiteral("Text %1").arg(i));
        if (i == 2)
            l.remove(0, 1); // "checkBox" now starts the line
        content += l;
    }
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 70);
    QVERIFY(!f.isComplete());
    QCOMPARE(f.text(1), QStringLiteral("Text 1"));
    QCOMPARE(f.text(2), QStringLiteral("Text 3"));
    QCOMPARE(f.text(26), QStringLiteral("Text 27"));
    QCOMPARE(f.text(69), QStringLiteral("Text 70"));
    QVERIFY(!f.has(70));
}

void TestLanguageFile::keyPositionsUpTo999()
{
    QByteArray content;
    content += line("robotAxis", "first");
    content += QByteArray(999, 'x') + "menufile\n";  // key at position 999: counts
    content += QByteArray(1000, 'y') + "menufile\n"; // at 1000: too far
    content += QByteArray("  zero").leftJustified(30, ' ') + "third#\n"; // position 2
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 3);
    QCOMPARE(f.text(0), QStringLiteral("first"));
    QCOMPARE(f.text(1), QString(969, QLatin1Char('x')) + QStringLiteral("menufile"));
    QCOMPARE(f.text(2), QStringLiteral("third"));
}

void TestLanguageFile::missingClosingHashKeepsTheCarriageReturn()
{
    QByteArray content;
    content += line("robotAxis", "Closed", "#\r\n");
    content += line("showFrame", "Open", "\r\n");
    content += line("checkBox", "Last");
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 3);
    QCOMPARE(f.text(0), QStringLiteral("Closed"));
    QCOMPARE(f.text(1), QStringLiteral("Open\r"));
    QCOMPARE(f.text(2), QStringLiteral("Last"));
}

void TestLanguageFile::shortFile()
{
    QByteArray content;
    for (int i = 0; i < 30; ++i)
        content += line(kKeys.at(i), QStringLiteral("T%1").arg(i));
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 30);
    QVERIFY(!f.isComplete());
    QVERIFY(f.has(29));
    QVERIFY(!f.has(30));
    QVERIFY(f.text(30).isNull());
    QVERIFY(f.text(70).isNull());
    // Only the menu texts that were read: entries 27, 28 and 29.
    QCOMPARE(f.texts(27, 37), QStringList({"T27", "T28", "T29"}));
    QVERIFY(f.texts(65, 6).isEmpty());
}

void TestLanguageFile::severalKeysOnOneLine()
{
    // Each key found adds an entry with the line's text.
    QByteArray content =
        line("robotAxis", "one") + line("showFrame checkBox", "two") + line("axisModel", "three");
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 4);
    QCOMPARE(f.text(1), QStringLiteral("two"));
    QCOMPARE(f.text(2), QStringLiteral("two"));
    QCOMPARE(f.text(3), QStringLiteral("three"));

    // More entries than keys are counted but only one per key is kept.
    QByteArray many;
    for (int i = 0; i < 200; ++i)
        many += line("menuview", QStringLiteral("V%1").arg(i));
    QVERIFY(f.load(write(many)));
    QCOMPARE(f.count(), 200);
    const int last = LanguageFile::kEntries - 1;
    QCOMPARE(f.text(last), QStringLiteral("V%1").arg(last));
    QVERIFY(!f.has(last + 1));
}

void TestLanguageFile::missingAndEmptyFiles()
{
    LanguageFile f;
    QVERIFY(f.load(write(line("robotAxis", "kept"))));
    QCOMPARE(f.count(), 1);
    QVERIFY(!f.load(m_dir->filePath(QStringLiteral("no such file.txt"))));
    QCOMPARE(f.count(), 0);
    QVERIFY(!f.has(0));

    QVERIFY(f.load(write(QByteArray())));
    QCOMPARE(f.count(), 0);
    // A directory is no file.
    QVERIFY(!f.load(m_dir->path()) || f.count() == 0);
}

void TestLanguageFile::byteOrderMark()
{
    const QByteArray content =
        "\xEF\xBB\xBF" + line("robotAxis", "Joint frames") + line("showFrame", "Show");
    LanguageFile f;
    QVERIFY(f.load(write(content)));
    QCOMPARE(f.count(), 2);
    QCOMPARE(f.text(0), QStringLiteral("Joint frames"));
}

void TestLanguageFile::garbage()
{
    // Random bytes without line ends (NULs, invalid UTF-8, stray "#"), then
    // one good line: the garbage adds nothing and the good line is read.
    quint32 seed = 12345;
    QByteArray junk;
    for (int i = 0; i < 300000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        char c = char(seed >> 24);
        if (c == '\n')
            c = '\0';
        junk += c;
    }
    LanguageFile f;
    QVERIFY(f.load(write(junk + "\n" + line("robotAxis", "after the junk"))));
    QCOMPARE(f.count(), 1);
    QCOMPARE(f.text(0), QStringLiteral("after the junk"));

    // The same junk cut into many short lines.
    QByteArray lines = junk;
    for (int i = 0; i < lines.size(); i += 37)
        lines[i] = '\n';
    QVERIFY(f.load(write(lines + "\n" + line("robotAxis", "still read"))));
    QCOMPARE(f.count(), 1);
    QCOMPARE(f.text(0), QStringLiteral("still read"));
}

void TestLanguageFile::hugeLine()
{
    // A line of several megabytes whose tail looks like further lines: the
    // tail is not taken for lines, and the next real line is the next entry.
    QByteArray tail;
    while (tail.size() < 5 * 1024 * 1024)
        tail += "#zero                         fake#";
    const QByteArray huge = line("robotAxis", "A", "") + QByteArray(100000, 'A') + tail + "\n";
    LanguageFile f;
    QVERIFY(f.load(write(huge + line("showFrame", "next"))));
    QCOMPARE(f.count(), 2);
    QVERIFY(f.text(0).startsWith(QStringLiteral("AAAA")));
    QVERIFY(f.text(0).size() <= LanguageFile::kMaxLineBytes);
    QCOMPARE(f.text(1), QStringLiteral("next"));
}

void TestLanguageFile::hugeFile()
{
    // Reading stops after 16 MiB: a key line beyond that is not reached,
    // one before it is.
    const QByteArray filler = QByteArray(999, '.') + "\n";
    QByteArray before = line("robotAxis", "first");
    while (before.size() < 15 * 1024 * 1024)
        before += filler;
    QByteArray after = before;
    while (after.size() < 17 * 1024 * 1024)
        after += filler;
    LanguageFile f;
    QVERIFY(f.load(write(before + line("showFrame", "second"))));
    QCOMPARE(f.count(), 2);
    QCOMPARE(f.text(1), QStringLiteral("second"));
    QVERIFY(f.load(write(after + line("showFrame", "second"))));
    QCOMPARE(f.count(), 1);
    QCOMPARE(f.text(0), QStringLiteral("first"));
}

void TestLanguageFile::shippedFiles_data()
{
    QTest::addColumn<QString>("name");
    for (const char *n : {"english.txt", "francais.txt", "espanol.txt", "catala.txt", "german.txt"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestLanguageFile::shippedFiles()
{
    QFETCH(QString, name);
    const QString path = DataDirs::languageDir() + name;
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();

    // UTF-8 with LF line ends, one well-formed line per key, in order.
    QTextCodec::ConverterState state;
    const QString all =
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    QCOMPARE(state.invalidChars, 0);
    QVERIFY(!bytes.contains('\r'));
    QVERIFY(bytes.endsWith('\n'));
    const QStringList lines = all.left(all.size() - 1).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), kKeys.size());
    QStringList expected;
    for (int i = 0; i < kKeys.size(); ++i) {
        const QString &l = lines.at(i);
        const QString &key = kKeys.at(i);
        QVERIFY2(l.startsWith(QLatin1Char('#') + key), qPrintable(l));
        QVERIFY2(l.mid(1 + key.size(), 29 - key.size()).trimmed().isEmpty(), qPrintable(l));
        QVERIFY2(l.size() > 31 && l.at(30) != QLatin1Char(' ') && l.endsWith(QLatin1Char('#')),
                 qPrintable(l));
        const QString text = l.mid(30, l.size() - 31);
        QVERIFY2(!text.contains(QLatin1Char('#')), qPrintable(l));
        QVERIFY2(text.trimmed() == text, qPrintable(l));
        expected << text;
    }

    LanguageFile f;
    QVERIFY(f.load(path));
    QCOMPARE(f.count(), kKeys.size());
    for (int i = 0; i < kKeys.size(); ++i)
        QCOMPARE(f.text(i), expected.at(i));

    // A translation, not a copy: most texts differ from the English ones.
    if (name != QLatin1String("english.txt")) {
        LanguageFile english;
        QVERIFY(english.load(DataDirs::languageDir() + QStringLiteral("english.txt")));
        int different = 0;
        for (int i = 0; i < kKeys.size(); ++i)
            different += f.text(i) != english.text(i) ? 1 : 0;
        QVERIFY2(different >= 50, qPrintable(QString::number(different)));
    }
}

QTEST_GUILESS_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
