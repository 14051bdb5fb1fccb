#include "gui/graphproperties/GraphPropertiesDialog.h"
#include "gui/symboleditor/SymbolEditorDialog.h"

#include "model/Symbol.h"
#include "tests/common/TestData.h"
#include "tests/common/UserInput.h"
#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {
using testutil::Ramp;
using testutil::U;

QPushButton* Button(QWidget& parent, const QString& caption) {
    for (QPushButton* b : parent.findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

// The editor keeps its grid and recent symbols in a store of its own: the tests use a fresh one.
struct SymbolEditorGui : ::testing::Test {
    QTemporaryDir config;
    QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    void SetUp() override { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfig); }

    // Runs Execute on the symbol; `work` uses the open editor, then its button with the caption ends it.
    static bool Run(TSymbolEditorDialog& editor, TSymbol& symbol, const QString& button,
                    const std::function<void(TSymbolEditorDialog&)>& work) {
        QTimer::singleShot(0, &editor, [&] {
            work(editor);
            Button(editor, button)->click();
        });
        return editor.Execute(symbol);
    }
    static QLineEdit* TextBox(TSymbolEditorDialog& editor) {
        for (QGroupBox* g : editor.findChildren<QGroupBox*>())
            if (g->title() == U(" Текущий элемент символа ")) return g->findChild<QLineEdit*>();
        return nullptr;
    }
};

void AddLetter(TSymbolEditorDialog& editor, const QString& letter) {
    Button(editor, U("По центру"))->click();
    QLineEdit* text = nullptr;
    for (QGroupBox* g : editor.findChildren<QGroupBox*>())
        if (g->title() == U(" Текущий элемент символа ")) text = g->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    QTest::keyClicks(text, letter);
}

TEST_F(SymbolEditorGui, ConfirmReturnsTheSymbolAndCancelKeepsIt) {
    TSymbolEditorDialog editor;
    TSymbol symbol;
    EXPECT_FALSE(Run(editor, symbol, U("Отмена"), [](TSymbolEditorDialog& e) { AddLetter(e, U("Z")); }));
    EXPECT_TRUE(symbol.Prims.isEmpty());
    EXPECT_TRUE(Run(editor, symbol, U("ОК"), [](TSymbolEditorDialog& e) { AddLetter(e, U("Z")); }));
    ASSERT_EQ(symbol.Prims.size(), 1);
    EXPECT_EQ(symbol.Prims[0].Text, U("Z"));
    // The confirmed symbol is in the recent ring of the next opening.
    TSymbolEditorDialog again;
    TSymbol fresh;
    Run(again, fresh, U("Отмена"), [](TSymbolEditorDialog&) {});
    EXPECT_TRUE(symbolstore::Read(symbolstore::StoreFile()).Recent[0] == symbol);
}

// Ctrl with an arrow moves the current element, Shift with an arrow its right or bottom edge, also
// while the focus is in its text box.
TEST_F(SymbolEditorGui, ArrowNudgesWorkWhileTheTextBoxHasTheFocus) {
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifier Modifier;
        int X1, X2, Y1, Y2; // the direction each coordinate moves in
    } cases[] = {
        {Qt::Key_Left, Qt::ControlModifier, -1, -1, 0, 0}, {Qt::Key_Right, Qt::ControlModifier, 1, 1, 0, 0},
        {Qt::Key_Up, Qt::ControlModifier, 0, 0, -1, -1},   {Qt::Key_Down, Qt::ControlModifier, 0, 0, 1, 1},
        {Qt::Key_Left, Qt::ShiftModifier, 0, -1, 0, 0},    {Qt::Key_Right, Qt::ShiftModifier, 0, 1, 0, 0},
        {Qt::Key_Up, Qt::ShiftModifier, 0, 0, 0, -1},      {Qt::Key_Down, Qt::ShiftModifier, 0, 0, 0, 1},
    };
    const auto direction = [](Extended after, Extended before) {
        return (after > before) - (after < before);
    };
    for (const auto& c : cases) {
        TSymbolEditorDialog editor;
        TSymbol symbol;
        Run(editor, symbol, U("Отмена"), [&](TSymbolEditorDialog& e) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
            AddLetter(e, U("ab"));
            QLineEdit* text = TextBox(e);
            text->setCursorPosition(1);
            ASSERT_EQ(testutil::Focused(), text);
            const TPrimitiv before = e.Model().Symbol().Prims[0];
            testutil::PressAlone(c.Modifier == Qt::ControlModifier ? Qt::Key_Control : Qt::Key_Shift);
            testutil::PressKey(c.Key, c.Modifier);
            const TPrimitiv after = e.Model().Symbol().Prims[0];
            EXPECT_EQ(direction(after.X1, before.X1), c.X1) << c.Key << " " << c.Modifier;
            EXPECT_EQ(direction(after.X2, before.X2), c.X2) << c.Key << " " << c.Modifier;
            EXPECT_EQ(direction(after.Y1, before.Y1), c.Y1) << c.Key << " " << c.Modifier;
            EXPECT_EQ(direction(after.Y2, before.Y2), c.Y2) << c.Key << " " << c.Modifier;
            EXPECT_EQ(testutil::Focused(), text);
            EXPECT_EQ(text->text(), U("ab"));
        });
    }
}

