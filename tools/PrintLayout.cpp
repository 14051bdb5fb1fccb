#include "tools/PrintLayout.h"

#include "files/SafeSave.h"

#include <QLocale>
#include <QSizeF>
#include <cmath>

using namespace Qt::StringLiterals;

const TPrintUnitInfo& PrintUnitInfo(TPrintUnit unit) {
    static const TPrintUnitInfo kUnits[] = {
        {u"миллиметры"_s, 0.1, 3, u"мм"_s},
        {u"сантиметры"_s, 0.01, 4, u"см"_s},
        {u"дюймы"_s, 0.003937, 5, u"дюйма"_s},
    };
    return kUnits[int(unit)];
}

QString FormatLength(double tenths, TPrintUnit unit) {
    const TPrintUnitInfo& info = PrintUnitInfo(unit);
    QString text = QString::number(tenths * info.Factor, 'f', info.Decimals);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
    return text == u"-0"_s ? u"0"_s : text;
}

std::optional<double> ParseLength(const QString& text, TPrintUnit unit) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    // Nothing on paper is 100 m long; larger numbers would overflow the pixel arithmetic.
    constexpr double kLongest = 1e6;
    const double tenths = value / PrintUnitInfo(unit).Factor;
    if (!ok || !(std::fabs(tenths) <= kLongest)) return std::nullopt;
    return tenths;
}

TPrintForm PrintFormFor(const QPageSize& size) {
    const QSizeF mm = size.size(QPageSize::Millimeter);
    return {size, size.name(), mm.width() * 10, mm.height() * 10};
}

namespace printmsg {
QString PaperSizeZero() {
    return u"Размер бумаги не определён (0 × 0). Выберите другой размер бумаги или другой принтер."_s;
}
QString AreaEmpty() {
    return u"Область графика имеет нулевую ширину или высоту. Задайте её размеры."_s;
}
QString NoRoomForPreset() {
    return u"Поля не оставляют места на листе: относительное положение не сохранено."_s;
}
QString OutsidePrintable() {
    return u"Поля графика выходят за границы области печати. Продолжить?"_s;
}
QString MarginsOutsidePrintable() {
    return u"Одно или несколько полей лежат вне области печати.\nИспользовать введённые значения полей?"_s;
}
QString ReplaceEntry(const QString& name) {
    return u"Запись с именем "_s + filesave::Quoted(name) + u" уже существует. Заменить её?"_s;
}
QString DeletePreset(const QString& name) {
    return u"Вы действительно хотите удалить запись "_s + filesave::Quoted(name) + u"?"_s;
}
QString DeleteMargins(const QString& name) {
    return u"Вы действительно хотите удалить поля "_s + filesave::Quoted(name) + u"?"_s;
}
} // namespace printmsg

TFittedSize FitAspect(double w, double h, double aspect) {
    if (w <= 0 || h <= 0) return {};
    if (!(aspect > 0)) return {w, h};
    if (aspect > w / h) return {w, w / aspect};
    return {h * aspect, h};
}

TPrintLayout::TPrintLayout() {
    FPresets = {
        {u"На весь лист (с учётом пропорций)"_s, 0, 0, 1, 1, true},
        {u"На весь лист"_s, 0, 0, 1, 1, false},
        {u"Верхняя половина (с учётом пропорций)"_s, 0, 0, 1, 0.5, true},
        {u"Верхняя половина"_s, 0, 0, 1, 0.5, false},
        {u"Нижняя половина (с учётом пропорций)"_s, 0, 0.5, 1, 1, true},
        {u"Нижняя половина"_s, 0, 0.5, 1, 1, false},
    };
}

void TPrintLayout::SetPaper(double portraitWidth, double portraitHeight, bool landscape) {
    FPortraitWidth = portraitWidth;
    FPortraitHeight = portraitHeight;
    FLandscape = landscape;
    ApplyPreset();
}

