#include "app/Settings.h"

#include "files/SafeSave.h"
#include "model/GraphOwner.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace settings {

namespace {

const char* const kColorKeys[TColorScheme::FieldCount] = {
    "OutSide",   "Inside",       "ActiveBorder",   "UnActiveBorder", "Axis",      "Grid",
    "SubGrid",   "AxText",       "TopCaption",     "BottomCaption",  "Symbol",    "Points",
    "SelPoints", "GraphDefault", "LegendBackgrnd", "LegendBorder",   "LegendText"};

// Font sections, their fonts and the colours that colour them too, in the order of the store.
struct TFontSection {
    const char* Name;
    TFontSettings TSettings::*Font;
    TColorScheme::Field ColorField;
};
constexpr TFontSection kFontSections[] = {
    {"LabelFont", &TSettings::AxisFont, TColorScheme::AxText},
    {"SymbolFont", &TSettings::SymbolFont, TColorScheme::Symbol},
    {"TopCaptionFont", &TSettings::TopCaptionFont, TColorScheme::TopCaption},
    {"BottomCaptionFont", &TSettings::BottomCaptionFont, TColorScheme::BottomCaption},
    {"LegendFont", &TSettings::LegendFont, TColorScheme::LegendText}};

constexpr TRange kSubGridDivider{kSubGridLines.Min + 1, kSubGridLines.Max + 1};
constexpr TRange kCharset{0, 255};
constexpr int kMaxFontName = 31;

// Names a key with the range its value must lie in. The visitor sees every key of the store in the
// store's order; S is TSettings or const TSettings.
template <typename S, typename V> void VisitKeys(S& s, V&& v) {
    v.Bool("MultiAxis", "MultiXAx", s.MultiXAxis);
    v.Bool("MultiAxis", "MultiYAx", s.MultiYAxis);
    v.Bool("MultiAxis", "CombineXAx", s.CombineXAxis);
    v.Bool("MultiAxis", "CombineYAx", s.CombineYAxis);

    v.Bool("DrawPolicy", "AllowMoveX", s.AllowPosX);
    v.Bool("DrawPolicy", "AllowMoveY", s.AllowPosY);
    v.Bool("DrawPolicy", "AllowScaleX", s.AllowScaleX);
    v.Bool("DrawPolicy", "AllowScaleY", s.AllowScaleY);
    v.Bool("DrawPolicy", "SinglePosX", s.SinglePosX);
    v.Bool("DrawPolicy", "SinglePosY", s.SinglePosY);
    v.Bool("DrawPolicy", "SingleScaleX", s.SingleScaleX);
    v.Bool("DrawPolicy", "SingleScaleY", s.SingleScaleY);

    v.Int("Frame", "BorderWidth", s.BorderWidth, kFrameWidth);
    v.Int("Frame", "GridSizeX", s.GridSizeX, kGridSize);
    v.Int("Frame", "GridSizeY", s.GridSizeY, kGridSize);
    v.Bool("Frame", "ShowTicks", s.ShowTicks);
    v.Bool("Frame", "ShowGrid", s.ShowGrid);
    v.Bool("Frame", "ShowAxisMarkers", s.ShowAxisMarkers);
    v.Bool("Frame", "ShowAxisNotches", s.ShowAxisNotches);
    v.Bool("Frame", "AnimatedMenu", s.AnimatedMenu);
    v.Bool("Frame", "AnimatedMove", s.AnimatedMove);
    v.Bool("Frame", "AnimatedZoom", s.AnimatedZoom);
    v.Bool("Frame", "AnimatedUndo", s.AnimatedUndo);
    v.Int("Frame", "AnimationTime", s.AnimationTime, kAnimationTime);
    v.Int("Frame", "SubGridDividerX", s.SubGridDividerX, kSubGridDivider);
    v.Int("Frame", "SubGridDividerY", s.SubGridDividerY, kSubGridDivider);
    v.Int("Frame", "LegendBorderWidth", s.LegendBorderWidth, kLegendWidth);
    v.Int("Frame", "AxisWidth", s.AxisWidth, kLineWidth);
    v.Int("Frame", "AxisStyle", s.AxisStyle, kLineStyle);
    v.Real("Frame", "AxisScale", s.AxisScale, kLineScaleMin, kLineScaleMax);
    v.Int("Frame", "GridWidth", s.GridWidth, kLineWidth);
    v.Int("Frame", "GridStyle", s.GridStyle, kLineStyle);
    v.Real("Frame", "GridScale", s.GridScale, kLineScaleMin, kLineScaleMax);
    v.Int("Frame", "SubGridWidth", s.SubGridWidth, kLineWidth);
    v.Int("Frame", "SubGridStyle", s.SubGridStyle, kLineStyle);
    v.Real("Frame", "SubGridScale", s.SubGridScale, kLineScaleMin, kLineScaleMax);

    for (int f = 0; f < TColorScheme::FieldCount; ++f)
        v.Color("Colors", kColorKeys[f], s.Colors[f]);

    v.Bool("GraphPalette", "UseIt", s.UsePalette);
    for (int i = 0; i < int(s.Palette.size()); ++i)
        v.Color("GraphPalette", QStringLiteral("Graph%1").arg(i + 1, 2, 10, QLatin1Char('0')), s.Palette[i]);

    v.Int("Margins", "Left", s.MarginLeft, kMargin);
    v.Int("Margins", "Top", s.MarginTop, kMargin);
    v.Int("Margins", "Right", s.MarginRight, kMargin);
    v.Int("Margins", "Bottom", s.MarginBottom, kMargin);

    v.Bool("Labels", "XAxis", s.ShowXAxisLabels);
    v.Bool("Labels", "YAxis", s.ShowYAxisLabels);
    v.Bool("Labels", "YAxisVertical", s.VerticalYFont);

    v.Real("Scales", "InitialXScale", s.InitialScaleX, kInitialScaleMin, kInitialScaleMax);
    v.Real("Scales", "InitialYScale", s.InitialScaleY, kInitialScaleMin, kInitialScaleMax);
    v.Real("Scales", "NormalZoomSpeed", s.ZoomNormal, kZoomSpeedMin, kZoomSpeedMax);
    v.Real("Scales", "SlowZoomSpeed", s.ZoomSlow, kZoomSpeedMin, kZoomSpeedMax);

    for (const TFontSection& section : kFontSections) {
        auto& font = s.*section.Font;
        v.Bool(section.Name, "StrikOut", font.StrikeOut);
        v.Bool(section.Name, "Bold", font.Bold);
        v.Bool(section.Name, "Italic", font.Italic);
        v.Bool(section.Name, "UnderLine", font.Underline);
        v.Color(section.Name, "Color", font.Color);
        v.FontSize(section.Name, "Size", font.Size);
        v.Text(section.Name, "Name", font.Name, kMaxFontName);
        v.Int(section.Name, "CharSet", font.Charset, kCharset);
    }

    v.Bool("Common", "Ask_Before_Exit", s.AskBeforeExit);
    v.Bool("Common", "Auto select new graphs", s.AutoSelectNewGraphs);
    v.Int("Common", "DblClickAction", s.DblClickAction, kDblClickAction);
    v.Int("Common", "ExportColorScheme", s.ExportColorScheme, kExportScheme);
    v.Bool("Common", "Symbolic Markers", s.SymbolicMarker);
    v.Bool("Common", "Export to Bitmap", s.BitmapExport);
    v.Int("Common", "Emf export scale", s.EmfExportScale, kEmfScale);
    v.Int("Common", "Bitmap export scale", s.BmpExportScale, kBmpScale);
    v.Int("Common", "Plot width", s.PlotWidth, kPlotSize);
    v.Int("Common", "Plot height", s.PlotHeight, kPlotSize);

    v.Bool("WndZoom", "MultiWndZoom", s.MultiWndZoom);
    v.Bool("WndZoom", "WndZoom and Edit reset by mouse", s.ResetByRightButton);
    v.Bool("WndZoom", "WndZoom reset by mouse wheel", s.ResetZoomByWheel);
}

QString Name(const char* text) {
    return QString::fromLatin1(text);
}
const QString& Name(const QString& text) {
    return text;
}

// Takes each value that is present, readable and in range; the others keep their defaults.
struct TReader {
    const TIniDocument& Ini;

