#include "paths.h"

#include "kinematics/jointlimits.h"
#include "kinematics/matrixtoolbox.h"
#include "kinematics/robot.h"
#include "texts/uitexts.h"

#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

// The player's images are compiled into the library; a static library must
// register them itself.
static void initPlayerResources()
{
    Q_INIT_RESOURCE(player);
}

namespace {

Q_LOGGING_CATEGORY(lcPaths, "velkari.paths")

const QString kLoopOnIcon = QStringLiteral(":/img/redo.png");
const QString kLoopOffIcon = QStringLiteral(":/img/clockwise.png");
// Rows of the report window; the count above them is always complete.
constexpr int kReportRows = 200;

std::vector<sequences::ProgramLine> programOf(const std::vector<sequences::Node> &nodes)
{
    std::vector<sequences::ProgramLine> program(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        program[i].code = double(nodes[i].values[0]);
        for (std::size_t k = 0; k < 6; ++k)
            program[i].operands[k] = double(nodes[i].values[k + 1]);
    }
    return program;
}

} // namespace

Paths::Paths(QObject *parent) : QObject(parent)
{
    initPlayerResources();
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &Paths::Sequence_On_Timer);
}

Paths::~Paths()
{
    m_timer.stop();
    delete m_player.data();
}

void Paths::setRobotProvider(std::function<Robot *()> provider)
{
    m_robotProvider = std::move(provider);
}

Robot *Paths::robot() const
{
    return m_robotProvider ? m_robotProvider() : nullptr;
}

bool Paths::busy()
{
    if (!m_analysing)
        return false;
    qCWarning(lcPaths) << "A program is being analysed: the new sequence is not read";
    return true;
}

bool Paths::robotReady() const
{
    const Robot *r = robot();
    return r && r->isLoaded();
}

// ---------------------------------------------------------------- widgets

void Paths::retranslate()
{
    if (!m_player)
        return;
    using uitext::Text;
    const std::pair<const char *, Text> tips[] = {
        {"rewindButton", Text::PlayerRewindTip}, {"playButton", Text::PlayerPlayTip},
        {"pauseButton", Text::PlayerStopTip},    {"fastButton", Text::PlayerFastTip},
        {"endButton", Text::PlayerEndTip},       {"loopButton", Text::PlayerLoopTip}};
    for (const auto &t : tips)
        if (auto *b = m_player->findChild<QPushButton *>(QLatin1String(t.first)))
            b->setToolTip(uitext::get(t.second));
}

void Paths::setupWidgets(QDockWidget *dock)
{
    if (!dock)
        return;
    delete m_player.data();
    m_dock = dock;
    auto *player = new QWidget;
    player->setObjectName(QStringLiteral("sequencePlayer"));
    player->setContentsMargins(5, 1, 5, 0);
    auto *rows = new QVBoxLayout(player);
    rows->setSpacing(0);
    rows->setContentsMargins(0, 0, 0, 0);
    auto *controls = new QHBoxLayout;
    controls->setSpacing(1);
    controls->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(controls);

    auto addButton = [&](const char *name, const QString &icon, void (Paths::*slot)()) {
        auto *b = new QPushButton(player);
        b->setObjectName(QLatin1String(name));
        b->setIcon(QIcon(icon));
        b->setIconSize(QSize(16, 16));
        // The dock is low: the row must not be squeezed below its icons.
        b->setMinimumSize(28, 20);
        controls->addWidget(b);
        // The player acts as the button goes down, not when it comes up.
        connect(b, &QPushButton::pressed, this, slot);
        return b;
    };
    // Icons alone do not say that ">>" plays five positions at a time, nor
    // that the arrow keys follow the pace of the last play.
    addButton("rewindButton", QStringLiteral(":/img/start.png"), &Paths::Sequence_Reset);
    addButton("playButton", QStringLiteral(":/img/play.png"), &Paths::Sequence_Execute);
    addButton("pauseButton", QStringLiteral(":/img/pause.png"), &Paths::Sequence_Stop);
    addButton("fastButton", QStringLiteral(":/img/fastfwd.png"), &Paths::Sequence_Execute_Fast);
    addButton("endButton", QStringLiteral(":/img/end.png"), &Paths::Sequence_End);
    m_loopButton = addButton("loopButton", kLoopOffIcon, &Paths::Sequence_Toggle_Redo);

    m_slider = new QSlider(Qt::Horizontal, player);
    m_slider->setObjectName(QStringLiteral("positionSlider"));
    m_slider->setMinimumHeight(20);
    m_slider->setRange(0, 0);
    controls->addWidget(m_slider);
    connect(m_slider, &QSlider::valueChanged, this, &Paths::SetSimulationToPosition);

    m_field = new QLineEdit(QStringLiteral("0"), player);
    m_field->setObjectName(QStringLiteral("positionField"));
    m_field->setAlignment(Qt::AlignRight);
    m_field->setMaximumWidth(70);
    m_field->setMinimumHeight(20);
    controls->addWidget(m_field);
    connect(m_field, &QLineEdit::textEdited, this, &Paths::LEposEdited);

    m_countLabel = new QLabel(QStringLiteral("/ 0"), player);
    m_countLabel->setObjectName(QStringLiteral("countLabel"));
    m_countLabel->setMinimumHeight(20);
    controls->addWidget(m_countLabel);

    m_statusLabel = new QLabel(player);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setText(m_status);
    // Its row takes room only while there is something to say.
    m_statusLabel->setVisible(!m_status.isEmpty());
    rows->addWidget(m_statusLabel);
    rows->setSizeConstraint(QLayout::SetMinimumSize);

    m_player = player;
    retranslate();
    dock->setWidget(player);
    dock->adjustSize();
    Sequence_Clear();
}

