#include "menuprincipal.h"

#include "kinematics/chain.h"
#include "kinematics/logging.h"
#include "kinematics/robot.h"
#include "language/about.h"
#include "language/relabel.h"
#include "links/lancontrol.h"
#include "links/serverlistener.h"
#include "models/cnumber.h"
#include "models/datadirs.h"
#include "models/tool.h"
#include "rapid/formabbutility.h"
#include "render/frameglyph.h"
#include "scene/glwidget.h"
#include "scene/objectmesh.h"
#include "scene/objects.h"
#include "scene/placement.h"
#include "scene/robots.h"
#include "sequences/pathanalysis.h"
#include "sequences/paths.h"
#include "sequences/sequenceparser.h"
#include "texts/uitexts.h"
#include "ui/collisionwatch.h"
#include "ui/panellanguage.h"
#include "ui/playerwiring.h"
#include "ui_menuprincipal.h"
#include "wii/wii.h"

#include <QApplication>
#include <QAudioDeviceInfo>
#include <QClipboard>
#include <QHBoxLayout>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTextBrowser>
#include <QWheelEvent>
#include <QSound>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

// One degree sign in every read-out, so a read-out copied into a field reads.
const QChar kOrdinal = typed::degreeSign();
const QChar kDegree = typed::degreeSign();

QString fixed(double v, int decimals, double threshold = 0.0)
{
    if (std::fabs(v) < threshold || v == 0.0)
        v = 0.0;
    QString t = QString::number(v, 'f', decimals);
    // -0.004 with two decimals: a zero has no sign.
    if (t.startsWith(QLatin1Char('-')) && t.midRef(1).toDouble() == 0.0)
        t.remove(0, 1);
    return t;
}

// Degrees to scroll-bar hundredths. Truncation would turn 0.29 into 28:
// 0.29 * 100 is 28.999999999999996 in double.
int hundredths(double degrees)
{
    return int(std::lround(degrees * 100.0));
}

QString frameText(const Pose6 &p, QChar mark)
{
    const QString mm = QStringLiteral(" mm, ");
    const QString deg = QString(mark) + QStringLiteral(", ");
    return fixed(p[0], 2) + mm + fixed(p[1], 2) + mm + fixed(p[2], 2) + mm + fixed(p[3], 2) + deg +
           fixed(p[4], 2) + deg + fixed(p[5], 2) + QString(mark);
}

bool audioOutputAvailable()
{
    static const bool available = [] {
        if (qEnvironmentVariableIsSet("VELKARI_NO_SOUND"))
            return false;
        for (const QAudioDeviceInfo &d : QAudioDeviceInfo::availableDevices(QAudio::AudioOutput))
            if (!d.isNull() && !d.deviceName().isEmpty())
                return true;
        return false;
    }();
    return available;
}

// "−165" with a real minus sign, as the limit labels read.
QString signedDegrees(double v)
{
    return QString::number(v, 'f', 0).replace(QLatin1Char('-'), QChar(0x2212));
}

} // namespace

JointSpinBox::JointSpinBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    setKeyboardTracking(false);
}

QValidator::State JointSpinBox::validate(QString &text, int &) const
{
    // Never Invalid: a keystroke is not eaten because the text is not (yet)
    // a number inside the limits; Return then says what is wrong with it.
    double v = 0.0;
    if (typed::number(text, &v, typed::Unit::Angle) && v >= minimum() && v <= maximum())
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

double JointSpinBox::valueFromText(const QString &text) const
{
    double v = 0.0;
    return typed::number(text, &v, typed::Unit::Angle) ? v : value();
}

QString JointSpinBox::textFromValue(double v) const
{
    return QString::number(v, 'f', decimals());
}

void JointSpinBox::fixup(QString &) const {}

bool JointSpinBox::passes()
{
    return !check || check(lineEdit()->text());
}

void JointSpinBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !passes()) {
        event->accept();
        return;
    }
    QDoubleSpinBox::keyPressEvent(event);
}

void JointSpinBox::focusOutEvent(QFocusEvent *event)
{
    passes();
    QDoubleSpinBox::focusOutEvent(event);
}

