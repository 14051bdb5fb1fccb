// The one motion of the view at a time, driven by the window's clock and timer: either an eased
// animation from the views before a change to the views after it (zoom, pan and undo steps), or the
// glide that carries on a move drag after the button is released. The legend is hidden while the
// view moves.
#pragma once

#include "window/SuperGrWindow.h"

#include <functional>

class TViewAnimator {
public:
    // The timer interval; glide velocities are in pixels per tick.
    static constexpr int TickMs = 30;

    explicit TViewAnimator(TSuperGrWindow& window) : W(window) {}
    TViewAnimator(const TViewAnimator&) = delete;
    TViewAnimator& operator=(const TViewAnimator&) = delete;

    // Ends a running motion and takes every graph's view as the start of the next animation.
    void TakeStart();
    // After the views were changed: animates from the taken start to them when asked and when some
    // graph changes noticeably; otherwise shows them at once.
    void StartOrRelayout(bool animate);
    // Pans by the velocity at every tick, slowing down, with the graph index that leads the binding
    // groups (-1: the top graph); whenStopped runs when the glide ends.
    void StartGlide(Extended vx, Extended vy, int reference, std::function<void()> whenStopped);

    bool Animating() const { return FMotion == TMotion::Animation; }
    bool Gliding() const { return FMotion == TMotion::Glide; }
    bool Running() const { return FMotion != TMotion::None; }
    void Tick();
    // An animation jumps to its end view; a glide stops where it is.
    void Stop();

private:
    enum class TMotion { None, Animation, Glide };
    void Begin(TMotion motion);
    void Rest();
    void AnimationStep();
    void GlideStep();
    // Whether the views taken at the start differ noticeably from the current ones (taken as the end).
    bool TakeEndViews();
    void ShowStartViews();
    void ShowEndViews();

    TSuperGrWindow& W;
    TMotion FMotion = TMotion::None;
    bool FLegendWasShown = false;

    QList<TAniScaleParams> FViews;
    bool FStartTaken = false;
    int64_t FStartMs = 0;

    Extended FVX = 0, FVY = 0;
    int FReference = -1;
    std::function<void()> FGlideStopped;
};