void TPrintLayout::SetMargins(const TPaperMargins& margins) {
    FMargins.Left = margins.Left;
    FMargins.Top = margins.Top;
    FMargins.Right = margins.Right;
    FMargins.Bottom = margins.Bottom;
    ApplyPreset();
}

static double& FieldOf(TPrintArea& area, TAreaField field) {
    switch (field) {
    case TAreaField::Left:
        return area.Left;
    case TAreaField::Top:
        return area.Top;
    case TAreaField::Width:
        return area.Width;
    case TAreaField::Height:
        return area.Height;
    }
    return area.Left;
}

QString TPrintLayout::AreaText(TAreaField field) const {
    TPrintArea area = FArea;
    return FormatLength(FieldOf(area, field), Unit);
}

bool TPrintLayout::SetAreaText(TAreaField field, const QString& text) {
    const std::optional<double> value = ParseLength(text, Unit);
    if (!value) return false;
    TPrintArea area = FArea;
    FieldOf(area, field) = *value;
    SetArea(area);
    return true;
}

void TPrintLayout::SetArea(const TPrintArea& area) {
    if (area == FArea) return;
    FArea = area;
    Unselect();
}

void TPrintLayout::Unselect() {
    FChosen = -1;
}

void TPrintLayout::SetKeepProportions(bool keep) {
    FKeepProportions = keep;
    if (FChosen >= 0 && FPresets[FChosen].KeepProportions != keep) Unselect();
}

void TPrintLayout::ChoosePreset(int index) {
    FChosen = index >= 0 && index < FPresets.size() ? index : -1;
    if (FChosen < 0) return;
    FKeepProportions = FPresets[FChosen].KeepProportions;
    ApplyPreset();
}

void TPrintLayout::ApplyPreset() {
    if (FChosen < 0 || !PaperUsable()) return;
    const TGraphPreset& p = FPresets[FChosen];
    const double e = PaperWidth() - FMargins.Left - FMargins.Right;
    const double f = PaperHeight() - FMargins.Top - FMargins.Bottom;
    FArea.Left = FMargins.Left + p.X0 * e;
    FArea.Top = FMargins.Top + p.Y0 * f;
    FArea.Width = FMargins.Left + p.X1 * e - FArea.Left;
    FArea.Height = FMargins.Top + p.Y1 * f - FArea.Top;
}

int TPrintLayout::FindPreset(const QString& name) const {
    for (int i = 0; i < FPresets.size(); ++i)
        if (FPresets[i].Name == name) return i;
    return -1;
}

std::optional<TGraphPreset> TPrintLayout::PresetFromArea(const QString& name) const {
    const double e = PaperWidth() - FMargins.Left - FMargins.Right;
    const double f = PaperHeight() - FMargins.Top - FMargins.Bottom;
    if (!(e > 0) || !(f > 0)) return std::nullopt;
    TGraphPreset p{
        name, (FArea.Left - FMargins.Left) / e, (FArea.Top - FMargins.Top) / f, 0, 0, FKeepProportions};
    p.X1 = p.X0 + FArea.Width / e;
    p.Y1 = p.Y0 + FArea.Height / f;
    return p;
}

void TPrintLayout::SavePreset(const TGraphPreset& preset) {
    FChosen = FindPreset(preset.Name);
    if (FChosen >= 0) {
        FPresets[FChosen] = preset;
    } else {
        FPresets.append(preset);
        FChosen = int(FPresets.size()) - 1;
    }
}

void TPrintLayout::DeletePreset(int index) {
    if (index < kBuiltInPresets || index >= FPresets.size()) return;
    FPresets.removeAt(index);
    Unselect();
}

int TPrintLayout::FindMarginSet(const QString& name) const {
    for (int i = 0; i < MarginSets.size(); ++i)
        if (MarginSets[i].Name == name) return i;
    return -1;
}

