#pragma once

#include "slots/Slot.h"

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

// How the sample polyline is drawn into a box of width x height units.
using TraceDrawing = void (*)(QPainter& painter, std::span<const std::uint8_t> samples,
                              std::int32_t width, std::int32_t height);

// The picture of a sound in a box of `size` at `pixelRatio` image pixels to one pixel of the
// box, so it stays sharp at any scale: white ground, the red start line and zero line, the green
// end marker at `endIndex`, then the blue trace. A sound without samples is a blank picture.
// Every line is one image pixel wide, aliased, with square caps (the fast trace relies on it).
QImage waveformPicture(QSize size, qreal pixelRatio, std::span<const std::uint8_t> samples,
                       std::int32_t endIndex, TraceDrawing drawTrace);

// The waveform of the current slot. It paints itself from the sound and end index it is given,
// at the pixel ratio of the screen it stands on, and keeps the picture until they change. Both
// setters raise when the sound cannot be drawn (an end marker beyond 32-bit pixels).
class WaveformView : public QWidget {
    Q_OBJECT

public:
    explicit WaveformView(QSize size, QWidget* parent = nullptr);

    void showSound(const Samples& samples, std::int32_t endIndex);
    // Moves only the end marker, as a keyboard move of the end-point slider previews it.
    void previewEnd(std::int32_t endIndex);

    // Where the pointer was when the context menu was asked for (in the view's own units), and
    // the sample shown there; nothing for a sound without samples. The menu's commands that act
    // "here" take this sample.
    void setPointer(QPoint position) { pointer_ = position; }
    std::optional<std::int32_t> sampleAtPointer() const;

    // The picture as the view paints it now.
    const QImage& picture() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void render() const;

    Samples samples_;
    std::int32_t endIndex_ = 0;
    QPoint pointer_;
    mutable QImage picture_;
    mutable qreal pictureRatio_ = 0;
};

} // namespace wtb
