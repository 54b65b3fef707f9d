#include "programdock.h"

#include "kinematics/jointlimits.h"
#include "kinematics/robot.h"
#include "scene/glwidget.h"
#include "scene/panelcommands.h"
#include "sequences/paths.h"
#include "sequences/programtext.h"
#include "texts/uitexts.h"
#include "ui/menuprincipal.h"
#include "ui/programtable.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using uitext::Text;
using program::Kind;

namespace {

int &unsavedAnswer()
{
    static int answer = QMessageBox::Discard;
    return answer;
}

// The kinds a move line may be changed to, in the order of the box.
const Kind kMoveKinds[] = {Kind::JointMove, Kind::LinearMove, Kind::CircleVia, Kind::CircleEnd};

} // namespace

void ProgramDock::setUnsavedAnswer(int standardButton)
{
    unsavedAnswer() = standardButton;
}

QAction *ProgramDock::makeAction(const QString &name, const QKeySequence &keys)
{
    auto *a = new QAction(this);
    a->setObjectName(name);
    if (!keys.isEmpty())
        a->setShortcut(keys);
    return a;
}

ProgramDock::ProgramDock(PanelCommands *panel, Paths *paths, QWidget *parent)
    : QWidget(parent), m_panel(panel), m_paths(paths), m_program(new program::Program(this))
{
    setObjectName(QStringLiteral("programView"));
    programui::ProgramTable::Hooks hooks;
    hooks.edit = [this](int row, program::Field field, const QString &text) {
        QString error;
        const bool ok = m_program->setCell(robot(), row, field, text, m_panel->eulerCode(), &error);
        done(ok, error.isEmpty() ? QString() : uitext::get(Text::ProgramCellRefused).arg(row + 1).arg(error));
        return ok;
    };
    hooks.move = [this](const std::vector<int> &rows, int before) {
        QString error;
        done(m_program->moveTo(rows, before, &error), error);
    };
    hooks.pose = [this](int row, Pose6 *pose) {
        return m_program->pose(robot(), row, m_panel->eulerCode(), pose);
    };
    m_model = new programui::ProgramTable(m_program, std::move(hooks), this);

    // Files and undo live in the window's menus; the keys work wherever the
    // focus is in the window. Alt, not Ctrl, for recording: Ctrl+K and
    // Ctrl+U edit the text of the joint box the user has just typed into.
    m_new = makeAction(QStringLiteral("actionProgramNew"));
    m_open = makeAction(QStringLiteral("actionProgramOpen"));
    m_save = makeAction(QStringLiteral("actionProgramSave"));
    m_saveAs = makeAction(QStringLiteral("actionProgramSaveAs"));
    m_undo = makeAction(QStringLiteral("actionProgramUndo"), QKeySequence::Undo);
    m_redo = makeAction(QStringLiteral("actionProgramRedo"));
    m_redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                          QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_recordJoint = makeAction(QStringLiteral("actionRecordJoint"), Qt::ALT | Qt::Key_J);
    m_recordLinear = makeAction(QStringLiteral("actionRecordLinear"), Qt::ALT | Qt::Key_L);
    m_recordCircle = makeAction(QStringLiteral("actionRecordCircle"), Qt::ALT | Qt::Key_C);
    m_recordTool = makeAction(QStringLiteral("actionRecordTool"), Qt::ALT | Qt::Key_T);
    m_touchUp = makeAction(QStringLiteral("actionTouchUp"), Qt::ALT | Qt::Key_U);
    m_delete = makeAction(QStringLiteral("actionProgramDelete"), QKeySequence::Delete);
    m_duplicate = makeAction(QStringLiteral("actionProgramDuplicate"));
    m_up = makeAction(QStringLiteral("actionProgramUp"), Qt::ALT | Qt::Key_Up);
    m_down = makeAction(QStringLiteral("actionProgramDown"), Qt::ALT | Qt::Key_Down);
    // Delete and the arrows belong to every text field too: only while the
    // focus is in this dock are they the program's.
    for (QAction *a : {m_delete, m_up, m_down}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("programToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Short labels that read alike in every language; the tooltips say more.
    m_recordJoint->setIconText(QStringLiteral("+J"));
    m_recordLinear->setIconText(QStringLiteral("+L"));
    m_recordCircle->setIconText(QStringLiteral("+C"));
    m_recordTool->setIconText(QStringLiteral("+T"));
    m_toolBar->addActions({m_recordJoint, m_recordLinear, m_recordCircle, m_recordTool});
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_touchUp);
    m_toolBar->addAction(m_duplicate);
    m_delete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    m_up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    m_down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    for (QAction *a : {m_delete, m_up, m_down}) {
        m_toolBar->addAction(a);
        if (auto *button = m_toolBar->widgetForAction(a))
            if (auto *tool = qobject_cast<QToolButton *>(button))
                tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    // What the selected lines are made of, on a row of its own so that a
    // narrow dock hides none of it behind the tool bar's overflow.
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("programKind"));
    m_speed = new QLineEdit(this);
    m_speed->setObjectName(QStringLiteral("programSpeed"));
    m_zone = new QLineEdit(this);
    m_zone->setObjectName(QStringLiteral("programZone"));
    m_apply = new QPushButton(this);
    m_apply->setObjectName(QStringLiteral("programApply"));
    auto *lineRow = new QHBoxLayout;
    lineRow->setContentsMargins(4, 0, 0, 0);
    lineRow->addWidget(m_kind);
    lineRow->addSpacing(8);
    lineRow->addWidget(m_speed);
    lineRow->addWidget(m_zone);
    lineRow->addWidget(m_apply);
    lineRow->addStretch(1);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("programTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setDragEnabled(true);
    m_table->setAcceptDrops(true);
    m_table->setDragDropMode(QAbstractItemView::InternalMove);
    m_table->setDropIndicatorShown(true);
    m_table->setDragDropOverwriteMode(false);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->verticalHeader()->hide();
    // One height for every row: a long program scrolls without measuring.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Widths for the numbers they hold (a joint's "-165.00", a pose's
    // "-1234.56"), set once: measuring every row would cost a long program.
    const int digit = m_table->fontMetrics().horizontalAdvance(QStringLiteral("0"));
    m_table->setColumnWidth(programui::LineColumn, 7 * digit);
    m_table->setColumnWidth(programui::KindColumn, 18 * digit);
    for (int k = 0; k < 6; ++k) {
        m_table->setColumnWidth(programui::FirstOperandColumn + k, 9 * digit);
        m_table->setColumnWidth(programui::FirstPoseColumn + k, 10 * digit);
    }
    m_table->setColumnWidth(programui::SpeedColumn, 8 * digit);
    m_table->setColumnWidth(programui::ZoneColumn, 7 * digit);
    m_table->setColumnWidth(programui::CheckColumn, 28 * digit);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("programStatus"));
    m_status->setWordWrap(true);
    m_status->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 2);
    layout->setSpacing(1);
    layout->addWidget(m_toolBar);
    layout->addLayout(lineRow);
    layout->addWidget(m_table);
    layout->addWidget(m_status);

    connect(m_new, &QAction::triggered, this, [this]() {
        if (mayDiscard())
            m_program->clear();
    });
    connect(m_open, &QAction::triggered, this, &ProgramDock::openWithDialog);
    connect(m_save, &QAction::triggered, this, &ProgramDock::save);
    connect(m_saveAs, &QAction::triggered, this, &ProgramDock::saveWithDialog);
    connect(m_undo, &QAction::triggered, this, [this]() { done(m_program->undo(), QString()); });
    connect(m_redo, &QAction::triggered, this, [this]() { done(m_program->redo(), QString()); });
    connect(m_recordJoint, &QAction::triggered, this, [this]() { record(Kind::JointMove); });
    connect(m_recordLinear, &QAction::triggered, this, [this]() { record(Kind::LinearMove); });
    connect(m_recordCircle, &QAction::triggered, this, [this]() { record(Kind::CircleVia); });
    connect(m_recordTool, &QAction::triggered, this, [this]() { record(Kind::ToolChange); });
    connect(m_touchUp, &QAction::triggered, this, &ProgramDock::touchUp);
    const auto onSelected = [this](bool (program::Program::*edit)(const std::vector<int> &,
                                                                   QString *)) {
        return [this, edit]() {
            const std::vector<int> rows = selectedRows();
            if (rows.empty())
                return say(uitext::get(Text::ProgramNoLine));
            QString error;
            done((m_program->*edit)(rows, &error), error);
        };
    };
    connect(m_delete, &QAction::triggered, this, onSelected(&program::Program::remove));
    connect(m_duplicate, &QAction::triggered, this, onSelected(&program::Program::duplicate));
    connect(m_up, &QAction::triggered, this, onSelected(&program::Program::moveUp));
    connect(m_down, &QAction::triggered, this, onSelected(&program::Program::moveDown));
    connect(m_kind, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
        const std::vector<int> rows = selectedRows();
        if (rows.empty())
            return say(uitext::get(Text::ProgramNoLine));
        QString error;
        done(m_program->setKind(rows, kMoveKinds[i], &error), error);
    });
    const auto applySpeedZone = [this]() {
        const std::vector<int> rows = selectedRows();
        if (rows.empty())
            return say(uitext::get(Text::ProgramNoLine));
        // An empty field leaves that value of the lines alone.
        const QString speed = m_speed->text().trimmed(), zone = m_zone->text().trimmed();
        QString error;
        done(m_program->setSpeedZone(rows, speed.isEmpty() ? QString() : speed,
                                     zone.isEmpty() ? QString() : zone, &error),
             error);
    };
    connect(m_apply, &QPushButton::clicked, this, applySpeedZone);
    connect(m_speed, &QLineEdit::returnPressed, this, applySpeedZone);
    connect(m_zone, &QLineEdit::returnPressed, this, applySpeedZone);

    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &now) {
                if (!m_selecting && now.isValid())
                    goTo(now.row());
            });
    connect(m_program, &program::Program::changed, this, &ProgramDock::programChanged);
    // Analysed on the next turn of the event loop: several edits in one go
    // (a drop, a paste) cost one analysis.
    m_analysis.setSingleShot(true);
    m_analysis.setInterval(0);
    connect(&m_analysis, &QTimer::timeout, this, &ProgramDock::analyseNow);
    if (m_paths)
        connect(m_paths, &Paths::programRead, this, &ProgramDock::takeFromPlayer);
    retranslate();
}

