#include "files/AddGraphsModel.h"
#include "files/MatlabFile.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <QClipboard>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
using testutil::Ramp;
using testutil::U;
using testutil::Values;

// Answers questions from a queue (No when it runs dry) and keeps everything it was shown.
struct TScriptedAsker : TAddGraphsAsker {
    QList<bool> Answers;
    QStringList Captions, Questions, Messages;
    bool AskYesNo(const QString& caption, const QString& text) override {
        Captions.append(caption);
        Questions.append(text);
        return Answers.isEmpty() ? false : Answers.takeFirst();
    }
    void ShowMessage(const QString& text) override { Messages.append(text); }
};

struct AddGraphsFixture : ::testing::Test {
    QTemporaryDir dir;
    TSuperGrWindow window;
    TScriptedAsker asker;
    TAddGraphsModel model{window, asker};
    // Files are read on a worker thread as in the dialog; CancelJobs cancels each reading at once.
    bool CancelJobs = false;
    AddGraphsFixture() {
        model.RunJob = [this](const QString&, const TJobWork& work) {
            TBackgroundJob job;
            return job
                .RunAndWait([&](TJobProgress& progress) {
                    if (CancelJobs) progress.Cancel();
                    work(progress);
                })
                .isEmpty();
        };
    }

    QString Write(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    // A table of `lines` lines of `columns` values: value (line, column) = line * 10 + column.
    QString WriteTable(const QString& name, int lines, int columns, const QByteArray& header = {}) {
        QByteArray content = header;
        for (int r = 0; r < lines; ++r) {
            for (int c = 0; c < columns; ++c)
                content += QByteArray::number(r * 10 + c) + ' ';
            content += "\r\n";
        }
        return Write(name, content);
    }
    TNodeRef FirstArray() const { return {0, 0, -1}; }
    TNodeRef Series(int s) const { return {0, 0, s}; }
    const TArrayNode& Array() const { return model.Files()[0].Arrays[0]; }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(AddGraphsFixture, ThreeColumnsGiveTwoGraphsAgainstTheFirstColumn) {
    const QString path = WriteTable(QStringLiteral("data.txt"), 100, 3, "Measured data\r\n");
    model.LoadSources({path});
    EXPECT_TRUE(asker.Messages.isEmpty());

    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(model.Files()[0].Caption, path);
    ASSERT_EQ(model.Files()[0].Arrays.size(), 1);
    const TArrayNode& array = Array();
    EXPECT_EQ(array.Caption, U("data.txt  Гр.1"));
    EXPECT_EQ(array.Data.Header, QStringList{QStringLiteral("Measured data")});
    EXPECT_TRUE(array.Data.SeriesInColumns);
    EXPECT_EQ(array.Data.SeriesCount, 3);
    EXPECT_EQ(array.Data.SeriesLength, 100);
    EXPECT_EQ(array.Data.CommonArg, 0);
    EXPECT_EQ(array.Data.Strategy, 0);
    ASSERT_EQ(array.Series.size(), 3);
    EXPECT_EQ(array.Series[0].Caption, U("Столбец 1"));
    EXPECT_EQ(array.Series[2].Caption, U("Столбец 3"));
    EXPECT_EQ(array.Series[0].State, ssArgument);
    EXPECT_EQ(array.Series[1].State, ssPlotted);
    EXPECT_EQ(array.Series[2].State, ssPlotted);
    EXPECT_EQ(array.Series[1].Data.ArgMode, -2);
    EXPECT_EQ(array.Series[1].Data.TargetGraph, -1);
    EXPECT_EQ(array.Series[1].Data.StartDate, TAddGraphsModel::Today());
    EXPECT_EQ(TAddGraphsModel::SizeText(array.Data), QStringLiteral("[3x100]"));

    // Tree index 3 (file, array, column 1, column 2) is selected: the first plotted series.
    EXPECT_EQ(model.Selection(), QList<TNodeRef>{Series(1)});
    ASSERT_EQ(model.Preview().GraphCount(), 1);
    EXPECT_EQ(GraphX(model.Preview().GraphByIndex(0)), Ramp(100, 0, 10));
    EXPECT_EQ(GraphY(model.Preview().GraphByIndex(0)), Ramp(100, 1, 10));

    EXPECT_EQ(model.Build(), 2);
    ASSERT_EQ(window.GraphCount(), 2);
    EXPECT_EQ(window.GraphByIndex(0)->Name(), U("data.txt  Гр.1"));
    EXPECT_EQ(window.GraphByIndex(1)->Name(), U("data.txt  Гр.1 (1)"));
    EXPECT_EQ(GraphX(window.GraphByIndex(0)), Ramp(100, 0, 10));
    EXPECT_EQ(GraphY(window.GraphByIndex(0)), Ramp(100, 1, 10));
    EXPECT_EQ(GraphX(window.GraphByIndex(1)), Ramp(100, 0, 10));
    EXPECT_EQ(GraphY(window.GraphByIndex(1)), Ramp(100, 2, 10));
    EXPECT_FALSE(window.GraphByIndex(0)->Selected());
    EXPECT_TRUE(window.AllowRepaint);
}

TEST_F(AddGraphsFixture, ColumnsNotKeptGiveNoGraphs) {
    model.KeptColumns = {0, 2};
    model.LoadSources({WriteTable(QStringLiteral("data.txt"), 100, 3)});
    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(Array().Data.SeriesCount, 3);
    EXPECT_TRUE(Array().Data.Series[1].isEmpty());
    EXPECT_EQ(model.Build(), 1);
    ASSERT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(GraphX(window.GraphByIndex(0)), Ramp(100, 0, 10));
    EXPECT_EQ(GraphY(window.GraphByIndex(0)), Ramp(100, 2, 10));
}

TEST_F(AddGraphsFixture, SingleColumnIsPlottedAgainstNodeNumbers) {
    model.LoadSources({Write(QStringLiteral("one.txt"), "5\n7\n9\n4\n")});
    const TArrayNode& array = Array();
    EXPECT_TRUE(array.Data.SeriesInColumns);
    EXPECT_EQ(array.Data.SeriesCount, 1);
    EXPECT_EQ(array.Data.CommonArg, -1);
    ASSERT_EQ(array.Series.size(), 1);
    EXPECT_EQ(array.Series[0].State, ssPlotted);
    // Three nodes only: the last one, the series, is selected.
    EXPECT_EQ(model.Selection(), QList<TNodeRef>{Series(0)});
    EXPECT_EQ(model.ArgumentItems(array).first(), U("общий (номера узлов)"));

    EXPECT_EQ(model.Build(), 1);
    EXPECT_EQ(GraphX(window.GraphByIndex(0)), Values({0, 1, 2, 3}));
    EXPECT_EQ(GraphY(window.GraphByIndex(0)), Values({5, 7, 9, 4}));
}

TEST_F(AddGraphsFixture, WideTableKeepsRowsAsSeriesAndSquareTableToo) {
    model.LoadSources(
        {WriteTable(QStringLiteral("wide.txt"), 2, 5), WriteTable(QStringLiteral("sq.txt"), 2, 2)});
    ASSERT_EQ(model.Files().size(), 2);
    const TArrayNodeData& wide = model.Files()[0].Arrays[0].Data;
    EXPECT_FALSE(wide.SeriesInColumns);
    EXPECT_EQ(wide.SeriesCount, 2);
    EXPECT_EQ(wide.SeriesLength, 5);
    EXPECT_EQ(wide.Series[1], Values({10, 11, 12, 13, 14}));
    EXPECT_EQ(model.Files()[0].Arrays[0].Series[1].Caption, U("Строка 2"));
    EXPECT_EQ(TAddGraphsModel::SizeText(wide), QStringLiteral("[5x2]"));
    EXPECT_FALSE(model.Files()[1].Arrays[0].Data.SeriesInColumns);
}

TEST_F(AddGraphsFixture, EveryVariableOfATextFileIsAnArrayInOrder) {
    const QString path = Write(QStringLiteral("two.txt"), "head\n1 2\n3 4\n5 6\nNext var\n7\n8\n");
    model.LoadSources({path});
    ASSERT_EQ(model.Files()[0].Arrays.size(), 2);
    EXPECT_EQ(model.Files()[0].Arrays[1].Caption, U("two.txt  Гр.2"));
    EXPECT_EQ(model.Files()[0].Arrays[1].Data.Series[0], Values({7, 8}));
    EXPECT_EQ(model.NodeCount(), 1 + 1 + 2 + 1 + 1);
    EXPECT_EQ(model.NodeAt(4), (TNodeRef{0, 1, -1}));
    EXPECT_EQ(model.TreeIndexOf({0, 1, 0}), 5);
    EXPECT_EQ(model.NodeAt(6), TNodeRef{});
}

TEST_F(AddGraphsFixture, FailingFileIsReportedAndNothingIsSelected) {
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    model.LoadSources({missing});
    ASSERT_EQ(asker.Messages.size(), 1);
    EXPECT_EQ(asker.Messages[0], U("Ошибка при чтении файла ") + missing + QStringLiteral(",\n") +
                                     U("Файл \"") + missing + U("\" не найден."));
    EXPECT_TRUE(model.IsEmpty());
    EXPECT_TRUE(model.Selection().isEmpty());
    EXPECT_EQ(model.Focused().Level(), -1);
    EXPECT_EQ(model.Preview().GraphCount(), 0);
}

TEST_F(AddGraphsFixture, AFailingFileDoesNotStopTheOthers) {
    const QString good = WriteTable(QStringLiteral("good.txt"), 4, 2);
    model.LoadSources(
        {dir.filePath(QStringLiteral("none.txt")), Write(QStringLiteral("empty.txt"), ""), good});
    EXPECT_EQ(asker.Messages.size(), 2);
    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(model.Files()[0].Caption, good);
}

TEST_F(AddGraphsFixture, BrokenMatFileIsReadAsTextOnYes) {
    const QString path = Write(QStringLiteral("table.MAT"), "1 2\n3 4\n5 6\n");
    asker.Answers = {true};
    model.LoadSources({path});
    ASSERT_EQ(asker.Questions.size(), 1);
    EXPECT_EQ(asker.Questions[0], U("Ошибка при чтении файла ") + path + QStringLiteral(",\n") +
                                      U("Файл \"") + path + U("\" не является корректным mat-файлом.") +
                                      QStringLiteral("\n") +
                                      U("Попробовать считать этот файл как текстовый?"));
    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(Array().Caption, U("table.MAT  Гр.1"));
    EXPECT_EQ(Array().Data.Series[1], Values({2, 4, 6}));
}

TEST_F(AddGraphsFixture, BrokenMatFileIsSkippedOnNo) {
    model.LoadSources({Write(QStringLiteral("table.mat"), "1 2\n3 4\n5 6\n")});
    EXPECT_EQ(asker.Questions.size(), 1);
    EXPECT_TRUE(model.IsEmpty());
}

TEST_F(AddGraphsFixture, MatVariablesBecomeArraysNamedAfterTheVariables) {
    TMatlabFile mat;
    mat.SetVariable(QStringLiteral("speed"), {Values({1, 2, 3}), Values({4, 5, 6})}, true);
    mat.SetVariable(QStringLiteral("row"), {Values({7, 8, 9})}, false);
    const QString path = dir.filePath(QStringLiteral("m.mat"));
    ASSERT_TRUE(mat.SaveToFile(path, true, false));
    model.LoadSources({path});
    EXPECT_TRUE(asker.Questions.isEmpty());
    ASSERT_EQ(model.Files()[0].Arrays.size(), 2);
    const TArrayNode& speed = Array();
    EXPECT_EQ(speed.Caption, QStringLiteral("speed"));
    EXPECT_EQ(speed.Data.Header, QStringList{QStringLiteral("speed")});
    EXPECT_TRUE(speed.Data.SeriesInColumns);
    EXPECT_EQ(speed.Data.Series[1], Values({4, 5, 6}));
    EXPECT_EQ(model.Files()[0].Arrays[1].Data.SeriesCount, 1);
}

TEST_F(AddGraphsFixture, InfOrNanInAMatVariableAsksFirst) {
    TMatlabFile mat;
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    mat.SetVariable(QStringLiteral("bad"), {Values({1, 2, 3}), Values({4, nan, 6})}, true);
    mat.SetVariable(QStringLiteral("good"), {Values({1, 2, 3}), Values({4, 5, 6})}, true);
    const QString path = dir.filePath(QStringLiteral("nan.mat"));
    ASSERT_TRUE(mat.SaveToFile(path, true, false));

    model.LoadSources({path});
    ASSERT_EQ(asker.Questions.size(), 1);
    EXPECT_EQ(asker.Captions[0], U("Файл \"") + path + U("\" содержит Inf или NaN"));
    EXPECT_EQ(asker.Questions[0],
              U("Всё равно открыть этот файл?\n(Значения Inf или NaN будут заменены на большие числа.)"));
    ASSERT_EQ(model.Files()[0].Arrays.size(), 1);
    EXPECT_EQ(Array().Caption, QStringLiteral("good"));

    model.Clear();
    asker.Answers = {true};
    model.LoadSources({path});
    ASSERT_EQ(model.Files()[0].Arrays.size(), 2);
    EXPECT_EQ(Array().Data.Series[1], Values({4, -1.7e308L, 6}));
}

TEST_F(AddGraphsFixture, WithoutAWindowInfAndNanAreMissingNodesAndNoted) {
    TMatlabFile mat;
    const Extended inf = std::numeric_limits<Extended>::infinity();
    mat.SetVariable(QStringLiteral("bad"), {Values({1, 2, 3}), Values({4, inf, -inf})}, true);
    const QString path = dir.filePath(QStringLiteral("inf.mat"));
    ASSERT_TRUE(mat.SaveToFile(path, true, false));
    model.NonFiniteAsMissing = true;
    model.LoadSources({path});
    EXPECT_TRUE(asker.Questions.isEmpty());
    EXPECT_EQ(asker.Messages, QStringList{U("Файл ") + path +
                                          U(": значения Inf и NaN пропущены как отсутствующие (2 в bad).")});
    ASSERT_EQ(model.Preview().GraphCount(), 1); // the nodes with Inf left out of the plotted column
    EXPECT_EQ(GraphY(model.Preview().GraphByIndex(0)), Values({4}));
}

TEST_F(AddGraphsFixture, AMatFileWithoutVariablesSaysSo) {
    QByteArray header(116, ' ');
    header += QByteArray(8, '\0') + QByteArray("\x00\x01IM", 4);
    const QString path = Write(QStringLiteral("none.mat"), header);
    model.LoadSources({path});
    EXPECT_EQ(asker.Messages, QStringList{U("Файл ") + path + U(" не содержит переменных.")});
    EXPECT_TRUE(model.IsEmpty());
}

TEST_F(AddGraphsFixture, UnreadableMatVariableIsReportedAndSkipped) {
    // A level-4 file of a complex 2 x 1 matrix "z".
    QByteArray bytes;
    auto put = [&bytes](int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    put(0);
    put(2);
    put(1);
    put(1);
    put(2);
    bytes.append("z", 2);
    for (double v : {1.0, 2.0, 3.0, 4.0})
        bytes.append(reinterpret_cast<const char*>(&v), 8);
    const QString path = Write(QStringLiteral("complex.mat"), bytes);
    model.LoadSources({path});
    ASSERT_EQ(asker.Messages.size(), 1);
    EXPECT_EQ(asker.Messages[0], U("Ошибка при чтении переменной ") + path + QStringLiteral(",\nz: ") +
                                     U("Невозможно выполнить приведение типов (из Complex в Double)."));
    EXPECT_TRUE(model.IsEmpty());
}

TEST_F(AddGraphsFixture, EmptyMatVariableGivesNoArray) {
    TMatlabFile mat;
    mat.SetVariable(QStringLiteral("none"), {}, false);
    mat.SetVariable(QStringLiteral("some"), {Values({1, 2})}, false);
    const QString path = dir.filePath(QStringLiteral("e.mat"));
    ASSERT_TRUE(mat.SaveToFile(path, true, false));
    model.LoadSources({path});
    EXPECT_TRUE(asker.Messages.isEmpty());
    ASSERT_EQ(model.Files()[0].Arrays.size(), 1);
    EXPECT_EQ(Array().Caption, QStringLiteral("some"));
}

TEST_F(AddGraphsFixture, LaterLoadsKeepTheSelectionAndAppendInOrder) {
    model.LoadSources({WriteTable(QStringLiteral("a.txt"), 4, 3)});
    model.SetSelection({FirstArray()});
    const QString b = WriteTable(QStringLiteral("b.txt"), 4, 2);
    const QString c = WriteTable(QStringLiteral("c.txt"), 4, 2);
    model.LoadSources({b, c});
    EXPECT_EQ(model.Selection(), QList<TNodeRef>{FirstArray()});
    ASSERT_EQ(model.Files().size(), 3);
    EXPECT_EQ(model.Files()[1].Caption, b);
    EXPECT_EQ(model.Files()[2].Caption, c);
    // A selected file stands for all its arrays.
    model.SetSelection({{2, -1, -1}, {0, -1, -1}});
    EXPECT_EQ(model.Focused(), (TNodeRef{0, -1, -1}));
    EXPECT_EQ(model.SelectedArrays(), (QList<TNodeRef>{{2, 0, -1}, {0, 0, -1}}));
    model.SetSelection({{5, 0, -1}, {0, 0, 7}});
    EXPECT_TRUE(model.Selection().isEmpty());
}

TEST_F(AddGraphsFixture, ClipboardSourceReadsTheClipboardText) {
    QGuiApplication::clipboard()->setText(QStringLiteral("1 2;3 4;5 6"));
    if (QGuiApplication::clipboard()->text() != QStringLiteral("1 2;3 4;5 6"))
        GTEST_SKIP() << "no clipboard on this platform";
    model.LoadSources({QStringLiteral("<Clipboard>")});
    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(model.Files()[0].Caption, QStringLiteral("<Clipboard>"));
    EXPECT_EQ(Array().Caption, U("<Clipboard>  Гр.1"));
    EXPECT_EQ(Array().Data.Series[1], Values({2, 4, 6}));
}

TEST_F(AddGraphsFixture, CancelledReadingLeavesTheTreeAsItWas) {
    const QString a = WriteTable(QStringLiteral("a.txt"), 4, 3);
    model.LoadSources({a});
    const QList<TNodeRef> selection = model.Selection();
    CancelJobs = true;
    model.LoadSources({Write(QStringLiteral("c.mat"), "x"), WriteTable(QStringLiteral("b.txt"), 4, 2)});
    model.SetFieldSeparator(TFieldSeparator::Comma);
    EXPECT_EQ(model.FieldSeparator(), TFieldSeparator::Auto);
    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(Array().Data.SeriesCount, 3);
    EXPECT_EQ(model.Selection(), selection);
    EXPECT_TRUE(asker.Messages.isEmpty() && asker.Questions.isEmpty()); // a cancel is no error

    CancelJobs = false;
    model.SetFieldSeparator(TFieldSeparator::Comma);
    EXPECT_EQ(model.FieldSeparator(), TFieldSeparator::Comma);
}

// ---------------------------------------------------------------------------------------------
// Direction

TEST_F(AddGraphsFixture, SwitchingTwoHundredLinesToRowsAsksOnce) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 200, 2)});
    model.SetSelection({FirstArray()});
    model.SetSeriesInColumns(false);
    ASSERT_EQ(asker.Questions.size(), 1);
    EXPECT_EQ(asker.Questions[0],
              U("Число строк таблицы 200.\nВы уверены, что хотите построить столько графиков?"));
    EXPECT_TRUE(Array().Data.SeriesInColumns); // No keeps the columns

    asker.Answers = {true};
    model.SetSeriesInColumns(false);
    EXPECT_EQ(asker.Questions.size(), 2);
    const TArrayNode& array = Array();
    EXPECT_FALSE(array.Data.SeriesInColumns);
    EXPECT_EQ(array.Data.SeriesCount, 200);
    EXPECT_EQ(array.Data.SeriesLength, 2);
    EXPECT_EQ(array.Data.CommonArg, 0);
    EXPECT_EQ(array.Series.size(), 200);
    EXPECT_EQ(array.Series[199].Caption, U("Строка 200"));
    EXPECT_EQ(array.Series[0].State, ssArgument);
    EXPECT_EQ(array.Series[5].State, ssPlotted);
    EXPECT_EQ(array.Data.Series[5], Values({50, 51}));

    // Back to columns: 2 series, no question.
    model.SetSeriesInColumns(true);
    EXPECT_EQ(asker.Questions.size(), 2);
    EXPECT_EQ(Array().Data.SeriesCount, 2);
    EXPECT_EQ(Array().Data.Series[1], Ramp(200, 1, 10));
}

