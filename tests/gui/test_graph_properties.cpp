#include "gui/graphlist/GraphListWindow.h"
#include "gui/graphproperties/GraphPropertiesDialog.h"

#include "tests/common/TestData.h"
#include "window/FigureStream.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {
using testutil::Ramp;
using testutil::U;

struct GraphPropertiesGui : ::testing::Test {
    TSuperGrWindow window;

    void SetUp() override {
        window.AnimatedUndo = window.AnimatedZoom = false;
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(window.AddGraph(QStringLiteral("g%1").arg(i), false, {}, Ramp(6, 1), Ramp(6, 1 + i)));
        window.ClearUndoHistory();
    }
    QByteArray Stream() { return TFigureStream::Serialize(window); }

    // Runs the dialog on a graph; `edit` works its controls, then the button with the caption ends it.
    void RunDialog(int graph, const QString& button,
                   const std::function<void(TGraphPropertiesDialog&)>& edit) {
        TGraphPropertiesDialog dialog(window);
        QTimer::singleShot(0, &dialog, [&] {
            edit(dialog);
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == button) b->click();
        });
        dialog.ExecFor(graph);
    }
    static QCheckBox* Check(QWidget& parent, const QString& caption) {
        for (QCheckBox* box : parent.findChildren<QCheckBox*>())
            if (box->text() == caption) return box;
        return nullptr;
    }
};

// Typing a name, choosing a width and hiding the graph through the controls.
void EditThroughControls(TGraphPropertiesDialog& dialog) {
    QLineEdit* name = nullptr;
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
        if (edit->text() == QStringLiteral("g1")) name = edit;
    ASSERT_NE(name, nullptr);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("renamed"));
    for (QComboBox* box : dialog.findChildren<QComboBox*>())
        if (box->count() == 9) { // the widths
            box->setCurrentIndex(4);
            emit box->activated(4);
        }
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
        if (auto* group = qobject_cast<QGroupBox*>(box->parentWidget());
            group && group->title() == U(" график ") && box->text() == U("отображать"))
            box->click();
}

TEST_F(GraphPropertiesGui, CancelUndoesEveryControlsChangeAndApplyIsOneUndoStep) {
    const QByteArray before = Stream();
    RunDialog(1, U("Отмена"), EditThroughControls);
    EXPECT_EQ(Stream(), before);
    EXPECT_FALSE(window.HaveUndo());
    EXPECT_FALSE(window.HaveRedo());

    RunDialog(1, U("Применить"), EditThroughControls);
    const QByteArray after = Stream();
    EXPECT_EQ(window.GraphByIndex(1)->Name(), QStringLiteral("renamed"));
    EXPECT_EQ(window.GraphByIndex(1)->LineWidth(), 4);
    window.Undo();
    EXPECT_EQ(Stream(), before);
    window.Redo();
    EXPECT_EQ(Stream(), after);
}

TEST_F(GraphPropertiesGui, UnreadableBreakLimitKeepsTheLastValidOne) {
    window.GraphByIndex(0)->SetBreakLimit(2);
    RunDialog(0, U("Применить"), [](TGraphPropertiesDialog& dialog) {
        QCheckBox* gap = Check(dialog, U("Не отображать разрыв больше"));
        gap->click();
        QLineEdit* limit = nullptr;
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
            if (edit->text() == QStringLiteral("2")) limit = edit;
        ASSERT_NE(limit, nullptr);
        limit->selectAll();
        QTest::keyClicks(limit, QStringLiteral("3"));
        // The message box about a text that is no number is closed as soon as it shows.
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        QTest::keyClicks(limit, QStringLiteral("x"));
    });
    EXPECT_EQ(window.GraphByIndex(0)->BreakMode(), 0);
    EXPECT_EQ(window.GraphByIndex(0)->BreakLimit(), 3);
}

// Unticking the gap box and ticking it again with the mouse restores the mode still shown.
TEST_F(GraphPropertiesGui, GapBoxClickedOffAndOnKeepsTheShownMode) {
    const auto clickBox = [](QAbstractButton* button) { // on its indicator, as a user aims
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    };
    RunDialog(0, U("Применить"), [&](TGraphPropertiesDialog& dialog) {
        QCheckBox* gap = Check(dialog, U("Не отображать разрыв больше"));
        QRadioButton* byLength = nullptr;
        for (QRadioButton* r : dialog.findChildren<QRadioButton*>())
            if (r->text() == U("По длине")) byLength = r;
        clickBox(gap);
        clickBox(byLength);
        EXPECT_EQ(window.GraphByIndex(0)->BreakMode(), 2);
        clickBox(gap);
        EXPECT_FALSE(gap->isChecked());
        EXPECT_EQ(window.GraphByIndex(0)->BreakMode(), 3);
        EXPECT_TRUE(byLength->isChecked());
        clickBox(gap);
        EXPECT_TRUE(gap->isChecked());
        EXPECT_TRUE(byLength->isChecked());
    });
    EXPECT_EQ(window.GraphByIndex(0)->BreakMode(), 2);
}

