// Costs of the kinematics on one core: forward kinematics, a full inverse
// solve (every configuration and +-360 variant) for a spherical and a
// non-spherical wrist, one Cartesian jog step, and velkari-kin answering a
// large batch through a pipe.
//
//   build/bin/bench_kinematics                      everything
//   build/bin/bench_kinematics --benchmark_filter=Ik  the solves only
//
// The robots are the shipped descriptions beside bin/, found from the
// location of this executable as the program finds them; Google Benchmark's
// own main runs the benchmarks, so there is no QCoreApplication to ask.
#include "kinematics/matrixtoolbox.h"
#include "kinematics/robot.h"
#include "models/datadirs.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>

// Every heap allocation in the process is counted, so the solve benchmarks
// can show that a reserved result list keeps the solver allocation-free.
namespace {
std::atomic<long> g_allocations{0};
}

void *operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr std::size_t kResultCapacity = 256;
constexpr int kBatchLines = 100000;

// A reachable pose away from every singularity, inside the IRB120's limits.
constexpr float kPose[6] = {10.0f, -20.0f, 30.0f, 40.0f, 50.0f, 60.0f};

QString executableDir()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return QFile::decodeName(self.parent_path().c_str());
}

void setUpOnce()
{
    static const bool done = [] {
        // Loading a robot reports every step at debug level.
        QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
        DataDirs::setApplicationDirForTesting(executableDir());
        return true;
    }();
    (void)done;
}

// Loaded once per description and kept for the whole run.
Robot *loaded(const QString &path)
{
    static std::map<QString, std::unique_ptr<Robot>> robots;
    auto it = robots.find(path);
    if (it == robots.end()) {
        auto robot = std::make_unique<Robot>();
        if (robot->loadData(QFile::encodeName(path).constData()) != 0)
            robot.reset();
        it = robots.emplace(path, std::move(robot)).first;
    }
    return it->second.get();
}

Robot *robotNamed(const char *file)
{
    setUpOnce();
    return loaded(DataDirs::robotDir() + QString::fromLatin1(file));
}

Robot *defaultRobot()
{
    setUpOnce();
    return loaded(DataDirs::defaultRobot());
}

