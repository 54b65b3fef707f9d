#include "about.h"

#include "ui_about.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QPointer>
#include <QTimer>
#include <utility>

namespace {

std::function<void(const QUrl &)> &linkOpener()
{
    static std::function<void(const QUrl &)> opener;
    return opener;
}

} // namespace

About::About(QWidget *panel) : QWidget(nullptr), ui(new Ui::About)
{
    // The logo lives in a static library: its resources are registered by
    // hand, or the linker would drop them.
    Q_INIT_RESOURCE(about);
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    connect(ui->pushButton, &QPushButton::clicked, this, &About::OKbutton);

    if (panel) {
        if (panel->metaObject()->indexOfSlot("closeAbout()") >= 0)
            connect(this, SIGNAL(Emit_Close_Request()), panel, SLOT(closeAbout()));
        connect(panel, &QObject::destroyed, this, &QObject::deleteLater);
    }
}

About::~About()
{
    delete ui;
}

void About::setLanguage(int code)
{
    struct Captions
    {
        const char *title;
        const char *subtitle;
        const char *credits;
    };
    Captions c{};
    switch (code) {
    case 1:
    case 5:
        c = {"About", "Robot Kinematics Simulator", "Credits:"};
        break;
    case 2:
        c = {"\u00C0 propos", "Simulateur de la cin\u00E9matique de robots", "Cr\u00E9dits :"};
        break;
    case 3:
        c = {"Cr\u00E9ditos", "Simulador de la cinematica de robots", "Cr\u00E9ditos:"};
        break;
    case 4:
        c = {"Cr\u00E8dits", "Simulador de la cinem\u00E0tica de robots", "Cr\u00E8dits:"};
        break;
    default:
        return;
    }
    setWindowTitle(QString::fromUtf8(c.title));
    ui->lbl1_robot->setText(QString::fromUtf8(c.subtitle));
    ui->lbl2_credits->setText(QString::fromUtf8(c.credits));
}

QUrl About::labPage()
{
    return QUrl(QStringLiteral("https://www.example.org/velkari/lab/"));
}

void About::setLinkOpener(std::function<void(const QUrl &)> opener)
{
    linkOpener() = std::move(opener);
}

void About::OKbutton()
{
    emit Emit_Close_Request();
}

void About::closeEvent(QCloseEvent *event)
{
    // The title-bar button must end like OK, or the main window would stay
    // disabled. The request is sent once the close has finished, so that a
    // receiver may delete the box at once.
    event->accept();
    if (m_closeRequested)
        return;
    m_closeRequested = true;
    QPointer<About> self(this);
    QTimer::singleShot(0, [self]() {
        if (self)
            emit self->Emit_Close_Request();
    });
}

void About::showEvent(QShowEvent *event)
{
    m_closeRequested = false;
    QWidget::showEvent(event);
}

void About::on_bnt_Zorv_clicked()
{
    if (linkOpener())
        linkOpener()(labPage());
    else
        QDesktopServices::openUrl(labPage());
}
