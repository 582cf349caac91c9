#pragma once

#include <QSpinBox>

namespace wtb {

// Where the end index is typed exactly. Like the end-point slider it applies nothing until
// Return or Enter (applied()); the arrow keys and typing move the value without applying it
// (previewed()); Escape, or leaving the box, puts back the value the program had shown
// (previewCancelled()). Showing a value from the program never emits anything.
class EndIndexBox : public QSpinBox {
    Q_OBJECT

public:
    explicit EndIndexBox(QWidget* parent = nullptr);

    // The slot's end index within 0..lastIndex; a value outside it is shown at the nearer end.
    void showEnd(int endIndex, int lastIndex);
    // Whether the user has moved the value away from what the program showed.
    bool isEditing() const { return value() != shown_ || cleanText() != textFromValue(shown_); }

Q_SIGNALS:
    void applied(int value);
    void previewed(int value);
    void previewCancelled();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void cancel();

    int shown_ = 0;
    bool showing_ = false; // the program is setting the value
};

} // namespace wtb
