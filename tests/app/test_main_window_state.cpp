#include "app/MainWindowState.h"
#include "model/DateFormat.h"
#include "model/DecimalLog.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mainstate;

namespace {
using testutil::Ramp;

struct Figure {
    TSuperGrWindow window;
    Figure() { window.SetClientSize(400, 300); }
    TGraph* Add(const QString& name = {}) {
        window.AddGraph(name, false, {}, Ramp(11), Ramp(11, 0, 2));
        return window.GraphByIndex(window.GraphCount() - 1);
    }
};
} // namespace

TEST(StatusText, CoordinatesAreFixedPointWithSixDecimalsAndSixteenDigits) {
    EXPECT_EQ(FormatCoordinate(1.5L), QStringLiteral("1.500000"));
    EXPECT_EQ(FormatCoordinate(-0.000123L), QStringLiteral("-0.000123"));
    EXPECT_EQ(FormatCoordinate(0.1234567L), QStringLiteral("0.123457"));
    EXPECT_EQ(FormatCoordinate(0), QStringLiteral("0.000000"));
    EXPECT_EQ(FormatCoordinate(-1e-9L), QStringLiteral("0.000000"));
    EXPECT_EQ(FormatCoordinate(1234567890.25L), QStringLiteral("1234567890.250000"));
    // Beyond ten integer digits only sixteen significant digits remain.
    EXPECT_EQ(FormatCoordinate(1234567890123.456789L), QStringLiteral("1234567890123.457000"));
    EXPECT_EQ(FormatCoordinate(1234567890123456.7L), QStringLiteral("1234567890123457.000000"));
    // More integer digits than the precision: the short exponent form.
    EXPECT_EQ(FormatCoordinate(1e20L), QStringLiteral("1E20"));
    EXPECT_EQ(FormatCoordinate(-12345678901234567.0L), QStringLiteral("-1.234567890123457E16"));
    EXPECT_EQ(FormatCoordinate(NAN), QStringLiteral("NAN"));
    EXPECT_EQ(FormatCoordinate(-INFINITY), QStringLiteral("-INF"));
}

TEST(StatusText, DateTimeShowsTheTimeUnlessMidnight) {
    SetLocaleDateFormats({QStringLiteral("dd.MM.yyyy"), QStringLiteral("H:mm:ss")});
    EXPECT_EQ(FormatDateTime(45000), QStringLiteral("15.03.2023"));
    EXPECT_EQ(FormatDateTime(45000.75L), QStringLiteral("15.03.2023 18:00:00"));
    ResetLocaleDateFormats();
}

TEST(StatusText, CoordinatesOfTheTopGraph) {
    Figure f;
    EXPECT_EQ(CoordinatesText(f.window, 10, 10), QString());
    TGraph* g = f.Add();
    f.window.PrepareForPaint(f.window.ClientRect());
    const QString expected = QStringLiteral(" X= ") + FormatCoordinate(g->PixelToDataX(100)) +
                             QStringLiteral(";  Y= ") + FormatCoordinate(g->PixelToDataY(50));
    EXPECT_EQ(CoordinatesText(f.window, 100, 50), expected);
    EXPECT_TRUE(expected.startsWith(QStringLiteral(" X= ")));

    g->SetDateTimeArg(true);
    SetLocaleDateFormats({QStringLiteral("dd.MM.yyyy"), QStringLiteral("H:mm:ss")});
    EXPECT_EQ(CoordinatesText(f.window, 100, 50),
              QStringLiteral(" T= ") + FormatDateTime(g->PixelToDataX(100)) + QStringLiteral(";  Y= ") +
                  FormatCoordinate(g->PixelToDataY(50)));
    ResetLocaleDateFormats();
}

