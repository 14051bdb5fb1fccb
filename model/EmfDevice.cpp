#include "model/EmfDevice.h"

#include "model/EmfReader.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QSaveFile>
#include <QTextItem>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>

using namespace emf;

namespace {

// One record under construction: type and a size patched in when it is finished.
class TRecordBuilder {
public:
    explicit TRecordBuilder(quint32 type) {
        U32(type);
        U32(0);
    }
    TRecordBuilder& U32(quint32 v) {
        char bytes[4];
        qToLittleEndian(v, bytes);
        FData.append(bytes, 4);
        return *this;
    }
    TRecordBuilder& I32(qint32 v) { return U32(quint32(v)); }
    TRecordBuilder& U16(quint16 v) {
        char bytes[2];
        qToLittleEndian(v, bytes);
        FData.append(bytes, 2);
        return *this;
    }
    TRecordBuilder& I16(qint16 v) { return U16(quint16(v)); }
    TRecordBuilder& U8(quint8 v) {
        FData.append(char(v));
        return *this;
    }
    TRecordBuilder& F32(float v) {
        quint32 bits;
        std::memcpy(&bits, &v, 4);
        return U32(bits);
    }
    TRecordBuilder& Rect(qint32 left, qint32 top, qint32 right, qint32 bottom) {
        return I32(left).I32(top).I32(right).I32(bottom);
    }
    TRecordBuilder& Bytes(const QByteArray& bytes) {
        FData.append(bytes);
        return *this;
    }
    // UTF-16 code units, then zeros up to the given count.
    TRecordBuilder& Utf16(const QString& text, qsizetype padTo = 0) {
        for (QChar c : text)
            U16(c.unicode());
        for (qsizetype i = text.size(); i < padTo; ++i)
            U16(0);
        return *this;
    }
    TRecordBuilder& Pad() {
        while (FData.size() % 4 != 0)
            FData.append('\0');
        return *this;
    }
    qsizetype Size() const { return FData.size(); }
    QByteArray Finish() {
        Pad();
        qToLittleEndian(quint32(FData.size()), FData.data() + 4);
        return FData;
    }

private:
    QByteArray FData;
};

quint32 ColorRef(const QColor& c) {
    const QColor rgb = c.toRgb();
    return quint32(rgb.red()) | quint32(rgb.green()) << 8 | quint32(rgb.blue()) << 16;
}

// Device coordinates are whole pixels; far-off values are clamped, not wrapped.
qint32 Coord(qreal v) {
    if (!std::isfinite(v)) return 0;
    return qint32(std::floor(std::clamp(v, -1e9, 1e9) + 0.5));
}

QPoint ToPixel(const QPointF& p) {
    return {Coord(p.x()), Coord(p.y())};
}

bool Fits16(const QList<QPoint>& points) {
    return std::all_of(points.begin(), points.end(), [](const QPoint& p) {
        return p.x() >= -32768 && p.x() <= 32767 && p.y() >= -32768 && p.y() <= 32767;
    });
}

// Inclusive bounds of the points, widened by the pen's reach.
TRectL BoundsOf(const QList<QList<QPoint>>& lists, int margin) {
    bool any = false;
    TRectL b;
    for (const auto& list : lists)
        for (const QPoint& p : list) {
            if (!any) b = {p.x(), p.y(), p.x(), p.y()};
            b.Left = std::min(b.Left, p.x());
            b.Top = std::min(b.Top, p.y());
            b.Right = std::max(b.Right, p.x());
            b.Bottom = std::max(b.Bottom, p.y());
            any = true;
        }
    return {b.Left - margin, b.Top - margin, b.Right + margin, b.Bottom + margin};
}

// The classic one-pixel dash styles in pixels, as the drawing adapter gives them.
quint32 ClassicStyle(const QList<qreal>& pattern) {
    static const QList<QList<qreal>> styles = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
    for (int i = 0; i < styles.size(); ++i)
        if (pattern == styles[i]) return PS_DASH + quint32(i);
    return PS_USERSTYLE;
}

// When the path is exactly what addRoundedRect makes of some rectangle, that rectangle and the radii.
bool RoundedRectOf(const QPainterPath& path, QRectF& box, qreal& rx, qreal& ry) {
    const int n = path.elementCount();
    if (n < 13 || !path.elementAt(0).isMoveTo()) return false;
    box = path.boundingRect();
    int firstCurve = 1;
    while (firstCurve < n && path.elementAt(firstCurve).type != QPainterPath::CurveToElement)
        ++firstCurve;
    if (firstCurve + 2 >= n) return false;
    ry = path.elementAt(0).y - box.top();
    rx = path.elementAt(firstCurve + 2).x - box.left();
    if (rx <= 0 || ry <= 0) return false;
    QPainterPath candidate;
    candidate.addRoundedRect(box, rx, ry);
    if (candidate.elementCount() != n) return false;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element a = path.elementAt(i), b = candidate.elementAt(i);
        if (a.type != b.type || std::abs(a.x - b.x) > 1e-6 || std::abs(a.y - b.y) > 1e-6) return false;
    }
    return true;
}

constexpr qreal kMaxDashes = 200000;

