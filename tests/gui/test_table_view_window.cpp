#include "gui/calculator/CalculatorWindow.h"
#include "gui/graphlist/GraphListWindow.h"
#include "gui/jobs/JobRunner.h"
#include "gui/scalespanel/ScalesPanel.h"
#include "gui/tableview/TableViewWindow.h"
#include "model/Graph.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/TableOperations.h"
#include "window/SuperGrWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using testutil::Values;

namespace {
struct TableWindowTest : ::testing::Test {
    TSuperGrWindow figure;
    std::unique_ptr<TTableViewWindow> table;
    void SetUp() override {
        figure.AddGraph(QStringLiteral("a"), false, {}, Values({1, 2, 3}), Values({10, 20, 30}));
        table = std::make_unique<TTableViewWindow>();
        table->AddWindow(figure);
        table->ShowTable();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(table.get()));
        table->View().Ask = [](const QString&, bool) { return TTableView::TAnswer::No; };
    }
    TTableData& Data() { return table->View().Data; }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(table->Grid(), key, mods); }
    // Ctrl+key as typed: Ctrl goes down first and up last.
    void CtrlKey(Qt::Key key) {
        QTest::keyPress(table->Grid(), Qt::Key_Control);
        QTest::keyClick(table->Grid(), key, Qt::ControlModifier);
        QTest::keyRelease(table->Grid(), Qt::Key_Control);
    }
};

TEST_F(TableWindowTest, ShowsTheGraphWithTheEmptyRow) {
    EXPECT_EQ(table->Model().rowCount(), 4);
    EXPECT_EQ(table->Model().index(1, 2).data().toString(), QStringLiteral("20"));
    EXPECT_EQ(table->Model().headerData(0, Qt::Horizontal).toString(), QStringLiteral("№"));
}

// Insert adds a row, Ctrl+Insert copies and never adds one, Shift+Insert pastes.
TEST_F(TableWindowTest, InsertKeys) {
    Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(Data().RowCount(), 3);
    Key(Qt::Key_Insert);
    EXPECT_EQ(Data().RowCount(), 4);
    EXPECT_EQ(Data().Column(0), Values({0, 1, 2, 3}));
    Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0\t0\r\n"));
    Key(Qt::Key_Delete);
    EXPECT_EQ(Data().Column(0), Values({1, 2, 3}));
    QGuiApplication::clipboard()->setText(QStringLiteral("7\t8\r\n9\t10\r\n"));
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Data().Column(0), Values({7, 9, 1, 2, 3}));
}

// The editor of the empty last row commits into a new row (the grid is rebuilt under it).
TEST_F(TableWindowTest, TypingIntoTheLastRowInTheEditor) {
    const QModelIndex cell = table->Model().index(3, 1);
    table->Grid()->setCurrentIndex(cell);
    table->Grid()->edit(cell);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, table->Grid());
    QTest::keyClicks(editor, QStringLiteral("4.5"));
    QAbstractItemDelegate* delegate = table->Grid()->itemDelegateForIndex(cell);
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
    EXPECT_EQ(Data().Column(0), Values({1, 2, 3, 4.5L}));
    EXPECT_EQ(table->Model().rowCount(), 5);
}

// Closing with unsaved changes asks; Cancel keeps the window and its table.
TEST_F(TableWindowTest, ClosingAsksFirst) {
    table->View().Ask = [](const QString&, bool) { return TTableView::TAnswer::Cancel; };
    Key(Qt::Key_Insert);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(Data().RowCount(), 4);
    table->View().Ask = [](const QString&, bool) { return TTableView::TAnswer::No; };
    Key(Qt::Key_Escape);
    EXPECT_FALSE(table->isVisible());
    EXPECT_EQ(Data().History.UndoCount(), 0);
}

TEST_F(TableWindowTest, TypedValueIsSavedIntoTheGraph) {
    const QModelIndex cell = table->Model().index(2, 2);
    table->Grid()->setCurrentIndex(cell);
    EXPECT_TRUE(table->Model().setData(cell, QStringLiteral("5")));
    EXPECT_EQ(table->Model().index(2, 2).data(Qt::BackgroundRole).value<QBrush>(),
              QGuiApplication::palette().brush(QPalette::Highlight));
    table->Action("actUndo")->trigger();
    EXPECT_EQ(Data().Column(1), Values({10, 20, 30}));
    table->Action("actRedo")->trigger();
    table->View().SaveToGraph(figure.GraphByIndex(0));
    EXPECT_EQ(figure.GraphByIndex(0)->YData, Values({10, 20, 5}));
}
// Ctrl+N and Enter in the name dialog: the new graph is the one shown and written to.
TEST_F(TableWindowTest, NewGraphBecomesTheShownAndTargetGraph) {
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    });
    CtrlKey(Qt::Key_N);
    ASSERT_EQ(figure.GraphCount(), 2);
    const TGraph* made = figure.GraphByIndex(1);
    const QString name = QStringLiteral("Новый график");
    ASSERT_EQ(made->Name(), name);
    ASSERT_NE(table->Tree()->currentItem(), nullptr);
    EXPECT_EQ(table->Tree()->currentItem()->text(0), name);
    EXPECT_EQ(table->Title()->text(), name);
    EXPECT_EQ(table->Targets()->currentText(), name);

    Key(Qt::Key_Insert);
    QPushButton* save = nullptr;
    for (QPushButton* b : table->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Сохранить данные в график")) save = b;
    ASSERT_NE(save, nullptr);
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(made->XData.size(), 1);
    EXPECT_EQ(GraphY(figure.GraphByIndex(0)), Values({10, 20, 30}));
}

