#include "gui/bindingwizard/BindingWizardDialog.h"
#include "gui/graphproperties/GraphPropertiesDialog.h"
#include "gui/scalespanel/ScalesPanel.h"

#include "tests/common/TestData.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {
using testutil::Ramp;
using testutil::U;

struct BindingWindowsGui : ::testing::Test {
    TSuperGrWindow window;

    void SetUp() override {
        window.AnimatedUndo = window.AnimatedZoom = false;
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(window.AddGraph(QStringLiteral("g%1").arg(i), false, {}, Ramp(6, 1), Ramp(6, 1 + i)));
        window.ClearUndoHistory();
    }
    template <typename T> T* Find(QWidget& parent, const QString& text) {
        for (T* w : parent.findChildren<T*>())
            if (w->text() == text) return w;
        return nullptr;
    }
};

TEST_F(BindingWindowsGui, WizardBindsTheTickedGraphs) {
    TBindingWizardDialog wizard(window);
    wizard.Open();
    auto* list = wizard.findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 3);
    list->item(0)->setCheckState(Qt::Checked);
    list->item(2)->setCheckState(Qt::Checked);
    wizard.ShowStep(1);
    Find<QCheckBox>(wizard, U("Объединить оси Y"))->click();
    EXPECT_TRUE(Find<QCheckBox>(wizard, U("Выровнять смещения по Y"))->isChecked());
    Find<QPushButton>(wizard, U("Привязать"))->click();
    EXPECT_EQ(window.GraphByIndex(0)->PosGroupY(), 1);
    EXPECT_EQ(window.GraphByIndex(2)->ScaleGroupY(), 1);
    EXPECT_EQ(window.GraphByIndex(1)->PosGroupY(), -1);
    EXPECT_EQ(window.GraphByIndex(0)->ScaleGroupX(), -1);
}

TEST_F(BindingWindowsGui, GraphPropertiesLeaveForTheWizard) {
    TGraphPropertiesDialog dialog(window);
    bool dialogGone = false;
    dialog.BindGraphs = [&] { dialogGone = !dialog.isVisible(); };
    QTimer::singleShot(0, &dialog, [&] {
        dialog.Model().Set(TGraphProperties::LineWidth, 4);
        Find<QPushButton>(dialog, U("Синхронизировать масштаб и смещение графика с другими графиками..."))
            ->click();
    });
    dialog.ExecFor(1);
    EXPECT_TRUE(dialogGone);
    EXPECT_EQ(window.GraphByIndex(1)->LineWidth(), 4); // the changes stay
}

TEST_F(BindingWindowsGui, PanelShowsTheViewsAndTakesTypedOnes) {
    TScalesPanel panel(window, nullptr);
    panel.FillPanel();
    panel.ShowAt(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    TScalesPanelModel& model = panel.Model();
    EXPECT_EQ(panel.Row(1)->Boxes[0]->text(), ViewText(model.View(1, TViewBox::Left)));

    model.Rows().ClickRow(0, false, false);
    model.Rows().ClickRow(1, false, true);
    QLineEdit* width = panel.Row(1)->Boxes[size_t(TViewBox::Width)];
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("2,5"));
    QTest::keyClick(width, Qt::Key_Return);
    for (int row : {0, 1})
        EXPECT_NEAR(double(model.View(row, TViewBox::Width)), 2.5, 1e-12);
    EXPECT_EQ(width->text(), ViewText(model.View(1, TViewBox::Width)));

    // A pan elsewhere reaches the boxes.
    window.PanBy(10, 0, false, 0);
    QApplication::processEvents();
    EXPECT_EQ(panel.Row(2)->Boxes[0]->text(), ViewText(model.View(2, TViewBox::Left)));
}
// Off and on must be told apart at a glance, for a graph in no group too (its picture is a dash).
TEST_F(BindingWindowsGui, PanelShowsAPermissionOffClearlyApart) {
    TScalesPanel panel(window, nullptr);
    panel.FillPanel();
    panel.ShowAt(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QToolButton* ungrouped = nullptr;
    for (QToolButton* b : panel.Row(0)->findChildren<QToolButton*>())
        if (b->text() == QStringLiteral("–") && !ungrouped) ungrouped = b;
    ASSERT_NE(ungrouped, nullptr);
    const QImage on = ungrouped->grab().toImage();
    QTest::mouseClick(ungrouped, Qt::LeftButton);
    const QImage off = ungrouped->grab().toImage();
    ASSERT_EQ(on.size(), off.size());
    int differing = 0;
    for (int y = 0; y < on.height(); ++y)
        for (int x = 0; x < on.width(); ++x)
            differing += on.pixel(x, y) != off.pixel(x, y);
    EXPECT_GT(differing, on.width() * on.height() / 4);
}
} // namespace