ProgramDock::~ProgramDock() = default;

QList<QAction *> ProgramDock::fileActions() const
{
    return {m_new, m_open, m_save, m_saveAs};
}

QList<QAction *> ProgramDock::undoActions() const
{
    return {m_undo, m_redo};
}

QList<QAction *> ProgramDock::editActions() const
{
    return {m_recordJoint, m_recordLinear, m_recordCircle, m_recordTool, m_touchUp,
            m_duplicate,   m_delete,       m_up,           m_down};
}

Robot *ProgramDock::robot() const
{
    glwidget *v = m_panel ? m_panel->view() : nullptr;
    Robot *r = v ? v->selectedRobot() : nullptr;
    return r && r->isLoaded() ? r : nullptr;
}

std::vector<int> ProgramDock::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &i : m_table->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int ProgramDock::currentRow() const
{
    const QModelIndex i = m_table->selectionModel()->currentIndex();
    // A current line that is not selected (after a click that cleared the
    // selection with Ctrl) is not the one the user means.
    return i.isValid() && m_table->selectionModel()->isRowSelected(i.row(), QModelIndex())
               ? i.row()
               : -1;
}

void ProgramDock::say(const QString &text, bool refusal)
{
    m_status->setStyleSheet(refusal ? QStringLiteral("color: #b40000") : QString());
    if (text == m_notice)
        return;
    m_notice = text;
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
    emit noticeChanged(text);
}

