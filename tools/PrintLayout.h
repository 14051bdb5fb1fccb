// The page layout of the print dialog without widgets: paper, margins, the graph area on the sheet,
// its relative positions (built-in and saved by name), named margin sets, display units, the preview's
// geometry, editing the area with the mouse and the target rectangle on the printer.
// Lengths on paper are in tenths of a millimetre.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QPageSize>
#include <QString>
#include <optional>

enum class TPrintUnit { Millimetres, Centimetres, Inches };

struct TPrintUnitInfo {
    QString Name;
    double Factor; // from tenths of a millimetre
    int Decimals;  // at most, trailing zeros dropped
    QString Abbreviation;
};
const TPrintUnitInfo& PrintUnitInfo(TPrintUnit unit);
QString FormatLength(double tenths, TPrintUnit unit);
// A typed number in the unit, in tenths of a millimetre; none when the text is not a number or is
// longer than 100 m.
std::optional<double> ParseLength(const QString& text, TPrintUnit unit);

// A paper the printer offers: its size as reported for portrait.
struct TPrintForm {
    QPageSize Size;
    QString Name;
    double Width = 0, Height = 0;
};
TPrintForm PrintFormFor(const QPageSize& size);

// A relative position: fractions of the sheet's part inside the margins.
struct TGraphPreset {
    QString Name;
    double X0 = 0, Y0 = 0, X1 = 1, Y1 = 1;
    bool KeepProportions = true;
};

struct TPaperMargins {
    QString Name;
    double Left = 200, Top = 50, Right = 50, Bottom = 50;
};

struct TPrintArea {
    double Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TPrintArea&) const = default;
};
enum class TAreaField { Left, Top, Width, Height };

// The nine ways of dragging the area with the mouse.
enum class TAreaDrag {
    None,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
    Left,
    Right,
    Top,
    Bottom,
    Move,
};

// What the last painting of the preview found, in pixels of the preview box.
struct TPreviewGeometry {
    bool Valid = false; // false without a paper of a usable size: only the frame is drawn
    TRect Sheet, Inside, Area, MarginsRect, Figure;
    double ScaleX = 0, ScaleY = 0; // pixels per tenth of a millimetre
    TRect DragRect;                // the area as the mouse edits it: right and bottom one pixel in
};

// The texts of the dialog's messages.
namespace printmsg {
QString PaperSizeZero();
QString AreaEmpty();
QString NoRoomForPreset();
QString OutsidePrintable();
QString MarginsOutsidePrintable();
QString ReplaceEntry(const QString& name);
QString DeletePreset(const QString& name);
QString DeleteMargins(const QString& name);
} // namespace printmsg

class TPrintLayout {
public:
    static constexpr int kBuiltInPresets = 6;
    TPrintLayout();

    // The paper as reported for portrait; the sheet is it turned by the orientation.
    void SetPaper(double portraitWidth, double portraitHeight, bool landscape);
    bool Landscape() const { return FLandscape; }
    double PaperWidth() const { return FLandscape ? FPortraitHeight : FPortraitWidth; }
    double PaperHeight() const { return FLandscape ? FPortraitWidth : FPortraitHeight; }
    bool PaperUsable() const { return FPortraitWidth > 0 && FPortraitHeight > 0; }

    const TPaperMargins& Margins() const { return FMargins; }
    // Re-applies the chosen preset.
    void SetMargins(const TPaperMargins& margins);

    const TPrintArea& Area() const { return FArea; }
    QString AreaText(TAreaField field) const;
    // A typed value: stored when it reads as a number; a change unselects the preset. False when ignored.
    bool SetAreaText(TAreaField field, const QString& text);
    // The area from the mouse: unselects the preset when it changed.
    void SetArea(const TPrintArea& area);

    TPrintUnit Unit = TPrintUnit::Millimetres;

    bool KeepProportions() const { return FKeepProportions; }
    // Unselects the preset when it differs from the preset's own.
    void SetKeepProportions(bool keep);

    const QList<TGraphPreset>& Presets() const { return FPresets; }
    int ChosenPreset() const { return FChosen; }
    // Takes the preset's proportions choice and applies it; -1 chooses none.
    void ChoosePreset(int index);
    // Places the area by the chosen preset on the paper inside the margins (nothing without both).
    void ApplyPreset();
    bool CanSavePreset() const { return FChosen < 0; }
    bool CanDeletePreset() const { return FChosen >= kBuiltInPresets; }
    int FindPreset(const QString& name) const;
    // The current placement as a relative position; none when the margins leave no room on the sheet.
    std::optional<TGraphPreset> PresetFromArea(const QString& name) const;
    // Replaces the entry of that name or appends a new one, and chooses it.
    void SavePreset(const TGraphPreset& preset);
    // Only saved entries; leaves no preset chosen.
    void DeletePreset(int index);

    QList<TPaperMargins> MarginSets;
    int FindMarginSet(const QString& name) const;
    // Replaces the values of the set of that name or appends it; its index.
    int SaveMarginSet(const TPaperMargins& margins);

    // Why the figure cannot be printed as laid out (empty when it can).
    QString PrintProblem() const;

    // The preview in a box of pixels for a figure of this width-to-height aspect.
    TPreviewGeometry Preview(const TRect& box, double aspect) const;
    // The printer's target rectangle in device pixels from the paper's corner, kx and ky device pixels
    // per tenth of a millimetre.
    TRect PrintTarget(double kx, double ky, double aspect) const;

    // Whether the printer's target rectangle leaves the printable part of the paper (both in device
    // pixels from the paper's corner).
    static bool OutsidePrintable(const TRect& target, const TRect& printable);

    // The drag kind the mouse would start at this point of the area (also chooses the pointer).
    static TAreaDrag DragAt(const TRect& area, TPoint point);
    TAreaDrag Dragging() const { return FDrag; }
    // A button press: starts the drag that applies there.
    TAreaDrag BeginDrag(const TPreviewGeometry& preview, TPoint point);
    // The mouse moved: true when the area changed.
    bool DragTo(const TPreviewGeometry& preview, TPoint point);
    void EndDrag() { FDrag = TAreaDrag::None; }

private:
    void Unselect();
    double FPortraitWidth = 0, FPortraitHeight = 0;
    bool FLandscape = false;
    TPaperMargins FMargins;
    TPrintArea FArea;
    bool FKeepProportions = true;
    QList<TGraphPreset> FPresets;
    int FChosen = 0;
    TAreaDrag FDrag = TAreaDrag::None;
    TPoint FLastPoint;
};

// The largest size of the aspect width / height inside w × h (nothing for an empty area); the figure
// keeping the window's proportions in the preview and on the printer.
struct TFittedSize {
    double Width = 0, Height = 0;
};
TFittedSize FitAspect(double w, double h, double aspect);
