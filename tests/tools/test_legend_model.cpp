#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/LegendModel.h"

#include "model/Graph.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using legend::TSelection;

namespace {

struct LegendModelTest : WindowTest {
    void AddGraphs(int n) {
        for (int i = 0; i < n; ++i)
            Add(testutil::Ramp(3), testutil::Ramp(3), u"g%1"_s.arg(i));
    }
    QString Listed() const {
        QString s;
        for (int i = 0; i < window.GraphCount(); ++i)
            s += window.GraphByIndex(i)->InLegend() ? u"1"_s : u"0"_s;
        return s;
    }
};

TEST_F(LegendModelTest, PositionClearsOffsetsAndOneUndoRestoresAll) {
    window.SetLegendOffsetX(-30);
    window.SetLegendOffsetY(12);
    legend::ChoosePosition(window, 8 - 2); // from the default bottom right to the bottom left
    legend::ChoosePosition(window, 8);
    EXPECT_EQ(window.LegendOffsetX(), 0);
    EXPECT_EQ(window.LegendOffsetY(), 0);
    EXPECT_EQ(window.LegendPosition(), 8);
    window.Undo();
    EXPECT_EQ(window.LegendPosition(), 6);
    window.Undo();
    EXPECT_EQ(window.LegendPosition(), 8);
    EXPECT_EQ(window.LegendOffsetX(), -30);
    EXPECT_EQ(window.LegendOffsetY(), 12);
}

struct OffsetCase {
    bool Vertical;
    QString Text;
    bool Stored;
    int OffsetX, OffsetY;
};

TEST_F(LegendModelTest, OffsetTextStoresOnlyWholeNumbers) {
    const OffsetCase cases[] = {
        {true, u"20"_s, true, 5, -20},   {false, u"-7"_s, true, -7, 3},       {true, u"-"_s, false, 5, 3},
        {false, u"-"_s, false, 5, 3},    {false, u""_s, false, 5, 3},         {true, u"1.5"_s, false, 5, 3},
        {false, u"5001"_s, false, 5, 3}, {false, u"-5000"_s, true, -5000, 3}, {true, u"x2"_s, false, 5, 3},
    };
    for (const OffsetCase& c : cases) {
        window.SetLegendOffsetX(5);
        window.SetLegendOffsetY(3);
        EXPECT_EQ(legend::ApplyOffsetText(window, c.Vertical, c.Text), c.Stored) << c.Text.toStdString();
        EXPECT_EQ(window.LegendOffsetX(), c.OffsetX) << c.Text.toStdString();
        EXPECT_EQ(window.LegendOffsetY(), c.OffsetY) << c.Text.toStdString();
        EXPECT_EQ(legend::ShownOffset(window, c.Vertical), c.Vertical ? -c.OffsetY : c.OffsetX);
    }
}

TEST_F(LegendModelTest, ColumnsStopAtTheGraphCount) {
    EXPECT_TRUE(legend::SetColumns(window, 1));
    EXPECT_FALSE(legend::SetColumns(window, 2));
    AddGraphs(3);
    EXPECT_TRUE(legend::SetColumns(window, 3));
    EXPECT_FALSE(legend::SetColumns(window, 4));
    EXPECT_FALSE(legend::SetColumns(window, 0));
    EXPECT_EQ(window.LegendColumns(), 3);
}

TEST_F(LegendModelTest, AsksForGraphsOnlyWhenNoVisibleOneIsListed) {
    EXPECT_FALSE(legend::ListsNoVisibleGraph(window));
    AddGraphs(2);
    EXPECT_FALSE(legend::ListsNoVisibleGraph(window));
    window.GraphByIndex(0)->SetInLegend(false);
    window.GraphByIndex(1)->SetVisible(false);
    EXPECT_TRUE(legend::ListsNoVisibleGraph(window));
}

struct SelectionCase {
    TSelection Selection;
    int Count;
    QString Before, After;
};

TEST_F(LegendModelTest, SelectionButtonsInOneUndoStep) {
    const SelectionCase cases[] = {
        {TSelection::All, 3, u"010"_s, u"111"_s},
        {TSelection::None, 3, u"110"_s, u"000"_s},
        {TSelection::Invert, 4, u"0110"_s, u"1001"_s},
        {TSelection::Odd, 5, u"00000"_s, u"10101"_s},
        {TSelection::Even, 5, u"11111"_s, u"01010"_s},
        {TSelection::FirstHalf, 5, u"00000"_s, u"11000"_s},
        {TSelection::SecondHalf, 5, u"00000"_s, u"00111"_s},
    };
    for (const SelectionCase& c : cases) {
        window.DeleteAllGraphs();
        AddGraphs(c.Count);
        for (int i = 0; i < c.Count; ++i)
            window.GraphByIndex(i)->SetInLegend(c.Before[i] == u'1');
        legend::Select(window, c.Selection);
        EXPECT_EQ(Listed(), c.After);
        window.Undo();
        EXPECT_EQ(Listed(), c.Before);
    }
}

TEST_F(LegendModelTest, FontColourFollowsTheChooser) {
    TFontRec font;
    font.Size = 14;
    legend::ApplyFont(window, font, 0x0000FF);
    EXPECT_EQ(window.LegendFont().Size, 14);
    EXPECT_EQ(window.Colors.Get(TColorScheme::LegendText), TColor(0x0000FF));
}

TEST(LegendColumnWidths, ScrollBarTakesRoomOnlyWhenRowsDoNotFit) {
    const legend::TColumnWidths fit = legend::ColumnWidths(300, 200, 16, 5, 17);
    EXPECT_EQ(fit.Check, 32);
    EXPECT_EQ(fit.Name, 104); // 0.4 × (300 − 32 − 8)
    EXPECT_EQ(fit.Text, 156);
    const legend::TColumnWidths crowded = legend::ColumnWidths(300, 200, 16, 20, 17);
    EXPECT_EQ(crowded.Name, 97); // 0.4 × 243, rounded
    EXPECT_EQ(legend::ColumnWidths(20, 200, 16, 2, 17).Name, 0);
}

} // namespace
