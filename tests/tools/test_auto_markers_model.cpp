#include "tests/common/JobRuns.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/AutoMarkersModel.h"

#include "model/Graph.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct AmountCase {
    bool ByCount;
    QString Text;
    int Amount;
};

TEST(AutoMarkersModel, AmountFromTextOrDefault) {
    const AmountCase cases[] = {{true, u"7"_s, 7},    {true, u"abc"_s, 10}, {true, u"2.5"_s, 10},
                                {false, u"30"_s, 30}, {false, u""_s, 50},   {true, u"-3"_s, -3}};
    for (const AmountCase& c : cases) {
        TAutoMarkersModel model;
        model.ByCount = c.ByCount;
        (c.ByCount ? model.CountText : model.IntervalText) = c.Text;
        EXPECT_EQ(model.Amount(), c.Amount) << c.Text.toStdString();
    }
}

struct StyleTest : WindowTest {
    void AddGraphs(int n) {
        for (int i = 0; i < n; ++i)
            Add(testutil::Ramp(3), testutil::Ramp(3), QStringLiteral("g%1").arg(i));
        for (int i = 0; i < n; ++i)
            window.GraphByIndex(i)->SetMarkerText(QStringLiteral("t"));
    }
    QString Marker(int i) const {
        const TGraph* g = window.GraphByIndex(i);
        return QStringLiteral("%1:%2").arg(g->MarkerSymbol()).arg(g->MarkerText());
    }
    QString Layer(int i) const { return QString::number(window.GraphByIndex(i)->Layer()); }
};

TEST_F(StyleTest, EachStyleSetsSymbolsAndTexts) {
    AddGraphs(13);
    ApplyMarkerStyle(window, TMarkerStyle::Symbolic, TMarkerTextSource::Name);
    EXPECT_EQ(Marker(0), u"1:t"_s);
    EXPECT_EQ(Marker(11), u"12:t"_s);
    EXPECT_EQ(Marker(12), u"0:"_s + Layer(12));

    ApplyMarkerStyle(window, TMarkerStyle::Text, TMarkerTextSource::AsIs);
    EXPECT_EQ(Marker(0), u"0:t"_s);
    ApplyMarkerStyle(window, TMarkerStyle::Text, TMarkerTextSource::Name);
    EXPECT_EQ(Marker(3), u"0:g3"_s);
    ApplyMarkerStyle(window, TMarkerStyle::Text, TMarkerTextSource::Layer);
    EXPECT_EQ(Marker(3), u"0:"_s + Layer(3));
    window.GraphByIndex(3)->SetMarkerSymbol(5);
    ApplyMarkerStyle(window, TMarkerStyle::Current, TMarkerTextSource::Name);
    EXPECT_EQ(Marker(3), u"5:"_s + Layer(3));
}

TEST_F(StyleTest, ChoicesFollowTheWindowAndTheTextList) {
    TAutoMarkersModel model;
    window.SymbolicMarker = false;
    model.PrepareForWindow(window);
    EXPECT_EQ(model.Style, TMarkerStyle::Text);
    window.SymbolicMarker = true;
    model.PrepareForWindow(window);
    EXPECT_EQ(model.Style, TMarkerStyle::Symbolic);
    model.ChooseTextSource(TMarkerTextSource::Name);
    EXPECT_EQ(model.Style, TMarkerStyle::Text);
    EXPECT_EQ(model.TextSource, TMarkerTextSource::Name);
}

