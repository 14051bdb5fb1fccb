#include "tools/PrintLayout.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr double kA4W = 2100, kA4H = 2970;

TPrintLayout A4(bool landscape = false) {
    TPrintLayout layout;
    layout.SetPaper(kA4W, kA4H, landscape);
    return layout;
}

void ExpectArea(const TPrintArea& area, const TPrintArea& expected) {
    EXPECT_NEAR(area.Left, expected.Left, 1e-9);
    EXPECT_NEAR(area.Top, expected.Top, 1e-9);
    EXPECT_NEAR(area.Width, expected.Width, 1e-9);
    EXPECT_NEAR(area.Height, expected.Height, 1e-9);
}

struct PresetCase {
    int Preset;
    bool Landscape;
    TPrintArea Area;
};

TEST(PrintLayout, PresetsPlaceTheAreaInsideTheMargins) {
    const PresetCase cases[] = {
        {0, false, {200, 50, 1850, 2870}},
        {3, false, {200, 50, 1850, 1435}},
        {4, false, {200, 1485, 1850, 1435}},
        {1, true, {200, 50, 2720, 2000}},
    };
    for (const PresetCase& c : cases) {
        TPrintLayout layout = A4(c.Landscape);
        layout.ChoosePreset(c.Preset);
        SCOPED_TRACE(c.Preset);
        ExpectArea(layout.Area(), c.Area);
        EXPECT_EQ(layout.KeepProportions(), c.Preset % 2 == 0);
    }
}

TEST(PrintLayout, TurningThePaperReappliesThePreset) {
    TPrintLayout layout = A4();
    layout.SetPaper(kA4W, kA4H, true);
    ExpectArea(layout.Area(), {200, 50, 2720, 2000});
}

struct UnitCase {
    TPrintUnit Unit;
    double Tenths;
    QString Text;
};

TEST(PrintLayout, LengthsInTheChosenUnit) {
    const UnitCase cases[] = {
        {TPrintUnit::Millimetres, 200, u"20"_s}, {TPrintUnit::Millimetres, 1234.5, u"123.45"_s},
        {TPrintUnit::Centimetres, 200, u"2"_s},  {TPrintUnit::Centimetres, 1234.5, u"12.345"_s},
        {TPrintUnit::Inches, 200, u"0.7874"_s},  {TPrintUnit::Inches, 0, u"0"_s},
    };
    for (const UnitCase& c : cases) {
        EXPECT_EQ(FormatLength(c.Tenths, c.Unit), c.Text);
        EXPECT_NEAR(ParseLength(c.Text, c.Unit).value(), c.Tenths, 1e-9) << c.Text.toStdString();
    }
    EXPECT_FALSE(ParseLength(u"12,5"_s, TPrintUnit::Millimetres));
    EXPECT_FALSE(ParseLength(u"inf"_s, TPrintUnit::Millimetres));
    EXPECT_FALSE(ParseLength(u"1e300"_s, TPrintUnit::Millimetres));
    EXPECT_TRUE(ParseLength(u"-1e5"_s, TPrintUnit::Millimetres));
}

TEST(PrintLayout, TypingUnselectsThePresetAndChoosingItRestores) {
    TPrintLayout layout = A4();
    layout.Unit = TPrintUnit::Centimetres;
    EXPECT_FALSE(layout.SetAreaText(TAreaField::Width, u"wide"_s));
    EXPECT_EQ(layout.ChosenPreset(), 0);
    EXPECT_TRUE(layout.SetAreaText(TAreaField::Width, u"10"_s));
    EXPECT_EQ(layout.Area().Width, 1000);
    EXPECT_EQ(layout.ChosenPreset(), -1);
    EXPECT_TRUE(layout.CanSavePreset());
    layout.ChoosePreset(0);
    ExpectArea(layout.Area(), {200, 50, 1850, 2870});

    layout.SetKeepProportions(true);
    EXPECT_EQ(layout.ChosenPreset(), 0);
    layout.SetKeepProportions(false);
    EXPECT_EQ(layout.ChosenPreset(), -1);
}

