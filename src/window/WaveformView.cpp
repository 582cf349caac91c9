#include "window/WaveformView.h"

#include "common/RoundHalfEven.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"

#include <QContextMenuEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace wtb {

namespace {

// The image covers every screen pixel the box touches, also at a fractional ratio.
QSize imageSize(QSize logical, qreal pixelRatio) {
    return QSize(static_cast<int>(std::ceil(logical.width() * pixelRatio)),
                 static_cast<int>(std::ceil(logical.height() * pixelRatio)));
}

// One image pixel wide and aliased: a hairline on the screen at any pixel ratio. The square cap
// makes every segment cover both of its end pixels, so a run of segments in one column covers
// exactly the rows between its lowest and highest point.
void usePen(QPainter& painter, const QColor& colour) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
}

} // namespace

namespace {

// Draws onto a blank image; what was drawn before a failing step stays drawn.
void drawWaveform(QImage& image, std::span<const std::uint8_t> samples, std::int32_t endIndex,
                  TraceDrawing drawTrace) {
    image.fill(kPictureBackground);
    if (samples.empty()) {
        return;
    }
    const auto width = static_cast<float>(image.width());
    const auto height = static_cast<float>(image.height());
    const auto last = static_cast<std::int32_t>(samples.size() - 1);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    usePen(painter, kStartAndZeroLines);
    painter.drawLine(QLineF(0, 0, 0, height));
    painter.drawLine(QLineF(0, height / 2, width, height / 2));
    const std::int32_t marker = indexToX(endIndex, last, toInt32HalfEven(width));
    usePen(painter, kEndMarker);
    painter.drawLine(QLineF(marker, 0, marker, height));
    usePen(painter, kTrace);
    drawTrace(painter, samples, toInt32HalfEven(width), toInt32HalfEven(height));
}

} // namespace

QImage waveformPicture(QSize size, qreal pixelRatio, std::span<const std::uint8_t> samples,
                       std::int32_t endIndex, TraceDrawing drawTrace) {
    QImage image(imageSize(size, pixelRatio), QImage::Format_RGB32);
    drawWaveform(image, samples, endIndex, drawTrace);
    return image;
}

WaveformView::WaveformView(QSize size, QWidget* parent) : QWidget(parent) {
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent); // the picture covers every pixel
    render();
}

void WaveformView::showSound(const Samples& samples, std::int32_t endIndex) {
    samples_ = samples;
    endIndex_ = endIndex;
    render();
}

void WaveformView::previewEnd(std::int32_t endIndex) {
    endIndex_ = endIndex;
    render();
}

void WaveformView::render() const {
    // Drawn as soon as it is asked for, so a sound that cannot be drawn is reported by the
    // action that showed it; the picture keeps what was drawn before the failing step.
    picture_ = QImage(imageSize(size(), devicePixelRatioF()), QImage::Format_RGB32);
    pictureRatio_ = devicePixelRatioF();
    const_cast<WaveformView*>(this)->update();
    drawWaveform(picture_, samples_.bytes(), endIndex_, drawTraceFast);
}

const QImage& WaveformView::picture() const {
    if (pictureRatio_ != devicePixelRatioF()) {
        try {
            render(); // moved to a screen of another pixel ratio
        } catch (const std::exception&) {
            // the action that showed this sound has reported why it cannot be drawn
        }
    }
    return picture_;
}

std::optional<std::int32_t> WaveformView::sampleAtPointer() const {
    const auto count = samples_.bytes().size();
    if (count == 0) {
        return std::nullopt;
    }
    // The trace spreads the slot's samples over the box's width (indexToX); this undoes it.
    return xToIndex(pointer_.x(), static_cast<std::int32_t>(count - 1), width());
}

bool WaveformView::event(QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        // Noted before the menu opens, so its commands act where it was asked for.
        setPointer(static_cast<QContextMenuEvent*>(event)->pos());
    }
    return QWidget::event(event);
}

void WaveformView::paintEvent(QPaintEvent*) {
    // One image pixel on one screen pixel: the target is the image's size in the box's units.
    const QImage& image = picture();
    const qreal ratio = pictureRatio_;
    QPainter painter(this);
    painter.drawImage(QRectF(0, 0, image.width() / ratio, image.height() / ratio), image);
}

} // namespace wtb