void ForwardKinematics(benchmark::State &state)
{
    Robot *robot = defaultRobot();
    if (!robot) {
        state.SkipWithError("the default robot cannot be read");
        return;
    }
    robot->setJointAngles(kPose);
    for (auto _ : state) {
        Matrix4 m = robot->fk(6);
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(ForwardKinematics);

void solve(benchmark::State &state, const char *file)
{
    Robot *robot = robotNamed(file);
    if (!robot) {
        state.SkipWithError("the robot cannot be read");
        return;
    }
    robot->setJointAngles(kPose);
    const Matrix4 target = robot->fk(6);
    std::vector<IkConfiguration> results;
    results.reserve(kResultCapacity);
    if (robot->doInverseKinematics(target, results) < 0) {
        state.SkipWithError("the pose is not reachable");
        return;
    }
    const long before = g_allocations.load();
    for (auto _ : state) {
        int chosen = robot->doInverseKinematics(target, results);
        benchmark::DoNotOptimize(chosen);
        benchmark::DoNotOptimize(results.data());
        benchmark::ClobberMemory();
    }
    const long allocations = g_allocations.load() - before;
    state.counters["configurations"] = double(results.size());
    state.counters["allocs/solve"] = double(allocations) / double(state.iterations());
}

void IkIrb120(benchmark::State &state)
{
    solve(state, "ABB_IRB120.xml");
}
BENCHMARK(IkIrb120);

void IkUr5(benchmark::State &state)
{
    solve(state, "UR5.xml");
}
BENCHMARK(IkUr5);

void JogWorldMillimetre(benchmark::State &state)
{
    Robot *robot = defaultRobot();
    if (!robot) {
        state.SkipWithError("the default robot cannot be read");
        return;
    }
    robot->setJointAngles(kPose);
    const Matrix4 step = toolbox::placementMatrix({1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    std::vector<IkConfiguration> results;
    results.reserve(kResultCapacity);
    const long before = g_allocations.load();
    int chosen = -1;
    for (auto _ : state) {
        Matrix4 next = robot->jogFromCurrent(step, results, &chosen, 2);
        benchmark::DoNotOptimize(next);
        benchmark::DoNotOptimize(chosen);
    }
    if (chosen < 0)
        state.SkipWithError("the jog found no configuration");
    state.counters["allocs/jog"] =
        double(g_allocations.load() - before) / double(state.iterations());
}
BENCHMARK(JogWorldMillimetre);

std::string quoted(const QString &path)
{
    std::string q = "'";
    for (char c : QFile::encodeName(path).toStdString()) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// velkari-kin reading `kBatchLines` lines of `command` questions from a file
// and writing the answers into a pipe that is thrown away.
void batch(benchmark::State &state, bool inverse)
{
    setUpOnce();
    Robot *robot = defaultRobot();
    const QString program = executableDir() + QStringLiteral("/velkari-kin");
    QTemporaryDir dir;
    if (!robot || !dir.isValid() || !QFile::exists(program)) {
        state.SkipWithError("velkari-kin, the default robot or a scratch directory is missing");
        return;
    }
    // Reachable questions: the TCP of random joint values inside the limits.
    std::mt19937 gen(42u);
    std::uniform_real_distribution<float> share(-0.8f, 0.8f);
    const std::vector<int> limits = robot->getLimits();
    const QString input = dir.filePath(QStringLiteral("questions.txt"));
    std::FILE *f = std::fopen(QFile::encodeName(input).constData(), "w");
    if (!f) {
        state.SkipWithError("cannot write the questions");
        return;
    }
    for (int i = 0; i < kBatchLines; ++i) {
        float q[6];
        for (int k = 0; k < 6; ++k) {
            const float lo = float(limits[std::size_t(2 * k)]);
            const float hi = float(limits[std::size_t(2 * k + 1)]);
            q[k] = 0.5f * (lo + hi) + 0.5f * (hi - lo) * share(gen);
        }
        if (inverse) {
            robot->setJointAngles(q);
            const Matrix4 m = robot->tcpWorld();
            std::fputs("ik", f);
            for (float v : m)
                std::fprintf(f, " %.6f", double(v));
        } else {
            std::fputs("fk", f);
            for (float v : q)
                std::fprintf(f, " %.6f", double(v));
        }
        std::fputc('\n', f);
    }
    std::fclose(f);
    robot->setJointAngles(kPose);

    const QString output = dir.filePath(QStringLiteral("answers.txt"));
    const std::string command = quoted(program) + " " + quoted(DataDirs::defaultRobot()) + " < " +
                                quoted(input) + " > " + quoted(output);
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (status != 0) {
            state.SkipWithError("velkari-kin failed");
            return;
        }
        state.SetIterationTime(elapsed.count());
        seconds += elapsed.count();
    }
    // A run that answered nothing would look very fast: count the answers.
    long answers = 0;
    if (std::FILE *in = std::fopen(QFile::encodeName(output).constData(), "r")) {
        for (int c = std::getc(in); c != EOF; c = std::getc(in))
            answers += c == '\n' ? 1 : 0;
        std::fclose(in);
    }
    // fk answers one line per question; ik a head line and one per configuration.
    if (inverse ? answers < 2L * kBatchLines : answers != kBatchLines) {
        state.SkipWithError("velkari-kin did not answer every question");
        return;
    }
    state.counters["lines/s"] = double(kBatchLines) * double(state.iterations()) / seconds;
    state.counters["answer lines"] = double(answers);
}

void BatchIk(benchmark::State &state)
{
    batch(state, true);
}
BENCHMARK(BatchIk)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BatchFk(benchmark::State &state)
{
    batch(state, false);
}
BENCHMARK(BatchFk)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
