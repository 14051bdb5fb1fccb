// Coordinates, scales and views of the graph window. The window's own operations (layout, fitting,
// zoom and pan with the binding groups, view setters, saved and pending views) are members, declared
// in SuperGrWindow.h under "Coordinates" and defined in Coordinates.cpp; the helpers here serve them
// and the mouse tools.
#pragma once

class TSuperGrWindow;

// Records one undo step of the views of all graphs (nothing while not recording or without graphs).
void RecordViewStep(TSuperGrWindow& window);