// The dashes of a line under a pattern of dash and gap lengths, starting with a dash. One-pixel lines
// count their length in steps along the longer axis, as their pixels are laid; wider ones along the
// line.
QList<QPolygonF> DashesOf(const QPolygonF& line, const QList<quint32>& pattern, bool steps) {
    QList<QPolygonF> dashes;
    QPolygonF current{line.first()};
    qsizetype index = 0;
    qreal left = pattern[0];
    bool on = true;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], b = line[i];
        const qreal dx = b.x() - a.x(), dy = b.y() - a.y();
        const qreal length = steps ? std::max(std::abs(dx), std::abs(dy)) : std::hypot(dx, dy);
        qreal at = 0;
        while (length - at > left) {
            at += left;
            const QPointF p = a + (b - a) * (at / length);
            if (on) {
                current.append(p);
                dashes.append(current);
                current.clear();
            } else {
                current = {p};
            }
            on = !on;
            index = (index + 1) % pattern.size();
            left = pattern[index];
        }
        left -= length - at;
        if (on) current.append(b);
    }
    if (on && current.size() >= 2) dashes.append(current);
    return dashes;
}

// The state of the device context as far as the records have set it.
struct TDcState {
    quint32 Pen = BLACK_PEN, Brush = WHITE_BRUSH, Font = SYSTEM_FONT;
    quint32 TextColor = 0, BkColor = 0xFFFFFF, FillMode = ALTERNATE;
};

struct TObject {
    quint32 Handle = 0;
    quint32 Type = 0;
    QByteArray Key; // the creation record after its handle field
};

} // namespace

class TEmfPaintEngine : public QPaintEngine {
public:
    TEmfPaintEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override;
    bool end() override;
    void updateState(const QPaintEngineState& state) override;
    void drawRects(const QRectF* rects, int rectCount) override;
    void drawLines(const QLineF* lines, int lineCount) override;
    void drawEllipse(const QRectF& r) override;
    void drawPath(const QPainterPath& path) override;
    void drawPoints(const QPointF* points, int pointCount) override;
    void drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) override;
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override;
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                   Qt::ImageConversionFlags flags) override;
    Type type() const override { return QPaintEngine::User; }

    void SetDashesAsSegments(bool on) { FDashesAsSegments = on; }
    bool DashesAsSegments() const { return FDashesAsSegments; }

    const QByteArray& Body() const { return FBody; }
    quint32 RecordCount() const { return FRecordCount; }
    quint16 HandleCount() const { return quint16(std::min<quint32>(FHandleHigh + 1, 0xFFFF)); }

private:
    void Emit(TRecordBuilder& record) {
        FBody.append(record.Finish());
        ++FRecordCount;
    }
    void EmitSimple(quint32 type, quint32 value) {
        TRecordBuilder r(type);
        r.U32(value);
        Emit(r);
    }

    // ---- Objects ----
    quint32 NewHandle();
    bool Referenced(quint32 handle) const;
    void ReleaseUnused();
    quint32 Select(quint32 selected, quint32 type, const QByteArray& key, quint32 stock);
    // solid: the pen without its dashes, for lines written as their dashes.
    void SelectPen(bool solid = false);
    void SelectBrush();
    void SelectNullPen();
    void SelectFont(const QFont& font, qreal scale, qint32 escapement);

    // ---- State ----
    void SaveDc();
    void RestoreDc();
    void ApplyClip();
    void SetClip(Qt::ClipOperation op, const QRegion& deviceRegion);
    void ApplyBackground();
    void SetFillMode(quint32 mode);
    void SetTextColor(quint32 color);
    // Clip and background before any output; pen and brush for outlined and filled shapes.
    void PrepareStroke(bool solidPen = false);
    void PrepareShape();

    bool PenVisible() const { return FPen.style() != Qt::NoPen && FPen.color().alpha() > 0; }
    bool BrushVisible() const { return FBrush.style() != Qt::NoBrush && FBrush.color().alpha() > 0; }
    qreal TransformScale() const { return std::sqrt(std::abs(FTransform.determinant())); }
    qreal PenDeviceWidth() const;
    // One-pixel pens whose caps cover the end point: the classic line leaves the end pixel out, so
    // the recorded end lies one step further along the last segment.
    bool ExtendsEnd() const { return PenPixels() == 1 && FPen.capStyle() != Qt::FlatCap; }
    // The line with its end one step further when ExtendsEnd.
    QPolygonF OpenLine(const QPolygonF& device) const;
    int PenPixels() const { return std::max(1, Coord(PenDeviceWidth())); }
    // The pen's dash pattern in pixels when it needs a user style; empty for solid and classic pens.
    QList<quint32> UserDashes() const;
    bool Axial() const { return FTransform.type() <= QTransform::TxScale; }
    // The classic box of a rectangle given the painter's way (outline through left..left+width).
    TRectL BoxOf(const QRectF& r) const;

    // ---- Output ----
    void EmitPoly(quint32 type16, quint32 type32, const QList<QPoint>& points);
    void EmitPolyPoly(quint32 type16, quint32 type32, const QList<QList<QPoint>>& lists);
    void EmitBox(quint32 type, const TRectL& box);
    void EmitPixel(const QPoint& p, const QColor& color);
    // Open lines (device coordinates) in one record: with the pen, or as their dashes with the
    // solid pen when the device writes dashes as segments.
    void EmitOpenLines(const QList<QPolygonF>& lines);

    bool FDashesAsSegments = false;
    QByteArray FBody;
    quint32 FRecordCount = 0;
    QList<TObject> FObjects;
    QList<bool> FHandleUsed{true}; // index 0 is the metafile itself
    quint32 FHandleHigh = 0;
    TDcState FDc;
    QList<TDcState> FSaved;

    QPen FPen;
    QBrush FBrush;
    QTransform FTransform;

    bool FClipEnabled = false;
    std::optional<QRegion> FClipRegion;  // the painter's clip in device pixels
    std::optional<QRegion> FAppliedClip; // the clip the records have set
    bool FClipSaved = false;             // a SAVEDC holds the state without clip
};

