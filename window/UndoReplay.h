// Replays the newest entry of one side of the window's history onto the other side.
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

#include "window/UndoStore.h"

class TSuperGrWindow;
class TGraph;

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

    bool ReplayInteger(uint8_t op);
    bool ReplayString(uint8_t op);
    bool ReplayExtended(uint8_t op);
    bool ReplayGraphPresence(uint8_t op);
    bool ReplayNodes();
    void ReplayViews();

    int32_t CurrentInteger(const TGraph& g, uint8_t op) const;
    void SetInteger(TGraph& g, uint8_t op, int32_t value);
    int32_t CurrentWindowInteger(uint8_t op) const;
    void SetWindowInteger(uint8_t op, int32_t value);

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