// The markers dialog opens after the properties dialog has closed, the edits kept in their own step.
TEST_F(GraphPropertiesGui, PlacingMarkersLeavesTheDialogKeepingTheEdits) {
    TGraphPropertiesDialog dialog(window);
    QString placedOn;
    bool dialogGone = false;
    dialog.PlaceMarkers = [&](TGraph& graph, const QPoint&) {
        placedOn = graph.Name();
        dialogGone = !dialog.isVisible();
        graph.AddMarkerAtNode(1);
    };
    QTimer::singleShot(0, &dialog, [&] {
        dialog.Model().Set(TGraphProperties::LineWidth, 6);
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == U("Расставить маркеры...")) b->click();
    });
    EXPECT_FALSE(dialog.ExecFor(2));
    EXPECT_EQ(placedOn, QStringLiteral("g2"));
    EXPECT_TRUE(dialogGone);
    EXPECT_EQ(window.GraphByIndex(2)->LineWidth(), 6);
    window.Undo();
    EXPECT_EQ(window.GraphByIndex(2)->Markers.Count(), 0);
    EXPECT_EQ(window.GraphByIndex(2)->LineWidth(), 6);
    EXPECT_FALSE(window.UndoGrouping());
}

TEST_F(GraphPropertiesGui, ListFollowsTheWindowAndPassesChangesToSelectedRows) {
    TGraphListWindow list(window);
    list.ShowAt(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.Model().ClickRow(0, false, false);
    list.Model().ClickRow(2, true, false);
    list.Row(2)->Boxes[1]->click(); // "Visible"
    EXPECT_FALSE(window.GraphByIndex(0)->Visible());
    EXPECT_TRUE(window.GraphByIndex(1)->Visible());
    EXPECT_FALSE(window.GraphByIndex(2)->Visible());
    window.Undo();
    QApplication::processEvents();
    EXPECT_TRUE(list.Row(0)->Boxes[1]->isChecked());

    window.AddGraph(U("new"), false, {}, Ramp(4), Ramp(4));
    QApplication::processEvents();
    ASSERT_NE(list.Row(3), nullptr);
    EXPECT_EQ(list.Row(3)->NameEdit->text(), U("new"));
    window.DeleteGraph(0);
    QApplication::processEvents();
    EXPECT_EQ(list.Model().RowCount(), 3);
    EXPECT_TRUE(list.Model().RowSelected(1)); // the selected g2 moved up
    EXPECT_EQ(list.Row(0)->NameEdit->text(), U("g1"));
}

// The marker menu's "0" sets the text marker by itself, as the numbered entries set theirs.
TEST_F(GraphPropertiesGui, MarkerMenuZeroSetsTheTextMarker) {
    window.GraphByIndex(0)->SetMarkerSymbol(3);
    TGraphListWindow list(window);
    list.ShowAt(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QTimer::singleShot(0, &list, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* entry : menu->actions())
            if (entry->text() == U("0"))
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    QTest::mousePress(list.Row(0)->MarkerSample(), Qt::LeftButton);
    EXPECT_EQ(window.GraphByIndex(0)->MarkerSymbol(), 0);
}

TEST_F(GraphPropertiesGui, TwentyGraphsShowSixteenRowsAndAScrollBar) {
    for (int i = 3; i < 20; ++i)
        window.AddGraph({}, false, {}, Ramp(3), Ramp(3));
    TGraphListWindow list(window);
    list.ShowAt(QPoint(0, 0));
    const auto* rows = list.findChild<QScrollArea*>();
    EXPECT_EQ(rows->height(), 16 * TGraphListWindow::RowHeight);
    EXPECT_EQ(rows->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_GT(list.width(), TGraphListWindow::ListWidth);
    EXPECT_EQ(list.Model().RowCount(), 20);
    QWheelEvent notch(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(rows->viewport(), &notch);
    EXPECT_EQ(rows->verticalScrollBar()->value(), TGraphListWindow::RowHeight);
}
} // namespace