TEST(StatusText, LogarithmicAxisShowsTenToTheMappedValue) {
    Figure f;
    f.Add();
    f.window.AddGraph(QStringLiteral("log"), false, {}, Ramp(5, 0, 1), TDoubleArray{1, 10, 100, 1000, 10000});
    TGraph* log = f.window.GraphByIndex(1);
    log->SetLogY(true);
    ASSERT_TRUE(log->LogY());
    log->SetLayer(0);
    f.window.PrepareForPaint(f.window.ClientRect());
    const Extended mapped = log->PixelToDataY(80);
    const QString text = CoordinatesText(f.window, 100, 80);
    EXPECT_TRUE(text.endsWith(QStringLiteral(";  Y= ") + FormatCoordinate(Pow10(mapped))))
        << text.toStdString();
}

TEST(StatusText, ModesAndModified) {
    EXPECT_EQ(ModifiedText(true), QStringLiteral("*"));
    EXPECT_EQ(ModifiedText(false), QString());
    EXPECT_EQ(ToolModeText(tmMove), QStringLiteral("смещение"));
    EXPECT_EQ(ToolModeText(tmZoom), QStringLiteral("масштабирование"));
    EXPECT_EQ(ToolModeText(tmEdit), QStringLiteral("работа с узлами"));
    EXPECT_EQ(ToolModeText(tmNothing), QString());
    EXPECT_EQ(EditModeText(emSelect), QStringLiteral("выбрать узлы"));
    EXPECT_EQ(EditModeText(emDelete), QStringLiteral("удалить узлы"));
    EXPECT_EQ(EditModeText(emInsert), QStringLiteral("добавить узлы"));
    EXPECT_EQ(EditModeText(emMove), QStringLiteral("редактировать узлы"));
    EXPECT_EQ(EditModeText(emNothing), QString());
    EXPECT_EQ(EditModeText(emMoving), QString());
}

TEST(StatusIcons, PermissionIconsFollowTheNineCases) {
    // n = 3 graphs; (m, l) = graphs allowing along X and along Y.
    const struct {
        int m, l, scale, move;
    } cases[] = {{0, 0, 17, 8}, {3, 3, 9, 0},  {3, 0, 13, 4}, {0, 3, 14, 5}, {3, 1, 12, 3},
                 {1, 3, 11, 2}, {1, 0, 15, 6}, {0, 1, 16, 7}, {1, 2, 10, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleIconFor(3, c.m, c.l), c.scale) << c.m << "," << c.l;
        EXPECT_EQ(MoveIconFor(3, c.m, c.l), c.move) << c.m << "," << c.l;
    }
    // No graphs: nothing allows anything.
    EXPECT_EQ(ScaleIconFor(0, 0, 0), 17);
    EXPECT_EQ(MoveIconFor(0, 0, 0), 8);
}

TEST(StatusIcons, AxesIcon) {
    EXPECT_EQ(AxesIconFor(true, true), 18);
    EXPECT_EQ(AxesIconFor(true, false), 20);
    EXPECT_EQ(AxesIconFor(false, true), 19);
    EXPECT_EQ(AxesIconFor(false, false), 21);
}

TEST(StatusIcons, LookOfEachImageNumber) {
    using K = TIconLook::TKind;
    const struct {
        int Icon;
        TIconLook Look;
    } cases[] = {
        {13, {K::Scale, TAxisState::All, TAxisState::None}}, // scaled along X only
        {1, {K::Move, TAxisState::Some, TAxisState::Some}},  // some graphs moved along each axis
        {7, {K::Move, TAxisState::None, TAxisState::Some}},  // some moved along Y only
        {19, {K::Axes, TAxisState::None, TAxisState::All}},  // axes grouped along Y
    };
    for (const auto& c : cases) {
        const TIconLook look = IconLook(c.Icon);
        EXPECT_EQ(look.Kind, c.Look.Kind) << c.Icon;
        EXPECT_EQ(look.X, c.Look.X) << c.Icon;
        EXPECT_EQ(look.Y, c.Look.Y) << c.Icon;
    }
}

