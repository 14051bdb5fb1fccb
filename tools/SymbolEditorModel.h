// The symbol editor without widgets: the working symbol and its current element, the element
// operations, undo and redo of whole symbols, the grid and snapping, and the arithmetic of the mouse
// drags and keyboard nudges on the drawing area.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Where a new element goes relative to the current one (the centred one ignores it).
enum class TNewElementPlace { Centre, Superscript, Subscript, Above, Left, Below, Right };

// What a press on the drawing area drags: the whole element, a corner or an edge of its box.
enum class TDragMode { None, Move, TopLeft, TopRight, BottomLeft, BottomRight, Left, Right, Top, Bottom };

class TSymbolEditorModel {
public:
    static constexpr Extended kMinGridStep = 0.01L;
    static constexpr Extended kDefaultGridStep = 0.05L;

    // Starts editing a copy of the symbol with empty undo and redo lists; a symbol without elements
    // starts square and centred. The first element becomes current.
    void Open(const TSymbol& symbol);
    const TSymbol& Symbol() const { return FSymbol; }
    // -1 when there is none; the operations on the current element then do nothing.
    int Current() const { return FCurrent; }
    bool HasCurrent() const { return FCurrent >= 0 && FCurrent < FSymbol.Prims.size(); }
    void SetCurrent(int index);
    // The next (+1) or previous (-1) element becomes current, wrapping around the ends.
    void StepCurrent(int step);
    // Replaces the working symbol (a recent or a library symbol), as one undo step.
    void Replace(const TSymbol& symbol);

    // Appends an empty element placed relative to the current one (centred without one) and makes it
    // current.
    void AddElement(TNewElementPlace place);
    void DeleteCurrent();
    // The text and the character set are taken only when the set's code page can store the text
    // (false otherwise); for the "Default" set the element takes the set that stores it
    // (storedtext::CharsetFor), so that the saved text reads back as shown.
    bool SetText(const QString& text);
    void SetFaceName(const QString& name);
    bool SetCharset(uint8_t charset);
    void SetBold(bool bold);
    void SetItalic(bool italic);
    // Coordinate 0..3: X1, Y1, X2, Y2. A text that is not a number is ignored (false).
    bool SetCoordinateText(int which, const QString& text);
    void SetAspect(Extended aspect);
    void SetAlignment(int32_t hAlign, int32_t vAlign);

    bool CanUndo() const { return !FUndo.isEmpty(); }
    bool CanRedo() const { return !FRedo.isEmpty(); }
    void Undo();
    void Redo();

    // Grid steps below the smallest step take the smallest step.
    void SetGrid(Extended stepX, Extended stepY, bool snap);
    Extended GridX() const { return FGridX; }
    Extended GridY() const { return FGridY; }
    bool Snap() const { return FSnap; }

    // The drawing area in pixels: the symbol's frame is fitted into the area less a tenth of its size
    // on each side.
    void SetArea(int width, int height);
    TRect Frame() const;
    // An element's box in pixels.
    TRect ElementBox(int index) const;
    // What a press at the point would drag: the current element's corners and edges (4 pixels
    // around them) and its inside.
    TDragMode HitTest(int x, int y) const;
    // The first element other than the current one whose box holds the point; -1 for none.
    int ElementAt(int x, int y) const;

    // A drag of the current element: each step applies the whole way from the press to the
    // coordinates of the press; releasing records one undo step with the coordinates from before.
    bool BeginDrag(TDragMode mode, int x, int y);
    void DragTo(int x, int y);
    void EndDrag();
    bool Dragging() const { return FDragMode != TDragMode::None; }

    // Moves the current element by whole steps (both coordinates, or with secondOnly only X2 / Y2):
    // a step is the grid step while snapping, else one pixel. Consecutive nudges are one undo step.
    void Nudge(int stepsX, int stepsY, bool secondOnly);

    // The ratios offered for the proportion, "1:10" … "1:1" … "10:1", and the ratio of a text "a:b"
    // (nothing for other text).
    static QStringList AspectRatios();
    static std::optional<Extended> ParseRatio(const QString& text);

private:
    void RecordUndo();
    void KeepCurrentInRange();
    TPrimitiv& CurrentElement() { return FSymbol.Prims[FCurrent]; }
    Extended SnapX(Extended v) const;
    Extended SnapY(Extended v) const;

    TSymbol FSymbol;
    int FCurrent = -1;
    QList<TSymbol> FUndo, FRedo;
    bool FJoinNudges = false;
    Extended FGridX = kDefaultGridStep, FGridY = kDefaultGridStep;
    bool FSnap = false;
    int FAreaWidth = 0, FAreaHeight = 0;

    TDragMode FDragMode = TDragMode::None;
    int FPressX = 0, FPressY = 0;
    TPrimitiv FAtPress;
    TSymbol FBeforeDrag;
};

// The character sets an element may name, in the order the lists show them.
struct TCharsetEntry {
    const char* Name;
    uint8_t Code;
};
extern const TCharsetEntry kCharsets[19];
// The list entry of a character set; the entry "Default" for a code the list does not hold.
int CharsetEntry(uint8_t code);

// The character picker: 16 columns and 12 rows holding the codes 32 to 127 and 160 to 255.
inline constexpr int kPickerColumns = 16, kPickerRows = 12;
// The code in a cell; 0 for a cell outside the table.
int PickerCode(int column, int row);
// The character a code stands for in the character set (its own code page; the symbol set through
// the symbol font's letters).
QString PickerCharacter(uint8_t charset, int code);
