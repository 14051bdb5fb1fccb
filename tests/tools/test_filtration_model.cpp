// The filtration dialog's model: fields, the filter computation with its preview, and the application
// to the target window's graphs.
#include "tools/FiltrationModel.h"

#include "expr/Filters.h"
#include "tests/common/JobRuns.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "window/FigurePaint.h"
#include "window/FigureStream.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using testutil::Ramp;
using testutil::Values;

namespace {
using testutil::U;

struct TRecordingAsker : TFiltrationAsker {
    QStringList Messages;
    void ShowMessage(const QString& text) override { Messages.append(text); }
};

// The figure as the next paint leaves it, for byte comparisons.
QByteArray SettledStream(TSuperGrWindow& window) {
    window.LayoutPlot(window.ClientRect());
    for (int i = 0; i < window.GraphCount(); ++i)
        window.GraphByIndex(i)->Cache.Invalidate(TViewCache::Polyline);
    return TFigureStream::Serialize(window);
}

struct FiltrationFixture : ::testing::Test {
    TSuperGrWindow window;
    TRecordingAsker asker;
    TFiltrationModel model{asker};

    TGraph* Add(const TDoubleArray& x, const TDoubleArray& y, const QString& name) {
        EXPECT_TRUE(window.AddGraph(name, false, {}, x, y));
        return window.GraphByIndex(window.GraphCount() - 1);
    }
    // Opens the dialog on the window with the filter type chosen.
    void Open(int type) {
        model.Open(window);
        model.SetFilterType(type);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Fields and controls

TEST_F(FiltrationFixture, StartsWithTheDialogsTexts) {
    EXPECT_EQ(TFiltrationModel::Caption(), U("Выбор параметров фильтра"));
    EXPECT_EQ(TFiltrationModel::FilterTypeItems(),
              (QStringList{U("Фильтр Баттерворда"), U("Фильтр Чебышева I"), U("Скользящее среднее"),
                           U("Савицкого - Голея"), U("Пользовательский")}));
    EXPECT_EQ(TFiltrationModel::RealizationItems(),
              (QStringList{U("Прямая"), U("С нулевым фазовым сдвигом")}));
    EXPECT_EQ(TFiltrationModel::AveragingItems(), (QStringList{U("Суммирование"), U("Интегрирование")}));
    EXPECT_EQ(model.SampleRateText(), U("1"));
    EXPECT_EQ(model.FilterType(), ftButterworth);
    EXPECT_EQ(model.Order(), 2);
    EXPECT_EQ(model.CutoffText(), U("0.2"));
    EXPECT_EQ(model.RippleText(), U("0.01"));
    EXPECT_FALSE(model.HighPass());
    EXPECT_EQ(model.NumeratorText(), U("0.03125"));
    EXPECT_EQ(model.DenominatorText(), U("1 0.96875 -0.78125"));
    EXPECT_EQ(model.IntervalText, U("1"));
    EXPECT_EQ(model.AveragingKind, 1);
    EXPECT_EQ(model.WindowText, U("1"));
    EXPECT_EQ(model.SmoothingOrderText, U("1"));
    EXPECT_EQ(model.Realization, 1);
    EXPECT_FALSE(model.OnlySourceNodes);
    EXPECT_FALSE(model.CloseAfterApply);
    EXPECT_EQ(model.Scope(), fsOneGraph);
    EXPECT_FALSE(model.ApplyEnabled());
    EXPECT_TRUE(model.ReadOut().Frequency.isEmpty());
    EXPECT_TRUE(model.ReadOut().Amplitude.isEmpty());
    EXPECT_TRUE(model.ReadOut().Phase.isEmpty());
}

TEST(FiltrationControls, FollowTheFilterType) {
    struct Case {
        int Type;
        TFilterPanel Panel;
        bool Ripple, KeepRipple, Realization, Compute, Apply;
    } cases[] = {
        {ftButterworth, fpDesign, false, false, true, true, false},
        {ftChebyshev, fpDesign, true, false, true, true, false},
        {ftMovingAverage, fpMovingAverage, false, true, false, false, true},
        {ftSavitzkyGolay, fpSavitzkyGolay, false, true, false, false, true},
        {ftUserDefined, fpUserDefined, false, false, true, true, false},
    };
    for (const Case& c : cases) {
        const TFilterTypeControls t = TFiltrationModel::ControlsFor(c.Type);
        EXPECT_EQ(t.Panel, c.Panel) << c.Type;
        EXPECT_EQ(t.RippleEnabled, c.Ripple) << c.Type;
        EXPECT_EQ(t.KeepsRippleState, c.KeepRipple) << c.Type;
        EXPECT_EQ(t.RealizationEnabled, c.Realization) << c.Type;
        EXPECT_EQ(t.ComputeEnabled, c.Compute) << c.Type;
        EXPECT_EQ(t.ApplyEnabled, c.Apply) << c.Type;
    }
}

TEST_F(FiltrationFixture, OpeningListsTheTargetsGraphs) {
    Add(Ramp(4), Ramp(4), U("a"));
    Add(Ramp(4), Ramp(4), U("b"));
    model.Open(window);
    ASSERT_EQ(model.GraphItems().size(), 2);
    EXPECT_EQ(model.GraphItems()[1].Text, U("b"));
    EXPECT_EQ(model.GraphItems()[1].GraphID, window.GraphByIndex(1)->ID);
    EXPECT_EQ(model.GraphIndex, 0);
    EXPECT_TRUE(model.StatisticsEnabled());
    ASSERT_EQ(model.OutputItems().size(), 4);
    EXPECT_EQ(model.OutputItems()[0].Text, U("новый график"));
    EXPECT_EQ(model.OutputItems()[1].Text, U("исходный график"));
    EXPECT_EQ(model.OutputItems()[2].Text, U("a"));
    EXPECT_EQ(model.OutputIndex, 0);

    model.SetScope(fsSelectedGraphs);
    ASSERT_EQ(model.OutputItems().size(), 2);
    EXPECT_EQ(model.OutputItems()[0].Text, U("новые графики"));
    EXPECT_EQ(model.OutputItems()[1].Text, U("исходные графики"));

    // The chosen graph is kept between openings while it exists.
    model.GraphIndex = 1;
    model.Open(window);
    EXPECT_EQ(model.GraphIndex, 1);
    window.DeleteGraph(1);
    model.Open(window);
    EXPECT_EQ(model.GraphIndex, 0);
    window.DeleteAllGraphs();
    model.Open(window);
    EXPECT_EQ(model.GraphIndex, -1);
    EXPECT_FALSE(model.StatisticsEnabled());
}

TEST_F(FiltrationFixture, RippleIsKeptBetweenZeroAnd29) {
    struct Case {
        const char* Typed;
        const char* Kept;
    } cases[] = {{"35", "29"}, {"-1", "0"}, {"abc", "abc"}, {"12.5", "12.5"}, {"29", "29"}};
    for (const Case& c : cases)
        EXPECT_EQ(model.SetRippleText(U(c.Typed)), U(c.Kept)) << c.Typed;
    EXPECT_EQ(model.RippleText(), U("29"));
}

TEST_F(FiltrationFixture, DesignChangesMakeTheFilterStale) {
    Open(ftButterworth);
    const std::function<void()> changes[] = {
        [&] { model.SetSampleRateText(U("2")); },  [&] { model.SetCutoffText(U("0.3")); },
        [&] { model.SetRippleText(U("1")); },      [&] { model.SetOrder(4); },
        [&] { model.SetHighPass(true); },          [&] { model.SetNumeratorText(U("1")); },
        [&] { model.SetDenominatorText(U("1")); }, [&] { model.SetFilterType(ftButterworth); },
    };
    for (const auto& change : changes) {
        ASSERT_TRUE(model.ComputeFilter());
        ASSERT_TRUE(model.ApplyEnabled());
        ASSERT_EQ(model.Preview().GraphCount(), 2);
        change();
        EXPECT_FALSE(model.ApplyEnabled());
        EXPECT_EQ(model.Preview().GraphCount(), 0);
    }
    // The sampling rate is no design parameter of the moving average.
    model.SetFilterType(ftMovingAverage);
    EXPECT_TRUE(model.ApplyEnabled());
    model.SetSampleRateText(U("3"));
    EXPECT_TRUE(model.ApplyEnabled());
}

TEST_F(FiltrationFixture, OpeningAgainNeedsTheDesignComputedAgain) {
    Open(ftButterworth);
    ASSERT_TRUE(model.ComputeFilter());
    model.Open(window);
    EXPECT_FALSE(model.ApplyEnabled());
    EXPECT_EQ(model.Preview().GraphCount(), 0);
    // A user-defined filter stays computed.
    model.SetFilterType(ftUserDefined);
    ASSERT_TRUE(model.ComputeFilter());
    model.Open(window);
    EXPECT_TRUE(model.ApplyEnabled());
}

// ---------------------------------------------------------------------------------------------
// Computing

TEST_F(FiltrationFixture, ComputingPlotsAmplitudeAbovePhase) {
    Open(ftButterworth);
    ASSERT_TRUE(model.ComputeFilter());
    EXPECT_TRUE(asker.Messages.isEmpty());
    TSuperGrWindow& preview = model.Preview();
    ASSERT_EQ(preview.GraphCount(), 2);
    const TGraph* amp = preview.GraphByIndex(preview.IndexOfLayer(0));
    const TGraph* phase = preview.GraphByIndex(preview.IndexOfLayer(1));
    ASSERT_EQ(amp->NodeCount(), 1000);
    EXPECT_EQ(GraphX(amp)[0], 0);
    EXPECT_NEAR(GraphX(amp)[999], 0.4995L, 1e-15L); // up to half the sampling rate, the last point left out
    EXPECT_NEAR(GraphY(amp)[0], 1, 1e-17L);
    EXPECT_EQ(amp->Designation(dsYData).Text, U("A"));
    EXPECT_EQ(amp->Designation(dsXData).Text, U("f"));
    EXPECT_TRUE(amp->Designation(dsXData).Show);
    EXPECT_EQ(amp->Designation(dsYData).OffsetX, 4);
    EXPECT_EQ(amp->Designation(dsYData).OffsetY, -7);
    EXPECT_EQ(phase->Designation(dsYData).Text, U("φ"));
    EXPECT_EQ(amp->LineWidth(), 2);
    EXPECT_FALSE(phase->MarkersVisible());
    EXPECT_EQ(amp->Name(), U("График"));
    EXPECT_FALSE(preview.HaveUndo());
    // Two strips: the amplitude in the upper half of the plot, the phase in the lower.
    preview.PrepareForPaint(preview.ClientRect());
    TGraph* a = preview.GraphByIndex(0);
    TGraph* p = preview.GraphByIndex(1);
    const Extended middle = (preview.PlotRect.Top + preview.PlotRect.Bottom) / 2.0L;
    EXPECT_LE(a->DataToPixelY(a->YMin()), middle + 1);
    EXPECT_GE(p->DataToPixelY(p->YMax()), middle - 1);
}

TEST_F(FiltrationFixture, HighPassHasUnitGainAtHalfTheSamplingRate) {
    Open(ftChebyshev);
    model.SetHighPass(true);
    model.SetSampleRateText(U("10"));
    model.SetCutoffText(U("2"));
    ASSERT_TRUE(model.ComputeFilter());
    const TGraph* amp = model.Preview().GraphByIndex(0);
    EXPECT_NEAR(GraphY(amp)[999], 1, 1e-4L);
    EXPECT_NEAR(GraphX(amp)[999], 4.995L, 1e-15L);
}

TEST_F(FiltrationFixture, PhaseIsDrawnContinuous) {
    Open(ftButterworth);
    model.SetOrder(8);
    ASSERT_TRUE(model.ComputeFilter());
    const TDoubleArray phase = GraphY(model.Preview().GraphByIndex(1));
    // The phase is drawn as far as the amplitude shows: the eightfold zero at the Nyquist frequency
    // leaves only rounding beyond.
    for (qsizetype k = 1; k < phase.size(); ++k)
        ASSERT_LT(std::fabs(phase[k] - phase[k - 1]), 10) << k;
    EXPECT_LT(phase.last(), -360); // eight poles turn it back past a whole circle
}

// Where the amplitude vanishes (a high-pass filter at f = 0, an eightfold zero at half the sampling
// rate) the phase is rounding noise: it is left out, so the drawn phase has no spike at the ends.
TEST_F(FiltrationFixture, PhaseIsLeftOutWhereTheAmplitudeVanishes) {
    for (const bool highPass : {true, false}) {
        Open(ftButterworth);
        model.SetOrder(8);
        model.SetHighPass(highPass);
        ASSERT_TRUE(model.ComputeFilter());
        const TGraph* amp = model.Preview().GraphByIndex(0);
        const TGraph* phase = model.Preview().GraphByIndex(1);
        const TDoubleArray a = GraphY(amp), ax = GraphX(amp), p = GraphY(phase), px = GraphX(phase);
        ASSERT_GT(p.size(), 100);
        ASSERT_LT(p.size(), a.size());
        const Extended pixel = *std::max_element(a.cbegin(), a.cend()) / 200;
        for (qsizetype k = 0, j = 0; k < px.size(); ++k) {
            while (ax[j] != px[k])
                ++j;
            ASSERT_GE(a[j], pixel) << highPass << " " << k;
            if (k > 0) {
                ASSERT_LT(std::fabs(p[k] - p[k - 1]), 30) << highPass << " " << k;
            }
        }
    }
}

TEST_F(FiltrationFixture, RefusedFieldsShowAMessageAndComputeNothing) {
    struct Case {
        int Type;
        const char* SampleRate;
        const char* Cutoff;
        int Order;
        const char* Ripple;
        const char* Num;
        const char* Den;
        const char* Message;
    } cases[] = {
        {ftButterworth, "0", "0.2", 2, "0", "1", "1", "Частота дискретизации должна быть больше нуля!"},
        {ftUserDefined, "-3", "0.2", 2, "0", "1", "1", "Частота дискретизации должна быть больше нуля!"},
        {ftButterworth, "1", "0", 2, "0", "1", "1",
         "Частота среза должна быть больше нуля и меньше половины частоты дискретизации!"},
        {ftButterworth, "1", "0.5", 2, "0", "1", "1",
         "Частота среза должна быть больше нуля и меньше половины частоты дискретизации!"},
        {ftUserDefined, "1", "-1", 2, "0", "1", "1",
         "Частота среза должна быть больше нуля и меньше половины частоты дискретизации!"},
        // A cutoff that is no number is 1, above half of this sampling rate.
        {ftChebyshev, "1", "x", 2, "0", "1", "1",
         "Частота среза должна быть больше нуля и меньше половины частоты дискретизации!"},
        {ftButterworth, "1", "0.2", 16, "0", "1", "1", "Порядок фильтра должен быть от 2 до 14!"},
        {ftChebyshev, "1", "0.2", 1, "0.5", "1", "1", "Порядок фильтра должен быть от 2 до 14!"},
        {ftChebyshev, "1", "0.2", 4, "1e-30", "1", "1",
         "Коэффициент пульсаций слишком мал для фильтра Чебышева!"},
        {ftUserDefined, "1", "0.2", 2, "0", "1 a", "1",
         "Коэффициенты фильтра должны быть числами, разделёнными пробелами!"},
        {ftUserDefined, "1", "0.2", 2, "0", "1", "  ",
         "Задайте хотя бы по одному коэффициенту числителя и знаменателя!"},
    };
    for (const Case& c : cases) {
        Open(c.Type);
        model.SetSampleRateText(U(c.SampleRate));
        model.SetCutoffText(U(c.Cutoff));
        model.SetOrder(c.Order);
        model.SetRippleText(U(c.Ripple));
        model.SetNumeratorText(U(c.Num));
        model.SetDenominatorText(U(c.Den));
        asker.Messages.clear();
        EXPECT_FALSE(model.ComputeFilter()) << c.Message;
        EXPECT_EQ(asker.Messages, QStringList{U(c.Message)});
        EXPECT_FALSE(model.ApplyEnabled());
        EXPECT_EQ(model.Preview().GraphCount(), 0);
    }
}

TEST_F(FiltrationFixture, TextsThatAreNoNumbersFallBackToDefaults) {
    Open(ftChebyshev);
    model.SetSampleRateText(U("many"));
    model.SetRippleText(U("some"));
    ASSERT_TRUE(model.ComputeFilter());
    EXPECT_NEAR(model.Response().Freq[999], 99.9L, 1e-12L); // twice the frequency of 100 Hz sampling
    TDoubleArray den, num;
    ASSERT_TRUE(filters::DesignRecursiveFilter(false, 2, den, num, 0.01L, 0.2L / 100));
    EXPECT_EQ(model.Num(), num);
    EXPECT_EQ(model.Den(), den);
}

TEST_F(FiltrationFixture, UserDefinedFilterTakesTheTypedCoefficients) {
    Open(ftUserDefined);
    ASSERT_TRUE(model.ComputeFilter());
    EXPECT_EQ(model.Num(), Values({0.03125L}));
    EXPECT_EQ(model.Den(), Values({1, -0.96875L, 0.78125L}));
    EXPECT_TRUE(model.ApplyEnabled());
}

TEST_F(FiltrationFixture, PoleOnTheUnitCircleStillPaints) {
    // y[n] = x[n] + y[n−1]: infinite gain at frequency 0.
    Open(ftUserDefined);
    model.SetNumeratorText(U("1"));
    model.SetDenominatorText(U("1 1"));
    ASSERT_TRUE(model.ComputeFilter());
    EXPECT_TRUE(std::isinf(model.Response().Amp[0]));
    QImage image(334, 207, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintFigure(model.Preview(), painter, model.Preview().ClientRect());
    EXPECT_EQ(model.Preview().GraphCount(), 2);
}

TEST_F(FiltrationFixture, ReadOutFollowsTheMouseOverThePreview) {
    Open(ftButterworth);
    ASSERT_TRUE(model.ComputeFilter());
    int told = 0;
    model.OnReadOut = [&] { ++told; };
    TSuperGrWindow& preview = model.Preview();
    preview.PrepareForPaint(preview.ClientRect());
    TGraph* amp = preview.GraphByIndex(0);
    TGraph* phase = preview.GraphByIndex(1);
    const int x = amp->DataToPixelXi(0.25L);
    const int y = phase->DataToPixelYi(90);
    preview.MouseMove(0, x, y);
    preview.MouseMove(0, x, y);
    EXPECT_GE(told, 1);
    const auto value = [](const QString& text, const QString& unit) {
        EXPECT_TRUE(text.endsWith(unit)) << text.toStdString();
        Extended v = 0;
        EXPECT_TRUE(filtration::ReadNumber(text.chopped(unit.size()), v)) << text.toStdString();
        return v;
    };
    EXPECT_NEAR(value(model.ReadOut().Frequency, U(" Гц")), 0.25L, amp->PixelLengthToDataX(1));
    EXPECT_NEAR(value(model.ReadOut().Phase, U(" град")), 90, phase->PixelLengthToDataY(1));
    EXPECT_NEAR(value(model.ReadOut().Amplitude, QString()), amp->PixelToDataY(y), 1e-6L);
}

// ---------------------------------------------------------------------------------------------
// Applying

TEST_F(FiltrationFixture, SavitzkyGolayWithTheInitialTextsIsRefused) {
    TGraph* g = Add(Ramp(10), Ramp(10, 3), U("a"));
    Open(ftSavitzkyGolay);
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(asker.Messages,
              QStringList{U("Произошел необъяснимый катаклизм... Возможно, Вы задали неверные параметры.")});
    EXPECT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(GraphY(g), Ramp(10, 3));
    EXPECT_FALSE(window.UndoGrouping());
}

TEST_F(FiltrationFixture, MedianOfOneNodeIntoTheSourceKeepsTheData) {
    TGraph* g = Add(Ramp(10), Values({1, 9, 2, 3, 4, 0, 0, 7, 1, 1}), U("a"));
    Open(ftSavitzkyGolay);
    model.SmoothingOrderText = U("0");
    model.OutputIndex = 1;
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(GraphY(g), Values({1, 9, 2, 3, 4, 0, 0, 7, 1, 1}));
    EXPECT_EQ(g->Name(), U("a (Filtered)"));
    model.WindowText = U("3");
    model.Apply();
    EXPECT_EQ(GraphY(g), Values({1, 2, 3, 3, 3, 0, 0, 1, 1, 1}));
    EXPECT_EQ(g->Name(), U("a (Filtered) (Filtered)"));
}

TEST_F(FiltrationFixture, SmoothingWindowAndOrderMustBeIntegers) {
    TGraph* g = Add(Ramp(10), Ramp(10), U("a"));
    const qsizetype steps = window.UndoSide.Ops.size();
    Open(ftSavitzkyGolay);
    model.WindowText = U("5.5");
    model.OutputIndex = 1;
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(asker.Messages, QStringList{U("«5.5» не является целым числом!")});
    model.WindowText = U("5");
    model.SmoothingOrderText = U("two");
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(asker.Messages.last(), U("«two» не является целым числом!"));
    EXPECT_EQ(g->Name(), U("a"));
    EXPECT_EQ(window.UndoSide.Ops.size(), steps);
}

TEST_F(FiltrationFixture, WindowsLongerThanTheGraphAreRefused) {
    TGraph* g = Add(Ramp(5), Ramp(5), U("a"));
    Open(ftSavitzkyGolay);
    model.WindowText = U("2147483647"); // no allocation follows from a typed number
    model.SmoothingOrderText = U("2");
    model.OutputIndex = 1;
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(asker.Messages.size(), 1);
    EXPECT_EQ(g->Name(), U("a"));
}

TEST_F(FiltrationFixture, NodesWhoseArgumentDoesNotIncreaseAreDropped) {
    TGraph* g = Add(Values({0, 1, 0.5L, 2}), Values({4, 5, 6, 7}), U("a"));
    Open(ftMovingAverage);
    model.OutputIndex = 1;
    model.OnlySourceNodes = true;
    model.IntervalText = U("0.5");
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(GraphX(g), Values({0, 1, 2}));
    EXPECT_EQ(GraphY(g), Values({4, 5, 7}));
}

TEST_F(FiltrationFixture, GraphsWithFewerThanThreeNodesAreLeftAlone) {
    TGraph* one = Add(Values({1}), Values({2}), U("one"));
    TGraph* two = Add(Values({1, 2}), Values({2, 3}), U("two"));
    Open(ftMovingAverage);
    model.SetScope(fsAllGraphs);
    model.OutputIndex = 1;
    model.Apply();
    EXPECT_EQ(one->Name(), U("one"));
    EXPECT_EQ(GraphY(two), Values({2, 3}));
    EXPECT_EQ(window.GraphCount(), 2);
}

TEST_F(FiltrationFixture, WideMovingAverageGivesTheMean) {
    TGraph* g = Add(Values({0, 1, 3}), Values({2, 4, 0}), U("a"));
    Open(ftMovingAverage);
    model.IntervalText = U("-6"); // its size counts
    model.AveragingKind = 0;
    model.Realization = 0; // "Прямая", read although the control is disabled for this type
    model.OutputIndex = 1;
    model.Apply();
    EXPECT_EQ(GraphY(g), Values({2, 2, 2}));
    EXPECT_EQ(GraphX(g), Values({3, 4, 6}));
}

TEST_F(FiltrationFixture, IntervalThatIsNoNumberClosesWithoutFiltering) {
    TGraph* g = Add(Ramp(5), Ramp(5), U("a"));
    Open(ftMovingAverage);
    model.IntervalText = U("wide");
    EXPECT_TRUE(model.Apply());
    EXPECT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(g->Name(), U("a"));
    // Other types do not read it.
    Open(ftSavitzkyGolay);
    model.SmoothingOrderText = U("0");
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(window.GraphCount(), 2);
}

TEST_F(FiltrationFixture, NewGraphsGoOnTopAndAreNotFilteredAgain) {
    Add(Ramp(6), Ramp(6), U("a"));
    Add(Ramp(6), Ramp(6, 1), U("b"));
    Open(ftMovingAverage);
    model.SetScope(fsAllGraphs);
    model.Apply();
    ASSERT_EQ(window.GraphCount(), 4);
    EXPECT_EQ(window.GraphByIndex(2)->Name(), U("a (Filtered)"));
    EXPECT_EQ(window.GraphByIndex(3)->Name(), U("b (Filtered)"));
    EXPECT_EQ(window.GraphByIndex(3)->Layer(), 0);
    EXPECT_EQ(window.GraphByIndex(2)->Layer(), 1);
}

TEST_F(FiltrationFixture, SelectedGraphsOnly) {
    Add(Ramp(6), Ramp(6), U("a"));
    TGraph* b = Add(Ramp(6), Ramp(6, 1), U("b"));
    b->SetSelected(true);
    Open(ftMovingAverage);
    model.SetScope(fsSelectedGraphs);
    model.OutputIndex = 1;
    model.Apply();
    EXPECT_EQ(window.GraphByIndex(0)->Name(), U("a"));
    EXPECT_EQ(b->Name(), U("b (Filtered)"));
}

TEST_F(FiltrationFixture, OneGraphIntoAnotherNamedGraph) {
    TGraph* source = Add(Ramp(6), Values({0, 6, 0, 6, 0, 6}), U("source"));
    TGraph* other = Add(Ramp(3), Ramp(3), U("other"));
    Open(ftMovingAverage);
    model.GraphIndex = 0;
    model.IntervalText = U("3");
    model.AveragingKind = 0;
    ASSERT_EQ(model.OutputItems()[3].Text, U("other"));
    model.OutputIndex = 3;
    model.Apply();
    EXPECT_EQ(other->Name(), U("source (Filtered)"));
    EXPECT_EQ(GraphX(other), Ramp(6));
    // Means of three nodes; the ends reflected through (0, 0) and (5, 6).
    EXPECT_EQ(GraphY(other), Values({0, 2, 4, 2, 4, 6}));
    EXPECT_EQ(source->Name(), U("source"));
    EXPECT_EQ(GraphY(source), Values({0, 6, 0, 6, 0, 6}));
}

TEST_F(FiltrationFixture, IdentityRecursiveFilterKeepsTheNodesOnItsGrid) {
    TGraph* g = Add(Ramp(20), Ramp(20, 5, 0.5L), U("a"));
    Open(ftUserDefined);
    model.SetNumeratorText(U("1"));
    model.SetDenominatorText(U("1"));
    model.SetCutoffText(U("0.1"));
    ASSERT_TRUE(model.ComputeFilter());
    for (int realization : {0, 1}) {
        model.Realization = realization;
        model.OutputIndex = 1;
        model.Apply();
        EXPECT_EQ(GraphX(g), Ramp(20));
        EXPECT_EQ(GraphY(g), Ramp(20, 5, 0.5L));
    }
}

TEST_F(FiltrationFixture, DesignedFilterIsComputedAfreshWhenApplying) {
    TGraph* g = Add(Ramp(200), TDoubleArray(200, 3), U("a"));
    Open(ftButterworth);
    ASSERT_TRUE(model.ComputeFilter());
    model.SetSampleRateText(U("-1")); // disables "Применить" in the dialog; the model refuses it too
    EXPECT_FALSE(model.Apply());
    model.SetSampleRateText(U("1"));
    ASSERT_TRUE(model.ComputeFilter());
    model.OutputIndex = 1;
    model.Apply();
    // A constant passes a low-pass filter unchanged once the start has settled.
    EXPECT_NEAR(GraphY(g)[100], 3, 1e-12L);
    EXPECT_EQ(GraphX(g), Ramp(200));
}

TEST_F(FiltrationFixture, GridThatIsTooDenseStopsWithAMessage) {
    TGraph* g = Add(Ramp(100), Ramp(100), U("a"));
    Open(ftButterworth);
    model.SetSampleRateText(U("1e9"));
    model.SetCutoffText(U("1e8"));
    ASSERT_TRUE(model.ComputeFilter());
    model.OutputIndex = 1;
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(
        asker.Messages,
        QStringList{U("Слишком частая равномерная сетка для графика «a»: уменьшите частоту дискретизации!")});
    EXPECT_EQ(g->Name(), U("a"));
    EXPECT_FALSE(window.UndoGrouping());
}

TEST_F(FiltrationFixture, UnstableFilterStoresNothing) {
    // y[n] = x[n] + 1.5·y[n−1] over 29 400 grid points grows beyond the extended range.
    TGraph* g = Add(Ramp(100), Ramp(100), U("a"));
    const QByteArray before = SettledStream(window);
    Open(ftUserDefined);
    model.SetNumeratorText(U("0.03125"));
    model.SetDenominatorText(U("1 1.5"));
    model.SetSampleRateText(U("1000"));
    model.SetCutoffText(U("1"));
    ASSERT_TRUE(model.ComputeFilter());
    model.Realization = 0; // "Прямая"
    for (int output : {0, 1}) {
        asker.Messages.clear();
        model.OutputIndex = output;
        EXPECT_FALSE(model.Apply());
        EXPECT_EQ(asker.Messages,
                  QStringList{U("Фильтр неустойчив для данных графика «a»: результат содержит "
                                "бесконечные или неопределённые значения. График не изменён.")});
        EXPECT_EQ(window.GraphCount(), 1);
        EXPECT_EQ(GraphY(g), Ramp(100));
        EXPECT_EQ(SettledStream(window), before);
    }
    // The window paints the unchanged graph.
    QImage image(300, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintFigure(window, painter, window.ClientRect());
}

TEST_F(FiltrationFixture, AverageBeyondTheLargestValueStoresNothing) {
    constexpr Extended largest = std::numeric_limits<Extended>::max();
    TGraph* g = Add(Ramp(4), Values({largest, largest, largest, largest}), U("b"));
    Open(ftMovingAverage);
    model.AveragingKind = 0; // "Суммирование" adds the values up
    model.IntervalText = U("10");
    model.OutputIndex = 1;
    EXPECT_FALSE(model.Apply());
    EXPECT_EQ(asker.Messages, QStringList{U("Результат фильтрации графика «b» содержит бесконечные или "
                                            "неопределённые значения. График не изменён.")});
    EXPECT_EQ(g->Name(), U("b"));
    EXPECT_EQ(GraphX(g), Ramp(4));
}

TEST_F(FiltrationFixture, ClosesAfterApplyingWhenAsked) {
    Add(Ramp(6), Ramp(6), U("a"));
    Open(ftMovingAverage);
    EXPECT_FALSE(model.Apply());
    model.CloseAfterApply = true;
    EXPECT_TRUE(model.Apply());
}

TEST_F(FiltrationFixture, OneUndoRestoresTheFigureByteForByte) {
    Add(Ramp(50), Ramp(50, 1, 0.25L), U("a"));
    Add(Ramp(40, 0, 0.5L), Ramp(40, -2, 0.75L), U("b"));
    Add(Ramp(30), Ramp(30), U("c"));
    window.GraphByIndex(1)->SetSelected(true);
    struct Case {
        int Type, Scope, Output;
    } cases[] = {{ftButterworth, fsAllGraphs, 1},
                 {ftChebyshev, fsAllGraphs, 0},
                 {ftMovingAverage, fsOneGraph, 3},
                 {ftUserDefined, fsSelectedGraphs, 1}};
    for (const Case& c : cases) {
        const QByteArray before = SettledStream(window);
        const int undoSteps = int(window.UndoSide.Ops.size());
        Open(c.Type);
        model.SetScope(c.Scope);
        model.OutputIndex = c.Output;
        if (c.Type != ftMovingAverage) {
            ASSERT_TRUE(model.ComputeFilter());
        }
        model.Apply();
        ASSERT_NE(SettledStream(window), before) << c.Type;
        ASSERT_GT(window.UndoSide.Ops.size(), undoSteps);
        window.Undo();
        EXPECT_EQ(SettledStream(window), before) << c.Type;
    }
}

// Graphs of the size filtered as a job, and each filter type applied to all of them.
struct LongFiltrationTest : FiltrationFixture {
    void SetUp() override {
        const int nodes = int(TFiltrationModel::JobNodes / 2) + 1;
        for (int k = 0; k < 2; ++k) {
            TDoubleArray y(nodes);
            for (int i = 0; i < nodes; ++i)
                y[i] = Extended((i * 7919LL + k * 13) % 1000);
            Add(Ramp(nodes), y, QStringLiteral("g%1").arg(k));
        }
        window.ClearUndoHistory();
    }
    void Prepare(int type, int output) {
        Open(type);
        model.SetScope(fsAllGraphs);
        model.OutputIndex = output;
        model.WindowText = U("5");
        model.SmoothingOrderText = U("2");
        model.IntervalText = U("4");
        if (type != ftMovingAverage && type != ftSavitzkyGolay) {
            ASSERT_TRUE(model.ComputeFilter());
        }
    }
    QList<TDoubleArray> AllData() const {
        QList<TDoubleArray> all;
        for (int i = 0; i < window.GraphCount(); ++i) {
            all.append(GraphX(window.GraphByIndex(i)));
            all.append(GraphY(window.GraphByIndex(i)));
        }
        return all;
    }
};

struct LongFilterCase {
    int Type, Output;
};
const LongFilterCase longFilterCases[] = {
    {ftButterworth, 1}, {ftMovingAverage, 0}, {ftSavitzkyGolay, 1}, {ftUserDefined, 0}};

TEST_F(LongFiltrationTest, CancelledJobChangesNothing) {
    for (const LongFilterCase& c : longFilterCases) {
        Prepare(c.Type, c.Output);
        const QList<TDoubleArray> before = AllData();
        testutil::TJobRecorder job;
        job.CancelAtFirstCount = true;
        model.RunJob = job.Run();
        EXPECT_FALSE(model.Apply()) << c.Type;
        EXPECT_EQ(job.Runs, 1);
        EXPECT_EQ(AllData(), before) << c.Type;
        EXPECT_FALSE(window.HaveUndo());
        EXPECT_TRUE(asker.Messages.isEmpty());
    }
}

TEST_F(LongFiltrationTest, JobFiltersAsTheDirectApplication) {
    for (const LongFilterCase& c : longFilterCases) {
        Prepare(c.Type, c.Output);
        model.RunJob = RunJobInline;
        model.Apply();
        const QList<TDoubleArray> direct = AllData();
        window.Undo();
        const QList<TDoubleArray> before = AllData();
        ASSERT_NE(direct, before) << c.Type;
        testutil::TJobRecorder job;
        model.RunJob = job.Run();
        model.Apply();
        EXPECT_EQ(job.Runs, 1);
        EXPECT_EQ(AllData(), direct) << c.Type;
        window.Undo();
        EXPECT_FALSE(window.HaveUndo());
    }
}