int TPrintLayout::SaveMarginSet(const TPaperMargins& margins) {
    const int index = FindMarginSet(margins.Name);
    if (index >= 0) {
        MarginSets[index] = margins;
        return index;
    }
    MarginSets.append(margins);
    return int(MarginSets.size()) - 1;
}

QString TPrintLayout::PrintProblem() const {
    if (!PaperUsable()) return printmsg::PaperSizeZero();
    if (!(FArea.Width > 0) || !(FArea.Height > 0)) return printmsg::AreaEmpty();
    return {};
}

TPreviewGeometry TPrintLayout::Preview(const TRect& box, double aspect) const {
    TPreviewGeometry g;
    const TRect b{box.Left + 10, box.Top + 10, box.Right - 10, box.Bottom - 10};
    const int bw = b.Width(), bh = b.Height();
    if (!PaperUsable() || bw <= 0 || bh <= 0) return g;
    g.Valid = true;
    const double pw = PaperWidth(), ph = PaperHeight();
    const double a = pw / ph;
    int sw = bw, sh = bh;
    if (a > double(bw) / bh)
        sh = std::max(1, int(std::lround(bw / a)));
    else
        sw = std::max(1, int(std::lround(bh * a)));
    const int left = b.Left + (bw - sw) / 2 + 2, top = b.Top + (bh - sh) / 2 + 1;
    g.Sheet = {left, top, left + sw, top + sh};
    const TRect in{g.Sheet.Left + 1, g.Sheet.Top + 1, g.Sheet.Right - 1, g.Sheet.Bottom - 1};
    if (in.Width() <= 0 || in.Height() <= 0) return {};
    g.Inside = in;
    const double sx = (in.Width() + 1) / pw, sy = (in.Height() + 1) / ph;
    g.ScaleX = sx;
    g.ScaleY = sy;
    auto span = [&](double l, double t, double w, double h) {
        return TRect{in.Left + int(std::lround(l * sx)), in.Top + int(std::lround(t * sy)),
                     in.Right - int(std::lround(sx * (pw - l - w))),
                     in.Bottom - int(std::lround(sy * (ph - t - h)))};
    };
    g.Area = span(FArea.Left, FArea.Top, FArea.Width, FArea.Height);
    g.MarginsRect = span(FMargins.Left, FMargins.Top, pw - FMargins.Left - FMargins.Right,
                         ph - FMargins.Top - FMargins.Bottom);
    if (FKeepProportions) {
        const double w = FArea.Width * sx, h = FArea.Height * sy;
        const TFittedSize fit = FitAspect(w, h, aspect);
        const double x = FArea.Left * sx + (w - fit.Width) / 2, y = FArea.Top * sy + (h - fit.Height) / 2;
        g.Figure = {int(std::trunc(x)) + in.Left + 1, int(std::trunc(y)) + in.Top + 1,
                    in.Right - int(std::trunc(pw * sx - (fit.Width + x))) - 1,
                    in.Bottom - int(std::trunc(ph * sy - (fit.Height + y))) - 1};
    } else {
        g.Figure = {g.Area.Left + 1, g.Area.Top + 1, g.Area.Right - 1, g.Area.Bottom - 1};
    }
    g.DragRect = {g.Area.Left, g.Area.Top, g.Area.Right - 1, g.Area.Bottom - 1};
    return g;
}

TRect TPrintLayout::PrintTarget(double kx, double ky, double aspect) const {
    const TPrintArea& a = FArea;
    if (!FKeepProportions)
        return {int(std::trunc(a.Left * kx)) + 1, int(std::trunc(a.Top * ky)) + 1,
                int(std::trunc((a.Left + a.Width) * kx)), int(std::trunc((a.Top + a.Height) * ky))};
    const double w = a.Width * kx, h = a.Height * ky;
    const TFittedSize fit = FitAspect(w, h, aspect);
    const double x = a.Left * kx + (w - fit.Width) / 2, y = a.Top * ky + (h - fit.Height) / 2;
    return {int(std::trunc(x)) + 1, int(std::trunc(y)) + 1, int(std::trunc(fit.Width + x)),
            int(std::trunc(fit.Height + y))};
}

