// The pixel cache of a graph's curve: visible nodes, clipped and thinned polyline pieces.
#pragma once

#include "model/Graph.h"

#include <vector>

// Rebuilds the polyline of the graph's view cache while the polyline is stale; painting
// and node search then only replay the cache. Nothing happens while the polyline is fresh.
void PreparePolyline(TGraph& graph);
// The same for several graphs, on two cores when they are large enough to pay for it.
void PreparePolylines(const std::vector<TGraph*>& graphs);

// Pixel rounding used for every cached point: nearest integer, halves to even, saturated to int32.
int32_t RoundPixel(Extended v);

// Graphs from this many nodes on get a level-of-detail index of their own: new nodes are indexed by
// their first polyline; after edits the index is rebuilt on another thread (from the second
// polyline on), and until it is ready the polyline is built by the exact walk over every node,
// which draws the same.
inline constexpr int DetailMinNodes = 1 << 16;

// With the index the polyline walk passes over the nodes that cannot change the picture; the node
// pixels then stay as they were (the cache says so in PixelsCurrent). Without it the walk maps every node
// into NodePixels.

// Builds the graph's level-of-detail index now on this thread, whatever its size.
void BuildDetailIndex(TGraph& graph);
// Starts the build of a stale index of a large graph if none runs, waits for it and takes it.
void FinishDetailIndex(TGraph& graph);
// Nodes first .. last changed in place.
void UpdateDetailIndex(TGraph& graph, int first, int last);
// The on-screen node nearest to pixel (px, py), the last of equally near ones, with its squared
// distance, found through the index for a graph whose node pixels are not current; -1 when none.
int NearestNodeByDetail(TGraph& graph, int px, int py, int64_t& distance2);
// Whether some node is selected; a large graph's nodes are scanned only after a change of the
// selection (TViewCache::SelectionChanged).
bool AnyNodeSelected(TGraph& graph);
