#include "gui/statistics/StatisticsDialog.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
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

// The opened list outlines the selected graph's colour sample in white, the others in black.
TEST(StatisticsDialog, SelectedGraphSampleIsOutlinedInWhite) {
    TSuperGrWindow window;
    for (const char* name : {"a", "b"})
        window.AddGraph(QString::fromLatin1(name), false, {}, testutil::Ramp(4), testutil::Ramp(4));
    TStatisticsDialog dialog(window);
    dialog.Refill();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* graphs = dialog.findChild<QComboBox*>();
    graphs->setEnabled(true);
    graphs->setFocus();
    QTest::keyClick(graphs, Qt::Key_Down, Qt::AltModifier); // opens the list
    QAbstractItemView* list = graphs->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QImage shot = list->viewport()->grab().toImage();
    auto outline = [&](int row) {
        const QRect item = list->visualRect(graphs->model()->index(row, 0));
        return shot.pixelColor(item.left() + 2, item.center().y());
    };
    EXPECT_EQ(outline(graphs->currentIndex()), QColor(Qt::white));
    EXPECT_EQ(outline(1 - graphs->currentIndex()), QColor(Qt::black));
    graphs->hidePopup();
}
