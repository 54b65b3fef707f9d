#include "plotsview.h"

#include "kinematics/robot.h"
#include "texts/languagefile.h"
#include "sequences/paths.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QTextStream>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace plots {

namespace {

const std::array<QColor, 6> kAxisColours = {QColor(31, 119, 180), QColor(214, 39, 40),
                                            QColor(44, 160, 44),  QColor(148, 103, 189),
                                            QColor(255, 127, 14), QColor(23, 190, 207)};
// How close (pixels) the pointer must be to a mark for its tooltip, and how
// far it may move between press and release for a click.
constexpr int kMarkReach = 4;
constexpr int kClickSlack = 3;

const Text kMarkTexts[4] = {Text::NoSolution, Text::Jump, Text::WristCrossing, Text::WristNear};

} // namespace

QColor markColour(MarkKind kind)
{
    // Darker and more saturated than the curves, so a mark is not taken for one.
    switch (kind) {
    case MarkKind::NoSolution:
        return QColor(190, 0, 0);
    case MarkKind::Jump:
        return QColor(230, 110, 0);
    case MarkKind::WristCrossing:
        return QColor(110, 0, 150);
    case MarkKind::WristNear:
        return QColor(0, 70, 190);
    case MarkKind::Collision:
        return QColor(255, 0, 200);
    case MarkKind::Other:
        break;
    }
    return QColor(90, 90, 90);
}

// The problem marks, or the player's cursor, drawn across every row.
class Overlay : public QCPLayerable
{
public:
    Overlay(PlotsView *view, const QString &layer, bool cursor)
        : QCPLayerable(view->plot(), layer), m_view(view), m_cursor(cursor)
    {
    }

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override
    {
        painter->setAntialiasing(false);
    }

    void draw(QCPPainter *painter) override
    {
        const PlotData &d = m_view->m_data;
        if (d.empty())
            return;
        const QCPAxis *x = m_view->m_jointRects[0]->axis(QCPAxis::atBottom);
        const int top = m_view->m_jointRects[0]->top();
        const int bottom = m_view->m_tcpRect->bottom();
        const int left = m_view->m_jointRects[0]->left();
        const int right = m_view->m_jointRects[0]->right();
        if (m_cursor) {
            if (m_view->m_cursor <= 0)
                return;
            const int px = int(std::lround(x->coordToPixel(m_view->m_cursor)));
            if (px < left || px > right)
                return;
            painter->setPen(QPen(QColor(30, 30, 30), 2));
            painter->drawLine(QLineF(px, top, px, bottom));
            return;
        }
        const QCPRange r = x->range();
        auto it = std::lower_bound(d.marks.begin(), d.marks.end(), r.lower,
                                   [](const Mark &m, double v) { return m.position < v; });
        int lastPx = INT_MIN;
        MarkKind lastKind = MarkKind::Other;
        for (; it != d.marks.end() && it->position <= r.upper; ++it) {
            const int px = int(std::lround(x->coordToPixel(it->position)));
            const MarkKind kind = markKind(it->code);
            // One line per pixel column and kind is all the eye can see.
            if (px == lastPx && kind == lastKind)
                continue;
            lastPx = px;
            lastKind = kind;
            painter->setPen(QPen(markColour(kind), 2, Qt::DashLine));
            painter->drawLine(QLineF(px, top, px, bottom));
        }
    }

private:
    PlotsView *m_view;
    bool m_cursor;
};

PlotsView::PlotsView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("plotsView"));
    for (int t = 0; t < int(Text::Count); ++t)
        m_texts[std::size_t(t)] = englishText(Text(t));
    build();
    applyTexts();
    setData(PlotData());
}

PlotsView::~PlotsView() = default;

