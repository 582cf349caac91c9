#pragma once

#include <QSlider>

#include <optional>

namespace wtb {

// A horizontal slider whose one notification that applies anything is clicked(): the user
// pressed the left mouse button on it and released it, or pressed Return or Enter on it. A left
// press puts the knob straight under the pointer (and a drag moves it); the release reports the
// value the knob ended at. Setting the maximum or the value from code never emits clicked().
//
// With the slider focused, the arrow keys, Page Up/Down and Home/End move the knob without
// applying it (previewed()); Return or Enter applies it as a mouse release does; Escape, or
// leaving the slider, puts the knob back where the program had put it (previewCancelled()).
// The wheel does nothing, so the knob never moves by accident.
class ClickSlider : public QSlider {
    Q_OBJECT

public:
    explicit ClickSlider(QWidget* parent = nullptr);

    // Whether a key has moved the knob away from where the program put it.
    bool isPreviewing() const { return previewFrom_.has_value(); }

Q_SIGNALS:
    void clicked();
    // A key moved the knob to `value`; nothing is applied until Return.
    void previewed(int value);
    // The keyboard move was taken back: the knob is where the program had put it.
    void previewCancelled();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void sliderChange(SliderChange change) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* event) override;
#endif

private:
    void moveByKey(QKeyEvent* event);
    void apply();
    void cancelPreview();
    void updateKeySteps();

    bool leftPressed_ = false;
    bool movingByKey_ = false;
    // Where the program had put the knob before the first key moved it.
    std::optional<int> previewFrom_;
};

} // namespace wtb
