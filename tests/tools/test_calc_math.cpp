#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/CalcMath.h"

#include "model/Graph.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;
using testutil::Ramp;
using testutil::Values;

namespace {

struct CalcMathTest : WindowTest {
    TCalcMath calc;
    QStringList messages;
    void SetUp() override {
        calc.OnMessage = [this](const QString& text) { messages << text; };
    }
    // Three graphs named A, B, C over 0..4, values 1..5 times 1, 2, 3, no undo; the window registered.
    void AddThree() {
        Add(Ramp(5), Ramp(5, 1, 1), u"A"_s);
        Add(Ramp(5), Ramp(5, 2, 2), u"B"_s);
        Add(Ramp(5), Ramp(5, 3, 3), u"C"_s);
        window.ClearUndoHistory();
        calc.AddWindow(&window, 0);
    }
    QStringList NodeTexts() const {
        QStringList texts;
        for (qsizetype n = 0; n < calc.Graphs().size(); ++n)
            texts << calcmath::GraphNodeText(int(n), calc.Graphs()[n].Name);
        return texts;
    }
};

TEST_F(CalcMathTest, RegistrationNumbersGraphsAcrossWindowsOnce) {
    Add(Ramp(3), Ramp(3), u"A"_s);
    Add(Ramp(3), Ramp(3), u"B"_s);
    window.Caption = u"Рисунок"_s;
    TSuperGrWindow second;
    second.SetBottomCaption({u"Низ"_s});
    ASSERT_TRUE(second.AddGraph(u"C"_s, false, {}, Ramp(2), Ramp(2)));

    calc.AddWindow(nullptr, 0);
    calc.AddWindow(&window, 0);
    calc.AddWindow(&second, 7);
    calc.AddWindow(&window, 3);
    EXPECT_EQ(NodeTexts(), (QStringList{u"y(0): A"_s, u"y(1): B"_s, u"y(2): C"_s}));
    ASSERT_EQ(calc.Windows().size(), 2);
    EXPECT_EQ(calc.Windows()[0].Title, u"Рисунок"_s);
    EXPECT_EQ(calc.Windows()[0].Value, 3);
    EXPECT_EQ(calc.Windows()[1].Title, u"Низ"_s);
    EXPECT_EQ(calc.SelectedGraph, 0);
    EXPECT_EQ(calc.OverwriteTargets()[2].Text, u"y(2): C"_s);
    EXPECT_EQ(calc.OverwriteTargets()[2].WindowOrdinal, 2);
}

TEST_F(CalcMathTest, ListensToTheWindowUntilItIsRemoved) {
    int ownCalls = 0;
    const TEventConnection listening =
        window.Events.OnGraphsListChanged.Listen([&](TComponent*, const QStringList&) { ++ownCalls; });
    calc.AddWindow(&window, 0);
    Add(Ramp(2), Ramp(2), u"A"_s);
    EXPECT_EQ(ownCalls, 1);
    EXPECT_EQ(NodeTexts(), QStringList{u"y(0): A"_s});
    EXPECT_EQ(calc.OverwriteTargets()[0].Text, u"A - y(0)"_s);

    calc.RemoveAllWindows();
    EXPECT_TRUE(calc.Graphs().isEmpty());
    Add(Ramp(2), Ramp(2), u"B"_s);
    EXPECT_EQ(ownCalls, 2);
    EXPECT_TRUE(calc.Graphs().isEmpty());
}

TEST_F(CalcMathTest, DestroyedWindowLeavesAndItsOtherListenersHearIt) {
    bool destroyed = false;
    TEventConnection listening;
    {
        TSuperGrWindow doomed;
        doomed.AddGraph(u"D"_s, false, {}, Ramp(2), Ramp(2));
        listening = doomed.Events.OnDestroy.Listen([&](TComponent*) { destroyed = true; });
        calc.AddWindow(&doomed, 0);
        calc.AddWindow(&window, 0);
        ASSERT_EQ(calc.Graphs().size(), 1);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(calc.Windows().size(), 1);
    EXPECT_TRUE(calc.Graphs().isEmpty());
}

TEST(CalcMathSettings, DefaultsAndSettersTellTheWindow) {
    TCalcMath calc;
    EXPECT_EQ(calc.InterpType(), 2);
    EXPECT_EQ(calc.ExtrapType(), 1);
    EXPECT_EQ(calc.DefDiffType(), 1);
    EXPECT_TRUE(calc.IgnoreErrors());
    EXPECT_TRUE(calc.CloseWindowAfterCalc());
    EXPECT_FALSE(calc.StayOnTop());
    int told = 0;
    calc.OnSettingsChanged = [&] { ++told; };
    calc.SetStayOnTop(true);
    calc.SetInterpType(6);
    EXPECT_EQ(told, 2);
    EXPECT_TRUE(calc.StayOnTop());
}

TEST(CalcMathInterval, CommonArgument) {
    using calcmath::CommonArgument;
    EXPECT_EQ(CommonArgument(0, 1, 0.3L), Values({0, 0.3L, 0.6L, 0.3L * 3, 1}));
    EXPECT_EQ(CommonArgument(0, 1, 0.25L), Values({0, 0.25L, 0.5L, 0.75L, 1}));
    EXPECT_EQ(CommonArgument(0, 10, 0.01L).size(), 1001);
    // The last point lies within step/100 of the end: the end is not added.
    EXPECT_EQ(CommonArgument(0, 1.001L, 0.5L), Values({0, 0.5L, 1}));
    const Extended refused[][3] = {{0, 1e12L, 1e-6L}, {1, 0, 0.1L}, {0, 1, 0},       {0, 1, -1},
                                   {0, 1, 1e-4950L},  {0, 1, NAN},  {0, INFINITY, 1}};
    for (const auto& r : refused)
        EXPECT_TRUE(CommonArgument(r[0], r[1], r[2]).isEmpty()) << double(r[1]) << ' ' << double(r[2]);
    EXPECT_TRUE(CommonArgument(0, 10, 1, 10).isEmpty());
    EXPECT_EQ(CommonArgument(0, 10, 1, 11).size(), 11);
}

TEST(CalcMathReferences, GraphsNamedByAFormula) {
    EXPECT_EQ(calcmath::GraphReferences(u"Y(2)+XREL(0)*X(2)-ANY(5)+Y(A)"_s), (QList<int>{2, 0}));
    EXPECT_EQ(calcmath::CurrentGraphOf(u"sin(y(3))*2"_s), 3);
    EXPECT_EQ(calcmath::CurrentGraphOf(u"y(1:2)*x(0)"_s), 1);
    EXPECT_FALSE(calcmath::CurrentGraphOf(u"y(1)+y(2)"_s));
    EXPECT_FALSE(calcmath::CurrentGraphOf(u"[y(1) 2]"_s));
}

TEST(InputHistory, RecordsAndWalks) {
    TInputHistory h;
    EXPECT_FALSE(h.Previous({}));
    h.Record(u"a"_s, false);
    h.Record(u"a"_s, false);
    h.Record(u"b"_s, false);
    h.Record(u"b"_s, true);
    EXPECT_EQ(h.Items(), (QStringList{u"a"_s, u"b"_s, u"b"_s}));
    EXPECT_EQ(h.Selected(), 2);
    EXPECT_EQ(h.Previous(u"typed"_s), u"b"_s);
    EXPECT_EQ(h.Previous(u"b"_s), u"b"_s);
    EXPECT_EQ(h.Previous(u"b"_s), u"a"_s);
    EXPECT_FALSE(h.Previous(u"a"_s));
    EXPECT_EQ(h.Next(u"a"_s), u"b"_s);
    h.Select(-1);
    EXPECT_EQ(h.Next(u"x"_s), u"a"_s);
}

// ---------------------------------------------------------------------------------------------
// Calculating.

TEST_F(CalcMathTest, FunctionOverCommonArgumentBecomesOneNewGraph) {
    AddThree();
    calc.UseCommonArg = true;
    const TCalcOutcome out = calc.Calculate(u"sin(x)"_s);
    ASSERT_TRUE(out.Succeeded) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(out.CloseWindow);
    EXPECT_FALSE(out.NewInput);
    ASSERT_EQ(window.GraphCount(), 4);
    const TGraph* g = window.GraphByIndex(3);
    EXPECT_EQ(g->Name(), u"sin(x)"_s);
    EXPECT_EQ(g->NodeCount(), 1001);
    EXPECT_TRUE(calc.NewGraphName.isEmpty());
    EXPECT_EQ(calc.History.Items(), QStringList{u"sin(x)"_s});
}

TEST_F(CalcMathTest, NumbersGoToTheInputLine) {
    AddThree();
    const struct {
        QString Line, Input;
    } cases[] = {{u"2*3"_s, u"6"_s}, {u"[1 2 3]*2"_s, u"[2 4 6]"_s}, {u"max(y(2))"_s, u"15"_s}};
    for (const auto& c : cases) {
        const TCalcOutcome out = calc.Calculate(c.Line);
        EXPECT_TRUE(out.Succeeded) << c.Line.toStdString();
        EXPECT_EQ(out.NewInput, c.Input);
        EXPECT_FALSE(out.CloseWindow);
    }
    EXPECT_EQ(window.GraphCount(), 3);
}

TEST_F(CalcMathTest, OverwritesTheCurrentGraphInPlace) {
    AddThree();
    calc.Overwrite = true;
    calc.OverwriteTarget = TCalcMath::CurrentGraphTarget;
    int targetsTold = 0;
    calc.OnTargetsChanged = [&] { ++targetsTold; };
    calc.InputChanged(u"y(1)*"_s);
    calc.InputChanged(u"y(1)*2"_s); // the same current graph: the list stays
    EXPECT_EQ(targetsTold, 1);
    ASSERT_EQ(calc.CurrentGraph(), 1);
    EXPECT_EQ(calc.OverwriteTargets()[0].Text, u"Текущий график - y(1)"_s);
    ASSERT_TRUE(calc.Calculate(u"y(1)*2"_s).Succeeded);
    EXPECT_EQ(window.GraphCount(), 3);
    EXPECT_EQ(GraphY(window.GraphByIndex(1)), Ramp(5, 4, 4));
    window.Undo();
    EXPECT_EQ(GraphY(window.GraphByIndex(1)), Ramp(5, 2, 2));
}

TEST_F(CalcMathTest, SeveralGraphsGetTheWindowsNamesAndOneUndo) {
    AddThree();
    ASSERT_TRUE(calc.Calculate(u"y(1:2)"_s).Succeeded);
    ASSERT_EQ(window.GraphCount(), 5);
    EXPECT_EQ(window.GraphByIndex(3)->Name(), u"y(1:2)"_s);
    EXPECT_EQ(window.GraphByIndex(4)->Name(), u"y(1:2) (1)"_s);
    EXPECT_EQ(GraphY(window.GraphByIndex(4)), Ramp(5, 3, 3));
    window.Undo();
    EXPECT_EQ(window.GraphCount(), 3);
}

TEST_F(CalcMathTest, LaterWindowsKeepTheirNumbersWhileResultsAreAdded) {
    AddThree();
    TSuperGrWindow second;
    ASSERT_TRUE(second.AddGraph(u"D"_s, false, {}, Ramp(5), Ramp(5, 7, 0)));
    calc.AddWindow(&second, 0);
    // The first result lands in the first window; y(3) is still D for the second formula.
    ASSERT_TRUE(calc.Calculate(u"[y(0) y(3)]"_s).Succeeded);
    ASSERT_EQ(window.GraphCount(), 5);
    EXPECT_EQ(GraphY(window.GraphByIndex(4)), Ramp(5, 7, 0));
}

TEST_F(CalcMathTest, FailuresLeaveHistoryGraphsAndUndoAlone) {
    AddThree();
    const struct {
        const char* Name;
        QString Line;
        bool CommonArg;
        QString Start, End, Step;
        int SelectedWindow;
    } cases[] = {
        {"expansion", u"[1 2"_s, false, {}, {}, {}, 0},
        {"evaluation", u"y(9)"_s, false, {}, {}, {}, 0},
        {"unknown function", u"foo(y(0))"_s, false, {}, {}, {}, 0},
        {"interval reversed", u"y(0)"_s, true, u"1"_s, u"0"_s, u"0.1"_s, 0},
        {"interval not a number", u"y(0)"_s, true, u"0"_s, u"y(0)"_s, u"0.1"_s, 0},
        {"interval too long", u"y(0)"_s, true, u"0"_s, u"1E12"_s, u"1E-6"_s, 0},
        {"no target window", u"y(0)*2"_s, false, {}, {}, {}, -1},
    };
    for (const auto& c : cases) {
        messages.clear();
        calc.UseCommonArg = c.CommonArg;
        calc.ArgStart = c.Start;
        calc.ArgEnd = c.End;
        calc.ArgStep = c.Step;
        calc.SelectedWindow = c.SelectedWindow;
        const TCalcOutcome out = calc.Calculate(c.Line);
        EXPECT_FALSE(out.Succeeded) << c.Name;
        EXPECT_EQ(messages.size(), 1) << c.Name;
        EXPECT_TRUE(calc.History.Items().isEmpty()) << c.Name;
        EXPECT_EQ(window.GraphCount(), 3) << c.Name;
        EXPECT_FALSE(window.HaveUndo()) << c.Name;
    }
    EXPECT_TRUE(messages[0].contains(u"Не указано окно для вывода графика."_s));
}

TEST_F(CalcMathTest, MessagesNameTheFailure) {
    AddThree();
    calc.Calculate(u"[1 2"_s);
    calc.UseCommonArg = true;
    calc.ArgStep = u"-1"_s;
    calc.Calculate(u"y(0)"_s);
    EXPECT_EQ(messages, (QStringList{mathfuncs::ErrorReport(28), u"Неверно задан интервал расчёта!"_s}));
}

TEST_F(CalcMathTest, InfiniteResultsMakeNoGraph) {
    AddThree();
    TDoubleArray y = Ramp(5);
    y[2] = std::numeric_limits<Extended>::infinity();
    Add(Ramp(5), y, u"D"_s);
    window.ClearUndoHistory();
    for (const bool overwrite : {false, true}) {
        messages.clear();
        calc.Overwrite = overwrite;
        calc.OverwriteTarget = 0;
        EXPECT_FALSE(calc.Calculate(u"y(3)*2"_s).Succeeded);
        EXPECT_EQ(messages, QStringList{mathfuncs::ErrorReport(mathfuncs::InfiniteResultCode)});
        EXPECT_EQ(window.GraphCount(), 4);
        EXPECT_EQ(GraphY(window.GraphByIndex(0)), Ramp(5, 1, 1));
        EXPECT_FALSE(window.HaveUndo());
        EXPECT_TRUE(calc.History.Items().isEmpty());
    }
}

TEST_F(CalcMathTest, ResultsBeforeAFailingFormulaStay) {
    AddThree();
    EXPECT_FALSE(calc.Calculate(u"[y(0) y(7)]"_s).Succeeded);
    EXPECT_EQ(messages, QStringList{mathfuncs::ErrorReport(4)});
    EXPECT_EQ(window.GraphCount(), 4);
    EXPECT_EQ(calc.History.Items().size(), 1);
}

TEST_F(CalcMathTest, CancelStopsSilently) {
    AddThree();
    calc.Cancelled = [] { return true; };
    EXPECT_FALSE(calc.Calculate(u"y(0)*2"_s).Succeeded);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(window.GraphCount(), 3);
    EXPECT_TRUE(calc.History.Items().isEmpty());
}

} // namespace