    template <typename K> std::optional<int32_t> Integer(const char* section, const K& key) const {
        const std::optional<QString> text = Ini.Value(Name(section), Name(key));
        return text ? ini::ToInt(*text) : std::nullopt;
    }
    template <typename K> void Bool(const char* section, const K& key, bool& value) const {
        if (const auto v = Integer(section, key)) value = *v != 0;
    }
    template <typename K> void Int(const char* section, const K& key, int32_t& value, TRange range) const {
        if (const auto v = Integer(section, key); v && range.Holds(*v)) value = *v;
    }
    // True when the value was taken.
    template <typename K> bool Color(const char* section, const K& key, TColor& value) const {
        const auto v = Integer(section, key);
        if (!v || !ValidColor(*v)) return false;
        value = *v;
        return true;
    }
    template <typename K> void FontSize(const char* section, const K& key, int32_t& value) const {
        if (const auto v = Integer(section, key); v && kFontSize.Holds(std::abs(int64_t(*v)))) value = *v;
    }
    template <typename K>
    void Real(const char* section, const K& key, long double& value, long double min, long double max) const {
        const std::optional<QString> text = Ini.Value(Name(section), Name(key));
        if (const auto v = text ? ini::ToReal(*text) : std::nullopt; v && *v >= min && *v <= max) value = *v;
    }
    template <typename K> void Text(const char* section, const K& key, QString& value, int maxLength) const {
        const std::optional<QString> text = Ini.Value(Name(section), Name(key));
        if (!text || text->isEmpty() || text->size() > maxLength) return;
        for (QChar c : *text)
            if (!c.isPrint()) return;
        value = *text;
    }
};

struct TWriter {
    TIniDocument& Ini;

