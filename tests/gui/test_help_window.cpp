#include "gui/calculator/CalculatorWindow.h"
#include "gui/filtration/FiltrationDialog.h"
#include "gui/help/HelpWindow.h"
#include "gui/legend/LegendDialog.h"
#include "gui/mainwindow/MainWindow.h"
#include "tools/HelpModel.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {
// The main window installs the help keys; every test starts with the help window closed.
struct HelpWindowTest : ::testing::Test {
    TMainWindow window;

    HelpWindowTest() {
        if (THelpWindow* help = THelpWindow::Existing()) help->hide();
    }
    static THelpWindow& Help() {
        THelpWindow* help = THelpWindow::Existing();
        EXPECT_NE(help, nullptr);
        return *help;
    }
    static bool HelpShown() { return THelpWindow::Existing() && THelpWindow::Existing()->isVisible(); }
    static void Activate(QWidget& widget) {
        widget.show();
        QApplication::setActiveWindow(&widget);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
    }
    // The position the help window shows at: its text cursor.
    static int ShownPosition() { return Help().Browser()->textCursor().position(); }
};

QString ManualText() {
    QString text;
    for (const helpmodel::TChapter& chapter : helpmodel::Chapters())
        text += helpmodel::ChapterSource(chapter.File);
    return text;
}

// Types text that has no key of its own on a Latin keyboard.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QPushButton* ButtonCaptioned(QWidget& parent, const QString& caption) {
    for (QPushButton* button : parent.findChildren<QPushButton*>())
        if (button->text() == caption) return button;
    return nullptr;
}
} // namespace

TEST_F(HelpWindowTest, HelpContentsOfTheMenuOpensTheContents) {
    QMenu* helpMenu = nullptr;
    for (QAction* menu : window.menuBar()->actions())
        if (menu->text().trimmed() == QStringLiteral("Справка")) helpMenu = menu->menu();
    ASSERT_NE(helpMenu, nullptr);
    QAction* contents = nullptr;
    for (QAction* item : helpMenu->actions())
        if (item->text() == QStringLiteral("Содержание")) contents = item;
    ASSERT_NE(contents, nullptr);
    contents->trigger();
    ASSERT_TRUE(HelpShown());
    EXPECT_EQ(Help().CurrentFile(), helpmodel::ContentsFile());
    EXPECT_EQ(Help().ChapterList()->count(), helpmodel::Chapters().size());
}

TEST_F(HelpWindowTest, F1InTheMainWindowOpensTheContents) {
    Activate(window);
    QTest::keyClick(&window, Qt::Key_F1);
    ASSERT_TRUE(HelpShown());
    EXPECT_EQ(Help().CurrentFile(), helpmodel::ContentsFile());
}

TEST_F(HelpWindowTest, F1InADialogOpensItsSection) {
    TLegendDialog legend;
    Activate(legend);
    QTest::keyClick(&legend, Qt::Key_F1);
    ASSERT_TRUE(HelpShown());
    EXPECT_EQ(Help().CurrentFile(), QStringLiteral("tools.md"));
    EXPECT_EQ(ShownPosition(),
              helpmodel::HeadingPosition(*Help().Browser()->document(), QStringLiteral("Легенда")));
}

TEST_F(HelpWindowTest, TheHelpButtonOfADialogOpensItsSection) {
    TFiltrationDialog filtration;
    QPushButton* help = ButtonCaptioned(filtration, QStringLiteral("Помощь"));
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isEnabled());
    QTest::mouseClick(help, Qt::LeftButton);
    ASSERT_TRUE(HelpShown());
    EXPECT_EQ(Help().CurrentFile(), QStringLiteral("tools.md"));
    EXPECT_EQ(ShownPosition(),
              helpmodel::HeadingPosition(*Help().Browser()->document(), QStringLiteral("Фильтрация")));
}

TEST_F(HelpWindowTest, F1InTheCalculatorOpensTheFunctionUnderTheCaret) {
    TCalculatorWindow calculator;
    Activate(calculator);
    calculator.Input()->setFocus();
    QTest::keyClicks(calculator.Input(), QStringLiteral("2*sqrt(y(0)+1)"));
    calculator.Input()->setCursorPosition(12); // before the "1"
    QTest::keyClick(calculator.Input(), Qt::Key_F1);
    ASSERT_TRUE(HelpShown());
    EXPECT_EQ(Help().CurrentFile(), helpmodel::ExpressionsFile());
    EXPECT_EQ(ShownPosition(),
              helpmodel::FunctionPosition(*Help().Browser()->document(), QStringLiteral("SQRT")));
    // The calculator's own "Помощь" does the same for where the caret is now.
    Help().hide();
    calculator.Input()->setCursorPosition(1);
    QTest::mouseClick(ButtonCaptioned(calculator, QStringLiteral("Помощь")), Qt::LeftButton);
    ASSERT_TRUE(HelpShown());
    // "2*" is in no call: the calculator's chapter.
    EXPECT_EQ(Help().CurrentFile(), QStringLiteral("calculator.md"));
    EXPECT_EQ(ShownPosition(), 0);
}

