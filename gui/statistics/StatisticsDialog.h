// The graph information dialog: shows TStatisticsModel (node total, value extremes, argument steps
// and the step table) for one graph, the selected graphs or all graphs of a window.
#pragma once

#include "tools/StatisticsModel.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QTableWidget;
class TSuperGrWindow;

class TStatisticsDialog : public QDialog {
    Q_OBJECT
public:
    // The window must outlive the dialog.
    explicit TStatisticsDialog(TSuperGrWindow& window, QWidget* parent = nullptr);

    TStatisticsModel& Model() { return model_; }
    // Refills the graph list from the window; the figures stay as the last update left them.
    void Refill();
    // Sets the choice of graphs and the chosen graph's index.
    void Choose(TStatScope scope, int graphIndex);
    // "Обновить".
    void Update();

private:
    void ShowTexts();

    TSuperGrWindow& window_;
    TStatisticsModel model_;
    QRadioButton* oneGraph_;
    QRadioButton* selectedGraphs_;
    QRadioButton* allGraphs_;
    QComboBox* graphs_;
    QLineEdit* nodes_;
    QLineEdit* yMax_;
    QLineEdit* yMin_;
    QLineEdit* stepMax_;
    QLineEdit* stepMin_;
    QTableWidget* steps_;
};
