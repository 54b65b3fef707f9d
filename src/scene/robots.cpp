#include "robots.h"

#include "render/robotpainter.h"

#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "texts/uitexts.h"
#include "listkeys.h"
#include "models/xml.h"
#include "objects.h"
#include "placement.h"
#include "render/frameglyph.h"

#include <GL/gl.h>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>

Robots::Robots(QObject *parent) : QObject(parent) {}

Robots::~Robots()
{
    if (m_list)
        m_list->removeEventFilter(this);
}

void Robots::setupWidgets(QDockWidget *listDock, QDockWidget *propertiesDock)
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
    nameRow->addWidget(new QLabel(tr("Robot Name"), form));
    m_name = new QLineEdit(QStringLiteral("-"), form);
    // Station files separate their fields with "#": a name must not hold one.
    m_name->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^#]*")), m_name));
    nameRow->addWidget(m_name);
    box->addLayout(nameRow);
    m_visible = new QCheckBox(tr("Visible"), form);
    m_visible->setChecked(true);
    box->addWidget(m_visible);
    m_placement = new QLineEdit(QStringLiteral("-"), form);
    Objects::fitPlacementField(m_placement);
    box->addWidget(m_placement);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(1);
    m_remove = new QPushButton(tr("Remove"), form);
    m_ok = new QPushButton(tr("OK"), form);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_ok);
    box->addLayout(buttons);
    propertiesDock->setWidget(form);

    connect(m_list, &QListWidget::doubleClicked, this, &Robots::ObjList_DoubleClicked);
    connect(m_list, &QListWidget::clicked, this, &Robots::ObjList_JustClicked);
    connect(m_name, &QLineEdit::textChanged, this, &Robots::GUIobjectNameChanged);
    connect(m_visible, &QCheckBox::clicked, this, &Robots::GUIobjectVisibleChanged);
    connect(m_placement, &QLineEdit::returnPressed, this, &Robots::GUIobjectPositionChanged);
    connect(m_remove, &QPushButton::pressed, this, &Robots::GUIobject_DoRemove);
    connect(m_ok, &QPushButton::pressed, this, &Robots::GUIobject_DoOk);
}

Robot *Robots::robot(int index) const
{
    if (index < 0 || index >= int(m_robots.size()))
        return nullptr;
    return m_robots[std::size_t(index)].get();
}

Robot *Robots::addRobot(const QByteArray &fileName, QString *error)
{
    // Read first: a description that fails must not cost the station the
    // robot it has.
    auto robot = std::make_unique<Robot>();
    if (robot->loadData(fileName.constData()) != 0 || !robot->isLoaded()) {
        if (error) {
            const QString file = QString::fromUtf8(fileName);
            const QString why = xml::lastError();
            *error = why.isEmpty()
                         ? tr("The robot description %1 could not be read.").arg(file)
                         : tr("The robot description %1 could not be read: %2.").arg(file, why);
        }
        return nullptr;
    }
    // The new robot takes the place of the one it replaces: it stands where
    // that one stood, keeps its World frame and mounts its tool.
    QString carriedTool = QStringLiteral("EMPTY");
    if (!m_robots.empty()) {
        const Robot &old = *m_robots.front();
        if (old.getHasTool())
            carriedTool = old.getToolPath();
        robot->setPlacement(old.getPlacement());
        robot->setHB(old.getHB());
    }
    removeAll();
    if (!carriedTool.contains(QLatin1String("EMPTY")))
        robot->loadTool(carriedTool.toUtf8().constData());

    Robot *r = robot.get();
    m_robots.push_back(std::move(robot));
    if (m_list) {
        auto *item = new QListWidgetItem(
            QApplication::style()->standardIcon(QStyle::SP_ComputerIcon), r->getName());
        m_list->addItem(item);
    }
    m_selected = int(m_robots.size()) - 1;
    showRobot(m_selected);
    emit RenderGL();
    return r;
}

void Robots::removeAll()
{
    while (!m_robots.empty()) {
        m_selected = int(m_robots.size()) - 1;
        if (m_list)
            delete m_list->takeItem(m_selected);
        m_robots.pop_back();
    }
    m_selected = 0;
}