void PlotsView::build()
{
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    m_emptyLabel = new QLabel(this);
    m_emptyLabel->setObjectName(QStringLiteral("plotsEmptyLabel"));
    bar->addWidget(m_emptyLabel);
    bar->addStretch(1);
    m_png = new QPushButton(this);
    m_png->setObjectName(QStringLiteral("plotsPngButton"));
    m_csv = new QPushButton(this);
    m_csv->setObjectName(QStringLiteral("plotsCsvButton"));
    bar->addWidget(m_png);
    bar->addWidget(m_csv);
    rows->addLayout(bar);
    connect(m_png, &QPushButton::clicked, this, &PlotsView::exportPng);
    connect(m_csv, &QPushButton::clicked, this, &PlotsView::exportCsv);

    m_plot = new QCustomPlot(this);
    m_plot->setObjectName(QStringLiteral("plotsPlot"));
    m_plot->setMinimumHeight(320);
    rows->addWidget(m_plot, 1);

    QCPLayoutGrid *grid = m_plot->plotLayout();
    grid->setRowSpacing(0);
    // The legend gets a row of its own above the curves.
    m_jointRects[0] = m_plot->axisRect();
    m_jointRects[0]->insetLayout()->take(m_plot->legend);
    grid->insertRow(0);
    grid->addElement(0, 0, m_plot->legend);
    m_plot->legend->setVisible(true);
    m_plot->legend->setFillOrder(QCPLegend::foColumnsFirst);
    m_plot->legend->setWrap(6);
    m_plot->legend->setBorderPen(Qt::NoPen);
    m_plot->legend->setFont(QFont(font().family(), 8));
    // Room above the first row: in an exported picture nothing else is there.
    m_plot->legend->setMargins(QMargins(2, 3, 2, 0));
    grid->setRowStretchFactor(0, 0.001);
    for (int a = 1; a < 6; ++a) {
        m_jointRects[std::size_t(a)] = new QCPAxisRect(m_plot);
        grid->addElement(a + 1, 0, m_jointRects[std::size_t(a)]);
    }
    m_tcpRect = new QCPAxisRect(m_plot);
    grid->addElement(7, 0, m_tcpRect);
    grid->setRowStretchFactor(7, 1.6);

    auto *group = new QCPMarginGroup(m_plot);
    QFont tickFont(font().family(), 7);
    // A tick label is centred on its tick, so one at the edge of a row
    // reaches half its height beyond it: each row keeps that much room
    // above and below, and the labels of neighbouring rows never meet.
    const int labelRoom = (QFontMetrics(tickFont).height() + 1) / 2 + 1;
    std::vector<QCPAxisRect *> rects(m_jointRects.begin(), m_jointRects.end());
    rects.push_back(m_tcpRect);
    for (QCPAxisRect *r : rects) {
        r->setMarginGroup(QCP::msLeft | QCP::msRight, group);
        r->setAutoMargins(QCP::msLeft | QCP::msRight);
        r->setMargins(QMargins(0, labelRoom, 0, labelRoom));
        // QCustomPlot's own minimum (50 pixels a row) would take the
        // legend's room in a short dock or picture: the rows shrink instead.
        r->setMinimumSize(0, 2 * labelRoom);
        r->setRangeDrag(Qt::Horizontal);
        r->setRangeZoom(Qt::Horizontal);
        QCPAxis *x = r->axis(QCPAxis::atBottom);
        r->setRangeDragAxes(x, nullptr);
        r->setRangeZoomAxes(x, nullptr);
        for (QCPAxis *ax : r->axes()) {
            ax->setTickLabelFont(tickFont);
            ax->setLabelFont(tickFont);
        }
        if (r != m_tcpRect)
            x->setTickLabels(false);
        r->axis(QCPAxis::atLeft)->ticker()->setTickCount(3);
        connect(x, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
                [this, x](const QCPRange &range) {
                    if (m_syncing)
                        return;
                    m_syncing = true;
                    QCPRange keep = range;
                    const double full = std::max(1.0, double(m_data.count()));
                    if (keep.lower < 0.5 || keep.upper > full + 0.5 || keep.size() < 2.0) {
                        const double size = std::clamp(keep.size(), 2.0, full);
                        keep.lower = std::clamp(keep.lower, 0.5, full + 0.5 - size);
                        keep.upper = keep.lower + size;
                        x->setRange(keep);
                    }
                    for (QCPAxisRect *other : m_jointRects)
                        other->axis(QCPAxis::atBottom)->setRange(keep);
                    m_tcpRect->axis(QCPAxis::atBottom)->setRange(keep);
                    m_syncing = false;
                });
    }
    m_tcpRect->setMargins(QMargins(0, labelRoom, 0, 0));
    m_tcpRect->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msBottom);
    m_tcpRect->axis(QCPAxis::atRight)->setVisible(true);
    m_tcpRect->axis(QCPAxis::atRight)->ticker()->setTickCount(3);

    for (int a = 0; a < 6; ++a) {
        QCPAxisRect *r = m_jointRects[std::size_t(a)];
        QCPAxis *x = r->axis(QCPAxis::atBottom), *y = r->axis(QCPAxis::atLeft);
        y->setLabel(QStringLiteral("J%1").arg(a + 1));
        const QColor c = kAxisColours[std::size_t(a)];
        QColor band = c;
        band.setAlpha(28);
        QColor edge = c;
        edge.setAlpha(110);
        QCPGraph *low = m_plot->addGraph(x, y);
        QCPGraph *high = m_plot->addGraph(x, y);
        QCPGraph *curve = m_plot->addGraph(x, y);
        for (QCPGraph *g : {low, high}) {
            g->setPen(QPen(edge, 1, Qt::DashLine));
            g->removeFromLegend();
            g->setAdaptiveSampling(false);
        }
        high->setBrush(band);
        high->setChannelFillGraph(low);
        // Wider pens go through Qt's stroker: ten times the cost of a redraw.
        curve->setPen(QPen(c, 1));
        curve->setName(QStringLiteral("J%1").arg(a + 1));
        curve->setAdaptiveSampling(false);
        m_bandLow[std::size_t(a)] = low;
        m_bandHigh[std::size_t(a)] = high;
        m_curves[std::size_t(a)] = curve;
    }
    QCPAxis *tx = m_tcpRect->axis(QCPAxis::atBottom);
    m_mm = m_plot->addGraph(tx, m_tcpRect->axis(QCPAxis::atLeft));
    m_mm->setPen(QPen(QColor(60, 60, 60), 1));
    m_deg = m_plot->addGraph(tx, m_tcpRect->axis(QCPAxis::atRight));
    m_deg->setPen(QPen(QColor(200, 0, 120), 1));
    for (QCPGraph *g : {m_mm, m_deg})
        g->setAdaptiveSampling(false);
    for (std::size_t k = 0; k < m_markLegend.size(); ++k) {
        // Only there for the legend: a line of the mark's colour.
        QCPGraph *g = m_plot->addGraph(tx, m_tcpRect->axis(QCPAxis::atLeft));
        g->setPen(QPen(markColour(MarkKind(k)), 2, Qt::DashLine));
        m_markLegend[k] = g;
    }

    m_plot->addLayer(QStringLiteral("marks"), m_plot->layer(QStringLiteral("main")),
                     QCustomPlot::limAbove);
    m_plot->addLayer(QStringLiteral("cursor"), m_plot->layer(QStringLiteral("marks")),
                     QCustomPlot::limAbove);
    // The cursor moves with every step of the player: its own buffer is
    // redrawn alone, the curves stay as they are.
    m_plot->layer(QStringLiteral("cursor"))->setMode(QCPLayer::lmBuffered);
    m_marks = new Overlay(this, QStringLiteral("marks"), false);
    m_cursorLine = new Overlay(this, QStringLiteral("cursor"), true);

    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_plot->setMouseTracking(true);
    connect(m_plot, &QCustomPlot::beforeReplot, this, &PlotsView::refreshCurves);
    connect(m_plot, &QCustomPlot::mousePress, this, &PlotsView::onPress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &PlotsView::onMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &PlotsView::onRelease);
}