// ---- Objects ----

quint32 TEmfPaintEngine::NewHandle() {
    for (int i = 1; i < FHandleUsed.size(); ++i)
        if (!FHandleUsed[i]) {
            FHandleUsed[i] = true;
            return quint32(i);
        }
    FHandleUsed.append(true);
    FHandleHigh = std::max(FHandleHigh, quint32(FHandleUsed.size() - 1));
    return quint32(FHandleUsed.size() - 1);
}

bool TEmfPaintEngine::Referenced(quint32 handle) const {
    auto uses = [handle](const TDcState& s) {
        return s.Pen == handle || s.Brush == handle || s.Font == handle;
    };
    return uses(FDc) || std::any_of(FSaved.begin(), FSaved.end(), uses);
}

// Objects are deleted as soon as neither the current state nor a saved one selects them: a restore
// must never bring back a deleted object.
void TEmfPaintEngine::ReleaseUnused() {
    for (qsizetype i = FObjects.size() - 1; i >= 0; --i) {
        const quint32 handle = FObjects[i].Handle;
        if (Referenced(handle)) continue;
        EmitSimple(EMR_DELETEOBJECT, handle);
        FHandleUsed[handle] = false;
        FObjects.removeAt(i);
    }
}

quint32 TEmfPaintEngine::Select(quint32 selected, quint32 type, const QByteArray& key, quint32 stock) {
    quint32 wanted = stock;
    if (!key.isEmpty()) {
        wanted = 0;
        for (const TObject& o : FObjects)
            if (o.Type == type && o.Key == key) wanted = o.Handle;
        if (wanted == 0) {
            wanted = NewHandle();
            TRecordBuilder r(type);
            r.U32(wanted).Bytes(key);
            Emit(r);
            FObjects.append({wanted, type, key});
        }
    }
    if (wanted != selected) EmitSimple(EMR_SELECTOBJECT, wanted);
    return wanted;
}

qreal TEmfPaintEngine::PenDeviceWidth() const {
    const qreal width = FPen.widthF();
    if (FPen.isCosmetic() || width == 0) return std::max<qreal>(width, 1);
    return width * TransformScale();
}

QList<quint32> TEmfPaintEngine::UserDashes() const {
    if (!PenVisible() || FPen.style() == Qt::SolidLine) return {};
    const int width = PenPixels();
    // Qt counts dashes in pen widths; the classic pens count pixels.
    const QList<qreal> pattern = FPen.dashPattern();
    if (pattern.isEmpty() || (width == 1 && ClassicStyle(pattern) != PS_USERSTYLE)) return {};
    QList<quint32> entries;
    for (qreal length : pattern)
        entries.append(quint32(std::max(1, Coord(length * width))));
    if (entries.size() % 2 != 0) entries.append(entries.last());
    return entries;
}

void TEmfPaintEngine::SelectPen(bool solid) {
    if (!PenVisible()) {
        SelectNullPen();
        return;
    }
    const int width = PenPixels();
    const QList<quint32> entries = solid ? QList<quint32>() : UserDashes();
    quint32 style = PS_SOLID;
    if (!entries.isEmpty())
        style = PS_USERSTYLE;
    else if (!solid && width == 1 && FPen.style() != Qt::SolidLine &&
             ClassicStyle(FPen.dashPattern()) != PS_USERSTYLE)
        style = ClassicStyle(FPen.dashPattern());
    if (width > 1 || style == PS_USERSTYLE) {
        style |= PS_GEOMETRIC;
        // One-pixel dashes are exactly as long as the pattern says, as on the screen; a cap would
        // lengthen every dash.
        const Qt::PenCapStyle cap = width == 1 ? Qt::FlatCap : FPen.capStyle();
        switch (cap) {
        case Qt::FlatCap:
            style |= PS_ENDCAP_FLAT;
            break;
        case Qt::SquareCap:
            style |= PS_ENDCAP_SQUARE;
            break;
        default:
            style |= PS_ENDCAP_ROUND;
            break;
        }
        switch (FPen.joinStyle()) {
        case Qt::BevelJoin:
            style |= PS_JOIN_BEVEL;
            break;
        case Qt::RoundJoin:
            style |= PS_JOIN_ROUND;
            break;
        default:
            style |= PS_JOIN_MITER;
            break;
        }
    }
    TRecordBuilder key(0);
    // offBmi, cbBmi, offBits, cbBits: no pattern bitmap.
    key.U32(0).U32(0).U32(0).U32(0);
    key.U32(style).U32(quint32(width)).U32(BS_SOLID).U32(ColorRef(FPen.color())).U32(0);
    key.U32(quint32(entries.size()));
    for (quint32 e : entries)
        key.U32(e);
    FDc.Pen = Select(FDc.Pen, EMR_EXTCREATEPEN, key.Finish().mid(8), 0);
    ReleaseUnused();
}

