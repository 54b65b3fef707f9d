// Switching languages on a real control panel: which widget gets which
// text, the movement frame going back to tool axes, short and missing files.
#include "app/mainwindow.h"
#include "language/relabel.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objects.h"
#include "support/languagekeys.h"
#include "support/scratchinstall.h"
#include "texts/languagefile.h"
#include "ui/menuprincipal.h"
#include "ui/panellanguage.h"
#include "ui_menuprincipal.h"

#include "support/languagekeys.h"
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>

#include <QtTest>
#include <map>

namespace {

// A language file whose entry i reads "T<i>", for the first `entries` keys.
QByteArray numberedFile(int entries, const char *lineEnd = "#\n")
{
    QByteArray out;
    for (int i = 0; i < entries; ++i) {
        QByteArray l = QByteArray("#") + languageKeys().at(i).toLatin1();
        out += l.leftJustified(30, ' ') + "T" + QByteArray::number(i) + lineEnd;
    }
    return out;
}

// The text between column 30 and the closing "#" of line `index`.
QString shippedText(int code, int index)
{
    QFile f(DataDirs::languageDir() + LanguageFile::fileName(code));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    const QString l = lines.value(index);
    return l.mid(30, l.size() - 31);
}

} // namespace

class TestRelabel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyEntryReachesItsWidget();
    void movementFrameReturnsToToolAxes_data();
    void movementFrameReturnsToToolAxes();
    void shippedLanguages_data();
    void shippedLanguages();
    void missingFileChangesNothing();
    void missingFileMessageBox();
    void shortFiles();
    void carriageReturnReachesTheWidget();
    void codeWithoutAFile();

private:
    // Every caption of the window (labels, buttons, check boxes) and the
    // movement-frame items.
    std::map<QObject *, QString> captions() const;
    QStringList frameItems() const;
    QString writeFile(const QByteArray &content);

    MainWindow *w = nullptr;
    MenuPrincipal *p = nullptr;
    Ui::MenuPrincipal *ui = nullptr;
    Objects *objects = nullptr;
    QTemporaryDir *dir = nullptr;
    QStringList messages;
};

void TestRelabel::init()
{
    w = new MainWindow;
    MainWindow::setInteractive(false);
    w->resize(1200, 800);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    p = w->panel();
    ui = p->form();
    objects = p->view()->objectsList();
    QVERIFY(objects->nameLabel() && objects->okButton());
    QCOMPARE(w->loadRobot(DataDirs::defaultRobot()), 0);
    dir = new QTemporaryDir;
    messages.clear();
    setLanguageMessageHandler([this](const QString &m) { messages << m; });
}

void TestRelabel::cleanup()
{
    setLanguageMessageHandler({});
    delete dir;
    dir = nullptr;
    delete w;
    w = nullptr;
}

std::map<QObject *, QString> TestRelabel::captions() const
{
    std::map<QObject *, QString> out;
    for (QLabel *l : w->findChildren<QLabel *>())
        out[l] = l->text();
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
        out[b] = b->text();
    return out;
}

QStringList TestRelabel::frameItems() const
{
    QStringList items;
    for (int i = 0; i < ui->comboBox_2->count(); ++i)
        items << ui->comboBox_2->itemText(i);
    return items;
}

QString TestRelabel::writeFile(const QByteArray &content)
{
    static int n = 0;
    const QString path = dir->filePath(QStringLiteral("lang%1.txt").arg(++n));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(content);
    return path;
}

