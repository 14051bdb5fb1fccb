#include "tools/SymbolEditorModel.h"

#include "model/Codecs.h"
#include "model/StoredText.h"
#include "model/Symbol.h"

#include <cmath>

namespace {
constexpr int kHandle = 4;       // pixels around a corner or edge that grab it
constexpr int kMinBoxPixels = 5; // a drag keeps a box at least this wide and high

Extended SnapTo(Extended v, Extended step) {
    return std::round(v / step) * step;
}
} // namespace

void TSymbolEditorModel::Open(const TSymbol& symbol) {
    CopySymbol(symbol, FSymbol);
    if (FSymbol.Prims.isEmpty()) {
        FSymbol.Aspect = 1;
        FSymbol.HAlign = 1;
        FSymbol.VAlign = 1;
    }
    FCurrent = FSymbol.Prims.isEmpty() ? -1 : 0;
    FUndo.clear();
    FRedo.clear();
    FJoinNudges = false;
    FDragMode = TDragMode::None;
}

void TSymbolEditorModel::SetCurrent(int index) {
    FCurrent = index >= 0 && index < FSymbol.Prims.size() ? index : -1;
}

void TSymbolEditorModel::StepCurrent(int step) {
    const int count = int(FSymbol.Prims.size());
    if (count == 0) return;
    FCurrent = ((std::max(FCurrent, 0) + step) % count + count) % count;
}

void TSymbolEditorModel::Replace(const TSymbol& symbol) {
    if (symbol == FSymbol) return;
    RecordUndo();
    CopySymbol(symbol, FSymbol);
    FCurrent = FSymbol.Prims.isEmpty() ? -1 : 0;
}

void TSymbolEditorModel::KeepCurrentInRange() {
    const int last = int(FSymbol.Prims.size()) - 1;
    FCurrent = last < 0 ? -1 : std::clamp(FCurrent, 0, last);
}

void TSymbolEditorModel::RecordUndo() {
    FUndo.append(FSymbol);
    FRedo.clear();
    FJoinNudges = false;
}

void TSymbolEditorModel::AddElement(TNewElementPlace place) {
    RecordUndo();
    TPrimitiv p;
    p.FaceName = QStringLiteral("Times New Roman");
    p.Weight = 400;
    p.Italic = 0;
    p.Charset = 1;
    p.X1 = 0.25L, p.Y1 = 0.1L, p.X2 = 0.75L, p.Y2 = 0.9L;
    if (HasCurrent() && place != TNewElementPlace::Centre) {
        const TPrimitiv& c = FSymbol.Prims[FCurrent];
        const Extended w = c.X2 - c.X1, h = c.Y2 - c.Y1;
        switch (place) {
        case TNewElementPlace::Superscript:
            p.X1 = c.X2, p.Y1 = c.Y1 - 0.1L * h, p.X2 = c.X2 + 0.6L * w, p.Y2 = c.Y1 + 0.5L * h;
            break;
        case TNewElementPlace::Subscript:
            p.X1 = c.X2, p.Y1 = c.Y1 + 0.5L * h, p.X2 = c.X2 + 0.6L * w, p.Y2 = c.Y1 + 1.1L * h;
            break;
        case TNewElementPlace::Above:
            p.X1 = c.X1, p.Y1 = 2 * c.Y1 - c.Y2, p.X2 = c.X2, p.Y2 = c.Y1;
            break;
        case TNewElementPlace::Left:
            p.X1 = 2 * c.X1 - c.X2, p.Y1 = c.Y1, p.X2 = c.X1, p.Y2 = c.Y2;
            break;
        case TNewElementPlace::Below:
            p.X1 = c.X1, p.Y1 = c.Y2, p.X2 = c.X2, p.Y2 = 2 * c.Y2 - c.Y1;
            break;
        case TNewElementPlace::Right:
            p.X1 = c.X2, p.Y1 = c.Y1, p.X2 = 2 * c.X2 - c.X1, p.Y2 = c.Y2;
            break;
        case TNewElementPlace::Centre:
            break;
        }
    }
    if (FSnap) {
        p.X1 = SnapX(p.X1), p.X2 = SnapX(p.X2);
        p.Y1 = SnapY(p.Y1), p.Y2 = SnapY(p.Y2);
    }
    FSymbol.Prims.append(p);
    FCurrent = int(FSymbol.Prims.size()) - 1;
}