void ProgramDock::done(bool ok, const QString &error)
{
    if (!ok) {
        if (!error.isEmpty())
            say(error);
        return;
    }
    say(QString());
}

void ProgramDock::record(Kind kind)
{
    // Without a robot there is no position: the model says so.
    const int after = currentRow() >= 0 ? currentRow() : m_program->size() - 1;
    QString error;
    done(m_program->record(robot(), kind, after, &error), error);
}

void ProgramDock::touchUp()
{
    const int row = currentRow();
    if (row < 0)
        return say(uitext::get(Text::ProgramNoLine));
    QString error;
    done(m_program->touchUp(robot(), row, &error), error);
}

void ProgramDock::programChanged()
{
    m_model->reload();
    selectRows(m_program->lastRows());
    updateUndoTexts();
    m_analysis.start();
}

void ProgramDock::selectRows(const std::vector<int> &rows)
{
    m_selecting = true;
    QItemSelectionModel *s = m_table->selectionModel();
    QItemSelection selection;
    for (int r : rows)
        if (r >= 0 && r < m_program->size())
            selection.select(m_model->index(r, 0), m_model->index(r, programui::ColumnCount - 1));
    s->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty()) {
        const QModelIndex last = m_model->index(rows.back(), 0);
        s->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
        m_table->scrollTo(last);
    }
    m_selecting = false;
}

