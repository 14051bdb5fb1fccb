// What a graph derives from its nodes and its mapping for the screen, rebuilt when marked stale.
#pragma once

#include "model/DetailIndex.h"
#include "model/ost2_Types.h"

#include <memory>

class TDetailBuild;

class TViewCache {
public:
    // The parts that go stale: the data extents, the fit of the graph to the plot, the polyline, the
    // level-of-detail index of the nodes and the knowledge whether any node is selected.
    enum Part : uint8_t {
        Extents = 1,
        Fit = 2,
        Polyline = 4,
        Detail = 8,
        Selection = 16,
        All = Extents | Fit | Polyline | Detail | Selection
    };

    // Marks parts stale; each is rebuilt before its next use.
    void Invalidate(uint8_t parts = All) { FStale |= parts; }
    // A node was selected or deselected: node squares need the node pixels, which the
    // level-of-detail path leaves as they were.
    void SelectionChanged() { Invalidate(PixelsCurrent ? Selection : Selection | Polyline); }
    bool Stale(Part part) const { return (FStale & part) != 0; }
    // The parts were just rebuilt (or are known to be as they were).
    void MarkFresh(uint8_t parts) { FStale &= uint8_t(~parts); }

    // The nodes were replaced whole (new data, a figure read): the polyline goes, and the next one
    // indexes the new nodes at once.
    void NewNodes() {
        ReleasePolyline();
        IndexAtOnce = true;
    }

    // Drops the polyline's storage: it grows again as the polyline is built, and a thinned curve
    // needs far fewer points than there are nodes.
    void ReleasePolyline() {
        Points = TPointArray();
        NodeIndex = TIntArray();
        PointCount = PieceCount = 0;
    }

    // The polyline: its points (the first PointCount are valid), the node each point stands for,
    // and its pieces (the first PieceCount), each drawn as one line.
    TPointArray Points;
    int32_t PointCount = 0;
    TIntArray NodeIndex;
    TPolyLineIndexes Pieces;
    int32_t PieceCount = 0;
    // The visible data window the polyline was clipped to.
    Extended VisXMin = 0, VisXMax = 0, VisYMin = 0, VisYMax = 0;
    // Seconds the last rebuild of the polyline and the last drawing of the curve took.
    Extended PrepareTime = 0, DrawTime = 0;

    // The level-of-detail index (valid while Detail is fresh) and its build on another thread.
    TDetailIndex DetailIndex;
    std::shared_ptr<TDetailBuild> DetailBuild;
    // A polyline was built while the index was stale: the next one starts its build.
    bool DetailWanted = false;
    // Nodes replaced whole and not indexed yet: their first polyline builds the index on the spot,
    // which costs less than the exact walk it spares (and its pixel record for every node). After
    // edits the index is rebuilt on another thread instead, off the paint path.
    bool IndexAtOnce = false;
    // Whether some node is selected (valid while Selection is fresh).
    bool AnySelected = false;
    // The node pixels belong to the last polyline: the level-of-detail path leaves them as they were.
    bool PixelsCurrent = false;

private:
    uint8_t FStale = All;
};
