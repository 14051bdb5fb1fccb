#include "gui/graphwindow/GraphWindowWidget.h"

#include "model/DrawAdapter.h"
#include "gui/graphwindow/Cursors.h"
#include "window/FigurePaint.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
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

// $7F7F7F, and the overlay colours $CC6633 and $A6EDFF (blue-green-red order) at alpha 50 of 255.
const QColor kBandPen(0x7F, 0x7F, 0x7F);
const QColor kZoomFrameTint(0x33, 0x66, 0xCC, 50);
const QColor kSelectionTint(0xFF, 0xED, 0xA6, 50);

Button ButtonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return Button::Left;
    case Qt::MiddleButton:
        return Button::Middle;
    case Qt::RightButton:
        return Button::Right;
    default:
        return Button::None;
    }
}

QRegion RectOutline(const QRect& r) {
    return QRegion(r).subtracted(QRegion(r.adjusted(1, 1, -1, -1)));
}

// A zoom frame or selection band as the user sees it: an exclusive-or outline in $7F7F7F, which shows
// on any colour under it, tinted over by the translucent colour of the gesture. The X band is two
// vertical lines and the Y band two horizontal lines, each 5 pixels short of the plot's edges.
void DrawBand(QPainter& painter, const TSuperGrWindow::TRubberBand& band, const TRect& plot) {
    using Kind = TSuperGrWindow::TBandKind;
    const TRect& r = band.Rect;
    QRect tinted;
    QRegion outline;
    switch (band.Kind) {
    case Kind::None:
        return;
    case Kind::XBand:
        tinted = QRect(QPoint(r.Left, plot.Top + 5), QPoint(r.Right, plot.Bottom - 5));
        if (tinted.isEmpty()) return;
        outline = QRegion(tinted.left(), tinted.top(), 1, tinted.height()) +
                  QRegion(tinted.right(), tinted.top(), 1, tinted.height());
        break;
    case Kind::YBand:
        tinted = QRect(QPoint(plot.Left + 5, r.Top), QPoint(plot.Right - 5, r.Bottom));
        if (tinted.isEmpty()) return;
        outline = QRegion(tinted.left(), tinted.top(), tinted.width(), 1) +
                  QRegion(tinted.left(), tinted.bottom(), tinted.width(), 1);
        break;
    case Kind::Frame:
    case Kind::Selection:
        tinted = QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom));
        outline = RectOutline(tinted);
        break;
    }
    painter.save();
    // The region's rectangles do not overlap, so every outline pixel is inverted exactly once.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const QRect& piece : outline)
        painter.fillRect(piece, kBandPen);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(tinted, band.Kind == Kind::Selection ? kSelectionTint : kZoomFrameTint);
    painter.restore();
}
} // namespace

TGraphWindowWidget::TGraphWindowWidget(TSuperGrWindow& model, QWidget* parent)
    : QWidget(parent), FModel(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(40, 40);
    FModel.InvalidateHandler = [this] {
        if (!FForwardingBandMove) FFigureStale = true;
        update();
        UpdateCursor();
    };
    FModel.ContextMenuHandler = [this](int x, int y) { emit ContextMenuWanted(mapToGlobal(QPoint(x, y))); };
    ListenToModeChanges();
    UpdateCursor();
}

TGraphWindowWidget::~TGraphWindowWidget() {
    FModel.InvalidateHandler = nullptr;
    FModel.ContextMenuHandler = nullptr;
}

void TGraphWindowWidget::ListenToModeChanges() {
    // The handlers stay with the model when the widget goes; the guard makes them pass the event on only.
    const QPointer<TGraphWindowWidget> self(this);
    auto chain = [self](auto& slot) {
        auto previous = slot;
        slot = [self, previous](auto... args) {
            if (self) self->ModeChanged();
            if (previous) previous(args...);
        };
    };
    chain(FModel.Events.OnToolModeChange);
    chain(FModel.Events.OnZoomModeChange);
    chain(FModel.Events.OnEditModeChange);
}

void TGraphWindowWidget::ModeChanged() {
    UpdateCursor();
    // A band starts and ends with a mode change, which does not always ask for a repaint.
    if (FModel.RubberBand().Kind != FPaintedBand) update();
}

void TGraphWindowWidget::UpdateCursor() {
    const int number = FModel.CursorNumber();
    if (number == FCursorNumber) return;
    FCursorNumber = number;
    setCursor(WindowCursor(number));
}

void TGraphWindowWidget::paintEvent(QPaintEvent*) {
    const TSuperGrWindow::TRubberBand band = FModel.RubberBand();
    FPaintedBand = band.Kind;
    if (band.Kind == TSuperGrWindow::TBandKind::None) {
        FFigureUnderBand = QImage();
        QPainter painter(this);
        PaintFigure(FModel, painter, FModel.ClientRect());
        return;
    }
    PaintFigureUnderBand();
    QPainter painter(this);
    painter.drawImage(0, 0, FFigureUnderBand);
    DrawBand(painter, band, FModel.PlotRect);
}

void TGraphWindowWidget::PaintFigureUnderBand() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!FFigureStale && FFigureUnderBand.size() == pixels && FFigureUnderBand.devicePixelRatio() == ratio)
        return;
    FFigureUnderBand = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    FFigureUnderBand.setDevicePixelRatio(ratio);
    FFigureUnderBand.fill(palette().color(QPalette::Window));
    QPainter painter(&FFigureUnderBand);
    PaintFigure(FModel, painter, FModel.ClientRect());
    FFigureStale = false;
}

void TGraphWindowWidget::resizeEvent(QResizeEvent*) {
    FModel.SetClientSize(width(), height());
}

void TGraphWindowWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FModel.MouseDown(ButtonOf(e->button()), ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    UpdateCursor();
}

void TGraphWindowWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    // A move while a band is dragged changes nothing but the band.
    FForwardingBandMove = FModel.RubberBand().Kind != TSuperGrWindow::TBandKind::None;
    FModel.MouseMove(ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
    FForwardingBandMove = false;
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
    FFigureStale = true;
    update();
}

void TGraphWindowWidget::focusOutEvent(QFocusEvent*) {
    FModel.Focused = false;
    FFigureStale = true;
    FModel.CaptureLost();
    update();
}

void TGraphWindowWidget::leaveEvent(QEvent*) {
    UpdateCursor();
}
