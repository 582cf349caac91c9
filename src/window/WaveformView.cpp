#include "window/WaveformView.h"

#include "common/RoundHalfEven.h"
#include "window/WaveformLoopOverlay.h"
#include "window/WaveformRaster.h"
#include "window/WaveformScale.h"

#include <QContextMenuEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

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

std::int32_t lastIndexOf(std::span<const std::uint8_t> samples) {
    return samples.empty() ? 0 : static_cast<std::int32_t>(samples.size() - 1);
}

// One notch of a mouse wheel: a zoom step of 2, or an eighth of the picture scrolled.
constexpr double kWheelNotch = 120.0;
constexpr double kZoomPerNotch = 2.0;
constexpr double kNotchesPerWidth = 8.0;

} // namespace

void drawWaveform(QImage& image, std::span<const std::uint8_t> samples, std::int32_t endIndex,
                  const WaveformMapping& mapping, TraceDrawing drawTrace,
                  const std::optional<Loop>& loop) {
    image.fill(kPictureBackground);
    if (samples.empty()) {
        return;
    }
    const auto width = static_cast<float>(image.width());
    const auto height = static_cast<float>(image.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (loop) {
        drawLoopOverlay(
            painter, *loop, [&mapping](std::int32_t index) { return mapping.xOf(index); },
            image.height());
    }
    usePen(painter, kStartAndZeroLines);
    const std::int32_t start = mapping.xOf(0);
    painter.drawLine(QLineF(start, 0, start, height));
    painter.drawLine(QLineF(0, height / 2, width, height / 2));
    const std::int32_t marker = mapping.xOf(endIndex);
    usePen(painter, kEndMarker);
    painter.drawLine(QLineF(marker, 0, marker, height));
    usePen(painter, kTrace);
    drawTrace(painter, samples, mapping, toInt32HalfEven(height));
}

QImage waveformPicture(QSize size, qreal pixelRatio, std::span<const std::uint8_t> samples,
                       std::int32_t endIndex, TraceDrawing drawTrace,
                       const std::optional<Loop>& loop) {
    QImage image(imageSize(size, pixelRatio), QImage::Format_RGB32);
    const auto mapping = WaveformMapping::whole(lastIndexOf(samples), image.width());
    drawWaveform(image, samples, endIndex, mapping, drawTrace, loop);
    return image;
}

WaveformView::WaveformView(QSize size, QWidget* parent) : QWidget(parent) {
    resize(size);
    setAttribute(Qt::WA_OpaquePaintEvent); // the picture covers every pixel
    render();
}

void WaveformView::showSound(const Samples& samples, std::int32_t endIndex,
                             const std::optional<Loop>& loop, bool whole) {
    samples_ = samples;
    endIndex_ = endIndex;
    loop_ = loop;
    if (whole) {
        mapping_ = WaveformMapping::whole(lastIndexOf(samples.bytes()), mapping_.width);
    }
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
    const std::int32_t last = lastIndexOf(samples_.bytes());
    if (mapping_.lastIndex != last) {
        mapping_ = WaveformMapping::whole(last, picture_.width()); // another sound: all of it
    } else if (mapping_.width != picture_.width()) {
        mapping_ = resizedTo(mapping_, picture_.width());
    }
    const_cast<WaveformView*>(this)->update();
    drawWaveform(picture_, samples_.bytes(), endIndex_, mapping_, drawTraceFast, loop_);
}

void WaveformView::renderQuietly() const {
    try {
        render();
    } catch (const std::exception&) {
        // the action that showed this sound has reported why it cannot be drawn
    }
}

const QImage& WaveformView::picture() const {
    if (pictureRatio_ != devicePixelRatioF()) {
        renderQuietly(); // moved to a screen of another pixel ratio
    }
    return picture_;
}

void WaveformView::changeMapping(const WaveformMapping& mapping) {
    const WaveformMapping before = mapping_;
    mapping_ = mapping;
    if (mapping_.span != before.span || mapping_.offset != before.offset) {
        renderQuietly();
        Q_EMIT shownRangeChanged();
    }
}

void WaveformView::zoomBy(double factor, std::optional<qreal> anchorX) {
    const qreal ratio = pictureRatio_ > 0 ? pictureRatio_ : 1.0;
    double anchor = mapping_.width / 2.0;
    if (anchorX) {
        anchor = *anchorX * ratio;
    } else if (endIndex_ >= firstShown() && endIndex_ <= lastShown()) {
        anchor = mapping_.xOf(endIndex_);
    }
    changeMapping(zoomedAround(mapping_, factor, anchor));
}

void WaveformView::showWhole() {
    changeMapping(WaveformMapping::whole(mapping_.lastIndex, mapping_.width));
}

void WaveformView::scrollBy(qreal columns) {
    changeMapping(scrolledBy(mapping_, columns * (pictureRatio_ > 0 ? pictureRatio_ : 1.0)));
}

void WaveformView::scrollToShow(std::int32_t index) {
    changeMapping(showingIndex(mapping_, index));
}

std::int32_t WaveformView::indexAt(qreal x) const {
    const qreal ratio = pictureRatio_ > 0 ? pictureRatio_ : 1.0;
    return mapping_.indexAt(std::floor(x * ratio)); // the image column under the point
}

qreal WaveformView::xOf(std::int32_t index) const {
    return mapping_.xOf(index) / (pictureRatio_ > 0 ? pictureRatio_ : 1.0);
}

void WaveformView::setPointer(QPoint position) {
    menuIndex_ = samples_.empty() ? std::nullopt : std::optional(indexAt(position.x()));
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

void WaveformView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const std::int32_t before = mapping_.width;
    renderQuietly();
    if (mapping_.width != before) {
        Q_EMIT shownRangeChanged();
    }
}

#if QT_CONFIG(wheelevent)
void WaveformView::wheelEvent(QWheelEvent* event) {
    const QPoint turn = event->angleDelta();
    // A wheel turned away from the user (positive) zooms in, or shows earlier samples.
    const double notches = (turn.y() != 0 ? turn.y() : turn.x()) / kWheelNotch;
    if (event->modifiers() & Qt::ControlModifier) {
        wheelSteps_ += notches;
        const double steps = std::trunc(wheelSteps_ * 4) / 4; // quarter steps for fine wheels
        wheelSteps_ -= steps;
        if (steps != 0) {
            zoomBy(std::pow(kZoomPerNotch, steps), event->position().x());
        }
        event->accept();
    } else if (mapping_.isZoomed()) {
        scrollBy(-notches * width() / kNotchesPerWidth);
        event->accept();
    } else {
        event->ignore();
    }
}
#endif

} // namespace wtb
