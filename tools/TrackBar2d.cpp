#include "tools/TrackBar2d.h"

#include <algorithm>
#include <cmath>

namespace {

double Clamp(double v, double min, double max) {
    if (std::isnan(v)) return min;
    return std::clamp(v, min, max);
}

// The pixel offset of a value in a span of pixels; a range of no width or a span of no room gives 0.
int PixelOf(double offset, double range, int span) {
    if (!(range > 0) || span <= 0) return 0;
    return int(std::lround(offset * span / range));
}

} // namespace

bool TTrackBar2d::SetXValue(double v) {
    const double was = FX;
    FX = Clamp(v, FXMin, FXMax);
    return FX != was;
}

bool TTrackBar2d::SetYValue(double v) {
    const double was = FY;
    FY = Clamp(v, FYMin, FYMax);
    return FY != was;
}

void TTrackBar2d::SetXRange(double min, double max) {
    FXMin = std::min(min, max);
    FXMax = std::max(min, max);
    SetXValue(FX);
}

void TTrackBar2d::SetYRange(double min, double max) {
    FYMin = std::min(min, max);
    FYMax = std::max(min, max);
    SetYValue(FY);
}

TRect TTrackBar2d::Track(int clientWidth, int clientHeight) const {
    const int insetX = TrackMargin + EditInsetX, insetY = TrackMargin + EditInsetY;
    return {insetX, insetY, clientWidth - insetX, clientHeight - insetY};
}

TRect TTrackBar2d::ThumbAt(int clientWidth, int clientHeight, double x, double y) const {
    const TRect track = Track(clientWidth, clientHeight);
    const int w = track.Width() - ThumbWidth - 2, h = track.Height() - ThumbHeight - 2;
    const int left = track.Left + 1 + PixelOf(x - FXMin, FXMax - FXMin, w);
    const int top = track.Top + 1 + PixelOf(FYMax - y, FYMax - FYMin, h);
    return {left, top, left + ThumbWidth, top + ThumbHeight};
}

void TTrackBar2d::ValuesAt(int clientWidth, int clientHeight, int left, int top, double& x, double& y) const {
    const TRect track = Track(clientWidth, clientHeight);
    const int w = track.Width() - ThumbWidth - 2, h = track.Height() - ThumbHeight - 2;
    x = w > 0 ? FXMin + double(left - track.Left - 1) * (FXMax - FXMin) / w : FXMin;
    y = h > 0 ? FYMax - double(top - track.Top - 1) * (FYMax - FYMin) / h : FYMax;
}

bool TTrackBar2d::Step(TTrackKey key, bool ctrl) {
    const double dx = ctrl ? XPageSize : XLineSize, dy = ctrl ? YPageSize : YLineSize;
    int sx = 0, sy = 0;
    switch (key) {
    case TTrackKey::Left:
        sx = -1;
        break;
    case TTrackKey::Right:
        sx = 1;
        break;
    case TTrackKey::Up:
        sy = 1;
        break;
    case TTrackKey::Down:
        sy = -1;
        break;
    case TTrackKey::Home:
        sx = -1, sy = 1;
        break;
    case TTrackKey::End:
        sx = -1, sy = -1;
        break;
    case TTrackKey::PageUp:
        sx = 1, sy = 1;
        break;
    case TTrackKey::PageDown:
        sx = 1, sy = -1;
        break;
    }
    const bool x = SetXValue(FX + sx * dx);
    const bool y = SetYValue(FY + sy * dy);
    return x || y;
}

bool TTrackBar2d::PageTowards(double x, double y) {
    const double step = PageSize * std::hypot(FXMax - FXMin, FYMax - FYMin);
    const double dx = x - FX, dy = y - FY, distance = std::hypot(dx, dy);
    double nx = x, ny = y;
    if (distance > step) {
        nx = FX + dx * step / distance;
        ny = FY + dy * step / distance;
    }
    const bool changedX = SetXValue(nx);
    const bool changedY = SetYValue(ny);
    return changedX || changedY;
}
