// Every field whose text the figure file stores refuses, where it is typed or pasted, a character
// cp1251 cannot hold, and says why; what the user sees is what is saved.
#include "gui/calculator/CalculatorWindow.h"
#include "gui/captions/CaptionEditor.h"
#include "gui/graphlist/GraphListWindow.h"
#include "gui/graphproperties/GraphPropertiesDialog.h"
#include "gui/legend/LegendDialog.h"
#include "gui/tableview/TableViewWindow.h"
#include "model/Graph.h"
#include "tests/common/TestData.h"
#include "tests/common/UserInput.h"
#include "window/SuperGrWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>

namespace {
using testutil::Ramp;
using testutil::TypeText;
using testutil::U;

const QString kRefusal = U("Символ «Δ» нельзя сохранить в файле рисунка (кодовая страница 1251).");

struct StoredTextFieldsTest : ::testing::Test {
    TSuperGrWindow window;

    void SetUp() override {
        window.AnimatedUndo = window.AnimatedZoom = false;
        ASSERT_TRUE(window.AddGraph(U("g"), false, {}, Ramp(6), Ramp(6)));
        QToolTip::hideText();
    }
    // Types "Ж", then "Δ", then pastes "aΔ" into the field: the Cyrillic letter is taken, the rest is
    // refused with the message, and the field and the stored text hold no Greek letter.
    void ExpectRefusal(QWidget* field, const std::function<QString()>& stored) {
        ASSERT_NE(field, nullptr);
        field->setFocus();
        TypeText(field, U("Ж"));
        const QString taken = stored();
        EXPECT_TRUE(taken.endsWith(U("Ж"))) << taken.toStdString();
        TypeText(field, U("Δ"));
        EXPECT_EQ(stored(), taken);
        EXPECT_EQ(QToolTip::text(), kRefusal);
        QToolTip::hideText();
        QApplication::clipboard()->setText(U("aΔ"));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(stored(), taken);
        EXPECT_EQ(QToolTip::text(), kRefusal);
    }
};

} // namespace

TEST_F(StoredTextFieldsTest, GraphPropertiesName) {
    TGraphPropertiesDialog dialog(window);
    QTimer::singleShot(0, &dialog, [&] {
        QLineEdit* name = nullptr;
        for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
            if (edit->text() == U("g")) name = edit;
        ExpectRefusal(name, [&] { return window.GraphByIndex(0)->Name(); });
        dialog.reject();
    });
    dialog.ExecFor(0);
}

TEST_F(StoredTextFieldsTest, GraphListName) {
    TGraphListWindow list(window);
    list.ShowAt(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ExpectRefusal(list.Row(0)->NameEdit, [&] { return window.GraphByIndex(0)->Name(); });
}

TEST_F(StoredTextFieldsTest, LegendTableNameAndText) {
    TLegendDialog dialog;
    dialog.Load(window);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget* table = dialog.GraphTable();
    for (int column : {1, 2}) {
        SCOPED_TRACE(column);
        table->setCurrentCell(0, column);
        table->editItem(table->item(0, column));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->end(false);
        ExpectRefusal(editor, [editor] { return editor->text(); });
        QTest::keyClick(editor, Qt::Key_Return);
        const TGraph* g = window.GraphByIndex(0);
        EXPECT_EQ(column == 1 ? g->Name() : g->LegendText(), table->item(0, column)->text());
        EXPECT_FALSE(table->item(0, column)->text().contains(U("Δ")));
    }
}

TEST_F(StoredTextFieldsTest, CalculatorNewGraphName) {
    TCalculatorWindow calculator;
    calculator.Calc().AddWindow(&window, 0);
    calculator.ShowCalculator();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calculator));
    QLineEdit* name = nullptr;
    for (QGroupBox* box : calculator.findChildren<QGroupBox*>())
        if (box->title() == U(" Сохранение результатов ")) name = box->findChild<QLineEdit*>();
    ExpectRefusal(name, [&] { return calculator.Calc().NewGraphName; });
}

TEST_F(StoredTextFieldsTest, CaptionMemo) {
    QWidget graph;
    graph.resize(400, 300);
    graph.show();
    TCaptionToolBar bar{window, &graph};
    bar.Open();
    QApplication::processEvents();
    ExpectRefusal(bar.Memo(), [&] { return bar.Memo()->toPlainText(); });
    bar.accept();
    EXPECT_EQ(window.TopCaption(), QStringList{U("Ж")});
}

TEST_F(StoredTextFieldsTest, TableNewGraphName) {
    TTableViewWindow table;
    table.AddWindow(window);
    table.ShowTable();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    QTimer::singleShot(0, &table, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>();
        name->selectAll();
        ExpectRefusal(name, [name] { return name->text(); });
        QTest::keyClick(name, Qt::Key_Escape);
    });
    table.findChild<QAction*>(QStringLiteral("actNewGraph"))->trigger();
}