MenuPrincipal::MenuPrincipal(QWidget *parent, QDockWidget *robotPropertiesDock,
                             QDockWidget *robotsDock, QDockWidget *objectPropertiesDock,
                             QDockWidget *objectsDock, QDockWidget *simulationDock,
                             QDockWidget *abbDock)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MenuPrincipal"));
    // A missing clip, or a machine without any audio output, is simply
    // silent. Sound objects on a machine without a sound server only wait
    // for one that never answers, so they are not made there at all.
    if (audioOutputAvailable()) {
        const QString music = DataDirs::soundFile(QStringLiteral("Music.wav"));
        const QString effect = DataDirs::soundFile(QStringLiteral("Effect.wav"));
        if (!music.isEmpty())
            m_music = new QSound(music, this);
        if (!effect.isEmpty())
            m_effect = new QSound(effect, this);
    }
    QGLFormat::setDefaultFormat(glwidget::viewFormat());

    ui = new Ui::MenuPrincipal;
    ui->setupUi(this);
    m_bars = {ui->horizontalScrollBar01, ui->horizontalScrollBar02, ui->horizontalScrollBar03,
              ui->horizontalScrollBar04, ui->horizontalScrollBar05, ui->horizontalScrollBar06};
    m_spins = {ui->doubleSpinBox01, ui->doubleSpinBox02, ui->doubleSpinBox03,
               ui->doubleSpinBox04, ui->doubleSpinBox05, ui->doubleSpinBox06};
    m_lower = {ui->label, ui->label_3, ui->label_5, ui->label_7, ui->label_9, ui->label_11};
    m_upper = {ui->label_2, ui->label_4, ui->label_6, ui->label_8, ui->label_10, ui->label_12};
    m_jogButtons = {ui->radioButton,   ui->radioButton_2, ui->radioButton_3,
                    ui->radioButton_4, ui->radioButton_5, ui->radioButton_6};
    const QLocale english(QLocale::English, QLocale::Canada);
    for (int k = 0; k < kinematics::kAxes; ++k)
        if (auto *box = dynamic_cast<JointSpinBox *>(m_spins[std::size_t(k)]))
            box->check = [this, k](const QString &text) { return checkTypedJoint(k, text); };
    for (QDoubleSpinBox *s : m_spins) {
        s->setLocale(english);
        s->setDecimals(2);
        s->setButtonSymbols(QAbstractSpinBox::NoButtons);
        s->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    for (QScrollBar *b : m_bars) {
        b->setSingleStep(1000);
        b->setPageStep(100);
    }
    for (QRadioButton *r : m_jogButtons)
        r->setAutoExclusive(false);

    glwidget *v = view();
    // Joint rows.
    // Each row's widgets reach the row's own slot, which forwards to the
    // indexed handler.
    using BarSlot = void (MenuPrincipal::*)(int);
    using SpinSlot = void (MenuPrincipal::*)(double);
    using JogSlot = void (MenuPrincipal::*)();
    const std::array<BarSlot, kinematics::kAxes> barSlots = {
        &MenuPrincipal::changeValue_1, &MenuPrincipal::changeValue_2,
        &MenuPrincipal::changeValue_3, &MenuPrincipal::changeValue_4,
        &MenuPrincipal::changeValue_5, &MenuPrincipal::changeValue_6};
    const std::array<SpinSlot, kinematics::kAxes> spinSlots = {
        &MenuPrincipal::changeValueSlider_1, &MenuPrincipal::changeValueSlider_2,
        &MenuPrincipal::changeValueSlider_3, &MenuPrincipal::changeValueSlider_4,
        &MenuPrincipal::changeValueSlider_5, &MenuPrincipal::changeValueSlider_6};
    const std::array<JogSlot, kinematics::kAxes> jogSlots = {
        &MenuPrincipal::updateRadioButton_1, &MenuPrincipal::updateRadioButton_2,
        &MenuPrincipal::updateRadioButton_3, &MenuPrincipal::updateRadioButton_4,
        &MenuPrincipal::updateRadioButton_5, &MenuPrincipal::updateRadioButton_6};
    using SpinSignal = void (QDoubleSpinBox::*)(double);
    const SpinSignal changed = &QDoubleSpinBox::valueChanged;
    for (std::size_t k = 0; k < std::size_t(kinematics::kAxes); ++k) {
        connect(m_bars[k], &QScrollBar::valueChanged, this, barSlots[k]);
        connect(m_spins[k], changed, this, spinSlots[k]);
        connect(m_jogButtons[k], &QRadioButton::clicked, this, jogSlots[k]);
    }
    connect(ui->pushButton_4, &QPushButton::clicked, this, [this]() { resetAngles(); });
    connect(ui->dial, &QDial::valueChanged, this, &MenuPrincipal::dialMoved);
    connect(ui->dial, &QDial::sliderReleased, this, &MenuPrincipal::dial_released);

    // The view's signals.
    connect(v, &glwidget::sendValues, this, &MenuPrincipal::setBarValues);
    connect(v, &glwidget::sendValuesIK, this, &MenuPrincipal::setValuesIK);
    connect(v, &glwidget::setTextBoxBarValues, this, &MenuPrincipal::setTextBoxBarValuesFromRobot);
    connect(v, &glwidget::setRobotAxisCheckers, this,
            &MenuPrincipal::setRobotAxisCheckersFromRobot);
    connect(v, &glwidget::setControlsReset, this, &MenuPrincipal::ResetAllFields);

    // Cartesian area.
    connect(ui->positionXYZ, &QLineEdit::editingFinished, this, &MenuPrincipal::valueXYZWPRChanged);
    connect(ui->orientation, &QLineEdit::editingFinished, this, &MenuPrincipal::valueXYZWPRChanged);
    connect(ui->comboBox_2, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MenuPrincipal::modeMovementChanged);
    connect(ui->comboBox, &QComboBox::textActivated, this, &MenuPrincipal::configurationChanged);
    connect(ui->lineEdit_World, &QLineEdit::editingFinished, this,
            &MenuPrincipal::World_Definition_Changed);
    // The tool frame comes from the tool file and the quaternion from the
    // pose: typing there would be thrown away, so neither takes typing.
    ui->lineEdit_Tool->setReadOnly(true);
    ui->quaterions->setReadOnly(true);
    connect(ui->checkBox, &QCheckBox::clicked, this, &MenuPrincipal::disable_enable_Axis);
    connect(ui->checkBox_9, &QCheckBox::clicked, v, &glwidget::setAxisWorld);
    connect(ui->checkBox_10, &QCheckBox::clicked, v, &glwidget::setAxisTool);
    connect(ui->checkBox_7, &QCheckBox::clicked, v, &glwidget::setAxisBase);
    connect(ui->checkBox_6, &QCheckBox::clicked, v, &glwidget::setAxisOne);
    connect(ui->checkBox_5, &QCheckBox::clicked, v, &glwidget::setAxisTwo);
    connect(ui->checkBox_4, &QCheckBox::clicked, v, &glwidget::setAxisThree);
    connect(ui->checkBox_3, &QCheckBox::clicked, v, &glwidget::setAxisFour);
    connect(ui->checkBox_2, &QCheckBox::clicked, v, &glwidget::setAxisFive);
    connect(ui->checkBox_8, &QCheckBox::clicked, v, &glwidget::setAxisSix);
    connect(ui->radioButton_9, &QRadioButton::clicked, v, &glwidget::setDH);
    connect(ui->radioButton_10, &QRadioButton::clicked, v, &glwidget::setDHM);

    // Initial texts and state.
    for (QLineEdit *e : {ui->lineEdit_World, ui->lineEdit_Tool, ui->orientation, ui->quaterions})
        e->setTextMargins(2, 1, 1, 2);
    clearReadouts();
    ui->radioButton->setChecked(true);
    m_lastDial = ui->dial->value();
    FrameGlyph::setSize(100.0f);

    if (robotsDock && robotPropertiesDock)
        v->robotsList()->setupWidgets(robotsDock, robotPropertiesDock);
    if (objectsDock && objectPropertiesDock)
        v->objectsList()->setupWidgets(objectsDock, objectPropertiesDock);

    // The parts in collision drawn red, and the smallest clearance on the
    // caption row of the configurations, so the panel grows no taller.
    m_collisions = new CollisionWatch(v, ui->robotControl);
    auto *captionRow = new QHBoxLayout;
    ui->verticalLayout_configurations->removeWidget(ui->label_30);
    captionRow->addWidget(ui->label_30);
    captionRow->addWidget(m_collisions->clearanceLabel(), 1);
    ui->verticalLayout_configurations->insertLayout(0, captionRow);
    connect(m_collisions, &CollisionWatch::collisionNotice, this,
            &MenuPrincipal::showCollisionNotice);

    // The sequence player belongs to the view and follows its robot.
    m_paths = new Paths(v);
    m_paths->setRobotProvider([v]() { return v->selectedRobot(); });
    m_paths->setCollisionWorld(&m_collisions->world());
    if (simulationDock)
        m_paths->setupWidgets(simulationDock);
    connectPlayer(m_paths, this, v);
    // Scripts on this computer read the robot and send sequences through
    // the data server, which feeds the player.
    auto *server = new ServerListener(m_paths);
    server->setRobotProvider([v]() { return v->selectedRobot(); });
    connect(server, &ServerListener::sequenceArrayReceived, m_paths, &Paths::Load_Sequence_Array);
    server->start();

    if (abbDock) {
        m_rapid = new FormABButility(this, abbDock);
        abbDock->setWidget(m_rapid);
    }
    // Installed after the player's key filter, so this one sees keys first:
    // Escape belongs to the window unless a sequence plays.
    installEventFilter(this);
    ui->dial->installEventFilter(this);
    ui->dial->setToolTip(uitext::get(uitext::Text::DialTip));
}

MenuPrincipal::~MenuPrincipal()
{
    // Before the view: removing its objects would still report to it.
    m_paths->setCollisionWorld(nullptr);
    delete m_collisions;
    delete ui;
}

glwidget *MenuPrincipal::view() const
{
    return ui->widget;
}

int MenuPrincipal::jogAxis() const
{
    for (int i = 0; i < kinematics::kAxes; ++i)
        if (m_jogButtons[std::size_t(i)]->isChecked())
            return i + 1;
    return 0;
}

// ---------------------------------------------------------------- joint rows

