// The main window's pictures: the state icons of the status bar and the alignment buttons, painted
// here, and the commands' icons from the desktop's theme or the program's own set.
#pragma once

#include "app/MainWindowState.h"

#include <QIcon>

class QPainter;
class QRectF;

// One state icon in a rectangle; a disabled one is grey.
void DrawStateIcon(QPainter& painter, const QRectF& rect, const mainstate::TIconLook& look, bool enabled);
// A state icon of 24 × 24 pixels.
QIcon StateIcon(const mainstate::TIconLook& look);
// A theme icon where the desktop has one, else the program's own picture.
QIcon ThemedIcon(const QString& name);