TEST_F(HelpWindowTest, AClickOnTheCalculatorsArgumentHintOpensItsFunction) {
    TCalculatorWindow calculator;
    Activate(calculator);
    calculator.Input()->setFocus();
    QTest::keyClicks(calculator.Input(), QStringLiteral("1+diff("));
    QLabel* hint = nullptr;
    for (QLabel* label : calculator.findChildren<QLabel*>())
        if (label->windowType() == Qt::ToolTip && label->isVisible()) hint = label;
    ASSERT_NE(hint, nullptr);
    QTest::mouseClick(hint, Qt::LeftButton);
    ASSERT_TRUE(HelpShown());
    EXPECT_EQ(Help().CurrentFile(), helpmodel::ExpressionsFile());
    EXPECT_EQ(ShownPosition(),
              helpmodel::FunctionPosition(*Help().Browser()->document(), QStringLiteral("DIFF")));
}

TEST_F(HelpWindowTest, ALinkOpensTheChapterItNames) {
    window.Action(QStringLiteral("HelpContents"))->trigger();
    QTextBrowser* browser = Help().Browser();
    int linkPosition = -1;
    for (QTextBlock block = browser->document()->begin(); block.isValid() && linkPosition < 0;
         block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorHref() == QStringLiteral("expressions.md")) {
                linkPosition = it.fragment().position();
                break;
            }
    ASSERT_GE(linkPosition, 0);
    QTextCursor atLink(browser->document());
    atLink.setPosition(linkPosition + 2);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, browser->cursorRect(atLink).center());
    EXPECT_EQ(Help().CurrentFile(), helpmodel::ExpressionsFile());
    // Shown as Markdown: the chapter's title is a heading, not a line of marks.
    EXPECT_EQ(helpmodel::HeadingPosition(*browser->document(), QStringLiteral("Язык выражений")), 0);
    EXPECT_EQ(Help().ChapterList()->currentRow(), 5);
}

TEST_F(HelpWindowTest, TheSearchFieldFindsAWordAndOpensItsChapter) {
    window.Action(QStringLiteral("HelpContents"))->trigger();
    THelpWindow& help = Help();
    help.SearchField()->clear();
    TypeText(help.SearchField(), QStringLiteral("скользящее"));
    QTest::keyClick(help.SearchField(), Qt::Key_Return);
    ASSERT_GT(help.Hits()->count(), 0);
    int toolsHit = -1;
    for (int i = 0; i < help.Hits()->count() && toolsHit < 0; ++i)
        if (help.Hits()->item(i)->text().startsWith(QStringLiteral("Инструменты"))) toolsHit = i;
    ASSERT_GE(toolsHit, 0);
    QListWidgetItem* hit = help.Hits()->item(toolsHit);
    QTest::mouseClick(help.Hits()->viewport(), Qt::LeftButton, {}, help.Hits()->visualItemRect(hit).center());
    EXPECT_EQ(help.CurrentFile(), QStringLiteral("tools.md"));
    EXPECT_EQ(help.Browser()->textCursor().selectedText().toLower(), QStringLiteral("скользящее"));

    help.SearchField()->clear();
    TypeText(help.SearchField(), QStringLiteral("абракадабра"));
    QTest::keyClick(help.SearchField(), Qt::Key_Return);
    ASSERT_EQ(help.Hits()->count(), 1);
    EXPECT_EQ(help.Hits()->item(0)->text(), QStringLiteral("Ничего не найдено."));
}

// A command of the main window nobody documented fails here: its caption must be in the manual and
// every shortcut of it in the main window's chapter.
TEST_F(HelpWindowTest, TheManualDescribesEveryCommandOfTheMainWindow) {
    const QString manual = ManualText();
    const QString chapter = helpmodel::ChapterSource(QStringLiteral("mainwindow.md"));
    int commands = 0;
    for (QAction* action : window.actions()) {
        if (action->objectName().isEmpty()) continue;
        ++commands;
        EXPECT_TRUE(manual.contains(action->text())) << action->objectName().toStdString();
        for (const QKeySequence& keys : action->shortcuts()) {
            const QString text = keys.toString(QKeySequence::PortableText);
            EXPECT_TRUE(chapter.contains(text))
                << action->objectName().toStdString() << " " << text.toStdString();
        }
    }
    EXPECT_GT(commands, 60);
}

TEST_F(HelpWindowTest, EscapeClosesTheHelpWindow) {
    window.Action(QStringLiteral("HelpContents"))->trigger();
    Activate(Help());
    QTest::keyClick(Help().ChapterList(), Qt::Key_Escape);
    EXPECT_FALSE(HelpShown());
}
