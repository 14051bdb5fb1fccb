#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/TableItemModel.h"
#include "tools/TableModel.h"

#include "model/Graph.h"

#include <gtest/gtest.h>

using testutil::Values;

namespace {

struct TableTest : ::testing::Test {
    TTableData data;
    void Load3(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z) { data.Load(x, y, z); }
    TDoubleArray Col(int c) const { return data.Column(c); }
    void Type(int row, int col, const char* text) {
        data.SelectCell(row, false, false);
        data.EditCell(row, col, QString::fromLatin1(text));
    }
};

TEST_F(TableTest, TypingIntoOneCellUndoesInOneStepAndTwoCellsInTwo) {
    data.Load(Values({1, 2, 3}), Values({10, 20, 30}));
    data.SelectCell(1, false, false);
    for (const char* text : {"5", "52", "52.5"})
        data.EditCell(1, 1, QString::fromLatin1(text));
    EXPECT_EQ(Col(1), Values({10, 52.5L, 30}));
    Type(2, 0, "7");
    EXPECT_TRUE(data.IsChanged(1, 1));
    EXPECT_EQ(data.ChangedCellCount(), 2);

    data.Undo();
    EXPECT_EQ(Col(0), Values({1, 2, 3}));
    EXPECT_EQ(Col(1), Values({10, 52.5L, 30}));
    data.Undo();
    EXPECT_EQ(Col(1), Values({10, 20, 30}));
    EXPECT_EQ(data.ChangedCellCount(), 0);
    EXPECT_EQ(data.History.UndoCount(), 0);

    data.Redo();
    data.Redo();
    EXPECT_EQ(Col(0), Values({1, 2, 7}));
    EXPECT_EQ(Col(1), Values({10, 52.5L, 30}));
    EXPECT_EQ(data.ChangedCellCount(), 2);
}

TEST_F(TableTest, TextThatIsNoNumberOrTheSameValueChangesNothing) {
    data.Load(Values({1, 2}), Values({0.1L, 20}));
    for (const char* text : {"", "abc", "1..2", "0.1", " 0.100000000000000001 "})
        Type(0, 1, text);
    EXPECT_EQ(Col(1), Values({0.1L, 20}));
    EXPECT_EQ(data.History.UndoCount(), 0);
    EXPECT_EQ(data.ChangedCellCount(), 0);
}

TEST_F(TableTest, TypingIntoTheEmptyLastRowAppendsARow) {
    Load3(Values({1}), Values({2}), Values({3}));
    Type(1, 1, "-4.5");
    EXPECT_EQ(Col(0), Values({1, 0}));
    EXPECT_EQ(Col(1), Values({2, -4.5L}));
    EXPECT_EQ(Col(2), Values({3, 0}));
    data.Undo();
    EXPECT_EQ(Col(1), Values({2, 0}));
    data.Undo();
    EXPECT_EQ(data.RowCount(), 1);
}

TEST_F(TableTest, TypingIntoASelectedRowFillsEverySelectedRow) {
    Load3(Values({1, 2, 3, 4}), Values({10, 20, 30, 40}), Values({5, 6, 7, 8}));
    Type(0, 0, "9"); // marks X of row 0
    data.SelectCell(0, false, false);
    data.SelectCell(2, false, true);
    data.EditCell(1, 1, QStringLiteral("0"));
    EXPECT_EQ(Col(1), Values({0, 0, 0, 40}));
    EXPECT_EQ(Col(0), Values({9, 2, 3, 4}));
    EXPECT_TRUE(data.IsChanged(0, 0));
    EXPECT_FALSE(data.IsChanged(1, 0));
    EXPECT_FALSE(data.IsChanged(1, 2));
    EXPECT_TRUE(data.IsChanged(2, 1));
}

// After typing into a cell, selecting all rows and typing again into the same cell, one undo
// brings every row back.
TEST_F(TableTest, WiderFillInTheSameCellIsKept) {
    data.Load(Values({1, 2, 3}), Values({10, 20, 30}));
    Type(0, 1, "5");
    data.SelectAll();
    data.EditCell(0, 1, QStringLiteral("6"));
    EXPECT_EQ(Col(1), Values({6, 6, 6}));
    data.Undo();
    EXPECT_EQ(Col(1), Values({10, 20, 30}));
}

TEST_F(TableTest, UndoOfDeletionBringsRowsAndMarksBack) {
    data.Load(Values({1, 2, 3, 4}), Values({10, 20, 30, 40}));
    Type(1, 1, "21");
    data.SelectCell(1, false, false);
    data.SelectCell(2, true, false);
    data.DeleteSelectedRows();
    EXPECT_EQ(Col(0), Values({1, 4}));
    EXPECT_TRUE(data.RowsModified());
    EXPECT_EQ(data.ChangedCellCount(), 0);
    data.Undo();
    EXPECT_EQ(Col(1), Values({10, 21, 30, 40}));
    EXPECT_TRUE(data.IsChanged(1, 1));
    EXPECT_EQ(data.SelectedCount(), 2);
    data.Redo();
    EXPECT_EQ(Col(0), Values({1, 4}));
    data.Undo();
    data.Undo();
    EXPECT_EQ(Col(1), Values({10, 20, 30, 40}));
}

// A row insertion (and any group that begins) closes the group of the typing before it.
TEST_F(TableTest, TypingAndTheNextOperationUndoSeparately) {
    data.Load(Values({1, 2}), Values({10, 20}));
    Type(0, 1, "11");
    data.CurrentRow = 0;
    data.InsertRowAtCurrent();
    data.Undo();
    EXPECT_EQ(Col(1), Values({11, 20}));

    Type(1, 1, "22");
    data.History.BeginGroup();
    data.SetValues({0}, {Values({5}), Values({6})}, {CellMark::All});
    data.History.EndGroup();
    data.Undo();
    EXPECT_EQ(Col(0), Values({1, 2}));
    EXPECT_EQ(Col(1), Values({11, 22}));
    data.Undo();
    EXPECT_EQ(Col(1), Values({11, 20}));
}

TEST_F(TableTest, PrimitivesRefuseArgumentsThatDoNotFit) {
    data.Load(Values({1, 2}), Values({10, 20}));
    const TDoubleArray2 two = {Values({5, 6}), Values({7, 8})};
    EXPECT_FALSE(data.SetValues({1, 0}, two, {7, 7}));
    EXPECT_FALSE(data.SetValues({0, 2}, two, {7, 7}));
    EXPECT_FALSE(data.SetValues({0, 1}, {Values({5, 6})}, {7, 7}));
    EXPECT_FALSE(data.SetValues({0, 1}, {Values({5, 6}), Values({7})}, {7, 7}));
    EXPECT_FALSE(data.InsertRows({0, 4}, two, {7, 7}));
    EXPECT_FALSE(data.DeleteRows({-1}));
    EXPECT_EQ(Col(0), Values({1, 2}));
    EXPECT_EQ(data.History.UndoCount(), 0);
    EXPECT_EQ(data.ChangedCellCount(), 0);
}

TEST_F(TableTest, SelectionByClicks) {
    data.Load(testutil::Ramp(6), testutil::Ramp(6));
    data.SelectCell(1, false, false);
    data.SelectCell(3, true, false);
    data.SelectCell(5, false, true);
    EXPECT_EQ(data.SelectedRows(), (TIntArray{3, 4, 5}));
    data.SelectCell(6, false, false); // the empty last row
    EXPECT_EQ(data.SelectedCount(), 0);
    EXPECT_EQ(CommandState(data).DeleteCaption, testutil::U("Удалить строку"));
    data.SelectAll();
    const TTableCommandState state = CommandState(data);
    EXPECT_TRUE(state.RowActions);
    EXPECT_EQ(state.DeleteCaption, testutil::U("Удалить строки"));
}

TEST_F(TableTest, ChangesOfTheSourceMarkEveryRowUntilForgotten) {
    data.Load(Values({1, 2}), Values({10, 20}));
    data.KeepDataOverSource();
    EXPECT_TRUE(data.IsChanged(1, 0));
    EXPECT_TRUE(CommandState(data).CancelAll);
    data.ForgetChanges();
    EXPECT_FALSE(data.HasChanges());
}

struct TableGraphTest : WindowTest {
    TTableData data;
};

// The table shares the graph's arrays: nothing is copied until a value changes.
TEST_F(TableGraphTest, LoadSharesTheRealValues) {
    TGraph* g = Add(Values({1, 10, 100}), Values({1, 2, 3}));
    data.Load(g);
    EXPECT_EQ(data.Column(0).constData(), g->XData.constData());
    g->SetLogX(true);
    data.Load(g);
    EXPECT_EQ(data.Column(0), Values({1, 10, 100}));
    data.SelectCell(0, false, false);
    data.EditCell(0, 1, QStringLiteral("4"));
    EXPECT_EQ(g->YData, Values({1, 2, 3}));
}

TEST_F(TableGraphTest, GraphOfUnequalArraysLoadsNoTable) {
    data.Load(Values({1, 2}), Values({1}));
    EXPECT_FALSE(data.HasTable());
    data.Load(Values({}), Values({}));
    EXPECT_TRUE(data.HasTable());
    data.Load(nullptr);
    EXPECT_FALSE(data.HasTable());
}

TEST(TableText, Forms) {
    EXPECT_EQ(tabletext::Rounded(1.5e-6L, 8), QStringLiteral("1.5E-06"));
    EXPECT_EQ(tabletext::Rounded(2.5e20L, 8), QStringLiteral("2.5E20"));
    EXPECT_EQ(tabletext::Rounded(1.0L / 3, 4), QStringLiteral("0.3333"));
    EXPECT_EQ(tabletext::Full(1.0L / 3), QStringLiteral("0.333333333333333"));
}

} // namespace

namespace {
TEST(TableItemModel, PointsLineUpInDotAlignment) {
    TTableData data;
    TTableItemModel model(data);
    data.Load(Values({1.5L, 10, 2.25L, 1e-9L}), Values({0, 0, 0, 0}));
    model.SetDigitAlign(daDot);
    model.SetVisibleRows(0, 1); // row 2 is one below the page and counts
    EXPECT_EQ(model.index(0, 1).data().toString(), QStringLiteral("1.5 "));
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("10   "));
    EXPECT_EQ(model.index(2, 1).data().toString(), QStringLiteral("2.25"));
    EXPECT_EQ(model.index(3, 1).data().toString(), QStringLiteral("1E-09"));
    EXPECT_EQ(model.index(0, 1).data(Qt::EditRole).toString(), QStringLiteral("1.5"));
    EXPECT_EQ(model.rowCount(), 5);
    for (const int ignored : {1, 19})
        model.SetSignificantDigits(ignored);
    EXPECT_EQ(model.SignificantDigits(), 8);
    model.SetDigitAlign(daLeft);
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("10"));
}
} // namespace
