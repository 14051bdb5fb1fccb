#include "gui/addgraphs/AddGraphsDialog.h"
#include "tests/common/TestData.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {
using testutil::U;

struct AddGraphsDialogFixture : ::testing::Test {
    QTemporaryDir dir;
    TSuperGrWindow window;
    TAddGraphsDialog dialog{window};

    void SetUp() override {
        dialog.show();
        QApplication::processEvents();
    }
    // 10 lines of three columns: value (line, column) = line * 10 + column.
    QString WriteTable() {
        const QString path = dir.filePath(QStringLiteral("data.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int r = 0; r < 10; ++r)
            file.write(QByteArray::number(r * 10) + ' ' + QByteArray::number(r * 10 + 1) + ' ' +
                       QByteArray::number(r * 10 + 2) + '\n');
        return path;
    }
    QTreeWidgetItem* SeriesItem(int s) { return dialog.Tree()->topLevelItem(0)->child(0)->child(s); }
    QGroupBox* DataGroup() {
        for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
            if (box->parentWidget() && !qobject_cast<QGroupBox*>(box->parentWidget()) &&
                box->title() != U("Аргумент") && box->title() != U("Данные располагаются"))
                return box;
        return nullptr;
    }
    template <typename W> W* Find(const QString& text) {
        for (W* w : dialog.findChildren<W*>())
            if (w->text() == text) return w;
        return nullptr;
    }
    void ClickAt(QWidget* target, const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent press(QEvent::MouseButtonPress, pos, target->mapToGlobal(pos), Qt::LeftButton,
                          Qt::LeftButton, modifiers);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, pos, target->mapToGlobal(pos), Qt::LeftButton,
                            Qt::NoButton, modifiers);
        QApplication::sendEvent(target, &release);
    }
};

} // namespace

TEST_F(AddGraphsDialogFixture, EmptyDialog) {
    EXPECT_EQ(dialog.windowTitle(), U("Добавление графиков из файла:"));
    ASSERT_NE(DataGroup(), nullptr);
    EXPECT_EQ(DataGroup()->title(), U("Нет данных для построения."));
    EXPECT_FALSE(Find<QPushButton>(U("Добавить"))->isEnabled());
    EXPECT_NE(Find<QPushButton>(U("Добавить в список")), nullptr);
    EXPECT_NE(Find<QPushButton>(U("Очистить список")), nullptr);
    EXPECT_EQ(TAddGraphsDialog::FileFilter(),
              QStringLiteral("All data files (*.mat *.txt *.csv *.tsv *.dat);;Mat files (*.mat);;Txt files "
                             "(*.txt);;CSV files (*.csv *.tsv);;All files (*)"));
}

TEST_F(AddGraphsDialogFixture, LoadedFileShowsTheTreeAndTheFirstPlottedSeries) {
    const QString path = WriteTable();
    dialog.LoadSources({path});
    QTreeWidget* tree = dialog.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), path);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), U("data.txt  Гр.1"));
    ASSERT_EQ(tree->topLevelItem(0)->child(0)->childCount(), 3);
    EXPECT_EQ(SeriesItem(2)->text(0), U("Столбец 3"));
    EXPECT_TRUE(SeriesItem(1)->isSelected());
    EXPECT_EQ(DataGroup()->title(), U("Построение"));
    EXPECT_TRUE(Find<QPushButton>(U("Добавить"))->isEnabled());

    QComboBox* argument = nullptr;
    QComboBox* targets = nullptr;
    for (QComboBox* box : dialog.findChildren<QComboBox*>()) {
        if (box->count() > 0 && box->itemText(0) == U("Общий (Столбец 1)")) argument = box;
        if (box->count() > 0 && box->itemText(0) == U("Новый график")) targets = box;
    }
    ASSERT_NE(argument, nullptr);
    EXPECT_EQ(argument->count(), 5);
    EXPECT_EQ(argument->currentIndex(), 0);
    ASSERT_NE(targets, nullptr);
    EXPECT_EQ(targets->count(), 1);
    EXPECT_EQ(dialog.Model().Preview().GraphCount(), 1);
}

TEST_F(AddGraphsDialogFixture, ClickOnTheStateImageSwitchesTheSeries) {
    dialog.LoadSources({WriteTable()});
    QTreeWidget* tree = dialog.Tree();
    const QRect rect = tree->visualItemRect(SeriesItem(2));
    ClickAt(tree->viewport(), QPoint(rect.left() + 8, rect.center().y()));
    EXPECT_EQ(dialog.Model().Files()[0].Arrays[0].Series[2].State, ssNotPlotted);
    EXPECT_TRUE(SeriesItem(2)->isSelected());
    // A click on the caption only selects.
    ClickAt(tree->viewport(), QPoint(rect.left() + 60, rect.center().y()));
    EXPECT_EQ(dialog.Model().Files()[0].Arrays[0].Series[2].State, ssNotPlotted);
    ClickAt(tree->viewport(), QPoint(rect.left() + 8, rect.center().y()));
    EXPECT_EQ(dialog.Model().Files()[0].Arrays[0].Series[2].State, ssPlotted);
}