TEST_F(AddGraphsFixture, SwitchingSixThousandLinesAsksTwice) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 6000, 2)});
    model.SetSelection({FirstArray()});
    asker.Answers = {true, false};
    model.SetSeriesInColumns(false);
    ASSERT_EQ(asker.Questions.size(), 2);
    EXPECT_EQ(asker.Questions[1], U("Число строк таблицы 6000!!!!!\nВы в своём уме??"
                                    "?!!!!"));
    EXPECT_TRUE(Array().Data.SeriesInColumns);

    asker.Answers = {true, true};
    model.SetSeriesInColumns(false);
    EXPECT_EQ(asker.Questions.size(), 4);
    EXPECT_EQ(Array().Data.SeriesCount, 6000);
}

TEST_F(AddGraphsFixture, SwitchingWideRowsToColumnsNamesColumns) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 2, 150)});
    model.SetSelection({FirstArray()});
    asker.Answers = {true};
    model.SetSeriesInColumns(true);
    ASSERT_EQ(asker.Questions.size(), 1);
    EXPECT_TRUE(asker.Questions[0].startsWith(U("Число столбцов таблицы 150.\n")));
    EXPECT_EQ(Array().Data.SeriesCount, 150);
    EXPECT_EQ(Array().Series[0].Caption, U("Столбец 1"));
}

