#include "formabbutility.h"
#include "ui_formabbutility.h"

#include "kinematics/robot.h"
#include "texts/uitexts.h"
#include "rapidparser.h"
#include "scene/glwidget.h"
#include "scene/panelcommands.h"

#include <QDockWidget>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTextEdit>

FormABButility::FormABButility(PanelCommands *panel, QWidget *parent)
    : QWidget(parent), m_panel(panel), ui(new Ui::FormABButility)
{
    ui->setupUi(this);
    retranslate();
    fitFields();
}

void FormABButility::fitFields()
{
    // A declaration is read as a whole: each field is as wide as its text,
    // as far as the dock may grow (the window keeps it over the 3-D view);
    // a longer one scrolls in its field. A floating dock grows with them,
    // leftwards: its right edge stays where the window put it.
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 800);
    auto *dock = qobject_cast<QDockWidget *>(parentWidget());
    const QList<QLineEdit *> fields{ui->txtWObj, ui->txtTool, ui->txtRT};
    for (QLineEdit *e : fields)
        e->setMinimumWidth(0);
    int room = screen.width() - 250;
    // With the fields at their least, what the dock needs beyond one field
    // is fixed; the rest of its largest width is the fields'.
    if (dock && dock->maximumWidth() < QWIDGETSIZE_MAX)
        room = dock->maximumWidth() - dock->minimumSizeHint().width() +
               fields.first()->minimumSizeHint().width();
    for (QLineEdit *e : fields) {
        const int text = e->fontMetrics().horizontalAdvance(e->text()) + 16;
        e->setMinimumWidth(qMax(0, qMin(text, room)));
    }
    if (dock && dock->isFloating() && dock->isVisible()) {
        const int right = dock->frameGeometry().right();
        dock->adjustSize();
        dock->move(right + 1 - dock->frameGeometry().width(), dock->pos().y());
    }
}

void FormABButility::retranslate()
{
    // The button reads the robot; it does not apply what was typed (Return
    // in a field does), and it says so.
    ui->btnRefresh->setText(uitext::get(uitext::Text::RapidUpdate));
    ui->btnRefresh->setToolTip(uitext::get(uitext::Text::RapidUpdateTip));
    ui->lblWObj->setText(uitext::get(uitext::Text::RapidWorkObjectLabel));
    ui->lblTool->setText(uitext::get(uitext::Text::RapidToolDataLabel));
}

FormABButility::~FormABButility()
{
    delete ui;
}

QString FormABButility::noRobotText()
{
    return uitext::get(uitext::Text::RapidNoRobot);
}

Robot *FormABButility::robot() const
{
    if (!m_panel || !m_panel->view())
        return nullptr;
    return m_panel->view()->selectedRobot();
}

void FormABButility::notify(const QString &text)
{
    ui->lblnotify->setText(text);
}

void FormABButility::on_btnRefresh_clicked()
{
    const Robot *r = robot();
    if (!r) {
        notify(noRobotText());
        return;
    }
    Matrix4 pose;
    ConfData conf;
    r->currentRobtarget(pose, conf);
    ui->txtWObj->setText(rapid::workObjectText(r->getHB()));
    ui->txtTool->setText(rapid::toolText(r->getHT()));
    ui->txtRT->setText(rapid::robtargetText(pose, conf));
    for (QLineEdit *e : {ui->txtWObj, ui->txtTool, ui->txtRT})
        e->setCursorPosition(0);
    fitFields();
    notify(QString());
}

void FormABButility::on_txtWObj_returnPressed()
{
    if (!robot()) {
        notify(noRobotText());
        return;
    }
    Matrix4 user, object;
    bool identity = false;
    const rapid::TextError e =
        rapid::parseWorkObject(ui->txtWObj->text(), user, object, &identity);
    if (e != rapid::TextError::None) {
        notify(rapid::refusalText(uitext::get(uitext::Text::RapidBadWorkObject), e));
        return;
    }
    Matrix4 frame = rapid::workObjectFrame(user, object);
    m_panel->Change_WOBJ(frame.data());
    notify(identity ? rapid::identityNote() : QString());
}

void FormABButility::on_txtTool_returnPressed()
{
    if (!robot()) {
        notify(noRobotText());
        return;
    }
    Matrix4 tool;
    bool identity = false;
    const rapid::TextError e = rapid::parseTool(ui->txtTool->text(), tool, &identity);
    if (e != rapid::TextError::None) {
        notify(rapid::refusalText(uitext::get(uitext::Text::RapidBadTool), e));
        return;
    }
    Matrix4 frame = toolbox::transpose(tool);
    m_panel->Change_TCP(frame.data());
    notify(identity ? rapid::identityNote() : QString());
}

void FormABButility::on_txtRT_returnPressed()
{
    Robot *r = robot();
    if (!r) {
        notify(noRobotText());
        return;
    }
    Matrix4 pose;
    ConfData conf;
    rapid::TextError e = rapid::TextError::None;
    bool identity = false;
    const int parsed = rapid::parseRobtarget(ui->txtRT->text(), pose, conf, &e, &identity);
    if (parsed == -2) {
        notify(rapid::refusalText(uitext::get(uitext::Text::RapidBadTarget), e));
        return;
    }
    if (parsed == -1) {
        // Without configuration data any solution will do; the texts then
        // show which configuration the robot took.
        r->moveToRobtarget(pose, ConfData());
        m_panel->refreshReadouts();
        on_btnRefresh_clicked();
        notify(uitext::get(uitext::Text::RapidNoConfData));
        return;
    }
    switch (r->moveToRobtarget(pose, conf)) {
    case 0:
        m_panel->refreshReadouts();
        notify(identity ? rapid::identityNote() : QString());
        break;
    case -3:
        notify(uitext::get(uitext::Text::RapidUnreachable));
        break;
    default:
        m_panel->refreshReadouts();
        on_btnRefresh_clicked();
        notify(uitext::get(uitext::Text::RapidBadConfData));
        break;
    }
}

void FormABButility::on_btnWObjInfo_clicked()
{
    Matrix4 user, object;
    const rapid::TextError e = rapid::parseWorkObject(ui->txtWObj->text(), user, object);
    if (e == rapid::TextError::TooFewNumbers)
        return;
    if (e != rapid::TextError::None) {
        notify(rapid::refusalText(uitext::get(uitext::Text::RapidBadWorkObject), e));
        return;
    }
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Work Object"));
    auto *text = new QTextEdit(&box);
    text->setObjectName(QStringLiteral("workObjectReport"));
    text->setReadOnly(true);
    QFont font(QStringLiteral("Consolas"));
    font.setStyleHint(QFont::Monospace);
    text->setFont(font);
    text->setMinimumSize(750, 250);
    for (const QString &paragraph : rapid::workObjectReport(user, object))
        text->append(paragraph);
    // A message box lays itself out on a grid; the report spans all of it.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addWidget(text, grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
}
