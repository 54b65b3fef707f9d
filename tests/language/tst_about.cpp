// The About box: its form, captions per language, the logo link and every
// way of closing it.
#include "language/about.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

// Stands in for the control panel: closes the box the way the panel does
// and enables the main window again.
class PanelStandIn : public QWidget
{
    Q_OBJECT
public:
    enum Mode
    {
        DeleteLater,
        DeleteAtOnce,
        CloseIt
    };
    PanelStandIn(QWidget *window, Mode mode) : QWidget(window), m_window(window), m_mode(mode) {}
    QPointer<About> box;
    int requests = 0;

public slots:
    void closeAbout()
    {
        ++requests;
        if (m_mode == DeleteLater)
            box->deleteLater();
        else if (m_mode == DeleteAtOnce)
            delete box.data();
        else
            box->close();
        m_window->setEnabled(true);
    }

private:
    QWidget *m_window;
    Mode m_mode;
};

QString labelText(About &a, const char *name)
{
    auto *l = a.findChild<QLabel *>(QLatin1String(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void form();
    void captions_data();
    void captions();
    void okButton();
    void logoOpensTheLabPage();
    void titleBarCloseAsksToClose();
    void closingEnablesTheMainWindow_data();
    void closingEnablesTheMainWindow();
    void answeringWithCloseDoesNotLoop();
    void goesAwayWithThePanel();
};

void TestAbout::cleanup()
{
    About::setLinkOpener({});
}

void TestAbout::form()
{
    About a;
    QCOMPARE(a.size(), QSize(340, 478));
    QCOMPARE(a.windowTitle(), QStringLiteral("About"));
    QVERIFY(a.isWindow());
    QVERIFY(a.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(labelText(a, "label"), QStringLiteral("Velkari 1.7"));
    for (const char *name : {"label_15", "label_3", "label_6", "label_7"})
        QVERIFY2(labelText(a, name).size() > 10, name);
    auto *ok = a.findChild<QPushButton *>(QStringLiteral("pushButton"));
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));

    const QPixmap logo(QStringLiteral(":/img/zorv_fr.png"));
    QVERIFY(!logo.isNull());
    QCOMPARE(logo.size(), QSize(128, 128));
    auto *button = a.findChild<QPushButton *>(QStringLiteral("bnt_Zorv"));
    QVERIFY(button);
    QVERIFY(!button->icon().isNull());
    // Not a flat colour: the drawing has a badge and an arm.
    const QImage img = logo.toImage();
    QVERIFY(img.pixelColor(64, 64) != img.pixelColor(40, 84));
    QCOMPARE(img.pixelColor(0, 0).alpha(), 0);
}

void TestAbout::captions_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QString>("credits");
    QTest::newRow("English") << 1 << "About"
                             << "Robot Kinematics Simulator"
                             << "Credits:";
    QTest::newRow("French") << 2 << QString::fromUtf8("\xC3\x80 propos")
                            << QString::fromUtf8("Simulateur de la cin\xC3\xA9matique de robots")
                            << QString::fromUtf8("Cr\xC3\xA9"
                                                 "dits :");
    QTest::newRow("Spanish") << 3
                             << QString::fromUtf8("Cr\xC3\xA9"
                                                  "ditos")
                             << "Simulador de la cinematica de robots"
                             << QString::fromUtf8("Cr\xC3\xA9"
                                                  "ditos:");
    QTest::newRow("Catalan") << 4
                             << QString::fromUtf8("Cr\xC3\xA8"
                                                  "dits")
                             << QString::fromUtf8("Simulador de la cinem\xC3\xA0tica de robots")
                             << QString::fromUtf8("Cr\xC3\xA8"
                                                  "dits:");
    QTest::newRow("German") << 5 << "About"
                            << "Robot Kinematics Simulator"
                            << "Credits:";
    for (int other : {0, -1, 6, 42})
        QTest::newRow(qPrintable(QStringLiteral("code %1").arg(other)))
            << other << "About"
            << "Robot kinematics simulator"
            << "Credits";
}

