// The table window "Просмотр данных": the tree of the listed windows and their graphs, the grid of
// the chosen graph's nodes (TTableItemModel over TTableView's data), the commands on its rows, the
// search controls and saving into a graph; with its three small dialogs (thinning, extended
// search, new graph name).
#pragma once

#include "tools/TableItemModel.h"
#include "tools/TableOperations.h"
#include "tools/TableView.h"

#include <QDialog>
#include <QHash>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class TGraph;
class TSuperGrWindow;

// "Выбор степени прореживания": keep every N-th point.
class TThinDialog : public QDialog {
public:
    explicit TThinDialog(QWidget* parent);
    // The count, 0 when cancelled.
    int Ask();
    QLineEdit* Count() const { return count_; }

private:
    QLineEdit* count_;
    QPushButton* thin_;
};

// "Создание нового графика": the new graph's name, kept between uses.
class TGraphNameDialog : public QDialog {
public:
    explicit TGraphNameDialog(QWidget* parent);
    // The name, empty when cancelled.
    QString Ask();

private:
    QLineEdit* name_;
};

// "Расширенный поиск точки": a free condition over N, X and Y.
class TFindPointDialog : public QDialog {
public:
    explicit TFindPointDialog(QWidget* parent);
    std::function<void()> OnFindNext;
    QString Condition() const;
    bool Forward() const;
    bool Wrap() const;

private:
    QLineEdit* condition_;
    QRadioButton* forward_;
    QCheckBox* wrap_;
};

class TTableViewWindow : public QWidget {
    Q_OBJECT
public:
    explicit TTableViewWindow(QWidget* parent = nullptr);
    ~TTableViewWindow() override;

    TTableView& View() { return view_; }
    TTableItemModel& Model() { return *model_; }
    QTableView* Grid() const { return grid_; }
    QTreeWidget* Tree() const { return tree_; }
    QLabel* Title() const { return title_; }
    QComboBox* Targets() const { return targets_; }
    QAction* Action(const char* name) const { return actions_.value(QByteArray(name)); }

    void AddWindow(TSuperGrWindow& window);
    bool SelectGraph(const TGraph* graph);
    void SetDigitAlign(TDigitAlign align);
    // Shows the window (brings it to the front when shown).
    void ShowTable();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    QWidget* CreateSidePanel();
    void RebuildTree();
    void TreeSelectionChanged(QTreeWidgetItem* item);
    void Loaded();
    void UpdateStates();
    void FitColumns();
    void UpdateVisibleRows();
    // Puts the grid's current cell on the table's current row and shows it.
    void ShowCurrentRow();
    void CurrentCellChanged(const QModelIndex& current);
    bool CellEditorOpen() const;
    // After a command: states, current row, focus.
    void Done();
    void Run(const std::function<void()>& command);
    void Copy();
    void Cut();
    void Paste();
    void NewGraph();
    void Thin();
    void Find();
    void FindNext();
    void ShowFindOutcome(tableops::TFindOutcome outcome, QWidget* parent);
    void SaveIntoTarget();
    void ApplyAlignment();

    TTableView view_;
    TTableItemModel* model_;
    QTreeWidget* tree_;
    QLabel* title_;
    QTableView* grid_;
    QComboBox* targets_;
    QPushButton* save_;
    QPushButton* cancelAll_;
    QComboBox* searchColumn_;
    QComboBox* searchOp_;
    QLineEdit* searchValue_;
    QPushButton* find_;
    QPushButton* extendedFind_;
    QRadioButton* alignLeft_;
    QRadioButton* alignRight_;
    QRadioButton* alignDot_;
    QCheckBox* roundDigits_;
    QSpinBox* digits_;
    QCheckBox* onTop_;
    QMenu* menu_ = nullptr;
    QHash<QByteArray, QAction*> actions_;
    TThinDialog* thinDialog_;
    TFindPointDialog* findDialog_;
    TGraphNameDialog* nameDialog_;
    Qt::KeyboardModifiers inputModifiers_;
    bool filling_ = false; // the tree or the grid's current cell is set by the program
};