void MenuPrincipal::changeValue_1(int v)
{
    barChanged(0, v);
}
void MenuPrincipal::changeValue_2(int v)
{
    barChanged(1, v);
}
void MenuPrincipal::changeValue_3(int v)
{
    barChanged(2, v);
}
void MenuPrincipal::changeValue_4(int v)
{
    barChanged(3, v);
}
void MenuPrincipal::changeValue_5(int v)
{
    barChanged(4, v);
}
void MenuPrincipal::changeValue_6(int v)
{
    barChanged(5, v);
}
void MenuPrincipal::changeValueSlider_1(double d)
{
    spinChanged(0, d);
}
void MenuPrincipal::changeValueSlider_2(double d)
{
    spinChanged(1, d);
}
void MenuPrincipal::changeValueSlider_3(double d)
{
    spinChanged(2, d);
}
void MenuPrincipal::changeValueSlider_4(double d)
{
    spinChanged(3, d);
}
void MenuPrincipal::changeValueSlider_5(double d)
{
    spinChanged(4, d);
}
void MenuPrincipal::changeValueSlider_6(double d)
{
    spinChanged(5, d);
}

void MenuPrincipal::barChanged(int k, int hundredthsValue)
{
    if (m_robotLoaded)
        spin(k)->setValue(hundredthsValue * m_scale / 100.0);
}

void MenuPrincipal::jogAxisChosen(int k)
{
    for (int i = 0; i < kinematics::kAxes; ++i)
        m_jogButtons[std::size_t(i)]->setChecked(i == k);
}

void MenuPrincipal::spinChanged(int k, double d)
{
    if (!m_robotLoaded)
        return;
    bar(k)->setValue(hundredths(d * m_scale));
    if (m_propagate) {
        m_propagate = false;
        applyJointValues();
        updateIKslider();
        m_propagate = true;
    }
}

void MenuPrincipal::playRefusal()
{
    ++m_refusals;
    if (m_music)
        m_music->play();
    if (m_effect)
        m_effect->play();
    emit refusedMove();
}

void MenuPrincipal::refuse(QWidget *field, const QString &why)
{
    Objects::markRefused(field, true);
    m_notice = why;
    emit noticeChanged(why);
    playRefusal();
}

void MenuPrincipal::acceptInput(QWidget *field)
{
    if (!field || !field->property("refused").toBool())
        return;
    Objects::markRefused(field, false);
    m_notice.clear();
    emit noticeChanged(QString());
}

QString MenuPrincipal::limitText(int k) const
{
    return uitext::get(uitext::Text::JointLimit)
        .arg(k + 1)
        .arg(signedDegrees(spin(k)->minimum()), signedDegrees(spin(k)->maximum()));
}

bool MenuPrincipal::checkTypedJoint(int k, const QString &text)
{
    if (!m_robotLoaded)
        return true;
    double v = 0.0;
    if (!typed::number(text, &v, typed::Unit::Angle)) {
        refuse(spin(k), uitext::get(uitext::Text::JointNotANumber).arg(k + 1).arg(text.trimmed()));
        restoreJointBoxes();
        return false;
    }
    // The box's range is the joint's range (coupled axes included).
    if (v < spin(k)->minimum() || v > spin(k)->maximum()) {
        refuse(spin(k), limitText(k));
        restoreJointBoxes();
        return false;
    }
    // Good, also when it is the value the box holds (which moves nothing).
    acceptInput(spin(k));
    return true;
}

// The boxes and bars show the robot's joints again after a refusal.
void MenuPrincipal::restoreJointBoxes()
{
    const bool saved = m_propagate;
    m_propagate = false;
    for (int k = 0; k < kinematics::kAxes; ++k) {
        spin(k)->setValue(double(m_joints[std::size_t(k)]));
        bar(k)->setValue(hundredths(m_joints[std::size_t(k)]));
    }
    m_propagate = saved;
}

void MenuPrincipal::setJointRange(int k, float lower, float upper)
{
    const bool saved = m_propagate;
    m_propagate = false; // a clamped spin box must not move the robot again
    m_lower[std::size_t(k)]->setText(QString::number(double(lower), 'f', 0) + QChar(0x00B0));
    m_upper[std::size_t(k)]->setText(QString::number(double(upper), 'f', 0) + QChar(0x00B0));
    bar(k)->setRange(hundredths(lower), hundredths(upper));
    bar(k)->setSingleStep(1000);
    spin(k)->setRange(lower, upper);
    m_propagate = saved;
}

void MenuPrincipal::applyJointValues()
{
    float q[kinematics::kAxes];
    for (int k = 0; k < kinematics::kAxes; ++k)
        q[k] = float(spin(k)->value());
    if (!view()->jointsWithinLimits(q)) {
        int k = 0;
        while (k < kinematics::kAxes - 1 && q[k] == m_joints[std::size_t(k)])
            ++k;
        refuse(
            spin(k),
            uitext::get(uitext::Text::JointsLeaveLimits).arg(k + 1).arg(double(q[k]), 0, 'f', 2));
        restoreJointBoxes();
        return;
    }
    const QString collides = collisionRefusal(q);
    if (!collides.isEmpty()) {
        int k = 0;
        while (k < kinematics::kAxes - 1 && q[k] == m_joints[std::size_t(k)])
            ++k;
        refuse(spin(k), collides);
        restoreJointBoxes();
        return;
    }
    for (QDoubleSpinBox *box : m_spins)
        acceptInput(box);
    std::copy(q, q + kinematics::kAxes, m_joints.begin());
    float ranges[4];
    if (view()->setJointValuesCoupled(q, ranges)) {
        setJointRange(1, ranges[0], ranges[1]);
        setJointRange(2, ranges[2], ranges[3]);
    }
    LAN_Send_Thetas();
}

void MenuPrincipal::setBarValues(int *lim)
{
    if (!lim)
        return;
    for (int k = 0; k < kinematics::kAxes; ++k)
        setJointRange(k, float(lim[2 * k]), float(lim[2 * k + 1]));
}

void MenuPrincipal::setTextBoxBarValuesFromRobot(GLfloat *q)
{
    if (!q)
        return;
    if (m_robotLoaded) {
        writeWorldField();
        writeToolField();
    }
    for (int k = 0; k < kinematics::kAxes; ++k)
        spin(k)->setValue(double(q[k]));
}

void MenuPrincipal::ResetAllFields()
{
    m_robotLoaded = false;
    m_toolLoaded = false;
    m_configurations.clear();
    ui->comboBox->clear();
    clearReadouts();
    clearMarks();
    setUnCheckedVirtuel();
    ui->checkBox->setChecked(false);
    int zeros[12] = {0};
    setBarValues(zeros);
}

void MenuPrincipal::clearReadouts()
{
    // Without a robot there is no pose and no frame to show: a dash, never
    // the last robot's values or a "-000.00".
    for (QLineEdit *e : {ui->positionXYZ, ui->orientation, ui->quaterions, ui->lineEdit_World,
                         ui->lineEdit_Tool}) {
        Objects::showFieldText(e, QString());
        e->setPlaceholderText(QStringLiteral("\u2014"));
    }
}

