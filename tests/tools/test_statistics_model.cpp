#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/StatisticsModel.h"

#include "model/Graph.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Rows = QList<QStringList>;
const QStringList heading = {u"Значение"_s, u"Частота [Гц]"_s, u"%"_s};

struct StatisticsTest : WindowTest {
    TStatisticsTexts Texts(TStatScope scope = TStatScope::AllGraphs, int index = -1) {
        return StatisticsTexts(ComputeStatistics(window, scope, index));
    }
    static TDoubleArray Zeros(qsizetype n) { return TDoubleArray(n, 0); }
};

struct StepCase {
    QString Name;
    TDoubleArray X;
    QString StepMax, StepMin;
    Rows Table; // without the heading
};

const StepCase stepCases[] = {
    {u"ThreeStepsOfOne"_s,
     {0, 1, 2, 3},
     u"1"_s,
     u"1"_s,
     {{u"1"_s, u"1"_s, u"75"_s}, {u"1...1"_s, u"1...1"_s, u"25"_s}}},
    {u"ZeroStepHasNoFrequency"_s,
     {0, 0, 1},
     u"1"_s,
     u"0"_s,
     {{u"0"_s, u"-"_s, u"33"_s}, {u"1"_s, u"1"_s, u"33"_s}, {u"1...0"_s, u"1...0"_s, u"34"_s}}},
    {u"NearlyEqualStepsGroupLargestShareFirst"_s,
     {0, 0.2L, 0.3L, 0.4000001L},
     u"0.2"_s,
     u"0.1"_s,
     {{u"0.1"_s, u"10"_s, u"50"_s}, {u"0.2"_s, u"5"_s, u"25"_s}, {u"0.2...0.1"_s, u"5...10"_s, u"25"_s}}},
    {u"SharesRoundHalfToEven"_s,
     {0, 1, 3, 5, 7, 10, 13, 16},
     u"3"_s,
     u"1"_s,
     {{u"2"_s, u"0.5"_s, u"38"_s},
      {u"3"_s, u"0.333333333333333"_s, u"38"_s},
      {u"1"_s, u"1"_s, u"12"_s},
      {u"3...1"_s, u"0.333333333333333...1"_s, u"12"_s}}},
};

class StepTable : public StatisticsTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(StepTable, FiguresAndTable) {
    const StepCase& c = GetParam();
    Add(c.X, Zeros(c.X.size()));
    const TStatisticsTexts t = Texts();
    EXPECT_EQ(t.Nodes, QString::number(c.X.size()));
    EXPECT_EQ(t.StepMax, c.StepMax);
    EXPECT_EQ(t.StepMin, c.StepMin);
    EXPECT_EQ(t.Rows, Rows{heading} + c.Table);
}

INSTANTIATE_TEST_SUITE_P(Statistics, StepTable, ::testing::ValuesIn(stepCases),
                         [](const auto& param) { return param.param.Name.toStdString(); });

TEST_F(StatisticsTest, RareGroupOnlyInTheLastRow) {
    TDoubleArray x = testutil::Ramp(300);
    x.last() += 4; // one step of 5 among 298 of 1: a third of a percent
    Add(x, Zeros(x.size()));
    EXPECT_EQ(Texts().Rows, (Rows{heading, {u"1"_s, u"1"_s, u"99"_s}, {u"5...5"_s, u"0.2...0.2"_s, u"1"_s}}));
}

TEST_F(StatisticsTest, RestBelowOnePercent) {
    TDoubleArray x = testutil::Ramp(1000);
    x.last() += 4;
    Add(x, Zeros(x.size()));
    EXPECT_EQ(Texts().Rows.last(), (QStringList{u"5...5"_s, u"0.2...0.2"_s, u" <1"_s}));
}

TEST_F(StatisticsTest, ValuesAreRealOnLogarithmicAxesAndEmptyGraphsAddNothing) {
    TGraph* logGraph = Add({1, 2}, {10, 100});
    logGraph->SetLogY(true);
    TGraph* empty = Add({}, {});
    ASSERT_EQ(empty->NodeCount(), 0);
    const TStatisticsTexts t = Texts();
    EXPECT_EQ(t.YMax, u"100"_s);
    EXPECT_EQ(t.YMin, u"10"_s);
    EXPECT_EQ(t.Nodes, u"2"_s);
}

