// Costs of collision checking on one core:
//  - Sweep/<station>: every position of a program checked in its shipped
//    station (the station's companion program, or joint moves over the
//    robot's range for a station without one); positions/s; *_safety5 the
//    same with a safety distance of 5 mm;
//  - JogStep: one jog step's queries as the window makes them (the parts in
//    collision and the smallest clearance with its two names);
//  - LargeStation: a 2,000-position program against 50 objects of 10,000
//    triangles each (500,000 in all), the hierarchies built beforehand;
//  - BuildLargeStation: building those 50 hierarchies.
//
//   build/bin/bench_collision
//   build/bin/bench_collision --benchmark_filter=Sweep
#include "collision/collisionworld.h"
#include "kinematics/robot.h"
#include "scene/objectmesh.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"
#include "tools/stationcell.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <benchmark/benchmark.h>
#include <cmath>
#include <filesystem>
#include <memory>

namespace {

QString dataDir()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return QFile::decodeName(self.parent_path().c_str()) + QStringLiteral("/../");
}

std::vector<sequences::ProgramLine> readProgram(const QString &file)
{
    const auto parsed = sequences::parseText(sequences::readSequenceFile(file).text);
    std::vector<sequences::ProgramLine> program(parsed.nodes.size());
    for (std::size_t i = 0; i < program.size(); ++i) {
        program[i].code = double(parsed.nodes[i].values[0]);
        for (std::size_t k = 0; k < 6; ++k)
            program[i].operands[k] = double(parsed.nodes[i].values[k + 1]);
    }
    return program;
}

// Joint moves to `targets` fractions of each axis's range, back and forth.
std::vector<sequences::ProgramLine> rangeProgram(const Robot &robot, int targets)
{
    std::vector<sequences::ProgramLine> program;
    const std::vector<int> limits = robot.getLimits();
    for (int t = 0; t < targets; ++t) {
        sequences::ProgramLine l;
        l.code = 1.0;
        for (std::size_t k = 0; k < 6; ++k) {
            const double lo = limits[2 * k], hi = limits[2 * k + 1];
            const double f = 0.5 + 0.35 * std::sin(1.7 * t + double(k));
            l.operands[k] = lo + f * (hi - lo);
        }
        program.push_back(l);
    }
    return program;
}

struct Cell
{
    Robot robot;
    collision::CollisionWorld world;
    sequences::PathAnalyser::Result path;
    bool ok = false;
};

std::unique_ptr<Cell> cell(const QString &station, const QString &program)
{
    auto c = std::make_unique<Cell>();
    std::string notes;
    if (!kin::loadStationCell(dataDir() + station, c->robot, c->world, notes).empty())
        return c;
    if (program.isEmpty()) {
        c->path = sequences::PathAnalyser(c->robot).analyse(rangeProgram(c->robot, 200));
    } else {
        const auto parsed =
            sequences::parseText(sequences::readSequenceFile(dataDir() + program).text);
        if (parsed.program) {
            c->path = sequences::PathAnalyser(c->robot).analyse(readProgram(dataDir() + program));
        } else {
            // A position list plays as it stands.
            for (const auto &n : parsed.nodes) {
                sequences::PathPosition p;
                std::copy(n.values.begin(), n.values.begin() + 6, p.joints.begin());
                c->path.path.push_back(p);
            }
        }
    }
    c->ok = !c->path.path.empty();
    return c;
}

