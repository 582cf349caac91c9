#include "window/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace wtb {

const QColor PictureBox::kBackground = Qt::white;

PictureBox::PictureBox(QSize size, QWidget* parent)
    : QWidget(parent), image_(size, QImage::Format_RGB32) {
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent); // the image covers every pixel
    image_.fill(kBackground);
}

void PictureBox::clear() {
    image_.fill(kBackground);
    update();
}

QColor PictureBox::colourFromBgr(std::uint32_t colourBgr) {
    return QColor(static_cast<int>(colourBgr & 0xFF), static_cast<int>((colourBgr >> 8) & 0xFF),
                  static_cast<int>((colourBgr >> 16) & 0xFF));
}

void PictureBox::paint(std::uint32_t colourBgr, const std::function<void(QPainter&)>& drawing) {
    QPainter painter(&image_);
    // One pixel wide and aliased; the square cap makes every segment cover both of its end
    // pixels, so a run of segments in one column covers exactly the rows between its lowest
    // and highest point. The fast waveform renderer relies on that.
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

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
}

} // namespace wtb
