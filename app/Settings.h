// The program's settings: the look and behaviour of the graph window and the main window's switches,
// kept between runs in the per-user store and in settings files the user picks. Both stores are INI
// files of the same layout (app/IniFile.h); every value read is checked against its range, and a
// missing, unreadable or out-of-range value takes the default below: the look of a fresh start
// (TSuperGrWindow::ApplyDefaultLook), so that a file with some sections only changes nothing else.
#pragma once

#include "app/IniFile.h"
#include "model/ColorScheme.h"
#include "model/Font.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class TSuperGrWindow;

namespace settings {

struct TFontSettings {
    bool StrikeOut = false, Bold = false, Italic = false, Underline = false;
    TColor Color = clWindowText;
    int32_t Size = 10; // points; negative: the cell height in points
    QString Name = QStringLiteral("Arial");
    int32_t Charset = 204;
    bool operator==(const TFontSettings&) const = default;
};

struct TSettings {
    // "Frame"
    int32_t BorderWidth = 1;
    int32_t GridSizeX = 74, GridSizeY = 42; // a step below 1 draws no grid lines of its kind
    bool ShowTicks = true, ShowGrid = true, ShowAxisMarkers = true, ShowAxisNotches = true;
    bool AnimatedMenu = true, AnimatedMove = true, AnimatedZoom = true, AnimatedUndo = true;
    int32_t AnimationTime = 400; // the window keeps its own above 1000
    int32_t SubGridDividerX = 2, SubGridDividerY = 2;
    int32_t LegendBorderWidth = 1;
    int32_t AxisWidth = 1, AxisStyle = 1;
    long double AxisScale = 0.6L;
    int32_t GridWidth = 1, GridStyle = 2;
    long double GridScale = 0.6L;
    int32_t SubGridWidth = 1, SubGridStyle = 2;
    long double SubGridScale = 0.5L;
    // "MultiAxis"
    bool MultiXAxis = true, MultiYAxis = true, CombineXAxis = true, CombineYAxis = true;
    // "DrawPolicy"
    bool AllowPosX = true, AllowPosY = true, AllowScaleX = true, AllowScaleY = true;
    bool SinglePosX = true, SinglePosY = true, SingleScaleX = true, SingleScaleY = true;
    // "Colors", by TColorScheme::Field
    std::array<TColor, TColorScheme::FieldCount> Colors = {
        clBtnFace,   clWindow,     clHotLight,   clHotLight,   clWindowText, clBtnShadow,
        clScrollBar, clWindowText, clWindowText, clWindowText, clWindowText, clHighlight,
        clRed,       clWindowText, clInfoBk,     clBackground, clWindowText};
    // "GraphPalette"
    bool UsePalette = true;
    std::array<TColor, 18> Palette = {0x0080FF, 0xFF00FF, 0xFFFF00, 0x0000FF, 0x00FF00, 0xFF0000,
                                      0x008080, 0x800000, 0x800080, 0x008000, 0x808000, 0x000080,
                                      0xFF0080, 0xC0C0C0, 0xA0A0A0, 0x808080, 0x505050, 0x383838};
    // "Margins"
    int32_t MarginLeft = 2, MarginTop = 1, MarginRight = 4, MarginBottom = 2;
    // "Labels"
    bool ShowXAxisLabels = true, ShowYAxisLabels = true, VerticalYFont = true;
    // "Scales"
    long double InitialScaleX = 0.95L, InitialScaleY = 0.95L;
    long double ZoomNormal = 1.3L, ZoomSlow = 1.005L;
    // The five fonts: Arial of 13, 16 bold, 16 bold and 14 pixels, and the window's own legend font.
    // A font without a colour of its own takes the one of its "Colors" key.
    TFontSettings AxisFont{.Size = -10}, SymbolFont{.Bold = true, .Size = -12},
        TopCaptionFont{.Bold = true, .Size = -12}, BottomCaptionFont{.Size = -11},
        LegendFont{.Size = 8, .Name = QStringLiteral("Microsoft Sans Serif"), .Charset = 1};
    // "Common": the main window's switches and the export options.
    int32_t ExportColorScheme = 0; // 0 as is, 1 white background, 2 darkened, 3 black and white
    bool AskBeforeExit = true, AutoSelectNewGraphs = false;
    int32_t DblClickAction = 5;
    bool SymbolicMarker = true, BitmapExport = false;
    int32_t EmfExportScale = 2, BmpExportScale = 2;
    int32_t PlotWidth = 850, PlotHeight = 500; // the graph window's size
    // "WndZoom"
    bool MultiWndZoom = true, ResetByRightButton = true, ResetZoomByWheel = true;