void TEmfPaintEngine::SelectNullPen() {
    FDc.Pen = Select(FDc.Pen, EMR_EXTCREATEPEN, {}, NULL_PEN);
    ReleaseUnused();
}

void TEmfPaintEngine::SelectBrush() {
    QByteArray key;
    if (BrushVisible()) {
        quint32 style = BS_SOLID, hatch = 0;
        switch (FBrush.style()) {
        case Qt::HorPattern:
            style = BS_HATCHED, hatch = 0;
            break;
        case Qt::VerPattern:
            style = BS_HATCHED, hatch = 1;
            break;
        case Qt::FDiagPattern:
            style = BS_HATCHED, hatch = 2;
            break;
        case Qt::BDiagPattern:
            style = BS_HATCHED, hatch = 3;
            break;
        case Qt::CrossPattern:
            style = BS_HATCHED, hatch = 4;
            break;
        case Qt::DiagCrossPattern:
            style = BS_HATCHED, hatch = 5;
            break;
        default:
            break; // gradients and textures fall back to their base colour
        }
        QColor color = FBrush.color();
        if (FBrush.gradient() && !FBrush.gradient()->stops().isEmpty())
            color = FBrush.gradient()->stops().first().second;
        TRecordBuilder r(0);
        r.U32(style).U32(ColorRef(color)).U32(hatch);
        key = r.Finish().mid(8);
    }
    FDc.Brush = Select(FDc.Brush, EMR_CREATEBRUSHINDIRECT, key, NULL_BRUSH);
    ReleaseUnused();
}

void TEmfPaintEngine::SelectFont(const QFont& font, qreal scale, qint32 escapement) {
    qreal pixels =
        font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * paintDevice()->logicalDpiY() / 72.0;
    const qint32 height = -std::max(1, Coord(pixels * scale));
    quint8 pitchAndFamily = 0;
    switch (font.styleHint()) {
    case QFont::Serif:
        pitchAndFamily = 0x10;
        break; // FF_ROMAN
    case QFont::SansSerif:
        pitchAndFamily = 0x20;
        break; // FF_SWISS
    case QFont::TypeWriter:
        pitchAndFamily = 0x31;
        break; // FF_MODERN | FIXED_PITCH
    default:
        break;
    }
    TRecordBuilder r(0);
    // LogFont
    r.I32(height).I32(0).I32(escapement).I32(escapement).I32(std::clamp(int(font.weight()), 1, 1000));
    // No underline or strike-out: the painter draws those lines itself, as lines.
    r.U8(font.italic() ? 1 : 0).U8(0).U8(0);
    r.U8(1); // DEFAULT_CHARSET: the text is Unicode
    r.U8(0).U8(0).U8(0).U8(pitchAndFamily);
    r.Utf16(font.family().left(31), 32);
    // The rest of LogFontPanose: full name, style, version, style size, match, reserved, vendor,
    // culture, panose and padding, all left empty.
    r.Utf16(QString(), 64).Utf16(QString(), 32);
    r.U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    r.U32(0).U32(0).U32(0);
    FDc.Font = Select(FDc.Font, EMR_EXTCREATEFONTINDIRECTW, r.Finish().mid(8), 0);
    ReleaseUnused();
}

// ---- State ----

void TEmfPaintEngine::SaveDc() {
    TRecordBuilder r(EMR_SAVEDC);
    Emit(r);
    FSaved.append(FDc);
}

void TEmfPaintEngine::RestoreDc() {
    if (FSaved.isEmpty()) return;
    TRecordBuilder r(EMR_RESTOREDC);
    r.I32(-1);
    Emit(r);
    FDc = FSaved.takeLast();
    ReleaseUnused();
}

// A clip is set inside a saved state, so dropping or replacing it is a restore: the classic
// records can narrow a clip but not widen it.
void TEmfPaintEngine::ApplyClip() {
    const std::optional<QRegion> wanted = FClipEnabled ? FClipRegion : std::nullopt;
    if (wanted == FAppliedClip) return;
    if (FClipSaved) {
        RestoreDc();
        FClipSaved = false;
    }
    FAppliedClip = wanted;
    if (!wanted) return;
    SaveDc();
    FClipSaved = true;
    if (wanted->rectCount() <= 1) {
        const QRect r = wanted->boundingRect();
        TRecordBuilder rec(EMR_INTERSECTCLIPRECT);
        rec.Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
        Emit(rec);
        return;
    }
    TRecordBuilder rec(EMR_EXTSELECTCLIPRGN);
    const QRect bounds = wanted->boundingRect();
    const quint32 rectBytes = quint32(wanted->rectCount()) * 16;
    rec.U32(32 + rectBytes).U32(RGN_COPY);
    rec.U32(32).U32(1).U32(quint32(wanted->rectCount())).U32(rectBytes); // RDH_RECTANGLES
    rec.Rect(bounds.left(), bounds.top(), bounds.left() + bounds.width(), bounds.top() + bounds.height());
    for (const QRect& r : *wanted)
        rec.Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    Emit(rec);
}