bool TPrintLayout::OutsidePrintable(const TRect& target, const TRect& printable) {
    return target.Left < printable.Left || target.Top < printable.Top || target.Right > printable.Right ||
           target.Bottom > printable.Bottom;
}

TAreaDrag TPrintLayout::DragAt(const TRect& r, TPoint p) {
    auto near = [](int edge, int v) { return edge - 2 < v && v < edge + 2; };
    const bool l = near(r.Left, p.X), t = near(r.Top, p.Y), rr = near(r.Right, p.X), b = near(r.Bottom, p.Y);
    const bool withinX = r.Left < p.X && p.X < r.Right, withinY = r.Top < p.Y && p.Y < r.Bottom;
    if (l && t) return TAreaDrag::TopLeft;
    if (rr && t) return TAreaDrag::TopRight;
    if (l && b) return TAreaDrag::BottomLeft;
    if (rr && b) return TAreaDrag::BottomRight;
    if (l && withinY) return TAreaDrag::Left;
    if (rr && withinY) return TAreaDrag::Right;
    if (t && withinX) return TAreaDrag::Top;
    if (b && withinX) return TAreaDrag::Bottom;
    if (withinX && withinY) return TAreaDrag::Move;
    return TAreaDrag::None;
}

TAreaDrag TPrintLayout::BeginDrag(const TPreviewGeometry& preview, TPoint point) {
    FLastPoint = point;
    FDrag = preview.Valid ? DragAt(preview.DragRect, point) : TAreaDrag::None;
    return FDrag;
}

bool TPrintLayout::DragTo(const TPreviewGeometry& preview, TPoint point) {
    if (FDrag == TAreaDrag::None || !preview.Valid) return false;
    using enum TAreaDrag;
    TRect r = preview.DragRect;
    const TAreaDrag kind = FDrag;
    if (kind == TopLeft || kind == BottomLeft || kind == Left) r.Left = point.X;
    if (kind == TopRight || kind == BottomRight || kind == Right) r.Right = point.X;
    if (kind == TopLeft || kind == TopRight || kind == Top) r.Top = point.Y;
    if (kind == BottomLeft || kind == BottomRight || kind == Bottom) r.Bottom = point.Y;
    if (kind == Move) {
        const int dx = point.X - FLastPoint.X, dy = point.Y - FLastPoint.Y;
        r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    }
    FLastPoint = point;
    if (r == preview.DragRect) return false;
    const TRect& in = preview.Inside;
    const double sx = preview.ScaleX, sy = preview.ScaleY;
    TPrintArea area;
    area.Left = (r.Left - in.Left) / sx;
    area.Top = (r.Top - in.Top) / sy;
    area.Width = PaperWidth() - area.Left + (r.Right - in.Right + 1) / sx;
    area.Height = PaperHeight() - area.Top + (r.Bottom - in.Bottom + 1) / sy;
    if (kind == Move) { // the size stays as it was, not rounded to whole pixels
        area.Width = FArea.Width;
        area.Height = FArea.Height;
    }
    if (area.Width < 0) {
        area.Width = -area.Width;
        area.Left -= area.Width;
        static constexpr TAreaDrag kMirrorX[] = {None,  TopRight, TopLeft, BottomRight, BottomLeft,
                                                 Right, Left,     Top,     Bottom,      Move};
        FDrag = kMirrorX[int(FDrag)];
    }
    if (area.Height < 0) {
        area.Height = -area.Height;
        area.Top -= area.Height;
        static constexpr TAreaDrag kMirrorY[] = {None, BottomLeft, BottomRight, TopLeft, TopRight,
                                                 Left, Right,      Bottom,      Top,     Move};
        FDrag = kMirrorY[int(FDrag)];
    }
    SetArea(area);
    return true;
}
