#include "gui/filtration/FiltrationDialog.h"

#include "tests/common/TestData.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

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

// The unstable user filter of the bug report, typed and chosen as a user does: the message names the
// graph and the figure keeps it unchanged.
TEST_F(FiltrationDialogFixture, UnstableFilterIsRefusedWithAMessage) {
    ChooseType(ftUserDefined);
    const auto retype = [](QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    retype(dialog.DenominatorEdit(), U("1 1.5"));
    retype(dialog.SampleRateEdit(), U("1000"));
    retype(dialog.CutoffEdit(), U("1"));
    dialog.RealizationBox()->setFocus();
    QTest::keyClick(dialog.RealizationBox(), Qt::Key_Up); // "Прямая"
    ASSERT_EQ(dialog.Model().Realization, 0);
    dialog.ComputeButton()->click();
    ASSERT_TRUE(dialog.ApplyButton()->isEnabled());
    QString text;
    QTimer::singleShot(0, &dialog, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    dialog.ApplyButton()->click();
    EXPECT_EQ(text, U("Фильтр неустойчив для данных графика «a»: результат содержит бесконечные или "
                      "неопределённые значения. График не изменён."));
    ASSERT_EQ(window.GraphCount(), 1);
    TDoubleArray x, y;
    window.GraphByIndex(0)->GetXY(x, y);
    EXPECT_EQ(y, testutil::Ramp(20));
}

TEST_F(FiltrationDialogFixture, EscapeCloses) {
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}
