// The dialog "Кривая смещения узлов": the shift curve's control points A and B in number boxes and
// two-dimensional track bars, with a preview of the curve. Every change becomes the window's user
// curve at once.
#pragma once

#include "gui/print/NameRequestDialog.h"
#include "tools/ShiftCurveModel.h"
#include "window/SuperGrWindow.h"

#include <functional>

class QSpinBox;
class TSuperTrackBar2d;

class TShiftCurveDialog : public TStripDialog {
    Q_OBJECT
public:
    explicit TShiftCurveDialog(QWidget* parent = nullptr);

    // Shows A and B of the window and its curve, then runs modally.
    void ExecForWindow(TSuperGrWindow& window);
    // Takes A and B of the window into the controls, storing nothing, and recomputes.
    void Load(TSuperGrWindow& window);

    // Called when a control changed the curve (the main window checks its user-curve command).
    std::function<void()> OnUserChange;

    QSpinBox* Box(TShiftCurveModel::TCoordinate c) const { return FBoxes[c]; }
    TSuperTrackBar2d* TrackBar(bool pointA) const { return pointA ? FBarA : FBarB; }
    TSuperGrWindow& Preview() { return FPreview; }

private:
    void ShowControls();
    void Recompute();
    void UserChanged();

    TSuperGrWindow* FWindow = nullptr;
    TShiftCurveModel FModel;
    TSuperGrWindow FPreview;
    QSpinBox* FBoxes[4];
    TSuperTrackBar2d* FBarA;
    TSuperTrackBar2d* FBarB;
    bool FLoading = false;
};
