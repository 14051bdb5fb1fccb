#include "gui/captions/CaptionEditor.h"

#include "model/FontMetrics.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>
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

// A click on the tool bar hands the keyboard to it (the window system activates the window clicked);
// the keyboard must come back to the memo, where Enter starts a new line.
TEST(CaptionEditorKeyboardTest, TheMemoKeepsTheKeyboardAfterEveryToolButton) {
    using TButtonOf = std::function<QAbstractButton*(TCaptionToolBar&)>;
    const std::pair<const char*, TButtonOf> cases[] = {
        {"слева", [](TCaptionToolBar& bar) { return bar.AlignButtons()->button(taLeftJustify); }},
        {"справа", [](TCaptionToolBar& bar) { return bar.AlignButtons()->button(taRightJustify); }},
        {"Шрифт",
         [](TCaptionToolBar& bar) {
             for (auto* button : bar.findChildren<QPushButton*>())
                 if (button->text() == U("Шрифт")) return static_cast<QAbstractButton*>(button);
             return static_cast<QAbstractButton*>(nullptr);
         }},
        {"switch", [](TCaptionToolBar& bar) { return bar.SwitchButton(); }},
    };
    // The font chooser is cancelled as soon as it shows.
    QTimer cancelFontChooser;
    QObject::connect(&cancelFontChooser, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    cancelFontChooser.start(20);
    for (const auto& [name, buttonOf] : cases) {
        SCOPED_TRACE(name);
        TSuperGrWindow window;
        QWidget graph;
        graph.resize(400, 300);
        graph.show();
        TCaptionToolBar bar{window, &graph};
        bar.Open();
        QApplication::processEvents();
        QAbstractButton* button = buttonOf(bar);
        ASSERT_NE(button, nullptr);
        bar.activateWindow();
        QApplication::processEvents();
        QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents();
        QWidget* keyboard = QApplication::focusWidget();
        ASSERT_NE(keyboard, nullptr) << "no widget has the keyboard";
        QTest::keyClicks(keyboard, U("ab"));
        QTest::keyClick(keyboard, Qt::Key_Return);
        QTest::keyClicks(keyboard, U("cd"));
        EXPECT_EQ(bar.Memo()->toPlainText(), U("ab\ncd"));
        EXPECT_TRUE(bar.isVisible());
    }
}