TEST_F(AddGraphsFixture, ArgumentsScaledBeyondTheLargestNumberMakeNoGraph) {
    model.LoadSources(
        {Write(QStringLiteral("big.txt"), "1e4930 5 8\n2e4930 6 9\n3e4930 7 10\n4e4930 8 11\n")});
    model.SetSelection({Series(1)});
    model.SetArgScaleText(QStringLiteral("1000"));
    EXPECT_EQ(model.Preview().GraphCount(), 0);
    EXPECT_EQ(model.Build(), 1);
    EXPECT_EQ(asker.Messages,
              QStringList{U("График «big.txt  Гр.1» (Столбец 2) не построен: после масштаба и "
                            "смещения аргумента данные содержат бесконечные значения.")});
    ASSERT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(GraphY(window.GraphByIndex(0)), Values({8, 9, 10, 11}));
}

TEST_F(AddGraphsFixture, SwitchingResetsStrategyAndSeriesSettings) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 6, 4)});
    model.SetSelection({FirstArray()});
    model.SetStrategy(3);
    model.SetSelection({Series(1)});
    model.SetArgScaleText(QStringLiteral("3"));
    model.SetSelection({FirstArray()});
    model.SetSeriesInColumns(false);
    EXPECT_EQ(Array().Data.Strategy, 0);
    EXPECT_EQ(Array().Data.SeriesCount, 6);
    EXPECT_EQ(Array().Series[1].Data.ArgScale, 1);
    model.SetSeriesInColumns(true);
    EXPECT_EQ(Array().Series[1].Data.ArgMode, -2);
    EXPECT_TRUE(asker.Questions.isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Strategies

namespace {
// (argument series, plotted series) of every graph Build makes, from the node values: the table's
// value (line, column) is line * 10 + column, so a series' first value names its column.
QList<std::pair<int, int>> BuiltPairs(const TSuperGrWindow& window) {
    QList<std::pair<int, int>> pairs;
    for (int i = 0; i < window.GraphCount(); ++i)
        pairs.append({int(GraphX(window.GraphByIndex(i))[0]), int(GraphY(window.GraphByIndex(i))[0])});
    return pairs;
}
} // namespace

TEST_F(AddGraphsFixture, StrategyThreeOnFourSeries) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 10, 4)});
    model.SetSelection({FirstArray()});
    model.SetStrategy(3);
    EXPECT_EQ(Array().Data.Strategy, 3);
    EXPECT_EQ(Array().Series[0].State, ssArgument);
    EXPECT_EQ(Array().Series[1].State, ssArgument);
    EXPECT_EQ(Array().Series[2].Data.ArgMode, 0);
    EXPECT_EQ(Array().Series[3].Data.ArgMode, 1);
    EXPECT_EQ(model.Build(), 2);
    EXPECT_EQ(BuiltPairs(window), (QList<std::pair<int, int>>{{0, 2}, {1, 3}}));
}

