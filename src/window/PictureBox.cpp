#include "window/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace wtb {

const QColor PictureBox::kBackground = Qt::white;

namespace {

// The image covers every screen pixel the box touches, also at a fractional ratio.
QSize imageSize(QSize logical, qreal pixelRatio) {
    return QSize(static_cast<int>(std::ceil(logical.width() * pixelRatio)),
                 static_cast<int>(std::ceil(logical.height() * pixelRatio)));
}

} // namespace

PictureBox::PictureBox(QSize size, QWidget* parent) : QWidget(parent), logicalSize_(size) {
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent); // the image covers every pixel
    clear();
}

void PictureBox::clear() {
    clear(devicePixelRatioF());
}

void PictureBox::clear(qreal pixelRatio) {
    const QSize size = imageSize(logicalSize_, pixelRatio);
    if (image_.size() != size) {
        image_ = QImage(size, QImage::Format_RGB32);
    }
    pixelRatio_ = pixelRatio;
    image_.fill(kBackground);
    update();
}

QColor PictureBox::colourFromBgr(std::uint32_t colourBgr) {
    return QColor(static_cast<int>(colourBgr & 0xFF), static_cast<int>((colourBgr >> 8) & 0xFF),
                  static_cast<int>((colourBgr >> 16) & 0xFF));
}

void PictureBox::paint(std::uint32_t colourBgr, const std::function<void(QPainter&)>& drawing) {
    QPainter painter(&image_);
    // One image pixel wide and aliased: a hairline on the screen at any pixel ratio, so that
    // the picture at ratio r is the view drawn on a box r times as large. The square cap makes
    // every segment cover both of its end pixels, so a run of segments in one column covers
    // exactly the rows between its lowest and highest point. The fast waveform renderer
    // relies on that.
    QPen pen(colourFromBgr(colourBgr));
    pen.setWidth(1);
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawing(painter);
    painter.end();
    update();
}

void PictureBox::line(double x1, double y1, double x2, double y2, std::uint32_t colourBgr) {
    paint(colourBgr, [&](QPainter& painter) { painter.drawLine(QLineF(x1, y1, x2, y2)); });
}

bool PictureBox::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ScreenChangeInternal && devicePixelRatioF() != pixelRatio_) {
        Q_EMIT pixelRatioChanged();
    }
    return handled;
}

void PictureBox::paintEvent(QPaintEvent*) {
    // One image pixel on one screen pixel: the target is the image's size in the box's units.
    QPainter painter(this);
    painter.drawImage(QRectF(0, 0, image_.width() / pixelRatio_, image_.height() / pixelRatio_),
                      image_);
}

} // namespace wtb
