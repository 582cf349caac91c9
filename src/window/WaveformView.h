#pragma once

#include "slots/Slot.h"
#include "window/WaveformMapping.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>

class QPainter;

namespace wtb {

// The picture's colours.
inline const QColor kStartAndZeroLines = Qt::red;
inline const QColor kEndMarker = Qt::green;
inline const QColor kTrace = Qt::blue;
inline const QColor kPictureBackground = Qt::white;

// How the sample polyline is drawn, sample i at mapping.xOf(i), into a box `height` units high.
using TraceDrawing = void (*)(QPainter& painter, std::span<const std::uint8_t> samples,
                              const WaveformMapping& mapping, std::int32_t height);

// The picture of a sound on `image` (cleared first), its samples placed by `mapping` (whose
// width is the image's): white ground, the loop's band and edges when there is a loop, the red
// start line and zero line, the green end marker at `endIndex`, then the blue trace. A sound
// without samples is a blank picture. Every line is one image pixel wide, aliased, with square
// caps (the fast trace relies on it). What was drawn before a failing step stays drawn.
void drawWaveform(QImage& image, std::span<const std::uint8_t> samples, std::int32_t endIndex,
                  const WaveformMapping& mapping, TraceDrawing drawTrace,
                  const std::optional<Loop>& loop = std::nullopt);

// The whole sound in a box of `size` at `pixelRatio` image pixels to one pixel of the box, so
// it stays sharp at any scale.
QImage waveformPicture(QSize size, qreal pixelRatio, std::span<const std::uint8_t> samples,
                       std::int32_t endIndex, TraceDrawing drawTrace,
                       const std::optional<Loop>& loop = std::nullopt);

// The waveform of the current slot. It paints itself from the sound, end index and loop it is
// given, at the pixel ratio of the screen it stands on, and keeps the picture until they change.
// Both setters raise when the sound cannot be drawn (an end marker beyond 32-bit pixels).
//
// It zooms: Ctrl+wheel around the pointer, zoomBy() from the window's keys; the wheel alone
// scrolls a zoomed picture. A sound of another length is shown whole.
class WaveformView : public QWidget {
    Q_OBJECT

public:
    explicit WaveformView(QSize size, QWidget* parent = nullptr);

    // Keeps the zoom for a sound of the same length (a trim, an undo), unless `whole`.
    void showSound(const Samples& samples, std::int32_t endIndex,
                   const std::optional<Loop>& loop = std::nullopt, bool whole = false);
    // Moves only the end marker, as a keyboard move of the end-point slider previews it.
    void previewEnd(std::int32_t endIndex);

    // Zooms by `factor` (2 in, 0.5 out) around `anchorX` (the box's units); without one, around
    // the end marker when it is shown, else around the middle.
    void zoomBy(double factor, std::optional<qreal> anchorX = std::nullopt);
    void showWhole();
    // Moves a zoomed picture by `columns` of the box (positive: later samples into view).
    void scrollBy(qreal columns);
    // Scrolls a zoomed picture to put sample `index` in the middle when it is not shown.
    void scrollToShow(std::int32_t index);

    // The placing of the samples in the picture's image pixels, for whatever is drawn over it.
    const WaveformMapping& mapping() const { return mapping_; }
    // The samples shown from the left edge to the right edge, the whole sound when unzoomed.
    std::int32_t firstShown() const { return mapping_.firstShown(); }
    std::int32_t lastShown() const { return mapping_.lastShown(); }
    // Sample and position in the box's units, through mapping().
    std::int32_t indexAt(qreal x) const;
    qreal xOf(std::int32_t index) const;
    // The sample under the pointer where the context menu was last opened; nothing for a sound
    // without samples. The menu's commands that act "here" take it.
    std::optional<std::int32_t> menuIndex() const { return menuIndex_; }
    // Notes the pointer's place (in the box's units) as the context menu does.
    void setPointer(QPoint position);

    // The picture as the view paints it now.
    const QImage& picture() const;

Q_SIGNALS:
    // The samples shown changed: a zoom, a scroll or a new size.
    void shownRangeChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* event) override;
#endif

private:
    void render() const;
    void renderQuietly() const; // where no action can report a failure
    void changeMapping(const WaveformMapping& mapping);

    Samples samples_;
    std::int32_t endIndex_ = 0;
    std::optional<Loop> loop_;
    std::optional<std::int32_t> menuIndex_;
    mutable WaveformMapping mapping_;
    mutable QImage picture_;
    mutable qreal pictureRatio_ = 0;
    double wheelSteps_ = 0; // a fine wheel's turns, kept until they make a step
};

} // namespace wtb
