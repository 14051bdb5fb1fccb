#include "app/MainWindowState.h"

#include "model/Colors.h"
#include "model/DateFormat.h"
#include "model/DecimalLog.h"
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mainstate {

namespace {
constexpr int kPrecision = 16;
constexpr int kDecimals = 6;

// The short exponent form: up to 16 significant digits, trailing zeros dropped, "E" and the
// exponent without a plus sign or padding.
QString ShortExponent(Extended value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", kPrecision - 1, value);
    QString text = QString::fromLatin1(buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    QString mantissa = text.left(e);
    const int exponent = text.mid(e + 1).toInt();
    if (mantissa.contains(QLatin1Char('.'))) {
        while (mantissa.endsWith(QLatin1Char('0')))
            mantissa.chop(1);
        if (mantissa.endsWith(QLatin1Char('.'))) mantissa.chop(1);
    }
    return mantissa + QLatin1Char('E') + QString::number(exponent);
}
} // namespace

QString FormatCoordinate(Extended value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    char buffer[96];
    if (value != 0) {
        // Digits before the point, read from the value rounded to the precision.
        std::snprintf(buffer, sizeof buffer, "%.*Le", kPrecision - 1, value);
        const char* e = std::strchr(buffer, 'e');
        const int integerDigits = std::atoi(e + 1) + 1;
        if (integerDigits > kPrecision) return ShortExponent(value);
        if (integerDigits + kDecimals > kPrecision) {
            // Only 16 significant digits count; the decimals beyond them are zeros.
            const int decimals = kPrecision - integerDigits;
            std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, value);
            QString text = QString::fromLatin1(buffer);
            if (decimals == 0) text += QLatin1Char('.');
            return text + QString(kDecimals - decimals, QLatin1Char('0'));
        }
    }
    std::snprintf(buffer, sizeof buffer, "%.*Lf", kDecimals, value);
    QString text = QString::fromLatin1(buffer);
    // A value that rounds to zero shows no sign.
    if (text.startsWith(QLatin1Char('-')) && text.mid(1) == QStringLiteral("0.000000")) text.remove(0, 1);
    return text;
}

QString FormatDateTime(Extended days) {
    const QString date = FormatDateLabel(days);
    const Extended fraction = days - std::floor(days);
    if (fraction == 0) return date;
    return date + QLatin1Char(' ') + FormatTimeLabel(days, false);
}

QString CoordinatesText(TSuperGrWindow& window, int x, int y) {
    TGraph* top = window.GraphByIndex(window.TopGraphIndex());
    if (!top) return {};
    Extended dataX = top->PixelToDataX(x);
    Extended dataY = top->PixelToDataY(y);
    if (top->LogX()) dataX = Pow10(dataX);
    if (top->LogY()) dataY = Pow10(dataY);
    const QString yText = QStringLiteral(";  Y= ") + FormatCoordinate(dataY);
    if (top->DateTimeArg()) return QStringLiteral(" T= ") + FormatDateTime(dataX) + yText;
    return QStringLiteral(" X= ") + FormatCoordinate(dataX) + yText;
}

QString ModifiedText(bool modified) {
    return modified ? QStringLiteral("*") : QString();
}

QString ToolModeText(TToolMode mode) {
    switch (mode) {
    case tmMove:
        return QStringLiteral("смещение");
    case tmZoom:
        return QStringLiteral("масштабирование");
    case tmEdit:
        return QStringLiteral("работа с узлами");
    case tmNothing:
        break;
    }
    return {};
}

QString EditModeText(TEditMode mode) {
    switch (mode) {
    case emSelect:
        return QStringLiteral("выбрать узлы");
    case emDelete:
        return QStringLiteral("удалить узлы");
    case emInsert:
        return QStringLiteral("добавить узлы");
    case emMove:
        return QStringLiteral("редактировать узлы");
    default:
        break;
    }
    return {};
}

namespace {
// The nine cases of a permission icon, in the order of their image lists.
int PermissionCase(int n, int m, int l) {
    if (m == 0 && l == 0) return 0;
    if (m == n && l == n) return 1;
    if (m == n && l == 0) return 2;
    if (m == 0 && l == n) return 3;
    if (m == n && l > 0) return 4;
    if (m > 0 && l == n) return 5;
    if (m > 0 && l == 0) return 6;
    if (m == 0 && l > 0) return 7;
    return 8;
}
constexpr int kScaleImages[9] = {17, 9, 13, 14, 12, 11, 15, 16, 10};
constexpr int kMoveImages[9] = {8, 0, 4, 5, 3, 2, 6, 7, 1};
// The axis states of the nine cases.
constexpr TAxisState kCaseX[9] = {TAxisState::None, TAxisState::All,  TAxisState::All,
                                  TAxisState::None, TAxisState::All,  TAxisState::Some,
                                  TAxisState::Some, TAxisState::None, TAxisState::Some};
constexpr TAxisState kCaseY[9] = {TAxisState::None, TAxisState::All,  TAxisState::None,
                                  TAxisState::All,  TAxisState::Some, TAxisState::All,
                                  TAxisState::None, TAxisState::Some, TAxisState::Some};
} // namespace

int ScaleIconFor(int n, int m, int l) {
    return kScaleImages[PermissionCase(n, m, l)];
}
int MoveIconFor(int n, int m, int l) {
    return kMoveImages[PermissionCase(n, m, l)];
}

int AxesIconFor(bool combineX, bool combineY) {
    if (combineX && combineY) return 18;
    if (combineX) return 20;
    if (combineY) return 19;
    return 21;
}

TPermissionCounts CountPermissions(const TSuperGrWindow& window) {
    TPermissionCounts c;
    c.Graphs = window.GraphCount();
    for (int i = 0; i < c.Graphs; ++i) {
        const TGraph* g = window.GraphByIndex(i);
        c.ScaleX += g->AllowScaleX();
        c.ScaleY += g->AllowScaleY();
        c.ShiftX += g->AllowShiftX();
        c.ShiftY += g->AllowShiftY();
    }
    return c;
}

void CountPermissionIcons(TStatusIcons& icons, const TSuperGrWindow& window) {
    const TPermissionCounts c = CountPermissions(window);
    icons.Scale = ScaleIconFor(c.Graphs, c.ScaleX, c.ScaleY);
    icons.Move = MoveIconFor(c.Graphs, c.ShiftX, c.ShiftY);
}

TIconLook IconLook(int icon) {
    TIconLook look;
    if (icon >= 18) {
        look.Kind = TIconLook::TKind::Axes;
        const bool x = icon == 18 || icon == 20, y = icon == 18 || icon == 19;
        look.X = x ? TAxisState::All : TAxisState::None;
        look.Y = y ? TAxisState::All : TAxisState::None;
        return look;
    }
    const bool scale = icon >= 9;
    look.Kind = scale ? TIconLook::TKind::Scale : TIconLook::TKind::Move;
    const int* images = scale ? kScaleImages : kMoveImages;
    for (int c = 0; c < 9; ++c)
        if (images[c] == icon) {
            look.X = kCaseX[c];
            look.Y = kCaseY[c];
        }
    return look;
}

TIconLook AlignmentLook(bool scales, bool x, bool y) {
    TIconLook look;
    look.Kind = scales ? TIconLook::TKind::Scale : TIconLook::TKind::Move;
    look.X = x ? TAxisState::All : TAxisState::None;
    look.Y = y ? TAxisState::All : TAxisState::None;
    return look;
}

QList<TRect> PanelRects(int barWidth, int barHeight) {
    QList<TRect> rects;
    int fixed = 0;
    for (int i = 0; i < PanelCount; ++i)
        if (i != 5) fixed += DesignWidths[i];
    const int rest = std::max(0, barWidth - fixed - 8);
    int left = 0;
    for (int i = 0; i < PanelCount; ++i) {
        const int width = i == 5 ? rest : DesignWidths[i];
        rects.append({left, 0, left + width, barHeight});
        left += width;
    }
    return rects;
}

QList<TRect> SwatchRects(const TRect& panel, int graphCount) {
    QList<TRect> rects;
    const int side = panel.Height() - 4;
    if (side <= 0) return rects;
    const int step = side + side / 2;
    for (int i = 0; i < graphCount; ++i) {
        const int left = panel.Left + 2 + i * step;
        if (left + side > panel.Right) break;
        rects.append({left, panel.Top + 2, left + side, panel.Top + 2 + side});
    }
    return rects;
}

QList<int> GraphsInLayerOrder(const TSuperGrWindow& window) {
    QList<int> order;
    for (int layer = 0; layer < window.GraphCount(); ++layer) {
        const int index = window.IndexOfLayer(layer);
        if (index >= 0) order.append(index);
    }
    return order;
}

int SwatchGraphAt(const TSuperGrWindow& window, const TRect& panel, int x, int y) {
    const QList<int> order = GraphsInLayerOrder(window);
    const QList<TRect> rects = SwatchRects(panel, int(order.size()));
    for (int i = 0; i < rects.size(); ++i) {
        const TRect& r = rects[i];
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return order[i];
    }
    return -1;
}

bool DarkSelectionDot(TColor rgb) {
    return (RedOf(rgb) + GreenOf(rgb) + BlueOf(rgb)) / 3 > 90;
}

QList<TRect> IconRects(const TRect& panel) {
    QList<TRect> rects;
    const int side = panel.Height();
    int left = panel.Left + side / 3;
    for (int i = 0; i < 3; ++i) {
        rects.append({left, panel.Top, left + side, panel.Top + side});
        left += side + side / 4;
    }
    return rects;
}

int IconAt(const TRect& panel, int x, int y) {
    const QList<TRect> rects = IconRects(panel);
    for (int i = 0; i < rects.size(); ++i) {
        const TRect& r = rects[i];
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return i;
    }
    return -1;
}

bool CommandEnabled(TEnabledRule rule, const TCommandState& state) {
    if (state.Busy) return false;
    switch (rule) {
    case TEnabledRule::Always:
        return true;
    case TEnabledRule::WithGraphs:
        return state.Graphs;
    case TEnabledRule::WithUndo:
        return state.Undo;
    case TEnabledRule::WithRedo:
        return state.Redo;
    case TEnabledRule::WithSavedAxes:
        return state.SavedAxes;
    case TEnabledRule::NodeWork:
        return NodeActionsEnabled(state.Tool, state.Zoom);
    }
    return false;
}

bool NodeActionsEnabled(TToolMode tool, TZoomMode zoom) {
    return !(tool == tmEdit && zoom != zmNone);
}

QString CheckedZoomAction(TZoomMode mode) {
    switch (mode) {
    case zmZoomWndStart:
    case zmZoomWndFinish:
        return QStringLiteral("WindowScale");
    case zmZoomXStart:
    case zmZoomXFinish:
        return QStringLiteral("XAxisScale");
    case zmZoomYStart:
    case zmZoomYFinish:
        return QStringLiteral("YAxisScale");
    case zmNone:
        break;
    }
    return {};
}

TZoomMode ZoomModeForAction(const QString& action) {
    if (action == QLatin1String("WindowScale")) return zmZoomWndStart;
    if (action == QLatin1String("XAxisScale")) return zmZoomXStart;
    if (action == QLatin1String("YAxisScale")) return zmZoomYStart;
    return zmNone;
}

QString LegendActionCaption(bool legendShown) {
    return legendShown ? QStringLiteral("Скрыть легенду") : QStringLiteral("Показать легенду");
}

QString DialogText(const QString& message) {
    QString shown = message;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void CancelBinding(TSuperGrWindow& window) {
    const bool grouping = window.UndoGrouping();
    window.SetUndoGrouping(true);
    for (int i = 0; i < window.GraphCount(); ++i) {
        TGraph* g = window.GraphByIndex(i);
        g->SetPosGroupX(-1);
        g->SetPosGroupY(-1);
        g->SetScaleGroupX(-1);
        g->SetScaleGroupY(-1);
    }
    window.SetUndoGrouping(grouping);
    window.Repaint();
}

void ToggleLegend(TSuperGrWindow& window, const std::optional<TPoint>& corner) {
    if (window.ShowLegend()) {
        window.SetShowLegend(false);
        return;
    }
    const bool grouping = window.UndoGrouping();
    window.SetUndoGrouping(true);
    window.SetShowLegend(true);
    if (corner) {
        // The legend's size is known only after it was laid out once: measure it off screen.
        const TRect client = window.ClientRect();
        if (client.Width() > 0 && client.Height() > 0) {
            QImage scratch(client.Width(), client.Height(), QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&scratch);
            PaintFigure(window, painter, client);
        }
        const TPoint offsets = LegendOffsetsForPoint(window, corner->X, corner->Y);
        window.SetLegendOffsetX(offsets.X);
        window.SetLegendOffsetY(offsets.Y);
    }
    window.SetUndoGrouping(grouping);
}

void EndInsertOrDelete(TSuperGrWindow& window) {
    if (window.EditMode() == emDelete || window.EditMode() == emInsert) window.SetEditMode(emNothing);
}

TDblClickResult ApplyDoubleClick(TSuperGrWindow& window, int index, int action) {
    TGraph* g = window.GraphByIndex(index);
    if (!g) return TDblClickResult::Nothing;
    switch (action) {
    case 0:
        g->SetSelected(!g->Selected());
        break;
    case 1:
        g->SetVisible(!g->Visible());
        break;
    case 2:
        g->SetShowNodes(!g->ShowNodes());
        break;
    case 3:
        g->SetLayer(0);
        break;
    case 4:
        g->SetFixedRatio(!g->FixedRatio());
        break;
    case 5:
        return TDblClickResult::ShowProperties;
    default:
        return TDblClickResult::Nothing;
    }
    return TDblClickResult::Done;
}

void MoveLayer(TSuperGrWindow& window, int index, TLayerMove move) {
    TGraph* g = window.GraphByIndex(index);
    if (!g) return;
    const int32_t layer = g->Layer();
    switch (move) {
    case TLayerMove::ToTop:
        g->SetLayer(0);
        break;
    case TLayerMove::ToBottom:
        g->SetLayer(window.GraphCount() - 1);
        break;
    case TLayerMove::Up:
        if (layer > 0) g->SetLayer(layer - 1);
        break;
    case TLayerMove::Down:
        if (layer < window.GraphCount() - 1) g->SetLayer(layer + 1);
        break;
    }
}

QList<TPermissionItem> PermissionItems() {
    const QString both = QStringLiteral("X и Y"), x = QStringLiteral("X"), y = QStringLiteral("Y");
    const QString all = QStringLiteral("Смещение и масштабирование");
    const QString shift = QStringLiteral("Только смещение");
    const QString scale = QStringLiteral("Только масштабирование");
    return {
        {all, both, {true, true, true, true}},     {all, x, {true, false, true, false}},
        {all, y, {false, true, false, true}},      {shift, both, {true, true, false, false}},
        {shift, x, {true, false, false, false}},   {shift, y, {false, true, false, false}},
        {scale, both, {false, false, true, true}}, {scale, x, {false, false, true, false}},
        {scale, y, {false, false, false, true}},   {QString(), QStringLiteral("Запретить всё"), {}},
    };
}

void ApplyPermissions(TSuperGrWindow& window, TPermissionTarget target, int graph,
                      const TPermissionSet& flags) {
    const auto [shiftX, shiftY, scaleX, scaleY] = flags;
    TGraph* g = window.GraphByIndex(graph);
    switch (target) {
    case TPermissionTarget::AllGraphs:
        window.DrawPolicy.SetAllowAll(shiftX, shiftY, scaleX, scaleY);
        break;
    case TPermissionTarget::SelectedGraphs:
        window.DrawPolicy.SetAllowSelected(shiftX, shiftY, scaleX, scaleY);
        break;
    case TPermissionTarget::Graph:
        if (g) g->SetPermissions(shiftX, shiftY, scaleX, scaleY);
        break;
    case TPermissionTarget::OnlyGraph:
        if (g) g->SetPermissionsExclusive(shiftX, shiftY, scaleX, scaleY);
        break;
    }
}

TPoint LegendOffsetsForPoint(const TSuperGrWindow& window, int x, int y) {
    const TPoint anchor =
        LegendAnchor(window.PlotRect, window.LegendPosition(), window.LegendWidth, window.LegendHeight, 10);
    return {x - anchor.X, y - anchor.Y};
}

bool LegendNeedsDialog(const TSuperGrWindow& window) {
    if (window.GraphCount() == 0) return false;
    for (int i = 0; i < window.GraphCount(); ++i) {
        const TGraph* g = window.GraphByIndex(i);
        if (g->Visible() && g->InLegend()) return false;
    }
    return true;
}

TKeyDecision DecideKey(int key, bool shift, bool ctrlOrAlt, bool textFocus, TZoomMode zoom, TEditMode edit) {
    TKeyDecision d;
    if (key == 27) {
        if (zoom == zmZoomWndStart || zoom == zmZoomXStart || zoom == zmZoomYStart) {
            d.Action = TKeyAction::ZoomModeOff;
        } else if (zoom == zmNone) {
            switch (edit) {
            case emSelect:
                d.Action = TKeyAction::EditModeOff;
                break;
            case emDelete:
            case emInsert:
                d.Action = TKeyAction::EditModeOffRefresh;
                break;
            case emMove:
                d.Action = TKeyAction::UnselectAndEditModeOff;
                break;
            default:
                break;
            }
        }
        return d;
    }
    if (textFocus || ctrlOrAlt) return d;
    const int step = shift ? 1 : 3;
    switch (key) {
    case 'C':
        d = {TKeyAction::Pan, step, 0};
        break;
    case 'Z':
        d = {TKeyAction::Pan, -step, 0};
        break;
    case 'X':
        d = {TKeyAction::Pan, 0, step};
        break;
    case 'S':
        d = {TKeyAction::Pan, 0, -step};
        break;
    default:
        break;
    }
    return d;
}

void ApplyKey(TSuperGrWindow& window, const TKeyDecision& decision) {
    switch (decision.Action) {
    case TKeyAction::None:
        return;
    case TKeyAction::ZoomModeOff:
        window.SetZoomMode(zmNone);
        return;
    case TKeyAction::EditModeOff:
        window.SetEditMode(emNothing);
        return;
    case TKeyAction::EditModeOffRefresh:
        window.SetEditMode(emNothing);
        window.RefreshAll();
        return;
    case TKeyAction::UnselectAndEditModeOff:
        window.UnselectNodes();
        window.SetEditMode(emNothing);
        window.RefreshAll();
        return;
    case TKeyAction::Pan:
        window.PanBy(decision.Dx, decision.Dy, true, window.TopGraphIndex());
        window.Repaint();
        return;
    }
}

bool MayClose(bool modified, bool askBeforeExit, const std::function<TAnswer(const QString&)>& ask,
              const std::function<bool()>& saveAndCheck) {
    if (!modified || !askBeforeExit) return true;
    switch (ask(CloseQuestion())) {
    case TAnswer::Yes:
        return saveAndCheck();
    case TAnswer::No:
        return true;
    case TAnswer::Cancel:
        break;
    }
    return false;
}

QString CloseQuestion() {
    return QStringLiteral("Имеются несохранённые данные.\rХотите сохранить их перед закрытием программы?");
}

QString NewFigureQuestion() {
    return QStringLiteral("Все несохранённые данные будут потеряны! Хотите продолжить?");
}

QString DefaultFileName() {
    return QStringLiteral("Untitled.tvq");
}

TRect FitOnScreen(const TRect& frame, const TRect& available) {
    const int32_t width = std::min(frame.Width(), available.Width());
    const int32_t height = std::min(frame.Height(), available.Height());
    const int32_t left = std::clamp(frame.Left, available.Left, available.Right - width);
    const int32_t top = std::clamp(frame.Top, available.Top, available.Bottom - height);
    return {left, top, left + width, top + height};
}

} // namespace mainstate