void ProgramDock::updateUndoTexts()
{
    m_undo->setEnabled(m_program->canUndo());
    m_redo->setEnabled(m_program->canRedo());
    m_undo->setText(uitext::get(Text::ProgramUndo).arg(m_program->undoText()).trimmed());
    m_redo->setText(uitext::get(Text::ProgramRedo).arg(m_program->redoText()).trimmed());
}

void ProgramDock::analyseNow()
{
    m_analysis.stop();
    Robot *r = robot();
    m_program->analyse(r);
    // The player plays what is edited; a program it read itself it already
    // holds, playing.
    if (r && m_paths && !m_fromPlayer)
        m_paths->showProgram(m_program->lines(), m_program->analysis());
    m_fromPlayer = false;
    m_model->refreshComputed();
}

void ProgramDock::goTo(int row)
{
    Robot *r = robot();
    if (!r || row < 0 || row >= m_program->size())
        return;
    const sequences::ProgramLine &line = m_program->line(row);
    const bool move = program::isMove(m_program->kind(row));
    if (move) {
        const jointlimits::Verdict v = jointlimits::check(*r, line.operands.data());
        if (!v.ok)
            return say(uitext::get(Text::ProgramGoToRefused)
                           .arg(row + 1)
                           .arg(jointlimits::describe(v)));
    }
    // The player's position (and with it the plots' cursor) at the line's
    // last position of the path, when the analysis is the program's.
    if (m_paths && m_program->analysisCurrent() && !m_analysis.isActive()) {
        const auto &path = m_program->analysis().path;
        int at = -1;
        for (int k = int(path.size()) - 1; k >= 0; --k)
            if (path[std::size_t(k)].pathId == row) {
                at = k;
                break;
            }
        if (at >= 0 && m_paths->count() == int(path.size())) {
            m_paths->Sequence_Stop();
            m_paths->SetSimulationToPosition(at);
        }
    }
    if (move) {
        // The line's own joints: the path may have reached its pose with
        // other ones.
        GLfloat q[6];
        for (std::size_t k = 0; k < 6; ++k)
            q[k] = GLfloat(line.operands[k]);
        m_panel->setConfiguration_precise(q);
        m_panel->updateIKslider();
    }
    say(QString());
}

void ProgramDock::takeFromPlayer(const QString &text)
{
    sequences::ProgramText read = sequences::parseProgramText(text);
    if (!read.error.isEmpty() || !mayDiscard())
        return;
    m_fromPlayer = true;
    m_program->replace(std::move(read.lines));
}

