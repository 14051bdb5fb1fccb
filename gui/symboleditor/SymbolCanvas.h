// The symbol editor's drawing area: paints the working symbol of TSymbolEditorModel on its frame
// with the grid, the current and the highlighted element, and hands the mouse to the model.
#pragma once

#include "model/ost2_Types.h"

#include <QWidget>

class TSymbolEditorModel;

class TSymbolCanvas : public QWidget {
    Q_OBJECT
public:
    explicit TSymbolCanvas(TSymbolEditorModel& model, QWidget* parent = nullptr);
    bool Dragging() const;

signals:
    // The symbol changed, or another element became current.
    void Changed();
    // The wheel turned over the area: +1 forward, -1 back.
    void Wheel(int step);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void wheelEvent(QWheelEvent*) override;

private:
    TSymbolEditorModel& FModel;
    int FHighlighted = -1;
};

// A symbol drawn fitted into the widget, upwards when vertical; a double-click raises Activated.
class TSymbolTile : public QWidget {
    Q_OBJECT
public:
    explicit TSymbolTile(bool vertical = false, QWidget* parent = nullptr);
    void SetSymbol(const TSymbol& symbol);
    const TSymbol& Symbol() const { return FSymbol; }

signals:
    void Activated();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

private:
    bool FVertical;
    TSymbol FSymbol;
};
