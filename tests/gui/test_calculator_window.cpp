#include "gui/calculator/CalculatorWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
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