void PlotsView::retranslate(const LanguageFile *file)
{
    for (int t = 0; t < int(Text::Count); ++t) {
        const int entry = languageEntry(Text(t));
        const QString s = file && file->has(entry) ? file->text(entry).trimmed() : QString();
        m_texts[std::size_t(t)] = s.isEmpty() ? englishText(Text(t)) : s;
    }
    applyTexts();
}

void PlotsView::applyTexts()
{
    m_png->setText(text(Text::SavePng));
    m_csv->setText(text(Text::SaveCsv));
    m_emptyLabel->setText(text(Text::Empty));
    m_tcpRect->axis(QCPAxis::atBottom)->setLabel(text(Text::PositionAxis));
    m_tcpRect->axis(QCPAxis::atLeft)->setLabel(QStringLiteral("mm"));
    m_tcpRect->axis(QCPAxis::atRight)->setLabel(uitext::get(uitext::Text::PlotsDegUnit));
    m_mm->setName(text(Text::TcpMm));
    m_deg->setName(text(Text::TcpDeg));
    for (std::size_t k = 0; k < std::size(kMarkTexts); ++k)
        m_markLegend[k]->setName(text(kMarkTexts[k]));
    m_markLegend[std::size_t(MarkKind::Collision)]->setName(
        uitext::get(uitext::Text::CollisionMark));
    emit titleChanged(text(Text::DockTitle));
    if (isVisible())
        fitLegend();
    redraw();
}

