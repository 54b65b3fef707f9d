#include "playerwiring.h"

#include "scene/glwidget.h"
#include "sequences/paths.h"
#include "ui/menuprincipal.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPointer>

namespace {

// The player's keys while the panel has the focus: the arrows and Escape
// without Shift or Ctrl. Other keys go on to the panel.
class PlayerKeys : public QObject
{
public:
    explicit PlayerKeys(Paths *paths) : QObject(paths), m_paths(paths) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            m_paths->handleKey(static_cast<QKeyEvent *>(event)))
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    Paths *m_paths;
};

} // namespace

void connectPlayer(Paths *paths, MenuPrincipal *panel, glwidget *view)
{
    if (!paths)
        return;
    const auto direct = Qt::DirectConnection;
    if (view) {
        const QPointer<glwidget> guarded(view);
        paths->setRobotProvider(
            [guarded]() -> Robot * { return guarded ? guarded->selectedRobot() : nullptr; });
        QObject::connect(paths, &Paths::TCP_Points_Add_signal, view, &glwidget::TCP_Points_Add,
                         direct);
        QObject::connect(paths, &Paths::TCP_Points_Clear_signal, view, &glwidget::clearTrace,
                         direct);
        QObject::connect(paths, &Paths::RenderGL, view, &glwidget::updateGL_slot, direct);
    }
    if (panel) {
        QObject::connect(paths, &Paths::setConfiguration_precise_signal, panel,
                         &MenuPrincipal::setConfiguration_precise, direct);
        QObject::connect(paths, &Paths::updateIKslider_signal, panel,
                         &MenuPrincipal::updateIKslider, direct);
        QObject::connect(paths, &Paths::Change_TCP_signal, panel, &MenuPrincipal::Change_TCP,
                         direct);
        QObject::connect(paths, &Paths::Change_WOBJ_signal, panel, &MenuPrincipal::Change_WOBJ,
                         direct);
        QObject::connect(paths, &Paths::Change_Object_signal, panel, &MenuPrincipal::Change_Object,
                         direct);
        panel->installEventFilter(new PlayerKeys(paths));
    }
}
