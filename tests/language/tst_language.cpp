// Languages switched on a real window; the About box, its logo link, closing it.
#include "app/mainwindow.h"
#include "language/about.h"
#include "language/relabel.h"
#include "support/scratchinstall.h"
#include "texts/languagefile.h"
#include "ui/panellanguage.h"
#include "ui_menuprincipal.h"

#include <QMenuBar>
#include <QtTest>

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { setLanguageMessageHandler({}), delete w; }
    void menuActionRelabelsTheWindow();
    void numberedFiles_data();
    void numberedFiles();
    void missingFileChangesNothing();
    void aboutBox();

private:
    QStringList shown() const // every caption, then the frame items
    {
        QStringList out;
        for (QWidget *x : w->findChildren<QWidget *>())
            out << x->property("text").toString();
        for (int i = 0; i < frame()->count(); ++i)
            out << frame()->itemText(i);
        return out;
    }
    QComboBox *frame() const { return w->panel()->form()->comboBox_2; }

    MainWindow *w = nullptr;
    QStringList messages;
};

void TestLanguage::init()
{
    MainWindow::setInteractive(false);
    w = new MainWindow;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    setLanguageMessageHandler([this](const QString &m) { messages << m; });
    loadLanguage(w->panel(), 1); // texts kept between windows start English again
    messages.clear();
}

void TestLanguage::menuActionRelabelsTheWindow()
{
    frame()->setCurrentIndex(2); // World axes
    w->action(QStringLiteral("actionGerman"))->trigger();
    LanguageFile german;
    QVERIFY(german.load(DataDirs::languageDir() + LanguageFile::fileName(5)));
    for (int i : {0, 6, 23, 24, 70}) // panel label, button, last entry, frame, objects panel
        QVERIFY2(shown().contains(german.text(i)), qPrintable(german.text(i)));
    QCOMPARE(w->panel()->movementFrame(), 0);
    QCOMPARE(w->menuBar()->actions().first()->text(), german.text(27));
    QVERIFY(messages.isEmpty());
}

void TestLanguage::numberedFiles_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QByteArray>("lineEnd");
    for (int n : {0, 25, 30, 71})
        QTest::newRow(qPrintable(QStringLiteral("%1 entries").arg(n))) << n << QByteArray("#\n");
    QTest::newRow("CR LF, no closing hash") << 71 << QByteArray("\r\n");
}

void TestLanguage::numberedFiles()
{
    // Entry i reads "T<i>" and shows on the window (24-26 as frame items) but
    // for 16, 64 and the menus (27-63, returned instead); all else stays.
    QFETCH(int, entries);
    QFETCH(QByteArray, lineEnd);
    QByteArray content;
    QStringList placed, menus;
    for (int i = 0; i < entries; ++i) {
        const QByteArray t = "T" + QByteArray::number(i);
        content += ("#" + LanguageFile::key(i).toLatin1()).leftJustified(30) + t + lineEnd;
        (i >= 27 && i <= 63 ? menus : placed) << QString(t + (lineEnd[0] == '\r' ? "\r" : ""));
    }
    ScratchInstall scratch;
    LanguageFile file;
    QVERIFY(file.load(scratch.write(QStringLiteral("lang.txt"), content)));
    const QStringList before = shown();
    QCOMPARE(applyLanguage(w->panel(), file), menus);
    const QStringList after = shown();
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i)
        QVERIFY2(after[i] == before[i] || placed.contains(after[i]), qPrintable(after[i]));
    for (const QString &t : placed) { // 23 heads two columns, the robot form shares 66, 69, 70
        const int i = t.mid(1).trimmed().toInt(), twice = QList<int>{23, 66, 69, 70}.contains(i);
        QVERIFY2(after.count(t) == (i == 16 || i == 64 ? 0 : 1 + twice), qPrintable(t));
    }
}

void TestLanguage::missingFileChangesNothing()
{
    // No files: a missing code 5 is reported once, an unknown 7 not; nothing changes.
    frame()->setCurrentIndex(2);
    const QStringList before = shown();
    ScratchInstall scratch;
    bool found7 = true, found5 = true;
    QVERIFY(loadLanguage(w->panel(), 7, &found7).isEmpty() && !found7);
    QVERIFY(loadLanguage(w->panel(), 5, &found5).isEmpty() && !found5);
    QCOMPARE(messages, QStringList{"language file not found"});
    QCOMPARE(shown(), before);
    QCOMPARE(w->panel()->movementFrame(), 2);
}

void TestLanguage::aboutBox()
{
    // Codes 1-5 set title and subtitle, others keep the form's. Opened from
    // the Help menu, the box disables the main window but not itself; its logo
    // opens the lab's page; OK, the title bar and the main window going away
    // each delete it and leave the window enabled.
    const QStringList titles =
        QStringLiteral("About|About|\u00C0 propos|Cr\u00E9ditos|Cr\u00E8dits|About|About")
            .split('|');
    const QString formSubtitle = About().findChild<QLabel *>("lbl1_robot")->text();
    for (int code = 0; code < titles.size(); ++code) {
        About a;
        a.setLanguage(code);
        QCOMPARE(a.windowTitle(), titles[code]);
        QCOMPARE(a.findChild<QLabel *>("lbl1_robot")->text() == formSubtitle, code < 1 || code > 5);
    }
    QList<QUrl> opened;
    About::setLinkOpener([&opened](const QUrl &u) { opened << u; });
    for (int how = 0; how < 3; ++how) {
        w->action(QStringLiteral("actionAbout"))->trigger();
        QPointer<About> box;
        for (QWidget *t : QApplication::topLevelWidgets())
            box = qobject_cast<About *>(t) ? qobject_cast<About *>(t) : box.data();
        QVERIFY(box && QTest::qWaitForWindowExposed(box));
        QVERIFY(!w->isEnabled() && box->isEnabled());
        QTest::mouseClick(box->findChild<QPushButton *>(how ? "bnt_Zorv" : "pushButton"),
                          Qt::LeftButton);
        if (how == 1)
            box->close();
        else if (how == 2)
            delete w, w = nullptr;
        QTRY_VERIFY(box.isNull());
        QVERIFY(!w || w->isEnabled());
    }
    About::setLinkOpener({});
    QCOMPARE(opened, QList<QUrl>({About::labPage(), About::labPage()}));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