TEST_F(AddGraphsFixture, StrategiesOneTwoAndFour) {
    const struct {
        int strategy, columns;
        QList<std::pair<int, int>> pairs;
    } cases[] = {
        {0, 3, {{0, 1}, {0, 2}}}, {1, 5, {{0, 1}, {2, 3}}}, {2, 4, {{1, 0}, {3, 2}}},
        {4, 4, {{2, 0}, {3, 1}}}, {4, 5, {{2, 0}, {3, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strategy);
        TSuperGrWindow target;
        TAddGraphsModel m(target, asker);
        m.LoadSources({WriteTable(QStringLiteral("t%1.txt").arg(c.strategy), 10, c.columns)});
        m.SetSelection({FirstArray()});
        m.SetStrategy(c.strategy);
        m.Build();
        EXPECT_EQ(BuiltPairs(target), c.pairs);
    }
}

TEST_F(AddGraphsFixture, OddCountsLeaveTheLastSeriesUnplotted) {
    // Strategy 2 on 3 series: series 2 would need series 3 as its argument.
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 10, 3)});
    model.SetSelection({FirstArray()});
    model.SetStrategy(2);
    EXPECT_EQ(Array().Series[2].State, ssNotPlotted);
    EXPECT_EQ(model.Build(), 1);
    EXPECT_EQ(BuiltPairs(window), (QList<std::pair<int, int>>{{1, 0}}));

    // Strategy 3 on 5 series: two arguments for two functions, the fifth series has no argument.
    TSuperGrWindow target;
    TAddGraphsModel five(target, asker);
    five.LoadSources({WriteTable(QStringLiteral("five.txt"), 10, 5)});
    five.SetSelection({FirstArray()});
    five.SetStrategy(3);
    EXPECT_EQ(five.Files()[0].Arrays[0].Series[4].State, ssNotPlotted);
    EXPECT_EQ(five.Build(), 2);
    EXPECT_EQ(BuiltPairs(target), (QList<std::pair<int, int>>{{0, 2}, {1, 3}}));
}