    template <typename K> void Put(const char* section, const K& key, const QString& text) {
        Ini.SetValue(Name(section), Name(key), text);
    }
    template <typename K> void Bool(const char* section, const K& key, bool value) {
        Put(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
    }
    template <typename K> void Int(const char* section, const K& key, int32_t value, TRange) {
        Put(section, key, QString::number(value));
    }
    template <typename K> void Color(const char* section, const K& key, TColor value) {
        Put(section, key, QString::number(value));
    }
    template <typename K> void FontSize(const char* section, const K& key, int32_t value) {
        Put(section, key, QString::number(value));
    }
    template <typename K>
    void Real(const char* section, const K& key, long double value, long double, long double) {
        Put(section, key, ini::FromReal(value));
    }
    template <typename K> void Text(const char* section, const K& key, const QString& value, int) {
        Put(section, key, value);
    }
};

TFontSettings FontSettings(const TFontRec& f) {
    return {bool(f.StyleBits & TFontRec::StrikeOut),
            f.IsBold(),
            f.IsItalic(),
            bool(f.StyleBits & TFontRec::Underline),
            f.Color,
            f.Size,
            f.Name,
            f.Charset};
}

// The font with its style cleared and set again, then the colour, size, name and character set.
TFontRec FontRec(TFontRec f, const TFontSettings& s) {
    f.StyleBits = uint8_t((s.StrikeOut ? TFontRec::StrikeOut : 0) | (s.Bold ? TFontRec::Bold : 0) |
                          (s.Italic ? TFontRec::Italic : 0) | (s.Underline ? TFontRec::Underline : 0));
    f.Color = s.Color;
    f.Size = s.Size;
    f.Name = s.Name;
    f.Charset = uint8_t(s.Charset);
    return f;
}

} // namespace

QStringList FontNameList(const QStringList& cyrillic, const QStringList& symbol) {
    QStringList names;
    for (const QStringList* list : {&cyrillic, &symbol})
        for (const QString& name : *list)
            if (!names.contains(name)) names.append(name);
    return names;
}

QString ShownFontName(const QString& name, const QStringList& installed, const QStringList& fallbacks) {
    for (const QString& wanted : QStringList{name} + fallbacks)
        for (const QString& font : installed)
            if (font.compare(wanted, Qt::CaseInsensitive) == 0) return font;
    return installed.value(0);
}

bool ValidColor(TColor c) {
    const uint32_t bits = uint32_t(c);
    return bits <= 0x00FFFFFFu || (bits >= 0xFF000000u && bits <= 0xFF00001Eu);
}

TSettings Capture(const TSuperGrWindow& w) {
    TSettings s;
    s.BorderWidth = w.BrdrWidth();
    s.GridSizeX = w.GridSizeX();
    s.GridSizeY = w.GridSizeY();
    s.ShowTicks = w.ShowTicks();
    s.ShowGrid = w.ShowGrid();
    s.ShowAxisMarkers = w.ShowAxisMarkers();
    s.ShowAxisNotches = w.ShowAxisNotches();
    s.AnimatedMenu = w.AnimatedMenu;
    s.AnimatedMove = w.AnimatedMove;
    s.AnimatedZoom = w.AnimatedZoom;
    s.AnimatedUndo = w.AnimatedUndo;
    s.AnimationTime = int32_t(w.AnimationTime());
    s.SubGridDividerX = w.SubGridDividerX();
    s.SubGridDividerY = w.SubGridDividerY();
    s.LegendBorderWidth = w.LegendBorderWidth();
    s.AxisWidth = w.AxisWidth();
    s.AxisStyle = w.AxisStyle();
    s.AxisScale = w.AxisScale();
    s.GridWidth = w.GridWidth();
    s.GridStyle = w.GridStyle();
    s.GridScale = w.GridScale();
    s.SubGridWidth = w.SubGridWidth();
    s.SubGridStyle = w.SubGridStyle();
    s.SubGridScale = w.SubGridScale();
    s.MultiXAxis = w.MultiXAxis();
    s.MultiYAxis = w.MultiYAxis();
    s.CombineXAxis = w.CombineXAxis();
    s.CombineYAxis = w.CombineYAxis();
    // An empty window reads no permission; the stored values then stay as they are.
    if (w.GraphCount() > 0) {
        s.AllowPosX = w.DrawPolicy.AllowPosX();
        s.AllowPosY = w.DrawPolicy.AllowPosY();
        s.AllowScaleX = w.DrawPolicy.AllowScaleX();
        s.AllowScaleY = w.DrawPolicy.AllowScaleY();
    }
    s.SinglePosX = w.DrawPolicy.SinglePosX();
    s.SinglePosY = w.DrawPolicy.SinglePosY();
    s.SingleScaleX = w.DrawPolicy.SingleScaleX();
    s.SingleScaleY = w.DrawPolicy.SingleScaleY();
    for (int f = 0; f < TColorScheme::FieldCount; ++f)
        s.Colors[f] = w.Colors.Get(TColorScheme::Field(f));
    s.UsePalette = w.UsePalette;
    for (int i = 0; i < int(s.Palette.size()); ++i)
        s.Palette[i] = w.GraphsPalette.Get(i);
    s.MarginLeft = w.Margins.Left();
    s.MarginTop = w.Margins.Top();
    s.MarginRight = w.Margins.Right();
    s.MarginBottom = w.Margins.Bottom();
    s.ShowXAxisLabels = w.ShowXAxisLabels();
    s.ShowYAxisLabels = w.ShowYAxisLabels();
    s.VerticalYFont = w.VerticalYFont();
    s.InitialScaleX = w.InitialScaleX;
    s.InitialScaleY = w.InitialScaleY;
    s.ZoomNormal = w.ZoomSpeed.ZoomNormal();
    s.ZoomSlow = w.ZoomSpeed.ZoomSlowx1();
    s.AxisFont = FontSettings(w.AxisFont());
    s.SymbolFont = FontSettings(w.SymbolFont());
    s.TopCaptionFont = FontSettings(w.TopCaptionFont());
    s.BottomCaptionFont = FontSettings(w.BottomCaptionFont());
    s.LegendFont = FontSettings(w.LegendFont());
    s.SymbolicMarker = w.SymbolicMarker;
    s.BitmapExport = w.BitmapExport;
    s.EmfExportScale = w.EmfExportScale;
    s.BmpExportScale = w.BmpExportScale;
    s.MultiWndZoom = w.MultiWndZoom;
    s.ResetByRightButton = w.ResetByRightButton;
    s.ResetZoomByWheel = w.ResetZoomByWheel;
    return s;
}

void Apply(const TSettings& s, TSuperGrWindow& w) {
    const TUndoRecordingPause quiet(w);
    const bool repaint = w.AllowRepaint;
    w.AllowRepaint = false;

    w.SetBrdrWidth(s.BorderWidth);
    w.SetGridSizeX(s.GridSizeX);
    w.SetGridSizeY(s.GridSizeY);
    w.SetShowTicks(s.ShowTicks);
    w.SetShowGrid(s.ShowGrid);
    w.SetShowAxisMarkers(s.ShowAxisMarkers);
    w.SetShowAxisNotches(s.ShowAxisNotches);
    w.AnimatedMenu = s.AnimatedMenu;
    w.AnimatedMove = s.AnimatedMove;
    w.AnimatedZoom = s.AnimatedZoom;
    w.AnimatedUndo = s.AnimatedUndo;
    w.SetAnimationTime(uint32_t(s.AnimationTime));
    w.SetSubGridDividerX(s.SubGridDividerX);
    w.SetSubGridDividerY(s.SubGridDividerY);
    w.SetLegendBorderWidth(s.LegendBorderWidth);
    w.SetAxisWidth(s.AxisWidth);
    w.SetAxisStyle(s.AxisStyle);
    w.SetAxisScale(s.AxisScale);
    w.SetGridWidth(s.GridWidth);
    w.SetGridStyle(s.GridStyle);
    w.SetGridScale(s.GridScale);
    w.SetSubGridWidth(s.SubGridWidth);
    w.SetSubGridStyle(s.SubGridStyle);
    w.SetSubGridScale(s.SubGridScale);

    w.SetMultiAxes(s.MultiXAxis, s.MultiYAxis);
    w.SetCombineAxes(s.CombineXAxis, s.CombineYAxis);

    w.DrawPolicy.SetAllowPos(s.AllowPosX, s.AllowPosY);
    w.DrawPolicy.SetAllowScale(s.AllowScaleX, s.AllowScaleY);
    w.DrawPolicy.AlignPositions(s.SinglePosX, s.SinglePosY);
    w.DrawPolicy.AlignScales(s.SingleScaleX, s.SingleScaleY);

    for (int f = 0; f < TColorScheme::FieldCount; ++f)
        w.Colors.Set(TColorScheme::Field(f), s.Colors[f]);
    w.UsePalette = s.UsePalette;
    for (int i = 0; i < int(s.Palette.size()); ++i)
        w.GraphsPalette.Set(i, s.Palette[i]);

    w.Margins.SetLeft(s.MarginLeft);
    w.Margins.SetTop(s.MarginTop);
    w.Margins.SetRight(s.MarginRight);
    w.Margins.SetBottom(s.MarginBottom);

    w.SetShowXAxisLabels(s.ShowXAxisLabels);
    w.SetShowYAxisLabels(s.ShowYAxisLabels);
    w.SetVerticalYFont(s.VerticalYFont);

    w.InitialScaleX = s.InitialScaleX;
    w.InitialScaleY = s.InitialScaleY;
    w.ZoomSpeed.SetZoomNormal(s.ZoomNormal);
    w.ZoomSpeed.SetZoomSlowx1(s.ZoomSlow);

    w.SetAxisFont(FontRec(w.AxisFont(), s.AxisFont));
    w.SetSymbolFont(FontRec(w.SymbolFont(), s.SymbolFont));
    w.SetTopCaptionFont(FontRec(w.TopCaptionFont(), s.TopCaptionFont));
    w.SetBottomCaptionFont(FontRec(w.BottomCaptionFont(), s.BottomCaptionFont));
    w.SetLegendFont(FontRec(w.LegendFont(), s.LegendFont));

    w.SymbolicMarker = s.SymbolicMarker;
    w.BitmapExport = s.BitmapExport;
    w.EmfExportScale = s.EmfExportScale;
    w.BmpExportScale = s.BmpExportScale;

    w.MultiWndZoom = s.MultiWndZoom;
    w.ResetByRightButton = s.ResetByRightButton;
    w.ResetZoomByWheel = s.ResetZoomByWheel;

    w.AllowRepaint = repaint;
    w.Relayout();
}

TSettings FromIni(const TIniDocument& ini, int plotWidth, int plotHeight) {
    TSettings s;
    s.PlotWidth = plotWidth;
    s.PlotHeight = plotHeight;
    const TReader reader{ini};
    VisitKeys(s, reader);
    // The "Colors" keys colour their fonts as well (the window ties them); a font's own colour
    // overrides that only when the font section gives one.
    for (const TFontSection& section : kFontSections) {
        TFontSettings& font = s.*section.Font;
        if (!reader.Color(section.Name, "Color", font.Color)) font.Color = s.Colors[section.ColorField];
    }
    return s;
}

TIniDocument ToIni(const TSettings& s) {
    TIniDocument ini;
    VisitKeys(s, TWriter{ini});
    return ini;
}

QString UserStoreFile() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Ostrel/Tarvelo/V1/MainWindow.ini");
}

