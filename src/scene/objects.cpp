#include "objects.h"

#include "kinematics/logging.h"
#include "listkeys.h"
#include "models/cnumber.h"
#include "objectdraw.h"
#include "placement.h"
#include "render/frameglyph.h"
#include "texts/uitexts.h"

#include <GL/gl.h>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

Objects::Objects(QObject *parent) : QObject(parent) {}

Objects::~Objects()
{
    if (m_list)
        m_list->removeEventFilter(this);
}

void Objects::setupWidgets(QDockWidget *listDock, QDockWidget *propertiesDock)
{
    m_listDock = listDock;
    m_propertiesDock = propertiesDock;
    m_list = new QListWidget(listDock);
    m_list->installEventFilter(this);
    listDock->setWidget(m_list);

    auto *form = new QWidget(propertiesDock);
    auto *box = new QVBoxLayout(form);
    box->setContentsMargins(4, 4, 4, 4);
    box->setSpacing(1);
    auto *nameRow = new QHBoxLayout;
    nameRow->setSpacing(1);
    m_nameLabel = new QLabel(tr("Obj Name"), form);
    nameRow->addWidget(m_nameLabel);
    m_name = new QLineEdit(form);
    // Station files separate their fields with "#": a name must not hold one.
    m_name->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^#]*")), m_name));
    nameRow->addWidget(m_name);
    box->addLayout(nameRow);
    m_visible = new QCheckBox(tr("Visible"), form);
    box->addWidget(m_visible);
    m_flip = new QCheckBox(tr("Flip normals"), form);
    box->addWidget(m_flip);
    m_ignore = new QToolButton(form);
    m_ignore->setPopupMode(QToolButton::InstantPopup);
    m_ignore->setMenu(new QMenu(m_ignore));
    m_ignore->setObjectName(QStringLiteral("ignoreCollisions"));
    box->addWidget(m_ignore);
    retranslate();
    auto *scaleRow = new QHBoxLayout;
    scaleRow->setSpacing(1);
    m_scaleLabel = new QLabel(tr("Scale = "), form);
    scaleRow->addWidget(m_scaleLabel);
    m_scale = new QLineEdit(form);
    scaleRow->addWidget(m_scale);
    box->addLayout(scaleRow);
    m_placement = new QLineEdit(form);
    fitPlacementField(m_placement);
    box->addWidget(m_placement);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(1);
    m_remove = new QPushButton(tr("Remove"), form);
    m_remove->setFixedWidth(100);
    m_ok = new QPushButton(tr("OK"), form);
    m_ok->hide();
    buttons->addWidget(m_remove);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    box->addLayout(buttons);
    propertiesDock->setWidget(form);
    resetForm();

    connect(m_list, &QListWidget::doubleClicked, this, &Objects::ObjList_DoubleClicked);
    connect(m_list, &QListWidget::clicked, this, &Objects::ObjList_JustClicked);
    connect(m_name, &QLineEdit::textEdited, this, &Objects::GUIobjectNameChanged);
    connect(m_visible, &QCheckBox::clicked, this, &Objects::GUIobjectVisibleChanged);
    connect(m_flip, &QCheckBox::clicked, this, &Objects::GUIobjectFlipNormalsChanged);
    connect(m_scale, &QLineEdit::returnPressed, this, &Objects::GUIobjectScaleChanged);
    connect(m_placement, &QLineEdit::returnPressed, this, &Objects::GUIobjectPositionChanged);
    connect(m_remove, &QPushButton::pressed, this, &Objects::GUIobject_DoRemove);
    connect(m_ok, &QPushButton::pressed, this, &Objects::GUIobject_DoOk);
    // Filled as it opens, so it shows what holds now (the checker's own
    // choice for an object the user never set).
    connect(m_ignore->menu(), &QMenu::aboutToShow, this, &Objects::fillIgnoreMenu);
}

void Objects::setIgnoreMaskSource(std::function<unsigned(int)> source)
{
    m_ignoreSource = std::move(source);
}

QString Objects::robotPartText(int part)
{
    if (part == 0)
        return uitext::get(uitext::Text::PartBase);
    if (part == kRobotParts - 1)
        return uitext::get(uitext::Text::PartTool);
    return uitext::get(uitext::Text::PartLink).arg(part);
}

void Objects::retranslate()
{
    if (m_ignore)
        m_ignore->setText(uitext::get(uitext::Text::IgnoreCollisions) + QStringLiteral("…"));
}

void Objects::fillIgnoreMenu()
{
    QMenu *menu = m_ignore ? m_ignore->menu() : nullptr;
    if (!menu)
        return;
    menu->clear();
    const int object = m_selected;
    const unsigned mask = m_ignoreSource && validSelection() ? m_ignoreSource(object) : 0u;
    for (int part = 0; part < kRobotParts; ++part) {
        QAction *a = menu->addAction(robotPartText(part));
        a->setCheckable(true);
        a->setChecked(((mask >> part) & 1u) != 0);
        a->setEnabled(validSelection());
        connect(a, &QAction::toggled, this, [this, object, part](bool on) {
            if (!entry(object) || !m_ignoreSource)
                return;
            const unsigned bit = 1u << part;
            const unsigned now = m_ignoreSource(object);
            emit ignoreMaskEdited(object, on ? now | bit : now & ~bit);
        });
    }
}

