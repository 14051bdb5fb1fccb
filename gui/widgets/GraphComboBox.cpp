#include "gui/widgets/GraphComboBox.h"

#include <QPainter>
#include <QStylePainter>

void PaintGraphItem(QPainter& painter, const QRect& rect, const QString& text, const QColor* colour,
                    bool selected, const QPalette& palette) {
    painter.save();
    painter.fillRect(rect, palette.color(selected ? QPalette::Highlight : QPalette::Base));
    painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    if (!colour) {
        painter.drawText(rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    } else {
        const QRect sample(QPoint(rect.left() + 2, rect.top() + 2),
                           QPoint(rect.left() + 41, rect.bottom() - 2));
        painter.fillRect(sample, *colour);
        painter.setPen(selected ? Qt::white : Qt::black);
        painter.drawRect(sample);
        painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(rect.adjusted(50, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    painter.setPen(Qt::white);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

TGraphItemDelegate::TGraphItemDelegate(TGraphColourOf colourOf, QObject* parent)
    : QStyledItemDelegate(parent), colourOf_(std::move(colourOf)) {}

void TGraphItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const std::optional<QColor> colour = colourOf_(index.data(Qt::UserRole));
    PaintGraphItem(*painter, option.rect, index.data(Qt::DisplayRole).toString(), colour ? &*colour : nullptr,
                   option.state & QStyle::State_Selected, option.palette);
}

QSize TGraphItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(50, 4);
}

TGraphComboBox::TGraphComboBox(TGraphColourOf colourOf, QWidget* parent)
    : QComboBox(parent), colourOf_(std::move(colourOf)) {
    setItemDelegate(new TGraphItemDelegate(colourOf_, this));
}

void TGraphComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0) return;
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const std::optional<QColor> colour = colourOf_(currentData(Qt::UserRole));
    PaintGraphItem(painter, field, currentText(), colour ? &*colour : nullptr, false, palette());
}