void MenuPrincipal::clearMarks()
{
    // The marks were about what was typed for the robot that was there.
    bool marked = false;
    for (QWidget *field : std::initializer_list<QWidget *>{
             ui->dial, ui->positionXYZ, ui->orientation, ui->lineEdit_World, m_spins[0], m_spins[1],
             m_spins[2], m_spins[3], m_spins[4], m_spins[5]}) {
        marked = marked || field->property("refused").toBool();
        Objects::markRefused(field, false);
    }
    if (marked || !m_notice.isEmpty()) {
        m_notice.clear();
        emit noticeChanged(QString());
    }
}

void MenuPrincipal::resetAngles()
{
    const double zero[kinematics::kAxes] = {0, 0, 0, 0, 0, 0};
    resetAngles(zero, true);
    resetAngles(zero, false);
}

void MenuPrincipal::resetAngles(const double *z, bool set_ik)
{
    if (!m_robotLoaded || !z)
        return;
    m_propagate = false;
    m_configGuard = false;
    // The spin boxes take degrees and the bars hundredths.
    for (int k = 0; k < kinematics::kAxes; ++k) {
        spin(k)->setValue(z[k]);
        bar(k)->setValue(hundredths(z[k]));
    }
    applyJointValues();
    if (set_ik)
        updateIKslider();
    m_propagate = true;
    m_configGuard = true;
}

void MenuPrincipal::dialMoved(int value)
{
    qCDebug(lcRobot) << "dial" << value;
    if (!m_robotLoaded)
        return;
    const int step = dialStep(value, m_lastDial);
    if (increaseValue(step * m_dialFactor) == 1) {
        m_lastDial = value;
        acceptInput(ui->dial);
        return;
    }
    const bool blocked = ui->dial->blockSignals(true);
    ui->dial->setSliderPosition(m_lastDial);
    ui->dial->blockSignals(blocked);
    refuse(ui->dial, m_jogRefusal.isEmpty() ? uitext::get(uitext::Text::JogRefused) : m_jogRefusal);
    qCDebug(lcRobot) << "Play Sound";
}

int MenuPrincipal::dialStep(int value, int last)
{
    const int d = std::abs(value - last);
    if (d < 51)
        return value <= last ? -d : d;
    return last <= value ? -(100 - d) : 100 - d;
}

void MenuPrincipal::dial_released()
{
    view()->forgetJogReference();
}

void MenuPrincipal::SetControlsVisible(bool visible)
{
    if (QLayoutItem *item = layout()->itemAt(1))
        if (QWidget *w = item->widget())
            w->setVisible(visible);
}

// ---------------------------------------------------------------- read-outs

void MenuPrincipal::showPose(const Matrix4 &m)
{
    const Pose6 p = toolbox::matrixToPose(m, m_eulerTcp);
    setValuesIK(const_cast<GLfloat *>(p.data()));
    const Quaternion q = toolbox::matrixToQuaternion(m);
    ui->quaterions->setText(fixed(q[0], 5, 1e-7) + QStringLiteral(", ") + fixed(q[1], 5, 1e-7) +
                            QStringLiteral(", ") + fixed(q[2], 5, 1e-7) + QStringLiteral(", ") +
                            fixed(q[3], 5, 1e-7));
    ui->quaterions->setCursorPosition(0);
}

void MenuPrincipal::setValuesIK(GLfloat *p)
{
    if (!p)
        return;
    const QString mm = QStringLiteral(" mm");
    Objects::showFieldText(ui->positionXYZ, fixed(p[0], 3, 0.001) + mm + QStringLiteral(", ") +
                                                fixed(p[1], 3, 0.001) + mm + QStringLiteral(", ") +
                                                fixed(p[2], 3, 0.001) + mm);
    const QString sep = QString(kOrdinal) + QStringLiteral(", ");
    Objects::showFieldText(ui->orientation, fixed(p[3], 3, 0.01) + sep + fixed(p[4], 3, 0.01) +
                                                sep + fixed(p[5], 3, 0.01) + QString(kOrdinal));
    ui->positionXYZ->setCursorPosition(0);
    ui->orientation->setCursorPosition(0);
}

QString MenuPrincipal::configurationText(int n, const Result &r)
{
    QString t = QLatin1Char('(') + QString::number(n) +
                (r.basic ? QStringLiteral("*") : QString()) + QStringLiteral(") -> ");
    for (int k = 0; k < kinematics::kAxes; ++k) {
        t += fixed(r.q[std::size_t(k)], 2, 0.001) + kDegree;
        if (k < kinematics::kAxes - 1)
            t += QStringLiteral(", ");
    }
    return t;
}

void MenuPrincipal::rebuildConfigurations(const std::vector<Result> &list, int rule)
{
    m_configGuard = false;
    m_configurations = list;
    QStringList texts;
    int shownChosen = -1;
    const Result *chosen = nullptr;
    bool anyNear = false;
    int n = 1;
    for (const Result &r : list) {
        anyNear = anyNear || r.near;
        if (!(r.basic || m_extended || r.chosen))
            continue;
        if (r.chosen) {
            chosen = &r;
            shownChosen = texts.size();
        }
        texts << configurationText(n++, r);
    }
    ui->comboBox->clear();
    for (const QString &t : texts)
        ui->comboBox->addItem(QIcon(), t);
    if (chosen && (rule == 2 || (rule == 1 && anyNear))) {
        std::array<float, kinematics::kAxes> q = chosen->q;
        setConfiguration_precise(q.data());
    }
    // The chosen entry's own item, also when only the basic ones are shown.
    ui->comboBox->setCurrentIndex(shownChosen);
    m_configGuard = true;
}

void MenuPrincipal::updateIKslider()
{
    Robot *r = view()->selectedRobot();
    if (!r)
        return;
    showPose(r->tcpWorld());
    std::vector<Result> list;
    r->solveCurrentPose(list);
    rebuildConfigurations(list, 0);
}

void MenuPrincipal::refreshReadouts()
{
    increaseValue(0);
}

QString MenuPrincipal::jumpRefusal(const Result &target) const
{
    // The path analysis flags the same move as a jump in a program: the arm
    // would swing through another configuration, not follow the TCP.
    const Robot *r = view()->selectedRobot();
    if (!r)
        return QString();
    const std::array<float, kinematics::kAxes> now = r->jointValues();
    int worst = 0;
    float move = 0.0f;
    for (int k = 0; k < kinematics::kAxes; ++k) {
        const float d = std::fabs(target.q[std::size_t(k)] - now[std::size_t(k)]);
        if (d > move) {
            move = d;
            worst = k;
        }
    }
    if (!(double(move) > sequences::PathAnalyser::kJumpLimit))
        return QString();
    return uitext::get(uitext::Text::JogJump)
        .arg(worst + 1)
        .arg(double(move), 0, 'f', 1)
        .arg(sequences::PathAnalyser::kJumpLimit, 0, 'f', 0);
}

