#include "window/ViewAnimator.h"

#include "model/Codecs.h"

#include <cmath>
#include <utility>

namespace {
// Ease in, ease out: p(T/2) = 1/2, p(T) = 1.
Extended AnimationProgress(Extended t, Extended total) {
    const Extended r = t / total;
    return t < total / 2 ? 2 * r * r : 4 * r - 2 * r * r - 1;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Start and end

void TViewAnimator::Begin(TMotion motion) {
    FLegendWasShown = W.FShowLegend;
    W.FShowLegend = false;
    FMotion = motion;
    Raise(W.Events.OnStartAnimation, &W);
    W.AnimationTimer().Start(TickMs);
}

void TViewAnimator::Rest() {
    W.AnimationTimer().Stop();
    FMotion = TMotion::None;
    W.FShowLegend = FLegendWasShown;
    if (const std::function<void()> stopped = std::exchange(FGlideStopped, nullptr)) stopped();
    Raise(W.Events.OnStopAnimation, &W);
}

void TViewAnimator::Stop() {
    switch (FMotion) {
    case TMotion::Animation:
        if (FViews.size() == W.GraphCount()) ShowEndViews();
        Rest();
        W.Relayout();
        break;
    case TMotion::Glide:
        Rest();
        W.Repaint();
        break;
    case TMotion::None:
        break;
    }
}

void TViewAnimator::Tick() {
    switch (FMotion) {
    case TMotion::Animation:
        AnimationStep();
        break;
    case TMotion::Glide:
        GlideStep();
        break;
    case TMotion::None:
        W.AnimationTimer().Stop(); // a tick that was queued before the motion ended
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Animation between two views

void TViewAnimator::TakeStart() {
    Stop();
    FViews.clear();
    for (int i = 0; i < W.GraphCount(); ++i) {
        const TGraph& g = *W.GraphByIndex(i);
        TAniScaleParams a;
        a.S0 = g.ZoomX();
        a.T0 = g.ZoomY();
        a.P0 = g.Mapping.ShiftX * g.ZoomX();
        a.Q0 = g.Mapping.ShiftY * g.ZoomY();
        FViews.append(a);
    }
    FStartTaken = true;
}

bool TViewAnimator::TakeEndViews() {
    bool noticeable = false;
    for (int i = 0; i < W.GraphCount(); ++i) {
        TGraph& g = *W.GraphByIndex(i);
        TAniScaleParams& a = FViews[i];
        a.S1 = g.ZoomX();
        a.T1 = g.ZoomY();
        a.P1 = g.Mapping.ShiftX * g.ZoomX();
        a.Q1 = g.Mapping.ShiftY * g.ZoomY();
        a.DS = a.S0 != 0 ? 1 - a.S1 / a.S0 : 0;
        a.DT = a.T0 != 0 ? 1 - a.T1 / a.T0 : 0;
        a.DP = a.P1 - a.P0;
        a.DQ = a.Q1 - a.Q0;
        Extended rangeX = g.XMax() - g.XMin(), rangeY = g.YMax() - g.YMin();
        if (rangeX == 0) rangeX = 1;
        if (rangeY == 0) rangeY = 1;
        noticeable |= std::fabs(a.DS) > 1e-15L || std::fabs(a.DT) > 1e-15L ||
                      std::fabs(a.DP / rangeX) > 1e-15L || std::fabs(a.DQ / rangeY) > 1e-15L;
    }
    return noticeable;
}

void TViewAnimator::StartOrRelayout(bool animate) {
    const bool taken = std::exchange(FStartTaken, false);
    if (!animate || !taken || FViews.size() != W.GraphCount() || !TakeEndViews()) {
        W.Relayout();
        return;
    }
    ShowStartViews();
    FStartMs = W.Clock().NowMs();
    Begin(TMotion::Animation);
    W.Relayout();
}

void TViewAnimator::AnimationStep() {
    const uint32_t total = W.AnimationTime();
    const int64_t t = W.Clock().NowMs() - FStartMs;
    if (t > int64_t(total) || FViews.size() != W.GraphCount()) {
        Stop();
        return;
    }
    const Extended p = total == 0 ? 1 : AnimationProgress(Extended(t), Extended(total));
    for (int i = 0; i < W.GraphCount(); ++i) {
        TGraph& g = *W.GraphByIndex(i);
        const TAniScaleParams& a = FViews[i];
        g.SetZoomX(a.S0 * (1 - p * a.DS));
        g.SetZoomY(a.T0 * (1 - p * a.DT));
        if (g.ZoomX() != 0) g.Mapping.ShiftX = (a.P0 + p * a.DP) / g.ZoomX();
        if (g.ZoomY() != 0) g.Mapping.ShiftY = (a.Q0 + p * a.DQ) / g.ZoomY();
    }
    W.Relayout();
}

void TViewAnimator::ShowStartViews() {
    for (int i = 0; i < W.GraphCount(); ++i) {
        TGraph& g = *W.GraphByIndex(i);
        const TAniScaleParams& a = FViews[i];
        g.SetZoomX(a.S0);
        g.SetZoomY(a.T0);
        g.Mapping.ShiftX = a.S0 != 0 ? a.P0 / a.S0 : 0;
        g.Mapping.ShiftY = a.T0 != 0 ? a.Q0 / a.T0 : 0;
    }
}

void TViewAnimator::ShowEndViews() {
    for (int i = 0; i < W.GraphCount(); ++i) {
        TGraph& g = *W.GraphByIndex(i);
        const TAniScaleParams& a = FViews[i];
        g.SetZoomX(a.S1);
        g.SetZoomY(a.T1);
        if (a.S1 != 0) g.Mapping.ShiftX = a.P1 / a.S1;
        if (a.T1 != 0) g.Mapping.ShiftY = a.Q1 / a.T1;
    }
}

// ---------------------------------------------------------------------------------------------
// Glide

void TViewAnimator::StartGlide(Extended vx, Extended vy, int reference, std::function<void()> whenStopped) {
    Stop();
    FVX = vx;
    FVY = vy;
    FReference = reference;
    FGlideStopped = std::move(whenStopped);
    Begin(TMotion::Glide);
}

void TViewAnimator::GlideStep() {
    W.PanBy(RoundHalfEven(FVX), RoundHalfEven(FVY), true, FReference >= 0 ? FReference : W.TopGraphIndex());
    FVX *= 0.95L;
    FVY *= 0.95L;
    if (std::fabs(FVX) <= 1) FVX = 0;
    if (std::fabs(FVY) <= 1) FVY = 0;
    if (FVX == 0 && FVY == 0) Stop();
    W.Relayout();
}

// ---------------------------------------------------------------------------------------------
// The window's side

void TSuperGrWindow::TakeAnimationStart() {
    FAnimator->TakeStart();
}

void TSuperGrWindow::StartViewAnimationOrRepaint(bool animate) {
    FAnimator->StartOrRelayout(animate);
}

bool TSuperGrWindow::Animating() const {
    return FAnimator->Animating();
}

bool TSuperGrWindow::Gliding() const {
    return FAnimator->Gliding();
}

void TSuperGrWindow::AnimationTick() {
    FAnimator->Tick();
}

void TSuperGrWindow::StopAnimation() {
    FAnimator->Stop();
}