bool ProgramDock::mayDiscard()
{
    if (!m_program->isModified())
        return true;
    int answer = unsavedAnswer();
    if (MenuPrincipal::interactive())
        answer = QMessageBox::question(window(), QStringLiteral("Velkari"),
                                       uitext::get(Text::ProgramUnsaved),
                                       QMessageBox::Save | QMessageBox::Discard |
                                           QMessageBox::Cancel,
                                       QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return save();
    return answer == QMessageBox::Discard;
}

bool ProgramDock::openFile(const QString &fileName)
{
    QString error;
    if (!m_program->load(fileName, &error)) {
        say(error);
        return false;
    }
    say(QString());
    return true;
}

bool ProgramDock::saveFile(const QString &fileName)
{
    QString error;
    if (!m_program->save(fileName, &error)) {
        say(error);
        return false;
    }
    say(uitext::get(Text::ProgramSaved).arg(QFileInfo(fileName).absoluteFilePath()), false);
    return true;
}

bool ProgramDock::save()
{
    if (m_program->fileName().isEmpty())
        return saveWithDialog();
    return saveFile(m_program->fileName());
}

void ProgramDock::openWithDialog()
{
    if (!MenuPrincipal::interactive() || !mayDiscard())
        return;
    const QString file = QFileDialog::getOpenFileName(
        window(), uitext::get(Text::ProgramOpen), QFileInfo(m_program->fileName()).path(),
        uitext::get(Text::ProgramFiles) + QStringLiteral(";;") + uitext::get(Text::AllFiles) +
            QStringLiteral(" (*)"));
    if (!file.isEmpty())
        openFile(file);
}

bool ProgramDock::saveWithDialog()
{
    if (!MenuPrincipal::interactive())
        return false;
    QString file = QFileDialog::getSaveFileName(window(), uitext::get(Text::ProgramSaveAs),
                                                m_program->fileName(),
                                                uitext::get(Text::ProgramFiles));
    if (file.isEmpty())
        return false;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".sim");
    return saveFile(file);
}

void ProgramDock::refreshPoses()
{
    m_model->retranslate(m_panel->eulerCode());
}

void ProgramDock::retranslate()
{
    const std::pair<QAction *, Text> tips[] = {
        {m_recordJoint, Text::ProgramRecordJointTip}, {m_recordLinear, Text::ProgramRecordLinearTip},
        {m_recordCircle, Text::ProgramRecordCircleTip}, {m_recordTool, Text::ProgramRecordToolTip},
        {m_touchUp, Text::ProgramTouchUpTip},         {m_delete, Text::ProgramDeleteTip},
        {m_duplicate, Text::ProgramDuplicateTip},     {m_up, Text::ProgramMoveUpTip},
        {m_down, Text::ProgramMoveDownTip}};
    for (const auto &t : tips) {
        // The menus show the tooltip without the keys in brackets (they
        // show the keys themselves); the tool bar's buttons keep their
        // short labels.
        const QString tip = uitext::get(t.second);
        const int keys = tip.lastIndexOf(QStringLiteral(" ("));
        t.first->setText(keys > 0 && tip.endsWith(QLatin1Char(')')) ? tip.left(keys) : tip);
        t.first->setToolTip(tip);
    }
    m_touchUp->setIconText(uitext::get(Text::ProgramTouchUp));
    m_duplicate->setIconText(uitext::get(Text::ProgramDuplicate));
    m_new->setText(uitext::get(Text::ProgramNew));
    m_open->setText(uitext::get(Text::ProgramOpen));
    m_save->setText(uitext::get(Text::ProgramSave));
    m_saveAs->setText(uitext::get(Text::ProgramSaveAs));
    m_kind->clear();
    for (Kind k : kMoveKinds)
        m_kind->addItem(program::kindName(k));
    m_kind->setToolTip(uitext::get(Text::ProgramKindTip));
    for (const auto &field : {std::make_pair(m_speed, Text::ProgramColSpeed),
                              std::make_pair(m_zone, Text::ProgramColZone)}) {
        // As wide as the word that says what goes in, in every language.
        const QString word = uitext::get(field.second);
        field.first->setPlaceholderText(word);
        field.first->setMinimumWidth(
            field.first->fontMetrics().horizontalAdvance(word + QStringLiteral("MM")) + 8);
    }
    const QString speedTip = uitext::get(Text::ProgramApplySpeedZoneTip);
    for (QWidget *w : std::initializer_list<QWidget *>{m_speed, m_zone, m_apply})
        w->setToolTip(speedTip);
    m_apply->setText(uitext::get(Text::ProgramApplySpeedZone));
    updateUndoTexts();
    refreshPoses();
}
