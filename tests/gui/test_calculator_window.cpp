#include "gui/calculator/CalculatorWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "tests/common/TestData.h"
#include "tests/common/UserInput.h"
#include "tests/common/WindowTestUtil.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testutil::Ramp;

namespace {

template <typename Button> Button* Find(const QWidget& w, const QString& text) {
    for (Button* b : w.findChildren<Button*>())
        if (b->text() == text) return b;
    return nullptr;
}

struct CalculatorWindowTest : ::testing::Test {
    TSuperGrWindow figure;
    TCalculatorWindow calculator{std::make_unique<ManualTimer>()};
    CalculatorWindowTest() {
        figure.AddGraph(u"A"_s, false, {}, Ramp(11), Ramp(11, 0, 2));
        figure.ClearUndoHistory();
        calculator.Calc().AddWindow(&figure, 0);
        calculator.ShowCalculator();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&calculator));
    }
    QListWidget* Completion() const { return calculator.findChild<QListWidget*>(); }
};

TEST_F(CalculatorWindowTest, CalculatedGraphAppearsAndUndoRemovesIt) {
    const auto* tree = calculator.findChildren<QTreeWidget*>().at(1);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), u"y(0): A"_s);

    QTest::keyClicks(calculator.Input(), u"y(0)*2"_s);
    Find<QPushButton>(calculator, u"Вычислить"_s)->click();
    ASSERT_EQ(figure.GraphCount(), 2);
    EXPECT_EQ(figure.GraphByIndex(1)->Name(), u"y(0)*2"_s);
    EXPECT_EQ(GraphY(figure.GraphByIndex(1)), Ramp(11, 0, 4));
    EXPECT_FALSE(calculator.isVisible()); // only a graph came out: the window closes
    EXPECT_TRUE(calculator.Calc().Graphs().isEmpty());
    figure.Undo();
    EXPECT_EQ(figure.GraphCount(), 1);
}

TEST_F(CalculatorWindowTest, NumberStaysInTheInputLineAndGoesToTheHistory) {
    QTest::keyClicks(calculator.Input(), u"max(y(0))"_s);
    QTest::keyClick(calculator.Input(), Qt::Key_Return);
    EXPECT_EQ(calculator.Input()->text(), u"20"_s);
    EXPECT_TRUE(calculator.isVisible());
    EXPECT_EQ(calculator.Calc().History.Items(), QStringList{u"max(y(0))"_s});
    QTest::keyClick(calculator.Input(), Qt::Key_Up);
    EXPECT_EQ(calculator.Input()->text(), u"max(y(0))"_s);
    QTest::keyClick(calculator.Input(), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(calculator.Input()->text(), u"20"_s);
}

TEST_F(CalculatorWindowTest, TypingAnywhereGoesToTheInputLine) {
    auto* box = Find<QCheckBox>(calculator, u"Поверх других окон"_s);
    box->setFocus();
    QTest::keyClicks(box, u"2*3"_s);
    EXPECT_EQ(calculator.Input()->text(), u"2*3"_s);
    QTest::keyClick(Find<QPushButton>(calculator, u"Закрыть"_s), Qt::Key_Return);
    EXPECT_EQ(calculator.Input()->text(), u"6"_s);
    EXPECT_TRUE(calculator.isVisible());
}

// The name field and the common argument's start, end and step fields keep the keyboard: a bare
// Shift or Ctrl press, capitals, '*', Ctrl+A, Shift+arrows and paste all stay in the field.
TEST_F(CalculatorWindowTest, SideFieldsKeepTheKeyboard) {
    using namespace testutil;
    calculator.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&calculator));
    Find<QCheckBox>(calculator, u"Задать общий аргумент "_s)->click();
    QList<QLineEdit*> fields;
    for (const QGroupBox* group : calculator.findChildren<QGroupBox*>())
        if (group->title() == u" Параметры расчёта "_s || group->title() == u" Сохранение результатов "_s)
            fields += group->findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 4);
    for (QLineEdit* field : fields) {
        field->clear();
        field->setFocus();
        for (const Qt::Key modifier : {Qt::Key_Shift, Qt::Key_Control}) {
            PressAlone(modifier);
            ASSERT_EQ(Focused(), field);
        }
        TypeKeys(u"AB*C"_s);
        PressKey(Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(field->selectedText(), u"AB*C"_s);
        PressKey(Qt::Key_End);
        PressKey(Qt::Key_Left, Qt::ShiftModifier);
        EXPECT_EQ(field->selectedText(), u"C"_s);
        QApplication::clipboard()->setText(u"xy"_s);
        PressAlone(Qt::Key_Control);
        PressKey(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Focused(), field);
        EXPECT_EQ(field->text(), u"AB*xy"_s);
    }
    EXPECT_EQ(calculator.Input()->text(), QString());
}

