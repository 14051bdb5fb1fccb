#include "gui/filtration/FiltrationDialog.h"

#include "tests/common/TestData.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {
using testutil::U;

struct FiltrationDialogFixture : ::testing::Test {
    TSuperGrWindow window;
    TFiltrationDialog dialog;

    void SetUp() override {
        ASSERT_TRUE(window.AddGraph(U("a"), false, {}, testutil::Ramp(20), testutil::Ramp(20)));
        dialog.Prepare(window);
        dialog.show();
        QApplication::processEvents();
    }
    void ChooseType(int type) {
        dialog.FilterTypeBox()->setCurrentIndex(type);
        emit dialog.FilterTypeBox()->activated(type);
    }
};

} // namespace

TEST_F(FiltrationDialogFixture, TypeChoosesPanelAndButtons) {
    EXPECT_EQ(dialog.windowTitle(), U("Выбор параметров фильтра"));
    ASSERT_EQ(dialog.FilterTypeBox()->count(), 5);
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
    EXPECT_FALSE(dialog.RippleEdit()->isEnabled());
    ChooseType(ftChebyshev);
    EXPECT_TRUE(dialog.RippleEdit()->isEnabled());
    ChooseType(ftSavitzkyGolay);
    EXPECT_EQ(dialog.Panels()->currentIndex(), int(fpSavitzkyGolay));
    EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
    EXPECT_FALSE(dialog.ComputeButton()->isEnabled());
    EXPECT_TRUE(dialog.RippleEdit()->isEnabled()); // kept from the Chebyshev filter
    ChooseType(ftUserDefined);
    EXPECT_EQ(dialog.Panels()->currentIndex(), int(fpUserDefined));
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
}

TEST_F(FiltrationDialogFixture, ComputingEnablesApplyAndTypingDisablesIt) {
    ChooseType(ftChebyshev);
    dialog.ComputeButton()->click();
    EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
    EXPECT_EQ(dialog.Model().Preview().GraphCount(), 2);
    dialog.RippleEdit()->selectAll();
    QTest::keyClicks(dialog.RippleEdit(), U("35"));
    EXPECT_EQ(dialog.RippleEdit()->text(), U("29"));
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
    EXPECT_EQ(dialog.Model().Preview().GraphCount(), 0);
}

TEST_F(FiltrationDialogFixture, ApplyingAddsTheResult) {
    ChooseType(ftMovingAverage);
    dialog.ApplyButton()->click();
    ASSERT_EQ(window.GraphCount(), 2);
    EXPECT_EQ(window.GraphByIndex(1)->Name(), U("a (Filtered)"));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(FiltrationDialogFixture, EscapeCloses) {
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}
