// The main window's decisions, free of widgets: status-bar texts and icons, which commands a state
// enables, the commands that only change the figure, the double-click actions, the legend placement
// of "show legend", the keys and the closing rule. The window only shows what these say.
#pragma once

#include "model/ost2_Types.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class TSuperGrWindow;
class TGraph;

namespace mainstate {

// ---- Status bar texts ----

// A coordinate as the status bar shows it: fixed point, 16 significant digits, 6 decimals
// ("1.500000", "-0.000123"); beyond 16 integer digits the short exponent form ("1E20").
QString FormatCoordinate(Extended value);
// A date/time value (days since 30.12.1899): the short date, and the long time unless it is
// exactly midnight.
QString FormatDateTime(Extended days);
// Panel 0 for a mouse position in client pixels: " X= x;  Y= y" in the data coordinates of the top
// graph (" T= date;  Y= y" on a date/time argument, 10^v on a logarithmic axis); empty without graphs.
QString CoordinatesText(TSuperGrWindow& window, int x, int y);
QString ModifiedText(bool modified);
QString ToolModeText(TToolMode mode);
QString EditModeText(TEditMode mode);

// ---- Status bar icons ----

// With n graphs, m of them allowing the change along X and l along Y.
int ScaleIconFor(int n, int m, int l);
int MoveIconFor(int n, int m, int l);
int AxesIconFor(bool combineX, bool combineY);
struct TPermissionCounts {
    int Graphs = 0, ScaleX = 0, ScaleY = 0, ShiftX = 0, ShiftY = 0;
};
TPermissionCounts CountPermissions(const TSuperGrWindow& window);
// The three icons' numbers, and whether the first two react to clicks (while graphs exist).
struct TStatusIcons {
    int Scale = 10, Move = 1, Axes = 18;
    bool Enabled = false;
};
// The scaling and offset icons for the graphs' permissions.
void CountPermissionIcons(TStatusIcons& icons, const TSuperGrWindow& window);

// How one axis of a state icon is drawn.
enum class TAxisState { None, Some, All };
struct TIconLook {
    enum class TKind { Scale, Move, Axes } Kind = TKind::Scale;
    TAxisState X = TAxisState::None, Y = TAxisState::None;
};
// What an icon number (0 .. 21) shows.
TIconLook IconLook(int icon);
// The look of an alignment choice: scales (else offsets) aligned along X, along Y.
TIconLook AlignmentLook(bool scales, bool x, bool y);

// ---- Status bar geometry ----

inline constexpr int PanelCount = 7;
inline constexpr int DesignWidths[PanelCount] = {200, 11, 30, 120, 120, 300, 75};
// The panels' rectangles in a bar of this size: panel 5 takes the width left over (at least 0).
QList<TRect> PanelRects(int barWidth, int barHeight);
// Panel 5: one swatch per graph in layer order; cut off at the panel's right edge.
QList<TRect> SwatchRects(const TRect& panel, int graphCount);
// The list index of the graph whose swatch holds the point, or -1.
int SwatchGraphAt(const TSuperGrWindow& window, const TRect& panel, int x, int y);
// Graph list indexes in layer order (layer 0 first).
QList<int> GraphsInLayerOrder(const TSuperGrWindow& window);
// The selection dot is black on a light swatch and white on a dark one.
bool DarkSelectionDot(TColor rgb);
// Panel 6: the three state icons.
QList<TRect> IconRects(const TRect& panel);
// Which icon (0 .. 2) holds the point, or -1.
int IconAt(const TRect& panel, int x, int y);

// ---- Commands ----

// When a command is enabled.
enum class TEnabledRule {
    Always,
    WithGraphs,    // while graphs exist
    WithUndo,      // while there is a step to undo
    WithRedo,      // while there is a step to redo
    WithSavedAxes, // after the axes were saved
    NodeWork,      // the node editing commands: not while a zoom mode is active in node work
};
struct TCommandState {
    bool Graphs = false, Undo = false, Redo = false, SavedAxes = false;
    TToolMode Tool = tmNothing;
    TZoomMode Zoom = zmNone;
    // A file work runs off the GUI thread: no command may change what it reads.
    bool Busy = false;
};
bool CommandEnabled(TEnabledRule rule, const TCommandState& state);
// The rule NodeWork: false while a zoom mode is active in node work.
bool NodeActionsEnabled(TToolMode tool, TZoomMode zoom);
// Which of the three zoom commands is checked for a zoom mode (empty for none).
QString CheckedZoomAction(TZoomMode mode);
// The zoom mode a zoom command sets when it is checked.
TZoomMode ZoomModeForAction(const QString& action);
QString LegendActionCaption(bool legendShown);
// A message as the dialogs show it: the classic line breaks "\r" and "\n\r" become "\n".
QString DialogText(const QString& message);

// ---- Commands that only change the figure ----

// Clears the binding groups of every graph, in one undo step.
void CancelBinding(TSuperGrWindow& window);
// Hides a shown legend. Shows a hidden one, with its top-left corner on the client point when one is
// given; showing and placing are one undo step.
void ToggleLegend(TSuperGrWindow& window, const std::optional<TPoint>& corner);
// Opening the shift-curve choice leaves the inserting and deleting of nodes.
void EndInsertOrDelete(TSuperGrWindow& window);

// ---- Double click ----

enum class TDblClickResult { Done, ShowProperties, Nothing };
// Applies the double-click action (0 .. 5) to the graph at the list index.
TDblClickResult ApplyDoubleClick(TSuperGrWindow& window, int index, int action);

// ---- Graph context menu: layers ----

enum class TLayerMove { ToTop, ToBottom, Up, Down };
void MoveLayer(TSuperGrWindow& window, int index, TLayerMove move);

// ---- Permissions of the menus: (offset X, offset Y, scale X, scale Y) ----

struct TPermissionSet {
    bool ShiftX = false, ShiftY = false, ScaleX = false, ScaleY = false;
    bool operator==(const TPermissionSet&) const = default;
};
struct TPermissionItem {
    QString Group; // "Смещение и масштабирование", "Только смещение", "Только масштабирование"; empty for
                   // "Запретить всё"
    QString Caption; // "X и Y", "X", "Y", "Запретить всё"
    TPermissionSet Flags;
};
QList<TPermissionItem> PermissionItems();
// Whom the items of a permission menu apply to: all graphs, the selected ones (both through the draw
// policy), one graph, or one graph after the flags of all were cleared.
enum class TPermissionTarget { AllGraphs, SelectedGraphs, Graph, OnlyGraph };
// graph: the list index for the last two targets (nothing happens without such a graph).
void ApplyPermissions(TSuperGrWindow& window, TPermissionTarget target, int graph,
                      const TPermissionSet& flags);

// ---- Legend ----

// The legend offsets that put the legend's top-left corner on a client point, for the legend's
// position and its last size inside the plot rectangle.
TPoint LegendOffsetsForPoint(const TSuperGrWindow& window, int x, int y);
// True when graphs exist and no visible graph is in the legend: the legend dialog is wanted.
bool LegendNeedsDialog(const TSuperGrWindow& window);

// ---- Keys ----

enum class TKeyAction { None, ZoomModeOff, EditModeOff, EditModeOffRefresh, UnselectAndEditModeOff, Pan };
struct TKeyDecision {
    TKeyAction Action = TKeyAction::None;
    int Dx = 0, Dy = 0;
};
// Esc and the pan keys C, Z, X, S (key: the Latin letter in upper case, or 27 for Esc). Pan keys
// do nothing while a text field has focus or Ctrl or Alt is held.
TKeyDecision DecideKey(int key, bool shift, bool ctrlOrAlt, bool textFocus, TZoomMode zoom, TEditMode edit);
// Carries out a decision on the window.
void ApplyKey(TSuperGrWindow& window, const TKeyDecision& decision);

// ---- Closing ----

enum class TAnswer { Yes, No, Cancel };
// Whether the main window may close: asks when the figure is modified and the user wants to be
// asked; "Yes" saves and closes only when the save left nothing unsaved.
bool MayClose(bool modified, bool askBeforeExit, const std::function<TAnswer(const QString&)>& ask,
              const std::function<bool()>& saveAndCheck);
QString CloseQuestion();
QString NewFigureQuestion();

// ---- Window placement ----

// A window's outer rectangle (its frame included) made to lie wholly inside the available area of its
// screen: shrunk where it is larger, then moved in as little as it takes. Sizes and positions come from
// settings and figure files written on other desktops, and a window reaching past the screen's edge
// can put its menu out of reach.
TRect FitOnScreen(const TRect& frame, const TRect& available);

// ---- Window title ----
QString DefaultFileName(); // "Untitled.tvq"

} // namespace mainstate
