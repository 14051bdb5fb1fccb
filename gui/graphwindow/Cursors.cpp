#include "gui/graphwindow/Cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
constexpr int kSide = 32;
// Centre of the magnifier's lens; the zoom cursors point with it.
constexpr QPointF kLensCentre(12, 12);
constexpr QPoint kLensHotSpot(12, 12);
// Tip of the selection arrow.
constexpr QPoint kArrowHotSpot(1, 1);
constexpr QPoint kMoveHotSpot(16, 16);

QPolygonF Triangle(QPointF a, QPointF b, QPointF c) {
    return QPolygonF({a, b, c});
}

// A white shape in a black line, as every part of the cursors is drawn.
void DrawOutlined(QPainter& painter, const QPainterPath& shape) {
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawPath(shape);
}

void FillBlack(QPainter& painter, const QPainterPath& shape) {
    painter.fillPath(shape, Qt::black);
}

// The lens with its handle; the lens inside stays white for the sign drawn into it.
void DrawMagnifier(QPainter& painter) {
    QPainterPath handle;
    handle.moveTo(kLensCentre + QPointF(7, 7));
    handle.lineTo(28, 28);
    painter.strokePath(handle, QPen(Qt::black, 6, Qt::SolidLine, Qt::RoundCap));
    painter.strokePath(handle, QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    // A white rim outside the black ring keeps the lens visible on dark plots.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(kLensCentre, 11, 11);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(kLensCentre, 9, 9);
}

// A dotted frame round the lens centre: the window zoom.
void DrawDottedFrame(QPainter& painter) {
    const QRect frame(7, 8, 10, 8);
    for (int y = frame.top(); y <= frame.bottom(); ++y)
        for (int x = frame.left(); x <= frame.right(); ++x) {
            const bool onEdge =
                x == frame.left() || x == frame.right() || y == frame.top() || y == frame.bottom();
            if (onEdge && (x + y) % 2 == 1) painter.fillRect(QRect(x, y, 1, 1), Qt::black);
        }
}

// A double arrow through the lens centre, horizontal or vertical.
QPainterPath DoubleArrow(bool horizontal) {
    QPainterPath arrow;
    arrow.addRect(QRectF(8, 11, 8, 2));
    arrow.addPolygon(Triangle({5, 12}, {9, 8}, {9, 16}));
    arrow.addPolygon(Triangle({19, 12}, {15, 8}, {15, 16}));
    arrow.setFillRule(Qt::WindingFill);
    if (horizontal) return arrow;
    // The vertical arrow is the horizontal one mirrored about the lens diagonal.
    QTransform mirror(0, 1, 1, 0, 0, 0);
    return mirror.map(arrow);
}

QPainterPath PlusAndMinus() {
    QPainterPath signs;
    signs.addRect(QRectF(9, 7, 6, 2));
    signs.addRect(QRectF(11, 5, 2, 6));
    signs.addRect(QRectF(9, 15, 6, 2));
    signs.setFillRule(Qt::WindingFill);
    return signs;
}

// The ordinary pointer arrow with a small box carrying "+" or "−".
void DrawArrowWithBox(QPainter& painter, bool plus) {
    QPainterPath arrow;
    arrow.addPolygon(QPolygonF(
        {{1.5, 1.5}, {1.5, 20.5}, {6, 16}, {9.5, 23.5}, {12.5, 22}, {9, 14.5}, {15, 14.5}, {1.5, 1.5}}));
    DrawOutlined(painter, arrow);
    QPainterPath box;
    box.addRect(QRectF(17.5, 17.5, 13, 13));
    DrawOutlined(painter, box);
    QPainterPath sign;
    sign.addRect(QRectF(20, 23, 8, 2));
    if (plus) sign.addRect(QRectF(23, 20, 2, 8));
    sign.setFillRule(Qt::WindingFill);
    FillBlack(painter, sign);
}

void DrawFourWayArrow(QPainter& painter) {
    // One outline around the whole star: the corners as offsets from the centre, clockwise from the top.
    const QPointF offsets[] = {{0, -13}, {6, -7}, {2, -7},  {2, -2},  {7, -2},  {7, -6},  {13, 0},  {7, 6},
                               {7, 2},   {2, 2},  {2, 7},   {6, 7},   {0, 13},  {-6, 7},  {-2, 7},  {-2, 2},
                               {-7, 2},  {-7, 6}, {-13, 0}, {-7, -6}, {-7, -2}, {-2, -2}, {-2, -7}, {-6, -7}};
    // Pixel centres, so the straight edges are crisp one-pixel lines.
    const QPointF centre = QPointF(kMoveHotSpot) + QPointF(0.5, 0.5);
    QPolygonF star;
    for (const QPointF& offset : offsets)
        star << centre + offset;
    QPainterPath shape;
    shape.addPolygon(star);
    shape.closeSubpath();
    DrawOutlined(painter, shape);
}
} // namespace

QPixmap WindowCursorPixmap(int number) {
    if (number < crSelectPoints || number > crMove) return {};
    QPixmap picture(kSide, kSide);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, true);
    switch (number) {
    case crSelectPoints:
        DrawArrowWithBox(painter, true);
        break;
    case crUnselectPoints:
        DrawArrowWithBox(painter, false);
        break;
    case crZoomWindow:
        DrawMagnifier(painter);
        DrawDottedFrame(painter);
        break;
    case crZoomHor:
        DrawMagnifier(painter);
        FillBlack(painter, DoubleArrow(true));
        break;
    case crZoomVert:
        DrawMagnifier(painter);
        FillBlack(painter, DoubleArrow(false));
        break;
    case crZoom:
        DrawMagnifier(painter);
        FillBlack(painter, PlusAndMinus());
        break;
    default:
        DrawFourWayArrow(painter);
        break;
    }
    return picture;
}

QPoint WindowCursorHotSpot(int number) {
    switch (number) {
    case crSelectPoints:
    case crUnselectPoints:
        return kArrowHotSpot;
    case crZoomWindow:
    case crZoomHor:
    case crZoomVert:
    case crZoom:
        return kLensHotSpot;
    case crMove:
        return kMoveHotSpot;
    default:
        return {};
    }
}

QCursor WindowCursor(int number) {
    const QPixmap picture = WindowCursorPixmap(number);
    if (picture.isNull()) return QCursor(Qt::CrossCursor);
    const QPoint hot = WindowCursorHotSpot(number);
    return QCursor(picture, hot.x(), hot.y());
}
