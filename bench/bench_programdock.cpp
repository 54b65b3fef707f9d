// The Program dock after an edit in a program of 2,000 lines: the edit, the
// analysis, the player's new path with its trace, the plots' curves and
// marks, and the table's visible rows repainted, all before the next event.
// Target: under 100 ms. Needs a display:
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bin/bench_programdock
//
// The program is made here: strokes of the kind a user records, a joint
// move at every eighth line, on the default robot found beside bin/.
#include "app/mainwindow.h"
#include "models/datadirs.h"
#include "plots/plotsview.h"
#include "ui/programdock.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <qcustomplot.h>

namespace {

std::vector<sequences::ProgramLine> strokes(int count)
{
    std::vector<sequences::ProgramLine> p(std::size_t(count), sequences::ProgramLine{});
    for (int i = 0; i < count; ++i) {
        const double t = 0.7 * i;
        sequences::ProgramLine &l = p[std::size_t(i)];
        l.code = i % 8 == 0 ? 1.0 : 2.0;
        l.operands = {10.0 * std::sin(t), 20.0 + 5.0 * std::cos(t), 15.0, 0.0, 50.0, 0.0};
    }
    return p;
}

void DockAfterEdit(benchmark::State &state)
{
    QTemporaryDir cwd; // no default station: the default robot
    QDir::setCurrent(cwd.path());
    MainWindow::setInteractive(false);
    MainWindow w;
    w.resize(1280, 800);
    w.show();
    w.startWith(QStringLiteral("setup.vks"));
    w.action(QStringLiteral("actionPlotsView"))->trigger();
    w.action(QStringLiteral("actionProgramView"))->trigger();
    ProgramDock *dock = w.programView();
    dock->program()->replace(strokes(2000));
    dock->analyseNow();
    QCoreApplication::processEvents();
    int k = 0;
    for (auto _ : state) {
        // A typed joint value in the middle of the program, alternating.
        dock->program()->setCell(w.robot(), 1000, program::Field::Joint4,
                                 (k++ % 2) ? QStringLiteral("0") : QStringLiteral("1"), 0);
        dock->analyseNow();
        dock->table()->viewport()->repaint();
        w.plotsView()->plot()->replot(QCustomPlot::rpImmediateRefresh);
    }
}
BENCHMARK(DockAfterEdit)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("velkari.*.debug=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
