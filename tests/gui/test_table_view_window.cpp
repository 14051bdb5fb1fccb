#include "gui/tableview/TableViewWindow.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
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