QSlider *Paths::positionSlider() const
{
    return m_player ? m_slider : nullptr;
}

QLineEdit *Paths::positionField() const
{
    return m_player ? m_field : nullptr;
}

QLabel *Paths::countLabel() const
{
    return m_player ? m_countLabel : nullptr;
}

QLabel *Paths::statusLabel() const
{
    return m_player ? m_statusLabel : nullptr;
}

QPushButton *Paths::button(const QString &objectName) const
{
    return m_player ? m_player->findChild<QPushButton *>(objectName) : nullptr;
}

QMessageBox *Paths::reportWindow() const
{
    return m_report.get();
}

void Paths::showPosition()
{
    emit positionShown(m_current);
    if (!m_player)
        return;
    {
        // The slider reports its own moves; this one is the player's.
        const QSignalBlocker block(m_slider);
        m_slider->setValue(m_current);
    }
    m_field->setText(QString::number(m_current + 1));
}

void Paths::refuse(const QString &text)
{
    setStatus(text);
    // Where nothing was played yet the dock is closed, and the refusal would
    // go unseen.
    if (m_dock)
        m_dock->setVisible(true);
}

void Paths::setStatus(const QString &text)
{
    m_status = text;
    if (m_player) {
        m_statusLabel->setText(text);
        m_statusLabel->setVisible(!text.isEmpty());
    }
}

// ---------------------------------------------------------------- the list

std::array<float, 7> Paths::Parse_Sequence_Line(const QString &line, int *count)
{
    std::array<float, 7> values{};
    const int n = sequences::parseLine(line, values);
    if (count)
        *count = n;
    return values;
}

void Paths::Sequence_Clear()
{
    m_timer.stop();
    std::vector<nodeJOINTS>().swap(m_nodes);
    m_program.clear();
    m_current = 0;
    m_step = 1;
    if (m_player) {
        const QSignalBlocker block(m_slider);
        m_slider->setMaximum(0);
        m_field->setText(QStringLiteral("0"));
        m_countLabel->setText(QStringLiteral("/ 0"));
    }
    emit listChanged();
}

