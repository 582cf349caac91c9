#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPainter;

namespace wtb {

// A drawing surface that owns its picture. Whatever is drawn stays in the image, so the box
// shows the same picture after being covered and uncovered without anybody redrawing it.
// Its scale is the screen's pixel: the picture has as many pixels as the box covers on the
// screen (twice its width and height at a device pixel ratio of 2), so that lines drawn one
// pixel wide stay sharp at any scale. The scale width and height are the image's size.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QSize size, QWidget* parent = nullptr);

    // Erases everything drawn so far, at the pixel ratio of the screen the box is on.
    void clear();
    // Erases everything drawn so far, with `pixelRatio` image pixels to one pixel of the box.
    void clear(qreal pixelRatio);

    float scaleWidth() const { return static_cast<float>(image_.width()); }
    float scaleHeight() const { return static_cast<float>(image_.height()); }
    qreal pixelRatio() const { return pixelRatio_; }

    // A straight line between two absolute points in a 0xBBGGRR colour, with the box's pen.
    void line(double x1, double y1, double x2, double y2, std::uint32_t colourBgr);

    // Runs `drawing` with a painter on the picture whose pen is the box's pen in the colour:
    // everything drawn on the box goes through the same pen and the same rasterisation.
    void paint(std::uint32_t colourBgr, const std::function<void(QPainter&)>& drawing);

    const QImage& image() const { return image_; }

    static QColor colourFromBgr(std::uint32_t colourBgr);
    static const QColor kBackground;

Q_SIGNALS:
    // The box now stands on a screen of another pixel ratio: the picture would be shown blurred
    // or blocky until it is drawn again.
    void pixelRatioChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QSize logicalSize_;
    qreal pixelRatio_ = 1.0;
    QImage image_;
};

} // namespace wtb
