#include "tools/GraphListModel.h"

#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <gtest/gtest.h>

using testutil::Ramp;
using P = TGraphProperties;

namespace {
struct GraphListModelTest : WindowTest {
    TGraphListModel list{window};

    void Graphs(int count) {
        for (int i = 0; i < count; ++i)
            Add(Ramp(5), Ramp(5, i));
        window.ClearUndoHistory();
        list.Rebuild();
    }
    TGraph& G(int index) { return *window.GraphByIndex(index); }
    QList<bool> Selection() const {
        QList<bool> rows;
        for (int i = 0; i < list.RowCount(); ++i)
            rows.append(list.RowSelected(i));
        return rows;
    }
    // Undoes everything, counting the steps.
    int UndoSteps() {
        int steps = 0;
        for (; window.HaveUndo(); ++steps)
            window.Undo();
        return steps;
    }
    template <typename F> QList<bool> Flags(F flag) {
        QList<bool> values;
        for (int i = 0; i < window.GraphCount(); ++i)
            values.append((G(i).*flag)());
        return values;
    }
};

TEST_F(GraphListModelTest, FollowsAddedAndDeletedGraphsKeepingTheirSelection) {
    Graphs(3);
    list.ClickRow(2, false, false);
    EXPECT_FALSE(list.Follow());
    Add(Ramp(4), Ramp(4));
    EXPECT_TRUE(list.Follow());
    EXPECT_EQ(list.RowCount(), 4);
    window.DeleteGraph(0);
    EXPECT_TRUE(list.Follow());
    EXPECT_EQ(Selection(), (QList<bool>{false, true, false}));
    EXPECT_EQ(list.Graph(1), &G(1));
    window.DeleteAllGraphs();
    EXPECT_TRUE(list.Follow());
    EXPECT_EQ(list.RowCount(), 0);
    list.SetBox(0, 1, false); // no rows: nothing happens
}

TEST_F(GraphListModelTest, ChangeOnASelectedRowReachesEverySelectedRowInOneStep) {
    Graphs(5);
    list.ClickRow(1, false, false);
    list.ClickRow(3, true, false);
    list.SetBox(3, 1, false); // "Visible"
    EXPECT_EQ(Flags(&TGraph::Visible), (QList<bool>{true, false, true, false, true}));
    window.Undo();
    EXPECT_EQ(Flags(&TGraph::Visible), QList<bool>(5, true));
    list.SetBox(0, 3, true); // an unselected row: its own graph
    EXPECT_EQ(Flags(&TGraph::ShowNodes), (QList<bool>{true, false, false, false, false}));
}

TEST_F(GraphListModelTest, WidthTakesAStepPerGraphAndMarkerSymbolOne) {
    Graphs(4);
    list.ChooseRows(TRowChoice::FirstHalf);
    list.ClickRow(2, true, false);
    list.Set(2, P::LineWidth, 3, TPassOn::StepByStep);
    EXPECT_EQ(G(0).LineWidth(), 3);
    EXPECT_EQ(G(3).LineWidth(), 1);
    EXPECT_EQ(UndoSteps(), 3);
    const uint8_t unselected = G(3).MarkerSymbol();
    list.SetMarker(0, {7});
    EXPECT_EQ(G(2).MarkerSymbol(), 7);
    EXPECT_EQ(G(3).MarkerSymbol(), unselected);
    EXPECT_EQ(UndoSteps(), 1);
}

TEST_F(GraphListModelTest, RowClicksWithShiftAndCtrl) {
    Graphs(6);
    list.ClickRow(1, false, false);
    list.ClickRow(4, false, true);
    EXPECT_EQ(Selection(), (QList<bool>{false, true, true, true, true, false}));
    list.ClickRow(2, true, false);
    EXPECT_EQ(Selection(), (QList<bool>{false, true, false, true, true, false}));
    EXPECT_EQ(list.Anchor(), 2);
    list.ClickRow(0, false, true);
    EXPECT_EQ(Selection(), (QList<bool>{true, true, true, false, false, false}));
}

TEST_F(GraphListModelTest, RowChoices) {
    Graphs(5);
    const struct {
        TRowChoice Choice;
        QList<bool> Rows;
    } cases[] = {
        {TRowChoice::All, {true, true, true, true, true}},
        {TRowChoice::Clear, {false, false, false, false, false}},
        {TRowChoice::Odd, {true, false, true, false, true}},
        {TRowChoice::Invert, {false, true, false, true, false}},
        {TRowChoice::Even, {false, true, false, true, false}},
        {TRowChoice::FirstHalf, {true, true, false, false, false}},
        {TRowChoice::SecondHalf, {false, false, true, true, true}},
    };
    for (const auto& c : cases) {
        list.ChooseRows(c.Choice);
        EXPECT_EQ(Selection(), c.Rows) << int(c.Choice);
    }
}

// The selected rows pass their value on to each other; still each box is inverted exactly once.
TEST_F(GraphListModelTest, InvertingAColumnInvertsEachBoxOnce) {
    Graphs(4);
    G(1).SetVisible(false);
    window.ClearUndoHistory();
    list.ChooseRows(TRowChoice::All);
    list.ChooseBoxes(1, TBoxChoice::Invert);
    EXPECT_EQ(Flags(&TGraph::Visible), (QList<bool>{false, true, false, false}));
    EXPECT_EQ(UndoSteps(), 1);
    EXPECT_EQ(Flags(&TGraph::Visible), (QList<bool>{true, false, true, true}));
    list.ChooseBoxes(2, TBoxChoice::Clear);
    EXPECT_EQ(Flags(&TGraph::MarkersVisible), QList<bool>(4, false));
}

TEST_F(GraphListModelTest, AutomaticMarkersFromTheHeader) {
    Graphs(14);
    list.SetAllMarkers({0, TMarkerChoice::Automatic});
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(G(i).MarkerSymbol(), i + 1);
    for (int i : {12, 13}) {
        EXPECT_EQ(G(i).MarkerSymbol(), 0);
        EXPECT_EQ(G(i).MarkerText(), QString::number(G(i).Layer()));
    }
    list.SetMarker(0, {0, TMarkerChoice::Name});
    EXPECT_EQ(G(0).MarkerText(), G(0).Name());
}

TEST_F(GraphListModelTest, RestoreLayersFollowsTheListInOneStep) {
    Graphs(4);
    G(0).SetLayer(3);
    G(2).SetLayer(0);
    window.ClearUndoHistory();
    list.RestoreLayers();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(G(i).Layer(), i);
    list.SetAll(P::Color, TColor(0x0000FF));
    EXPECT_EQ(G(3).Color(), 0x0000FF);
    EXPECT_EQ(UndoSteps(), 2);
    EXPECT_EQ(G(0).Layer(), 3);
}

TEST(RowShade, LightColoursDarkenDarkOnesLighten) {
    EXPECT_EQ(RowShade(0xFFFFFF), 0xF3F3F3);
    EXPECT_EQ(RowShade(0x05FAFA), 0x00EEEE);
    EXPECT_EQ(RowShade(0x000000), 0x262626);
    EXPECT_EQ(RowShade(0xDA1000), 0xFF3626);
}
} // namespace