int MenuPrincipal::increaseValue(int step)
{
    m_jogRefusal.clear();
    if (!view()->selectedRobot())
        return 0;
    std::vector<Result> list;
    list.reserve(64);
    int chosen = -1;
    const Matrix4 pose = view()->cartesianJog(jogAxis(), step, m_movementFrame, list, &chosen);
    if (list.empty() || chosen < 0 || !list[std::size_t(chosen)].near)
        return 0;
    if (step != 0) {
        m_jogRefusal = jumpRefusal(list[std::size_t(chosen)]);
        if (m_jogRefusal.isEmpty())
            m_jogRefusal = collisionRefusal(list[std::size_t(chosen)].q.data());
        if (!m_jogRefusal.isEmpty()) {
            view()->forgetJogReference(); // the next step starts where the robot is
            return 0;
        }
    }
    showPose(pose);
    rebuildConfigurations(list, 1);
    return 1;
}

void MenuPrincipal::configurationChanged(const QString &text)
{
    if (!m_configGuard || !m_robotLoaded)
        return;
    const QStringList pieces = text.split(QStringLiteral("\u00b0, "));
    if (pieces.size() != kinematics::kAxes)
        return;
    m_propagate = false;
    for (int k = 0; k < kinematics::kAxes; ++k) {
        QString piece = pieces.at(k);
        if (k == 0)
            piece = piece.mid(piece.indexOf(QStringLiteral(" -> ")) + 4);
        if (k == kinematics::kAxes - 1)
            piece = piece.left(piece.indexOf(kDegree));
        const double v = piece.trimmed().toDouble();
        spin(k)->setValue(v);
        bar(k)->setValue(hundredths(spin(k)->value()));
    }
    m_propagate = true;
    applyJointValues();
}

void MenuPrincipal::setConfiguration_precise(GLfloat *val)
{
    // Every outside source (player, LAN reply, configuration list) lands
    // here: nothing out of limits reaches the robot or the LAN link.
    if (!val || !view()->jointsWithinLimits(val))
        return;
    m_propagate = false;
    for (int k = 0; k < kinematics::kAxes; ++k) {
        spin(k)->setValue(double(val[k]));
        bar(k)->setValue(hundredths(val[k]));
    }
    m_propagate = true;
    // The boxes hold accepted values now: a refusal in one of them is over.
    for (QDoubleSpinBox *box : m_spins)
        acceptInput(box);
    std::copy(val, val + kinematics::kAxes, m_joints.begin());
    view()->setJointValues(val);
    LAN_Send_Thetas();
}

void MenuPrincipal::valueXYZWPRChanged()
{
    Robot *r = view()->selectedRobot();
    if (!m_robotLoaded || !r)
        return;
    // Only a field whose text the user changed is applied: the shown texts
    // are rounded, and the rest of the pose stays exactly where it is.
    const bool positionTyped = Objects::fieldEdited(ui->positionXYZ);
    const bool orientationTyped = Objects::fieldEdited(ui->orientation);
    if (!positionTyped && !orientationTyped) {
        // The shown text typed again is good input that moves nothing.
        for (QLineEdit *e : {ui->positionXYZ, ui->orientation})
            if (e->isModified()) {
                e->setModified(false);
                acceptInput(e);
            }
        return;
    }
    using typed::Unit;
    const Unit lengths[3] = {Unit::Length, Unit::Length, Unit::Length};
    const Unit angles[3] = {Unit::Angle, Unit::Angle, Unit::Angle};
    double xyz[3], abc[3];
    QString why;
    QLineEdit *bad = nullptr;
    if (positionTyped && !typed::list(ui->positionXYZ->text(), 3, lengths, xyz, &why)) {
        bad = ui->positionXYZ;
        why = uitext::get(uitext::Text::PositionRefused).arg(why);
    } else if (orientationTyped && !typed::list(ui->orientation->text(), 3, angles, abc, &why)) {
        bad = ui->orientation;
        why = uitext::get(uitext::Text::OrientationRefused).arg(why);
    }
    if (bad) {
        refuse(bad, why);
        showPose(r->tcpWorld()); // the read-outs show where the robot is
        return;
    }
    Matrix4 target = r->tcpWorld();
    if (orientationTyped) {
        const Pose6 turn{0.0f, 0.0f, 0.0f, float(abc[0]), float(abc[1]), float(abc[2])};
        const Matrix4 m = toolbox::poseToMatrix(turn, m_eulerTcp);
        for (int k : {0, 1, 2, 4, 5, 6, 8, 9, 10})
            target[std::size_t(k)] = m[std::size_t(k)];
    }
    if (positionTyped)
        for (int i = 0; i < 3; ++i)
            target[std::size_t(4 * i + 3)] = float(xyz[i]);
    std::vector<Result> list;
    r->solveWorldPose(target, list);
    if (list.empty()) {
        auto *edited = qobject_cast<QLineEdit *>(sender());
        // An arm no solver is written for reaches no pose this way: say why.
        refuse(edited ? edited : ui->positionXYZ,
               uitext::get(r->hasInverseKinematics() ? uitext::Text::PoseNotReachable
                                                     : uitext::Text::NoInverseKinematics));
        showPose(r->tcpWorld());
        return;
    }
    acceptInput(ui->positionXYZ);
    acceptInput(ui->orientation);
    // The untouched field keeps its text: the same pose may read -180 or
    // 180 after another computation, and the user did not ask for either.
    QLineEdit *untouched =
        positionTyped ? (orientationTyped ? nullptr : ui->orientation) : ui->positionXYZ;
    const QString kept = untouched ? untouched->text() : QString();
    showPose(target);
    if (untouched)
        Objects::showFieldText(untouched, kept);
    rebuildConfigurations(list, 2);
}

void MenuPrincipal::Receive_Wii_Hrel(GLfloat *Hr)
{
    Robot *r = view()->selectedRobot();
    if (!Hr || !r)
        return;
    toolbox::MatrixQDebug(Hr);
    Matrix4 m;
    std::copy(Hr, Hr + 16, m.begin());
    std::vector<Result> list;
    int chosen = -1;
    const Matrix4 pose = r->jogFromCurrent(m, list, &chosen, 2);
    if (list.empty()) {
        qCDebug(lcRobot) << "ERROR";
        return;
    }
    // The remote's moves are jog steps as the dial's are: one that would
    // swing the arm into another configuration is refused, once per run of
    // refusals (the remote repeats every 30 ms while B is held).
    if (chosen >= 0 && list[std::size_t(chosen)].near) {
        QString why = jumpRefusal(list[std::size_t(chosen)]);
        if (why.isEmpty())
            why = collisionRefusal(list[std::size_t(chosen)].q.data());
        if (!why.isEmpty()) {
            if (!m_wiiRefused)
                refuse(nullptr, why);
            m_wiiRefused = true;
            return;
        }
    }
    if (m_wiiRefused) {
        m_wiiRefused = false;
        m_notice.clear();
        emit noticeChanged(QString());
    }
    showPose(pose);
    rebuildConfigurations(list, 1);
}

void MenuPrincipal::modeMovementChanged(int index)
{
    m_movementFrame = index;
    if (m_robotLoaded)
        refreshReadouts();
}

void MenuPrincipal::modeRotationChageAll(int code)
{
    m_lastEuler = m_eulerTcp = m_eulerWorld = m_eulerTool = code;
    view()->objectsList()->setEulerConvention(code);
    view()->robotsList()->setEulerConvention(code);
    if (m_robotLoaded) {
        refreshReadouts();
        World_Definition_Refresh();
        Tool_Definition_Refresh();
    }
}

// ---------------------------------------------------------------- frames