TEST(StatusIcons, CountsOfPermissions) {
    Figure f;
    f.Add();
    f.Add();
    f.window.GraphByIndex(1)->SetAllowScaleY(false);
    f.window.GraphByIndex(0)->SetAllowShiftX(false);
    const TPermissionCounts c = CountPermissions(f.window);
    EXPECT_EQ(c.Graphs, 2);
    EXPECT_EQ(c.ScaleX, 2);
    EXPECT_EQ(c.ScaleY, 1);
    EXPECT_EQ(c.ShiftX, 1);
    EXPECT_EQ(c.ShiftY, 2);
    TStatusIcons icons;
    icons.Axes = 21;
    CountPermissionIcons(icons, f.window);
    EXPECT_EQ(icons.Scale, 12);
    EXPECT_EQ(icons.Move, 2);
    EXPECT_EQ(icons.Axes, 21);
}

TEST(StatusIcons, AlignmentLooks) {
    const TIconLook scalesX = AlignmentLook(true, true, false);
    EXPECT_EQ(scalesX.Kind, TIconLook::TKind::Scale);
    EXPECT_EQ(scalesX.X, TAxisState::All);
    EXPECT_EQ(scalesX.Y, TAxisState::None);
    const TIconLook offsetsY = AlignmentLook(false, false, true);
    EXPECT_EQ(offsetsY.Kind, TIconLook::TKind::Move);
    EXPECT_EQ(offsetsY.X, TAxisState::None);
    EXPECT_EQ(offsetsY.Y, TAxisState::All);
}

TEST(StatusGeometry, PanelFiveTakesTheRest) {
    const QList<TRect> rects = PanelRects(1000, 20);
    ASSERT_EQ(rects.size(), 7);
    EXPECT_EQ(rects[0], (TRect{0, 0, 200, 20}));
    EXPECT_EQ(rects[4], (TRect{361, 0, 481, 20}));
    EXPECT_EQ(rects[5].Width(), 1000 - 556 - 8);
    EXPECT_EQ(rects[6], (TRect{917, 0, 992, 20}));
    EXPECT_EQ(PanelRects(300, 20)[5].Width(), 0);
}

TEST(StatusGeometry, SwatchesStopAtThePanelEdge) {
    const QList<TRect> rects = SwatchRects({100, 0, 150, 20}, 3);
    ASSERT_EQ(rects.size(), 2);
    EXPECT_EQ(rects[0], (TRect{102, 2, 118, 18}));
    EXPECT_EQ(rects[1], (TRect{126, 2, 142, 18}));
    EXPECT_TRUE(SwatchRects({0, 0, 100, 3}, 2).isEmpty());
}

TEST(StatusGeometry, SwatchesAreInLayerOrder) {
    Figure f;
    f.Add(QStringLiteral("a"));
    f.Add(QStringLiteral("b"));
    f.window.GraphByIndex(1)->SetLayer(0);
    EXPECT_EQ(GraphsInLayerOrder(f.window), (QList<int>{1, 0}));
    const TRect panel{0, 0, 200, 20};
    EXPECT_EQ(SwatchGraphAt(f.window, panel, 5, 5), 1);
    EXPECT_EQ(SwatchGraphAt(f.window, panel, 30, 5), 0);
    EXPECT_EQ(SwatchGraphAt(f.window, panel, 20, 5), -1); // between swatches
    EXPECT_EQ(SwatchGraphAt(f.window, panel, 60, 5), -1);
}

TEST(StatusGeometry, SelectionDotContrast) {
    EXPECT_TRUE(DarkSelectionDot(MakeColor(100, 100, 100)));
    EXPECT_FALSE(DarkSelectionDot(MakeColor(90, 90, 90)));
    EXPECT_FALSE(DarkSelectionDot(MakeColor(255, 0, 0))); // average 85
    EXPECT_TRUE(DarkSelectionDot(MakeColor(255, 255, 0)));
}