void TSymbolEditorModel::DeleteCurrent() {
    if (!HasCurrent()) return;
    RecordUndo();
    FSymbol.Prims.removeAt(FCurrent);
    FCurrent = std::min(FCurrent, int(FSymbol.Prims.size()) - 1);
}

bool TSymbolEditorModel::SetText(const QString& text) {
    if (!HasCurrent()) return false;
    const std::optional<uint8_t> charset = storedtext::CharsetFor(CurrentElement().Charset, text);
    if (!charset) return false;
    if (CurrentElement().Text == text) return true;
    RecordUndo();
    CurrentElement().Text = text;
    CurrentElement().Charset = *charset;
    return true;
}

void TSymbolEditorModel::SetFaceName(const QString& name) {
    if (!HasCurrent() || CurrentElement().FaceName == name) return;
    RecordUndo();
    CurrentElement().FaceName = name;
}

bool TSymbolEditorModel::SetCharset(uint8_t charset) {
    if (!HasCurrent()) return false;
    const std::optional<uint8_t> holding = storedtext::CharsetFor(charset, CurrentElement().Text);
    if (!holding) return false;
    if (CurrentElement().Charset == *holding) return true;
    RecordUndo();
    CurrentElement().Charset = *holding;
    return true;
}

void TSymbolEditorModel::SetBold(bool bold) {
    const int32_t weight = bold ? 600 : 400;
    if (!HasCurrent() || CurrentElement().Weight == weight) return;
    RecordUndo();
    CurrentElement().Weight = weight;
}

void TSymbolEditorModel::SetItalic(bool italic) {
    if (!HasCurrent() || CurrentElement().Italic == int32_t(italic)) return;
    RecordUndo();
    CurrentElement().Italic = italic ? 1 : 0;
}

bool TSymbolEditorModel::SetCoordinateText(int which, const QString& text) {
    if (!HasCurrent() || which < 0 || which > 3) return false;
    bool ok = false;
    const Extended v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    TPrimitiv& p = CurrentElement();
    Extended* const fields[] = {&p.X1, &p.Y1, &p.X2, &p.Y2};
    if (*fields[which] == v) return true;
    RecordUndo();
    *fields[which] = v;
    return true;
}

void TSymbolEditorModel::SetAspect(Extended aspect) {
    if (!(aspect > 0) || FSymbol.Aspect == aspect) return;
    RecordUndo();
    FSymbol.Aspect = aspect;
}

void TSymbolEditorModel::SetAlignment(int32_t hAlign, int32_t vAlign) {
    hAlign = std::clamp(hAlign, 0, 2);
    vAlign = std::clamp(vAlign, 0, 2);
    if (FSymbol.HAlign == hAlign && FSymbol.VAlign == vAlign) return;
    RecordUndo();
    FSymbol.HAlign = hAlign;
    FSymbol.VAlign = vAlign;
}

void TSymbolEditorModel::Undo() {
    if (FUndo.isEmpty()) return;
    FRedo.append(FSymbol);
    FSymbol = FUndo.takeLast();
    FJoinNudges = false; // a nudge after undo is a step of its own
    KeepCurrentInRange();
}

void TSymbolEditorModel::Redo() {
    if (FRedo.isEmpty()) return;
    FUndo.append(FSymbol);
    FSymbol = FRedo.takeLast();
    FJoinNudges = false;
    KeepCurrentInRange();
}

void TSymbolEditorModel::SetGrid(Extended stepX, Extended stepY, bool snap) {
    FGridX = std::isfinite(stepX) ? std::max(stepX, kMinGridStep) : kDefaultGridStep;
    FGridY = std::isfinite(stepY) ? std::max(stepY, kMinGridStep) : kDefaultGridStep;
    FSnap = snap;
}

Extended TSymbolEditorModel::SnapX(Extended v) const {
    return SnapTo(v, FGridX);
}

Extended TSymbolEditorModel::SnapY(Extended v) const {
    return SnapTo(v, FGridY);
}