TEST_F(AddGraphsFixture, StrategyBackToZeroUsesTheCommonArgument) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 10, 3)});
    model.SetSelection({FirstArray()});
    model.SetStrategy(1);
    model.SetStrategy(0);
    EXPECT_EQ(Array().Series[0].State, ssArgument);
    EXPECT_EQ(Array().Series[1].State, ssPlotted);
    EXPECT_EQ(Array().Series[2].State, ssPlotted);
    EXPECT_EQ(Array().Series[1].Data.ArgMode, -2);
    model.SetStrategy(7); // out of range: nothing
    EXPECT_EQ(Array().Data.Strategy, 0);
}

TEST_F(AddGraphsFixture, CommonArgumentChoiceMovesTheArgumentSeries) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 10, 3)});
    model.SetSelection({FirstArray()});
    EXPECT_EQ(TAddGraphsModel::CommonArgItems(Array().Data),
              (QStringList{U("номера узлов"), U("столбец 1"), U("столбец 2"), U("столбец 3")}));
    model.SetCommonArg(2);
    EXPECT_EQ(Array().Data.CommonArg, 2);
    EXPECT_EQ(Array().Series[0].State, ssPlotted);
    EXPECT_EQ(Array().Series[2].State, ssArgument);
    EXPECT_EQ(model.ArgumentItems(Array())[0], U("Общий (Столбец 3)"));
    EXPECT_EQ(model.Build(), 2);
    EXPECT_EQ(BuiltPairs(window), (QList<std::pair<int, int>>{{2, 0}, {2, 1}}));

    model.SetCommonArg(-1);
    EXPECT_EQ(Array().Series[2].State, ssPlotted);
    model.SetCommonArg(3); // no such series
    EXPECT_EQ(Array().Data.CommonArg, -1);
}

// ---------------------------------------------------------------------------------------------
// Series states