TEST(PrintLayout, SavedPresetIsProportionalOnAnotherPaper) {
    TPrintLayout layout = A4();
    layout.SetArea({200 + 925, 50 + 287, 462.5, 1435});
    const TGraphPreset preset = layout.PresetFromArea(u"Угол"_s).value();
    layout.SavePreset(preset);
    EXPECT_EQ(layout.ChosenPreset(), TPrintLayout::kBuiltInPresets);
    EXPECT_TRUE(layout.CanDeletePreset());

    layout.SetPaper(1480, 2100, false); // A5: (1480 - 250) × (2100 - 100) inside the margins
    ExpectArea(layout.Area(), {200 + 615, 50 + 200, 307.5, 1000});

    TGraphPreset replaced = preset;
    replaced.X1 = 1;
    layout.SavePreset(replaced);
    EXPECT_EQ(layout.Presets().size(), TPrintLayout::kBuiltInPresets + 1);
    layout.DeletePreset(0);
    EXPECT_EQ(layout.Presets().size(), TPrintLayout::kBuiltInPresets + 1);
    layout.DeletePreset(TPrintLayout::kBuiltInPresets);
    EXPECT_EQ(layout.Presets().size(), TPrintLayout::kBuiltInPresets);
    EXPECT_EQ(layout.ChosenPreset(), -1);
}

TEST(PrintLayout, MarginsWiderThanThePaperSaveNoPreset) {
    TPrintLayout layout = A4();
    layout.SetMargins({{}, 1100, 50, 1000, 50});
    EXPECT_FALSE(layout.PresetFromArea(u"x"_s));
}

TEST(PrintLayout, MarginSetsReplaceByName) {
    TPrintLayout layout;
    EXPECT_EQ(layout.SaveMarginSet({u"a"_s, 1, 2, 3, 4}), 0);
    EXPECT_EQ(layout.SaveMarginSet({u"b"_s, 1, 2, 3, 4}), 1);
    EXPECT_EQ(layout.SaveMarginSet({u"a"_s, 9, 9, 9, 9}), 0);
    EXPECT_EQ(layout.MarginSets[0].Left, 9);
}

TEST(PrintLayout, ZeroPaperOrEmptyAreaIsRefused) {
    TPrintLayout layout;
    EXPECT_EQ(layout.PrintProblem(), printmsg::PaperSizeZero());
    EXPECT_FALSE(layout.Preview({0, 0, 400, 300}, 1.5).Valid);
    layout.SetPaper(0, 0, true);
    EXPECT_EQ(layout.Area(), TPrintArea{});
    layout.SetPaper(kA4W, kA4H, false);
    EXPECT_FALSE(layout.Preview({0, 0, 22, 300}, 1.5).Valid); // no room for the sheet's inside
    EXPECT_TRUE(layout.PrintProblem().isEmpty());
    layout.SetAreaText(TAreaField::Height, u"0"_s);
    EXPECT_EQ(layout.PrintProblem(), printmsg::AreaEmpty());
    const TPreviewGeometry preview = layout.Preview({0, 0, 400, 300}, 1.5);
    EXPECT_TRUE(preview.Valid);
    EXPECT_LE(preview.Figure.Height(), 0); // nothing to draw the figure into
}

TEST(PrintLayout, PreviewSheetKeepsThePaperAndFigureTheWindowAspect) {
    TPrintLayout layout = A4();
    const TPreviewGeometry g = layout.Preview({0, 0, 400, 300}, 2.0);
    ASSERT_TRUE(g.Valid);
    EXPECT_EQ(g.Sheet.Height(), 280);
    EXPECT_EQ(g.Sheet.Width(), std::lround(280 * kA4W / kA4H));
    EXPECT_EQ(g.Area.Left - g.Inside.Left, std::lround(200 * g.ScaleX));
    EXPECT_NEAR(double(g.Figure.Width()) / g.Figure.Height(), 2.0, 0.1);
    EXPECT_NEAR(g.Figure.Left, g.Area.Left, 1);
    EXPECT_NEAR(g.Figure.Top - g.Area.Top, g.Area.Bottom - g.Figure.Bottom, 2);

    layout.ChoosePreset(1);
    const TPreviewGeometry filled = layout.Preview({0, 0, 400, 300}, 2.0);
    EXPECT_EQ(filled.Area, filled.MarginsRect);
    EXPECT_EQ(filled.Figure, (TRect{filled.Area.Left + 1, filled.Area.Top + 1, filled.Area.Right - 1,
                                    filled.Area.Bottom - 1}));
}

struct DragCase {
    TAreaDrag Kind;
    double FromX, FromY; // 0 left or top edge, 1 right or bottom edge, 0.5 between
    int Dl, Dt, Dr, Db;  // the edges' moves for a mouse move of (+6, +4)
};