void sweep(benchmark::State &state, const char *station, const char *program, double safety = 0.0)
{
    static std::map<std::string, std::unique_ptr<Cell>> cells;
    auto &c = cells[station];
    if (!c)
        c = cell(QString::fromLatin1(station), QString::fromLatin1(program));
    if (!c->ok) {
        state.SkipWithError("station or program cannot be read");
        return;
    }
    c->world.setSafetyDistance(safety);
    std::size_t collisions = 0;
    for (auto _ : state) {
        sequences::PathAnalyser::Result r = c->path;
        sequences::PathAnalyser::markCollisions(r, c->world);
        collisions = r.collisions.size();
        benchmark::DoNotOptimize(r.path.data());
    }
    collision::PathSweep counted(c->world);
    std::size_t exact = 0;
    for (const auto &p : c->path.path)
        if (p.type == 1.0f)
            counted.next(p.joints.data());
    exact = counted.queries();
    c->world.setSafetyDistance(0.0);
    state.counters["partQueries/position"] = double(exact) / double(c->path.path.size());
    state.counters["positions"] = double(c->path.path.size());
    state.counters["collisions"] = double(collisions);
    state.counters["positions/s"] = benchmark::Counter(
        double(c->path.path.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(sweep, drawing, "Simulations/drawing.sim.vks", "Simulations/drawing.sim");
BENCHMARK_CAPTURE(sweep, joints, "Simulations/joints.sim.vks", "Simulations/joints.sim");
BENCHMARK_CAPTURE(sweep, singularity, "Simulations/singularity.sim.vks",
                  "Simulations/singularity.sim");
BENCHMARK_CAPTURE(sweep, IRB120_table, "Stations/IRB120_table.vks", "");
BENCHMARK_CAPTURE(sweep, LRMate_cell, "Stations/LRMate_cell.vks", "");
// With a safety distance every query is a distance: the clearances found let
// the positions after them pass unchecked.
BENCHMARK_CAPTURE(sweep, drawing_safety5, "Simulations/drawing.sim.vks",
                  "Simulations/drawing.sim", 5.0);
BENCHMARK_CAPTURE(sweep, IRB120_table_safety5, "Stations/IRB120_table.vks", "", 5.0);

void BM_JogStep(benchmark::State &state)
{
    static std::unique_ptr<Cell> c = cell(QStringLiteral("Stations/IRB120_table.vks"), {});
    if (!c->ok) {
        state.SkipWithError("station cannot be read");
        return;
    }
    float q[6] = {0, 20, 20, 0, 50, 0};
    collision::State s;
    int step = 0;
    for (auto _ : state) {
        q[0] = float(step % 200) * 0.5f - 50.0f; // 0.5 degree jog steps on axis 1
        q[2] = 20.0f + float(step % 40) * 0.5f;
        ++step;
        c->world.state(q, s);
        const collision::Clearance clear = c->world.clearance(q);
        benchmark::DoNotOptimize(clear.closest.distance);
    }
}
BENCHMARK(BM_JogStep)->Unit(benchmark::kMicrosecond);

// A patch of a sphere (radius 60 mm) of 2 x rows x rows triangles.
void spherePatch(ObjectEntry &e, int rows)
{
    const auto at = [](int i, int j, int n, float *p) {
        const double th = M_PI * (i + 0.5) / (n + 1), ph = 2 * M_PI * j / n;
        p[0] = float(60 * std::sin(th) * std::cos(ph));
        p[1] = float(60 * std::sin(th) * std::sin(ph));
        p[2] = float(60 * std::cos(th));
    };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < rows; ++j) {
            float a[3], b[3], c[3], d[3];
            at(i, j, rows, a), at(i + 1, j, rows, b), at(i + 1, j + 1, rows, c),
                at(i, j + 1, rows, d);
            for (const float *p : {a, b, c, a, c, d})
                e.vertices.insert(e.vertices.end(), p, p + 3);
        }
}

// Fifty objects on three rings around the IRB120 of the table station, at
// the heights its arm sweeps through.
void fillLarge(collision::CollisionWorld &world, const Matrix4 &placement)
{
    for (int i = 0; i < 50; ++i) {
        ObjectEntry e;
        e.name = QStringLiteral("ball %1").arg(i);
        spherePatch(e, 71); // 10,082 triangles
        const double angle = 2 * M_PI * i / 50, radius = 450 + 150 * (i % 3);
        e.pose = toolbox::identity();
        e.pose[12] = placement[3] + float(radius * std::cos(angle));
        e.pose[13] = placement[7] + float(radius * std::sin(angle));
        e.pose[14] = placement[11] + float(200 + 150 * (i % 4));
        world.setObject(world.objectCount(), e);
    }
}

void BM_LargeStation(benchmark::State &state)
{
    static std::unique_ptr<Cell> c;
    if (!c) {
        c = std::make_unique<Cell>();
        std::string notes;
        kin::loadStationCell(dataDir() + "Stations/IRB120_table.vks", c->robot, c->world, notes);
        c->world.clearObjects();
        fillLarge(c->world, c->robot.getPlacement());
        // Joint moves of at most 3 degrees a step: 2,000 positions.
        std::vector<sequences::ProgramLine> program;
        for (int t = 0; t < 20; ++t) {
            sequences::ProgramLine l;
            l.code = 1.0;
            l.operands = {-160.0 + 320.0 * (t % 2), 10.0 * (t % 3), 10.0 * (t % 4), 0, 45, 0};
            program.push_back(l);
        }
        c->path = sequences::PathAnalyser(c->robot).analyse(program);
        c->path.path.resize(std::min<std::size_t>(c->path.path.size(), 2000));
        c->ok = c->path.path.size() == 2000;
    }
    if (!c->ok) {
        state.SkipWithError("the program makes fewer than 2,000 positions");
        return;
    }
    std::size_t collisions = 0;
    for (auto _ : state) {
        sequences::PathAnalyser::Result r = c->path;
        sequences::PathAnalyser::markCollisions(r, c->world);
        collisions = r.collisions.size();
    }
    state.counters["collisions"] = double(collisions);
    state.counters["triangles"] = double(c->world.objectTriangles(0) * 50);
}
BENCHMARK(BM_LargeStation)->Unit(benchmark::kMillisecond);

void BM_BuildLargeStation(benchmark::State &state)
{
    for (auto _ : state) {
        collision::CollisionWorld world;
        fillLarge(world, toolbox::identity());
        benchmark::DoNotOptimize(world.objectCount());
    }
}
BENCHMARK(BM_BuildLargeStation)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