void PlotsView::attach(Paths *paths)
{
    if (m_paths)
        disconnect(m_paths, nullptr, this, nullptr);
    m_paths = paths;
    if (!paths)
        return;
    connect(paths, &Paths::pathAnalysed, this,
            [this](const sequences::PathAnalyser::Result &result) {
                Robot *robot = m_paths ? m_paths->robot() : nullptr;
                if (!robot || !robot->isLoaded())
                    return;
                const sequences::PathAnalyser analyser(*robot);
                m_pending = buildPlotData(result, analyser, *robot);
                m_havePending = true;
            });
    connect(paths, &Paths::listChanged, this, &PlotsView::followList);
    connect(paths, &Paths::positionShown, this,
            [this](int index) { setCursorPosition(m_data.empty() ? 0 : index + 1); });
    followList();
}

void PlotsView::followList()
{
    const int n = m_paths ? m_paths->count() : 0;
    if (n == 0) {
        // Also while the analysis replaces the list: its path follows.
        followRobot(nullptr);
        setData(PlotData());
        return;
    }
    Robot *robot = m_paths->robot();
    if (!robot || !robot->isLoaded())
        robot = nullptr;
    if (m_havePending && m_pending.count() == n) {
        m_havePending = false;
        followRobot(robot);
        if (!robot)
            m_pending.dropLimits();
        setData(std::move(m_pending));
        m_pending = PlotData();
        return;
    }
    m_havePending = false;
    m_pending = PlotData();
    // A position list: the nodes as they stand, one path id per line.
    followRobot(robot);
    if (!robot) {
        setData(PlotData());
        return;
    }
    sequences::PathAnalyser::Result result;
    result.path.resize(std::size_t(n));
    const std::vector<Paths::nodeJOINTS> &nodes = m_paths->nodes();
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        sequences::PathPosition &p = result.path[k];
        p.type = nodes[k].type;
        std::copy(nodes[k].values.begin(), nodes[k].values.begin() + 6, p.joints.begin());
        p.problem = nodes[k].problem;
        p.pathId = int(k);
    }
    const sequences::PathAnalyser analyser(*robot);
    setData(buildPlotData(result, analyser, *robot));
}

