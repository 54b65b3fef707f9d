// Collision checking on the shipped IRB120 with its pen, in the shipped
// stations: a box placed at a known distance ahead of the pen's tip (the pen
// ends in a point on its axis at the TCP), a shipped program through a box
// against the positions where the tip is inside it, the sweep against
// checking every position, and meshes that cannot be checked.
#include "collision/collisionworld.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/objectmesh.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"
#include "tools/stationcell.h"

#include <QtTest>
#include <set>

using collision::CollisionWorld;

namespace {

const QString kStations = QStringLiteral("/../Stations/");
const QString kSimulations = QStringLiteral("/../Simulations/");

// An axis-aligned box as 12 triangles, outward winding not needed.
void addBox(ObjectEntry &e, float x0, float x1, float y0, float y1, float z0, float z1)
{
    const float c[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                           {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    const int faces[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                              {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    for (const auto &f : faces)
        for (int k : f)
            e.vertices.insert(e.vertices.end(), c[k], c[k] + 3);
}

QString app(const QString &rest)
{
    return QCoreApplication::applicationDirPath() + rest;
}

} // namespace

class TestCollision : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    }

    void boxAheadOfTheTip_data()
    {
        QTest::addColumn<double>("gap"); // mm from the tip to the box, along the pen
        QTest::addColumn<double>("safety");
        QTest::addColumn<bool>("colliding");
        QTest::newRow("10 mm away") << 10.0 << 0.0 << false;
        QTest::newRow("a hundredth away") << 0.01 << 0.0 << false;
        QTest::newRow("a hundredth in") << -0.01 << 0.0 << true;
        QTest::newRow("5 mm in") << -5.0 << 0.0 << true;
        QTest::newRow("3 mm, inside a 5 mm safety distance") << 3.0 << 5.0 << true;
        QTest::newRow("6 mm, beyond a 5 mm safety distance") << 6.0 << 5.0 << false;
    }
    void boxAheadOfTheTip()
    {
        QFETCH(double, gap);
        QFETCH(double, safety);
        QFETCH(bool, colliding);
        Robot robot;
        CollisionWorld world;
        std::string notes;
        QCOMPARE(kin::loadStationCell(app(kStations + "IRB120_table.vks"), robot, world, notes),
                 std::string());
        const float q[6] = {10, 20, 20, 30, 50, 40};
        robot.setJointAngles(q);
        // The box's near face is square to the pen, `gap` ahead of its tip.
        Matrix4 tip = robot.tcpScene();
        for (int r = 0; r < 3; ++r)
            tip[std::size_t(4 * r + 3)] += float(gap) * tip[std::size_t(4 * r + 2)];
        ObjectEntry box;
        box.name = QStringLiteral("box");
        addBox(box, -20, 20, -20, 20, 0, 20);
        box.pose = toolbox::transpose(tip);
        const int index = world.objectCount();
        QVERIFY(world.setObject(index, box));
        world.setSafetyDistance(safety);

        const collision::Clearance c = world.clearance(q);
        QCOMPARE(c.closest.part, collision::kTool);
        QCOMPARE(c.closest.object, index);
        QVERIFY2(std::fabs(c.closest.distance - std::max(gap, 0.0)) < 0.01,
                 qPrintable(QString::number(c.closest.distance)));
        collision::State state;
        world.state(q, state);
        QCOMPARE(world.collides(q), colliding);
        QCOMPARE(state.colliding, colliding);
        QCOMPARE(bool(state.objects[std::size_t(index)]), colliding);
        QCOMPARE(state.parts[collision::kTool], colliding);
        QCOMPARE(int(state.pairs.size()), colliding ? 1 : 0);

        // Axis 2 back by 15 degrees lifts the pen well clear.
        const float away[6] = {10, 5, 20, 30, 50, 40};
        QVERIFY(!world.collides(away));
        QCOMPARE(world.stepsIntoCollision(away, q), colliding);
        QVERIFY(!world.stepsIntoCollision(q, away));
        QVERIFY(!world.stepsIntoCollision(q, q));

        // An ignored pair is never reported, nor counted as closest.
        world.setIgnoreMask(index, 1u << collision::kTool);
        world.state(q, state);
        QVERIFY(!world.collides(q) && !state.colliding && state.pairs.empty());
        QVERIFY(world.clearance(q).closest.object != index);
    }

    void programThroughABox()
    {
        // The shipped drawing in its station; a box whose top lies a few mm
        // above the lowest tip positions covers the whole drawing.
        Robot robot;
        CollisionWorld world;
        std::string notes;
        QCOMPARE(kin::loadStationCell(app(kSimulations + "drawing.sim.vks"), robot, world, notes),
                 std::string());
        const auto parsed = sequences::parseText(
            sequences::readSequenceFile(app(kSimulations + "drawing.sim")).text);
        std::vector<sequences::ProgramLine> program(parsed.nodes.size());
        for (std::size_t i = 0; i < program.size(); ++i) {
            program[i].code = double(parsed.nodes[i].values[0]);
            for (std::size_t k = 0; k < 6; ++k)
                program[i].operands[k] = double(parsed.nodes[i].values[k + 1]);
        }
        sequences::PathAnalyser analyser(robot);
        const auto plain = analyser.analyse(program);
        std::vector<std::array<float, 3>> tips;
        std::vector<std::size_t> at; // path index of each tip
        analyser.tcpPoses(plain, robot.getPlacement(), [&tips](const float *m) {
            tips.push_back({m[3], m[7], m[11]});
        });
        for (std::size_t k = 0; k < plain.path.size(); ++k)
            if (plain.path[k].type == 1.0f)
                at.push_back(k);
        QCOMPARE(tips.size(), at.size());
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (const auto &t : tips)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], t[std::size_t(a)]);
                hi[a] = std::max(hi[a], t[std::size_t(a)]);
            }
        float top = lo[2] + 5.0f;
        const auto nearTop = [&] {
            return std::any_of(tips.begin(), tips.end(),
                               [&](const auto &t) { return std::fabs(t[2] - top) < 0.3f; });
        };
        while (nearTop())
            top += 0.7f;
        const float bottom = lo[2] - 30.0f;
        ObjectEntry box;
        box.name = QStringLiteral("box");
        addBox(box, lo[0] - 30, hi[0] + 30, lo[1] - 30, hi[1] + 30, bottom, top);
        const int index = world.objectCount();
        QVERIFY(world.setObject(index, box));

