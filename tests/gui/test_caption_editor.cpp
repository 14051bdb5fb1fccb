#include "gui/captions/CaptionEditor.h"

#include "model/FontMetrics.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {
using testutil::U;

struct CaptionEditorTest : ::testing::Test {
    TSuperGrWindow window;
    QWidget graph;
    TCaptionToolBar bar{window, &graph};

    void SetUp() override {
        graph.resize(400, 300);
        graph.show();
        bar.Open();
        QApplication::processEvents();
    }
    int LineHeight() { return QFontMetrics(ToQFont(bar.Model().Font(window))).height(); }
};

} // namespace

TEST_F(CaptionEditorTest, EscapeInTheMemoWritesTheTopCaption) {
    QTextEdit* memo = bar.Memo();
    ASSERT_TRUE(memo->isVisible());
    memo->setPlainText(U("один\nдва\nтри"));
    EXPECT_EQ(memo->geometry(), QRect(0, 0, 400, 4 * LineHeight() + 4));
    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_EQ(window.TopCaption(), (QStringList{U("один"), U("два"), U("три")}));
    EXPECT_FALSE(memo->isVisible());
    EXPECT_FALSE(bar.isVisible());
}

TEST_F(CaptionEditorTest, SwitchKeepsTheTopAndEditsTheBottomFromBelow) {
    bar.Memo()->setPlainText(U("верх"));
    bar.AlignButtons()->button(taRightJustify)->click();
    bar.SwitchButton()->click();
    EXPECT_EQ(window.TopCaption(), QStringList{U("верх")});
    EXPECT_EQ(window.TopCaptionAlign(), taRightJustify);
    EXPECT_FALSE(bar.Model().EditingTop);
    bar.Memo()->setPlainText(U("a\nb"));
    EXPECT_EQ(bar.Memo()->geometry().bottom() + 1, 300);
    EXPECT_EQ(bar.Memo()->height(), 3 * LineHeight() + 4);
    bar.ClearButton()->click();
    bar.reject();
    EXPECT_TRUE(window.BottomCaption().isEmpty());
    window.Undo(); // the bottom caption never changed: the top caption's text goes first
    EXPECT_TRUE(window.TopCaption().isEmpty());
    EXPECT_EQ(window.TopCaptionAlign(), taRightJustify);
}
