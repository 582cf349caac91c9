#include "window/EndIndexBox.h"

#include <QKeyEvent>

#include <algorithm>

namespace wtb {

namespace {

bool isPlainEscape(const QKeyEvent* key) {
    return key->key() == Qt::Key_Escape &&
           (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
}

} // namespace

EndIndexBox::EndIndexBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, 0);
    setKeyboardTracking(true);
    setAccelerated(true); // a held arrow key speeds up over a long sound
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    connect(this, &QSpinBox::valueChanged, this, [this](int value) {
        if (!showing_) {
            Q_EMIT previewed(value);
        }
    });
}

void EndIndexBox::showEnd(int endIndex, int lastIndex) {
    showing_ = true;
    setRange(0, std::max(lastIndex, 0));
    setValue(endIndex);
    shown_ = value();
    showing_ = false;
}

bool EndIndexBox::event(QEvent* event) {
    // An edit open takes Escape back here before the window's Stop sees it.
    if (event->type() == QEvent::ShortcutOverride && isEditing() &&
        isPlainEscape(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QSpinBox::event(event);
}

void EndIndexBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!event->isAutoRepeat()) { // a held key applies once
            interpretText();
            Q_EMIT applied(value());
        }
        event->accept();
        return;
    }
    if (isPlainEscape(event) && isEditing()) {
        cancel();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void EndIndexBox::focusOutEvent(QFocusEvent* event) {
    if (isEditing()) {
        cancel();
    }
    QSpinBox::focusOutEvent(event);
}

void EndIndexBox::cancel() {
    showing_ = true;
    setValue(shown_); // also rewrites text typed but not yet a value
    showing_ = false;
    Q_EMIT previewCancelled();
}

} // namespace wtb
