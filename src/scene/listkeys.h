// The key rule of the robot and object lists: every key press on the list
// is consumed; Delete (without Shift or Ctrl) removes the selected entry.
#pragma once

#include <QEvent>
#include <QKeyEvent>

namespace listkeys {

enum class Action { NotAKey, Consume, Remove };

inline Action classify(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return Action::NotAKey;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
        return Action::Consume;
    return key->key() == Qt::Key_Delete ? Action::Remove : Action::Consume;
}

} // namespace listkeys