void MenuPrincipal::writeWorldField()
{
    Robot *r = view()->selectedRobot();
    if (!r)
        return;
    m_worldValues = toolbox::matrixToPose(r->getHB(), m_eulerWorld);
    Objects::showFieldText(ui->lineEdit_World, frameText(m_worldValues, kOrdinal));
    ui->lineEdit_World->setCursorPosition(0);
}

void MenuPrincipal::writeToolField()
{
    Robot *r = view()->selectedRobot();
    if (!r)
        return;
    Objects::showFieldText(ui->lineEdit_Tool,
                           frameText(toolbox::matrixToPose(r->getHT(), m_eulerTool), kDegree));
    ui->lineEdit_Tool->setCursorPosition(0);
}

void MenuPrincipal::World_Definition_Changed()
{
    Robot *r = view()->selectedRobot();
    if (!m_robotLoaded || !r)
        return;
    // The field shows two decimals: applied untouched, it would move the
    // frame (and every read-out) by the rounding.
    if (!Objects::fieldEdited(ui->lineEdit_World)) {
        if (ui->lineEdit_World->isModified()) { // the shown text typed again
            ui->lineEdit_World->setModified(false);
            acceptInput(ui->lineEdit_World);
        }
        return;
    }
    Pose6 typedWorld{};
    QString why;
    if (!placement::parse(ui->lineEdit_World->text(), &typedWorld, &why)) {
        refuse(ui->lineEdit_World, uitext::get(uitext::Text::WorldRefused).arg(why));
        writeWorldField();
        return;
    }
    acceptInput(ui->lineEdit_World);
    m_worldValues = typedWorld;
    r->setHB(toolbox::poseToMatrix(m_worldValues, m_eulerWorld));
    Objects::showFieldText(ui->lineEdit_World, frameText(m_worldValues, kOrdinal));
    ui->lineEdit_World->setCursorPosition(0);
    refreshReadouts();
}

void MenuPrincipal::World_Definition_Refresh()
{
    if (!m_robotLoaded)
        return;
    writeWorldField();
    refreshReadouts();
}

void MenuPrincipal::Tool_Definition_Refresh()
{
    if (!m_robotLoaded)
        return;
    writeToolField();
    refreshReadouts();
}

// The matrices below come from the sequence player as its own arrays; the
// panel copies them, so nothing is left for anyone to release.
void MenuPrincipal::Change_TCP(GLfloat *newHT)
{
    Robot *r = view()->selectedRobot();
    if (!newHT || !r)
        return;
    Matrix4 m;
    std::copy(newHT, newHT + 16, m.begin());
    r->setHT(m);
    if (m_robotLoaded)
        Tool_Definition_Refresh();
}

void MenuPrincipal::Change_WOBJ(GLfloat *newHB)
{
    Robot *r = view()->selectedRobot();
    if (!newHB || !r)
        return;
    Matrix4 m;
    std::copy(newHB, newHB + 16, m.begin());
    r->setHB(m);
    Objects *objects = view()->objectsList();
    if (objects->count() >= 1)
        objects->entry(0)->pose = toolbox::transpose(m);
    if (m_robotLoaded)
        World_Definition_Refresh();
}

void MenuPrincipal::Change_Object(GLfloat *newH, int id)
{
    Objects *objects = view()->objectsList();
    if (newH && id >= 0 && id < objects->count()) {
        Matrix4 m;
        std::copy(newH, newH + 16, m.begin());
        objects->entry(id)->pose = toolbox::transpose(m);
    }
    view()->updateGL();
}

void MenuPrincipal::setRobotAxisCheckersFromRobot(GLfloat *f)
{
    if (!f)
        return;
    QCheckBox *boxes[9] = {ui->checkBox_7, ui->checkBox_6,  ui->checkBox_5,
                           ui->checkBox_4, ui->checkBox_3,  ui->checkBox_2,
                           ui->checkBox_8, ui->checkBox_10, ui->checkBox_9};
    bool all = true;
    for (int i = 0; i < 9; ++i) {
        boxes[i]->setChecked(f[i] != 0.0f);
        all = all && f[i] != 0.0f;
    }
    ui->checkBox->setChecked(all);
}

void MenuPrincipal::robotChanged()
{
    // A new robot draws its own frames (none at first): the boxes say so,
    // and what was refused for the robot before no longer stands.
    clearMarks();
    if (Robot *r = view()->selectedRobot()) {
        std::array<float, 9> flags = r->getFrameFlags();
        setRobotAxisCheckersFromRobot(flags.data());
    }
}

void MenuPrincipal::disable_enable_Axis()
{
    if (ui->checkBox->isChecked()) {
        setCheckedVirtuel();
        view()->enableAllAxis();
    } else {
        setUnCheckedVirtuel();
        view()->disableAllAxis();
    }
}

void MenuPrincipal::setCheckedVirtuel()
{
    for (QCheckBox *b :
         {ui->checkBox_9, ui->checkBox_10, ui->checkBox_7, ui->checkBox_6, ui->checkBox_5,
          ui->checkBox_4, ui->checkBox_3, ui->checkBox_2, ui->checkBox_8})
        b->setChecked(true);
}

void MenuPrincipal::setUnCheckedVirtuel()
{
    for (QCheckBox *b :
         {ui->checkBox_9, ui->checkBox_10, ui->checkBox_7, ui->checkBox_6, ui->checkBox_5,
          ui->checkBox_4, ui->checkBox_3, ui->checkBox_2, ui->checkBox_8})
        b->setChecked(false);
}

void MenuPrincipal::updateRadioButton_1()
{
    jogAxisChosen(0);
}
void MenuPrincipal::updateRadioButton_2()
{
    jogAxisChosen(1);
}
void MenuPrincipal::updateRadioButton_3()
{
    jogAxisChosen(2);
}
void MenuPrincipal::updateRadioButton_4()
{
    jogAxisChosen(3);
}
void MenuPrincipal::updateRadioButton_5()
{
    jogAxisChosen(4);
}
void MenuPrincipal::updateRadioButton_6()
{
    jogAxisChosen(5);
}

void MenuPrincipal::setConfigurationMode(bool extended)
{
    m_extended = extended;
    if (!m_robotLoaded)
        return;
    for (int i = 0; i < (extended ? 1 : 9); ++i)
        refreshReadouts();
}

// ---------------------------------------------------------------- loading

QString *MenuPrincipal::loadModel()
{
    QString *path = view()->loadModel();
    if (!path)
        return nullptr;
    m_robotFileName = QFileInfo(*path).fileName();
    m_robotLoaded = true;
    robotChanged();
    m_paths->Sequence_Clear();
    writeWorldField(); // the field shows the frame the new robot has
    writeToolField();
    resetAngles();
    ui->comboBox->clear();
    refreshReadouts();
    resetAngles();
    return path;
}

bool MenuPrincipal::loadModel(char *strrobot)
{
    if (!strrobot)
        return false;
    const QString path = DataDirs::resolveStoredPath(QString::fromUtf8(strrobot));
    QByteArray bytes = path.toUtf8();
    if (!view()->loadModel(bytes.data()))
        return false;
    m_robotFileName = QFileInfo(path).fileName();
    m_robotLoaded = true;
    robotChanged();
    m_paths->Sequence_Clear(); // the old list belongs to the old robot
    writeWorldField(); // the field shows the frame the new robot has
    writeToolField();
    resetAngles();
    ui->comboBox->clear();
    updateIKslider();
    refreshReadouts();
    return true;
}