    bool operator==(const TSettings&) const = default;
};

// The ranges a value must lie in, shared by the reader and the settings dialog.
struct TRange {
    int32_t Min, Max;
    bool Holds(long long v) const { return v >= Min && v <= Max; }
};
inline constexpr TRange kFrameWidth{1, 25}, kLineWidth{0, 25}, kLegendWidth{1, 25};
inline constexpr TRange kGridSize{0, 999}, kSubGridLines{0, 9}, kLineStyle{0, 4};
inline constexpr TRange kAnimationTime{100, 10000}, kMargin{0, 999};
inline constexpr TRange kEmfScale{1, 50}, kBmpScale{1, 4}, kExportScheme{0, 3}, kDblClickAction{0, 5};
inline constexpr TRange kFontSize{4, 200}, kPlotSize{50, 10000};
inline constexpr long double kZoomSpeedMin = 1, kZoomSpeedMax = 3;
inline constexpr long double kInitialScaleMin = 0.01L, kInitialScaleMax = 10;
inline constexpr long double kLineScaleMin = 0.001L, kLineScaleMax = 32767;

// The font names the settings dialog offers: the fonts for Cyrillic, then the symbol fonts, each name
// once, in the order given.
QStringList FontNameList(const QStringList& cyrillic, const QStringList& symbol);
// The entry a font-name box shows for a font: its own name when installed (in any case), else the
// first installed of the fallbacks, else the first name of the list; empty for an empty list.
QString ShownFontName(const QString& name, const QStringList& installed, const QStringList& fallbacks);

// A colour a store may hold: an explicit 0x00BBGGRR value or a system colour reference.
bool ValidColor(TColor c);

// The settings the window holds now. The main window's switches and the plot size keep their
// defaults: the main window fills them in.
TSettings Capture(const TSuperGrWindow& window);
// Applies the window's settings through its setters, recording no undo step. The main window applies
// the switches and the plot size itself, the plot size last.
void Apply(const TSettings& settings, TSuperGrWindow& window);

// Every key of every section; a missing or bad value takes the default (the plot size: the size
// given, the graph window's current one).
TSettings FromIni(const TIniDocument& ini, int plotWidth, int plotHeight);
// Every key in the order of the store.
TIniDocument ToIni(const TSettings& settings);

// The per-user store, read at start-up and by "Новый рисунок": a store that does not exist yet is
// first written from `current`, so the first start keeps the look it has. Nothing when the store
// cannot be read.
std::optional<TSettings> ReadUserStore(const TSettings& current);

// The per-user store: $XDG_CONFIG_HOME/Ostrel/Tarvelo/V1/MainWindow.ini (~/.config without it).
QString UserStoreFile();
// Reads a settings file; false with a message when it cannot be read.
bool ReadFile(const QString& fileName, TIniDocument& ini, QString& error);
// Writes through a temporary file and a rename, creating the folder; false with a message when the
// file cannot be written, the old file then stays as it was.
bool WriteIniFile(const QString& fileName, const TIniDocument& ini, QString& error);
bool WriteFile(const QString& fileName, const TSettings& settings, QString& error);

} // namespace settings
