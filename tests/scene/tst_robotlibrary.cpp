// The robot library dialog with real widgets under Xvfb: what it lists from
// the shipped files (held to the published table beside the reader tests),
// the pictures it draws, keys and buttons, the plain file dialog behind it,
// and "Load Robot" in the main window opening it.
#include "app/mainwindow.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "models/xml.h"
#include "scene/robotlibrary.h"
#include "support/scratchinstall.h"

#include <QAction>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QJsonArray publishedTable()
{
    QFile f(QStringLiteral(VELKARI_PUBLISHED_TABLE));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("robots")).toArray();
}

QTreeWidgetItem *rowOf(const RobotLibrary &dlg, const QString &model)
{
    for (int r = 0; r < dlg.list()->topLevelItemCount(); ++r)
        if (dlg.list()->topLevelItem(r)->text(1) == model)
            return dlg.list()->topLevelItem(r);
    return nullptr;
}

// Mean colour of the drawn (opaque) pixels and their share of the picture.
struct Paint
{
    double r = 0, g = 0, b = 0, cover = 0;
};
Paint paintOf(const QImage &image)
{
    Paint p;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) < 255)
                continue;
            p.r += qRed(c);
            p.g += qGreen(c);
            p.b += qBlue(c);
            ++n;
        }
    if (n > 0) {
        p.r /= n;
        p.g /= n;
        p.b /= n;
    }
    p.cover = double(n) / (image.width() * image.height());
    return p;
}

// Runs `step` on the next modal dialog once it is up.
template <typename F> void whenModal(F step)
{
    QTimer::singleShot(0, [step]() {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        step(QApplication::activeModalWidget());
    });
}

} // namespace

class TestRobotLibrary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { MainWindow::setInteractive(false); }
    void listsEveryShippedRobot();
    void picturesShowEachRobotInItsMakersColour_data();
    void picturesShowEachRobotInItsMakersColour();
    void keysChooseARobot();
    void otherFileOpensThePlainFileDialog();
    void foreignAndEmptyDirectories();
    void loadRobotOpensTheLibrary();
};

void TestRobotLibrary::listsEveryShippedRobot()
{
    RobotLibrary dlg(DataDirs::robotDir());
    const QJsonArray table = publishedTable();
    QCOMPARE(table.size(), 16);
    // The sixteen of the table and the three robots shipped before them.
    QCOMPARE(dlg.list()->topLevelItemCount(), 19);
    for (const QJsonValue &v : table) {
        const QJsonObject o = v.toObject();
        const QString model = o.value(QStringLiteral("model")).toString();
        QTreeWidgetItem *row = rowOf(dlg, model);
        QVERIFY2(row, qPrintable(model));
        QCOMPARE(row->text(0), o.value(QStringLiteral("maker")).toString());
        const QJsonValue reach = o.value(QStringLiteral("reach_mm"));
        const QJsonValue payload = o.value(QStringLiteral("payload_kg"));
        QCOMPARE(row->text(2), reach.isNull() ? QStringLiteral("\u2014")
                                              : QString::number(reach.toDouble()) + " mm");
        QCOMPARE(row->text(3), payload.isNull() ? QStringLiteral("\u2014")
                                                : QString::number(payload.toDouble()) + " kg");
        QVERIFY(row->toolTip(1).endsWith(o.value(QStringLiteral("name")).toString() + ".xml"));
    }
    // By maker, then model as people read numbers (120 before 1200).
    QCOMPARE(dlg.list()->topLevelItem(0)->text(1), QStringLiteral("IRB 120-3/0.6"));
    QCOMPARE(dlg.list()->topLevelItem(1)->text(1), QStringLiteral("IRB 1200-5/0.9"));
    QCOMPARE(dlg.list()->topLevelItem(2)->text(1), QStringLiteral("IRB 1600-10/1.45"));
    QTreeWidgetItem *ur3 = rowOf(dlg, QStringLiteral("UR3 (CB3)"));
    QTreeWidgetItem *ur5 = rowOf(dlg, QStringLiteral("UR5 (CB3)"));
    QTreeWidgetItem *ur10 = rowOf(dlg, QStringLiteral("UR10 (CB3)"));
    QVERIFY(ur3 && ur5 && ur10);
    QVERIFY(dlg.list()->indexOfTopLevelItem(ur3) < dlg.list()->indexOfTopLevelItem(ur5));
    QVERIFY(dlg.list()->indexOfTopLevelItem(ur5) < dlg.list()->indexOfTopLevelItem(ur10));
    QTreeWidgetItem *kr6 = rowOf(dlg, QStringLiteral("KR 6 R700 sixx (KR AGILUS)"));
    QTreeWidgetItem *kr16 = rowOf(dlg, QStringLiteral("KR 16-2"));
    QTreeWidgetItem *kr210 = rowOf(dlg, QStringLiteral("KR 210 R2700-2"));
    QVERIFY(dlg.list()->indexOfTopLevelItem(kr6) < dlg.list()->indexOfTopLevelItem(kr16));
    QVERIFY(dlg.list()->indexOfTopLevelItem(kr16) < dlg.list()->indexOfTopLevelItem(kr210));
    // Sorting by payload puts the heaviest last.
    dlg.list()->sortByColumn(3, Qt::AscendingOrder);
    QCOMPARE(dlg.list()->topLevelItem(18)->text(3), QStringLiteral("210 kg"));

    // Every row gets its picture, the current one in the large view too.
    dlg.show();
    QTRY_COMPARE_WITH_TIMEOUT(dlg.picturesPending(), 0, 60000);
    for (int r = 0; r < dlg.list()->topLevelItemCount(); ++r) {
        const QTreeWidgetItem *row = dlg.list()->topLevelItem(r);
        const Paint p = paintOf(row->icon(0).pixmap(56, 56).toImage());
        QVERIFY2(p.cover > 0.05, qPrintable(row->text(1)));
    }
    const QLabel *picture = dlg.findChild<QLabel *>(QStringLiteral("robotPicture"));
    QVERIFY(picture && !picture->pixmap(Qt::ReturnByValue).isNull());
}

