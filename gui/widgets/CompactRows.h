// Small pieces of the one-row-per-graph windows (the list of graphs' properties, the scales panel).
#pragma once

#include "model/ost2_Types.h"

#include <QColor>
#include <QFont>
#include <QIcon>

class QScrollArea;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace compactrows {
constexpr int RowHeight = 18;

QColor ToQColor(TColor c);
QFont SmallFont(bool bold = false);
// A flat tool button as high as a row allows.
QToolButton* SmallButton(int width, const QString& text = {});
// The state picture of a row: a filled mark when the row is selected, a hollow one otherwise.
QIcon StatePicture(bool selected);

// The frame of such a window: the title strip, the header, and below them the rows in a scroll area.
struct TRowsFrame {
    QScrollArea* Scroll;
    QWidget* RowsHost;
    QVBoxLayout* RowsLayout;
};
TRowsFrame BuildRowsFrame(QWidget& window, const QString& title, QWidget* header);
} // namespace compactrows
