// The main window's status bar: seven panels, texts in 0 .. 4, colour swatches of the graphs in 5 and
// the three state icons in 6, all painted here.
#pragma once

#include "app/MainWindowState.h"

#include <QStatusBar>
#include <functional>

class QPainter;
class TSuperGrWindow;

class TStatusPanels : public QStatusBar {
public:
    // The swatches show the figure's graphs, the icons what the owner keeps in icons.
    TStatusPanels(QWidget* parent, const TSuperGrWindow& figure, const mainstate::TStatusIcons& icons);
    void SetText(int panel, const QString& text);
    QString Text(int panel) const { return FTexts[panel]; }
    TRect PanelRect(int panel) const;
    // panel, item (graph index or icon number), button, global point.
    std::function<void(int, int, Qt::MouseButton, const QPoint&)> OnClick;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PaintSwatches(QPainter& painter, const TRect& panel);
    void PaintIcons(QPainter& painter, const TRect& panel);
    const TSuperGrWindow& FFigure;
    const mainstate::TStatusIcons& FIcons;
    QString FTexts[5];
};