TEST_F(AddGraphsFixture, SelectDeselectAndInvertSeriesOfSelectedArrays) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 10, 4)});
    model.SetSelection({Series(2)}); // stands for its array
    model.DeselectAllSeries(false);
    EXPECT_EQ(Array().Series[0].State, ssArgument);
    EXPECT_EQ(Array().Series[3].State, ssNotPlotted);
    model.ToggleState(Series(3));
    EXPECT_EQ(Array().Series[3].State, ssPlotted);
    model.SetState(Series(0), ssNotPlotted);
    model.SetState({0, 0, 4}, ssPlotted); // no such series
    EXPECT_EQ(Array().Series[0].State, ssNotPlotted);
    model.SetState(Series(0), ssArgument);
    model.InvertSeries(false);
    EXPECT_EQ(Array().Series[1].State, ssPlotted);
    EXPECT_EQ(Array().Series[3].State, ssNotPlotted);
    model.SelectAllSeries(true);
    for (const TSeriesNode& node : Array().Series)
        EXPECT_EQ(node.State, ssPlotted);
    model.DeselectAllSeries(true);
    for (const TSeriesNode& node : Array().Series)
        EXPECT_EQ(node.State, ssNotPlotted);
    EXPECT_EQ(model.Build(), 0);
    EXPECT_EQ(window.GraphCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Argument settings

TEST_F(AddGraphsFixture, MinutesFromAStartDate) {
    model.LoadSources({Write(QStringLiteral("m.txt"), "0 5\n90 6\n180 7\n")});
    model.SetSelection({Series(1)});
    model.SetArgIsDateTime(true);
    model.SetArgUnit(TAddGraphsModel::UnitMinutes, {});
    model.SetUseStartDate(true);
    const Extended newYear2007 = Extended(QDate(1899, 12, 30).daysTo(QDate(2007, 1, 1)));
    EXPECT_EQ(newYear2007, 39083);
    model.SetStartDate(newYear2007);
    const TSeriesNodeData& data = Array().Series[1].Data;
    EXPECT_EQ(data.ArgUnitDays, 1.0L / 1440);
    EXPECT_EQ(TAddGraphsModel::UnitIndex(data), TAddGraphsModel::UnitMinutes);

    TDoubleArray x, y;
    ASSERT_TRUE(model.BuildSeries(Series(1), x, y));
    ASSERT_EQ(x.size(), 3);
    EXPECT_EQ(x[0], 39083);
    EXPECT_NEAR(double(x[1] - 39083.0625L), 0, 1e-15);
    EXPECT_NEAR(double(x[2] - 39083.125L), 0, 1e-15);

    EXPECT_EQ(model.Build(), 1);
    EXPECT_TRUE(window.GraphByIndex(0)->DateTimeArg());
    EXPECT_TRUE(model.Preview().GraphByIndex(0)->DateTimeArg());
}

TEST_F(AddGraphsFixture, DateUnitsAndTheTypedUnit) {
    model.LoadSources({Write(QStringLiteral("m.txt"), "0 5\n7200 6\n3 7\n")});
    model.SetSelection({Series(1)});
    model.SetArgIsDateTime(true);
    model.SetArgUnit(TAddGraphsModel::UnitOther, QStringLiteral("3600"));
    EXPECT_TRUE(asker.Messages.isEmpty());
    const TSeriesNodeData& data = Array().Series[1].Data;
    EXPECT_TRUE(data.ArgOtherUnit);
    EXPECT_EQ(data.ArgUnitDays, 3600.0L / 86400);
    EXPECT_EQ(TAddGraphsModel::UnitIndex(data), TAddGraphsModel::UnitOther);
    TDoubleArray x, y;
    model.BuildSeries(Series(1), x, y);
    EXPECT_EQ(x[1], 7200 * (3600.0L / 86400));
    EXPECT_FALSE(data.UseStartDate); // no start date: nothing added

    model.SetArgUnit(TAddGraphsModel::UnitOther, QStringLiteral("hour"));
    EXPECT_EQ(asker.Messages, QStringList{U("Неверно задан масштаб!")});
    EXPECT_EQ(data.ArgUnitDays, 1);
    model.SetArgUnit(TAddGraphsModel::UnitOther, QStringLiteral("0"));
    EXPECT_EQ(asker.Messages.size(), 2);

    model.SetArgUnit(TAddGraphsModel::UnitSeconds, {});
    EXPECT_FALSE(data.ArgOtherUnit);
    EXPECT_EQ(TAddGraphsModel::UnitIndex(data), TAddGraphsModel::UnitSeconds);
    model.SetArgUnit(TAddGraphsModel::UnitHours, {});
    EXPECT_EQ(TAddGraphsModel::UnitIndex(data), TAddGraphsModel::UnitHours);

    // Without the date interpretation the unit is not applied.
    model.SetArgIsDateTime(false);
    model.BuildSeries(Series(1), x, y);
    EXPECT_EQ(x, Values({0, 7200, 3}));
}

TEST_F(AddGraphsFixture, RelativeOffsetAndScaleInThisOrder) {
    model.LoadSources({Write(QStringLiteral("r.txt"), "10 1\n11 2\n13 3\n")});
    model.SetSelection({Series(1)});
    model.SetRelativeArg(true);
    TDoubleArray x, y;
    model.BuildSeries(Series(1), x, y);
    EXPECT_EQ(x, Values({0, 1, 3}));
    model.SetArgOffsetText(QStringLiteral("5"));
    model.SetArgScaleText(QStringLiteral("2,5"));
    model.BuildSeries(Series(1), x, y);
    EXPECT_EQ(x, Values({12.5L, 15, 20}));
    EXPECT_EQ(GraphX(model.Preview().GraphByIndex(0)), Values({12.5L, 15, 20}));

    model.SetArgScaleText(QStringLiteral("x"));
    model.SetArgOffsetText(QString());
    EXPECT_EQ(Array().Series[1].Data.ArgScale, 1);
    EXPECT_EQ(Array().Series[1].Data.ArgOffset, 0);
    EXPECT_EQ(TAddGraphsModel::NumberText(12.5L), QStringLiteral("12.5"));
    EXPECT_EQ(TAddGraphsModel::NumberText(0.1L), QStringLiteral("0.1"));
    EXPECT_EQ(TAddGraphsModel::NumberText(13.0L / 86400 * 86400), QStringLiteral("13"));
    EXPECT_EQ(TAddGraphsModel::NumberText(1.0L / 3), QStringLiteral("0.333333333333333333"));
}

TEST_F(AddGraphsFixture, ArgumentChoicePerSeries) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 5, 3)});
    model.SetSelection({Series(1), Series(2)});
    EXPECT_EQ(model.ArgumentItems(Array()), (QStringList{U("Общий (Столбец 1)"), U("номера узлов"),
                                                         U("столбец 1"), U("столбец 2"), U("столбец 3")}));
    model.SetArgMode(-1);
    EXPECT_EQ(Array().Series[1].Data.ArgMode, -1);
    EXPECT_EQ(Array().Series[2].Data.ArgMode, -1);
    model.SetSelection({Series(2)});
    model.SetArgMode(1);
    model.SetArgMode(3); // no such series
    EXPECT_EQ(Array().Series[2].Data.ArgMode, 1);
    model.Build();
    EXPECT_EQ(GraphX(window.GraphByIndex(0)), Values({0, 1, 2, 3, 4}));
    EXPECT_EQ(GraphX(window.GraphByIndex(1)), Ramp(5, 1, 10));
}