TEST_F(StyleTest, StyleAndPlacementAreOneUndoStep) {
    AddGraphs(2);
    const QString before = Marker(1);
    window.ClearUndoHistory();
    TAutoMarkersModel model;
    model.Placement = TMarkerPlacement::AtNodes;
    model.VisibleOnly = false;
    model.ChooseTextSource(TMarkerTextSource::Name);
    model.ApplyToWindow(window);
    EXPECT_EQ(Marker(1), u"0:g1"_s);
    EXPECT_EQ(window.GraphByIndex(1)->Markers.Count(), 3);
    window.Undo();
    EXPECT_EQ(Marker(1), before);
    EXPECT_EQ(window.GraphByIndex(0)->Markers.Count() + window.GraphByIndex(1)->Markers.Count(), 0);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(StyleTest, OneGraphKeepsItsStyle) {
    AddGraphs(2);
    const QString before = Marker(1);
    TAutoMarkersModel model;
    model.Placement = TMarkerPlacement::AtNodes;
    model.ChooseTextSource(TMarkerTextSource::Name);
    model.ApplyToGraph(*window.GraphByIndex(1));
    EXPECT_EQ(Marker(1), before);
    EXPECT_EQ(window.GraphByIndex(1)->Markers.Count(), 3);
    EXPECT_EQ(window.GraphByIndex(0)->Markers.Count(), 0);
}

// Two long wavy graphs, each of the size that places markers as a job.
struct LongGraphsTest : WindowTest {
    void SetUp() override {
        const int nodes = int(TAutoMarkersModel::JobNodes);
        for (int k = 0; k < 2; ++k) {
            TDoubleArray y(nodes);
            for (int i = 0; i < nodes; ++i)
                y[i] = Extended((i * 7919LL + k * 13) % 1000);
            Add(testutil::Ramp(nodes), y, QStringLiteral("g%1").arg(k));
        }
        window.LayoutPlot({0, 0, 800, 600});
        window.ClearUndoHistory();
    }
    QList<TMarkerArray> AllMarkers() const {
        QList<TMarkerArray> all;
        for (int i = 0; i < window.GraphCount(); ++i)
            all.append(window.GraphByIndex(i)->Markers.Items);
        return all;
    }
};

struct JobCase {
    TMarkerPlacement Placement;
    bool ByCount, VisibleOnly;
};
const JobCase jobCases[] = {{TMarkerPlacement::AlongLength, true, false},
                            {TMarkerPlacement::AlongX, false, false},
                            {TMarkerPlacement::AlongLength, true, true},
                            {TMarkerPlacement::AtNodes, true, true}};

TEST_F(LongGraphsTest, CancelledJobChangesNothing) {
    for (const JobCase& c : jobCases) {
        window.GraphByIndex(0)->AddMarkerAtNode(5);
        window.ClearUndoHistory();
        const QList<TMarkerArray> before = AllMarkers();
        const QString textBefore = window.GraphByIndex(1)->MarkerText();
        TAutoMarkersModel model;
        model.Placement = c.Placement;
        model.ByCount = c.ByCount;
        model.VisibleOnly = c.VisibleOnly;
        model.ChooseTextSource(TMarkerTextSource::Name);
        testutil::TJobRecorder job;
        job.CancelAtFirstCount = true;
        EXPECT_FALSE(model.ApplyToWindow(window, job.Run()));
        EXPECT_FALSE(model.ApplyToGraph(*window.GraphByIndex(1), job.Run()));
        EXPECT_EQ(job.Runs, 2);
        EXPECT_EQ(AllMarkers(), before);
        EXPECT_EQ(window.GraphByIndex(1)->MarkerText(), textBefore);
        EXPECT_FALSE(window.HaveUndo());
    }
}

TEST_F(LongGraphsTest, JobPlacesWhatTheDirectPlacingDoes) {
    for (const JobCase& c : jobCases) {
        TAutoMarkersModel model;
        model.Placement = c.Placement;
        model.ByCount = c.ByCount;
        model.CountText = QStringLiteral("25");
        model.IntervalText = QStringLiteral("40");
        model.VisibleOnly = c.VisibleOnly;
        model.Style = TMarkerStyle::Current;
        window.PlaceMarkersOnAll(model.Amount(), model.ByCount, model.VisibleOnly, int(model.Placement));
        const QList<TMarkerArray> direct = AllMarkers();
        window.Undo();
        ASSERT_FALSE(window.HaveUndo());
        testutil::TJobRecorder job;
        EXPECT_TRUE(model.ApplyToWindow(window, job.Run()));
        EXPECT_EQ(job.Runs, 1);
        EXPECT_GT(direct[0].size(), 0);
        EXPECT_EQ(AllMarkers(), direct);
        window.Undo();
        EXPECT_FALSE(window.HaveUndo());
    }
}

struct PositionCase {
    TPoint Mouse;
    bool ForOneGraph;
    TPoint Corner;
};

TEST(AutoMarkersDialogPosition, AtTheMouseAndOnTheDesktop) {
    const TRect desktop{0, 0, 1000, 800};
    const PositionCase cases[] = {
        {{100, 100}, false, {100, 100}},
        {{100, 300}, true, {52, 116}},
        {{990, 790}, false, {800, 600}},
        {{10, 50}, true, {0, 0}},
    };
    for (const PositionCase& c : cases)
        EXPECT_EQ(AutoMarkersDialogPosition(c.Mouse, 200, 200, desktop, c.ForOneGraph), c.Corner)
            << c.Mouse.X << "," << c.Mouse.Y;
}

} // namespace
