// One graph's record in the figure stream: its complete state, field by field, little-endian,
// extended values in their 10-byte form, strings in cp1251 with an Int32 length.
#pragma once

#include "model/ByteStream.h"

#include <vector>

class TGraph;

class TGraphRecord {
public:
    // Appends the record. The arrays go in as whole blocks, so large graphs stay fast.
    static void Write(QByteArray& out, const TGraph& graph);

    // Reads a record into a freshly created graph. False when the record is short or its arrays
    // disagree in length (the graph is then half filled and must be thrown away). Values that the
    // setters would refuse keep the creation defaults; the dirty flags always read as true.
    static bool Read(TByteReader& in, TGraph& graph);

    // Layers of the graphs just read must cover 0 … n − 1 once each; a damaged set is renumbered
    // in its stored order.
    static void RenumberLayers(const std::vector<TGraph*>& graphs);
};
