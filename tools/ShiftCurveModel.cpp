#include "tools/ShiftCurveModel.h"

#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

void TShiftCurveModel::Load(const TSuperGrWindow& window) {
    Curve = window.ShiftCurve;
}

Extended& TShiftCurveModel::Coordinate(TCoordinate c) {
    switch (c) {
    case Ax:
        return Curve.A.X;
    case Ay:
        return Curve.A.Y;
    case Bx:
        return Curve.B.X;
    case By:
        break;
    }
    return Curve.B.Y;
}

int TShiftCurveModel::Shown(TCoordinate c) const {
    const Extended values[] = {Curve.A.X, Curve.A.Y, Curve.B.X, Curve.B.Y};
    const Extended v = values[c];
    return int(std::clamp<long>(std::lround(double(v * Scale)), 0, Scale));
}

void TShiftCurveModel::SetFromBox(TCoordinate c, int shown) {
    Coordinate(c) = Extended(std::clamp(shown, 0, Scale)) / Scale;
}

void TShiftCurveModel::SetFromTrackBar(bool pointA, double x, double y) {
    TCurvePoint& p = pointA ? Curve.A : Curve.B;
    p.X = Extended(std::clamp(x, 0.0, double(Scale))) / Scale;
    p.Y = Extended(std::clamp(y, 0.0, double(Scale))) / Scale;
}

void TShiftCurveModel::ConfigurePreview(TSuperGrWindow& preview) {
    preview.UndoRecording = false; // rebuilt at every change
    preview.SetClientSize(173, 88);
    TFontRec font;
    font.Name = QStringLiteral("Microsoft Sans Serif");
    font.SetHeight(11);
    preview.SetAxisFont(font);
    preview.SetTopCaptionFont(font);
    preview.SetBottomCaptionFont(font);
    preview.SetShowXAxisLabels(false);
    preview.SetShowYAxisLabels(false);
    preview.SetShowTicks(false);
    preview.SetShowGrid(false);
    preview.SetShowAxisMarkers(false);
    preview.SetCombineXAxis(true);
    preview.SetCombineYAxis(true);
    preview.InitialScaleX = preview.InitialScaleY = 0.9L;
    preview.Margins.SetLeft(0);
    preview.Margins.SetRight(1);
    preview.Margins.SetTop(0);
    preview.Margins.SetBottom(1);
    preview.DrawPolicy.SetAllowPosX(false);
    preview.DrawPolicy.SetAllowPosY(false);
    preview.DrawPolicy.SetAllowScaleX(false);
    preview.DrawPolicy.SetAllowScaleY(false);
    preview.MouseGraphCtrl = false;
}

void TShiftCurveModel::ShowInPreview(TSuperGrWindow& preview) const {
    TDoubleArray u, w;
    Curve.Table(u, w);
    preview.AllowRepaint = false;
    preview.DeleteAllGraphs();
    if (preview.AddGraph(QString(), false, {}, u, w)) {
        TGraph* curve = preview.GraphByIndex(0);
        curve->SetLineWidth(2);
        curve->SetColor(clWindowText);
    }
    preview.AllowRepaint = true;
    preview.RefreshAll();
}

void TShiftCurveModel::Apply(TSuperGrWindow& window) const {
    window.ShiftCurve = Curve;
    Curve.Table(window.ShiftCurveU, window.ShiftCurveW);
    window.UseShiftCurve = true;
}
