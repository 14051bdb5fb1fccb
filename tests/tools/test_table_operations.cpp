#include "tests/common/JobRuns.h"
#include "tests/common/TestData.h"
#include "tools/TableModel.h"
#include "tools/TableOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using testutil::Values;
using namespace tableops;

namespace {

struct TableOpsTest : ::testing::Test {
    TTableData data;
    void Select(std::initializer_list<int> rows) {
        TBoolArray flags(data.RowCount(), 0);
        for (const int r : rows)
            flags[r] = 1;
        data.SetSelection(flags);
    }
    TDoubleArray Col(int c) const { return data.Column(c); }
};

TEST_F(TableOpsTest, MoveUpCarriesRunsAndSelection) {
    data.Load(testutil::Ramp(6), testutil::Ramp(6, 10));
    Select({0, 2, 3, 4});
    data.CurrentRow = 3;
    MoveUp(data);
    EXPECT_EQ(Col(0), Values({0, 2, 3, 4, 1, 5}));
    EXPECT_EQ(Col(1), Values({10, 12, 13, 14, 11, 15}));
    EXPECT_EQ(data.SelectedRows(), (TIntArray{0, 1, 2, 3}));
    EXPECT_EQ(data.CurrentRow, 2);
    EXPECT_TRUE(data.IsChanged(1, 0));
    EXPECT_FALSE(data.IsChanged(4, 0)); // row 1 had no marks
    data.Undo();
    EXPECT_EQ(Col(0), testutil::Ramp(6));
}

TEST_F(TableOpsTest, MoveDownMirrors) {
    data.Load(testutil::Ramp(5), testutil::Ramp(5));
    Select({1, 2, 4});
    MoveDown(data);
    EXPECT_EQ(Col(0), Values({0, 3, 1, 2, 4}));
    EXPECT_EQ(data.SelectedRows(), (TIntArray{2, 3, 4}));
}

TEST_F(TableOpsTest, SortSortsEachRunAndUndoesAtOnce) {
    const TDoubleArray x = Values({5, 4, -3e-30L, 9, 2, 1, -1e40L, 1, 0});
    data.Load(x, Values({50, 40, 30, 90, 20, 10, 60, 11, 0}), Values({0, 1, 2, 3, 4, 5, 6, 7, 8}));
    Select({0, 1, 2, 4, 5, 6, 7, 8});
    SortByArgument(data);
    EXPECT_EQ(Col(0), Values({-3e-30L, 4, 5, 9, -1e40L, 0, 1, 1, 2}));
    EXPECT_EQ(Col(1), Values({30, 40, 50, 90, 60, 0, 10, 11, 20}));
    EXPECT_EQ(Col(2), Values({2, 1, 0, 3, 6, 8, 5, 7, 4}));
    EXPECT_FALSE(data.IsChanged(1, 0)); // 4 stayed in place
    data.Undo();
    EXPECT_EQ(Col(0), x);
    EXPECT_EQ(data.History.UndoCount(), 0);
}

// A table of the size sorted as a job: X falls in steps with repeats, Y numbers the rows.
struct LongSortTest : TableOpsTest {
    void SetUp() override {
        const int rows = tableops::SortJobRows + 1000;
        TDoubleArray x(rows);
        for (int i = 0; i < rows; ++i)
            x[i] = Extended((rows - i) / 3 % 5000) - 2500.5L;
        data.Load(x, testutil::Ramp(rows));
        TBoolArray flags(rows, 1);
        flags[500] = 0; // two runs
        data.SetSelection(flags);
    }
};

TEST_F(LongSortTest, CancelledJobChangesNothing) {
    const TDoubleArray2 before = data.Columns();
    testutil::TJobRecorder job;
    job.CancelAtFirstCount = true;
    EXPECT_FALSE(SortByArgument(data, job.Run()));
    EXPECT_EQ(job.Runs, 1);
    EXPECT_GT(job.Counted, 0);
    EXPECT_EQ(data.Columns(), before);
    EXPECT_EQ(data.History.UndoCount(), 0);
    EXPECT_FALSE(data.IsChanged(0, 0));
}

TEST_F(LongSortTest, JobSortsStablyAsOneStep) {
    const TDoubleArray2 before = data.Columns();
    // Each run in the order of X, equal X in row order.
    QList<int> order(data.RowCount());
    std::iota(order.begin(), order.end(), 0);
    const auto byX = [&](int a, int b) { return before[0][a] < before[0][b]; };
    std::stable_sort(order.begin(), order.begin() + 500, byX);
    std::stable_sort(order.begin() + 501, order.end(), byX);
    testutil::TJobRecorder job;
    EXPECT_TRUE(SortByArgument(data, job.Run()));
    EXPECT_EQ(job.Runs, 1);
    for (int r = 0; r < data.RowCount(); ++r) {
        ASSERT_EQ(data.Value(r, 0), before[0][order[r]]) << r;
        ASSERT_EQ(data.Value(r, 1), before[1][order[r]]) << r;
    }
    EXPECT_EQ(data.History.UndoCount(), 1);
    data.Undo();
    EXPECT_EQ(data.Columns(), before);
}

TEST_F(TableOpsTest, ArgumentInterpolationBetweenNeighbours) {
    data.Load(Values({0, 0, 10, 0, 0, 0, 18, 0}), testutil::Ramp(8));
    Select({0, 3, 4, 5, 7});
    InterpolateArgument(data);
    EXPECT_EQ(Col(0), Values({0, 0, 10, 12, 14, 16, 18, 0}));
    EXPECT_EQ(Col(1), testutil::Ramp(8));
}

TEST_F(TableOpsTest, ValueInterpolationOnTheLineOrTheMean) {
    data.Load(Values({0, 1, 2, 5, 7, 5}), Values({0, 7, 7, 5, 9, 3}));
    Select({1, 2, 4});
    InterpolateValues(data);
    // Rows 1..2 on the line through (0, 0) and (5, 5); row 4 between equal arguments.
    EXPECT_EQ(Col(1), Values({0, 1, 2, 5, 4, 3}));
}

TEST_F(TableOpsTest, DeleteRepeatedOnlyAdjacent) {
    data.Load(Values({1, 1, 2, 1}), Values({1, 1, 2, 1}));
    data.SelectAll();
    DeleteRepeated(data);
    EXPECT_EQ(Col(0), Values({1, 2, 1}));
    EXPECT_EQ(data.SelectedCount(), 3);
}

struct ThinCase {
    int Rows, N;
    TDoubleArray Kept;
};
class TableThin : public TableOpsTest, public ::testing::WithParamInterface<ThinCase> {};
TEST_P(TableThin, KeepsEveryNthSelectedRow) {
    const ThinCase& c = GetParam();
    data.Load(testutil::Ramp(c.Rows), testutil::Ramp(c.Rows));
    data.SelectAll();
    Thin(data, c.N);
    EXPECT_EQ(Col(0), c.Kept);
    EXPECT_EQ(data.SelectedCount(), c.Kept.size());
}
INSTANTIATE_TEST_SUITE_P(Table, TableThin,
                         ::testing::Values(ThinCase{3, 1, Values({0, 1, 2})},
                                           ThinCase{7, 3, Values({0, 3, 6})},
                                           ThinCase{4, 0, Values({0, 1, 2, 3})}));

TEST_F(TableOpsTest, CopyGivesTabSeparatedLines) {
    data.Load(Values({1.5L, 7, 3}), Values({2, 8, -4}));
    Select({0, 2});
    EXPECT_EQ(CopyText(data), QStringLiteral("1.5\t2\r\n3\t-4\r\n"));
}

struct PasteCase {
    const char* Name;
    QString Text;
    int Columns;
    TDoubleArray2 Inserted; // per column; none: nothing pasted
};
const PasteCase pasteCases[] = {
    {"TwoRowsOfTwo", QStringLiteral("1\t2\r\n3\t4\r\n"), 2, {Values({1, 3}), Values({2, 4})}},
    {"ThreeLinesReadColumnWise", QStringLiteral("1\n2\n3"), 3, {Values({1}), Values({2}), Values({3})}},
    {"OneLineCommaPoint", QStringLiteral("1,5 2"), 2, {Values({1.5L}), Values({2})}},
    {"SemicolonsSplitOneLine", QStringLiteral("1 2;3 4"), 2, {Values({1, 3}), Values({2, 4})}},
    {"OneCopiedRow", QStringLiteral("2.25\t3\r\n"), 2, {Values({2.25L}), Values({3})}},
    {"OneSpreadsheetRow", QStringLiteral("1,5\t-2\t\n"), 2, {Values({1.5L}), Values({-2})}},
    {"OneLineEndingInABreakSplitAtSemicolons",
     QStringLiteral("1 2;3 4\n"),
     2,
     {Values({1, 3}), Values({2, 4})}},
    {"SeparatorsRepeatAndMix", QStringLiteral("1;;|2\n3 \t 4\n"), 2, {Values({1, 3}), Values({2, 4})}},
    {"LinesWithTextAreSkipped", QStringLiteral("x\ty\n1\t2\n3\t4"), 2, {Values({1, 3}), Values({2, 4})}},
    {"UnequalCounts", QStringLiteral("1\t2\n3\t4\t5"), 2, {}},
    {"OneLineOfThreeInTwoColumns", QStringLiteral("1\t2\t3"), 2, {}},
    {"ThreeNumbersPerLineInTwoColumns", QStringLiteral("1\t2\t3\n4\t5\t6\n7\t8\t9"), 2, {}},
    {"NothingToSplit", QStringLiteral("\r\n"), 2, {}},
};
class TablePaste : public TableOpsTest, public ::testing::WithParamInterface<PasteCase> {};
TEST_P(TablePaste, InsertsBeforeTheCurrentRow) {
    const PasteCase& c = GetParam();
    const TDoubleArray old = Values({100, 200});
    c.Columns == 3 ? data.Load(old, old, old) : data.Load(old, old);
    data.CurrentRow = 1;
    EXPECT_EQ(Paste(data, ParsePasteText(c.Text)), !c.Inserted.isEmpty());
    if (c.Inserted.isEmpty()) {
        EXPECT_EQ(data.RowCount(), 2);
        return;
    }
    const qsizetype n = c.Inserted[0].size();
    for (int col = 0; col < c.Columns; ++col)
        EXPECT_EQ(Col(col), TDoubleArray(TDoubleArray{100} + c.Inserted[col] + TDoubleArray{200}));
    EXPECT_EQ(data.SelectedCount(), n);
    EXPECT_TRUE(data.IsSelected(1));
}
INSTANTIATE_TEST_SUITE_P(Table, TablePaste, ::testing::ValuesIn(pasteCases),
                         [](const auto& param) { return std::string(param.param.Name); });

TEST_F(TableOpsTest, ClipboardRoundTripAtTheEnd) {
    data.Load(Values({0.1L, 1e-20L, 3}), Values({-2.5L, 1.0L / 3, 1e300L}));
    data.SelectAll();
    const QString text = CopyText(data);
    data.CurrentRow = 3; // the empty last row
    ASSERT_TRUE(Paste(data, ParsePasteText(text)));
    EXPECT_EQ(TDoubleArray(Col(0).mid(3)), Values({0.1L, 1e-20L, 3}));
    EXPECT_EQ(tabletext::Full(Col(1)[4]), tabletext::Full(1.0L / 3));
    EXPECT_EQ(Col(1)[5], 1e300L);
    data.Undo();
    EXPECT_EQ(data.RowCount(), 3);
}

// Without a table a new graph of two columns takes the text: two lines or two numbers a line.
TEST_F(TableOpsTest, TextForANewGraph) {
    EXPECT_TRUE(FitsNewGraph(ParsePasteText(QStringLiteral("1 2 3\n4 5 6"))));
    EXPECT_TRUE(FitsNewGraph(ParsePasteText(QStringLiteral("1 2"))));
    EXPECT_FALSE(FitsNewGraph(ParsePasteText(QStringLiteral("1\n2\n3"))));
    EXPECT_FALSE(FitsNewGraph({}));
}

TEST_F(TableOpsTest, PasteBeyondTheEndAppends) {
    data.Load(Values({1}), Values({2}));
    data.CurrentRow = 40;
    ASSERT_TRUE(Paste(data, ParsePasteText(QStringLiteral("3 4;5 6"))));
    EXPECT_EQ(Col(0), Values({1, 3, 5}));
}

TEST_F(TableOpsTest, GoToPointSearchesOnAndWraps) {
    data.Load(Values({1, 6, 3, 8}), Values({0, 1, 0, 1}));
    data.CurrentRow = 1;
    EXPECT_EQ(GoToPoint(data, 1, QStringLiteral(">"), QStringLiteral("5")), TFindOutcome::Found);
    EXPECT_EQ(data.CurrentRow, 3);
    EXPECT_EQ(data.SelectedRows(), TIntArray{3});
    EXPECT_TRUE(data.IsFound(1));
    EXPECT_EQ(GoToPoint(data, 1, QStringLiteral(">"), QStringLiteral("5")), TFindOutcome::Found);
    EXPECT_EQ(data.CurrentRow, 1);
    EXPECT_EQ(GoToPoint(data, 0, QStringLiteral("="), QStringLiteral("3")), TFindOutcome::Found);
    EXPECT_EQ(data.CurrentRow, 2);
    data.SelectFound();
    EXPECT_EQ(data.SelectedRows(), TIntArray{2});

    EXPECT_EQ(GoToPoint(data, 1, QStringLiteral(">"), QStringLiteral("50")), TFindOutcome::NotFound);
    EXPECT_FALSE(data.HasFound());
    EXPECT_EQ(GoToPoint(data, 2, QStringLiteral("="), QStringLiteral("(")), TFindOutcome::BadCondition);
    EXPECT_EQ(FindMessage(TFindOutcome::NotFound), testutil::U("Поиск завершён. Ничего не найдено."));
}

TEST_F(TableOpsTest, ExtendedSearchBothWays) {
    data.Load(Values({1, 2, 3, 4, 5}), Values({0.9L, 0, 0.8L, 0, 0.1L}));
    data.CurrentRow = 2;
    EXPECT_EQ(FindPoint(data, QStringLiteral("n > 1 && (x < 2 | Y > 0.7)"), true, true), TFindOutcome::Found);
    EXPECT_EQ(data.CurrentRow, 2); // wrapped around to itself
    EXPECT_EQ(FindPoint(data, QStringLiteral("Y > 0.7"), false, false), TFindOutcome::Found);
    EXPECT_EQ(data.CurrentRow, 0);
    EXPECT_EQ(FindPoint(data, QStringLiteral("Y > 0.7"), false, false), TFindOutcome::NotFound);
    EXPECT_EQ(FindPoint(data, QStringLiteral("Q >"), true, true), TFindOutcome::BadCondition);
}

} // namespace
