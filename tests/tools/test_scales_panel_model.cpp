#include "tools/ScalesPanelModel.h"

#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <gtest/gtest.h>

#include <limits>

using testutil::Ramp;
using V = TViewBox;
using C = TBindColumn;

namespace {
struct ScalesPanelTest : WindowTest {
    TScalesPanelModel panel{window};

    void Graphs(int count) {
        UseManualTime();
        window.AnimatedZoom = window.AnimatedUndo = false;
        for (int i = 0; i < count; ++i)
            Add(Ramp(11, 0, i + 1), Ramp(11, i, 3 * i + 1));
        window.ClearUndoHistory();
        panel.Rows().Rebuild();
    }
    TGraph& G(int index) { return *window.GraphByIndex(index); }
    Extended View(int row, V box) const { return panel.View(row, box); }
    // The six views of every row, to see that nothing changed (a std::vector compares values, a QList
    // of extended values compares their padding bytes too).
    std::vector<Extended> AllViews() const {
        std::vector<Extended> views;
        for (int row = 0; row < panel.Rows().RowCount(); ++row)
            for (int box = 0; box < ViewBoxCount; ++box)
                views.push_back(View(row, V(box)));
        return views;
    }
    void Near(Extended actual, Extended expected) {
        EXPECT_NEAR(double(actual), double(expected), 1e-9 * std::max(1.0, std::fabs(double(expected))));
    }
};

TEST(ViewTextTest, ShortestTextReadsBackExactly) {
    for (const Extended v :
         {Extended(0), 0.1L, 1 / 3.0L, -2.5e300L, 45000.001L, 1e-4000L, 123456789012345678.0L}) {
        const QString text = ViewText(v);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(ParseViewText(text), v);
        if (v != 0) {
            EXPECT_NE(ParseViewText(text.chopped(1)), v); // no digit to spare
        }
    }
    EXPECT_EQ(ViewText(0.1L), QStringLiteral("0.1"));
}

TEST(ViewTextTest, AcceptsPointOrCommaAndNothingElse) {
    EXPECT_EQ(ParseViewText(QStringLiteral(" 1,5 ")), 1.5L);
    EXPECT_EQ(ParseViewText(QStringLiteral("-2.5e3")), -2500.0L);
    for (const char* bad : {"", " ", "abc", "1.5x", "1e99999", "inf", "nan", "1,5,5", "--1"})
        EXPECT_FALSE(ParseViewText(QString::fromLatin1(bad))) << bad;
}

TEST_F(ScalesPanelTest, TypedEdgesAndSizesSetTheView) {
    Graphs(1);
    struct Case {
        V Box;
        const char* Text;
        V Checked;
        Extended Expected;
    };
    const Case cases[] = {{V::Left, "2", V::Left, 2},   {V::Right, "7,5", V::Width, 5.5},
                          {V::Width, "3", V::Right, 5}, {V::Bottom, "-1", V::Bottom, -1},
                          {V::Top, "4", V::Height, 5},  {V::Height, "0.5", V::Top, -0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_TRUE(panel.TypeView(0, c.Box, QString::fromLatin1(c.Text)));
        Near(View(0, c.Checked), c.Expected);
    }
}

TEST_F(ScalesPanelTest, RefusedValuesChangeNothing) {
    Graphs(2);
    const std::vector<Extended> before = AllViews();
    const Extended left = View(0, V::Left), bottom = View(0, V::Bottom);
    const struct {
        V Box;
        QString Text;
    } cases[] = {{V::Width, QStringLiteral("0")},
                 {V::Height, QStringLiteral("-3")},
                 {V::Right, ViewText(left)},
                 {V::Top, ViewText(bottom - 1)},
                 {V::Left, QStringLiteral("x")},
                 {V::Width, QStringLiteral("1e5000")},
                 {V::Left, ViewText(left + View(0, V::Width) * 1e-8L)}}; // below the change that counts
    for (const auto& c : cases)
        panel.TypeView(0, c.Box, c.Text);
    EXPECT_EQ(AllViews(), before);
    // Non-finite values from any caller never reach a scale.
    const Extended inf = std::numeric_limits<Extended>::infinity();
    for (const Extended bad : {inf, -inf, std::numeric_limits<Extended>::quiet_NaN()}) {
        window.SetViewLeft(G(0).ID, bad);
        window.SetViewWidth(G(0).ID, bad);
        window.SetViewRight(G(0).ID, bad);
        window.SetViewTop(G(0).ID, bad);
    }
    EXPECT_EQ(AllViews(), before);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(ScalesPanelTest, FixedRatioKeepsTheUnitSquareAndTheBottom) {
    Graphs(1);
    panel.SwitchFixedRatio(0);
    EXPECT_TRUE(G(0).FixedRatio());
    const Extended bottom = View(0, V::Bottom);
    panel.TypeView(0, V::Width, QStringLiteral("4"));
    Near(View(0, V::Width), 4);
    Near(View(0, V::Bottom), bottom);
    const TGraphMapping& m = G(0).Mapping;
    Near(m.LengthToPixelX(1), m.FitY * m.ZoomY);
}

TEST_F(ScalesPanelTest, LeftEdgeOfAPositionGroupMoves) {
    Graphs(2);
    panel.SetGroup(0, C::PosX, 1);
    panel.SetGroup(1, C::PosX, 1);
    EXPECT_EQ(panel.Group(1, C::PosX), 1);
    panel.TypeView(0, V::Left, QStringLiteral("5"));
    Near(View(0, V::Left), 5);
    Near(View(1, V::Left), 5 * G(0).Mapping.LengthToPixelX(1) / G(1).Mapping.LengthToPixelX(1));
}

TEST_F(ScalesPanelTest, SelectedRowsChangeTogetherInOneStep) {
    Graphs(5);
    panel.Rows().ClickRow(1, false, false);
    panel.Rows().ClickRow(3, false, true);
    G(2).SetAllowScaleX(false);
    window.ClearUndoHistory();
    const auto allowScaleX = [this] {
        QList<bool> flags;
        for (int i = 0; i < 5; ++i)
            flags.append(G(i).AllowScaleX());
        return flags;
    };
    panel.SwitchPermission(2, C::ScaleX);
    EXPECT_EQ(allowScaleX(), (QList<bool>{true, true, true, true, true}));
    panel.SwitchPermission(2, C::ScaleX);
    EXPECT_EQ(allowScaleX(), (QList<bool>{true, false, false, false, true}));
    panel.SwitchPermission(0, C::ScaleX); // an unselected row: that row alone
    EXPECT_EQ(allowScaleX(), (QList<bool>{false, false, false, false, true}));
    window.Undo();
    window.Undo();
    EXPECT_EQ(allowScaleX(), (QList<bool>{true, true, true, true, true}));

    const std::vector<Extended> views = AllViews();
    panel.TypeView(1, V::Width, QStringLiteral("2"));
    for (int row : {1, 2, 3})
        Near(View(row, V::Width), 2);
    window.Undo();
    EXPECT_EQ(AllViews(), views);
}

TEST_F(ScalesPanelTest, EveryChangeIsOneUndoStep) {
    Graphs(3);
    panel.Rows().ChooseRows(TRowChoice::All);
    const auto snapshot = [this] {
        QList<int32_t> state;
        for (int i = 0; i < 3; ++i)
            state << G(i).ScaleGroupX() << G(i).PosGroupY() << G(i).FixedRatio() << G(i).AllowShiftX()
                  << G(i).AllowScaleY();
        return state;
    };
    const QList<int32_t> before = snapshot();
    const std::function<void()> changes[] = {
        [this] { panel.SetAllPermissions(0, false); },
        [this] { panel.SwitchFixedRatio(1); },
        [this] { panel.SetGroup(2, C::ScaleX, 4); },
        [this] { panel.ChoosePermissions(C::PosX, TBoxChoice::Invert); },
        [this] { panel.SetEveryGroup(C::PosY, 8); },
    };
    for (const auto& change : changes) {
        change();
        EXPECT_NE(snapshot(), before);
        window.Undo();
        EXPECT_EQ(snapshot(), before);
        EXPECT_FALSE(window.HaveUndo());
    }
}

TEST_F(ScalesPanelTest, GroupsAndTheirPermissions) {
    Graphs(2);
    G(0).SetAllowShiftY(false);
    panel.SetGroup(0, C::PosY, 3);
    EXPECT_TRUE(G(0).AllowShiftY()); // joining a group allows its kind
    EXPECT_EQ(GroupCaption(C::PosY, 3), QStringLiteral("d3"));
    panel.SetGroup(0, C::PosY, NoGroup);
    EXPECT_EQ(panel.Group(0, C::PosY), NoGroup);
    panel.SetGroup(0, C::PosY, 9); // not offered
    EXPECT_EQ(panel.Group(0, C::PosY), NoGroup);

    window.DrawPolicy.SetSingleDirect(2, true); // one X scale for all graphs
    EXPECT_TRUE(panel.SingleGroup(C::ScaleX));
    EXPECT_EQ(panel.Group(1, C::ScaleX), 0);
    panel.SetEveryGroup(C::ScaleX, 2);
    EXPECT_EQ(G(1).ScaleGroupX(), NoGroup);
}
} // namespace
