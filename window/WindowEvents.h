// The window's events. Those that dialogs follow (the graph list, graph data and styles, undo steps
// and the window's end) have any number of listeners, each holding its connection; the others are
// single handlers set by the window's owner.
#pragma once

#include "model/EventListeners.h"
#include "model/ost2_Types.h"

#include <QStringList>
#include <functional>

// Base of everything that can be the sender of an event.
class TComponent {
public:
    virtual ~TComponent() = default;
};

// Modifier and button state of a mouse event.
enum TShiftFlag : uint8_t {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = uint8_t;

using TNotifyEvent = std::function<void(TComponent* sender)>;
using TIntEvent = std::function<void(TComponent* sender, int value)>;
using TTopGraphEvent = std::function<void(TComponent* sender, int wasTop, int curTop)>;
using TGraphStateEvent = std::function<void(TComponent* sender, int id, int vtype, bool value)>;
using TGraphClickEvent = std::function<void(TComponent* sender, int index, TShiftState shift, int x, int y)>;
using TLegendClickEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
using TCoordsEvent = std::function<void(TComponent* sender, int x, int y)>;
using TToolModeEvent = std::function<void(TComponent* sender, TToolMode oldMode, TToolMode newMode)>;
using TZoomModeEvent = std::function<void(TComponent* sender, TZoomMode oldMode, TZoomMode newMode)>;
using TEditModeEvent = std::function<void(TComponent* sender, TEditMode oldMode, TEditMode newMode)>;
using TAxisPairEvent = std::function<void(TComponent* sender, bool xAxis, bool yAxis)>;
using TBoolEvent = std::function<void(TComponent* sender, bool value)>;

struct TWindowEvents {
    TNotifyEvent OnCreate;
    TEventListeners<TComponent*> OnDestroy;
    TIntEvent OnAddGraph;
    TIntEvent OnDelGraph;
    TEventListeners<TComponent*, const QStringList&> OnGraphsListChanged;
    TTopGraphEvent OnChangeTopGraph;
    TGraphStateEvent OnChangeGraphState;
    TEventListeners<TComponent*, int, int, int> OnChangeGraphStyle;
    TEventListeners<TComponent*, int> OnChangeGraphData;
    TIntEvent OnEqualScalesChange;
    TIntEvent OnChangeSelectedCnt;
    TGraphClickEvent OnGraphClick;
    TGraphClickEvent OnGraphDblClick;
    TLegendClickEvent OnLegendClick;
    TCoordsEvent OnNewCoords;
    TToolModeEvent OnToolModeChange;
    TZoomModeEvent OnZoomModeChange;
    TEditModeEvent OnEditModeChange;
    TEventListeners<TComponent*, int, bool, bool> OnUndoRedoOp;
    TNotifyEvent OnChangeEditStatus;
    TAxisPairEvent OnChangeCombineAxis;
    TAxisPairEvent OnChangeMultiAxis;
    TBoolEvent OnAxesSaved;
    TNotifyEvent OnStartAnimation;
    TNotifyEvent OnStopAnimation;
    TNotifyEvent OnLegendChange;
    TNotifyEvent OnBeforeSaveFigure;
    TNotifyEvent OnAfterSaveFigure;
    TNotifyEvent OnBeforeLoadFigure;
    TNotifyEvent OnAfterLoadFigure;
};

// Calls an event when a handler is attached.
template <typename Event, typename... Args> void Raise(const Event& event, Args&&... args) {
    if (event) event(std::forward<Args>(args)...);
}