void TSymbolEditorModel::SetArea(int width, int height) {
    FAreaWidth = std::max(0, width);
    FAreaHeight = std::max(0, height);
}

TRect TSymbolEditorModel::Frame() const {
    const int dx = FAreaWidth / 10, dy = FAreaHeight / 10;
    return FitSymbolRect({dx, dy, FAreaWidth - dx, FAreaHeight - dy}, FSymbol, false, true);
}

TRect TSymbolEditorModel::ElementBox(int index) const {
    if (index < 0 || index >= FSymbol.Prims.size()) return {};
    const TRect f = Frame();
    const TPrimitiv& p = FSymbol.Prims[index];
    const Extended w = f.Width(), h = f.Bottom - f.Top;
    return {f.Left + RoundHalfEven(w * p.X1), f.Top + RoundHalfEven(h * p.Y1),
            f.Left + RoundHalfEven(w * p.X2), f.Top + RoundHalfEven(h * p.Y2)};
}

TDragMode TSymbolEditorModel::HitTest(int x, int y) const {
    if (!HasCurrent()) return TDragMode::None;
    const TRect b = ElementBox(FCurrent);
    const auto near = [](int v, int edge) { return std::abs(v - edge) <= kHandle; };
    const bool left = near(x, b.Left), right = near(x, b.Right), top = near(y, b.Top),
               bottom = near(y, b.Bottom);
    if (left && top) return TDragMode::TopLeft;
    if (right && top) return TDragMode::TopRight;
    if (left && bottom) return TDragMode::BottomLeft;
    if (right && bottom) return TDragMode::BottomRight;
    const bool betweenTopAndBottom = y > b.Top && y < b.Bottom;
    const bool betweenLeftAndRight = x > b.Left && x < b.Right;
    if (left && betweenTopAndBottom) return TDragMode::Left;
    if (right && betweenTopAndBottom) return TDragMode::Right;
    if (top && betweenLeftAndRight) return TDragMode::Top;
    if (bottom && betweenLeftAndRight) return TDragMode::Bottom;
    if (betweenLeftAndRight && betweenTopAndBottom) return TDragMode::Move;
    return TDragMode::None;
}

int TSymbolEditorModel::ElementAt(int x, int y) const {
    for (int i = 0; i < FSymbol.Prims.size(); ++i) {
        if (i == FCurrent) continue;
        const TRect b = ElementBox(i);
        if (x >= std::min(b.Left, b.Right) && x <= std::max(b.Left, b.Right) &&
            y >= std::min(b.Top, b.Bottom) && y <= std::max(b.Top, b.Bottom))
            return i;
    }
    return -1;
}

bool TSymbolEditorModel::BeginDrag(TDragMode mode, int x, int y) {
    if (mode == TDragMode::None || !HasCurrent()) return false;
    FDragMode = mode;
    FPressX = x;
    FPressY = y;
    FAtPress = CurrentElement();
    FBeforeDrag = FSymbol;
    return true;
}

void TSymbolEditorModel::DragTo(int x, int y) {
    if (!Dragging() || !HasCurrent()) return;
    const TRect f = Frame();
    if (f.Width() <= 0 || f.Bottom <= f.Top) return;
    const Extended fw = f.Width(), fh = f.Bottom - f.Top;
    Extended dx = (x - FPressX) / fw, dy = (y - FPressY) / fh;
    TPrimitiv& p = CurrentElement();
    const TPrimitiv before = p;
    const TPrimitiv& a = FAtPress;
    if (FDragMode == TDragMode::Move) {
        if (FSnap) dx = SnapX(dx), dy = SnapY(dy);
        p.X1 = a.X1 + dx, p.X2 = a.X2 + dx, p.Y1 = a.Y1 + dy, p.Y2 = a.Y2 + dy;
    } else {
        const bool moveLeft = FDragMode == TDragMode::TopLeft || FDragMode == TDragMode::BottomLeft ||
                              FDragMode == TDragMode::Left;
        const bool moveRight = FDragMode == TDragMode::TopRight || FDragMode == TDragMode::BottomRight ||
                               FDragMode == TDragMode::Right;
        const bool moveTop = FDragMode == TDragMode::TopLeft || FDragMode == TDragMode::TopRight ||
                             FDragMode == TDragMode::Top;
        const bool moveBottom = FDragMode == TDragMode::BottomLeft || FDragMode == TDragMode::BottomRight ||
                                FDragMode == TDragMode::Bottom;
        if (moveLeft) p.X1 = a.X1 + dx;
        if (moveRight) p.X2 = a.X2 + dx;
        if (moveTop) p.Y1 = a.Y1 + dy;
        if (moveBottom) p.Y2 = a.Y2 + dy;
        if (FSnap) {
            p.X1 = SnapX(p.X1), p.X2 = SnapX(p.X2);
            p.Y1 = SnapY(p.Y1), p.Y2 = SnapY(p.Y2);
        }
    }
    if ((p.X2 - p.X1) * fw < kMinBoxPixels) p.X1 = before.X1, p.X2 = before.X2;
    if ((p.Y2 - p.Y1) * fh < kMinBoxPixels) p.Y1 = before.Y1, p.Y2 = before.Y2;
}