TEST(StatusGeometry, StateIconsAndTheirHits) {
    const TRect panel{0, 0, 75, 20};
    const QList<TRect> rects = IconRects(panel);
    ASSERT_EQ(rects.size(), 3);
    EXPECT_EQ(rects[0], (TRect{6, 0, 26, 20}));
    EXPECT_EQ(rects[1], (TRect{31, 0, 51, 20}));
    EXPECT_EQ(rects[2], (TRect{56, 0, 76, 20}));
    EXPECT_EQ(IconAt(panel, 10, 5), 0);
    EXPECT_EQ(IconAt(panel, 35, 5), 1);
    EXPECT_EQ(IconAt(panel, 28, 5), -1);
    EXPECT_EQ(IconAt(panel, 60, 19), 2);
    EXPECT_EQ(IconAt(panel, 2, 5), -1);
}

TEST(Commands, EnabledRules) {
    TCommandState nothing;
    const TCommandState everything{true, true, true, true, tmNothing, zmNone};
    const struct {
        TEnabledRule rule;
        bool withNothing, withEverything;
    } rules[] = {{TEnabledRule::Always, true, true},         {TEnabledRule::WithGraphs, false, true},
                 {TEnabledRule::WithUndo, false, true},      {TEnabledRule::WithRedo, false, true},
                 {TEnabledRule::WithSavedAxes, false, true}, {TEnabledRule::NodeWork, true, true}};
    for (const auto& r : rules) {
        EXPECT_EQ(CommandEnabled(r.rule, nothing), r.withNothing) << int(r.rule);
        EXPECT_EQ(CommandEnabled(r.rule, everything), r.withEverything) << int(r.rule);
        TCommandState busy = everything;
        busy.Busy = true; // a file work running off the GUI thread stops every command
        EXPECT_FALSE(CommandEnabled(r.rule, busy)) << int(r.rule);
    }
    // Each state enables its own rule only.
    TCommandState undo;
    undo.Undo = true;
    EXPECT_TRUE(CommandEnabled(TEnabledRule::WithUndo, undo));
    EXPECT_FALSE(CommandEnabled(TEnabledRule::WithRedo, undo));
    EXPECT_FALSE(CommandEnabled(TEnabledRule::WithGraphs, undo));
    // Node commands stop while a zoom mode is active in node work.
    TCommandState zoomInNodeWork{true, false, false, false, tmEdit, zmZoomWndStart};
    EXPECT_FALSE(CommandEnabled(TEnabledRule::NodeWork, zoomInNodeWork));
    EXPECT_TRUE(CommandEnabled(TEnabledRule::WithGraphs, zoomInNodeWork));
    zoomInNodeWork.Zoom = zmNone;
    EXPECT_TRUE(CommandEnabled(TEnabledRule::NodeWork, zoomInNodeWork));
}

TEST(Commands, ZoomCommandsAndLegendCaption) {
    EXPECT_EQ(CheckedZoomAction(zmZoomWndStart), QStringLiteral("WindowScale"));
    EXPECT_EQ(CheckedZoomAction(zmZoomWndFinish), QStringLiteral("WindowScale"));
    EXPECT_EQ(CheckedZoomAction(zmZoomXFinish), QStringLiteral("XAxisScale"));
    EXPECT_EQ(CheckedZoomAction(zmZoomYStart), QStringLiteral("YAxisScale"));
    EXPECT_EQ(CheckedZoomAction(zmNone), QString());
    EXPECT_EQ(ZoomModeForAction(QStringLiteral("XAxisScale")), zmZoomXStart);
    EXPECT_EQ(ZoomModeForAction(QStringLiteral("Other")), zmNone);
    EXPECT_FALSE(NodeActionsEnabled(tmEdit, zmZoomWndStart));
    EXPECT_TRUE(NodeActionsEnabled(tmEdit, zmNone));
    EXPECT_TRUE(NodeActionsEnabled(tmNothing, zmZoomXStart));
    EXPECT_EQ(LegendActionCaption(true), QStringLiteral("Скрыть легенду"));
    EXPECT_EQ(LegendActionCaption(false), QStringLiteral("Показать легенду"));
}