const ObjectEntry *Objects::entry(int index) const
{
    return index >= 0 && index < int(m_entries.size()) ? m_entries[std::size_t(index)].get()
                                                       : nullptr;
}

ObjectEntry *Objects::entry(int index)
{
    return index >= 0 && index < int(m_entries.size()) ? m_entries[std::size_t(index)].get()
                                                       : nullptr;
}

int Objects::AddObject(const QString &fileName, const QString &name, float scale, int visible,
                       int flipNormals, const Matrix4 &pose)
{
    if (int(m_entries.size()) >= kMaxObjects) {
        const QString text = tr("The station already holds %1 objects; %2 was not added.")
                                 .arg(kMaxObjects)
                                 .arg(fileName);
        qCWarning(lcMesh).noquote() << text;
        if (m_collect)
            m_collect->append(text);
        else
            emit userMessage(text);
        return kTableFull;
    }
    auto e = std::make_unique<ObjectEntry>();
    QString why, note;
    if (readObjectMesh(fileName, *e, &why, &note) != 0) {
        const QString text = tr("The object file %1 was not added: %2").arg(fileName, why);
        qCWarning(lcMesh).noquote() << text;
        if (m_collect)
            m_collect->append(text);
        else
            emit userMessage(text);
        return -1;
    }
    if (!note.isEmpty()) {
        // Added all the same (the station keeps its reference), but an object
        // that shows nothing, or less than its file promised, is said.
        const QString text = uitext::get(uitext::Text::ObjectFileNote).arg(fileName, note);
        qCWarning(lcMesh).noquote() << text;
        if (m_collect)
            m_notes.append(text);
        else
            emit userMessage(text);
    }
    e->name = name;
    e->scale = scale;
    e->visible = visible;
    e->flipNormals = flipNormals;
    e->pose = pose;
    if (m_list)
        m_list->addItem(
            new QListWidgetItem(QApplication::style()->standardIcon(QStyle::SP_FileIcon), name));
    m_entries.push_back(std::move(e));
    showObject(int(m_entries.size()) - 1);
    emit Render_GL();
    return 0;
}

void Objects::collectRefusals(QStringList *into)
{
    m_collect = into;
    if (into || m_notes.isEmpty())
        return;
    QStringList shown = m_notes.mid(0, 5);
    if (m_notes.size() > 5)
        shown.append(QStringLiteral("\u2026"));
    m_notes.clear();
    emit userMessage(shown.join(QLatin1Char('\n')));
}

void Objects::markRefused(QWidget *field, bool refused)
{
    if (!field || field->property("refused").toBool() == refused)
        return;
    field->setProperty("refused", refused);
    field->setStyleSheet(refused ? QStringLiteral("background-color: #ffd6d6;") : QString());
}

void Objects::showFieldText(QLineEdit *field, const QString &text)
{
    if (!field)
        return;
    field->setText(text); // clears the field's modified flag
    field->setProperty("shown", text);
}

bool Objects::fieldEdited(const QLineEdit *field)
{
    return field && field->text() != field->property("shown").toString();
}

void Objects::fitPlacementField(QLineEdit *field)
{
    const Pose6 wide{-1000.0f, -1000.0f, 1000.0f, 180.0f, -90.0f, 180.0f};
    const QMargins m = field->textMargins() + field->contentsMargins();
    // The frame and the cursor take a few pixels more than the text.
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(placement::toText(wide)) +
                           m.left() + m.right() + 12);
}

int Objects::AddObject(const QString &fileName)
{
    QString name = QFileInfo(fileName).fileName();
    name.chop(4); // the extension with its dot
    return AddObject(fileName, name, 1.0f, 1, 0, toolbox::identity());
}

void Objects::removeAll()
{
    while (!m_entries.empty()) {
        m_selected = int(m_entries.size()) - 1;
        removeSelected();
    }
    m_selected = 0;
}

void Objects::removeSelected()
{
    if (!validSelection())
        return;
    if (m_list)
        delete m_list->takeItem(m_selected);
    m_entries.erase(m_entries.begin() + m_selected);
    resetForm();
    if (!m_entries.empty())
        showObject(int(m_entries.size()) - 1);
    emit Render_GL();
}

void Objects::paintAll(const std::vector<char> &red) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        drawObject(*m_entries[i], i < red.size() && red[i] != 0);
    if (validSelection() && m_propertiesDock && m_propertiesDock->isVisible()) {
        FrameGlyph::draw();
        glPushMatrix();
        glMultMatrixf(m_entries[std::size_t(m_selected)]->pose.data());
        FrameGlyph::draw();
        glPopMatrix();
    }
}

