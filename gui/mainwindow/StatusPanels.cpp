#include "gui/mainwindow/StatusPanels.h"

#include "gui/mainwindow/Icons.h"
#include "model/Colors.h"
#include "model/DrawAdapter.h"
#include "window/SuperGrWindow.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

using namespace mainstate;

TStatusPanels::TStatusPanels(QWidget* parent, const TSuperGrWindow& figure, const TStatusIcons& icons)
    : QStatusBar(parent), FFigure(figure), FIcons(icons) {
    setSizeGripEnabled(false);
    setMouseTracking(true);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    setFont(f);
}

QSize TStatusPanels::sizeHint() const {
    return {600, 22};
}

void TStatusPanels::SetText(int panel, const QString& text) {
    if (panel < 0 || panel >= 5 || FTexts[panel] == text) return;
    FTexts[panel] = text;
    update();
}

TRect TStatusPanels::PanelRect(int panel) const {
    return PanelRects(width(), height()).value(panel);
}

void TStatusPanels::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QList<TRect> rects = PanelRects(width(), height());
    for (int i = 0; i < rects.size(); ++i) {
        const TRect& r = rects[i];
        const QRect box(r.Left, r.Top + 1, r.Width() - 2, r.Height() - 2);
        p.setPen(palette().mid().color());
        p.drawLine(box.topRight(), box.bottomRight());
        if (i < 5) {
            p.setPen(QColor(0x50, 0x50, 0x50));
            p.drawText(box.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, FTexts[i]);
        } else if (i == 5) {
            PaintSwatches(p, r);
        } else {
            PaintIcons(p, r);
        }
    }
}

void TStatusPanels::PaintSwatches(QPainter& p, const TRect& panel) {
    const QList<int> order = GraphsInLayerOrder(FFigure);
    const QList<TRect> rects = SwatchRects(panel, int(order.size()));
    p.save();
    p.setClipRect(QRect(panel.Left, panel.Top, panel.Width(), panel.Height()));
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < rects.size(); ++i) {
        const TGraph* g = FFigure.GraphByIndex(order[i]);
        const TRect& r = rects[i];
        const QRectF box(r.Left + 0.5, r.Top + 0.5, r.Width() - 1, r.Height() - 1);
        const QColor graphColor = TDrawAdapter::ToQColor(g->Color());
        QLinearGradient gradient(box.topLeft(), box.bottomRight());
        gradient.setColorAt(0, palette().window().color());
        gradient.setColorAt(1, graphColor);
        p.setBrush(gradient);
        p.setPen(graphColor.darker(130));
        p.drawRoundedRect(box, 3, 3);
        if (g->Selected()) {
            const bool black = DarkSelectionDot(ColorToRGB(g->Color()));
            const QPointF c = box.center();
            p.fillRect(QRectF(c.x() - 2, c.y() - 2, 4, 4), black ? Qt::black : Qt::white);
        }
    }
    p.restore();
}

void TStatusPanels::PaintIcons(QPainter& p, const TRect& panel) {
    const QList<TRect> rects = IconRects(panel);
    const int icons[3] = {FIcons.Scale, FIcons.Move, FIcons.Axes};
    for (int i = 0; i < 3; ++i) {
        const TRect& r = rects[i];
        const bool enabled = i == 2 || FIcons.Enabled;
        DrawStateIcon(p, QRectF(r.Left, r.Top, r.Width(), r.Height()), IconLook(icons[i]), enabled);
    }
}

void TStatusPanels::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const QPoint global = e->globalPosition().toPoint();
    const TRect swatches = PanelRect(5);
    const int graph = SwatchGraphAt(FFigure, swatches, pos.x(), pos.y());
    if (graph >= 0) {
        if (OnClick) OnClick(5, graph, e->button(), global);
        return;
    }
    const int icon = IconAt(PanelRect(6), pos.x(), pos.y());
    if (icon >= 0 && OnClick) OnClick(6, icon, e->button(), global);
}

bool TStatusPanels::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int graph = SwatchGraphAt(FFigure, PanelRect(5), help->pos().x(), help->pos().y());
        if (graph >= 0)
            QToolTip::showText(help->globalPos(), FFigure.GraphByIndex(graph)->Name(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QStatusBar::event(e);
}
