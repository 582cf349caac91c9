#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QWidget;

namespace wtb {

// The questions and messages the window puts to the user, behind one seam so tests can answer
// them without a modal box.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual void showError(QWidget* parent, const QString& message);
    // Something done that the user should know will cause trouble later (a slot too large for
    // the board): a warning, not a failure.
    virtual void showWarning(QWidget* parent, const QString& message);

    // Files are about to replace the slots the message names: true to replace them, false (the
    // default, and the answer of Escape) to leave every slot as it is.
    virtual bool askReplaceSlots(QWidget* parent, const QString& message);

    // A save at close failed: try again, close without saving, or keep the window open (also
    // the answer of Escape and of the box's own close button).
    enum class SaveFailureChoice { Retry, CloseWithoutSaving, KeepOpen };
    virtual SaveFailureChoice askAfterFailedSave(QWidget* parent, const QString& message);

    // The wavetable does not fit the board: true to save anyway, false (the default) to cancel.
    virtual bool askSaveAnyway(QWidget* parent, const QString& message);

    // The slots to be saved are at more than one rate: resample them all to `rate`, save
    // anyway, or cancel (the default, and the answer of Escape).
    enum class MixedRatesChoice { ResampleAll, SaveAnyway, Cancel };
    virtual MixedRatesChoice askMixedRates(QWidget* parent, const QString& message,
                                           std::int32_t rate);

    // The target rate changed while slots are at other rates: true to resample them to it,
    // false (the default) to leave them as they are.
    virtual bool askResampleToTarget(QWidget* parent, const QString& message);

    // The serial port to upload to: one of `ports` (the list's first proposed) or any path
    // typed; nothing when cancelled.
    virtual std::optional<QString> askUploadPort(QWidget* parent, const QStringList& ports);

    // The program's name, version and licence, in a box with one OK button.
    virtual void showAbout(QWidget* parent, const QString& title, const QString& text);
};

} // namespace wtb
