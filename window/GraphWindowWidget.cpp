#include "window/GraphWindowWidget.h"

#include "model/DrawAdapter.h"
#include "window/FigurePaint.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {
using Button = TSuperGrWindow::TMouseButton;

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

Button ButtonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return Button::Left;
    case Qt::MiddleButton: return Button::Middle;
    case Qt::RightButton: return Button::Right;
    default: return Button::None;
    }
}

void DrawBand(QPainter& painter, const TSuperGrWindow::TRubberBand& band, const TRect& plot) {
    using Kind = TSuperGrWindow::TBandKind;
    if (band.Kind == Kind::None) return;
    const TRect& r = band.Rect;
    // Translucent fill as the classic overlay frames, outlined so the band shows on any background.
    const QColor fill = band.Kind == Kind::Selection ? QColor(0xFF, 0xED, 0xA6, 50) : QColor(0x33, 0x66, 0xCC, 50);
    painter.save();
    painter.setPen(QPen(QColor(0x7F, 0x7F, 0x7F), 1, Qt::DotLine));
    painter.setBrush(fill);
    switch (band.Kind) {
    case Kind::XBand:
        painter.drawRect(QRect(QPoint(r.Left, plot.Top + 5), QPoint(r.Right, plot.Bottom - 5)));
        break;
    case Kind::YBand:
        painter.drawRect(QRect(QPoint(plot.Left + 5, r.Top), QPoint(plot.Right - 5, r.Bottom)));
        break;
    default: painter.drawRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom))); break;
    }
    painter.restore();
}
} // namespace

TGraphWindowWidget::TGraphWindowWidget(TSuperGrWindow& model, QWidget* parent) : QWidget(parent), FModel(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(40, 40);
    FModel.InvalidateHandler = [this] {
        update();
        UpdateCursor();
    };
    FModel.ContextMenuHandler = [this](int x, int y) { emit ContextMenuWanted(mapToGlobal(QPoint(x, y))); };
    UpdateCursor();
}

TGraphWindowWidget::~TGraphWindowWidget() {
    FModel.InvalidateHandler = nullptr;
    FModel.ContextMenuHandler = nullptr;
}

QCursor TGraphWindowWidget::CursorFor(int number) {
    switch (number) {
    case 2: return QCursor(Qt::PointingHandCursor);
    case 3: return QCursor(Qt::ForbiddenCursor);
    case 4: return QCursor(Qt::CrossCursor);
    case 5: return QCursor(Qt::SizeHorCursor);
    case 6: return QCursor(Qt::SizeVerCursor);
    case 7: return QCursor(Qt::SizeAllCursor);
    case 8: return QCursor(Qt::OpenHandCursor);
    default: return QCursor(Qt::CrossCursor);
    }
}

void TGraphWindowWidget::UpdateCursor() {
    const int number = FModel.CursorNumber();
    if (number == FCursorNumber) return;
    FCursorNumber = number;
    setCursor(CursorFor(number));
}

void TGraphWindowWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFigure(FModel, painter, FModel.ClientRect());
    DrawBand(painter, FModel.RubberBand(), FModel.PlotRect);
}

void TGraphWindowWidget::resizeEvent(QResizeEvent*) { FModel.SetClientSize(width(), height()); }

void TGraphWindowWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FModel.MouseDown(ButtonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    UpdateCursor();
}

void TGraphWindowWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FModel.MouseMove(ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    UpdateCursor();
}

void TGraphWindowWidget::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FModel.MouseUp(ButtonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    UpdateCursor();
}

void TGraphWindowWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FModel.DoubleClick(ButtonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TGraphWindowWidget::wheelEvent(QWheelEvent* e) {
    const QPoint p = e->position().toPoint();
    FModel.MouseWheel(e->angleDelta().y(), ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    e->accept();
}

void TGraphWindowWidget::focusInEvent(QFocusEvent*) {
    FModel.Focused = true;
    update();
}

void TGraphWindowWidget::focusOutEvent(QFocusEvent*) {
    FModel.Focused = false;
    FModel.CaptureLost();
    update();
}

void TGraphWindowWidget::leaveEvent(QEvent*) { UpdateCursor(); }
