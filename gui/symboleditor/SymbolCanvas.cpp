#include "gui/symboleditor/SymbolCanvas.h"

#include "model/Colors.h"
#include "model/DrawAdapter.h"
#include "model/Symbol.h"
#include "tools/SymbolEditorModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <cmath>

namespace {
QRect ToQRect(const TRect& r) {
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

Qt::CursorShape CursorOf(TDragMode mode) {
    switch (mode) {
    case TDragMode::TopLeft:
    case TDragMode::BottomRight:
        return Qt::SizeFDiagCursor;
    case TDragMode::TopRight:
    case TDragMode::BottomLeft:
        return Qt::SizeBDiagCursor;
    case TDragMode::Left:
    case TDragMode::Right:
        return Qt::SizeHorCursor;
    case TDragMode::Top:
    case TDragMode::Bottom:
        return Qt::SizeVerCursor;
    case TDragMode::Move:
        return Qt::PointingHandCursor;
    case TDragMode::None:
        break;
    }
    return Qt::ArrowCursor;
}

void FocusRect(QPainter& painter, const QRect& r) {
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.normalized());
}
} // namespace

TSymbolCanvas::TSymbolCanvas(TSymbolEditorModel& model, QWidget* parent) : QWidget(parent), FModel(model) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
}

bool TSymbolCanvas::Dragging() const {
    return FModel.Dragging();
}

void TSymbolCanvas::resizeEvent(QResizeEvent*) {
    FModel.SetArea(width(), height());
}

void TSymbolCanvas::paintEvent(QPaintEvent*) {
    FModel.SetArea(width(), height());
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, QColor(0xA0, 0xA0, 0xA0));
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    const QRect inner = area.adjusted(width() / 10, height() / 10, -(width() / 10), -(height() / 10));
    painter.fillRect(inner, QColor(0xD8, 0xD8, 0xD8));
    painter.setPen(Qt::white);
    painter.drawRect(inner.adjusted(0, 0, -1, -1));

    const TRect frame = FModel.Frame();
    painter.fillRect(ToQRect(frame), QColor(0xE0, 0xF0, 0xFF));
    painter.setPen(Qt::black);
    painter.drawRect(ToQRect(frame));

    const Extended fw = frame.Width(), fh = frame.Bottom - frame.Top;
    if (FModel.Snap() && fw > 0 && fh > 0) {
        // Dots at every multiple of the steps across the whole area.
        painter.setPen(Qt::black);
        const Extended stepX = FModel.GridX() * fw, stepY = FModel.GridY() * fh;
        if (stepX >= 2 && stepY >= 2) {
            const Extended firstX = frame.Left - std::floor(frame.Left / stepX) * stepX;
            const Extended firstY = frame.Top - std::floor(frame.Top / stepY) * stepY;
            for (Extended y = firstY; y < height(); y += stepY)
                for (Extended x = firstX; x < width(); x += stepX)
                    painter.drawPoint(int(std::lround(double(x))), int(std::lround(double(y))));
        }
    }
    if (FHighlighted >= 0) FocusRect(painter, ToQRect(FModel.ElementBox(FHighlighted)));

    painter.setClipRect(area);
    TDrawAdapter dc(painter);
    DrawSymbol(dc, frame, FModel.Symbol(), 0, false, clBlack);
    if (FModel.HasCurrent()) {
        FocusRect(painter, ToQRect(FModel.ElementBox(FModel.Current())));
        TSymbol current = FModel.Symbol();
        current.Prims = {current.Prims[FModel.Current()]};
        DrawSymbol(dc, frame, current, 0, false, 0x808000); // dark cyan
    }
}

void TSymbolCanvas::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = e->position().toPoint();
    const TDragMode mode = FModel.HitTest(p.x(), p.y());
    if (mode == TDragMode::None) {
        if (FHighlighted >= 0) {
            FModel.SetCurrent(FHighlighted);
            FHighlighted = -1;
            emit Changed();
            update();
        }
        return;
    }
    FModel.BeginDrag(mode, p.x(), p.y());
}

void TSymbolCanvas::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (FModel.Dragging()) {
        FModel.DragTo(p.x(), p.y());
        emit Changed();
        update();
        return;
    }
    const TDragMode mode = FModel.HitTest(p.x(), p.y());
    setCursor(CursorOf(mode));
    const int highlighted = mode == TDragMode::None ? FModel.ElementAt(p.x(), p.y()) : -1;
    if (highlighted != FHighlighted) {
        FHighlighted = highlighted;
        update();
    }
}

void TSymbolCanvas::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !FModel.Dragging()) return;
    FModel.EndDrag();
    emit Changed();
    update();
}

void TSymbolCanvas::leaveEvent(QEvent*) {
    if (FHighlighted < 0) return;
    FHighlighted = -1;
    update();
}

void TSymbolCanvas::wheelEvent(QWheelEvent* e) {
    if (!FModel.Dragging() && e->angleDelta().y() != 0) emit Wheel(e->angleDelta().y() < 0 ? 1 : -1);
    e->accept();
}

TSymbolTile::TSymbolTile(bool vertical, QWidget* parent) : QWidget(parent), FVertical(vertical) {
    setMinimumSize(40, 30);
}

void TSymbolTile::SetSymbol(const TSymbol& symbol) {
    FSymbol = symbol;
    update();
}

void TSymbolTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    TDrawAdapter dc(painter);
    DrawSymbol(dc, {2, 2, width() - 2, height() - 2}, FSymbol, FVertical ? 90 : 0, true, clBlack);
}

void TSymbolTile::mouseDoubleClickEvent(QMouseEvent*) {
    emit Activated();
}
