// The graph binding wizard: step 1 ticks the graphs, step 2 chooses the ways of binding
// (TBindingWizardModel); "Привязать" binds them.
#pragma once

#include "tools/BindingWizardModel.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;

class TBindingWizardDialog : public QDialog {
    Q_OBJECT
public:
    // The window must outlive the dialog.
    explicit TBindingWizardDialog(TSuperGrWindow& window, QWidget* parent = nullptr);

    TBindingWizardModel& Model() { return model_; }
    // From the window's current graphs and single groups, at step 1.
    void Open();
    void ShowStep(int step);

private:
    QWidget* CreateGraphsPage();
    QWidget* CreateWaysPage();
    void ShowGraphs();
    void ShowBoxes();
    void Bind();

    TBindingWizardModel model_;
    QStackedWidget* steps_;
    QListWidget* graphs_;
    std::array<QCheckBox*, BindBoxCount> boxes_{};
    std::array<QLabel*, BindBoxCount> notices_{};
    QCheckBox* closeAfter_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* bind_;
};