TEST(Commands, DialogsBreakLinesAtNewlines) {
    EXPECT_EQ(DialogText(QStringLiteral("a\rb")), QStringLiteral("a\nb"));
    EXPECT_EQ(DialogText(QStringLiteral("a\n\rb\r")), QStringLiteral("a\nb\n"));
    EXPECT_EQ(DialogText(QStringLiteral("a\nb")), QStringLiteral("a\nb"));
}

TEST(Commands, CancelBindingIsOneUndoStep) {
    Figure f;
    f.Add()->SetPosGroupX(1);
    f.Add()->SetScaleGroupY(2);
    CancelBinding(f.window);
    EXPECT_EQ(f.window.GraphByIndex(0)->PosGroupX(), -1);
    EXPECT_EQ(f.window.GraphByIndex(1)->ScaleGroupY(), -1);
    f.window.Undo();
    EXPECT_EQ(f.window.GraphByIndex(0)->PosGroupX(), 1);
    EXPECT_EQ(f.window.GraphByIndex(1)->ScaleGroupY(), 2);
}

TEST(Commands, LegendShownAtAPointAndHidden) {
    Figure f;
    f.Add();
    f.window.SetLegendPosition(0);
    f.window.SetLegendOffsetX(-5);
    ToggleLegend(f.window, std::nullopt);
    EXPECT_TRUE(f.window.ShowLegend());
    EXPECT_EQ(f.window.LegendOffsetX(), -5);
    ToggleLegend(f.window, std::nullopt);
    EXPECT_FALSE(f.window.ShowLegend());
    // At a point: the corner lands there, anchor (plot left + 10, plot top + 10) plus the offsets.
    ToggleLegend(f.window, TPoint{200, 150});
    EXPECT_TRUE(f.window.ShowLegend());
    EXPECT_EQ(f.window.LegendOffsetX(), 200 - (f.window.PlotRect.Left + 10));
    EXPECT_EQ(f.window.LegendOffsetY(), 150 - (f.window.PlotRect.Top + 10));
    f.window.Undo();
    EXPECT_FALSE(f.window.ShowLegend());
    EXPECT_EQ(f.window.LegendOffsetX(), -5);
}

TEST(Commands, ShiftCurveChoiceEndsInsertingAndDeleting) {
    const struct {
        TEditMode before, after;
    } cases[] = {{emInsert, emNothing}, {emDelete, emNothing}, {emSelect, emSelect}, {emMove, emMove}};
    for (const auto& c : cases) {
        Figure f;
        f.Add();
        f.window.SetToolMode(tmEdit);
        f.window.SetEditMode(c.before);
        EndInsertOrDelete(f.window);
        EXPECT_EQ(f.window.EditMode(), c.after) << int(c.before);
    }
}

TEST(Commands, PermissionItemsCarryTheFourFlags) {
    const QList<TPermissionItem> items = PermissionItems();
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[1].Group, QStringLiteral("Смещение и масштабирование"));
    EXPECT_EQ(items[1].Caption, QStringLiteral("X"));
    EXPECT_EQ(items[1].Flags, (TPermissionSet{true, false, true, false}));
    EXPECT_EQ(items[5].Group, QStringLiteral("Только смещение"));
    EXPECT_EQ(items[5].Flags, (TPermissionSet{false, true, false, false}));
    EXPECT_EQ(items[6].Caption, QStringLiteral("X и Y"));
    EXPECT_EQ(items[6].Flags, (TPermissionSet{false, false, true, true}));
    EXPECT_EQ(items[8].Flags, (TPermissionSet{false, false, false, true}));
    EXPECT_EQ(items[9].Caption, QStringLiteral("Запретить всё"));
    EXPECT_TRUE(items[9].Group.isEmpty());
    EXPECT_EQ(items[9].Flags, TPermissionSet{});
}

