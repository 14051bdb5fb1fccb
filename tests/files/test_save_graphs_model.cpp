#include "expr/MathFuncs2.h"
#include "files/MatlabFile.h"
#include "files/SaveGraphsModel.h"
#include "files/TextFile.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"
#include "tests/common/WindowTestUtil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using testutil::Ramp;
using testutil::U;
using testutil::Values;
using enum TCheckState;

namespace {

class SaveGraphsTest : public WindowTest {
protected:
    void AddAll() {
        model.Clear();
        model.AddWindow(&window, QStringLiteral("Figure"));
    }
    QList<TCheckState> States(int w = 0) const {
        QList<TCheckState> states{model.Windows()[w].State};
        for (const TGraphNode& g : model.Windows()[w].Graphs)
            states.append(g.State);
        return states;
    }
    QList<TExportBlock> Blocks() {
        QList<TExportBlock> blocks;
        QString message;
        EXPECT_TRUE(model.BuildBlocks(blocks, message)) << message.toStdString();
        return blocks;
    }
    QString Failure() {
        QList<TExportBlock> blocks;
        QString message;
        EXPECT_FALSE(model.BuildBlocks(blocks, message));
        return message;
    }
    TSaveGraphsModel model;
    QTemporaryDir dir;
};

} // namespace

TEST_F(SaveGraphsTest, WindowBoxFollowsItsGraphs) {
    for (int i = 0; i < 3; ++i)
        Add(Ramp(3), Ramp(3));
    AddAll();
    EXPECT_EQ(States(), (QList{Unchecked, Unchecked, Unchecked, Unchecked}));
    model.ClickCheck(0, 1);
    EXPECT_EQ(States(), (QList{Partly, Unchecked, Checked, Unchecked}));
    model.ClickCheck(0, -1); // only an unchecked box turns checked
    EXPECT_EQ(States(), (QList{Unchecked, Unchecked, Unchecked, Unchecked}));
    model.ClickCheck(0, -1);
    EXPECT_EQ(States(), (QList{Checked, Checked, Checked, Checked}));
    EXPECT_EQ(model.CheckedGraphs().size(), 3);
}

TEST_F(SaveGraphsTest, InvertingSwapsCheckedAndUncheckedAndKeepsAPartlyWindowPartly) {
    for (int i = 0; i < 3; ++i)
        Add(Ramp(3), Ramp(3));
    AddAll();
    model.ClickCheck(0, 0);
    model.ApplyMenu(TTreeMenuAction::Invert, 0);
    EXPECT_EQ(States(), (QList{Partly, Unchecked, Checked, Checked}));
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    model.ApplyMenu(TTreeMenuAction::Invert, -1);
    EXPECT_EQ(States(), (QList{Unchecked, Unchecked, Unchecked, Unchecked}));
    EXPECT_FALSE(model.AnyChecked());
}

TEST_F(SaveGraphsTest, DroppedGraphGoesFirstOnAWindowAndAfterAGraph) {
    for (const char* name : {"a", "b", "c"})
        Add(Ramp(3), Ramp(3), U(name));
    TSuperGrWindow other;
    other.AddGraph(QStringLiteral("d"), false, {}, Ramp(3), Ramp(3));
    AddAll();
    model.AddWindow(&other, QStringLiteral("Other"));
    model.AddWindow(&window, QStringLiteral("again"));
    ASSERT_EQ(model.Windows().size(), 2);
    const auto names = [this](int w) {
        QStringList out;
        for (const TGraphNode& g : model.Windows()[w].Graphs)
            out.append(g.Graph->Name());
        return out;
    };
    EXPECT_TRUE(model.MoveGraph(0, 2, 0, -1));
    EXPECT_EQ(names(0).join(u','), QStringLiteral("c,a,b"));
    EXPECT_TRUE(model.MoveGraph(0, 0, 0, 2));
    EXPECT_EQ(names(0).join(u','), QStringLiteral("a,b,c"));
    // After the last graph of a window that another window follows: still in the target's window.
    model.ClickCheck(1, 0);
    EXPECT_TRUE(model.MoveGraph(1, 0, 0, 2));
    EXPECT_EQ(names(0).join(u','), QStringLiteral("a,b,c,d"));
    EXPECT_EQ(States(0), (QList{Partly, Unchecked, Unchecked, Unchecked, Checked}));
    EXPECT_FALSE(model.MoveGraph(0, 1, 0, 1));
}

