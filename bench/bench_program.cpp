// Costs of the program editor's model on one core: one edit and its undo in
// a program of 10,000 lines (the dock then re-analyses), and the analysis of
// a program of 2,000 lines that the dock shows after every edit.
//
//   build/bin/bench_program                                  everything
//   build/bin/bench_program --benchmark_filter=Edit          the edits only
//
// The programs are made here: pen strokes of the kind a user records, 40 mm
// straight lines with a joint move at every corner, on the shipped IRB120
// found beside bin/ as the program finds it.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "program/program.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

QString executableDir()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return QFile::decodeName(self.parent_path().c_str());
}

Robot &robot()
{
    static Robot r;
    static bool loaded = false;
    if (!loaded) {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        DataDirs::setApplicationDirForTesting(executableDir());
        if (r.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()) != 0)
            std::abort();
        loaded = true;
    }
    return r;
}

// Joint values along a square of strokes in front of the robot: axes 1 and 2
// sweep small angles, so straight lines between them are some 40 mm long.
std::vector<sequences::ProgramLine> strokes(int count)
{
    std::vector<sequences::ProgramLine> p;
    p.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const double t = 0.7 * i;
        sequences::ProgramLine &l = p[std::size_t(i)];
        l.code = i % 8 == 0 ? 1.0 : 2.0;
        l.operands = {10.0 * std::sin(t), 20.0 + 5.0 * std::cos(t), 15.0, 0.0, 50.0, 0.0};
        l.speed = l.code == 1.0 ? 50.0 : 200.0;
        l.zone = 5.0;
    }
    return p;
}

void EditRecordUndo(benchmark::State &state)
{
    program::Program prog;
    prog.replace(strokes(10000));
    robot().setJointAngles(std::array<float, 6>{5, 25, 15, 0, 50, 0});
    for (auto _ : state) {
        prog.record(&robot(), program::Kind::LinearMove, 5000);
        prog.undo();
    }
}
BENCHMARK(EditRecordUndo)->Unit(benchmark::kMillisecond);

void EditDeleteUndo(benchmark::State &state)
{
    program::Program prog;
    prog.replace(strokes(10000));
    for (auto _ : state) {
        prog.remove({10, 4000, 9990});
        prog.undo();
    }
}
BENCHMARK(EditDeleteUndo)->Unit(benchmark::kMillisecond);

// The worst drag: rows at both ends to the middle, a whole-program stretch.
void EditMoveUndo(benchmark::State &state)
{
    program::Program prog;
    prog.replace(strokes(10000));
    for (auto _ : state) {
        prog.moveTo({0, 1, 9998, 9999}, 5000);
        prog.undo();
    }
}
BENCHMARK(EditMoveUndo)->Unit(benchmark::kMillisecond);

void EditMoveUpUndo(benchmark::State &state)
{
    program::Program prog;
    prog.replace(strokes(10000));
    for (auto _ : state) {
        prog.moveUp({5000});
        prog.undo();
    }
}
BENCHMARK(EditMoveUpUndo)->Unit(benchmark::kMillisecond);

void AnalyseAfterEdit(benchmark::State &state)
{
    program::Program prog;
    prog.replace(strokes(int(state.range(0))));
    robot().setJointAngles(std::array<float, 6>{5, 25, 15, 0, 50, 0});
    std::size_t positions = 0;
    for (auto _ : state) {
        prog.touchUp(&robot(), int(state.range(0)) / 2);
        prog.analyse(&robot());
        positions = prog.analysis().path.size();
        prog.undo();
    }
    state.counters["positions"] = double(positions);
    state.counters["problems"] = double(prog.problems().size());
}
BENCHMARK(AnalyseAfterEdit)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
