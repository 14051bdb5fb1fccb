// The automatic-markers dialog: shows TAutoMarkersModel (placement kind, count or interval, the
// visible-part choice and, for all graphs, the marker style) and applies it when confirmed.
#pragma once

#include "tools/AutoMarkersModel.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

class TAutoMarkersDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAutoMarkersDialog(QWidget* parent = nullptr);

    TAutoMarkersModel& Model() { return model_; }
    // Opens at the global mouse position for every visible graph of the window, with the style
    // choices; true when the markers were placed.
    bool ExecForWindow(TSuperGrWindow& window, const QPoint& mouse);
    // Opens beside the mouse for one graph, without the style choices.
    bool ExecForGraph(TGraph& graph, const QPoint& mouse);

private:
    void ShowModel();
    void TakeChoices();
    bool ExecAt(const QPoint& mouse, bool forOneGraph);
    // The runner of the placing job, once this dialog is closed.
    TJobRun JobRun();

    TAutoMarkersModel model_;
    QButtonGroup* placement_;
    QRadioButton* byCount_;
    QRadioButton* byInterval_;
    QLineEdit* count_;
    QLineEdit* interval_;
    QCheckBox* visibleOnly_;
    QGroupBox* styleBox_;
    QButtonGroup* style_;
    QComboBox* textSource_;
};