void Objects::setEulerConvention(int convention)
{
    m_convention = convention;
    if (validSelection())
        showObject(m_selected);
}

void Objects::resetForm()
{
    m_selected = -1;
    if (!m_name)
        return;
    m_name->setText(QStringLiteral("-"));
    m_visible->setChecked(true);
    m_flip->setChecked(false);
    showFieldText(m_scale, QStringLiteral("1.000"));
    showFieldText(m_placement, QStringLiteral("-"));
    markRefused(m_scale, false);
    markRefused(m_placement, false);
}

void Objects::showObject(int index)
{
    const ObjectEntry *e = entry(index);
    if (!e)
        return;
    m_selected = index;
    if (!m_name)
        return;
    m_name->setText(e->name);
    m_visible->setChecked(e->visible != 0);
    m_flip->setChecked(e->flipNormals != 0);
    showFieldText(m_scale, QString::number(double(e->scale), 'f', 3));
    showFieldText(m_placement, placement::toText(toolbox::matrixToPose(toolbox::transpose(e->pose),
                                                                       m_convention)));
    // A mark belongs to what was typed for the object shown before; a
    // refusal marks its field again after showing the object.
    markRefused(m_scale, false);
    markRefused(m_placement, false);
    if (m_list)
        m_list->setCurrentRow(index);
}

void Objects::ObjList_DoubleClicked(const QModelIndex &index)
{
    ObjList_JustClicked(index);
}

void Objects::ObjList_JustClicked(const QModelIndex &index)
{
    if (!entry(index.row()))
        return;
    showObject(index.row());
    if (m_propertiesDock)
        m_propertiesDock->show();
    emit Render_GL();
}

void Objects::GUIobjectNameChanged(const QString &str_in)
{
    if (!validSelection())
        return;
    m_entries[std::size_t(m_selected)]->name = str_in;
    if (m_list && m_list->item(m_selected))
        m_list->item(m_selected)->setText(str_in);
}

void Objects::GUIobjectVisibleChanged(bool checked)
{
    if (!validSelection())
        return;
    m_entries[std::size_t(m_selected)]->visible = checked ? 1 : 0;
    emit Render_GL();
}

void Objects::GUIobjectFlipNormalsChanged(bool checked)
{
    if (!validSelection())
        return;
    m_entries[std::size_t(m_selected)]->flipNormals = checked ? 1 : 0;
    emit Render_GL();
}

void Objects::GUIobjectScaleChanged()
{
    if (!validSelection())
        return;
    // A scale of 0 or 1e30 makes the object vanish or swallow the scene.
    double s = 0.0;
    ObjectEntry *e = m_entries[std::size_t(m_selected)].get();
    // The shown scale is rounded to 3 decimals: typed again as it is, it is
    // good input that changes nothing.
    if (!fieldEdited(m_scale)) {
        if (m_scale->isModified())
            markRefused(m_scale, false);
        m_scale->setModified(false);
        return;
    }
    if (!typed::number(m_scale->text(), &s) || s <= 0.0 || s > kMaxScale) {
        const QString typedText = m_scale->text().trimmed();
        showFieldText(m_scale, QString::number(double(e->scale), 'f', 3));
        markRefused(m_scale, true);
        emit userMessage(uitext::get(uitext::Text::ScaleRefused).arg(typedText).arg(kMaxScale));
        return;
    }
    markRefused(m_scale, false);
    e->scale = float(s);
    showFieldText(m_scale, QString::number(s, 'f', 3));
    emit Render_GL();
}

void Objects::GUIobjectPositionChanged()
{
    if (!validSelection())
        return;
    // The shown placement is rounded to 2 decimals (likewise).
    if (!fieldEdited(m_placement)) {
        if (m_placement->isModified())
            markRefused(m_placement, false);
        m_placement->setModified(false);
        return;
    }
    Pose6 p{};
    QString why;
    if (!placement::parse(m_placement->text(), &p, &why)) {
        showObject(m_selected);
        markRefused(m_placement, true);
        emit userMessage(uitext::get(uitext::Text::PlacementRefused).arg(why));
        return;
    }
    markRefused(m_placement, false);
    showFieldText(m_placement, placement::toText(p));
    m_entries[std::size_t(m_selected)]->pose =
        toolbox::transpose(toolbox::poseToMatrix(p, m_convention));
    emit Render_GL();
}

void Objects::GUIobject_DoRemove()
{
    removeSelected();
}

void Objects::GUIobject_DoOk()
{
    if (m_propertiesDock)
        m_propertiesDock->hide();
    emit Render_GL();
}

bool Objects::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: comparing with a list that is being destroyed would
    // convert a pointer to a half-destroyed object.
    const listkeys::Action action = listkeys::classify(event);
    if (action != listkeys::Action::NotAKey && watched == m_list.data()) {
        if (action == listkeys::Action::Remove) {
            qCDebug(lcMesh) << "del press";
            removeSelected();
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}
