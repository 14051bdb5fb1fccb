// The graph binding wizard without widgets: the ticked graphs (held by ID), the binding boxes with
// their dependencies and their visibility under the window's single groups, and the binding itself.
#pragma once

#include "tools/GraphListModel.h"

#include <QString>
#include <array>

// The binding boxes, top to bottom.
enum class TBindBox { Full, AxesX, AxesY, ScaleX, PosX, ScaleY, PosY };
inline constexpr int BindBoxCount = 7;

class TBindingWizardModel {
public:
    explicit TBindingWizardModel(TSuperGrWindow& window) : window_(window), graphs_(window) {}

    // At every opening: the boxes from the window's single groups, every graph unticked.
    void Open();

    // The graph list: a row's tick is the row's selection.
    TGraphListModel& Graphs() { return graphs_; }
    void Tick(int row, bool on);

    // A box the user ticks or unticks; the boxes depending on it follow.
    void Check(TBindBox box, bool on);
    bool Checked(TBindBox box) const { return checked_[size_t(box)]; }
    // A box is hidden while its binding is on for all graphs anyway; the text that stands in its place
    // (empty where a wider text already says so).
    bool Shown(TBindBox box) const { return shown_[size_t(box)]; }
    QString Notice(TBindBox box) const;

    // "Привязать": the ticked graphs go into a fresh group of each ticked kind, in one undo step.
    // False when nothing was bound (no kind or no graph ticked).
    bool Bind();

private:
    bool& Box(TBindBox box) { return checked_[size_t(box)]; }
    void FollowKinds();

    TSuperGrWindow& window_;
    TGraphListModel graphs_;
    std::array<bool, BindBoxCount> checked_{};
    std::array<bool, BindBoxCount> shown_{};
};
