#include "files/MatlabFile.h"
#include "gui/savegraphs/SaveGraphsDialog.h"
#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using testutil::Ramp;

namespace {
struct SaveGraphsDialogTest : ::testing::Test {
    TSuperGrWindow window;
    TSaveGraphsDialog dialog;
    QTemporaryDir dir;
    QString chosen;
    QStringList filters, messages;

    SaveGraphsDialogTest() {
        window.AddGraph(QStringLiteral("a"), false, {}, Ramp(5), Ramp(5));
        window.AddGraph(QStringLiteral("b"), false, {}, Ramp(5, 1), Ramp(5));
        dialog.ChooseFile = [this](const QString& filter, const QString&) {
            filters.append(filter);
            return chosen;
        };
        dialog.ShowMessage = [this](const QString& text) { messages.append(text); };
        dialog.Prepare(window, QStringLiteral("figure"));
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QTreeWidgetItem* Item(int graph) { return dialog.Tree()->topLevelItem(0)->child(graph); }
};
} // namespace

TEST_F(SaveGraphsDialogTest, CheckingGraphsEnablesSaveAndFillsTheNames) {
    EXPECT_EQ(dialog.Tree()->topLevelItem(0)->text(0), QStringLiteral("figure"));
    EXPECT_FALSE(dialog.SaveButton()->isEnabled());
    Item(1)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(dialog.SaveButton()->isEnabled());
    EXPECT_EQ(dialog.Tree()->topLevelItem(0)->checkState(0), Qt::PartiallyChecked);
    // The window's box of a partly checked window unchecks all.
    dialog.Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(Item(1)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(dialog.SaveButton()->isEnabled());

    dialog.Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.OwnArgumentBox()->click();
    EXPECT_FALSE(dialog.CommonArgumentBox()->isChecked());
    ASSERT_EQ(dialog.VarGrid()->rowCount(), 2);
    dialog.VarGrid()->item(1, 1)->setText(QStringLiteral("a"));
    EXPECT_EQ(dialog.VarGrid()->item(1, 1)->text(), QStringLiteral("a_1"));
}

TEST_F(SaveGraphsDialogTest, CancelledFileChoiceWritesNothingAndStaysOpen) {
    dialog.Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.FormatBox()->setCurrentIndex(int(TExportFormat::Mat));
    dialog.Save();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(filters, QStringList{QStringLiteral("Файлы данных Matlab (*.mat);;Все файлы (*)")});

    chosen = dir.filePath(QStringLiteral("out.mat"));
    dialog.Save();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    TMatlabFile file;
    ASSERT_TRUE(file.LoadFromFile(chosen));
    EXPECT_EQ(file.VariableName(0), QStringLiteral("tv_data"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SaveGraphsDialogTest, FailuresAreShownAndKeepTheDialogOpen) {
    dialog.Save();
    EXPECT_EQ(messages, QStringList{QStringLiteral("Нечего сохранять!")});
    dialog.Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.FormatBox()->setCurrentIndex(int(TExportFormat::Workbook));
    chosen = dir.filePath(QStringLiteral("no/out.xlsx"));
    dialog.Save();
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(SaveGraphsDialogTest, MenuAndDroppedGraphsActOnTheTree) {
    dialog.TreeMenu()->actions().value(2)->trigger(); // "Инвертировать" over every node
    EXPECT_EQ(Item(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(dialog.Tree()->topLevelItem(0)->checkState(0), Qt::Checked);

    dialog.Tree()->setCurrentItem(Item(1));
    EXPECT_TRUE(dialog.DropCurrentGraphOn(dialog.Tree()->topLevelItem(0)));
    QCoreApplication::processEvents();
    EXPECT_EQ(Item(0)->text(0), QStringLiteral("b"));
    EXPECT_EQ(dialog.Model().Windows()[0].Graphs[0].Graph->Name(), QStringLiteral("b"));
}

TEST_F(SaveGraphsDialogTest, ShownWorkbookStaysWhenNoProgramOpensIt) {
    QString opened;
    dialog.OpenFile = [&opened](const QString& fileName) {
        opened = fileName;
        return false;
    };
    dialog.Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    dialog.FormatBox()->setCurrentIndex(int(TExportFormat::Workbook));
    dialog.Model().Options.ShowWorkbook = true;
    dialog.Save();
    EXPECT_TRUE(filters.isEmpty()); // no file is asked for
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QDir::toNativeSeparators(opened)));
    EXPECT_GT(QFileInfo(opened).size(), 0);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    QFile::remove(opened);
}