// ---------------------------------------------------------------------------------------------
// Building into the window

TEST_F(AddGraphsFixture, TargetGraphGetsItsDataReplaced) {
    ASSERT_TRUE(window.AddGraph(QStringLiteral("old"), false, {}, Ramp(3), Ramp(3)));
    TGraph* old = window.GraphByIndex(0);
    ASSERT_TRUE(old->AddMarkerAtNode(1));
    model.AutoSelectNewGraphs = true;
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 4, 3)});
    EXPECT_EQ(model.TargetItems(), (QStringList{U("Новый график"), QStringLiteral("old")}));
    model.SetSelection({Series(1)});
    model.SetTargetGraph(0);
    model.SetTargetGraph(1); // no such graph
    model.SetEqualScale(true);
    model.SetArgIsDateTime(true);
    EXPECT_EQ(Array().Series[1].Data.TargetGraph, 0);
    EXPECT_TRUE(model.Preview().GraphByIndex(0)->FixedRatio());

    EXPECT_EQ(model.Build(), 2);
    ASSERT_EQ(window.GraphCount(), 2);
    EXPECT_EQ(old->Name(), QStringLiteral("old"));
    EXPECT_EQ(GraphX(old), Ramp(4, 0, 10));
    EXPECT_EQ(GraphY(old), Ramp(4, 1, 10));
    EXPECT_EQ(old->ZCount(), 0);
    EXPECT_EQ(old->Markers.Count(), 0);
    EXPECT_TRUE(old->FixedRatio());
    EXPECT_TRUE(old->DateTimeArg());
    EXPECT_TRUE(old->Selected());
    EXPECT_EQ(window.GraphByIndex(1)->Name(), U("t.txt  Гр.1"));
    EXPECT_FALSE(window.GraphByIndex(1)->FixedRatio());
    EXPECT_TRUE(window.GraphByIndex(1)->Selected());
}

TEST_F(AddGraphsFixture, FitsAllGraphsOnlyWhenTheWindowWasEmpty) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 4, 3)});
    model.Build();
    ASSERT_FALSE(window.UndoSide.Ops.isEmpty());
    EXPECT_EQ(window.UndoSide.Ops.last().OpType, UndoOp::Views);

    model.Build();
    EXPECT_EQ(window.GraphCount(), 4);
    EXPECT_NE(window.UndoSide.Ops.last().OpType, UndoOp::Views);
}

// Bound to the graphs there in scale and position, a new graph beside them brings a fit of all when
// all data was in view.
TEST_F(AddGraphsFixture, ANewGraphOutsideTheAlignedViewFitsAll) {
    window.ApplyDefaultLook();
    window.AnimatedZoom = false;
    window.SetClientSize(600, 400);
    ASSERT_TRUE(window.AddGraph(QStringLiteral("near"), false, {}, Ramp(11), Ramp(11)));
    window.AutoScale();
    model.LoadSources({Write(QStringLiteral("far.csv"), "x,y\n100,50\n110,60\n")});
    ASSERT_EQ(model.Build(), 1);
    TGraph* far = window.GraphByIndex(1);
    EXPECT_GE(far->DataToPixelX(110), window.PlotRect.Left);
    EXPECT_LE(far->DataToPixelX(110), window.PlotRect.Right);
    EXPECT_GE(far->DataToPixelY(60), window.PlotRect.Top);
    EXPECT_GE(window.GraphByIndex(0)->DataToPixelX(0), window.PlotRect.Left);
}

TEST_F(AddGraphsFixture, OneUndoTakesBackTheWholeBuild) {
    ASSERT_TRUE(window.AddGraph(QStringLiteral("kept"), false, {}, Ramp(3), Ramp(3)));
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 4, 4)});
    QList<int> progress;
    model.OnBuildProgress = [&progress](int percent) { progress.append(percent); };
    EXPECT_EQ(model.Build(), 3);
    EXPECT_EQ(progress, (QList<int>{66, 83, 100})); // series nodes 4, 5, 6 of 6
    window.Undo();
    ASSERT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(window.GraphByIndex(0)->Name(), QStringLiteral("kept"));
}

// ---------------------------------------------------------------------------------------------
// Preview, selection and texts

TEST_F(AddGraphsFixture, PreviewFollowsTheFocusedSeries) {
    model.LoadSources({WriteTable(QStringLiteral("t.txt"), 4, 3)});
    model.SetSelection({Series(2), Series(1)});
    EXPECT_EQ(model.Focused(), Series(1));
    ASSERT_EQ(model.Preview().GraphCount(), 1);
    EXPECT_EQ(model.Preview().GraphByIndex(0)->Name(), U("t.txt  Гр.1"));
    EXPECT_EQ(GraphY(model.Preview().GraphByIndex(0)), Ramp(4, 1, 10));
    model.SetSelection({FirstArray()});
    EXPECT_EQ(model.Preview().GraphCount(), 0);
    model.SetSelection({Series(2)});
    EXPECT_EQ(model.Preview().GraphCount(), 1);
    model.Clear();
    EXPECT_TRUE(model.IsEmpty());
    EXPECT_EQ(model.Preview().GraphCount(), 0);
    EXPECT_TRUE(model.Preview().UndoSide.IsEmpty());
}