void TestRelabel::everyEntryReachesItsWidget()
{
    LanguageFile file;
    QVERIFY(file.load(writeFile(numberedFile(71))));
    const QStringList menus = applyLanguage(p, file);

    const std::vector<std::pair<QString, QWidget *>> expected = {
        {"T0", ui->label_13},
        {"T1", ui->label_14},
        {"T2", ui->checkBox},
        {"T3", ui->label_25},
        {"T4", ui->radioButton_9},
        {"T5", ui->radioButton_10},
        {"T6", ui->pushButton_4},
        {"T7", ui->label_18},
        {"T8", ui->label_15},
        {"T9", ui->label_28},
        {"T10", ui->label_29},
        {"T11", ui->label_31},
        {"T12", ui->label_34},
        {"T13", ui->label_35},
        {"T14", ui->label_30},
        {"T15", ui->checkBox_10},
        {"T17", ui->checkBox_9},
        {"T18", ui->label_toolframe},
        {"T19", ui->label_worldframe},
        {"T20", ui->label_20},
        {"T21", ui->label_wf_parent},
        {"T22", ui->label_tf_parent},
        {"T23", ui->label_44},
        {"T23", ui->label_45},
        {"T65", objects->nameLabel()},
        {"T66", objects->visibleBox()},
        {"T67", objects->flipBox()},
        {"T68", objects->scaleLabel()},
        {"T69", objects->removeButton()},
        {"T70", objects->okButton()},
    };
    for (const auto &e : expected) {
        QString shown;
        if (auto *l = qobject_cast<QLabel *>(e.second))
            shown = l->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(e.second))
            shown = b->text();
        QVERIFY2(shown == e.first, qPrintable(e.second->objectName() + " " + shown));
    }
    QCOMPARE(frameItems(), QStringList({"T24", "T25", "T26"}));

    QCOMPARE(menus.size(), 37);
    for (int j = 0; j < 37; ++j)
        QCOMPARE(menus.at(j), QStringLiteral("T%1").arg(27 + j));

    // The base frame (16) and the object properties view (64) label nothing
    // here, and no menu text (27-63) lands on a panel widget.
    QStringList shown;
    for (const auto &c : captions())
        shown << c.second;
    for (int i : {16, 64})
        QVERIFY(!shown.contains(QStringLiteral("T%1").arg(i)));
    for (int i = 27; i <= 63; ++i)
        QVERIFY(!shown.contains(QStringLiteral("T%1").arg(i)));
}

void TestRelabel::movementFrameReturnsToToolAxes_data()
{
    QTest::addColumn<int>("start");
    QTest::newRow("World axes") << 2;
    QTest::newRow("base axes") << 1;
    QTest::newRow("tool axes") << 0;
}

void TestRelabel::movementFrameReturnsToToolAxes()
{
    QFETCH(int, start);
    ui->comboBox_2->setCurrentIndex(start);
    QCOMPARE(p->movementFrame(), start);
    QSignalSpy indexes(ui->comboBox_2, QOverload<int>::of(&QComboBox::currentIndexChanged));

    bool found = false;
    loadLanguage(p, 5, &found);
    QVERIFY(found);
    QCOMPARE(ui->comboBox_2->count(), 3);
    QCOMPARE(ui->comboBox_2->currentIndex(), 0);
    QCOMPARE(ui->comboBox_2->currentText(), shippedText(5, 24));
    QCOMPARE(p->movementFrame(), 0);
    if (start != 0) {
        QVERIFY(!indexes.isEmpty());
        QCOMPARE(indexes.last().at(0).toInt(), 0);
    }

    // Again from World axes, now in French: the box is rebuilt each time.
    ui->comboBox_2->setCurrentIndex(2);
    QCOMPARE(p->movementFrame(), 2);
    loadLanguage(p, 2, &found);
    QVERIFY(found);
    QCOMPARE(frameItems(),
             QStringList({shippedText(2, 24), shippedText(2, 25), shippedText(2, 26)}));
    QCOMPARE(p->movementFrame(), 0);
}

void TestRelabel::shippedLanguages_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("stored");
    QTest::newRow("English") << 1 << 1;
    QTest::newRow("French") << 2 << 2;
    QTest::newRow("Spanish") << 3 << 3;
    QTest::newRow("Catalan") << 4 << 4;
    QTest::newRow("German") << 5 << 5;
    QTest::newRow("English as -1") << -1 << 1;
}

void TestRelabel::shippedLanguages()
{
    QFETCH(int, code);
    QFETCH(int, stored);
    // Start from another language so that every switch is seen.
    bool found = false;
    loadLanguage(p, code == 4 ? 3 : 4, &found);
    QVERIFY(found);
    const QString before = ui->label_13->text();

    const QStringList menus = loadLanguage(p, code, &found);
    QVERIFY(found);
    QVERIFY(messages.isEmpty());
    QCOMPARE(LanguageState::code(p), stored);
    QVERIFY(ui->label_13->text() != before);
    QCOMPARE(ui->label_13->text(), shippedText(code, 0));
    QCOMPARE(ui->pushButton_4->text(), shippedText(code, 6));
    QCOMPARE(ui->label_45->text(), shippedText(code, 23));
    QCOMPARE(objects->okButton()->text(), shippedText(code, 70));
    QCOMPARE(menus.size(), 37);
    QCOMPARE(menus.first(), shippedText(code, 27));
    QCOMPARE(menus.last(), shippedText(code, 63));
}