TEST_F(SaveGraphsTest, CommonArgumentCoversTheOverlapOrTheUnionWithExtrapolation) {
    Add(Ramp(11), Ramp(11, 1));
    Add(Ramp(11, 5), Ramp(11, 100));
    AddAll();
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    struct Case {
        int Extrap;
        TDoubleArray X;
    } cases[] = {{0, Ramp(6, 5)}, {1, Ramp(16)}};
    for (const Case& c : cases) {
        model.Options.ExtrapKind = c.Extrap;
        const QList<TExportBlock> blocks = Blocks();
        ASSERT_EQ(blocks.size(), 1);
        ASSERT_EQ(blocks[0].Rows.size(), 3);
        EXPECT_EQ(blocks[0].Rows[0], c.X);
        EXPECT_EQ(blocks[0].Rows[1].size(), c.X.size());
        EXPECT_EQ(blocks[0].Rows[1].constLast(), c.Extrap == 0 ? 11 : 0);
        EXPECT_EQ(blocks[0].Rows[2].constFirst(), c.Extrap == 0 ? 100 : 0);
    }
}

TEST_F(SaveGraphsTest, IdenticalArgumentsAreWrittenAsTheyAre) {
    // Not monotonic, so any resampling would fail.
    const TDoubleArray x = Values({3, 1, 2});
    Add(x, Values({7, 8, 9}));
    Add(x, Values({4, 5, 6}));
    AddAll();
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    const QList<TExportBlock> blocks = Blocks();
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0].Rows, (TDoubleArray2{x, Values({7, 8, 9}), Values({4, 5, 6})}));
}

TEST_F(SaveGraphsTest, CommonArgumentRefusals) {
    struct Case {
        TDoubleArray X2;
        const char* Message;
    } cases[] = {
        {Values({0, 2, 1}),
         "Невозможно выполнить приведение к одному аргументу.\n\rГрафик \"g2\" не является "
         "монотонным по аргументу."},
        {Values({5}), "Невозможно выполнить приведение к одному аргументу.\n\rГрафик \"g2\" содержит меньше "
                      "двух точек."},
        {Values({20, 30}), "Выбранные графики не имеют общей области определения.\n\rСохранение без "
                           "экстраполяции невозможно."},
    };
    for (const Case& c : cases) {
        window.DeleteAllGraphs();
        Add(Values({0, 1, 1, 2}), Values({1, 2, 3, 4}), QStringLiteral("g1")); // equal neighbours pass
        Add(c.X2, TDoubleArray(c.X2.size(), 1), QStringLiteral("g2"));
        AddAll();
        model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
        EXPECT_EQ(Failure(), U(c.Message));
        model.SetCommonArgument(false);
        EXPECT_EQ(Blocks().size(), 2);
        model.SetCommonArgument(true);
        model.ClickCheck(0, 0); // the graph alone is its own block
        EXPECT_EQ(Blocks()[0].Rows[0], c.X2);
    }
    model.ApplyMenu(TTreeMenuAction::UncheckAll, -1);
    EXPECT_EQ(Failure(), U("Нечего сохранять!"));
}

TEST_F(SaveGraphsTest, NamesAreMadeValidAndUnique) {
    Add(Ramp(2), Ramp(2), QStringLiteral("a"));
    Add(Ramp(2), Ramp(2), QStringLiteral("2nd"));
    TSuperGrWindow other;
    other.AddGraph(QStringLiteral("a"), false, {}, Ramp(2), Ramp(2));
    AddAll();
    model.AddWindow(&other, QString());
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    ASSERT_EQ(model.NameRows().size(), 1);
    EXPECT_EQ(model.NameRows()[0].Label, U("Все графики"));
    model.SetVarName(0, QStringLiteral("mine"));
    model.SetCommonArgument(false);
    EXPECT_EQ(model.CommonVarName, QStringLiteral("mine")); // kept for the next common export
    QStringList vars, sheets;
    for (const TNameRow& row : model.NameRows()) {
        vars.append(row.VarName);
        sheets.append(row.SheetName);
    }
    EXPECT_EQ(vars.join(u','), QStringLiteral("a,nd,a_1"));
    EXPECT_EQ(sheets.join(u','), QStringLiteral("a,2nd,a_1"));
    model.SetVarName(2, QStringLiteral(" nd "));
    model.CommitVarName(2);
    EXPECT_EQ(model.NameRows()[2].VarName, QStringLiteral("nd_1"));
    // Workbooks compare sheet names without case.
    model.SetSheetName(2, QStringLiteral("A"));
    model.CommitSheetName(2);
    EXPECT_EQ(model.NameRows()[2].SheetName, QStringLiteral("A_1"));
    // Names that are no MAT names would be cleaned into the same variable.
    model.SetVarName(0, QStringLiteral("x y"));
    model.SetVarName(1, QStringLiteral("x_y"));
    EXPECT_EQ(model.VarNamesFor(Blocks()).join(u','), QStringLiteral("x_y,x_y_1,nd_1"));
}