void PlotsView::followRobot(Robot *robot)
{
    disconnect(m_robotGone);
    m_robotGone = QMetaObject::Connection();
    if (!robot)
        return;
    // Removing the robot keeps the program's curves, which are still its
    // numbers, but not the bands of limits nobody has any more.
    m_robotGone = connect(robot, &QObject::destroyed, this, [this] {
        m_data.dropLimits();
        m_pending.dropLimits();
        fitValueRanges();
        redraw();
    });
}

void PlotsView::setData(PlotData data)
{
    m_data = std::move(data);
    m_cursor = 0;
    if (m_paths && !m_data.empty() && m_paths->count() == m_data.count())
        m_cursor = m_paths->currentIndex() + 1;
    const bool empty = m_data.empty();
    m_emptyLabel->setVisible(empty);
    m_png->setEnabled(!empty);
    m_csv->setEnabled(!empty);
    fitRanges();
    redraw();
}

namespace {

// Smallest and largest number in v, NaN (unreached positions) left out;
// false when there is none.
bool finiteSpan(const std::vector<float> &v, double &lo, double &hi)
{
    bool any = false;
    for (const float x : v) {
        if (std::isnan(x))
            continue;
        lo = any ? std::min(lo, double(x)) : double(x);
        hi = any ? std::max(hi, double(x)) : double(x);
        any = true;
    }
    return any;
}

} // namespace

void PlotsView::fitRanges()
{
    const int n = m_data.count();
    m_syncing = true;
    for (QCPAxisRect *r : m_jointRects)
        r->axis(QCPAxis::atBottom)->setRange(0.5, std::max(n, 1) + 0.5);
    m_tcpRect->axis(QCPAxis::atBottom)->setRange(0.5, std::max(n, 1) + 0.5);
    m_syncing = false;
    fitValueRanges();
}

void PlotsView::fitValueRanges()
{
    const bool limits = m_data.hasLimits;
    for (int a = 0; a < 6; ++a) {
        const double l = m_data.lower[std::size_t(a)], u = m_data.upper[std::size_t(a)];
        double lo = l, hi = u;
        bool any = limits;
        double jlo = 0.0, jhi = 0.0;
        if (finiteSpan(m_data.joints[std::size_t(a)], jlo, jhi)) {
            lo = any ? std::min(lo, jlo) : jlo;
            hi = any ? std::max(hi, jhi) : jhi;
            any = true;
        }
        const bool coupled = limits && a == 2 && m_data.coupling != 0;
        double q2lo = 0.0, q2hi = 0.0;
        if (coupled && finiteSpan(m_data.joints[1], q2lo, q2hi)) {
            const double c = m_data.coupling;
            lo = std::min({lo, l + c * q2lo, l + c * q2hi});
            hi = std::max({hi, u + c * q2lo, u + c * q2hi});
        }
        if (!any)
            lo = hi = 0.0;
        if (!(hi > lo)) {
            lo -= 1.0;
            hi += 1.0;
        }
        const double pad = 0.06 * (hi - lo);
        QCPAxis *y = m_jointRects[std::size_t(a)]->axis(QCPAxis::atLeft);
        y->setRange(lo - pad, hi + pad);
        // Ticks at the limits say more than round numbers in so low a row;
        // without a robot, at the ends of the curve.
        auto ticker = QSharedPointer<QCPAxisTickerText>::create();
        if (coupled || !limits) {
            ticker->addTick(lo, QString::number(lo, 'f', 0));
            ticker->addTick(hi, QString::number(hi, 'f', 0));
        } else if (u > l) {
            ticker->addTick(l, QString::number(l, 'f', 0));
            ticker->addTick(u, QString::number(u, 'f', 0));
        }
        if (lo < 0.0 && hi > 0.0 && std::min(-lo, hi) > 0.2 * (hi - lo))
            ticker->addTick(0.0, QStringLiteral("0"));
        y->setTicker(ticker);
    }
    auto top = [](const std::vector<float> &v) {
        double lo = 0.0, hi = 0.0;
        return finiteSpan(v, lo, hi) && hi > 0.0 ? 1.1 * hi : 1.0;
    };
    m_tcpRect->axis(QCPAxis::atLeft)->setRange(0.0, top(m_data.stepMm));
    m_tcpRect->axis(QCPAxis::atRight)->setRange(0.0, top(m_data.stepDeg));
}

