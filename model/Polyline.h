// The pixel cache of a graph's curve: visible nodes, clipped and thinned polyline pieces.
#pragma once

#include "model/Graph.h"

// Rebuilds NodePixels, PolyPoints, PolyNodeIndex and PolyPieces when PolyDirty is set; painting and
// node search then only replay the cache. Nothing happens while the cache is clean.
void PreparePolyline(TGraph& graph);

// Pixel rounding used for every cached point: nearest integer, halves to even, saturated to int32.
int32_t RoundPixel(Extended v);
