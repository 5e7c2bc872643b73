#include "controls/Keys.h"

#include "controls/Dialogs.h"
#include "controls/Edits.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

void KeyChain::onEnter(QWidget* from, std::function<void()> action)
{
    from->installEventFilter(this);
    m_enter.insert(from, std::move(action));
}

void KeyChain::enterTo(QWidget* from, QWidget* to)
{
    onEnter(from, [to] { SetFocus(to); });
}

void KeyChain::onExit(QWidget* from, std::function<void()> action)
{
    from->installEventFilter(this);
    m_exit.insert(from, std::move(action));
}

bool KeyChain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && m_enter.contains(watched)) {
            // A date that is not whole goes to no handler: it is completed or refused first.
            if (auto* date = qobject_cast<TMaskEdit*>(watched); date && !date->Validate()) return true;
            const auto action = m_enter.value(watched);
            guarded(action);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && m_exit.contains(watched)) {
        // Only a move to another control counts: not another window or a menu taking over.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->window()->isVisible()) {
                const auto action = m_exit.value(watched);
                guarded(action);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void SetFocus(QWidget* w)
{
    if (w) w->setFocus(Qt::OtherFocusReason);
}