void PlotsView::setCurve(QCPGraph *graph, const float *y, float offset, float sign)
{
    const QCPRange r = graph->keyAxis()->range();
    const int columns = std::max(1, graph->keyAxis()->axisRect()->width());
    envelope(y, m_data.count(), r.lower, r.upper, columns, m_columns);
    m_points.resize(0);
    const double gap = std::numeric_limits<double>::quiet_NaN();
    for (const EnvelopeColumn &c : m_columns) {
        // A NaN point breaks QCustomPlot's line: a column holding a position
        // the robot did not reach is cut off from both neighbours.
        if (c.gap)
            m_points.append(QCPGraphData(c.x, gap));
        if (!std::isnan(c.low)) {
            m_points.append(QCPGraphData(c.x, double(offset + sign * c.low)));
            if (c.high != c.low)
                m_points.append(QCPGraphData(c.x, double(offset + sign * c.high)));
            if (c.gap)
                m_points.append(QCPGraphData(c.x, gap));
        }
    }
    graph->data()->set(m_points, true);
}

void PlotsView::refreshCurves()
{
    const int n = m_data.count();
    if (n == 0) {
        for (int k = 0; k < m_plot->graphCount(); ++k)
            m_plot->graph(k)->data()->clear();
        return;
    }
    for (std::size_t a = 0; a < 6; ++a) {
        setCurve(m_curves[a], m_data.joints[a].data(), 0.0f, 1.0f);
        if (!m_data.hasLimits) {
            m_bandLow[a]->data()->clear();
            m_bandHigh[a]->data()->clear();
        } else if (a == 2 && m_data.coupling != 0) {
            const float c = float(m_data.coupling);
            setCurve(m_bandLow[a], m_data.joints[1].data(), m_data.lower[a], c);
            setCurve(m_bandHigh[a], m_data.joints[1].data(), m_data.upper[a], c);
        } else {
            const QCPRange r = m_curves[a]->keyAxis()->range();
            m_bandLow[a]->data()->clear();
            m_bandHigh[a]->data()->clear();
            m_bandLow[a]->addData(r.lower, double(m_data.lower[a]));
            m_bandLow[a]->addData(r.upper, double(m_data.lower[a]));
            m_bandHigh[a]->addData(r.lower, double(m_data.upper[a]));
            m_bandHigh[a]->addData(r.upper, double(m_data.upper[a]));
        }
    }
    setCurve(m_mm, m_data.stepMm.data(), 0.0f, 1.0f);
    setCurve(m_deg, m_data.stepDeg.data(), 0.0f, 1.0f);
}

void PlotsView::redraw()
{
    if (isVisible())
        m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void PlotsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void PlotsView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Before the dock is shown its width is nobody's choice yet; fitted then,
    // a one-column legend would make the dock ask for a tall place.
    if (isVisible())
        fitLegend();
}

void PlotsView::fitLegend()
{
    QCPLegend *legend = m_plot->legend;
    int widest = 1;
    for (int i = 0; i < legend->itemCount(); ++i)
        if (QCPAbstractLegendItem *item = legend->item(i))
            widest = std::max(widest, item->minimumOuterSizeHint().width());
    const QMargins m = legend->margins();
    const int room = m_plot->width() - m.left() - m.right();
    const int columns = std::clamp((room + legend->columnSpacing()) /
                                       (widest + legend->columnSpacing()),
                                   1, 6);
    if (columns == legend->wrap())
        return;
    legend->setWrap(columns);
    legend->setFillOrder(legend->fillOrder(), true);
    redraw();
}

void PlotsView::setCursorPosition(int position)
{
    const int p = m_data.empty() ? 0 : std::clamp(position, 0, m_data.count());
    if (p == m_cursor)
        return;
    m_cursor = p;
    if (isVisible())
        m_plot->layer(QStringLiteral("cursor"))->replot();
}