TEST(Commands, PermissionsForEachTarget) {
    Figure f;
    f.Add();
    f.Add();
    f.window.DrawPolicy.AlignScales(false, false);
    f.window.DrawPolicy.AlignPositions(false, false);
    const TPermissionSet shiftXOnly{true, false, false, false};
    ApplyPermissions(f.window, TPermissionTarget::Graph, 1, shiftXOnly);
    EXPECT_TRUE(f.window.GraphByIndex(1)->AllowShiftX());
    EXPECT_FALSE(f.window.GraphByIndex(1)->AllowScaleX());
    EXPECT_TRUE(f.window.GraphByIndex(0)->AllowScaleX());
    ApplyPermissions(f.window, TPermissionTarget::OnlyGraph, 0, TPermissionSet{false, true, false, false});
    EXPECT_TRUE(f.window.GraphByIndex(0)->AllowShiftY());
    EXPECT_FALSE(f.window.GraphByIndex(1)->AllowShiftX());
    ApplyPermissions(f.window, TPermissionTarget::AllGraphs, -1, TPermissionSet{true, true, true, true});
    EXPECT_TRUE(f.window.GraphByIndex(1)->AllowScaleY());
    f.window.GraphByIndex(0)->SetSelected(true);
    ApplyPermissions(f.window, TPermissionTarget::SelectedGraphs, -1, TPermissionSet{});
    EXPECT_FALSE(f.window.GraphByIndex(0)->AllowShiftX());
    EXPECT_TRUE(f.window.GraphByIndex(1)->AllowShiftX());
    // No such graph: nothing changes.
    ApplyPermissions(f.window, TPermissionTarget::Graph, 5, TPermissionSet{});
    EXPECT_TRUE(f.window.GraphByIndex(1)->AllowShiftX());
}

TEST(DoubleClick, EachActionOnTheGraph) {
    Figure f;
    f.Add();
    TGraph* g = f.Add();
    EXPECT_EQ(ApplyDoubleClick(f.window, 1, 0), TDblClickResult::Done);
    EXPECT_TRUE(g->Selected());
    ApplyDoubleClick(f.window, 1, 0);
    EXPECT_FALSE(g->Selected());
    ApplyDoubleClick(f.window, 1, 1);
    EXPECT_FALSE(g->Visible());
    ApplyDoubleClick(f.window, 1, 2);
    EXPECT_TRUE(g->ShowNodes());
    EXPECT_EQ(g->Layer(), 1);
    ApplyDoubleClick(f.window, 1, 3);
    EXPECT_EQ(g->Layer(), 0);
    EXPECT_EQ(f.window.GraphByIndex(0)->Layer(), 1);
    ApplyDoubleClick(f.window, 1, 4);
    EXPECT_TRUE(g->FixedRatio());
    EXPECT_EQ(ApplyDoubleClick(f.window, 1, 5), TDblClickResult::ShowProperties);
    EXPECT_EQ(ApplyDoubleClick(f.window, 2, 0), TDblClickResult::Nothing);
    EXPECT_EQ(ApplyDoubleClick(f.window, 0, 6), TDblClickResult::Nothing);
}

TEST(GraphMenu, LayerMoves) {
    Figure f;
    TGraph* a = f.Add();
    TGraph* b = f.Add();
    TGraph* c = f.Add();
    MoveLayer(f.window, 0, TLayerMove::ToBottom);
    EXPECT_EQ(a->Layer(), 2);
    EXPECT_EQ(b->Layer(), 0);
    EXPECT_EQ(c->Layer(), 1);
    MoveLayer(f.window, 1, TLayerMove::Up); // already on top
    EXPECT_EQ(b->Layer(), 0);
    MoveLayer(f.window, 0, TLayerMove::Down); // already at the bottom
    EXPECT_EQ(a->Layer(), 2);
    MoveLayer(f.window, 0, TLayerMove::Up);
    EXPECT_EQ(a->Layer(), 1);
    EXPECT_EQ(c->Layer(), 2);
    MoveLayer(f.window, 2, TLayerMove::ToTop);
    EXPECT_EQ(c->Layer(), 0);
    MoveLayer(f.window, 1, TLayerMove::Down);
    EXPECT_EQ(b->Layer(), 2);
    MoveLayer(f.window, 7, TLayerMove::ToTop); // no such graph: nothing
}

