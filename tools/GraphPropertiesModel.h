// The graph properties dialog without widgets: which graph it edits (held by ID, so that a graph
// deleted meanwhile is noticed), what its controls show and when they are enabled, and every change,
// through the graph's declared properties, inside one undo group for the whole visit.
#pragma once

#include "model/GraphProperties.h"

#include <QString>
#include <type_traits>

class TSuperGrWindow;

// Stores a value through the graph's setter of a declared property: the marker colour and its keep
// flag keep each other in step, the other declarations are their own setters.
template <typename T> void StoreProperty(TGraph& g, const TGraphProperty<T>& p, const T& v, int index = 0) {
    if constexpr (std::is_same_v<T, TColor>)
        if (&p == &TGraphProperties::MarkerColor) return g.SetMarkerColor(v);
    if constexpr (std::is_same_v<T, bool>)
        if (&p == &TGraphProperties::MarkerKeepColor) return g.SetMarkerKeepColor(v);
    p.Set(g, v, index);
}

// The permission check boxes, in the order of the graph's permission flags.
enum class TPermission { ShiftX, ShiftY, ScaleX, ScaleY };

// What the controls show beyond the declared values, and which of them are enabled.
struct TGraphPropertiesView {
    QString Caption;
    int GraphIndex = -1;
    int LayerCount = 0;
    int Layer = 0;
    bool SymbolMarker = false; // "символ" rather than "текст"
    int SymbolEntry = -1;      // the entry of the symbol list, -1 for none
    QString WidthScaleText, BreakLimitText;
    bool GapOn = false;
    int GapChoice = 0; // the break mode shown: 0 along Y, 1 along X, 2 by length
    bool FixedRatio = false, LogX = false, LogY = false;
    bool Permissions[4] = {};
    int PositionX[4] = {}, PositionY[4] = {}; // the position steppers: the negated offsets
    bool MarkerTextEnabled = false, SymbolListEnabled = false, GapControlsEnabled = false;
    bool AxisShown[2] = {}; // X, Y
    bool DesignationTextEnabled[4] = {}, DesignationSymbolEnabled[4] = {};
};

class TGraphPropertiesModel {
public:
    explicit TGraphPropertiesModel(TSuperGrWindow& window) : window_(window) {}

    // Opening: edits the graph at the index (the first one when it is out of range) and opens the
    // visit's undo group. False, with nothing opened, when the window has no graphs.
    bool Open(int graphIndex);
    // The chooser and its stepper; indexes outside the list are ignored.
    void Choose(int graphIndex);
    void Step(int delta) { Choose(GraphIndex() + delta); }
    bool CanStep(int delta) const;
    // The edited graph; null when it was deleted meanwhile.
    TGraph* Graph() const;
    int GraphIndex() const;
    // After the window's graph list changed: a deleted graph gives way to the graph now at its index
    // (or the last one). False when no graph is left.
    bool FollowGraphList();
    // Reads everything the controls show; stores nothing.
    TGraphPropertiesView Load() const;

    // A declared property of the edited graph.
    template <typename T> T Value(const TGraphProperty<T>& p, int index = 0) const {
        const TGraph* g = Graph();
        return g ? p.Get(*g, index) : T{};
    }
    template <typename T> void Set(const TGraphProperty<T>& p, const T& v, int index = 0) {
        if (TGraph* g = Graph()) {
            StoreProperty(*g, p, v, index);
            changes_ = true;
        }
    }

    // The controls that do more than store one declared value.
    void SetLayer(int layer);
    void SetFixedRatio(bool on);
    void SetPermission(TPermission which, bool on);
    void SetLog(TAxis axis, bool on);
    void ChooseTextMarker();
    void ChooseSymbolMarker();
    void ChooseSymbolEntry(int entry);
    void InsertNameAsMarkerText();
    void InsertLayerAsMarkerText();
    void DeleteAllMarkers();
    // A text that is not a number is ignored (false).
    bool SetWidthScaleText(const QString& text);
    void StepWidthScale(int steps);
    // A text that is not a number stores nothing (false: the dialog says so).
    bool SetBreakLimitText(const QString& text);
    // The gap box and the shown choice (0 along Y, 1 along X, 2 by length).
    void SetGap(bool on, int choice);
    // The show box of an axis (0 X, 1 Y) with the shown textual choices of its two designations.
    void SetAxisDesignations(int axis, bool show, bool dataIsText, bool dimensionIsText);
    // A position stepper: the offset is the negated position, the other offset stays.
    void SetDesignationPosition(TDesignation d, bool horizontal, int position);

    // Leaving the dialog: apply keeps every change, cancel undoes them in one step, and leaving for
    // another window keeps them. Each ends the visit's undo group.
    void Apply();
    void Cancel();
    void Leave();

private:
    void SetDesignationIsText(TDesignation d, bool isText);

    TSuperGrWindow& window_;
    int32_t id_ = -1;
    int lastIndex_ = -1;
    bool changes_ = false;
    int gapChoice_ = 0; // the mode shown while the gap box is unticked
};
