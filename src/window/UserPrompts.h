#pragma once

#include <QString>

class QWidget;

namespace wtb {

// The questions and messages the window puts to the user, behind one seam so tests can answer
// them without a modal box.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual void showError(QWidget* parent, const QString& message);

    // A save at close failed: try again, close without saving, or keep the window open (also
    // the answer of Escape and of the box's own close button).
    enum class SaveFailureChoice { Retry, CloseWithoutSaving, KeepOpen };
    virtual SaveFailureChoice askAfterFailedSave(QWidget* parent, const QString& message);

    // The wavetable does not fit the board: true to save anyway, false (the default) to cancel.
    virtual bool askSaveAnyway(QWidget* parent, const QString& message);
};

} // namespace wtb