TEST(Legend, OffsetsPutTheCornerOnThePoint) {
    Figure f;
    f.window.PlotRect = {10, 20, 410, 320};
    f.window.LegendWidth = 100;
    f.window.LegendHeight = 50;
    EXPECT_EQ(LegendOffsetsForPoint(f.window, 350, 270), (TPoint{50, 10})); // position 8: anchor (300, 260)
    f.window.SetLegendPosition(0);
    EXPECT_EQ(LegendOffsetsForPoint(f.window, 20, 30), (TPoint{0, 0}));
    f.window.SetLegendPosition(4);
    EXPECT_EQ(LegendOffsetsForPoint(f.window, 160, 145), (TPoint{0, 0}));
    f.window.SetLegendPosition(5);
    EXPECT_EQ(LegendOffsetsForPoint(f.window, 0, 0), (TPoint{-300, -145}));
    f.window.SetLegendPosition(7);
    EXPECT_EQ(LegendOffsetsForPoint(f.window, 160, 260), (TPoint{0, 0}));
}

TEST(Legend, DialogWantedWhenNoVisibleGraphIsInTheLegend) {
    Figure f;
    EXPECT_FALSE(LegendNeedsDialog(f.window));
    TGraph* g = f.Add();
    EXPECT_FALSE(LegendNeedsDialog(f.window));
    g->SetVisible(false);
    EXPECT_TRUE(LegendNeedsDialog(f.window));
    g->SetVisible(true);
    g->SetInLegend(false);
    EXPECT_TRUE(LegendNeedsDialog(f.window));
}

TEST(Keys, EscapeRules) {
    auto esc = [](TZoomMode z, TEditMode e) { return DecideKey(27, false, false, false, z, e).Action; };
    EXPECT_EQ(esc(zmZoomWndStart, emNothing), TKeyAction::ZoomModeOff);
    EXPECT_EQ(esc(zmZoomXStart, emSelect), TKeyAction::ZoomModeOff);
    EXPECT_EQ(esc(zmZoomYStart, emNothing), TKeyAction::ZoomModeOff);
    // A frame half drawn: nothing.
    EXPECT_EQ(esc(zmZoomWndFinish, emSelect), TKeyAction::None);
    EXPECT_EQ(esc(zmZoomYFinish, emNothing), TKeyAction::None);
    EXPECT_EQ(esc(zmNone, emSelect), TKeyAction::EditModeOff);
    EXPECT_EQ(esc(zmNone, emDelete), TKeyAction::EditModeOffRefresh);
    EXPECT_EQ(esc(zmNone, emInsert), TKeyAction::EditModeOffRefresh);
    EXPECT_EQ(esc(zmNone, emMove), TKeyAction::UnselectAndEditModeOff);
    EXPECT_EQ(esc(zmNone, emNothing), TKeyAction::None);
    EXPECT_EQ(esc(zmNone, emMoving), TKeyAction::None);
}

TEST(Keys, PanKeys) {
    auto pan = [](int key, bool shift) {
        const TKeyDecision d = DecideKey(key, shift, false, false, zmNone, emNothing);
        return std::tuple(d.Action, d.Dx, d.Dy);
    };
    EXPECT_EQ(pan('C', false), std::tuple(TKeyAction::Pan, 3, 0));
    EXPECT_EQ(pan('Z', false), std::tuple(TKeyAction::Pan, -3, 0));
    EXPECT_EQ(pan('X', false), std::tuple(TKeyAction::Pan, 0, 3));
    EXPECT_EQ(pan('S', false), std::tuple(TKeyAction::Pan, 0, -3));
    EXPECT_EQ(pan('C', true), std::tuple(TKeyAction::Pan, 1, 0));
    EXPECT_EQ(pan('S', true), std::tuple(TKeyAction::Pan, 0, -1));
    EXPECT_EQ(pan('A', false), std::tuple(TKeyAction::None, 0, 0));
    // Typing in a text field or a chord with Ctrl or Alt is not a pan.
    EXPECT_EQ(DecideKey('C', false, false, true, zmNone, emNothing).Action, TKeyAction::None);
    EXPECT_EQ(DecideKey('C', false, true, false, zmNone, emNothing).Action, TKeyAction::None);
}