void MenuPrincipal::loadTool()
{
    if (!m_robotLoaded) {
        emit view()->userMessage(tr("Load a robot first: a tool is mounted on a robot."));
        return;
    }
    const QStringList files = QFileDialog::getOpenFileNames(nullptr, tr("Open"),
                                                            DataDirs::toolDir(), tr("Tool (*.tool)"));
    if (files.isEmpty())
        return;
    QByteArray name = files.first().toUtf8();
    loadTool(name.data());
}

bool MenuPrincipal::loadTool(char *strtool)
{
    if (!m_robotLoaded || !strtool)
        return false;
    const QString path = DataDirs::resolveStoredPath(QString::fromUtf8(strtool));
    QByteArray bytes = path.toUtf8();
    // Checked before the mounted tool is taken off: a damaged file must not
    // cost the user the tool that is there.
    QString why;
    if (!Tool::probe(bytes.constData(), &why)) {
        emit view()->userMessage(uitext::get(uitext::Text::ToolNotLoaded).arg(path, why));
        return false;
    }
    m_toolFileName = QFileInfo(path).fileName();
    m_toolLoaded = view()->loadTool(bytes.data());
    Tool_Definition_Refresh();
    return m_toolLoaded;
}

void MenuPrincipal::removeTool()
{
    view()->removeTool();
    if (m_robotLoaded)
        Tool_Definition_Refresh();
    m_toolFileName = QStringLiteral("EMPTY");
    m_toolLoaded = false;
    m_unloadedToolRobot = nullptr; // no tool is what the user wants now
    refreshReadouts();
    view()->updateGL();
}

void MenuPrincipal::loadObject()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(nullptr, tr("Open"), DataDirs::objectDir(),
                                      QStringLiteral("All (*.*)\nSTL (*.stl)\nRender (*.slp)"));
    addObjects(files);
}

int MenuPrincipal::addObjects(const QStringList &files)
{
    QStringList refused;
    Objects *objects = view()->objectsList();
    objects->collectRefusals(&refused);
    QStringList failed;
    for (const QString &f : files)
        if (objects->AddObject(f) != 0)
            failed << f;
    objects->collectRefusals(nullptr);
    reportRefusedObjects(refused, failed);
    return int(files.size() - failed.size());
}

void MenuPrincipal::TraceTCP_ON()
{
    view()->traceEnabled = true;
    refreshReadouts();
}

void MenuPrincipal::TraceTCP_OFF()
{
    view()->traceEnabled = false;
    refreshReadouts();
}

void MenuPrincipal::TraceTCP_RESET()
{
    view()->clearTrace();
}

void MenuPrincipal::LAN_Send_Thetas()
{
    // The link window keeps the pace (one message per 101 ms, the latest
    // values sent when the interval ends), so every change is handed on.
    if (!m_lanConnected || !m_lan)
        return;
    qCDebug(lcRobot) << "Sending thetas...";
    m_lan->Send_Joints(m_joints.data());
}

Wii *MenuPrincipal::wiiWindow() const
{
    return m_wii.data();
}

LANcontrol *MenuPrincipal::lanWindow() const
{
    return m_lan.data();
}

QString MenuPrincipal::collisionRefusal(const float *target) const
{
    // Jogging into a collision is allowed (the user must be able to jog out
    // again); a real robot the link moves is not driven into one.
    if (!m_lanConnected || !m_lan || !m_collisions)
        return QString();
    return m_collisions->streamingRefusal(target);
}

void MenuPrincipal::showCollisionNotice(const QString &text)
{
    if (!text.isEmpty()) {
        m_collisionNotice = text;
        m_notice = text;
        emit noticeChanged(text);
    } else if (!m_collisionNotice.isEmpty()) {
        // Only the collision's own notice ends with it, not a later refusal.
        if (m_notice == m_collisionNotice) {
            m_notice.clear();
            emit noticeChanged(QString());
        }
        m_collisionNotice.clear();
    }
}

void MenuPrincipal::openLANcontrolAt(const QString &host, quint16 port)
{
    if (m_lan)
        return;
    m_lanConnected = false;
    m_lan = new LANcontrol(this);
    if (!host.isEmpty())
        m_lan->setTarget(host, port);
    m_lan->setRobotProvider([this]() -> const Robot * { return view()->selectedRobot(); });
    connect(m_lan, &LANcontrol::connectionEstablished, this,
            &MenuPrincipal::LANconnectionEstablished);
    connect(m_lan, &LANcontrol::closed, this, &MenuPrincipal::closeLANcontrol);
    m_lan->show();
    m_lan->start();
}

void MenuPrincipal::openLANcontrol()
{
    openLANcontrolAt(QString(), LANcontrol::kDefaultPort); // the window asks for the address
}

void MenuPrincipal::closeLANcontrol()
{
    m_lanConnected = false;
    if (m_lan)
        m_lan->deleteLater();
    m_lan = nullptr;
}

void MenuPrincipal::LANconnectionEstablished(GLfloat *thetas)
{
    m_lanConnected = true;
    if (thetas)
        setConfiguration_precise(thetas);
    LAN_Send_Thetas();
}

void MenuPrincipal::openWiiControl()
{
    if (m_wii)
        return;
    m_wii = new Wii(this);
    connect(m_wii, &Wii::closed, this, &MenuPrincipal::Main_Wii_Delete_Form);
    m_wii->show();
    m_wii->start();
}

void MenuPrincipal::Main_Wii_Delete_Form()
{
    if (m_wii)
        m_wii->deleteLater();
    m_wii = nullptr;
}

void MenuPrincipal::refreshRapidData()
{
    if (m_rapid)
        m_rapid->on_btnRefresh_clicked();
}

int MenuPrincipal::loadDemoSequence(const QString *strfile)
{
    if (!strfile)
        return -1;
    if (!m_robotLoaded) {
        emit view()->userMessage(tr("Load a robot first: a sequence is played on a robot."));
        return -1;
    }
    // Checked before the list in the player is cleared: a damaged file must
    // not replace a sequence with an empty "0 / 0" one.
    const sequences::FileText file = sequences::readSequenceFile(*strfile);
    QString why;
    if (!file.ok)
        why = file.error;
    else if (file.text.contains(QChar::ReplacementCharacter) ||
             std::any_of(file.text.cbegin(), file.text.cend(), [](QChar c) {
                 return c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\r') &&
                        c != QLatin1Char('\t');
             }))
        why = tr("it is not text");
    else if (const sequences::ParsedText parsed = sequences::parseText(file.text);
             !parsed.error.isEmpty())
        why = parsed.error;
    else if (parsed.nodes.empty())
        why = tr("no line holds six joint values");
    if (!why.isEmpty()) {
        emit view()->userMessage(
            tr("The sequence file %1 was not loaded: %2. The current sequence stays.")
                .arg(*strfile, why));
        return -1;
    }
    // Read up to the first NUL byte, only with a robot to play it on.
    return m_paths->loadSequenceFile(*strfile);
}

void MenuPrincipal::Clipboard_Paste()
{
    m_paths->Clipboard_Paste();
}

