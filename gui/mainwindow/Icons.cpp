#include "gui/mainwindow/Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

using namespace mainstate;

namespace {
void DrawArrow(QPainter& p, QPointF from, QPointF to, bool bothHeads, qreal headSize) {
    p.drawLine(from, to);
    auto head = [&p, headSize](QPointF tip, QPointF back) {
        const QPointF d = tip - back;
        const qreal len = std::hypot(d.x(), d.y());
        if (len <= 0) return;
        const QPointF u = d / len, n(-u.y(), u.x());
        const qreal s = headSize;
        QPolygonF tri;
        tri << tip << tip - u * s + n * s << tip - u * s - n * s;
        p.drawPolygon(tri);
    };
    head(to, from);
    if (bothHeads) head(from, to);
}
} // namespace

void DrawStateIcon(QPainter& p, const QRectF& r, const TIconLook& look, bool enabled) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor all = enabled ? QColor(0x20, 0x40, 0x90) : QColor(0x90, 0x90, 0x90);
    const QColor some = QColor(0x90, 0xA8, 0xD8);
    auto colorOf = [&](TAxisState s) { return s == TAxisState::All ? all : some; };
    const qreal m = r.width() * 0.08;
    const QRectF in = r.adjusted(m, m, -m, -m);
    const QPointF c = in.center();
    if (look.Kind == TIconLook::TKind::Axes) {
        // Grouped axes: one line; separate axes: two parallel lines.
        const QColor line = enabled ? QColor(0x30, 0x30, 0x30) : QColor(0x90, 0x90, 0x90);
        p.setPen(QPen(line, 1.2));
        p.drawLine(QPointF(in.left(), in.top()), QPointF(in.left(), in.bottom()));
        p.drawLine(QPointF(in.left(), in.bottom()), QPointF(in.right(), in.bottom()));
        if (look.Y == TAxisState::None) {
            p.drawLine(QPointF(in.left() + in.width() * 0.25, in.top()),
                       QPointF(in.left() + in.width() * 0.25, in.bottom() - in.height() * 0.25));
        }
        if (look.X == TAxisState::None) {
            p.drawLine(QPointF(in.left() + in.width() * 0.25, in.bottom() - in.height() * 0.25),
                       QPointF(in.right(), in.bottom() - in.height() * 0.25));
        }
        p.restore();
        return;
    }
    // Scaling: arrows pointing out of a frame; offset: arrows through a grip point.
    const bool scale = look.Kind == TIconLook::TKind::Scale;
    const qreal half = in.width() * 0.26;
    const qreal head = std::max<qreal>(2.0, r.width() * 0.12);
    const qreal pen = std::max<qreal>(1.0, r.width() * 0.06);
    if (scale) {
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half));
    }
    if (look.X != TAxisState::None) {
        p.setPen(QPen(colorOf(look.X), pen));
        p.setBrush(colorOf(look.X));
        if (scale) {
            DrawArrow(p, QPointF(c.x() - half, c.y()), QPointF(in.left(), c.y()), false, head);
            DrawArrow(p, QPointF(c.x() + half, c.y()), QPointF(in.right(), c.y()), false, head);
        } else {
            DrawArrow(p, QPointF(in.left(), c.y()), QPointF(in.right(), c.y()), true, head);
        }
    }
    if (look.Y != TAxisState::None) {
        p.setPen(QPen(colorOf(look.Y), pen));
        p.setBrush(colorOf(look.Y));
        if (scale) {
            DrawArrow(p, QPointF(c.x(), c.y() - half), QPointF(c.x(), in.top()), false, head);
            DrawArrow(p, QPointF(c.x(), c.y() + half), QPointF(c.x(), in.bottom()), false, head);
        } else {
            DrawArrow(p, QPointF(c.x(), in.bottom()), QPointF(c.x(), in.top()), true, head);
        }
    }
    if (!scale && (look.X != TAxisState::None || look.Y != TAxisState::None)) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawEllipse(c, 1.8, 1.8);
    }
    if (look.X == TAxisState::None && look.Y == TAxisState::None) {
        p.setPen(QPen(QColor(0xC0, 0x30, 0x30), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(in.adjusted(1, 1, -1, -1));
        p.drawLine(in.topLeft() + QPointF(2.5, 2.5), in.bottomRight() - QPointF(2.5, 2.5));
    }
    p.restore();
}

QIcon StateIcon(const TIconLook& look) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawStateIcon(p, QRectF(0, 0, 24, 24), look, true);
    return QIcon(pixmap);
}

// A theme icon where the desktop has one, else the program's own picture.
QIcon ThemedIcon(const QString& name) {
    const QIcon own(QStringLiteral(":/icons/%1.svg").arg(name));
    return QIcon::fromTheme(name, own);
}
