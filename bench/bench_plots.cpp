// Redrawing the plots dock for a path of 2,000,000 positions: the envelope
// of every curve (six joints, axis 3's coupled limits, the TCP's mm and
// degrees per step) rebuilt for the visible range and the whole plot
// painted by QCustomPlot's raster painter, as on a zoom or a resize; and
// the cursor alone, as on every step of the player. Target: a full redraw
// under 200 ms. Needs a display:
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bin/bench_plots
#include "plots/plotdata.h"
#include "plots/plotsview.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cmath>
#include <qcustomplot.h>

namespace {

constexpr int kPositions = 2000000;

plots::PlotData longPath()
{
    plots::PlotData d;
    const std::size_t n = kPositions;
    d.types.assign(n, 1.0f);
    d.pathIds.resize(n);
    d.problems.assign(n, 0);
    for (auto &j : d.joints)
        j.resize(n);
    for (auto &t : d.tcp)
        t.resize(n);
    d.stepMm.resize(n);
    d.stepDeg.resize(n);
    quint32 seed = 1;
    for (std::size_t k = 0; k < n; ++k) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = float(seed >> 8) / float(1 << 24) - 0.5f;
        const float t = float(k) * 1e-5f;
        for (std::size_t a = 0; a < 6; ++a)
            d.joints[a][k] = 60.0f * std::sin(t * float(a + 1)) + 4.0f * noise;
        d.pathIds[k] = int(k / 50);
        d.stepMm[k] = 2.0f + noise;
        d.stepDeg[k] = 1.0f + noise;
        if (k % 20000 == 7) {
            d.problems[k] = 1000;
            d.marks.push_back({int(k) + 1, 1000});
        }
    }
    d.lower = {-165, -110, -110, -160, -120, -400};
    d.upper = {165, 110, 70, 160, 120, 400};
    d.coupling = -1;
    return d;
}

plots::PlotsView *view()
{
    static plots::PlotsView *v = [] {
        auto *p = new plots::PlotsView;
        p->resize(1280, 520);
        p->show();
        p->setData(longPath());
        p->setCursorPosition(1);
        p->plot()->replot(QCustomPlot::rpImmediateRefresh);
        QApplication::processEvents();
        return p;
    }();
    return v;
}

// A different range every time, so nothing drawn before can be reused.
void redraw(benchmark::State &state, double fraction)
{
    plots::PlotsView *v = view();
    QCPAxis *x = v->jointRect(0)->axis(QCPAxis::atBottom);
    int k = 0;
    for (auto _ : state) {
        const double width = fraction * kPositions;
        const double from = 0.5 + (k++ % 2) * (kPositions - width) * 0.5;
        x->setRange(from, from + width);
        v->plot()->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.counters["positions"] = double(kPositions) * fraction;
}

void BM_RedrawWholePath(benchmark::State &state)
{
    redraw(state, 0.999);
}
BENCHMARK(BM_RedrawWholePath)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_RedrawTenthOfPath(benchmark::State &state)
{
    redraw(state, 0.1);
}
BENCHMARK(BM_RedrawTenthOfPath)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The envelopes alone, without painting.
void BM_EnvelopesOnly(benchmark::State &state)
{
    plots::PlotsView *v = view();
    for (auto _ : state)
        v->refreshCurves();
}
BENCHMARK(BM_EnvelopesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// One step of the player: the cursor's own layer.
void BM_CursorStep(benchmark::State &state)
{
    plots::PlotsView *v = view();
    v->jointRect(0)->axis(QCPAxis::atBottom)->setRange(0.5, kPositions + 0.5);
    v->plot()->replot(QCustomPlot::rpImmediateRefresh);
    int p = 1;
    for (auto _ : state) {
        p = p % kPositions + 997;
        v->setCursorPosition(p);
        v->plot()->repaint();
    }
}
BENCHMARK(BM_CursorStep)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    delete view();
    return 0;
}