void TestAbout::captions()
{
    QFETCH(int, code);
    QFETCH(QString, title);
    QFETCH(QString, subtitle);
    QFETCH(QString, credits);
    About a;
    a.setLanguage(code);
    QCOMPARE(a.windowTitle(), title);
    QCOMPARE(labelText(a, "lbl1_robot"), subtitle);
    QCOMPARE(labelText(a, "lbl2_credits"), credits);
    QCOMPARE(labelText(a, "label"), QStringLiteral("Velkari 1.7"));
}

void TestAbout::okButton()
{
    About a;
    a.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QSignalSpy spy(&a, &About::Emit_Close_Request);
    a.OKbutton();
    QCOMPARE(spy.count(), 1);
    QTest::mouseClick(a.findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    QCOMPARE(spy.count(), 2);
}

void TestAbout::logoOpensTheLabPage()
{
    QList<QUrl> opened;
    About::setLinkOpener([&opened](const QUrl &u) { opened << u; });
    About a;
    a.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QTest::mouseClick(a.findChild<QPushButton *>(QStringLiteral("bnt_Zorv")), Qt::LeftButton);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first(), About::labPage());
    QVERIFY(opened.first().isValid());
    QCOMPARE(opened.first().scheme(), QStringLiteral("https"));
}

void TestAbout::titleBarCloseAsksToClose()
{
    About a;
    a.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QSignalSpy spy(&a, &About::Emit_Close_Request);
    QVERIFY(a.close());
    QVERIFY(!a.isVisible());
    QTRY_COMPARE(spy.count(), 1);
    QTest::qWait(50);
    QCOMPARE(spy.count(), 1);

    // Shown again, closed again: asked again.
    a.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    a.close();
    QTRY_COMPARE(spy.count(), 2);
}

void TestAbout::closingEnablesTheMainWindow_data()
{
    QTest::addColumn<bool>("titleBar");
    QTest::addColumn<int>("mode");
    QTest::newRow("OK, deleted later") << false << int(PanelStandIn::DeleteLater);
    QTest::newRow("title bar, deleted later") << true << int(PanelStandIn::DeleteLater);
    QTest::newRow("title bar, deleted at once") << true << int(PanelStandIn::DeleteAtOnce);
}

void TestAbout::closingEnablesTheMainWindow()
{
    QFETCH(bool, titleBar);
    QFETCH(int, mode);
    QWidget window;
    window.resize(400, 300);
    auto *panel = new PanelStandIn(&window, PanelStandIn::Mode(mode));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Opening, as the panel does it.
    panel->box = new About(panel);
    panel->box->setLanguage(2);
    panel->box->show();
    window.setEnabled(false);
    QVERIFY(QTest::qWaitForWindowExposed(panel->box));
    // The box is a window of its own and stays usable.
    QVERIFY(panel->box->parent() == nullptr);
    QVERIFY(panel->box->isEnabled());
    QVERIFY(!panel->isEnabled());

    if (titleBar)
        panel->box->close();
    else
        QTest::mouseClick(panel->box->findChild<QPushButton *>(QStringLiteral("pushButton")),
                          Qt::LeftButton);
    QTRY_VERIFY(window.isEnabled());
    QTRY_VERIFY(panel->box.isNull());
    QCOMPARE(panel->requests, 1);
}

void TestAbout::answeringWithCloseDoesNotLoop()
{
    QWidget window;
    auto *panel = new PanelStandIn(&window, PanelStandIn::CloseIt);
    About box(panel);
    panel->box = &box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    window.setEnabled(false);
    box.OKbutton();
    QTRY_VERIFY(window.isEnabled());
    QTest::qWait(100);
    // OK, then once more for the close the answer caused, and no further.
    QCOMPARE(panel->requests, 2);
    QVERIFY(!box.isVisible());
}

void TestAbout::goesAwayWithThePanel()
{
    auto *panel = new QWidget; // no closeAbout(): nothing to connect
    QPointer<About> box = new About(panel);
    QSignalSpy spy(box.data(), &About::Emit_Close_Request);
    box->OKbutton();
    QCOMPARE(spy.count(), 1);
    delete panel;
    QTRY_VERIFY(box.isNull());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
