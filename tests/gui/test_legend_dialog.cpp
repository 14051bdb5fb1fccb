#include "gui/legend/LegendDialog.h"

#include "model/Graph.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {
using testutil::U;

struct LegendDialogTest : ::testing::Test {
    TSuperGrWindow window;
    TLegendDialog dialog;

    void SetUp() override {
        for (const char* name : {"a", "b", "c"})
            ASSERT_TRUE(window.AddGraph(U(name), false, {}, testutil::Ramp(4), testutil::Ramp(4)));
        window.GraphByIndex(1)->SetVisible(false);
        window.SetLegendOffsetY(7);
        dialog.Load(window);
        dialog.show();
        QApplication::processEvents();
    }
    void Type(QSpinBox* box, const QString& text) {
        QLineEdit* edit = box->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
};

} // namespace

TEST_F(LegendDialogTest, ShowsTheWindowAndStoresNothingOnLoad) {
    EXPECT_EQ(dialog.windowTitle(), U("Легенда"));
    window.ClearUndoHistory();
    dialog.Load(window);
    EXPECT_FALSE(window.HaveUndo());
    QTableWidget* table = dialog.GraphTable();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(2, 1)->text(), U("c"));
    EXPECT_NE(table->item(1, 1)->foreground().color(), table->item(0, 1)->foreground().color());
    EXPECT_EQ(dialog.OffsetBox(true)->value(), -7);
    EXPECT_EQ(dialog.ColumnsBox()->maximum(), 3);
}

TEST_F(LegendDialogTest, OffsetBoxStoresOnlyNumbers) {
    QSpinBox* vertical = dialog.OffsetBox(true);
    Type(vertical, U("-"));
    EXPECT_EQ(window.LegendOffsetY(), 7);
    Type(vertical, U("20"));
    EXPECT_EQ(window.LegendOffsetY(), -20);
}

TEST_F(LegendDialogTest, PositionButtonClearsOffsetsInOneStep) {
    window.SetLegendOffsetX(-12);
    dialog.Load(window);
    dialog.PositionButtons()->button(2)->click();
    EXPECT_EQ(window.LegendPosition(), 2);
    EXPECT_EQ(window.LegendOffsetX(), 0);
    EXPECT_EQ(dialog.OffsetBox(false)->value(), 0);
    window.Undo();
    EXPECT_EQ(window.LegendPosition(), 8);
    EXPECT_EQ(window.LegendOffsetX(), -12);
    EXPECT_EQ(window.LegendOffsetY(), 7);
}

TEST_F(LegendDialogTest, TableTogglesAndEditsGraphs) {
    QTableWidget* table = dialog.GraphTable();
    emit table->cellClicked(1, 0);
    EXPECT_FALSE(window.GraphByIndex(1)->InLegend());
    emit table->cellClicked(1, 0);
    EXPECT_TRUE(window.GraphByIndex(1)->InLegend());
    table->item(2, 2)->setText(U("третий"));
    EXPECT_EQ(window.GraphByIndex(2)->LegendText(), U("третий"));
}