void TEmfPaintEngine::SetClip(Qt::ClipOperation op, const QRegion& deviceRegion) {
    if (op == Qt::NoClip)
        FClipRegion.reset();
    else if (op == Qt::IntersectClip && FClipRegion)
        FClipRegion = *FClipRegion & deviceRegion;
    else
        FClipRegion = deviceRegion;
    FClipEnabled = FClipRegion.has_value();
}

// The painter fills opaque backgrounds itself for engines of our kind (the gaps of dashed lines as a
// line of the background colour beneath, the cells of text as rectangles), so the device context
// stays transparent; its background colour still follows the painter's.
void TEmfPaintEngine::ApplyBackground() {
    if (!state) return;
    const quint32 color = ColorRef(state->backgroundBrush().color());
    if (color != FDc.BkColor) {
        EmitSimple(EMR_SETBKCOLOR, color);
        FDc.BkColor = color;
    }
}

void TEmfPaintEngine::SetFillMode(quint32 mode) {
    if (mode == FDc.FillMode) return;
    EmitSimple(EMR_SETPOLYFILLMODE, mode);
    FDc.FillMode = mode;
}

void TEmfPaintEngine::SetTextColor(quint32 color) {
    if (color == FDc.TextColor) return;
    EmitSimple(EMR_SETTEXTCOLOR, color);
    FDc.TextColor = color;
}

void TEmfPaintEngine::PrepareStroke(bool solidPen) {
    ApplyClip();
    ApplyBackground();
    SelectPen(solidPen);
}

void TEmfPaintEngine::PrepareShape() {
    PrepareStroke();
    SelectBrush();
}

QPolygonF TEmfPaintEngine::OpenLine(const QPolygonF& device) const {
    QPolygonF line = device;
    if (!ExtendsEnd() || line.size() < 2) return line;
    const QPointF previous = line[line.size() - 2], end = line.last();
    const qreal dx = end.x() - previous.x(), dy = end.y() - previous.y();
    const qreal steps = std::max(std::abs(dx), std::abs(dy));
    // A one-step line arrives as a single point: it covers that pixel, so it goes one step right.
    line.last() = steps < 1e-9 ? end + QPointF(1, 0) : QPointF(end.x() + dx / steps, end.y() + dy / steps);
    return line;
}

TRectL TEmfPaintEngine::BoxOf(const QRectF& r) const {
    const QRectF d = FTransform.mapRect(r).normalized();
    // The painter's outline runs through left and left + width and its fill covers up to
    // left + width; the classic box leaves its right and bottom edge out.
    return {Coord(d.left()), Coord(d.top()), Coord(d.right()) + 1, Coord(d.bottom()) + 1};
}

// ---- Output ----

void TEmfPaintEngine::EmitPoly(quint32 type16, quint32 type32, const QList<QPoint>& points) {
    const bool narrow = Fits16(points);
    const TRectL b = BoundsOf({points}, Coord(PenDeviceWidth() / 2));
    TRecordBuilder r(narrow ? type16 : type32);
    r.Rect(b.Left, b.Top, b.Right, b.Bottom).U32(quint32(points.size()));
    for (const QPoint& p : points)
        if (narrow)
            r.I16(qint16(p.x())).I16(qint16(p.y()));
        else
            r.I32(p.x()).I32(p.y());
    Emit(r);
}

void TEmfPaintEngine::EmitPolyPoly(quint32 type16, quint32 type32, const QList<QList<QPoint>>& lists) {
    const bool narrow = std::all_of(lists.begin(), lists.end(), Fits16);
    const TRectL b = BoundsOf(lists, Coord(PenDeviceWidth() / 2));
    quint32 total = 0;
    for (const auto& list : lists)
        total += quint32(list.size());
    TRecordBuilder r(narrow ? type16 : type32);
    r.Rect(b.Left, b.Top, b.Right, b.Bottom).U32(quint32(lists.size())).U32(total);
    for (const auto& list : lists)
        r.U32(quint32(list.size()));
    for (const auto& list : lists)
        for (const QPoint& p : list)
            if (narrow)
                r.I16(qint16(p.x())).I16(qint16(p.y()));
            else
                r.I32(p.x()).I32(p.y());
    Emit(r);
}

void TEmfPaintEngine::EmitBox(quint32 type, const TRectL& box) {
    TRecordBuilder r(type);
    r.Rect(box.Left, box.Top, box.Right, box.Bottom);
    Emit(r);
}

void TEmfPaintEngine::EmitPixel(const QPoint& p, const QColor& color) {
    ApplyClip();
    TRecordBuilder r(EMR_SETPIXELV);
    r.I32(p.x()).I32(p.y()).U32(ColorRef(color));
    Emit(r);
}

