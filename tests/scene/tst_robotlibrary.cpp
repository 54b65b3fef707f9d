// The robot library's rows: what it lists, the row it opens on, and the
// reach each shipped robot shows held against the reach of its own model.
#include "app/mainwindow.h"
#include "kinematics/joint.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/robotlibrary.h"
#include "support/refmath.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <functional>

namespace {

// Reach of a model from its link table, apart from the program's own
// kinematics: the largest distance from axis 1 of the wrist point (origin of
// frame 4, where a spherical wrist's axes meet) and of the flange (origin of
// frame 6) over joint values within the limits.
struct ModelReach
{
    double wrist = 0.0;
    double flange = 0.0;
    bool sphericalWrist = false;
};

class Arm
{
public:
    explicit Arm(const Robot &r) : m_robot(r)
    {
        for (int k = 0; k < 6; ++k) {
            const Joint &j = r.getJoints()[std::size_t(k + 1)];
            m_alpha[k] = j.getAlpha();
            m_a[k] = j.getA();
            m_theta[k] = j.getTheta();
            m_d[k] = j.getD();
            m_lo[k] = j.getLiminf();
            m_hi[k] = j.getLimsup();
        }
    }
    bool sphericalWrist() const { return m_a[4] == 0 && m_a[5] == 0 && m_d[4] == 0; }

    // Distance from axis 1 of the origin of frame `upTo` (4 or 6); -1 for
    // joint values the robot's limits refuse.
    double reach(const double *q, int upTo) const
    {
        float six[6], model[6];
        for (int k = 0; k < 6; ++k) {
            six[k] = float(q[k]);
            if (q[k] < m_lo[k] || q[k] > m_hi[k])
                return -1.0;
        }
        if (!m_robot.checkCoupledLimits(six))
            return -1.0;
        Robot::robotToDH(m_robot.getAngleType(), six, model);
        // Frame 1 keeps axis 1 as its z axis: points are taken in it.
        ref::M m = ref::trans(0, 0, 0);
        for (int k = 1; k < upTo; ++k)
            m = ref::mul(m, ref::link(m_alpha[k], m_a[k], m_theta[k] + model[k], m_d[k]));
        return std::hypot(m[3], m[7]);
    }

    // The largest reach over a grid of axes 2, 3 (and 4, 5 for the flange),
    // then climbed in ever smaller steps from the best point of the grid.
    double largest(int upTo) const
    {
        const std::vector<int> axes = upTo == 4 ? std::vector<int>{1, 2}
                                                : std::vector<int>{1, 2, 3, 4};
        double best[6] = {0, 0, 0, 0, 0, 0}, bestReach = -1.0;
        double q[6] = {0, 0, 0, 0, 0, 0};
        const int steps[6] = {0, 40, 40, 8, 12, 0};
        std::function<void(std::size_t)> walk = [&](std::size_t i) {
            if (i == axes.size()) {
                const double r = reach(q, upTo);
                if (r > bestReach) {
                    bestReach = r;
                    std::copy(q, q + 6, best);
                }
                return;
            }
            const int k = axes[i];
            for (int s = 0; s <= steps[k]; ++s) {
                q[k] = m_lo[k] + (m_hi[k] - m_lo[k]) * s / steps[k];
                walk(i + 1);
            }
        };
        walk(0);
        for (double step = 4.0; step > 1e-3;) {
            bool better = false;
            for (int k : axes) {
                for (double sign : {1.0, -1.0}) {
                    std::copy(best, best + 6, q);
                    q[k] += sign * step;
                    const double r = reach(q, upTo);
                    if (r > bestReach) {
                        bestReach = r;
                        std::copy(q, q + 6, best);
                        better = true;
                    }
                }
            }
            if (!better)
                step /= 2.0;
        }
        return bestReach;
    }

private:
    const Robot &m_robot;
    double m_alpha[6], m_a[6], m_theta[6], m_d[6], m_lo[6], m_hi[6];
};

// A description of our own: a base and `axes` axes of an arm with a
// spherical wrist, and its library data.
QByteArray description(int axes, const char *model)
{
    static const char *const links[6] = {
        R"(alpha="0" a="0" theta="0" d="400")",   R"(alpha="-90" a="50" theta="-90" d="0")",
        R"(alpha="0" a="400" theta="0" d="0")",   R"(alpha="-90" a="30" theta="0" d="420")",
        R"(alpha="90" a="0" theta="0" d="0")",    R"(alpha="-90" a="0" theta="180" d="80")"};
    QByteArray text = "<robot>\n  <robot_dk>\n    <joint id=\"Base\" />\n";
    for (int k = 0; k < axes; ++k)
        text += QByteArray("    <joint id=\"Axis") + QByteArray::number(k + 1) +
                "\" limsup=\"170\" liminf=\"-170\" " + links[k] + " />\n";
    text += "  </robot_dk>\n  <robot_geometry>\n  </robot_geometry>\n"
            "  <CAD_base x=\"0\" y=\"0\" z=\"0\" rx=\"0\" ry=\"0\" rz=\"0\" />\n"
            "  <CAD_scale FACTOR=\"1\" />\n"
            "  <CAD_offsets cad_theta1=\"0\" cad_theta2=\"0\" cad_theta3=\"0\" cad_theta4=\"0\" "
            "cad_theta5=\"0\" cad_theta6=\"0\" />\n"
            "  <Angle_Type id=\"0\" />\n  <Robot_Info maker=\"Test\" model=\"";
    return text + model + "\" reach_mm=\"870\" />\n</robot>\n";
}

} // namespace