TEST_F(SymbolEditorGui, DeletingTheLastElementDisablesThePanelAndTheTinyGridStepShowsItsLeast) {
    TSymbolEditorDialog editor;
    TSymbol symbol;
    Run(editor, symbol, U("Отмена"), [](TSymbolEditorDialog& e) {
        AddLetter(e, U("a"));
        QLineEdit* text = TextBox(e);
        text->selectAll();
        QTest::keyClick(text, Qt::Key_Backspace); // the text empties
        QTest::keyClick(text, Qt::Key_Backspace); // the empty element goes
        EXPECT_EQ(e.Model().Current(), -1);
        EXPECT_FALSE(text->parentWidget()->isEnabled());
        QLineEdit* stepX = nullptr;
        for (QGroupBox* g : e.findChildren<QGroupBox*>())
            if (g->title() == U(" Сетка ")) stepX = g->findChildren<QLineEdit*>().value(0);
        ASSERT_NE(stepX, nullptr);
        stepX->selectAll();
        QTest::keyClicks(stepX, QStringLiteral("0.001"));
        emit stepX->editingFinished();
        EXPECT_EQ(stepX->text(), QStringLiteral("0.01"));
    });
}

TEST_F(SymbolEditorGui, LeavingAnUntouchedCoordinateKeepsItsFullValue) {
    TSymbolEditorDialog editor;
    TSymbol symbol;
    TPrimitiv p;
    p.X1 = 1.0L / 3;
    p.Text = QStringLiteral("q");
    symbol.Prims = {p};
    Run(editor, symbol, U("Отмена"), [](TSymbolEditorDialog& e) {
        for (QGroupBox* g : e.findChildren<QGroupBox*>())
            if (g->title() == U(" координаты "))
                for (QLineEdit* coordinate : g->findChildren<QLineEdit*>())
                    emit coordinate->editingFinished(); // shown as "0.3333"
        EXPECT_EQ(e.Model().Symbol().Prims[0].X1, 1.0L / 3);
        EXPECT_FALSE(e.Model().CanUndo());
    });
}

TEST_F(SymbolEditorGui, PreviewClickStoresTheSymbolAsOneUndoableChange) {
    TSuperGrWindow window;
    window.AnimatedUndo = window.AnimatedZoom = false;
    ASSERT_TRUE(window.AddGraph(QStringLiteral("g"), false, {}, Ramp(6, 1), Ramp(6, 2)));
    TGraph& g = *window.GraphByIndex(0);
    g.SetDesignationShow(dsXData, true);
    g.SetDesignationIsText(dsXData, false);
    window.ClearUndoHistory();
    const QByteArray before = TFigureStream::Serialize(window);

    TGraphPropertiesDialog dialog(window);
    QTimer::singleShot(0, &dialog, [&] {
        QTimer::singleShot(0, &dialog, [&] {
            auto* editor = dialog.findChild<TSymbolEditorDialog*>();
            ASSERT_NE(editor, nullptr);
            AddLetter(*editor, U("U"));
            Button(*editor, U("ОК"))->click();
        });
        QWidget* preview = nullptr;
        for (QWidget* w : dialog.findChildren<QWidget*>())
            if (w->cursor().shape() == Qt::PointingHandCursor && w->isEnabled()) preview = w;
        ASSERT_NE(preview, nullptr);
        QTest::mouseClick(preview, Qt::LeftButton);
        Button(dialog, U("Применить"))->click();
    });
    dialog.ExecFor(0);
    ASSERT_EQ(g.Designation(dsXData).Symbol.Prims.size(), 1);
    EXPECT_EQ(g.Designation(dsXData).Symbol.Prims[0].Text, U("U"));
    window.Undo();
    EXPECT_EQ(TFigureStream::Serialize(window), before);
}

} // namespace

// An element of the "Default" set typed in Greek takes the Greek set, so that it is saved as shown;
// a letter or a set that cannot store the text is refused with the reason.
TEST_F(SymbolEditorGui, ADefaultElementTakesTheGreekSetForGreekText) {
    TSymbolEditorDialog editor;
    TSymbol symbol;
    EXPECT_TRUE(Run(editor, symbol, U("ОК"), [](TSymbolEditorDialog& e) {
        Button(e, U("По центру"))->click();
        QLineEdit* text = TextBox(e);
        ASSERT_NE(text, nullptr);
        testutil::TypeText(text, U("Δω"));
        QComboBox* charset = nullptr;
        for (QComboBox* box : e.findChildren<QComboBox*>())
            if (box->findText(U("Greek")) >= 0) charset = box;
        ASSERT_NE(charset, nullptr);
        EXPECT_EQ(charset->currentText(), U("Greek"));
        QToolTip::hideText();
        testutil::TypeText(text, U("Ж"));
        EXPECT_EQ(text->text(), U("Δω"));
        EXPECT_EQ(QToolTip::text(),
                  U("Символ «Ж» нельзя сохранить в файле рисунка (кодовая страница 1253)."));
        QTest::keyClick(charset, Qt::Key_Down); // "Hangeul", stored in cp1251
        EXPECT_EQ(charset->currentText(), U("Greek"));
        EXPECT_EQ(QToolTip::text(),
                  U("Символ «Δ» нельзя сохранить в файле рисунка (кодовая страница 1251)."));
    }));
    ASSERT_EQ(symbol.Prims.size(), 1);
    EXPECT_EQ(symbol.Prims[0].Text, U("Δω"));
    EXPECT_EQ(symbol.Prims[0].Charset, 161);
    QByteArray stream;
    TByteWriter out(stream);
    WriteSymbol(out, symbol);
    TByteReader in(stream);
    TSymbol read;
    ASSERT_TRUE(ReadSymbol(in, read));
    EXPECT_TRUE(SameSymbol(read, symbol));
}