int Paths::Load_Sequence_Text(const QString &text)
{
    if (busy())
        return -1;
    if (!robotReady()) {
        qCWarning(lcPaths) << "No robot is loaded: the sequence is not read";
        return -1;
    }
    sequences::ParsedText parsed = sequences::parseText(text);
    if (!parsed.error.isEmpty()) {
        // The list in the player stays: a file, a paste or a module that is
        // not all numbers is refused whole rather than half played.
        const QString said = uitext::get(uitext::Text::SequenceRefused).arg(parsed.error);
        qCWarning(lcPaths).noquote() << said;
        refuse(said);
        return -1;
    }
    if (!parsed.program && refusedPositions(parsed.nodes))
        return -1;
    Sequence_Clear();
    if (parsed.truncated)
        qCWarning(lcPaths).noquote()
            << QStringLiteral("The sequence has more than %1 lines; the rest is "
                              "left out")
                   .arg(sequences::kMaxNodes);
    m_nodes = std::move(parsed.nodes);
    if (parsed.program)
        Analyse_Path();
    startPlayback();
    if (parsed.program)
        emit programRead(text);
    return count();
}

int Paths::loadSequenceArray(int rows, int cols, const double *columnMajor, qint64 valueCount)
{
    if (busy())
        return -1;
    if (!robotReady()) {
        qCWarning(lcPaths) << "No robot is loaded: the sequence is not read";
        return -1;
    }
    std::vector<nodeJOINTS> nodes;
    bool truncated = false;
    if (!sequences::parseArray(rows, cols, columnMajor, valueCount, nodes, &truncated)) {
        qCWarning(lcPaths).noquote()
            << QStringLiteral("An array of %1 x %2 numbers is no sequence").arg(rows).arg(cols);
        return -1;
    }
    if (rows == 6 && refusedPositions(nodes))
        return -1;
    if (truncated)
        qCWarning(lcPaths).noquote()
            << QStringLiteral("Only the first %1 columns are read").arg(sequences::kMaxNodes);
    Sequence_Clear();
    m_nodes = std::move(nodes);
    if (rows > 6)
        Analyse_Path();
    startPlayback();
    return count();
}

bool Paths::refusedPositions(const std::vector<nodeJOINTS> &nodes)
{
    const Robot *r = robot();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (std::floor(double(nodes[i].type)) != 1.0)
            continue;
        const jointlimits::Verdict v = jointlimits::check(*r, nodes[i].values.data());
        if (!v.ok) {
            // The whole list goes: a robot must not play the part before a
            // position it can never reach.
            const QString text = QStringLiteral("The sequence is refused: position %1, %2")
                                     .arg(i + 1)
                                     .arg(jointlimits::describe(v));
            qCWarning(lcPaths).noquote() << text;
            refuse(text);
            return true;
        }
    }
    return false;
}

int Paths::Load_Sequence_Nodes(std::vector<nodeJOINTS> nodes)
{
    if (busy())
        return -1;
    if (!robotReady()) {
        qCWarning(lcPaths) << "No robot is loaded: the sequence is not read";
        return -1;
    }
    if (refusedPositions(nodes))
        return -1;
    Sequence_Clear();
    if (int(nodes.size()) > sequences::kMaxNodes)
        nodes.resize(std::size_t(sequences::kMaxNodes));
    m_nodes = std::move(nodes);
    startPlayback();
    return count();
}

int Paths::Load_Sequence_Array(int rows, int cols, const QVector<double> &columnMajor)
{
    return loadSequenceArray(rows, cols, columnMajor.constData(), columnMajor.size());
}

int Paths::loadSequenceFile(const QString &fileName)
{
    if (busy())
        return -1;
    if (!robotReady()) {
        qCWarning(lcPaths) << "No robot is loaded: the sequence is not read";
        return -1;
    }
    const sequences::FileText file = sequences::readSequenceFile(fileName);
    if (!file.ok) {
        qCDebug(lcPaths).noquote()
            << QStringLiteral("Cannot read the sequence %1: %2").arg(fileName, file.error);
        return -1;
    }
    if (file.truncated)
        qCWarning(lcPaths).noquote()
            << QStringLiteral("The sequence %1 is larger than %2 MiB; only its beginning is read")
                   .arg(fileName)
                   .arg(sequences::kMaxFileBytes >> 20);
    return Load_Sequence_Text(file.text) < 0 ? -1 : 0;
}

