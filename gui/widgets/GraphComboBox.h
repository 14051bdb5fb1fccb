#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

// One entry of a list of graphs: a text entry at the left, or a graph as a sample of its colour
// (outlined in black, in white when selected) followed by its name; a white frame around the entry.
void PaintGraphItem(QPainter& painter, const QRect& rect, const QString& text, const QColor* colour,
                    bool selected, const QPalette& palette);

// The colour of the graph an entry stands for (from the entry's Qt::UserRole data), or none for a
// text entry. Looked up as the entry is drawn, so a list follows colour changes.
using TGraphColourOf = std::function<std::optional<QColor>(const QVariant& itemData)>;

class TGraphItemDelegate : public QStyledItemDelegate {
public:
    TGraphItemDelegate(TGraphColourOf colourOf, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TGraphColourOf colourOf_;
};

// A combo box of graphs that shows its current entry the way its list draws it.
class TGraphComboBox : public QComboBox {
public:
    TGraphComboBox(TGraphColourOf colourOf, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TGraphColourOf colourOf_;
};