TEST(SaveGraphsNames, SheetNamesAreCleaned) {
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {
        {"a[1]:b*?/\\", "a_1__b____"},
        {"'quoted'", "quoted"},
        {"   ", "Лист"},
        {"0123456789012345678901234567890123", "0123456789012345678901234567890"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSaveGraphsModel::CleanSheetName(U(c.In)), U(c.Out)) << c.In;
}

TEST_F(SaveGraphsTest, TextExportReadsBackWithItsLayout) {
    Add(Values({0.1L, 0.2L, 0.3L}), Values({1234.5678L, -2e-300L, 5}));
    Add(Values({1, 2}), Values({3, 4}));
    AddAll();
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    model.SetCommonArgument(false);
    model.Options.NumberStyle = TNumberStyle::Floating;
    model.Options.FloatDecimals = 14; // 15 significant digits
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    for (bool vertical : {true, false}) {
        model.Options.Vertical = vertical;
        QString message;
        ASSERT_TRUE(model.WriteText(file, Blocks(), message)) << message.toStdString();
        TTextFile read;
        ASSERT_TRUE(read.LoadFromFile(file));
        ASSERT_EQ(read.VariableCount(), 2);
        TDoubleArray2 rows;
        ASSERT_TRUE(vertical ? read.GetColumns(0, rows) : read.GetVariable(0, rows));
        EXPECT_EQ(rows, (TDoubleArray2{Values({0.1L, 0.2L, 0.3L}), Values({1234.5678L, -2e-300L, 5})}));
    }
}

TEST_F(SaveGraphsTest, MatExportKeepsNamesAndValues) {
    Add(Values({1, 2, 3}), Values({0.5, -7, 1e300}), QStringLiteral("x y"));
    AddAll();
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    model.SetCommonArgument(false);
    const QString file = dir.filePath(QStringLiteral("out.mat"));
    for (bool vertical : {true, false}) {
        model.Options.Vertical = vertical;
        QString message;
        ASSERT_TRUE(model.WriteMat(file, Blocks(), message)) << message.toStdString();
        TMatlabFile read;
        ASSERT_TRUE(read.LoadFromFile(file));
        ASSERT_EQ(read.VariableCount(), 1);
        EXPECT_EQ(read.VariableName(0), QStringLiteral("x_y"));
        EXPECT_EQ(read.Vars()[0].Dims, vertical ? (TIntArray{3, 2}) : (TIntArray{2, 3}));
        TDoubleArray2 rows;
        ASSERT_TRUE(vertical ? read.GetColumns(0, rows) : read.GetVariable(0, rows));
        EXPECT_EQ(rows, (TDoubleArray2{Values({1, 2, 3}), Values({0.5, -7, 1e300})}));
    }
}

TEST_F(SaveGraphsTest, WriteIntoAMissingFolderFails) {
    Add(Ramp(3), Ramp(3));
    AddAll();
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    const QString file = dir.filePath(QStringLiteral("missing/out.mat"));
    QString message;
    EXPECT_FALSE(model.WriteMat(file, Blocks(), message));
    EXPECT_FALSE(message.isEmpty());
}

TEST_F(SaveGraphsTest, CommonArgumentIsTheUnionOfTheArguments) {
    std::mt19937 random(3);
    TDoubleArray2 arguments;
    for (int g = 0; g < 5; ++g) {
        TDoubleArray x(200);
        Extended at = g;
        for (Extended& v : x)
            v = at += Extended(random() % 3) / 4; // steps of 0, 1/4 and 1/2: repeated and shared values
        Add(x, TDoubleArray(x.size(), g));
        arguments.append(x);
    }
    AddAll();
    model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
    model.Options.ExtrapKind = 2;
    EXPECT_EQ(Blocks()[0].Rows[0], mathfuncs::UnionOfArguments(arguments));
}
