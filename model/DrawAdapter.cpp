#include "model/DrawAdapter.h"

#include "model/Colors.h"

#include <QFontMetrics>
#include <QPolygon>
#include <cmath>

namespace {
// The classic one-pixel dash styles, in pixels.
QList<qreal> CosmeticPattern(int style) {
    switch (style) {
    case TDrawAdapter::psDash:
        return {18, 6};
    case TDrawAdapter::psDot:
        return {3, 3};
    case TDrawAdapter::psDashDot:
        return {9, 6, 3, 6};
    case TDrawAdapter::psDashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}
} // namespace

TDrawAdapter::TDrawAdapter(QPainter& painter) : FPainter(painter), FFont(painter.font()) {
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setBackgroundMode(Qt::TransparentMode);
    SetSolidPen(0);
    SetNullBrush();
}

QColor TDrawAdapter::ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

void TDrawAdapter::Save() {
    FPainter.save();
    FSavedPens.append(FPen);
    FSavedBrushes.append(FBrush);
}

void TDrawAdapter::Restore() {
    FPainter.restore();
    if (!FSavedPens.isEmpty()) {
        FPen = FSavedPens.takeLast();
        FBrush = FSavedBrushes.takeLast();
    }
}

void TDrawAdapter::IntersectClip(const TRect& r) {
    FPainter.setClipRect(QRect(r.Left, r.Top, std::max(0, r.Right - r.Left), std::max(0, r.Bottom - r.Top)),
                         FPainter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TDrawAdapter::SetSolidPen(TColor color, int width) {
    FPen = QPen(ToQColor(color));
    if (width >= 2) {
        FPen.setWidth(width);
        FPen.setCapStyle(Qt::RoundCap);
        FPen.setJoinStyle(Qt::RoundJoin);
    } else {
        FPen.setWidth(1);
        FPen.setCosmetic(true);
        FPen.setCapStyle(Qt::FlatCap);
        FPen.setJoinStyle(Qt::MiterJoin);
    }
}

void TDrawAdapter::SetCosmeticPen(TColor color, int style) {
    if (style < psSolid || style > psDashDotDot) {
        SetNullPen();
        return;
    }
    SetSolidPen(color, 1);
    if (style != psSolid) FPen.setDashPattern(CosmeticPattern(style));
}

void TDrawAdapter::SetPatternPen(TColor color, int width, const QList<int>& pattern) {
    SetSolidPen(color, width);
    if (pattern.isEmpty()) return;
    // Qt counts dashes in pen widths, the figure in pixels. As on the classic device, the round caps
    // apply to every dash.
    const qreal w = std::max(1, width);
    QList<qreal> dashes;
    for (int length : pattern)
        dashes.append(std::max(1, length) / w);
    if (dashes.size() % 2 != 0) dashes.append(dashes.last()); // a pattern needs dash and gap pairs
    FPen.setDashPattern(dashes);
}

void TDrawAdapter::SetNullPen() {
    FPen = QPen(Qt::NoPen);
}

void TDrawAdapter::SetBrush(TColor color) {
    FBrush = QBrush(ToQColor(color));
}

void TDrawAdapter::SetNullBrush() {
    FBrush = QBrush(Qt::NoBrush);
}

void TDrawAdapter::SetFont(const QFont& font) {
    FFont = font;
}

void TDrawAdapter::SetTextColor(TColor color) {
    FTextColor = ToQColor(color);
}

void TDrawAdapter::SetTextBackground(bool opaque, TColor background) {
    FOpaqueText = opaque;
    FTextBackground = ToQColor(background);
}

void TDrawAdapter::SetTextState(const TTextState& state) {
    FFont = state.Font;
    FTextColor = state.Color;
    FTextBackground = state.Background;
    FOpaqueText = state.Opaque;
}

QSize TDrawAdapter::TextExtent(const QString& text) const {
    const QFontMetrics metrics(FFont, FPainter.device());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void TDrawAdapter::TextOut(int x, int y, const QString& text) {
    const QFontMetrics metrics(FFont, FPainter.device());
    if (FOpaqueText)
        FPainter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), FTextBackground);
    FPainter.setFont(FFont);
    FPainter.setPen(FTextColor);
    FPainter.drawText(QPoint(x, y + metrics.ascent()), text);
}

void TDrawAdapter::TextOutUp(int x, int y, const QString& text) {
    FPainter.save();
    FPainter.translate(x, y);
    FPainter.rotate(-90);
    TextOut(0, 0, text);
    FPainter.restore();
}

void TDrawAdapter::MoveTo(int x, int y) {
    FPosition = QPoint(x, y);
}

namespace {
// One-pixel lines are drawn with both end pixels to a point one step short of the end along the
// longer axis, so the end pixel stays free whatever the direction of the line.
QPointF ShortenedEnd(QPoint from, QPoint to) {
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0) return to;
    return QPointF(to.x() - qreal(dx) / steps, to.y() - qreal(dy) / steps);
}
} // namespace

QPen TDrawAdapter::LinePen() const {
    if (!FPen.isCosmetic()) return FPen;
    QPen pen = FPen;
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void TDrawAdapter::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (to != FPosition && FPen.style() != Qt::NoPen) {
        FPainter.setPen(LinePen());
        if (FPen.isCosmetic())
            FPainter.drawLine(QLineF(FPosition, ShortenedEnd(FPosition, to)));
        else
            FPainter.drawLine(FPosition, to);
    }
    FPosition = to;
}

void TDrawAdapter::Polyline(const TPoint* points, int count) {
    if (count < 2 || FPen.style() == Qt::NoPen) return;
    QPolygonF path;
    path.reserve(count);
    for (int i = 0; i < count; ++i)
        path.append(QPointF(points[i].X, points[i].Y));
    const QPoint end(points[count - 1].X, points[count - 1].Y);
    if (FPen.isCosmetic()) path.last() = ShortenedEnd(QPoint(points[count - 2].X, points[count - 2].Y), end);
    FPainter.setPen(LinePen());
    FPainter.setBrush(Qt::NoBrush);
    FPainter.drawPolyline(path);
    FPosition = end;
}

void TDrawAdapter::SetPixel(int x, int y, TColor color) {
    FPainter.fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TDrawAdapter::Rectangle(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    FPainter.setPen(FPen);
    FPainter.setBrush(FBrush);
    if (FPen.style() == Qt::NoPen) {
        // Without an outline the fill stops one pixel short, as the outline would have covered it.
        FPainter.fillRect(QRect(left, top, right - left - 1, bottom - top - 1), FBrush);
        return;
    }
    FPainter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TDrawAdapter::FillRect(const TRect& r, TColor color) {
    FPainter.fillRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), ToQColor(color));
}

void TDrawAdapter::Ellipse(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    FPainter.setPen(FPen);
    FPainter.setBrush(FBrush);
    FPainter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TDrawAdapter::Polygon(const TPoint* points, int count) {
    if (count < 2) return;
    QPolygon polygon;
    polygon.reserve(count);
    for (int i = 0; i < count; ++i)
        polygon.append(QPoint(points[i].X, points[i].Y));
    FPainter.setPen(FPen);
    FPainter.setBrush(FBrush);
    FPainter.drawPolygon(polygon);
}