void TestRelabel::missingFileChangesNothing()
{
    ui->comboBox_2->setCurrentIndex(2);
    bool found = false;
    loadLanguage(p, 3, &found);
    QVERIFY(found);
    ui->comboBox_2->setCurrentIndex(2);
    const auto before = captions();
    const QStringList items = frameItems();

    ScratchInstall scratch; // a Languages directory without files
    found = true;
    const QStringList menus = loadLanguage(p, 5, &found);
    QVERIFY(!found);
    QVERIFY(menus.isEmpty());
    QCOMPARE(messages, QStringList({"language file not found"}));
    QCOMPARE(LanguageState::code(p), 3);
    QVERIFY(captions() == before);
    QCOMPARE(frameItems(), items);
    QCOMPARE(ui->comboBox_2->currentIndex(), 2);
    QCOMPARE(p->movementFrame(), 2);
}

void TestRelabel::missingFileMessageBox()
{
    setLanguageMessageHandler({});
    ScratchInstall scratch;
    QString shown;
    bool modal = false;
    QTimer::singleShot(200, [&]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = box->text();
        modal = box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
    bool found = true;
    loadLanguage(p, 1, &found);
    QVERIFY(!found);
    QVERIFY(modal);
    QCOMPARE(shown, QStringLiteral("language file not found"));
}

void TestRelabel::shortFiles()
{
    const auto original = captions();
    ScratchInstall scratch;

    // 30 entries: the panel (0-26) is relabelled, the objects panel keeps
    // its texts and only three menu texts come back.
    scratch.write(QStringLiteral("Languages/english.txt"), numberedFile(30));
    bool found = false;
    QStringList menus = loadLanguage(p, 1, &found);
    QVERIFY(found);
    QCOMPARE(menus, QStringList({"T27", "T28", "T29"}));
    QCOMPARE(ui->label_13->text(), QStringLiteral("T0"));
    QCOMPARE(ui->label_45->text(), QStringLiteral("T23"));
    QCOMPARE(frameItems(), QStringList({"T24", "T25", "T26"}));
    QCOMPARE(objects->nameLabel()->text(), original.at(objects->nameLabel()));
    QCOMPARE(objects->visibleBox()->text(), original.at(objects->visibleBox()));
    QCOMPARE(objects->okButton()->text(), original.at(objects->okButton()));

    // Back to the shipped English, then 25 entries: the first frame item is
    // new, the other two keep their English texts; nothing after entry 24
    // changes.
    {
        DataDirs::setApplicationDirForTesting(QString());
        loadLanguage(p, 1, &found);
        QVERIFY(found);
        DataDirs::setApplicationDirForTesting(scratch.path(QStringLiteral("bin")));
    }
    const QStringList english = frameItems();
    const auto englishCaptions = captions();
    ui->comboBox_2->setCurrentIndex(2);
    scratch.write(QStringLiteral("Languages/german.txt"), numberedFile(25));
    menus = loadLanguage(p, 5, &found);
    QVERIFY(found);
    QVERIFY(menus.isEmpty());
    QCOMPARE(frameItems(), QStringList({"T24", english.at(1), english.at(2)}));
    QCOMPARE(p->movementFrame(), 0);
    QCOMPARE(ui->label_44->text(), QStringLiteral("T23"));
    QCOMPARE(objects->removeButton()->text(), englishCaptions.at(objects->removeButton()));

    // No entry at all: every caption stays.
    const auto beforeEmpty = captions();
    const QStringList itemsBeforeEmpty = frameItems();
    scratch.write(QStringLiteral("Languages/catala.txt"), QByteArray("nothing to read here\n"));
    menus = loadLanguage(p, 4, &found);
    QVERIFY(found);
    QVERIFY(menus.isEmpty());
    QVERIFY(captions() == beforeEmpty);
    QCOMPARE(frameItems(), itemsBeforeEmpty);
    QVERIFY(messages.isEmpty());
}

void TestRelabel::carriageReturnReachesTheWidget()
{
    // A file with CR LF line ends whose lines lack the closing "#".
    LanguageFile file;
    QVERIFY(file.load(writeFile(numberedFile(71, "\r\n"))));
    applyLanguage(p, file);
    QCOMPARE(ui->label_13->text(), QStringLiteral("T0\r"));
    QCOMPARE(ui->checkBox->text(), QStringLiteral("T2\r"));
}

void TestRelabel::codeWithoutAFile()
{
    const auto before = captions();
    bool found = true;
    QVERIFY(loadLanguage(p, 7, &found).isEmpty());
    QVERIFY(!found);
    QVERIFY(messages.isEmpty());
    QVERIFY(captions() == before);
    QCOMPARE(LanguageState::code(p), 1);
}

QTEST_MAIN(TestRelabel)
#include "tst_relabel.moc"