void Paths::Clipboard_Paste()
{
    if (!robotReady() || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return;
    Load_Sequence_Text(data->text());
}

void Paths::startPlayback()
{
    if (m_nodes.empty())
        return;
    if (m_player) {
        const QSignalBlocker block(m_slider);
        m_slider->setMaximum(count() - 1);
        m_countLabel->setText(QStringLiteral("/ ") + QString::number(count()));
    }
    emit listChanged();
    Sequence_Reset();
    Sequence_Execute();
    if (m_dock)
        m_dock->setVisible(true);
}

// ---------------------------------------------------------------- analysis

void Paths::Analyse_Path()
{
    Robot *r = robot();
    if (!r || !r->isLoaded())
        return;
    m_lastReportHtml.clear();
    m_timer.stop();
    sequences::PathAnalyser analyser(*r);
    analyser.setCollisionWorld(m_collisionWorld);
    // A long program takes seconds: say how far it got and let the window
    // repaint and the links run between slices. Operator input waits, so
    // nothing can load another robot or sequence under the analysis.
    // The first slice says so at once: a long program is analysed faster
    // than the eye follows, and the window should not look frozen meanwhile.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = 0;
    bool first = true;
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    analyser.setProgress([&](int positions) {
        if (!first && clock.elapsed() - lastTurn < 100)
            return;
        first = false;
        lastTurn = clock.elapsed();
        setStatus(uitext::get(uitext::Text::Analysing).arg(positions));
        if (gui)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    m_analysing = true;
    std::vector<sequences::ProgramLine> program = programOf(m_nodes);
    const sequences::PathAnalyser::Result result = analyser.analyse(program);
    m_analysing = false;
    setStatus(QString());
    emit pathAnalysed(result);
    for (int id : result.rejected)
        qCWarning(lcPaths).noquote()
            << QStringLiteral("Program line %1 is skipped: its numbers make no move").arg(id + 1);

    takePath(analyser, result, *r);
    m_program = std::move(program);
    emit RenderGL();

    if (!m_problems.empty() || !result.rejected.empty()) {
        QString details;
        if (int(m_problems.size()) > kReportRows) {
            // The whole list, where it can be scrolled.
            for (std::size_t i = 0; i < m_problems.size(); ++i) {
                const sequences::PathProblem &p = m_problems[i];
                details += QStringLiteral("%1\t%2\t%3\t%4\n")
                               .arg(i)
                               .arg(p.position)
                               .arg(p.pathId)
                               .arg((sequences::PathAnalyser::problemTexts(p.code) + p.detail)
                                        .trimmed());
            }
        }
        QString html = sequences::PathAnalyser::reportHtml(m_problems, kReportRows);
        if (!result.rejected.empty()) {
            // Lines that were not applied at all are problems too, and the
            // first of them says where to look.
            QStringList ids;
            for (std::size_t i = 0; i < result.rejected.size() && i < 20; ++i)
                ids << QString::number(result.rejected[i] + 1);
            if (result.rejected.size() > 20)
                ids << QStringLiteral("...");
            html.replace(QStringLiteral("</html>"),
                         QStringLiteral("<br>") +
                             uitext::get(uitext::Text::ReportSkippedLines)
                                 .arg(ids.join(QStringLiteral(", ")))
                                 .toHtmlEscaped() +
                             QStringLiteral("</html>"));
        }
        showReport(html, details);
    }
}

void Paths::takePath(const sequences::PathAnalyser &analyser,
                     const sequences::PathAnalyser::Result &result, const Robot &robot)
{
    // A new analysis replaces the trace of the previous one.
    emit TCP_Points_Clear_signal();
    m_problems.clear();
    if (result.reportOn) {
        m_problems = sequences::PathAnalyser::problems(result);
        GLfloat pose[16];
        analyser.tcpPoses(result, robot.getPlacement(), [this, &pose](const float *m) {
            std::copy(m, m + 16, pose);
            emit TCP_Points_Add_signal(pose);
        });
    }

    Sequence_Clear();
    m_nodes.resize(result.path.size());
    for (std::size_t k = 0; k < result.path.size(); ++k) {
        const sequences::PathPosition &p = result.path[k];
        nodeJOINTS &n = m_nodes[k];
        n.type = p.type;
        std::copy(p.joints.begin(), p.joints.end(), n.values.begin());
        n.values[6] = 0.0f;
        n.problem = p.problem;
    }
}

int Paths::showProgram(std::vector<sequences::ProgramLine> program,
                       const sequences::PathAnalyser::Result &result)
{
    Robot *r = robot();
    if (busy() || !r || !r->isLoaded())
        return -1;
    m_lastReportHtml.clear();
    setStatus(QString());
    emit pathAnalysed(result);
    const sequences::PathAnalyser analyser(*r);
    takePath(analyser, result, *r);
    m_program = std::move(program);
    emit RenderGL();
    // The robot stays where the user left it: the editor moves it when a
    // line is picked, and a jog between two recordings must not be undone.
    if (m_player) {
        const QSignalBlocker block(m_slider);
        m_slider->setMaximum(std::max(count() - 1, 0));
        m_countLabel->setText(QStringLiteral("/ ") + QString::number(count()));
    }
    emit listChanged();
    showPosition();
    return count();
}

void Paths::showReport(const QString &html, const QString &details)
{
    m_lastReportHtml = html;
    // Headless (a program without widgets) the report is only kept.
    if (!m_reportShown || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    // Without parent and not modal: the report stays open beside the player.
    if (!m_report)
        m_report = std::make_unique<QMessageBox>();
    m_report->setIcon(QMessageBox::Warning);
    m_report->setWindowTitle(uitext::get(uitext::Text::ReportTitle));
    m_report->setTextFormat(Qt::RichText);
    m_report->setText(html);
    m_report->setDetailedText(details);
    m_report->setWindowModality(Qt::NonModal);
    m_report->show();
    m_report->raise();
}

// ---------------------------------------------------------------- the player

void Paths::Sequence_Execute()
{
    m_timer.setInterval(0);
    m_step = 1;
    if (robotReady())
        m_timer.start();
}

void Paths::Sequence_Execute_Fast()
{
    m_timer.setInterval(0);
    m_step = 5;
    if (robotReady())
        m_timer.start();
}

void Paths::Sequence_Stop()
{
    m_timer.stop();
}

void Paths::Sequence_Reset()
{
    m_timer.stop();
    if (!robotReady())
        return;
    m_current = 0;
    if (m_nodes.empty())
        return;
    set_QTOTAL_Nodei(m_nodes.front());
    showPosition();
}

void Paths::Sequence_End()
{
    m_timer.stop();
    SetSimulationToPosition(count() - 1);
}

void Paths::Sequence_Toggle_Redo()
{
    m_loop = m_loop == 0 ? 1 : 0;
    if (m_player)
        m_loopButton->setIcon(QIcon(m_loop ? kLoopOnIcon : kLoopOffIcon));
}

void Paths::LEposEdited(const QString &txtin)
{
    bool ok = false;
    const int p = txtin.toInt(&ok, 10);
    if (ok && p >= 1 && p <= count())
        SetSimulationToPosition(p - 1);
}

void Paths::Sequence_On_Timer()
{
    if (m_nodes.empty() || !robotReady()) {
        m_timer.stop();
        return;
    }
    SetSimulationToPosition(m_current + m_step);
    if (m_current == count() - 1) {
        if (m_loop)
            SetSimulationToPosition(0);
        else
            m_timer.stop();
    }
}

void Paths::Sequence_Step_Forward()
{
    SetSimulationToPosition(m_current + m_step);
}

void Paths::Sequence_Step_Back()
{
    SetSimulationToPosition(m_current - 1);
}

void Paths::SetSimulationToPosition(int target)
{
    const int n = count();
    if (n > 0 && robotReady()) {
        const int from = std::min(m_current, n - 1);
        int reached = from;
        int flagged = -1;
        if (target < from) {
            if (from >= 1)
                reached = std::max(target, 0);
        } else if (target > from && from < n - 1) {
            reached = std::min(target, n - 1);
            if (playing()) {
                // Playing stops on the position before the first flagged
                // one, however many nodes this step passes.
                for (int k = from + 1; k <= reached; ++k) {
                    if (m_nodes[std::size_t(k)].problem != 0.0f) {
                        flagged = k;
                        break;
                    }
                }
                if (flagged >= 0)
                    reached = flagged - 1;
            }
            // Tool changes and placements passed over hold for everything
            // after them.
            for (int k = from + 1; k < reached && k < count(); ++k) {
                const double t = std::floor(double(m_nodes[std::size_t(k)].type));
                if (t == 4.0 || t == 5.0)
                    applyPlacement(m_nodes[std::size_t(k)]);
            }
        }
        m_current = reached;
        if (reached != from && reached < count())
            set_QTOTAL_Nodei(m_nodes[std::size_t(reached)]);
        if (flagged >= 0) {
            m_timer.stop();
            setStatus(problemStatus(int(m_nodes[std::size_t(flagged)].problem), flagged));
        }
    }
    showPosition();
}

void Paths::applyPlacement(const nodeJOINTS &node)
{
    const auto &v = node.values;
    double operands[6];
    std::copy(v.begin(), v.begin() + 6, operands);
    if (!jointlimits::placementUsable(operands)) {
        qCWarning(lcPaths) << "A placement with values that are not numbers is not applied";
        return;
    }
    const float toDeg = float(toolbox::kRadToDeg);
    Matrix4 m =
        toolbox::placementMatrix({v[0], v[1], v[2], v[3] * toDeg, v[4] * toDeg, v[5] * toDeg});
    const double type = double(node.type);
    if (std::floor(type) == 5.0) {
        emit Change_TCP_signal(m.data());
        return;
    }
    const int k = int(std::floor((type - std::floor(type)) * 100.0 + 0.5));
    if (k == 0)
        emit Change_WOBJ_signal(m.data());
    else
        emit Change_Object_signal(m.data(), k);
}

QString Paths::problemStatus(int code, int index) const
{
    QString text = uitext::get(uitext::Text::Discontinuity) + QLatin1Char(' ') +
                   sequences::PathAnalyser::problemTexts(code);
    // The report's own words for the position: what collides with what.
    const auto at = std::lower_bound(
        m_problems.begin(), m_problems.end(), index + 1,
        [](const sequences::PathProblem &p, int position) { return p.position < position; });
    if (index >= 0 && at != m_problems.end() && at->position == index + 1)
        text += at->detail;
    return text;
}

void Paths::set_QTOTAL_Nodei(const nodeJOINTS &applied)
{
    // A copy: whoever receives the signals below may load a new list.
    const nodeJOINTS node = applied;
    const double t = std::floor(double(node.type));
    if (t == 1.0) {
        GLfloat q[7];
        bool finite = true;
        for (std::size_t k = 0; k < 7; ++k) {
            q[k] = node.values[k];
            finite = finite && (k == 6 || std::isfinite(q[k]));
        }
        const Robot *r = robot();
        const jointlimits::Verdict v = r ? jointlimits::check(*r, q) : jointlimits::Verdict{false};
        if (finite && v.ok)
            emit setConfiguration_precise_signal(q);
        else
            qCWarning(lcPaths).noquote()
                << QStringLiteral("A position is not applied: %1").arg(jointlimits::describe(v));
    } else if (t == 4.0 || t == 5.0) {
        applyPlacement(node);
    } else {
        qCDebug(lcPaths) << "Instruction not recognised";
    }
    emit updateIKslider_signal();
    if (node.problem != 0.0f && playing()) {
        m_timer.stop();
        Sequence_Step_Back();
        // The node applied is the current one (the list may have been
        // replaced meanwhile: then no position is named).
        const bool current = m_current >= 0 && m_current < count() &&
                             m_nodes[std::size_t(m_current)].problem == node.problem;
        setStatus(problemStatus(int(node.problem), current ? m_current : -1));
    } else {
        setStatus(QString());
    }
}

bool Paths::handleKey(QKeyEvent *event)
{
    if (!event || (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        return false;
    switch (event->key()) {
    case Qt::Key_Down:
        Sequence_Execute();
        return true;
    case Qt::Key_Up:
        Sequence_Reset();
        return true;
    case Qt::Key_Right:
        Sequence_Stop();
        Sequence_Step_Forward();
        return true;
    case Qt::Key_Left:
        Sequence_Stop();
        Sequence_Step_Back();
        return true;
    case Qt::Key_Escape:
        Sequence_Stop();
        return true;
    default:
        return false;
    }
}
