// The graph window's own mouse cursors, drawn at run time so that no image files have to travel with
// the program. Every picture is 32 x 32 pixels, black outline on white so it shows on any background.
#pragma once

#include <QCursor>

// Cursor numbers of the window (what TSuperGrWindow::CursorNumber returns).
enum TWindowCursor : int {
    crArrowCross = 1,
    crSelectPoints = 2,   // "CR_SELECT_POINTS": arrow with a "+" box
    crUnselectPoints = 3, // "CR_UNSELECT_POINTS": arrow with a "−" box
    crZoomWindow = 4,     // "CR_ZOOWINDOW": magnifier with a dotted frame
    crZoomHor = 5,        // "CR_ZOOMHOR": magnifier with a horizontal double arrow
    crZoomVert = 6,       // "CR_ZOOMVERT": magnifier with a vertical double arrow
    crZoom = 7,           // "CR_ZOOM": magnifier with plus and minus
    crMove = 8            // "CR_MOVE": four-way arrow
};

// The picture of a cursor number 2 .. 8; a null pixmap for any other number.
QPixmap WindowCursorPixmap(int number);
// The hot spot of a cursor number inside its picture.
QPoint WindowCursorHotSpot(int number);
// The cursor of a number: the drawn picture for 2 .. 8, the ordinary cross otherwise.
QCursor WindowCursor(int number);