void MenuPrincipal::Sequence_Execute()
{
    m_paths->Sequence_Execute();
}

void MenuPrincipal::Sequence_Stop()
{
    m_paths->Sequence_Stop();
}

void MenuPrincipal::Sequence_Reset()
{
    m_paths->Sequence_Reset();
}

namespace {
bool &interactiveFlag()
{
    static bool flag = true;
    return flag;
}
} // namespace

void MenuPrincipal::setInteractive(bool interactive)
{
    interactiveFlag() = interactive;
}

bool MenuPrincipal::interactive()
{
    return interactiveFlag();
}

int MenuPrincipal::loadDemoSequence()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        nullptr, tr("Open"), DataDirs::simulationDir(),
        QStringLiteral(
            "Simulation files (*.sim)\nCSV files (*.csv)\nText files (*.txt)\nAll files (*.*)"));
    if (files.isEmpty())
        return -1;
    // The companion station (weld.sim.vks beside weld.sim) comes first; a
    // sequence without one plays on the station already there.
    const QByteArray station = (files.first() + QStringLiteral(".vks")).toUtf8();
    int language = -1, euler = -1;
    // A station read here has already loaded its companion sequence.
    if (Load_Setup(station.constData(), &language, &euler) == 0)
        return m_robotLoaded ? 0 : -1;
    if (!m_robotLoaded)
        return -1;
    const QString file = files.first();
    return loadDemoSequence(&file);
}

QStringList MenuPrincipal::setLanguage(int code)
{
    bool found = false;
    const QStringList menus = loadLanguage(this, code, &found);
    if (found)
        m_languageCode = code == -1 ? 1 : code;
    return menus;
}

void MenuPrincipal::openAbout()
{
    if (m_about)
        return;
    m_about = new About(this);
    m_about->setLanguage(m_languageCode);
    m_about->show();
    setEnabled(false);
    if (window() != this)
        window()->setEnabled(false);
}

void MenuPrincipal::closeAbout()
{
    if (m_about) {
        m_about->deleteLater();
        m_about = nullptr;
    }
    setEnabled(true);
    if (window() != this)
        window()->setEnabled(true);
}

void MenuPrincipal::openHelp()
{
    const QString page = DataDirs::helpDir() + QStringLiteral("index.html");
    if (interactive() &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath())))
        return;
    showHelpWindow(page);
}

QWidget *MenuPrincipal::showHelpWindow(const QString &page)
{
    // Without a browser the help still shows, in a window of the program.
    if (!m_helpWindow) {
        auto *browser = new QTextBrowser;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->setObjectName(QStringLiteral("helpWindow"));
        browser->setOpenExternalLinks(true);
        browser->resize(800, 600);
        m_helpWindow = browser;
    }
    m_helpWindow->setWindowTitle(uitext::get(uitext::Text::HelpTitle));
    m_helpWindow->setSource(QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
    if (m_helpWindow->document()->isEmpty())
        m_helpWindow->setPlainText(tr("The help file %1 could not be read.").arg(page));
    m_helpWindow->show();
    m_helpWindow->raise();
    return m_helpWindow;
}

void MenuPrincipal::CloseRequested()
{
    delete m_helpWindow;
    delete m_wii;
    delete m_lan;
    if (m_about) {
        delete m_about;
        m_about = nullptr;
    }
    qCDebug(lcRobot) << "Ask for close";
}

// ---------------------------------------------------------------- keys

void MenuPrincipal::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers m = event->modifiers();
    glwidget *v = view();
    if ((m & Qt::ControlModifier) && (m & Qt::AltModifier)) {
        event->accept();
        return;
    }
    // Shift+Ctrl keys belong to the view (wireframe, solid) wherever the
    // focus is; they are not the Shift keys below.
    if ((m & Qt::ShiftModifier) && (m & Qt::ControlModifier)) {
        // A key the view itself passed on stops here.
        if (QApplication::focusWidget() != v && event->key() != Qt::Key_Shift &&
            event->key() != Qt::Key_Control) {
            event->setAccepted(true);
            QApplication::sendEvent(v, event);
        }
        return;
    }
    if (m & Qt::ShiftModifier) {
        switch (event->key()) {
        case Qt::Key_B:
            v->whiteBackground = !v->whiteBackground;
            refreshReadouts();
            v->updateGL();
            return;
        case Qt::Key_F: {
            bool ok = false;
            const double size = QInputDialog::getDouble(
                this, tr("Frame size"), tr("Enter the size of the coordinate frames"),
                double(FrameGlyph::size()), 0, 1000, 0, &ok);
            if (ok)
                FrameGlyph::setSize(float(size));
            v->updateGL();
            return;
        }
        case Qt::Key_G: {
            const auto &c = v->traceColour;
            const QColor chosen = QColorDialog::getColor(
                QColor(int(c[0] * 255), int(c[1] * 255), int(c[2] * 255), int(c[3] * 255)), this,
                tr("Select the dot trace color"), QColorDialog::ShowAlphaChannel);
            if (chosen.isValid())
                v->traceColour = {float(chosen.redF()), float(chosen.greenF()),
                                  float(chosen.blueF()), float(chosen.alphaF())};
            v->updateGL();
            return;
        }
        case Qt::Key_N:
            if (Robot *r = v->selectedRobot())
                r->toggleSmooth();
            v->updateGL();
            return;
        case Qt::Key_P:
            v->traceAsPoints = !v->traceAsPoints;
            v->updateGL();
            return;
        case Qt::Key_S: {
            bool ok = false;
            const double size = QInputDialog::getDouble(this, tr("Frame/Point size"),
                                                        tr("Enter the size of the trace"),
                                                        v->traceSize, 0, 100, 1, &ok);
            if (ok)
                v->traceSize = size;
            v->updateGL();
            return;
        }
        case Qt::Key_W:
            qCDebug(lcRobot) << "W Amb shift";
            return;
        case Qt::Key_C:
            qCDebug(lcRobot) << "Shift-C";
            openLANcontrol();
            return;
        default:
            event->ignore();
            return;
        }
    }
    if ((m & Qt::ControlModifier) && event->key() == Qt::Key_C) {
        if (!m_robotLoaded)
            return;
        QString text;
        for (float q : m_joints)
            text += QString::number(double(q), 'f', 6) + QLatin1Char('\t');
        QApplication::clipboard()->setText(text);
        return;
    }
    if ((m & Qt::ControlModifier) && event->key() == Qt::Key_V) {
        Clipboard_Paste();
        return;
    }
    event->ignore();
}

bool MenuPrincipal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // The player keeps Escape only while it plays; otherwise it is the
        // window's (leaving full screen).
        if (key->key() == Qt::Key_Escape && !m_paths->playing() && window() != this) {
            QApplication::sendEvent(window(), event);
            return true;
        }
    }
    if (watched == ui->dial && event->type() == QEvent::Wheel) {
        // One notch is one dial position: 5 mm or 1 degree, as the tooltip says.
        const int notches = static_cast<QWheelEvent *>(event)->angleDelta().y() / 120;
        if (notches != 0) {
            const int n = ui->dial->maximum() - ui->dial->minimum() + 1;
            ui->dial->setValue(((ui->dial->value() + notches) % n + n) % n);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
