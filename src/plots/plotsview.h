// The plots dock: the joint curves of the sequence in the player, each in
// its own row over its limits, the TCP's movement per position below, the
// problem positions of the analysis as coloured vertical lines, and a
// cursor at the player's position. A click in the plot moves the player
// there, as typing the position in the player's field does.
//
// Large paths are drawn as the smallest and largest value of each pixel
// column, so a redraw costs one pass over the visible samples whatever
// their number.
#pragma once

#include "plots/plotdata.h"
#include "plots/plottexts.h"

#include <QPointer>
#include <QVector>
#include <QWidget>
#include <array>
#include <vector>

class LanguageFile;
class Paths;
class QCPAxisRect;
class QCPGraph;
class QCPGraphData;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;
class Robot;

namespace plots {

class Overlay;

class PlotsView : public QWidget
{
    Q_OBJECT
public:
    explicit PlotsView(QWidget *parent = nullptr);
    ~PlotsView() override;

    // Follows this player: its analyses, its list and its position.
    void attach(Paths *paths);

    void setData(PlotData data);
    const PlotData &data() const { return m_data; }
    // The cursor's position (from 1), 0 when there is none.
    int cursorPosition() const { return m_cursor; }

    // Texts of a language file; entries it does not hold are English.
    // Null: English.
    void retranslate(const LanguageFile *file);
    QString text(Text t) const { return m_texts[std::size_t(t)]; }

    // The mark under pixel column x of the plot (within a few pixels), its
    // text for the tooltip; empty when there is none.
    QString markToolTip(int x) const;
    // Pixel column of a position, and the position nearest to a column.
    int pixelOf(double position) const;
    int positionAt(int x) const;

    bool savePng(const QString &file);
    bool saveCsv(const QString &file);

    QCustomPlot *plot() const { return m_plot; }
    QCPAxisRect *jointRect(int axis) const { return m_jointRects[std::size_t(axis)]; }
    QCPAxisRect *tcpRect() const { return m_tcpRect; }
    QPushButton *pngButton() const { return m_png; }
    QPushButton *csvButton() const { return m_csv; }

    // Rebuilds the drawn curves for the visible range; runs before every
    // redraw of the plot.
    void refreshCurves();
    // Replots the curves only when the view is on screen.
    void redraw();

signals:
    void positionClicked(int position);
    // Something the user must be told (an export that failed).
    void userMessage(const QString &text);
    // The title of the dock, after a change of language.
    void titleChanged(const QString &title);

public slots:
    void setCursorPosition(int position);
    void exportPng();
    void exportCsv();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void build();
    // As many legend columns as the widest entry leaves room for: a narrow
    // dock (beside the Program dock, or a longer language) gets more rows
    // instead of cut names.
    void fitLegend();
    void applyTexts();
    void fitRanges();
    void fitValueRanges();
    // The limits shown are this robot's; they go when it does.
    void followRobot(Robot *robot);
    void setCurve(QCPGraph *graph, const float *y, float offset, float sign);
    void onPress(QMouseEvent *event);
    void onMove(QMouseEvent *event);
    void onRelease(QMouseEvent *event);
    void followList();

    friend class Overlay;

    PlotData m_data;
    // An analysis waits here until the player's list holds its path.
    PlotData m_pending;
    bool m_havePending = false;
    int m_cursor = 0;
    QPointer<Paths> m_paths;
    QMetaObject::Connection m_robotGone;

    std::array<QString, std::size_t(Text::Count)> m_texts;
    QCustomPlot *m_plot = nullptr;
    QLabel *m_emptyLabel = nullptr;
    QPushButton *m_png = nullptr;
    QPushButton *m_csv = nullptr;
    std::array<QCPAxisRect *, 6> m_jointRects{};
    QCPAxisRect *m_tcpRect = nullptr;
    std::array<QCPGraph *, 6> m_curves{};
    std::array<QCPGraph *, 6> m_bandLow{};
    std::array<QCPGraph *, 6> m_bandHigh{};
    QCPGraph *m_mm = nullptr;
    QCPGraph *m_deg = nullptr;
    std::array<QCPGraph *, 5> m_markLegend{};
    Overlay *m_marks = nullptr;
    Overlay *m_cursorLine = nullptr;
    bool m_syncing = false;
    QPoint m_pressAt;
    bool m_pressed = false;

    // Reused from redraw to redraw.
    std::vector<EnvelopeColumn> m_columns;
    QVector<QCPGraphData> m_points;
};

// Colour of a problem class, shared by the marks and their legend.
QColor markColour(MarkKind kind);

} // namespace plots