// A copied row and a spreadsheet row end with a line break; Ctrl+V inserts each as one row.
TEST_F(TableWindowTest, OneLineEndingInALineBreakIsPasted) {
    const struct {
        const char* Text;
        Extended X, Y;
    } rows[] = {{"2.25\t3\r\n", 2.25L, 3}, {"1,5\t-2\t\n", 1.5L, -2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Text);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(row.Text));
        const int before = Data().RowCount();
        CtrlKey(Qt::Key_V);
        ASSERT_EQ(Data().RowCount(), before + 1);
        const qsizetype at = Data().Column(0).indexOf(row.X);
        ASSERT_GE(at, 0);
        EXPECT_EQ(Data().Column(1)[at], row.Y);
        EXPECT_TRUE(Data().IsSelected(int(at)));
    }
}

// The dialogs opened after the calculator keep following the figure once the calculator closes.
TEST_F(TableWindowTest, DialogsOpenedAfterTheCalculatorOutliveIt) {
    table.reset();
    TCalculatorWindow calculator{std::make_unique<ManualTimer>()};
    calculator.Calc().AddWindow(&figure, 0);
    calculator.ShowCalculator();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calculator));
    table = std::make_unique<TTableViewWindow>();
    table->AddWindow(figure);
    table->ShowTable();
    TGraphListWindow list(figure);
    list.AutoHide = false; // as while a graph's properties opened from it are shown
    list.ShowAt(QPoint(0, 0));
    TScalesPanel panel(figure, nullptr);
    panel.FillPanel();
    panel.ShowAt(QPoint(0, 0));
    QTest::keyClick(calculator.Input(), Qt::Key_Escape);
    ASSERT_FALSE(calculator.isVisible());

    // Without undo steps (as when a figure is read) only the graph list events tell of the change.
    figure.UndoRecording = false;
    const auto follows = [&](int graphs) {
        QApplication::processEvents();
        EXPECT_EQ(table->Tree()->topLevelItem(0)->childCount(), graphs);
        EXPECT_EQ(table->Targets()->count(), graphs);
        EXPECT_NE(list.Row(graphs - 1), nullptr);
        EXPECT_EQ(list.Row(graphs), nullptr);
        EXPECT_NE(panel.Row(graphs - 1), nullptr);
        EXPECT_EQ(panel.Row(graphs), nullptr);
    };
    figure.AddGraph(QStringLiteral("b"), false, {}, Values({1, 2}), Values({3, 4}));
    figure.AddGraph(QStringLiteral("c"), false, {}, Values({1, 2}), Values({5, 6}));
    follows(3);
    figure.DeleteGraph(0);
    follows(2);
    EXPECT_EQ(table->Tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("b"));
}
// Sorting a long table runs as a job: its "Отмена" stops it, and the table is as it was.
TEST(TableWindowJobs, CancelOfALongSortLeavesTheTable) {
    TSuperGrWindow figure;
    const int rows = 4 * tableops::SortJobRows;
    TDoubleArray x(rows);
    for (int i = 0; i < rows; ++i)
        x[i] = Extended((rows - i) * 7919LL % 100003);
    ASSERT_TRUE(figure.AddGraph(QStringLiteral("a"), false, {}, x, testutil::Ramp(rows)));
    TTableViewWindow table;
    table.AddWindow(figure);
    table.ShowTable();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    QTest::keyPress(table.Grid(), Qt::Key_Control);
    QTest::keyClick(table.Grid(), Qt::Key_A, Qt::ControlModifier);
    const TDoubleArray2 before = table.View().Data.Columns();

    TJobRunner& runner = TJobRunner::Instance();
    runner.ShowDelayMs = 0;
    bool clicked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &table, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QLatin1String("JobProgressDialog") || !w->isVisible()) continue;
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Отмена")) {
                    poll.stop();
                    QTest::mouseClick(b, Qt::LeftButton);
                    clicked = true;
                }
        }
    });
    poll.start(0);
    QTest::keyClick(table.Grid(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyRelease(table.Grid(), Qt::Key_Control);
    runner.ShowDelayMs = 500;
    EXPECT_TRUE(clicked);
    EXPECT_EQ(table.View().Data.Columns(), before);
    EXPECT_EQ(table.View().Data.History.UndoCount(), 0);
    EXPECT_FALSE(runner.Busy());
}

} // namespace

// The thinning count takes only what thinning uses: 40000 cannot be confirmed, 2 thins out.
TEST_F(TableWindowTest, ThinningCountBeyondTheLargestCannotBeConfirmed) {
    Data().SelectAll();
    auto thinWith = [&](const char* count) {
        bool enabled = true;
        QTimer::singleShot(0, table.get(), [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            auto* field = dialog->findChild<QLineEdit*>();
            field->selectAll();
            QTest::keyClicks(field, QString::fromLatin1(count));
            for (const QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("Проредить")) enabled = button->isEnabled();
            QTest::keyClick(field, Qt::Key_Return);
            if (dialog->isVisible()) QTest::keyClick(field, Qt::Key_Escape);
        });
        table->findChild<QAction*>(QStringLiteral("actThin"))->trigger();
        return enabled;
    };
    EXPECT_FALSE(thinWith("40000"));
    EXPECT_EQ(Data().Column(0), Values({1, 2, 3}));
    EXPECT_TRUE(thinWith("2"));
    EXPECT_EQ(Data().Column(0), Values({1, 3}));
}