int PlotsView::pixelOf(double position) const
{
    return int(std::lround(m_jointRects[0]->axis(QCPAxis::atBottom)->coordToPixel(position)));
}

int PlotsView::positionAt(int x) const
{
    if (m_data.empty())
        return 0;
    const double p = m_jointRects[0]->axis(QCPAxis::atBottom)->pixelToCoord(x);
    return int(std::clamp(std::lround(p), 1L, long(m_data.count())));
}

QString PlotsView::markToolTip(int x) const
{
    if (m_data.empty() || m_data.marks.empty())
        return QString();
    const QCPAxis *ax = m_jointRects[0]->axis(QCPAxis::atBottom);
    const double from = ax->pixelToCoord(x - kMarkReach), to = ax->pixelToCoord(x + kMarkReach);
    auto it = std::lower_bound(m_data.marks.begin(), m_data.marks.end(), from,
                               [](const Mark &m, double v) { return m.position < v; });
    const Mark *best = nullptr;
    int bestGap = kMarkReach + 1;
    for (; it != m_data.marks.end() && it->position <= to; ++it) {
        const int gap = std::abs(pixelOf(it->position) - x);
        if (gap < bestGap) {
            bestGap = gap;
            best = &*it;
        }
    }
    if (!best)
        return QString();
    return uitext::get(uitext::Text::PlotsMarkTip)
        .arg(text(Text::PositionAxis))
        .arg(best->position)
        .arg(m_data.pathIds[std::size_t(best->position - 1)])
        .arg(sequences::PathAnalyser::problemTexts(best->code).trimmed());
}

void PlotsView::onPress(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    m_pressAt = event->pos();
}

void PlotsView::onMove(QMouseEvent *event)
{
    const QString tip = markToolTip(event->pos().x());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), tip, m_plot);
}

void PlotsView::onRelease(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       (event->pos() - m_pressAt).manhattanLength() <= kClickSlack;
    m_pressed = false;
    if (!click || m_data.empty())
        return;
    const QPoint p = event->pos();
    if (p.x() < m_jointRects[0]->left() || p.x() > m_jointRects[0]->right() ||
        p.y() < m_jointRects[0]->top() || p.y() > m_tcpRect->bottom())
        return;
    const int position = positionAt(p.x());
    emit positionClicked(position);
    // The same as typing the position in the player's field.
    if (m_paths)
        m_paths->LEposEdited(QString::number(position));
}

bool PlotsView::savePng(const QString &file)
{
    if (m_data.empty())
        return false;
    refreshCurves();
    if (!m_plot->savePng(file, std::max(m_plot->width(), 400), std::max(m_plot->height(), 300))) {
        emit userMessage(QStringLiteral("Cannot write the picture %1").arg(file));
        return false;
    }
    return true;
}

bool PlotsView::saveCsv(const QString &file)
{
    if (m_data.empty())
        return false;
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream stream(&out);
        stream.setCodec("UTF-8");
        writeCsv(m_data, stream);
        stream.flush();
        if (stream.status() == QTextStream::Ok && out.commit())
            return true;
    }
    emit userMessage(QStringLiteral("Cannot write the table %1: %2").arg(file, out.errorString()));
    return false;
}

void PlotsView::exportPng()
{
    const QString file = QFileDialog::getSaveFileName(this, text(Text::SavePng), QString(),
                                                      QStringLiteral("PNG (*.png)"));
    if (!file.isEmpty())
        savePng(file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)
                    ? file
                    : file + QStringLiteral(".png"));
}

void PlotsView::exportCsv()
{
    const QString file = QFileDialog::getSaveFileName(this, text(Text::SaveCsv), QString(),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!file.isEmpty())
        saveCsv(file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                    ? file
                    : file + QStringLiteral(".csv"));
}

} // namespace plots
