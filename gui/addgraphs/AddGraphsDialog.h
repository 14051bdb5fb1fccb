// The add-graphs dialog: shows TAddGraphsModel (the file tree, the array and series settings and
// the preview) and forwards every choice to it.
#pragma once

#include "files/AddGraphsModel.h"

#include <QDialog>
#include <QIcon>

#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QTimeEdit;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TGraphWindowWidget;

class TAddGraphsDialog : public QDialog, private TAddGraphsAsker {
    Q_OBJECT
public:
    // Graphs are added to the target window; it must outlive the dialog.
    explicit TAddGraphsDialog(TSuperGrWindow& target, QWidget* parent = nullptr);
    ~TAddGraphsDialog() override;

    TAddGraphsModel& Model() { return *model_; }

    // The filter of the open-file dialog, in Qt's notation.
    static QString FileFilter();
    // The multi-selection open-file dialog for data files; empty when cancelled.
    static QStringList AskDataFiles(QWidget* parent);

    // Empties the preview and the tree.
    void ClearAll();
    // Loads the sources ("<Clipboard>" for the clipboard's text) into the tree.
    void LoadSources(const QStringList& names);
    // The main window's road: clear, load the sources, show modally.
    int ExecFor(const QStringList& names);

    // For the picture tests: the tree, the panels and the preview widget.
    QTreeWidget* Tree() const { return tree_; }

private:
    // TAddGraphsAsker
    bool AskYesNo(const QString& caption, const QString& text) override;
    void ShowMessage(const QString& text) override;

    void BuildUi();
    QWidget* BuildFilePage();
    QWidget* BuildArrayPage();
    QWidget* BuildSeriesPage();
    void BuildActions(QToolBar* toolBar);

    void RefreshTree();
    void RefreshStateIcons();
    void RefreshPanels();
    void ShowFile(const TFileNode& file);
    void ShowArray(const TArrayNode& array);
    void ShowSeries(const TArrayNode& array, const TSeriesNode& series);

    void OnTreeSelectionChanged();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnAddToList();
    void OnClearList();
    void OnBuild();
    // Runs a change of the series states, then shows the new states.
    template <typename Change> void ChangeStates(Change change);
    void ApplyStartDate();

    TNodeRef RefOf(const QTreeWidgetItem* item) const;
    QIcon StateIcon(int state) const;

    std::unique_ptr<TAddGraphsModel> model_;

    QTreeWidget* tree_ = nullptr;
    QGroupBox* dataGroup_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* buildButton_ = nullptr;
    QComboBox* separator_ = nullptr;
    QLabel* status_ = nullptr; // what the last "Добавить" made
    TGraphWindowWidget* previewWidget_ = nullptr;

    // File page.
    QTableWidget* arrayGrid_ = nullptr;
    QLabel* summaryLabel_ = nullptr;
    // Array page.
    QLabel* sizeLabel_ = nullptr;
    QRadioButton* inColumns_ = nullptr;
    QRadioButton* inRows_ = nullptr;
    QComboBox* strategy_ = nullptr;
    QComboBox* commonArg_ = nullptr;
    QPlainTextEdit* header_ = nullptr;
    // Series page.
    QComboBox* argument_ = nullptr;
    QLineEdit* scale_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QCheckBox* relative_ = nullptr;
    QCheckBox* dateTime_ = nullptr;
    QComboBox* unit_ = nullptr;
    QLineEdit* unitSeconds_ = nullptr;
    QCheckBox* useStartDate_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QTimeEdit* startTime_ = nullptr;
    QComboBox* targets_ = nullptr;
    QCheckBox* equalScale_ = nullptr;

    QIcon fileIcon_, arrayIcon_, argumentIcon_, plottedIcon_, notPlottedIcon_;
};