TEST(PrintLayout, NineDragsMoveTheirEdges) {
    using enum TAreaDrag;
    const DragCase cases[] = {
        {TopLeft, 0, 0, 6, 4, 0, 0},     {TopRight, 1, 0, 0, 4, 6, 0}, {BottomLeft, 0, 1, 6, 0, 0, 4},
        {BottomRight, 1, 1, 0, 0, 6, 4}, {Left, 0, 0.5, 6, 0, 0, 0},   {Right, 1, 0.5, 0, 0, 6, 0},
        {Top, 0.5, 0, 0, 4, 0, 0},       {Bottom, 0.5, 1, 0, 0, 0, 4}, {Move, 0.5, 0.5, 6, 4, 6, 4},
    };
    for (const DragCase& c : cases) {
        TPrintLayout layout = A4();
        layout.ChoosePreset(3);
        const TRect box{0, 0, 400, 300};
        const TPreviewGeometry before = layout.Preview(box, 1.5);
        const TRect r = before.DragRect;
        const TPoint from{int(r.Left + c.FromX * r.Width()), int(r.Top + c.FromY * r.Height())};
        SCOPED_TRACE(int(c.Kind));
        ASSERT_EQ(layout.BeginDrag(before, from), c.Kind);
        ASSERT_TRUE(layout.DragTo(before, {from.X + 6, from.Y + 4}));
        EXPECT_EQ(layout.ChosenPreset(), -1);
        const TRect after = layout.Preview(box, 1.5).DragRect;
        const TRect expected{r.Left + c.Dl, r.Top + c.Dt, r.Right + c.Dr, r.Bottom + c.Db};
        if (c.Kind == Move) { // keeps its size in tenths of a millimetre, so its pixels may round apart
            EXPECT_EQ(layout.Area().Width, 1850);
            EXPECT_EQ(layout.Area().Height, 1435);
            EXPECT_EQ(after.Left, expected.Left);
            EXPECT_EQ(after.Top, expected.Top);
            EXPECT_NEAR(after.Right, expected.Right, 1);
        } else {
            EXPECT_EQ(after, expected);
        }
    }
}

TEST(PrintLayout, DragPastTheOppositeEdgeTurnsAround) {
    TPrintLayout layout = A4();
    const TRect box{0, 0, 400, 300};
    TPreviewGeometry g = layout.Preview(box, 1.5);
    const TRect r = g.DragRect;
    layout.BeginDrag(g, {r.Right, (r.Top + r.Bottom) / 2});
    layout.DragTo(g, {r.Left - 20, (r.Top + r.Bottom) / 2});
    EXPECT_EQ(layout.Dragging(), TAreaDrag::Left);
    EXPECT_GT(layout.Area().Width, 0);
    g = layout.Preview(box, 1.5);
    EXPECT_NEAR(g.DragRect.Left, r.Left - 20, 2);
    EXPECT_NEAR(g.DragRect.Right, r.Left, 2);
    EXPECT_EQ(TPrintLayout::DragAt(r, {r.Left - 5, r.Top + 5}), TAreaDrag::None);
}

TEST(PrintLayout, PrintTargetInDevicePixels) {
    TPrintLayout layout = A4();
    layout.ChoosePreset(1);
    const double k = 1200 / 254.0;
    const TRect whole = layout.PrintTarget(k, k, 2.0);
    EXPECT_EQ(whole, (TRect{int(200 * k) + 1, int(50 * k) + 1, int(2050 * k), int(2920 * k)}));
    layout.SetKeepProportions(true);
    const TRect fitted = layout.PrintTarget(k, k, 2.0);
    EXPECT_EQ(fitted.Left, whole.Left);
    EXPECT_EQ(fitted.Right, whole.Right);
    EXPECT_NEAR(fitted.Height(), 1850 * k / 2, 2);
    EXPECT_NEAR(fitted.Top - whole.Top, whole.Bottom - fitted.Bottom, 2);

    // An area from the paper's corner on a printer that cannot print the outer 5 mm.
    layout.SetArea({0, 0, 1000, 1000});
    const int edge = int(50 * k);
    const TRect printable{edge, edge, int(2050 * k), int(2920 * k)};
    EXPECT_TRUE(TPrintLayout::OutsidePrintable(layout.PrintTarget(k, k, 2.0), printable));
    layout.SetArea({50, 50, 1000, 1000});
    EXPECT_FALSE(TPrintLayout::OutsidePrintable(layout.PrintTarget(k, k, 2.0), printable));
}

} // namespace