void TEmfPaintEngine::EmitOpenLines(const QList<QPolygonF>& lines) {
    QList<quint32> dashes = FDashesAsSegments ? UserDashes() : QList<quint32>();
    if (!dashes.isEmpty()) {
        // Lines reaching far beyond the picture keep the dashed pen rather than become millions
        // of dashes.
        qreal length = 0, period = 0;
        for (const QPolygonF& line : lines)
            for (qsizetype i = 1; i < line.size(); ++i)
                length += QLineF(line[i - 1], line[i]).length();
        for (quint32 d : dashes)
            period += d;
        if (length / period > kMaxDashes) dashes.clear();
    }
    PrepareStroke(!dashes.isEmpty());
    QList<QList<QPoint>> lists;
    for (const QPolygonF& device : lines) {
        if (device.size() < 2) continue;
        const QPolygonF line = OpenLine(device);
        const QList<QPolygonF> pieces =
            dashes.isEmpty() ? QList<QPolygonF>{line} : DashesOf(line, dashes, PenPixels() == 1);
        for (const QPolygonF& piece : pieces) {
            QList<QPoint> points;
            points.reserve(piece.size());
            for (const QPointF& p : piece)
                points.append(ToPixel(p));
            lists.append(points);
        }
    }
    if (lists.size() == 1)
        EmitPoly(EMR_POLYLINE16, EMR_POLYLINE, lists.first());
    else if (!lists.isEmpty())
        EmitPolyPoly(EMR_POLYPOLYLINE16, EMR_POLYPOLYLINE, lists);
}

// ---- QPaintEngine ----

bool TEmfPaintEngine::begin(QPaintDevice*) {
    FDc = TDcState();
    FSaved.clear();
    FClipEnabled = false;
    FClipRegion.reset();
    FAppliedClip.reset();
    FClipSaved = false;
    FTransform = QTransform();
    SaveDc();
    EmitSimple(EMR_SETTEXTALIGN, TA_BASELINE);
    EmitSimple(EMR_SETBKMODE, TRANSPARENT); // see ApplyBackground
    setActive(true);
    return true;
}

bool TEmfPaintEngine::end() {
    while (!FSaved.isEmpty())
        RestoreDc();
    FClipSaved = false;
    setActive(false);
    return true;
}

void TEmfPaintEngine::updateState(const QPaintEngineState& changed) {
    const DirtyFlags flags = changed.state();
    if (flags & DirtyPen) FPen = changed.pen();
    if (flags & DirtyBrush) FBrush = changed.brush();
    if (flags & DirtyTransform) FTransform = changed.transform();
    if (flags & DirtyClipRegion) SetClip(changed.clipOperation(), FTransform.map(changed.clipRegion()));
    if (flags & DirtyClipPath) {
        const QPainterPath& path = changed.clipPath();
        SetClip(changed.clipOperation(), QRegion(path.toFillPolygon(FTransform).toPolygon(), path.fillRule()));
    }
    if (flags & DirtyClipEnabled) FClipEnabled = changed.isClipEnabled() && FClipRegion.has_value();
}

void TEmfPaintEngine::drawRects(const QRectF* rects, int rectCount) {
    if (!PenVisible() && !BrushVisible()) return;
    for (int i = 0; i < rectCount; ++i) {
        const QRectF& r = rects[i];
        if (!Axial()) {
            drawPolygon(QPolygonF(r).constData(), 4, OddEvenMode);
            continue;
        }
        const TRectL box = BoxOf(r);
        if (!PenVisible() && FBrush.style() == Qt::SolidPattern && box.Right - box.Left == 2 &&
            box.Bottom - box.Top == 2) {
            EmitPixel({box.Left, box.Top}, FBrush.color());
            continue;
        }
        PrepareShape();
        EmitBox(EMR_RECTANGLE, box);
    }
}

void TEmfPaintEngine::drawLines(const QLineF* lines, int lineCount) {
    if (!PenVisible() || lineCount <= 0) return;
    QList<QPolygonF> device;
    device.reserve(lineCount);
    for (int i = 0; i < lineCount; ++i)
        device.append(QPolygonF{FTransform.map(lines[i].p1()), FTransform.map(lines[i].p2())});
    EmitOpenLines(device);
}

void TEmfPaintEngine::drawEllipse(const QRectF& r) {
    if (!PenVisible() && !BrushVisible()) return;
    if (!Axial()) {
        QPainterPath path;
        path.addEllipse(r);
        drawPath(path);
        return;
    }
    PrepareShape();
    EmitBox(EMR_ELLIPSE, BoxOf(r));
}