class TestRobotLibrary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("velkari.*=false")); }
    void reachIsTheModelsOwn_data();
    void reachIsTheModelsOwn();
    void listsWhatLoadsAndOpensOnTheRobotInTheStation();
};

void TestRobotLibrary::reachIsTheModelsOwn_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("listed");
    const QVector<RobotLibrary::Entry> entries = RobotLibrary::scan(DataDirs::robotDir());
    QCOMPARE(entries.size(), QDir(DataDirs::robotDir()).entryList({"*.xml"}, QDir::Files).size());
    for (const RobotLibrary::Entry &e : entries)
        QTest::newRow(qPrintable(e.model)) << e.file << e.reachMm;
}

void TestRobotLibrary::reachIsTheModelsOwn()
{
    // Makers give the reach of the wrist centre or of the flange; every row
    // shows one, within 1 % of that point's reach in the model. An arm whose
    // wrist axes do not meet has no wrist centre, and its maker's figure is
    // only held between its wrist point's and its flange's reach.
    QFETCH(QString, file);
    QFETCH(double, listed);
    QVERIFY2(listed > 0.0, "the row shows no reach");
    Robot robot;
    QCOMPARE(robot.loadData(QFile::encodeName(file).constData()), 0);
    const Arm arm(robot);
    const double wrist = arm.largest(4), flange = arm.largest(6);
    const QString said = QStringLiteral("listed %1 mm, the model's wrist %2 mm, flange %3 mm")
                             .arg(listed)
                             .arg(wrist, 0, 'f', 1)
                             .arg(flange, 0, 'f', 1);
    if (arm.sphericalWrist())
        QVERIFY2(std::fabs(listed / wrist - 1.0) <= 0.01 || std::fabs(listed / flange - 1.0) <= 0.01,
                 qPrintable(said));
    else
        QVERIFY2(listed >= 0.99 * wrist && listed <= 1.01 * flange, qPrintable(said));
}

void TestRobotLibrary::listsWhatLoadsAndOpensOnTheRobotInTheStation()
{
    // Our arm: 400 + sqrt(30² + 420²) + 50 = 871.1 mm to the wrist centre,
    // which the check above must find on it too.
    QTemporaryDir dir;
    auto write = [&](const QString &name, const QByteArray &text) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    };
    write(QStringLiteral("arm.xml"), description(6, "T-1"));
    // A copy cut to five axes, and one whose XML breaks, under the same name.
    write(QStringLiteral("arm-five.xml"), description(5, "T-1"));
    write(QStringLiteral("arm-broken.xml"), description(6, "T-1").left(300));
    const QVector<RobotLibrary::Entry> entries = RobotLibrary::scan(dir.path());
    QCOMPARE(entries.size(), 1);
    QCOMPARE(QFileInfo(entries[0].file).fileName(), QStringLiteral("arm.xml"));
    Robot robot;
    QCOMPARE(robot.loadData(QFile::encodeName(entries[0].file).constData()), 0);
    const Arm arm(robot);
    QVERIFY(arm.sphericalWrist() && std::fabs(arm.largest(4) - (450 + std::hypot(30, 420))) < 0.05);
    // The same file fixed later is listed: a verdict is kept only while the
    // file stays as it was.
    QTest::qWait(1100);
    write(QStringLiteral("arm-five.xml"), description(6, "T-2"));
    QCOMPARE(RobotLibrary::scan(dir.path()).size(), 2);

    // "Load Robot…" opens on the robot in the station, not on the first row.
    MainWindow::setInteractive(false);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (const char *file : {"KUKA_KR16_2.xml", "UR10.xml"}) {
        QCOMPARE(w.loadRobot(DataDirs::robotDir() + QLatin1String(file)), 0);
        QString opened;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<RobotLibrary *>(QApplication::activeModalWidget()));
            auto *dlg = qobject_cast<RobotLibrary *>(QApplication::activeModalWidget());
            opened = dlg->list()->currentItem()->toolTip(1);
            dlg->reject();
        });
        w.findChild<QAction *>(QStringLiteral("actionLoadRobot"))->trigger();
        QCOMPARE(QFileInfo(opened).fileName(), QLatin1String(file));
        QVERIFY(w.robot()->getFilePath().endsWith(QLatin1String(file))); // cancelled: kept
    }
}

QTEST_MAIN(TestRobotLibrary)
#include "tst_robotlibrary.moc"
