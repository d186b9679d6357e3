#include "app/ToolImages.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Outline(40, 40, 40);
const QColor LinkGreen(46, 160, 67);
const QColor LinkRed(200, 40, 40);
const QColor ReadBlue(30, 100, 200);
const QColor WriteOrange(215, 120, 20);
const QColor UnitGrey(150, 160, 170);

// The unit: a small box with two contacts, at the bottom of the image.
void DrawUnit(QPainter& p) {
    p.setPen(QPen(Outline, 0.8));
    p.setBrush(UnitGrey);
    p.drawRoundedRect(QRectF(2.5, 10.5, 11, 4.5), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 12, 1.5, 1.5));
    p.drawRect(QRectF(10, 12, 1.5, 1.5));
}

// A thick arrow along x = cx from y0 to y1 (down when y1 > y0).
void DrawArrow(QPainter& p, qreal cx, qreal y0, qreal y1, const QColor& color) {
    const qreal dir = y1 > y0 ? 1 : -1;
    QPainterPath arrow;
    arrow.moveTo(cx - 1.2, y0);
    arrow.lineTo(cx + 1.2, y0);
    arrow.lineTo(cx + 1.2, y1 - dir * 3);
    arrow.lineTo(cx + 3.2, y1 - dir * 3);
    arrow.lineTo(cx, y1);
    arrow.lineTo(cx - 3.2, y1 - dir * 3);
    arrow.lineTo(cx - 1.2, y1 - dir * 3);
    arrow.closeSubpath();
    p.setPen(QPen(color.darker(140), 0.6));
    p.setBrush(color);
    p.drawPath(arrow);
}

// A plug and a socket, joined or apart.
void DrawPlug(QPainter& p, bool joined) {
    const qreal gap = joined ? 0 : 3;
    const QColor color = joined ? LinkGreen : LinkRed;
    p.setPen(QPen(Outline, 0.8));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(1.5, 5.5, 5.5 - gap / 2, 5), 1, 1);         // plug body
    p.drawRoundedRect(QRectF(9 + gap / 2, 5.5, 5.5 - gap / 2, 5), 1, 1); // socket body
    p.setPen(QPen(Outline, 1.2));
    p.drawLine(QPointF(7 - gap / 2, 7), QPointF(9 - gap / 2 + 0.5, 7)); // pins
    p.drawLine(QPointF(7 - gap / 2, 9), QPointF(9 - gap / 2 + 0.5, 9));
    p.drawLine(QPointF(0, 8), QPointF(1.5, 8)); // cables
    p.drawLine(QPointF(14.5, 8), QPointF(16, 8));
}

// A circular arrow around a dot: back to the defaults.
void DrawDefaults(QPainter& p) {
    p.setPen(QPen(ReadBlue, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(3, 3, 10, 10);
    p.drawArc(ring, 60 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(10.6, 1.2);
    head.lineTo(13.8, 4.6);
    head.lineTo(9.4, 5.6);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ReadBlue);
    p.drawPath(head);
    p.setBrush(Outline);
    p.drawEllipse(QPointF(8, 8), 1.4, 1.4);
}

// Paints on a 16 x 16 grid, scaled to whatever size is asked for.
class TToolImageEngine : public QIconEngine {
public:
    explicit TToolImageEngine(int index) : FIndex(index) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        switch (FIndex) {
        case 0:
            DrawPlug(*painter, false);
            break;
        case 1:
            DrawPlug(*painter, true);
            break;
        case 2:
            DrawUnit(*painter);
            DrawArrow(*painter, 8, 0.5, 9.5, ReadBlue);
            break;
        case 3:
            DrawUnit(*painter);
            DrawArrow(*painter, 8, 9.5, 0.5, WriteOrange);
            break;
        case 4:
            DrawUnit(*painter);
            DrawArrow(*painter, 4.5, 0.5, 9.5, ReadBlue);
            DrawArrow(*painter, 11.5, 0.5, 9.5, ReadBlue);
            break;
        case 5:
            DrawUnit(*painter);
            DrawArrow(*painter, 4.5, 9.5, 0.5, WriteOrange);
            DrawArrow(*painter, 11.5, 9.5, 0.5, WriteOrange);
            break;
        case 6:
            DrawDefaults(*painter);
            break;
        default:
            break;
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap image(size);
        image.fill(Qt::transparent);
        QPainter p(&image);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return image;
    }

    QIconEngine* clone() const override { return new TToolImageEngine(FIndex); }

private:
    int FIndex;
};

} // namespace

QIcon ToolImage(int index) {
    if (index < 0 || index >= ToolImageCount)
        return QIcon();
    return QIcon(new TToolImageEngine(index));
}
