// Replays the newest entry of one side of the window's history onto the other side. The declared
// graph and window properties (GraphProperties.h, WindowProperties.h) share one replay, through
// their setters; the codes that keep more than one value have replays of their own.
//
// Every operation code pops from the stores exactly what its recording pushed:
//   0                         views
//   1, 23…26, 54, 57          string
//   2…4, 6, 8, 9, 12…14, 17, 31…42, 47, 48, 53, 56, 66   integer
//   50, 58…65                 integer with ID −1 (window)
//   5                         layers
//   7                         integer, views, permissions
//   15, 16                    graph (absent on this side: {ID, index}; present: {ID, index, copy}),
//                             views, layers
//   18, 55                    extended
//   19                        permissions
//   20                        views, permissions, groups
//   21                        draw-policy flags, views, permissions
//   22                        markers
//   27…30                     symbol
//   43…46                     designation offsets
//   49                        nodes (TEditNodes); Kinds 1 (move) and 4 (whole data) also views
//   51, 52                    integer, views
// An entry whose graph is gone is dropped with its values; nothing of it reaches the other side.
#pragma once

#include "model/Graph.h"
#include "window/UndoStore.h"

class TSuperGrWindow;
template <typename T> struct TGraphProperty;
template <typename T> struct TWindowProperty;

class TUndoReplay {
public:
    enum class Direction { Undo, Redo };

    // Replays the newest entry, and with it the rest of its group; clears the whole history when
    // a replay fails.
    static void Run(TSuperGrWindow& window, Direction direction);

private:
    TUndoReplay(TSuperGrWindow& window, Direction direction);
    void ReplayNewest();
    // Pops the entry's values, pushes the current ones to the other side and restores the popped
    // ones; false when the entry was skipped.
    bool Replay(uint8_t op);

    template <typename T> bool ReplayProperty(const TGraphProperty<T>& property, int index);
    template <typename T> void ReplayWindowProperty(const TWindowProperty<T>& property);
    bool ReplayOwnStep(uint8_t op);
    void ReplayToolMode();
    void ReplayCaption(bool top);
    void ReplayCaptionAlign(bool top);
    void ReplayCaptionFont(bool top);
    bool ReplayWithViews(uint8_t op);
    bool ReplayOffsets(TDesignation d);
    bool ReplayMarkers();
    bool ReplayGraphPresence(uint8_t op);
    void ReplayViews();
    void ReplayLayers();
    void ReplayPermissions();
    void ReplayGroups();
    void ReplaySnapPolicy();
    bool ReplayNodes();
    // Each puts a node record back and returns the nodes as they were, for the other side.
    static TEditNodes RestoreNodes(TGraph& g, const TEditNodes& rec);
    static TEditNodes RemoveInsertedNodes(TGraph& g, const TEditNodes& rec);
    static TEditNodes InsertDeletedNodes(TGraph& g, const TEditNodes& rec);
    static TEditNodes ReplaceAllNodes(TGraph& g, const TEditNodes& rec);

    struct TViewsAndPermissions {
        TZoomUndoRedo Views;
        TPolicyUndoRedo Permissions;
    };
    // Pops the kept views and permissions and pushes the current ones to the other side.
    TViewsAndPermissions SwapViewsAndPermissions();
    void RestoreViewsAndPermissions(const TViewsAndPermissions& kept);
    void RestoreViews(const TZoomUndoRedo& views);
    void RestoreLayers(const TIntegerUndoRedo& layers);
    void RestorePermissions(const TPolicyUndoRedo& permissions);
    void RestoreGroups(const TSnapUndoRedo& groups);
    void RemoveGraph(int index);
    void InsertGraph(const TGraph& copy, int index);

    TSuperGrWindow& W;
    TUndoSide& From;
    TUndoSide& To;
};