std::optional<TSettings> ReadUserStore(const TSettings& current) {
    const QString store = UserStoreFile();
    QString error;
    if (!QFileInfo::exists(store) && !WriteFile(store, current, error)) return std::nullopt;
    TIniDocument ini;
    if (!ReadFile(store, ini, error)) return std::nullopt;
    return FromIni(ini, current.PlotWidth, current.PlotHeight);
}

bool ReadFile(const QString& fileName, TIniDocument& ini, QString& error) {
    // Far beyond any settings file; a bigger one is not read at all.
    constexpr qint64 kMaxSize = 16 << 20;
    QFile file(fileName);
    int32_t code = 0;
    if (!filesave::OpenForReading(file,
                                  QStringLiteral("Невозможно прочитать файл ") + filesave::Quoted(fileName) +
                                      QLatin1Char('.'),
                                  code, error))
        return false;
    if (file.size() > kMaxSize) {
        error = QStringLiteral("Файл ") + filesave::Quoted(fileName) + QStringLiteral(" слишком велик.");
        return false;
    }
    ini = TIniDocument::Parse(file.read(kMaxSize));
    return true;
}

bool WriteIniFile(const QString& fileName, const TIniDocument& ini, QString& error) {
    const QString folder = QFileInfo(fileName).absolutePath();
    // A folder that cannot be made fails the writing below, which tells why.
    QDir().mkpath(folder);
    const QByteArray bytes = ini.ToBytes();
    int32_t code = 0;
    return filesave::SaveReplacing(
        fileName, true, false, [&](QIODevice& out) { return out.write(bytes) == bytes.size(); }, code, error);
}

bool WriteFile(const QString& fileName, const TSettings& settings, QString& error) {
    return WriteIniFile(fileName, ToIni(settings), error);
}

} // namespace settings
