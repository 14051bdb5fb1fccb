// The dialog "Сохранение графиков": shows TSaveGraphsModel (the tree of windows and graphs with their
// check boxes, own or common argument, the format and its options, the name grids) and writes the
// checked graphs into the file the user chooses.
#pragma once

#include "files/SaveGraphsModel.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TSaveGraphsTree;

class TSaveGraphsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSaveGraphsDialog(QWidget* parent = nullptr);

    TSaveGraphsModel& Model() { return model_; }
    // Empties the tree and adds the window with its graphs, all unchecked.
    void Prepare(TSuperGrWindow& window, const QString& fallbackName);
    // Shows the dialog modally and forgets the graphs afterwards; true when the graphs were saved.
    bool Execute();

    // The file to write (empty: cancelled), the messages and the opening of a workbook in the desktop's
    // spreadsheet program; tests answer them directly.
    std::function<QString(const QString& filter, const QString& suffix)> ChooseFile;
    std::function<void(const QString& text)> ShowMessage;
    std::function<bool(const QString& fileName)> OpenFile;

    // The controls, for tests and the tour.
    QTreeWidget* Tree() const;
    QMenu* TreeMenu() const { return treeMenu_; }
    QPushButton* SaveButton() const { return save_; }
    QComboBox* FormatBox() const { return format_; }
    QTableWidget* VarGrid() const { return varGrid_; }
    QTableWidget* SheetGrid() const { return sheetGrid_; }
    QCheckBox* OwnArgumentBox() const { return ownArgument_; }
    QCheckBox* CommonArgumentBox() const { return commonArgument_; }

    // A graph dropped in the tree: the current item moves onto a window's item (first) or after a
    // graph's item. False when nothing moves.
    bool DropCurrentGraphOn(const QTreeWidgetItem* target);

    // "Сохранить": builds the blocks and writes them; the dialog closes when they were written.
    void Save();

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class TSaveGraphsTree;
    void BuildTree();
    void ShowStates();
    void Refresh();
    void ShowNames();
    void TakeOptions();
    void ShowOptions();
    void ApplyMenu(TTreeMenuAction action);
    void NameEdited(QTableWidget* grid, int row, int column);
    // The window and graph of a tree item (graph -1 for a window's item).
    std::pair<int, int> Position(const QTreeWidgetItem* item) const;
    bool SaveWorkbook(const QList<TExportBlock>& blocks);

    TSaveGraphsModel model_;
    TSaveGraphsTree* tree_;
    QMenu* treeMenu_;
    int menuWindow_ = -1;
    bool updating_ = false;
    QRadioButton* vertical_;
    QRadioButton* horizontal_;
    QCheckBox* ownArgument_;
    QCheckBox* commonArgument_;
    QComboBox* interp_;
    QComboBox* extrap_;
    QComboBox* format_;
    QStackedWidget* panels_;
    QRadioButton* byMask_;
    QRadioButton* floating_;
    QRadioButton* fixed_;
    QLineEdit* mask_;
    QSpinBox* floatDecimals_;
    QSpinBox* exponentDigits_;
    QSpinBox* fixedDecimals_;
    QCheckBox* pad_;
    QSpinBox* padWidth_;
    QRadioButton* blank_;
    QRadioButton* tab_;
    QRadioButton* other_;
    QLineEdit* otherSeparator_;
    QRadioButton* matPlain_;
    QRadioButton* matCompressed_;
    QTableWidget* varGrid_;
    QCheckBox* showWorkbook_;
    QTableWidget* sheetGrid_;
    QPushButton* save_;
};