TEST(Keys, ApplyOnTheWindow) {
    Figure f;
    TGraph* g = f.Add();
    f.window.PrepareForPaint(f.window.ClientRect());
    const Extended shift = g->Mapping.ShiftX;
    ApplyKey(f.window, DecideKey('C', false, false, false, zmNone, emNothing));
    EXPECT_NEAR(double(g->Mapping.ShiftX), double(shift - 3 / (g->Mapping.FitX * g->ZoomX())), 1e-12);

    f.window.SetToolMode(tmEdit);
    g->SetSelected(true);
    g->SelectNode(3);
    f.window.SetEditMode(emMove);
    ApplyKey(f.window, DecideKey(27, false, false, false, f.window.ZoomMode(), f.window.EditMode()));
    EXPECT_EQ(f.window.EditMode(), emNothing);
    EXPECT_EQ(f.window.SelectedNodeCount(), 0);

    f.window.SetZoomMode(zmZoomXStart);
    ApplyKey(f.window, DecideKey(27, false, false, false, f.window.ZoomMode(), f.window.EditMode()));
    EXPECT_EQ(f.window.ZoomMode(), zmNone);
}

TEST(Closing, Rule) {
    int asked = 0;
    QString question;
    auto answer = [&](TAnswer a) {
        return [&, a](const QString& q) {
            ++asked;
            question = q;
            return a;
        };
    };
    int saves = 0;
    auto save = [&](bool ok) {
        return [&, ok] {
            ++saves;
            return ok;
        };
    };
    EXPECT_TRUE(MayClose(false, true, answer(TAnswer::Cancel), save(false)));
    EXPECT_TRUE(MayClose(true, false, answer(TAnswer::Cancel), save(false)));
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(MayClose(true, true, answer(TAnswer::No), save(false)));
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(MayClose(true, true, answer(TAnswer::Cancel), save(true)));
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(MayClose(true, true, answer(TAnswer::Yes), save(true)));
    EXPECT_FALSE(MayClose(true, true, answer(TAnswer::Yes), save(false)));
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(question, QStringLiteral(
                            "Имеются несохранённые данные.\rХотите сохранить их перед закрытием программы?"));
}

TEST(Placement, WindowsAreKeptWhollyOnTheirScreen) {
    const TRect screen{0, 0, 1920, 1050};
    const TRect second{1920, 0, 3200, 1024}; // a screen right of the first
    const struct {
        const char* name;
        TRect frame, available, fitted;
    } cases[] = {
        {"fits: stays", {100, 50, 1000, 700}, screen, {100, 50, 1000, 700}},
        {"10000 x 10000: the whole screen", {0, 0, 10000, 10000}, screen, screen},
        {"centred larger: the whole screen", {-4040, -4475, 5960, 5525}, screen, screen},
        {"above and left: moved in", {-300, -40, 500, 560}, screen, {0, 0, 800, 600}},
        {"past the bottom right: moved back", {1500, 900, 2300, 1500}, screen, {1120, 450, 1920, 1050}},
        {"wide only: as wide as the screen", {200, 100, 3000, 700}, screen, {0, 100, 1920, 700}},
        {"second screen", {1800, -10, 2600, 590}, second, {1920, 0, 2720, 600}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitOnScreen(c.frame, c.available), c.fitted) << c.name;
}
