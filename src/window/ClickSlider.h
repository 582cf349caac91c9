#pragma once

#include <QSlider>

namespace wtb {

// A horizontal slider whose one notification is clicked(): the user pressed the left mouse
// button on it and released it. A left press puts the knob straight under the pointer (and a
// drag moves it); the release reports the value the knob ended at. Setting the maximum or the
// value from code never emits clicked(). The slider takes focus in the tab order but ignores
// the keyboard and the wheel, so its knob only ever shows what the program set or where the
// user clicked.
class ClickSlider : public QSlider {
    Q_OBJECT

public:
    explicit ClickSlider(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* event) override;
#endif

private:
    bool leftPressed_ = false;
};

} // namespace wtb
