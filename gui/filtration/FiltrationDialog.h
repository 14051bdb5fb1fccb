// The filtration dialog "Выбор параметров фильтра": shows TFiltrationModel (the filter type and its
// parameters, the response preview, the graphs to filter and where the results go) and forwards every
// change to it.
#pragma once

#include "tools/FiltrationModel.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class TGraphWindowWidget;

// The "i" button opens the statistics of the same graphs: the target window, the choice of graphs
// (TFilterScope) and the index of the one graph in the target's list (−1 for none).
using TFiltrationStatisticsOpener =
    std::function<void(TSuperGrWindow& target, int scope, int graphIndex, QWidget* parent)>;

class TFiltrationDialog : public QDialog, private TFiltrationAsker {
    Q_OBJECT
public:
    explicit TFiltrationDialog(QWidget* parent = nullptr);
    ~TFiltrationDialog() override;

    TFiltrationModel& Model() { return model_; }
    // The statistics dialog; without one the "i" button stays disabled.
    TFiltrationStatisticsOpener StatisticsOpener;

    // Sets the target window, shows the fields and the graph lists (no modal loop).
    void Prepare(TSuperGrWindow& target);
    // Prepare, then the modal loop.
    int ExecFor(TSuperGrWindow& target);

    // For the tests: the controls by their role.
    QComboBox* FilterTypeBox() const { return filterType_; }
    QPushButton* ComputeButton() const { return compute_; }
    QPushButton* ApplyButton() const { return apply_; }
    QStackedWidget* Panels() const { return panels_; }
    QLineEdit* RippleEdit() const { return ripple_; }
    QLineEdit* SampleRateEdit() const { return sampleRate_; }
    QLineEdit* CutoffEdit() const { return cutoff_; }
    QLineEdit* DenominatorEdit() const { return denominator_; }
    QComboBox* RealizationBox() const { return realization_; }
    QComboBox* OutputBox() const { return output_; }
    TGraphWindowWidget* PreviewWidget() const { return preview_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowMessage(const QString& text) override;

    void BuildUi();
    QWidget* BuildDesignPanel();
    QWidget* BuildUserPanel();
    QWidget* BuildAveragePanel();
    QWidget* BuildSmoothingPanel();
    QGroupBox* BuildPreviewGroup();
    // Every control from the model, with their change handlers quiet.
    void LoadFields();
    void LoadGraphLists();
    // Enabled states, the panel shown and the read-out from the model.
    void RefreshStates();
    void ShowReadOut();
    void OnFilterTypeChosen(int type);
    void OnApply();
    void OnStatistics();
    void ShowPreviewMenu(const QPoint& globalPos);
    // Connects a field to a model setter; every change refreshes the states.
    template <typename Sender, typename Signal, typename Setter>
    void Forward(Sender* sender, Signal signal, Setter setter);

    TFiltrationModel model_;

    QLineEdit* sampleRate_ = nullptr;
    QComboBox* filterType_ = nullptr;
    QPushButton* compute_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    QSpinBox* order_ = nullptr;
    QLineEdit* cutoff_ = nullptr;
    QLabel* rippleLabel_ = nullptr;
    QLineEdit* ripple_ = nullptr;
    QRadioButton* lowPass_ = nullptr;
    QRadioButton* highPass_ = nullptr;
    QLineEdit* numerator_ = nullptr;
    QLineEdit* denominator_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QComboBox* averaging_ = nullptr;
    QLineEdit* window_ = nullptr;
    QLineEdit* smoothingOrder_ = nullptr;
    QComboBox* realization_ = nullptr;
    QCheckBox* onlySource_ = nullptr;
    QLabel* onlySourceLabel_ = nullptr;
    QComboBox* output_ = nullptr;
    QRadioButton* allGraphs_ = nullptr;
    QRadioButton* selectedGraphs_ = nullptr;
    QRadioButton* oneGraph_ = nullptr;
    QComboBox* graph_ = nullptr;
    QCheckBox* closeAfter_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* statistics_ = nullptr;
    TGraphWindowWidget* preview_ = nullptr;
    QLabel* frequency_ = nullptr;
    QLabel* amplitude_ = nullptr;
    QLabel* phase_ = nullptr;
    bool loading_ = false;
};

// The main window's "Фильтрация": creates the dialog on first use (kept, with its fields, as a child of
// parent) and shows it modally for the window's graphs. statistics: what the "i" button opens.
void ShowFiltrationDialog(TSuperGrWindow& window, QWidget* parent,
                          TFiltrationStatisticsOpener statistics = {});
