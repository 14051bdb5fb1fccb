#include "gui/shiftcurve/SuperTrackBar2d.h"

#include <QDoubleValidator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>

namespace {

QRect ToQRect(const TRect& r) {
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

} // namespace

TSuperTrackBar2d::TSuperTrackBar2d(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
}

void TSuperTrackBar2d::SetXValue(double v) {
    Report(FBar.SetXValue(v));
}

void TSuperTrackBar2d::SetYValue(double v) {
    Report(FBar.SetYValue(v));
}

void TSuperTrackBar2d::SetTrackGlyph(const QPixmap& glyph) {
    FGlyph = glyph;
    update();
}

void TSuperTrackBar2d::SetEditVisible(bool visible) {
    FEditVisible = visible;
    if (visible && !FEdits[0]) {
        for (int i = XMin; i <= YMax; ++i) {
            auto* edit = new QLineEdit(this);
            edit->setValidator(new QDoubleValidator(edit));
            connect(edit, &QLineEdit::editingFinished, this, [this, i] { RangeEdited(TRangeEdit(i)); });
            FEdits[i] = edit;
        }
    }
    for (QLineEdit* edit : FEdits)
        if (edit) edit->setVisible(visible);
    ShowRange();
    PlaceEdits();
}

void TSuperTrackBar2d::ShowRange() {
    if (!FEdits[0]) return;
    const double values[] = {FBar.XMinValue(), FBar.XMaxValue(), FBar.YMinValue(), FBar.YMaxValue()};
    for (int i = XMin; i <= YMax; ++i)
        FEdits[i]->setText(QString::number(values[i], 'g', 10));
}

// Only a whole number is taken; a partial one ("-", "1e") gives the shown bound back.
void TSuperTrackBar2d::RangeEdited(TRangeEdit which) {
    bool ok = false;
    const double v = FEdits[which]->text().toDouble(&ok);
    if (ok && std::isfinite(v)) {
        const double wasX = FBar.XValue(), wasY = FBar.YValue();
        switch (which) {
        case XMin:
            FBar.SetXRange(v, FBar.XMaxValue());
            break;
        case XMax:
            FBar.SetXRange(FBar.XMinValue(), v);
            break;
        case YMin:
            FBar.SetYRange(v, FBar.YMaxValue());
            break;
        case YMax:
            FBar.SetYRange(FBar.YMinValue(), v);
            break;
        }
        update();
        if (FBar.XValue() != wasX || FBar.YValue() != wasY) emit Changed();
    }
    ShowRange();
}

void TSuperTrackBar2d::PlaceEdits() {
    const int editHeight = FEdits[0] ? FEdits[0]->sizeHint().height() : 0;
    FBar.EditInsetX = FEditVisible ? EditWidth + EditMargin : 0;
    FBar.EditInsetY = FEditVisible ? editHeight + EditMargin : 0;
    if (FEditVisible) {
        const int m = FBar.TrackMargin, midX = (width() - EditWidth) / 2, midY = (height() - editHeight) / 2;
        FEdits[XMin]->setGeometry(m, midY, EditWidth, editHeight);
        FEdits[XMax]->setGeometry(width() - m - EditWidth, midY, EditWidth, editHeight);
        FEdits[YMax]->setGeometry(midX, m, EditWidth, editHeight);
        FEdits[YMin]->setGeometry(midX, height() - m - editHeight, EditWidth, editHeight);
    }
    update();
}

void TSuperTrackBar2d::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    PlaceEdits();
}

QRect TSuperTrackBar2d::ThumbRect() const {
    return ToQRect(FBar.Thumb(width(), height()));
}

void TSuperTrackBar2d::Report(bool changed) {
    if (!changed) return;
    update();
    emit Changed();
}

void TSuperTrackBar2d::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect track = ToQRect(FBar.Track(width(), height()));
    painter.fillRect(track, palette().color(QPalette::Button));
    // A dot at the thumb's centre for every tick value.
    painter.setPen(Qt::black);
    const int nx = std::max(FBar.XTicksCount, 1), ny = std::max(FBar.YTicksCount, 1);
    for (int i = 0; i <= nx; ++i) {
        const double x = FBar.XMinValue() + (FBar.XMaxValue() - FBar.XMinValue()) * i / nx;
        for (int j = 0; j <= ny; ++j) {
            const double y = FBar.YMinValue() + (FBar.YMaxValue() - FBar.YMinValue()) * j / ny;
            painter.drawPoint(ToQRect(FBar.ThumbAt(width(), height(), x, y)).center());
        }
    }
    drawFrame(&painter);
    const QRect thumb = ThumbRect();
    if (!FGlyph.isNull()) {
        painter.drawPixmap(thumb.topLeft(), FGlyph);
        return;
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = thumb;
    option.state |= QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
}

void TSuperTrackBar2d::keyPressEvent(QKeyEvent* event) {
    static const std::pair<int, TTrackKey> keys[] = {
        {Qt::Key_Left, TTrackKey::Left},     {Qt::Key_Right, TTrackKey::Right},
        {Qt::Key_Up, TTrackKey::Up},         {Qt::Key_Down, TTrackKey::Down},
        {Qt::Key_Home, TTrackKey::Home},     {Qt::Key_End, TTrackKey::End},
        {Qt::Key_PageUp, TTrackKey::PageUp}, {Qt::Key_PageDown, TTrackKey::PageDown}};
    for (const auto& [key, step] : keys) {
        if (event->key() == key) {
            Report(FBar.Step(step, event->modifiers() & Qt::ControlModifier));
            return;
        }
    }
    QFrame::keyPressEvent(event);
}

void TSuperTrackBar2d::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const QRect thumb = ThumbRect();
    if (thumb.contains(at)) {
        FDragging = true;
        FGrab = at - thumb.topLeft();
        return;
    }
    if (!ToQRect(FBar.Track(width(), height())).contains(at)) return;
    // Towards the values whose thumb is centred on the point.
    double x = 0, y = 0;
    FBar.ValuesAt(width(), height(), at.x() - FBar.ThumbWidth / 2, at.y() - FBar.ThumbHeight / 2, x, y);
    Report(FBar.PageTowards(x, y));
}

void TSuperTrackBar2d::mouseMoveEvent(QMouseEvent* event) {
    if (FDragging) MoveThumbTo(event->position().toPoint() - FGrab);
}

void TSuperTrackBar2d::mouseReleaseEvent(QMouseEvent* event) {
    if (FDragging && event->button() == Qt::LeftButton) {
        MoveThumbTo(event->position().toPoint() - FGrab);
        FDragging = false;
    }
}

void TSuperTrackBar2d::MoveThumbTo(const QPoint& topLeft) {
    double x = 0, y = 0;
    FBar.ValuesAt(width(), height(), topLeft.x(), topLeft.y(), x, y);
    const bool changedX = FBar.SetXValue(x);
    const bool changedY = FBar.SetYValue(y);
    Report(changedX || changedY);
}