void TestRobotLibrary::picturesShowEachRobotInItsMakersColour_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("colour");
    QTest::newRow("KUKA orange") << "KUKA_KR16_2.xml"
                                 << "orange";
    QTest::newRow("FANUC yellow") << "FANUC_M10iA.xml"
                                  << "yellow";
    QTest::newRow("Yaskawa blue") << "YASKAWA_GP7.xml"
                                  << "blue";
    QTest::newRow("ABB white") << "ABB_IRB4600_60_205.xml"
                               << "white";
    QTest::newRow("Staubli white") << "STAUBLI_TX2_60.xml"
                                   << "white";
    QTest::newRow("UR grey") << "UR10.xml"
                             << "white";
}

void TestRobotLibrary::picturesShowEachRobotInItsMakersColour()
{
    QFETCH(QString, file);
    QFETCH(QString, colour);
    // In the pose the library shows, as the file gives it.
    RobotInfo info;
    const QString path = DataDirs::robotDir() + file;
    QCOMPARE(xml::loadInfo(QFile::encodeName(path).constData(), info), 0);
    const QImage image = RobotLibrary::picture(path, info.preview, 128);
    QCOMPARE(image.size(), QSize(128, 128));
    const Paint p = paintOf(image);
    QVERIFY(p.cover > 0.08);
    if (colour == "orange")
        QVERIFY(p.r > 1.6 * p.g && p.g > 1.5 * p.b);
    else if (colour == "yellow")
        QVERIFY(p.r > 2 * p.b && p.g > 1.6 * p.b && p.g > 0.6 * p.r);
    else if (colour == "blue")
        QVERIFY(p.b > 1.6 * p.r);
    else
        QVERIFY(std::max({p.r, p.g, p.b}) < 1.3 * std::min({p.r, p.g, p.b}));
    // Nothing drawable: no picture.
    QVERIFY(RobotLibrary::picture(DataDirs::robotDir() + "nothing.xml", {}, 128).isNull());
}