        std::set<std::size_t> expected;
        for (std::size_t i = 0; i < tips.size(); ++i)
            if (tips[i][2] < top)
                expected.insert(at[i]);
        QVERIFY(!expected.empty() && expected.size() < tips.size());

        analyser.setCollisionWorld(&world);
        const auto checked = analyser.analyse(program);
        QCOMPARE(checked.path.size(), plain.path.size());
        std::set<std::size_t> found;
        for (const auto &c : checked.collisions) {
            QVERIFY(c.part == collision::kTool && c.object == index && c.objectName == "box");
            found.insert(c.index);
        }
        QCOMPARE(found, expected);
        for (std::size_t k = 0; k < checked.path.size(); ++k)
            QCOMPARE(int(checked.path[k].problem) / 1000000 % 10,
                     int(expected.count(k) + 0));
        const auto problems = sequences::PathAnalyser::problems(checked);
        QVERIFY(std::any_of(problems.begin(), problems.end(), [](const auto &p) {
            return p.detail == QLatin1String("tool collides with box");
        }));

        // The sweep's boolean tests, and with a safety distance its skipped
        // queries, change nothing: every position on its own says the same.
        // Within 3 mm of the top, a tip above the box is too close.
        for (const double safety : {0.0, 3.0}) {
            world.setSafetyDistance(safety);
            collision::PathSweep sweep(world);
            std::set<std::size_t> swept;
            for (std::size_t k : at) {
                const float *q = plain.path[k].joints.data();
                const bool hit = sweep.next(q);
                QCOMPARE(hit, world.collides(q));
                if (hit)
                    swept.insert(k);
            }
            QCOMPARE(sweep.skipped() > 0, safety > 0.0);
            for (std::size_t i = 0; i < tips.size(); ++i)
                if (tips[i][2] < top + float(safety))
                    QVERIFY(swept.count(at[i]));
            QCOMPARE(swept == found, safety == 0.0);
        }
    }

    void meshesThatCannotBeChecked_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<int>("triangles");
        QTest::newRow("no triangle") << 0 << false << 0;
        QTest::newRow("only triangles without area") << 1 << false << 0;
        QTest::newRow("corners that are no numbers beside a box") << 2 << true << 12;
        QTest::newRow("a million triangles") << 3 << true << 1000000;
    }
    void meshesThatCannotBeChecked()
    {
        QFETCH(int, kind);
        QFETCH(bool, usable);
        QFETCH(int, triangles);
        ObjectEntry e;
        e.name = QStringLiteral("odd");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        if (kind == 1)
            e.vertices = {0, 0, 0, 1, 1, 1, 2, 2, 2, 5, 5, 5, 5, 5, 5, 6, 6, 6};
        if (kind == 2) {
            e.vertices = {nan, 0, 0, 1, 0, 0, 0, 1, 0};
            addBox(e, 0, 1, 0, 1, 0, 1);
        }
        if (kind == 3) {
            // A 500 x 1000 grid of squares, two triangles each.
            e.vertices.reserve(9000000);
            for (int i = 0; i < 500; ++i)
                for (int j = 0; j < 1000; ++j) {
                    const float x = float(i), y = float(j);
                    const float t[18] = {x, y, 0, x + 1, y, 0, x + 1, y + 1, 0,
                                         x, y, 0, x + 1, y + 1, 0, x, y + 1, 0};
                    e.vertices.insert(e.vertices.end(), t, t + 18);
                }
        }
        CollisionWorld world;
        std::vector<std::size_t> progress;
        world.setProgress([&](std::size_t done, std::size_t) { progress.push_back(done); });
        QString why;
        QCOMPARE(world.setObject(0, e, &why), usable);
        QCOMPARE(int(world.objectTriangles(0)), triangles);
        QCOMPARE(world.objectCount(), 1);
        QCOMPARE(why.isEmpty(), usable);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QVERIFY(progress.empty() || progress.back() == std::size_t(triangles));
    }
};

QTEST_GUILESS_MAIN(TestCollision)
#include "tst_collision.moc"
