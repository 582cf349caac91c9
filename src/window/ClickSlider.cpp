#include "window/ClickSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>

#include <algorithm>
#include <cstdint>

namespace wtb {

namespace {

// Makes a left press jump to the pointer instead of paging towards it; no button pages.
class JumpToClickStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons) {
            return Qt::LeftButton;
        }
        if (hint == QStyle::SH_Slider_PageSetButtons) {
            return Qt::NoButton;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// An arrow key moves the knob by about what one pixel of the slider covers, a page by a tenth
// of the range; never by less than one sample.
constexpr std::int64_t kArrowStepsPerRange = 500;
constexpr std::int64_t kPageStepsPerRange = 10;

int stepFor(int range, std::int64_t stepsPerRange) {
    const std::int64_t span = std::max<std::int64_t>(range, 0);
    return static_cast<int>(std::max<std::int64_t>(1, (span + stepsPerRange - 1) / stepsPerRange));
}

bool movesTheKnob(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

bool isPlain(const QKeyEvent* event) {
    return (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
}

} // namespace

ClickSlider::ClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    auto* style = new JumpToClickStyle;
    style->setParent(this);
    setStyle(style);
    setMinimum(0);
    setFocusPolicy(Qt::StrongFocus);
    updateKeySteps();
}

bool ClickSlider::event(QEvent* event) {
    // While a key move is open, Escape takes it back here before any window shortcut sees it.
    if (event->type() == QEvent::ShortcutOverride && isPreviewing()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && isPlain(key)) {
            event->accept();
            return true;
        }
    }
    return QSlider::event(event);
}

void ClickSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
        QSlider::mousePressEvent(event);
    } else {
        event->ignore();
    }
}

void ClickSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftPressed_) {
        event->ignore();
        return;
    }
    leftPressed_ = false;
    QSlider::mouseReleaseEvent(event);
    apply();
}

void ClickSlider::keyPressEvent(QKeyEvent* event) {
    if (!isPlain(event)) {
        event->ignore(); // left to the window's shortcuts
        return;
    }
    const int key = event->key();
    if (movesTheKnob(key)) {
        moveByKey(event);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!event->isAutoRepeat()) { // a held key applies once
            apply();
        }
        event->accept();
    } else if (key == Qt::Key_Escape && isPreviewing()) {
        cancelPreview();
        event->accept();
    } else {
        event->ignore();
    }
}

void ClickSlider::moveByKey(QKeyEvent* event) {
    if (!previewFrom_) {
        previewFrom_ = value();
    }
    movingByKey_ = true;
    QSlider::keyPressEvent(event);
    movingByKey_ = false;
    event->accept();
    Q_EMIT previewed(value());
}

void ClickSlider::apply() {
    previewFrom_.reset(); // the knob's value is applied now: nothing is left to take back
    Q_EMIT clicked();
}

void ClickSlider::cancelPreview() {
    const int back = *previewFrom_;
    previewFrom_.reset();
    setValue(back);
    Q_EMIT previewCancelled();
}

void ClickSlider::focusOutEvent(QFocusEvent* event) {
    if (isPreviewing()) {
        cancelPreview();
    }
    QSlider::focusOutEvent(event);
}

void ClickSlider::sliderChange(SliderChange change) {
    QSlider::sliderChange(change);
    if (change == SliderRangeChange) {
        updateKeySteps();
    }
    // The program put the knob somewhere new: that is where a cancelled move now returns, so
    // no move is open any more.
    if (!movingByKey_ && !leftPressed_ && change != SliderStepsChange) {
        previewFrom_.reset();
    }
}

void ClickSlider::updateKeySteps() {
    const int range = maximum() - minimum();
    setSingleStep(stepFor(range, kArrowStepsPerRange));
    setPageStep(stepFor(range, kPageStepsPerRange));
}

#if QT_CONFIG(wheelevent)
void ClickSlider::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
#endif

} // namespace wtb