TEST_F(StatisticsTest, EmptyChoicesClearTheFields) {
    Add({}, {});
    Add({1, 2}, {3, 4});
    struct Case {
        TStatScope Scope;
        int Index;
    };
    for (const Case c : {Case{TStatScope::OneGraph, 0}, Case{TStatScope::OneGraph, 5},
                         Case{TStatScope::OneGraph, -1}, Case{TStatScope::SelectedGraphs, -1}}) {
        const TStatisticsTexts t = Texts(c.Scope, c.Index);
        EXPECT_EQ(t.Nodes, u"0"_s);
        EXPECT_EQ(QStringList({t.YMax, t.YMin, t.StepMax, t.StepMin}).join(QString()), QString());
        EXPECT_TRUE(t.Rows.isEmpty());
    }
}

TEST_F(StatisticsTest, SingleNodesShowValuesButNoSteps) {
    Add({1}, {-7});
    const TStatisticsTexts t = Texts();
    EXPECT_EQ(t.Nodes, u"1"_s);
    EXPECT_EQ(t.YMin, u"-7"_s);
    EXPECT_EQ(t.StepMax, QString());
    EXPECT_EQ(t.Rows, Rows{heading});
}

TEST_F(StatisticsTest, ScopesTakeTheirGraphs) {
    Add(testutil::Ramp(3), {1, 2, 3});
    Add(testutil::Ramp(5), {-1, 0, 0, 0, 9})->SetSelected(true);
    EXPECT_EQ(Texts(TStatScope::SelectedGraphs).Nodes, u"5"_s);
    EXPECT_EQ(Texts(TStatScope::OneGraph, 0).Nodes, u"3"_s);
    const TStatisticsTexts all = Texts(TStatScope::AllGraphs);
    EXPECT_EQ(all.Nodes, u"8"_s);
    EXPECT_EQ(all.YMax, u"9"_s);
    EXPECT_EQ(all.YMin, u"-1"_s);
}

TEST(StatNumberText, GeneralForm) {
    EXPECT_EQ(StatNumberText(0.1L), u"0.1"_s);
    EXPECT_EQ(StatNumberText(1e-5L), u"1E-5"_s);
    EXPECT_EQ(StatNumberText(2.5e20L), u"2.5E20"_s);
    EXPECT_EQ(StatNumberText(-1234.5L), u"-1234.5"_s);
    EXPECT_EQ(StatNumberText(1.0L / 3), u"0.333333333333333"_s);
}

TEST_F(StatisticsTest, ModelShowsZerosUntilUpdatedAndKeepsOldFigures) {
    TStatisticsModel model;
    EXPECT_EQ(model.Texts().Nodes, u"0"_s);
    EXPECT_EQ(model.Texts().StepMax, u"0"_s);
    Add(testutil::Ramp(4), testutil::Ramp(4), QStringLiteral("a"));
    model.Refill(window);
    EXPECT_EQ(model.GraphIndex, 0);
    ASSERT_EQ(model.Graphs().size(), 1);
    EXPECT_EQ(model.Graphs()[0].Name, u"a"_s);
    EXPECT_EQ(model.Texts().Nodes, u"0"_s); // refilling does not recompute
    model.Scope = TStatScope::OneGraph;
    EXPECT_TRUE(model.GraphChoiceEnabled());
    model.Update(window);
    EXPECT_EQ(model.Texts().Nodes, u"4"_s);
    window.DeleteAllGraphs();
    model.Refill(window);
    EXPECT_EQ(model.GraphIndex, -1);
    EXPECT_EQ(model.Texts().Nodes, u"4"_s);
}

} // namespace

// A long graph is counted in two halves on two cores: every step is counted once, the one across
// the middle included.
TEST_F(StatisticsTest, LongGraphsCountEveryStepOnce) {
    const qsizetype n = (qsizetype(1) << 21) + 3;
    TDoubleArray x(n);
    for (qsizetype i = 1; i < n; ++i)
        x[i] = x[i - 1] + (i == n / 2 ? 7 : i % 4 == 0 ? 2 : 1); // a quarter are 2, the middle one 7
    Add(x, Zeros(n));
    const TStatistics stats = ComputeStatistics(window, TStatScope::AllGraphs, -1);
    EXPECT_EQ(stats.NodeTotal, n);
    ASSERT_EQ(stats.Groups.size(), 2);
    EXPECT_EQ(stats.Groups[0].Value, 1);
    EXPECT_EQ(stats.Groups[0].Share, 75);
    EXPECT_EQ(stats.Groups[1].Value, 2);
    EXPECT_EQ(stats.Groups[1].Share, 25);
    EXPECT_EQ(stats.StepMax, 7);
    EXPECT_EQ(stats.RareLow, 7);
    EXPECT_EQ(stats.RareHigh, 7);
}
