#include "tools/BindingWizardModel.h"

#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <gtest/gtest.h>

using testutil::Ramp;
using B = TBindBox;

namespace {
struct BindingWizardTest : WindowTest {
    TBindingWizardModel wizard{window};

    void Graphs(int count) {
        window.AnimatedZoom = false;
        for (int i = 0; i < count; ++i)
            Add(Ramp(5, 0, i + 1), Ramp(5, i, 2 * i + 1));
        window.ClearUndoHistory();
    }
    TGraph& G(int index) { return *window.GraphByIndex(index); }
    void TickRows(std::initializer_list<int> rows) {
        for (int row : rows)
            wizard.Tick(row, true);
    }
    QList<bool> Boxes() const {
        QList<bool> boxes;
        for (int b = 0; b < BindBoxCount; ++b)
            boxes.append(wizard.Checked(B(b)));
        return boxes;
    }
};

TEST_F(BindingWizardTest, BoxesFollowEachOther) {
    wizard.Open();
    EXPECT_EQ(Boxes(), QList<bool>(BindBoxCount, false));
    wizard.Check(B::AxesX, true);
    EXPECT_EQ(Boxes(), (QList<bool>{false, true, false, true, true, false, false}));
    wizard.Check(B::AxesY, true);
    EXPECT_TRUE(wizard.Checked(B::Full));
    wizard.Check(B::PosX, false);
    EXPECT_EQ(Boxes(), (QList<bool>{false, false, true, true, false, true, true}));
    wizard.Check(B::Full, true);
    EXPECT_EQ(Boxes(), QList<bool>(BindBoxCount, true));
    wizard.Check(B::Full, false);
    EXPECT_EQ(Boxes(), QList<bool>(BindBoxCount, false));
}

TEST_F(BindingWizardTest, SingleGroupsHideTheirBoxesAndTickThem) {
    struct Case {
        bool ScaleX, PosX, ScaleY, PosY;
        QList<bool> Shown;
        QList<bool> Noticed;
    };
    const Case cases[] = {
        {false, false, false, false, {1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 0}},
        {true, false, false, false, {1, 1, 1, 0, 1, 1, 1}, {0, 0, 0, 1, 0, 0, 0}},
        {true, true, false, true, {1, 0, 1, 0, 0, 1, 0}, {0, 1, 0, 0, 0, 0, 1}},
        {true, true, true, true, {0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        window.DrawPolicy.SetSingleDirect(2, c.ScaleX);
        window.DrawPolicy.SetSingleDirect(0, c.PosX);
        window.DrawPolicy.SetSingleDirect(3, c.ScaleY);
        window.DrawPolicy.SetSingleDirect(1, c.PosY);
        wizard.Open();
        for (int b = 0; b < BindBoxCount; ++b) {
            SCOPED_TRACE(b);
            EXPECT_EQ(wizard.Shown(B(b)), c.Shown[b]);
            EXPECT_EQ(!wizard.Notice(B(b)).isEmpty(), c.Noticed[b]);
            if (b >= int(B::ScaleX)) {
                EXPECT_EQ(wizard.Checked(B(b)), !c.Shown[b]);
            }
        }
    }
    EXPECT_TRUE(wizard.Checked(B::Full));
}

TEST_F(BindingWizardTest, BindsIntoTheFirstFreeGroupInOneUndoStep) {
    Graphs(6);
    G(0).SetScaleGroupX(1);
    G(1).SetScaleGroupX(2);
    window.ClearUndoHistory();
    wizard.Open();
    TickRows({2, 3, 4});
    wizard.Check(B::ScaleX, true);
    EXPECT_TRUE(wizard.Bind());
    for (int i : {2, 3, 4})
        EXPECT_EQ(G(i).ScaleGroupX(), 3);
    EXPECT_EQ(G(5).ScaleGroupX(), -1);
    const double unit = double(G(2).Mapping.LengthToPixelX(1));
    EXPECT_NEAR(double(G(3).Mapping.LengthToPixelX(1)), unit, unit * 1e-12); // the group's scale
    // Bound again: the old group is left first, so its number is free again.
    EXPECT_TRUE(wizard.Bind());
    EXPECT_EQ(G(2).ScaleGroupX(), 3);
    window.Undo();
    window.Undo();
    EXPECT_EQ(G(2).ScaleGroupX(), -1);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(BindingWizardTest, FullBindingSetsAllFourGroups) {
    Graphs(3);
    wizard.Open();
    TickRows({0, 2});
    wizard.Check(B::Full, true);
    EXPECT_TRUE(wizard.Bind());
    for (int i : {0, 2})
        EXPECT_EQ(
            (QList<int32_t>{G(i).ScaleGroupX(), G(i).PosGroupX(), G(i).ScaleGroupY(), G(i).PosGroupY()}),
            (QList<int32_t>{1, 1, 1, 1}));
    EXPECT_EQ(G(1).PosGroupY(), -1);
    window.Undo();
    EXPECT_EQ(G(0).PosGroupX(), -1);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(BindingWizardTest, NoFreeGroupLeavesTheChosenGraphsUngrouped) {
    Graphs(10);
    for (int i = 0; i < 8; ++i)
        G(i).SetScaleGroupX(i + 1);
    G(8).SetScaleGroupX(5);
    wizard.Open();
    TickRows({8, 9});
    wizard.Check(B::ScaleX, true);
    wizard.Bind();
    EXPECT_EQ(G(8).ScaleGroupX(), -1);
    EXPECT_EQ(G(9).ScaleGroupX(), -1);
}

TEST_F(BindingWizardTest, NothingTickedBindsNothing) {
    Graphs(2);
    wizard.Open();
    wizard.Check(B::AxesX, true);
    EXPECT_FALSE(wizard.Bind()); // no graph
    wizard.Check(B::AxesX, false);
    TickRows({0, 1});
    EXPECT_FALSE(wizard.Bind()); // no kind
    EXPECT_FALSE(window.HaveUndo());
    EXPECT_FALSE(window.UndoGrouping());
}
} // namespace