void TSymbolEditorModel::EndDrag() {
    if (!Dragging()) return;
    FDragMode = TDragMode::None;
    if (FSymbol == FBeforeDrag) return; // a click without a move changes nothing
    const TSymbol after = FSymbol;
    FSymbol = FBeforeDrag;
    RecordUndo();
    FSymbol = after;
}

void TSymbolEditorModel::Nudge(int stepsX, int stepsY, bool secondOnly) {
    if (!HasCurrent() || (stepsX == 0 && stepsY == 0)) return;
    const TRect f = Frame();
    Extended stepX = FGridX, stepY = FGridY;
    if (!FSnap) {
        if (f.Width() <= 0 || f.Bottom <= f.Top) return;
        stepX = 1 / Extended(f.Width());
        stepY = 1 / Extended(f.Bottom - f.Top);
    }
    if (!FJoinNudges) {
        RecordUndo();
        FJoinNudges = true;
    }
    TPrimitiv& p = CurrentElement();
    const Extended dx = stepsX * stepX, dy = stepsY * stepY;
    if (!secondOnly) p.X1 += dx, p.Y1 += dy;
    p.X2 += dx;
    p.Y2 += dy;
}

QStringList TSymbolEditorModel::AspectRatios() {
    QStringList ratios;
    for (int b = 10; b >= 2; --b)
        ratios << QStringLiteral("1:%1").arg(b);
    ratios << QStringLiteral("2:3") << QStringLiteral("1:1") << QStringLiteral("3:2");
    for (int a = 2; a <= 10; ++a)
        ratios << QStringLiteral("%1:1").arg(a);
    return ratios;
}

std::optional<Extended> TSymbolEditorModel::ParseRatio(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2) return std::nullopt;
    bool okA = false, okB = false;
    const int a = parts[0].trimmed().toInt(&okA), b = parts[1].trimmed().toInt(&okB);
    if (!okA || !okB || a <= 0 || b <= 0) return std::nullopt;
    return Extended(a) / b;
}

const TCharsetEntry kCharsets[19] = {
    {"ANSI", 0},          {"Arabic", 178}, {"Baltic", 186},  {"Chinese Big 5", 136}, {"Default", 1},
    {"East Europe", 238}, {"GB2312", 134}, {"Greek", 161},   {"Hangeul", 129},       {"Hebrew", 177},
    {"Johab", 130},       {"MAC", 77},     {"OEM", 255},     {"Russian", 204},       {"Shiftjis", 128},
    {"Symbol", 2},        {"Thai", 222},   {"Turkish", 162}, {"Vietnamese", 163},
};

int CharsetEntry(uint8_t code) {
    int fallback = 0;
    for (int i = 0; i < int(std::size(kCharsets)); ++i) {
        if (kCharsets[i].Code == code) return i;
        if (kCharsets[i].Code == 1) fallback = i;
    }
    return fallback;
}

int PickerCode(int column, int row) {
    if (column < 0 || column >= kPickerColumns || row < 0 || row >= kPickerRows) return 0;
    return (row / 6) * 32 + row * 16 + column + 32;
}

QString PickerCharacter(uint8_t charset, int code) {
    if (code < 0 || code > 255) return {};
    return DecodeCharsetText(charset, QByteArray(1, char(code)));
}