TEST_F(AddGraphsDialogFixture, OnlySiblingsStaySelected) {
    dialog.LoadSources({WriteTable()});
    QTreeWidget* tree = dialog.Tree();
    auto ctrlClick = [&](QTreeWidgetItem* item) {
        const QRect rect = tree->visualItemRect(item);
        ClickAt(tree->viewport(), QPoint(rect.left() + 60, rect.center().y()), Qt::ControlModifier);
    };
    ctrlClick(SeriesItem(2));
    EXPECT_EQ(dialog.Model().Selection(), (QList<TNodeRef>{{0, 0, 1}, {0, 0, 2}}));
    // The array is no sibling of the series: the series are let go.
    ctrlClick(tree->topLevelItem(0)->child(0));
    EXPECT_EQ(dialog.Model().Selection(), (QList<TNodeRef>{{0, 0, -1}}));
    EXPECT_EQ(tree->selectedItems().size(), 1);
    EXPECT_EQ(DataGroup()->title(), U("Массив"));
}

TEST_F(AddGraphsDialogFixture, FileAndArrayPanels) {
    dialog.LoadSources({WriteTable()});
    dialog.Tree()->setCurrentItem(dialog.Tree()->topLevelItem(0));
    EXPECT_EQ(DataGroup()->title(), U("Файл"));
    QTableWidget* grid = dialog.findChild<QTableWidget*>();
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 0)->text(), U("data.txt  Гр.1"));
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("[3x10]"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), U("[столбец x строка]"));
    EXPECT_NE(Find<QLabel>(U("Всего 1 массив.")), nullptr);
    EXPECT_EQ(dialog.Model().Preview().GraphCount(), 0);

    dialog.Tree()->setCurrentItem(dialog.Tree()->topLevelItem(0)->child(0));
    EXPECT_EQ(DataGroup()->title(), U("Массив"));
    QComboBox* strategy = nullptr;
    for (QComboBox* box : dialog.findChildren<QComboBox*>())
        if (box->count() == 5 && box->itemText(0) == U("Один общий аргумент")) strategy = box;
    ASSERT_NE(strategy, nullptr);
    emit strategy->activated(3);
    EXPECT_EQ(dialog.Model().Files()[0].Arrays[0].Data.Strategy, 3);
}

TEST_F(AddGraphsDialogFixture, TypedScaleAndTheAddButton) {
    dialog.LoadSources({WriteTable()});
    QLineEdit* scale = nullptr;
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>())
        if (edit->text() == QStringLiteral("1") && !scale) scale = edit;
    ASSERT_NE(scale, nullptr);
    scale->selectAll();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
    QApplication::sendEvent(scale, &key);
    EXPECT_EQ(dialog.Model().Files()[0].Arrays[0].Series[1].Data.ArgScale, 2);

    Find<QPushButton>(U("Добавить"))->click();
    ASSERT_EQ(window.GraphCount(), 2);
    TDoubleArray x, y;
    window.GraphByIndex(0)->GetXY(x, y);
    EXPECT_EQ(x[1], 20);
    EXPECT_FALSE(dialog.findChild<QProgressBar*>()->isVisible());
    EXPECT_TRUE(dialog.isVisible());

    Find<QPushButton>(U("Очистить список"))->click();
    EXPECT_EQ(dialog.Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(DataGroup()->title(), U("Нет данных для построения."));
}

TEST_F(AddGraphsDialogFixture, SeparatorChoiceRereadsAndAddingReportsTheCount) {
    const QString path = dir.filePath(QStringLiteral("pairs.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1,2\n2,5\n3,4\n");
    file.close();
    dialog.LoadSources({path});
    EXPECT_EQ(dialog.Tree()->topLevelItem(0)->child(0)->childCount(), 1);
    QComboBox* separator = nullptr;
    for (QComboBox* box : dialog.findChildren<QComboBox*>())
        if (box->count() > 0 && box->itemText(0) == U("авто")) separator = box;
    ASSERT_NE(separator, nullptr);
    separator->setCurrentIndex(2); // "запятая"
    emit separator->activated(2);
    EXPECT_EQ(dialog.Tree()->topLevelItem(0)->child(0)->childCount(), 2);
    EXPECT_EQ(dialog.Model().Preview().GraphCount(), 1); // the preview follows at once
    Find<QPushButton>(U("Добавить"))->click();
    EXPECT_EQ(window.GraphCount(), 1);
    EXPECT_NE(Find<QLabel>(U("Добавлено графиков: 1.")), nullptr);
}
