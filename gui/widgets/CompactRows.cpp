#include "gui/widgets/CompactRows.h"

#include "model/Colors.h"
#include "model/DrawAdapter.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QToolButton>

namespace compactrows {

QColor ToQColor(TColor c) {
    return TDrawAdapter::ToQColor(ColorToRGB(c));
}

QFont SmallFont(bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

QToolButton* SmallButton(int width, const QString& text) {
    auto* button = new QToolButton;
    button->setAutoRaise(true);
    button->setFixedSize(width, RowHeight - 2);
    button->setFont(SmallFont());
    button->setText(text);
    return button;
}

QIcon StatePicture(bool selected) {
    QPixmap pixmap(9, 9);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x40, 0x40, 0x80));
    painter.setBrush(selected ? QColor(0x30, 0x60, 0xC0) : QColor(Qt::transparent));
    painter.drawPolygon(QPolygon({QPoint(1, 0), QPoint(8, 4), QPoint(1, 8)}));
    return QIcon(pixmap);
}

} // namespace compactrows
