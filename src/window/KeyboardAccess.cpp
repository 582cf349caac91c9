#include "window/KeyboardAccess.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace wtb {

QKeySequence slotKeys(int slot) {
    if (slot < 1 || slot > kLastSlotWithKeys) {
        return QKeySequence();
    }
    return QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_0 + slot));
}

QString keysText(const QKeySequence& keys) {
    return keys.toString(QKeySequence::NativeText);
}

void ReturnPressesButton::watch(QAbstractButton* button) {
    button->installEventFilter(this);
}

bool ReturnPressesButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool returnKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers others = key->modifiers() & ~Qt::KeypadModifier;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!returnKey || others != Qt::NoModifier || !button || !button->isEnabled()) {
        return false;
    }
    if (!key->isAutoRepeat()) {
        button->click();
    }
    return true;
}

} // namespace wtb
