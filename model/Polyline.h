// The pixel cache of a graph's curve: visible nodes, clipped and thinned polyline pieces.
#pragma once

#include "model/Graph.h"

// Rebuilds NodePixels and the polyline of the graph's view cache while the polyline is stale; painting
// and node search then only replay the cache. Nothing happens while the polyline is fresh.
void PreparePolyline(TGraph& graph);

// Pixel rounding used for every cached point: nearest integer, halves to even, saturated to int32.
int32_t RoundPixel(Extended v);