void TEmfPaintEngine::drawPath(const QPainterPath& path) {
    if (!PenVisible() && !BrushVisible()) return;
    QRectF box;
    qreal rx = 0, ry = 0;
    if (Axial() && RoundedRectOf(path, box, rx, ry)) {
        PrepareShape();
        const TRectL b = BoxOf(box);
        TRecordBuilder r(EMR_ROUNDRECT);
        r.Rect(b.Left, b.Top, b.Right, b.Bottom);
        r.I32(Coord(2 * rx * std::abs(FTransform.m11()))).I32(Coord(2 * ry * std::abs(FTransform.m22())));
        Emit(r);
        return;
    }
    const QList<QPolygonF> polygons = path.toSubpathPolygons(FTransform);
    if (polygons.isEmpty()) return;
    const bool allClosed = std::all_of(polygons.begin(), polygons.end(), [](const QPolygonF& p) {
        return p.size() > 2 && p.first() == p.last();
    });
    QList<QList<QPoint>> closed;
    for (const QPolygonF& polygon : polygons) {
        QList<QPoint> points;
        for (qsizetype i = 0; i + (polygon.isClosed() ? 1 : 0) < polygon.size(); ++i)
            points.append(ToPixel(polygon[i]));
        if (points.size() >= 2) closed.append(points);
    }
    if (BrushVisible() || allClosed) {
        SetFillMode(path.fillRule() == Qt::WindingFill ? WINDING : ALTERNATE);
        PrepareShape();
        if (!allClosed) SelectNullPen(); // open figures get their outline below, without closing lines
        if (closed.size() == 1)
            EmitPoly(EMR_POLYGON16, EMR_POLYGON, closed.first());
        else if (!closed.isEmpty())
            EmitPolyPoly(EMR_POLYPOLYGON16, EMR_POLYPOLYGON, closed);
        if (allClosed) return;
    }
    if (PenVisible()) EmitOpenLines(polygons);
}

void TEmfPaintEngine::drawPoints(const QPointF* points, int pointCount) {
    if (!PenVisible()) return;
    const int width = PenPixels();
    if (width == 1) {
        for (int i = 0; i < pointCount; ++i)
            EmitPixel(ToPixel(FTransform.map(points[i])), FPen.color());
        return;
    }
    // A wide point is a dot of the pen's colour covering width pixels around it; without an
    // outline the classic box reaches one pixel further.
    const QPen pen = FPen;
    const QBrush brush = FBrush;
    FBrush = QBrush(pen.color());
    FPen = QPen(Qt::NoPen);
    PrepareShape();
    for (int i = 0; i < pointCount; ++i) {
        const QPoint c = ToPixel(FTransform.map(points[i]));
        const TRectL box{c.x() - width / 2, c.y() - width / 2, c.x() - width / 2 + width + 1,
                         c.y() - width / 2 + width + 1};
        EmitBox(pen.capStyle() == Qt::RoundCap ? EMR_ELLIPSE : EMR_RECTANGLE, box);
    }
    FPen = pen;
    FBrush = brush;
}

void TEmfPaintEngine::drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) {
    if (pointCount < 2) return;
    QPolygonF device;
    device.reserve(pointCount);
    for (int i = 0; i < pointCount; ++i)
        device.append(FTransform.map(points[i]));
    if (mode == PolylineMode) {
        if (PenVisible()) EmitOpenLines({device});
        return;
    }
    if (!PenVisible() && !BrushVisible()) return;
    SetFillMode(mode == WindingMode ? WINDING : ALTERNATE);
    PrepareShape();
    QList<QPoint> pixels;
    pixels.reserve(pointCount);
    for (const QPointF& p : device)
        pixels.append(ToPixel(p));
    EmitPoly(EMR_POLYGON16, EMR_POLYGON, pixels);
}

void TEmfPaintEngine::drawTextItem(const QPointF& p, const QTextItem& textItem) {
    const QString text = textItem.text();
    if (text.isEmpty() || !PenVisible()) return;
    const QFont font = textItem.font();
    const qreal scale = std::hypot(FTransform.m11(), FTransform.m12());
    // Counter-clockwise on the screen, in tenths of a degree.
    qint32 escapement = Coord(std::atan2(-FTransform.m12(), FTransform.m11()) * 1800 / std::numbers::pi);
    escapement = ((escapement % 3600) + 3600) % 3600;
    ApplyClip();
    ApplyBackground();
    SelectFont(font, scale, escapement);
    SetTextColor(ColorRef(FPen.color()));

    // Character advances fitted to the laid-out width, so the text takes the same room on every
    // player whatever font it substitutes.
    const QFontMetricsF metrics(font, paintDevice());
    QList<qreal> ends(text.size() + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ends[i + 1] = ends[i] + metrics.horizontalAdvance(text.mid(i, 2));
            ends[i + 2] = ends[i + 1];
            ++i;
            continue;
        }
        ends[i + 1] = ends[i] + metrics.horizontalAdvance(text[i]);
    }
    const qreal fit = ends.last() > 0 ? textItem.width() / ends.last() : 1;

    const QPoint reference = ToPixel(FTransform.map(p));
    const QRect bounds = FTransform
                             .mapRect(QRectF(p.x(), p.y() - textItem.ascent(), textItem.width(),
                                             textItem.ascent() + textItem.descent()))
                             .toAlignedRect();
    TRecordBuilder r(EMR_EXTTEXTOUTW);
    r.Rect(bounds.left(), bounds.top(), bounds.right(), bounds.bottom());
    r.U32(2).F32(0).F32(0); // GM_ADVANCED: no scaling of the text by the player
    const quint32 stringOffset = 76;
    const quint32 dxOffset = stringOffset + quint32((text.size() * 2 + 3) / 4 * 4);
    r.I32(reference.x()).I32(reference.y()).U32(quint32(text.size())).U32(stringOffset);
    r.U32(0).Rect(0, 0, 0, 0).U32(dxOffset); // no options, no clipping or opaque rectangle
    r.Utf16(text).Pad();
    for (qsizetype i = 0; i < text.size(); ++i)
        r.I32(Coord(ends[i + 1] * fit * scale) - Coord(ends[i] * fit * scale));
    Emit(r);
}

void TEmfPaintEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
}

void TEmfPaintEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                                Qt::ImageConversionFlags) {
    const QRect source = sr.toAlignedRect() & image.rect();
    if (source.isEmpty()) return;
    // Far beyond any figure: a bitmap this large is left out rather than a record of gigabytes.
    if (qint64(source.width()) * source.height() > 64 * 1024 * 1024) return;
    QImage part = image.copy(source);
    if (part.hasAlphaChannel()) {
        // The classic bitmap has no alpha: see-through pixels become white, like the paper.
        QImage flat(part.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, part);
        painter.end();
        part = flat;
    } else {
        part = part.convertToFormat(QImage::Format_RGB32);
    }
    const QRect dest = FTransform.mapRect(r).toRect();
    if (dest.isEmpty()) return;
    ApplyClip();
    const quint32 width = quint32(part.width()), height = quint32(part.height());
    const quint32 bitsSize = width * height * 4;
    TRecordBuilder rec(EMR_STRETCHDIBITS);
    rec.Rect(dest.left(), dest.top(), dest.right(), dest.bottom());
    rec.I32(dest.left()).I32(dest.top()).I32(0).I32(0).I32(qint32(width)).I32(qint32(height));
    rec.U32(80).U32(40).U32(120).U32(bitsSize);
    rec.U32(0).U32(0x00CC0020); // DIB_RGB_COLORS, SRCCOPY
    rec.I32(dest.width()).I32(dest.height());
    // BITMAPINFOHEADER of a bottom-up 32-bit bitmap.
    rec.U32(40).I32(qint32(width)).I32(qint32(height)).U16(1).U16(32).U32(0).U32(bitsSize);
    rec.U32(0).U32(0).U32(0).U32(0);
    for (int y = part.height() - 1; y >= 0; --y)
        rec.Bytes(
            QByteArray::fromRawData(reinterpret_cast<const char*>(part.constScanLine(y)), int(width * 4)));
    Emit(rec);
}

// ---- Device ----

TEmfPaintDevice::TEmfPaintDevice(QSize size, qreal dotsPerInch)
    : FSize(size.expandedTo(QSize(1, 1))),
      FDotsPerInch(std::isfinite(dotsPerInch) && dotsPerInch > 0 ? dotsPerInch : 96),
      FEngine(std::make_unique<TEmfPaintEngine>()) {}

TEmfPaintDevice::~TEmfPaintDevice() = default;

QPaintEngine* TEmfPaintDevice::paintEngine() const {
    return FEngine.get();
}

int TEmfPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return FSize.width();
    case PdmHeight:
        return FSize.height();
    case PdmWidthMM:
        return Coord(FSize.width() * 25.4 / FDotsPerInch);
    case PdmHeightMM:
        return Coord(FSize.height() * 25.4 / FDotsPerInch);
    case PdmNumColors:
        return INT_MAX;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return Coord(FDotsPerInch);
    default:
        return QPaintDevice::metric(metric);
    }
}

void TEmfPaintDevice::SetDashesAsSegments(bool on) {
    FEngine->SetDashesAsSegments(on);
}

bool TEmfPaintDevice::DashesAsSegments() const {
    return FEngine->DashesAsSegments();
}

QByteArray TEmfPaintDevice::Bytes() const {
    const QString description = QStringLiteral("Tarvelo");
    const quint32 descriptionChars = quint32(description.size()) + 2; // the name, then two nulls
    TRecordBuilder header(EMR_HEADER);
    const qint32 width = FSize.width(), height = FSize.height();
    // 0.01 mm per pixel at the given resolution; a reference device of ten inches keeps the pixel
    // to millimetre ratio exact.
    const qreal hmm = 2540.0 / FDotsPerInch;
    const quint32 headerSize = kHeaderSize + (descriptionChars * 2 + 3) / 4 * 4;
    const quint32 eofSize = 20;
    const quint32 total = headerSize + quint32(FEngine->Body().size()) + eofSize;
    header.Rect(0, 0, width - 1, height - 1);
    header.Rect(0, 0, Coord(width * hmm) - 1, Coord(height * hmm) - 1);
    header.U32(kSignature).U32(0x00010000).U32(total).U32(FEngine->RecordCount() + 2);
    header.U16(FEngine->HandleCount()).U16(0);
    header.U32(descriptionChars).U32(kHeaderSize).U32(0);
    header.I32(Coord(FDotsPerInch * 10)).I32(Coord(FDotsPerInch * 10)).I32(254).I32(254);
    header.U32(0).U32(0).U32(0);    // no pixel format, no OpenGL
    header.U32(254000).U32(254000); // the reference device in micrometres
    header.Utf16(description, descriptionChars);
    QByteArray bytes = header.Finish();
    bytes.append(FEngine->Body());
    TRecordBuilder eof(EMR_EOF);
    eof.U32(0).U32(16).U32(eofSize); // no palette
    bytes.append(eof.Finish());
    return bytes;
}

bool TEmfPaintDevice::SaveTo(const QString& path, QString* error) const {
    QSaveFile file(path);
    const QByteArray bytes = Bytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}