void TestRobotLibrary::keysChooseARobot()
{
    RobotLibrary dlg(DataDirs::robotDir());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTreeWidget *list = dlg.list();
    list->setFocus();
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTreeWidgetItem *row = list->topLevelItem(2);
    QCOMPARE(list->currentItem(), row);
    const QLabel *details = dlg.findChild<QLabel *>(QStringLiteral("robotDetails"));
    QVERIFY(details->text().contains(row->text(1).toHtmlEscaped()));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.selectedFile(), row->toolTip(1));
    QVERIFY(QFileInfo::exists(dlg.selectedFile()));

    // Escape chooses nothing.
    RobotLibrary again(DataDirs::robotDir());
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QTest::keyClick(again.list(), Qt::Key_Escape);
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QVERIFY(again.selectedFile().isEmpty());
}

void TestRobotLibrary::otherFileOpensThePlainFileDialog()
{
    ScratchInstall inst;
    const QString own = inst.write(QStringLiteral("elsewhere/mine.xml"), "<robot/>");
    RobotLibrary dlg(DataDirs::robotDir());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    bool sawFileDialog = false;
    whenModal([&](QWidget *w) {
        auto *fd = qobject_cast<QFileDialog *>(w);
        sawFileDialog = fd != nullptr;
        if (!fd) {
            w->close();
            return;
        }
        fd->selectFile(own);
        QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
    });
    QTest::mouseClick(dlg.findChild<QPushButton *>(QStringLiteral("otherFileButton")),
                      Qt::LeftButton);
    QTRY_VERIFY(sawFileDialog);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(QFileInfo(dlg.selectedFile()), QFileInfo(own));
}

void TestRobotLibrary::foreignAndEmptyDirectories()
{
    ScratchInstall inst;
    const QString dir = inst.path(QStringLiteral("CAD_Robots/"));
    {
        RobotLibrary empty(dir);
        QCOMPARE(empty.list()->topLevelItemCount(), 0);
        QVERIFY(!empty.findChild<QPushButton *>(QStringLiteral("loadButton"))->isEnabled());
        QVERIFY(empty.findChild<QLabel *>(QStringLiteral("robotDetails"))
                    ->text()
                    .contains(QStringLiteral("No robot descriptions")));
    }
    inst.write(QStringLiteral("CAD_Robots/junk.xml"), QByteArray("\x00\xff<robot", 8));
    inst.write(QStringLiteral("CAD_Robots/station.xml"), "<station><item/></station>");
    inst.write(QStringLiteral("CAD_Robots/notes.txt"), "<robot><robot_dk/></robot>");
    inst.write(QStringLiteral("CAD_Robots/bare.xml"),
               "<robot><robot_dk><j id=\"Base\"/></robot_dk></robot>");
    RobotLibrary dlg(dir);
    QCOMPARE(dlg.list()->topLevelItemCount(), 1);
    QTreeWidgetItem *row = dlg.list()->topLevelItem(0);
    QCOMPARE(row->text(1), QStringLiteral("bare"));
    QCOMPARE(row->text(2), QStringLiteral("\u2014"));
    // A description without meshes or with too few axes draws no picture.
    QTRY_COMPARE(dlg.picturesPending(), 0);
    QVERIFY(row->icon(0).isNull() || paintOf(row->icon(0).pixmap(56, 56).toImage()).cover == 0);
}

void TestRobotLibrary::loadRobotOpensTheLibrary()
{
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString seen;
    whenModal([&](QWidget *modal) {
        auto *dlg = qobject_cast<RobotLibrary *>(modal);
        if (!dlg) {
            modal->close();
            return;
        }
        QTreeWidgetItem *row = rowOf(*dlg, QStringLiteral("UR3 (CB3)"));
        seen = row ? row->text(0) : QStringLiteral("UR3 not listed");
        if (row)
            dlg->list()->setCurrentItem(row);
        QTest::mouseClick(dlg->findChild<QPushButton *>(QStringLiteral("loadButton")),
                          Qt::LeftButton);
    });
    w.findChild<QAction *>(QStringLiteral("actionLoadRobot"))->trigger();
    QCOMPARE(seen, QStringLiteral("Universal Robots"));
    QVERIFY(w.robot());
    QVERIFY(w.robot()->getFilePath().endsWith(QStringLiteral("/UR3.xml")));
    // The published decimals reached the loaded model.
    QCOMPARE(w.robot()->joint(3).getA(), -243.65);
}

QTEST_MAIN(TestRobotLibrary)
#include "tst_robotlibrary.moc"
