#include "startupwindow.h"

#include "kinematics/robot.h"
#include "models/datadirs.h"
#include "scene/glwidget.h"
#include "scene/objects.h"
#include "scene/robots.h"
#include "ui/menuprincipal.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>

StartupWindow::StartupWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Velkari"));
    resize(1000, 685);
    setMinimumSize(400, 400);

    m_robotProps = makeDock(QString(), 150, 275);
    m_robots = makeDock(QString(), 0, 200);
    m_objectProps = makeDock(QStringLiteral("Object properties view"), 150, 275);
    m_objects = makeDock(QStringLiteral("Objects view"), 0, 200);
    m_robotProps->setWindowTitle(tr("Robot properties"));
    m_robots->setWindowTitle(tr("Robots"));
    m_panel = new MenuPrincipal(this, m_robotProps, m_robots, m_objectProps, m_objects);
    m_view = m_panel->view();
    setCentralWidget(m_panel);
    m_robots->show();
    m_robotProps->hide();
    m_objects->hide();
    m_objectProps->hide();
    connect(m_view, &glwidget::userMessage, this, &StartupWindow::showMessage);

    QMenu *file = menuBar()->addMenu(tr("File"));
    file->addAction(tr("Load robot..."), this, [this]() { delete m_view->loadModel(); });
    file->addAction(tr("Load tool..."), this, [this]() {
        delete m_view->loadTool();
        m_view->updateGL();
    });
    file->addAction(tr("Remove tool"), m_view, &glwidget::removeTool);
    file->addAction(tr("Load object..."), this, [this]() {
        const QStringList files =
            QFileDialog::getOpenFileNames(nullptr, tr("Open"), DataDirs::objectDir(),
                                          QStringLiteral("All (*.*)\nSTL (*.stl)\nRender (*.slp)"));
        for (const QString &f : files)
            m_view->objectsList()->AddObject(f);
        if (!files.isEmpty()) {
            m_objects->show();
            m_objectProps->show();
        }
    });
    file->addSeparator();
    file->addAction(tr("Exit"), this, &QWidget::close, QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu *views = menuBar()->addMenu(tr("View"));
    views->addAction(tr("Isometric"), m_view, &glwidget::do_viewIso);
    views->addAction(tr("Top"), m_view, &glwidget::do_viewTop);
    views->addAction(tr("Front"), m_view, &glwidget::do_viewFront);
    views->addAction(tr("Right"), m_view, &glwidget::do_viewRight);
    views->addAction(tr("Left"), m_view, &glwidget::do_viewLeft);
    views->addAction(tr("Back"), m_view, &glwidget::do_viewBack);
    views->addSeparator();
    QAction *objectsView = views->addAction(tr("Objects view"));
    objectsView->setCheckable(true);
    connect(objectsView, &QAction::toggled, this, [this](bool on) {
        m_objects->setVisible(on);
        m_objectProps->setVisible(on);
    });
}

QDockWidget *StartupWindow::makeDock(const QString &title, int maxHeight, int minWidth)
{
    auto *dock = new QDockWidget(title, this);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    dock->setFeatures(QDockWidget::DockWidgetMovable);
    if (maxHeight > 0)
        dock->setMaximumHeight(maxHeight);
    dock->setMaximumWidth(400);
    dock->setMinimumWidth(minWidth);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    return dock;
}

Robot *StartupWindow::robot() const
{
    return m_view->selectedRobot();
}

int StartupWindow::loadRobot(const QString &file)
{
    QByteArray name = file.toUtf8();
    return m_panel->loadModel(name.data()) ? 0 : -1;
}

int StartupWindow::loadTool(const QString &file)
{
    if (!robot())
        return -1;
    QByteArray name = file.toUtf8();
    const bool ok = m_panel->loadTool(name.data());
    m_view->updateGL();
    return ok ? 0 : -1;
}

QImage StartupWindow::snapshot()
{
    QImage shot = grab().toImage();
    if (m_view->isValid()) {
        // The view's pixels come from its framebuffer, not from the widget grab.
        const QImage gl = m_view->grabFrameBuffer();
        QPainter p(&shot);
        p.drawImage(m_view->mapTo(this, QPoint(0, 0)), gl);
    }
    return shot;
}

void StartupWindow::showMessage(const QString &text)
{
    if (!m_showMessages)
        return;
    // Message boxes have no parent; a non-modal one does not stop start-up.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velkari"), text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}
