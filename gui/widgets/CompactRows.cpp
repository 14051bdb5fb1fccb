#include "gui/widgets/CompactRows.h"

#include "gui/widgets/TitleStrip.h"
#include "model/Colors.h"
#include "model/DrawAdapter.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

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

TRowsFrame BuildRowsFrame(QWidget& window, const QString& title, QWidget* header) {
    window.setWindowTitle(title);
    auto* strip = new TTitleStrip(title);
    strip->setFixedHeight(13);
    TRowsFrame frame{new QScrollArea, new QWidget, nullptr};
    frame.Scroll->setFrameShape(QFrame::NoFrame);
    frame.Scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frame.Scroll->setWidgetResizable(true);
    frame.RowsLayout = new QVBoxLayout(frame.RowsHost);
    frame.RowsLayout->setContentsMargins(0, 0, 0, 0);
    frame.RowsLayout->setSpacing(0);
    frame.RowsLayout->addStretch(1);
    frame.Scroll->setWidget(frame.RowsHost);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(header);
    layout->addWidget(frame.Scroll, 1);
    return frame;
}

} // namespace compactrows
