#include "window/ClickSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>

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

} // namespace

ClickSlider::ClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    auto* style = new JumpToClickStyle;
    style->setParent(this);
    setStyle(style);
    setMinimum(0);
    setFocusPolicy(Qt::StrongFocus);
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
    Q_EMIT clicked();
}

void ClickSlider::keyPressEvent(QKeyEvent* event) {
    event->ignore(); // the knob stays where the program or the mouse put it
}

#if QT_CONFIG(wheelevent)
void ClickSlider::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
#endif

} // namespace wtb
