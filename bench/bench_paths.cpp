// Costs of the sequences on one core: the path analysis of a program that
// makes 100,000 positions of straight and circular pen strokes (the shipped
// drawing, its strokes repeated), the same with the TCP trace computed, the
// reading of a 100,000-line position list, and the player's own work per
// node (the panel and the view that receive the nodes not included).
//
//   build/bin/bench_paths                                everything
//   build/bin/bench_paths --benchmark_filter=Analyse     the analysis only
//
// The robot and the drawing are the shipped files beside bin/, found from the
// location of this executable as the program finds them.
#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "sequences/pathanalysis.h"
#include "sequences/paths.h"
#include "sequences/sequenceparser.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr std::size_t kPositions = 100000;

QString executableDir()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return QFile::decodeName(self.parent_path().c_str());
}

struct Fixture
{
    Robot robot;
    std::vector<sequences::ProgramLine> program;
    std::size_t positions = 0;
    bool ok = false;
};

sequences::ProgramLine lineOf(const sequences::Node &n)
{
    sequences::ProgramLine l;
    l.code = n.values[0];
    for (std::size_t k = 0; k < 6; ++k)
        l.operands[k] = n.values[k + 1];
    return l;
}

// The drawing's strokes, after its tool change and first joint move, drawn
// over and over until the path holds at least kPositions positions.
Fixture &fixture()
{
    static Fixture *f = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        DataDirs::setApplicationDirForTesting(executableDir());
        auto *fx = new Fixture;
        if (fx->robot.loadData(QFile::encodeName(DataDirs::defaultRobot()).constData()) != 0)
            return fx;
        const auto file =
            sequences::readSequenceFile(DataDirs::simulationDir() + QStringLiteral("drawing.sim"));
        const auto text = sequences::parseText(file.text);
        if (!text.program || text.nodes.size() < 4)
            return fx;
        // Tool change and the joint move above the first corner.
        fx->program.push_back(lineOf(text.nodes[0]));
        fx->program.push_back(lineOf(text.nodes[1]));
        std::vector<sequences::ProgramLine> strokes;
        for (std::size_t i = 2; i + 1 < text.nodes.size(); ++i)
            strokes.push_back(lineOf(text.nodes[i]));
        // Back above the first corner before the next round.
        strokes.push_back(lineOf(text.nodes[1]));
        strokes.back().code = 2;
        sequences::PathAnalyser a(fx->robot);
        for (;;) {
            fx->program.insert(fx->program.end(), strokes.begin(), strokes.end());
            const auto r = a.analyse(fx->program);
            if (!sequences::PathAnalyser::problems(r).empty())
                return fx;
            if (r.path.size() >= kPositions) {
                fx->positions = r.path.size();
                break;
            }
        }
        fx->ok = true;
        return fx;
    }();
    return *f;
}

void BM_AnalyseProgram(benchmark::State &state)
{
    Fixture &f = fixture();
    if (!f.ok) {
        state.SkipWithError("the robot or the drawing could not be read, or it has problems");
        return;
    }
    sequences::PathAnalyser analyser(f.robot);
    std::size_t positions = 0;
    for (auto _ : state) {
        const auto r = analyser.analyse(f.program);
        positions = r.path.size();
        benchmark::DoNotOptimize(r.path.data());
    }
    state.counters["positions"] = double(positions);
    state.counters["positions/s"] = benchmark::Counter(
        double(positions) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnalyseProgram)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The analysis as a load does it: the path, its problems and every TCP pose
// in scene coordinates for the trace.
void BM_AnalyseProgramWithTrace(benchmark::State &state)
{
    Fixture &f = fixture();
    if (!f.ok) {
        state.SkipWithError("the robot or the drawing could not be read, or it has problems");
        return;
    }
    sequences::PathAnalyser analyser(f.robot);
    const Matrix4 placement = f.robot.getPlacement();
    std::size_t positions = 0;
    for (auto _ : state) {
        const auto r = analyser.analyse(f.program);
        const auto problems = sequences::PathAnalyser::problems(r);
        float sum = 0.0f;
        analyser.tcpPoses(r, placement, [&sum](const float *m) { sum += m[3]; });
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(problems.data());
        positions = r.path.size();
    }
    state.counters["positions"] = double(positions);
    state.counters["positions/s"] = benchmark::Counter(
        double(positions) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnalyseProgramWithTrace)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Reading a position list of 100,000 lines as the clipboard or a file gives it.
void BM_ReadPositionList(benchmark::State &state)
{
    QString text;
    text.reserve(int(kPositions) * 64);
    for (std::size_t k = 0; k < kPositions; ++k)
        text += QStringLiteral("%1\t%2\t12.500000\t-40.250000\t55.125000\t%3\t\n")
                    .arg(double(k % 300) * 0.5, 0, 'f', 6)
                    .arg(-double(k % 170) * 0.25, 0, 'f', 6)
                    .arg(double(k % 720) - 360.0, 0, 'f', 6);
    std::size_t nodes = 0;
    for (auto _ : state) {
        const auto parsed = sequences::parseText(text);
        nodes = parsed.nodes.size();
        benchmark::DoNotOptimize(parsed.nodes.data());
    }
    state.counters["lines/s"] =
        benchmark::Counter(double(nodes) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadPositionList)->Unit(benchmark::kMillisecond);

// What one tick of the player costs the player itself: walk to the next
// node and emit it (nobody listens here).
void BM_PlayerStep(benchmark::State &state)
{
    Fixture &f = fixture();
    if (!f.ok) {
        state.SkipWithError("the robot could not be read");
        return;
    }
    Paths paths;
    Robot *robot = &f.robot;
    paths.setRobotProvider([robot]() { return robot; });
    std::vector<Paths::nodeJOINTS> nodes(kPositions);
    for (std::size_t k = 0; k < nodes.size(); ++k)
        nodes[k].values = {float(k % 300) * 0.5f, 10, 20, 0, 45, 0, 0};
    paths.Load_Sequence_Nodes(nodes);
    paths.Sequence_Stop();
    for (auto _ : state) {
        if (paths.currentIndex() == paths.count() - 1)
            paths.SetSimulationToPosition(0);
        else
            paths.Sequence_Step_Forward();
    }
    state.counters["nodes/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayerStep);

} // namespace

int main(int argc, char **argv)
{
    // The player's timer needs an application object; no window is opened.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
