#include "gui/statistics/StatisticsDialog.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QRadioButton* Choice(const QDialog& dialog, const QString& text) {
    for (QRadioButton* b : dialog.findChildren<QRadioButton*>())
        if (b->text() == text) return b;
    return nullptr;
}
} // namespace

TEST(StatisticsDialog, ChoosingAllGraphsAndEnterShowTheFigures) {
    TSuperGrWindow window;
    window.AddGraph(QStringLiteral("a"), false, {}, testutil::Ramp(4), testutil::Ramp(4));
    TStatisticsDialog dialog(window);
    dialog.Refill();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QRadioButton* selected = Choice(dialog, QStringLiteral("по выбранным графикам"));
    ASSERT_NE(selected, nullptr);
    EXPECT_TRUE(selected->isChecked());
    selected->setFocus();
    QTest::keyClick(selected, Qt::Key_Down);
    EXPECT_TRUE(Choice(dialog, QStringLiteral("по всем графикам"))->isChecked());
    QTest::keyClick(&dialog, Qt::Key_Return);
    const auto* table = dialog.findChild<QTableWidget*>();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("75"));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("1...1"));
    EXPECT_EQ(dialog.Model().Texts().Nodes, QStringLiteral("4"));
}