void Robots::removeSelected()
{
    if (m_selected < 0 || m_selected >= int(m_robots.size()))
        return;
    if (m_list)
        delete m_list->takeItem(m_selected);
    m_robots.erase(m_robots.begin() + m_selected);
    if (m_selected >= int(m_robots.size()))
        m_selected = int(m_robots.size()) - 1;
    emit SelectedRobot(selected());
    if (m_propertiesDock)
        m_propertiesDock->hide();
    emit RenderGL();
}

void Robots::paintAll(const Robot *red, unsigned redParts) const
{
    for (const auto &r : m_robots)
        if (r->isVisible())
            RobotPainter::paintRobot(*r, r.get() == red ? redParts : 0u);
    const Robot *sel = selected();
    if (sel && m_propertiesDock && m_propertiesDock->isVisible()) {
        FrameGlyph::draw();
        glPushMatrix();
        const Matrix4 col = toolbox::transpose(sel->getPlacement());
        glMultMatrixf(col.data());
        FrameGlyph::draw();
        glPopMatrix();
    }
}

void Robots::setEulerConvention(int convention)
{
    m_convention = convention;
    if (selected())
        showRobot(m_selected);
}

void Robots::showRobot(int index)
{
    Robot *r = robot(index);
    if (!m_name || !r)
        return;
    m_name->setText(r->getName());
    m_visible->setChecked(r->isVisible());
    Objects::showFieldText(
        m_placement, placement::toText(toolbox::matrixToPose(r->getPlacement(), m_convention)));
    Objects::markRefused(m_placement, false); // a refusal marks it again after this
    if (m_list)
        m_list->setCurrentRow(index);
}

void Robots::ObjList_DoubleClicked(const QModelIndex &index)
{
    ObjList_JustClicked(index);
}

void Robots::ObjList_JustClicked(const QModelIndex &index)
{
    if (!robot(index.row()))
        return;
    m_selected = index.row();
    showRobot(m_selected);
    if (m_propertiesDock)
        m_propertiesDock->show();
    emit SelectedRobot(selected());
    emit RenderGL();
}

void Robots::GUIobjectNameChanged(const QString &str_in)
{
    Robot *r = selected();
    if (!r)
        return;
    r->setName(str_in);
    if (m_list && m_list->item(m_selected))
        m_list->item(m_selected)->setText(str_in);
}

void Robots::GUIobjectVisibleChanged(bool visible)
{
    Robot *r = selected();
    if (!r)
        return;
    r->setVisible(visible);
    emit RenderGL();
}

void Robots::GUIobjectPositionChanged()
{
    Robot *r = selected();
    if (!r)
        return;
    // The shown placement is rounded to 2 decimals: typed again as it is,
    // it is good input that changes nothing.
    if (!Objects::fieldEdited(m_placement)) {
        if (m_placement->isModified())
            Objects::markRefused(m_placement, false);
        m_placement->setModified(false);
        return;
    }
    // A typo must not throw the robot to the origin: refuse it as every
    // other typed field does and show the placement it keeps.
    Pose6 p{};
    QString why;
    if (!placement::parse(m_placement->text(), &p, &why)) {
        showRobot(m_selected);
        Objects::markRefused(m_placement, true);
        emit userMessage(uitext::get(uitext::Text::PlacementRefused).arg(why));
        return;
    }
    Objects::markRefused(m_placement, false);
    Objects::showFieldText(m_placement, placement::toText(p));
    r->setPlacement(toolbox::poseToMatrix(p, m_convention));
    emit RenderGL();
}

void Robots::GUIobject_DoRemove()
{
    removeSelected();
}

void Robots::GUIobject_DoOk()
{
    if (m_propertiesDock)
        m_propertiesDock->hide();
    emit RenderGL();
}

bool Robots::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: comparing with a list that is being destroyed would
    // convert a pointer to a half-destroyed object.
    const listkeys::Action action = listkeys::classify(event);
    if (action != listkeys::Action::NotAKey && watched == m_list.data()) {
        if (action == listkeys::Action::Remove) {
            qCDebug(lcRobot) << "del press";
            removeSelected();
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}
