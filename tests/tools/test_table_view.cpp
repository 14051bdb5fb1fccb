#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/TableView.h"

#include "model/Graph.h"

#include <gtest/gtest.h>

#include <limits>

using testutil::Values;
using TAnswer = TTableView::TAnswer;

namespace {

struct TableViewTest : WindowTest {
    TTableView view;
    QStringList asked, told;
    TAnswer answer = TAnswer::Yes;
    void SetUp() override {
        view.Ask = [this](const QString& text, bool) {
            asked.append(text);
            return answer;
        };
        view.Message = [this](const QString& text) { told.append(text); };
    }
    void Open(TGraph* g) {
        view.AddWindow(window);
        view.Show();
        ASSERT_TRUE(view.SelectGraph(g));
    }
    void Type(int row, int col, const char* text) {
        view.Data.SelectCell(row, false, false);
        view.Data.EditCell(row, col, QString::fromLatin1(text));
    }
};

// Saving is one undo step of the figure, and the figure's undo reloads the unchanged table.
TEST_F(TableViewTest, SaveIsOneFigureUndoStep) {
    TGraph* g = Add(Values({1, 2}), Values({10, 20}));
    Open(g);
    Type(0, 1, "11");
    EXPECT_EQ(g->YData, Values({10, 20}));
    view.SaveToGraph(g);
    EXPECT_EQ(g->YData, Values({11, 20}));
    EXPECT_FALSE(view.Data.HasChanges());
    window.Undo();
    EXPECT_EQ(view.Data.Column(1), Values({10, 20}));
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(TableViewTest, ChangeElsewhereAsksWhileEditsAreUnsaved) {
    TGraph* g = Add(Values({1, 2}), Values({10, 20}));
    Open(g);
    Type(0, 1, "11");
    answer = TAnswer::No;
    g->SetData(Values({1, 2}), Values({30, 40}));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(view.Data.SourceChanged());
    EXPECT_EQ(view.Data.Column(1), Values({11, 20}));
    answer = TAnswer::Yes;
    g->SetData(Values({1, 2}), Values({50, 60}));
    EXPECT_EQ(view.Data.Column(1), Values({50, 60}));
}

TEST_F(TableViewTest, LeavingAsksToSave) {
    TGraph* a = Add(Values({1}), Values({10}));
    TGraph* b = Add(Values({2}), Values({20}));
    Open(a);
    Type(0, 1, "11");
    answer = TAnswer::Cancel;
    EXPECT_FALSE(view.SelectGraph(b));
    EXPECT_EQ(view.Selection().ID, a->ID);
    answer = TAnswer::Yes;
    EXPECT_TRUE(view.SelectGraph(b));
    EXPECT_EQ(a->YData, Values({11}));
    EXPECT_EQ(view.Data.Column(1), Values({20}));
}

// Yes while the edited graph is gone keeps the edits and stays.
TEST_F(TableViewTest, YesWithoutAGraphLosesNothing) {
    Open(Add(Values({1}), Values({10})));
    ASSERT_TRUE(view.Select({&window, -1}));
    view.Data.Load(Values({1}), Values({2}));
    view.Data.KeepDataOverSource();
    EXPECT_FALSE(view.ConfirmLeave());
    EXPECT_EQ(told, QStringList{testutil::U("Нет графика для записи!")});
    EXPECT_TRUE(view.Data.HasChanges());
}

// A table that could not be loaded writes nothing back.
TEST_F(TableViewTest, NoTableNoWriting) {
    TGraph* g = Add(Values({1}), Values({10}));
    Open(g);
    view.Data.Load(Values({1, 2}), Values({3}));
    view.SaveToGraph(g);
    EXPECT_EQ(told, QStringList{testutil::U("Нет данных для записи!")});
    EXPECT_EQ(g->YData, Values({10}));
}

// Infinite or undefined values (a graph that came with them) are not written back; the edits stay.
TEST_F(TableViewTest, NonFiniteValuesAreNotWritten) {
    for (const Extended bad :
         {std::numeric_limits<Extended>::infinity(), std::numeric_limits<Extended>::quiet_NaN()}) {
        told.clear();
        TGraph* g = Add(Values({1, 2, 3}), Values({10, bad, 30}));
        Open(g);
        Type(0, 1, "11");
        EXPECT_FALSE(view.SaveToGraph(g));
        EXPECT_EQ(told, QStringList{testutil::U("В строке 2 таблицы бесконечное или неопределённое значение. "
                                                "Данные не записаны в график.")});
        EXPECT_EQ(g->YData[0], 10);
        EXPECT_TRUE(view.Data.HasChanges());
        // Leaving with Yes stays on the graph.
        EXPECT_FALSE(view.ConfirmLeave());
        EXPECT_EQ(g->YData[0], 10);
        view.Data.ForgetChanges();
    }
}

TEST_F(TableViewTest, ListChangesKeepUnsavedEdits) {
    TGraph* g = Add(Values({1}), Values({10}));
    Open(g);
    Type(0, 1, "11");
    Add(Values({2}), Values({20}));
    g->SetName(QStringLiteral("renamed"));
    EXPECT_EQ(view.Data.Column(1), Values({11}));
    EXPECT_EQ(view.Selection().ID, g->ID);
}

TEST_F(TableViewTest, PasteWithoutAGraphMakesClipboard) {
    view.AddWindow(window);
    view.Show();
    view.Select({&window, -1});
    EXPECT_TRUE(view.PasteText(QStringLiteral("1\t2\r\n3\t4\r\n")));
    ASSERT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(window.GraphByIndex(0)->Name(), QStringLiteral("Clipboard"));
    EXPECT_EQ(view.Data.Column(0), Values({1, 3}));
}

TEST_F(TableViewTest, ReleaseLeavesTheWindowsOtherListeners) {
    TGraph* g = Add(Values({1}), Values({10}));
    int calls = 0;
    const TEventConnection listening =
        window.Events.OnChangeGraphData.Listen([&calls](TComponent*, int) { ++calls; });
    view.AddWindow(window);
    g->SetData(Values({1}), Values({2}));
    view.ReleaseWindows();
    g->SetData(Values({1}), Values({3}));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(view.WindowCount(), 0);
}

} // namespace
