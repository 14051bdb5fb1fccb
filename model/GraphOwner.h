// What a graph needs from the figure that owns it: its sibling graphs and their binding groups, the
// plot it is mapped into, the undo history, notifications of its changes, and repaints.
#pragma once

#include "model/GraphMapping.h"
#include "model/ost2_Types.h"

#include <QList>
#include <variant>

class TGraph;

// The settings a new graph starts with.
struct TGraphDefaults {
    TColor Color = 0;
    Extended ZoomX = 1, ZoomY = 1;
    bool AllowShiftX = true, AllowShiftY = true, AllowScaleX = true, AllowScaleY = true;
};

// One undo step of a graph beyond a single old value: the operation, the old value the graph hands
// over where the operation keeps one, and the snapshots of all graphs the owner takes with it.
struct TGraphUndoStep {
    enum Snapshot : uint8_t { Views = 1, Layers = 2, Permissions = 4, Groups = 8 };
    using TOldValue =
        std::variant<std::monostate, TIntegerUndoRedoItem, TEditNodes, TUndoRedoSymbol, TSymMarginsItem>;

    TGraphUndoStep(uint8_t op, uint8_t snapshots, TOldValue old = {})
        : Op(op), Snapshots(snapshots), Old(std::move(old)) {}

    uint8_t Op;
    uint8_t Snapshots;
    TOldValue Old;
};

class TGraphOwner {
public:
    virtual ~TGraphOwner() = default;

    // ---- Sibling graphs and binding ----
    virtual int GraphCount() const = 0;
    virtual TGraph* GraphByIndex(int index) const = 0;
    // The list index of the graph on layer 0, -1 without graphs.
    virtual int TopGraphIndex() const = 0;
    enum class GroupKind { PosX, PosY, ScaleX, ScaleY };
    // True while all graphs form one group of the kind, whatever their own group numbers.
    virtual bool SingleGroup(GroupKind kind) const = 0;
    // List indexes of the graphs in a group (by their effective group numbers).
    virtual QList<int> PosGroupMembersX(int32_t group) const = 0;
    virtual QList<int> PosGroupMembersY(int32_t group) const = 0;
    virtual void ScaleGroupClosure(TAxis axis, int32_t group, QList<int>& xList, QList<int>& yList) const = 0;
    virtual TGraphDefaults NewGraphDefaults() const = 0;

    // ---- The plot, in the owner's client pixels ----
    virtual TRect PlotArea() const = 0;
    // The pixel every graph's data centre is drawn at.
    virtual TPoint PlotOrigin() const = 0;
    // How far from a marker a click still picks it.
    virtual int MarkerPickDistance() const = 0;
    // Fits every graph to the plot again and re-imposes the binding groups.
    virtual void Rescale() = 0;
    virtual void Repaint() = 0;
    virtual bool RepaintAllowed() const = 0;
    virtual void SetRepaintAllowed(bool on) = 0;

    // ---- Undo ----
    // Off while a step is replayed or an operation records itself as a whole.
    virtual bool IsRecordingUndo() const = 0;
    virtual void SetRecordingUndo(bool on) = 0;
    // While on, the recorded steps join into one undo step.
    virtual bool UndoGrouping() const = 0;
    virtual void SetUndoGrouping(bool on) = 0;
    // Steps of one old value of the graph `id`.
    virtual void RecordInteger(uint8_t op, int32_t id, int32_t value) = 0;
    virtual void RecordString(uint8_t op, int32_t id, const QString& value) = 0;
    virtual void RecordExtended(uint8_t op, int32_t id, Extended value) = 0;
    virtual void RecordMarkers(int32_t id, const TMarkerArray& markers) = 0;
    virtual void RecordGraphStep(const TGraphUndoStep& step) = 0;

    // ---- Notifications of the graph `id`'s changes (vtype: the StyleChange and StateChange codes) ----
    virtual void RaiseGraphsListChanged() = 0;
    virtual void RaiseGraphStyleChange(int32_t id, int vtype, int newValue) = 0;
    virtual void RaiseGraphStateChange(int32_t id, int vtype, bool value) = 0;
    virtual void RaiseGraphDataChange(int32_t id) = 0;
    virtual void RaiseEqualScalesChange(int32_t id) = 0;
    virtual void RaiseSelectedCountChange() = 0;
    virtual void RaiseTopGraphChange(int wasTop, int curTop) = 0;
};

// Sets one of the owner's undo switches while it lives and gives it its old value back after.
template <bool (TGraphOwner::*Get)() const, void (TGraphOwner::*Set)(bool), bool Value>
class TUndoSwitchScope {
public:
    explicit TUndoSwitchScope(TGraphOwner& owner) : owner_(owner), was_((owner.*Get)()) {
        (owner.*Set)(Value);
    }
    ~TUndoSwitchScope() { (owner_.*Set)(was_); }
    TUndoSwitchScope(const TUndoSwitchScope&) = delete;
    TUndoSwitchScope& operator=(const TUndoSwitchScope&) = delete;

private:
    TGraphOwner& owner_;
    bool was_;
};

// Ties the steps recorded while it lives into one undo step; inside an open group it joins that one.
using TUndoGroupScope = TUndoSwitchScope<&TGraphOwner::UndoGrouping, &TGraphOwner::SetUndoGrouping, true>;
// Suspends undo recording while it lives: for changes that are recorded otherwise or not at all
// (loading, replays, steps that keep the values themselves).
using TUndoRecordingPause =
    TUndoSwitchScope<&TGraphOwner::IsRecordingUndo, &TGraphOwner::SetRecordingUndo, false>;