// Typing into no field, and into controls that are not fields, goes to the input line; a paste there
// replaces the tabs by spaces.
TEST_F(CalculatorWindowTest, TypingIntoNoFieldGoesToTheInputLine) {
    using namespace testutil;
    calculator.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&calculator));
    calculator.Input()->clearFocus();
    ASSERT_EQ(Focused(), nullptr);
    QTest::keyClicks(&calculator, u"Y(0)"_s);
    EXPECT_EQ(calculator.Input()->text(), u"Y(0)"_s);

    calculator.Input()->clear();
    Find<QCheckBox>(calculator, u"Поверх других окон"_s)->setFocus();
    QApplication::clipboard()->setText(u"1\t2"_s);
    PressAlone(Qt::Key_Shift);
    PressAlone(Qt::Key_Control);
    PressKey(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(calculator.Input()->text(), u"1 2"_s);
    EXPECT_EQ(QApplication::clipboard()->text(), u"1\t2"_s);
}

TEST_F(CalculatorWindowTest, DoubleClickOnAnUnselectedGraphPressesItsButton) {
    figure.AddGraph(u"B"_s, false, {}, Ramp(11), Ramp(11));
    auto* tree = calculator.findChildren<QTreeWidget*>().at(1);
    QTreeWidgetItem* second = tree->topLevelItem(0)->child(1);
    ASSERT_NE(second, nullptr);
    ASSERT_FALSE(second->isSelected());
    testutil::DoubleClick(tree->viewport(), tree->visualItemRect(second).center());
    EXPECT_EQ(calculator.Input()->text(), u"y(1)"_s);
}

TEST_F(CalculatorWindowTest, CompletionListFiltersAndApplies) {
    QTest::keyClicks(calculator.Input(), u"rand("_s);
    ASSERT_TRUE(Completion()->isVisible());
    EXPECT_EQ(Completion()->count(), 2);
    QTest::keyClicks(calculator.Input(), u"'u"_s);
    EXPECT_EQ(Completion()->count(), 1);
    QTest::keyClick(calculator.Input(), Qt::Key_Return);
    EXPECT_FALSE(Completion()->isVisible());
    EXPECT_EQ(calculator.Input()->text(), u"rand('unif', "_s);
    EXPECT_EQ(figure.GraphCount(), 1);
}

TEST_F(CalculatorWindowTest, FunctionButtonWrapsTheSelection) {
    QTest::keyClicks(calculator.Input(), u"y(0)"_s);
    calculator.Input()->selectAll();
    Find<QToolButton>(calculator, u"sqrt"_s)->click();
    EXPECT_EQ(calculator.Input()->text(), u"sqrt(y(0))"_s);
    Find<QToolButton>(calculator, u"y(0)"_s)->click(); // the graph button names the selected graph
    EXPECT_EQ(calculator.Input()->text(), u"sqrt(y(0))y(0)"_s);
}

TEST_F(CalculatorWindowTest, EscCancelsALongCalculation) {
    calculator.BusyAfterMs = 0;
    QTest::keyClicks(calculator.Input(), u"y(0)*2"_s);
    QCoreApplication::postEvent(calculator.Input(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    Find<QPushButton>(calculator, u"Вычислить"_s)->click();
    EXPECT_EQ(figure.GraphCount(), 1);
    EXPECT_TRUE(calculator.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(calculator.Calc().History.Items().isEmpty());
}

TEST_F(CalculatorWindowTest, StayOnTopFollowsTheSetting) {
    calculator.Calc().SetStayOnTop(true);
    EXPECT_TRUE(calculator.windowFlags() & Qt::WindowStaysOnTopHint);
    auto* box = Find<QCheckBox>(calculator, u"Поверх других окон"_s);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(calculator.Calc().StayOnTop());
    EXPECT_FALSE(calculator.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(CalculatorCommand, OpensForTheFigure) {
    TMainWindow main;
    main.Figure().AddGraph(u"B"_s, false, {}, Ramp(3), Ramp(3));
    main.Action(u"Equation"_s)->trigger();
    TCalculatorWindow* calculator = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* c = qobject_cast<TCalculatorWindow*>(w)) calculator = c;
    ASSERT_NE(calculator, nullptr);
    EXPECT_TRUE(calculator->isVisible());
    EXPECT_EQ(calculator->windowTitle(), u"Вычисление математических функций"_s);
    ASSERT_EQ(calculator->Calc().Graphs().size(), 1);
    // The open calculator does not keep the program running once the main window closes.
    main.show();
    main.Ask = [](const QString&) { return mainstate::TAnswer::No; };
    QTimer::singleShot(0, &main, [&] { main.close(); });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, qApp, &QCoreApplication::quit);
    giveUp.start(3000);
    QApplication::exec();
    EXPECT_TRUE(giveUp.isActive());
    calculator->close();
}

} // namespace