TEST_F(AddGraphsFixture, PreviewLook) {
    TSuperGrWindow& p = model.Preview();
    EXPECT_FALSE(p.UsePalette);
    EXPECT_EQ(p.Margins.Left(), 5);
    EXPECT_EQ(p.Margins.Right(), 4);
    EXPECT_EQ(p.Margins.Top(), 2);
    EXPECT_EQ(p.Margins.Bottom(), 11);
    EXPECT_EQ(p.GridSizeX(), 50);
    EXPECT_TRUE(p.ShowTicks());
    EXPECT_TRUE(p.ShowGrid());
    EXPECT_FALSE(p.ShowAxisMarkers());
    EXPECT_FALSE(p.MultiXAxis());
    EXPECT_TRUE(p.CombineYAxis());
    EXPECT_TRUE(p.DrawPolicy.SinglePosX());
    EXPECT_TRUE(p.DrawPolicy.SingleScaleY());
    EXPECT_EQ(p.AxisScale(), 0.5L);
    EXPECT_EQ(p.GridScale(), 0.5L);
    EXPECT_EQ(p.SubGridScale(), 0.4L);
    EXPECT_TRUE(p.VerticalYFont());
    EXPECT_EQ(p.TopCaption(), QStringList{U("Предварительный просмотр")});
    EXPECT_EQ(p.TopCaptionFont().Name, QStringLiteral("Arial"));
    EXPECT_TRUE(p.TopCaptionFont().IsBold());
    EXPECT_EQ(p.AxisFont().Height(), 11);
    EXPECT_EQ(p.AxisFont().Charset, 204);
    EXPECT_EQ(p.Colors.Get(TColorStruct::GraphDefault), clWindowText);
}

TEST(AddGraphsTexts, SummaryEndings) {
    EXPECT_EQ(TAddGraphsModel::SummaryText(1), U("Всего 1 массив."));
    EXPECT_EQ(TAddGraphsModel::SummaryText(3), U("Всего 3 массива."));
    EXPECT_EQ(TAddGraphsModel::SummaryText(5), U("Всего 5 массивов."));
    EXPECT_EQ(TAddGraphsModel::SummaryText(0), U("Всего 0 массивов."));
    EXPECT_EQ(TAddGraphsModel::SummaryText(21), U("Всего 21 массив."));
    EXPECT_EQ(TAddGraphsModel::SummaryText(24), U("Всего 24 массива."));
    EXPECT_EQ(TAddGraphsModel::Caption(), U("Добавление графиков из файла:"));
    EXPECT_EQ(TAddGraphsModel::StrategyCaptions().size(), 5);
    EXPECT_EQ(TAddGraphsModel::UnitCaptions()[4], U("другая единица измерения в секундах"));
}

// ---------------------------------------------------------------------------------------------
// Delimited tables

TEST_F(AddGraphsFixture, HeaderNamesGapsAndDatesMakeTheGraphs) {
    model.LoadSources({Write(QStringLiteral("prices.csv"), "date,ticker,open,close\n"
                                                           "2000-01-03,X,1,2\n"
                                                           "2000-01-04,X,,3\n"
                                                           "2000-01-06,X,4,NA\n")});
    const TArrayNode& array = Array();
    ASSERT_EQ(array.Series.size(), 3); // the ticker column is passed over
    EXPECT_EQ(array.Series[1].Caption, QStringLiteral("open"));
    EXPECT_EQ(model.ArgumentItems(array)[0], U("Общий (date)"));
    ASSERT_EQ(model.Build(), 2);
    const TGraph* open = window.GraphByIndex(0);
    const TGraph* close = window.GraphByIndex(1);
    EXPECT_EQ(open->Name(), QStringLiteral("open"));
    EXPECT_EQ(close->Name(), QStringLiteral("close"));
    EXPECT_TRUE(open->DateTimeArg());
    // Each graph takes the rows where both its argument and its value are present.
    EXPECT_EQ(GraphX(open), Values({36528, 36531}));
    EXPECT_EQ(GraphY(open), Values({1, 4}));
    EXPECT_EQ(GraphX(close), Values({36528, 36529}));
    // Node numbers as argument keep the row numbers of the rows present.
    model.SetSelection({Series(1)});
    model.SetArgMode(-1);
    EXPECT_FALSE(model.SeriesOf(Series(1))->Data.ArgIsDateTime);
    TDoubleArray x, y;
    ASSERT_TRUE(model.BuildSeries(Series(1), x, y));
    EXPECT_EQ(x, Values({0, 2}));
}

// A whitespace table names its columns by the line right above it, when it has a word for each.
TEST_F(AddGraphsFixture, WhitespaceHeaderNamesTheSeries) {
    const struct {
        const char* header;
        const char* secondCaption;
    } cases[] = {
        {"time\tdistance;speed\r\n", "distance"},
        {"Measured\r\ntime distance\r\n", "Столбец 2"}, // two words for three columns
        {"time distance speed\r\n\r\n", "Столбец 2"},   // a blank line between
        {"time 2 speed\r\n", "Столбец 2"},
    };
    for (const auto& c : cases) {
        model.Clear();
        model.LoadSources({WriteTable(QStringLiteral("named.txt"), 5, 3, c.header)});
        EXPECT_EQ(Array().Series[1].Caption, U(c.secondCaption)) << c.header;
    }
    model.Build();
    EXPECT_EQ(window.GraphByIndex(0)->Name(), U("named.txt  Гр.1"));
    model.Clear();
    model.LoadSources({WriteTable(QStringLiteral("named.txt"), 5, 3, "time distance speed\r\n")});
    model.Build();
    EXPECT_EQ(window.GraphByIndex(window.GraphCount() - 1)->Name(), QStringLiteral("speed"));
}

TEST_F(AddGraphsFixture, TheSeparatorChoiceRereadsTextSources) {
    const QString path = Write(QStringLiteral("pairs.txt"), "1,2\n2,5\n");
    model.LoadSources({path});
    EXPECT_EQ(Array().Data.SeriesCount, 1); // 1.2 and 2.5
    model.SetFieldSeparator(TFieldSeparator::Comma);
    ASSERT_EQ(model.Files().size(), 1);
    EXPECT_EQ(Array().Data.SeriesCount, 2);
    EXPECT_EQ(Array().Data.Series[1], Values({2, 5}));
    EXPECT_EQ(model.Focused().Level(), 2);
    model.SetFieldSeparator(TFieldSeparator::Semicolon); // the comma is a decimal point again
    EXPECT_EQ(Array().Data.SeriesCount, 1);
}
