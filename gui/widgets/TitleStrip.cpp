#include "gui/widgets/TitleStrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

TTitleStrip::TTitleStrip(const QString& title, QWidget* parent) : QWidget(parent), FTitle(title) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    FClose = new QToolButton(this);
    FClose->setObjectName(QStringLiteral("TitleStripClose"));
    FClose->setText(QStringLiteral("×"));
    FClose->setToolTip(QStringLiteral("Закрыть"));
    FClose->setAutoRaise(true);
    FClose->setCursor(Qt::ArrowCursor);
    FClose->setStyleSheet(
        QStringLiteral("QToolButton { color: white; font-weight: bold; border: none; padding: 0; }"
                       "QToolButton:hover { background: rgba(255,255,255,60); }"));
    connect(FClose, &QToolButton::clicked, this, [this] {
        emit CloseClicked();
        window()->close();
    });
}

void TTitleStrip::SetTitle(const QString& title) {
    FTitle = title;
    update();
}

void TTitleStrip::SetColors(const QColor& start, const QColor& end) {
    FStart = start;
    FEnd = end;
    update();
}

QSize TTitleStrip::sizeHint() const {
    return {160, fontMetrics().height() + 6};
}

void TTitleStrip::resizeEvent(QResizeEvent*) {
    const int side = height() - 4;
    FClose->setGeometry(width() - side - 2, 2, side, side);
}

void TTitleStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient gradient(0, 0, width(), 0);
    gradient.setColorAt(0, FStart);
    gradient.setColorAt(1, FEnd);
    p.fillRect(rect(), gradient);
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    const QRect text = rect().adjusted(6, 0, -(height() + 4), 0);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(FTitle, Qt::ElideRight, text.width()));
}

void TTitleStrip::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    FDragging = true;
    FGrabOffset = e->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TTitleStrip::mouseMoveEvent(QMouseEvent* e) {
    if (!FDragging) return QWidget::mouseMoveEvent(e);
    window()->move(e->globalPosition().toPoint() - FGrabOffset);
}

void TTitleStrip::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) FDragging = false;
    QWidget::mouseReleaseEvent(e);
}
