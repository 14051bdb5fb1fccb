// The widget that shows a graph window model: it paints the model and forwards resize, mouse, wheel,
// keyboard focus and cursor changes. It owns no logic of its own.
#pragma once

#include "window/SuperGrWindow.h"

#include <QImage>
#include <QWidget>

class TGraphWindowWidget : public QWidget {
    Q_OBJECT
public:
    TGraphWindowWidget(TSuperGrWindow& model, QWidget* parent = nullptr);
    ~TGraphWindowWidget() override;

    TSuperGrWindow& Model() { return FModel; }

signals:
    // A right click that hit no graph: the owner shows its context menu.
    void ContextMenuWanted(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Follows the model's tool, zoom and edit modes; every mode setter raises one of the chained events.
    void ListenToModeChanges();
    void ModeChanged();
    void UpdateCursor();
    void PaintFigureUnderBand();
    TSuperGrWindow& FModel;
    int FCursorNumber = 0;
    TSuperGrWindow::TBandKind FPaintedBand = TSuperGrWindow::TBandKind::None;
    // While a zoom frame or a selection band is dragged only the band moves: it is drawn over a picture
    // of the figure taken once, so large graphs are not drawn again at every mouse move. Any other
    // repaint request makes the picture stale.
    QImage FFigureUnderBand;
    bool FFigureStale = true;
    bool FForwardingBandMove = false;
};
